/* The file pane in a real viewer: keys, mouse, type-ahead and its status
 * text, open and object-menu requests, scroll codes, pixels, bad input. */
#include "viewer_fixture.h"

#include <string>
#include <vector>

namespace {

using namespace vfix;

std::vector<std::string> PaneNames(int n)
{
    std::vector<std::string> v;
    static const char *const kExts[] = {"DB", "QRY", "FRM", "TXT", "BMP", "XYZ"};
    char sz[40];
    for (int i = 0; i < n; i++) {
        snprintf(sz, sizeof(sz), "N%03d.%s", i, kExts[i % 6]);
        v.push_back(sz);
    }
    return v;
}

class FilePaneTest : public ViewerTest {
  protected:
    std::vector<std::string> Files() override { return PaneNames(60); }

    void SetUp() override
    {
        ViewerTest::SetUp();
        if (HasFatalFailure())
            return;
        Open();
        ASSERT_NE(nullptr, FilePane());
        ASSERT_NE(nullptr, Info()->pFirst);
        ASSERT_GT(Info()->nRowsVisible, 3) << "the pane shows too few rows for these tests";
    }

    FILEVIEWINFO *Rec() const { return Info(); }
    int Rows() const { return Rec()->nRowsVisible; }
    int Cy() const { return (int)Rec()->cyFileRow; }
    static int Index(const FILENODE *p) { return p ? p->nPos - 1 : -1; }
    int Sel() const { return Index(Rec()->pSel); }
    int Top() const { return Index(Rec()->pTop); }
    FILENODE *Nth(int i) const
    {
        FILENODE *p = Rec()->pFirst;
        while (i-- > 0)
            p = p->pNext;
        return p;
    }

