/* The call log, the scripted answers and the library's start-up. */
#include "svcint.h"

HINSTANCE g_hinstSvc;

namespace {

const LONG kMaxCalls = 4096; /* the log keeps the most recent calls */

CRITICAL_SECTION g_csState;
TBCALL *g_pCalls;  /* ring of kMaxCalls */
LONG g_iNext;      /* slot of the next call */
LONG g_nCalls;     /* calls kept, at most kMaxCalls */

LONG g_alAnswers[TBA_COUNT];
CHAR g_szBrowser[SVC_PATHMAX];
CHAR g_szFileSelect[TBFS_NAMEMAX];

void ResetAnswers()
{
    for (LONG &l : g_alAnswers)
        l = TBCTL_REAL;
}

BOOL ServiceMatches(const TBCALL &call, LPCSTR pszService)
{
    return !pszService || lstrcmpA(call.szService, pszService) == 0;
}

} // namespace

void SvcLock()
{
    EnterCriticalSection(&g_csState);
}

void SvcUnlock()
{
    LeaveCriticalSection(&g_csState);
}

void SvcStateInit()
{
    InitializeCriticalSection(&g_csState);
    ResetAnswers();
}

void SvcLogCall(LPCSTR pszService, LPCSTR pszText, std::initializer_list<DWORD_PTR> args)
{
    SvcGuard lock;
    if (!g_pCalls) {
        /* The log is the host's own memory, outside the counted allocator. */
        g_pCalls = (TBCALL *)HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(TBCALL) * kMaxCalls);
        if (!g_pCalls)
            return;
    }
    TBCALL &call = g_pCalls[g_iNext];
    ZeroMemory(&call, sizeof(call));
    SvcBoundedCopy(call.szService, sizeof(call.szService), pszService);
    size_t i = 0;
    for (DWORD_PTR arg : args) {
        if (i == sizeof(call.aArgs) / sizeof(call.aArgs[0]))
            break;
        call.aArgs[i++] = arg;
    }
    SvcBoundedCopy(call.szText, sizeof(call.szText), pszText);
    g_iNext = (g_iNext + 1) % kMaxCalls;
    if (g_nCalls < kMaxCalls)
        ++g_nCalls;
}

extern "C" void WINAPI TBCtlClearCalls(void)
{
    SvcGuard lock;
    g_iNext = 0;
    g_nCalls = 0;
}

extern "C" LONG WINAPI TBCtlCallCount(LPCSTR pszService)
{
    SvcGuard lock;
    LONG n = 0;
    LONG iFirst = (g_iNext - g_nCalls + kMaxCalls) % kMaxCalls;
    for (LONG i = 0; i < g_nCalls; ++i)
        if (ServiceMatches(g_pCalls[(iFirst + i) % kMaxCalls], pszService))
            ++n;
    return n;
}

extern "C" BOOL WINAPI TBCtlGetCall(LPCSTR pszService, LONG nth, TBCALL *pCall)
{
    if (!pCall || nth < 0)
        return FALSE;
    SvcGuard lock;
    LONG iFirst = (g_iNext - g_nCalls + kMaxCalls) % kMaxCalls;
    for (LONG i = 0; i < g_nCalls; ++i) {
        const TBCALL &call = g_pCalls[(iFirst + i) % kMaxCalls];
        if (ServiceMatches(call, pszService) && nth-- == 0) {
            *pCall = call;
            return TRUE;
        }
    }
    return FALSE;
}

LONG SvcAnswer(LONG nWhich)
{
    SvcGuard lock;
    return nWhich >= 0 && nWhich < TBA_COUNT ? g_alAnswers[nWhich] : TBCTL_REAL;
}

std::string SvcBrowserResult()
{
    SvcGuard lock;
    return g_szBrowser;
}

std::string SvcFileSelectResult()
{
    SvcGuard lock;
    return g_szFileSelect;
}

extern "C" void WINAPI TBCtlSetAnswer(LONG nWhich, LONG nAnswer)
{
    SvcGuard lock;
    if (nWhich >= 0 && nWhich < TBA_COUNT)
        g_alAnswers[nWhich] = nAnswer;
}

extern "C" void WINAPI TBCtlResetAnswers(void)
{
    SvcGuard lock;
    ResetAnswers();
}

extern "C" void WINAPI TBCtlSetBrowserResult(LPCSTR pszPath)
{
    SvcGuard lock;
    SvcBoundedCopy(g_szBrowser, sizeof(g_szBrowser), pszPath);
}

extern "C" void WINAPI TBCtlSetFileSelectResult(LPCSTR pszName)
{
    SvcGuard lock;
    SvcBoundedCopy(g_szFileSelect, sizeof(g_szFileSelect), pszName);
}

extern "C" BOOL WINAPI DllMain(HINSTANCE hinst, DWORD dwReason, LPVOID pReserved)
{
    (void)pReserved;
    if (dwReason == DLL_PROCESS_ATTACH) {
        g_hinstSvc = hinst;
        DisableThreadLibraryCalls(hinst);
        SvcAllocInit();
        SvcStateInit();
    }
    return TRUE;
}
