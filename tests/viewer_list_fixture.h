/* A file list model on its own: a FILEVIEWINFO filled by hand, a test host
 * whose desktop receives the host messages, a plain scrollable window as the
 * file pane, and a literal walk-from-the-head reference of the list order. */
#ifndef VIEWER_LIST_FIXTURE_H
#define VIEWER_LIST_FIXTURE_H

#include "tbkit.h"
#include "viewer.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace vlist {

using namespace tbkit;

/* The extension table of the viewer's host strings, entry by entry. */
struct EXTROW {
    const char *pszExt;
    LONG nKind;
};
static const EXTROW kExtTable[FV_NEXTS] = {
    {"SSL", 1}, {"SDL", 1}, {"RPT", 2}, {"RPC", 2}, {"DB", 3},  {"QRY", 4}, {"SQL", 4},
    {"LIB", 5}, {"LBC", 5}, {"FRM", 6}, {"FRC", 6}, {"TXT", 7}, {"BMP", 8}, {"IDX", 9},
    {"MEM", 9}, {"CSV", 9}, {"DAT", 9}, {"XML", 9}, {"INI", 9},
};

/* The list's names from pFirst along pNext. */
inline std::vector<std::string> ListNames(const FILEVIEWINFO *pfvi)
{
    std::vector<std::string> v;
    const FILENODE *p = pfvi->pFirst;
    while (p) {
        v.push_back(p->pszName);
        p = p->pNext;
        if (p == pfvi->pFirst)
            break;
    }
    return v;
}

/* The insertion rule and the colon move exactly as the list defines them,
 * walked from the head with lstrcmpiA: quadratic, for reference only. */
inline std::vector<std::string> ReferenceOrder(const std::vector<std::string> &arrivals)
{
    std::vector<std::string> ring;
    for (const std::string &name : arrivals) {
        if (ring.empty()) {
            ring.push_back(name);
        } else if (ring.size() == 1) {
            if (lstrcmpiA(name.c_str(), ring[0].c_str()) < 0)
                ring.insert(ring.begin(), name);
            else
                ring.push_back(name);
        } else {
            size_t i = 0;
            while (i + 1 < ring.size() && lstrcmpiA(name.c_str(), ring[i].c_str()) > 0)
                i++;
            if (i + 1 == ring.size() && lstrcmpiA(name.c_str(), ring[i].c_str()) > 0)
                i = ring.size();
            ring.insert(ring.begin() + i, name);
        }
    }
    if (ring.size() < 2)
        return ring;
    size_t first = 0;
    while (first < ring.size() && ring[first][0] != ':')
        first++;
    if (first == ring.size())
        return ring;
    size_t last = ring.size() - 1;
    while (ring[last][0] != ':')
        last--;
    if (last == ring.size() - 1)
        return ring;
    std::vector<std::string> out(ring.begin(), ring.begin() + first);
    out.insert(out.end(), ring.begin() + last + 1, ring.end());
    out.insert(out.end(), ring.begin() + first, ring.begin() + last + 1);
    return out;
}

/* A stand-in pane: plain window with both scroll bars. */
inline HWND CreatePaneWindow(int cx, int cy)
{
    static const char kClass[] = "VListTestPane";
    WNDCLASSA wc = {};
    if (!GetClassInfoA(GetModuleHandleA(nullptr), kClass, &wc)) {
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        wc.lpszClassName = kClass;
        RegisterClassA(&wc);
    }
    return CreateWindowExA(0, kClass, "", WS_POPUP | WS_VSCROLL | WS_HSCROLL, 0, 0, cx, cy, nullptr, nullptr,
                           GetModuleHandleA(nullptr), nullptr);
}

struct RecordDeleter {
    void operator()(FILEVIEWINFO *p) const { fastfree(p); }
};

class ListModelTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        TBCtlResetAnswers();
        TBCtlSetServerExtensions(nullptr);
        TBCtlSetFileList(nullptr);
        nFailedAtStart_ = TBCtlFailedAllocations();
        leaks_.emplace(true);
        TestHostOptions opt;
        opt.fVisible = false; /* no pixels here; a shown frame costs seconds under Xvfb */
        host_.emplace(opt);
        ASSERT_TRUE(host_->Ok());
        pane_ = CreatePaneWindow(240, 16 * 10 + 40);
        ASSERT_NE(nullptr, pane_);
        rec_.reset(static_cast<FILEVIEWINFO *>(fastmalloc(sizeof(FILEVIEWINFO))));
        ASSERT_NE(nullptr, rec_.get());
        FILEVIEWINFO *pfvi = rec_.get();
        pfvi->hwndDesktop = host_->Desktop();
        pfvi->hSession = TBMgetSession(host_->Desktop());
        pfvi->hwndFileList = pane_;
        pfvi->cyFileRow = 16;
        pfvi->cxIcon = 11;
        pfvi->aTypeKinds[0] = 0;
        pfvi->aTypeKinds[1] = 3;
        pfvi->aTypeKinds[2] = 4;
        pfvi->aTypeKinds[3] = 6;
        for (int i = 0; i < FV_NEXTS; i++) {
            lstrcpynA(pfvi->aExtKinds[i].szExt, kExtTable[i].pszExt, sizeof(pfvi->aExtKinds[i].szExt));
            pfvi->aExtKinds[i].nKind = kExtTable[i].nKind;
        }
    }

    void TearDown() override
    {
        FreeList();
        rec_.reset();
        if (pane_)
            DestroyWindow(pane_);
        TBCtlSetFileList(nullptr);
        TBCtlSetServerExtensions(nullptr);
        host_.reset();
        PumpMessages();
        leaks_.reset();
    }

    FILEVIEWINFO *Rec() { return rec_.get(); }

    /* What DestroyViewerInfo gives back of the list. */
    void FreeList()
    {
        FILEVIEWINFO *pfvi = rec_.get();
        if (!pfvi)
            return;
        FreeFileList(pfvi->pFirst);
        fastfree(pfvi->ppIndex);
        pfvi->pFirst = pfvi->pTop = pfvi->pSel = nullptr;
        pfvi->ppIndex = nullptr;
        pfvi->nFiles = 0;
    }

    /* A refresh over a scripted directory listing. */
    void RefreshWith(const std::vector<std::string> &names)
    {
        std::string multi = MultiString(names);
        TBCtlSetFileList(multi.c_str());
        RefreshFileList(rec_.get());
    }

    /* The walk path alone: InsertFileNode with no index, as outside a refresh. */
    void InsertByWalk(const std::vector<std::string> &names)
    {
        for (const std::string &name : names)
            AddFileCallback(rec_.get(), name.c_str());
        MoveColonNamesLast(rec_.get()->pFirst, rec_.get());
        NumberFileNodes(rec_.get()->pFirst);
    }

    FILENODE *Find(const char *pszName)
    {
        FILENODE *p = rec_->pFirst;
        while (p) {
            if (strcmp(p->pszName, pszName) == 0)
                return p;
            p = p->pNext;
            if (p == rec_->pFirst)
                break;
        }
        return nullptr;
    }

    std::optional<LeakCheck> leaks_;
    std::optional<TestHost> host_;
    HWND pane_ = nullptr;
    LONG nFailedAtStart_ = 0;
    std::unique_ptr<FILEVIEWINFO, RecordDeleter> rec_;
};

} // namespace vlist

#endif
