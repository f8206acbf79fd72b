// The viewer frame window: its size and layout, the caption and borders it
// paints, the messages it dispatches, and what it gives back when it closes.
#include "viewer_fixture.h"

using namespace vfix;

namespace {

SIZE ClientSize(HWND hwnd)
{
    RECT rc;
    GetClientRect(hwnd, &rc);
    return {rc.right, rc.bottom};
}

SIZE BitmapSize(HBITMAP hbm)
{
    BITMAP bm = {};
    if (!hbm || !GetObjectA(hbm, sizeof bm, &bm))
        return {0, 0};
    return {bm.bmWidth, bm.bmHeight};
}

bool SameRect(const RECT &a, const RECT &b)
{
    return EqualRect(&a, &b) != 0;
}

std::string Describe(const RECT &rc)
{
    return "(" + std::to_string(rc.left) + "," + std::to_string(rc.top) + ")-(" + std::to_string(rc.right) + "," +
           std::to_string(rc.bottom) + ")";
}

/* Children laid out for a client area of cx x cy, as the viewer promises:
 * 9-pixel margins, 6 pixels between box and button, 10 between the panes. */
void ExpectLayout(FILEVIEWINFO *pfvi, int cx, int cy)
{
    SCOPED_TRACE(testing::Message() << "client " << cx << " x " << cy);
    int cyCombo = (int)pfvi->cyCombo;
    int cyLabel = (int)pfvi->cyLabel;
    RECT rcCombo = ChildRect(pfvi->hwndCombo);
    RECT rcBrowse = ChildRect(pfvi->hwndBrowse);
    RECT rcTypes = ChildRect(pfvi->hwndTypeList);
    RECT rcFiles = ChildRect(pfvi->hwndFileList);

    EXPECT_EQ(9, rcCombo.left);
    EXPECT_EQ(cyLabel + 17, rcCombo.top);
    EXPECT_EQ(cyCombo, rcCombo.bottom - rcCombo.top);
    EXPECT_EQ(6, rcBrowse.left - rcCombo.right) << Describe(rcCombo) << " " << Describe(rcBrowse);
    EXPECT_EQ(rcCombo.top, rcBrowse.top);
    EXPECT_EQ(cyCombo, rcBrowse.right - rcBrowse.left);
    EXPECT_EQ(cyCombo, rcBrowse.bottom - rcBrowse.top);
    EXPECT_EQ(cx - 9, rcBrowse.right);

    EXPECT_EQ(9, rcTypes.left);
    EXPECT_EQ(cyLabel + cyCombo + 35, rcTypes.top);
    EXPECT_EQ((int)pfvi->cxTypeList, rcTypes.right - rcTypes.left);
    EXPECT_EQ(cy - 9, rcTypes.bottom);
    EXPECT_EQ(10, rcFiles.left - rcTypes.right);
    EXPECT_EQ(rcTypes.top, rcFiles.top);
    EXPECT_EQ(cx - 9, rcFiles.right);
    EXPECT_EQ(cy - 9, rcFiles.bottom);
}

} // namespace

TEST_F(ViewerTest, OpensInTheCornerAtItsMinimumHeightAndOneAndAHalfWidths)
{
    // A request's position and size act only while the viewer is created.
    ASSERT_NE(nullptr, OpenByName("ProjectViewer", 0, 0, 120, 80, 640, 480));
    FILEVIEWINFO *pfvi = Info();
    ASSERT_GT(pfvi->cxMinTrack, 0u);
    RECT rc = ChildRect(Viewer());
    EXPECT_EQ(0, rc.left);
    EXPECT_EQ(0, rc.top);
    EXPECT_EQ((int)(pfvi->cxMinTrack * 3 / 2), rc.right - rc.left);
    EXPECT_EQ((int)pfvi->cyMinTrack, rc.bottom - rc.top);
    SIZE size = ClientSize(Viewer());
    ExpectLayout(pfvi, size.cx, size.cy);
}

