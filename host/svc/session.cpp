/* Sessions: the working directory, database aliases and full path names. */
#include "svcint.h"

namespace {

struct ALIASREC {
    std::string strName;
    std::string strPath;
    BYTE bFlags;
    BOOL fServer;
};

std::vector<ALIASREC> g_aliases;
CHAR g_szPrivate[SVC_PATHMAX];

bool IsSlash(char ch)
{
    return ch == '\\' || ch == '/';
}

bool HasDrive(const std::string &s)
{
    return s.size() >= 2 && s[1] == ':' && IsCharAlphaA(s[0]);
}

std::string JoinPath(const std::string &strDir, const std::string &strName)
{
    if (strName.empty())
        return strDir;
    if (strDir.empty() || IsSlash(strDir.back()))
        return strDir + strName;
    return strDir + "\\" + strName;
}

/* The name made absolute against the working directory, without touching
 * the process's current directory (nor its per-drive directories). */
LONG ResolveName(const std::string &strWorkDir, const std::string &strName, std::string &strOut)
{
    if (strName.empty()) {
        if (strWorkDir.empty())
            return TBERR_BADPATH;
        strOut = strWorkDir;
    } else if (strName.size() >= 2 && IsSlash(strName[0]) && IsSlash(strName[1])) {
        strOut = strName; /* UNC */
    } else if (HasDrive(strName)) {
        if (strName.size() > 2 && IsSlash(strName[2]))
            strOut = strName;
        else if (HasDrive(strWorkDir) && (strName[0] | 0x20) == (strWorkDir[0] | 0x20))
            strOut = JoinPath(strWorkDir, strName.substr(2));
        else
            strOut = strName.substr(0, 2) + "\\" + strName.substr(2);
    } else if (IsSlash(strName[0])) {
        if (!HasDrive(strWorkDir))
            return TBERR_BADPATH;
        strOut = strWorkDir.substr(0, 2) + strName;
    } else {
        if (strWorkDir.empty())
            return TBERR_BADPATH;
        strOut = JoinPath(strWorkDir, strName);
    }
    return 0;
}

/* Alias name of ":name:rest" (null pszRest when the text is not one). */
bool SplitAlias(LPCSTR pszText, std::string &strAlias, LPCSTR *ppszRest)
{
    if (!pszText || pszText[0] != ':')
        return false;
    LPCSTR pszEnd = strchr(pszText + 1, ':');
    if (!pszEnd || pszEnd == pszText + 1)
        return false;
    strAlias.assign(pszText + 1, pszEnd - pszText - 1);
    *ppszRest = pszEnd + 1;
    return true;
}

LONG FullPathname(HTBSESSION hSession, LPCSTR pszName, LPSTR pszOut)
{
    std::string strWorkDir;
    {
        SvcGuard lock;
        if (hSession)
            strWorkDir = hSession->szWorkDir;
    }
    std::string strName = pszName ? pszName : "";
    std::string strJoined;
    if (!strName.empty() && strName[0] == ':') {
        std::string strAlias;
        LPCSTR pszRest;
        if (!SplitAlias(pszName, strAlias, &pszRest))
            return TBERR_BADPATH;
        std::string strAliasPath;
        bool fFound = false;
        {
            SvcGuard lock;
            for (const ALIASREC &a : g_aliases) {
                if (lstrcmpiA(a.strName.c_str(), strAlias.c_str()) == 0) {
                    strAliasPath = a.strPath;
                    fFound = true;
                    break;
                }
            }
        }
        if (!fFound)
            return TBERR_NOALIAS;
        std::string strAliasDir;
        LONG lErr = ResolveName(strWorkDir, strAliasPath, strAliasDir);
        if (lErr)
            return lErr;
        while (IsSlash(*pszRest))
            ++pszRest;
        strJoined = JoinPath(strAliasDir, pszRest);
    } else {
        LONG lErr = ResolveName(strWorkDir, strName, strJoined);
        if (lErr)
            return lErr;
    }
    /* Characters only: ".." may still shorten an over-long text. */
    LPCSTR pszCheck = strJoined.c_str();
    if (strJoined.size() >= 2 && IsSlash(strJoined[0]) && IsSlash(strJoined[1]))
        pszCheck += 2;
    if (SvcCheckPathSyntax(pszCheck, FALSE) != 0)
        return TBERR_BADPATH;
    CHAR szFull[SVC_PATHMAX * 4];
    DWORD cch = GetFullPathNameA(strJoined.c_str(), sizeof(szFull), szFull, NULL);
    if (cch == 0 || cch >= SVC_PATHMAX)
        return TBERR_BADPATH;
    SvcBoundedCopy(pszOut, SVC_PATHMAX, szFull);
    return 0;
}

} // namespace

