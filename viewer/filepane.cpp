/* The file pane: one row per file list entry (kind picture, name), one
 * selected row, keys, mouse and type-ahead turned into host requests. */
#include "viewer.h"

#include <strsafe.h>

#define VK_F10_CODE 121

/* The last entry of the list (the only one of a one-entry list), or null. */
static FILENODE *LastFileNode(const FILEVIEWINFO *pfvi)
{
    if (!pfvi->pFirst)
        return NULL;
    return pfvi->pFirst->pPrev ? pfvi->pFirst->pPrev : pfvi->pFirst;
}

static void InvalidatePane(FILEVIEWINFO *pfvi)
{
    InvalidateRect(pfvi->hwndFileList, NULL, TRUE);
}

static void ClearTypeAhead(FILEVIEWINFO *pfvi)
{
    pfvi->szTypeAhead[0] = 0;
    SendMessageA(pfvi->hwndDesktop, TBM_STATUSTEXT, 0, 0);
}

/* Sends 30007 for the selection; fInObjectMenu brackets the send, during
 * which the host runs its menu and may call back into the viewer. */
static void SendObjectMenu(FILEVIEWINFO *pfvi)
{
    pfvi->fInObjectMenu = TRUE;
    SendMessageA(pfvi->hwndDesktop, TBM_OBJECTMENU, 0, (LPARAM)pfvi->pSel->pszName);
    pfvi->fInObjectMenu = FALSE;
}

/* ---- painting ----------------------------------------------------------- */

void PaintFilePane(FILEVIEWINFO *pfvi)
{
    HWND hwnd = pfvi->hwndFileList;
    PAINTSTRUCT ps;
    HDC hdc = BeginPaint(hwnd, &ps);
    if (!hdc)
        return;
    RECT rc;
    GetClientRect(hwnd, &rc);
    SetBkMode(hdc, TRANSPARENT);
    BOOL fFocusFrame = pfvi->hwndFocus == hwnd && pfvi->fActive;
    int cy = (int)pfvi->cyFileRow;

    if (!pfvi->pTop) {
        if (fFocusFrame) {
            RECT rcRow = {0, 0, rc.right, cy};
            DrawFocusRect(hdc, &rcRow);
        }
        EndPaint(hwnd, &ps);
        return;
    }
    if (!pfvi->pSel && pfvi->hwndFocus == hwnd)
        pfvi->pSel = pfvi->pTop;

    HFONT hfontOld = pfvi->hFont ? (HFONT)SelectObject(hdc, pfvi->hFont) : NULL;
    int x0 = 2 - GetScrollPos(hwnd, SB_HORZ);
    int y0 = 1;
    int cxIcon = (int)pfvi->cxIcon;
    HDC hdcMem = pfvi->hbmFiles ? CreateCompatibleDC(hdc) : NULL;
    HBITMAP hbmOld = hdcMem ? (HBITMAP)SelectObject(hdcMem, pfvi->hbmFiles) : NULL;

    FILENODE *pNode = pfvi->pTop;
    do {
        if (pNode == pfvi->pSel) {
            RECT rcBand = {0, y0 - 1, rc.right, y0 - 1 + cy};
            HBRUSH hbr = CreateSolidBrush(GetSysColor(COLOR_HIGHLIGHT));
            if (hbr) {
                FillRect(hdc, &rcBand, hbr);
                DeleteObject(hbr);
            }
            if (fFocusFrame)
                DrawFocusRect(hdc, &rcBand);
            SetTextColor(hdc, GetSysColor(COLOR_HIGHLIGHTTEXT));
        } else {
            SetTextColor(hdc, GetSysColor(COLOR_WINDOWTEXT));
        }
        if (hdcMem && pNode->nKind >= 0 && pNode->nKind <= 9) {
            int yCell = (cxIcon + 1) * pNode->nKind + 1;
            int yIcon = y0 + (int)pfvi->yFileIcon;
            BitBlt(hdc, x0, yIcon, cxIcon, cxIcon, hdcMem, cxIcon + 2, yCell, MERGEPAINT);
            BitBlt(hdc, x0, yIcon, cxIcon, cxIcon, hdcMem, 1, yCell, SRCAND);
        }
        TextOutA(hdc, x0 + cxIcon + 2, y0 + (int)pfvi->yFileText, pNode->pszName, lstrlenA(pNode->pszName));
        pNode = pNode->pNext;
        y0 += cy;
    } while (pNode && pNode != pfvi->pFirst && y0 < rc.bottom && cy > 0);

    if (hdcMem) {
        SelectObject(hdcMem, hbmOld);
        DeleteDC(hdcMem);
    }
    if (hfontOld)
        SelectObject(hdc, hfontOld);
    EndPaint(hwnd, &ps);
}

