/* Query-file library: choose a query file, test whether one is unchanged. */
#ifndef QBE_H
#define QBE_H

#include "tbhost.h"

#define QBE_FILEKIND 2 /* the file kind of query files in the host's dialog */

#ifdef __cplusplus
extern "C" {
#endif

LONG WINAPI GetQBEFile(HWND hwnd, LPSTR pszBuffer, LONG cbBuffer);
LONG WINAPI SameQry(HWND hwnd, LPCSTR pszName, const DWORD *pdwStamp);

#ifdef __cplusplus
}
#endif

void GetQueryStamp(HWND hwnd, LPCSTR pszName, DWORD *pdwStamp);

#endif
