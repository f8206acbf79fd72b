/* Message pumping, synchronous key input and pixel probes. */
#include "tbkit.h"

namespace tbkit {

void PumpMessages(DWORD msWait)
{
    DWORD tStart = GetTickCount();
    /* A window that invalidates itself while painting would keep the queue
     * busy for ever; bound the loop. */
    for (int nRounds = 0; nRounds < 100000; nRounds++) {
        MSG msg;
        if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                PostQuitMessage(static_cast<int>(msg.wParam));
                return;
            }
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
            continue;
        }
        DWORD tElapsed = GetTickCount() - tStart;
        if (tElapsed >= msWait)
            return;
        MsgWaitForMultipleObjects(0, nullptr, FALSE, msWait - tElapsed, QS_ALLINPUT);
    }
}

KeyStateScope::KeyStateScope(std::initializer_list<UINT> vksDown)
{
    GetKeyboardState(abSaved_);
    BYTE ab[256];
    memcpy(ab, abSaved_, sizeof(ab));
    for (UINT vk : vksDown)
        if (vk < 256)
            ab[vk] |= 0x80;
    SetKeyboardState(ab);
}

KeyStateScope::~KeyStateScope() { SetKeyboardState(abSaved_); }

LRESULT SendKey(HWND hwnd, UINT vk, bool fShift, bool fCtrl, char ch)
{
    BYTE abSaved[256], ab[256];
    GetKeyboardState(abSaved);
    memcpy(ab, abSaved, sizeof(ab));
    if (fShift)
        ab[VK_SHIFT] |= 0x80, ab[VK_LSHIFT] |= 0x80;
    if (fCtrl)
        ab[VK_CONTROL] |= 0x80, ab[VK_LCONTROL] |= 0x80;
    ab[vk & 0xFF] |= 0x80;
    SetKeyboardState(ab);

    LPARAM lScan = static_cast<LPARAM>(MapVirtualKeyA(vk, MAPVK_VK_TO_VSC) & 0xFF) << 16;
    LRESULT result = SendMessageA(hwnd, WM_KEYDOWN, vk, 1 | lScan);
    if (ch != 0 && IsWindow(hwnd))
        SendMessageA(hwnd, WM_CHAR, static_cast<BYTE>(ch), 1 | lScan);

    ab[vk & 0xFF] &= 0x7F;
    SetKeyboardState(ab);
    if (IsWindow(hwnd))
        SendMessageA(hwnd, WM_KEYUP, vk, 1 | lScan | (1L << 30) | (1UL << 31));
    SetKeyboardState(abSaved);
    return result;
}

COLORREF ProbePixel(HWND hwnd, int x, int y, bool fRepaintAll)
{
    if (!IsWindow(hwnd))
        return CLR_INVALID;
    if (fRepaintAll)
        RedrawWindow(hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    else
        UpdateWindow(hwnd);
    HDC hdc = GetDC(hwnd);
    if (!hdc)
        return CLR_INVALID;
    COLORREF cr = GetPixel(hdc, x, y);
    ReleaseDC(hwnd, hdc);
    return cr;
}

COLORREF ProbePrintedPixel(HWND hwnd, int x, int y)
{
    RECT rc;
    if (!IsWindow(hwnd) || !GetClientRect(hwnd, &rc) || x < 0 || y < 0 || x >= rc.right || y >= rc.bottom)
        return CLR_INVALID;
    COLORREF cr = CLR_INVALID;
    HDC hdcWindow = GetDC(hwnd);
    if (!hdcWindow)
        return CLR_INVALID;
    HDC hdcMem = CreateCompatibleDC(hdcWindow);
    HBITMAP hbm = CreateCompatibleBitmap(hdcWindow, rc.right, rc.bottom);
    if (hdcMem && hbm) {
        HGDIOBJ hbmOld = SelectObject(hdcMem, hbm);
        if (PrintWindow(hwnd, hdcMem, PW_CLIENTONLY))
            cr = GetPixel(hdcMem, x, y);
        SelectObject(hdcMem, hbmOld);
    }
    if (hbm)
        DeleteObject(hbm);
    if (hdcMem)
        DeleteDC(hdcMem);
    ReleaseDC(hwnd, hdcWindow);
    return cr;
}

} // namespace tbkit
