// tbmenu32: running commands: programs, library entries, host documents and scripts.
#include "custmenu_fixture.h"

#include <fstream>
#include <sstream>

#include "importhook.h"
#include "tbhostlib.h"

namespace custmenutest {
namespace {

// ---- programs -------------------------------------------------------------

struct WinExecCall {
    std::string cmdLine;
    UINT uShow;
};
std::vector<WinExecCall> g_winExecCalls;
UINT(WINAPI *g_pfnRealWinExec)(LPCSTR, UINT);
bool g_fStartPrograms = true;

UINT WINAPI RecordAndRunWinExec(LPCSTR pszCmdLine, UINT uShow)
{
    g_winExecCalls.push_back({pszCmdLine, uShow});
    return g_fStartPrograms ? g_pfnRealWinExec(pszCmdLine, uShow) : 33;
}

// Records every WinExec of the add-in, and starts the program unless told not to.
class WinExecRecorder {
  public:
    explicit WinExecRecorder(HMODULE hmod, bool fStart = true)
        : hook_(hmod, "kernel32.dll", "WinExec", reinterpret_cast<void *>(RecordAndRunWinExec))
    {
        g_pfnRealWinExec = reinterpret_cast<decltype(g_pfnRealWinExec)>(hook_.Original());
        g_winExecCalls.clear();
        g_fStartPrograms = fStart;
    }
    bool Ok() const { return hook_.Ok(); }
    const std::vector<WinExecCall> &Calls() const { return g_winExecCalls; }

