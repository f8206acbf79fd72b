/* The demo host: an MDI frame with a status line that loads the project
 * viewer, the custom menu and the query-file library as the host does.
 *
 *   demohost [--screenshot file.png] [--smoke]
 *
 * --screenshot opens the viewer on the sample folder, writes a picture of the
 * frame and exits; --smoke opens the viewer and a custom menu, checks the
 * window tree and that nothing was left allocated, and exits with 0 or 1. */
#define STRSAFE_NO_DEPRECATE
#include "demo.h"
#include "tbctl.h"
#include <commctrl.h>
#include <shlwapi.h>
#include <stdio.h>
#include <strsafe.h>

DEMOHOST g_demo;

static const char c_szFrameClass[] = "TabulonDemoFrame";
static const char c_szMenuRoot[] = "Software\\Norvane\\Tabulon Runtime\\7.0\\TBDLITE";
static const LONG c_anMenuCodes[DEMO_NMENUS] = {6, 9, 11, 12, 13, 15, 16, 17, 18};
static const char *const c_apszMenuNames[DEMO_NMENUS] = {"&New",         "&Open", "&Utilities",
                                                         "&MultiUser",   "&SysSettings", "&File",
                                                         "&Properties",  "&Tools", "&Help"};

typedef LONG(WINAPI *ENTRYPROC)(HWND, LONG, LONG, LONG_PTR);
typedef LONG(WINAPI *GETQBEFILEPROC)(HWND, LPSTR, LONG);
typedef LONG(WINAPI *SAMEQRYPROC)(HWND, LPCSTR, LPVOID);

/* GetProcAddress answers a generic pointer; go through void* so that the
 * compiler does not warn about the cast to the real signature. */
template <class T> static T ProcOf(HMODULE hmod, LPCSTR pszName)
{
    return hmod ? (T)(void *)GetProcAddress(hmod, pszName) : NULL;
}

static struct {
    UINT id;
    LONG nCode;
    CHAR szLabel[128];
} s_aCustomIds[512];
static int s_nCustomIds;

static struct {
    BOOL fScreenshot;
    BOOL fSmoke;
    CHAR szPng[MAX_PATH];
} s_opts;

static void ExeDirPath(LPSTR pszOut, size_t cch, LPCSTR pszName)
{
    CHAR szExe[MAX_PATH];
    GetModuleFileNameA(NULL, szExe, sizeof szExe);
    PathRemoveFileSpecA(szExe);
    StringCchPrintfA(pszOut, cch, "%s\\%s", szExe, pszName);
}

/* Imports the sample menu definition the first time the demo runs. */
static void ImportSampleMenus(void)
{
    HKEY hkey;
    CHAR szReg[MAX_PATH], szCmd[MAX_PATH + 32];
    if (RegOpenKeyA(HKEY_CURRENT_USER, c_szMenuRoot, &hkey) == ERROR_SUCCESS) {
        RegCloseKey(hkey);
        return;
    }
    ExeDirPath(szReg, ARRAYSIZE(szReg), "sample-menus.reg");
    StringCchPrintfA(szCmd, ARRAYSIZE(szCmd), "regedit.exe /S \"%s\"", szReg);
    STARTUPINFOA si = {};
    PROCESS_INFORMATION pi;
    si.cb = sizeof si;
    if (CreateProcessA(NULL, szCmd, NULL, NULL, FALSE, 0, NULL, NULL, &si, &pi)) {
        WaitForSingleObject(pi.hProcess, 30000);
        CloseHandle(pi.hProcess);
        CloseHandle(pi.hThread);
    }
}

static void InitReferences(void)
{
    static const struct {
        const char *pszName;
        LONG fInclude, nKind;
    } s_refs[] = {{"customers.db", 1, 3}, {"orders.qry", 1, 4}, {"archive.frm", 0, 6}, {"entry.frm", 1, 6}};
    for (const auto &r : s_refs) {
        REFERENCEINFO *p = &g_demo.aRefs[g_demo.nRefs++];
        StringCchCopyA(p->szName, ARRAYSIZE(p->szName), r.pszName);
        p->fInclude = r.fInclude;
        p->nKind = r.nKind;
    }
}

