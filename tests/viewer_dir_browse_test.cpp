/* The browse button: its keys, the host's browser and the change it leads
 * to, and its three looks probed pixel by pixel. */
#include "viewer_dir_fixture.h"

using namespace vdir;

namespace {

class BrowseTest : public DirBoxTest {
  protected:
    HWND Button() const { return pfvi_->hwndBrowse; }
    LRESULT KeyDown(UINT vk) { return SendMessageA(Button(), WM_KEYDOWN, vk, 0); }
    LRESULT KeyUp(UINT vk) { return SendMessageA(Button(), WM_KEYUP, vk, 0); }
    void ChooseInBrowser(const std::string &path)
    {
        TBCtlSetAnswer(TBA_MAKEBROWSER, 1);
        TBCtlSetBrowserResult(path.c_str());
    }
};

TEST_F(BrowseTest, TabAndShiftTabMoveTheFocusOnFromTheButton)
{
    Open();
    SetFocus(Button());
    EXPECT_EQ(0, KeyDown(VK_TAB));
    EXPECT_EQ(pfvi_->hwndTypeList, GetFocus());
    EXPECT_EQ(pfvi_->hwndTypeList, pfvi_->hwndFocus);

    SetFocus(Button());
    {
        KeyStateScope shift({VK_SHIFT});
        EXPECT_EQ(0, KeyDown(VK_TAB));
    }
    EXPECT_EQ(edit_, GetFocus()) << "the box hands the focus to its field";
    EXPECT_EQ(pfvi_->hwndCombo, pfvi_->hwndFocus);
}

TEST_F(BrowseTest, EnterAndSpaceOpenTheBrowserOnTheBoxText)
{
    Open();
    TBCtlSetAnswer(TBA_MAKEBROWSER, 0); /* cancelled */
    for (UINT vk : {VK_RETURN, VK_SPACE}) {
        SCOPED_TRACE(vk == VK_RETURN ? "Enter" : "Space");
        TBCtlClearCalls();
        EXPECT_EQ(0, KeyDown(vk));
        ASSERT_EQ(1, Calls("MakeBrowser"));
        TBCALL call;
        ASSERT_TRUE(TBCtlGetCall("MakeBrowser", 0, &call));
        EXPECT_EQ(Dir("alpha"), call.szText) << "the browser starts at the box's text";
        EXPECT_EQ(reinterpret_cast<DWORD_PTR>(Button()), call.aArgs[1]);
        EXPECT_EQ(0, Calls("APpostMessage")) << "a cancelled browser changes nothing";
        EXPECT_EQ(Dir("alpha"), Field());
    }
}

TEST_F(BrowseTest, F5RefreshesTheFileList)
{
    Open();
    LONG nEnum = Calls("TBMenumFiles");
    EXPECT_EQ(0, KeyDown(VK_F5));
    EXPECT_EQ(nEnum + 1, Calls("TBMenumFiles"));
    EXPECT_EQ(0, Calls("MakeBrowser"));
}

/* The standard button clicks on Space's key-up when it is pushed: swallowing
 * the key-up is what keeps it from opening the browser a second time. */
TEST_F(BrowseTest, KeyUpsAreSwallowed)
{
    Open();
    TBCtlSetAnswer(TBA_MAKEBROWSER, 0);
    SetFocus(Button());
    SendMessageA(Button(), BM_SETSTATE, TRUE, 0);
    TBCtlClearCalls();
    for (UINT vk : {VK_TAB, VK_RETURN, VK_SPACE, VK_F5})
        EXPECT_EQ(0, KeyUp(vk));
    EXPECT_EQ(0, Calls("MakeBrowser"));
    EXPECT_EQ(0, Calls("TBMenumFiles"));
    EXPECT_EQ(Button(), GetFocus());
    EXPECT_TRUE(SendMessageA(Button(), BM_GETSTATE, 0, 0) & BST_PUSHED);
    SendMessageA(Button(), BM_SETSTATE, FALSE, 0);
}

TEST_F(BrowseTest, KeysAreIgnoredWhileMinimisedAndKeyUpsStillSwallowed)
{
    Open();
    TBCtlSetAnswer(TBA_MAKEBROWSER, 0);
    for (HWND hwndMin : {viewer_, host_->Frame()}) {
        SCOPED_TRACE(hwndMin == viewer_ ? "viewer minimised" : "host frame minimised");
        ShowWindow(hwndMin, SW_MINIMIZE);
        PumpMessages();
        ASSERT_TRUE(IsIconic(hwndMin));
        SetFocus(Button());
        HWND hwndFocusBefore = GetFocus();
        TBCtlClearCalls();
        for (UINT vk : {VK_RETURN, VK_F5, VK_TAB, VK_SPACE})
            KeyDown(vk);
        EXPECT_EQ(0, Calls("MakeBrowser"));
        EXPECT_EQ(0, Calls("TBMenumFiles"));
        EXPECT_EQ(hwndFocusBefore, GetFocus());
        /* Space went to the standard button, which pushed itself; its key-up
         * would click it. */
        EXPECT_EQ(0, KeyUp(VK_SPACE));
        EXPECT_EQ(0, Calls("MakeBrowser"));
        SendMessageA(Button(), BM_SETSTATE, FALSE, 0);
        ShowWindow(hwndMin, SW_RESTORE);
        PumpMessages();
    }
}

TEST_F(BrowseTest, ChosenPathLosesItsTrailingBackslashAndThePostedEnterChangesToIt)
{
    Open();
    ChooseInBrowser(Dir("beta") + "\\");
    TBCtlClearCalls();
    EXPECT_EQ(0, KeyDown(VK_SPACE));
    EXPECT_EQ(Dir("beta"), Field());
    ASSERT_EQ(1, Calls("APpostMessage"));
    TBCALL call;
    ASSERT_TRUE(TBCtlGetCall("APpostMessage", 0, &call));
    EXPECT_EQ(reinterpret_cast<DWORD_PTR>(pfvi_->hwndCombo), call.aArgs[0]);
    EXPECT_EQ((DWORD_PTR)WM_KEYDOWN, call.aArgs[1]);
    EXPECT_EQ((DWORD_PTR)VK_RETURN, call.aArgs[2]);
    EXPECT_EQ((DWORD_PTR)0, call.aArgs[3]);
    EXPECT_EQ(Dir("alpha"), HostWorkDir()) << "the change waits for the posted key";

    PumpMessages();
    EXPECT_EQ(Dir("beta"), HostWorkDir());
    EXPECT_EQ(Dir("beta"), Items()[0]);
    EXPECT_EQ(Dir("alpha"), Items()[1]);
    EXPECT_EQ(Dir("beta"), Stored()[0]);
}

TEST_F(BrowseTest, ChosenDriveRootArrivesAsLetterAndColonAndIsCompletedAgain)
{
    Open();
    ChooseInBrowser("C:\\");
    KeyDown(VK_RETURN);
    EXPECT_EQ("C:", Field());
    PumpMessages();
    EXPECT_EQ("C:\\", Items()[0]);
    EXPECT_EQ("C:\\", Stored()[0]);
}

TEST_F(BrowseTest, AllocationFailureSweepOverABrowse)
{
    Open();
    ChooseInBrowser(Dir("beta"));
    SweepResult r = ForEachAllocationFailure([&] {
        SendMessageA(pfvi_->hwndCombo, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(Dir("alpha").c_str()));
        TBCtlClearCalls();
        KeyDown(VK_RETURN);
        /* Either the whole browse or nothing at all */
        std::string field = Field();
        EXPECT_TRUE(field == Dir("alpha") || field == Dir("beta")) << field;
        EXPECT_EQ(field == Dir("beta") ? 1 : 0, Calls("APpostMessage"));
    });
    EXPECT_GE(r.nAllocations, 4); /* three request blocks and the host's path */
}

/* ------------------------------------------------------------------ */
/* Looks                                                               */
/* ------------------------------------------------------------------ */

/* The button's item drawn into a 32-bit DIB through the viewer's
 * WM_DRAWITEM, prefilled with a colour no look uses. */
class ButtonLookTest : public BrowseTest {
  protected:
    static constexpr COLORREF kUnpainted = RGB(1, 2, 3);

