/* Linked into every i686 test executable. Under user-mode emulation
 * (TB_EMULATED=1) 32-bit Wine cannot survive an exception raised and caught
 * inside Wine itself, and OutputDebugStringA is one: GoogleTest's printer
 * calls it for every failed or skipped check, which ended the whole process.
 * There the printer's check results go to stdout only; everything else is
 * GoogleTest's own printer, and the process ends as soon as the run has. */
#include <windows.h>

#include <gtest/gtest.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#include <memory>

namespace {

using ::testing::TestEventListener;

class StdoutOnlyPrinter : public TestEventListener {
  public:
    explicit StdoutOnlyPrinter(TestEventListener *pInner) : inner_(pInner) {}

    void OnTestPartResult(const ::testing::TestPartResult &r) override
    {
        if (r.type() == ::testing::TestPartResult::kSuccess)
            return;
        const char *pszKind = r.type() == ::testing::TestPartResult::kSkip ? "Skipped\n" : "Failure\n";
        printf("%s %s%s\n", ::testing::internal::FormatFileLocation(r.file_name(), r.line_number()).c_str(), pszKind,
               r.message());
        fflush(stdout);
    }

    void OnTestProgramStart(const ::testing::UnitTest &u) override { inner_->OnTestProgramStart(u); }
    void OnTestIterationStart(const ::testing::UnitTest &u, int n) override { inner_->OnTestIterationStart(u, n); }
    void OnEnvironmentsSetUpStart(const ::testing::UnitTest &u) override { inner_->OnEnvironmentsSetUpStart(u); }
    void OnEnvironmentsSetUpEnd(const ::testing::UnitTest &u) override { inner_->OnEnvironmentsSetUpEnd(u); }
    void OnTestSuiteStart(const ::testing::TestSuite &s) override { inner_->OnTestSuiteStart(s); }
    void OnTestStart(const ::testing::TestInfo &t) override { inner_->OnTestStart(t); }
    void OnTestDisabled(const ::testing::TestInfo &t) override { inner_->OnTestDisabled(t); }
    void OnTestEnd(const ::testing::TestInfo &t) override { inner_->OnTestEnd(t); }
    void OnTestSuiteEnd(const ::testing::TestSuite &s) override { inner_->OnTestSuiteEnd(s); }
    void OnEnvironmentsTearDownStart(const ::testing::UnitTest &u) override { inner_->OnEnvironmentsTearDownStart(u); }
    void OnEnvironmentsTearDownEnd(const ::testing::UnitTest &u) override { inner_->OnEnvironmentsTearDownEnd(u); }
    void OnTestIterationEnd(const ::testing::UnitTest &u, int n) override { inner_->OnTestIterationEnd(u, n); }
    void OnTestProgramEnd(const ::testing::UnitTest &u) override
    {
        inner_->OnTestProgramEnd(u);
        /* Wine's process exit can take minutes under emulation, or never end
         * (seen after all cases had passed): end here with the answer
         * RUN_ALL_TESTS would give. */
        fflush(stdout);
        fflush(stderr);
        TerminateProcess(GetCurrentProcess(), u.Passed() ? 0 : 1);
    }

  private:
    std::unique_ptr<TestEventListener> inner_;
};

bool InstallStdoutOnlyPrinter()
{
    const char *psz = getenv("TB_EMULATED");
    if (!psz || strcmp(psz, "1") != 0)
        return false;
    ::testing::TestEventListeners &listeners = ::testing::UnitTest::GetInstance()->listeners();
    TestEventListener *pDefault = listeners.Release(listeners.default_result_printer());
    if (!pDefault)
        return false;
    listeners.Append(new StdoutOnlyPrinter(pDefault));
    return true;
}

const bool g_fStdoutOnlyPrinter = InstallStdoutOnlyPrinter();

} // namespace