static void LoadAddins(void)
{
    g_demo.hmodViewer = LoadLibraryA("tbview32.dll");
    g_demo.hmodMenu = LoadLibraryA("tbmenu32.dll");
    g_demo.hmodQbe = LoadLibraryA("tbqbe32.dll");
    g_demo.pfnViewerEntry = ProcOf<ENTRYPROC>(g_demo.hmodViewer, "OndrelEntry");
    g_demo.pfnMenuEntry = ProcOf<ENTRYPROC>(g_demo.hmodMenu, "OndrelEntry");
    if (g_demo.pfnViewerEntry)
        g_demo.pfnViewerEntry(g_demo.hwndDesktop, TBENTRY_ATTACH, 0, 0);
    if (g_demo.pfnMenuEntry)
        g_demo.fMenuAttached =
            g_demo.pfnMenuEntry(g_demo.hwndFrame, TBENTRY_ATTACH, 0, 0) == TBENTRY_ATTACHED;
}

static void UnloadAddins(void)
{
    if (g_demo.fMenuAttached)
        g_demo.pfnMenuEntry(g_demo.hwndFrame, TBENTRY_DETACH, 0, 0);
    g_demo.fMenuAttached = FALSE;
}

/* After the windows are gone: the libraries go back in reverse order. */
static void FreeAddins(void)
{
    HMODULE *aphmod[] = {&g_demo.hmodQbe, &g_demo.hmodMenu, &g_demo.hmodViewer};
    for (HMODULE *phmod : aphmod) {
        if (*phmod)
            FreeLibrary(*phmod);
        *phmod = NULL;
    }
    g_demo.pfnViewerEntry = g_demo.pfnMenuEntry = NULL;
}

static void ShowProjectViewer(void)
{
    if (g_demo.pAppInfo && g_demo.pAppInfo->pfnShowViewer)
        g_demo.pAppInfo->pfnShowViewer(g_demo.hwndDesktop);
    else
        DemoSetStatus("The project viewer is not available.");
}

static void ShowViewerProperties(void)
{
    HWND hwndViewer = g_demo.pAppInfo ? g_demo.pAppInfo->hwndViewer : NULL;
    DLGPROC pfn = ProcOf<DLGPROC>(g_demo.hmodViewer, "ProjPropDlgProc");
    if (!hwndViewer || !pfn) {
        DemoSetStatus("Open the project viewer first.");
        return;
    }
    DialogBoxParamA(g_demo.hinst, MAKEINTRESOURCEA(IDD_DEMO_PROJPROPS), g_demo.hwndFrame, pfn,
                    GetWindowLongPtrA(hwndViewer, 0));
}

static void ChooseQueryFile(void)
{
    CHAR szName[MAX_PATH] = "", szPath[MAX_PATH], szText[MAX_PATH + 64];
    GETQBEFILEPROC pfn = ProcOf<GETQBEFILEPROC>(g_demo.hmodQbe, "GetQBEFile");
    if (!pfn) {
        DemoSetStatus("The query-file library is not available.");
        return;
    }
    if (!pfn(g_demo.hwndFrame, szName, sizeof szName)) {
        DemoSetStatus("No query file chosen.");
        return;
    }
    StringCchCopyA(g_demo.szQueryFile, ARRAYSIZE(g_demo.szQueryFile), szName);
    ZeroMemory(g_demo.abQueryStamp, sizeof g_demo.abQueryStamp);
    if (TBMfullPathname(TBMgetSession(g_demo.hwndDesktop), szName, szPath) == 0)
        DosGetFILETIME(szPath, g_demo.abQueryStamp);
    StringCchPrintfA(szText, ARRAYSIZE(szText), "Query file: %s", szName);
    DemoSetStatus(szText);
}

