/* The file list model: a ring of FILENODEs sorted by lstrcmpiA, rebuilt whole
 * by RefreshFileList, plus the file pane's scroll ranges.
 *
 * Every entry is linked into the ring in sorted position as it arrives, with
 * exactly the result of a walk from the head (a name equal to names already
 * there goes in front of them; the second entry goes behind an equal first).
 * During a refresh an ordered index (a treap over precomputed sort keys) finds
 * that position in logarithmic time; whenever the index cannot be built or
 * grown the plain walk takes over, so entries are never lost for its sake. */
#include "viewer.h"

#include <strsafe.h>

/* ---- the insertion index ---------------------------------------------- */

#define IX_CHUNKSHIFT 12
#define IX_CHUNK (1 << IX_CHUNKSHIFT)   /* items per chunk */
#define IX_ARENA (64 * 1024)            /* bytes per key arena block */
#define IX_MAXPATH 128                  /* rotations are skipped below this depth */
#define IX_KEYBUF 1024                  /* stack buffer for one sort key */
#define IX_EXTCACHE 8
#define IX_EXTMAX 15
#define IX_NONE (-1)

struct IXITEM {
    FILENODE *pNode;
    const BYTE *pbKey;
    DWORD cbKey;
    DWORD uPrio;
    LONG iLeft;
    LONG iRight;
};

struct EXTCACHE {
    CHAR szExt[IX_EXTMAX + 1];
    LONG nKind;
};

struct INSERTINDEX {
    IXITEM **ppChunks;    /* fastmalloc'ed table of fastmalloc'ed chunks */
    LONG cChunks;
    LONG cChunksMax;
    LONG nItems;
    LONG iRoot;
    LONG iMax;            /* item of the ring's last entry */
    BYTE *pbArena;        /* current key block; its first bytes link the previous one */
    DWORD cbArenaUsed;
    DWORD cbArenaSize;
    DWORD uSeed;
    LCID lcid;
    LONG nExts;           /* extension -> kind answers of this refresh */
    LONG iExtNext;
    EXTCACHE aExts[IX_EXTCACHE];
};

struct ARENAHDR {
    BYTE *pbPrev;
};

static inline IXITEM *IxItem(INSERTINDEX *pix, LONG i)
{
    return &pix->ppChunks[i >> IX_CHUNKSHIFT][i & (IX_CHUNK - 1)];
}

/* A fresh index, or null when the host has no memory for one or the sort keys
 * cannot be trusted to order as lstrcmpiA does (it compares in the thread's
 * locale; a key of another locale could order differently). */
static INSERTINDEX *CreateInsertIndex()
{
    LCID lcid = GetThreadLocale();
    if (lcid != GetUserDefaultLCID())
        return NULL;
    INSERTINDEX *pix = (INSERTINDEX *)fastmalloc(sizeof(INSERTINDEX));
    if (!pix)
        return NULL;
    pix->iRoot = IX_NONE;
    pix->iMax = IX_NONE;
    pix->uSeed = 0x9E3779B9u;
    pix->lcid = lcid;
    return pix;
}

static void DestroyInsertIndex(INSERTINDEX *pix)
{
    if (!pix)
        return;
    for (LONG i = 0; i < pix->cChunks; i++)
        fastfree(pix->ppChunks[i]);
    fastfree(pix->ppChunks);
    BYTE *pb = pix->pbArena;
    while (pb) {
        BYTE *pbPrev = ((ARENAHDR *)pb)->pbPrev;
        fastfree(pb);
        pb = pbPrev;
    }
    fastfree(pix);
}

/* Gives the index back; later insertions of this refresh walk the ring. */
static void DropInsertIndex(FILEVIEWINFO *pfvi)
{
    DestroyInsertIndex(pfvi->pInsertIndex);
    pfvi->pInsertIndex = NULL;
}

