/* The viewer's state record: creation with its fonts and metrics, and
 * destruction. The record hangs on window word 0 of the viewer window. */
#include "viewer.h"

#define STRSAFE_NO_DEPRECATE
#include <strsafe.h>

static const LONG s_anExtKinds[FV_NEXTS] = {1, 1, 2, 2, 3, 4, 4, 5, 5, 6, 6, 7, 8, 9, 9, 9, 9, 9, 9};
static const LONG s_anTypeKinds[FV_NTYPES] = {0, 3, 4, 6};

#define FV_HELP_DEFAULT 435

FILEVIEWINFO *ViewerInfoFromViewer(HWND hwndViewer)
{
    return hwndViewer ? (FILEVIEWINFO *)GetWindowLongPtrA(hwndViewer, 0) : NULL;
}

FILEVIEWINFO *ViewerInfoFromChild(HWND hwndChild)
{
    return hwndChild ? ViewerInfoFromViewer(GetParent(hwndChild)) : NULL;
}

/* Host strings may be missing in a foreign host; treat them as empty. */
static LPCSTR HostString(UINT id)
{
    LPCSTR psz = GetRCString(g_hinstViewer, id);
    return psz ? psz : "";
}

static SIZE MeasureHostString(HDC hdc, UINT id)
{
    SIZE size = {0, 0};
    LPCSTR psz = HostString(id);
    if (!GetTextExtentPoint32A(hdc, psz, lstrlenA(psz), &size))
        size.cx = size.cy = 0;
    return size;
}

static void MeasureViewerText(FILEVIEWINFO *pfvi, HDC hdc)
{
    LOGFONTA lf = {};
    /* 1/9 inch: 10 pixels at 96 dpi, 13 at 120. */
    lf.lfHeight = (LONG)(GetDeviceCaps(hdc, LOGPIXELSY) * 0.1111111111111111);
    lf.lfWeight = FW_NORMAL;
    lf.lfCharSet = ANSI_CHARSET;
    lf.lfQuality = DRAFT_QUALITY;
    lf.lfPitchAndFamily = FF_SWISS | DEFAULT_PITCH;
    lstrcpynA(lf.lfFaceName, HostString(IDS_FACENAME), LF_FACESIZE);
    pfvi->hFont = CreateFontIndirectA(&lf);
    lf.lfWeight = FW_BOLD;
    pfvi->hFontBold = CreateFontIndirectA(&lf);

    HGDIOBJ hfontOld = pfvi->hFontBold ? SelectObject(hdc, pfvi->hFontBold) : NULL;

    SIZE size = MeasureHostString(hdc, IDS_CAPTION);
    pfvi->cyLabel = (UINT)size.cy;
    pfvi->cxLabel = (UINT)size.cx;

    pfvi->cyTypeRow = 0;
    pfvi->cxTypeList = 0;
    for (UINT i = 0; i < pfvi->nTypes; i++) {
        size = MeasureHostString(hdc, IDS_TYPEFIRST + i);
        if ((UINT)size.cy > pfvi->cyTypeRow)
            pfvi->cyTypeRow = (UINT)size.cy;
        if ((UINT)size.cx > pfvi->cxTypeList)
            pfvi->cxTypeList = (UINT)size.cx;
    }

    /* Rows hold a 24-pixel picture beside the text: centre the smaller one. */
    if (pfvi->cyTypeRow > 24) {
        pfvi->yTypeIcon = (pfvi->cyTypeRow - 24) / 2;
        pfvi->yTypeText = 0;
    } else if (pfvi->cyTypeRow < 24) {
        pfvi->yTypeIcon = 0;
        pfvi->yTypeText = (24 - pfvi->cyTypeRow) / 2;
        pfvi->cyTypeRow = 24;
    } else {
        pfvi->yTypeIcon = pfvi->yTypeText = 0;
    }
    pfvi->cxTypeList += 30;

    size = MeasureHostString(hdc, IDS_FILEMIN);
    pfvi->cxFileMin = (UINT)size.cx + 20;

    if (pfvi->hFont)
        SelectObject(hdc, pfvi->hFont);
    TEXTMETRICA tm;
    if (GetTextMetricsA(hdc, &tm))
        pfvi->cyFileRow = (UINT)tm.tmHeight + 2;
    if (hfontOld)
        SelectObject(hdc, hfontOld);
}

