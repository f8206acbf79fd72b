// Proves the test runner: a real Win32 window system under Wine and a display.
#include <windows.h>

#include <gtest/gtest.h>

namespace {

LRESULT CALLBACK PaintRedProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_PAINT) {
        PAINTSTRUCT ps;
        HDC hdc = BeginPaint(hwnd, &ps);
        HBRUSH hbr = CreateSolidBrush(RGB(255, 0, 0));
        FillRect(hdc, &ps.rcPaint, hbr);
        DeleteObject(hbr);
        EndPaint(hwnd, &ps);
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

ATOM RegisterPaintRedClass()
{
    WNDCLASSA wc = {};
    wc.lpfnWndProc = PaintRedProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    wc.lpszClassName = "TbRunnerSmoke";
    return RegisterClassA(&wc);
}

}  // namespace

TEST(Runner, WindowHasRequestedClientSizeAndPaintsItsPixels)
{
    ASSERT_NE(RegisterPaintRedClass(), 0);
    HWND hwnd = CreateWindowExA(0, "TbRunnerSmoke", "smoke", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                10, 10, 200, 150, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(hwnd, nullptr);
    EXPECT_TRUE(IsWindow(hwnd));

    char szClass[64] = "";
    GetClassNameA(hwnd, szClass, sizeof szClass);
    EXPECT_STREQ(szClass, "TbRunnerSmoke");

    RECT rcWindow;
    ASSERT_TRUE(GetWindowRect(hwnd, &rcWindow));
    EXPECT_EQ(rcWindow.right - rcWindow.left, 200);
    EXPECT_EQ(rcWindow.bottom - rcWindow.top, 150);

    // Paint through the window's own procedure into a memory bitmap and probe it.
    RECT rc;
    GetClientRect(hwnd, &rc);
    ASSERT_GT(rc.right, 20);
    ASSERT_GT(rc.bottom, 20);
    UpdateWindow(hwnd);
    HDC hdcWnd = GetDC(hwnd);
    ASSERT_NE(hdcWnd, nullptr);
    COLORREF crCentre = GetPixel(hdcWnd, rc.right / 2, rc.bottom / 2);
    ReleaseDC(hwnd, hdcWnd);
    EXPECT_EQ(crCentre, RGB(255, 0, 0));

    EXPECT_TRUE(DestroyWindow(hwnd));
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_TRUE(UnregisterClassA("TbRunnerSmoke", GetModuleHandleA(nullptr)));
}

struct SeenMessage {
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
};
static SeenMessage g_seen;

static LRESULT CALLBACK RecorderProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_USER + 7) {
        g_seen = {msg, wParam, lParam};
        return 42;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

TEST(Runner, SentMessageReachesWindowProcedureWithItsArguments)
{
    g_seen = {};
    WNDCLASSA wc = {};
    wc.lpfnWndProc = RecorderProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "TbRunnerRecorder";
    ASSERT_NE(RegisterClassA(&wc), 0);
    HWND hwnd = CreateWindowExA(0, "TbRunnerRecorder", "", WS_OVERLAPPED, 0, 0, 50, 50, nullptr,
                                nullptr, wc.hInstance, nullptr);
    ASSERT_NE(hwnd, nullptr);
    EXPECT_EQ(SendMessageA(hwnd, WM_USER + 7, 3, 0x10000001), 42);
    EXPECT_EQ(g_seen.msg, static_cast<UINT>(WM_USER + 7));
    EXPECT_EQ(g_seen.wParam, 3u);
    EXPECT_EQ(g_seen.lParam, 0x10000001);
    DestroyWindow(hwnd);
    UnregisterClassA("TbRunnerRecorder", wc.hInstance);
}