    /* A left press on a row: what gives the pane the focus in practice. */
    void Click(int row, UINT msg = WM_LBUTTONDOWN)
    {
        SendMessageA(FilePane(), msg, 0, MAKELPARAM(5, row * Cy() + 2));
    }
    LRESULT Key(UINT vk, bool fShift = false, bool fCtrl = false) { return SendKey(FilePane(), vk, fShift, fCtrl); }
    void Char(char ch) { SendMessageA(FilePane(), WM_CHAR, (BYTE)ch, 0); }
    std::string Status() const { return Host().StatusText(); }
    void Select(int i)
    {
        Rec()->pSel = Nth(i);
        InvalidateRect(FilePane(), nullptr, TRUE);
    }
    TestHost &Host() const { return const_cast<FilePaneTest *>(this)->ViewerTest::Host(); }
};

/* ---- keys ------------------------------------------------------------------ */

TEST_F(FilePaneTest, ArrowAndPageKeysMoveTheSelectionAndTheView)
{
    Click(0);
    ASSERT_EQ(0, Sel());
    ASSERT_EQ(FilePane(), Rec()->hwndFocus);
    ASSERT_EQ(FilePane(), GetFocus());
    const int R = Rows();

    Key(VK_UP);
    EXPECT_EQ(0, Sel()) << "Up on the first entry";
    Key(VK_DOWN);
    EXPECT_EQ(1, Sel());
    EXPECT_EQ(0, Top());
    for (int i = 1; i < R - 1; i++)
        Key(VK_DOWN);
    EXPECT_EQ(R - 1, Sel());
    EXPECT_EQ(0, Top()) << "the last whole row is still in view";
    Key(VK_DOWN);
    EXPECT_EQ(R, Sel());
    EXPECT_EQ(1, Top()) << "one row further scrolls by one row";
    EXPECT_EQ(1, GetScrollPos(FilePane(), SB_VERT));

    Key(VK_NEXT); /* selection on screen row R-1 moves R-1 entries; the view follows */
    EXPECT_EQ(2 * R - 1, Sel());
    EXPECT_EQ(R, Top());
    Key(VK_PRIOR);
    EXPECT_EQ(R, Sel());
    EXPECT_EQ(R, Top()) << "still in view: the view stays";
    Key(VK_PRIOR);
    EXPECT_EQ(1, Sel());
    EXPECT_EQ(1, Top()) << "Page Up puts the selection in the top row";

    Key(VK_END, false, true);
    EXPECT_EQ(59, Sel());
    EXPECT_EQ(59, Top()) << "Ctrl+End leaves the last entry alone on top";
    Key(VK_DOWN);
    EXPECT_EQ(59, Sel());
    Key(VK_HOME, false, true);
    EXPECT_EQ(0, Sel());
    EXPECT_EQ(0, Top());
    EXPECT_EQ(0, GetScrollPos(FilePane(), SB_VERT));
}

TEST_F(FilePaneTest, KeysThatMoveTheSelectionClearTheTypeAheadText)
{
    Click(0);
    struct {
        UINT vk;
        bool fShift, fCtrl, fClears;
    } cases[] = {
        {VK_DOWN, false, false, true},  {VK_UP, false, false, true},   {VK_NEXT, false, false, true},
        {VK_PRIOR, false, false, true}, {VK_HOME, false, true, true},  {VK_END, false, true, true},
        {VK_RETURN, false, false, false}, {VK_LEFT, false, false, false}, {VK_HOME, false, false, false},
    };
    for (const auto &c : cases) {
        SetFocus(FilePane());
        Char('n');
        ASSERT_STRNE("", Rec()->szTypeAhead);
        Host().ClearMessages();
        EXPECT_EQ(0, Key(c.vk, c.fShift, c.fCtrl)) << c.vk;
        EXPECT_EQ(c.fClears, Rec()->szTypeAhead[0] == 0) << c.vk;
        EXPECT_EQ(c.fClears ? 1u : 0u, Host().Count(TBM_STATUSTEXT)) << c.vk;
        Rec()->szTypeAhead[0] = 0;
    }
    /* Tab leaves the pane in both directions and clears as well */
    Char('n');
    Key(VK_TAB);
    EXPECT_EQ(Combo(), Rec()->hwndFocus);
    EXPECT_EQ(0, Rec()->szTypeAhead[0]);
    SetFocus(FilePane());
    Key(VK_TAB, true);
    EXPECT_EQ(TypeList(), Rec()->hwndFocus);
    EXPECT_EQ(TypeList(), GetFocus());
}

TEST_F(FilePaneTest, KeysWhileTheViewerIsMinimisedGetDefaultProcessing)
{
    Click(0);
    ShowWindow(Viewer(), SW_MINIMIZE);
    PumpMessages();
    SendMessageA(FilePane(), WM_KEYDOWN, VK_DOWN, 0);
    Char('n');
    EXPECT_EQ(0, Sel());
    EXPECT_EQ(0, Rec()->szTypeAhead[0]);
    ShowWindow(Viewer(), SW_RESTORE);
    PumpMessages();
    SendMessageA(FilePane(), WM_KEYDOWN, VK_DOWN, 0);
    EXPECT_EQ(1, Sel());
}

/* ---- type-ahead --------------------------------------------------------------- */

class TypeAheadTest : public FilePaneTest {
  protected:
    std::vector<std::string> Files() override
    {
        std::vector<std::string> v = {"abacus.txt", "Abbey.db", "acorn.qry", "baker.frm", "ab-extra.txt",
                                      "\xe9t\xe9.txt", "\xc6on.db"};
        for (const std::string &s : PaneNames(30))
            v.push_back(s);
        return v;
    }
    std::string Expected(const char *pszText) const
    {
        char sz[300];
        snprintf(sz, sizeof(sz), HostString(IDS_TYPEAHEADFMT).c_str(), pszText);
        return sz;
    }
};

TEST_F(TypeAheadTest, TypingSelectsTheFirstNameWithThatBeginningAndShowsTheText)
{
    ASSERT_EQ(std::string("ab-extra.txt"), Nth(2)->pszName) << "order: abacus, Abbey, ab-extra, acorn, baker";
    Click(0);
    Key(VK_END, false, true);
    Char('a');
    EXPECT_EQ(0, Sel()) << "a single character searches from the first entry";
    EXPECT_STREQ("A", Rec()->szTypeAhead);
    EXPECT_EQ(Expected("A"), Status());
    Char('b');
    EXPECT_EQ(0, Sel());
    Char('b');
    EXPECT_EQ(1, Sel());
    EXPECT_EQ(Expected("ABB"), Status());
    Host().ClearMessages();
    Char('x');
    EXPECT_EQ(1, Sel()) << "no name begins with ABBX";
    EXPECT_STREQ("ABB", Rec()->szTypeAhead) << "the character is taken back";
    EXPECT_EQ(0u, Host().Count(TBM_STATUSTEXT));

    Char('\b');
    EXPECT_STREQ("AB", Rec()->szTypeAhead);
    EXPECT_EQ(0, Sel()) << "Backspace searches again from the first entry";
    EXPECT_EQ(Expected("AB"), Status());

    Char('\x1b');
    EXPECT_EQ(0, Rec()->szTypeAhead[0]);
    EXPECT_EQ(0, Sel());
    EXPECT_EQ(0, Top());
    EXPECT_EQ("", Status());
    Host().ClearMessages();
    Char('\b');
    EXPECT_EQ(0u, Host().Count(TBM_STATUSTEXT)) << "Backspace on an empty text does nothing";

    Char('b');
    Char('\b');
    EXPECT_EQ(0, Rec()->szTypeAhead[0]) << "Backspace removed the last character";
    EXPECT_EQ(0, Sel());
    EXPECT_EQ("", Status());
}

/* Letters outside ASCII are upper-cased as CharUpperA does it. */
TEST_F(TypeAheadTest, AccentedLettersMatchTheirCapitals)
{
    Click(0);
    Char('\xe9');
    ASSERT_NE(nullptr, Rec()->pSel);
    EXPECT_STREQ("\xe9t\xe9.txt", Rec()->pSel->pszName);
    EXPECT_STREQ("\xc9", Rec()->szTypeAhead);
    Char('\x1b');
    Char('\xe6');
    EXPECT_STREQ("\xc6on.db", Rec()->pSel->pszName);
}

TEST_F(TypeAheadTest, TypingScrollsAnOutOfViewMatchToTheTop)
{
    Click(0);
    Char('n');
    Char('0');
    Char('2');
    Char('5');
    ASSERT_NE(nullptr, Rec()->pSel);
    EXPECT_EQ(0, strncmp("N025.", Rec()->pSel->pszName, 5)) << Rec()->pSel->pszName;
    EXPECT_GT(Top(), 0) << "the view moved to the match";
    EXPECT_LE(Top(), Sel());
    EXPECT_LT(Sel() - Top(), Rows()) << "and shows it";
    EXPECT_EQ(Top(), GetScrollPos(FilePane(), SB_VERT));
}

/* ---- open and object menu ---------------------------------------------------- */

TEST_F(FilePaneTest, OpenAndObjectMenuRequestsCarryTheSelectedName)
{
    std::vector<LONG> inMenu;
    Host().SetHook([&](const HostMsg &m, LRESULT *) {
        if (m.msg == TBM_OBJECTMENU || m.msg == TBM_OPENFILE)
            inMenu.push_back(Info()->fInObjectMenu);
        return false;
    });
    Click(2);
    const std::string name = Nth(2)->pszName;
    Host().ClearMessages();
    Key(VK_RETURN);
    SendMessageA(FilePane(), WM_LBUTTONDBLCLK, 0, MAKELPARAM(5, 2 * Cy() + 2));
    Key(VK_APPS);
    Key(VK_F6);
    {
        KeyStateScope shift({VK_SHIFT});
        EXPECT_EQ(0, SendMessageA(FilePane(), WM_SYSKEYDOWN, VK_F10, 0));
        EXPECT_EQ(0, SendMessageA(FilePane(), WM_SYSKEYUP, VK_F10, 0));
    }
    Click(3, WM_RBUTTONDOWN);
    const std::string name3 = Nth(3)->pszName;
    EXPECT_TRUE(Host().MatchSequence({{TBM_OPENFILE, HM_TEXT, 0, 0, name.c_str()},
                                      {TBM_OPENFILE, HM_TEXT, 0, 0, name.c_str()},
                                      {TBM_OBJECTMENU, HM_TEXT, 0, 0, name.c_str()},
                                      {TBM_OBJECTMENU, HM_TEXT, 0, 0, name.c_str()},
                                      {TBM_OBJECTMENU, HM_TEXT, 0, 0, name.c_str()},
                                      {TBM_OBJECTMENU, HM_TEXT, 0, 0, name3.c_str()}},
                                     true));
    EXPECT_EQ(std::vector<LONG>({0, 0, 1, 1, 1, 1}), inMenu) << "set only while 30007 is sent";
    EXPECT_FALSE(Info()->fInObjectMenu);
}

TEST_F(FilePaneTest, ObjectMenuForAnOutOfViewSelectionScrollsItToTheTopFirst)
{
    Click(0);
    Select(40);
    Host().ClearMessages();
    Key(VK_APPS);
    EXPECT_EQ(40, Top());
    EXPECT_EQ(40, GetScrollPos(FilePane(), SB_VERT));
    RECT rc;
    GetWindowRect(FilePane(), &rc);
    POINT pt;
    GetCursorPos(&pt);
    EXPECT_EQ(rc.left, pt.x);
    EXPECT_EQ(rc.top + Cy(), pt.y) << "bottom-left of the (now top) selected row";
    EXPECT_EQ(1u, Host().Count(TBM_OBJECTMENU));
}

/* ---- mouse -------------------------------------------------------------------- */

TEST_F(FilePaneTest, PressesSelectRowsAndThePartlyVisibleBottomRowScrollsIn)
{
    Char('n');
    Click(2);
    EXPECT_EQ(2, Sel());
    EXPECT_EQ(0, Rec()->szTypeAhead[0]) << "a press that changes the selection clears the text";
    Host().ClearMessages();
    Click(2);
    EXPECT_EQ(0u, Host().Count(TBM_STATUSTEXT)) << "the same row again changes nothing";

    RECT rc;
    GetClientRect(FilePane(), &rc);
    const int R = Rows();
    if (rc.bottom - R * Cy() > 2) {
        Click(R); /* the partly visible row */
        EXPECT_EQ(R, Sel());
        EXPECT_EQ(1, Top());
        EXPECT_EQ(1, GetScrollPos(FilePane(), SB_VERT));
    }
}

class ShortListTest : public FilePaneTest {
  protected:
    std::vector<std::string> Files() override { return {"one.txt", "two.db", "three.qry"}; }
    void SetUp() override
    {
        ViewerTest::SetUp();
        if (!HasFatalFailure())
            Open();
    }
};

TEST_F(ShortListTest, APressBelowTheLastRowChangesNothing)
{
    Click(1);
    ASSERT_STREQ("three.qry", Rec()->pSel->pszName);
    Char('o');
    Host().ClearMessages();
    Click(5);
    EXPECT_STREQ("one.txt", Rec()->pSel->pszName) << "type-ahead O selected it";
    EXPECT_STREQ("O", Rec()->szTypeAhead);
    EXPECT_EQ(0u, Host().Count(TBM_STATUSTEXT));
    Click(5, WM_RBUTTONDOWN);
    EXPECT_TRUE(Host().MatchSequence({{TBM_OBJECTMENU, HM_TEXT, 0, 0, "one.txt"}}, true))
        << "the right button asks for the row that stays selected";
}

class EmptyListTest : public ShortListTest {
  protected:
    std::vector<std::string> Files() override { return {"only-a-directory-entry"}; }
    void SetUp() override
    {
        ShortListTest::SetUp();
        TBCtlSetFileList(MultiString({}).c_str());
        if (!HasFatalFailure())
            Key(VK_F5);
    }
};

TEST_F(EmptyListTest, AnEmptyListIgnoresTypingAndSendsNothing)
{
    ASSERT_EQ(nullptr, Rec()->pFirst);
    Click(0);
    Host().ClearMessages();
    Char('a');
    Key(VK_RETURN);
    Key(VK_APPS);
    Key(VK_END, false, true);
    SendMessageA(FilePane(), WM_LBUTTONDBLCLK, 0, 0);
    Click(0, WM_RBUTTONDOWN);
    EXPECT_EQ(0u, Host().Count(TBM_OPENFILE));
    EXPECT_EQ(0u, Host().Count(TBM_OBJECTMENU));
    EXPECT_EQ(nullptr, Rec()->pSel);
    EXPECT_EQ(0, Rec()->szTypeAhead[0]);
}

/* ---- scrolling ------------------------------------------------------------------- */

TEST_F(FilePaneTest, VerticalScrollCodes)
{
    Click(0);
    HWND pane = FilePane();
    const int R = Rows();
    struct {
        WORD code, thumb;
        int top, pos; /* expected first visible entry and scroll position */
    } steps[] = {
        {SB_LINEUP, 0, 0, 0},          {SB_LINEDOWN, 0, 1, 1},          {SB_PAGEDOWN, 0, R, R},
        {SB_PAGEUP, 0, 1, 1},          {SB_PAGEUP, 0, 0, 0},            {SB_THUMBPOSITION, 30, 0, 30},
        {SB_THUMBTRACK, 30, 30, 30},   {SB_THUMBTRACK, 12, 12, 12},     {SB_BOTTOM, 0, 59, 59},
        {SB_LINEDOWN, 0, 59, 59},      {SB_TOP, 0, 0, 0},
    };
    for (const auto &s : steps) {
        SendMessageA(pane, WM_VSCROLL, MAKEWPARAM(s.code, s.thumb), 0);
        EXPECT_EQ(s.top, Top()) << "code " << s.code << " thumb " << s.thumb;
        EXPECT_EQ(s.pos, GetScrollPos(pane, SB_VERT)) << "code " << s.code;
    }
    EXPECT_EQ(0, Sel()) << "SB_TOP selects the first entry";
}

/* Without the position array (its allocation is the refresh's last one)
 * thumb tracking walks the list to the same entry. */
TEST_F(FilePaneTest, ThumbTrackingWithoutThePositionArrayFindsTheSameEntry)
{
    ASSERT_NE(nullptr, Rec()->ppIndex);
    TBCtlResetAllocationCount();
    Key(VK_F5);
    LONG nAllocs = TBCtlAllocationCount();
    ASSERT_NE(nullptr, Rec()->ppIndex);
    TBCtlFailAllocation(nAllocs);
    Key(VK_F5);
    ASSERT_EQ(nullptr, Rec()->ppIndex);
    EXPECT_EQ(60, Rec()->nFiles) << "only the array was missing";
    for (int thumb : {17, 3, 44}) {
        SendMessageA(FilePane(), WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, thumb), 0);
        EXPECT_EQ(thumb, Top());
        EXPECT_EQ(thumb, GetScrollPos(FilePane(), SB_VERT));
    }
}

