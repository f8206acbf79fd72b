/* The host's error stack: each code's message comes from this library's
 * string table; a host may show it through the error hook. */
#include "svcint.h"

namespace {

TBCTLERRORHOOK g_pfnErrorHook;

} // namespace

extern "C" void WINAPI LogErrorStack(APPINFO *pInfo, LONG nCode, LONG nLevel)
{
    CHAR szMessage[256];
    if (nCode <= 0 || nCode > 0xFFFF || LoadStringA(g_hinstSvc, (UINT)nCode, szMessage, sizeof(szMessage)) <= 0)
        StringCchPrintfA(szMessage, sizeof(szMessage), "Error %ld.", nCode);
    SvcLogCall("LogErrorStack", szMessage, {(DWORD_PTR)pInfo, (DWORD_PTR)nCode, (DWORD_PTR)nLevel});
    TBCTLERRORHOOK pfn;
    {
        SvcGuard lock;
        pfn = g_pfnErrorHook;
    }
    if (pfn)
        pfn(pInfo, nCode, nLevel, szMessage);
}

extern "C" void WINAPI TBCtlSetErrorHook(TBCTLERRORHOOK pfn)
{
    SvcGuard lock;
    g_pfnErrorHook = pfn;
}
