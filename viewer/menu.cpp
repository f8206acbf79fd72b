/* The viewer's menu in the host frame, its commands and its help topics. */
#include "viewer.h"

#define HELP_VIEWER 140

/* Help topics of the menu items 11002..11016, in command order. */
static const LPARAM s_aMenuHelpTopics[] = {
    334, 345, 338, 341, 344, 342, 343, 339, 340, 314, 313, 348, 206, 207, 198,
};
static_assert(sizeof(s_aMenuHelpTopics) / sizeof(s_aMenuHelpTopics[0]) == IDC_CMD11016 - IDC_SHOWALL + 1,
              "one help topic per menu item");

/* Installs the viewer's menu in the host frame, or removes it. An iconic
 * viewer gets it only when it is being restored: at that moment the window
 * is still iconic. */
void SetViewerMenu(FILEVIEWINFO *pfvi, BOOL fActivating, BOOL fRestoring)
{
    if (fActivating && (!IsIconicChain(pfvi->hwndViewer) || fRestoring)) {
        MENUREQUEST mr;
        mr.hwnd = pfvi->hwndViewer;
        mr.hmenu = APloadMenu(g_hinstViewer, IDM_VIEWER);
        LONG lOne = 1;
        SendMessageA(pfvi->hwndDesktop, TBM_SETMENU, TBSM_INSTALL, (LPARAM)&mr);
        SendMessageA(pfvi->hwndDesktop, TBM_MENUINSTALLED, 1, (LPARAM)&lOne);
        SendMessageA(pfvi->hwndDesktop, TBM_STATUSTEXT, 0, (LPARAM) "");
        pfvi->fActive = 1;
    } else {
        SendMessageA(pfvi->hwndDesktop, TBM_SETMENU, TBSM_REMOVE, 0);
        pfvi->fActive = 0;
    }
    SendMessageA(pfvi->hwndDesktop, TBM_MENUCHANGED, 0, 0);
}

/* The id that the frame's menu gives one of our commands. */
static UINT FrameMenuId(FILEVIEWINFO *pfvi, UINT idCommand)
{
    return (UINT)SendMessageA(pfvi->hwndDesktop, TBM_FRAMEMENUID, idCommand, 0);
}

/* Checks and enables the frame's copy of our menu items. hmenu is the menu
 * that WM_INITMENU names; without one, the frame's menu bar. */
void InitViewerMenu(FILEVIEWINFO *pfvi, HMENU hmenu)
{
    if (!hmenu)
        hmenu = GetMenu(GetParent(pfvi->hwndDesktop));
    if (!hmenu)
        return;
    CheckMenuItem(hmenu, FrameMenuId(pfvi, IDC_REFERENCES),
                  MF_BYCOMMAND | (pfvi->fReferencesOnly ? MF_CHECKED : MF_UNCHECKED));
    UINT fEnable = MF_BYCOMMAND | (pfvi->pSel ? MF_ENABLED : MF_GRAYED | MF_DISABLED);
    EnableMenuItem(hmenu, FrameMenuId(pfvi, IDC_OPEN), fEnable);
    EnableMenuItem(hmenu, FrameMenuId(pfvi, IDC_OBJECTMENU), fEnable);
}

/* Shows a kind chosen from the menu. The help topic stays that of the row
 * last chosen in the list itself. */
static void ShowTypeRow(FILEVIEWINFO *pfvi, UINT iRow)
{
    pfvi->iCurType = iRow;
    InvalidateRect(pfvi->hwndTypeList, NULL, TRUE);
    RefreshFileList(pfvi);
}

void DoViewerCommand(FILEVIEWINFO *pfvi, UINT idCommand)
{
    switch (idCommand) {
    case IDC_SHOWALL: ShowTypeRow(pfvi, 0); break;
    case IDC_SHOWTABLES: ShowTypeRow(pfvi, 1); break;
    case IDC_SHOWQUERIES: ShowTypeRow(pfvi, 2); break;
    case IDC_SHOWFORMS: ShowTypeRow(pfvi, 3); break;
    case IDC_REFERENCES:
        pfvi->fReferencesOnly = pfvi->fReferencesOnly ? 0 : 1;
        RefreshFileList(pfvi);
        break;
    case IDC_OPEN:
    case IDC_OBJECTMENU:
        if (pfvi->pSel)
            SelectionCommand(pfvi, idCommand == IDC_OPEN);
        break;
    case IDC_REFRESH: RefreshFileList(pfvi); break;
    case IDC_CLOSEVIEWER: APpostMessage(pfvi->hwndDesktop, WM_MDIDESTROY, (WPARAM)pfvi->hwndViewer, 0); break;
    }
}

/* Answers a help request: the host's answer to the topic shown, or 0 when
 * the request names nothing of ours. */
LRESULT DoViewerHelp(FILEVIEWINFO *pfvi, WPARAM nKind, UINT idItem)
{
    LPARAM nTopic;
    if (nKind == 0)
        nTopic = HELP_VIEWER;
    else if (nKind == 2 && idItem >= IDC_SHOWALL && idItem <= IDC_CMD11016)
        nTopic = s_aMenuHelpTopics[idItem - IDC_SHOWALL];
    else if (pfvi->fInObjectMenu)
        nTopic = pfvi->nHelpTopic;
    else
        return 0;
    return SendMessageA(pfvi->hwndDesktop, TBM_SHOWHELP, 0, nTopic);
}

/* F1 while a dialog box owned by hwnd is idle: pass the dialog a help
 * request. Answers -1 when the caller goes on with its default processing,
 * else the message's result. */
LRESULT HandleEnterIdle(HWND hwnd, WPARAM wSource, HWND hwndDialog)
{
    (void)hwnd;
    if (wSource != MSGF_DIALOGBOX || GetKeyState(VK_F1) >= 0)
        return 0;
    APpostMessage(hwndDialog, TBM_HELPREQUEST, 0, 0);
    return -1;
}
