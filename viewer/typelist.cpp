/* The type list: the narrow pane of document kinds at the left of the viewer.
 * All its state lives in the viewer's FILEVIEWINFO. */
#include "viewer.h"

#define TYPE_PICTURE    24 /* side of a type picture */
#define TYPE_CELLSTEP   25 /* picture strip: one row of cells every 25 pixels */
#define TYPE_PICTURE_X  1  /* picture cell of a strip row */
#define TYPE_MASK_X     26 /* its mask cell */
#define TYPE_ICON_LEFT  2
#define TYPE_TEXT_LEFT  28

/* Kind code that message 30021 carries for each row; 0: the row sends nothing. */
static const WPARAM s_aActionKinds[FV_NTYPES] = {0, 1, 4, 6};

static void GetTypeRowRect(const FILEVIEWINFO *pfvi, UINT iRow, RECT *prc)
{
    prc->left = 0;
    prc->top = (LONG)(iRow * pfvi->cyTypeRow);
    prc->right = (LONG)pfvi->cxTypeList;
    prc->bottom = (LONG)((iRow + 1) * pfvi->cyTypeRow);
}

static void InvalidateTypeRow(FILEVIEWINFO *pfvi, UINT iRow, BOOL fErase)
{
    RECT rc;
    GetTypeRowRect(pfvi, iRow, &rc);
    InvalidateRect(pfvi->hwndTypeList, &rc, fErase);
}

void InvalidateCurType(FILEVIEWINFO *pfvi)
{
    InvalidateTypeRow(pfvi, pfvi->iCurType, FALSE);
}

void SetTypeHelpTopic(FILEVIEWINFO *pfvi)
{
    switch (pfvi->iCurType) {
    case 0: pfvi->nHelpTopic = 435; break;
    case 1: pfvi->nHelpTopic = 439; break;
    case 2: pfvi->nHelpTopic = 440; break;
    default: pfvi->nHelpTopic = 437; break;
    }
}

void SendTypeAction(FILEVIEWINFO *pfvi, LPARAM nMode)
{
    if (pfvi->iCurType == 0 || pfvi->iCurType >= FV_NTYPES)
        return;
    SendMessageA(pfvi->hwndDesktop, TBM_KINDACTION, s_aActionKinds[pfvi->iCurType], nMode);
}

void SelectTypeAtPoint(FILEVIEWINFO *pfvi, LPARAM lParam)
{
    /* Without a device context at creation the row height stayed 0: no row
     * lies under any point then (and nothing divides by it). */
    if (pfvi->cyTypeRow == 0)
        return;
    UINT iRow = (UINT)HIWORD(lParam) / pfvi->cyTypeRow;
    if (iRow >= pfvi->nTypes)
        return;
    InvalidateTypeRow(pfvi, iRow, TRUE);
    InvalidateTypeRow(pfvi, pfvi->iCurType, TRUE);
    pfvi->iCurType = iRow;
    SetTypeHelpTopic(pfvi);
    RefreshFileList(pfvi);
}

void MoveCurType(FILEVIEWINFO *pfvi, BOOL fUp)
{
    UINT top;
    if (fUp) {
        if (pfvi->iCurType == 0)
            return;
        pfvi->iCurType--;
        top = pfvi->iCurType * pfvi->cyTypeRow;
    } else {
        if (pfvi->iCurType + 1 >= pfvi->nTypes)
            return;
        top = pfvi->iCurType * pfvi->cyTypeRow;
        pfvi->iCurType++;
    }
    /* the old and the new row together */
    RECT rc = {0, (LONG)top, (LONG)pfvi->cxTypeList, (LONG)(top + 2 * pfvi->cyTypeRow)};
    InvalidateRect(pfvi->hwndTypeList, &rc, TRUE);
    SetTypeHelpTopic(pfvi);
    RefreshFileList(pfvi);
}

/* Draws one row's picture (mask, then picture over it) and its label. */
static void PaintTypeRow(FILEVIEWINFO *pfvi, HDC hdc, HDC hdcStrip, UINT iRow)
{
    int y = (int)(iRow * pfvi->cyTypeRow);
    if (hdcStrip) {
        int yCell = (int)(iRow * TYPE_CELLSTEP + 1);
        BitBlt(hdc, TYPE_ICON_LEFT, y + (int)pfvi->yTypeIcon, TYPE_PICTURE, TYPE_PICTURE, hdcStrip, TYPE_MASK_X,
               yCell, MERGEPAINT);
        BitBlt(hdc, TYPE_ICON_LEFT, y + (int)pfvi->yTypeIcon, TYPE_PICTURE, TYPE_PICTURE, hdcStrip, TYPE_PICTURE_X,
               yCell, SRCAND);
    }
    LPCSTR pszLabel = GetRCString(g_hinstViewer, IDS_TYPEFIRST + iRow);
    if (!pszLabel)
        return;
    BOOL fSelected = iRow == pfvi->iCurType;
    if (fSelected)
        SetTextColor(hdc, GetSysColor(COLOR_HIGHLIGHTTEXT));
    TextOutA(hdc, TYPE_TEXT_LEFT, y + (int)pfvi->yTypeText, pszLabel, lstrlenA(pszLabel));
    if (fSelected)
        SetTextColor(hdc, GetSysColor(COLOR_WINDOWTEXT));
}

