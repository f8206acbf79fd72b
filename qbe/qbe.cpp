/* GetQBEFile and SameQry: the two services of the query-file library. */
#include "qbe.h"

/* Length of a name the host wrote into a fixed field, never beyond the field. */
static LONG BoundedLength(const CHAR *psz, LONG cchMax)
{
    LONG cch = 0;
    while (cch < cchMax && psz[cch] != '\0')
        cch++;
    return cch;
}

/* Lets the user choose a query file in the host's dialog.
 * Answers FSfileSelect's result; the name is cut to the buffer and terminated. */
LONG WINAPI GetQBEFile(HWND hwnd, LPSTR pszBuffer, LONG cbBuffer)
{
    /* No room even for the terminator: nothing could be handed back, so the
     * dialog is not shown and the buffer is not touched. */
    if (pszBuffer == NULL || cbBuffer < 1)
        return 0;

    HWND hwndDesktop = GetDesktop(hwnd);
    FSINFO *pInfo = FScreateFSinfo(hwndDesktop, 6, 1, 0, 0);
    if (pInfo == NULL)
        return 0;

    if (pInfo->pnKind != NULL)
        *pInfo->pnKind = QBE_FILEKIND;
    pInfo->nOption292 = 0;

    LONG lResult = FSfileSelect(hwnd, pInfo);
    if (lResult != 0) {
        /* The host's field need not be terminated: never read past it. */
        LONG cch = BoundedLength(pInfo->szFile, (LONG)sizeof pInfo->szFile);
        if (cch > cbBuffer - 1)
            cch = cbBuffer - 1;
        lmemmov(pszBuffer, pInfo->szFile, (DWORD)cch);
        pszBuffer[cch] = '\0';
    }

    FSdestroyFSinfo(pInfo);
    return lResult;
}

/* The query file's current time stamp, all zeros when it cannot be had. */
void GetQueryStamp(HWND hwnd, LPCSTR pszName, DWORD *pdwStamp)
{
    HTBSESSION hSession = TBMgetSession(hwnd);
    lmemset(pdwStamp, 0, 2 * sizeof(DWORD));
    if (hSession == NULL || pszName == NULL || pszName[0] == '\0')
        return;

    /* Starts empty: a failed expansion must not hand on stack garbage. */
    CHAR szFullPath[MAX_PATH] = "";
    TBMfullPathname(hSession, pszName, szFullPath);
    szFullPath[MAX_PATH - 1] = '\0';
    DosGetFILETIME(szFullPath, pdwStamp);
}

/* 1 when the query file still has the stamp the caller recorded, else 0. */
LONG WINAPI SameQry(HWND hwnd, LPCSTR pszName, const DWORD *pdwStamp)
{
    if (pdwStamp == NULL)
        return 0;

    DWORD adwCurrent[2];
    GetQueryStamp(hwnd, pszName, adwCurrent);
    return adwCurrent[0] == pdwStamp[0] && adwCurrent[1] == pdwStamp[1] ? 1 : 0;
}
