/* A document window: what the demo host shows for a file that an add-in asks
 * it to open. */
#define STRSAFE_NO_DEPRECATE
#include "demo.h"
#include <strsafe.h>

static const char c_szDocClass[] = "TabulonDemoDoc";

typedef struct DOCINFO_ {
    CHAR szPath[MAX_PATH];
    CHAR achText[4096]; /* the start of the file, as text */
} DOCWININFO;

static void PaintDoc(HWND hwnd, const DOCWININFO *pdoc)
{
    PAINTSTRUCT ps;
    RECT rc;
    HDC hdc = BeginPaint(hwnd, &ps);
    if (!hdc)
        return;
    GetClientRect(hwnd, &rc);
    InflateRect(&rc, -6, -6);
    HGDIOBJ hfontOld = SelectObject(hdc, GetStockObject(ANSI_FIXED_FONT));
    SetBkMode(hdc, TRANSPARENT);
    DrawTextA(hdc, pdoc->achText, -1, &rc, DT_LEFT | DT_TOP | DT_NOPREFIX | DT_EXPANDTABS | DT_WORDBREAK);
    SelectObject(hdc, hfontOld);
    EndPaint(hwnd, &ps);
}

static void LoadDocText(DOCWININFO *pdoc)
{
    DWORD cbRead = 0;
    HANDLE h = CreateFileA(pdoc->szPath, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, NULL, OPEN_EXISTING,
                           0, NULL);
    if (h == INVALID_HANDLE_VALUE) {
        StringCchPrintfA(pdoc->achText, ARRAYSIZE(pdoc->achText), "%s\r\n\r\n(the file cannot be read)",
                         pdoc->szPath);
        return;
    }
    ReadFile(h, pdoc->achText, sizeof pdoc->achText - 1, &cbRead, NULL);
    CloseHandle(h);
    pdoc->achText[cbRead] = 0;
    /* Binary content shows as dots rather than as garbage. */
    for (DWORD i = 0; i < cbRead; i++) {
        unsigned char c = (unsigned char)pdoc->achText[i];
        if (c < 32 && c != '\r' && c != '\n' && c != '\t')
            pdoc->achText[i] = '.';
    }
    if (cbRead == 0)
        StringCchCopyA(pdoc->achText, ARRAYSIZE(pdoc->achText), "(empty file)");
}

static LRESULT CALLBACK DocWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    DOCWININFO *pdoc = (DOCWININFO *)GetWindowLongPtrA(hwnd, 0);
    switch (msg) {
    case WM_CREATE: {
        MDICREATESTRUCTA *pmcs = (MDICREATESTRUCTA *)((CREATESTRUCTA *)lParam)->lpCreateParams;
        pdoc = (DOCWININFO *)HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof *pdoc);
        if (!pdoc)
            return -1;
        StringCchCopyA(pdoc->szPath, ARRAYSIZE(pdoc->szPath), (LPCSTR)pmcs->lParam);
        LoadDocText(pdoc);
        SetWindowLongPtrA(hwnd, 0, (LONG_PTR)pdoc);
        break;
    }
    case WM_PAINT:
        if (pdoc) {
            PaintDoc(hwnd, pdoc);
            return 0;
        }
        break;
    case WM_DESTROY:
        SetWindowLongPtrA(hwnd, 0, 0);
        HeapFree(GetProcessHeap(), 0, pdoc);
        break;
    }
    return DefMDIChildProcA(hwnd, msg, wParam, lParam);
}

BOOL RegisterDocClass(HINSTANCE hinst)
{
    WNDCLASSA wc = {};
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = DocWndProc;
    wc.cbWndExtra = sizeof(LONG_PTR);
    wc.hInstance = hinst;
    wc.hCursor = LoadCursorA(NULL, (LPCSTR)IDC_ARROW);
    wc.hbrBackground = (HBRUSH)(COLOR_WINDOW + 1);
    wc.lpszClassName = c_szDocClass;
    return RegisterClassA(&wc) != 0;
}

/* Opens a window on the file, a name relative to the working directory. */
HWND OpenDocWindow(LPCSTR pszName)
{
    CHAR szPath[MAX_PATH];
    MDICREATESTRUCTA mcs = {};
    if (!pszName || !*pszName)
        return NULL;
    if (TBMfullPathname(TBMgetSession(g_demo.hwndDesktop), pszName, szPath) != 0)
        StringCchCopyA(szPath, ARRAYSIZE(szPath), pszName);
    mcs.szClass = c_szDocClass;
    mcs.szTitle = pszName;
    mcs.hOwner = g_demo.hinst;
    mcs.x = mcs.y = mcs.cx = mcs.cy = CW_USEDEFAULT;
    mcs.lParam = (LPARAM)szPath;
    return (HWND)SendMessageA(g_demo.hwndDesktop, WM_MDICREATE, 0, (LPARAM)&mcs);
}
