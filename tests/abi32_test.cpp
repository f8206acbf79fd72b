/* i686 only: what a 32-bit host relies on and a 64-bit build cannot show.
 * - Every export and every callback handed to the host removes exactly the
 *   arguments the host pushes (stdcall): a wrong count moves the caller's
 *   stack pointer, which only a 32-bit call shows. Calls go through a thunk
 *   that measures ESP around the call.
 * - The host records travel at their 32-bit byte offsets through the real
 *   services and messages, written and read as raw bytes here. */
#include "tbmsg.h"
#include "viewer_fixture.h"

#include <string>
#include <vector>

#ifdef _WIN64
#error "abi32_test.cpp is for the i686 build"
#endif

namespace {

using namespace vfix;

struct StdcallCall {
    DWORD dwResult;
    LONG lLeft; /* bytes of arguments the callee left on the stack; 0 for stdcall */
};

/* Pushes the 32-bit arguments right to left, as the host does, calls pfn and
 * measures ESP after the return against ESP before the pushes. */
__attribute__((noinline)) StdcallCall CallAsHost(const void *pfn, const std::vector<DWORD> &args)
{
    const DWORD *pArgs = args.data();
    DWORD n = (DWORD)args.size();
    DWORD dwResult, dwLeft;
    __asm__ __volatile__("movl %%esp, %%edi\n\t"
                         "1:\n\t"
                         "testl %%ecx, %%ecx\n\t"
                         "jz 2f\n\t"
                         "pushl -4(%%esi,%%ecx,4)\n\t"
                         "decl %%ecx\n\t"
                         "jmp 1b\n\t"
                         "2:\n\t"
                         "call *%%ebx\n\t"
                         "movl %%edi, %%edx\n\t"
                         "subl %%esp, %%edx\n\t"
                         "movl %%edi, %%esp\n\t"
                         : "=a"(dwResult), "=d"(dwLeft), "+c"(n)
                         : "b"(pfn), "S"(pArgs)
                         : "edi", "memory", "cc");
    return StdcallCall{dwResult, (LONG)dwLeft};
}

DWORD D(const void *p) { return (DWORD)(ULONG_PTR)p; }

template <typename T> T At(const void *pRecord, size_t offset)
{
    T value;
    memcpy(&value, static_cast<const BYTE *>(pRecord) + offset, sizeof(value));
    return value;
}

/* ---- the thunk itself tells the conventions apart ---- */

LONG WINAPI TwoArgStdcall(LONG a, LONG b) { return a - b; }
extern "C" __attribute__((cdecl, noinline)) LONG TwoArgCdecl(LONG a, LONG b) { return a - b; }

TEST(Abi32Probe, ThunkSeesWhoRemovesTheArguments)
{
    StdcallCall s = CallAsHost((const void *)&TwoArgStdcall, {7, 2});
    EXPECT_EQ(5u, s.dwResult); /* pushed right to left: a = 7, b = 2 */
    EXPECT_EQ(0, s.lLeft);
    StdcallCall c = CallAsHost((const void *)&TwoArgCdecl, {7, 2});
    EXPECT_EQ(5u, c.dwResult);
    EXPECT_EQ(8, c.lLeft); /* the callee left both arguments */
}

/* ---- tbview32: exports, callbacks and the application-info record ---- */

class Abi32ViewerTest : public ViewerTest {};

TEST_F(Abi32ViewerTest, AppInfoFieldsSitAtTheirHostOffsets)
{
    const BYTE *pRecord = reinterpret_cast<const BYTE *>(APgetInfo(Desktop()));
    ASSERT_NE(nullptr, pRecord);
    /* attached: enabled at 1452, the show-viewer callback (in tbview32) at 1460 */
    EXPECT_EQ(1, At<LONG>(pRecord, 1452));
    DWORD dwShow = At<DWORD>(pRecord, 1460);
    HMODULE hmod = nullptr;
    ASSERT_TRUE(GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                                   (LPCSTR)(ULONG_PTR)dwShow, &hmod));
    EXPECT_EQ(ViewerModule(), hmod);
    EXPECT_EQ(0u, At<DWORD>(pRecord, 1456));

