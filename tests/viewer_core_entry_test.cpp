// The viewer's add-in entry: attach, status word, opening the one viewer of a
// desktop by callback or by name, and the references-only setting.
#include "viewer_fixture.h"

#include <psapi.h>

using namespace vfix;

namespace {

bool InModule(HMODULE hmod, const void *p)
{
    MODULEINFO mi = {};
    if (!GetModuleInformation(GetCurrentProcess(), hmod, &mi, sizeof mi))
        return false;
    const BYTE *pBase = static_cast<const BYTE *>(mi.lpBaseOfDll);
    return p >= pBase && p < pBase + mi.SizeOfImage;
}

size_t CountViewers(const std::vector<HWND> &children)
{
    size_t n = 0;
    LPCSTR pszClass = QueryClassName(FVCLASS_VIEWER);
    for (HWND h : children) {
        char sz[64] = "";
        GetClassNameA(h, sz, sizeof sz);
        if (pszClass && lstrcmpiA(sz, pszClass) == 0)
            n++;
    }
    return n;
}

} // namespace

TEST_F(ViewerTest, AttachEnablesTheViewerAndPlantsTheCallback)
{
    APPINFO *pInfo = AppInfo();
    ASSERT_NE(nullptr, pInfo);
    EXPECT_EQ(1, pInfo->fViewerEnabled);
    EXPECT_EQ(nullptr, pInfo->hwndViewer);
    ASSERT_NE(nullptr, pInfo->pfnShowViewer);
    EXPECT_TRUE(InModule(ViewerModule(), reinterpret_cast<const void *>(pInfo->pfnShowViewer)));

    // A second attach, on a record the host scribbled on, puts the fields back.
    pInfo->fViewerEnabled = 0;
    pInfo->pfnShowViewer = nullptr;
    TBCtlClearCalls();
    EXPECT_EQ(TBENTRY_ATTACHED, ViewerEntry()(Desktop(), TBENTRY_ATTACH, 0, 0));
    EXPECT_EQ(1, pInfo->fViewerEnabled);
    EXPECT_NE(nullptr, pInfo->pfnShowViewer);
    // The classes were registered by the first attach of the loaded library.
    EXPECT_EQ(0, TBCtlCallCount("StoreClassInfo"));
}

TEST_F(ViewerTest, ClassesAreRegisteredWithPointerSizedWindowWords)
{
    struct {
        UINT id;
        const char *pszProc;
        HBRUSH hbr;
    } const kClasses[] = {
        {FVCLASS_VIEWER, "FVWndProc", reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1)},
        {FVCLASS_TYPELIST, "FVListWndProc", reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1)},
        {FVCLASS_FILEPANE, "FVFileWndProc", reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1)},
    };
    for (const auto &c : kClasses) {
        SCOPED_TRACE(c.pszProc);
        LPCSTR pszClass = QueryClassName(c.id);
        ASSERT_NE(nullptr, pszClass);
        WNDCLASSEXA wc = {};
        wc.cbSize = sizeof wc;
        ASSERT_TRUE(GetClassInfoExA(ViewerModule(), pszClass, &wc));
        EXPECT_EQ(reinterpret_cast<void *>(ViewerExport(c.pszProc)), reinterpret_cast<void *>(wc.lpfnWndProc));
        EXPECT_GE(wc.cbWndExtra, (int)sizeof(LONG_PTR));
        EXPECT_EQ(c.hbr, wc.hbrBackground);
        EXPECT_TRUE(wc.style & CS_DBLCLKS);
    }
    // The viewer class carries the viewer's own icon.
    WNDCLASSEXA wc = {};
    wc.cbSize = sizeof wc;
    ASSERT_TRUE(GetClassInfoExA(ViewerModule(), QueryClassName(FVCLASS_VIEWER), &wc));
    EXPECT_NE(nullptr, wc.hIcon);
}

TEST_F(ViewerTest, RegistrationAsksForPointerSizedExtraBytes)
{
    // Only the first attach of the process registers; this process may or
    // may not have made it in an earlier test, so look at the log of the
    // attach that did, when it was this test's.
    TBCALL call;
    for (LONG i = 0; TBCtlGetCall("StoreClassInfo", i, &call); i++) {
        SCOPED_TRACE(i);
        EXPECT_EQ(sizeof(LONG_PTR), call.aArgs[2]);
        EXPECT_EQ(reinterpret_cast<DWORD_PTR>(ViewerModule()), call.aArgs[3]);
        EXPECT_EQ(32512u, call.aArgs[5]);
    }
}

