/* The host's dialogs: the folder browser and the file-selection dialog,
 * real or scripted. */
#include <objbase.h>
#include <shlobj.h>

#include "svcint.h"

namespace {

BOOL g_fFileSelectSeen;
LONG g_nLastKind;
LONG g_nLastOption292;

/* The chosen path as a host block the caller frees. */
BOOL ReturnChosen(BROWSERINFO *pRequest, LPCSTR pszPath)
{
    pRequest->nChosen = 0;
    if (!pRequest->ppszChosen)
        return FALSE;
    LPSTR pszCopy = TB_Strdup(pszPath);
    if (!pszCopy)
        return FALSE;
    *pRequest->ppszChosen = pszCopy;
    pRequest->nChosen = 1;
    return TRUE;
}

int CALLBACK BrowseCallback(HWND hwnd, UINT msg, LPARAM lParam, LPARAM lpData)
{
    (void)lParam;
    if (msg == BFFM_INITIALIZED && lpData && *(LPCSTR)lpData)
        SendMessageA(hwnd, BFFM_SETSELECTIONA, TRUE, lpData);
    return 0;
}

BOOL BrowseForFolder(BROWSERINFO *pRequest, LPSTR pszPath)
{
    HRESULT hrInit = CoInitializeEx(NULL, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
    CHAR szInitial[SVC_PATHMAX], szDisplay[SVC_PATHMAX];
    SvcBoundedCopy(szInitial, sizeof(szInitial), pRequest->pszInitialDir);
    BROWSEINFOA bi;
    ZeroMemory(&bi, sizeof(bi));
    bi.hwndOwner = pRequest->hwndOwner;
    bi.pszDisplayName = szDisplay;
    bi.lpszTitle = "Choose a directory";
    bi.ulFlags = BIF_RETURNONLYFSDIRS;
    bi.lpfn = BrowseCallback;
    bi.lParam = (LPARAM)szInitial;
    BOOL fChosen = FALSE;
    LPITEMIDLIST pidl = SHBrowseForFolderA(&bi);
    if (pidl) {
        fChosen = SHGetPathFromIDListA(pidl, pszPath) && *pszPath;
        CoTaskMemFree(pidl);
    }
    if (SUCCEEDED(hrInit))
        CoUninitialize();
    return fChosen;
}

LPCSTR FilterOfKind(LONG nKind)
{
    if (nKind == 2)
        return "Query files (*.qry;*.sql)\0*.qry;*.sql\0All files (*.*)\0*.*\0";
    return "All files (*.*)\0*.*\0";
}

BOOL OpenFileDialog(HWND hwnd, FSINFO *pInfo, LONG nKind)
{
    CHAR szInitial[SVC_PATHMAX] = "";
    {
        SvcGuard lock;
        if (DESKTOPREC *p = SvcFindDesktop(pInfo->hwndDesktop))
            SvcBoundedCopy(szInitial, sizeof(szInitial), p->session.szWorkDir);
    }
    CHAR szFile[SVC_PATHMAX * 2] = "";
    OPENFILENAMEA ofn;
    ZeroMemory(&ofn, sizeof(ofn));
    ofn.lStructSize = sizeof(ofn);
    ofn.hwndOwner = hwnd;
    ofn.lpstrFilter = FilterOfKind(nKind);
    ofn.nFilterIndex = 1;
    ofn.lpstrFile = szFile;
    ofn.nMaxFile = sizeof(szFile);
    ofn.lpstrInitialDir = szInitial[0] ? szInitial : NULL;
    ofn.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
    if (!GetOpenFileNameA(&ofn))
        return FALSE;
    /* A name that does not fit the record would name another file. */
    if (lstrlenA(szFile) >= TBFS_NAMEMAX)
        return FALSE;
    SvcBoundedCopy(pInfo->szFile, sizeof(pInfo->szFile), szFile);
    return TRUE;
}

} // namespace

/* Nonzero when a folder was chosen: *ppszChosen then holds a host copy of
 * its path and nChosen is 1. */
extern "C" BOOL WINAPI MakeBrowser(BROWSERINFO *pRequest)
{
    SvcLogCall("MakeBrowser", pRequest ? pRequest->pszInitialDir : NULL,
               {(DWORD_PTR)pRequest, (DWORD_PTR)(pRequest ? pRequest->hwndOwner : NULL)});
    if (!pRequest)
        return FALSE;
    LONG lAnswer = SvcAnswer(TBA_MAKEBROWSER);
    if (lAnswer != TBCTL_REAL) {
        if (lAnswer == 0) {
            pRequest->nChosen = 0;
            return FALSE;
        }
        return ReturnChosen(pRequest, SvcBrowserResult().c_str());
    }
    CHAR szPath[SVC_PATHMAX * 2] = "";
    if (!BrowseForFolder(pRequest, szPath)) {
        pRequest->nChosen = 0;
        return FALSE;
    }
    return ReturnChosen(pRequest, szPath);
}

/* A file-selection record from the host allocator; its kind pointer points
 * into the record itself. */
extern "C" FSINFO *WINAPI FScreateFSinfo(HWND hwndDesktop, LONG nMode, LONG nFlags, LONG l4, LONG l5)
{
    SvcLogCall("FScreateFSinfo", NULL,
               {(DWORD_PTR)hwndDesktop, (DWORD_PTR)nMode, (DWORD_PTR)nFlags, (DWORD_PTR)l4, (DWORD_PTR)l5});
    if (SvcAnswer(TBA_FSCREATEFSINFO) == 0)
        return NULL;
    FSINFO *pInfo = (FSINFO *)fastmalloc(sizeof(FSINFO));
    if (!pInfo)
        return NULL;
    pInfo->hwndDesktop = hwndDesktop;
    pInfo->nMode = nMode;
    pInfo->nFlags = nFlags;
    pInfo->pnKind = &pInfo->nKindStore;
    return pInfo;
}

/* Nonzero when a file was chosen; its name is then in szFile. */
extern "C" BOOL WINAPI FSfileSelect(HWND hwnd, FSINFO *pInfo)
{
    LONG nKind = pInfo && pInfo->pnKind ? *pInfo->pnKind : 0;
    LONG nOption = pInfo ? pInfo->nOption292 : 0;
    SvcLogCall("FSfileSelect", NULL, {(DWORD_PTR)hwnd, (DWORD_PTR)pInfo, (DWORD_PTR)nKind, (DWORD_PTR)nOption});
    if (!pInfo)
        return FALSE;
    {
        SvcGuard lock;
        g_fFileSelectSeen = TRUE;
        g_nLastKind = nKind;
        g_nLastOption292 = nOption;
    }
    LONG lAnswer = SvcAnswer(TBA_FSFILESELECT);
    if (lAnswer != TBCTL_REAL) {
        if (lAnswer == 0)
            return FALSE;
        SvcBoundedCopy(pInfo->szFile, sizeof(pInfo->szFile), SvcFileSelectResult().c_str());
        return TRUE;
    }
    return OpenFileDialog(hwnd, pInfo, nKind);
}

extern "C" void WINAPI FSdestroyFSinfo(FSINFO *pInfo)
{
    SvcLogCall("FSdestroyFSinfo", NULL, {(DWORD_PTR)pInfo});
    fastfree(pInfo);
}

extern "C" BOOL WINAPI TBCtlLastFileSelect(LONG *pnKind, LONG *pnOption292)
{
    SvcGuard lock;
    if (pnKind)
        *pnKind = g_nLastKind;
    if (pnOption292)
        *pnOption292 = g_nLastOption292;
    return g_fFileSelectSeen;
}
