/* File pane scrolling and selection moves. Single-row moves scroll the
 * window contents and invalidate only the rows that change. */
#include "viewer.h"

static FILENODE *LastNode(const FILEVIEWINFO *pfvi)
{
    if (!pfvi->pFirst)
        return NULL;
    return pfvi->pFirst->pPrev ? pfvi->pFirst->pPrev : pfvi->pFirst;
}

static BOOL HasTwoEntries(const FILEVIEWINFO *pfvi)
{
    return pfvi->pFirst && pfvi->pFirst->pPrev;
}

static int RowHeight(const FILEVIEWINFO *pfvi)
{
    return (int)pfvi->cyFileRow;
}

static void ScrollRows(FILEVIEWINFO *pfvi, int nRows)
{
    ScrollWindow(pfvi->hwndFileList, 0, nRows * RowHeight(pfvi), NULL, NULL);
}

static void SetTopPos(FILEVIEWINFO *pfvi)
{
    SetPaneScrollPos(pfvi->hwndFileList, SB_VERT, ScrollPosOf(pfvi, pfvi->pTop));
}

static void InvalidateBand(FILEVIEWINFO *pfvi, int top, int bottom)
{
    RECT rc;
    GetClientRect(pfvi->hwndFileList, &rc);
    rc.top = top;
    rc.bottom = bottom;
    InvalidateRect(pfvi->hwndFileList, &rc, TRUE);
}

static void InvalidateAll(FILEVIEWINFO *pfvi)
{
    InvalidateRect(pfvi->hwndFileList, NULL, TRUE);
}

/* The band of the two bottom rows, where a row scrolled in appears. */
static void InvalidateBottomRows(FILEVIEWINFO *pfvi)
{
    RECT rc;
    GetClientRect(pfvi->hwndFileList, &rc);
    InvalidateBand(pfvi, rc.bottom - 2 * RowHeight(pfvi), rc.bottom);
}

/* ---- horizontal ---------------------------------------------------------- */

void HScrollFilePane(FILEVIEWINFO *pfvi, WPARAM wParam)
{
    HWND hwnd = pfvi->hwndFileList;
    RECT rcSel;
    HDC hdc = NULL;
    BOOL fSel = GetSelectionRect(pfvi, &rcSel);
    if (fSel) {
        /* toggles the focus frame painting may have left on the band */
        hdc = GetDC(hwnd);
        if (hdc)
            DrawFocusRect(hdc, &rcSel);
    }

    int p = GetScrollPos(hwnd, SB_HORZ);
    int nMin = 0, nMax = 0;
    GetScrollRange(hwnd, SB_HORZ, &nMin, &nMax);
    int thumb = HIWORD(wParam);
    int d;
    switch (LOWORD(wParam)) {
    case SB_LINELEFT:
        if (p != 0) {
            ScrollWindow(hwnd, 1, 0, NULL, NULL);
            SetPaneScrollPos(hwnd, SB_HORZ, p - 1);
        }
        break;
    case SB_LINERIGHT:
        if (p < nMax) {
            ScrollWindow(hwnd, -1, 0, NULL, NULL);
            SetPaneScrollPos(hwnd, SB_HORZ, p + 1);
        }
        break;
    case SB_PAGELEFT:
        d = p < 10 ? p : 10;
        ScrollWindow(hwnd, d, 0, NULL, NULL);
        SetPaneScrollPos(hwnd, SB_HORZ, p - d);
        break;
    case SB_PAGERIGHT:
        d = nMax - p < 10 ? nMax - p : 10;
        ScrollWindow(hwnd, -d, 0, NULL, NULL);
        SetPaneScrollPos(hwnd, SB_HORZ, p + d);
        break;
    case SB_THUMBPOSITION:
        SetPaneScrollPos(hwnd, SB_HORZ, thumb);
        break;
    case SB_THUMBTRACK:
        ScrollWindow(hwnd, p - thumb, 0, NULL, NULL);
        SetPaneScrollPos(hwnd, SB_HORZ, thumb);
        UpdateWindow(hwnd);
        break;
    case SB_LEFT:
        ScrollWindow(hwnd, p, 0, NULL, NULL);
        SetPaneScrollPos(hwnd, SB_HORZ, 0);
        break;
    case SB_RIGHT:
        ScrollWindow(hwnd, -(nMax - p), 0, NULL, NULL);
        SetPaneScrollPos(hwnd, SB_HORZ, nMax);
        break;
    }

    if (hdc) {
        ReleaseDC(hwnd, hdc);
        InvalidateRect(hwnd, &rcSel, FALSE);
    }
}

/* ---- vertical ------------------------------------------------------------ */

/* The entry with this nPos, walked to from the nearest of the first entry,
 * pTop and the last entry; null when there is none. */