TEST(ViewerEntry, AnswersByRequestCode)
{
    ASSERT_NE(nullptr, ViewerEntry());
    LeakCheck leaks;
    TestHostOptions opt;
    opt.fAppInfo = false;
    TestHost host(opt);
    ASSERT_TRUE(host.Ok());

    // Attach answers the same with no application-info record.
    EXPECT_EQ(13081985, ViewerEntry()(host.Desktop(), 0, 0, 0));
    EXPECT_NE(nullptr, QueryClassName(FVCLASS_VIEWER));

    // The status word: 21603 in the low half, also when memory is short.
    EXPECT_EQ(21603, ViewerEntry()(host.Desktop(), 8, 0, 0) & 0xFFFF);
    TBCtlFailAllocation(1);
    EXPECT_EQ(21603, ViewerEntry()(host.Desktop(), 8, 0, 0) & 0xFFFF);
    TBCtlFailAllocation(0);

    // Everything else answers 0 and opens nothing.
    for (LONG nCode : {1L, 2L, 3L, 4L, 5L, 6L, 7L, 9L, 11L, 12L, 100L, -1L}) {
        SCOPED_TRACE(nCode);
        EXPECT_EQ(0, ViewerEntry()(host.Desktop(), nCode, 0, 0));
    }
    EXPECT_EQ(nullptr, GetWindow(host.Desktop(), GW_CHILD));
}

TEST_F(ViewerTest, CallbackOpensOneViewerAndThenActivatesIt)
{
    Open();
    HWND hwndFirst = Viewer();
    EXPECT_EQ(1u, CountViewers(DesktopChildren()));

    // Another child in front; the callback brings the viewer back.
    HWND hwndOther = OpenOtherChild();
    ASSERT_NE(nullptr, hwndOther);
    TBCtlClearCalls();
    AppInfo()->pfnShowViewer(Desktop());
    PumpMessages();
    EXPECT_EQ(hwndFirst, AppInfo()->hwndViewer);
    EXPECT_EQ(1u, CountViewers(DesktopChildren()));
    ASSERT_EQ(1, TBCtlCallCount("APactivateWindow"));
    TBCALL call;
    ASSERT_TRUE(TBCtlGetCall("APactivateWindow", 0, &call));
    EXPECT_EQ(reinterpret_cast<DWORD_PTR>(hwndFirst), call.aArgs[0]);

    // A named request while it is open activates it and answers 0; its
    // position, size and row are ignored.
    RECT rcBefore;
    GetWindowRect(hwndFirst, &rcBefore);
    UINT iTypeBefore = Info()->iCurType;
    TBCtlClearCalls();
    EXPECT_EQ(nullptr, OpenByName("ProjectViewer", 3, 1, 50, 60, 500, 400));
    EXPECT_EQ(1u, CountViewers(DesktopChildren()));
    EXPECT_EQ(1, TBCtlCallCount("APactivateWindow"));
    RECT rcAfter;
    GetWindowRect(hwndFirst, &rcAfter);
    EXPECT_TRUE(EqualRect(&rcBefore, &rcAfter));
    EXPECT_EQ(iTypeBefore, Info()->iCurType);
    viewer_ = hwndFirst;
}

TEST_F(ViewerTest, NamedRequestOpensOnlyTheExactToolName)
{
    for (const char *pszTool : {"projectviewer", "PROJECTVIEWER", "ProjectViewer ", "Project Viewer", "Project",
                                "", static_cast<const char *>(nullptr)}) {
        SCOPED_TRACE(pszTool ? pszTool : "(null)");
        EXPECT_EQ(nullptr, OpenByName(pszTool));
        EXPECT_EQ(nullptr, AppInfo()->hwndViewer);
        EXPECT_EQ(0u, CountViewers(DesktopChildren()));
    }
    HWND hwnd = OpenByName("ProjectViewer");
    ASSERT_NE(nullptr, hwnd);
    EXPECT_EQ(hwnd, AppInfo()->hwndViewer);
    EXPECT_EQ(1u, CountViewers(DesktopChildren()));
    char szTitle[100] = "";
    GetWindowTextA(hwnd, szTitle, sizeof szTitle);
    EXPECT_EQ(HostString(IDS_VIEWERTITLE), szTitle);
}

TEST_F(ViewerTest, RequestCarriesTheInitialRowAndReferencesMode)
{
    struct {
        WORD wRow, wRefs;
        UINT iExpected;
        BOOL fRefs;
    } const kCases[] = {
        {0, 0, 0, FALSE}, {1, 0, 0, FALSE}, {3, 0, 2, FALSE}, {4, 0, 3, FALSE},
        {5, 0, 0, FALSE}, {0xFFFF, 0, 0, FALSE}, {2, 1, 1, TRUE}, {0, 7, 0, TRUE},
    };
    for (const auto &c : kCases) {
        SCOPED_TRACE(testing::Message() << "row word " << c.wRow << ", refs " << c.wRefs);
        ASSERT_NE(nullptr, OpenByName("ProjectViewer", c.wRow, c.wRefs));
        EXPECT_EQ(c.iExpected, Info()->iCurType);
        EXPECT_EQ(c.fRefs, Info()->fReferencesOnly != 0);
        EXPECT_EQ(435, Info()->nHelpTopic);
        Close();
        EXPECT_EQ(nullptr, AppInfo()->hwndViewer);
    }
}

