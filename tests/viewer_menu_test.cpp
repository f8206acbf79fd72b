/* The type list, the viewer's menu in the host frame, its commands and its
 * help requests, driven through the real windows of an open viewer. */
#include "viewer_fixture.h"

#include <string>
#include <vector>

using namespace vfix;

namespace {

const LONG kRowKinds[FV_NTYPES] = {0, 3, 4, 6};
const LONG kRowTopics[FV_NTYPES] = {435, 439, 440, 437};

class ViewerMenuTest : public ViewerTest {
  protected:
    void SetUp() override
    {
        ViewerTest::SetUp();
        if (HasFatalFailure())
            return;
        Open();
        if (HasFatalFailure())
            return;
        ASSERT_GE(Info()->cyTypeRow, 24u);
        Reset();
    }

    /* Forget what the host saw so far. */
    void Reset()
    {
        PumpMessages();
        Host().ClearMessages();
        TBCtlClearCalls();
    }

    /* The kind filter of each file-list rebuild since the last Reset. */
    static std::vector<LONG> Rebuilds()
    {
        std::vector<LONG> kinds;
        TBCALL call;
        for (LONG i = 0; TBCtlGetCall("TBMenumFiles", i, &call); i++)
            kinds.push_back(static_cast<LONG>(call.aArgs[4]));
        return kinds;
    }

    LPARAM RowPoint(UINT row) const
    {
        UINT cy = Info()->cyTypeRow;
        return MAKELPARAM(12, row * cy + cy / 2);
    }

    void Click(UINT row, bool fRight = false, bool fShift = false)
    {
        KeyStateScope keys(fShift ? std::initializer_list<UINT>{VK_SHIFT} : std::initializer_list<UINT>{});
        WPARAM fKeys = (fRight ? MK_RBUTTON : MK_LBUTTON) | (fShift ? MK_SHIFT : 0);
        SendMessageA(TypeList(), fRight ? WM_RBUTTONDOWN : WM_LBUTTONDOWN, fKeys, RowPoint(row));
        SendMessageA(TypeList(), fRight ? WM_RBUTTONUP : WM_LBUTTONUP, fKeys & ~(MK_LBUTTON | MK_RBUTTON),
                     RowPoint(row));
        PumpMessages();
    }

    /* Selects a row the way the user does, then forgets the traffic. */
    void SelectRow(UINT row)
    {
        Click(row);
        ASSERT_EQ(row, Info()->iCurType);
        Reset();
    }

