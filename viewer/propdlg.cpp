/* The project properties dialog: the "OpenOnStartup" setting of the viewer.
 * The template is the host's; this is its dialog procedure. */
#include "viewer.h"

#define IDC_OPENONSTARTUP 100
#define IDC_PROPHELP      9
#define HELP_PROJPROPS    198

static const CHAR s_szSection[] = "ProjectViewer";
static const CHAR s_szKey[] = "OpenOnStartup";
static const CHAR s_szTrue[] = "True";

/* The record pointer rides in two properties: "l" the low 16 bits, "h" all
 * the others. On Win32 that is 16 and 16; on Win64 a property holds a full
 * pointer-sized HANDLE, so "h" keeps the upper 48 bits and nothing is lost. */
static void StoreDialogRecord(HWND hdlg, LPARAM lParam)
{
    ULONG_PTR uRecord = (ULONG_PTR)lParam;
    SetPropA(hdlg, "l", (HANDLE)(uRecord & 0xFFFF));
    SetPropA(hdlg, "h", (HANDLE)(uRecord >> 16));
}

static FILEVIEWINFO *DialogRecord(HWND hdlg)
{
    ULONG_PTR uLow = (ULONG_PTR)GetPropA(hdlg, "l") & 0xFFFF;
    ULONG_PTR uHigh = (ULONG_PTR)GetPropA(hdlg, "h");
    return (FILEVIEWINFO *)(uLow | (uHigh << 16));
}

static void RemoveDialogRecord(HWND hdlg)
{
    RemovePropA(hdlg, "l");
    RemovePropA(hdlg, "h");
}

/* Section and key blocks of a settings request; FALSE (nothing held) when
 * the allocator is short. */
static BOOL BeginSettingRequest(SETTINGREQUEST *pReq)
{
    LPSTR pszSection = (LPSTR)fastmalloc(FV_CCHWORK);
    LPSTR pszKey = (LPSTR)fastmalloc(FV_CCHWORK);
    if (!pszSection || !pszKey) {
        fastfree(pszSection);
        fastfree(pszKey);
        return FALSE;
    }
    lstrcpynA(pszSection, s_szSection, FV_CCHWORK);
    lstrcpynA(pszKey, s_szKey, FV_CCHWORK);
    pReq->pszSection = pszSection;
    pReq->pszKey = pszKey;
    pReq->pszValue = NULL;
    pReq->nFlag = 0;
    return TRUE;
}

static void EndSettingRequest(SETTINGREQUEST *pReq)
{
    fastfree((LPVOID)pReq->pszSection);
    fastfree((LPVOID)pReq->pszKey);
}

void LoadProjProps(FILEVIEWINFO *pfvi, HWND hdlg)
{
    SETTINGREQUEST req;
    if (!pfvi || !BeginSettingRequest(&req))
        return;
    if (SendMessageA(pfvi->hwndDesktop, TBM_READSETTING, 0, (LPARAM)&req)) {
        if (req.pszValue && lstrcmpiA(req.pszValue, s_szTrue) == 0)
            CheckDlgButton(hdlg, IDC_OPENONSTARTUP, BST_CHECKED);
        fastfree(req.pszValue);
    }
    EndSettingRequest(&req);
}

void SaveProjProps(FILEVIEWINFO *pfvi, HWND hdlg)
{
    SETTINGREQUEST req;
    if (!pfvi || !BeginSettingRequest(&req))
        return;
    req.nFlag = 1;
    /* No copy of "True" (short of memory) writes a null value: unticked. */
    if (IsDlgButtonChecked(hdlg, IDC_OPENONSTARTUP) == BST_CHECKED)
        req.pszValue = TB_Strdup(s_szTrue);
    SendMessageA(pfvi->hwndDesktop, TBM_WRITESETTING, 1, (LPARAM)&req);
    fastfree(req.pszValue);
    EndSettingRequest(&req);
}

static void ShowPropsHelp(HWND hdlg)
{
    FILEVIEWINFO *pfvi = DialogRecord(hdlg);
    if (pfvi)
        SendMessageA(pfvi->hwndDesktop, TBM_SHOWHELP, 0, HELP_PROJPROPS);
}

static void CloseProjProps(HWND hdlg)
{
    RemoveDialogRecord(hdlg);
    EndDialog(hdlg, 0);
}

/* OK and Cancel both end the dialog with 0. wParam is compared whole, so an
 * accelerator or other notification for the same ids does nothing. */
static void ProjPropsCommand(HWND hdlg, WPARAM wParam)
{
    switch (wParam) {
    case IDOK:
        SaveProjProps(DialogRecord(hdlg), hdlg);
        CloseProjProps(hdlg);
        break;
    case IDCANCEL: CloseProjProps(hdlg); break;
    case IDC_PROPHELP: ShowPropsHelp(hdlg); break;
    }
}

extern "C" INT_PTR WINAPI ProjPropDlgProc(HWND hdlg, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_INITDIALOG:
        StoreDialogRecord(hdlg, lParam);
        CenterWindow(hdlg);
        LoadProjProps(DialogRecord(hdlg), hdlg);
        return TRUE;
    case WM_COMMAND:
        ProjPropsCommand(hdlg, wParam);
        return TRUE;
    case WM_ENTERIDLE:
        /* a dialog box that this one owns is idle: F1 asks it for help */
        HandleEnterIdle(hdlg, wParam, (HWND)lParam);
        return FALSE;
    case TBM_HELPREQUEST:
        ShowPropsHelp(hdlg);
        return FALSE;
    }
    return FALSE;
}