/* Room for one more item; FALSE when the host has no memory for it. */
static BOOL ReserveItem(INSERTINDEX *pix)
{
    if (pix->nItems < pix->cChunks * IX_CHUNK)
        return TRUE;
    if (pix->nItems >= 0x7FFFFFFF - IX_CHUNK)
        return FALSE;
    if (pix->cChunks == pix->cChunksMax) {
        LONG cMax = pix->cChunksMax ? pix->cChunksMax * 2 : 16;
        IXITEM **pp = (IXITEM **)fastmalloc((DWORD)(cMax * sizeof(IXITEM *)));
        if (!pp)
            return FALSE;
        if (pix->cChunks)
            CopyMemory(pp, pix->ppChunks, pix->cChunks * sizeof(IXITEM *));
        fastfree(pix->ppChunks);
        pix->ppChunks = pp;
        pix->cChunksMax = cMax;
    }
    IXITEM *pChunk = (IXITEM *)fastmalloc(IX_CHUNK * sizeof(IXITEM));
    if (!pChunk)
        return FALSE;
    pix->ppChunks[pix->cChunks++] = pChunk;
    return TRUE;
}

/* A copy of the key in the index's arena, or null without memory. */
static const BYTE *StoreKey(INSERTINDEX *pix, const BYTE *pbKey, DWORD cbKey)
{
    if (!pix->pbArena || pix->cbArenaSize - pix->cbArenaUsed < cbKey) {
        DWORD cbBlock = IX_ARENA;
        if (cbKey > IX_ARENA - sizeof(ARENAHDR))
            cbBlock = cbKey + sizeof(ARENAHDR);
        BYTE *pb = (BYTE *)fastmalloc(cbBlock);
        if (!pb)
            return NULL;
        ((ARENAHDR *)pb)->pbPrev = pix->pbArena;
        pix->pbArena = pb;
        pix->cbArenaUsed = sizeof(ARENAHDR);
        pix->cbArenaSize = cbBlock;
    }
    BYTE *pbCopy = pix->pbArena + pix->cbArenaUsed;
    CopyMemory(pbCopy, pbKey, cbKey);
    pix->cbArenaUsed += cbKey;
    return pbCopy;
}

/* The sort key of a name: in pbBuf when it fits, else in a new block that
 * *ppbAlloc receives (the caller frees it). 0 when there is no key. */
static DWORD MakeSortKey(LCID lcid, LPCSTR pszName, BYTE *pbBuf, DWORD cbBuf, BYTE **ppbAlloc)
{
    *ppbAlloc = NULL;
    int cb = LCMapStringA(lcid, LCMAP_SORTKEY | NORM_IGNORECASE, pszName, -1, (LPSTR)pbBuf, (int)cbBuf);
    if (cb > 0)
        return (DWORD)cb;
    if (GetLastError() != ERROR_INSUFFICIENT_BUFFER)
        return 0;
    cb = LCMapStringA(lcid, LCMAP_SORTKEY | NORM_IGNORECASE, pszName, -1, NULL, 0);
    if (cb <= 0)
        return 0;
    BYTE *pb = (BYTE *)fastmalloc((DWORD)cb);
    if (!pb)
        return 0;
    cb = LCMapStringA(lcid, LCMAP_SORTKEY | NORM_IGNORECASE, pszName, -1, (LPSTR)pb, cb);
    if (cb <= 0) {
        fastfree(pb);
        return 0;
    }
    *ppbAlloc = pb;
    return (DWORD)cb;
}

static int CompareKeys(const BYTE *pbA, DWORD cbA, const BYTE *pbB, DWORD cbB)
{
    int c = memcmp(pbA, pbB, cbA < cbB ? cbA : cbB);
    if (c == 0)
        c = cbA < cbB ? -1 : (cbA > cbB ? 1 : 0);
    return c;
}

/* A key of its own for the item, made on first use: names that arrive in
 * order never need one. FALSE without memory. */
static BOOL EnsureItemKey(INSERTINDEX *pix, IXITEM *pItem)
{
    if (pItem->pbKey)
        return TRUE;
    BYTE abKey[IX_KEYBUF];
    BYTE *pbAlloc;
    DWORD cbKey = MakeSortKey(pix->lcid, pItem->pNode->pszName, abKey, sizeof(abKey), &pbAlloc);
    const BYTE *pbKey = cbKey ? StoreKey(pix, pbAlloc ? pbAlloc : abKey, cbKey) : NULL;
    fastfree(pbAlloc);
    if (!pbKey)
        return FALSE;
    pItem->pbKey = pbKey;
    pItem->cbKey = cbKey;
    return TRUE;
}

/* *pc = the sign of lstrcmpiA(name, item's name), from the keys; equal keys
 * ask lstrcmpiA itself, so a tie is a tie exactly when lstrcmpiA says so.
 * FALSE when the item's key cannot be made. */