  private:
    ImportHook hook_;
};

// The marker file tbmarker.exe writes, with the command line it was started with.
std::string WaitForMarker(const std::string &path, DWORD msTimeout = 10000)
{
    for (DWORD msWaited = 0; msWaited < msTimeout; msWaited += 50) {
        std::ifstream in(path, std::ios::binary);
        if (in) {
            std::stringstream ss;
            ss << in.rdbuf();
            return ss.str();
        }
        Sleep(50);
    }
    return std::string();
}

class CustMenuCommandTest : public CustMenuTest {
  protected:
    void SetUp() override
    {
        CustMenuTest::SetUp();
        markerPath_ = dir_.PathOf("marker.txt");
        SetEnvironmentVariableA("TBMARKER_FILE", markerPath_.c_str());
    }
    void TearDown() override
    {
        SetEnvironmentVariableA("TBMARKER_FILE", nullptr);
        CustMenuTest::TearDown();
    }
    // One item "Run" in New holding the command; answers its id after attach.
    LONG AttachWithCommand(const std::string &command, const std::string &label = "Run")
    {
        AddValue("New", "1," + label, command);
        EXPECT_EQ(Attach(), TBENTRY_ATTACHED);
        return static_cast<LONG>(IdOf(6, label));
    }
    std::string Marker() { return dir_.PathOf("marker.txt"); }
    std::string markerPath_;
};

TEST_F(CustMenuCommandTest, ProgramIsStartedWithWinExecAndShowModeNormal)
{
    const std::string program = BinDir() + "\\tbmarker.exe";
    LONG id = AttachWithCommand(program);
    WinExecRecorder winExec(hmod_);
    ASSERT_TRUE(winExec.Ok());
    tbkit::LeakCheck leaks;
    EXPECT_EQ(Entry(6, id), 1);
    ASSERT_EQ(winExec.Calls().size(), 1u);
    EXPECT_EQ(winExec.Calls()[0].cmdLine, program);
    EXPECT_EQ(winExec.Calls()[0].uShow, static_cast<UINT>(SW_SHOWNORMAL));
    EXPECT_NE(WaitForMarker(markerPath_).find("tbmarker.exe"), std::string::npos) << "the program did not run";
}

// The extension test sees the text before the first comma; WinExec gets all
// of it. An extension that merely contains EXE is a program, and EXE is
// tested before DLL.
TEST_F(CustMenuCommandTest, ExtensionContainingExeMakesAProgramAndWinExecGetsTheWholeText)
{
    const std::string marker = BinDir() + "\\tbmarker.exe";
    for (const char *pszCopy : {"prog.exe2", "prog.xexe", "prog.dllexe"})
        ASSERT_TRUE(CopyFileA(marker.c_str(), dir_.PathOf(pszCopy).c_str(), FALSE)) << pszCopy;
    const std::string commands[] = {
        dir_.PathOf("prog.exe2"),
        dir_.PathOf("prog.xexe"),
        dir_.PathOf("prog.dllexe"),
        marker + ",second.dll,more text",
    };
    int order = 1;
    for (const std::string &command : commands)
        AddValue("Tools", std::to_string(order) + ",Item" + std::to_string(order), command), order++;
    ASSERT_EQ(Attach(), TBENTRY_ATTACHED);
    std::vector<PopupItem> items = Popup(17);
    ASSERT_EQ(items.size(), 4u);

    WinExecRecorder winExec(hmod_, /*fStart=*/false);
    ASSERT_TRUE(winExec.Ok());
    for (size_t i = 0; i < items.size(); i++) {
        SCOPED_TRACE(commands[i]);
        g_winExecCalls.clear();
        EXPECT_EQ(Entry(17, items[i].id), 1);
        ASSERT_EQ(winExec.Calls().size(), 1u);
        EXPECT_EQ(winExec.Calls()[0].cmdLine, commands[i]);
    }
}

TEST_F(CustMenuCommandTest, ProgramWithOddExtensionRuns)
{
    const std::string copy = dir_.PathOf("prog.xexe");
    ASSERT_TRUE(CopyFileA((BinDir() + "\\tbmarker.exe").c_str(), copy.c_str(), FALSE));
    LONG id = AttachWithCommand(copy);
    WinExecRecorder winExec(hmod_);
    ASSERT_TRUE(winExec.Ok());
    EXPECT_EQ(Entry(6, id), 1);
    EXPECT_NE(WaitForMarker(markerPath_).find("prog.xexe"), std::string::npos);
}

TEST_F(CustMenuCommandTest, ProgramThatCannotStartAnswersZero)
{
    LONG id = AttachWithCommand(dir_.PathOf("missing.exe"));
    WinExecRecorder winExec(hmod_);
    ASSERT_TRUE(winExec.Ok());
    tbkit::LeakCheck leaks;
    EXPECT_EQ(Entry(6, id), 0);
}

// ---- library entries ------------------------------------------------------

TEST_F(CustMenuCommandTest, LibraryEntryReceivesMenuCallInfoAndTheLabelIsFreedAfter)
{
    host_.SetSecondString("Tabulon second text");
    // Blanks before the entry name are skipped.
    LONG id = AttachWithCommand(BinDir() + "\\tbmenuentry.dll,  RecordMenuCall", "Record this");
    EntryLibrary entry;
    ASSERT_TRUE(entry.Ok());
    tbkit::ImportCounter counter(hmod_);
    ASSERT_TRUE(counter.Ok());
    tbkit::LeakCheck leaks;

    EXPECT_EQ(Entry(6, id), 1);

    MENUENTRYRECORD r = entry.Record();
    EXPECT_EQ(r.nCalls, 1);
    EXPECT_STREQ(r.szEntry, "RecordMenuCall");
    EXPECT_EQ(r.hwndHost, Hwnd());
    EXPECT_EQ(r.szWorkDir, host_.WorkDir());
    EXPECT_STREQ(r.szSecondString, "Tabulon second text");
    EXPECT_STREQ(r.szLabel, "Record this");
    // The record handed over is the tail of the add-in's own record.
    EXPECT_EQ(r.pInfo, &Info()->call);
    // During the call the command and label copies were out; both came back.
    EXPECT_EQ(r.nBlocksDuringCall, leaks.Start() + 2);
    EXPECT_EQ(Info()->call.pszLabel, nullptr);
    EXPECT_TRUE(leaks.Balanced());
    EXPECT_EQ(counter.Calls(tbkit::IF_LoadLibraryA), 1);
    EXPECT_EQ(counter.Calls(tbkit::IF_FreeLibrary), 1);
}

TEST_F(CustMenuCommandTest, EntryResultIsTheAnswer)
{
    LONG id = AttachWithCommand(BinDir() + "\\tbmenuentry.dll,RefuseMenuCall");
    EntryLibrary entry;
    ASSERT_TRUE(entry.Ok());
    EXPECT_EQ(Entry(6, id), 0);
    EXPECT_EQ(entry.Record().nCalls, 1);
    EXPECT_STREQ(entry.Record().szEntry, "RefuseMenuCall");
}

TEST_F(CustMenuCommandTest, LibraryCommandsThatCannotRunFreeWhatWasLoaded)
{
    ASSERT_TRUE(dir_.AddFile("notalib.dll", "plain text"));
    const std::string entryDll = BinDir() + "\\tbmenuentry.dll";
    const struct {
        const char *pszCase;
        std::string command;
        LONG nLoads; // successful LoadLibraryA calls, each freed again
    } cases[] = {
        {"no comma", entryDll, 0},
        {"library file missing", dir_.PathOf("absent.dll") + ",RecordMenuCall", 0},
        {"file is no library", dir_.PathOf("notalib.dll") + ",RecordMenuCall", 0},
        {"entry missing", entryDll + ",NoSuchEntry", 1},
        {"empty entry name", entryDll + ",", 1},
    };
    int order = 1;
    for (const auto &c : cases)
        AddValue("File", std::to_string(order++) + "," + c.pszCase, c.command);
    ASSERT_EQ(Attach(), TBENTRY_ATTACHED);
    EntryLibrary entry;
    ASSERT_TRUE(entry.Ok());
    for (const auto &c : cases) {
        SCOPED_TRACE(c.pszCase);
        LONG id = static_cast<LONG>(IdOf(15, c.pszCase));
        ASSERT_NE(id, 0);
        tbkit::ImportCounter counter(hmod_);
        tbkit::LeakCheck leaks;
        EXPECT_EQ(Entry(15, id), 0);
        EXPECT_EQ(counter.Calls(tbkit::IF_LoadLibraryA), c.nLoads);
        EXPECT_EQ(counter.LibrariesOutstanding(), 0);
        EXPECT_EQ(Info()->call.pszLabel, nullptr);
    }
    EXPECT_EQ(entry.Record().nCalls, 0);
}

// ---- host documents and scripts ------------------------------------------

// Holds the real host libraries loaded, to read their call logs.
class HostLibraries {
  public:
    HostLibraries() : hDisp_(LoadLibraryA("tbdisp32.dll")), hForm_(LoadLibraryA("tbform32.dll"))
    {
        Clear(hDisp_);
        Clear(hForm_);
    }
    ~HostLibraries()
    {
        FreeLibrary(hForm_);
        FreeLibrary(hDisp_);
    }
    bool Ok() const { return hDisp_ != nullptr && hForm_ != nullptr; }
    std::vector<TBHOSTLIBCALL> DispCalls() const { return Calls(hDisp_); }
    std::vector<TBHOSTLIBCALL> FormCalls() const { return Calls(hForm_); }
    LONG OpenDisplays() const { return GetProc<TBDISPOPENDISPLAYSPROC>(hDisp_, "TBDispOpenDisplays")(); }