static void CheckQueryFile(void)
{
    CHAR szText[MAX_PATH + 64];
    SAMEQRYPROC pfn = ProcOf<SAMEQRYPROC>(g_demo.hmodQbe, "SameQry");
    if (!pfn || !g_demo.szQueryFile[0]) {
        DemoSetStatus("Choose a query file first.");
        return;
    }
    StringCchPrintfA(szText, ARRAYSIZE(szText), "%s is %s", g_demo.szQueryFile,
                     pfn(g_demo.hwndFrame, g_demo.szQueryFile, g_demo.abQueryStamp) ? "unchanged"
                                                                                     : "changed since it was chosen");
    DemoSetStatus(szText);
}

/* Rebuilds the nine custom popups each time the Custom menu opens: every
 * request answers a new popup, which is ours to destroy. */
static void FillCustomMenu(HMENU hmenu)
{
    while (GetMenuItemCount(hmenu) > 0)
        DeleteMenu(hmenu, 0, MF_BYPOSITION);
    s_nCustomIds = 0;
    for (int i = 0; i < DEMO_NMENUS; i++) {
        HMENU hpopup = NULL;
        if (g_demo.fMenuAttached)
            hpopup = (HMENU)(LONG_PTR)g_demo.pfnMenuEntry(g_demo.hwndFrame, c_anMenuCodes[i], 0, 0);
        if (!hpopup) {
            AppendMenuA(hmenu, MF_STRING | MF_GRAYED, 0, c_apszMenuNames[i]);
            continue;
        }
        int n = GetMenuItemCount(hpopup);
        for (int k = 0; k < n && s_nCustomIds < (int)ARRAYSIZE(s_aCustomIds); k++) {
            UINT id = GetMenuItemID(hpopup, k);
            if (id == 0 || id == (UINT)-1)
                continue;
            s_aCustomIds[s_nCustomIds].id = id;
            s_aCustomIds[s_nCustomIds].nCode = c_anMenuCodes[i];
            GetMenuStringA(hpopup, k, s_aCustomIds[s_nCustomIds].szLabel, sizeof s_aCustomIds[0].szLabel,
                           MF_BYPOSITION);
            s_nCustomIds++;
        }
        AppendMenuA(hmenu, MF_POPUP | MF_STRING, (UINT_PTR)hpopup, c_apszMenuNames[i]);
    }
}

static BOOL RunCustomCommand(UINT id)
{
    for (int i = 0; i < s_nCustomIds; i++) {
        if (s_aCustomIds[i].id != id)
            continue;
        CHAR szText[256];
        if (g_demo.pfnMenuEntry(g_demo.hwndFrame, s_aCustomIds[i].nCode, (LONG)id, 0)) {
            StringCchPrintfA(szText, ARRAYSIZE(szText), "Ran \"%s\".", s_aCustomIds[i].szLabel);
        } else {
            StringCchPrintfA(szText, ARRAYSIZE(szText), "The command \"%s\" could not be run.",
                             s_aCustomIds[i].szLabel);
        }
        DemoSetStatus(szText);
        return TRUE;
    }
    return FALSE;
}

static BOOL IsViewerCommand(UINT id)
{
    return (id >= 11002 && id <= 11016) || id == 30623;
}

static void OnFrameCommand(HWND hwnd, UINT id)
{
    switch (id) {
    case IDC_FILE_QUERY: ChooseQueryFile(); return;
    case IDC_FILE_CHECKQUERY: CheckQueryFile(); return;
    case IDC_FILE_EXIT: PostMessageA(hwnd, WM_CLOSE, 0, 0); return;
    case IDC_VIEW_VIEWER: ShowProjectViewer(); return;
    case IDC_VIEW_PROPERTIES: ShowViewerProperties(); return;
    case IDC_WINDOW_CASCADE: SendMessageA(g_demo.hwndDesktop, WM_MDICASCADE, 0, 0); return;
    case IDC_WINDOW_TILE: SendMessageA(g_demo.hwndDesktop, WM_MDITILE, MDITILE_HORIZONTAL, 0); return;
    }
    if (IsViewerCommand(id) && g_demo.pAppInfo && g_demo.pAppInfo->hwndViewer) {
        SendMessageA(g_demo.pAppInfo->hwndViewer, TBM_VIEWERCOMMAND, id, 0);
        return;
    }
    if (id < IDC_FILE_QUERY)
        RunCustomCommand(id);
}