    void SetUp() override
    {
        BrowseTest::SetUp();
        if (HasFatalFailure())
            return;
        Open();
        RECT rc;
        GetClientRect(Button(), &rc);
        cx_ = rc.right;
        cy_ = rc.bottom;
        ASSERT_GE(cx_, 16);
        face_ = GetSysColor(COLOR_BTNFACE);
        shadow_ = GetSysColor(COLOR_BTNSHADOW);
        light_ = GetSysColor(COLOR_BTNHIGHLIGHT);
        ASSERT_NE(face_, shadow_);
        ASSERT_NE(face_, light_);
    }

    struct Look {
        std::vector<COLORREF> px;
        int cx, cy;
        COLORREF At(int x, int y) const { return px[(size_t)y * cx + x]; }
    };

    /* Drawing the focus frame again takes it away (it is drawn with XOR). */
    RECT RaisedFocus() const { return {3, 3, cx_ - 4, cy_ - 4}; }
    RECT PressedFocus() const { return {4, 4, cx_ - 3, cy_ - 3}; }

    Look Draw(UINT action, UINT state, const RECT *prcUndoFocus = nullptr)
    {
        Look look{{}, cx_, cy_};
        BITMAPINFO bi = {};
        bi.bmiHeader.biSize = sizeof(bi.bmiHeader);
        bi.bmiHeader.biWidth = cx_;
        bi.bmiHeader.biHeight = -cy_;
        bi.bmiHeader.biPlanes = 1;
        bi.bmiHeader.biBitCount = 32;
        void *pvBits = nullptr;
        HDC hdc = CreateCompatibleDC(nullptr);
        HBITMAP hbm = CreateDIBSection(hdc, &bi, DIB_RGB_COLORS, &pvBits, nullptr, 0);
        if (!hdc || !hbm) {
            ADD_FAILURE() << "no drawing surface";
            return look;
        }
        HGDIOBJ hbmOld = SelectObject(hdc, hbm);
        RECT rc = {0, 0, cx_, cy_};
        HBRUSH hbr = CreateSolidBrush(kUnpainted);
        FillRect(hdc, &rc, hbr);
        DeleteObject(hbr);

        DRAWITEMSTRUCT dis = {};
        dis.CtlType = ODT_BUTTON;
        dis.itemAction = action;
        dis.itemState = state;
        dis.hwndItem = Button();
        dis.hDC = hdc;
        dis.rcItem = rc;
        EXPECT_EQ(1, SendMessageA(viewer_, WM_DRAWITEM, 0, reinterpret_cast<LPARAM>(&dis)));
        if (prcUndoFocus)
            DrawFocusRect(hdc, prcUndoFocus);
        GdiFlush();
        for (int y = 0; y < cy_; y++)
            for (int x = 0; x < cx_; x++)
                look.px.push_back(GetPixel(hdc, x, y));
        SelectObject(hdc, hbmOld);
        DeleteObject(hbm);
        DeleteDC(hdc);
        return look;
    }