  private:
    static void Clear(HMODULE hmod) { GetProc<TBHOSTLIBCLEARCALLSPROC>(hmod, "TBHostLibClearCalls")(); }
    static std::vector<TBHOSTLIBCALL> Calls(HMODULE hmod)
    {
        std::vector<TBHOSTLIBCALL> calls;
        auto pfnCount = GetProc<TBHOSTLIBCALLCOUNTPROC>(hmod, "TBHostLibCallCount");
        auto pfnGet = GetProc<TBHOSTLIBGETCALLPROC>(hmod, "TBHostLibGetCall");
        for (LONG i = 0; i < pfnCount(); i++) {
            TBHOSTLIBCALL call{};
            pfnGet(i, &call);
            calls.push_back(call);
        }
        return calls;
    }
    HMODULE hDisp_, hForm_;
};

TEST_F(CustMenuCommandTest, ScriptsAreLoadedRunAndTheirDisplayDestroyed)
{
    ASSERT_TRUE(dir_.AddFile("report.ssl", "script"));
    ASSERT_TRUE(dir_.AddFile("MENU.SDL", "script"));
    AddValue("Tools", "1,Report", "report.ssl");
    AddValue("Tools", "2,Menu", "MENU.SDL,anything after the comma");
    ASSERT_EQ(Attach(), TBENTRY_ATTACHED);
    HostLibraries libs;
    ASSERT_TRUE(libs.Ok());

    const struct {
        const char *pszLabel;
        const char *pszDocument;
    } cases[] = {{"Report", "report.ssl"}, {"Menu", "MENU.SDL"}};
    size_t nForm = 0;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.pszDocument);
        LONG id = static_cast<LONG>(IdOf(17, c.pszLabel));
        tbkit::ImportCounter counter(hmod_);
        tbkit::LeakCheck leaks;
        EXPECT_EQ(Entry(17, id), 1);
        EXPECT_EQ(counter.Calls(tbkit::IF_LoadLibraryA), 3); // tbform32 once per entry
        EXPECT_EQ(counter.LibrariesOutstanding(), 0);

