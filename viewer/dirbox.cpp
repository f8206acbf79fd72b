/* The directory and alias box: its contents, its edit field's key handling,
 * the change of working directory and the stored history. */
#include "viewer.h"

#include <string.h>

#include "tbmsg.h"

/* Last on purpose: turns any unbounded lstrcpyA/lstrcatA/wsprintfA here into
 * a compile error. */
#include <strsafe.h>

#define FV_CCHWIDE      264   /* F and N of a change: what TBMdecomposeAlias may write */
#define FV_MAXALIASNAME 257   /* ":" name ":" and the terminator fit a path buffer */
#define FV_NSTOREDKEYS  9     /* history entries 0..8 are stored as keys 1..9 */

#define ERR_BADDIRECTORY 37382
#define ERR_BADWORKDIR   10246

/* ---- text routines (in place) ---- */

/* Trailing blanks first, then leading ones; neither pass removes the last
 * remaining character, so blanks only give a single blank. */
void TrimBlanks(LPSTR psz)
{
    size_t cch = strlen(psz);
    while (cch > 1 && psz[cch - 1] == ' ')
        cch--;
    psz[cch] = '\0';

    size_t iFirst = 0;
    while (psz[iFirst] == ' ' && psz[iFirst + 1] != '\0')
        iFirst++;
    if (iFirst)
        memmove(psz, psz + iFirst, cch - iFirst + 1);
}

void StripTrailingBackslashes(LPSTR psz)
{
    size_t cch = strlen(psz);
    while (cch > 1 && psz[cch - 1] == '\\')
        cch--;
    psz[cch] = '\0';
}

/* Appends a backslash unless the text ends with one or the buffer is full. */
void AddTrailingBackslash(LPSTR psz, size_t cchBuf)
{
    size_t cch = strnlen(psz, cchBuf);
    if (cch >= cchBuf || (cch > 0 && psz[cch - 1] == '\\') || cch + 2 > cchBuf)
        return;
    psz[cch] = '\\';
    psz[cch + 1] = '\0';
}

static BOOL IsDriveOnly(LPCSTR psz)
{
    return psz[0] != '\0' && psz[1] == ':' && psz[2] == '\0';
}

static void ReportChangeError(FILEVIEWINFO *pfvi, LONG nCode)
{
    LogErrorStack(HWNDtoAPInfo(pfvi->hwndDesktop), nCode, 1);
}

static void SelectCurrentEntry(FILEVIEWINFO *pfvi)
{
    SendMessageA(pfvi->hwndCombo, CB_SETCURSEL, 0, 0);
}

/* ---- stored history ---- */

/* Section name and key of history entry nKey (1-based) into 261-byte blocks. */
static void FormatHistoryKey(LPSTR pszSection, LPSTR pszKey, UINT nKey)
{
    LPCSTR pszSect = GetRCString(g_hinstViewer, IDS_HISTSECTION);
    StringCchCopyA(pszSection, FV_CCHWORK, pszSect ? pszSect : "");
    LPCSTR pszPrefix = GetRCString(g_hinstViewer, IDS_HISTKEYPREFIX);
    StringCchPrintfA(pszKey, FV_CCHWORK, "%s%u", pszPrefix ? pszPrefix : "", nKey);
}

/* A host that cannot copy a value for want of memory answers "missing" as
 * for a key that does not exist. The readers below ask once more before
 * taking the history to end there: a history cut short at creation would be
 * written back cut short. */
enum { HIST_MISSING, HIST_UNUSABLE, HIST_READ };

/* Reads stored key nKey, trimmed, into a path buffer. A value too long for a
 * history entry cannot name a directory we could switch to; cutting it would
 * name a different one, so it is skipped instead. */
