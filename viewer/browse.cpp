/* The browse button: an owner-drawn square beside the directory box that
 * opens the host's directory browser. */
#include "viewer.h"

#include <string.h>

#include "tbmsg.h"

#include <strsafe.h>

#define FV_CCHBROWSETEXT 262

static LRESULT CallPreviousButtonProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (!g_pfnButtonProc)
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    return CallWindowProcA(g_pfnButtonProc, hwnd, msg, wParam, lParam);
}

static BOOL IsButtonKey(WPARAM vk)
{
    return vk == VK_TAB || vk == VK_RETURN || vk == VK_SPACE || vk == VK_F5;
}

static void HandleButtonKeyDown(FILEVIEWINFO *pfvi, WPARAM vk)
{
    switch (vk) {
    case VK_TAB:
        pfvi->hwndFocus = (GetKeyState(VK_SHIFT) & 0x8000) ? pfvi->hwndCombo : pfvi->hwndTypeList;
        SetFocus(pfvi->hwndFocus);
        break;
    case VK_RETURN:
    case VK_SPACE:
        BrowseForDirectory(pfvi);
        break;
    case VK_F5:
        RefreshFileList(pfvi);
        break;
    }
}

/* Space is taken on key-down and its key-up swallowed, so the standard
 * button never clicks itself from the keyboard. */
LRESULT WINAPI ButtonSubClassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    FILEVIEWINFO *pfvi = ViewerInfoFromChild(hwnd);
    if (!pfvi)
        return CallPreviousButtonProc(hwnd, msg, wParam, lParam);

    switch (msg) {
    case WM_KEYDOWN:
        if (IsButtonKey(wParam) && !IsIconicChain(pfvi->hwndViewer)) {
            HandleButtonKeyDown(pfvi, wParam);
            return 0;
        }
        break;
    case WM_KEYUP:
        if (IsButtonKey(wParam))
            return 0;
        break;
    }
    return CallPreviousButtonProc(hwnd, msg, wParam, lParam);
}

/* ---- drawing ---- */

static void DrawLine(HDC hdc, int x1, int y1, int x2, int y2)
{
    MoveToEx(hdc, x1, y1, NULL);
    LineTo(hdc, x2, y2);
}

static void DrawPolyline3(HDC hdc, int x1, int y1, int x2, int y2, int x3, int y3)
{
    MoveToEx(hdc, x1, y1, NULL);
    LineTo(hdc, x2, y2);
    LineTo(hdc, x3, y3);
}

/* Mask first (whitens the opaque pixels), then the picture over it. */
static void DrawBrowsePicture(HDC hdc, HDC hdcMem, int cx, int x, int y)
{
    BitBlt(hdc, x, y, cx, cx, hdcMem, cx + 2, 1, MERGEPAINT);
    BitBlt(hdc, x, y, cx, cx, hdcMem, 1, 1, SRCAND);
}

static void DrawRaisedLook(FILEVIEWINFO *pfvi, const DRAWITEMSTRUCT *pdis, HPEN hpenShadow, HPEN hpenLight,
                           HDC hdcMem, int o)
{
    HDC hdc = pdis->hDC;
    int L = pdis->rcItem.left, T = pdis->rcItem.top, R = pdis->rcItem.right, B = pdis->rcItem.bottom;

    SelectObject(hdc, hpenShadow);
    DrawPolyline3(hdc, R - 2, T + 1, R - 2, B - 2, L, B - 2);
    DrawPolyline3(hdc, R - 3, T + 1, R - 3, B - 3, L, B - 3);
    SelectObject(hdc, hpenLight);
    DrawPolyline3(hdc, L + 1, B - 3, L + 1, T + 1, R - 2, T + 1);
    if (hdcMem)
        DrawBrowsePicture(hdc, hdcMem, (int)pfvi->cxIcon, o, o);
    if (pdis->itemState == ODS_FOCUS) {
        RECT rc = {L + 3, T + 3, R - 4, B - 4};
        DrawFocusRect(hdc, &rc);
        pfvi->hwndFocus = pfvi->hwndBrowse;
    }
}

static void DrawPressedLook(FILEVIEWINFO *pfvi, const DRAWITEMSTRUCT *pdis, HPEN hpenShadow, HDC hdcMem, int o)
{
    HDC hdc = pdis->hDC;
    int L = pdis->rcItem.left, T = pdis->rcItem.top, R = pdis->rcItem.right, B = pdis->rcItem.bottom;

    SelectObject(hdc, hpenShadow);
    DrawPolyline3(hdc, L + 1, B - 2, L + 1, T + 1, R - 1, T + 1);
    if (hdcMem)
        DrawBrowsePicture(hdc, hdcMem, (int)pfvi->cxIcon, o + 1, o + 1);
    RECT rc = {L + 4, T + 4, R - 3, B - 3};
    DrawFocusRect(hdc, &rc);
    pfvi->hwndFocus = pfvi->hwndBrowse;
}