static BOOL CompareWithItem(INSERTINDEX *pix, LPCSTR pszName, const BYTE *pbKey, DWORD cbKey, IXITEM *pItem,
                            int *pc)
{
    if (!EnsureItemKey(pix, pItem))
        return FALSE;
    int c = CompareKeys(pbKey, cbKey, pItem->pbKey, pItem->cbKey);
    if (c == 0)
        c = lstrcmpiA(pszName, pItem->pNode->pszName);
    *pc = c;
    return TRUE;
}

/* Links pNode into the ring in front of pBefore, or at the end when pBefore
 * is null; a node put in front of the first becomes the first. */
static void LinkBefore(FILEVIEWINFO *pfvi, FILENODE *pNode, FILENODE *pBefore)
{
    FILENODE *pFirst = pfvi->pFirst;
    FILENODE *pAt = pBefore ? pBefore : pFirst;
    if (!pFirst->pNext) {
        /* one entry: the two point at each other with both links */
        pFirst->pNext = pFirst->pPrev = pNode;
        pNode->pNext = pNode->pPrev = pFirst;
    } else {
        pNode->pNext = pAt;
        pNode->pPrev = pAt->pPrev;
        pAt->pPrev->pNext = pNode;
        pAt->pPrev = pNode;
    }
    if (pBefore == pFirst)
        pfvi->pFirst = pNode;
    pfvi->nFiles++;
}

/* Inserts pNode (its name already copied) through the index. FALSE when the
 * index cannot take it; the ring is then untouched. */
static BOOL IndexInsert(FILEVIEWINFO *pfvi, INSERTINDEX *pix, FILENODE *pNode)
{
    if (pix->nItems != pfvi->nFiles)
        return FALSE; /* the ring changed behind the index's back */
    if (!ReserveItem(pix))
        return FALSE;

    LPCSTR pszName = pNode->pszName;
    const BYTE *pbKey = NULL;
    DWORD cbKey = 0;
    LONG aPath[IX_MAXPATH];
    BYTE aLeft[IX_MAXPATH];
    int nPath = 0;
    BOOL fPathFull = FALSE;
    LONG iParent = IX_NONE;
    BOOL fLeftOfParent = FALSE;
    LONG iSucc = IX_NONE; /* the entry the new one goes in front of; none = the end */

    if (pix->nItems == 1) {
        /* the second entry goes in front of the first only when below it */
        iParent = pix->iRoot;
        fLeftOfParent = lstrcmpiA(pszName, IxItem(pix, iParent)->pNode->pszName) < 0;
        if (fLeftOfParent)
            iSucc = iParent;
        aPath[0] = iParent;
        aLeft[0] = (BYTE)fLeftOfParent;
        nPath = 1;
    } else if (pix->nItems > 1) {
        /* Names mostly arrive in order: one lstrcmpiA with the last entry
         * sends those down the right spine, with no key and no comparison. */
        BOOL fPastEnd = lstrcmpiA(pszName, IxItem(pix, pix->iMax)->pNode->pszName) > 0;
        if (!fPastEnd) {
            BYTE abKey[IX_KEYBUF];
            BYTE *pbAlloc;
            cbKey = MakeSortKey(pix->lcid, pszName, abKey, sizeof(abKey), &pbAlloc);
            pbKey = cbKey ? StoreKey(pix, pbAlloc ? pbAlloc : abKey, cbKey) : NULL;
            fastfree(pbAlloc);
            if (!pbKey)
                return FALSE;
        }
        for (LONG i = pix->iRoot; i != IX_NONE;) {
            IXITEM *pItem = IxItem(pix, i);
            int c = 1;
            if (!fPastEnd && !CompareWithItem(pix, pszName, pbKey, cbKey, pItem, &c))
                return FALSE;
            BOOL fLeft = c <= 0;
            if (fLeft)
                iSucc = i;
            if (nPath < IX_MAXPATH) {
                aPath[nPath] = i;
                aLeft[nPath] = (BYTE)fLeft;
                nPath++;
            } else {
                fPathFull = TRUE;
            }
            iParent = i;
            fLeftOfParent = fLeft;
            i = fLeft ? pItem->iLeft : pItem->iRight;
        }
    }

    LONG iNew = pix->nItems++;
    IXITEM *pNew = IxItem(pix, iNew);
    pNew->pNode = pNode;
    pNew->pbKey = pbKey;
    pNew->cbKey = cbKey;
    pix->uSeed ^= pix->uSeed << 13;
    pix->uSeed ^= pix->uSeed >> 17;
    pix->uSeed ^= pix->uSeed << 5;
    pNew->uPrio = pix->uSeed;
    pNew->iLeft = pNew->iRight = IX_NONE;
    if (iParent == IX_NONE)
        pix->iRoot = iNew;
    else if (fLeftOfParent)
        IxItem(pix, iParent)->iLeft = iNew;
    else
        IxItem(pix, iParent)->iRight = iNew;

    /* Treap: rotate the new item up while it outranks its parent. A path too
     * deep to have been recorded only costs balance, never order. */
    while (!fPathFull && nPath > 0 && IxItem(pix, aPath[nPath - 1])->uPrio < pNew->uPrio) {
        IXITEM *pParent = IxItem(pix, aPath[nPath - 1]);
        if (aLeft[nPath - 1]) {
            pParent->iLeft = pNew->iRight;
            pNew->iRight = aPath[nPath - 1];
        } else {
            pParent->iRight = pNew->iLeft;
            pNew->iLeft = aPath[nPath - 1];
        }
        nPath--;
        if (nPath == 0)
            pix->iRoot = iNew;
        else if (aLeft[nPath - 1])
            IxItem(pix, aPath[nPath - 1])->iLeft = iNew;
        else
            IxItem(pix, aPath[nPath - 1])->iRight = iNew;
    }

    if (pix->nItems == 1) {
        pNode->pNext = pNode->pPrev = NULL;
        pfvi->pFirst = pNode;
        pfvi->nFiles = 1;
        pfvi->cxFileExtent = 0;
    } else {
        LinkBefore(pfvi, pNode, iSucc == IX_NONE ? NULL : IxItem(pix, iSucc)->pNode);
    }
    if (iSucc == IX_NONE)
        pix->iMax = iNew;
    return TRUE;
}