    /* the host calls it with one argument, the desktop */
    StdcallCall c = CallAsHost((const void *)(ULONG_PTR)dwShow, {D(Desktop())});
    EXPECT_EQ(0, c.lLeft) << "show-viewer callback";
    HWND hwndViewer = (HWND)(ULONG_PTR)At<DWORD>(pRecord, 1456);
    ASSERT_TRUE(IsWindow(hwndViewer));
    EXPECT_EQ(Desktop(), GetParent(hwndViewer));
    viewer_ = hwndViewer; /* closed by the fixture */
    PumpMessages();

    /* a second call brings the same viewer forward */
    c = CallAsHost((const void *)(ULONG_PTR)dwShow, {D(Desktop())});
    EXPECT_EQ(0, c.lLeft);
    EXPECT_EQ(hwndViewer, (HWND)(ULONG_PTR)At<DWORD>(pRecord, 1456));
}

TEST_F(Abi32ViewerTest, EveryExportRemovesTheArgumentsTheHostPushes)
{
    Open();
    ASSERT_NE(nullptr, Edit());
    struct Case {
        const char *pszExport;
        std::vector<DWORD> args;
    } cases[] = {
        {"OndrelEntry", {D(Desktop()), TBENTRY_STATUS, 0, 0}},
        {"FVWndProc", {D(Viewer()), WM_NULL, 0, 0}},
        {"FVFileWndProc", {D(FilePane()), WM_NULL, 0, 0}},
        {"FVListWndProc", {D(TypeList()), WM_NULL, 0, 0}},
        {"ButtonSubClassProc", {D(Browse()), WM_NULL, 0, 0}},
        {"ListBoxSubClassProc", {D(Edit()), WM_NULL, 0, 0}},
        {"ProjPropDlgProc", {D(Viewer()), WM_NULL, 0, 0}},
        {"SetUpListBoxData", {D(Info())}},
        {"DirChangeFromOutside", {D(Info())}},
    };
    for (const Case &c : cases) {
        FARPROC pfn = ViewerExport(c.pszExport);
        ASSERT_NE(nullptr, pfn) << c.pszExport;
        StdcallCall r = CallAsHost((const void *)pfn, c.args);
        EXPECT_EQ(0, r.lLeft) << c.pszExport << " with " << c.args.size() << " arguments";
        PumpMessages();
    }
    /* the viewer survived all of it */
    EXPECT_EQ(Viewer(), AppInfo()->hwndViewer);
    EXPECT_TRUE(IsWindow(Viewer()));
}

/* Callbacks the viewer hands to the host's services, called back as the host
 * calls them: file-system notification (five arguments, context last), the
 * enumeration of files (context, name) and of aliases (context, alias). */
TEST_F(Abi32ViewerTest, CallbacksGivenToTheHostRemoveTheirArguments)
{
    TBCtlClearCalls();
    Open();
    TBCALL call;
    ASSERT_TRUE(TBCtlGetCall("FileSystemNotifyRegister", 0, &call));
    StdcallCall r = CallAsHost((const void *)call.aArgs[1], {0, 0, 0, 0, (DWORD)call.aArgs[2]});
    EXPECT_EQ(0, r.lLeft) << "file-system notification";
    PumpMessages();

    ASSERT_TRUE(TBCtlGetCall("TBMenumFiles", 0, &call));
    r = CallAsHost((const void *)call.aArgs[1], {(DWORD)call.aArgs[2], D("ZETA.DB")});
    EXPECT_EQ(0, r.lLeft) << "file enumeration";

    if (TBCtlGetCall("TBMenumDBs", 0, &call)) {
        ALIASDESC alias = {};
        lstrcpynA(alias.szAlias, "ABIALIAS", sizeof(alias.szAlias));
        lstrcpynA(alias.szPath, "C:\\abi", sizeof(alias.szPath));
        r = CallAsHost((const void *)call.aArgs[1], {(DWORD)call.aArgs[2], D(&alias)});
        EXPECT_EQ(0, r.lLeft) << "alias enumeration";
    } else {
        ADD_FAILURE() << "the viewer never enumerated the host's aliases";
    }
    PumpMessages();
    EXPECT_TRUE(IsWindow(Viewer()));
}

/* ---- tbmenu32 and tbqbe32 ---- */