    /* The look as rows of characters, for failure messages: face '.',
     * shadow 's', highlight 'h', black '#', anything else 'o'. */
    std::string Describe(const Look &look) const
    {
        std::string out = "\n";
        for (int y = 0; y < look.cy; y++) {
            for (int x = 0; x < look.cx; x++) {
                COLORREF c = look.At(x, y);
                out += c == face_ ? '.' : c == shadow_ ? 's' : c == light_ ? 'h' : c == RGB(0, 0, 0) ? '#' : 'o';
            }
            out += "\n";
        }
        return out;
    }

    void ExpectOutline(const Look &look) const
    {
        int mx = cx_ / 2, my = cy_ / 2;
        EXPECT_EQ(RGB(0, 0, 0), look.At(0, my));
        EXPECT_EQ(RGB(0, 0, 0), look.At(mx, 0));
        EXPECT_EQ(RGB(0, 0, 0), look.At(cx_ - 1, my));
        EXPECT_EQ(RGB(0, 0, 0), look.At(mx, cy_ - 1));
        /* cut corners, face filled everywhere */
        EXPECT_EQ(face_, look.At(0, 0));
        EXPECT_EQ(face_, look.At(cx_ - 1, 0));
        EXPECT_EQ(face_, look.At(0, cy_ - 1));
        EXPECT_EQ(face_, look.At(cx_ - 1, cy_ - 1));
    }

    void ExpectRaised(const Look &look) const
    {
        int my = cy_ / 2, mx = cx_ / 2;
        ExpectOutline(look);
        EXPECT_EQ(shadow_, look.At(cx_ - 2, my));
        EXPECT_EQ(shadow_, look.At(cx_ - 3, my));
        EXPECT_EQ(shadow_, look.At(mx, cy_ - 2));
        EXPECT_EQ(shadow_, look.At(mx, cy_ - 3));
        EXPECT_EQ(light_, look.At(1, my));
        EXPECT_EQ(light_, look.At(mx, 1));
    }

    int PictureOffset() const { return (cy_ - (int)pfvi_->cxIcon) / 2; }