static int ReadHistoryKey(FILEVIEWINFO *pfvi, LPSTR pszSection, LPSTR pszKey, UINT nKey, LPSTR pszOut)
{
    FormatHistoryKey(pszSection, pszKey, nKey);
    SETTINGREQUEST req = {pszSection, pszKey, NULL, 0};
    if (!SendMessageA(pfvi->hwndDesktop, TBM_READSETTING, 0, (LPARAM)&req))
        return HIST_MISSING;
    if (!req.pszValue)
        return HIST_UNUSABLE;
    TrimBlanks(req.pszValue);
    int nResult = HIST_UNUSABLE;
    size_t cch = strlen(req.pszValue);
    if (cch > 0 && cch < FV_CCHPATH) {
        StringCchCopyA(pszOut, FV_CCHPATH, req.pszValue);
        nResult = HIST_READ;
    }
    fastfree(req.pszValue);
    return nResult;
}

/* Number of history items at the top of the box (entry 0 is always one). */
static int CountHistoryEntries(const FILEVIEWINFO *pfvi)
{
    int n = 1;
    while (n < FV_NDIRS && pfvi->aszDirs[n][0])
        n++;
    return n;
}

static BOOL IsInHistory(const FILEVIEWINFO *pfvi, LPCSTR psz)
{
    for (int i = 0; i < FV_NDIRS; i++)
        if (pfvi->aszDirs[i][0] && lstrcmpiA(pfvi->aszDirs[i], psz) == 0)
            return TRUE;
    return FALSE;
}

/* Appends the stored entries missing from the history behind its own ones.
 * Runs before the first save when reading them at creation was skipped for
 * want of memory; answers FALSE when it cannot run either. */
static BOOL MergeStoredHistory(FILEVIEWINFO *pfvi)
{
    LPSTR pszSection = (LPSTR)fastmalloc(FV_CCHWORK);
    LPSTR pszKey = (LPSTR)fastmalloc(FV_CCHWORK);
    BOOL fDone = FALSE;
    if (pszSection && pszKey) {
        int nUsed = CountHistoryEntries(pfvi);
        CHAR szValue[FV_CCHPATH];
        for (UINT nKey = 1; nKey <= FV_NSTOREDKEYS && nUsed < FV_NDIRS - 1; nKey++) {
            int nRead = ReadHistoryKey(pfvi, pszSection, pszKey, nKey, szValue);
            if (nRead == HIST_MISSING)
                nRead = ReadHistoryKey(pfvi, pszSection, pszKey, nKey, szValue);
            if (nRead == HIST_MISSING)
                break;
            if (nRead != HIST_READ || IsInHistory(pfvi, szValue))
                continue;
            StringCchCopyA(pfvi->aszDirs[nUsed], FV_CCHPATH, szValue);
            SendMessageA(pfvi->hwndCombo, CB_INSERTSTRING, nUsed, (LPARAM)pfvi->aszDirs[nUsed]);
            nUsed++;
        }
        fDone = TRUE;
    }
    fastfree(pszKey);
    fastfree(pszSection);
    return fDone;
}

/* Writes entries 0..8 as keys 1..9; empty entries as empty texts. */
void SaveDirHistory(FILEVIEWINFO *pfvi)
{
    /* Until the stored history has been read, writing would replace it by
     * what this viewer alone has seen. */
    if (!pfvi->fHistoryRead)
        return;
    LPSTR pszSection = (LPSTR)fastmalloc(FV_CCHWORK);
    LPSTR pszKey = (LPSTR)fastmalloc(FV_CCHWORK);
    LPSTR pszValue = (LPSTR)fastmalloc(FV_CCHWORK);
    if (pszSection && pszKey && pszValue) {
        for (UINT nKey = 1; nKey <= FV_NSTOREDKEYS; nKey++) {
            FormatHistoryKey(pszSection, pszKey, nKey);
            StringCchCopyA(pszValue, FV_CCHWORK, pfvi->aszDirs[nKey - 1]);
            if (pszValue[0])
                TrimBlanks(pszValue);
            SETTINGREQUEST req = {pszSection, pszKey, pszValue, 1};
            SendMessageA(pfvi->hwndDesktop, TBM_WRITESETTING, 1, (LPARAM)&req);
        }
    }
    fastfree(pszValue);
    fastfree(pszKey);
    fastfree(pszSection);
}