/* Looks below item i for entries whose key equals pbKey and whose name
 * equals pszName exactly; keeps in *ppMatch the one latest in the list.
 * FALSE when a key cannot be made. */
static BOOL FindExactInTree(INSERTINDEX *pix, LONG i, LPCSTR pszName, const BYTE *pbKey, DWORD cbKey,
                            FILENODE **ppMatch)
{
    while (i != IX_NONE) {
        IXITEM *pItem = IxItem(pix, i);
        if (!EnsureItemKey(pix, pItem))
            return FALSE;
        int c = CompareKeys(pbKey, cbKey, pItem->pbKey, pItem->cbKey);
        if (c < 0) {
            i = pItem->iLeft;
        } else if (c > 0) {
            i = pItem->iRight;
        } else {
            if (lstrcmpA(pszName, pItem->pNode->pszName) == 0 &&
                (!*ppMatch || (*ppMatch)->nPos < pItem->pNode->nPos))
                *ppMatch = pItem->pNode;
            if (!FindExactInTree(pix, pItem->iLeft, pszName, pbKey, cbKey, ppMatch))
                return FALSE;
            i = pItem->iRight;
        }
    }
    return TRUE;
}

/* The last entry (by nPos) whose name equals pszName case-sensitively, found
 * through the index; FALSE when the index cannot answer. */
static BOOL FindExactName(INSERTINDEX *pix, LPCSTR pszName, FILENODE **ppMatch)
{
    *ppMatch = NULL;
    BYTE abKey[IX_KEYBUF];
    BYTE *pbAlloc;
    DWORD cbKey = MakeSortKey(pix->lcid, pszName, abKey, sizeof(abKey), &pbAlloc);
    if (!cbKey)
        return FALSE;
    BOOL fOk = FindExactInTree(pix, pix->iRoot, pszName, pbAlloc ? pbAlloc : abKey, cbKey, ppMatch);
    fastfree(pbAlloc);
    return fOk;
}

