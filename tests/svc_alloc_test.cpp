/* The host allocator: zero fill, accounting, failure injection, guard pages. */
#include "svc_fixture.h"

namespace {

using svctest::SvcTest;

class AllocModes : public SvcTest, public ::testing::WithParamInterface<bool> {};

TEST_P(AllocModes, BlocksAreZeroFilledCountedAndGivenBack)
{
    TBCtlSetGuardPages(GetParam());
    for (DWORD cb : {1u, 13u, 4095u, 4096u, 4097u, 70000u}) {
        LONG nBefore = TBCtlOutstandingBlocks();
        BYTE *p = (BYTE *)fastmalloc(cb);
        ASSERT_NE(nullptr, p) << cb;
        EXPECT_EQ(nBefore + 1, TBCtlOutstandingBlocks());
        EXPECT_EQ(GetParam() != FALSE, TBCtlIsGuardBlock(p) != FALSE);
        DWORD nNonZero = 0;
        for (DWORD i = 0; i < cb; ++i)
            nNonZero += p[i] != 0;
        EXPECT_EQ(0u, nNonZero) << cb;
        memset(p, 0xA5, cb); /* the whole request is writable */
        fastfree(p);
        EXPECT_EQ(nBefore, TBCtlOutstandingBlocks());
    }
}

TEST_P(AllocModes, StrdupCopiesIntoACountedBlock)
{
    TBCtlSetGuardPages(GetParam());
    LONG nCalls = TBCtlAllocationCount();
    LPSTR psz = TB_Strdup("query.qry");
    ASSERT_NE(nullptr, psz);
    EXPECT_STREQ("query.qry", psz);
    EXPECT_EQ(nCalls + 1, TBCtlAllocationCount());
    EXPECT_EQ(nBlocksBefore_ + 1, TBCtlOutstandingBlocks());
    fastfree(psz);
}

INSTANTIATE_TEST_SUITE_P(HeapAndGuard, AllocModes, ::testing::Values(false, true));

TEST_F(SvcTest, FreeOfNullOrOfAFreedBlockChangesNothing)
{
    LONG nBad = TBCtlBadFrees();
    fastfree(NULL);
    EXPECT_EQ(nBad, TBCtlBadFrees());
    LPVOID p = fastmalloc(32);
    fastfree(p);
    fastfree(p); /* double free: refused, counted */
    EXPECT_EQ(nBad + 1, TBCtlBadFrees());
    EXPECT_EQ(nBlocksBefore_, TBCtlOutstandingBlocks());
}

/* The nth allocation call from now fails, whichever service makes it, and
 * only that one. */
TEST_F(SvcTest, FailureInjectionHitsTheNthCallOfEitherService)
{
    struct Case {
        int nth;
        const char *pszPattern; /* m = fastmalloc, s = TB_Strdup, in call order */
    } cases[] = {{1, "msm"}, {2, "msm"}, {3, "msm"}, {2, "ssss"}, {4, "mmms"}};
    for (const Case &c : cases) {
        LONG nFailed = TBCtlFailedAllocations();
        TBCtlFailAllocation(c.nth);
        std::vector<LPVOID> blocks;
        for (int i = 0; c.pszPattern[i]; ++i) {
            LPVOID p = c.pszPattern[i] == 'm' ? fastmalloc(8) : TB_Strdup("abc");
            EXPECT_EQ(i + 1 == c.nth, p == nullptr) << "nth " << c.nth << " call " << i + 1 << " " << c.pszPattern;
            blocks.push_back(p);
        }
        EXPECT_EQ(nFailed + 1, TBCtlFailedAllocations());
        /* Fired once, then off. */
        LPVOID pAfter = fastmalloc(8);
        EXPECT_NE(nullptr, pAfter);
        fastfree(pAfter);
        for (LPVOID p : blocks)
            fastfree(p);
        EXPECT_EQ(nBlocksBefore_, TBCtlOutstandingBlocks());
    }
}

TEST_F(SvcTest, AllocationCountIncludesFailedCallsAndResets)
{
    TBCtlResetAllocationCount();
    TBCtlFailAllocation(2);
    LPVOID p1 = fastmalloc(4);
    LPVOID p2 = fastmalloc(4);
    LPSTR p3 = TB_Strdup("x");
    EXPECT_EQ(3, TBCtlAllocationCount());
    EXPECT_EQ(nullptr, p2);
    fastfree(p1);
    fastfree(p3);
    EXPECT_EQ(3, TBCtlAllocationCount()); /* frees are not allocations */
    TBCtlResetAllocationCount();
    EXPECT_EQ(0, TBCtlAllocationCount());
}

/* A pending failure keeps counting from when it was set, across a reset. */
TEST_F(SvcTest, ResetKeepsAPendingFailureInPlace)
{
    TBCtlFailAllocation(3);
    LPVOID p1 = fastmalloc(4);
    TBCtlResetAllocationCount();
    LPVOID p2 = fastmalloc(4);
    LPVOID p3 = fastmalloc(4);
    EXPECT_NE(nullptr, p2);
    EXPECT_EQ(nullptr, p3);
    fastfree(p1);
    fastfree(p2);
}

/* ---- guard pages ---- */

volatile ULONG_PTR g_faultAddress;
volatile LONG g_nFaults;

LONG CALLBACK RecordAccessViolation(EXCEPTION_POINTERS *pep)
{
    if (pep->ExceptionRecord->ExceptionCode != EXCEPTION_ACCESS_VIOLATION)
        return EXCEPTION_CONTINUE_SEARCH;
    ULONG_PTR addr = pep->ExceptionRecord->ExceptionInformation[1];
    g_faultAddress = addr;
    g_nFaults = g_nFaults + 1;
    /* Open the page so the faulting write completes when it runs again. */
    DWORD dwOld;
    if (!VirtualProtect((LPVOID)addr, 1, PAGE_READWRITE, &dwOld))
        return EXCEPTION_CONTINUE_SEARCH;
    return EXCEPTION_CONTINUE_EXECUTION;
}

TEST_F(SvcTest, GuardBlockEndsAgainstANoAccessPageAndAOneByteOverrunFaults)
{
#ifndef _WIN64
    /* The i686 run is under user-mode emulation, where the overrun reaches
     * Wine as an illegal instruction that no vectored handler can resume. */
    const char *pszEmulated = getenv("TB_EMULATED");
    if (pszEmulated && strcmp(pszEmulated, "1") == 0)
        GTEST_SKIP() << "under user-mode emulation a page fault arrives as an illegal instruction";
#endif
    TBCtlSetGuardPages(TRUE);
    PVOID hVeh = AddVectoredExceptionHandler(1, RecordAccessViolation);
    ASSERT_NE(nullptr, hVeh);
    for (DWORD cb : {1u, 7u, 260u, 4096u, 5000u}) {
        volatile BYTE *p = (volatile BYTE *)fastmalloc(cb);
        ASSERT_NE(nullptr, p);
        MEMORY_BASIC_INFORMATION mbi;
        ASSERT_NE(0u, VirtualQuery((LPCVOID)(p + cb), &mbi, sizeof(mbi)));
        EXPECT_EQ((DWORD)PAGE_NOACCESS, mbi.Protect) << cb;
        g_nFaults = 0;
        p[cb - 1] = 1; /* the last byte is fine */
        EXPECT_EQ(0, g_nFaults);
        p[cb] = 1; /* one past the end */
        EXPECT_EQ(1, g_nFaults) << cb;
        EXPECT_EQ((ULONG_PTR)(p + cb), g_faultAddress);
        fastfree((LPVOID)p);
        /* The whole reservation goes back. */
        ASSERT_NE(0u, VirtualQuery((LPCVOID)p, &mbi, sizeof(mbi)));
        EXPECT_EQ((DWORD)MEM_FREE, mbi.State);
    }
    RemoveVectoredExceptionHandler(hVeh);
}

/* Blocks remember their kind: switching modes with blocks alive is fine. */
TEST_F(SvcTest, GuardAndHeapBlocksMixAcrossModeSwitches)
{
    LONG nBad = TBCtlBadFrees();
    LPVOID pHeap = fastmalloc(40);
    TBCtlSetGuardPages(TRUE);
    LPVOID pGuard = fastmalloc(40);
    LPSTR pszGuard = TB_Strdup("guarded");
    EXPECT_FALSE(TBCtlIsGuardBlock(pHeap));
    EXPECT_TRUE(TBCtlIsGuardBlock(pGuard));
    EXPECT_TRUE(TBCtlIsGuardBlock(pszGuard));
    fastfree(pHeap); /* a heap block freed in guard mode */
    TBCtlSetGuardPages(FALSE);
    fastfree(pGuard); /* a guard block freed in heap mode */
    fastfree(pszGuard);
    EXPECT_EQ(nBlocksBefore_, TBCtlOutstandingBlocks());
    EXPECT_EQ(nBad, TBCtlBadFrees());
}

/* Huge lists in guard mode: the mapping limit never turns into failed
 * allocations; the first blocks are guarded, the ones past the limit not. */
TEST_F(SvcTest, GuardModeNeverFailsForLackOfMappings)
{
    TBCtlSetGuardPages(TRUE);
    std::vector<LPVOID> blocks;
    for (int i = 0; i < 40000; ++i) {
        LPVOID p = fastmalloc(24);
        if (!p)
            break;
        blocks.push_back(p);
    }
    EXPECT_EQ(40000u, blocks.size());
    ASSERT_FALSE(blocks.empty());
    EXPECT_TRUE(TBCtlIsGuardBlock(blocks.front()));
    EXPECT_FALSE(TBCtlIsGuardBlock(blocks.back()));
    for (LPVOID p : blocks)
        fastfree(p);
    /* Freed guard blocks make room for new ones. */
    LPVOID p = fastmalloc(24);
    EXPECT_TRUE(TBCtlIsGuardBlock(p));
    fastfree(p);
}

} // namespace