        TBHOSTLIBCALL load = libs.DispCalls().back();
        EXPECT_STREQ(load.szEntry, "VexLoadDisplay");
        EXPECT_EQ(reinterpret_cast<HWND>(load.aArgs[0]), Hwnd());
        EXPECT_EQ(load.aArgs[1], 1u);
        EXPECT_STREQ(load.szText, c.pszDocument); // as written, not the full path
        EXPECT_EQ(load.aArgs[3], 4u);
        for (int i = 4; i < 8; i++)
            EXPECT_EQ(load.aArgs[i], 0u);

        std::vector<TBHOSTLIBCALL> form = libs.FormCalls();
        ASSERT_EQ(form.size(), nForm + 2);
        EXPECT_STREQ(form[nForm].szEntry, "FMrunScript");
        EXPECT_STREQ(form[nForm].szText, c.pszDocument);
        EXPECT_EQ(form[nForm].nMode, 4);
        EXPECT_GE(form[nForm].nDisplay, TBDISP_FIRSTDISPLAY);
        EXPECT_STREQ(form[nForm + 1].szEntry, "VexDestroyDisplay");
        EXPECT_EQ(static_cast<LONG>(form[nForm + 1].aArgs[0]), form[nForm].nDisplay); // the value at byte 106
        EXPECT_EQ(form[nForm + 1].aArgs[1], 0u);
        nForm += 2;
        EXPECT_EQ(libs.OpenDisplays(), 0);
    }
}

TEST_F(CustMenuCommandTest, OtherDocumentsAreOpenedAndLeftOpen)
{
    ASSERT_TRUE(dir_.AddFile("orders.fsl", "form"));
    ASSERT_TRUE(dir_.AddFile("notes.txt", "text"));
    AddValue("Open", "1,Orders", "orders.fsl");
    AddValue("Open", "2,Notes", dir_.PathOf("notes.txt") + ",x");
    ASSERT_EQ(Attach(), TBENTRY_ATTACHED);
    HostLibraries libs;
    ASSERT_TRUE(libs.Ok());
    LONG nOpen = 0;
    for (const char *pszLabel : {"Orders", "Notes"}) {
        SCOPED_TRACE(pszLabel);
        tbkit::ImportCounter counter(hmod_);
        EXPECT_EQ(Entry(9, static_cast<LONG>(IdOf(9, pszLabel))), 1);
        EXPECT_EQ(counter.Calls(tbkit::IF_LoadLibraryA), 3);
        EXPECT_EQ(counter.LibrariesOutstanding(), 0);
        TBHOSTLIBCALL load = libs.DispCalls().back();
        EXPECT_EQ(load.aArgs[3], 1u);
        EXPECT_TRUE(libs.FormCalls().empty());
        EXPECT_EQ(libs.OpenDisplays(), ++nOpen); // the host's from now on
    }
    EXPECT_STREQ(libs.DispCalls()[0].szText, "orders.fsl");
    EXPECT_EQ(libs.DispCalls()[1].szText, dir_.PathOf("notes.txt"));
}

TEST_F(CustMenuCommandTest, MissingDocumentAndTextsWithoutExtensionLoadNothing)
{
    const char *apszCommands[] = {"absent.ssl", "absent.fsl", "readme", "trailingdot.", "dir.d\\name"};
    int order = 1;
    for (const char *pszCommand : apszCommands)
        AddValue("Help", std::to_string(order++) + "," + pszCommand, pszCommand);
    ASSERT_EQ(Attach(), TBENTRY_ATTACHED);
    WinExecRecorder winExec(hmod_, false);
    for (const char *pszCommand : apszCommands) {
        SCOPED_TRACE(pszCommand);
        tbkit::ImportCounter counter(hmod_);
        tbkit::LeakCheck leaks;
        EXPECT_EQ(Entry(18, static_cast<LONG>(IdOf(18, pszCommand))), 0);
        EXPECT_EQ(counter.Calls(tbkit::IF_LoadLibraryA), 0);
    }
    EXPECT_TRUE(winExec.Calls().empty());
    EXPECT_EQ(GetModuleHandleA("tbdisp32.dll"), nullptr);
}

