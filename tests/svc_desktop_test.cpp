/* Desktops, their windows, notifications, classes, resources, the error
 * stack and the call log. */
#include "svc_fixture.h"
#include "svc_test_res.h"

namespace {

using svctest::MdiHost;
using svctest::Pump;
using svctest::SvcTest;

HWND MakePopup(HWND hwndOwner, int x, int y, int cx, int cy)
{
    return CreateWindowA("STATIC", "popup", WS_POPUP, x, y, cx, cy, hwndOwner, NULL,
                         GetModuleHandleA(NULL), NULL);
}

TEST_F(SvcTest, GetDesktopFindsTheRegisteredDesktopOfAnyWindowBelowOrAboveIt)
{
    MdiHost host;
    host.Register("C:\\w");
    HWND hwndChild = host.AddChild("doc");
    HWND hwndButton = CreateWindowA("BUTTON", "b", WS_CHILD, 0, 0, 10, 10, hwndChild, NULL, NULL, NULL);
    HWND hwndOwned = MakePopup(hwndChild, 0, 0, 10, 10);
    HWND hwndLone = MakePopup(NULL, 0, 0, 10, 10);
    MdiHost other; /* not a desktop of the host */
    HWND hwndOtherChild = other.AddChild("other");

    struct Case {
        HWND hwnd;
        HWND hwndDesktop;
        const char *pszWhat;
    } cases[] = {
        {host.hwndClient, host.hwndClient, "the desktop itself"},
        {hwndChild, host.hwndClient, "MDI child"},
        {hwndButton, host.hwndClient, "control of a child"},
        {hwndOwned, host.hwndClient, "popup owned by a child"},
        {host.hwndFrame, host.hwndClient, "the frame"},
        {hwndOtherChild, other.hwndClient, "child of an unregistered MDI client"},
        {hwndLone, NULL, "unrelated window"},
        {NULL, NULL, "no window"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(c.hwndDesktop, GetDesktop(c.hwnd)) << c.pszWhat;
    DestroyWindow(hwndOwned);
    DestroyWindow(hwndLone);
}

TEST_F(SvcTest, AppInfoAndSessionBelongToRegisteredDesktopsOnly)
{
    MdiHost host, bare, unknown;
    APPINFO *pInfo = host.Register("C:\\w");
    ASSERT_NE(nullptr, pInfo);
    EXPECT_EQ(nullptr, bare.Register("C:\\b", FALSE));
    HWND hwndChild = host.AddChild("doc");

    EXPECT_EQ(pInfo, APgetInfo(host.hwndClient));
    EXPECT_EQ(pInfo, HWNDtoAPInfo(hwndChild));
    EXPECT_EQ(nullptr, APgetInfo(bare.hwndClient));
    EXPECT_EQ(nullptr, APgetInfo(unknown.hwndClient));
    EXPECT_EQ(nullptr, APgetInfo(hwndChild)); /* a child is no desktop */

    HTBSESSION hSession = TBMgetSession(hwndChild);
    ASSERT_NE(nullptr, hSession);
    EXPECT_EQ(hSession, TBMgetSession(host.hwndClient));
    EXPECT_NE(nullptr, TBMgetSession(bare.hwndClient));
    EXPECT_NE(hSession, TBMgetSession(bare.hwndClient));
    EXPECT_EQ(nullptr, TBMgetSession(unknown.hwndClient));

    char sz[MAX_PATH];
    ASSERT_TRUE(TBCtlSetWorkDir(host.hwndClient, "C:\\next"));
    ASSERT_TRUE(TBCtlGetWorkDir(host.hwndClient, sz, sizeof(sz)));
    EXPECT_STREQ("C:\\next", sz);
    char szFull[MAX_PATH];
    EXPECT_EQ(0, TBMfullPathname(hSession, "", szFull));
    EXPECT_STREQ("C:\\next", szFull);

    TBCtlRemoveDesktop(host.hwndClient);
    host.fRegistered = false;
    EXPECT_EQ(nullptr, APgetInfo(host.hwndClient));
    EXPECT_EQ(nullptr, TBMgetSession(hwndChild));
}

TEST_F(SvcTest, ActivationGoesThroughTheMdiClient)
{
    MdiHost host;
    host.Register("C:\\w");
    HWND hwnd1 = host.AddChild("one");
    HWND hwnd2 = host.AddChild("two");
    ASSERT_EQ(hwnd2, host.Active());
    APactivateWindow(hwnd1);
    EXPECT_EQ(hwnd1, host.Active());
    APactivateNextWindow(hwnd1);
    EXPECT_EQ(hwnd2, host.Active());
}

TEST_F(SvcTest, PostMessagePostsToTheWindowsQueue)
{
    MdiHost host;
    HWND hwnd = host.AddChild("doc");
    Pump();
    EXPECT_TRUE(APpostMessage(hwnd, WM_APP + 3, 7, 9));
    MSG msg;
    ASSERT_TRUE(PeekMessageA(&msg, hwnd, WM_APP + 3, WM_APP + 3, PM_REMOVE));
    EXPECT_EQ(7u, msg.wParam);
    EXPECT_EQ(9, msg.lParam);
}

TEST_F(SvcTest, CenterWindowCentresAPopupOnItsOwner)
{
    MdiHost host;
    SetWindowPos(host.hwndFrame, NULL, 40, 30, 600, 400, SWP_NOZORDER);
    HWND hwnd = MakePopup(host.hwndFrame, 0, 0, 200, 100);
    CenterWindow(hwnd);
    RECT rcFrame, rc;
    GetWindowRect(host.hwndFrame, &rcFrame);
    GetWindowRect(hwnd, &rc);
    EXPECT_NEAR((rcFrame.left + rcFrame.right) / 2, (rc.left + rc.right) / 2, 1);
    EXPECT_NEAR((rcFrame.top + rcFrame.bottom) / 2, (rc.top + rc.bottom) / 2, 1);
    EXPECT_EQ(200, rc.right - rc.left);
    DestroyWindow(hwnd);
}

TEST_F(SvcTest, CanCloseAllAnswersTrueUnlessScripted)
{
    MdiHost host;
    host.Register("C:\\w");
    EXPECT_TRUE(CanCloseAll(host.hwndClient, 1));
    TBCtlSetAnswer(TBA_CANCLOSEALL, 0);
    EXPECT_FALSE(CanCloseAll(host.hwndClient, 1));
}

/* ---- file-system notification ---- */

struct NotifyRecord {
    HWND hwndDesktop;
    std::vector<std::pair<LPVOID, DWORD_PTR>> calls; /* context, sum of the middle arguments */
    LPVOID pUnregisterOnCall = nullptr;              /* context to drop when called */
};
NotifyRecord g_notify;

LONG WINAPI NotifyProc(DWORD_PTR dw1, DWORD_PTR dw2, DWORD_PTR dw3, DWORD_PTR dw4, LPVOID pContext)
{
    EXPECT_EQ((DWORD_PTR)g_notify.hwndDesktop, dw1);
    g_notify.calls.push_back({pContext, dw2 + dw3 + dw4});
    if (g_notify.pUnregisterOnCall)
        FileSystemNotifyUnRegister(g_notify.hwndDesktop, NotifyProc, g_notify.pUnregisterOnCall);
    return 0;
}

TEST_F(SvcTest, NotificationsAreKeptOncePerPairAndFiredWithTheContext)
{
    MdiHost host;
    host.Register("C:\\w");
    g_notify = NotifyRecord();
    g_notify.hwndDesktop = host.hwndClient;
    int a, b;
    EXPECT_TRUE(FileSystemNotifyRegister(host.hwndClient, NotifyProc, &a));
    EXPECT_TRUE(FileSystemNotifyRegister(host.hwndClient, NotifyProc, &a));
    EXPECT_TRUE(FileSystemNotifyRegister(host.hwndClient, NotifyProc, &b));
    EXPECT_EQ(2, TBCtlNotifyRegistrations(host.hwndClient));

    EXPECT_EQ(2, TBCtlFireFileSystemNotify(host.hwndClient));
    ASSERT_EQ(2u, g_notify.calls.size());
    EXPECT_EQ((LPVOID)&a, g_notify.calls[0].first);
    EXPECT_EQ((LPVOID)&b, g_notify.calls[1].first);
    EXPECT_EQ(0u, g_notify.calls[0].second + g_notify.calls[1].second);

    EXPECT_TRUE(FileSystemNotifyUnRegister(host.hwndClient, NotifyProc, &a));
    EXPECT_FALSE(FileSystemNotifyUnRegister(host.hwndClient, NotifyProc, &a));
    EXPECT_EQ(1, TBCtlNotifyRegistrations(host.hwndClient));
    g_notify.calls.clear();
    TBCtlFireFileSystemNotify(host.hwndClient);
    ASSERT_EQ(1u, g_notify.calls.size());
    EXPECT_EQ((LPVOID)&b, g_notify.calls[0].first);
}

/* A callback that unregisters a later one: the later one is not called. */
TEST_F(SvcTest, ACallbackUnregisteredDuringAFireIsNotCalled)
{
    MdiHost host;
    host.Register("C:\\w");
    g_notify = NotifyRecord();
    g_notify.hwndDesktop = host.hwndClient;
    int a, b;
    FileSystemNotifyRegister(host.hwndClient, NotifyProc, &a);
    FileSystemNotifyRegister(host.hwndClient, NotifyProc, &b);
    g_notify.pUnregisterOnCall = &b;
    EXPECT_EQ(1, TBCtlFireFileSystemNotify(host.hwndClient));
    ASSERT_EQ(1u, g_notify.calls.size());
    EXPECT_EQ((LPVOID)&a, g_notify.calls[0].first);
    EXPECT_EQ(1, TBCtlNotifyRegistrations(host.hwndClient));
}

/* ---- window classes ---- */

int g_nDblClicks;
int g_nClicks;

LRESULT CALLBACK PaneProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_LBUTTONDBLCLK)
        ++g_nDblClicks;
    if (msg == WM_LBUTTONDOWN)
        ++g_nClicks;
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

LRESULT CALLBACK OtherPaneProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

void ClickAt(int x, int y)
{
    INPUT in[2] = {};
    for (INPUT &i : in) {
        i.type = INPUT_MOUSE;
        i.mi.dx = x * 65535 / (GetSystemMetrics(SM_CXSCREEN) - 1);
        i.mi.dy = y * 65535 / (GetSystemMetrics(SM_CYSCREEN) - 1);
    }
    in[0].mi.dwFlags = MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE | MOUSEEVENTF_LEFTDOWN;
    in[1].mi.dwFlags = MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE | MOUSEEVENTF_LEFTUP;
    SendInput(2, in, sizeof(INPUT));
}

TEST_F(SvcTest, StoredClassGetsDoubleClicksPointerRoomAndTheGivenBackground)
{
    HINSTANCE hinst = GetModuleHandleA(NULL);
    ASSERT_TRUE(StoreClassInfo(34, PaneProc, 4, hinst, 0, 32512, COLOR_WINDOW + 1, 0));
    EXPECT_TRUE(StoreClassInfo(34, PaneProc, 4, hinst, 0, 32512, COLOR_WINDOW + 1, 0)); /* again: fine */
    LPCSTR pszClass = QueryClassName(34);
    ASSERT_NE(nullptr, pszClass);
    EXPECT_STRNE(pszClass, QueryClassName(33));

    HWND hwnd = CreateWindowA(pszClass, "pane", WS_POPUP | WS_VISIBLE, 100, 100, 200, 150, NULL, NULL, hinst, NULL);
    ASSERT_NE(nullptr, hwnd);
    EXPECT_TRUE(GetClassLongA(hwnd, GCL_STYLE) & CS_DBLCLKS);
    EXPECT_EQ((ULONG_PTR)(COLOR_WINDOW + 1), GetClassLongPtrA(hwnd, GCLP_HBRBACKGROUND));
    EXPECT_EQ((ULONG_PTR)LoadCursorA(NULL, MAKEINTRESOURCEA(32512)), GetClassLongPtrA(hwnd, GCLP_HCURSOR));
    /* A pointer fits the window word even though 4 bytes were asked for. */
    SetLastError(0);
    SetWindowLongPtrA(hwnd, 0, (LONG_PTR)&g_nClicks);
    EXPECT_EQ(0u, GetLastError());
    EXPECT_EQ((LONG_PTR)&g_nClicks, GetWindowLongPtrA(hwnd, 0));

    /* Two real clicks in quick succession become a double click. */
    SetForegroundWindow(hwnd);
    Pump(50);
    g_nDblClicks = g_nClicks = 0;
    ClickAt(200, 175);
    ClickAt(200, 175);
    for (int i = 0; i < 50 && g_nDblClicks == 0; ++i)
        Pump(20);
    EXPECT_EQ(1, g_nClicks);
    EXPECT_EQ(1, g_nDblClicks);

    /* A module loaded anew registers another procedure: refused while
     * windows of the old class exist, renewed once they are gone. */
    EXPECT_FALSE(StoreClassInfo(34, OtherPaneProc, 4, hinst, 0, 32512, COLOR_WINDOW + 1, 0));
    DestroyWindow(hwnd);
    EXPECT_TRUE(StoreClassInfo(34, OtherPaneProc, 4, hinst, 0, 32512, COLOR_WINDOW + 1, 0));
    hwnd = CreateWindowA(pszClass, "pane", WS_POPUP, 0, 0, 10, 10, NULL, NULL, hinst, NULL);
    EXPECT_EQ((LONG_PTR)OtherPaneProc, GetWindowLongPtrA(hwnd, GWLP_WNDPROC));
    DestroyWindow(hwnd);
    UnregisterClassA(pszClass, hinst);
}

TEST_F(SvcTest, StoredClassCarriesTheModulesIcon)
{
    HINSTANCE hinst = GetModuleHandleA(NULL);
    ASSERT_TRUE(StoreClassInfo(32, OtherPaneProc, 4, hinst, IDI_SVCTEST, 32512, COLOR_BTNFACE + 1, 0));
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof(wc);
    ASSERT_TRUE(GetClassInfoExA(hinst, QueryClassName(32), &wc));
    EXPECT_NE(nullptr, wc.hIcon);
    EXPECT_EQ((HBRUSH)(COLOR_BTNFACE + 1), wc.hbrBackground);
    UnregisterClassA(QueryClassName(32), hinst);
}

/* ---- resources ---- */

TEST_F(SvcTest, RCStringsStayValidTogetherAndMissingOnesAreEmpty)
{
    HINSTANCE hinst = GetModuleHandleA(NULL);
    LPCSTR psz1 = GetRCString(hinst, IDS_SVCTEST_FIRST);
    LPCSTR psz2 = GetRCString(hinst, IDS_SVCTEST_SECOND);
    ASSERT_NE(nullptr, psz1);
    ASSERT_NE(nullptr, psz2);
    EXPECT_STREQ("ProjectViewer", psz1);
    EXPECT_STREQ("Directory history", psz2);
    EXPECT_EQ(psz1, GetRCString(hinst, IDS_SVCTEST_FIRST));
    LPCSTR pszMissing = GetRCString(hinst, 999);
    ASSERT_NE(nullptr, pszMissing);
    EXPECT_STREQ("", pszMissing);
    EXPECT_EQ(nBlocksBefore_, TBCtlOutstandingBlocks()); /* host memory, not the allocator's */
}

TEST_F(SvcTest, MenusAndCursorsLoadFromTheModuleOrTheSystem)
{
    HINSTANCE hinst = GetModuleHandleA(NULL);
    HMENU hmenu = APloadMenu(hinst, IDM_SVCTEST);
    ASSERT_NE(nullptr, hmenu);
    EXPECT_EQ(IDM_SVCTEST_ITEM, (int)GetMenuItemID(GetSubMenu(hmenu, 0), 0));
    DestroyMenu(hmenu);
    EXPECT_EQ(nullptr, APloadMenu(hinst, 998));
    EXPECT_EQ(LoadCursorA(NULL, MAKEINTRESOURCEA(32514)), APloadCursor(NULL, 32514));
    EXPECT_EQ(LoadCursorA(NULL, MAKEINTRESOURCEA(32512)), APloadCursor(NULL, 32512));
}

/* ---- errors and the call log ---- */

struct ErrorSeen {
    APPINFO *pInfo;
    LONG nCode, nLevel;
    std::string message;
};
std::vector<ErrorSeen> g_errors;

void WINAPI ErrorHook(APPINFO *pInfo, LONG nCode, LONG nLevel, LPCSTR pszMessage)
{
    g_errors.push_back({pInfo, nCode, nLevel, pszMessage});
}

TEST_F(SvcTest, LogErrorStackHandsTheCodesMessageToTheHook)
{
    MdiHost host;
    APPINFO *pInfo = host.Register("C:\\w");
    g_errors.clear();
    TBCtlSetErrorHook(ErrorHook);
    LogErrorStack(HWNDtoAPInfo(host.hwndClient), 37382, 1);
    LogErrorStack(pInfo, 123, 1);
    TBCtlSetErrorHook(NULL);
    LogErrorStack(pInfo, 10246, 1);
    ASSERT_EQ(2u, g_errors.size());
    EXPECT_EQ(pInfo, g_errors[0].pInfo);
    EXPECT_EQ(37382, g_errors[0].nCode);
    EXPECT_EQ(1, g_errors[0].nLevel);
    EXPECT_EQ("The directory does not exist.", g_errors[0].message);
    EXPECT_EQ("Error 123.", g_errors[1].message);
    EXPECT_EQ(3, TBCtlCallCount("LogErrorStack"));
    TBCALL call;
    ASSERT_TRUE(TBCtlGetCall("LogErrorStack", 2, &call));
    EXPECT_EQ(10246u, call.aArgs[1]);
}

TEST_F(SvcTest, CallLogKeepsServicesWithArgumentsButNotTheAllocatorOrTextHelpers)
{
    MdiHost host;
    host.Register("C:\\w");
    TBCtlClearCalls();
    GetDesktop(host.hwndFrame);
    char sz[MAX_PATH];
    TBMfullPathname(NULL, "C:\\x\\orders.db", sz);
    fastfree(fastmalloc(10));
    fastfree(TB_Strdup("x"));
    lstrchr("abc", 'b');
    charcat(sz, 'x');

    EXPECT_EQ(2, TBCtlCallCount(NULL));
    TBCALL call;
    ASSERT_TRUE(TBCtlGetCall(NULL, 0, &call));
    EXPECT_STREQ("GetDesktop", call.szService);
    EXPECT_EQ((DWORD_PTR)host.hwndFrame, call.aArgs[0]);
    ASSERT_TRUE(TBCtlGetCall("TBMfullPathname", 0, &call));
    EXPECT_STREQ("C:\\x\\orders.db", call.szText);
    EXPECT_EQ((DWORD_PTR)sz, call.aArgs[2]);
    EXPECT_FALSE(TBCtlGetCall("TBMfullPathname", 1, &call));
    EXPECT_EQ(0, TBCtlCallCount("fastmalloc"));

    /* A service built on others logs only itself. */
    TBCtlClearCalls();
    HWNDtoAPInfo(host.hwndFrame);
    TBMgetSession(host.hwndFrame);
    EXPECT_EQ(2, TBCtlCallCount(NULL));
    EXPECT_EQ(0, TBCtlCallCount("GetDesktop"));
    EXPECT_EQ(0, TBCtlCallCount("APgetInfo"));
}

TEST_F(SvcTest, CallLogKeepsTheMostRecentCalls)
{
    for (UINT i = 0; i < 5000; ++i)
        QueryClassName(i);
    EXPECT_EQ(4096, TBCtlCallCount("QueryClassName"));
    TBCALL call;
    ASSERT_TRUE(TBCtlGetCall("QueryClassName", 0, &call));
    EXPECT_EQ(5000u - 4096u, call.aArgs[0]);
    ASSERT_TRUE(TBCtlGetCall("QueryClassName", 4095, &call));
    EXPECT_EQ(4999u, call.aArgs[0]);
    TBCtlClearCalls();
    EXPECT_EQ(0, TBCtlCallCount(NULL));
}

} // namespace