TEST_F(ViewerTest, MinimumSizeFollowsTheTextsAndHoldsWhenDragged)
{
    Open();
    FILEVIEWINFO *pfvi = Info();
    UINT cyMin = 2 * GetSystemMetrics(SM_CYFRAME) + pfvi->cyLabel + pfvi->cyCombo + 6 * pfvi->cyTypeRow +
                 GetSystemMetrics(SM_CYCAPTION) + 43;
    EXPECT_EQ(cyMin, pfvi->cyMinTrack);
    UINT cxWidest = std::max(pfvi->cxLabel > 150 ? pfvi->cxLabel + pfvi->cyCombo + 26 : pfvi->cyCombo + 176,
                             pfvi->cxTypeList + pfvi->cxFileMin + 26);
    EXPECT_EQ(cxWidest + 2 * GetSystemMetrics(SM_CXFRAME), pfvi->cxMinTrack);

    MINMAXINFO mmi = {};
    SendMessageA(Viewer(), WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&mmi));
    EXPECT_EQ((LONG)pfvi->cxMinTrack, mmi.ptMinTrackSize.x);
    EXPECT_EQ((LONG)pfvi->cyMinTrack, mmi.ptMinTrackSize.y);

    // Sizing below the minimum stops at the minimum.
    MoveWindow(Viewer(), 0, 0, 40, 30, TRUE);
    PumpMessages();
    RECT rc = ChildRect(Viewer());
    EXPECT_EQ((LONG)pfvi->cxMinTrack, rc.right - rc.left);
    EXPECT_EQ((LONG)pfvi->cyMinTrack, rc.bottom - rc.top);
}

TEST_F(ViewerTest, MetricsAreThoseOfTheHostTextsInTheBoldFont)
{
    Open();
    FILEVIEWINFO *pfvi = Info();
    ASSERT_NE(nullptr, pfvi->hFontBold);
    HDC hdc = GetDC(Viewer());
    HGDIOBJ hOld = SelectObject(hdc, pfvi->hFontBold);
    auto extent = [&](UINT id) {
        std::string s = HostString(id);
        SIZE size = {};
        GetTextExtentPoint32A(hdc, s.c_str(), (int)s.size(), &size);
        return size;
    };
    SIZE caption = extent(IDS_CAPTION);
    EXPECT_EQ((UINT)caption.cx, pfvi->cxLabel);
    EXPECT_EQ((UINT)caption.cy, pfvi->cyLabel);
    LONG cxTypes = 0, cyTypes = 0;
    for (UINT id = IDS_TYPEFIRST; id < IDS_TYPEFIRST + 4; id++) {
        cxTypes = std::max(cxTypes, extent(id).cx);
        cyTypes = std::max(cyTypes, extent(id).cy);
    }
    EXPECT_EQ((UINT)cxTypes + 30, pfvi->cxTypeList);
    EXPECT_EQ((UINT)std::max(cyTypes, 24L), pfvi->cyTypeRow);
    EXPECT_EQ(cyTypes < 24 ? (UINT)(24 - cyTypes) / 2 : 0u, pfvi->yTypeText);
    EXPECT_EQ(cyTypes > 24 ? (UINT)(cyTypes - 24) / 2 : 0u, pfvi->yTypeIcon);
    EXPECT_EQ((UINT)extent(IDS_FILEMIN).cx + 20, pfvi->cxFileMin);
    SelectObject(hdc, pfvi->hFont);
    TEXTMETRICA tm;
    GetTextMetricsA(hdc, &tm);
    // The row holds the text (height + 2) or the picture (side + 2).
    EXPECT_EQ((UINT)std::max<LONG>(tm.tmHeight + 2, pfvi->cxIcon + 2), pfvi->cyFileRow);
    SelectObject(hdc, hOld);
    ReleaseDC(Viewer(), hdc);
}

