/* The viewer frame window: creation of its children, layout, the caption
 * and borders, and dispatch of the host's messages. */
#include "viewer.h"

WNDPROC g_pfnEditProc;
WNDPROC g_pfnButtonProc;

#define CURSOR_ARROW    32512
#define CURSOR_WAIT     32514
#define MARGIN          9
#define COMBO_WIDTH     150
#define COMBO_DROPDOWN  200
#define COMBO_STYLE     0x503000C2L /* child, visible, scroll bars, drop-down, auto-scroll, OEM convert */
#define BROWSE_STYLE    0x5000000BL /* child, visible, owner-drawn */

static void SetHostCursor(UINT id)
{
    HCURSOR hcur = APloadCursor(NULL, id);
    if (hcur)
        SetCursor(hcur);
}

BOOL IsIconicChain(HWND hwnd)
{
    for (HWND h = hwnd; h; h = GetParent(h)) {
        if (IsIconic(h))
            return TRUE;
    }
    return FALSE;
}

BOOL CALLBACK FindEditChild(HWND hwnd, LPARAM lParam)
{
    CHAR szClass[20];
    if (GetClassNameA(hwnd, szClass, sizeof szClass) && lstrcmpiA(szClass, "edit") == 0) {
        *(HWND *)lParam = hwnd;
        return FALSE;
    }
    return TRUE;
}

/* A child's window rectangle in the viewer's client coordinates. */
static BOOL ChildRect(HWND hwndViewer, HWND hwndChild, RECT *prc)
{
    SetRectEmpty(prc);
    if (!hwndChild || !GetWindowRect(hwndChild, prc))
        return FALSE;
    MapWindowPoints(NULL, hwndViewer, (POINT *)prc, 2);
    return TRUE;
}

static int NonNegative(int n)
{
    return n < 0 ? 0 : n;
}

