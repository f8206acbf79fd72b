// tbmenu32: the entry's request codes, popups and the lookup of command ids.
#include "custmenu_fixture.h"

namespace custmenutest {
namespace {

using Texts = std::vector<std::string>;

TEST_F(CustMenuTest, PopupHoldsTheItemsInOrderWithSeparatorLines)
{
    AddValue("New", "3,Beta", "b.exe");
    AddValue("New", "2,middle", "SEPARATOR");
    AddValue("New", "1,Alpha", "a.exe");
    ASSERT_EQ(Attach(), TBENTRY_ATTACHED);
    std::vector<PopupItem> items = Popup(6);
    ASSERT_EQ(items.size(), 3u);
    EXPECT_FALSE(items[0].fSeparator);
    EXPECT_EQ(items[0].text, "Alpha");
    EXPECT_EQ(items[0].id, 1u);
    EXPECT_TRUE(items[1].fSeparator);
    EXPECT_EQ(items[1].text, "");
    EXPECT_FALSE(items[2].fSeparator);
    EXPECT_EQ(items[2].text, "Beta");
    EXPECT_EQ(items[2].id, 2u);
}

TEST_F(CustMenuTest, EachMenuCodeAnswersItsOwnMenu)
{
    for (const MenuName &m : kMenus)
        AddValue(m.pszName, std::string("1,") + m.pszName + " item", "x.exe");
    ASSERT_EQ(Attach(), TBENTRY_ATTACHED);
    UINT id = 1;
    for (const MenuName &m : kMenus) {
        std::vector<PopupItem> items = Popup(m.nCode);
        ASSERT_EQ(items.size(), 1u) << m.pszName;
        EXPECT_EQ(items[0].text, std::string(m.pszName) + " item");
        EXPECT_EQ(items[0].id, id++);
    }
}

TEST_F(CustMenuTest, EveryRequestAnswersANewPopupThatTheHostOwns)
{
    AddValue("Tools", "1,One", "one.exe");
    ASSERT_EQ(Attach(), TBENTRY_ATTACHED);
    HMENU hmenu1 = reinterpret_cast<HMENU>(Entry(17, 0));
    HMENU hmenu2 = reinterpret_cast<HMENU>(Entry(17, 0));
    ASSERT_NE(hmenu1, nullptr);
    ASSERT_NE(hmenu2, nullptr);
    EXPECT_NE(hmenu1, hmenu2);
    EXPECT_EQ(GetMenuItemCount(hmenu1), 1);
    EXPECT_EQ(GetMenuItemCount(hmenu2), 1);
    // Detach leaves the host's popups alone.
    Detach();
    EXPECT_TRUE(IsMenu(hmenu1));
    EXPECT_TRUE(IsMenu(hmenu2));
    DestroyMenu(hmenu1);
    DestroyMenu(hmenu2);
}

TEST_F(CustMenuTest, EmptyMenuAnswersZero)
{
    AddValue("New", "1,One", "one.exe");
    CreateMenuKey("Open");
    ASSERT_EQ(Attach(), TBENTRY_ATTACHED);
    EXPECT_EQ(Entry(9, 0), 0);  // subkey without values
    EXPECT_EQ(Entry(11, 0), 0); // no subkey
}

TEST_F(CustMenuTest, CommandIdsAreLookedUpInAllMenus)
{
    const std::string command = BinDir() + "\\tbmenuentry.dll,RecordMenuCall";
    AddValue("New", "1,From New", command);
    AddValue("Help", "1,From Help", command);
    ASSERT_EQ(Attach(), TBENTRY_ATTACHED);
    EntryLibrary entry;
    ASSERT_TRUE(entry.Ok());
    UINT idNew = IdOf(6, "From New");
    ASSERT_EQ(idNew, 1u);
    EXPECT_EQ(Entry(18, idNew), 1); // asked with the code of Help
    EXPECT_EQ(entry.Record().nCalls, 1);
    EXPECT_STREQ(entry.Record().szLabel, "From New");
    EXPECT_EQ(Entry(11, 2), 1); // an empty menu's code runs Help's item
    EXPECT_STREQ(entry.Record().szLabel, "From Help");
    EXPECT_EQ(Entry(6, 3), 0); // no item has id 3
    EXPECT_EQ(entry.Record().nCalls, 2);
}

TEST_F(CustMenuTest, OtherRequestCodesAnswerZeroAndDoNothing)
{
    AddValue("New", "1,Run", BinDir() + "\\tbmenuentry.dll,RecordMenuCall");
    ASSERT_EQ(Attach(), TBENTRY_ATTACHED);
    EntryLibrary entry;
    ASSERT_TRUE(entry.Ok());
    host_.ClearMessages();
    TBCtlResetAllocationCount();
    for (LONG nCode : {1L, 2L, 4L, 5L, 7L, 8L, 10L, 14L, 19L, 20L, 100L, -1L}) {
        for (LPARAM lArg : {LPARAM(0), LPARAM(1)}) {
            EXPECT_EQ(Entry(nCode, lArg), 0) << "code " << nCode << ", argument " << lArg;
        }
    }
    EXPECT_EQ(entry.Record().nCalls, 0);
    EXPECT_EQ(TBCtlAllocationCount(), 0);
    EXPECT_TRUE(host_.Messages().empty());
    EXPECT_NE(Info(), nullptr); // still attached
    EXPECT_EQ(Entry(6, 1), 1);
}

TEST_F(CustMenuTest, RequestsWithoutAttachAnswerZero)
{
    AddValue("New", "1,Run", BinDir() + "\\tbmenuentry.dll,RecordMenuCall");
    EntryLibrary entry;
    for (const MenuName &m : kMenus) {
        EXPECT_EQ(Entry(m.nCode, 0), 0);
        EXPECT_EQ(Entry(m.nCode, 1), 0);
    }
    EXPECT_EQ(entry.Record().nCalls, 0);
    // Another window than the attached one has no record either.
    ASSERT_EQ(Attach(), TBENTRY_ATTACHED);
    EXPECT_EQ(pfnEntry_(host_.Desktop(), 6, 0, 0), 0);
    EXPECT_EQ(pfnEntry_(host_.Desktop(), 6, 1, 0), 0);
    EXPECT_EQ(entry.Record().nCalls, 0);
}

} // namespace
} // namespace custmenutest
