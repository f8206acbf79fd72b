/* The kit's robustness machinery: key state, pixel probes, registry sandbox,
 * import-table counter, leak scope, allocation-failure sweep, fault trap. */
#include "tbkit.h"

#include <gtest/gtest-spi.h>

#include <string.h>

using namespace tbkit;

namespace {

/* ---- key state ---- */

struct KeySeen {
    UINT msg;
    WPARAM wParam;
    bool fShift, fCtrl, fKey;
};
std::vector<KeySeen> g_keys;

LRESULT CALLBACK KeyProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    if (msg == WM_KEYDOWN || msg == WM_KEYUP || msg == WM_CHAR)
        g_keys.push_back({msg, wParam, GetKeyState(VK_SHIFT) < 0, GetKeyState(VK_CONTROL) < 0,
                          msg != WM_CHAR && GetKeyState(static_cast<int>(wParam)) < 0});
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

TEST(KitInput, SendKeyHoldsShiftAndCtrlInTheKeyState)
{
    TestHost host;
    ASSERT_TRUE(host.Ok());
    WNDCLASSA wc = {};
    wc.lpfnWndProc = KeyProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "KitKeys";
    RegisterClassA(&wc);
    HWND hwnd = CreateWindowA("KitKeys", "", WS_CHILD | WS_VISIBLE, 0, 0, 50, 50, host.Frame(), nullptr,
                              wc.hInstance, nullptr);
    ASSERT_NE(nullptr, hwnd);

    const struct {
        bool fShift, fCtrl;
    } cases[] = {{false, false}, {true, false}, {false, true}, {true, true}};
    for (const auto &c : cases) {
        g_keys.clear();
        SendKey(hwnd, VK_TAB, c.fShift, c.fCtrl);
        ASSERT_EQ(2u, g_keys.size());
        EXPECT_EQ(static_cast<UINT>(WM_KEYDOWN), g_keys[0].msg);
        EXPECT_EQ(static_cast<WPARAM>(VK_TAB), g_keys[0].wParam);
        EXPECT_EQ(c.fShift, g_keys[0].fShift);
        EXPECT_EQ(c.fCtrl, g_keys[0].fCtrl);
        EXPECT_TRUE(g_keys[0].fKey) << "the key itself is down during WM_KEYDOWN";
        EXPECT_EQ(static_cast<UINT>(WM_KEYUP), g_keys[1].msg);
        EXPECT_FALSE(g_keys[1].fKey);
        EXPECT_FALSE(GetKeyState(VK_SHIFT) < 0) << "state restored";
        EXPECT_FALSE(GetKeyState(VK_CONTROL) < 0);
    }

    g_keys.clear();
    SendKey(hwnd, 'R', false, false, 'r');
    ASSERT_EQ(3u, g_keys.size());
    EXPECT_EQ(static_cast<UINT>(WM_CHAR), g_keys[1].msg);
    EXPECT_EQ(static_cast<WPARAM>('r'), g_keys[1].wParam);

    {
        KeyStateScope f1({VK_F1});
        EXPECT_TRUE(GetKeyState(VK_F1) < 0);
    }
    EXPECT_FALSE(GetKeyState(VK_F1) < 0);
    DestroyWindow(hwnd);
}

/* ---- pixel probes ---- */

COLORREF g_crRight = RGB(0, 0, 255);

void PaintHalves(HWND hwnd, HDC hdc)
{
    RECT rc;
    GetClientRect(hwnd, &rc);
    RECT rcLeft = {0, 0, rc.right / 2, rc.bottom};
    RECT rcRight = {rc.right / 2, 0, rc.right, rc.bottom};
    HBRUSH hbrLeft = CreateSolidBrush(RGB(255, 0, 0));
    HBRUSH hbrRight = CreateSolidBrush(g_crRight);
    FillRect(hdc, &rcLeft, hbrLeft);
    FillRect(hdc, &rcRight, hbrRight);
    DeleteObject(hbrLeft);
    DeleteObject(hbrRight);
}

LRESULT CALLBACK HalvesProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    switch (msg) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC hdc = BeginPaint(hwnd, &ps);
        PaintHalves(hwnd, hdc);
        EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_PRINTCLIENT:
        PaintHalves(hwnd, reinterpret_cast<HDC>(wParam));
        return 0;
    case WM_ERASEBKGND:
        return 1;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

TEST(KitPixels, ProbesSeeWhatTheWindowPaints)
{
    TestHost host;
    ASSERT_TRUE(host.Ok());
    WNDCLASSA wc = {};
    wc.lpfnWndProc = HalvesProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "KitHalves";
    RegisterClassA(&wc);
    HWND hwnd = CreateWindowA("KitHalves", "", WS_CHILD | WS_VISIBLE, 10, 10, 100, 40, host.Desktop(), nullptr,
                              wc.hInstance, nullptr);
    ASSERT_NE(nullptr, hwnd);
    g_crRight = RGB(0, 0, 255);

    EXPECT_EQ(RGB(255, 0, 0), ProbePixel(hwnd, 5, 20));
    EXPECT_EQ(RGB(0, 0, 255), ProbePixel(hwnd, 95, 20));
    EXPECT_EQ(RGB(255, 0, 0), ProbePrintedPixel(hwnd, 5, 20));
    EXPECT_EQ(RGB(0, 0, 255), ProbePrintedPixel(hwnd, 95, 20));
    EXPECT_EQ(CLR_INVALID, ProbePrintedPixel(hwnd, 100, 20));

    /* a state change and an invalidation: the probe paints synchronously */
    g_crRight = RGB(0, 128, 0);
    InvalidateRect(hwnd, nullptr, FALSE);
    EXPECT_EQ(RGB(0, 128, 0), ProbePixel(hwnd, 95, 20));
    /* without an invalidation the old picture stays, unless asked to repaint */
    g_crRight = RGB(255, 255, 0);
    EXPECT_EQ(RGB(0, 128, 0), ProbePixel(hwnd, 95, 20));
    EXPECT_EQ(RGB(255, 255, 0), ProbePixel(hwnd, 95, 20, true));
    DestroyWindow(hwnd);
}

/* ---- registry sandbox ---- */

TEST(KitRegistry, SandboxRedirectsCurrentUserAndCleansUp)
{
    const char kSub[] = "Software\\TBKitProbe";
    std::string path;
    {
        RegistrySandbox sandbox;
        ASSERT_TRUE(sandbox.Ok());
        path = sandbox.Path();
        HKEY hkey;
        ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyA(HKEY_CURRENT_USER, kSub, &hkey));
        EXPECT_EQ(ERROR_SUCCESS, RegSetValueExA(hkey, "v", 0, REG_SZ, reinterpret_cast<const BYTE *>("x"), 2));
        RegCloseKey(hkey);

        HKEY hkeyPrivate;
        ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(sandbox.Key(), kSub, 0, KEY_READ, &hkeyPrivate))
            << "the write landed in the private key";
        char sz[8] = "";
        DWORD cb = sizeof(sz);
        EXPECT_EQ(ERROR_SUCCESS, RegQueryValueExA(hkeyPrivate, "v", nullptr, nullptr,
                                                   reinterpret_cast<BYTE *>(sz), &cb));
        EXPECT_STREQ("x", sz);
        RegCloseKey(hkeyPrivate);
    }
    HKEY hkey;
    EXPECT_NE(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, kSub, 0, KEY_READ, &hkey))
        << "the real HKCU never saw the write";
    EXPECT_NE(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, KEY_READ, &hkey))
        << "the private key is gone";
    /* HKCU is the real one again */
    ASSERT_EQ(ERROR_SUCCESS, RegOpenKeyExA(HKEY_CURRENT_USER, "Software", 0, KEY_READ, &hkey));
    RegCloseKey(hkey);
}

