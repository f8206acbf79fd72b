/* The desktop's answers to the add-ins' private messages. */
#define STRSAFE_NO_DEPRECATE
#include "demo.h"
#include "tbctl.h"
#include <commctrl.h>
#include <strsafe.h>

WNDPROC g_pfnMdiClientProc;

void DemoSetStatus(LPCSTR pszText)
{
    if (g_demo.hwndStatus)
        SendMessageA(g_demo.hwndStatus, SB_SETTEXTA, 0, (LPARAM)(pszText ? pszText : ""));
}

/* Watch the working directory so that the add-ins follow files that other
 * programs create, rename or delete. */
void DemoWatchWorkDir(void)
{
    CHAR szDir[MAX_PATH];
    if (g_demo.hChange != NULL && g_demo.hChange != INVALID_HANDLE_VALUE)
        FindCloseChangeNotification(g_demo.hChange);
    g_demo.hChange = NULL;
    if (!TBCtlGetWorkDir(g_demo.hwndDesktop, szDir, sizeof szDir))
        return;
    HANDLE h = FindFirstChangeNotificationA(szDir, FALSE,
                                            FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_LAST_WRITE);
    g_demo.hChange = (h == INVALID_HANDLE_VALUE) ? NULL : h;
}

static void CopyBounded(LPSTR pszOut, size_t cch, LPCSTR pszIn)
{
    StringCchCopyA(pszOut, cch, pszIn ? pszIn : "");
}

/* 30037: answers non-zero and a host copy of the value when the key holds a
 * non-empty value; an empty value counts as missing. */
static LRESULT ReadSetting(SETTINGREQUEST *pReq)
{
    CHAR szValue[1024];
    if (!pReq || !pReq->pszSection || !pReq->pszKey)
        return 0;
    GetPrivateProfileStringA(pReq->pszSection, pReq->pszKey, "", szValue, sizeof szValue, g_demo.szIniFile);
    if (!szValue[0])
        return 0;
    LPSTR pszCopy = TB_Strdup(szValue);
    if (!pszCopy)
        return 0;
    pReq->pszValue = pszCopy;
    return 1;
}

static LRESULT WriteSetting(SETTINGREQUEST *pReq)
{
    if (!pReq || !pReq->pszSection || !pReq->pszKey)
        return 0;
    return WritePrivateProfileStringA(pReq->pszSection, pReq->pszKey, pReq->pszValue ? pReq->pszValue : "",
                                      g_demo.szIniFile);
}

/* The viewer's menu resource is a menu bar of its own: its popups join the
 * frame's bar in front of the Window menu while the viewer is active. The
 * host owns the loaded menu and destroys it when it goes. */
static void InstallViewerMenu(const MENUREQUEST *pReq)
{
    HMENU hmenuBar = GetMenu(g_demo.hwndFrame);
    if (g_demo.hmenuViewer) {
        for (int i = GetMenuItemCount(hmenuBar) - 1; i >= 0; i--) {
            HMENU hsub = GetSubMenu(hmenuBar, i);
            for (int k = 0; hsub && k < GetMenuItemCount(g_demo.hmenuViewer); k++)
                if (GetSubMenu(g_demo.hmenuViewer, k) == hsub) {
                    RemoveMenu(hmenuBar, i, MF_BYPOSITION);
                    break;
                }
        }
        DestroyMenu(g_demo.hmenuViewer);
        g_demo.hmenuViewer = NULL;
    }
    if (!pReq || !pReq->hmenu)
        return;
    g_demo.hmenuViewer = pReq->hmenu;
    int iInsert = GetMenuItemCount(hmenuBar) - 1;
    for (int k = 0; k < GetMenuItemCount(pReq->hmenu); k++) {
        CHAR szText[64];
        HMENU hsub = GetSubMenu(pReq->hmenu, k);
        if (!hsub || !GetMenuStringA(pReq->hmenu, k, szText, sizeof szText, MF_BYPOSITION))
            continue;
        InsertMenuA(hmenuBar, iInsert++, MF_BYPOSITION | MF_POPUP | MF_STRING, (UINT_PTR)hsub, szText);
    }
}

static void RemoveViewerMenu(void)
{
    InstallViewerMenu(NULL);
}

static LRESULT NextReference(const REFERENCEINFO *pPrev)
{
    if (!pPrev)
        return g_demo.nRefs ? (LRESULT)&g_demo.aRefs[0] : 0;
    for (int i = 0; i + 1 < g_demo.nRefs; i++)
        if (pPrev == &g_demo.aRefs[i])
            return (LRESULT)&g_demo.aRefs[i + 1];
    return 0;
}

