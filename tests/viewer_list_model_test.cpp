/* The file list model: order, ring shape, index and divisor limits, kept
 * selection, kinds, references-only mode, out-of-memory behaviour. */
#include "viewer_list_fixture.h"

#include <algorithm>
#include <random>
#include <set>

namespace vlist {
namespace {

/* ---- order ------------------------------------------------------------- */

struct ORDERCASE {
    const char *pszWhat;
    std::vector<std::string> arrivals;
    std::vector<std::string> expected;
};

void PrintTo(const ORDERCASE &c, std::ostream *os)
{
    *os << c.pszWhat;
}

class ListOrder : public ListModelTest, public ::testing::WithParamInterface<ORDERCASE> {};

TEST_P(ListOrder, RefreshAndWalkGiveTheListedOrder)
{
    const ORDERCASE &c = GetParam();
    ASSERT_EQ(c.expected, ReferenceOrder(c.arrivals)) << "the reference itself disagrees";
    RefreshWith(c.arrivals);
    EXPECT_EQ(c.expected, ListNames(Rec())) << "refresh";
    FreeList();
    InsertByWalk(c.arrivals);
    EXPECT_EQ(c.expected, ListNames(Rec())) << "walk";
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ListOrder,
    ::testing::Values(
        ORDERCASE{"mixed case", {"b", "A", "d"}, {"A", "b", "d"}},
        ORDERCASE{"colon names last", {":x:t", "a", "b"}, {"a", "b", ":x:t"}},
        ORDERCASE{"colon run at the head", {"b", ":q:1", "a", "c", ":p:2"}, {"a", "b", "c", ":p:2", ":q:1"}},
        ORDERCASE{"colon run in the middle", {"b", ":q:1", "!a", "c", ":p:2"}, {"!a", "b", "c", ":p:2", ":q:1"}},
        ORDERCASE{"all colon names keep their order", {":c:1", ":a:2", ":b:3"}, {":a:2", ":b:3", ":c:1"}},
        ORDERCASE{"second equal goes behind the first", {"abc", "ABC"}, {"abc", "ABC"}},
        ORDERCASE{"later equals go in front", {"abc", "ABC", "Abc", "aBC"}, {"aBC", "Abc", "abc", "ABC"}},
        ORDERCASE{"equal to the last entry", {"a", "z", "Z"}, {"a", "Z", "z"}},
        ORDERCASE{"linguistic ties", {"strasse", "stra\xdf" "e", "STRASSE"}, {"STRASSE", "strasse", "stra\xdf" "e"}},
        ORDERCASE{"reverse arrival", {"e", "d", "c", "b", "a"}, {"a", "b", "c", "d", "e"}},
        ORDERCASE{"single", {"only"}, {"only"}}),
    [](const ::testing::TestParamInfo<ORDERCASE> &param) { return "case" + std::to_string(param.index); });

/* Names built to collide: case variants, characters that compare equal to
 * pairs, ignorable and punctuation characters, colon prefixes. */
std::string RandomName(std::mt19937 &rng)
{
    static const char *const kPieces[] = {"a",  "A",  "b",    "B",    "ss", "\xdf", "ae", "\xe6", "e",    "\xe9",
                                          "E",  "\xc9", "-",  "'",    " ",  "_",    ".",  "1",    "2",    "\xb2",
                                          ":",  "\xad", "z",  "Z",    "0",  "~",    "oe", "\x9c", "x.db", ".QRY"};
    std::uniform_int_distribution<int> len(1, 6);
    std::uniform_int_distribution<int> piece(0, sizeof(kPieces) / sizeof(kPieces[0]) - 1);
    std::string s;
    int n = len(rng);
    for (int i = 0; i < n; i++)
        s += kPieces[piece(rng)];
    if (rng() % 5 == 0)
        s = ":" + s;
    return s;
}

/* The index must give exactly what the walk gives, in every arrival order
 * (random, nearly sorted like a directory, reversed), ties included. */
TEST_F(ListModelTest, IndexedRefreshMatchesTheWalkOnRandomNameSets)
{
    std::mt19937 rng(20240611);
    int nSets = 0;
    for (int round = 0; round < 160; round++) {
        std::uniform_int_distribution<int> size(1, round < 150 ? 120 : 1200);
        int n = size(rng);
        std::vector<std::string> names;
        for (int i = 0; i < n; i++) {
            if (!names.empty() && rng() % 4 == 0)
                names.push_back(names[rng() % names.size()]); /* exact duplicates too */
            else
                names.push_back(RandomName(rng));
        }
        switch (round % 3) {
        case 1: /* nearly sorted, as Wine lists a directory */
            std::sort(names.begin(), names.end(),
                      [](const std::string &a, const std::string &b) { return lstrcmpiA(a.c_str(), b.c_str()) < 0; });
            for (int i = 0; i < n / 20; i++)
                std::swap(names[rng() % n], names[rng() % n]);
            break;
        case 2:
            std::sort(names.begin(), names.end(), [](const std::string &a, const std::string &b) { return a > b; });
            break;
        }
        std::vector<std::string> expected = ReferenceOrder(names);
        RefreshWith(names);
        ASSERT_EQ(expected, ListNames(Rec())) << "round " << round << ", " << n << " names";
        ASSERT_EQ(n, Rec()->nFiles);
        FreeList();
        nSets++;
    }
    EXPECT_EQ(160, nSets);
}

/* ---- ring shape ---------------------------------------------------------- */

TEST_F(ListModelTest, OneEntryHasNullLinksAndPositionOne)
{
    RefreshWith({"single.txt"});
    ASSERT_NE(nullptr, Rec()->pFirst);
    EXPECT_EQ(nullptr, Rec()->pFirst->pNext);
    EXPECT_EQ(nullptr, Rec()->pFirst->pPrev);
    EXPECT_EQ(1, Rec()->pFirst->nPos);
    EXPECT_EQ(1, Rec()->nFiles);
    EXPECT_EQ(Rec()->pFirst, Rec()->pTop);
}

TEST_F(ListModelTest, SeveralEntriesFormANumberedRing)
{
    RefreshWith({"c", "a", "b", "e", "d"});
    const FILENODE *pFirst = Rec()->pFirst;
    ASSERT_NE(nullptr, pFirst);
    const FILENODE *p = pFirst;
    for (int i = 1; i <= 5; i++) {
        EXPECT_EQ(i, p->nPos);
        EXPECT_EQ(p, p->pNext->pPrev);
        p = p->pNext;
    }
    EXPECT_EQ(pFirst, p) << "the last entry leads back to the first";
    EXPECT_STREQ("e", pFirst->pPrev->pszName);
}

TEST_F(ListModelTest, UnlinkingFromARingOfTwoLeavesOneEntryWithNullLinks)
{
    InsertByWalk({"a", "b"});
    FILENODE *pSecond = Rec()->pFirst->pNext;
    UnlinkFileNode(pSecond, 1);
    EXPECT_EQ(nullptr, Rec()->pFirst->pNext);
    EXPECT_EQ(nullptr, Rec()->pFirst->pPrev);
}

/* ---- limits -------------------------------------------------------------- */

std::vector<std::string> NumberedNames(int n)
{
    std::vector<std::string> v;
    char sz[32];
    for (int i = 0; i < n; i++) {
        snprintf(sz, sizeof(sz), "f%06d.txt", i);
        v.push_back(sz);
    }
    return v;
}

TEST_F(ListModelTest, PositionArrayUpTo16000EntriesOnly)
{
    RefreshWith(NumberedNames(16000));
    ASSERT_EQ(16000, Rec()->nFiles);
    ASSERT_NE(nullptr, Rec()->ppIndex);
    const FILENODE *p = Rec()->pFirst;
    for (int i = 0; i < 16000; i++, p = p->pNext)
        ASSERT_EQ(p, Rec()->ppIndex[i]) << i;
    RefreshWith(NumberedNames(16001));
    EXPECT_EQ(16001, Rec()->nFiles);
    EXPECT_EQ(nullptr, Rec()->ppIndex);
}

TEST_F(ListModelTest, ScrollDivisorAndRangeAt32767And32768Entries)
{
    int nMin = -1, nMax = -1;
    RefreshWith(NumberedNames(32767));
    EXPECT_EQ(1, Rec()->nScrollDiv);
    GetScrollRange(pane_, SB_VERT, &nMin, &nMax);
    EXPECT_EQ(32766, nMax);
    EXPECT_EQ(0, ScrollPosOf(Rec(), Rec()->pFirst));

    RefreshWith(NumberedNames(32768));
    EXPECT_EQ(2, Rec()->nScrollDiv);
    GetScrollRange(pane_, SB_VERT, &nMin, &nMax);
    EXPECT_EQ(0, nMin);
    EXPECT_EQ(16383, nMax);
    EXPECT_EQ(-1, ScrollPosOf(Rec(), Rec()->pFirst));
    EXPECT_EQ(0, GetScrollPos(pane_, SB_VERT)) << "the scroll bar holds -1 at 0";
    EXPECT_EQ(16383, ScrollPosOf(Rec(), Rec()->pFirst->pPrev));
}

TEST_F(ListModelTest, EmptyListingGivesAnEmptyPane)
{
    RefreshWith({"a", "b"});
    Rec()->szTypeAhead[0] = 'A';
    host_->ClearMessages();
    RefreshWith({});
    EXPECT_EQ(nullptr, Rec()->pFirst);
    EXPECT_EQ(nullptr, Rec()->pTop);
    EXPECT_EQ(nullptr, Rec()->pSel);
    EXPECT_EQ(0, Rec()->nFiles);
    EXPECT_EQ(0u, Rec()->cxFileExtent);
    EXPECT_FALSE(Rec()->fHScroll);
    EXPECT_FALSE(Rec()->fVScroll);
    EXPECT_EQ(0, Rec()->szTypeAhead[0]);
    int nMin = -1, nMax = -1;
    GetScrollRange(pane_, SB_VERT, &nMin, &nMax);
    EXPECT_EQ(0, nMax);
    GetScrollRange(pane_, SB_HORZ, &nMin, &nMax);
    EXPECT_EQ(0, nMax);
    EXPECT_TRUE(host_->MatchSequence({{TBM_STATUSTEXT, HM_LPARAM, 0, 0, nullptr}}, true));
}

/* Extent: widest name + 6 + icon; ranges follow the pane's size. */
TEST_F(ListModelTest, ExtentAndScrollRangesFollowTheNamesAndThePaneSize)
{
    std::string wide(120, 'W');
    RefreshWith({"a", wide});
    HDC hdc = GetDC(pane_);
    SIZE size;
    GetTextExtentPoint32A(hdc, wide.c_str(), (int)wide.size(), &size);
    ReleaseDC(pane_, hdc);
    EXPECT_EQ((UINT)size.cx + 6 + 11, Rec()->cxFileExtent);

    SizeFilePane(Rec(), MAKELONG(100, 48));
    EXPECT_EQ(3, Rec()->nRowsVisible);
    EXPECT_TRUE(Rec()->fHScroll);
    EXPECT_FALSE(Rec()->fVScroll) << "2 rows of 16 fit in 48";
    int nMin, nMax;
    GetScrollRange(pane_, SB_HORZ, &nMin, &nMax);
    EXPECT_EQ((int)Rec()->cxFileExtent - 100, nMax);

    Rec()->pTop = Rec()->pFirst->pNext;
    SizeFilePane(Rec(), MAKELONG(2000, 31));
    EXPECT_FALSE(Rec()->fHScroll);
    EXPECT_TRUE(Rec()->fVScroll);
    EXPECT_EQ(Rec()->pFirst->pNext, Rec()->pTop) << "positions untouched while scrolling is needed";
    GetScrollRange(pane_, SB_VERT, &nMin, &nMax);
    EXPECT_EQ(1, nMax);

    SizeFilePane(Rec(), MAKELONG(2000, 32));
    EXPECT_FALSE(Rec()->fVScroll);
    EXPECT_EQ(Rec()->pFirst, Rec()->pTop) << "everything fits: the first entry is on top";
}

/* ---- kept selection -------------------------------------------------------- */

/* With the index the kept names are looked up through it; when the index
 * cannot be had (its allocation, the third of the refresh, fails) every name
 * is compared on the walk. Both must find the same entries. */
class KeptSelection : public ListModelTest, public ::testing::WithParamInterface<bool> {};

TEST_P(KeptSelection, SelectionAndTopAreKeptByExactName)
{
    const bool fIndex = GetParam();
    std::vector<std::string> names = NumberedNames(40);
    RefreshWith(names);
    Rec()->pSel = Find("f000025.txt");
    Rec()->pTop = Find("f000020.txt");
    if (!fIndex)
        TBCtlFailAllocation(3);
    RefreshWith(names);
    ASSERT_NE(nullptr, Rec()->pSel);
    EXPECT_STREQ("f000025.txt", Rec()->pSel->pszName);
    EXPECT_STREQ("f000020.txt", Rec()->pTop->pszName);
    EXPECT_EQ(20, GetScrollPos(pane_, SB_VERT));

    names[25] = "F000025.TXT";
    if (!fIndex)
        TBCtlFailAllocation(3);
    RefreshWith(names);
    EXPECT_EQ(nullptr, Rec()->pSel) << "a change of letter case loses the selection";
    EXPECT_STREQ("f000020.txt", Rec()->pTop->pszName) << "the first visible entry is kept on its own";
    EXPECT_EQ(0, TBCtlFailedAllocations() - nFailedAtStart_ - (fIndex ? 0 : 2));
}

TEST_P(KeptSelection, KeptNamesMatchCaseSensitivelyAmongLinguisticTies)
{
    const bool fIndex = GetParam();
    std::vector<std::string> names = {"STRASSE", "Stra\xdf" "e", "strasse", "dup", "dup", "x"};
    for (const std::string &filler : NumberedNames(30))
        names.push_back("z" + filler); /* more rows than the pane shows, so the top is free */
    RefreshWith(names);
    Rec()->pSel = Find("Stra\xdf" "e");
    Rec()->pTop = Find("dup");
    if (!fIndex)
        TBCtlFailAllocation(3);
    RefreshWith(names);
    ASSERT_NE(nullptr, Rec()->pSel);
    EXPECT_STREQ("Stra\xdf" "e", Rec()->pSel->pszName);
    ASSERT_NE(nullptr, Rec()->pTop);
    EXPECT_STREQ("dup", Rec()->pTop->pszName);
    EXPECT_EQ("dup", std::string(Rec()->pTop->pPrev->pszName)) << "of two equal names the last one wins";
}

INSTANTIATE_TEST_SUITE_P(IndexOrWalk, KeptSelection, ::testing::Values(true, false),
                         [](const ::testing::TestParamInfo<bool> &param) {
                             return std::string(param.param ? "Indexed" : "Walked");
                         });

TEST_F(ListModelTest, NothingSelectedMeansTheFirstEntryOnTop)
{
    RefreshWith(NumberedNames(40));
    Rec()->pTop = Find("f000030.txt");
    RefreshWith(NumberedNames(40));
    EXPECT_EQ(nullptr, Rec()->pSel);
    EXPECT_EQ(Rec()->pFirst, Rec()->pTop);
}

TEST_F(ListModelTest, TopNameGoneLeavesTheFirstEntryOnTop)
{
    std::vector<std::string> names = NumberedNames(40);
    RefreshWith(names);
    Rec()->pSel = Find("f000005.txt");
    Rec()->pTop = Find("f000003.txt");
    names.erase(names.begin() + 3);
    RefreshWith(names);
    EXPECT_STREQ("f000005.txt", Rec()->pSel->pszName);
    EXPECT_EQ(Rec()->pFirst, Rec()->pTop);
}

/* ---- kinds ----------------------------------------------------------------- */

TEST_F(ListModelTest, KindsByExtensionAndByServerPath)
{
    struct {
        const char *pszName;
        LONG nKind;
    } cases[] = {
        {"a.ssl", 1}, {"a.SDL", 1}, {"r.Rpt", 2},  {"r.rpc", 2}, {"t.db", 3},   {"q.qry", 4},  {"q.sql", 4},
        {"l.lib", 5}, {"l.lbc", 5}, {"f.frm", 6},  {"f.FRC", 6}, {"n.txt", 7},  {"p.bmp", 8},  {"i.idx", 9},
        {"m.mem", 9}, {"c.csv", 9}, {"d.dat", 9},  {"x.xml", 9}, {"s.ini", 9},  {"noext", 0},  {"odd.xyz", 0},
        {"dot.", 0},  {"two.txt.frm", 6},          {"long.dbx", 0},            {"srv.remote", 3}, {"srv.txt", 7},
    };
    TBCtlSetServerExtensions(MultiString({"REMOTE"}).c_str());
    for (const auto &c : cases)
        EXPECT_EQ(c.nKind, FileKindOf(Rec(), c.pszName)) << c.pszName;

    /* the same answers through a refresh, whose extension answers are cached */
    std::vector<std::string> names;
    for (const auto &c : cases)
        names.push_back(c.pszName);
    names.push_back("again.SSL");
    names.push_back("again.ssl");
    RefreshWith(names);
    for (const auto &c : cases) {
        FILENODE *p = Find(c.pszName);
        ASSERT_NE(nullptr, p) << c.pszName;
        EXPECT_EQ(c.nKind, p->nKind) << c.pszName;
    }
    EXPECT_EQ(1, Find("again.SSL")->nKind);
}

/* ---- references-only ------------------------------------------------------- */

TEST_F(ListModelTest, ReferencesOnlyListsIncludedRecordsOfTheRowsKind)
{
    std::string longName(531, 'r');
    host_->SetReferences({
        TestHost::MakeReference("zeta.db", true, 3),
        TestHost::MakeReference("alpha.qry", true, 4),
        TestHost::MakeReference("hidden.db", false, 3),
        TestHost::MakeReference("beta.db", true, 3),
        TestHost::MakeReference(longName.c_str(), true, 3),
    });
    TBCtlSetFileList(MultiString({"file-from-directory.db"}).c_str());
    TBCtlClearCalls();
    Rec()->fReferencesOnly = TRUE;

    Rec()->iCurType = 0;
    RefreshFileList(Rec());
    EXPECT_EQ(std::vector<std::string>({"alpha.qry", "beta.db", longName, "zeta.db"}), ListNames(Rec()));
    EXPECT_EQ(0, TBCtlCallCount("TBMenumFiles")) << "references-only never lists the directory";

    Rec()->iCurType = 1; /* tables: kind 3 */
    RefreshFileList(Rec());
    EXPECT_EQ(std::vector<std::string>({"beta.db", longName, "zeta.db"}), ListNames(Rec()));

    Rec()->iCurType = 3; /* forms: kind 6 */
    RefreshFileList(Rec());
    EXPECT_EQ(std::vector<std::string>(), ListNames(Rec()));

    /* every record was asked for, each time with the previous one */
    std::vector<HostMsg> asks = host_->Messages(TBM_NEXTREFERENCE);
    ASSERT_EQ(18u, asks.size());
    EXPECT_EQ(0, asks[0].lParam);
    EXPECT_EQ(reinterpret_cast<LPARAM>(&host_->References()[0]), asks[1].lParam);
}

TEST_F(ListModelTest, DirectoryModeAsksTheHostInOrder)
{
    TBCtlClearCalls();
    Rec()->iCurType = 2;
    RefreshWith({"q.qry"});
    TBCALL call;
    ASSERT_TRUE(TBCtlGetCall("TBMprojectString", 0, &call));
    EXPECT_EQ(4u, call.aArgs[0]);
    ASSERT_TRUE(TBCtlGetCall("TBMenumFiles", 0, &call));
    EXPECT_EQ(reinterpret_cast<DWORD_PTR>(host_->Desktop()), call.aArgs[0]);
    EXPECT_EQ(reinterpret_cast<DWORD_PTR>(Rec()), call.aArgs[2]);
    EXPECT_EQ(4u, call.aArgs[4]) << "kind filter of the type row";
    EXPECT_EQ(0, AddFileCallback(Rec(), "more.txt"));
}

/* ---- out of memory --------------------------------------------------------- */

/* Every allocation of a refresh (entries, names, kept names, index blocks,
 * position array) failing in turn: nothing leaks, at most the one entry
 * whose allocation failed is missing, and the order is still the walk's. */
TEST_F(ListModelTest, AllocationFailureSweepOverARefresh)
{
    std::vector<std::string> names;
    std::mt19937 rng(7);
    for (int i = 0; i < 70; i++)
        names.push_back(RandomName(rng));
    std::string multi = MultiString(names);
    int nIncomplete = 0;
    SweepResult result = ForEachAllocationFailure([&] {
        TBCtlSetFileList(multi.c_str());
        RefreshFileList(Rec());
        if (Rec()->pFirst) {
            Rec()->pSel = Rec()->pFirst->pNext;
            Rec()->pTop = Rec()->pFirst;
        }
        RefreshFileList(Rec());
        std::vector<std::string> got = ListNames(Rec());
        std::multiset<std::string> missing(names.begin(), names.end());
        for (const std::string &name : got) {
            auto it = missing.find(name);
            ASSERT_NE(missing.end(), it) << name;
            missing.erase(it);
        }
        EXPECT_LE(missing.size(), 1u);
        std::vector<std::string> arrivals = names;
        if (!missing.empty()) {
            nIncomplete++;
            arrivals.erase(std::find(arrivals.begin(), arrivals.end(), *missing.begin()));
        }
        EXPECT_EQ(ReferenceOrder(arrivals), got);
        EXPECT_EQ(nullptr, Rec()->pInsertIndex) << "the index never outlives a refresh";
        FreeList();
    });
    EXPECT_TRUE(result.Clean());
    EXPECT_GT(result.nAllocations, 4 * 70);
    EXPECT_GE(nIncomplete, 2 * 70) << "each entry and name allocation skips just that entry";
}

} // namespace
} // namespace vlist