static FILENODE *NodeAtPos(FILEVIEWINFO *pfvi, LONG nPos)
{
    if (!pfvi->pFirst || nPos < 1 || nPos > pfvi->nFiles)
        return NULL;
    FILENODE *pNode = pfvi->pFirst;
    LONG nFrom = 1;
    LONG nBest = nPos - 1;
    if (pfvi->pTop && pfvi->pTop->nPos >= 1 && labs(nPos - pfvi->pTop->nPos) < nBest) {
        pNode = pfvi->pTop;
        nFrom = pNode->nPos;
        nBest = labs(nPos - nFrom);
    }
    FILENODE *pLast = LastNode(pfvi);
    if (pLast->nPos == pfvi->nFiles && pfvi->nFiles - nPos < nBest) {
        pNode = pLast;
        nFrom = pLast->nPos;
    }
    while (pNode && nFrom < nPos) {
        pNode = pNode->pNext;
        nFrom++;
    }
    while (pNode && nFrom > nPos) {
        pNode = pNode->pPrev;
        nFrom--;
    }
    return pNode && pNode->nPos == nPos ? pNode : NULL;
}

static void ThumbTrack(FILEVIEWINFO *pfvi, int thumb)
{
    HWND hwnd = pfvi->hwndFileList;
    if (pfvi->ppIndex) {
        if (thumb < 0 || thumb >= pfvi->nFiles || !pfvi->pTop)
            return;
        LONG nOld = pfvi->pTop->nPos;
        pfvi->pTop = pfvi->ppIndex[thumb];
        ScrollWindow(hwnd, 0, (int)(nOld - pfvi->pTop->nPos) * RowHeight(pfvi), NULL, NULL);
        UpdateWindow(hwnd);
        SetPaneScrollPos(hwnd, SB_VERT, thumb);
        return;
    }
    /* Without the array: the first entry whose nPos exceeds thumb * divisor,
     * i.e. the one numbered thumb * divisor + 1. */
    LONG nDiv = pfvi->nScrollDiv > 0 ? pfvi->nScrollDiv : 1;
    FILENODE *pNode = NodeAtPos(pfvi, (LONG)thumb * nDiv + 1);
    if (pNode)
        pfvi->pTop = pNode;
    InvalidateAll(pfvi);
    SetPaneScrollPos(hwnd, SB_VERT, thumb);
}

void VScrollFilePane(FILEVIEWINFO *pfvi, WPARAM wParam)
{
    FILENODE *pLast = LastNode(pfvi);
    int n = 0;
    switch (LOWORD(wParam)) {
    case SB_LINEUP:
        if (pfvi->pTop && pfvi->pTop != pfvi->pFirst && pfvi->pTop->pPrev) {
            pfvi->pTop = pfvi->pTop->pPrev;
            ScrollRows(pfvi, 1);
            SetTopPos(pfvi);
        }
        break;
    case SB_LINEDOWN:
        if (pfvi->pTop && pfvi->pTop != pLast && pfvi->pTop->pNext) {
            pfvi->pTop = pfvi->pTop->pNext;
            ScrollRows(pfvi, -1);
            SetTopPos(pfvi);
        }
        break;
    case SB_PAGEUP:
        while (pfvi->pTop && n < pfvi->nRowsVisible - 1 && pfvi->pTop != pfvi->pFirst && pfvi->pTop->pPrev) {
            pfvi->pTop = pfvi->pTop->pPrev;
            n++;
        }
        if (n > 0) {
            ScrollRows(pfvi, n);
            SetTopPos(pfvi);
        }
        break;
    case SB_PAGEDOWN:
        while (pfvi->pTop && n < pfvi->nRowsVisible - 1 && pfvi->pTop != pLast && pfvi->pTop->pNext) {
            pfvi->pTop = pfvi->pTop->pNext;
            n++;
        }
        if (n > 0) {
            ScrollRows(pfvi, -n);
            SetTopPos(pfvi);
        }
        break;
    case SB_THUMBPOSITION:
        SetPaneScrollPos(pfvi->hwndFileList, SB_VERT, HIWORD(wParam));
        break;
    case SB_THUMBTRACK:
        ThumbTrack(pfvi, HIWORD(wParam));
        break;
    case SB_TOP:
        pfvi->pTop = pfvi->pSel = pfvi->pFirst;
        SetPaneScrollPos(pfvi->hwndFileList, SB_VERT, 0);
        InvalidateAll(pfvi);
        break;
    case SB_BOTTOM:
        pfvi->pTop = pfvi->pSel = pLast;
        InvalidateAll(pfvi);
        SetTopPos(pfvi);
        break;
    }
}

/* ---- mouse ----------------------------------------------------------------- */