// A host library without the named entry stands in for the real one: the
// loader hands a module already loaded under the same name to LoadLibraryA.
TEST_F(CustMenuCommandTest, MissingHostEntryFreesWhatWasLoaded)
{
    ASSERT_TRUE(dir_.AddFile("report.ssl", "script"));
    AddValue("Tools", "1,Report", "report.ssl");
    ASSERT_EQ(Attach(), TBENTRY_ATTACHED);
    ASSERT_EQ(GetModuleHandleA("tbdisp32.dll"), nullptr);
    ASSERT_EQ(GetModuleHandleA("tbform32.dll"), nullptr);
    ASSERT_TRUE(dir_.AddDir("standin"));
    const struct {
        const char *pszCase;
        const char *pszStandIn; // fixture library
        const char *pszAs;      // host library it stands in for
        LONG nLoads;
    } cases[] = {
        {"display library without VexLoadDisplay", "tbnoentry.dll", "tbdisp32.dll", 1},
        {"form library without FMrunScript", "tbnoentry.dll", "tbform32.dll", 2},
        {"form library without VexDestroyDisplay", "tbformhalf.dll", "tbform32.dll", 3},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.pszCase);
        const std::string standIn = dir_.PathOf(std::string("standin\\") + c.pszAs);
        ASSERT_TRUE(CopyFileA((BinDir() + "\\" + c.pszStandIn).c_str(), standIn.c_str(), FALSE));
        HMODULE hStandIn = LoadLibraryA(standIn.c_str());
        ASSERT_NE(hStandIn, nullptr);
        {
            tbkit::ImportCounter counter(hmod_);
            tbkit::LeakCheck leaks;
            EXPECT_EQ(Entry(17, 1), 0);
            EXPECT_EQ(counter.Calls(tbkit::IF_LoadLibraryA), c.nLoads);
            EXPECT_EQ(counter.Calls(tbkit::IF_FreeLibrary), c.nLoads);
        }
        // Only the test's own reference is left.
        EXPECT_EQ(GetModuleHandleA(c.pszAs), hStandIn);
        FreeLibrary(hStandIn);
        EXPECT_EQ(GetModuleHandleA(c.pszAs), nullptr);
        EXPECT_EQ(GetModuleHandleA("tbdisp32.dll"), nullptr);
        EXPECT_EQ(GetModuleHandleA("tbform32.dll"), nullptr);
        DeleteFileA(standIn.c_str());
    }
}

// ---- allocation failures --------------------------------------------------

// Each command kind with every allocation failing in turn: no leak, no
// label left in the record, and a run that could not take its memory did not run.
TEST_F(CustMenuCommandTest, AllocationFailureSweepOverEachCommandKind)
{
    ASSERT_TRUE(dir_.AddFile("report.ssl", "script"));
    ASSERT_TRUE(dir_.AddFile("orders.fsl", "form"));
    const struct {
        const char *pszKind;
        std::string command;
    } kinds[] = {
        {"program", BinDir() + "\\tbmarker.exe,x"},
        {"library entry", BinDir() + "\\tbmenuentry.dll,RecordMenuCall"},
        {"script", "report.ssl"},
        {"document", "orders.fsl,x"},
    };
    int order = 1;
    for (const auto &k : kinds)
        AddValue("New", std::to_string(order++) + "," + k.pszKind, k.command);
    ASSERT_EQ(Attach(), TBENTRY_ATTACHED);
    EntryLibrary entry;
    HostLibraries libs;
    ASSERT_TRUE(entry.Ok() && libs.Ok());
    WinExecRecorder winExec(hmod_, /*fStart=*/false);
    for (const auto &k : kinds) {
        SCOPED_TRACE(k.pszKind);
        LONG id = static_cast<LONG>(IdOf(6, k.pszKind));
        LONG nRan = 0, nRuns = 0;
        tbkit::SweepResult result = tbkit::ForEachAllocationFailure([&] {
            nRuns++;
            LONG nEntryCalls = entry.Record().nCalls;
            size_t nExec = winExec.Calls().size();
            LRESULT lResult = Entry(6, id);
            EXPECT_EQ(Info()->call.pszLabel, nullptr);
            if (lResult == 1) {
                nRan++;
            } else if (k.command.find(".dll") != std::string::npos) {
                EXPECT_EQ(entry.Record().nCalls, nEntryCalls); // no label copy: not called
            } else if (k.command.find(".exe") != std::string::npos) {
                EXPECT_EQ(winExec.Calls().size(), nExec);
            }
        });
        EXPECT_GE(result.nAllocations, 1);
        EXPECT_TRUE(result.Clean());
        EXPECT_GE(nRan, 1); // the undisturbed run
    }
    // Documents opened with mode 1 stay with the host library until it unloads.
    EXPECT_GE(libs.OpenDisplays(), 1);
}

} // namespace
} // namespace custmenutest
