/* Custom menu definitions: read from the registry at attach, freed at detach. */
#include "custmenu.h"

#include "custmenu_res.h"

CUSTMENUINFO *GetCustomMenuInfo(HWND hwnd)
{
    return (CUSTMENUINFO *)GetPropA(hwnd, CUSTMENU_PROP);
}

/* -1, 0 or 1 as the first entry's order number is below, equal to or above the second's. */
int CompareMenuOrder(const MENUDEFENTRY *pA, const MENUDEFENTRY *pB)
{
    if (pA->nOrder < pB->nOrder)
        return -1;
    return pA->nOrder > pB->nOrder ? 1 : 0;
}

/* Leading decimal integer of a value name: white space skipped, optional sign,
 * digits; 0 without digits. Names are user input: saturates instead of overflowing. */
LONG ParseOrderNumber(LPCSTR pszName)
{
    const CHAR *p = pszName;
    while (*p == ' ' || (*p >= 9 && *p <= 13))
        p++;
    BOOL fNegative = FALSE;
    if (*p == '+' || *p == '-')
        fNegative = *p++ == '-';
    LONGLONG llValue = 0;
    for (; *p >= '0' && *p <= '9'; p++) {
        if (llValue <= (LONGLONG)MAXLONG + 1)
            llValue = llValue * 10 + (*p - '0');
    }
    if (fNegative)
        return llValue > (LONGLONG)MAXLONG ? MINLONG : (LONG)-llValue;
    return llValue > (LONGLONG)MAXLONG ? MAXLONG : (LONG)llValue;
}

static void SwapEntries(MENUDEFENTRY *pA, MENUDEFENTRY *pB)
{
    MENUDEFENTRY tmp = *pA;
    *pA = *pB;
    *pB = tmp;
}

/* Unstable in-place quicksort by order number; recursion only into the
 * smaller half, so the depth stays logarithmic. */
static void SortMenuEntries(MENUDEFENTRY *aEntries, LONG nEntries)
{
    while (nEntries > 1) {
        SwapEntries(&aEntries[0], &aEntries[nEntries / 2]);
        LONG iLast = 0;
        for (LONG i = 1; i < nEntries; i++)
            if (CompareMenuOrder(&aEntries[i], &aEntries[0]) < 0)
                SwapEntries(&aEntries[++iLast], &aEntries[i]);
        SwapEntries(&aEntries[0], &aEntries[iLast]);
        LONG nLeft = iLast, nRight = nEntries - iLast - 1;
        if (nLeft < nRight) {
            SortMenuEntries(aEntries, nLeft);
            aEntries += iLast + 1;
            nEntries = nRight;
        } else {
            SortMenuEntries(aEntries + iLast + 1, nRight);
            nEntries = nLeft;
        }
    }
}

/* Fills one MENUDEFENTRY from a value's name and data; iPlace is its place in the table. */
static void StoreMenuEntry(MENUDEFENTRY *pEntry, LPCSTR pszName, LPCSTR pszData, LONG iPlace)
{
    LPCSTR pszComma = NULL;
    for (LPCSTR p = pszName; *p != '\0'; p++)
        if (*p == ',')
            pszComma = p;
    if (pszComma != NULL) {
        pEntry->nOrder = ParseOrderNumber(pszName);
        pszName = pszComma + 1;
    } else {
        pEntry->nOrder = iPlace;
    }
    /* Longer labels and commands are cut to the table's 127 characters. */
    lstrcpynA(pEntry->szLabel, pszName, MENUDEF_TEXTMAX);
    lstrcpynA(pEntry->szCommand, pszData, MENUDEF_TEXTMAX);
}

/* Reads the values of one menu subkey into the table; answers the count stored. */
static LONG ReadMenuEntries(HKEY hkeyMenu, MENUDEFENTRY *aEntries)
{
    /* One spare byte each, so data that fills its room can still be terminated. */
    CHAR szName[MENUDEF_NAMEMAX + 1];
    BYTE abData[MENUDEF_DATAMAX + 1];
    LONG nEntries = 0;

    for (DWORD iValue = 0; nEntries < MENUDEF_MAXENTRIES; iValue++) {
        DWORD cchName = MENUDEF_NAMEMAX;
        DWORD cbData = MENUDEF_DATAMAX;
        DWORD dwType = 0;
        LONG lErr = RegEnumValueA(hkeyMenu, iValue, szName, &cchName, NULL, &dwType, abData, &cbData);
        if (lErr == ERROR_NO_MORE_ITEMS)
            break;
        /* A name or data that does not fit is left out; the next value is read. */
        if (lErr == ERROR_MORE_DATA)
            continue;
        if (lErr != ERROR_SUCCESS)
            break;
        szName[cchName < MENUDEF_NAMEMAX ? cchName : MENUDEF_NAMEMAX] = '\0';
        /* Binary or numeric data need not end in a zero: never read past it. */
        abData[cbData < MENUDEF_DATAMAX ? cbData : MENUDEF_DATAMAX] = '\0';
        StoreMenuEntry(&aEntries[nEntries], szName, (LPCSTR)abData, nEntries);
        nEntries++;
    }
    return nEntries;
}

