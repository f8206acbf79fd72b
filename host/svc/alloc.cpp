/* The host allocator: zero-filled blocks from a private heap, or, in
 * guard-page mode, each block ending against a no-access page. Every live
 * block is recorded in a side table, so both kinds mix freely and a free of
 * a pointer that is not a live block is refused and counted instead of
 * corrupting the heap. */
#include <new>
#include <unordered_map>

#include "svcint.h"

namespace {

struct BLOCKINFO {
    LPVOID pBase; /* guard blocks: the reservation; heap blocks: null */
    DWORD cb;
};

/* Each guard block costs the process two or three kernel mappings, and
 * Linux allows about 65,000 per process under Wine: past this many live
 * guard blocks, new blocks come from the heap so that a scenario with huge
 * lists still runs (unguarded beyond the limit) and Wine keeps mappings for
 * its own needs. */
const LONG kMaxGuardBlocks = 12000;

CRITICAL_SECTION g_csAlloc;
HANDLE g_hHeap;
DWORD g_cbPage = 4096;
BOOL g_fGuard;
LONG g_nCalls;
LONG g_nFailAt;   /* call number (of g_nCalls) that fails; 0 = none */
LONG g_nFailed;
LONG g_nBadFrees;
LONG g_nGuardLive;
std::unordered_map<LPVOID, BLOCKINFO> *g_pBlocks;

struct AllocGuard {
    AllocGuard() { EnterCriticalSection(&g_csAlloc); }
    ~AllocGuard() { LeaveCriticalSection(&g_csAlloc); }
    AllocGuard(const AllocGuard &) = delete;
    AllocGuard &operator=(const AllocGuard &) = delete;
};

/* A block that ends exactly at the first byte of a no-access page, so a
 * one-byte overrun faults. Its start is not aligned for odd sizes, which x86
 * tolerates and which is what makes the overrun visible. */
LPVOID TakeGuardBlock(DWORD cb, LPVOID *ppBase)
{
    SIZE_T cbData = ((SIZE_T)cb + g_cbPage - 1) / g_cbPage * g_cbPage;
    if (cbData == 0)
        cbData = g_cbPage;
    BYTE *pBase = (BYTE *)VirtualAlloc(NULL, cbData + g_cbPage, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
    if (!pBase)
        return NULL;
    DWORD dwOld;
    if (!VirtualProtect(pBase + cbData, g_cbPage, PAGE_NOACCESS, &dwOld)) {
        VirtualFree(pBase, 0, MEM_RELEASE);
        return NULL;
    }
    *ppBase = pBase;
    return pBase + cbData - cb; /* VirtualAlloc memory is already zero */
}

LPVOID TakeBlock(DWORD cb)
{
    AllocGuard lock;
    ++g_nCalls;
    if (g_nFailAt != 0 && g_nCalls == g_nFailAt) {
        g_nFailAt = 0;
        ++g_nFailed;
        return NULL;
    }
    if (!g_pBlocks) {
        g_pBlocks = new (std::nothrow) std::unordered_map<LPVOID, BLOCKINFO>();
        if (!g_pBlocks)
            return NULL;
    }
    BLOCKINFO info = {NULL, cb};
    LPVOID p;
    p = NULL;
    if (g_fGuard && g_nGuardLive < kMaxGuardBlocks)
        p = TakeGuardBlock(cb, &info.pBase);
    if (!p) {
        /* Heap mode, or no mapping left for a guard block. */
        if (!g_hHeap)
            g_hHeap = HeapCreate(0, 0, 0);
        p = g_hHeap ? HeapAlloc(g_hHeap, HEAP_ZERO_MEMORY, cb ? cb : 1) : NULL;
    }
    if (!p)
        return NULL;
    try {
        (*g_pBlocks)[p] = info;
        if (info.pBase)
            ++g_nGuardLive;
    } catch (...) {
        if (info.pBase)
            VirtualFree(info.pBase, 0, MEM_RELEASE);
        else
            HeapFree(g_hHeap, 0, p);
        return NULL;
    }
    return p;
}

} // namespace

void SvcAllocInit()
{
    InitializeCriticalSection(&g_csAlloc);
    SYSTEM_INFO si;
    GetSystemInfo(&si);
    if (si.dwPageSize)
        g_cbPage = si.dwPageSize;
}

extern "C" LPVOID WINAPI fastmalloc(DWORD cb)
{
    return TakeBlock(cb);
}

extern "C" void WINAPI fastfree(LPVOID p)
{
    if (!p)
        return;
    AllocGuard lock;
    if (!g_pBlocks) {
        ++g_nBadFrees;
        return;
    }
    auto it = g_pBlocks->find(p);
    if (it == g_pBlocks->end()) {
        /* Double free or a foreign pointer: refusing keeps the heap intact. */
        ++g_nBadFrees;
        return;
    }
    BLOCKINFO info = it->second;
    g_pBlocks->erase(it);
    if (info.pBase) {
        VirtualFree(info.pBase, 0, MEM_RELEASE);
        --g_nGuardLive;
    } else {
        HeapFree(g_hHeap, 0, p);
    }
}

extern "C" LPSTR WINAPI TB_Strdup(LPCSTR psz)
{
    if (!psz)
        return NULL;
    size_t cch = lstrlenA(psz);
    if (cch >= 0x7FFFFFFF)
        return NULL;
    LPSTR pszCopy = (LPSTR)TakeBlock((DWORD)cch + 1);
    if (pszCopy)
        CopyMemory(pszCopy, psz, cch + 1);
    return pszCopy;
}

extern "C" LONG WINAPI TBCtlOutstandingBlocks(void)
{
    AllocGuard lock;
    return g_pBlocks ? (LONG)g_pBlocks->size() : 0;
}

extern "C" LONG WINAPI TBCtlAllocationCount(void)
{
    AllocGuard lock;
    return g_nCalls;
}

extern "C" void WINAPI TBCtlResetAllocationCount(void)
{
    AllocGuard lock;
    /* A pending failure keeps its distance from now. */
    if (g_nFailAt != 0)
        g_nFailAt -= g_nCalls;
    g_nCalls = 0;
}

extern "C" void WINAPI TBCtlFailAllocation(LONG nth)
{
    AllocGuard lock;
    g_nFailAt = nth > 0 ? g_nCalls + nth : 0;
}

extern "C" LONG WINAPI TBCtlFailedAllocations(void)
{
    AllocGuard lock;
    return g_nFailed;
}

extern "C" LONG WINAPI TBCtlBadFrees(void)
{
    AllocGuard lock;
    return g_nBadFrees;
}

extern "C" void WINAPI TBCtlSetGuardPages(BOOL fOn)
{
    AllocGuard lock;
    g_fGuard = fOn;
}

extern "C" BOOL WINAPI TBCtlIsGuardBlock(LPCVOID p)
{
    AllocGuard lock;
    if (!g_pBlocks || !p)
        return FALSE;
    auto it = g_pBlocks->find(const_cast<LPVOID>(p));
    return it != g_pBlocks->end() && it->second.pBase != NULL;
}