BOOL CreateViewerInfo(HWND hwndViewer, const CREATESTRUCTA *pcs)
{
    FILEVIEWINFO *pfvi = (FILEVIEWINFO *)fastmalloc(sizeof(FILEVIEWINFO));
    if (!pfvi)
        return FALSE;
    SetWindowLongPtrA(hwndViewer, 0, (LONG_PTR)pfvi);

    pfvi->hwndDesktop = GetDesktop(hwndViewer);
    pfvi->hwndViewer = hwndViewer;
    pfvi->hSession = TBMgetSession(pfvi->hwndDesktop);
    pfvi->nTypes = FV_NTYPES;

    HDC hdc = GetDC(hwndViewer);
    if (hdc) {
        MeasureViewerText(pfvi, hdc);
        ReleaseDC(hwndViewer, hdc);
    }

    /* Application word of the MDI creation record: low half = initial row + 1,
     * high half = references-only. */
    DWORD dwWord = 0;
    const MDICREATESTRUCTA *pmcs = pcs ? (const MDICREATESTRUCTA *)pcs->lpCreateParams : NULL;
    if (pmcs)
        dwWord = (DWORD)pmcs->lParam;
    UINT wRow = LOWORD(dwWord);
    pfvi->iCurType = (wRow >= 1 && wRow <= pfvi->nTypes) ? wRow - 1 : 0;
    pfvi->fReferencesOnly = HIWORD(dwWord);
    pfvi->nHelpTopic = FV_HELP_DEFAULT;

    for (int i = 0; i < FV_NTYPES; i++)
        pfvi->aTypeKinds[i] = s_anTypeKinds[i];
    for (int i = 0; i < FV_NEXTS; i++) {
        StringCchCopyA(pfvi->aExtKinds[i].szExt, sizeof pfvi->aExtKinds[i].szExt, HostString(IDS_EXTFIRST + i));
        pfvi->aExtKinds[i].nKind = s_anExtKinds[i];
    }

    FileSystemNotifyRegister(pfvi->hwndDesktop, FileSystemNotifyProc, pfvi);
    return TRUE;
}

void DestroyViewerInfo(HWND hwndViewer)
{
    APPINFO *pInfo = APgetInfo(GetDesktop(hwndViewer));
    if (pInfo)
        pInfo->hwndViewer = NULL;

    FILEVIEWINFO *pfvi = ViewerInfoFromViewer(hwndViewer);
    if (!pfvi)
        return;

    if (pfvi->hbmBrowse)
        DeleteObject(pfvi->hbmBrowse);
    if (pfvi->hbmTypes)
        DeleteObject(pfvi->hbmTypes);
    if (pfvi->hbmFiles)
        DeleteObject(pfvi->hbmFiles);
    if (pfvi->hbrFace)
        DeleteObject(pfvi->hbrFace);
    if (pfvi->hFont)
        DeleteObject(pfvi->hFont);
    if (pfvi->hFontBold)
        DeleteObject(pfvi->hFontBold);
    if (pfvi->pFirst)
        FreeFileList(pfvi->pFirst);
    pfvi->pFirst = pfvi->pTop = pfvi->pSel = NULL;
    fastfree(pfvi->ppIndex);
    pfvi->ppIndex = NULL;

    FileSystemNotifyUnRegister(pfvi->hwndDesktop, FileSystemNotifyProc, pfvi);

    SetWindowLongPtrA(hwndViewer, 0, 0);
    fastfree(pfvi);
}

LONG WINAPI FileSystemNotifyProc(DWORD_PTR dw1, DWORD_PTR dw2, DWORD_PTR dw3, DWORD_PTR dw4, LPVOID pContext)
{
    (void)dw1;
    (void)dw2;
    (void)dw3;
    (void)dw4;
    if (pContext)
        RefreshFileList((FILEVIEWINFO *)pContext);
    return 0;
}