/* ---- import-table counter ---- */

typedef HBRUSH(WINAPI *MAKEBRUSH)(COLORREF);
typedef BOOL(WINAPI *DROPBRUSH)(HBRUSH);
typedef BOOL(WINAPI *PAINTWITHPEN)(HWND);
typedef BOOL(WINAPI *DELETESELECTEDPEN)(void);
typedef HMODULE(WINAPI *LOADLIB)(LPCSTR);
typedef BOOL(WINAPI *DROPLIB)(HMODULE);

template <typename T> T ProcOf(HMODULE hmod, const char *pszName)
{
    return reinterpret_cast<T>(reinterpret_cast<void *>(GetProcAddress(hmod, pszName)));
}

class KitImports : public ::testing::Test {
  protected:
    void SetUp() override
    {
        hmod_ = LoadLibraryA("gdipair.dll");
        ASSERT_NE(nullptr, hmod_);
        makeBrush_ = ProcOf<MAKEBRUSH>(hmod_, "MakeBrush");
        dropBrush_ = ProcOf<DROPBRUSH>(hmod_, "DropBrush");
        paintWithPen_ = ProcOf<PAINTWITHPEN>(hmod_, "PaintWithPen");
        deleteSelectedPen_ = ProcOf<DELETESELECTEDPEN>(hmod_, "DeleteSelectedPen");
        loadLib_ = ProcOf<LOADLIB>(hmod_, "LoadLib");
        dropLib_ = ProcOf<DROPLIB>(hmod_, "DropLib");
        ASSERT_TRUE(makeBrush_ && dropBrush_ && paintWithPen_ && deleteSelectedPen_ && loadLib_ && dropLib_);
    }
    void TearDown() override
    {
        if (hmod_)
            FreeLibrary(hmod_);
    }
    HMODULE hmod_ = nullptr;
    MAKEBRUSH makeBrush_ = nullptr;
    DROPBRUSH dropBrush_ = nullptr;
    PAINTWITHPEN paintWithPen_ = nullptr;
    DELETESELECTEDPEN deleteSelectedPen_ = nullptr;
    LOADLIB loadLib_ = nullptr;
    DROPLIB dropLib_ = nullptr;
};

