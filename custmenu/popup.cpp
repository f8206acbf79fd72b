/* Popups of the custom menus: a new one for every request, owned by the host. */
#include "custmenu.h"

/* A popup holding the menu's items, or 0 when the menu is empty or no popup can be made. */
HMENU BuildPopupMenu(CUSTMENUINFO *pInfo, LONG nMenu)
{
    if (nMenu < 0 || nMenu >= CUSTMENU_COUNT)
        return NULL;
    const CUSTMENU *pMenu = &pInfo->aMenus[nMenu];
    if (pMenu->nItems == 0)
        return NULL;

    HMENU hmenu = CreatePopupMenu();
    if (hmenu == NULL)
        return NULL;
    for (LONG i = 0; i < pMenu->nItems; i++) {
        const CUSTMENUITEM *pItem = &pMenu->pItems[i];
        BOOL fAppended = pItem->pszLabel != NULL
                             ? AppendMenuA(hmenu, MF_STRING, (UINT_PTR)pItem->idCommand, pItem->pszLabel)
                             : AppendMenuA(hmenu, MF_SEPARATOR, 0, NULL);
        /* A popup missing some of its items would misplace the rest: none at all. */
        if (!fAppended) {
            DestroyMenu(hmenu);
            return NULL;
        }
    }
    return hmenu;
}
