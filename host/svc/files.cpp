/* File and path services, and the files of a working directory by kind. */
#include "svcint.h"

namespace {

/* Which extensions make up each document kind (1-9): the same table as the
 * viewer's default extension strings, so the kind filter and the pictures
 * agree. Tests and the demo host may script it with TBCtlSetKindExtensions. */
const LONG kKinds = 10;
const char *const kDefaultKindExts[kKinds] = {
    "",
    "SSL\0SDL\0",
    "RPT\0RPC\0",
    "DB\0",
    "QRY\0SQL\0",
    "LIB\0LBC\0",
    "FRM\0FRC\0",
    "TXT\0",
    "BMP\0",
    "IDX\0MEM\0CSV\0DAT\0XML\0INI\0",
};

std::vector<std::string> g_aKindExts[kKinds];
bool g_fKindsLoaded;
bool g_fFileList;                   /* scripted names instead of the directory */
std::vector<std::string> g_fileList;
std::vector<std::string> g_serverExts;

/* Under the lock. */
void LoadDefaultKind(LONG nKind)
{
    g_aKindExts[nKind].clear();
    for (const char *p = kDefaultKindExts[nKind]; *p; p += lstrlenA(p) + 1)
        g_aKindExts[nKind].push_back(p);
}

void EnsureKinds()
{
    if (g_fKindsLoaded)
        return;
    for (LONG k = 1; k < kKinds; ++k)
        LoadDefaultKind(k);
    g_fKindsLoaded = true;
}

std::vector<std::string> ParseMultiString(LPCSTR pszz)
{
    std::vector<std::string> v;
    for (LPCSTR p = pszz; p && *p; p += lstrlenA(p) + 1)
        v.push_back(p);
    return v;
}

LPSTR ExtensionOf(LPCSTR pszName)
{
    static CHAR s_szEmpty[1];
    if (!pszName) {
        s_szEmpty[0] = '\0';
        return s_szEmpty;
    }
    LPCSTR pszStart = pszName;
    for (LPCSTR p = pszName; *p; ++p)
        if (*p == '\\' || *p == '/' || *p == ':')
            pszStart = p + 1;
    LPCSTR pszDot = NULL;
    for (LPCSTR p = pszStart; *p; ++p)
        if (*p == '.')
            pszDot = p;
    return const_cast<LPSTR>(pszDot ? pszDot + 1 : pszStart + lstrlenA(pszStart));
}

BOOL IsServerName(LPCSTR pszName)
{
    LPCSTR pszExt = ExtensionOf(pszName);
    SvcGuard lock;
    return *pszExt && SvcExtensionIn(pszExt, g_serverExts);
}

BOOL KindMatches(HTBSESSION hSession, LPCSTR pszName, LONG nKind)
{
    return nKind == 0 || SvcKindOfName(hSession, pszName) == nKind;
}

} // namespace

/* 0 when the path is well-formed (and, with fLength, fits a path buffer). */
LONG SvcCheckPathSyntax(LPCSTR pszPath, BOOL fLength)
{
    if (!pszPath || !*pszPath)
        return TBERR_BADPATH;
    int cch = lstrlenA(pszPath);
    if (fLength && cch >= SVC_PATHMAX)
        return TBERR_BADPATH;
    for (int i = 0; i < cch; ++i) {
        unsigned char ch = (unsigned char)pszPath[i];
        if (ch < 32 || ch == '<' || ch == '>' || ch == '"' || ch == '|' || ch == '?' || ch == '*')
            return TBERR_BADPATH;
        if (ch == ':' && !(i == 1 && IsCharAlphaA(pszPath[0])))
            return TBERR_BADPATH;
    }
    return 0;
}

BOOL SvcExtensionIn(LPCSTR pszExt, const std::vector<std::string> &exts)
{
    for (const std::string &s : exts)
        if (lstrcmpiA(s.c_str(), pszExt) == 0)
            return TRUE;
    return FALSE;
}

/* The document kind of a name: server paths count as tables ("DB"). */
LONG SvcKindOfName(HTBSESSION hSession, LPCSTR pszName)
{
    (void)hSession;
    LPCSTR pszExt = IsServerName(pszName) ? "DB" : ExtensionOf(pszName);
    if (!*pszExt)
        return 0;
    SvcGuard lock;
    EnsureKinds();
    for (LONG k = 1; k < kKinds; ++k)
        if (SvcExtensionIn(pszExt, g_aKindExts[k]))
            return k;
    return 0;
}