/* The walk from the head: the literal insertion rule, used without index. */
static void WalkInsert(FILEVIEWINFO *pfvi, FILENODE *pNode)
{
    FILENODE *pFirst = pfvi->pFirst;
    if (!pFirst) {
        pNode->pNext = pNode->pPrev = NULL;
        pfvi->pFirst = pNode;
        pfvi->nFiles = 1;
        pfvi->cxFileExtent = 0;
        return;
    }
    if (!pFirst->pNext) {
        LinkBefore(pfvi, pNode, lstrcmpiA(pNode->pszName, pFirst->pszName) < 0 ? pFirst : NULL);
        return;
    }
    FILENODE *pAt = pFirst;
    while (pAt->pNext != pFirst && lstrcmpiA(pNode->pszName, pAt->pszName) > 0)
        pAt = pAt->pNext;
    if (pAt->pNext == pFirst && lstrcmpiA(pNode->pszName, pAt->pszName) > 0)
        pAt = NULL; /* behind the last entry */
    LinkBefore(pfvi, pNode, pAt);
}

/* ---- entries ------------------------------------------------------------ */

/* Constructs pNode for pszName and links it in sorted position. Answers
 * pNode, or null (nothing linked) when the name cannot be copied. */
FILENODE *InsertFileNode(FILENODE *pNode, FILEVIEWINFO *pfvi, LPCSTR pszName)
{
    if (!pNode || !pfvi || !pszName)
        return NULL;
    size_t cch = lstrlenA(pszName);
    if (cch >= 0x7FFFFFFE)
        return NULL;
    pNode->pszName = (LPSTR)fastmalloc((DWORD)cch + 1);
    if (!pNode->pszName)
        return NULL;
    CopyMemory(pNode->pszName, pszName, cch + 1);
    pNode->nPos = 0;

    if (pfvi->pInsertIndex && !IndexInsert(pfvi, pfvi->pInsertIndex, pNode))
        DropInsertIndex(pfvi);
    if (!pfvi->pInsertIndex)
        WalkInsert(pfvi, pNode);
    pNode->nKind = FileKindOf(pfvi, pszName);
    return pNode;
}

LONG WINAPI AddFileCallback(LPVOID pContext, LPCSTR pszName)
{
    FILEVIEWINFO *pfvi = (FILEVIEWINFO *)pContext;
    if (!pfvi || !pszName)
        return 0;
    FILENODE *pNode = (FILENODE *)fastmalloc(sizeof(FILENODE));
    if (pNode && !InsertFileNode(pNode, pfvi, pszName))
        fastfree(pNode); /* no memory for the name: the file is skipped */
    return 0;
}

static LONG KindOfExtension(const FILEVIEWINFO *pfvi, LPCSTR pszExt)
{
    for (int i = 0; i < FV_NEXTS; i++) {
        if (lstrcmpiA(pszExt, pfvi->aExtKinds[i].szExt) == 0)
            return pfvi->aExtKinds[i].nKind;
    }
    return 0;
}

/* Document kind 0-9 of a name from the extension table; a server path is
 * looked up as "DB". */
LONG FileKindOf(FILEVIEWINFO *pfvi, LPCSTR pszName)
{
    if (!pfvi || !pszName)
        return 0;
    LPCSTR pszExt = TBMisServerPath(pfvi->hSession, pszName) ? "DB" : GetExtension(pszName);
    if (!pszExt || !*pszExt)
        return 0;
    /* Nineteen lstrcmpiA calls cost more than listing the file: during a
     * refresh, answers are remembered per exact extension text. */
    INSERTINDEX *pix = pfvi->pInsertIndex;
    size_t cch = lstrlenA(pszExt);
    if (!pix || cch > IX_EXTMAX)
        return KindOfExtension(pfvi, pszExt);
    for (LONG i = 0; i < pix->nExts; i++) {
        if (memcmp(pix->aExts[i].szExt, pszExt, cch + 1) == 0)
            return pix->aExts[i].nKind;
    }
    LONG nKind = KindOfExtension(pfvi, pszExt);
    EXTCACHE *pEntry = &pix->aExts[pix->iExtNext];
    CopyMemory(pEntry->szExt, pszExt, cch + 1);
    pEntry->nKind = nKind;
    pix->iExtNext = (pix->iExtNext + 1) % IX_EXTCACHE;
    if (pix->nExts < IX_EXTCACHE)
        pix->nExts++;
    return nKind;
}

