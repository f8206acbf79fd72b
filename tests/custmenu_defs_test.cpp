// tbmenu32: menu definitions read from the registry at attach, freed at detach.
#include "custmenu_fixture.h"

#include "importhook.h"

namespace custmenutest {
namespace {

using Texts = std::vector<std::string>;

// Order numbers are seen through the order of the popup: each name of the
// table is placed between anchors with known numbers.
TEST_F(CustMenuTest, ValueNamesGiveOrderNumbersAndLabels)
{
    const struct {
        const char *pszName;
    } values[] = {
        {"11,A11"}, {"3,A3"}, {"1,A1"}, {"-2,A-2"}, {"-4,A-4"},              // anchors, created out of order
        {"2,Beta"}, {"x,y,z"}, {" -3,First"}, {"10Later,Item"},              // the names under test
        {"\t+7,Tabbed"}, {"99999999999,Huge"}, {"-99999999999,Tiny"}, {"4,a,Comma"},
    };
    for (const auto &v : values)
        AddValue("New", v.pszName, "run.exe");
    ASSERT_EQ(Attach(), TBENTRY_ATTACHED);
    EXPECT_EQ(PopupTexts(6), (Texts{"Tiny", "A-4", "First", "A-2", "z", "A1", "Beta", "A3", "Comma", "Tabbed", "Item",
                                    "A11", "Huge"}));
}

TEST_F(CustMenuTest, NameWithoutCommaTakesItsPlaceInTheTable)
{
    AddValue("Open", "2,Beta", "b.exe");
    AddValue("Open", "1,Alpha", "a.exe");
    AddValue("Open", "Gamma", "g.exe"); // third: order number 2
    AddValue("Open", "5,Last", "l.exe");
    ASSERT_EQ(Attach(), TBENTRY_ATTACHED);
    Texts texts = PopupTexts(9);
    ASSERT_EQ(texts.size(), 4u);
    EXPECT_EQ(texts[0], "Alpha");
    EXPECT_TRUE((texts[1] == "Beta" && texts[2] == "Gamma") || (texts[1] == "Gamma" && texts[2] == "Beta"))
        << texts[1] << ", " << texts[2];
    EXPECT_EQ(texts[3], "Last");
}

TEST_F(CustMenuTest, SeparatorDataInAnyCaseGivesSeparatorLinesWithoutIds)
{
    AddValue("Tools", "1,One", "one.exe");
    AddValue("Tools", "2,ignored", "SEPARATOR");
    AddValue("Tools", "3,Two", "two.exe");
    AddValue("Tools", "4,ignored too", "separator");
    AddValue("Tools", "5,Three", "three.exe");
    AddValue("Tools", "6,also", "SePaRaToR");
    AddValue("Tools", "7,Not a separator", "SEPARATORS");
    ASSERT_EQ(Attach(), TBENTRY_ATTACHED);
    std::vector<PopupItem> items = Popup(17);
    ASSERT_EQ(items.size(), 7u);
    const bool afSeparator[] = {false, true, false, true, false, true, false};
    const UINT aid[] = {1, 0, 2, 0, 3, 0, 4};
    for (size_t i = 0; i < items.size(); i++) {
        EXPECT_EQ(items[i].fSeparator, afSeparator[i]) << i;
        if (!afSeparator[i]) {
            EXPECT_EQ(items[i].id, aid[i]) << i;
        }
    }
    EXPECT_EQ(items[6].text, "Not a separator");
}

TEST_F(CustMenuTest, IdsRunOverAllMenusInTableOrderThenSortedOrder)
{
    // Created Help first and out of order: ids follow the table and the sort.
    AddValue("Help", "1,D", "d.exe");
    AddValue("Open", "1,C", "c.exe");
    AddValue("New", "3,B", "b.exe");
    AddValue("New", "2,line", "SEPARATOR");
    AddValue("New", "1,A", "a.exe");
    ASSERT_EQ(Attach(), TBENTRY_ATTACHED);
    EXPECT_EQ(IdOf(6, "A"), 1u);
    EXPECT_EQ(IdOf(6, "B"), 2u);
    EXPECT_EQ(IdOf(9, "C"), 3u);
    EXPECT_EQ(IdOf(18, "D"), 4u);

    // A new attach hands out ids from 1 again.
    Detach();
    ASSERT_EQ(Attach(), TBENTRY_ATTACHED);
    EXPECT_EQ(IdOf(6, "A"), 1u);
    EXPECT_EQ(IdOf(18, "D"), 4u);
}

TEST_F(CustMenuTest, AttachAnswersZeroWithoutRootKeyOrAnyMenuSubkey)
{
    const struct {
        const char *pszCase;
        const char *pszKey; // created under the root; nullptr: root itself; "" nothing
    } cases[] = {
        {"no root key", ""},
        {"root key without subkeys", nullptr},
        {"only an unrelated subkey", "Extras"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.pszCase);
        tbkit::LeakCheck leaks;
        RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Norvane");
        if (c.pszKey == nullptr || c.pszKey[0] != '\0')
            CreateMenuKey(c.pszKey);
        host_.ClearMessages();
        EXPECT_EQ(Attach(), 0);
        EXPECT_EQ(Info(), nullptr);
        EXPECT_EQ(host_.Count(TBM_GETHOSTSTRING), 0u);
        for (const MenuName &m : kMenus)
            EXPECT_EQ(Entry(m.nCode, 0), 0) << m.pszName;
    }
}

TEST_F(CustMenuTest, OnlyAnEmptyHelpSubkeyAttachesWithNineEmptyMenus)
{
    CreateMenuKey("Help");
    tbkit::LeakCheck leaks;
    host_.SetSecondString("second host text");
    ASSERT_EQ(Attach(), TBENTRY_ATTACHED);
    ASSERT_NE(Info(), nullptr);
    for (const MenuName &m : kMenus)
        EXPECT_EQ(Entry(m.nCode, 0), 0) << m.pszName;

    // The host was asked for its working directory, then its second text.
    EXPECT_TRUE(host_.MatchSequence({{TBM_GETHOSTSTRING, tbkit::HM_WPARAM, TBHS_WORKDIR, 0, nullptr},
                                     {TBM_GETHOSTSTRING, tbkit::HM_WPARAM, TBHS_SECONDSTRING, 0, nullptr}},
                                    true));
    EXPECT_STREQ(Info()->call.pszWorkDir, host_.WorkDir().c_str());
    EXPECT_STREQ(Info()->call.pszSecondString, "second host text");
    EXPECT_EQ(Info()->call.hwndHost, Hwnd());
    EXPECT_EQ(Info()->call.pszLabel, nullptr);
    Detach();
}

TEST_F(CustMenuTest, ThreeHundredValuesGiveAMenuOf256Items)
{
    HKEY hkey;
    ASSERT_EQ(RegCreateKeyA(HKEY_CURRENT_USER, MenuKeyPath("Utilities").c_str(), &hkey), ERROR_SUCCESS);
    for (int i = 0; i < 300; i++) {
        char szName[16];
        snprintf(szName, sizeof szName, "v%03d", i);
        RegSetValueExA(hkey, szName, 0, REG_SZ, reinterpret_cast<const BYTE *>("x.exe"), 6);
    }
    RegCloseKey(hkey);
    tbkit::LeakCheck leaks;
    ASSERT_EQ(Attach(), TBENTRY_ATTACHED);
    std::vector<PopupItem> items = Popup(11);
    ASSERT_EQ(items.size(), 256u);
    EXPECT_EQ(Info()->aMenus[2].nItems, 256);
    for (size_t i = 0; i < items.size(); i++)
        ASSERT_EQ(items[i].id, i + 1);
    Detach();
}

// Commands are observed where they go: WinExec's command line.
std::vector<std::string> g_winExecLines;
UINT WINAPI RecordWinExec(LPCSTR pszCmdLine, UINT)
{
    g_winExecLines.push_back(pszCmdLine);
    return 0; // not started
}

TEST_F(CustMenuTest, LabelsAndCommandsOver127CharactersAreCut)
{
    const std::string longLabel(200, 'L');
    const std::string longCommand = "C:\\p\\run.exe," + std::string(200, 'c');
    AddValue("File", "1," + longLabel, "short.exe");
    AddValue("File", "2,Long command", longCommand);
    ASSERT_EQ(Attach(), TBENTRY_ATTACHED);
    EXPECT_EQ(PopupTexts(15), (Texts{longLabel.substr(0, 127), "Long command"}));

    ImportHook hook(hmod_, "kernel32.dll", "WinExec", reinterpret_cast<void *>(RecordWinExec));
    ASSERT_TRUE(hook.Ok());
    g_winExecLines.clear();
    EXPECT_EQ(Entry(15, IdOf(15, "Long command")), 0);
    EXPECT_EQ(g_winExecLines, (std::vector<std::string>{longCommand.substr(0, 127)}));
}

TEST_F(CustMenuTest, PackedListsThatWouldOverflowKeepTheEntriesThatFit)
{
    // 20 labels of 127 characters need 2,560 bytes; 16 fit in 2,052 with the final zero.
    for (int i = 0; i < 20; i++) {
        char szPrefix[8];
        snprintf(szPrefix, sizeof szPrefix, "%02d", i);
        AddValue("New", std::string(szPrefix) + "," + szPrefix + std::string(125, 'l'), "a.exe");
        AddValue("Open", std::string(szPrefix) + ",C" + szPrefix, szPrefix + std::string(120, 'c') + ".exe");
    }
    tbkit::LeakCheck leaks;
    ASSERT_EQ(Attach(), TBENTRY_ATTACHED);
    Texts labels = PopupTexts(6);
    ASSERT_EQ(labels.size(), 16u);
    for (int i = 0; i < 16; i++)
        EXPECT_EQ(labels[i].substr(0, 2), (i < 10 ? "0" : "1") + std::to_string(i % 10));
    Texts commandsMenu = PopupTexts(9);
    ASSERT_EQ(commandsMenu.size(), 16u);
    EXPECT_EQ(commandsMenu.back(), "C15");
    Detach();
}

TEST_F(CustMenuTest, ValuesTooLargeForTheEnumerationAreSkippedAndReadingGoesOn)
{
    // Room is 255 characters of name with its zero and 255 bytes of data.
    const std::string name254 = "2," + std::string(252, 'n');
    const std::string name255 = "3," + std::string(253, 'N');
    AddValue("SysSettings", "1,First", "a.exe");
    AddValue("SysSettings", name254, "b.exe");
    AddValue("SysSettings", name255, "c.exe");
    AddValue("SysSettings", "4,Data 254", std::string(250, 'd') + ".exe");  // 255 bytes with its zero
    AddValue("SysSettings", "5,Data 255", std::string(251, 'D') + ".exe");  // 256 bytes
    AddValue("SysSettings", "6,Last", "z.exe");
    tbkit::LeakCheck leaks;
    ASSERT_EQ(Attach(), TBENTRY_ATTACHED);
    EXPECT_EQ(PopupTexts(13), (Texts{"First", std::string(127, 'n'), "Data 254", "Last"}));
    Detach();
}

TEST_F(CustMenuTest, DataWithoutTerminatorIsNotReadPastItsEnd)
{
    // Enumerated in this order: the DWORD's four bytes land where the first
    // value's longer data was; read past them, they would make "q.exe".
    AddValue("Properties", "1,First", "1234e");
    const BYTE abDword[4] = {'q', '.', 'e', 'x'};
    AddRawValue("Properties", "2,Dword", REG_DWORD, abDword, sizeof abDword);
    const std::string full(MENUDEF_DATAMAX, 'B');
    AddRawValue("Properties", "3,Binary full", REG_BINARY, full.data(), static_cast<DWORD>(full.size()));
    tbkit::LeakCheck leaks;
    ASSERT_EQ(Attach(), TBENTRY_ATTACHED);
    EXPECT_EQ(PopupTexts(16), (Texts{"First", "Dword", "Binary full"}));
    EXPECT_STREQ(Info()->aMenus[6].pItems[1].pszCommand, "q.ex");
    EXPECT_STREQ(Info()->aMenus[6].pItems[2].pszCommand, std::string(127, 'B').c_str());

    ImportHook hook(hmod_, "kernel32.dll", "WinExec", reinterpret_cast<void *>(RecordWinExec));
    ASSERT_TRUE(hook.Ok());
    g_winExecLines.clear();
    EXPECT_EQ(Entry(16, IdOf(16, "Dword")), 0);
    EXPECT_TRUE(g_winExecLines.empty());
    Detach();
}

TEST_F(CustMenuTest, DetachGivesBackEveryBlockAndRemovesTheProperty)
{
    AddValue("New", "1,A", "a.exe");
    AddValue("New", "2,s", "separator");
    AddValue("Help", "Topic", "help.exe");
    tbkit::LeakCheck leaks;
    ASSERT_EQ(Attach(), TBENTRY_ATTACHED);
    EXPECT_NE(GetPropA(Hwnd(), "TBDLITE"), nullptr);
    EXPECT_GT(leaks.Delta(), 0);
    Detach();
    EXPECT_EQ(GetPropA(Hwnd(), "TBDLITE"), nullptr);
    EXPECT_EQ(leaks.Delta(), 0);
    // Detaching again, or a window never attached, does nothing.
    Detach();
    EXPECT_EQ(Entry(TBENTRY_DETACH), 0);
}

TEST_F(CustMenuTest, SecondAttachStartsAfreshWithoutLeaking)
{
    AddValue("New", "1,A", "a.exe");
    tbkit::LeakCheck leaks;
    ASSERT_EQ(Attach(), TBENTRY_ATTACHED);
    LONG nAttached = leaks.Delta();
    AddValue("New", "2,B", "b.exe");
    ASSERT_EQ(Attach(), TBENTRY_ATTACHED);
    EXPECT_EQ(PopupTexts(6), (Texts{"A", "B"}));
    EXPECT_GT(leaks.Delta(), nAttached);
    Detach();
    EXPECT_EQ(leaks.Delta(), 0);
}

void AddSweepMenus()
{
    CustMenuTest::AddValue("New", "1,A", "a.exe");
    CustMenuTest::AddValue("New", "2,-", "SEPARATOR");
    CustMenuTest::AddValue("New", "3,B", "b.dll,Entry");
    CustMenuTest::AddValue("Tools", "C", "c.ssl");
    CustMenuTest::AddValue("Help", "1,D", "d.exe");
}

// Every allocation of attach failing in turn: no leak, and either nothing is
// attached or the attached menus are complete popups whose ids still count up.
TEST_F(CustMenuTest, AllocationFailureSweepOverAttach)
{
    AddSweepMenus();
    LONG nAttached = 0, nRefused = 0;
    tbkit::SweepResult result = tbkit::ForEachAllocationFailure([&] {
        host_.ClearMessages();
        LRESULT lResult = Attach();
        if (lResult == TBENTRY_ATTACHED) {
            nAttached++;
            ASSERT_NE(Info(), nullptr);
            EXPECT_EQ(host_.Count(TBM_GETHOSTSTRING), 2u);
            UINT idExpected = 1;
            for (const MenuName &m : kMenus) {
                HMENU hmenu = reinterpret_cast<HMENU>(Entry(m.nCode, 0));
                if (hmenu == nullptr)
                    continue;
                for (int i = 0; i < GetMenuItemCount(hmenu); i++) {
                    if (GetMenuState(hmenu, i, MF_BYPOSITION) & MF_SEPARATOR)
                        continue;
                    EXPECT_EQ(GetMenuItemID(hmenu, i), idExpected++);
                }
                DestroyMenu(hmenu);
            }
        } else {
            nRefused++;
            EXPECT_EQ(lResult, 0);
            EXPECT_EQ(Info(), nullptr);
            EXPECT_EQ(host_.Count(TBM_GETHOSTSTRING), 0u);
        }
        Detach();
        EXPECT_EQ(Info(), nullptr);
    });
    EXPECT_GE(result.nAllocations, 13); // record, 4 arrays, 8 copies, 2 buffers
    EXPECT_TRUE(result.Clean());
    EXPECT_GT(nAttached, 1);
    EXPECT_GT(nRefused, 1);
}

// Without either 520-byte host text buffer nothing stays attached: entries
// are never handed a missing buffer.
TEST_F(CustMenuTest, HostTextBufferThatCannotBeTakenRefusesTheAttach)
{
    AddSweepMenus();
    TBCtlResetAllocationCount();
    ASSERT_EQ(Attach(), TBENTRY_ATTACHED);
    const LONG nAllocations = TBCtlAllocationCount();
    Detach();
    for (LONG nFail : {nAllocations - 1, nAllocations}) { // the two buffers come last
        SCOPED_TRACE(nFail);
        tbkit::LeakCheck leaks;
        host_.ClearMessages();
        TBCtlFailAllocation(nFail);
        EXPECT_EQ(Attach(), 0);
        TBCtlFailAllocation(0);
        EXPECT_EQ(Info(), nullptr);
        EXPECT_EQ(host_.Count(TBM_GETHOSTSTRING), 0u);
    }
}

} // namespace
} // namespace custmenutest