void DrawBrowseButton(FILEVIEWINFO *pfvi, const DRAWITEMSTRUCT *pdis)
{
    HDC hdc = pdis->hDC;
    int L = pdis->rcItem.left, T = pdis->rcItem.top, R = pdis->rcItem.right, B = pdis->rcItem.bottom;

    HBRUSH hbrFace = CreateSolidBrush(GetSysColor(COLOR_BTNFACE));
    if (hbrFace) {
        FillRect(hdc, &pdis->rcItem, hbrFace);
        DeleteObject(hbrFace);
    }

    HGDIOBJ hpenOld = SelectObject(hdc, GetStockObject(BLACK_PEN));
    DrawLine(hdc, L + 1, T, R - 1, T);
    DrawLine(hdc, R - 1, T + 1, R - 1, B - 1);
    DrawLine(hdc, R - 2, B - 1, L, B - 1);
    DrawLine(hdc, L, B - 2, L, T);

    HPEN hpenShadow = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNSHADOW));
    HPEN hpenLight = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNHIGHLIGHT));
    HDC hdcMem = CreateCompatibleDC(hdc);
    HGDIOBJ hbmOld = NULL;
    int o = 0;
    if (hdcMem && pfvi->hbmBrowse) {
        hbmOld = SelectObject(hdcMem, pfvi->hbmBrowse);
        o = (B - (int)pfvi->cxIcon) / 2;
    }
    HDC hdcPicture = hbmOld ? hdcMem : NULL;

    if (hpenShadow && hpenLight) {
        if (pdis->itemAction == ODA_DRAWENTIRE || pdis->itemAction == ODA_FOCUS) {
            DrawRaisedLook(pfvi, pdis, hpenShadow, hpenLight, hdcPicture, o);
        } else if (pdis->itemAction == ODA_SELECT) {
            if (pdis->itemState == (ODS_SELECTED | ODS_FOCUS))
                DrawPressedLook(pfvi, pdis, hpenShadow, hdcPicture, o);
            else if (pdis->itemState == ODS_FOCUS)
                DrawRaisedLook(pfvi, pdis, hpenShadow, hpenLight, hdcPicture, o);
        }
    }

    SelectObject(hdc, hpenOld);
    if (hbmOld)
        SelectObject(hdcMem, hbmOld);
    if (hpenLight)
        DeleteObject(hpenLight);
    if (hpenShadow)
        DeleteObject(hpenShadow);
    if (hdcMem)
        DeleteDC(hdcMem);
}

/* ---- the browser ---- */

/* Puts a chosen path into the box and lets the box's Enter handling change
 * to it once this message has returned. */
static void TakeChosenPath(FILEVIEWINFO *pfvi, LPSTR pszPath)
{
    size_t cch = strlen(pszPath);
    /* Longer than a path buffer: the box would cut it to another name. */
    if (cch >= FV_CCHPATH)
        return;
    if (cch > 0 && pszPath[cch - 1] == '\\')
        pszPath[cch - 1] = '\0';
    SendMessageA(pfvi->hwndCombo, WM_SETTEXT, 0, (LPARAM)pszPath);
    APpostMessage(pfvi->hwndCombo, WM_KEYDOWN, VK_RETURN, 0);
}

void BrowseForDirectory(FILEVIEWINFO *pfvi)
{
    BROWSERINFO *pbi = (BROWSERINFO *)fastmalloc(sizeof(BROWSERINFO));
    LPSTR *ppszChosen = (LPSTR *)fastmalloc(sizeof(LPSTR));
    LPSTR pszText = (LPSTR)fastmalloc(FV_CCHBROWSETEXT);
    if (pbi && ppszChosen && pszText) {
        pbi->hwndOwner = pfvi->hwndBrowse;
        pbi->hwndButton = pfvi->hwndBrowse;
        pbi->hInstance = g_hinstViewer;
        pbi->pszInitialDir = pszText;
        pbi->fOption76 = 1;
        pbi->fOption80 = 1;
        pbi->fOption88 = 1;
        pbi->nChosen = 1;
        pbi->ppszChosen = ppszChosen;
        SendMessageA(pfvi->hwndCombo, WM_GETTEXT, FV_CCHPATH, (LPARAM)pszText);

        if (MakeBrowser(pbi) && pbi->nChosen > 0 && *ppszChosen)
            TakeChosenPath(pfvi, *ppszChosen);
        /* Whatever the answer, a path the host handed out is ours to free. */
        fastfree(*ppszChosen);
    }
    fastfree(pszText);
    fastfree(ppszChosen);
    fastfree(pbi);
}