TEST_F(KitImports, CountsBalancedPairs)
{
    ImportCounter counter(hmod_);
    ASSERT_TRUE(counter.Ok());
    for (ImportFn fn : {IF_CreatePen, IF_CreateSolidBrush, IF_CreateCompatibleDC, IF_DeleteObject, IF_DeleteDC,
                        IF_GetDC, IF_ReleaseDC, IF_SelectObject, IF_LoadLibraryA, IF_FreeLibrary})
        EXPECT_TRUE(counter.IsPatched(fn)) << fn;
    EXPECT_FALSE(counter.IsPatched(IF_BeginPaint)) << "gdipair does not import it";

    HBRUSH hbr = makeBrush_(RGB(1, 1, 1));
    ASSERT_NE(nullptr, hbr);
    EXPECT_EQ(1, counter.ObjectsOutstanding());
    EXPECT_TRUE(dropBrush_(hbr));
    TestHost host;
    ASSERT_TRUE(host.Ok());
    EXPECT_TRUE(paintWithPen_(host.Frame()));
    HMODULE hmodLib = loadLib_("comctl32.dll");
    ASSERT_NE(nullptr, hmodLib);
    EXPECT_TRUE(dropLib_(hmodLib));
    EXPECT_EQ(nullptr, loadLib_("no-such-library.dll"));

    EXPECT_EQ(1, counter.Calls(IF_CreateSolidBrush));
    EXPECT_EQ(1, counter.Calls(IF_CreatePen));
    EXPECT_EQ(2, counter.Calls(IF_DeleteObject));
    EXPECT_EQ(1, counter.Calls(IF_GetDC));
    EXPECT_EQ(1, counter.Calls(IF_ReleaseDC));
    EXPECT_EQ(2, counter.Calls(IF_SelectObject));
    EXPECT_EQ(1, counter.Calls(IF_LoadLibraryA)) << "failed loads are not counted";
    EXPECT_EQ(1, counter.FailedCalls(IF_LoadLibraryA));
    EXPECT_EQ(1, counter.Calls(IF_FreeLibrary));
    EXPECT_TRUE(counter.Balanced());

    /* calls from elsewhere (here: the test) are not the module's */
    HBRUSH hbrMine = CreateSolidBrush(RGB(2, 2, 2));
    DeleteObject(hbrMine);
    EXPECT_EQ(1, counter.Calls(IF_CreateSolidBrush));
}