/* ---- filling the box ---- */

/* Entry 0 from the host; the first stored key replaces it when both name the
 * same directory. Answers whether they did. */
static BOOL ReadCurrentEntry(FILEVIEWINFO *pfvi, LPSTR pszSection, LPSTR pszKey)
{
    CHAR szStored[FV_CCHPATH];
    if (ReadHistoryKey(pfvi, pszSection, pszKey, 1, szStored) != HIST_READ)
        return FALSE;
    CHAR szFull[FV_CCHWIDE] = "";
    if (TBMfullPathname(pfvi->hSession, szStored, szFull) != 0)
        return FALSE;
    szFull[FV_CCHWIDE - 1] = '\0';
    StripTrailingBackslashes(szFull);
    if (lstrcmpiA(szFull, pfvi->aszDirs[0]) != 0)
        return FALSE;
    StringCchCopyA(pfvi->aszDirs[0], FV_CCHPATH, szStored);
    return TRUE;
}

static void ReadFurtherHistory(FILEVIEWINFO *pfvi, LPSTR pszSection, LPSTR pszKey, BOOL fFound)
{
    UINT nKey = fFound ? 2 : 1;
    for (int i = 1; i < FV_NDIRS - 1 && nKey <= FV_NSTOREDKEYS; nKey++) {
        int nRead = ReadHistoryKey(pfvi, pszSection, pszKey, nKey, pfvi->aszDirs[i]);
        if (nRead == HIST_MISSING)
            nRead = ReadHistoryKey(pfvi, pszSection, pszKey, nKey, pfvi->aszDirs[i]);
        if (nRead == HIST_MISSING)
            break;
        if (nRead != HIST_READ)
            continue;
        SendMessageA(pfvi->hwndCombo, CB_ADDSTRING, 0, (LPARAM)pfvi->aszDirs[i]);
        i++;
    }
}

/* Later duplicates go, both as entries and as box items; the first stays. */
static void RemoveDuplicateEntries(FILEVIEWINFO *pfvi)
{
    for (int i = 0; i < FV_NDIRS; i++) {
        if (!pfvi->aszDirs[i][0])
            continue;
        for (int j = i + 1; j < FV_NDIRS;) {
            if (!pfvi->aszDirs[j][0] || lstrcmpiA(pfvi->aszDirs[j], pfvi->aszDirs[i]) != 0) {
                j++;
                continue;
            }
            if (j < FV_NDIRS - 1)
                lmemmov(pfvi->aszDirs[j], pfvi->aszDirs[j + 1], (FV_NDIRS - 1 - j) * FV_CCHPATH);
            pfvi->aszDirs[FV_NDIRS - 1][0] = '\0';
            SendMessageA(pfvi->hwndCombo, CB_DELETESTRING, j, 0);
        }
    }
}

void WINAPI SetUpListBoxData(FILEVIEWINFO *pfvi)
{
    if (!pfvi || !pfvi->hwndCombo)
        return;
    /* At creation every entry is empty already; a second call starts afresh. */
    lmemset(pfvi->aszDirs, 0, sizeof(pfvi->aszDirs));
    pfvi->fHistoryRead = FALSE;
    SendMessageA(pfvi->hwndDesktop, TBM_GETHOSTSTRING, TBHS_WORKDIR, (LPARAM)pfvi->aszDirs[0]);
    pfvi->aszDirs[0][FV_CCHPATH - 1] = '\0';

    LPSTR pszSection = (LPSTR)fastmalloc(FV_CCHWORK);
    LPSTR pszKey = (LPSTR)fastmalloc(FV_CCHWORK);
    BOOL fHaveBuffers = pszSection && pszKey;
    BOOL fFound = fHaveBuffers && ReadCurrentEntry(pfvi, pszSection, pszKey);

    if (IsDriveOnly(pfvi->aszDirs[0]))
        AddTrailingBackslash(pfvi->aszDirs[0], FV_CCHPATH);
    SendMessageA(pfvi->hwndCombo, CB_RESETCONTENT, 0, 0);
    SendMessageA(pfvi->hwndCombo, CB_ADDSTRING, 0, (LPARAM)pfvi->aszDirs[0]);
    SendMessageA(pfvi->hwndCombo, CB_SETCURSEL, 0, 0);

    if (fHaveBuffers) {
        ReadFurtherHistory(pfvi, pszSection, pszKey, fFound);
        pfvi->fHistoryRead = TRUE;
    }
    fastfree(pszKey);
    fastfree(pszSection);

    RemoveDuplicateEntries(pfvi);
    if (!fFound)
        SaveDirHistory(pfvi); /* does nothing when the read was skipped */
    TBMenumDBs(pfvi->hSession, AddAliasToCombo, pfvi);
}

