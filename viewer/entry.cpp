/* The add-in entry of the project viewer: attach, status, and opening the
 * one viewer window of a desktop. */
#include <string.h>

#include "viewer.h"

HINSTANCE g_hinstViewer;

/* The three window classes are registered with the host once per loaded
 * library; the host keeps them for the life of the process. */
static BOOL s_fClassesRegistered;

#define VIEWER_ATTACHED   TBENTRY_ATTACHED
#define VIEWER_STATUSLOW  21603
#define VIEWER_TOOLNAME   "ProjectViewer"
#define VIEWER_STYLE      0x56CF0000L /* child, visible, clip, caption, sysmenu, sizing, min/max boxes */
#define CURSOR_ARROW      32512

extern "C" BOOL WINAPI DllMain(HINSTANCE hinst, DWORD dwReason, LPVOID pReserved)
{
    (void)pReserved;
    if (dwReason == DLL_PROCESS_ATTACH)
        g_hinstViewer = hinst;
    return TRUE;
}

extern "C" LONG WINAPI OndrelEntry(HWND hwnd, LONG nCode, LONG lArg, LONG_PTR lArg2)
{
    (void)lArg;
    switch (nCode) {
    case TBENTRY_ATTACH:
        AttachViewer(hwnd);
        return VIEWER_ATTACHED;
    case TBENTRY_STATUS: {
        DWORD dwFree = (DWORD)LocalCompact((UINT)0xFFFFFFFF);
        return (LONG)(((dwFree & 0xFFFF) << 16) | VIEWER_STATUSLOW);
    }
    case TBENTRY_OPENTOOL:
        /* Window handles keep 32 significant bits on Win64 as well. */
        return HandleToLong(OpenViewerByName(hwnd, (const VIEWERREQUEST *)lArg2));
    default:
        return 0;
    }
}

void AttachViewer(HWND hwndDesktop)
{
    APPINFO *pInfo = APgetInfo(hwndDesktop);
    if (pInfo) {
        pInfo->fViewerEnabled = 1;
        pInfo->hwndViewer = NULL;
        pInfo->pfnShowViewer = ShowViewer;
    }
    if (!s_fClassesRegistered) {
        s_fClassesRegistered = TRUE;
        /* Window word 0 carries a pointer: pointer-sized extra bytes. */
        StoreClassInfo(FVCLASS_VIEWER, FVWndProc, sizeof(LONG_PTR), g_hinstViewer, IDI_VIEWER, CURSOR_ARROW,
                       COLOR_BTNFACE + 1, 0);
        StoreClassInfo(FVCLASS_TYPELIST, FVListWndProc, sizeof(LONG_PTR), g_hinstViewer, 0, CURSOR_ARROW,
                       COLOR_WINDOW + 1, 0);
        StoreClassInfo(FVCLASS_FILEPANE, FVFileWndProc, sizeof(LONG_PTR), g_hinstViewer, 0, CURSOR_ARROW,
                       COLOR_WINDOW + 1, 0);
    }
}

void WINAPI ShowViewer(HWND hwndDesktop)
{
    APPINFO *pInfo = APgetInfo(GetDesktop(hwndDesktop));
    if (!pInfo || !pInfo->fViewerEnabled)
        return;
    if (pInfo->hwndViewer)
        APactivateWindow(pInfo->hwndViewer);
    else
        OpenViewer(hwndDesktop, NULL);
}

HWND OpenViewerByName(HWND hwndDesktop, const VIEWERREQUEST *pRequest)
{
    if (!pRequest || !pRequest->pszTool || strcmp(pRequest->pszTool, VIEWER_TOOLNAME) != 0)
        return NULL;
    APPINFO *pInfo = APgetInfo(GetDesktop(hwndDesktop));
    if (pInfo && pInfo->hwndViewer) {
        APactivateWindow(pInfo->hwndViewer);
        return NULL;
    }
    return OpenViewer(hwndDesktop, pRequest);
}

HWND OpenViewer(HWND hwndDesktop, const VIEWERREQUEST *pRequest)
{
    APPINFO *pInfo = APgetInfo(hwndDesktop);
    if (pInfo && !pInfo->fViewerEnabled)
        return NULL;

    LPCSTR pszClass = QueryClassName(FVCLASS_VIEWER);
    if (!pszClass)
        return NULL;

    MDICREATESTRUCTA mcs = {};
    mcs.szClass = pszClass;
    mcs.szTitle = GetRCString(g_hinstViewer, IDS_VIEWERTITLE);
    mcs.hOwner = g_hinstViewer;
    mcs.style = VIEWER_STYLE;
    if (pRequest) {
        mcs.x = pRequest->x;
        mcs.y = pRequest->y;
        mcs.cx = pRequest->cx;
        mcs.cy = pRequest->cy;
        mcs.lParam = (LPARAM)(DWORD)MAKELONG(pRequest->wTypeRow, pRequest->wReferencesOnly);
    } else {
        mcs.x = mcs.y = mcs.cx = mcs.cy = CW_USEDEFAULT;
        mcs.lParam = (LPARAM)(DWORD)MAKELONG(0, ReadReferencesOnly(hwndDesktop));
    }

    HWND hwndViewer = (HWND)SendMessageA(hwndDesktop, WM_MDICREATE, 0, (LPARAM)&mcs);
    if (!hwndViewer)
        return NULL;
    if (pInfo)
        pInfo->hwndViewer = hwndViewer;
    return hwndViewer;
}

BOOL ReadReferencesOnly(HWND hwndDesktop)
{
    LPSTR pszSection = TB_Strdup("ProjectViewer");
    LPSTR pszKey = TB_Strdup("ReferencesOnly");
    BOOL fOn = FALSE;
    if (pszSection && pszKey) {
        SETTINGREQUEST req = {pszSection, pszKey, NULL, 0};
        if (SendMessageA(GetDesktop(hwndDesktop), TBM_READSETTING, 0, (LPARAM)&req)) {
            fOn = req.pszValue && lstrcmpiA(req.pszValue, "True") == 0;
            fastfree(req.pszValue);
        }
    }
    fastfree(pszKey);
    fastfree(pszSection);
    return fOn;
}
