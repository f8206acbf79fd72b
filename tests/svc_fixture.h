/* Small fixtures for the services library tests: an MDI frame with its
 * client (the desktop), a scratch directory, a message pump. */
#ifndef SVC_FIXTURE_H
#define SVC_FIXTURE_H

#include <string>
#include <vector>

#include <windows.h>

#include <gtest/gtest.h>

#include "tbctl.h"

namespace svctest {

inline void Pump(DWORD ms = 0)
{
    DWORD t0 = GetTickCount();
    for (;;) {
        MSG msg;
        while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (GetTickCount() - t0 >= ms)
            return;
        MsgWaitForMultipleObjects(0, NULL, FALSE, 10, QS_ALLINPUT);
    }
}

inline LRESULT CALLBACK FrameProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    HWND hwndClient = (HWND)GetWindowLongPtrA(hwnd, 0);
    return DefFrameProcA(hwnd, hwndClient, msg, wParam, lParam);
}

inline LRESULT CALLBACK ChildProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    return DefMDIChildProcA(hwnd, msg, wParam, lParam);
}

/* A frame, its MDI client and MDI children; the client is a desktop of the
 * host only when Register() was called. The frame stays hidden: under Wine
 * without a window manager, destroying a shown top-level window waits ~2 s. */
class MdiHost {
public:
    MdiHost()
    {
        HINSTANCE hinst = GetModuleHandleA(NULL);
        WNDCLASSA wc = {};
        wc.lpfnWndProc = FrameProc;
        wc.cbWndExtra = sizeof(LONG_PTR);
        wc.hInstance = hinst;
        wc.lpszClassName = "SvcTestFrame";
        RegisterClassA(&wc);
        wc.lpfnWndProc = ChildProc;
        wc.cbWndExtra = 0;
        wc.lpszClassName = "SvcTestChild";
        RegisterClassA(&wc);
        hwndFrame = CreateWindowA("SvcTestFrame", "frame", WS_OVERLAPPEDWINDOW, 0, 0, 640, 480, NULL,
                                  NULL, hinst, NULL);
        CLIENTCREATESTRUCT ccs = {};
        hwndClient = CreateWindowA("MDICLIENT", NULL, WS_CHILD | WS_VISIBLE | WS_CLIPCHILDREN, 0, 0, 600, 400,
                                   hwndFrame, NULL, hinst, &ccs);
        SetWindowLongPtrA(hwndFrame, 0, (LONG_PTR)hwndClient);
    }
    ~MdiHost()
    {
        if (fRegistered)
            TBCtlRemoveDesktop(hwndClient);
        DestroyWindow(hwndFrame);
        Pump();
    }
    MdiHost(const MdiHost &) = delete;
    MdiHost &operator=(const MdiHost &) = delete;

    APPINFO *Register(LPCSTR pszWorkDir, BOOL fAppInfo = TRUE)
    {
        fRegistered = true;
        return TBCtlAddDesktop(hwndClient, hwndFrame, pszWorkDir, fAppInfo);
    }
    HWND AddChild(LPCSTR pszTitle)
    {
        MDICREATESTRUCTA mcs = {};
        mcs.szClass = "SvcTestChild";
        mcs.szTitle = pszTitle;
        mcs.hOwner = GetModuleHandleA(NULL);
        mcs.x = mcs.y = mcs.cx = mcs.cy = CW_USEDEFAULT;
        return (HWND)SendMessageA(hwndClient, WM_MDICREATE, 0, (LPARAM)&mcs);
    }
    HWND Active() const { return (HWND)SendMessageA(hwndClient, WM_MDIGETACTIVE, 0, 0); }

    HWND hwndFrame = NULL;
    HWND hwndClient = NULL;
    bool fRegistered = false;
};

/* A fresh directory under %TEMP%, removed with its files. */
class TempDir {
public:
    TempDir()
    {
        CHAR szTemp[MAX_PATH];
        GetTempPathA(sizeof(szTemp), szTemp);
        CHAR szDir[MAX_PATH];
        GetTempFileNameA(szTemp, "svc", 0, szDir);
        DeleteFileA(szDir);
        CreateDirectoryA(szDir, NULL);
        CHAR szFull[MAX_PATH];
        GetFullPathNameA(szDir, sizeof(szFull), szFull, NULL);
        path = szFull;
    }
    ~TempDir()
    {
        for (auto it = made.rbegin(); it != made.rend(); ++it)
            if (!DeleteFileA(it->c_str()))
                RemoveDirectoryA(it->c_str());
        RemoveDirectoryA(path.c_str());
    }
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;

    std::string File(const std::string &name, const char *pszContent = "x")
    {
        std::string full = path + "\\" + name;
        HANDLE h = CreateFileA(full.c_str(), GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
        DWORD cb;
        WriteFile(h, pszContent, lstrlenA(pszContent), &cb, NULL);
        CloseHandle(h);
        made.push_back(full);
        return full;
    }
    std::string Dir(const std::string &name)
    {
        std::string full = path + "\\" + name;
        CreateDirectoryA(full.c_str(), NULL);
        made.push_back(full);
        return full;
    }

    std::string path;
    std::vector<std::string> made;
};

/* Every test starts from the host's defaults and leaves no block behind. */
class SvcTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        TBCtlResetAnswers();
        TBCtlSetFileList(NULL);
        TBCtlSetServerExtensions(NULL);
        TBCtlSetKindExtensions(0, NULL);
        TBCtlClearAliases();
        TBCtlSetGuardPages(FALSE);
        TBCtlFailAllocation(0);
        TBCtlClearCalls();
        nBlocksBefore_ = TBCtlOutstandingBlocks();
    }
    void TearDown() override
    {
        TBCtlSetGuardPages(FALSE);
        TBCtlFailAllocation(0);
        EXPECT_EQ(nBlocksBefore_, TBCtlOutstandingBlocks()) << "blocks left behind";
    }
    LONG nBlocksBefore_ = 0;
};

} // namespace svctest

#endif