class WideNameTest : public FilePaneTest {
  protected:
    std::vector<std::string> Files() override
    {
        std::vector<std::string> v = PaneNames(20);
        v.push_back(std::string(150, 'W') + ".txt");
        return v;
    }
};

TEST_F(WideNameTest, HorizontalScrollCodesAndArrowKeys)
{
    Click(0);
    HWND pane = FilePane();
    ASSERT_TRUE(Rec()->fHScroll);
    int nMin, nMax;
    GetScrollRange(pane, SB_HORZ, &nMin, &nMax);
    ASSERT_GT(nMax, 30);
    struct {
        WORD code, thumb;
        int pos;
    } steps[] = {
        {SB_LINELEFT, 0, 0},     {SB_LINERIGHT, 0, 1},       {SB_PAGERIGHT, 0, 11},  {SB_PAGELEFT, 0, 1},
        {SB_PAGELEFT, 0, 0},     {SB_THUMBPOSITION, 20, 20}, {SB_THUMBTRACK, 25, 25}, {SB_RIGHT, 0, nMax},
        {SB_LINERIGHT, 0, nMax}, {SB_LEFT, 0, 0},
    };
    for (const auto &s : steps) {
        SendMessageA(pane, WM_HSCROLL, MAKEWPARAM(s.code, s.thumb), 0);
        EXPECT_EQ(s.pos, GetScrollPos(pane, SB_HORZ)) << "code " << s.code;
    }
    SetScrollPos(pane, SB_HORZ, nMax - 4, TRUE);
    Key(VK_RIGHT);
    EXPECT_EQ(nMax, GetScrollPos(pane, SB_HORZ)) << "only the remaining distance";
    Key(VK_LEFT);
    EXPECT_EQ(nMax - 10, GetScrollPos(pane, SB_HORZ));
    Key(VK_HOME);
    EXPECT_EQ(0, GetScrollPos(pane, SB_HORZ));
    Key(VK_END);
    EXPECT_EQ(nMax, GetScrollPos(pane, SB_HORZ));
    EXPECT_EQ(0, Sel()) << "horizontal moves leave the selection";
}