/* Moves the run of names that begin with ':' behind all others. */
void MoveColonNamesLast(FILENODE *pFirst, FILEVIEWINFO *pfvi)
{
    if (!pFirst || !pFirst->pPrev || !pfvi)
        return;
    FILENODE *pLast = pFirst->pPrev;
    FILENODE *pRunFirst = pFirst;
    while (pRunFirst->pszName[0] != ':') {
        if (pRunFirst == pLast)
            return;
        pRunFirst = pRunFirst->pNext;
    }
    FILENODE *pRunLast = pLast;
    while (pRunLast->pszName[0] != ':')
        pRunLast = pRunLast->pPrev;
    if (pRunLast == pLast)
        return;
    if (pRunFirst == pFirst) {
        pfvi->pFirst = pRunLast->pNext; /* turning the ring is enough */
        return;
    }
    FILENODE *pBefore = pRunFirst->pPrev;
    FILENODE *pAfter = pRunLast->pNext;
    pBefore->pNext = pAfter;
    pAfter->pPrev = pBefore;
    pLast = pFirst->pPrev;
    pLast->pNext = pRunFirst;
    pRunFirst->pPrev = pLast;
    pRunLast->pNext = pFirst;
    pFirst->pPrev = pRunLast;
}

void NumberFileNodes(FILENODE *pFirst)
{
    LONG nPos = 1;
    FILENODE *pNode = pFirst;
    while (pNode) {
        pNode->nPos = nPos++;
        pNode = pNode->pNext;
        if (pNode == pFirst)
            break;
    }
}

/* Destructor of an entry: frees its name and takes it out of the ring.
 * Bit 0 of fFlags also frees the entry. pFirst is the caller's business. */
void UnlinkFileNode(FILENODE *pNode, UINT fFlags)
{
    if (!pNode)
        return;
    fastfree(pNode->pszName);
    pNode->pszName = NULL;
    if (pNode->pNext) {
        if (pNode->pNext == pNode->pPrev) {
            FILENODE *pOther = pNode->pNext;
            pOther->pNext = pOther->pPrev = NULL;
        } else {
            pNode->pPrev->pNext = pNode->pNext;
            pNode->pNext->pPrev = pNode->pPrev;
        }
    }
    if (fFlags & 1)
        fastfree(pNode);
}

void FreeFileList(FILENODE *pFirst)
{
    if (!pFirst)
        return;
    while (pFirst->pNext)
        UnlinkFileNode(pFirst->pNext, 1);
    UnlinkFileNode(pFirst, 1);
}

/* Scroll position of an entry: nPos / nScrollDiv - 1. */
int ScrollPosOf(const FILEVIEWINFO *pfvi, const FILENODE *pNode)
{
    if (!pfvi || !pNode)
        return 0;
    LONG nDiv = pfvi->nScrollDiv > 0 ? pfvi->nScrollDiv : 1;
    return (int)(pNode->nPos / nDiv - 1);
}

/* Under Wine a scroll bar set "with redraw" is painted on the spot, at tens
 * of milliseconds per call. The pane's bars are set without redraw and only
 * the bar that changed is invalidated, so it is painted once, with the
 * pane's next paint (at the latest the UpdateWindow of the caller). */
static void InvalidateScrollBar(HWND hwnd, int nBar)
{
    RECT rc;
    GetClientRect(hwnd, &rc);
    if (nBar == SB_VERT) {
        rc.left = rc.right;
        rc.right += GetSystemMetrics(SM_CXVSCROLL);
    } else {
        rc.top = rc.bottom;
        rc.bottom += GetSystemMetrics(SM_CYHSCROLL);
    }
    RedrawWindow(hwnd, &rc, NULL, RDW_INVALIDATE | RDW_FRAME | RDW_NOERASE);
}

void SetPaneScrollPos(HWND hwnd, int nBar, int nPos)
{
    int nOld = GetScrollPos(hwnd, nBar);
    SetScrollPos(hwnd, nBar, nPos, FALSE);
    if (GetScrollPos(hwnd, nBar) != nOld)
        InvalidateScrollBar(hwnd, nBar);
}

void SetPaneScrollRange(HWND hwnd, int nBar, int nMax)
{
    int nMinOld = 0, nMaxOld = 0;
    GetScrollRange(hwnd, nBar, &nMinOld, &nMaxOld);
    if (nMinOld == 0 && nMaxOld == nMax)
        return;
    SetScrollRange(hwnd, nBar, 0, nMax, FALSE);
    InvalidateScrollBar(hwnd, nBar);
}