/* Non-zero when the selected row lies within the whole rows shown from pTop
 * (at least the first row); *prc then receives its band. */
BOOL GetSelectionRect(FILEVIEWINFO *pfvi, RECT *prc)
{
    if (!pfvi->pSel || !pfvi->pTop)
        return FALSE;
    RECT rc;
    GetClientRect(pfvi->hwndFileList, &rc);
    int cy = (int)pfvi->cyFileRow;
    FILENODE *pLast = LastFileNode(pfvi);
    FILENODE *pNode = pfvi->pTop;
    int top = 0;
    while (top <= rc.bottom - 2 * cy && pNode != pLast && pNode != pfvi->pSel && pNode->pNext) {
        pNode = pNode->pNext;
        top += cy;
    }
    if (pNode != pfvi->pSel)
        return FALSE;
    prc->left = 0;
    prc->top = top;
    prc->right = rc.right;
    prc->bottom = top + cy;
    return TRUE;
}

void InvalidateSelection(FILEVIEWINFO *pfvi)
{
    RECT rc;
    if (pfvi->pFirst && pfvi->pSel) {
        if (GetSelectionRect(pfvi, &rc))
            InvalidateRect(pfvi->hwndFileList, &rc, TRUE);
        return;
    }
    GetClientRect(pfvi->hwndFileList, &rc);
    rc.top = 0;
    rc.bottom = (int)pfvi->cyFileRow;
    InvalidateRect(pfvi->hwndFileList, &rc, TRUE);
}

/* ---- commands ------------------------------------------------------------ */

/* Open (30004) or object menu (30007) for the selection, scrolling it to the
 * top first when it is out of view. */
void SelectionCommand(FILEVIEWINFO *pfvi, BOOL fOpen)
{
    if (!pfvi->pSel)
        return;
    RECT rcSel;
    int y = 0;
    if (GetSelectionRect(pfvi, &rcSel)) {
        y = rcSel.top;
    } else {
        pfvi->pTop = pfvi->pSel;
        SetPaneScrollPos(pfvi->hwndFileList, SB_VERT, ScrollPosOf(pfvi, pfvi->pTop));
        InvalidatePane(pfvi);
    }
    if (fOpen) {
        SendMessageA(pfvi->hwndDesktop, TBM_OPENFILE, 0, (LPARAM)pfvi->pSel->pszName);
        return;
    }
    RECT rcWnd;
    GetWindowRect(pfvi->hwndFileList, &rcWnd);
    SetCursorPos(rcWnd.left, rcWnd.top + (int)pfvi->cyFileRow + y);
    SendObjectMenu(pfvi);
}

/* ---- type-ahead ---------------------------------------------------------- */

/* Back to the first entry with an empty search text (Esc, or Backspace that
 * removed the last character). */
static void ResetTypeAhead(FILEVIEWINFO *pfvi)
{
    pfvi->szTypeAhead[0] = 0;
    pfvi->pTop = pfvi->pSel = pfvi->pFirst;
    SetPaneScrollPos(pfvi->hwndFileList, SB_VERT, 0);
    InvalidatePane(pfvi);
    SendMessageA(pfvi->hwndDesktop, TBM_STATUSTEXT, 0, 0);
}

/* TRUE when the host's format holds exactly one %s and otherwise only %%:
 * anything else would read arguments that are not there. */
static BOOL IsStatusFormat(LPCSTR pszFormat)
{
    int nStrings = 0;
    for (LPCSTR p = pszFormat; *p; p++) {
        if (*p != '%')
            continue;
        if (p[1] == '%') {
            p++;
        } else if (p[1] == 's') {
            nStrings++;
            p++;
        } else {
            return FALSE;
        }
    }
    return nStrings == 1;
}

/* Shows the search text in the host's status line through host string 11033.
 * The expansion is bounded by the 260-byte buffer and cut to fit. */
static void ShowTypeAheadStatus(FILEVIEWINFO *pfvi)
{
    CHAR szStatus[FV_CCHPATH];
    LPCSTR pszFormat = GetRCString(g_hinstViewer, IDS_TYPEAHEADFMT);
    if (pszFormat && IsStatusFormat(pszFormat))
        StringCchPrintfA(szStatus, sizeof(szStatus), pszFormat, pfvi->szTypeAhead);
    else
        StringCchCopyA(szStatus, sizeof(szStatus), pfvi->szTypeAhead);
    SendMessageA(pfvi->hwndDesktop, TBM_STATUSTEXT, 0, (LPARAM)szStatus);
}

