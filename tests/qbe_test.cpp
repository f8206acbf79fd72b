// tbqbe32: choosing a query file (GetQBEFile) and the change test (SameQry),
// called through the exports by name and by ordinal, with a real host.
#include <windows.h>

#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "importhook.h"
#include "tbkit.h"

namespace {

typedef LONG(WINAPI *GETQBEFILEPROC)(HWND, LPSTR, LONG);
typedef LONG(WINAPI *SAMEQRYPROC)(HWND, LPCSTR, const DWORD *);

template <class PROC> PROC GetProc(HMODULE hmod, LPCSTR pszName)
{
    return reinterpret_cast<PROC>(reinterpret_cast<void *>(GetProcAddress(hmod, pszName)));
}

// How a test reaches the exports: the host calls them by ordinal or by name.
enum class Lookup { ByName, ByOrdinal };
std::ostream &operator<<(std::ostream &os, Lookup lookup)
{
    return os << (lookup == Lookup::ByName ? "ByName" : "ByOrdinal");
}

class QbeTest : public ::testing::TestWithParam<Lookup> {
  protected:
    void SetUp() override
    {
        hmod_ = LoadLibraryA("tbqbe32.dll");
        ASSERT_NE(hmod_, nullptr);
        if (GetParam() == Lookup::ByName) {
            pfnGetQBEFile_ = GetProc<GETQBEFILEPROC>(hmod_, "GetQBEFile");
            pfnSameQry_ = GetProc<SAMEQRYPROC>(hmod_, "SameQry");
        } else {
            pfnGetQBEFile_ = GetProc<GETQBEFILEPROC>(hmod_, MAKEINTRESOURCEA(4));
            pfnSameQry_ = GetProc<SAMEQRYPROC>(hmod_, MAKEINTRESOURCEA(5));
        }
        ASSERT_NE(pfnGetQBEFile_, nullptr);
        ASSERT_NE(pfnSameQry_, nullptr);
        ASSERT_TRUE(host_.Ok());
        TBCtlResetAnswers();
        TBCtlClearCalls();
    }
    void TearDown() override
    {
        TBCtlResetAnswers();
        if (hmod_ != nullptr)
            FreeLibrary(hmod_);
    }

    // A dialog that confirms this name.
    static void ScriptChosen(const char *pszName)
    {
        TBCtlSetFileSelectResult(pszName);
        TBCtlSetAnswer(TBA_FSFILESELECT, 1);
    }

