/* The entry-call log of a host library. */
#include "calllog.h"

#include <stdio.h>

static TBHOSTLIBCALL s_aCalls[TBHOSTLIB_MAXCALLS];
static LONG s_nCalls;

/* The logged record, or null when the log is full (the call still counts). */
TBHOSTLIBCALL *LogHostLibCall(LPCSTR pszEntry, const DWORD_PTR *aArgs, int nArgs, LPCSTR pszText)
{
    LONG n = s_nCalls++;
    if (n >= TBHOSTLIB_MAXCALLS)
        return NULL;
    TBHOSTLIBCALL *pCall = &s_aCalls[n];
    ZeroMemory(pCall, sizeof *pCall);
    lstrcpynA(pCall->szEntry, pszEntry, sizeof pCall->szEntry);
    for (int i = 0; i < nArgs && i < 8; i++)
        pCall->aArgs[i] = aArgs[i];
    if (pszText != NULL)
        lstrcpynA(pCall->szText, pszText, sizeof pCall->szText);
    return pCall;
}

void ShowHostStatus(HWND hwnd, LPCSTR pszFormat, LPCSTR pszText)
{
    HWND hwndDesktop = GetDesktop(hwnd);
    if (hwndDesktop == NULL)
        return;
    CHAR szStatus[300];
    snprintf(szStatus, sizeof szStatus, pszFormat, pszText);
    SendMessageA(hwndDesktop, TBM_STATUSTEXT, 0, (LPARAM)szStatus);
}

LONG WINAPI TBHostLibCallCount(void)
{
    return s_nCalls;
}

BOOL WINAPI TBHostLibGetCall(LONG nth, TBHOSTLIBCALL *pCall)
{
    if (nth < 0 || nth >= s_nCalls || nth >= TBHOSTLIB_MAXCALLS || pCall == NULL)
        return FALSE;
    *pCall = s_aCalls[nth];
    return TRUE;
}

void WINAPI TBHostLibClearCalls(void)
{
    s_nCalls = 0;
}