void TypeAheadChar(FILEVIEWINFO *pfvi, UINT ch)
{
    if (!pfvi->pFirst)
        return;
    if (ch == 27) {
        ResetTypeAhead(pfvi);
        return;
    }
    if (ch == 9 || ch == 13 || ch == 0)
        return;

    LPSTR pszText = pfvi->szTypeAhead;
    size_t cch = 0;
    if (FAILED(StringCchLengthA(pszText, FV_CCHPATH, &cch))) {
        /* not terminated inside its buffer: start over */
        pszText[0] = 0;
        cch = 0;
    }
    FILENODE *pStart;
    if (ch == 8) {
        if (cch == 0)
            return;
        pszText[--cch] = 0;
        pStart = pfvi->pFirst;
    } else {
        /* A full text (259 characters) takes no more: the buffer has no room. */
        if (cch >= FV_CCHPATH - 1)
            return;
        pszText[cch++] = (CHAR)ch;
        pszText[cch] = 0;
        pStart = pfvi->pSel ? pfvi->pSel : pfvi->pFirst;
    }
    if (cch == FV_CCHPATH - 1)
        return;
    if (cch == 0) {
        ResetTypeAhead(pfvi);
        return;
    }
    CharUpperA(pszText);
    if (cch == 1)
        pStart = pfvi->pFirst;

    /* In a single-byte code page CharUpperA maps every character on its own,
     * so one table replaces a copy and CharUpperA per name: a search over a
     * long list then stays within a frame. */
    BYTE abUpper[256];
    CPINFO cpi;
    BOOL fTable = GetCPInfo(CP_ACP, &cpi) && cpi.MaxCharSize == 1;
    if (fTable) {
        for (int i = 0; i < 256; i++)
            abUpper[i] = (BYTE)i;
        CharUpperBuffA((LPSTR)abUpper + 1, 255);
    }

    FILENODE *pNode = pStart;
    for (;;) {
        if (fTable) {
            const BYTE *pbName = (const BYTE *)pNode->pszName;
            const BYTE *pbText = (const BYTE *)pszText;
            size_t i = 0;
            while (i < cch && abUpper[pbName[i]] == pbText[i] && pbName[i])
                i++;
            if (i == cch)
                break;
        } else {
            /* Names may be longer than the buffer; the text is at most 258
             * characters here, so the cut copy still decides the comparison. */
            CHAR szName[FV_CCHPATH];
            lstrcpynA(szName, pNode->pszName, sizeof(szName));
            CharUpperA(szName);
            if (lstrncmp(szName, pszText, (int)cch) == 0)
                break;
        }
        pNode = pNode->pNext;
        if (!pNode || pNode == pfvi->pFirst) {
            pszText[cch - 1] = 0;
            MessageBeep(0);
            return;
        }
    }

    pfvi->pSel = pNode;
    RECT rc;
    if (!GetSelectionRect(pfvi, &rc))
        pfvi->pTop = pfvi->pSel;
    SetPaneScrollPos(pfvi->hwndFileList, SB_VERT, ScrollPosOf(pfvi, pfvi->pTop));
    InvalidatePane(pfvi);
    ShowTypeAheadStatus(pfvi);
}

/* ---- the window procedure ------------------------------------------------ */

static BOOL IsShiftDown()
{
    return GetKeyState(VK_SHIFT) < 0;
}

static BOOL IsCtrlDown()
{
    return GetKeyState(VK_CONTROL) < 0;
}

/* Ctrl+Home / Ctrl+End: through the scroll bar when there is one, else only
 * the selection moves. */
static void SelectListEnd(FILEVIEWINFO *pfvi, BOOL fLast)
{
    if (pfvi->fVScroll) {
        VScrollFilePane(pfvi, fLast ? SB_BOTTOM : SB_TOP);
        return;
    }
    pfvi->pSel = fLast ? LastFileNode(pfvi) : pfvi->pFirst;
    InvalidatePane(pfvi);
}