BOOL SvcIsDirectory(LPCSTR pszPath)
{
    if (!pszPath || !*pszPath)
        return FALSE;
    DWORD dw = GetFileAttributesA(pszPath);
    return dw != INVALID_FILE_ATTRIBUTES && (dw & FILE_ATTRIBUTE_DIRECTORY);
}

/* Pointer into the name after the last dot of its last component; the
 * terminator when there is none. */
extern "C" LPSTR WINAPI GetExtension(LPCSTR pszName)
{
    SvcLogCall("GetExtension", pszName, {(DWORD_PTR)pszName});
    return ExtensionOf(pszName);
}

/* Nonzero for an existing file; a directory is not a file. */
extern "C" BOOL WINAPI FileExists(LPCSTR pszPath)
{
    SvcLogCall("FileExists", pszPath, {(DWORD_PTR)pszPath});
    if (!pszPath || !*pszPath)
        return FALSE;
    DWORD dw = GetFileAttributesA(pszPath);
    return dw != INVALID_FILE_ATTRIBUTES && !(dw & FILE_ATTRIBUTE_DIRECTORY);
}

/* The last-write time into 8 bytes; nothing written when it cannot be read. */
extern "C" BOOL WINAPI DosGetFILETIME(LPCSTR pszPath, LPVOID pStamp)
{
    SvcLogCall("DosGetFILETIME", pszPath, {(DWORD_PTR)pszPath, (DWORD_PTR)pStamp});
    WIN32_FILE_ATTRIBUTE_DATA fad;
    if (!pszPath || !*pszPath || !pStamp || !GetFileAttributesExA(pszPath, GetFileExInfoStandard, &fad))
        return FALSE;
    CopyMemory(pStamp, &fad.ftLastWriteTime, sizeof(FILETIME));
    return TRUE;
}

/* Nonzero when the path names an existing directory; pszOut (may be the
 * same buffer, 260 bytes) then receives its normalised form. */
extern "C" BOOL WINAPI ValidateDirectory(HWND hwnd, LPCSTR pszPath, LPSTR pszOut)
{
    SvcLogCall("ValidateDirectory", pszPath, {(DWORD_PTR)hwnd, (DWORD_PTR)pszPath, (DWORD_PTR)pszOut});
    CHAR szFull[SVC_PATHMAX * 4];
    LONG lAnswer = SvcAnswer(TBA_VALIDATEDIRECTORY);
    if (lAnswer != TBCTL_REAL) {
        if (lAnswer && pszOut && pszPath && pszOut != pszPath) {
            SvcBoundedCopy(szFull, sizeof(szFull), pszPath);
            SvcBoundedCopy(pszOut, SVC_PATHMAX, szFull);
        }
        return lAnswer != 0;
    }
    if (SvcCheckPathSyntax(pszPath, TRUE) != 0 || !SvcIsDirectory(pszPath))
        return FALSE;
    DWORD cch = GetFullPathNameA(pszPath, sizeof(szFull), szFull, NULL);
    if (cch == 0 || cch >= SVC_PATHMAX)
        return FALSE;
    if (pszOut)
        SvcBoundedCopy(pszOut, SVC_PATHMAX, szFull);
    return TRUE;
}

extern "C" BOOL WINAPI IsGoodWorkDir(LPCSTR pszPath)
{
    SvcLogCall("IsGoodWorkDir", pszPath, {(DWORD_PTR)pszPath});
    LONG lAnswer = SvcAnswer(TBA_ISGOODWORKDIR);
    if (lAnswer != TBCTL_REAL)
        return lAnswer != 0;
    return SvcCheckPathSyntax(pszPath, TRUE) == 0 && SvcIsDirectory(pszPath);
}

extern "C" LONG WINAPI TBMcheckPath(LPCSTR pszPath)
{
    SvcLogCall("TBMcheckPath", pszPath, {(DWORD_PTR)pszPath});
    LONG lAnswer = SvcAnswer(TBA_CHECKPATH);
    if (lAnswer != TBCTL_REAL)
        return lAnswer;
    return SvcCheckPathSyntax(pszPath, TRUE);
}

/* The kind's wildcards ("*.*" for all kinds) into the 284-byte buffer. */
extern "C" LPSTR WINAPI TBMprojectString(LONG nKind, LPSTR pszOut)
{
    SvcLogCall("TBMprojectString", NULL, {(DWORD_PTR)nKind, (DWORD_PTR)pszOut});
    if (!pszOut)
        return NULL;
    const size_t cchOut = sizeof(((ENUMFILESREQUEST *)0)->szProject);
    std::string s;
    if (nKind > 0 && nKind < kKinds) {
        SvcGuard lock;
        EnsureKinds();
        for (const std::string &ext : g_aKindExts[nKind])
            s += (s.empty() ? "*." : ";*.") + ext;
    } else {
        s = "*.*";
    }
    SvcBoundedCopy(pszOut, cchOut, s.c_str());
    return pszOut;
}