extern "C" HTBSESSION WINAPI TBMgetSession(HWND hwnd)
{
    SvcLogCall("TBMgetSession", NULL, {(DWORD_PTR)hwnd});
    return SvcSessionOf(hwnd);
}

/* 0 and the full path in pszOut (260 bytes), or an error code with pszOut
 * untouched. */
extern "C" LONG WINAPI TBMfullPathname(HTBSESSION hSession, LPCSTR pszName, LPSTR pszOut)
{
    SvcLogCall("TBMfullPathname", pszName, {(DWORD_PTR)hSession, (DWORD_PTR)pszName, (DWORD_PTR)pszOut});
    if (!pszOut)
        return TBERR_BADPATH;
    LONG lAnswer = SvcAnswer(TBA_FULLPATHNAME);
    if (lAnswer != TBCTL_REAL && lAnswer != 0)
        return lAnswer;
    try {
        LONG lErr = FullPathname(hSession, pszName, pszOut);
        if (lErr && lAnswer == 0) {
            /* Scripted success: hand back the name as given. */
            CHAR szName[SVC_PATHMAX];
            SvcBoundedCopy(szName, sizeof(szName), pszName);
            SvcBoundedCopy(pszOut, SVC_PATHMAX, szName);
            return 0;
        }
        return lErr;
    } catch (...) {
        return TBERR_BADPATH;
    }
}

/* The alias name of ":name:..." into pszAlias (260 bytes); else empty. */
extern "C" LONG WINAPI TBMdecomposeAlias(LPCSTR pszText, LPSTR pszAlias, LONG lReserved)
{
    SvcLogCall("TBMdecomposeAlias", pszText, {(DWORD_PTR)pszText, (DWORD_PTR)pszAlias, (DWORD_PTR)lReserved});
    if (!pszAlias)
        return 0;
    try {
        std::string strAlias;
        LPCSTR pszRest;
        if (SplitAlias(pszText, strAlias, &pszRest)) {
            SvcBoundedCopy(pszAlias, SVC_PATHMAX, strAlias.c_str());
            return 1;
        }
    } catch (...) {
    }
    pszAlias[0] = '\0';
    return 0;
}

/* Calls pfn(pContext, description) for each alias, in order; answers how many. */
extern "C" LONG WINAPI TBMenumDBs(HTBSESSION hSession, ENUMALIASPROC pfn, LPVOID pContext)
{
    SvcLogCall("TBMenumDBs", NULL, {(DWORD_PTR)hSession, (DWORD_PTR)pfn, (DWORD_PTR)pContext});
    if (!pfn)
        return 0;
    std::vector<ALIASREC> aliases;
    try {
        SvcGuard lock;
        aliases = g_aliases; /* a callback may change the aliases */
    } catch (...) {
        return 0;
    }
    LONG n = 0;
    for (const ALIASREC &a : aliases) {
        ALIASDESC desc;
        ZeroMemory(&desc, sizeof(desc));
        desc.nType = a.fServer ? 2 : 1;
        SvcBoundedCopy(desc.szAlias, sizeof(desc.szAlias), a.strName.c_str());
        desc.bFlags = a.bFlags;
        SvcBoundedCopy(desc.szPath, sizeof(desc.szPath), a.strPath.c_str());
        desc.fServer = a.fServer;
        pfn(pContext, &desc);
        ++n;
    }
    return n;
}

extern "C" BOOL WINAPI TBMdbServer(ALIASDESC *pAlias)
{
    SvcLogCall("TBMdbServer", pAlias ? pAlias->szAlias : NULL, {(DWORD_PTR)pAlias});
    return pAlias && pAlias->fServer;
}

extern "C" LPCSTR WINAPI TBMprivateString(void)
{
    SvcLogCall("TBMprivateString", NULL, {});
    return g_szPrivate;
}

extern "C" void WINAPI TBCtlClearAliases(void)
{
    SvcGuard lock;
    g_aliases.clear();
}

extern "C" void WINAPI TBCtlAddAlias(LPCSTR pszName, LPCSTR pszPath, BYTE bFlags, BOOL fServer)
{
    if (!pszName || !*pszName)
        return;
    SvcGuard lock;
    try {
        g_aliases.push_back({pszName, pszPath ? pszPath : "", bFlags, fServer});
    } catch (...) {
    }
}

extern "C" void WINAPI TBCtlSetPrivateString(LPCSTR psz)
{
    SvcGuard lock;
    SvcBoundedCopy(g_szPrivate, sizeof(g_szPrivate), psz);
}
