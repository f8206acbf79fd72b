/* Running a custom menu command: a program, a library entry, or a host document. */
#include "custmenu.h"

#define EXTENSION_MAX 260 /* room for the upper-cased copy of an extension */

static const CUSTMENUITEM *FindItem(CUSTMENUINFO *pInfo, LONG idCommand)
{
    if (idCommand == 0)
        return NULL; /* separators carry id 0 */
    for (LONG iMenu = 0; iMenu < CUSTMENU_COUNT; iMenu++) {
        const CUSTMENU *pMenu = &pInfo->aMenus[iMenu];
        for (LONG i = 0; i < pMenu->nItems; i++)
            if (pMenu->pItems[i].idCommand == idCommand)
                return &pMenu->pItems[i];
    }
    return NULL;
}

/* Copy of the command text of the item with that id (caller frees it), or null. */
LPSTR FindItemCommand(CUSTMENUINFO *pInfo, LONG idCommand)
{
    const CUSTMENUITEM *pItem = FindItem(pInfo, idCommand);
    return pItem != NULL ? TB_Strdup(pItem->pszCommand) : NULL;
}

/* Copy of the label of the item with that id (caller frees it), or null. */
LPSTR FindItemLabel(CUSTMENUINFO *pInfo, LONG idCommand)
{
    const CUSTMENUITEM *pItem = FindItem(pInfo, idCommand);
    return pItem != NULL ? TB_Strdup(pItem->pszLabel) : NULL;
}

/* Address of the named entry of a library; the library stays loaded and its
 * handle goes to *phModule. Null when the file, library or entry is missing. */
FARPROC LoadEntryPoint(LPCSTR pszPath, LPCSTR pszEntry, HMODULE *phModule)
{
    OFSTRUCT of = {};
    of.cBytes = sizeof of;
    if (OpenFile(pszPath, &of, OF_EXIST) == HFILE_ERROR)
        return NULL;
    HMODULE hModule = LoadLibraryA(pszPath);
    if ((UINT_PTR)hModule < 32)
        return NULL;
    while (*pszEntry == ' ')
        pszEntry++;
    FARPROC pfn = GetProcAddress(hModule, pszEntry);
    if (pfn == NULL) {
        FreeLibrary(hModule);
        return NULL;
    }
    *phModule = hModule;
    return pfn;
}

/* Calls a library entry with the record's MENUCALLINFO; its result, or 0 when it was not found. */
LONG CallLibraryEntry(CUSTMENUINFO *pInfo, LPCSTR pszPath, LPCSTR pszEntry)
{
    HMODULE hModule;
    MENUCALLPROC pfnEntry = (MENUCALLPROC)(void *)LoadEntryPoint(pszPath, pszEntry, &hModule);
    if (pfnEntry == NULL)
        return 0;
    LONG lResult = pfnEntry(&pInfo->call);
    FreeLibrary(hModule);
    return lResult;
}

/* Opens a host document (mode 1) or runs a host script (mode 4) through the
 * host's display and form libraries. 1 when the display library loaded it. */
LONG OpenHostDocument(CUSTMENUINFO *pInfo, LPCSTR pszDocument)
{
    LPCSTR pszExt = GetExtension(pszDocument);
    LONG nMode = pszExt != NULL && (lstrcmpiA(pszExt, "SSL") == 0 || lstrcmpiA(pszExt, "SDL") == 0) ? 4 : 1;

    /* Starts empty: a failed expansion must not hand on stack garbage. */
    CHAR szFullPath[MAX_PATH] = "";
    TBMfullPathname(TBMgetSession(pInfo->call.hwndHost), pszDocument, szFullPath);
    szFullPath[MAX_PATH - 1] = '\0';
    if (!FileExists(szFullPath))
        return 0;

    HMODULE hDisp, hRun, hDestroy;
    VEXLOADDISPLAYPROC pfnLoad = (VEXLOADDISPLAYPROC)(void *)LoadEntryPoint("tbdisp32.dll", "VexLoadDisplay", &hDisp);
    if (pfnLoad == NULL)
        return 0;
    FMRUNSCRIPTPROC pfnRun = (FMRUNSCRIPTPROC)(void *)LoadEntryPoint("tbform32.dll", "FMrunScript", &hRun);
    if (pfnRun == NULL) {
        FreeLibrary(hDisp);
        return 0;
    }
    VEXDESTROYDISPLAYPROC pfnDestroy =
        (VEXDESTROYDISPLAYPROC)(void *)LoadEntryPoint("tbform32.dll", "VexDestroyDisplay", &hDestroy);
    if (pfnDestroy == NULL) {
        FreeLibrary(hRun);
        FreeLibrary(hDisp);
        return 0;
    }

    DISPLAYRECORD *pDisplay = pfnLoad(pInfo->call.hwndHost, 1, pszDocument, nMode, 0, 0, 0, 0);
    if (pDisplay != NULL && nMode == 4) {
        pfnRun(pDisplay);
        pfnDestroy(pDisplay->nDisplay, 0);
    }

    FreeLibrary(hDestroy);
    FreeLibrary(hRun);
    FreeLibrary(hDisp);
    return pDisplay != NULL ? 1 : 0;
}

/* Runs the library entry of a "path,entry" command with the item's label in
 * the record for the length of the call. */
static LONG RunLibraryCommand(CUSTMENUINFO *pInfo, LONG idCommand, LPCSTR pszPath, LPCSTR pszEntry)
{
    /* Entries are promised a label: without the copy the entry is not called. */
    pInfo->call.pszLabel = FindItemLabel(pInfo, idCommand);
    if (pInfo->call.pszLabel == NULL)
        return 0;
    LONG lResult = CallLibraryEntry(pInfo, pszPath, pszEntry);
    fastfree(pInfo->call.pszLabel);
    pInfo->call.pszLabel = NULL;
    return lResult;
}

/* Runs the command of the item with that id; nonzero when it ran. */
LONG RunMenuCommand(CUSTMENUINFO *pInfo, LONG idCommand)
{
    LPSTR pszCommand = FindItemCommand(pInfo, idCommand);
    if (pszCommand == NULL)
        return 0;

    LPSTR pszComma = lstrchr(pszCommand, ',');
    if (pszComma != NULL)
        *pszComma = '\0';

    /* The extension is tested on an upper-cased copy, so the text reaches the
     * program, library or host exactly as written. */
    CHAR szExt[EXTENSION_MAX] = "";
    LPCSTR pszExt = GetExtension(pszCommand);
    if (pszExt != NULL)
        lstrcpynA(szExt, pszExt, EXTENSION_MAX);
    CharUpperA(szExt);

    LONG lResult = 0;
    if (szExt[0] == '\0') {
        lResult = 0;
    } else if (lstrstr(szExt, "EXE") != NULL) {
        if (pszComma != NULL)
            *pszComma = ',';
        lResult = WinExec(pszCommand, SW_SHOWNORMAL) > 32 ? 1 : 0;
    } else if (lstrstr(szExt, "DLL") != NULL) {
        if (pszComma != NULL)
            lResult = RunLibraryCommand(pInfo, idCommand, pszCommand, pszComma + 1);
    } else {
        lResult = OpenHostDocument(pInfo, pszCommand);
    }

    fastfree(pszCommand);
    return lResult;
}