/* Scroll ranges for a client area of LOWORD(dwSize) x HIWORD(dwSize). */
void SizeFilePane(FILEVIEWINFO *pfvi, DWORD dwSize)
{
    if (!pfvi || !pfvi->hwndFileList)
        return;
    UINT cx = LOWORD(dwSize);
    UINT cy = HIWORD(dwSize);
    HWND hwnd = pfvi->hwndFileList;
    pfvi->nRowsVisible = pfvi->cyFileRow ? (LONG)(cy / pfvi->cyFileRow) : 0;
    if (cx < pfvi->cxFileExtent) {
        SetPaneScrollRange(hwnd, SB_HORZ, (int)(pfvi->cxFileExtent - cx));
        pfvi->fHScroll = TRUE;
    } else {
        SetPaneScrollRange(hwnd, SB_HORZ, 0);
        pfvi->fHScroll = FALSE;
    }
    LONG nDiv = pfvi->nScrollDiv > 0 ? pfvi->nScrollDiv : 1;
    if ((ULONGLONG)(pfvi->nFiles > 0 ? pfvi->nFiles : 0) * pfvi->cyFileRow > cy) {
        SetPaneScrollRange(hwnd, SB_VERT, (int)(pfvi->nFiles / nDiv - 1));
        pfvi->fVScroll = TRUE;
    } else {
        SetPaneScrollRange(hwnd, SB_VERT, 0);
        pfvi->fVScroll = FALSE;
        pfvi->pTop = pfvi->pFirst;
    }
}

/* ---- the refresh -------------------------------------------------------- */

static void GatherReferences(FILEVIEWINFO *pfvi, LONG nKindFilter)
{
    REFERENCEINFO *pRef = (REFERENCEINFO *)SendMessageA(pfvi->hwndDesktop, TBM_NEXTREFERENCE, 0, 0);
    while (pRef) {
        if (pRef->fInclude && (nKindFilter == 0 || nKindFilter == pRef->nKind)) {
            /* The record's name field is 532 bytes; never read past it. */
            CHAR szName[sizeof(pRef->szName)];
            lstrcpynA(szName, pRef->szName, sizeof(szName));
            FILENODE *pNode = (FILENODE *)fastmalloc(sizeof(FILENODE));
            if (pNode && !InsertFileNode(pNode, pfvi, szName))
                fastfree(pNode);
        }
        pRef = (REFERENCEINFO *)SendMessageA(pfvi->hwndDesktop, TBM_NEXTREFERENCE, 0, (LPARAM)pRef);
    }
}

static void SetEmptyPane(FILEVIEWINFO *pfvi)
{
    pfvi->cxFileExtent = 0;
    if (pfvi->hwndFileList) {
        SetPaneScrollRange(pfvi->hwndFileList, SB_HORZ, 0);
        SetPaneScrollRange(pfvi->hwndFileList, SB_VERT, 0);
    }
    pfvi->fHScroll = FALSE;
    pfvi->fVScroll = FALSE;
}

/* Numbers the finished list, measures every name once, fills ppIndex and
 * finds the kept selection and first visible entry again by exact name. */