static void LayoutFrame(HWND hwnd)
{
    RECT rc, rcStatus;
    GetClientRect(hwnd, &rc);
    SendMessageA(g_demo.hwndStatus, WM_SIZE, 0, 0);
    GetWindowRect(g_demo.hwndStatus, &rcStatus);
    MoveWindow(g_demo.hwndDesktop, 0, 0, rc.right, rc.bottom - (rcStatus.bottom - rcStatus.top), TRUE);
}

static BOOL CreateDesktop(HWND hwnd)
{
    CLIENTCREATESTRUCT ccs;
    HMENU hmenuBar = GetMenu(hwnd);
    g_demo.hmenuWindow = GetSubMenu(hmenuBar, GetMenuItemCount(hmenuBar) - 1);
    g_demo.hmenuCustom = GetSubMenu(hmenuBar, 1);
    ccs.hWindowMenu = g_demo.hmenuWindow;
    ccs.idFirstChild = IDC_FIRSTCHILD;
    g_demo.hwndFrame = hwnd;
    g_demo.hwndDesktop = CreateWindowExA(WS_EX_CLIENTEDGE, "MDICLIENT", NULL,
                                         WS_CHILD | WS_CLIPCHILDREN | WS_VSCROLL | WS_HSCROLL | WS_VISIBLE, 0, 0,
                                         0, 0, hwnd, NULL, g_demo.hinst, &ccs);
    g_demo.hwndStatus = CreateWindowExA(0, STATUSCLASSNAMEA, "Ready", WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0,
                                        0, 0, 0, hwnd, NULL, g_demo.hinst, NULL);
    if (!g_demo.hwndDesktop)
        return FALSE;
    g_pfnMdiClientProc =
        (WNDPROC)SetWindowLongPtrA(g_demo.hwndDesktop, GWLP_WNDPROC, (LONG_PTR)DemoDesktopProc);
    g_demo.pAppInfo = TBCtlAddDesktop(g_demo.hwndDesktop, hwnd, g_demo.szSampleDir, TRUE);
    DemoWatchWorkDir();
    return TRUE;
}

static LRESULT CALLBACK FrameWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    BOOL fHandled;
    switch (msg) {
    case WM_CREATE:
        return CreateDesktop(hwnd) ? 0 : -1;
    case WM_SIZE:
        LayoutFrame(hwnd);
        return 0;
    case WM_INITMENUPOPUP:
        if ((HMENU)wParam == g_demo.hmenuCustom)
            FillCustomMenu(g_demo.hmenuCustom);
        break;
    case WM_COMMAND:
        OnFrameCommand(hwnd, LOWORD(wParam));
        break;
    case WM_ENTERIDLE:
        /* A dialog we open for the viewer is owned by the frame: pass the
         * idle message on, so that F1 there reaches the dialog as a help
         * request. */
        if (g_demo.pAppInfo && g_demo.pAppInfo->hwndViewer)
            SendMessageA(g_demo.pAppInfo->hwndViewer, WM_ENTERIDLE, wParam, lParam);
        break;
    case WM_CLOSE:
        UnloadAddins();
        break;
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    default:
        if (msg >= TBM_OPENFILE && msg <= TBM_FOLLOWWORKDIR) {
            LRESULT lr = DemoFramePrivateMessage(msg, wParam, lParam, &fHandled);
            if (fHandled)
                return lr;
        }
    }
    return DefFrameProcA(hwnd, g_demo.hwndDesktop, msg, wParam, lParam);
}