/* ---- refresh through the window ---------------------------------------------------- */

TEST_F(FilePaneTest, F5KeepsSelectionAndTopAndACaseChangeLosesTheSelection)
{
    Click(0);
    SendMessageA(FilePane(), WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, 20), 0);
    Select(22);
    Key(VK_F5);
    EXPECT_EQ(22, Sel());
    EXPECT_EQ(20, Top());
    EXPECT_EQ(20, GetScrollPos(FilePane(), SB_VERT));

    std::vector<std::string> names = PaneNames(60);
    CharLowerA(&names[22][0]); /* the same name in another letter case */
    TBCtlSetFileList(MultiString(names).c_str());
    Key(VK_F5);
    EXPECT_EQ(nullptr, Rec()->pSel);
    EXPECT_EQ(20, Top());
}

/* ---- pixels ------------------------------------------------------------------------- */

TEST_F(FilePaneTest, SelectionBandAndTransparentPicturePixels)
{
    Click(1);
    HWND pane = FilePane();
    RECT rc;
    GetClientRect(pane, &rc);
    const int cy = Cy();
    const COLORREF clrHighlight = GetSysColor(COLOR_HIGHLIGHT);
    const COLORREF clrWindow = GetSysColor(COLOR_WINDOW);
    EXPECT_EQ(clrHighlight, ProbePixel(pane, rc.right - 3, cy + cy / 2, true)) << "selected band, full width";
    EXPECT_EQ(clrWindow, ProbePixel(pane, rc.right - 3, 2 * cy + cy / 2)) << "unselected row";

    /* Transparent and opaque pixels of a row's picture, found in its mask,
     * are probed at the same spot on screen. */
    for (int row : {1, 2}) {
        const int k = Nth(row)->nKind;
        const int cx = (int)Rec()->cxIcon;
        HDC hdcScreen = GetDC(nullptr);
        HDC hdcMem = CreateCompatibleDC(hdcScreen);
        HGDIOBJ hOld = SelectObject(hdcMem, Rec()->hbmFiles);
        int dxClear = -1, dyClear = -1, dxSolid = -1, dySolid = -1;
        COLORREF clrSolid = 0;
        for (int dy = 0; dy < cx; dy++) {
            for (int dx = 0; dx < cx; dx++) {
                COLORREF m = GetPixel(hdcMem, cx + 2 + dx, (cx + 1) * k + 1 + dy);
                if (m == RGB(255, 255, 255) && dxClear < 0) {
                    dxClear = dx;
                    dyClear = dy;
                } else if (m == RGB(0, 0, 0) && dxSolid < 0) {
                    dxSolid = dx;
                    dySolid = dy;
                    clrSolid = GetPixel(hdcMem, 1 + dx, (cx + 1) * k + 1 + dy);
                }
            }
        }
        SelectObject(hdcMem, hOld);
        DeleteDC(hdcMem);
        ReleaseDC(nullptr, hdcScreen);
        ASSERT_GE(dxClear, 0) << "picture of kind " << k << " has no transparent pixel";
        ASSERT_GE(dxSolid, 0) << "picture of kind " << k << " has no opaque pixel";

        const int x0 = 2, y0 = 1 + row * cy + (int)Rec()->yFileIcon;
        EXPECT_EQ(row == 1 ? clrHighlight : clrWindow, ProbePixel(pane, x0 + dxClear, y0 + dyClear))
            << "the row's background through the mask, row " << row;
        EXPECT_EQ(clrSolid, ProbePixel(pane, x0 + dxSolid, y0 + dySolid)) << "the picture itself, row " << row;
    }
}