    /* Selects the first file of the pane with the mouse. */
    void SelectFirstFile()
    {
        UINT cy = Info()->cyFileRow;
        SendMessageA(FilePane(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(20, cy / 2));
        SendMessageA(FilePane(), WM_LBUTTONUP, 0, MAKELPARAM(20, cy / 2));
        PumpMessages();
        ASSERT_NE(nullptr, Info()->pSel) << "a click on the first row selects a file";
    }

    void Activate(HWND hwndChild)
    {
        SendMessageA(Desktop(), WM_MDIACTIVATE, reinterpret_cast<WPARAM>(hwndChild), 0);
        PumpMessages();
    }

    void SysCommand(WPARAM cmd)
    {
        SendMessageA(Viewer(), WM_SYSCOMMAND, cmd, 0);
        PumpMessages();
    }

    std::vector<HostMsg> MenuMessages() { return Host().Messages(TBM_SETMENU); }
};

/* ---- type list: selection ---- */

struct KeyMove {
    UINT startRow;
    UINT vk;
    UINT endRow;
    bool fRebuilt;
};

TEST_F(ViewerMenuTest, ArrowKeysMoveTheRowAndRebuildTheListButNotPastTheEnds)
{
    const KeyMove moves[] = {
        {0, VK_UP, 0, false}, {0, VK_DOWN, 1, true}, {1, VK_UP, 0, true},
        {2, VK_DOWN, 3, true}, {3, VK_DOWN, 3, false}, {3, VK_UP, 2, true},
    };
    for (const KeyMove &m : moves) {
        SCOPED_TRACE("row " + std::to_string(m.startRow) + (m.vk == VK_UP ? " Up" : " Down"));
        SelectRow(m.startRow);
        Info()->nHelpTopic = -1; /* shows whether the move set it */
        SendKey(TypeList(), m.vk);
        EXPECT_EQ(m.endRow, Info()->iCurType);
        if (m.fRebuilt) {
            EXPECT_EQ(std::vector<LONG>{kRowKinds[m.endRow]}, Rebuilds());
            EXPECT_EQ(kRowTopics[m.endRow], Info()->nHelpTopic);
        } else {
            EXPECT_TRUE(Rebuilds().empty());
            EXPECT_EQ(-1, Info()->nHelpTopic);
        }
        EXPECT_FALSE(GetUpdateRect(TypeList(), nullptr, FALSE)) << "a move repaints at once";
    }
}

TEST_F(ViewerMenuTest, ClickSelectsTheRowUnderTheMouseAndRebuildsEvenWhenAlreadySelected)
{
    for (UINT row : {2u, 2u, 0u, 3u, 1u, 1u}) {
        SCOPED_TRACE("row " + std::to_string(row));
        SetFocus(FilePane());
        Info()->hwndFocus = FilePane();
        Reset();
        Click(row);
        EXPECT_EQ(row, Info()->iCurType);
        EXPECT_EQ(kRowTopics[row], Info()->nHelpTopic);
        EXPECT_EQ(std::vector<LONG>{kRowKinds[row]}, Rebuilds());
        EXPECT_EQ(TypeList(), Info()->hwndFocus);
        EXPECT_EQ(TypeList(), GetFocus());
        EXPECT_EQ(0u, Host().Count(TBM_KINDACTION)) << "a plain left click asks for no action";
    }
}

TEST_F(ViewerMenuTest, ClickBelowTheLastRowOnlyMovesTheFocus)
{
    SelectRow(3);
    SetFocus(FilePane());
    Info()->hwndFocus = FilePane();
    LPARAM below = MAKELPARAM(12, FV_NTYPES * Info()->cyTypeRow + 2);

    SendMessageA(TypeList(), WM_LBUTTONDOWN, MK_LBUTTON, below);
    EXPECT_EQ(3u, Info()->iCurType);
    EXPECT_TRUE(Rebuilds().empty());
    EXPECT_EQ(TypeList(), Info()->hwndFocus);
    EXPECT_EQ(TypeList(), GetFocus());

    /* the right button still asks for the selected row's action */
    SendMessageA(TypeList(), WM_RBUTTONDOWN, MK_RBUTTON, below);
    EXPECT_TRUE(Host().MatchSequence({{TBM_KINDACTION, HM_WPARAM | HM_LPARAM, 6, 4, nullptr}}, true));
}

/* ---- type list: actions ---- */

enum ActionInput { AI_SHIFTCLICK, AI_CLICK, AI_RIGHTCLICK, AI_APPS, AI_F6 };

struct ActionCase {
    UINT row;
    ActionInput input;
    bool fSent;
    WPARAM kind;
    LPARAM mode;
};

TEST_F(ViewerMenuTest, ActionsSendTheRowsKindCodeAndModeButNothingForAllFiles)
{
    const ActionCase cases[] = {
        {0, AI_SHIFTCLICK, false, 0, 0}, {0, AI_RIGHTCLICK, false, 0, 0}, {0, AI_APPS, false, 0, 0},
        {0, AI_F6, false, 0, 0},         {1, AI_SHIFTCLICK, true, 1, 0},  {1, AI_CLICK, false, 0, 0},
        {1, AI_RIGHTCLICK, true, 1, 4},  {1, AI_APPS, true, 1, 4},        {1, AI_F6, true, 1, 4},
        {2, AI_SHIFTCLICK, true, 4, 0},  {2, AI_CLICK, false, 0, 0},      {2, AI_RIGHTCLICK, true, 4, 4},
        {2, AI_F6, true, 4, 4},          {3, AI_SHIFTCLICK, true, 6, 0},  {3, AI_RIGHTCLICK, true, 6, 4},
        {3, AI_APPS, true, 6, 4},
    };
    /* The row is selected and the list rebuilt before the host is asked. */
    UINT rowAtAction = 99;
    size_t nRebuildsAtAction = 0;
    Host().SetHook([&](const HostMsg &m, LRESULT *) {
        if (m.msg == TBM_KINDACTION) {
            rowAtAction = Info()->iCurType;
            nRebuildsAtAction = Rebuilds().size();
        }
        return false;
    });
    for (const ActionCase &c : cases) {
        SCOPED_TRACE("row " + std::to_string(c.row) + " input " + std::to_string(c.input));
        bool fClick = c.input == AI_SHIFTCLICK || c.input == AI_CLICK || c.input == AI_RIGHTCLICK;
        SelectRow(fClick ? (c.row + 1) % FV_NTYPES : c.row);
        switch (c.input) {
        case AI_SHIFTCLICK: Click(c.row, false, true); break;
        case AI_CLICK: Click(c.row); break;
        case AI_RIGHTCLICK: Click(c.row, true); break;
        case AI_APPS: SendKey(TypeList(), VK_APPS); break;
        case AI_F6: SendKey(TypeList(), VK_F6); break;
        }
        EXPECT_EQ(c.row, Info()->iCurType);
        std::vector<HostMsg> actions = Host().Messages(TBM_KINDACTION);
        if (!c.fSent) {
            EXPECT_TRUE(actions.empty());
            continue;
        }
        ASSERT_EQ(1u, actions.size());
        EXPECT_EQ(Desktop(), actions[0].hwnd);
        EXPECT_EQ(c.kind, actions[0].wParam);
        EXPECT_EQ(c.mode, actions[0].lParam);
        EXPECT_EQ(c.row, rowAtAction);
        EXPECT_EQ(fClick ? 1u : 0u, nRebuildsAtAction);
    }
}

TEST_F(ViewerMenuTest, TabAndF5InTheListAndKeysWhileMinimised)
{
    SelectRow(1);
    SendKey(TypeList(), VK_TAB);
    EXPECT_EQ(FilePane(), Info()->hwndFocus);
    EXPECT_EQ(FilePane(), GetFocus());
    SetFocus(TypeList());
    SendKey(TypeList(), VK_TAB, true);
    EXPECT_EQ(Browse(), Info()->hwndFocus);
    EXPECT_EQ(Browse(), GetFocus());
    Reset();
    SendKey(TypeList(), VK_F5);
    EXPECT_EQ(std::vector<LONG>{3}, Rebuilds());

    SysCommand(SC_MINIMIZE);
    ASSERT_TRUE(IsIconic(Viewer()));
    Reset();
    for (UINT vk : {VK_DOWN, VK_UP, VK_F5, VK_F6, VK_APPS})
        SendKey(TypeList(), vk);
    EXPECT_EQ(1u, Info()->iCurType);
    EXPECT_TRUE(Rebuilds().empty());
    EXPECT_EQ(0u, Host().Count(TBM_KINDACTION));
}

/* ---- type list: focus rectangle ---- */

/* Pixels of the selected row's left column (left of the picture) that are
 * not the highlight colour, after a full repaint: the focus frame's dots. */
int FocusDots(HWND hwndList, const FILEVIEWINFO *pfvi)
{
    RedrawWindow(hwndList, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    HDC hdc = GetDC(hwndList);
    if (!hdc)
        return -1;
    COLORREF crHighlight = GetNearestColor(hdc, GetSysColor(COLOR_HIGHLIGHT));
    int top = static_cast<int>(pfvi->iCurType * pfvi->cyTypeRow);
    int nDots = 0;
    for (int y = top + 1; y < top + static_cast<int>(pfvi->cyTypeRow) - 1; y++) {
        COLORREF cr = GetPixel(hdc, 0, y);
        if (cr == CLR_INVALID) {
            nDots = -1;
            break;
        }
        nDots += cr != crHighlight;
    }
    ReleaseDC(hwndList, hdc);
    return nDots;
}

TEST_F(ViewerMenuTest, FocusRectangleOnlyWhileTheListHasTheFocusAndTheViewerIsActive)
{
    HWND hwndOther = OpenOtherChild();
    ASSERT_NE(nullptr, hwndOther);
    Activate(Viewer());
    Click(1);
    ASSERT_TRUE(Info()->fActive);
    ASSERT_EQ(TypeList(), Info()->hwndFocus);
    EXPECT_GT(FocusDots(TypeList(), Info()), 0) << "focus frame while focused and active";

    SendKey(TypeList(), VK_TAB);
    ASSERT_EQ(FilePane(), Info()->hwndFocus);
    EXPECT_EQ(0, FocusDots(TypeList(), Info())) << "no frame once the file pane has the focus";

    Click(1);
    Activate(hwndOther);
    ASSERT_FALSE(Info()->fActive);
    ASSERT_EQ(TypeList(), Info()->hwndFocus);
    EXPECT_EQ(0, FocusDots(TypeList(), Info())) << "no frame while another child is active";

    Activate(Viewer());
    ASSERT_TRUE(Info()->fActive);
    EXPECT_GT(FocusDots(TypeList(), Info()), 0) << "the frame comes back with the activation";
}

/* ---- menu install and removal ---- */

TEST_F(ViewerMenuTest, ActivationInstallsTheMenuAndDeactivationRemovesItInBothDirections)
{
    HWND hwndOther = OpenOtherChild();
    ASSERT_NE(nullptr, hwndOther);
    /* The viewer hears of the other child's activation: it must remove, not
     * install, its menu. */
    EXPECT_FALSE(Info()->fActive);
    EXPECT_EQ(nullptr, Host().InstalledMenu());
    ASSERT_FALSE(MenuMessages().empty());
    EXPECT_EQ(static_cast<WPARAM>(TBSM_REMOVE), MenuMessages().back().wParam);

    Reset();
    Activate(Viewer());
    EXPECT_TRUE(Host().MatchSequence({{TBM_SETMENU, HM_WPARAM, TBSM_INSTALL, 0, nullptr},
                                      {TBM_MENUINSTALLED, HM_WPARAM, 1, 0, nullptr},
                                      {TBM_STATUSTEXT, HM_WPARAM | HM_TEXT, 0, 0, ""},
                                      {TBM_MENUCHANGED, HM_WPARAM | HM_LPARAM, 0, 0, nullptr}},
                                     true));
    ASSERT_EQ(1u, MenuMessages().size());
    EXPECT_EQ(Viewer(), MenuMessages()[0].hwndArg);
    EXPECT_NE(nullptr, MenuMessages()[0].hmenuArg);
    EXPECT_EQ(1, Host().Last(TBM_MENUINSTALLED)->lValue);
    EXPECT_TRUE(Info()->fActive);
    EXPECT_EQ(Viewer(), Host().MenuOwner());
    EXPECT_TRUE(IsMenu(Host().InstalledMenu()));

    Reset();
    Activate(hwndOther);
    EXPECT_TRUE(Host().MatchSequence({{TBM_SETMENU, HM_WPARAM | HM_LPARAM, TBSM_REMOVE, 0, nullptr},
                                      {TBM_MENUCHANGED, HM_WPARAM | HM_LPARAM, 0, 0, nullptr}},
                                     true));
    EXPECT_EQ(0u, Host().Count(TBM_MENUINSTALLED));
    EXPECT_FALSE(Info()->fActive);
    EXPECT_EQ(nullptr, Host().InstalledMenu());

    /* deactivation with nothing being activated */
    Activate(Viewer());
    Reset();
    SendMessageA(Viewer(), WM_MDIACTIVATE, reinterpret_cast<WPARAM>(Viewer()), 0);
    EXPECT_TRUE(Host().MatchSequence({{TBM_SETMENU, HM_WPARAM | HM_LPARAM, TBSM_REMOVE, 0, nullptr},
                                      {TBM_MENUCHANGED, HM_ANY, 0, 0, nullptr}},
                                     true));
    EXPECT_FALSE(Info()->fActive);
}

TEST_F(ViewerMenuTest, MinimizeRemovesRestoreFromTheIconInstallsMaximizeWhileIconicRemoves)
{
    Activate(Viewer());
    ASSERT_TRUE(Info()->fActive);
    bool fIconicAtInstall = false;
    Host().SetHook([&](const HostMsg &m, LRESULT *) {
        if (m.msg == TBM_SETMENU && m.wParam == TBSM_INSTALL)
            fIconicAtInstall = IsIconic(Viewer()) != 0;
        return false;
    });

    Reset();
    SysCommand(SC_MINIMIZE);
    ASSERT_TRUE(IsIconic(Viewer()));
    ASSERT_FALSE(MenuMessages().empty());
    EXPECT_EQ(static_cast<WPARAM>(TBSM_REMOVE), MenuMessages().front().wParam);
    EXPECT_FALSE(Info()->fActive);
    EXPECT_EQ(nullptr, Host().InstalledMenu());

    Reset();
    SysCommand(SC_RESTORE);
    EXPECT_FALSE(IsIconic(Viewer()));
    ASSERT_FALSE(MenuMessages().empty());
    EXPECT_EQ(static_cast<WPARAM>(TBSM_INSTALL), MenuMessages().front().wParam);
    EXPECT_TRUE(fIconicAtInstall) << "installed before the window left its icon";
    EXPECT_TRUE(Info()->fActive);
    EXPECT_TRUE(IsMenu(Host().InstalledMenu()));

    SysCommand(SC_MINIMIZE);
    ASSERT_TRUE(IsIconic(Viewer()));
    Reset();
    SendMessageA(Viewer(), WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    ASSERT_FALSE(MenuMessages().empty());
    EXPECT_EQ(static_cast<WPARAM>(TBSM_REMOVE), MenuMessages().front().wParam);
    PumpMessages();
}

/* ---- WM_INITMENU ---- */

struct FrameItems {
    HMENU hmenuBar = nullptr;
    HMENU hmenuPopup = nullptr;

    /* A popup of the frame's menu bar with the frame's ids of our items. */
    FrameItems(HWND hwndFrame, UINT offset)
    {
        hmenuBar = GetMenu(hwndFrame);
        hmenuPopup = CreatePopupMenu();
        AppendMenuA(hmenuPopup, MF_STRING, IDC_REFERENCES + offset, "&References");
        AppendMenuA(hmenuPopup, MF_STRING, IDC_OPEN + offset, "&Open");
        AppendMenuA(hmenuPopup, MF_STRING, IDC_OBJECTMENU + offset, "O&bject menu");
        AppendMenuA(hmenuBar, MF_POPUP, reinterpret_cast<UINT_PTR>(hmenuPopup), "&Project");
    }
    UINT State(UINT id) const { return GetMenuState(hmenuBar, id, MF_BYCOMMAND); }
};

TEST_F(ViewerMenuTest, InitMenuGraysOpenItemsWithoutSelectionAndChecksReferencesExactlyWhileOn)
{
    const UINT offset = 20000; /* the test host's frame ids: viewer id + 20000 */
    Host().SetFrameIdOffset(offset);
    Activate(Viewer());
    FrameItems items(Host().Frame(), offset);
    ASSERT_NE(nullptr, items.hmenuBar);
    auto initMenu = [&] {
        return SendMessageA(Viewer(), WM_INITMENU, reinterpret_cast<WPARAM>(items.hmenuBar), 0);
    };

    /* mark the items the other way first, so every state is set by the viewer */
    CheckMenuItem(items.hmenuBar, IDC_REFERENCES + offset, MF_BYCOMMAND | MF_CHECKED);
    Reset();
    EXPECT_EQ(0, initMenu());
    EXPECT_TRUE(Host().MatchSequence({{TBM_FRAMEMENUID, HM_WPARAM | HM_LPARAM, IDC_REFERENCES, 0, nullptr},
                                      {TBM_FRAMEMENUID, HM_WPARAM | HM_LPARAM, IDC_OPEN, 0, nullptr},
                                      {TBM_FRAMEMENUID, HM_WPARAM | HM_LPARAM, IDC_OBJECTMENU, 0, nullptr}}));
    EXPECT_EQ(0u, items.State(IDC_REFERENCES + offset) & MF_CHECKED);
    EXPECT_EQ(static_cast<UINT>(MF_GRAYED | MF_DISABLED), items.State(IDC_OPEN + offset) & (MF_GRAYED | MF_DISABLED));
    EXPECT_EQ(static_cast<UINT>(MF_GRAYED | MF_DISABLED),
              items.State(IDC_OBJECTMENU + offset) & (MF_GRAYED | MF_DISABLED));

    SelectFirstFile();
    initMenu();
    EXPECT_EQ(0u, items.State(IDC_OPEN + offset) & (MF_GRAYED | MF_DISABLED));
    EXPECT_EQ(0u, items.State(IDC_OBJECTMENU + offset) & (MF_GRAYED | MF_DISABLED));
    EXPECT_EQ(0u, items.State(IDC_REFERENCES + offset) & MF_CHECKED);

    SendMessageA(Viewer(), TBM_VIEWERCOMMAND, IDC_REFERENCES, 0);
    initMenu();
    EXPECT_NE(0u, items.State(IDC_REFERENCES + offset) & MF_CHECKED);
    SendMessageA(Viewer(), TBM_VIEWERCOMMAND, IDC_REFERENCES, 0);
    initMenu();
    EXPECT_EQ(0u, items.State(IDC_REFERENCES + offset) & MF_CHECKED);
}

/* ---- commands ---- */

TEST_F(ViewerMenuTest, KindFromTheMenuSelectsTheRowButKeepsTheHelpTopic)
{
    SelectRow(2); /* help topic 440 */
    const struct {
        UINT id;
        UINT row;
    } kinds[] = {{IDC_SHOWFORMS, 3}, {IDC_SHOWALL, 0}, {IDC_SHOWTABLES, 1}, {IDC_SHOWQUERIES, 2}};
    for (const auto &k : kinds) {
        SCOPED_TRACE(k.id);
        Reset();
        SendMessageA(Viewer(), TBM_VIEWERCOMMAND, k.id, 0);
        EXPECT_EQ(k.row, Info()->iCurType);
        EXPECT_EQ(std::vector<LONG>{kRowKinds[k.row]}, Rebuilds());
        EXPECT_EQ(440, Info()->nHelpTopic);
        RECT rcUpdate;
        ASSERT_TRUE(GetUpdateRect(TypeList(), &rcUpdate, FALSE)) << "the list is to be repainted";
        RECT rcClient;
        GetClientRect(TypeList(), &rcClient);
        EXPECT_TRUE(EqualRect(&rcClient, &rcUpdate)) << "all of it";
    }
}

TEST_F(ViewerMenuTest, ReferencesRefreshOpenAndObjectMenuCommands)
{
    SendMessageA(Viewer(), TBM_VIEWERCOMMAND, IDC_REFRESH, 0);
    EXPECT_EQ(std::vector<LONG>{0}, Rebuilds());

    Reset();
    SendMessageA(Viewer(), TBM_VIEWERCOMMAND, IDC_REFERENCES, 0);
    EXPECT_EQ(1, Info()->fReferencesOnly);
    EXPECT_TRUE(Rebuilds().empty());
    EXPECT_GE(Host().Count(TBM_NEXTREFERENCE), 1u) << "references-only lists the host's references";
    Reset();
    SendMessageA(Viewer(), TBM_VIEWERCOMMAND, IDC_REFERENCES, 0);
    EXPECT_EQ(0, Info()->fReferencesOnly);
    EXPECT_EQ(std::vector<LONG>{0}, Rebuilds());

    /* open and object menu need a selection */
    Reset();
    SendMessageA(Viewer(), TBM_VIEWERCOMMAND, IDC_OPEN, 0);
    SendMessageA(Viewer(), TBM_VIEWERCOMMAND, IDC_OBJECTMENU, 0);
    EXPECT_EQ(0u, Host().Count(TBM_OPENFILE));
    EXPECT_EQ(0u, Host().Count(TBM_OBJECTMENU));

    SelectFirstFile();
    std::string name = Info()->pSel->pszName;
    Reset();
    SendMessageA(Viewer(), TBM_VIEWERCOMMAND, IDC_OPEN, 0);
    SendMessageA(Viewer(), TBM_VIEWERCOMMAND, IDC_OBJECTMENU, 0);
    EXPECT_TRUE(Host().MatchSequence({{TBM_OPENFILE, HM_WPARAM | HM_TEXT, 0, 0, name.c_str()},
                                      {TBM_OBJECTMENU, HM_WPARAM | HM_TEXT, 0, 0, name.c_str()}},
                                     true));
}

TEST_F(ViewerMenuTest, CommandsWithoutAnActionDoNothing)
{
    SelectRow(2);
    for (UINT id : {IDC_CMD11003, IDC_CMD11005, IDC_CMD11006, IDC_CMD11009, IDC_CMD11014, IDC_CMD11015,
                    IDC_CMD11016, 11001, 11017, 0}) {
        SCOPED_TRACE(id);
        EXPECT_EQ(0, SendMessageA(Viewer(), TBM_VIEWERCOMMAND, id, 0));
        PumpMessages();
        EXPECT_EQ(2u, Info()->iCurType);
        EXPECT_TRUE(Rebuilds().empty());
        EXPECT_TRUE(Host().Messages().empty());
        EXPECT_EQ(0, TBCtlCallCount("APpostMessage"));
        EXPECT_TRUE(IsWindow(Viewer()));
    }
}

TEST_F(ViewerMenuTest, CloseCommandPostsTheDestroyRequestToTheDesktop)
{
    SendMessageA(Viewer(), TBM_VIEWERCOMMAND, IDC_CLOSEVIEWER, 0);
    EXPECT_TRUE(IsWindow(Viewer())) << "posted, not sent";
    ASSERT_EQ(1, TBCtlCallCount("APpostMessage"));
    TBCALL call;
    ASSERT_TRUE(TBCtlGetCall("APpostMessage", 0, &call));
    EXPECT_EQ(reinterpret_cast<DWORD_PTR>(Desktop()), call.aArgs[0]);
    EXPECT_EQ(static_cast<DWORD_PTR>(WM_MDIDESTROY), call.aArgs[1]);
    EXPECT_EQ(reinterpret_cast<DWORD_PTR>(Viewer()), call.aArgs[2]);
    PumpMessages();
    EXPECT_FALSE(IsWindow(Viewer()));
    EXPECT_EQ(nullptr, AppInfo()->hwndViewer);
}

/* ---- help ---- */

struct HelpCase {
    WPARAM kind;
    LPARAM item;
    LPARAM topic; /* 0: nothing is shown */
};

TEST_F(ViewerMenuTest, HelpRequestsShowTheViewersAndTheMenuItemsTopics)
{
    const HelpCase cases[] = {
        {0, 0, 140},           {0, IDC_OPEN, 140},    {2, IDC_SHOWALL, 334},   {2, IDC_CMD11003, 345},
        {2, IDC_SHOWTABLES, 338}, {2, IDC_CMD11005, 341}, {2, IDC_CMD11006, 344}, {2, IDC_SHOWQUERIES, 342},
        {2, IDC_SHOWFORMS, 343}, {2, IDC_CMD11009, 339}, {2, IDC_REFERENCES, 340}, {2, IDC_OPEN, 314},
        {2, IDC_OBJECTMENU, 313}, {2, IDC_REFRESH, 348},  {2, IDC_CMD11014, 206},  {2, IDC_CMD11015, 207},
        {2, IDC_CMD11016, 198}, {2, MAKELPARAM(IDC_REFERENCES, 7), 340}, /* only the low half names the item */
        {2, 11001, 0},         {2, 11017, 0},         {2, IDC_CLOSEVIEWER, 0}, {1, 0, 0},
        {1, IDC_OPEN, 0},      {3, IDC_SHOWALL, 0},
    };
    Host().SetHelpResult(77);
    for (const HelpCase &c : cases) {
        SCOPED_TRACE("kind " + std::to_string(c.kind) + " item " + std::to_string(c.item));
        Reset();
        LRESULT result = SendMessageA(Viewer(), TBM_HELPREQUEST, c.kind, c.item);
        if (c.topic) {
            EXPECT_TRUE(Host().MatchSequence({{TBM_SHOWHELP, HM_WPARAM | HM_LPARAM, 0, c.topic, nullptr}}));
            EXPECT_EQ(Desktop(), Host().Last(TBM_SHOWHELP)->hwnd);
            EXPECT_EQ(77, result);
        } else {
            EXPECT_TRUE(Host().Messages().empty());
            EXPECT_EQ(0, result);
        }
    }
}

TEST_F(ViewerMenuTest, HelpInsideTheObjectMenuShowsTheTopicOfTheTypeRow)
{
    SelectRow(2); /* Queries: topic 440 */
    SelectFirstFile();
    std::vector<LRESULT> results;
    Host().SetHelpResult(5);
    Host().SetHook([&](const HostMsg &m, LRESULT *) {
        if (m.msg == TBM_OBJECTMENU) {
            /* the host's object menu is up: it passes help requests on */
            results.push_back(SendMessageA(Viewer(), TBM_HELPREQUEST, 1, 0));
            results.push_back(SendMessageA(Viewer(), TBM_HELPREQUEST, 2, 4242));
            results.push_back(SendMessageA(Viewer(), TBM_HELPREQUEST, 2, IDC_OPEN));
        }
        return false;
    });
    Reset();
    SendMessageA(Viewer(), TBM_VIEWERCOMMAND, IDC_OBJECTMENU, 0);
    EXPECT_EQ((std::vector<LRESULT>{5, 5, 5}), results);
    EXPECT_TRUE(Host().MatchSequence({{TBM_SHOWHELP, HM_LPARAM, 0, 440, nullptr},
                                      {TBM_SHOWHELP, HM_LPARAM, 0, 440, nullptr},
                                      {TBM_SHOWHELP, HM_LPARAM, 0, 314, nullptr}},
                                     true));

    /* once the menu is gone, the same requests name nothing */
    Reset();
    EXPECT_EQ(0, SendMessageA(Viewer(), TBM_HELPREQUEST, 1, 0));
    EXPECT_EQ(0u, Host().Count(TBM_SHOWHELP));
}

TEST_F(ViewerMenuTest, F1WhileTheViewersDialogIsIdlePostsTheHelpRequestToIt)
{
    /* A window standing for the viewer's modal dialog box */
    HWND hwndDialog = CreateWindowExA(0, "STATIC", "dialog", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                      GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(nullptr, hwndDialog);
    auto pendingRequests = [&] {
        int n = 0;
        MSG msg;
        while (PeekMessageA(&msg, hwndDialog, TBM_HELPREQUEST, TBM_HELPREQUEST, PM_REMOVE)) {
            EXPECT_EQ(0u, msg.wParam);
            EXPECT_EQ(0, msg.lParam);
            n++;
        }
        return n;
    };
    {
        KeyStateScope f1({VK_F1});
        SendMessageA(Viewer(), WM_ENTERIDLE, MSGF_DIALOGBOX, reinterpret_cast<LPARAM>(hwndDialog));
        EXPECT_EQ(1, pendingRequests());
        EXPECT_EQ(0, SendMessageA(Viewer(), WM_ENTERIDLE, MSGF_MENU, reinterpret_cast<LPARAM>(hwndDialog)));
        EXPECT_EQ(0, pendingRequests()) << "a menu is up: nothing";
    }
    EXPECT_EQ(0, SendMessageA(Viewer(), WM_ENTERIDLE, MSGF_DIALOGBOX, reinterpret_cast<LPARAM>(hwndDialog)));
    EXPECT_EQ(0, pendingRequests()) << "F1 is up: nothing";
    EXPECT_EQ(0u, Host().Count(TBM_SHOWHELP));
    DestroyWindow(hwndDialog);
}

} // namespace