void CreateViewerChildren(FILEVIEWINFO *pfvi, const CREATESTRUCTA *pcs)
{
    HWND hwnd = pfvi->hwndViewer;
    int cx = pcs ? pcs->cx : 0;
    int cy = pcs ? pcs->cy : 0;

    pfvi->hwndCombo = CreateWindowExA(0, "COMBOBOX", NULL, COMBO_STYLE, MARGIN, (int)pfvi->cyLabel + 17, COMBO_WIDTH,
                                      COMBO_DROPDOWN, hwnd, NULL, g_hinstViewer, NULL);
    RECT rc = {0, 0, 0, 0};
    if (pfvi->hwndCombo) {
        SendMessageA(pfvi->hwndCombo, WM_SETFONT, (WPARAM)pfvi->hFontBold, FALSE);
        SendMessageA(pfvi->hwndCombo, CB_LIMITTEXT, FV_CCHPATH, 0);
        SendMessageA(pfvi->hwndCombo, CB_SETEXTENDEDUI, TRUE, 0);
        GetWindowRect(pfvi->hwndCombo, &rc);
    }
    pfvi->cyCombo = (UINT)(rc.bottom - rc.top);

    pfvi->cyMinTrack = 2 * (UINT)GetSystemMetrics(SM_CYFRAME) + pfvi->cyLabel + pfvi->cyCombo +
                       (pfvi->nTypes + 2) * pfvi->cyTypeRow + (UINT)GetSystemMetrics(SM_CYCAPTION) + 43;
    UINT cxMin = pfvi->cxLabel > COMBO_WIDTH ? pfvi->cxLabel + pfvi->cyCombo + 26 : pfvi->cyCombo + 176;
    if (pfvi->cxTypeList + pfvi->cxFileMin + 26 > cxMin)
        cxMin = pfvi->cxTypeList + pfvi->cxFileMin + 26;
    pfvi->cxMinTrack = cxMin + 2 * (UINT)GetSystemMetrics(SM_CXFRAME);

    /* Large pictures go with a tall directory box (large fonts). */
    if (pfvi->cyCombo > 23) {
        pfvi->hbmBrowse = APloadBitmap(g_hinstViewer, IDB_BROWSE_LARGE);
        pfvi->hbmFiles = APloadBitmap(g_hinstViewer, IDB_FILES_LARGE);
        pfvi->cxIcon = 15;
    } else {
        pfvi->hbmBrowse = APloadBitmap(g_hinstViewer, IDB_BROWSE_SMALL);
        pfvi->hbmFiles = APloadBitmap(g_hinstViewer, IDB_FILES_SMALL);
        pfvi->cxIcon = 11;
    }
    pfvi->hbmTypes = APloadBitmap(g_hinstViewer, IDB_TYPES);

    UINT cyPicRow = pfvi->cxIcon + 2;
    if (cyPicRow < pfvi->cyFileRow) {
        pfvi->yFileIcon = (pfvi->cyFileRow - cyPicRow) / 2;
        pfvi->yFileText = 0;
    } else if (cyPicRow > pfvi->cyFileRow) {
        pfvi->yFileIcon = 0;
        pfvi->yFileText = (cyPicRow - pfvi->cyFileRow) / 2;
        pfvi->cyFileRow = cyPicRow;
    } else {
        pfvi->yFileIcon = pfvi->yFileText = 0;
    }

    HWND hwndEdit = NULL;
    EnumChildWindows(hwnd, FindEditChild, (LPARAM)&hwndEdit);
    if (hwndEdit) {
        WNDPROC pfnPrev = (WNDPROC)SetWindowLongPtrA(hwndEdit, GWLP_WNDPROC, (LONG_PTR)ListBoxSubClassProc);
        if (pfnPrev)
            g_pfnEditProc = pfnPrev;
    }

    SetUpListBoxData(pfvi);

    pfvi->hwndFocus = pfvi->hwndCombo;
    if (pfvi->hwndCombo)
        SetFocus(pfvi->hwndCombo);

    int yRow = (int)pfvi->cyLabel + 17;
    int cxyButton = (int)pfvi->cyCombo;
    pfvi->hwndBrowse = CreateWindowExA(0, "BUTTON", NULL, BROWSE_STYLE, cx - cxyButton - MARGIN, yRow, cxyButton,
                                       cxyButton, hwnd, NULL, g_hinstViewer, NULL);
    if (pfvi->hwndBrowse) {
        WNDPROC pfnPrev =
            (WNDPROC)SetWindowLongPtrA(pfvi->hwndBrowse, GWLP_WNDPROC, (LONG_PTR)ButtonSubClassProc);
        if (!g_pfnButtonProc)
            g_pfnButtonProc = pfnPrev;
    }

    int yPanes = (int)(pfvi->cyLabel + pfvi->cyCombo) + 35;
    int cyPanes = NonNegative(cy - (int)pfvi->cyCombo - 34);
    LPCSTR pszClass = QueryClassName(FVCLASS_TYPELIST);
    if (pszClass)
        pfvi->hwndTypeList = CreateWindowExA(0, pszClass, NULL, WS_CHILD | WS_VISIBLE, MARGIN, yPanes,
                                             (int)pfvi->cxTypeList, cyPanes, hwnd, NULL, g_hinstViewer, NULL);
    pszClass = QueryClassName(FVCLASS_FILEPANE);
    if (pszClass)
        pfvi->hwndFileList = CreateWindowExA(0, pszClass, NULL, WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL,
                                             (int)pfvi->cxTypeList + 19, yPanes,
                                             NonNegative(cx - (int)pfvi->cxTypeList - 28), cyPanes, hwnd, NULL,
                                             g_hinstViewer, NULL);

    /* Every new viewer opens in the desktop's top left corner at its default
     * size, whatever the request said; the size message lays it out. */
    MoveWindow(hwnd, 0, 0, (int)(pfvi->cxMinTrack * 3 / 2), (int)pfvi->cyMinTrack, TRUE);

    RefreshFileList(pfvi);

    if (pfvi->hwndCombo)
        SendMessageA(pfvi->hwndCombo, CB_SETCURSEL, 0, 0);
}