TEST_F(ViewerTest, FontsAreTheFaceOfTheResourcesAndTheCaptionFits)
{
    Open();
    std::string face = HostString(IDS_FACENAME);
    ASSERT_FALSE(face.empty());
    LOGFONTA lf = {};
    ASSERT_TRUE(GetObjectA(Info()->hFont, sizeof lf, &lf));
    EXPECT_EQ(face, lf.lfFaceName);
    EXPECT_EQ(400, lf.lfWeight);
    EXPECT_EQ(DRAFT_QUALITY, lf.lfQuality);
    EXPECT_EQ(FF_SWISS | DEFAULT_PITCH, lf.lfPitchAndFamily);
    EXPECT_EQ(ANSI_CHARSET, lf.lfCharSet);
    EXPECT_FALSE(lf.lfItalic || lf.lfUnderline || lf.lfStrikeOut);
    LOGFONTA lfBold = {};
    ASSERT_TRUE(GetObjectA(Info()->hFontBold, sizeof lfBold, &lfBold));
    EXPECT_EQ(700, lfBold.lfWeight);
    EXPECT_EQ(lf.lfHeight, lfBold.lfHeight);

    // Whatever face the system gives for it, the caption as drawn fits the
    // width measured for it: the caption is never clipped.
    HDC hdcScreen = GetDC(nullptr);
    HDC hdc = CreateCompatibleDC(hdcScreen);
    HBITMAP hbm = CreateCompatibleBitmap(hdcScreen, 600, 60);
    ReleaseDC(nullptr, hdcScreen);
    HGDIOBJ hbmOld = SelectObject(hdc, hbm);
    HGDIOBJ hfontOld = SelectObject(hdc, Info()->hFontBold);
    RECT rcAll = {0, 0, 600, 60};
    FillRect(hdc, &rcAll, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    std::string caption = HostString(IDS_CAPTION);
    TextOutA(hdc, 0, 0, caption.c_str(), (int)caption.size());
    int xInk = 0;
    for (int y = 0; y < 60; y++)
        for (int x = 0; x < 600; x++)
            if (GetPixel(hdc, x, y) != RGB(255, 255, 255))
                xInk = std::max(xInk, x + 1);
    SelectObject(hdc, hfontOld);
    SelectObject(hdc, hbmOld);
    DeleteObject(hbm);
    DeleteDC(hdc);
    EXPECT_GT(xInk, 0);
    EXPECT_LE(xInk, (int)Info()->cxLabel);

    // The face is installed here: GDI does not fall back to another one.
    HDC hdcFace = GetDC(nullptr);
    HGDIOBJ hOld = SelectObject(hdcFace, Info()->hFont);
    char szFace[LF_FACESIZE] = "";
    GetTextFaceA(hdcFace, sizeof szFace, szFace);
    SelectObject(hdcFace, hOld);
    ReleaseDC(nullptr, hdcFace);
    EXPECT_EQ(0, lstrcmpiA(face.c_str(), szFace)) << "selected face: " << szFace;
}

namespace {
int g_nFakeDpi;
int WINAPI FakeGetDeviceCaps(HDC hdc, int index)
{
    return index == LOGPIXELSY ? g_nFakeDpi : GetDeviceCaps(hdc, index);
}
} // namespace

TEST_F(ViewerTest, FontHeightAndPicturesFollowTheScreenResolution)
{
    ImportPatch patch(ViewerModule(), "GDI32.dll", "GetDeviceCaps", reinterpret_cast<void *>(FakeGetDeviceCaps));
    ASSERT_TRUE(patch.Ok());
    struct {
        int nDpi;
        LONG lfHeight; // a ninth of an inch, truncated
    } const kCases[] = {{96, 10}, {120, 13}, {144, 16}, {192, 21}};
    bool fSawSmall = false, fSawLarge = false;
    for (const auto &c : kCases) {
        SCOPED_TRACE(testing::Message() << c.nDpi << " dpi");
        g_nFakeDpi = c.nDpi;
        Open();
        FILEVIEWINFO *pfvi = Info();
        LOGFONTA lf = {};
        GetObjectA(pfvi->hFont, sizeof lf, &lf);
        EXPECT_EQ(c.lfHeight, lf.lfHeight);

        // The directory box's real height picks the pictures.
        RECT rcCombo;
        GetWindowRect(pfvi->hwndCombo, &rcCombo);
        UINT cyCombo = rcCombo.bottom - rcCombo.top;
        EXPECT_EQ(cyCombo, pfvi->cyCombo);
        UINT cxIcon = cyCombo > 23 ? 15 : 11;
        (cxIcon == 15 ? fSawLarge : fSawSmall) = true;
        EXPECT_EQ(cxIcon, pfvi->cxIcon);
        SIZE files = BitmapSize(pfvi->hbmFiles);
        EXPECT_EQ(2 * (LONG)cxIcon + 3, files.cx);
        EXPECT_EQ(10 * ((LONG)cxIcon + 1) + 1, files.cy);
        SIZE browse = BitmapSize(pfvi->hbmBrowse);
        EXPECT_EQ(2 * (LONG)cxIcon + 3, browse.cx);
        EXPECT_EQ((LONG)cxIcon + 2, browse.cy);
        SIZE types = BitmapSize(pfvi->hbmTypes);
        EXPECT_EQ(51, types.cx);
        EXPECT_EQ(101, types.cy);
        // Rows are never lower than the picture and its frame.
        EXPECT_GE(pfvi->cyFileRow, cxIcon + 2);
        Close();
    }
    EXPECT_TRUE(fSawSmall) << "no resolution gave a directory box of 23 pixels or less";
    EXPECT_TRUE(fSawLarge) << "no resolution gave a directory box of 24 pixels or more";
}

namespace {
LPCSTR(WINAPI *g_pfnRealRCString)(HINSTANCE, UINT);
LPCSTR WINAPI LongCaption(HINSTANCE hinst, UINT id)
{
    return id == IDS_CAPTION ? "Working directory, database alias or server path of this project:"
                             : g_pfnRealRCString(hinst, id);
}
} // namespace

TEST_F(ViewerTest, WideCaptionWidensTheMinimumSize)
{
    Open();
    UINT cxMinNormal = Info()->cxMinTrack;
    Close();
    g_pfnRealRCString = GetRCString;
    ImportPatch patch(ViewerModule(), "tbsvc32.dll", "GetRCString", reinterpret_cast<void *>(LongCaption));
    ASSERT_TRUE(patch.Ok());
    Open();
    FILEVIEWINFO *pfvi = Info();
    ASSERT_GT(pfvi->cxLabel, 150u);
    EXPECT_EQ(pfvi->cxLabel + pfvi->cyCombo + 26 + 2 * GetSystemMetrics(SM_CXFRAME), pfvi->cxMinTrack);
    EXPECT_GT(pfvi->cxMinTrack, cxMinNormal);
    RECT rc = ChildRect(Viewer());
    EXPECT_EQ((LONG)(pfvi->cxMinTrack * 3 / 2), rc.right - rc.left);
}

TEST_F(ViewerTest, ResizeLaysOutTheChildrenButMinimizingDoesNot)
{
    Open();
    FILEVIEWINFO *pfvi = Info();
    MoveWindow(Viewer(), 0, 0, 700, 460, TRUE);
    PumpMessages();
    SIZE size = ClientSize(Viewer());
    ExpectLayout(pfvi, size.cx, size.cy);

    RECT arcBefore[4] = {ChildRect(Combo()), ChildRect(Browse()), ChildRect(TypeList()), ChildRect(FilePane())};
    SendMessageA(Viewer(), WM_SYSCOMMAND, SC_MINIMIZE, 0);
    PumpMessages();
    ASSERT_TRUE(IsIconic(Viewer()));
    RECT arcIconic[4] = {ChildRect(Combo()), ChildRect(Browse()), ChildRect(TypeList()), ChildRect(FilePane())};
    for (int i = 0; i < 4; i++)
        EXPECT_TRUE(SameRect(arcBefore[i], arcIconic[i])) << i << ": " << Describe(arcIconic[i]);

    // Restoring to another size lays out for that size.
    WINDOWPLACEMENT wp = {};
    wp.length = sizeof wp;
    GetWindowPlacement(Viewer(), &wp);
    wp.rcNormalPosition = {0, 0, 620, 420};
    wp.showCmd = SW_SHOWMINIMIZED;
    SetWindowPlacement(Viewer(), &wp);
    SendMessageA(Viewer(), WM_SYSCOMMAND, SC_RESTORE, 0);
    PumpMessages();
    ASSERT_FALSE(IsIconic(Viewer()));
    size = ClientSize(Viewer());
    ExpectLayout(pfvi, size.cx, size.cy);

    // Maximized, the children fill the desktop's client area.
    SendMessageA(Viewer(), WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    PumpMessages();
    ASSERT_TRUE(IsZoomed(Viewer()));
    size = ClientSize(Viewer());
    ExpectLayout(pfvi, size.cx, size.cy);
    SendMessageA(Viewer(), WM_SYSCOMMAND, SC_RESTORE, 0);
    PumpMessages();
}

TEST_F(ViewerTest, MinimizedHostFrameCountsAsAMinimizedViewer)
{
    Open();
    // Only the frame is minimized; the viewer itself is not iconic.
    ShowWindow(Host().Frame(), SW_MINIMIZE);
    PumpMessages();
    ASSERT_TRUE(IsIconic(Host().Frame()));
    ASSERT_FALSE(IsIconic(Viewer()));
    // Activation of a viewer inside a minimized frame installs no menu.
    Host().ClearMessages();
    SendMessageA(Viewer(), WM_MDIACTIVATE, 0, reinterpret_cast<LPARAM>(Viewer()));
    auto menus = Host().Messages(TBM_SETMENU);
    ASSERT_EQ(1u, menus.size());
    EXPECT_EQ((WPARAM)TBSM_REMOVE, menus[0].wParam);
    ShowWindow(Host().Frame(), SW_RESTORE);
    PumpMessages();
}

TEST_F(ViewerTest, ActivationInstallsTheMenuAndDeactivationRemovesIt)
{
    Open();
    Host().ClearMessages();
    HWND hwndOther = OpenOtherChild();
    ASSERT_NE(nullptr, hwndOther);
    auto menus = Host().Messages(TBM_SETMENU);
    ASSERT_FALSE(menus.empty());
    EXPECT_EQ((WPARAM)TBSM_REMOVE, menus.back().wParam);
    EXPECT_FALSE(Info()->fActive);

    Host().ClearMessages();
    SendMessageA(Desktop(), WM_MDIACTIVATE, reinterpret_cast<WPARAM>(Viewer()), 0);
    PumpMessages();
    menus = Host().Messages(TBM_SETMENU);
    ASSERT_FALSE(menus.empty());
    EXPECT_EQ((WPARAM)TBSM_INSTALL, menus.back().wParam);
    EXPECT_EQ(Viewer(), menus.back().hwndArg);
    EXPECT_TRUE(Info()->fActive);
    DestroyWindow(hwndOther);
}

TEST_F(ViewerTest, FocusReturnsToTheChildThatHadIt)
{
    Open();
    HWND hwndFocus = GetFocus();
    EXPECT_TRUE(hwndFocus == Combo() || GetParent(hwndFocus) == Combo()) << "focus is not in the directory box";
    EXPECT_EQ(Combo(), Info()->hwndFocus);
    Info()->hwndFocus = TypeList();
    SetFocus(Host().Frame());
    SetFocus(Viewer());
    EXPECT_EQ(TypeList(), GetFocus());
}

TEST_F(ViewerTest, DirectoryBoxAndBrowseNotificationsAreDispatched)
{
    Open();
    TBCtlSetAnswer(TBA_MAKEBROWSER, 0); // the browser is cancelled
    struct {
        const char *pszWhat;
        HWND hwndCtl;
        WORD wCode;
        const char *pszService; // the service it leads to, or null
    } const kCases[] = {
        {"list entry chosen", Combo(), CBN_SELENDOK, "APpostMessage"},
        {"selection moved", Combo(), CBN_SELCHANGE, nullptr},
        {"list dropped down", Combo(), CBN_DROPDOWN, "TBMenumDBs"},
        {"browse clicked", Browse(), BN_CLICKED, "MakeBrowser"},
        {"menu command", nullptr, 0, nullptr},
    };
    for (const auto &c : kCases) {
        SCOPED_TRACE(c.pszWhat);
        TBCtlClearCalls();
        SendMessageA(Viewer(), WM_COMMAND, MAKEWPARAM(0, c.wCode), reinterpret_cast<LPARAM>(c.hwndCtl));
        for (const char *pszService : {"APpostMessage", "TBMenumDBs", "MakeBrowser"}) {
            bool fExpected = c.pszService && strcmp(c.pszService, pszService) == 0;
            EXPECT_EQ(fExpected ? 1 : 0, TBCtlCallCount(pszService)) << pszService;
        }
        if (c.pszService && strcmp(c.pszService, "APpostMessage") == 0) {
            TBCALL call;
            ASSERT_TRUE(TBCtlGetCall("APpostMessage", 0, &call));
            EXPECT_EQ(reinterpret_cast<DWORD_PTR>(Combo()), call.aArgs[0]);
            EXPECT_EQ((DWORD_PTR)WM_KEYDOWN, call.aArgs[1]);
            EXPECT_EQ((DWORD_PTR)VK_RETURN, call.aArgs[2]);
            EXPECT_EQ(0u, call.aArgs[3]);
        }
    }
    // The posted Enter must not linger into the next test.
    PumpMessages();
}

TEST_F(ViewerTest, DirectoryBoxListGetsTheButtonFaceBrush)
{
    Open();
    COMBOBOXINFO cbi = {};
    cbi.cbSize = sizeof cbi;
    ASSERT_TRUE(GetComboBoxInfo(Combo(), &cbi));
    HDC hdc = GetDC(Viewer());
    LRESULT lrList = SendMessageA(Viewer(), WM_CTLCOLORLISTBOX, (WPARAM)hdc, (LPARAM)cbi.hwndList);
    LRESULT lrBox = SendMessageA(Viewer(), WM_CTLCOLORLISTBOX, (WPARAM)hdc, (LPARAM)Combo());
    LRESULT lrOther = SendMessageA(Viewer(), WM_CTLCOLORLISTBOX, (WPARAM)hdc, (LPARAM)TypeList());
    ReleaseDC(Viewer(), hdc);
    ASSERT_NE(0, lrList);
    EXPECT_EQ((LRESULT)Info()->hbrFace, lrList);
    EXPECT_EQ(lrList, lrBox);
    EXPECT_NE(lrList, lrOther);
    LOGBRUSH lb = {};
    ASSERT_TRUE(GetObjectA(Info()->hbrFace, sizeof lb, &lb));
    EXPECT_EQ(GetSysColor(COLOR_BTNFACE), lb.lbColor);

    // A colour change makes a new brush (the old one is deleted: the GDI
    // balance of the fixture checks it).
    HBRUSH hbrOld = Info()->hbrFace;
    SendMessageA(Viewer(), WM_SYSCOLORCHANGE, 0, 0);
    EXPECT_NE(nullptr, Info()->hbrFace);
    EXPECT_NE(hbrOld, Info()->hbrFace);
}

TEST_F(ViewerTest, HostMessagesWithAndWithoutARecord)
{
    Open();
    // Working directory changed: re-read unless the viewer changed it itself.
    Host().ClearMessages();
    Info()->fDirChangedHere = TRUE;
    EXPECT_EQ(0, SendMessageA(Viewer(), TBM_WORKDIRCHANGED, 1, 0));
    EXPECT_FALSE(Info()->fDirChangedHere);
    EXPECT_EQ(0u, Host().Count(TBM_GETWORKDIR));
    EXPECT_EQ(0, SendMessageA(Viewer(), TBM_WORKDIRCHANGED, 1, 0));
    EXPECT_EQ(1u, Host().Count(TBM_GETWORKDIR));
    Info()->fDirChangedHere = TRUE;
    EXPECT_EQ(1, SendMessageA(Viewer(), TBM_WORKDIRCHANGED, 0, 0));
    EXPECT_TRUE(Info()->fDirChangedHere);

    Host().ClearMessages();
    EXPECT_EQ(1, SendMessageA(Viewer(), TBM_FOLLOWWORKDIR, 1, 0));
    EXPECT_EQ(1u, Host().Count(TBM_GETWORKDIR));
    EXPECT_EQ(1, SendMessageA(Viewer(), TBM_FOLLOWWORKDIR, 0, 0));
    EXPECT_EQ(1u, Host().Count(TBM_GETWORKDIR));

    // Help for the viewer window itself answers what the host's help answered.
    Host().SetHelpResult(77);
    EXPECT_EQ(77, SendMessageA(Viewer(), TBM_HELPREQUEST, 0, 0));
    ASSERT_EQ(1u, Host().Count(TBM_SHOWHELP));

    // Without a record (as after destruction) nothing is done.
    FILEVIEWINFO *pfvi = Info();
    SetWindowLongPtrA(Viewer(), 0, 0);
    Host().ClearMessages();
    EXPECT_EQ(1, SendMessageA(Viewer(), TBM_WORKDIRCHANGED, 1, 0));
    EXPECT_EQ(1, SendMessageA(Viewer(), TBM_FOLLOWWORKDIR, 1, 0));
    EXPECT_EQ(0, SendMessageA(Viewer(), TBM_HELPREQUEST, 0, 0));
    EXPECT_EQ(0, SendMessageA(Viewer(), TBM_VIEWERCOMMAND, IDC_REFRESH, 0));
    EXPECT_TRUE(Host().Messages().empty());
    SetWindowLongPtrA(Viewer(), 0, reinterpret_cast<LONG_PTR>(pfvi));
}

TEST_F(ViewerTest, CloseAsksTheHostToActivateAnotherWindowFirst)
{
    Open();
    HWND hwnd = Viewer();
    TBCtlClearCalls();
    SendMessageA(hwnd, WM_CLOSE, 0, 0);
    PumpMessages();
    TBCALL call;
    ASSERT_TRUE(TBCtlGetCall("APactivateNextWindow", 0, &call));
    EXPECT_EQ(reinterpret_cast<DWORD_PTR>(hwnd), call.aArgs[0]);
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(nullptr, AppInfo()->hwndViewer);
    EXPECT_EQ(0, TBCtlNotifyRegistrations(Desktop()));
    viewer_ = nullptr;
}

TEST_F(ViewerTest, NotificationRefreshesUntilTheViewerIsDestroyed)
{
    Open();
    EXPECT_EQ(1, TBCtlNotifyRegistrations(Desktop()));
    TBCtlClearCalls();
    TBCtlFireFileSystemNotify(Desktop());
    EXPECT_EQ(1, TBCtlCallCount("TBMenumFiles"));
    Close();
    EXPECT_EQ(nullptr, AppInfo()->hwndViewer);
    EXPECT_EQ(0, TBCtlNotifyRegistrations(Desktop()));
    TBCtlClearCalls();
    TBCtlFireFileSystemNotify(Desktop());
    EXPECT_EQ(0, TBCtlCallCount("TBMenumFiles"));
    // The next request opens a new viewer.
    Open();
}

TEST_F(ViewerTest, PaintsTheCaptionAndTheSunkenBorders)
{
    Open();
    // Fully inside the desktop, so no scroll bar of the desktop covers it.
    RECT rcDesktop;
    GetClientRect(Desktop(), &rcDesktop);
    MoveWindow(Viewer(), 0, 0, rcDesktop.right - 4, rcDesktop.bottom - 4, TRUE);
    PumpMessages();
    FILEVIEWINFO *pfvi = Info();
    HWND hwnd = Viewer();
    RECT rcViewer = ChildRect(hwnd);
    ASSERT_LE(rcViewer.right, rcDesktop.right);
    ASSERT_LE(rcViewer.bottom, rcDesktop.bottom);
    COLORREF crFace = GetSysColor(COLOR_BTNFACE);
    COLORREF crShadow = GetSysColor(COLOR_BTNSHADOW);
    COLORREF crLight = GetSysColor(COLOR_BTNHIGHLIGHT);
    COLORREF crBlack = RGB(0, 0, 0);
    SIZE size = ClientSize(hwnd);
    int r = size.cx - 1, b = size.cy - 1;
    int g = (int)(pfvi->cyCombo + pfvi->cyLabel) + 25;
    int xMid = size.cx / 2;

    struct Probe {
        const char *pszWhat;
        int x, y;
        COLORREF cr;
    };
    std::vector<Probe> probes = {
        {"window left edge", 0, b / 2, crLight},
        {"window top edge", xMid, 0, crLight},
        {"window right edge", r, b / 2, crShadow},
        {"window bottom edge", xMid, b, crShadow},
        {"groove dark line", xMid, g, crShadow},
        {"groove light line", xMid, g + 1, crLight},
        {"face above the groove", xMid, g - 1, crFace},
        {"face below the groove", xMid, g + 2, crFace},
    };
    for (HWND hwndPane : {TypeList(), FilePane()}) {
        RECT p = ChildRect(hwndPane);
        int y = (p.top + p.bottom) / 2, x = (p.left + p.right) / 2;
        probes.push_back({"pane: black left", p.left - 1, y, crBlack});
        probes.push_back({"pane: black top", x, p.top - 1, crBlack});
        probes.push_back({"pane: shadow left", p.left - 2, y, crShadow});
        probes.push_back({"pane: shadow top", x, p.top - 2, crShadow});
        probes.push_back({"pane: light right", p.right + 1, y, crLight});
        probes.push_back({"pane: light bottom", x, p.bottom + 1, crLight});
        probes.push_back({"pane: face column right", p.right, y, crFace});
        probes.push_back({"pane: face row below", x, p.bottom, crFace});
        probes.push_back({"pane: face outside", p.left - 3, y, crFace});
    }
    for (const Probe &probe : probes) {
        SCOPED_TRACE(testing::Message() << probe.pszWhat << " at (" << probe.x << "," << probe.y << ")");
        EXPECT_EQ(probe.cr, ProbePixel(hwnd, probe.x, probe.y, true));
    }

    // Caption: text pixels inside its rectangle, plain face beside it.
    int nInk = 0;
    HDC hdc = GetDC(hwnd);
    for (int y = 9; y < 9 + (int)pfvi->cyLabel; y++)
        for (int x = 8; x < 8 + (int)pfvi->cxLabel; x++)
            if (GetPixel(hdc, x, y) != crFace)
                nInk++;
    COLORREF crBeside = GetPixel(hdc, 8 + (int)pfvi->cxLabel + 3, 9 + (int)pfvi->cyLabel / 2);
    ReleaseDC(hwnd, hdc);
    EXPECT_GT(nInk, (int)pfvi->cxLabel) << "the caption text is not drawn";
    EXPECT_EQ(crFace, crBeside);
}

TEST_F(ViewerTest, OpenPaintAndCloseGiveBackEveryObject)
{
    ImportCounter *pgdi = Gdi();
    ASSERT_NE(nullptr, pgdi);
    Open();
    InvalidateRect(Viewer(), nullptr, TRUE);
    UpdateWindow(Viewer());
    SendMessageA(Viewer(), WM_SYSCOLORCHANGE, 0, 0);
    InvalidateRect(Viewer(), nullptr, TRUE);
    UpdateWindow(Viewer());
    Close();
    // The counts are real: the fonts, pens and paints went through the table.
    EXPECT_GE(pgdi->Calls(IF_CreateFontIndirectA), 2);
    EXPECT_GE(pgdi->Calls(IF_CreatePen), 4);
    EXPECT_GE(pgdi->Calls(IF_BeginPaint), 2);
    EXPECT_TRUE(pgdi->Balanced());
    // The host's pictures are the viewer's to delete.
    EXPECT_GE(pgdi->ForeignDeletes(), 3);
}

TEST_F(ViewerTest, AllocationFailureSweepOverOpenAndClose)
{
    int nOpened = 0, nRefused = 0;
    auto scenario = [&]() {
        AppInfo()->pfnShowViewer(Desktop());
        PumpMessages();
        HWND hwnd = AppInfo()->hwndViewer;
        if (hwnd) {
            nOpened++;
            EXPECT_NE(0, GetWindowLongPtrA(hwnd, 0));
            SendMessageA(Desktop(), WM_MDIDESTROY, reinterpret_cast<WPARAM>(hwnd), 0);
            PumpMessages();
        } else {
            nRefused++;
            EXPECT_EQ(nullptr, GetWindow(Desktop(), GW_CHILD));
        }
        EXPECT_EQ(nullptr, AppInfo()->hwndViewer);
        EXPECT_EQ(0, TBCtlNotifyRegistrations(Desktop()));
    };
    SweepResult result = ForEachAllocationFailure(scenario, 2000);
    EXPECT_GT(result.nAllocations, 3);
    EXPECT_EQ(result.nAllocations, (LONG)result.runs.size());
    EXPECT_TRUE(result.Clean());
    // Only a failure of the record itself keeps the viewer from opening; every
    // other failure skips its step and the viewer still opens and closes.
    EXPECT_EQ(1, nRefused);
    EXPECT_EQ(result.nAllocations + 1, nOpened + nRefused); // the undisturbed run and one per failure
}

TEST_F(ViewerTest, HelpKeyInADialogIsPassedToTheDialog)
{
    Open();
    HWND hwndDialog = Host().Frame(); // any window stands for the dialog here
    {
        KeyStateScope f1({VK_F1});
        TBCtlClearCalls();
        SendMessageA(Viewer(), WM_ENTERIDLE, MSGF_DIALOGBOX, reinterpret_cast<LPARAM>(hwndDialog));
        TBCALL call;
        ASSERT_TRUE(TBCtlGetCall("APpostMessage", 0, &call));
        EXPECT_EQ(reinterpret_cast<DWORD_PTR>(hwndDialog), call.aArgs[0]);
        EXPECT_EQ((DWORD_PTR)TBM_HELPREQUEST, call.aArgs[1]);
        // A menu being up (source 2) is not the viewer's affair.
        TBCtlClearCalls();
        EXPECT_EQ(0, SendMessageA(Viewer(), WM_ENTERIDLE, MSGF_MENU, reinterpret_cast<LPARAM>(hwndDialog)));
        EXPECT_EQ(0, TBCtlCallCount("APpostMessage"));
    }
    // Without F1 nothing is posted.
    TBCtlClearCalls();
    EXPECT_EQ(0, SendMessageA(Viewer(), WM_ENTERIDLE, MSGF_DIALOGBOX, reinterpret_cast<LPARAM>(hwndDialog)));
    EXPECT_EQ(0, TBCtlCallCount("APpostMessage"));
    PumpMessages();
}