TEST_F(ViewerTest, DisabledViewerOpensNeitherWay)
{
    AppInfo()->fViewerEnabled = 0;
    AppInfo()->pfnShowViewer(Desktop());
    EXPECT_EQ(nullptr, OpenByName("ProjectViewer"));
    PumpMessages();
    EXPECT_EQ(0u, CountViewers(DesktopChildren()));
    EXPECT_EQ(nullptr, AppInfo()->hwndViewer);

    // With a viewer recorded, a named request still activates it.
    AppInfo()->fViewerEnabled = 1;
    Open();
    AppInfo()->fViewerEnabled = 0;
    TBCtlClearCalls();
    EXPECT_EQ(nullptr, OpenByName("ProjectViewer"));
    EXPECT_EQ(1, TBCtlCallCount("APactivateWindow"));
    AppInfo()->pfnShowViewer(Desktop()); // the callback does nothing at all
    EXPECT_EQ(1, TBCtlCallCount("APactivateWindow"));
    EXPECT_EQ(1u, CountViewers(DesktopChildren()));
}

TEST_F(ViewerTest, ReferencesOnlySettingIsTrueInAnyCaseOnly)
{
    struct {
        const char *pszValue; // null: no such key
        BOOL fOn;
    } const kCases[] = {
        {"True", TRUE},   {"TRUE", TRUE}, {"true", TRUE},  {"tRuE", TRUE},  {"1", FALSE},
        {"Yes", FALSE},   {"False", FALSE}, {"True ", FALSE}, {" True", FALSE}, {"Truer", FALSE},
        {"Tru", FALSE},   {nullptr, FALSE},
    };
    for (const auto &c : kCases) {
        SCOPED_TRACE(c.pszValue ? c.pszValue : "(missing)");
        if (c.pszValue)
            Host().SetSetting("ProjectViewer", "ReferencesOnly", c.pszValue);
        else
            Host().RemoveSetting("ProjectViewer", "ReferencesOnly");
        Host().ClearMessages();
        Open();
        EXPECT_EQ(c.fOn, Info()->fReferencesOnly != 0);
        EXPECT_EQ(0u, Info()->iCurType);
        auto reads = Host().Messages(TBM_READSETTING);
        ASSERT_FALSE(reads.empty());
        EXPECT_EQ("ProjectViewer", reads[0].section);
        EXPECT_EQ("ReferencesOnly", reads[0].key);
        Close();
    }
}

TEST_F(ViewerTest, NoApplicationInfoMeansANewViewerPerRequest)
{
    TestHostOptions opt;
    opt.fAppInfo = false;
    TestHost bare(opt);
    ASSERT_TRUE(bare.Ok());
    ASSERT_EQ(TBENTRY_ATTACHED, ViewerEntry()(bare.Desktop(), TBENTRY_ATTACH, 0, 0));
    VIEWERREQUEST req = {};
    req.pszTool = "ProjectViewer";
    HWND hwnd1 = (HWND)LongToHandle(ViewerEntry()(bare.Desktop(), TBENTRY_OPENTOOL, 0, (LONG_PTR)&req));
    HWND hwnd2 = (HWND)LongToHandle(ViewerEntry()(bare.Desktop(), TBENTRY_OPENTOOL, 0, (LONG_PTR)&req));
    PumpMessages();
    ASSERT_NE(nullptr, hwnd1);
    ASSERT_NE(nullptr, hwnd2);
    EXPECT_NE(hwnd1, hwnd2);
    SendMessageA(bare.Desktop(), WM_MDIDESTROY, (WPARAM)hwnd2, 0);
    SendMessageA(bare.Desktop(), WM_MDIDESTROY, (WPARAM)hwnd1, 0);
    PumpMessages();
    EXPECT_EQ(0, TBCtlNotifyRegistrations(bare.Desktop()));
}

TEST_F(ViewerTest, CreationIsRefusedWithoutMemoryForTheRecord)
{
    HCURSOR hcurCross = LoadCursor(nullptr, IDC_CROSS);
    SetCursor(hcurCross);
    TBCtlClearCalls();
    // A named request allocates nothing before the record.
    LONG nFailed = TBCtlFailedAllocations();
    TBCtlFailAllocation(1);
    EXPECT_EQ(nullptr, OpenByName("ProjectViewer"));
    TBCtlFailAllocation(0);
    EXPECT_EQ(nFailed + 1, TBCtlFailedAllocations());
    EXPECT_EQ(0u, CountViewers(DesktopChildren()));
    EXPECT_EQ(nullptr, AppInfo()->hwndViewer);
    EXPECT_EQ(0, TBCtlNotifyRegistrations(Desktop()));
    // Wait cursor, then the arrow again.
    std::vector<DWORD_PTR> cursors;
    TBCALL call;
    for (LONG i = 0; TBCtlGetCall("APloadCursor", i, &call); i++)
        cursors.push_back(call.aArgs[1]);
    EXPECT_EQ((std::vector<DWORD_PTR>{32514, 32512}), cursors);
    EXPECT_EQ(LoadCursor(nullptr, IDC_ARROW), GetCursor());

    // Nothing was left behind: the next request opens normally.
    EXPECT_NE(nullptr, OpenByName("ProjectViewer"));
}