void LayoutViewer(FILEVIEWINFO *pfvi, int cx, int cy)
{
    HWND hwnd = pfvi->hwndViewer;
    int cyCombo = (int)pfvi->cyCombo;
    int cyPanes = NonNegative(cy - cyCombo - (int)pfvi->cyLabel - 44);
    RECT rc;

    if (ChildRect(hwnd, pfvi->hwndCombo, &rc))
        MoveWindow(pfvi->hwndCombo, rc.left, rc.top, NonNegative(cx - 24 - cyCombo), COMBO_DROPDOWN, TRUE);
    if (ChildRect(hwnd, pfvi->hwndBrowse, &rc))
        MoveWindow(pfvi->hwndBrowse, cx - cyCombo - MARGIN, rc.top, cyCombo, cyCombo, TRUE);

    int cxTypes = 0;
    if (ChildRect(hwnd, pfvi->hwndTypeList, &rc)) {
        cxTypes = rc.right - rc.left;
        MoveWindow(pfvi->hwndTypeList, rc.left, rc.top, cxTypes, cyPanes, TRUE);
    }
    if (ChildRect(hwnd, pfvi->hwndFileList, &rc))
        MoveWindow(pfvi->hwndFileList, rc.left, rc.top, NonNegative(cx - cxTypes - 28), cyPanes, TRUE);
}

static void Polyline3(HDC hdc, int x0, int y0, int x1, int y1, int x2, int y2)
{
    MoveToEx(hdc, x0, y0, NULL);
    LineTo(hdc, x1, y1);
    LineTo(hdc, x2, y2);
}

static void Line(HDC hdc, int x0, int y0, int x1, int y1)
{
    MoveToEx(hdc, x0, y0, NULL);
    LineTo(hdc, x1, y1);
}

void PaintViewer(FILEVIEWINFO *pfvi)
{
    HWND hwnd = pfvi->hwndViewer;
    PAINTSTRUCT ps;
    HDC hdc = BeginPaint(hwnd, &ps);
    if (!hdc)
        return;

    RECT rcClient;
    GetClientRect(hwnd, &rcClient);
    int l = rcClient.left, t = rcClient.top, r = rcClient.right - 1, b = rcClient.bottom - 1;
    int g = (int)(pfvi->cyCombo + pfvi->cyLabel) + 25;

    RECT arcPane[2];
    BOOL afPane[2];
    afPane[0] = ChildRect(hwnd, pfvi->hwndTypeList, &arcPane[0]);
    afPane[1] = ChildRect(hwnd, pfvi->hwndFileList, &arcPane[1]);

    HPEN hpenShadow = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNSHADOW));
    HPEN hpenHighlight = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNHIGHLIGHT));
    HGDIOBJ hpenOld = SelectObject(hdc, GetStockObject(BLACK_PEN));
    HGDIOBJ hfontOld = pfvi->hFontBold ? SelectObject(hdc, pfvi->hFontBold) : NULL;

    for (int i = 0; i < 2; i++) {
        if (afPane[i]) {
            const RECT &p = arcPane[i];
            Polyline3(hdc, p.left - 1, p.bottom + 1, p.left - 1, p.top - 1, p.right + 1, p.top - 1);
        }
    }
    if (hpenShadow) {
        SelectObject(hdc, hpenShadow);
        Polyline3(hdc, r, t, r, b, l - 1, b);
        Line(hdc, r, t + g, l, t + g);
        for (int i = 0; i < 2; i++) {
            if (afPane[i]) {
                const RECT &p = arcPane[i];
                Polyline3(hdc, p.left - 2, p.bottom + 1, p.left - 2, p.top - 2, p.right + 1, p.top - 2);
            }
        }
    }
    if (hpenHighlight) {
        SelectObject(hdc, hpenHighlight);
        Polyline3(hdc, l, b - 1, l, t, r, t);
        Line(hdc, l, t + g + 1, r, t + g + 1);
        for (int i = 0; i < 2; i++) {
            if (afPane[i]) {
                const RECT &p = arcPane[i];
                Polyline3(hdc, p.right + 1, p.top - 2, p.right + 1, p.bottom + 1, p.left - 2, p.bottom + 1);
            }
        }
    }

    LPCSTR pszCaption = GetRCString(g_hinstViewer, IDS_CAPTION);
    if (pszCaption) {
        RECT rcText = {8, 9, 8 + (int)pfvi->cxLabel, 9 + (int)pfvi->cyLabel};
        SetBkMode(hdc, TRANSPARENT);
        DrawTextA(hdc, pszCaption, -1, &rcText, DT_SINGLELINE | DT_RIGHT);
    }

    if (hfontOld)
        SelectObject(hdc, hfontOld);
    SelectObject(hdc, hpenOld);
    if (hpenShadow)
        DeleteObject(hpenShadow);
    if (hpenHighlight)
        DeleteObject(hpenHighlight);
    EndPaint(hwnd, &ps);
}