TEST_F(KitImports, DetectsUnbalancedPairs)
{
    ImportCounter counter(hmod_);
    ASSERT_TRUE(counter.Ok());
    HBRUSH hbr = makeBrush_(RGB(3, 3, 3));
    HMODULE hmodLib = loadLib_("comctl32.dll");
    ASSERT_TRUE(hbr && hmodLib);
    EXPECT_EQ(1, counter.ObjectsOutstanding());
    EXPECT_EQ(1, counter.LibrariesOutstanding());
    ::testing::AssertionResult r = counter.Balanced();
    EXPECT_FALSE(r);
    EXPECT_NE(std::string::npos, std::string(r.message()).find("LoadLibraryA")) << r.message();

    EXPECT_TRUE(dropBrush_(hbr));
    EXPECT_TRUE(dropLib_(hmodLib));
    EXPECT_TRUE(counter.Balanced());

    /* a deletion of an object the module did not make */
    HBRUSH hbrForeign = CreateSolidBrush(RGB(4, 4, 4));
    EXPECT_TRUE(dropBrush_(hbrForeign));
    EXPECT_EQ(1, counter.ForeignDeletes());
    EXPECT_EQ(0, counter.ObjectsOutstanding());

    EXPECT_TRUE(deleteSelectedPen_());
    EXPECT_EQ(1, counter.DeletedWhileSelected());
    EXPECT_FALSE(counter.Balanced());
    counter.Reset();
    EXPECT_TRUE(counter.Balanced());
}

TEST_F(KitImports, OneCounterAtATimeAndTheTableIsRestored)
{
    {
        ImportCounter first(hmod_);
        ASSERT_TRUE(first.Ok());
        ImportCounter second(hmod_);
        EXPECT_FALSE(second.Ok());
        EXPECT_FALSE(second.Balanced());
    }
    /* restored: the import slot holds the real function again */
    const BYTE *pbBase = reinterpret_cast<const BYTE *>(hmod_);
    const IMAGE_NT_HEADERS *pnt = reinterpret_cast<const IMAGE_NT_HEADERS *>(
        pbBase + reinterpret_cast<const IMAGE_DOS_HEADER *>(pbBase)->e_lfanew);
    const IMAGE_DATA_DIRECTORY &dir = pnt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    void *pfnReal = reinterpret_cast<void *>(GetProcAddress(GetModuleHandleA("gdi32.dll"), "CreateSolidBrush"));
    int nFound = 0;
    for (auto pimp = reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR *>(pbBase + dir.VirtualAddress); pimp->Name;
         pimp++) {
        auto piat = reinterpret_cast<const IMAGE_THUNK_DATA *>(pbBase + pimp->FirstThunk);
        for (size_t i = 0; piat[i].u1.Function; i++)
            nFound += reinterpret_cast<void *>(piat[i].u1.Function) == pfnReal;
    }
    EXPECT_EQ(1, nFound);

    ImportCounter again(hmod_);
    EXPECT_TRUE(again.Ok());
    EXPECT_EQ(0, again.Calls(IF_CreateSolidBrush));
}

/* ---- leak scope and allocation-failure sweep ---- */

/* Two host blocks, both given back on every path. */
void TwoBlocks()
{
    void *a = fastmalloc(16);
    void *b = fastmalloc(32);
    fastfree(b);
    fastfree(a);
}

/* The same with the classic fault: the first block is lost when the second
 * allocation fails. */
void TwoBlocksLeaky()
{
    void *a = fastmalloc(16);
    if (!a)
        return;
    void *b = fastmalloc(32);
    if (!b)
        return;
    fastfree(b);
    fastfree(a);
}

TEST(KitAlloc, LeakCheckSeesABlockTaken)
{
    LeakCheck leaks(false);
    void *p = fastmalloc(8);
    ASSERT_NE(nullptr, p);
    EXPECT_EQ(1, leaks.Delta());
    EXPECT_FALSE(leaks.Balanced());
    fastfree(p);
    EXPECT_TRUE(leaks.Balanced());
}

TEST(KitAlloc, SweepFailsEachAllocationOnce)
{
    SweepResult r = ForEachAllocationFailure(TwoBlocks);
    EXPECT_EQ(2, r.nAllocations);
    ASSERT_EQ(2u, r.runs.size());
    for (const SweepRun &run : r.runs) {
        EXPECT_TRUE(run.fFired) << run.nFail;
        EXPECT_EQ(0, run.nLeaked);
    }
    EXPECT_TRUE(r.Clean());
}

TEST(KitAlloc, SweepReportsTheRunThatLeaks)
{
    LeakCheck leaks(false);
    SweepResult r = SweepAllocationFailures(TwoBlocksLeaky);
    EXPECT_EQ(2, r.nAllocations);
    EXPECT_EQ(0, r.nBaseLeaked);
    EXPECT_FALSE(r.Clean());
    EXPECT_EQ(std::vector<LONG>{2}, r.LeakingRuns()) << "failing the second allocation loses the first";
    EXPECT_EQ(1, leaks.Delta());
    /* the sweep left failure injection off */
    void *p = fastmalloc(4);
    EXPECT_NE(nullptr, p);
    fastfree(p);
}

