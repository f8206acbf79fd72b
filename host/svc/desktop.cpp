/* Desktops (the MDI clients of the host), their windows and the file-system
 * notification lists. */
#include "svcint.h"

namespace {

struct NOTIFYREC {
    HWND hwndDesktop;
    FSNOTIFYPROC pfn;
    LPVOID pContext;
};

std::vector<DESKTOPREC *> g_desktops; /* every record ever made; see DESKTOPREC */
std::vector<NOTIFYREC> g_notify;

bool IsMdiClient(HWND hwnd)
{
    CHAR szClass[16];
    return GetClassNameA(hwnd, szClass, sizeof(szClass)) && lstrcmpiA(szClass, "MDIClient") == 0;
}

/* The live desktop whose frame (parent or host window) is hwnd. */
DESKTOPREC *FindDesktopOfFrame(HWND hwnd)
{
    for (DESKTOPREC *p : g_desktops)
        if (!p->fRemoved && (GetParent(p->hwndDesktop) == hwnd || p->hwndHost == hwnd))
            return p;
    return NULL;
}

HWND MdiClientOf(HWND hwnd)
{
    HWND hwndParent = GetParent(hwnd);
    return hwndParent && IsMdiClient(hwndParent) ? hwndParent : NULL;
}

} // namespace

DESKTOPREC *SvcFindDesktop(HWND hwndDesktop)
{
    if (!hwndDesktop)
        return NULL;
    for (DESKTOPREC *p : g_desktops)
        if (!p->fRemoved && p->hwndDesktop == hwndDesktop)
            return p;
    return NULL;
}

/* The desktop of a window: the first registered desktop up its parent (and
 * owner) chain, where a frame stands for its desktop; for windows of no
 * registered desktop, the nearest MDI client; else null. */
HWND SvcDesktopOf(HWND hwnd)
{
    {
        SvcGuard lock;
        for (HWND w = hwnd; w; w = GetParent(w)) {
            if (SvcFindDesktop(w))
                return w;
            if (DESKTOPREC *p = FindDesktopOfFrame(w))
                return p->hwndDesktop;
        }
    }
    for (HWND w = hwnd; w; w = GetParent(w))
        if (IsMdiClient(w))
            return w;
    return NULL;
}

HTBSESSION SvcSessionOf(HWND hwnd)
{
    HWND hwndDesktop = SvcDesktopOf(hwnd);
    SvcGuard lock;
    DESKTOPREC *pDesk = SvcFindDesktop(hwndDesktop);
    return pDesk ? &pDesk->session : NULL;
}

static APPINFO *AppInfoOf(HWND hwndDesktop)
{
    SvcGuard lock;
    DESKTOPREC *p = SvcFindDesktop(hwndDesktop);
    return p ? p->pInfo : NULL;
}

extern "C" HWND WINAPI GetDesktop(HWND hwnd)
{
    SvcLogCall("GetDesktop", NULL, {(DWORD_PTR)hwnd});
    return SvcDesktopOf(hwnd);
}

extern "C" APPINFO *WINAPI APgetInfo(HWND hwndDesktop)
{
    SvcLogCall("APgetInfo", NULL, {(DWORD_PTR)hwndDesktop});
    return AppInfoOf(hwndDesktop);
}

extern "C" APPINFO *WINAPI HWNDtoAPInfo(HWND hwnd)
{
    SvcLogCall("HWNDtoAPInfo", NULL, {(DWORD_PTR)hwnd});
    return AppInfoOf(SvcDesktopOf(hwnd));
}

extern "C" void WINAPI APactivateWindow(HWND hwnd)
{
    SvcLogCall("APactivateWindow", NULL, {(DWORD_PTR)hwnd});
    if (!hwnd || !IsWindow(hwnd))
        return;
    if (HWND hwndClient = MdiClientOf(hwnd)) {
        if (IsIconic(hwnd))
            SendMessageA(hwndClient, WM_MDIRESTORE, (WPARAM)hwnd, 0);
        SendMessageA(hwndClient, WM_MDIACTIVATE, (WPARAM)hwnd, 0);
    } else {
        BringWindowToTop(hwnd);
    }
}

extern "C" void WINAPI APactivateNextWindow(HWND hwnd)
{
    SvcLogCall("APactivateNextWindow", NULL, {(DWORD_PTR)hwnd});
    if (!hwnd || !IsWindow(hwnd))
        return;
    if (HWND hwndClient = MdiClientOf(hwnd))
        SendMessageA(hwndClient, WM_MDINEXT, (WPARAM)hwnd, 0);
}