static BOOL RegisterFrameClass(void)
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = FrameWndProc;
    wc.hInstance = g_demo.hinst;
    wc.hIcon = LoadIconA(NULL, (LPCSTR)IDI_APPLICATION);
    wc.hCursor = LoadCursorA(NULL, (LPCSTR)IDC_ARROW);
    wc.hbrBackground = (HBRUSH)(COLOR_APPWORKSPACE + 1);
    wc.lpszMenuName = MAKEINTRESOURCEA(IDM_DEMO_MENU);
    wc.lpszClassName = c_szFrameClass;
    return RegisterClassA(&wc) != 0;
}

/* Waits for messages and for changes in the working directory. */
static void PumpFor(DWORD msTimeout, BOOL *pfQuit)
{
    DWORD tEnd = GetTickCount() + msTimeout;
    MSG msg;
    for (;;) {
        while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                *pfQuit = TRUE;
                return;
            }
            if (!TranslateMDISysAccel(g_demo.hwndDesktop, &msg)) {
                TranslateMessage(&msg);
                DispatchMessageA(&msg);
            }
        }
        DWORD tNow = GetTickCount();
        if (msTimeout != INFINITE && (LONG)(tEnd - tNow) <= 0)
            return;
        DWORD dwWait = msTimeout == INFINITE ? INFINITE : tEnd - tNow;
        HANDLE h = g_demo.hChange;
        DWORD r = MsgWaitForMultipleObjects(h ? 1 : 0, &h, FALSE, dwWait, QS_ALLINPUT);
        if (h && r == WAIT_OBJECT_0) {
            TBCtlFireFileSystemNotify(g_demo.hwndDesktop);
            if (!FindNextChangeNotification(g_demo.hChange))
                DemoWatchWorkDir();
        }
    }
}

static BOOL OpenOnStartup(void)
{
    CHAR szValue[16];
    GetPrivateProfileStringA("ProjectViewer", "OpenOnStartup", "", szValue, sizeof szValue, g_demo.szIniFile);
    return lstrcmpiA(szValue, "True") == 0;
}

static int CountChildrenOfClass(HWND hwndParent, LPCSTR pszClass)
{
    int n = 0;
    CHAR sz[64];
    for (HWND h = GetWindow(hwndParent, GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT))
        if (GetClassNameA(h, sz, sizeof sz) && lstrcmpiA(sz, pszClass) == 0)
            n++;
    return n;
}

/* The smoke run: the window tree of an open viewer and a custom menu, then a
 * clean close with nothing left allocated. Answers the process exit code. */
static int RunSmoke(void)
{
    int nFail = 0;
    BOOL fQuit = FALSE;
#define SMOKE_CHECK(cond, what)                                                                             \
    do {                                                                                                    \
        BOOL ok_ = (cond) ? TRUE : FALSE;                                                                   \
        printf("%s: %s\n", ok_ ? "ok  " : "FAIL", what);                                                    \
        if (!ok_)                                                                                           \
            nFail++;                                                                                        \
    } while (0)
    SMOKE_CHECK(g_demo.hmodViewer && g_demo.hmodMenu && g_demo.hmodQbe, "the three add-ins load");
    SMOKE_CHECK(g_demo.pAppInfo && g_demo.pAppInfo->pfnShowViewer, "the viewer planted its callback");
    ShowProjectViewer();
    PumpFor(500, &fQuit);
    HWND hwndViewer = g_demo.pAppInfo ? g_demo.pAppInfo->hwndViewer : NULL;
    SMOKE_CHECK(hwndViewer && GetParent(hwndViewer) == g_demo.hwndDesktop, "the viewer is a child of the desktop");
    if (hwndViewer) {
        SMOKE_CHECK(CountChildrenOfClass(hwndViewer, "ComboBox") == 1, "the viewer has its directory box");
        SMOKE_CHECK(CountChildrenOfClass(hwndViewer, "Button") == 1, "the viewer has its browse button");
        SMOKE_CHECK(CountChildrenOfClass(hwndViewer, QueryClassName(33)) == 1, "the viewer has its type list");
        SMOKE_CHECK(CountChildrenOfClass(hwndViewer, QueryClassName(34)) == 1, "the viewer has its file pane");
    }
    SMOKE_CHECK(g_demo.fMenuAttached, "the custom menu attached");
    FillCustomMenu(g_demo.hmenuCustom);
    SMOKE_CHECK(s_nCustomIds > 0, "the custom menus offer commands");
    if (hwndViewer)
        SendMessageA(g_demo.hwndDesktop, WM_MDIDESTROY, (WPARAM)hwndViewer, 0);
    PumpFor(200, &fQuit);
    SMOKE_CHECK(!g_demo.pAppInfo || !g_demo.pAppInfo->hwndViewer, "closing the viewer clears the current viewer");
    UnloadAddins();
    char szLeft[64];
    StringCchPrintfA(szLeft, ARRAYSIZE(szLeft), "no block left allocated (%ld)", (long)TBCtlOutstandingBlocks());
    SMOKE_CHECK(TBCtlOutstandingBlocks() == 0, szLeft);
#undef SMOKE_CHECK
    return nFail ? 1 : 0;
}