TEST(Abi32Exports, MenuEntryRemovesItsFourArguments)
{
    RegistrySandbox sandbox;
    ASSERT_TRUE(sandbox.Ok());
    LeakCheck leaks;
    HMODULE hmod = LoadLibraryA("tbmenu32.dll");
    ASSERT_NE(nullptr, hmod);
    FARPROC pfn = GetProcAddress(hmod, "OndrelEntry");
    ASSERT_NE(nullptr, pfn);
    {
        TestHost host;
        ASSERT_TRUE(host.Ok());
        /* refused: the sandbox holds no menu definitions */
        StdcallCall r = CallAsHost((const void *)pfn, {D(host.Frame()), TBENTRY_ATTACH, 0, 0});
        EXPECT_EQ(0u, r.dwResult);
        EXPECT_EQ(0, r.lLeft) << "attach";
        r = CallAsHost((const void *)pfn, {D(host.Frame()), TBENTRY_DETACH, 0, 0});
        EXPECT_EQ(0, r.lLeft) << "detach";
        PumpMessages();
    }
    FreeLibrary(hmod);
}

TEST(Abi32Exports, QueryFileExportsRemoveTheirThreeArguments)
{
    TempDir dir;
    ASSERT_TRUE(dir.Ok());
    ASSERT_TRUE(dir.AddFile("ABI.QBE", "query"));
    HMODULE hmod = LoadLibraryA("tbqbe32.dll");
    ASSERT_NE(nullptr, hmod);
    /* the host imports them by ordinal */
    FARPROC pfnGet = GetProcAddress(hmod, MAKEINTRESOURCEA(4));
    FARPROC pfnSame = GetProcAddress(hmod, MAKEINTRESOURCEA(5));
    ASSERT_NE(nullptr, pfnGet);
    ASSERT_NE(nullptr, pfnSame);
    {
        TestHost host(TestHostOptions{dir.Path()});
        ASSERT_TRUE(host.Ok());
        std::string chosen = dir.PathOf("ABI.QBE");
        TBCtlSetAnswer(TBA_FSFILESELECT, 1);
        TBCtlSetFileSelectResult(chosen.c_str());
        char szBuffer[MAX_PATH] = "";
        StdcallCall r = CallAsHost((const void *)pfnGet, {D(host.Frame()), D(szBuffer), sizeof(szBuffer)});
        TBCtlResetAnswers();
        EXPECT_EQ(0, r.lLeft) << "GetQBEFile";
        EXPECT_NE(0u, r.dwResult);
        EXPECT_STREQ(chosen.c_str(), szBuffer);

        WIN32_FILE_ATTRIBUTE_DATA fad;
        ASSERT_TRUE(GetFileAttributesExA(chosen.c_str(), GetFileExInfoStandard, &fad));
        r = CallAsHost((const void *)pfnSame, {D(host.Frame()), D(chosen.c_str()), D(&fad.ftLastWriteTime)});
        EXPECT_EQ(0, r.lLeft) << "SameQry";
        EXPECT_EQ(1u, r.dwResult);
    }
    FreeLibrary(hmod);
}

/* ---- settings records through the host's messages ---- */

/* The record of 30036/30037 as a 32-bit host lays it out: section at 0, key
 * at 4, value at 8, flag at 12; built as raw words, not with the declaration. */
TEST(Abi32Host, SettingRecordsTravelAtTheirHostOffsets)
{
    LeakCheck leaks;
    TestHost host;
    ASSERT_TRUE(host.Ok());
    DWORD adwWrite[4] = {D("Abi"), D("Key"), D("Value 32"), 1};
    SendMessageA(host.Desktop(), TBM_WRITESETTING, 1, (LPARAM)adwWrite);
    EXPECT_EQ(std::optional<std::string>("Value 32"), host.Setting("Abi", "Key"));

    DWORD adwRead[4] = {D("Abi"), D("Key"), 0, 0};
    EXPECT_NE(0, SendMessageA(host.Desktop(), TBM_READSETTING, 0, (LPARAM)adwRead));
    ASSERT_NE(0u, adwRead[2]);
    EXPECT_STREQ("Value 32", (LPCSTR)(ULONG_PTR)adwRead[2]);
    EXPECT_EQ(0u, adwRead[3]); /* nothing written past the value */
    fastfree((LPVOID)(ULONG_PTR)adwRead[2]);
}

} // namespace