void PaintTypeList(FILEVIEWINFO *pfvi)
{
    PAINTSTRUCT ps;
    HDC hdc = BeginPaint(pfvi->hwndTypeList, &ps);
    if (!hdc)
        return;

    SetBkMode(hdc, TRANSPARENT);
    SetTextColor(hdc, GetSysColor(COLOR_WINDOWTEXT));
    HGDIOBJ hfontOld = pfvi->hFontBold ? SelectObject(hdc, pfvi->hFontBold) : NULL;

    RECT rcSel;
    GetTypeRowRect(pfvi, pfvi->iCurType, &rcSel);
    HBRUSH hbrHighlight = CreateSolidBrush(GetSysColor(COLOR_HIGHLIGHT));
    if (hbrHighlight) {
        FillRect(hdc, &rcSel, hbrHighlight);
        DeleteObject(hbrHighlight);
    }

    HDC hdcStrip = pfvi->hbmTypes ? CreateCompatibleDC(hdc) : NULL;
    HGDIOBJ hbmOld = hdcStrip ? SelectObject(hdcStrip, pfvi->hbmTypes) : NULL;
    for (UINT iRow = 0; iRow < pfvi->nTypes; iRow++)
        PaintTypeRow(pfvi, hdc, hbmOld ? hdcStrip : NULL, iRow);

    if (pfvi->hwndFocus == pfvi->hwndTypeList && pfvi->fActive)
        DrawFocusRect(hdc, &rcSel);

    if (hbmOld)
        SelectObject(hdcStrip, hbmOld);
    if (hdcStrip)
        DeleteDC(hdcStrip);
    if (hfontOld)
        SelectObject(hdc, hfontOld);
    EndPaint(pfvi->hwndTypeList, &ps);
}

/* Key-down: TRUE when the key was handled here. */
static BOOL TypeListKeyDown(FILEVIEWINFO *pfvi, WPARAM vk)
{
    switch (vk) {
    case VK_TAB:
        pfvi->hwndFocus = GetKeyState(VK_SHIFT) < 0 ? pfvi->hwndBrowse : pfvi->hwndFileList;
        SetFocus(pfvi->hwndFocus);
        return TRUE;
    case VK_UP:
    case VK_DOWN:
        MoveCurType(pfvi, vk == VK_UP);
        UpdateWindow(pfvi->hwndTypeList);
        return TRUE;
    case VK_APPS:
    case VK_F6:
        SendTypeAction(pfvi, 4);
        return TRUE;
    case VK_F5:
        RefreshFileList(pfvi);
        return TRUE;
    }
    return FALSE;
}

static BOOL IsTypeListKey(WPARAM vk)
{
    return vk == VK_TAB || vk == VK_UP || vk == VK_DOWN || vk == VK_APPS || vk == VK_F5 || vk == VK_F6;
}

static void TypeListButtonDown(FILEVIEWINFO *pfvi, BOOL fRight, WPARAM fKeys, LPARAM lParam)
{
    SelectTypeAtPoint(pfvi, lParam);
    BringWindowToTop(pfvi->hwndViewer);
    pfvi->hwndFocus = pfvi->hwndTypeList;
    SetFocus(pfvi->hwndTypeList);
    if (fRight)
        SendTypeAction(pfvi, 4);
    else if (fKeys & MK_SHIFT)
        SendTypeAction(pfvi, 0);
}

extern "C" LRESULT WINAPI FVListWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    FILEVIEWINFO *pfvi = ViewerInfoFromChild(hwnd);
    if (!pfvi)
        return DefWindowProcA(hwnd, msg, wParam, lParam);

    switch (msg) {
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        InvalidateCurType(pfvi);
        return 0;
    case WM_PAINT:
        PaintTypeList(pfvi);
        return 0;
    case WM_KEYDOWN:
        if (IsIconicChain(pfvi->hwndViewer) || !TypeListKeyDown(pfvi, wParam))
            break;
        return 0;
    case WM_KEYUP:
        if (!IsTypeListKey(wParam))
            break;
        return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
        TypeListButtonDown(pfvi, msg == WM_RBUTTONDOWN, wParam, lParam);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}