static void ParseArgs(void)
{
    int argc = __argc;
    char **argv = __argv;
    for (int i = 1; i < argc; i++) {
        if (!lstrcmpiA(argv[i], "--smoke"))
            s_opts.fSmoke = TRUE;
        else if (!lstrcmpiA(argv[i], "--screenshot") && i + 1 < argc) {
            s_opts.fScreenshot = TRUE;
            StringCchCopyA(s_opts.szPng, ARRAYSIZE(s_opts.szPng), argv[++i]);
        }
    }
}

int WINAPI WinMain(HINSTANCE hinst, HINSTANCE, LPSTR, int nShow)
{
    CHAR szExeDir[MAX_PATH];
    BOOL fQuit = FALSE;
    int nExit = 0;
    g_demo.hinst = hinst;
    ParseArgs();
    InitCommonControls();
    ExeDirPath(szExeDir, ARRAYSIZE(szExeDir), ".");
    SetCurrentDirectoryA(szExeDir);
    ExeDirPath(g_demo.szSampleDir, ARRAYSIZE(g_demo.szSampleDir), "sample");
    ExeDirPath(g_demo.szIniFile, ARRAYSIZE(g_demo.szIniFile), "demohost.ini");
    StringCchCopyA(g_demo.szSecondString, ARRAYSIZE(g_demo.szSecondString), szExeDir);
    ImportSampleMenus();
    InitReferences();
    RegisterDocClass(hinst);
    if (!RegisterFrameClass())
        return 1;
    HWND hwnd = CreateWindowExA(0, c_szFrameClass, "Tabulon Demo Host", WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, 0,
                                0, 1000, 700, NULL, NULL, hinst, NULL);
    if (!hwnd)
        return 1;
    ShowWindow(hwnd, (s_opts.fScreenshot || s_opts.fSmoke) ? SW_SHOWNORMAL : nShow);
    UpdateWindow(hwnd);
    LoadAddins();
    if (s_opts.fSmoke) {
        nExit = RunSmoke();
        DestroyWindow(hwnd);
        PumpFor(100, &fQuit);
        FreeAddins();
        return nExit;
    }
    if (s_opts.fScreenshot || OpenOnStartup())
        ShowProjectViewer();
    if (s_opts.fScreenshot) {
        PumpFor(1500, &fQuit);
        nExit = SaveWindowPng(hwnd, s_opts.szPng) ? 0 : 1;
        PostMessageA(hwnd, WM_CLOSE, 0, 0);
    }
    while (!fQuit)
        PumpFor(INFINITE, &fQuit);
    if (g_demo.hChange)
        FindCloseChangeNotification(g_demo.hChange);
    FreeAddins();
    return nExit;
}