extern "C" LONG WINAPI TBMfileObjDBextension(LPCSTR pszProject, HTBSESSION hSession)
{
    SvcLogCall("TBMfileObjDBextension", pszProject, {(DWORD_PTR)pszProject, (DWORD_PTR)hSession});
    return 0;
}

/* Calls pfn once per file of the desktop's working directory (or of the
 * scripted list) whose kind matches the request; answers how many. */
extern "C" LONG WINAPI TBMenumFiles(HWND hwndDesktop, ADDFILEPROC pfn, LPVOID pContext, ENUMFILESREQUEST *pRequest)
{
    SvcLogCall("TBMenumFiles", NULL,
               {(DWORD_PTR)hwndDesktop, (DWORD_PTR)pfn, (DWORD_PTR)pContext, (DWORD_PTR)pRequest,
                (DWORD_PTR)(pRequest ? pRequest->nKind : 0)});
    if (!pfn)
        return 0;
    LONG nKind = pRequest ? pRequest->nKind : 0;
    HTBSESSION hSession = SvcSessionOf(hwndDesktop);
    LONG nListed = 0;

    std::vector<std::string> names;
    bool fScripted;
    {
        SvcGuard lock;
        fScripted = g_fFileList;
        if (fScripted) {
            try {
                names = g_fileList; /* a callback may replace the list */
            } catch (...) {
                return 0;
            }
        }
    }
    if (fScripted) {
        for (const std::string &name : names) {
            if (KindMatches(hSession, name.c_str(), nKind)) {
                pfn(pContext, name.c_str());
                ++nListed;
            }
        }
        return nListed;
    }

    if (!hSession || !hSession->szWorkDir[0])
        return 0;
    CHAR szPattern[SVC_PATHMAX + 8];
    int cchDir = lstrlenA(hSession->szWorkDir);
    bool fSep = cchDir > 0 && hSession->szWorkDir[cchDir - 1] == '\\';
    if (FAILED(StringCchPrintfA(szPattern, sizeof(szPattern), "%s%s*", hSession->szWorkDir, fSep ? "" : "\\")))
        return 0;
    WIN32_FIND_DATAA fd;
    HANDLE hFind = FindFirstFileA(szPattern, &fd);
    if (hFind == INVALID_HANDLE_VALUE)
        return 0;
    do {
        if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            continue;
        if (KindMatches(hSession, fd.cFileName, nKind)) {
            pfn(pContext, fd.cFileName);
            ++nListed;
        }
    } while (FindNextFileA(hFind, &fd));
    FindClose(hFind);
    return nListed;
}

extern "C" BOOL WINAPI TBMisServerPath(HTBSESSION hSession, LPCSTR pszName)
{
    SvcLogCall("TBMisServerPath", pszName, {(DWORD_PTR)hSession, (DWORD_PTR)pszName});
    return pszName && IsServerName(pszName);
}

extern "C" void WINAPI TBCtlSetFileList(LPCSTR pszzNames)
{
    SvcGuard lock;
    try {
        g_fileList = ParseMultiString(pszzNames);
        g_fFileList = pszzNames != NULL;
    } catch (...) {
        g_fileList.clear();
        g_fFileList = false;
    }
}

extern "C" void WINAPI TBCtlSetServerExtensions(LPCSTR pszzExts)
{
    SvcGuard lock;
    try {
        g_serverExts = ParseMultiString(pszzExts);
    } catch (...) {
        g_serverExts.clear();
    }
}

extern "C" void WINAPI TBCtlSetKindExtensions(LONG nKind, LPCSTR pszzExts)
{
    SvcGuard lock;
    EnsureKinds();
    try {
        if (nKind == 0) {
            for (LONG k = 1; k < kKinds; ++k)
                LoadDefaultKind(k);
        } else if (nKind > 0 && nKind < kKinds) {
            if (pszzExts)
                g_aKindExts[nKind] = ParseMultiString(pszzExts);
            else
                LoadDefaultKind(nKind);
        }
    } catch (...) {
        g_aKindExts[nKind > 0 && nKind < kKinds ? nKind : 0].clear();
    }
}

extern "C" LONG WINAPI TBCtlKindOfName(LPCSTR pszName)
{
    return pszName ? SvcKindOfName(NULL, pszName) : 0;
}