/* ---- GDI pairing ------------------------------------------------------------------------ */

TEST_F(FilePaneTest, PaintsAndScrollsGiveBackEveryObjectAndDC)
{
    ASSERT_NE(nullptr, Gdi());
    Gdi()->Reset();
    Click(0);
    for (int i = 0; i < 5; i++) {
        Key(VK_DOWN);
        SendMessageA(FilePane(), WM_VSCROLL, SB_PAGEDOWN, 0);
        SendMessageA(FilePane(), WM_HSCROLL, SB_LINERIGHT, 0);
        InvalidateRect(FilePane(), nullptr, TRUE);
        UpdateWindow(FilePane());
    }
    Key(VK_F5);
    UpdateWindow(FilePane());
    EXPECT_GT(Gdi()->Calls(IF_BeginPaint), 0);
    EXPECT_GT(Gdi()->Calls(IF_CreateSolidBrush), 0);
    EXPECT_GT(Gdi()->Calls(IF_CreateCompatibleDC), 0);
    EXPECT_GT(Gdi()->Calls(IF_GetDC), 0);
    EXPECT_TRUE(Gdi()->Balanced());
}

/* ---- bad input ----------------------------------------------------------------------- */

class LongNameTest : public FilePaneTest {
  protected:
    std::vector<std::string> Files() override
    {
        std::vector<std::string> v = PaneNames(10);
        v.push_back(std::string(300, 'q') + ".txt");
        v.push_back(std::string(259, 'q'));
        return v;
    }
};