/* ---- aliases ---- */

LONG WINAPI AddAliasToCombo(LPVOID pContext, ALIASDESC *pAlias)
{
    FILEVIEWINFO *pfvi = (FILEVIEWINFO *)pContext;
    if (!pfvi || !pfvi->hwndCombo || !pAlias)
        return 0;
    if (TBMdbServer(pAlias))
        return 0;
    size_t cchName = strnlen(pAlias->szAlias, sizeof(pAlias->szAlias));
    if (pAlias->bFlags & TBALIAS_PRIVATE) {
        LPCSTR pszPrivate = TBMprivateString();
        if (cchName >= sizeof(pAlias->szAlias) || lstrcmpiA(pAlias->szAlias, pszPrivate ? pszPrivate : "") != 0)
            return 0;
    }
    /* A longer name would not fit the path-sized entries of the history. */
    if (cchName > FV_MAXALIASNAME)
        return 0;
    CHAR szEntry[FV_CCHPATH];
    szEntry[0] = ':';
    memcpy(szEntry + 1, pAlias->szAlias, cchName);
    szEntry[cchName + 1] = '\0';
    charcat(szEntry, ':');
    if (SendMessageA(pfvi->hwndCombo, CB_FINDSTRINGEXACT, (WPARAM)-1, (LPARAM)szEntry) == CB_ERR)
        SendMessageA(pfvi->hwndCombo, CB_ADDSTRING, 0, (LPARAM)szEntry);
    return 0;
}

/* ---- changing the directory ---- */

/* Moves S (a buffer of at least FV_CCHPATH bytes, completed in place) to the
 * top of the box and the history, stores the history and refreshes. */
void MakeDirCurrent(FILEVIEWINFO *pfvi, LPSTR pszEntry)
{
    if (!pfvi->fHistoryRead)
        pfvi->fHistoryRead = MergeStoredHistory(pfvi);
    if (IsDriveOnly(pszEntry))
        AddTrailingBackslash(pszEntry, FV_CCHPATH);

    LRESULT iFound = SendMessageA(pfvi->hwndCombo, CB_FINDSTRINGEXACT, (WPARAM)-1, (LPARAM)pszEntry);
    if (iFound != CB_ERR) {
        if (iFound < FV_NDIRS - 1)
            lmemmov(pfvi->aszDirs[iFound], pfvi->aszDirs[iFound + 1], (FV_NDIRS - 1 - iFound) * FV_CCHPATH);
        SendMessageA(pfvi->hwndCombo, CB_DELETESTRING, iFound, 0);
    }
    /* An alias item found below a full history leaves entry 9 to drop as
     * well: its item goes too, or the box would show an entry the history
     * no longer holds. */
    if (iFound == CB_ERR || (iFound >= FV_NDIRS && pfvi->aszDirs[FV_NDIRS - 1][0]))
        SendMessageA(pfvi->hwndCombo, CB_DELETESTRING, FV_NDIRS - 1, 0);

    SendMessageA(pfvi->hwndCombo, CB_INSERTSTRING, 0, (LPARAM)pszEntry);
    lmemmov(pfvi->aszDirs[1], pfvi->aszDirs[0], (FV_NDIRS - 1) * FV_CCHPATH);
    StringCchCopyA(pfvi->aszDirs[0], FV_CCHPATH, pszEntry);

    SaveDirHistory(pfvi);
    TBMenumDBs(pfvi->hSession, AddAliasToCombo, pfvi);
    SendMessageA(pfvi->hwndCombo, CB_SETCURSEL, 0, 0);
    RefreshFileList(pfvi);
}