static void FinishList(FILEVIEWINFO *pfvi, LPCSTR pszKeptTop, LPCSTR pszKeptSel)
{
    MoveColonNamesLast(pfvi->pFirst, pfvi);
    NumberFileNodes(pfvi->pFirst);
    if (pfvi->nFiles <= FV_MAXINDEX)
        pfvi->ppIndex = (FILENODE **)fastmalloc((DWORD)(pfvi->nFiles * sizeof(FILENODE *)));

    FILENODE *pTopMatch = NULL;
    FILENODE *pSelMatch = NULL;
    BOOL fFound = FALSE;
    INSERTINDEX *pix = pfvi->pInsertIndex;
    if (pix && pix->nItems == pfvi->nFiles) {
        fFound = (!pszKeptTop || FindExactName(pix, pszKeptTop, &pTopMatch)) &&
                 (!pszKeptSel || FindExactName(pix, pszKeptSel, &pSelMatch));
    }
    BOOL fWalkMatch = !fFound && (pszKeptTop || pszKeptSel);
    if (fWalkMatch)
        pTopMatch = pSelMatch = NULL;

    HDC hdc = GetDC(pfvi->hwndFileList);
    HFONT hfontOld = hdc && pfvi->hFont ? (HFONT)SelectObject(hdc, pfvi->hFont) : NULL;
    pfvi->pTop = pfvi->pFirst;
    FILENODE *pNode = pfvi->pFirst;
    for (LONG i = 0; i < pfvi->nFiles && pNode; i++) {
        SIZE size;
        if (hdc && GetTextExtentPoint32A(hdc, pNode->pszName, lstrlenA(pNode->pszName), &size) &&
            (UINT)size.cx + 6 > pfvi->cxFileExtent)
            pfvi->cxFileExtent = (UINT)size.cx + 6;
        if (pfvi->ppIndex)
            pfvi->ppIndex[i] = pNode;
        if (fWalkMatch) {
            if (pszKeptSel && lstrcmpA(pNode->pszName, pszKeptSel) == 0)
                pSelMatch = pNode;
            if (pszKeptTop && lstrcmpA(pNode->pszName, pszKeptTop) == 0)
                pTopMatch = pNode;
        }
        pNode = pNode->pNext;
    }
    if (pSelMatch)
        pfvi->pSel = pSelMatch;
    if (pTopMatch)
        pfvi->pTop = pTopMatch;
    pfvi->nScrollDiv = pfvi->nFiles <= 32767 ? 1 : pfvi->nFiles / 32768 + 1;
    if (hdc) {
        if (hfontOld)
            SelectObject(hdc, hfontOld);
        ReleaseDC(pfvi->hwndFileList, hdc);
    }
    pfvi->cxFileExtent += pfvi->cxIcon;

    if (pfvi->hwndFileList) {
        RECT rc;
        GetClientRect(pfvi->hwndFileList, &rc);
        SizeFilePane(pfvi, MAKELONG(rc.right, rc.bottom));
        /* After the ranges: a position set against the old list's range
         * would be clipped to it. */
        SetPaneScrollPos(pfvi->hwndFileList, SB_HORZ, 0);
        SetPaneScrollPos(pfvi->hwndFileList, SB_VERT, ScrollPosOf(pfvi, pfvi->pTop));
    }
}

void RefreshFileList(FILEVIEWINFO *pfvi)
{
    if (!pfvi)
        return;
    SetCursor(APloadCursor(0, 32514));

    LPSTR pszKeptTop = NULL;
    LPSTR pszKeptSel = NULL;
    if (pfvi->pFirst) {
        if (pfvi->pSel) {
            if (pfvi->pTop)
                pszKeptTop = TB_Strdup(pfvi->pTop->pszName);
            pszKeptSel = TB_Strdup(pfvi->pSel->pszName);
            if (!pszKeptSel) {
                /* without the selection the first visible entry is not kept either */
                fastfree(pszKeptTop);
                pszKeptTop = NULL;
            }
        }
        FreeFileList(pfvi->pFirst);
    }
    pfvi->pFirst = pfvi->pTop = pfvi->pSel = NULL;
    pfvi->nFiles = 0;
    fastfree(pfvi->ppIndex);
    pfvi->ppIndex = NULL;
    DropInsertIndex(pfvi);

    ENUMFILESREQUEST req;
    lmemset(&req, 0, sizeof(req));
    req.nKind = pfvi->iCurType < FV_NTYPES ? pfvi->aTypeKinds[pfvi->iCurType] : 0;

    pfvi->pInsertIndex = CreateInsertIndex();
    if (pfvi->fReferencesOnly) {
        GatherReferences(pfvi, req.nKind);
    } else {
        LPSTR pszProject = TBMprojectString(req.nKind, req.szProject);
        TBMfileObjDBextension(pszProject, pfvi->hSession);
        TBMenumFiles(pfvi->hwndDesktop, AddFileCallback, pfvi, &req);
    }

    pfvi->szTypeAhead[0] = 0;
    SendMessageA(pfvi->hwndDesktop, TBM_STATUSTEXT, 0, 0);

    if (!pfvi->pFirst)
        SetEmptyPane(pfvi);
    else
        FinishList(pfvi, pszKeptTop, pszKeptSel);
    DropInsertIndex(pfvi);

    fastfree(pszKeptTop);
    fastfree(pszKeptSel);
    if (pfvi->hwndFileList)
        InvalidateRect(pfvi->hwndFileList, NULL, TRUE);
    SetCursor(APloadCursor(0, 32512));
}