    int cx_ = 0, cy_ = 0;
    COLORREF face_ = 0, shadow_ = 0, light_ = 0;
};

TEST_F(ButtonLookTest, RaisedLookWithAndWithoutFocus)
{
    StopGdiCount(); /* one counter at a time: this one sees only the drawing */
    ImportCounter gdi(ViewerModule());
    ASSERT_TRUE(gdi.Ok());
    HWND hwndFocusBefore = pfvi_->hwndFocus;
    ASSERT_NE(Button(), hwndFocusBefore);
    const RECT rcFocus = RaisedFocus();

    Look plain = Draw(ODA_DRAWENTIRE, 0);
    ExpectRaised(plain);
    EXPECT_EQ(hwndFocusBefore, pfvi_->hwndFocus);
    EXPECT_EQ(plain.px, Draw(ODA_FOCUS, 0).px) << "no focus frame without the focus state";

    Look focused = Draw(ODA_DRAWENTIRE, ODS_FOCUS);
    EXPECT_NE(plain.px, focused.px) << "a focus frame" << Describe(focused);
    EXPECT_EQ(plain.px, Draw(ODA_DRAWENTIRE, ODS_FOCUS, &rcFocus).px)
        << "the raised look and nothing but its focus frame" << Describe(focused);
    EXPECT_EQ(Button(), pfvi_->hwndFocus) << "focus comes back to the button";

    /* Released after a press: the same raised look with its focus frame */
    EXPECT_EQ(focused.px, Draw(ODA_SELECT, ODS_FOCUS).px);
    EXPECT_TRUE(gdi.Balanced());
}

TEST_F(ButtonLookTest, PressedLookShiftsThePictureOnePixel)
{
    StopGdiCount();
    ImportCounter gdi(ViewerModule());
    ASSERT_TRUE(gdi.Ok());
    ASSERT_NE(nullptr, pfvi_->hbmBrowse);
    const RECT rcFocus = PressedFocus();
    Look raised = Draw(ODA_DRAWENTIRE, 0);
    Look pressedFramed = Draw(ODA_SELECT, ODS_SELECTED | ODS_FOCUS);
    Look pressed = Draw(ODA_SELECT, ODS_SELECTED | ODS_FOCUS, &rcFocus);
    EXPECT_NE(pressed.px, pressedFramed.px) << "a focus frame inside the pressed look" << Describe(pressedFramed);
    EXPECT_EQ(Button(), pfvi_->hwndFocus);

    int my = cy_ / 2, mx = cx_ / 2;
    ExpectOutline(pressed);
    EXPECT_EQ(shadow_, pressed.At(1, my));
    EXPECT_EQ(shadow_, pressed.At(mx, 1));
    EXPECT_EQ(face_, pressed.At(cx_ - 2, my));
    EXPECT_EQ(face_, pressed.At(mx, cy_ - 2));
    EXPECT_EQ(face_, pressed.At(mx, cy_ - 3));

    int o = PictureOffset(), n = (int)pfvi_->cxIcon;
    int nInk = 0, nDiffer = 0;
    for (int y = o; y < o + n; y++)
        for (int x = o; x < o + n; x++) {
            nInk += raised.At(x, y) != face_;
            nDiffer += raised.At(x, y) != pressed.At(x + 1, y + 1);
        }
    EXPECT_GT(nInk, 0) << "the picture shows";
    EXPECT_EQ(0, nDiffer) << "the pressed picture is the raised one moved right and down by one" << Describe(raised)
                          << Describe(pressed);
    EXPECT_TRUE(gdi.Balanced());
}

TEST_F(ButtonLookTest, SelectWithoutFocusDrawsOnlyFaceAndOutline)
{
    for (UINT state : {(UINT)ODS_SELECTED, 0u, (UINT)(ODS_SELECTED | ODS_FOCUS | ODS_DEFAULT)}) {
        SCOPED_TRACE(state);
        Look look = Draw(ODA_SELECT, state);
        ExpectOutline(look);
        for (int y = 1; y < cy_ - 1; y++)
            for (int x = 1; x < cx_ - 1; x++)
                ASSERT_EQ(face_, look.At(x, y)) << "at " << x << "," << y;
    }
}

TEST_F(ButtonLookTest, PressingTheRealButtonShowsPressedThenRaised)
{
    SetFocus(Button());
    UpdateWindow(Button());
    int my = cy_ / 2;
    SendMessageA(Button(), BM_SETSTATE, TRUE, 0);
    EXPECT_EQ(shadow_, ProbePixel(Button(), 1, my));
    EXPECT_EQ(face_, ProbePixel(Button(), cx_ - 2, my));
    SendMessageA(Button(), BM_SETSTATE, FALSE, 0);
    EXPECT_EQ(light_, ProbePixel(Button(), 1, my));
    EXPECT_EQ(shadow_, ProbePixel(Button(), cx_ - 2, my));
}

} // namespace
