/* The directory and alias box against a real test host: the stored history,
 * the aliases, the change of working directory and its failures. */
#include "viewer_dir_fixture.h"

#include <algorithm>
#include <set>

using namespace vdir;

namespace {

using Strings = std::vector<std::string>;

Strings Head(const Strings &v, size_t n) { return Strings(v.begin(), v.begin() + std::min(n, v.size())); }

/* The history items of the box are the non-empty entries, in order. */
::testing::AssertionResult BoxMatchesHistory(const Strings &items, const Strings &history)
{
    Strings entries;
    for (size_t i = 0; i < history.size(); i++)
        if (i == 0 || !history[i].empty())
            entries.push_back(history[i]);
    if (Head(items, entries.size()) != entries)
        return ::testing::AssertionFailure() << "box items and history entries differ";
    return ::testing::AssertionSuccess();
}

/* ------------------------------------------------------------------ */
/* Reading, trimming, de-duplicating and storing the history           */
/* ------------------------------------------------------------------ */

TEST_F(DirBoxTest, WithoutStoredHistoryTheBoxShowsTheWorkDirAndStoresItAsKeyOne)
{
    LONG nFlag = 0;
    host_->SetHook([&](const HostMsg &m, LRESULT *) {
        if (m.msg == TBM_WRITESETTING)
            nFlag = reinterpret_cast<const SETTINGREQUEST *>(m.lParam)->nFlag;
        return false;
    });
    Open();
    EXPECT_EQ(Strings({Dir("alpha")}), Items());
    EXPECT_EQ(Dir("alpha"), Field());
    EXPECT_EQ(0, Selected());

    /* Reads stop at the first missing key; all nine keys are written. */
    const std::string workDir = Dir("alpha");
    std::vector<HostMsgExpect> expected = {
        {TBM_GETHOSTSTRING, HM_WPARAM | HM_TEXT, TBHS_WORKDIR, 0, workDir.c_str()},
    };
    std::vector<std::string> keys;
    for (int n = 1; n <= 9; n++)
        keys.push_back(section_ + "\\" + Key(n));
    /* Key 1 as the current entry, then as the first further one, asked once
     * more before the history is taken to end (a host short of memory
     * answers "missing" too). */
    for (int i = 0; i < 3; i++)
        expected.push_back({TBM_READSETTING, HM_WPARAM | HM_TEXT, 0, 0, keys[0].c_str()});
    std::vector<std::string> writes;
    for (int n = 1; n <= 9; n++)
        writes.push_back(keys[n - 1] + "=" + (n == 1 ? Dir("alpha") : ""));
    for (const std::string &w : writes)
        expected.push_back({TBM_WRITESETTING, HM_WPARAM | HM_TEXT, 1, 0, w.c_str()});
    std::vector<HostMsg> history; /* leaves out the viewer's own settings */
    for (const HostMsg &m : host_->Messages())
        if (m.msg == TBM_GETHOSTSTRING || (m.section == section_ && (m.msg == TBM_READSETTING || m.msg == TBM_WRITESETTING)))
            history.push_back(m);
    EXPECT_TRUE(MatchHostSequence(history, expected));
    EXPECT_EQ(1, nFlag);
    EXPECT_EQ(Strings({Dir("alpha"), "", "", "", "", "", "", "", ""}), Stored());
}

TEST_F(DirBoxTest, StoredHistoryIsTrimmedDeduplicatedAndStoredBehindTheWorkDir)
{
    StoreHistory({"  " + Dir("beta") + "  ", Dir("gamma"), Dir("BETA"), "   ", Dir("alpha"), ":Proj:",
                  "  :PROJ:", Dir("delta")});
    Open();
    /* Later duplicates go (case-insensitively), including a duplicate of the
     * current entry; blanks only read as one blank. */
    const Strings expected = {Dir("alpha"), Dir("beta"), Dir("gamma"), " ", ":Proj:", Dir("delta")};
    EXPECT_EQ(expected, Items());
    EXPECT_EQ(Strings({Dir("alpha"), Dir("beta"), Dir("gamma"), " ", ":Proj:", Dir("delta"), "", "", "", ""}),
              History());
    /* The single blank is written trimmed, i.e. as a blank: an unchanged text */
    EXPECT_EQ(Strings({Dir("alpha"), Dir("beta"), Dir("gamma"), " ", ":Proj:", Dir("delta"), "", "", ""}), Stored());
}

TEST_F(DirBoxTest, FirstStoredKeyNamingTheWorkDirIsShownInItsStoredFormAndNothingIsWritten)
{
    struct Case {
        const char *pszWhat;
        std::string key1;
    };
    TBCtlAddAlias("Proj", Dir("alpha").c_str(), 0, FALSE);
    std::string upper = Dir("alpha");
    CharUpperA(&upper[0]);
    const Case cases[] = {
        {"an alias entry stays an alias entry", ":Proj:"},
        {"another letter case and a trailing backslash", " " + upper + "\\"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.pszWhat);
        StoreHistory({c.key1, Dir("beta"), Dir("gamma")});
        host_->ClearMessages();
        Open();
        std::string shown = c.key1;
        if (shown[0] == ' ')
            shown.erase(0, 1);
        EXPECT_EQ(shown, Items()[0]);
        EXPECT_EQ(shown, Field());
        /* Keys 2 and 3 follow; key 1 is not read twice as a further entry. */
        EXPECT_EQ(Dir("beta"), Items()[1]);
        EXPECT_EQ(Dir("gamma"), Items()[2]);
        EXPECT_EQ(0u, host_->Count(TBM_WRITESETTING)) << "the history is not written back at creation";
        Close();
    }
}

TEST_F(DirBoxTest, FirstStoredKeyNamingAnotherDirectoryIsShiftedToKeyTwo)
{
    StoreHistory({Dir("beta"), Dir("gamma"), Dir("delta"), Dir("epsilon"), Dir("zeta"), Dir("eta"), Dir("theta"),
                  Dir("iota"), Dir("kappa")});
    Open();
    /* Keys 1-8 are read when key 1 is not the current directory. */
    EXPECT_EQ(Strings({Dir("alpha"), Dir("beta"), Dir("gamma"), Dir("delta"), Dir("epsilon"), Dir("zeta"),
                       Dir("eta"), Dir("theta"), Dir("iota")}),
              Items());
    EXPECT_EQ(Strings({Dir("alpha"), Dir("beta"), Dir("gamma"), Dir("delta"), Dir("epsilon"), Dir("zeta"),
                       Dir("eta"), Dir("theta"), Dir("iota")}),
              Stored());
}

/* A value too long for an entry cannot be a directory we could switch to;
 * cut short it would name another one. It is skipped, never copied whole. */
TEST_F(DirBoxTest, StoredValueLongerThanAnEntryIsSkipped)
{
    FaultTrap trap(true);
    const std::string tooLong = "C:\\" + std::string(300, 'x');
    const std::string longest = "C:\\" + std::string(256, 'y'); /* 259 characters: fits */
    StoreHistory({tooLong, Dir("beta"), tooLong, longest, Dir("gamma")});
    Open();
    EXPECT_EQ(Strings({Dir("alpha"), Dir("beta"), longest, Dir("gamma")}), Items());
    EXPECT_EQ(Strings({Dir("alpha"), Dir("beta"), longest, Dir("gamma"), "", "", "", "", ""}), Stored());
    EXPECT_EQ(0, trap.Count());
}

/* ------------------------------------------------------------------ */
/* Memory: the stored history is never lost                            */
/* ------------------------------------------------------------------ */

TEST_F(DirBoxTest, HistoryReadSkippedForWantOfMemoryIsNotWrittenBackAndMergedAtTheNextChange)
{
    const Strings stored = {Dir("beta"), Dir("gamma"), Dir("delta")};
    StoreHistory(stored);
    TBCtlAddAlias("Proj", Dir("kappa").c_str(), 0, FALSE);
    Open();
    host_->ClearMessages();

    TBCtlFailAllocation(1); /* the box's first work buffer */
    pfnSetUp_(pfvi_);
    TBCtlFailAllocation(0);
    EXPECT_EQ(Strings({Dir("alpha"), ":Proj:"}), Items()) << "only the current directory and the aliases";
    EXPECT_EQ(0u, host_->Count(TBM_READSETTING));
    EXPECT_EQ(0u, host_->Count(TBM_WRITESETTING));
    EXPECT_EQ(Strings({Dir("alpha"), Dir("beta"), Dir("gamma"), Dir("delta"), "", "", "", "", ""}), Stored());

    /* The next change reads the stored entries before it stores anything. */
    Enter(Dir("epsilon"));
    EXPECT_EQ(Dir("epsilon"), HostWorkDir());
    EXPECT_EQ(Strings({Dir("epsilon"), Dir("alpha"), Dir("beta"), Dir("gamma"), Dir("delta"), ":Proj:"}), Items());
    EXPECT_EQ(Strings({Dir("epsilon"), Dir("alpha"), Dir("beta"), Dir("gamma"), Dir("delta"), "", "", "", ""}),
              Stored());
}

TEST_F(DirBoxTest, AllocationFailureSweepOverFillingTheBoxLosesNoStoredEntry)
{
    FaultTrap trap(true);
    const Strings stored = {Dir("beta"), Dir("gamma"), Dir("delta"), Dir("epsilon")};
    TBCtlAddAlias("Proj", Dir("kappa").c_str(), 0, FALSE);
    Open();
    SweepResult r = ForEachAllocationFailure([&] {
        StoreHistory(stored);
        pfnSetUp_(pfvi_);
        Strings items = Items();
        EXPECT_EQ(Dir("alpha"), items[0]);
        EXPECT_EQ(":Proj:", items.back());
        EXPECT_TRUE(BoxMatchesHistory(items, History()));
        std::set<std::string> unique(items.begin(), items.end());
        EXPECT_EQ(unique.size(), items.size()) << "no item twice";
        Strings now = Stored();
        bool fUntouched = now == Strings({Dir("beta"), Dir("gamma"), Dir("delta"), Dir("epsilon"), "", "", "", "", ""});
        bool fShifted = now == Strings({Dir("alpha"), Dir("beta"), Dir("gamma"), Dir("delta"), Dir("epsilon"), "", "",
                                        "", ""});
        EXPECT_TRUE(fUntouched || fShifted) << "stored history lost or garbled: " << ::testing::PrintToString(now);
    });
    EXPECT_GE(r.nAllocations, 5); /* two work buffers, three for the save, the host's value copies */
    for (const SweepRun &run : r.runs)
        EXPECT_TRUE(run.fFired);
    EXPECT_EQ(0, trap.Count());
}

TEST_F(DirBoxTest, AllocationFailureSweepOverADirectoryChange)
{
    FaultTrap trap(true);
    StoreHistory({Dir("gamma"), Dir("delta")});
    Open();
    SweepResult r = ForEachAllocationFailure([&] {
        Enter(Dir("beta"));
        Enter(Dir("alpha"));
        /* Memory plays no part before the host switches: both changes happen. */
        EXPECT_EQ(Dir("alpha"), HostWorkDir());
        Strings items = Items();
        ASSERT_GE(items.size(), 2u);
        EXPECT_EQ(Dir("alpha"), items[0]);
        EXPECT_EQ(Dir("beta"), items[1]);
        EXPECT_TRUE(BoxMatchesHistory(items, History()));
        Strings now = Stored();
        std::set<std::string> kept(now.begin(), now.end());
        EXPECT_TRUE(kept.count(Dir("gamma")) && kept.count(Dir("delta"))) << ::testing::PrintToString(now);
        EXPECT_EQ(1, TBCtlNotifyRegistrations(host_->Desktop()));
    });
    EXPECT_GT(r.nAllocations, 0);
    EXPECT_EQ(0, trap.Count());
}

/* ------------------------------------------------------------------ */
/* Aliases                                                             */
/* ------------------------------------------------------------------ */

TEST_F(DirBoxTest, AliasEntriesLeaveOutServersAndForeignPrivateAliases)
{
    TBCtlAddAlias("Plain", Dir("beta").c_str(), 0, FALSE);
    TBCtlAddAlias("Server", Dir("beta").c_str(), 0, TRUE);
    TBCtlAddAlias("PrivServer", Dir("beta").c_str(), TBALIAS_PRIVATE, TRUE);
    TBCtlAddAlias("Foreign", Dir("beta").c_str(), TBALIAS_PRIVATE, FALSE);
    TBCtlAddAlias("Mine", Dir("gamma").c_str(), TBALIAS_PRIVATE, FALSE);
    TBCtlAddAlias("Other", Dir("gamma").c_str(), 0x01, FALSE);
    TBCtlSetPrivateString("MINE");
    StoreHistory({":plain:"});
    Open();
    /* ":Plain:" is already there as a history entry (case aside). */
    EXPECT_EQ(Strings({Dir("alpha"), ":plain:", ":Mine:", ":Other:"}), Items());

    /* Dropping the list down again adds new aliases only. */
    TBCtlAddAlias("Later", Dir("delta").c_str(), 0, FALSE);
    for (int i = 0; i < 2; i++)
        SendMessageA(viewer_, WM_COMMAND, MAKEWPARAM(0, CBN_DROPDOWN), reinterpret_cast<LPARAM>(pfvi_->hwndCombo));
    EXPECT_EQ(Strings({Dir("alpha"), ":plain:", ":Mine:", ":Other:", ":Later:"}), Items());
}

TEST_F(DirBoxTest, AliasNamesLongerThanAnEntryHoldsAreRefused)
{
    FaultTrap trap(true);
    const std::string fits(257, 'f');
    const std::string tooLong(258, 't');
    const std::string muchTooLong(356, 'm');
    TBCtlAddAlias(tooLong.c_str(), Dir("beta").c_str(), 0, FALSE);
    TBCtlAddAlias(fits.c_str(), Dir("beta").c_str(), 0, FALSE);
    TBCtlAddAlias(muchTooLong.c_str(), Dir("beta").c_str(), 0, FALSE);
    Open();
    EXPECT_EQ(Strings({Dir("alpha"), ":" + fits + ":"}), Items());
    EXPECT_EQ(0, trap.Count());
}

/* ------------------------------------------------------------------ */
/* Changing the directory                                              */
/* ------------------------------------------------------------------ */

TEST_F(DirBoxTest, EnterSwitchesTheHostRecordsTheEntryAndRefreshes)
{
    StoreHistory({Dir("gamma")});
    Open();
    host_->ClearMessages();
    TBCtlClearCalls();
    Enter("  " + Dir("beta") + "\\  ");
    EXPECT_EQ(Dir("beta"), HostWorkDir());
    EXPECT_EQ(Strings({Dir("beta"), Dir("alpha"), Dir("gamma")}), Items());
    EXPECT_EQ(Dir("beta"), Field());
    EXPECT_EQ(Strings({Dir("beta"), Dir("alpha"), Dir("gamma"), "", "", "", "", "", ""}), Stored());
    EXPECT_TRUE(pfvi_->fDirChangedHere);
    EXPECT_TRUE(ErrorCodes().empty());
    /* Notifications are off across the switch and on again afterwards. */
    EXPECT_EQ(1, Calls("FileSystemNotifyUnRegister"));
    EXPECT_EQ(1, Calls("FileSystemNotifyRegister"));
    EXPECT_EQ(1, TBCtlNotifyRegistrations(host_->Desktop()));
    EXPECT_EQ(1, Calls("CanCloseAll"));
    EXPECT_GE(Calls("TBMenumFiles"), 1) << "the file list is rebuilt";
    ASSERT_EQ(1u, host_->Count(TBM_SETWORKDIR));
    EXPECT_EQ(Dir("beta"), host_->Last(TBM_SETWORKDIR)->text);
    EXPECT_EQ((WPARAM)TBWD_DIRECTORY, host_->Last(TBM_SETWORKDIR)->wParam);
}

struct FailureRow {
    const char *pszWhat;
    LONG nWhich;  /* answer to script, or -1 */
    LONG nAnswer;
    WorkDirPolicy policy;
    LONG nCode;   /* 0: nothing reported */
    bool fKeepsTypedText;
    bool fReachesCloseAll;
};

TEST_F(DirBoxTest, EachRefusedChangeReportsItsCodeAndLeavesDirectoryAndHistory)
{
    const FailureRow rows[] = {
        {"path expansion fails", TBA_FULLPATHNAME, 10245, WD_ACCEPT, 10245, true, false},
        {"directory invalid", TBA_VALIDATEDIRECTORY, 0, WD_ACCEPT, 37382, false, false},
        {"path check fails", TBA_CHECKPATH, 4711, WD_ACCEPT, 4711, false, false},
        {"not a good working directory", TBA_ISGOODWORKDIR, 0, WD_ACCEPT, 10246, false, false},
        {"documents may not close", TBA_CANCLOSEALL, 0, WD_ACCEPT, 0, false, true},
        {"host did not switch", -1, 0, WD_REFUSE, 0, false, true},
        {"host switched elsewhere", -1, 0, WD_ALTER, 0, false, true},
    };
    StoreHistory({Dir("gamma")});
    Open();
    const Strings itemsBefore = Items();
    const Strings storedBefore = Stored();
    for (const FailureRow &row : rows) {
        SCOPED_TRACE(row.pszWhat);
        TBCtlResetAnswers();
        if (row.nWhich >= 0)
            TBCtlSetAnswer(row.nWhich, row.nAnswer);
        host_->SetWorkDirPolicy(row.policy, Dir("mu"));
        TBCtlClearCalls();
        host_->ClearMessages();
        LONG nEnumBefore = Calls("TBMenumFiles");

        Enter(Dir("beta"));

        EXPECT_EQ(row.nCode ? std::vector<LONG>({row.nCode}) : std::vector<LONG>(), ErrorCodes());
        EXPECT_EQ(row.fKeepsTypedText ? Dir("beta") : Dir("alpha"), Field());
        if (!row.fKeepsTypedText) {
            EXPECT_EQ(0, Selected());
        }
        EXPECT_EQ(row.policy == WD_ALTER ? Dir("mu") : Dir("alpha"), HostWorkDir());
        EXPECT_EQ(itemsBefore, Items());
        EXPECT_EQ(storedBefore, Stored());
        EXPECT_EQ(0u, host_->Count(TBM_WRITESETTING));
        EXPECT_EQ(nEnumBefore, Calls("TBMenumFiles")) << "the file list stays as it was";
        EXPECT_FALSE(pfvi_->fDirChangedHere);
        EXPECT_EQ(row.fReachesCloseAll ? 1 : 0, Calls("CanCloseAll"));
        EXPECT_EQ(row.fReachesCloseAll ? 1 : 0, Calls("FileSystemNotifyUnRegister"));
        EXPECT_EQ(row.fReachesCloseAll ? 1 : 0, Calls("FileSystemNotifyRegister"));
        EXPECT_EQ(1, TBCtlNotifyRegistrations(host_->Desktop())) << "file changes are still followed";
        host_->SetWorkDirPolicy(WD_ACCEPT);
        TBCtlSetWorkDir(host_->Desktop(), Dir("alpha").c_str());
        PumpMessages();
        pfvi_->fDirChangedHere = FALSE;
    }
}

TEST_F(DirBoxTest, RefusedCloseAllStillFollowsFileChanges)
{
    Open();
    TBCtlSetAnswer(TBA_CANCLOSEALL, 0);
    Enter(Dir("beta"));
    EXPECT_EQ(Dir("alpha"), HostWorkDir());
    LONG nEnum = Calls("TBMenumFiles");
    EXPECT_EQ(1, TBCtlFireFileSystemNotify(host_->Desktop()));
    EXPECT_EQ(nEnum + 1, Calls("TBMenumFiles"));
}

TEST_F(DirBoxTest, CurrentEntryTypedAgainOnlyClosesTheListUnlessItsCaseDiffers)
{
    Open();
    TBCtlClearCalls();
    Enter(Dir("alpha"));
    EXPECT_EQ(0, Calls("TBMfullPathname"));
    EXPECT_EQ(0, Calls("CanCloseAll"));
    EXPECT_EQ(0, Selected());

    std::string upper = Dir("alpha");
    CharUpperA(&upper[0]);
    Enter(upper);
    EXPECT_EQ(1, Calls("CanCloseAll")) << "another letter case goes through the whole change";
    EXPECT_EQ(1u, Items().size()) << "and finds the entry already there";
}

TEST_F(DirBoxTest, EmptyFieldGoesOnToThePathExpansion)
{
    Open();
    TBCtlSetAnswer(TBA_FULLPATHNAME, 10245);
    TBCtlClearCalls();
    Enter("");
    ASSERT_EQ(1, Calls("TBMfullPathname"));
    TBCALL call;
    ASSERT_TRUE(TBCtlGetCall("TBMfullPathname", 0, &call));
    EXPECT_STREQ("", call.szText);
    EXPECT_EQ(std::vector<LONG>({10245}), ErrorCodes());
}

TEST_F(DirBoxTest, WorkDirChangedMessageAfterTheViewersOwnChangeIsSkippedOnce)
{
    Open();
    Enter(Dir("beta"));
    ASSERT_EQ(Dir("beta"), HostWorkDir());
    host_->ClearMessages();
    PumpMessages(); /* the host's posted 30054 */
    EXPECT_EQ(0u, host_->Count(TBM_GETWORKDIR)) << "the viewer's own change is not followed again";
    EXPECT_FALSE(pfvi_->fDirChangedHere);

    /* A change made elsewhere in the host is followed. */
    TBCtlSetWorkDir(host_->Desktop(), Dir("gamma").c_str());
    SendMessageA(viewer_, TBM_WORKDIRCHANGED, 1, 0);
    EXPECT_EQ(1u, host_->Count(TBM_GETWORKDIR));
    EXPECT_EQ(Strings({Dir("gamma"), Dir("beta"), Dir("alpha")}), Items());
    EXPECT_EQ(Dir("gamma"), Stored()[0]);
}

TEST_F(DirBoxTest, FollowingTheHostMovesAnUnchangedDirectoryToTheTopAgain)
{
    StoreHistory({Dir("beta"), Dir("gamma")});
    Open();
    TBCtlSetWorkDir(host_->Desktop(), ("  " + Dir("gamma") + " ").c_str());
    SendMessageA(viewer_, TBM_FOLLOWWORKDIR, 1, 0);
    EXPECT_EQ(Strings({Dir("gamma"), Dir("alpha"), Dir("beta")}), Items());
    host_->ClearMessages();
    SendMessageA(viewer_, TBM_FOLLOWWORKDIR, 1, 0);
    EXPECT_EQ(Strings({Dir("gamma"), Dir("alpha"), Dir("beta")}), Items());
    EXPECT_EQ(9u, host_->Count(TBM_WRITESETTING)) << "stored again";
}

/* ------------------------------------------------------------------ */
/* Entry forms, moves and eviction                                     */
/* ------------------------------------------------------------------ */

class DriveWorkDirTest : public DirBoxTest {
  protected:
    std::string WorkDirAtStart() override { return "C:"; }
};

TEST_F(DriveWorkDirTest, DriveLetterIsCompletedWithABackslash)
{
    Open();
    EXPECT_EQ("C:\\", Items()[0]);
    EXPECT_EQ("C:\\", Stored()[0]);

    /* Followed from the host, and typed as the root and switched to. */
    TBCtlSetWorkDir(host_->Desktop(), Dir("beta").c_str());
    SendMessageA(viewer_, TBM_FOLLOWWORKDIR, 1, 0);
    TBCtlSetWorkDir(host_->Desktop(), "C:");
    SendMessageA(viewer_, TBM_FOLLOWWORKDIR, 1, 0);
    EXPECT_EQ(Strings({"C:\\", Dir("beta")}), Items());

    Enter(Dir("beta"));
    Enter("C:\\");
    EXPECT_EQ("C:", HostWorkDir());
    EXPECT_EQ(Strings({"C:\\", Dir("beta")}), Items());
    EXPECT_EQ("C:\\", Stored()[0]);
}

TEST_F(DirBoxTest, AliasTypedBetweenColonsIsStoredAsTypedAndWithABlankAsItsPath)
{
    TBCtlAddAlias("Proj", Dir("beta").c_str(), 0, FALSE);
    Open();
    Enter(":Proj:");
    EXPECT_EQ(Dir("beta"), HostWorkDir());
    EXPECT_EQ(Strings({":Proj:", Dir("alpha")}), Items()) << "the alias item moved to the top, not doubled";
    EXPECT_EQ(":Proj:", Stored()[0]);

    Enter(Dir("alpha"));
    Enter(" :Proj:");
    EXPECT_EQ(Dir("beta"), HostWorkDir());
    EXPECT_EQ(Dir("beta"), Items()[0]);
    EXPECT_EQ(Dir("beta"), Stored()[0]);
}

TEST_F(DirBoxTest, ChoosingAnEntryAlreadyListedMovesItUpAndKeepsTheOthersInOrder)
{
    StoreHistory({Dir("beta"), Dir("gamma"), Dir("delta")});
    Open();
    Enter(Dir("GAMMA"));
    EXPECT_EQ(Strings({Dir("GAMMA"), Dir("alpha"), Dir("beta"), Dir("delta")}), Items());
    EXPECT_EQ(Strings({Dir("GAMMA"), Dir("alpha"), Dir("beta"), Dir("delta"), "", "", "", "", ""}), Stored());
}

TEST_F(DirBoxTest, TenthHistoryItemLeavesWhenANewDirectoryComesIn)
{
    TBCtlAddAlias("Proj", Dir("mu").c_str(), 0, FALSE);
    StoreHistory({Dir("beta"), Dir("gamma"), Dir("delta"), Dir("epsilon"), Dir("zeta"), Dir("eta"), Dir("theta"),
                  Dir("iota")});
    Open();
    ASSERT_EQ(10u, Items().size()); /* nine entries and the alias */

    Enter(Dir("kappa"));
    const Strings ten = {Dir("kappa"), Dir("alpha"), Dir("beta"), Dir("gamma"), Dir("delta"),
                         Dir("epsilon"), Dir("zeta"), Dir("eta"), Dir("theta"), Dir("iota")};
    Strings expected = ten;
    expected.push_back(":Proj:"); /* the alias made room and came back at the end */
    EXPECT_EQ(expected, Items());
    EXPECT_EQ(ten, History());
    EXPECT_EQ(Head(ten, 9), Stored()) << "only entries 0-8 are stored";

    Enter(Dir("lambda"));
    expected = {Dir("lambda"), Dir("kappa"), Dir("alpha"), Dir("beta"), Dir("gamma"), Dir("delta"),
                Dir("epsilon"), Dir("zeta"), Dir("eta"), Dir("theta"), ":Proj:"};
    EXPECT_EQ(expected, Items()) << Dir("iota") << " leaves the box";
    EXPECT_EQ(Head(expected, 10), History());
    EXPECT_EQ(Head(expected, 9), Stored());

    /* An alias chosen below a full history: the tenth entry leaves too. */
    Enter(":Proj:");
    expected = {":Proj:", Dir("lambda"), Dir("kappa"), Dir("alpha"), Dir("beta"), Dir("gamma"), Dir("delta"),
                Dir("epsilon"), Dir("zeta"), Dir("eta")};
    EXPECT_EQ(expected, Items());
    EXPECT_EQ(expected, History());
}

/* ------------------------------------------------------------------ */
/* The edit field's keys                                               */
/* ------------------------------------------------------------------ */

TEST_F(DirBoxTest, FieldKeysMoveTheFocusDropTypingAndRefresh)
{
    Open();
    SetFocus(edit_);
    EXPECT_EQ(pfvi_->hwndCombo, pfvi_->hwndFocus);

    SendMessageA(pfvi_->hwndCombo, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("typed"));
    EXPECT_EQ(0, SendKey(edit_, VK_TAB));
    EXPECT_EQ(pfvi_->hwndBrowse, GetFocus());
    EXPECT_EQ(pfvi_->hwndBrowse, pfvi_->hwndFocus);
    EXPECT_EQ(Dir("alpha"), Field()) << "uncommitted typing is dropped";

    SetFocus(edit_);
    EXPECT_EQ(0, SendKey(edit_, VK_TAB, true));
    EXPECT_EQ(pfvi_->hwndFileList, GetFocus());
    EXPECT_EQ(pfvi_->hwndFileList, pfvi_->hwndFocus);

    SetFocus(edit_);
    SendMessageA(pfvi_->hwndCombo, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("typed"));
    EXPECT_EQ(0, SendKey(edit_, VK_ESCAPE));
    EXPECT_EQ(Dir("alpha"), Field());

    LONG nEnum = Calls("TBMenumFiles");
    EXPECT_EQ(0, SendKey(edit_, VK_F5));
    EXPECT_EQ(nEnum + 1, Calls("TBMenumFiles"));

    /* Tab, Enter and Esc characters neither insert nor beep. */
    SendMessageA(pfvi_->hwndCombo, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("abc"));
    SendMessageA(edit_, EM_SETSEL, 3, 3);
    for (WPARAM ch : {9, 13, 27})
        EXPECT_EQ(0, SendMessageA(edit_, WM_CHAR, ch, 0));
    EXPECT_EQ("abc", Field());
    for (WPARAM vk : {VK_TAB, VK_RETURN, VK_ESCAPE})
        EXPECT_EQ(0, SendMessageA(edit_, WM_KEYUP, vk, 0));
}

TEST_F(DirBoxTest, FieldKeysGoToTheEditFieldWhileMinimised)
{
    Open();
    for (HWND hwndMin : {viewer_, host_->Frame()}) {
        ShowWindow(hwndMin, SW_MINIMIZE);
        PumpMessages();
        ASSERT_TRUE(IsIconic(hwndMin));
        TBCtlClearCalls();
        SendMessageA(pfvi_->hwndCombo, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(Dir("beta").c_str()));
        SendMessageA(edit_, WM_KEYDOWN, VK_RETURN, 0);
        SendMessageA(edit_, WM_KEYDOWN, VK_F5, 0);
        EXPECT_EQ(0, Calls("TBMfullPathname"));
        EXPECT_EQ(0, Calls("TBMenumFiles"));
        EXPECT_EQ(Dir("alpha"), HostWorkDir());
        ShowWindow(hwndMin, SW_RESTORE);
        PumpMessages();
    }
}

} // namespace
