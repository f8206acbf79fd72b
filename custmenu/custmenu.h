/* Custom menu add-in: records and the functions its files share. */
#ifndef CUSTMENU_H
#define CUSTMENU_H

#include "tbhost.h"

#define CUSTMENU_COUNT      9
#define CUSTMENU_PROP       "TBDLITE"
#define MENUDEF_TEXTMAX     128  /* label and command: 127 characters and the zero */
#define MENUDEF_MAXENTRIES  256  /* entries read from one menu subkey */
#define MENUDEF_NAMEMAX     255  /* value name room given to RegEnumValueA, zero included */
#define MENUDEF_DATAMAX     255  /* value data room given to RegEnumValueA */
#define MENU_PACKEDMAX      2052 /* one packed label or command list */
#define HOSTSTRING_CB       520  /* buffers the host fills on TBM_GETHOSTSTRING */
#define CUSTMENU_ROOTKEY    "Software\\Norvane\\Tabulon Runtime\\7.0\\TBDLITE"
#define CUSTMENU_SEPARATOR  "SEPARATOR"

typedef struct CUSTMENUITEM {
    LPSTR pszLabel;   /* null for a separator */
    LPSTR pszCommand; /* null for a separator */
    LONG idCommand;   /* 0 for a separator */
} CUSTMENUITEM;

typedef struct CUSTMENU {
    LONG nItems;
    CUSTMENUITEM *pItems; /* null when nItems is 0 */
} CUSTMENU;

/* The add-in's state for one host window, hung on it as property "TBDLITE".
 * Its tail is the MENUCALLINFO that library entries receive. */
typedef struct CUSTMENUINFO {
    CUSTMENU aMenus[CUSTMENU_COUNT];
    MENUCALLINFO call; /* host window, the two host texts, current label */
} CUSTMENUINFO;

static_assert(sizeof(CUSTMENUINFO) - offsetof(CUSTMENUINFO, call) == sizeof(MENUCALLINFO),
              "MENUCALLINFO is the tail of CUSTMENUINFO");
static_assert(sizeof(MENUCALLINFO) == 4 * sizeof(void *), "four pointer-sized fields");

typedef struct MENUDEFENTRY {
    LONG nOrder;
    CHAR szLabel[MENUDEF_TEXTMAX];
    CHAR szCommand[MENUDEF_TEXTMAX];
} MENUDEFENTRY;

extern HINSTANCE g_hInstance;

/* entry.cpp */
LONG MenuIndexFromCode(LONG nCode);
LRESULT HandleMenuRequest(HWND hwnd, LPARAM lArg, LONG nMenu);

/* defs.cpp */
LONG AttachCustomMenu(HWND hwnd);
void DetachCustomMenu(HWND hwnd);
BOOL ReadMenuDefinitions(CUSTMENUINFO *pInfo);
void BuildMenuItems(CUSTMENU *pMenu, LPCSTR pszzLabels, LPCSTR pszzCommands, LONG nEntries, LONG *pnNextId);
int CompareMenuOrder(const MENUDEFENTRY *pA, const MENUDEFENTRY *pB);
CUSTMENUINFO *GetCustomMenuInfo(HWND hwnd);
LONG ParseOrderNumber(LPCSTR pszName);

/* popup.cpp */
HMENU BuildPopupMenu(CUSTMENUINFO *pInfo, LONG nMenu);

/* command.cpp */
LPSTR FindItemCommand(CUSTMENUINFO *pInfo, LONG idCommand);
LPSTR FindItemLabel(CUSTMENUINFO *pInfo, LONG idCommand);
LONG RunMenuCommand(CUSTMENUINFO *pInfo, LONG idCommand);
FARPROC LoadEntryPoint(LPCSTR pszPath, LPCSTR pszEntry, HMODULE *phModule);
LONG CallLibraryEntry(CUSTMENUINFO *pInfo, LPCSTR pszPath, LPCSTR pszEntry);
LONG OpenHostDocument(CUSTMENUINFO *pInfo, LPCSTR pszDocument);

#endif