    HMODULE hmod_ = nullptr;
    GETQBEFILEPROC pfnGetQBEFile_ = nullptr;
    SAMEQRYPROC pfnSameQry_ = nullptr;
    tbkit::TempDir dir_;
    tbkit::TestHost host_{tbkit::TestHostOptions{dir_.Path()}};
};

INSTANTIATE_TEST_SUITE_P(Exports, QbeTest, ::testing::Values(Lookup::ByName, Lookup::ByOrdinal),
                         [](const ::testing::TestParamInfo<Lookup> &param) {
                             return param.param == Lookup::ByName ? std::string("ByName") : std::string("ByOrdinal");
                         });

const char kTwenty[] = "ABCDEFGHIJKLMNOPQRST"; // 20 characters

struct CutCase {
    LONG cbBuffer;
    const char *pszChosen;
    const char *pszExpected;
};

TEST_P(QbeTest, ConfirmedNameIsCutToTheBufferAndTerminatedWithoutWritingBeyond)
{
    const CutCase cases[] = {
        {1, kTwenty, ""},
        {10, kTwenty, "ABCDEFGHI"},
        {20, kTwenty, "ABCDEFGHIJKLMNOPQRS"},
        {21, kTwenty, kTwenty},
        {260, "C:\\queries\\orders.qbe", "C:\\queries\\orders.qbe"},
    };
    for (const CutCase &c : cases) {
        SCOPED_TRACE(testing::Message() << "buffer " << c.cbBuffer << ", chosen \"" << c.pszChosen << "\"");
        tbkit::LeakCheck leaks;
        ScriptChosen(c.pszChosen);
        std::vector<char> buffer(c.cbBuffer + 16, '#');
        EXPECT_NE(pfnGetQBEFile_(host_.Frame(), buffer.data(), c.cbBuffer), 0);
        EXPECT_STREQ(buffer.data(), c.pszExpected);
        for (size_t i = c.cbBuffer; i < buffer.size(); i++)
            ASSERT_EQ(buffer[i], '#') << "byte " << i << " beyond the buffer was written";
    }
}

TEST_P(QbeTest, CancelledDialogAnswersZeroAndLeavesTheBufferUntouched)
{
    tbkit::LeakCheck leaks;
    TBCtlSetFileSelectResult("never.qbe");
    TBCtlSetAnswer(TBA_FSFILESELECT, 0);
    char buffer[32];
    memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(pfnGetQBEFile_(host_.Frame(), buffer, 16), 0);
    for (char ch : buffer)
        ASSERT_EQ(ch, '#');
    EXPECT_EQ(TBCtlCallCount("FSfileSelect"), 1);
    EXPECT_EQ(TBCtlCallCount("FSdestroyFSinfo"), 1);
}

// The host's record arrives with other values in the two fields the library
// sets, so the test sees that the library really wrote them.
FSINFO *(WINAPI *g_pfnRealCreate)(HWND, LONG, LONG, LONG, LONG);
FSINFO *WINAPI CreateDirtyFSinfo(HWND hwnd, LONG nMode, LONG nFlags, LONG l4, LONG l5)
{
    FSINFO *pInfo = g_pfnRealCreate(hwnd, nMode, nFlags, l4, l5);
    if (pInfo != nullptr) {
        if (pInfo->pnKind != nullptr)
            *pInfo->pnKind = 77;
        pInfo->nOption292 = 0x5555;
    }
    return pInfo;
}

TEST_P(QbeTest, RecordAsksForQueryFilesBeforeTheDialogShows)
{
    tbkit::LeakCheck leaks;
    ImportHook hook(hmod_, "tbsvc32.dll", "FScreateFSinfo", reinterpret_cast<void *>(CreateDirtyFSinfo));
    ASSERT_TRUE(hook.Ok());
    g_pfnRealCreate = reinterpret_cast<decltype(g_pfnRealCreate)>(hook.Original());
    ScriptChosen("a.qbe");
    char buffer[MAX_PATH];
    ASSERT_NE(pfnGetQBEFile_(host_.Frame(), buffer, sizeof buffer), 0);

    LONG nKind = -1, nOption = -1;
    ASSERT_TRUE(TBCtlLastFileSelect(&nKind, &nOption));
    EXPECT_EQ(nKind, 2);
    EXPECT_EQ(nOption, 0);

    TBCALL create{}, select{};
    ASSERT_TRUE(TBCtlGetCall("FScreateFSinfo", 0, &create));
    EXPECT_EQ(reinterpret_cast<HWND>(create.aArgs[0]), host_.Desktop());
    EXPECT_EQ(create.aArgs[1], 6u);
    EXPECT_EQ(create.aArgs[2], 1u);
    EXPECT_EQ(create.aArgs[3], 0u);
    EXPECT_EQ(create.aArgs[4], 0u);
    ASSERT_TRUE(TBCtlGetCall("FSfileSelect", 0, &select));
    EXPECT_EQ(reinterpret_cast<HWND>(select.aArgs[0]), host_.Frame());
}

TEST_P(QbeTest, NoRecordAnswersZeroWithoutADialog)
{
    tbkit::LeakCheck leaks;
    TBCtlSetAnswer(TBA_FSCREATEFSINFO, 0);
    ScriptChosen("a.qbe");
    char buffer[16];
    memset(buffer, '#', sizeof buffer);
    EXPECT_EQ(pfnGetQBEFile_(host_.Frame(), buffer, sizeof buffer), 0);
    EXPECT_EQ(TBCtlCallCount("FSfileSelect"), 0);
    EXPECT_EQ(TBCtlCallCount("FSdestroyFSinfo"), 0);
    for (char ch : buffer)
        ASSERT_EQ(ch, '#');
}

// A length below 1 leaves no room even for the terminator: 0, nothing written, no dialog.
TEST_P(QbeTest, BufferLengthBelowOneAnswersZeroAndWritesNothing)
{
    for (LONG cb : {0L, -1L, -1000L}) {
        SCOPED_TRACE(cb);
        tbkit::LeakCheck leaks;
        TBCtlClearCalls();
        ScriptChosen("a.qbe");
        char buffer[8];
        memset(buffer, '#', sizeof buffer);
        EXPECT_EQ(pfnGetQBEFile_(host_.Frame(), buffer, cb), 0);
        for (char ch : buffer)
            ASSERT_EQ(ch, '#');
        EXPECT_EQ(TBCtlCallCount("FScreateFSinfo"), 0);
        EXPECT_EQ(TBCtlCallCount("FSfileSelect"), 0);
    }
}

TEST_P(QbeTest, SameQryFollowsTheFilesStampWhileUnchangedAndAfterATouch)
{
    ASSERT_TRUE(dir_.AddFile("orders.qbe", "Query\r\n"));
    const std::string path = dir_.PathOf("orders.qbe");
    DWORD adwStamp[2] = {};
    ASSERT_TRUE(DosGetFILETIME(path.c_str(), adwStamp));
    ASSERT_TRUE(adwStamp[0] != 0 || adwStamp[1] != 0);

    tbkit::LeakCheck leaks;
    EXPECT_EQ(pfnSameQry_(host_.Frame(), "orders.qbe", adwStamp), 1);
    EXPECT_EQ(pfnSameQry_(host_.Frame(), path.c_str(), adwStamp), 1);

    HANDLE hFile = CreateFileA(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                               OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(hFile, INVALID_HANDLE_VALUE);
    ULARGE_INTEGER t;
    t.LowPart = adwStamp[0];
    t.HighPart = adwStamp[1];
    t.QuadPart += 10000000ULL * 3600; // an hour later
    FILETIME ft = {t.LowPart, t.HighPart};
    EXPECT_TRUE(SetFileTime(hFile, nullptr, nullptr, &ft));
    CloseHandle(hFile);

    EXPECT_EQ(pfnSameQry_(host_.Frame(), "orders.qbe", adwStamp), 0);
    const DWORD adwTouched[2] = {ft.dwLowDateTime, ft.dwHighDateTime};
    EXPECT_EQ(pfnSameQry_(host_.Frame(), "orders.qbe", adwTouched), 1);
}

TEST_P(QbeTest, SameQryComparesBothHalvesOfTheStamp)
{
    ASSERT_TRUE(dir_.AddFile("halves.qbe", "Query\r\n"));
    DWORD adwStamp[2] = {};
    ASSERT_TRUE(DosGetFILETIME(dir_.PathOf("halves.qbe").c_str(), adwStamp));

    tbkit::LeakCheck leaks;
    const DWORD adwFirstDiffers[2] = {adwStamp[0] ^ 1u, adwStamp[1]};
    const DWORD adwSecondDiffers[2] = {adwStamp[0], adwStamp[1] ^ 1u};
    EXPECT_EQ(pfnSameQry_(host_.Frame(), "halves.qbe", adwStamp), 1);
    EXPECT_EQ(pfnSameQry_(host_.Frame(), "halves.qbe", adwFirstDiffers), 0);
    EXPECT_EQ(pfnSameQry_(host_.Frame(), "halves.qbe", adwSecondDiffers), 0);
}

TEST_P(QbeTest, EmptyOrNullNameIsTakenAsAnAllZeroStamp)
{
    tbkit::LeakCheck leaks;
    const DWORD adwZero[2] = {0, 0};
    const DWORD adwLow[2] = {1, 0};
    const DWORD adwHigh[2] = {0, 1};
    for (const char *pszName : {"", static_cast<const char *>(nullptr)}) {
        SCOPED_TRACE(pszName ? "empty name" : "null name");
        EXPECT_EQ(pfnSameQry_(host_.Frame(), pszName, adwZero), 1);
        EXPECT_EQ(pfnSameQry_(host_.Frame(), pszName, adwLow), 0);
        EXPECT_EQ(pfnSameQry_(host_.Frame(), pszName, adwHigh), 0);
    }
    EXPECT_EQ(TBCtlCallCount("DosGetFILETIME"), 0);
}

TEST_P(QbeTest, WindowWithoutSessionIsTakenAsAnAllZeroStamp)
{
    ASSERT_TRUE(dir_.AddFile("lonely.qbe", "Query\r\n"));
    const std::string path = dir_.PathOf("lonely.qbe");
    DWORD adwStamp[2] = {};
    ASSERT_TRUE(DosGetFILETIME(path.c_str(), adwStamp));
    HWND hwndLoose = CreateWindowExA(0, "STATIC", "no session", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                     GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(hwndLoose, nullptr);
    ASSERT_EQ(TBMgetSession(hwndLoose), nullptr);

    tbkit::LeakCheck leaks;
    const DWORD adwZero[2] = {0, 0};
    EXPECT_EQ(pfnSameQry_(hwndLoose, path.c_str(), adwZero), 1);
    EXPECT_EQ(pfnSameQry_(hwndLoose, path.c_str(), adwStamp), 0);
    EXPECT_EQ(pfnSameQry_(host_.Frame(), path.c_str(), adwStamp), 1);
    DestroyWindow(hwndLoose);
}

TEST(QbeExports, OnlyOrdinalsFourAndFiveHoldFunctions)
{
    HMODULE hmod = LoadLibraryA("tbqbe32.dll");
    ASSERT_NE(hmod, nullptr);
    EXPECT_EQ(GetProcAddress(hmod, MAKEINTRESOURCEA(4)), GetProcAddress(hmod, "GetQBEFile"));
    EXPECT_EQ(GetProcAddress(hmod, MAKEINTRESOURCEA(5)), GetProcAddress(hmod, "SameQry"));
    EXPECT_NE(GetProcAddress(hmod, "GetQBEFile"), nullptr);
    for (WORD ord : {1, 2, 3, 6})
        EXPECT_EQ(GetProcAddress(hmod, MAKEINTRESOURCEA(ord)), nullptr) << "ordinal " << ord;
    EXPECT_EQ(GetProcAddress(hmod, "GetQueryStamp"), nullptr);
    FreeLibrary(hmod);
}

} // namespace
