/* Allocator checks: leak scope, allocation-failure sweeps, fault trap. */
#include "tbkit.h"

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
LONG g_nFailTraps;
volatile LONG g_nFaults;
volatile ULONG_PTR g_ulLastAddress;
bool g_fInHandler;

LONG CALLBACK TrapAccessViolation(EXCEPTION_POINTERS *pep)
{
    const EXCEPTION_RECORD *per = pep->ExceptionRecord;
    if (per->ExceptionCode != EXCEPTION_ACCESS_VIOLATION)
        return EXCEPTION_CONTINUE_SEARCH;
    ULONG_PTR ulAddress = per->NumberParameters >= 2 ? per->ExceptionInformation[1] : 0;
    InterlockedIncrement(&g_nFaults);
    g_ulLastAddress = ulAddress;
    if (g_nFailTraps > 0 && !g_fInHandler) {
        g_fInHandler = true;
        ADD_FAILURE() << "access violation (" << (per->NumberParameters >= 1 && per->ExceptionInformation[0] ? "write" : "read")
                      << " of " << reinterpret_cast<void *>(ulAddress) << ") at "
                      << per->ExceptionAddress << "; some APIs swallow it, the test must not";
        g_fInHandler = false;
    }
    return EXCEPTION_CONTINUE_SEARCH;
}

} // namespace

FaultTrap::FaultTrap(bool fFailTest) : nStart_(g_nFaults), fFailTest_(fFailTest)
{
    if (g_nTraps++ == 0)
        g_pvHandler = AddVectoredExceptionHandler(1, TrapAccessViolation);
    if (fFailTest)
        g_nFailTraps++;
}

FaultTrap::~FaultTrap()
{
    if (fFailTest_)
        g_nFailTraps--;
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