/* T is ":" N ":" exactly, N being the alias name the host found in T. */
static BOOL IsAliasText(LPCSTR pszText, LPCSTR pszAlias)
{
    size_t cchAlias = strlen(pszAlias);
    return cchAlias > 0 && pszText[0] == ':' && strncmp(pszText + 1, pszAlias, cchAlias) == 0 &&
           pszText[cchAlias + 1] == ':' && pszText[cchAlias + 2] == '\0';
}

void ChangeDirFromCombo(FILEVIEWINFO *pfvi)
{
    CHAR szText[FV_CCHPATH] = "";
    CHAR szFull[FV_CCHWIDE] = "";
    CHAR szName[FV_CCHWIDE] = "";

    SendMessageA(pfvi->hwndCombo, CB_SHOWDROPDOWN, FALSE, 0);
    SendMessageA(pfvi->hwndCombo, WM_GETTEXT, FV_CCHPATH, (LPARAM)szText);
    szText[FV_CCHPATH - 1] = '\0';

    TBMdecomposeAlias(szText, szName, 0);
    szName[FV_CCHWIDE - 1] = '\0';
    BOOL fAlias = IsAliasText(szText, szName);
    TrimBlanks(szText);
    /* The box writes a drive as its root ("C:\"), and the browser's root
     * arrives as "C:". Expanded as it stands, "C:" would name the drive's
     * current directory instead of the root the user chose. */
    if (IsDriveOnly(szText))
        AddTrailingBackslash(szText, FV_CCHPATH);

    if (strcmp(szText, pfvi->aszDirs[0]) == 0) {
        SelectCurrentEntry(pfvi);
        return;
    }
    LONG nCode = TBMfullPathname(pfvi->hSession, szText, szFull);
    if (nCode != 0) {
        ReportChangeError(pfvi, nCode);
        return;
    }
    szFull[FV_CCHWIDE - 1] = '\0';
    AddTrailingBackslash(szFull, FV_CCHWIDE);
    if (!ValidateDirectory(NULL, szFull, szFull)) {
        ReportChangeError(pfvi, ERR_BADDIRECTORY);
        SelectCurrentEntry(pfvi);
        return;
    }
    szFull[FV_CCHWIDE - 1] = '\0';
    StripTrailingBackslashes(szFull);
    /* A path that does not fit the history cannot be made current. */
    if (strlen(szFull) >= FV_CCHPATH) {
        ReportChangeError(pfvi, ERR_BADDIRECTORY);
        SelectCurrentEntry(pfvi);
        return;
    }
    nCode = TBMcheckPath(szFull);
    if (nCode != 0) {
        ReportChangeError(pfvi, nCode);
        SelectCurrentEntry(pfvi);
        return;
    }
    if (!IsGoodWorkDir(szFull)) {
        ReportChangeError(pfvi, ERR_BADWORKDIR);
        SelectCurrentEntry(pfvi);
        return;
    }

    /* No file-change callbacks while the host closes documents and switches. */
    FileSystemNotifyUnRegister(pfvi->hwndDesktop, FileSystemNotifyProc, pfvi);
    if (!CanCloseAll(pfvi->hwndDesktop, 1)) {
        FileSystemNotifyRegister(pfvi->hwndDesktop, FileSystemNotifyProc, pfvi);
        SelectCurrentEntry(pfvi);
        return;
    }
    SendMessageA(pfvi->hwndDesktop, TBM_SETWORKDIR, TBWD_DIRECTORY, (LPARAM)szFull);
    szName[0] = '\0';
    SendMessageA(pfvi->hwndDesktop, TBM_GETWORKDIR, TBWD_DIRECTORY, (LPARAM)szName);
    szName[FV_CCHWIDE - 1] = '\0';
    /* A host may answer a drive's root with its backslash. */
    StripTrailingBackslashes(szName);
    FileSystemNotifyRegister(pfvi->hwndDesktop, FileSystemNotifyProc, pfvi);
    if (lstrcmpiA(szName, szFull) != 0) {
        SelectCurrentEntry(pfvi);
        return;
    }

    MakeDirCurrent(pfvi, fAlias ? szText : szFull);
    pfvi->fDirChangedHere = TRUE;
}