static void ShowObjectMenu(LPCSTR pszName)
{
    POINT pt;
    HMENU hmenu = CreatePopupMenu();
    if (!hmenu)
        return;
    AppendMenuA(hmenu, MF_STRING, IDC_OBJ_OPEN, "&Open");
    AppendMenuA(hmenu, MF_STRING, IDC_OBJ_INFO, "&Information");
    GetCursorPos(&pt);
    UINT id = TrackPopupMenu(hmenu, TPM_RETURNCMD | TPM_LEFTALIGN | TPM_RIGHTBUTTON, pt.x, pt.y, 0,
                             g_demo.hwndFrame, NULL);
    DestroyMenu(hmenu);
    if (id == IDC_OBJ_OPEN) {
        OpenDocWindow(pszName);
    } else if (id == IDC_OBJ_INFO) {
        CHAR szPath[MAX_PATH], szText[MAX_PATH + 64];
        WIN32_FILE_ATTRIBUTE_DATA fad;
        HTBSESSION hSession = TBMgetSession(g_demo.hwndDesktop);
        if (TBMfullPathname(hSession, pszName, szPath) == 0 &&
            GetFileAttributesExA(szPath, GetFileExInfoStandard, &fad))
            StringCchPrintfA(szText, ARRAYSIZE(szText), "%s: %lu bytes", pszName, (unsigned long)fad.nFileSizeLow);
        else
            StringCchPrintfA(szText, ARRAYSIZE(szText), "%s: no information", pszName);
        DemoSetStatus(szText);
    }
}

static LRESULT SwitchWorkDir(LPCSTR pszPath)
{
    if (!pszPath || !TBCtlSetWorkDir(g_demo.hwndDesktop, pszPath))
        return 0;
    DemoWatchWorkDir();
    /* Posted, so that it arrives after the viewer's own change returned. */
    if (g_demo.pAppInfo && g_demo.pAppInfo->hwndViewer)
        PostMessageA(g_demo.pAppInfo->hwndViewer, TBM_WORKDIRCHANGED, 1, 0);
    return 1;
}

static LRESULT FrameIdOf(UINT idViewer)
{
    if (g_demo.hmenuViewer && GetMenuState(g_demo.hmenuViewer, idViewer, MF_BYCOMMAND) != (UINT)-1)
        return idViewer;
    return 0;
}

static const char *KindName(WPARAM nKind)
{
    switch (nKind) {
    case 1: return "tables";
    case 4: return "queries";
    case 6: return "forms";
    default: return "documents";
    }
}

/* Answers the private messages; 0 with *pfHandled FALSE for anything else. */
static LRESULT HandlePrivateMessage(UINT msg, WPARAM wParam, LPARAM lParam, BOOL *pfHandled)
{
    CHAR szText[MAX_PATH + 64];
    *pfHandled = TRUE;
    switch (msg) {
    case TBM_OPENFILE:
        return OpenDocWindow((LPCSTR)lParam) != NULL;
    case TBM_STATUSTEXT:
        DemoSetStatus((LPCSTR)lParam);
        return 1;
    case TBM_OBJECTMENU:
        ShowObjectMenu((LPCSTR)lParam);
        return 1;
    case TBM_SETMENU:
        if (wParam == TBSM_INSTALL)
            InstallViewerMenu((const MENUREQUEST *)lParam);
        else
            RemoveViewerMenu();
        return 1;
    case TBM_GETHOSTSTRING:
        if (!lParam)
            return 0;
        if (wParam == TBHS_WORKDIR)
            return TBCtlGetWorkDir(g_demo.hwndDesktop, (LPSTR)lParam, DEMO_HOSTSTRINGMAX);
        CopyBounded((LPSTR)lParam, DEMO_HOSTSTRINGMAX, g_demo.szSecondString);
        return 1;
    case TBM_MENUCHANGED:
        DrawMenuBar(g_demo.hwndFrame);
        return 1;
    case TBM_KINDACTION:
        StringCchPrintfA(szText, ARRAYSIZE(szText), "The host would now act on %s (%s).", KindName(wParam),
                         lParam == 4 ? "object menu" : "new document");
        DemoSetStatus(szText);
        return 1;
    case TBM_SETWORKDIR:
        return SwitchWorkDir((LPCSTR)lParam);
    case TBM_GETWORKDIR:
        return lParam ? TBCtlGetWorkDir(g_demo.hwndDesktop, (LPSTR)lParam, MAX_PATH) : 0;
    case TBM_NEXTREFERENCE:
        return NextReference((const REFERENCEINFO *)lParam);
    case TBM_SHOWHELP:
        StringCchPrintfA(szText, ARRAYSIZE(szText), "Help topic %ld would be shown here.", (long)lParam);
        DemoSetStatus(szText);
        return 1;
    case TBM_WRITESETTING:
        return WriteSetting((SETTINGREQUEST *)lParam);
    case TBM_READSETTING:
        return ReadSetting((SETTINGREQUEST *)lParam);
    case TBM_MENUINSTALLED:
        return 1;
    case TBM_FRAMEMENUID:
        return FrameIdOf((UINT)wParam);
    }
    *pfHandled = FALSE;
    return 0;
}

LRESULT CALLBACK DemoDesktopProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    BOOL fHandled;
    if (msg >= TBM_OPENFILE && msg <= TBM_FOLLOWWORKDIR) {
        LRESULT lr = HandlePrivateMessage(msg, wParam, lParam, &fHandled);
        if (fHandled)
            return lr;
    }
    return CallWindowProcA(g_pfnMdiClientProc, hwnd, msg, wParam, lParam);
}

/* The frame answers 30016 too: the custom menu sends it to the window it was
 * attached to. */
LRESULT DemoFramePrivateMessage(UINT msg, WPARAM wParam, LPARAM lParam, BOOL *pfHandled)
{
    return HandlePrivateMessage(msg, wParam, lParam, pfHandled);
}