TEST(KitAlloc, SweepSeesFailuresInHostAnswers)
{
    TestHost host;
    ASSERT_TRUE(host.Ok());
    host.SetSetting("S", "K", "value");
    int nFound = 0;
    SweepResult r = ForEachAllocationFailure([&] {
        SETTINGREQUEST sr = {"S", "K", nullptr, 0};
        if (SendMessageA(host.Desktop(), TBM_READSETTING, 0, reinterpret_cast<LPARAM>(&sr))) {
            nFound++;
            fastfree(sr.pszValue);
        }
    });
    EXPECT_EQ(1, r.nAllocations);
    EXPECT_EQ(1, nFound) << "found in the undisturbed run only";
}

/* ---- fault trap ---- */

/* The i686 tests run under user-mode emulation (TB_EMULATED=1), where a touch
 * of a no-access page reaches Wine as an illegal instruction: neither the
 * trap's vectored handler nor an API's own handler sees an access violation. */
bool FaultsArriveAsAccessViolations()
{
#ifndef _WIN64
    const char *psz = getenv("TB_EMULATED");
    if (psz && strcmp(psz, "1") == 0)
        return false;
#endif
    return true;
}
#define SKIP_WITHOUT_ACCESS_VIOLATIONS()                                                                   \
    if (!FaultsArriveAsAccessViolations())                                                                 \
    GTEST_SKIP() << "under user-mode emulation a page fault arrives as an illegal instruction"

TEST(KitFaults, TrapCountsAViolationThatAnApiSwallows)
{
    SKIP_WITHOUT_ACCESS_VIOLATIONS();
    BYTE *pb = static_cast<BYTE *>(VirtualAlloc(nullptr, 8192, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    ASSERT_NE(nullptr, pb);
    DWORD dwOld;
    ASSERT_TRUE(VirtualProtect(pb + 4096, 4096, PAGE_NOACCESS, &dwOld));
    char *pszEnd = reinterpret_cast<char *>(pb + 4096 - 4);
    {
        FaultTrap trap;
        /* an overrun into the no-access page: lstrcpyA catches the fault */
        LPSTR pszResult = lstrcpyA(pszEnd, "longer than four bytes");
        EXPECT_EQ(nullptr, pszResult);
        EXPECT_EQ(1, trap.Count());
        EXPECT_EQ(reinterpret_cast<ULONG_PTR>(pb + 4096), trap.LastAddress());
    }
    VirtualFree(pb, 0, MEM_RELEASE);
}

char *g_pszNoAccess;

void OverrunInFailingTrap()
{
    tbkit::FaultTrap trap(true);
    lstrcpyA(g_pszNoAccess, "longer than four bytes");
}

TEST(KitFaults, FailingTrapFailsTheTestEvenWhenTheApiSwallowsTheFault)
{
    SKIP_WITHOUT_ACCESS_VIOLATIONS();
    BYTE *pb = static_cast<BYTE *>(VirtualAlloc(nullptr, 8192, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE));
    ASSERT_NE(nullptr, pb);
    DWORD dwOld;
    ASSERT_TRUE(VirtualProtect(pb + 4096, 4096, PAGE_NOACCESS, &dwOld));
    g_pszNoAccess = reinterpret_cast<char *>(pb + 4096 - 4);
    EXPECT_NONFATAL_FAILURE(OverrunInFailingTrap(), "access violation (write");
    VirtualFree(pb, 0, MEM_RELEASE);
}

TEST(KitFaults, GuardPagesCatchAnOverrunOfAHostBlock)
{
    SKIP_WITHOUT_ACCESS_VIOLATIONS();
    TBCtlSetGuardPages(TRUE);
    char *psz = static_cast<char *>(fastmalloc(10));
    ASSERT_NE(nullptr, psz);
    {
        FaultTrap trap;
        lstrcpyA(psz, "far more than ten bytes of text, to be sure");
        EXPECT_EQ(1, trap.Count());
    }
    fastfree(psz);
    if (!GuardPagesRequested())
        TBCtlSetGuardPages(FALSE);
}

} // namespace