/* The type-ahead text fills its 259 characters and stops there; the status
 * text is the format's expansion cut to 259 characters; nothing around the
 * buffers changes. */
TEST_F(LongNameTest, TypeAheadAndStatusStayInsideTheirBuffers)
{
    Click(0);
    const LONG nHelpTopic = Rec()->nHelpTopic;
    const BOOL fDirChanged = Rec()->fDirChangedHere;
    std::string text;
    for (int i = 0; i < 258; i++) {
        Char('q');
        text += 'Q';
    }
    ASSERT_EQ(text, std::string(Rec()->szTypeAhead));
    ASSERT_NE(nullptr, Rec()->pSel);
    EXPECT_EQ(0, strncmp(Rec()->pSel->pszName, "qqq", 3));
    std::string fmt = HostString(IDS_TYPEAHEADFMT);
    std::vector<char> full(fmt.size() + text.size() + 1);
    snprintf(full.data(), full.size(), fmt.c_str(), text.c_str());
    EXPECT_EQ(std::string(full.data()).substr(0, 259), Status()) << "cut to the 260-byte buffer";

    Host().ClearMessages();
    Char('q'); /* the 259th character: kept, no search */
    Char('q'); /* no room for a 260th */
    Char('q');
    EXPECT_EQ(259u, strlen(Rec()->szTypeAhead));
    EXPECT_EQ(0u, Host().Count(TBM_STATUSTEXT));
    EXPECT_EQ(nHelpTopic, Rec()->nHelpTopic);
    EXPECT_EQ(fDirChanged, Rec()->fDirChangedHere);

    Char('\b'); /* 258 again: a search from the first entry */
    EXPECT_EQ(258u, strlen(Rec()->szTypeAhead));
    EXPECT_EQ(1u, Host().Count(TBM_STATUSTEXT));
    EXPECT_EQ(0, strncmp(Rec()->pSel->pszName, "qqq", 3));
}

} // namespace