/* TRUE when the key is one of the pane's. */
static BOOL FilePaneKeyDown(FILEVIEWINFO *pfvi, WPARAM vk)
{
    BOOL fClear = FALSE;
    switch (vk) {
    case VK_TAB:
        pfvi->hwndFocus = IsShiftDown() ? pfvi->hwndTypeList : pfvi->hwndCombo;
        SetFocus(pfvi->hwndFocus);
        fClear = TRUE;
        break;
    case VK_RETURN:
        if (pfvi->pSel)
            SendMessageA(pfvi->hwndDesktop, TBM_OPENFILE, 0, (LPARAM)pfvi->pSel->pszName);
        break;
    case VK_PRIOR:
        SelectPrevPage(pfvi);
        fClear = TRUE;
        break;
    case VK_NEXT:
        SelectNextPage(pfvi);
        fClear = TRUE;
        break;
    case VK_END:
    case VK_HOME:
        if (IsCtrlDown()) {
            SelectListEnd(pfvi, vk == VK_END);
            fClear = TRUE;
        } else if (pfvi->fHScroll) {
            HScrollFilePane(pfvi, vk == VK_END ? SB_RIGHT : SB_LEFT);
        }
        break;
    case VK_LEFT:
    case VK_RIGHT:
        if (pfvi->fHScroll)
            HScrollFilePane(pfvi, vk == VK_RIGHT ? SB_PAGERIGHT : SB_PAGELEFT);
        break;
    case VK_UP:
        SelectPrevFile(pfvi);
        fClear = TRUE;
        break;
    case VK_DOWN:
        SelectNextFile(pfvi);
        fClear = TRUE;
        break;
    case VK_APPS:
    case VK_F6:
        SelectionCommand(pfvi, FALSE);
        break;
    case VK_F5:
        RefreshFileList(pfvi);
        break;
    default:
        return FALSE;
    }
    if (fClear)
        ClearTypeAhead(pfvi);
    return TRUE;
}

static BOOL IsPaneKeyUp(WPARAM vk)
{
    switch (vk) {
    case VK_TAB:
    case VK_RETURN:
    case VK_PRIOR:
    case VK_NEXT:
    case VK_END:
    case VK_HOME:
    case VK_LEFT:
    case VK_UP:
    case VK_RIGHT:
    case VK_DOWN:
    case VK_APPS:
    case VK_F5:
    case VK_F6:
        return TRUE;
    }
    return FALSE;
}

static BOOL IsShiftF10(WPARAM vk)
{
    return vk == VK_F10_CODE && IsShiftDown() && !IsCtrlDown();
}

static void FilePaneButtonDown(FILEVIEWINFO *pfvi, LPARAM lParam, BOOL fRight)
{
    SelectFileAtPoint(pfvi, lParam);
    pfvi->hwndFocus = pfvi->hwndFileList;
    BringWindowToTop(pfvi->hwndViewer);
    SetFocus(pfvi->hwndFileList);
    if (fRight && pfvi->pSel)
        SendObjectMenu(pfvi);
}

extern "C" LRESULT WINAPI FVFileWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    FILEVIEWINFO *pfvi = ViewerInfoFromChild(hwnd);
    if (!pfvi)
        return DefWindowProcA(hwnd, msg, wParam, lParam);

    switch (msg) {
    case WM_SIZE:
        if (wParam != SIZE_RESTORED && wParam != SIZE_MAXIMIZED)
            break;
        SizeFilePane(pfvi, (DWORD)lParam);
        return 0;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
        InvalidateSelection(pfvi);
        return 0;
    case WM_PAINT:
        PaintFilePane(pfvi);
        return 0;
    case WM_KEYDOWN:
        if (!IsIconicChain(pfvi->hwndViewer) && FilePaneKeyDown(pfvi, wParam))
            return 0;
        break;
    case WM_KEYUP:
        if (IsPaneKeyUp(wParam))
            return 0;
        break;
    case WM_CHAR:
        if (!IsIconicChain(pfvi->hwndViewer))
            TypeAheadChar(pfvi, (UINT)(BYTE)wParam);
        break;
    case WM_SYSKEYDOWN:
        if (!IsShiftF10(wParam))
            break;
        SelectionCommand(pfvi, FALSE);
        return 0;
    case WM_SYSKEYUP:
        if (!IsShiftF10(wParam))
            break;
        return 0;
    case WM_HSCROLL:
        HScrollFilePane(pfvi, wParam);
        return 0;
    case WM_VSCROLL:
        VScrollFilePane(pfvi, wParam);
        return 0;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
        FilePaneButtonDown(pfvi, lParam, msg == WM_RBUTTONDOWN);
        return 0;
    case WM_LBUTTONDBLCLK:
        if (pfvi->pSel)
            SendMessageA(pfvi->hwndDesktop, TBM_OPENFILE, 0, (LPARAM)pfvi->pSel->pszName);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}