/* Appends a text and its zero to a packed list, keeping room for the final zero. */
static BOOL AppendPacked(LPSTR pszzList, LONG *pcbUsed, LPCSTR psz)
{
    LONG cb = lstrlenA(psz) + 1;
    if (*pcbUsed + cb > MENU_PACKEDMAX - 1)
        return FALSE;
    lmemmov(pszzList + *pcbUsed, psz, (DWORD)cb);
    *pcbUsed += cb;
    return TRUE;
}

/* Lays the sorted entries' labels and commands end to end. An entry that no
 * longer fits either list ends the menu there. Answers the entries packed. */
static LONG PackMenuEntries(const MENUDEFENTRY *aEntries, LONG nEntries, LPSTR pszzLabels, LPSTR pszzCommands)
{
    LONG cbLabels = 0, cbCommands = 0, nPacked = 0;
    for (; nPacked < nEntries; nPacked++) {
        const MENUDEFENTRY *pEntry = &aEntries[nPacked];
        if (cbLabels + lstrlenA(pEntry->szLabel) + 1 > MENU_PACKEDMAX - 1 ||
            cbCommands + lstrlenA(pEntry->szCommand) + 1 > MENU_PACKEDMAX - 1)
            break;
        AppendPacked(pszzLabels, &cbLabels, pEntry->szLabel);
        AppendPacked(pszzCommands, &cbCommands, pEntry->szCommand);
    }
    pszzLabels[cbLabels] = '\0';
    pszzCommands[cbCommands] = '\0';
    return nPacked;
}

/* Fills one menu from the packed lists. An item whose copies cannot be taken
 * is left out (no id); the array keeps the items that were made. */
void BuildMenuItems(CUSTMENU *pMenu, LPCSTR pszzLabels, LPCSTR pszzCommands, LONG nEntries, LONG *pnNextId)
{
    if (nEntries <= 0)
        return;
    CUSTMENUITEM *pItems = (CUSTMENUITEM *)fastmalloc((DWORD)(nEntries * sizeof(CUSTMENUITEM)));
    if (pItems == NULL)
        return;

    LONG nItems = 0;
    LPCSTR pszLabel = pszzLabels, pszCommand = pszzCommands;
    for (LONG i = 0; i < nEntries; i++) {
        CUSTMENUITEM *pItem = &pItems[nItems];
        if (lstrcmpiA(pszCommand, CUSTMENU_SEPARATOR) == 0) {
            nItems++;
        } else {
            pItem->pszLabel = TB_Strdup(pszLabel);
            pItem->pszCommand = TB_Strdup(pszCommand);
            if (pItem->pszLabel != NULL && pItem->pszCommand != NULL) {
                pItem->idCommand = (*pnNextId)++;
                nItems++;
            } else {
                fastfree(pItem->pszLabel);
                fastfree(pItem->pszCommand);
                pItem->pszLabel = pItem->pszCommand = NULL;
            }
        }
        pszLabel += lstrlenA(pszLabel) + 1;
        pszCommand += lstrlenA(pszCommand) + 1;
    }

    if (nItems == 0) {
        fastfree(pItems);
        return;
    }
    pMenu->pItems = pItems;
    pMenu->nItems = nItems;
}