/* The drop-down list of the directory box reports itself, not the box. */
static BOOL IsDirectoryBoxList(FILEVIEWINFO *pfvi, HWND hwndCtl)
{
    if (!hwndCtl || !pfvi->hwndCombo)
        return FALSE;
    if (hwndCtl == pfvi->hwndCombo)
        return TRUE;
    COMBOBOXINFO cbi = {};
    cbi.cbSize = sizeof cbi;
    return GetComboBoxInfo(pfvi->hwndCombo, &cbi) && cbi.hwndList == hwndCtl;
}

static BOOL ViewerCommand(FILEVIEWINFO *pfvi, WPARAM wParam, LPARAM lParam)
{
    HWND hwndCtl = (HWND)lParam;
    if (!hwndCtl)
        return FALSE;
    UINT nCode = HIWORD(wParam);
    if (hwndCtl == pfvi->hwndBrowse && nCode == BN_CLICKED) {
        BrowseForDirectory(pfvi);
        return TRUE;
    }
    if (hwndCtl == pfvi->hwndCombo) {
        switch (nCode) {
        case CBN_SELENDOK:
            /* The box hands the key to its edit field, whose Enter changes
             * to the chosen entry. */
            APpostMessage(pfvi->hwndCombo, WM_KEYDOWN, VK_RETURN, 0);
            return TRUE;
        case CBN_SELCHANGE:
            return TRUE;
        case CBN_DROPDOWN:
            TBMenumDBs(pfvi->hSession, AddAliasToCombo, pfvi);
            return TRUE;
        }
    }
    return FALSE;
}

