/* tbdisp32: the host's display library. A display is a record naming a
 * document; the library keeps every display it loaded until it is destroyed
 * or the library is unloaded, so nothing leaks into the host allocator. */
#include "calllog.h"

typedef struct OPENDISPLAY {
    struct OPENDISPLAY *pNext;
    DISPLAYRECORD record;
} OPENDISPLAY;

static OPENDISPLAY *s_pDisplays;
static LONG s_nNextDisplay = TBDISP_FIRSTDISPLAY;

static void CloseAllDisplays(void)
{
    while (s_pDisplays != NULL) {
        OPENDISPLAY *pNext = s_pDisplays->pNext;
        HeapFree(GetProcessHeap(), 0, s_pDisplays);
        s_pDisplays = pNext;
    }
}

extern "C" BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD dwReason, LPVOID pvReserved)
{
    if (dwReason == DLL_PROCESS_ATTACH)
        DisableThreadLibraryCalls(hInstance);
    else if (dwReason == DLL_PROCESS_DETACH && pvReserved == NULL)
        CloseAllDisplays();
    return TRUE;
}

/* Loads a document of the host window's session into a display (mode 1: to
 * show it, mode 4: to run it as a script). Null when the document is missing. */
extern "C" DISPLAYRECORD *WINAPI VexLoadDisplay(HWND hwndHost, LONG nOne, LPCSTR pszDocument, LONG nMode, LONG l5,
                                                LONG l6, LONG l7, LONG l8)
{
    const DWORD_PTR aArgs[8] = {(DWORD_PTR)hwndHost, (DWORD_PTR)nOne, (DWORD_PTR)pszDocument, (DWORD_PTR)nMode,
                                (DWORD_PTR)l5,       (DWORD_PTR)l6,   (DWORD_PTR)l7,          (DWORD_PTR)l8};
    LogHostLibCall("VexLoadDisplay", aArgs, 8, pszDocument);
    if (pszDocument == NULL || pszDocument[0] == '\0')
        return NULL;

    CHAR szFullPath[MAX_PATH] = "";
    TBMfullPathname(TBMgetSession(hwndHost), pszDocument, szFullPath);
    szFullPath[MAX_PATH - 1] = '\0';
    if (!FileExists(szFullPath))
        return NULL;

    OPENDISPLAY *pOpen = (OPENDISPLAY *)HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(OPENDISPLAY));
    if (pOpen == NULL)
        return NULL;
    pOpen->record.nDisplay = s_nNextDisplay++;
    pOpen->record.nMode = nMode;
    lstrcpynA(pOpen->record.szDocument, pszDocument, sizeof pOpen->record.szDocument);
    pOpen->pNext = s_pDisplays;
    s_pDisplays = pOpen;

    if (nMode != 4)
        ShowHostStatus(hwndHost, "Opened %s", pszDocument);
    return &pOpen->record;
}

LONG WINAPI TBDispOpenDisplays(void)
{
    LONG n = 0;
    for (OPENDISPLAY *p = s_pDisplays; p != NULL; p = p->pNext)
        n++;
    return n;
}

/* Called by the form library's VexDestroyDisplay. */
BOOL WINAPI TBDispCloseDisplay(LONG nDisplay)
{
    for (OPENDISPLAY **pp = &s_pDisplays; *pp != NULL; pp = &(*pp)->pNext) {
        if ((*pp)->record.nDisplay == nDisplay) {
            OPENDISPLAY *pOpen = *pp;
            *pp = pOpen->pNext;
            HeapFree(GetProcessHeap(), 0, pOpen);
            return TRUE;
        }
    }
    return FALSE;
}