/* Reads the nine menus. Nonzero when the root key and at least one menu subkey opened. */
BOOL ReadMenuDefinitions(CUSTMENUINFO *pInfo)
{
    HKEY hkeyRoot;
    if (RegOpenKeyA(HKEY_CURRENT_USER, CUSTMENU_ROOTKEY, &hkeyRoot) != ERROR_SUCCESS)
        return FALSE;

    MENUDEFENTRY aEntries[MENUDEF_MAXENTRIES];
    CHAR szzLabels[MENU_PACKEDMAX], szzCommands[MENU_PACKEDMAX];
    LONG nNextId = 1;
    BOOL fResult = FALSE;

    for (LONG iMenu = 0; iMenu < CUSTMENU_COUNT; iMenu++) {
        CHAR szMenuName[MAX_PATH] = "";
        LoadStringA(g_hInstance, IDS_MENU_FIRST + iMenu, szMenuName, MAX_PATH);
        HKEY hkeyMenu;
        if (szMenuName[0] == '\0' || RegOpenKeyA(hkeyRoot, szMenuName, &hkeyMenu) != ERROR_SUCCESS)
            continue;
        DWORD nValues = 0;
        if (RegQueryInfoKeyA(hkeyMenu, NULL, NULL, NULL, NULL, NULL, NULL, &nValues, NULL, NULL, NULL, NULL) ==
                ERROR_SUCCESS &&
            nValues > 0) {
            LONG nEntries = ReadMenuEntries(hkeyMenu, aEntries);
            SortMenuEntries(aEntries, nEntries);
            LONG nPacked = PackMenuEntries(aEntries, nEntries, szzLabels, szzCommands);
            BuildMenuItems(&pInfo->aMenus[iMenu], szzLabels, szzCommands, nPacked, &nNextId);
        }
        RegCloseKey(hkeyMenu);
        fResult = TRUE;
    }

    RegCloseKey(hkeyRoot);
    return fResult;
}

static void FreeMenuDefinitions(CUSTMENUINFO *pInfo)
{
    for (LONG iMenu = 0; iMenu < CUSTMENU_COUNT; iMenu++) {
        CUSTMENU *pMenu = &pInfo->aMenus[iMenu];
        for (LONG i = 0; i < pMenu->nItems; i++) {
            fastfree(pMenu->pItems[i].pszLabel);
            fastfree(pMenu->pItems[i].pszCommand);
        }
        fastfree(pMenu->pItems);
        pMenu->pItems = NULL;
        pMenu->nItems = 0;
    }
}

static void FreeCustomMenuInfo(CUSTMENUINFO *pInfo)
{
    fastfree(pInfo->call.pszWorkDir);
    fastfree(pInfo->call.pszSecondString);
    FreeMenuDefinitions(pInfo);
    fastfree(pInfo);
}

/* Asks the host for one of its texts; the buffer ends in a zero whatever it wrote. */
static void FetchHostString(HWND hwnd, WPARAM nWhich, LPSTR pszBuffer)
{
    SendMessageA(hwnd, TBM_GETHOSTSTRING, nWhich, (LPARAM)pszBuffer);
    pszBuffer[HOSTSTRING_CB - 1] = '\0';
}

/* 13081985 when the add-in attached to the window, else 0.
 * Attach is all or nothing: without either host text buffer nothing stays
 * attached, so library entries always receive two valid buffers. */
LONG AttachCustomMenu(HWND hwnd)
{
    /* A second attach to the same window starts afresh instead of leaking the first. */
    DetachCustomMenu(hwnd);

    CUSTMENUINFO *pInfo = (CUSTMENUINFO *)fastmalloc(sizeof(CUSTMENUINFO));
    if (pInfo == NULL)
        return 0;
    if (!ReadMenuDefinitions(pInfo)) {
        FreeCustomMenuInfo(pInfo);
        return 0;
    }
    pInfo->call.pszWorkDir = (LPSTR)fastmalloc(HOSTSTRING_CB);
    pInfo->call.pszSecondString = (LPSTR)fastmalloc(HOSTSTRING_CB);
    if (pInfo->call.pszWorkDir == NULL || pInfo->call.pszSecondString == NULL ||
        !SetPropA(hwnd, CUSTMENU_PROP, (HANDLE)pInfo)) {
        FreeCustomMenuInfo(pInfo);
        return 0;
    }
    pInfo->call.hwndHost = hwnd;

    FetchHostString(hwnd, TBHS_WORKDIR, pInfo->call.pszWorkDir);
    FetchHostString(hwnd, TBHS_SECONDSTRING, pInfo->call.pszSecondString);
    return TBENTRY_ATTACHED;
}

void DetachCustomMenu(HWND hwnd)
{
    CUSTMENUINFO *pInfo = GetCustomMenuInfo(hwnd);
    if (pInfo == NULL)
        return;
    FreeCustomMenuInfo(pInfo);
    /* Property names match without regard to case. */
    RemovePropA(hwnd, "tbdlite");
}