extern "C" BOOL WINAPI APpostMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    SvcLogCall("APpostMessage", NULL, {(DWORD_PTR)hwnd, (DWORD_PTR)msg, (DWORD_PTR)wParam, (DWORD_PTR)lParam});
    return PostMessageA(hwnd, msg, wParam, lParam);
}

/* Centres the window on its parent (or owner), else on the work area. */
extern "C" void WINAPI CenterWindow(HWND hwnd)
{
    SvcLogCall("CenterWindow", NULL, {(DWORD_PTR)hwnd});
    if (!hwnd || !IsWindow(hwnd))
        return;
    RECT rcWnd, rcRef;
    GetWindowRect(hwnd, &rcWnd);
    HWND hwndRef = GetParent(hwnd);
    if (!hwndRef || !GetWindowRect(hwndRef, &rcRef))
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &rcRef, 0);
    POINT pt;
    pt.x = rcRef.left + ((rcRef.right - rcRef.left) - (rcWnd.right - rcWnd.left)) / 2;
    pt.y = rcRef.top + ((rcRef.bottom - rcRef.top) - (rcWnd.bottom - rcWnd.top)) / 2;
    if (GetWindowLongA(hwnd, GWL_STYLE) & WS_CHILD) {
        ScreenToClient(hwndRef, &pt);
    } else {
        /* Keep a popup on its monitor's work area. */
        MONITORINFO mi;
        mi.cbSize = sizeof(mi);
        if (GetMonitorInfoA(MonitorFromWindow(hwnd, MONITOR_DEFAULTTONEAREST), &mi)) {
            LONG cx = rcWnd.right - rcWnd.left, cy = rcWnd.bottom - rcWnd.top;
            if (pt.x > mi.rcWork.right - cx)
                pt.x = mi.rcWork.right - cx;
            if (pt.x < mi.rcWork.left)
                pt.x = mi.rcWork.left;
            if (pt.y > mi.rcWork.bottom - cy)
                pt.y = mi.rcWork.bottom - cy;
            if (pt.y < mi.rcWork.top)
                pt.y = mi.rcWork.top;
        }
    }
    SetWindowPos(hwnd, NULL, pt.x, pt.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

extern "C" BOOL WINAPI CanCloseAll(HWND hwndDesktop, LONG fPrompt)
{
    SvcLogCall("CanCloseAll", NULL, {(DWORD_PTR)hwndDesktop, (DWORD_PTR)fPrompt});
    LONG lAnswer = SvcAnswer(TBA_CANCLOSEALL);
    return lAnswer == TBCTL_REAL ? TRUE : lAnswer != 0;
}

/* An identical (desktop, callback, context) registration is kept once. */
extern "C" BOOL WINAPI FileSystemNotifyRegister(HWND hwndDesktop, FSNOTIFYPROC pfn, LPVOID pContext)
{
    SvcLogCall("FileSystemNotifyRegister", NULL, {(DWORD_PTR)hwndDesktop, (DWORD_PTR)pfn, (DWORD_PTR)pContext});
    if (!hwndDesktop || !pfn)
        return FALSE;
    SvcGuard lock;
    for (const NOTIFYREC &r : g_notify)
        if (r.hwndDesktop == hwndDesktop && r.pfn == pfn && r.pContext == pContext)
            return TRUE;
    try {
        g_notify.push_back({hwndDesktop, pfn, pContext});
    } catch (...) {
        return FALSE;
    }
    return TRUE;
}

/* Removes one registration; FALSE when there was none. */
extern "C" BOOL WINAPI FileSystemNotifyUnRegister(HWND hwndDesktop, FSNOTIFYPROC pfn, LPVOID pContext)
{
    SvcLogCall("FileSystemNotifyUnRegister", NULL, {(DWORD_PTR)hwndDesktop, (DWORD_PTR)pfn, (DWORD_PTR)pContext});
    SvcGuard lock;
    for (auto it = g_notify.begin(); it != g_notify.end(); ++it) {
        if (it->hwndDesktop == hwndDesktop && it->pfn == pfn && it->pContext == pContext) {
            g_notify.erase(it);
            return TRUE;
        }
    }
    return FALSE;
}

void SvcRemoveNotifications(HWND hwndDesktop)
{
    SvcGuard lock;
    for (auto it = g_notify.begin(); it != g_notify.end();)
        it = it->hwndDesktop == hwndDesktop ? g_notify.erase(it) : it + 1;
}

/* ---- control ---- */

extern "C" APPINFO *WINAPI TBCtlAddDesktop(HWND hwndDesktop, HWND hwndHost, LPCSTR pszWorkDir, BOOL fAppInfo)
{
    if (!hwndDesktop)
        return NULL;
    /* Host memory, outside the counted allocator. */
    DESKTOPREC *p = (DESKTOPREC *)HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(DESKTOPREC));
    if (!p)
        return NULL;
    if (fAppInfo) {
        p->pInfo = (APPINFO *)HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(APPINFO));
        if (!p->pInfo) {
            HeapFree(GetProcessHeap(), 0, p);
            return NULL;
        }
    }
    p->hwndDesktop = hwndDesktop;
    p->hwndHost = hwndHost;
    SvcBoundedCopy(p->session.szWorkDir, sizeof(p->session.szWorkDir), pszWorkDir);
    SvcGuard lock;
    try {
        g_desktops.push_back(p);
    } catch (...) {
        HeapFree(GetProcessHeap(), 0, p->pInfo);
        HeapFree(GetProcessHeap(), 0, p);
        return NULL;
    }
    /* A window registered again replaces its older record. */
    for (DESKTOPREC *pOld : g_desktops)
        if (pOld != p && pOld->hwndDesktop == hwndDesktop)
            pOld->fRemoved = TRUE;
    return p->pInfo;
}