void SelectFileAtPoint(FILEVIEWINFO *pfvi, LPARAM lParam)
{
    if (!pfvi->pFirst || !pfvi->pTop || RowHeight(pfvi) <= 0)
        return;
    int y = (short)HIWORD(lParam);
    int row = (y - 1) / RowHeight(pfvi);
    if (row < 0)
        row = 0;
    if (!HasTwoEntries(pfvi)) {
        if (!pfvi->pSel && row == 0)
            pfvi->pSel = pfvi->pFirst;
        return;
    }
    FILENODE *pLast = LastNode(pfvi);
    FILENODE *pNode = pfvi->pTop;
    int nSteps = 0;
    while (nSteps < row && pNode != pLast) {
        pNode = pNode->pNext;
        nSteps++;
    }
    if (nSteps < row || pNode == pfvi->pSel)
        return; /* below the list, or already selected */

    pfvi->szTypeAhead[0] = 0;
    SendMessageA(pfvi->hwndDesktop, TBM_STATUSTEXT, 0, 0);
    RECT rc;
    if (GetSelectionRect(pfvi, &rc))
        InvalidateRect(pfvi->hwndFileList, &rc, TRUE);
    pfvi->pSel = pNode;
    if (GetSelectionRect(pfvi, &rc)) {
        InvalidateBand(pfvi, row * RowHeight(pfvi), (row + 1) * RowHeight(pfvi));
    } else {
        /* the partly visible bottom row: bring it into view by one row */
        pfvi->pTop = pfvi->pTop->pNext;
        ScrollRows(pfvi, -1);
        SetTopPos(pfvi);
        InvalidateBottomRows(pfvi);
    }
}

/* ---- keys ------------------------------------------------------------------ */

void SelectPrevFile(FILEVIEWINFO *pfvi)
{
    if (!pfvi->pSel || !HasTwoEntries(pfvi))
        return;
    if (pfvi->pSel != pfvi->pFirst)
        pfvi->pSel = pfvi->pSel->pPrev;
    RECT rc;
    if (GetSelectionRect(pfvi, &rc)) {
        InvalidateBand(pfvi, rc.top, rc.bottom + RowHeight(pfvi));
    } else {
        if (pfvi->pTop && pfvi->pSel == pfvi->pTop->pPrev && pfvi->pTop != pfvi->pFirst) {
            InvalidateBand(pfvi, 0, RowHeight(pfvi));
            ScrollRows(pfvi, 1);
        } else {
            InvalidateAll(pfvi);
        }
        pfvi->pTop = pfvi->pSel;
    }
    SetTopPos(pfvi);
    UpdateWindow(pfvi->hwndFileList);
}

void SelectNextFile(FILEVIEWINFO *pfvi)
{
    if (!pfvi->pSel || !HasTwoEntries(pfvi))
        return;
    FILENODE *pLast = LastNode(pfvi);
    if (pfvi->pSel != pLast)
        pfvi->pSel = pfvi->pSel->pNext;
    RECT rc;
    if (!GetSelectionRect(pfvi, &rc) && pfvi->pTop && pfvi->pTop != pLast) {
        pfvi->pTop = pfvi->pTop->pNext;
        InvalidateBottomRows(pfvi);
        ScrollRows(pfvi, -1);
    }
    if (GetSelectionRect(pfvi, &rc)) {
        InvalidateBand(pfvi, rc.top - RowHeight(pfvi), rc.bottom);
    } else {
        pfvi->pTop = pfvi->pSel;
        InvalidateAll(pfvi);
    }
    SetTopPos(pfvi);
    UpdateWindow(pfvi->hwndFileList);
}

void SelectNextPage(FILEVIEWINFO *pfvi)
{
    if (!pfvi->pSel || !HasTwoEntries(pfvi))
        return;
    FILENODE *pLast = LastNode(pfvi);
    int n = 0;
    while (n < pfvi->nRowsVisible - 1 && pfvi->pSel != pLast) {
        pfvi->pSel = pfvi->pSel->pNext;
        n++;
    }
    if (n == 0)
        return;
    RECT rc;
    if (!GetSelectionRect(pfvi, &rc)) {
        /* the view follows by as many rows, so the selection keeps its row */
        for (int i = 0; i < n && pfvi->pTop; i++)
            pfvi->pTop = pfvi->pTop->pNext;
    }
    if (!GetSelectionRect(pfvi, &rc))
        pfvi->pTop = pfvi->pSel;
    SetTopPos(pfvi);
    InvalidateAll(pfvi);
}

void SelectPrevPage(FILEVIEWINFO *pfvi)
{
    if (!pfvi->pSel || !HasTwoEntries(pfvi))
        return;
    int n = 0;
    while (n < pfvi->nRowsVisible - 1 && pfvi->pSel != pfvi->pFirst) {
        pfvi->pSel = pfvi->pSel->pPrev;
        n++;
    }
    if (n == 0)
        return;
    RECT rc;
    if (!GetSelectionRect(pfvi, &rc))
        pfvi->pTop = pfvi->pSel;
    SetTopPos(pfvi);
    InvalidateAll(pfvi);
}
