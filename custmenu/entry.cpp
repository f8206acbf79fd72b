/* The host's entry into the custom menu: attach, detach and menu requests. */
#include "custmenu.h"

HINSTANCE g_hInstance;

extern "C" BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD dwReason, LPVOID)
{
    if (dwReason == DLL_PROCESS_ATTACH) {
        g_hInstance = hInstance;
        DisableThreadLibraryCalls(hInstance);
    }
    return TRUE;
}

/* Request code of each menu, in table order. */
static const LONG s_anMenuCodes[CUSTMENU_COUNT] = {6, 9, 11, 12, 13, 15, 16, 17, 18};

/* Menu index of a menu request code; 0 for a code that names no menu. */
LONG MenuIndexFromCode(LONG nCode)
{
    for (LONG i = 0; i < CUSTMENU_COUNT; i++)
        if (s_anMenuCodes[i] == nCode)
            return i;
    return 0;
}

static BOOL IsMenuCode(LONG nCode)
{
    for (LONG i = 0; i < CUSTMENU_COUNT; i++)
        if (s_anMenuCodes[i] == nCode)
            return TRUE;
    return FALSE;
}

/* Argument 0: a new popup for the menu (or 0). Otherwise the argument is a
 * command id, looked up in all menus: 1 when its command ran. */
LRESULT HandleMenuRequest(HWND hwnd, LPARAM lArg, LONG nMenu)
{
    CUSTMENUINFO *pInfo = GetCustomMenuInfo(hwnd);
    if (pInfo == NULL)
        return 0;
    if (lArg == 0)
        return (LRESULT)BuildPopupMenu(pInfo, nMenu);
    return RunMenuCommand(pInfo, (LONG)lArg) != 0 ? 1 : 0;
}

/* Popup handles are answered whole: pointer-sized on x86_64. */
extern "C" LRESULT WINAPI OndrelEntry(HWND hwnd, LONG nCode, LPARAM lArg, LPARAM)
{
    if (nCode == TBENTRY_ATTACH)
        return AttachCustomMenu(hwnd);
    if (nCode == TBENTRY_DETACH) {
        DetachCustomMenu(hwnd);
        return 0;
    }
    if (IsMenuCode(nCode))
        return HandleMenuRequest(hwnd, lArg, MenuIndexFromCode(nCode));
    return 0;
}