extern "C" void WINAPI TBCtlRemoveDesktop(HWND hwndDesktop)
{
    {
        SvcGuard lock;
        for (DESKTOPREC *p : g_desktops)
            if (p->hwndDesktop == hwndDesktop)
                p->fRemoved = TRUE;
    }
    SvcRemoveNotifications(hwndDesktop);
}

extern "C" BOOL WINAPI TBCtlSetWorkDir(HWND hwndDesktop, LPCSTR pszDir)
{
    if (!pszDir || lstrlenA(pszDir) >= SVC_PATHMAX)
        return FALSE;
    SvcGuard lock;
    DESKTOPREC *p = SvcFindDesktop(hwndDesktop);
    if (!p)
        return FALSE;
    SvcBoundedCopy(p->session.szWorkDir, sizeof(p->session.szWorkDir), pszDir);
    return TRUE;
}

extern "C" BOOL WINAPI TBCtlGetWorkDir(HWND hwndDesktop, LPSTR pszOut, DWORD cch)
{
    if (!pszOut || cch == 0)
        return FALSE;
    SvcGuard lock;
    DESKTOPREC *p = SvcFindDesktop(hwndDesktop);
    if (!p) {
        pszOut[0] = '\0';
        return FALSE;
    }
    return SUCCEEDED(StringCchCopyA(pszOut, cch, p->session.szWorkDir));
}

/* Calls every callback registered for the desktop with (desktop, 0, 0, 0,
 * context). A callback may unregister itself or others: each one is called
 * only while it is still registered. */
extern "C" LONG WINAPI TBCtlFireFileSystemNotify(HWND hwndDesktop)
{
    std::vector<NOTIFYREC> calls;
    try {
        SvcGuard lock;
        for (const NOTIFYREC &r : g_notify)
            if (r.hwndDesktop == hwndDesktop)
                calls.push_back(r);
    } catch (...) {
        return 0;
    }
    LONG n = 0;
    for (const NOTIFYREC &r : calls) {
        bool fStill = false;
        {
            SvcGuard lock;
            for (const NOTIFYREC &cur : g_notify)
                if (cur.hwndDesktop == r.hwndDesktop && cur.pfn == r.pfn && cur.pContext == r.pContext)
                    fStill = true;
        }
        if (!fStill)
            continue;
        r.pfn((DWORD_PTR)hwndDesktop, 0, 0, 0, r.pContext);
        ++n;
    }
    return n;
}

extern "C" LONG WINAPI TBCtlNotifyRegistrations(HWND hwndDesktop)
{
    SvcGuard lock;
    LONG n = 0;
    for (const NOTIFYREC &r : g_notify)
        if (r.hwndDesktop == hwndDesktop)
            ++n;
    return n;
}