extern "C" LRESULT WINAPI FVWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    FILEVIEWINFO *pfvi = ViewerInfoFromViewer(hwnd);

    switch (msg) {
    case WM_CREATE: {
        const CREATESTRUCTA *pcs = (const CREATESTRUCTA *)lParam;
        SetHostCursor(CURSOR_WAIT);
        if (!CreateViewerInfo(hwnd, pcs)) {
            SetHostCursor(CURSOR_ARROW);
            return -1;
        }
        CreateViewerChildren(ViewerInfoFromViewer(hwnd), pcs);
        SetHostCursor(CURSOR_ARROW);
        break;
    }
    case WM_DESTROY:
        DestroyViewerInfo(hwnd);
        break;
    case WM_SIZE:
        if (pfvi && (wParam == SIZE_RESTORED || wParam == SIZE_MAXIMIZED))
            LayoutViewer(pfvi, LOWORD(lParam), HIWORD(lParam));
        break;
    case WM_SETFOCUS:
        if (pfvi && pfvi->hwndFocus && IsWindow(pfvi->hwndFocus)) {
            SetFocus(pfvi->hwndFocus);
            return 0;
        }
        break;
    case WM_PAINT:
        if (pfvi) {
            PaintViewer(pfvi);
            return 0;
        }
        break;
    case WM_CLOSE:
    case WM_ENDSESSION:
        APactivateNextWindow(hwnd);
        break;
    case WM_SYSCOLORCHANGE:
        if (pfvi) {
            if (pfvi->hbrFace)
                DeleteObject(pfvi->hbrFace);
            pfvi->hbrFace = CreateSolidBrush(GetSysColor(COLOR_BTNFACE));
        }
        break;
    case WM_GETMINMAXINFO:
        if (pfvi) {
            /* The default procedure fills the MDI maximized size; ours is the
             * minimum tracking size, set after it so nothing overrides it. */
            LRESULT lr = DefMDIChildProcA(hwnd, msg, wParam, lParam);
            MINMAXINFO *pmmi = (MINMAXINFO *)lParam;
            pmmi->ptMinTrackSize.x = (LONG)pfvi->cxMinTrack;
            pmmi->ptMinTrackSize.y = (LONG)pfvi->cyMinTrack;
            if (pfvi->hwndCombo)
                SendMessageA(pfvi->hwndCombo, CB_SHOWDROPDOWN, FALSE, 0);
            return lr;
        }
        break;
    case WM_DRAWITEM:
        if (pfvi) {
            DrawBrowseButton(pfvi, (const DRAWITEMSTRUCT *)lParam);
            return 1;
        }
        break;
    case WM_COMMAND:
        if (pfvi && ViewerCommand(pfvi, wParam, lParam))
            return 0;
        break;
    case WM_SYSCOMMAND:
        if (pfvi) {
            switch (wParam & 0xFFF0) {
            case SC_MINIMIZE:
                SetViewerMenu(pfvi, FALSE, FALSE);
                break;
            case SC_MAXIMIZE:
                SetViewerMenu(pfvi, TRUE, FALSE);
                break;
            case SC_RESTORE:
                SetViewerMenu(pfvi, TRUE, TRUE);
                break;
            }
        }
        break;
    case WM_INITMENU:
        if (pfvi) {
            InitViewerMenu(pfvi, (HMENU)wParam);
            return 0;
        }
        break;
    case WM_ENTERIDLE: {
        LRESULT lr = HandleEnterIdle(hwnd, wParam, (HWND)lParam);
        if (lr != -1)
            return lr;
        break;
    }
    case WM_CTLCOLORLISTBOX:
        if (pfvi && IsDirectoryBoxList(pfvi, (HWND)lParam)) {
            if (!pfvi->hbrFace)
                pfvi->hbrFace = CreateSolidBrush(GetSysColor(COLOR_BTNFACE));
            if (pfvi->hbrFace)
                return (LRESULT)pfvi->hbrFace;
        }
        break;
    case WM_MDIACTIVATE:
        if (pfvi) {
            /* The long argument names the child being activated. */
            SetViewerMenu(pfvi, (HWND)lParam == hwnd, FALSE);
            return 0;
        }
        break;
    case TBM_VIEWERCOMMAND:
        if (pfvi) {
            DoViewerCommand(pfvi, (UINT)wParam);
            return 0;
        }
        break;
    case TBM_HELPREQUEST:
        return pfvi ? DoViewerHelp(pfvi, wParam, LOWORD(lParam)) : 0;
    case TBM_WORKDIRCHANGED:
        if (pfvi && wParam) {
            if (!pfvi->fDirChangedHere)
                DirChangeFromOutside(pfvi);
            pfvi->fDirChangedHere = FALSE;
            return 0;
        }
        return 1;
    case TBM_FOLLOWWORKDIR:
        if (pfvi && wParam)
            DirChangeFromOutside(pfvi);
        return 1;
    }
    return DefMDIChildProcA(hwnd, msg, wParam, lParam);
}