void WINAPI DirChangeFromOutside(FILEVIEWINFO *pfvi)
{
    if (!pfvi || !pfvi->hwndCombo)
        return;
    CHAR szDir[FV_CCHWIDE] = "";
    SendMessageA(pfvi->hwndDesktop, TBM_GETWORKDIR, TBWD_DIRECTORY, (LPARAM)szDir);
    szDir[FV_CCHPATH - 1] = '\0';
    TrimBlanks(szDir);
    MakeDirCurrent(pfvi, szDir);
}

/* Closes the list and shows entry 0 again, dropping uncommitted typing. */
void CloseComboList(FILEVIEWINFO *pfvi)
{
    SendMessageA(pfvi->hwndCombo, CB_SHOWDROPDOWN, FALSE, 0);
    SendMessageA(pfvi->hwndCombo, CB_SETCURSEL, 0, 0);
}

/* ---- the box's edit field ---- */

static LRESULT CallPreviousEditProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (!g_pfnEditProc)
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    return CallWindowProcA(g_pfnEditProc, hwnd, msg, wParam, lParam);
}

static void MoveFocusFromBox(FILEVIEWINFO *pfvi)
{
    pfvi->hwndFocus = (GetKeyState(VK_SHIFT) & 0x8000) ? pfvi->hwndFileList : pfvi->hwndBrowse;
    CloseComboList(pfvi);
    SetFocus(pfvi->hwndFocus);
}

/* Answers TRUE when the key was the box's own. */
static BOOL HandleBoxKeyDown(FILEVIEWINFO *pfvi, WPARAM vk)
{
    switch (vk) {
    case VK_TAB:
        MoveFocusFromBox(pfvi);
        return TRUE;
    case VK_RETURN:
        ChangeDirFromCombo(pfvi);
        return TRUE;
    case VK_ESCAPE:
        CloseComboList(pfvi);
        return TRUE;
    case VK_F5:
        RefreshFileList(pfvi);
        return TRUE;
    }
    return FALSE;
}

LRESULT WINAPI ListBoxSubClassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    FILEVIEWINFO *pfvi = ViewerInfoFromViewer(GetParent(GetParent(hwnd)));
    if (!pfvi)
        return CallPreviousEditProc(hwnd, msg, wParam, lParam);

    switch (msg) {
    case WM_SETFOCUS:
        pfvi->hwndFocus = pfvi->hwndCombo;
        break;
    case WM_KILLFOCUS:
        CloseComboList(pfvi);
        break;
    case WM_KEYDOWN:
        if (!IsIconicChain(pfvi->hwndViewer) && HandleBoxKeyDown(pfvi, wParam))
            return 0;
        break;
    case WM_CHAR:
        /* The field neither beeps at nor inserts the keys handled above. */
        if (!IsIconicChain(pfvi->hwndViewer) && (wParam == 9 || wParam == 13 || wParam == 27))
            return 0;
        break;
    case WM_KEYUP:
        if (wParam == VK_TAB || wParam == VK_RETURN || wParam == VK_ESCAPE)
            return 0;
        break;
    }
    return CallPreviousEditProc(hwnd, msg, wParam, lParam);
}
