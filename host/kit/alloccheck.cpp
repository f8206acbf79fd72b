/* Allocator checks: leak scope, allocation-failure sweeps, fault trap. */
#include "tbkit.h"

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

namespace tbkit {

LeakCheck::LeakCheck(bool fExpectOnExit) : nStart_(TBCtlOutstandingBlocks()), fExpectOnExit_(fExpectOnExit) {}

LeakCheck::~LeakCheck()
{
    if (fExpectOnExit_) {
        EXPECT_TRUE(Balanced());
    }
}

LONG LeakCheck::Delta() const { return TBCtlOutstandingBlocks() - nStart_; }

::testing::AssertionResult LeakCheck::Balanced() const
{
    LONG nDelta = Delta();
    if (nDelta == 0)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << nDelta << " host block(s) outstanding since the scope began ("
                                         << nStart_ << " then, " << nStart_ + nDelta << " now)";
}

bool SweepResult::Clean() const { return nBaseLeaked == 0 && LeakingRuns().empty(); }

std::vector<LONG> SweepResult::LeakingRuns() const
{
    std::vector<LONG> v;
    for (const SweepRun &run : runs)
        if (run.nLeaked != 0)
            v.push_back(run.nFail);
    return v;
}

SweepResult SweepAllocationFailures(const std::function<void()> &scenario, LONG nMax)
{
    SweepResult r;
    TBCtlFailAllocation(0);
    LONG nBefore = TBCtlOutstandingBlocks();
    TBCtlResetAllocationCount();
    {
        SCOPED_TRACE("allocation-failure sweep: undisturbed run");
        scenario();
    }
    r.nAllocations = TBCtlAllocationCount();
    r.nBaseLeaked = TBCtlOutstandingBlocks() - nBefore;

    LONG nRuns = r.nAllocations < nMax ? r.nAllocations : nMax;
    for (LONG n = 1; n <= nRuns; n++) {
        nBefore = TBCtlOutstandingBlocks();
        LONG nFailedBefore = TBCtlFailedAllocations();
        TBCtlFailAllocation(n);
        {
            SCOPED_TRACE("allocation-failure sweep: allocation " + std::to_string(n) + " of " +
                         std::to_string(r.nAllocations) + " fails");
            scenario();
        }
        TBCtlFailAllocation(0);
        r.runs.push_back({n, TBCtlOutstandingBlocks() - nBefore, TBCtlFailedAllocations() > nFailedBefore});
    }
    return r;
}

SweepResult ForEachAllocationFailure(const std::function<void()> &scenario, LONG nMax)
{
    SweepResult r = SweepAllocationFailures(scenario, nMax);
    EXPECT_EQ(0, r.nBaseLeaked) << "blocks left by the undisturbed run";
    for (const SweepRun &run : r.runs)
        EXPECT_EQ(0, run.nLeaked) << "blocks left when allocation " << run.nFail << " of " << r.nAllocations
                                  << " failed";
    return r;
}

/* ---- fault trap ---- */

namespace {

PVOID g_pvHandler;
LONG g_nTraps;
bool g_fFailInnermost; /* the innermost live trap decides */
volatile LONG g_nFaults;
volatile ULONG_PTR g_ulLastAddress;
bool g_fInHandler;

/* "module+offset" of a code address, for the failure message */
std::string DescribeCodeAddress(const void *pv)
{
    HMODULE hmod = nullptr;
    char szPath[MAX_PATH] = "?";
    char sz[MAX_PATH + 32];
    if (GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           static_cast<LPCSTR>(pv), &hmod)) {
        GetModuleFileNameA(hmod, szPath, sizeof(szPath));
        const char *pszName = strrchr(szPath, '\\');
        snprintf(sz, sizeof(sz), "%s+%#llx", pszName ? pszName + 1 : szPath,
                 static_cast<unsigned long long>(static_cast<const BYTE *>(pv) - reinterpret_cast<const BYTE *>(hmod)));
    } else {
        snprintf(sz, sizeof(sz), "%p", pv);
    }
    return sz;
}

LONG CALLBACK TrapAccessViolation(EXCEPTION_POINTERS *pep)
{
    const EXCEPTION_RECORD *per = pep->ExceptionRecord;
    if (per->ExceptionCode != EXCEPTION_ACCESS_VIOLATION)
        return EXCEPTION_CONTINUE_SEARCH;
    ULONG_PTR ulAddress = per->NumberParameters >= 2 ? per->ExceptionInformation[1] : 0;
    /* Wine's heap reads into reserved, uncommitted space and catches the
     * fault itself (seen when an MDI child is destroyed): not ours. Guard
     * pages are committed no-access pages; freed blocks are unmapped. */
    MEMORY_BASIC_INFORMATION mbi;
    if (VirtualQuery(reinterpret_cast<LPCVOID>(ulAddress), &mbi, sizeof(mbi)) && mbi.State == MEM_RESERVE)
        return EXCEPTION_CONTINUE_SEARCH;
    InterlockedIncrement(&g_nFaults);
    g_ulLastAddress = ulAddress;
    if (g_fFailInnermost && !g_fInHandler) {
        g_fInHandler = true;
        ADD_FAILURE() << "access violation ("
                      << (per->NumberParameters >= 1 && per->ExceptionInformation[0] ? "write" : "read") << " of "
                      << reinterpret_cast<void *>(ulAddress) << ") at " << DescribeCodeAddress(per->ExceptionAddress)
                      << "; some APIs swallow it, the test must not";
        g_fInHandler = false;
    }
    return EXCEPTION_CONTINUE_SEARCH;
}

} // namespace

/* Traps nest: a test that provokes a fault on purpose holds a counting trap
 * inside the failing one that a guard-page run installs. */
FaultTrap::FaultTrap(bool fFailTest) : nStart_(g_nFaults), fFailOuter_(g_fFailInnermost)
{
    if (g_nTraps++ == 0)
        g_pvHandler = AddVectoredExceptionHandler(1, TrapAccessViolation);
    g_fFailInnermost = fFailTest;
}

FaultTrap::~FaultTrap()
{
    g_fFailInnermost = fFailOuter_;
    if (--g_nTraps == 0 && g_pvHandler) {
        RemoveVectoredExceptionHandler(g_pvHandler);
        g_pvHandler = nullptr;
    }
}

LONG FaultTrap::Count() const { return g_nFaults - nStart_; }

ULONG_PTR FaultTrap::LastAddress() const { return g_ulLastAddress; }

bool GuardPagesRequested()
{
    const char *psz = getenv("TB_GUARD_PAGES");
    return psz && strcmp(psz, "1") == 0;
}

} // namespace tbkit
