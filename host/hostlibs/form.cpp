/* tbform32: the host's form library: runs a loaded script, destroys a display. */
#include "calllog.h"

extern "C" BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD dwReason, LPVOID)
{
    if (dwReason == DLL_PROCESS_ATTACH)
        DisableThreadLibraryCalls(hInstance);
    return TRUE;
}

/* Runs the script of a display; the result is 1 when there was one. */
extern "C" LONG WINAPI FMrunScript(DISPLAYRECORD *pDisplay)
{
    const DWORD_PTR aArgs[1] = {(DWORD_PTR)pDisplay};
    TBHOSTLIBCALL *pCall = LogHostLibCall("FMrunScript", aArgs, 1, pDisplay != NULL ? pDisplay->szDocument : NULL);
    if (pDisplay == NULL)
        return 0;
    if (pCall != NULL) {
        pCall->nDisplay = pDisplay->nDisplay;
        pCall->nMode = pDisplay->nMode;
    }
    return 1;
}

/* Closes a display by number in the display library, if that is loaded. */
extern "C" LONG WINAPI VexDestroyDisplay(LONG nDisplay, LONG nZero)
{
    const DWORD_PTR aArgs[2] = {(DWORD_PTR)(DWORD)nDisplay, (DWORD_PTR)nZero};
    TBHOSTLIBCALL *pCall = LogHostLibCall("VexDestroyDisplay", aArgs, 2, NULL);
    if (pCall != NULL)
        pCall->nDisplay = nDisplay;
    /* Only a library someone already holds: destroying must not load it. */
    HMODULE hDisp = GetModuleHandleA("tbdisp32.dll");
    TBDISPCLOSEDISPLAYPROC pfnClose =
        hDisp != NULL ? (TBDISPCLOSEDISPLAYPROC)(void *)GetProcAddress(hDisp, "TBDispCloseDisplay") : NULL;
    return pfnClose != NULL && pfnClose(nDisplay) ? 1 : 0;
}
