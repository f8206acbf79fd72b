/* A sample library for the custom menu: its entries receive the record that
 * describes the host window and show what they got. */
#define STRSAFE_NO_DEPRECATE
#include "tbhost.h"
#include <strsafe.h>

extern "C" LONG WINAPI ShowCallInfo(MENUCALLINFO *pInfo)
{
    CHAR szText[1400];
    if (!pInfo)
        return 0;
    StringCchPrintfA(szText, ARRAYSIZE(szText),
                     "Host window: %p\r\nWorking directory: %s\r\nSecond host string: %s\r\nMenu item: %s",
                     (void *)pInfo->hwndHost, pInfo->pszWorkDir ? pInfo->pszWorkDir : "(none)",
                     pInfo->pszSecondString ? pInfo->pszSecondString : "(none)",
                     pInfo->pszLabel ? pInfo->pszLabel : "(none)");
    MessageBoxA(pInfo->hwndHost, szText, "Custom menu call", MB_OK | MB_ICONINFORMATION);
    return 1;
}

extern "C" LONG WINAPI ShowAbout(MENUCALLINFO *pInfo)
{
    MessageBoxA(pInfo ? pInfo->hwndHost : NULL,
                "This demo host loads the project viewer, the custom menu and the query-file library.",
                "About the demo host", MB_OK | MB_ICONINFORMATION);
    return 1;
}
