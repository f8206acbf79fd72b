/* The folder browser and the file-selection record and dialog, scripted. */
#include "svc_fixture.h"

namespace {

using svctest::MdiHost;
using svctest::SvcTest;

TEST_F(SvcTest, FileSelectionRecordRoundTripLeavesNoBlock)
{
    MdiHost host;
    host.Register("C:\\w");
    FSINFO *pInfo = FScreateFSinfo(host.hwndClient, 6, 1, 0, 0);
    ASSERT_NE(nullptr, pInfo);
    EXPECT_EQ(nBlocksBefore_ + 1, TBCtlOutstandingBlocks());
    /* The kind pointer leads into the record itself. */
    EXPECT_EQ(&pInfo->nKindStore, pInfo->pnKind);
    EXPECT_EQ(host.hwndClient, pInfo->hwndDesktop);
    *pInfo->pnKind = 2;
    pInfo->nOption292 = 0;

    TBCtlSetAnswer(TBA_FSFILESELECT, 1);
    TBCtlSetFileSelectResult("C:\\w\\customers.qry");
    EXPECT_TRUE(FSfileSelect(host.hwndFrame, pInfo));
    EXPECT_STREQ("C:\\w\\customers.qry", pInfo->szFile);
    LONG nKind = -1, nOption = -1;
    ASSERT_TRUE(TBCtlLastFileSelect(&nKind, &nOption));
    EXPECT_EQ(2, nKind);
    EXPECT_EQ(0, nOption);

    /* Cancelled: the name stays as it was. */
    TBCtlSetAnswer(TBA_FSFILESELECT, 0);
    TBCtlSetFileSelectResult("other.qry");
    EXPECT_FALSE(FSfileSelect(host.hwndFrame, pInfo));
    EXPECT_STREQ("C:\\w\\customers.qry", pInfo->szFile);

    FSdestroyFSinfo(pInfo);
    EXPECT_EQ(nBlocksBefore_, TBCtlOutstandingBlocks());
}

TEST_F(SvcTest, FileSelectionRecordIsRefusedWhenScriptedOrOutOfMemory)
{
    TBCtlSetAnswer(TBA_FSCREATEFSINFO, 0);
    EXPECT_EQ(nullptr, FScreateFSinfo(NULL, 6, 1, 0, 0));
    TBCtlResetAnswers();
    TBCtlFailAllocation(1);
    EXPECT_EQ(nullptr, FScreateFSinfo(NULL, 6, 1, 0, 0));
    FSdestroyFSinfo(NULL);
}

/* A scripted name longer than the record's field is cut, never overrun. */
TEST_F(SvcTest, FileSelectCutsAnOverlongScriptedName)
{
    TBCtlSetGuardPages(TRUE);
    FSINFO *pInfo = FScreateFSinfo(NULL, 6, 1, 0, 0);
    ASSERT_NE(nullptr, pInfo);
    std::string name(400, 'q');
    TBCtlSetAnswer(TBA_FSFILESELECT, 1);
    TBCtlSetFileSelectResult(name.c_str());
    EXPECT_TRUE(FSfileSelect(NULL, pInfo));
    EXPECT_EQ(TBFS_NAMEMAX - 1, lstrlenA(pInfo->szFile));
    FSdestroyFSinfo(pInfo);
}

TEST_F(SvcTest, MakeBrowserHandsBackAHostCopyOfTheScriptedPath)
{
    LPSTR pszChosen = NULL;
    BROWSERINFO bi = {};
    char szInitial[262] = "C:\\start";
    bi.pszInitialDir = szInitial;
    bi.nChosen = 1;
    bi.ppszChosen = &pszChosen;

    TBCtlSetAnswer(TBA_MAKEBROWSER, 1);
    TBCtlSetBrowserResult("C:\\picked\\");
    EXPECT_TRUE(MakeBrowser(&bi));
    EXPECT_EQ(1, bi.nChosen);
    ASSERT_NE(nullptr, pszChosen);
    EXPECT_STREQ("C:\\picked\\", pszChosen);
    EXPECT_EQ(nBlocksBefore_ + 1, TBCtlOutstandingBlocks()); /* the caller's to free */
    fastfree(pszChosen);

    pszChosen = NULL;
    TBCtlSetAnswer(TBA_MAKEBROWSER, 0);
    EXPECT_FALSE(MakeBrowser(&bi));
    EXPECT_EQ(0, bi.nChosen);
    EXPECT_EQ(nullptr, pszChosen);

    /* No memory for the copy: nothing chosen, nothing taken. */
    TBCtlSetAnswer(TBA_MAKEBROWSER, 1);
    bi.nChosen = 1;
    TBCtlFailAllocation(1);
    EXPECT_FALSE(MakeBrowser(&bi));
    EXPECT_EQ(0, bi.nChosen);
    EXPECT_EQ(nullptr, pszChosen);
    TBCALL call;
    ASSERT_TRUE(TBCtlGetCall("MakeBrowser", 0, &call));
    EXPECT_STREQ("C:\\start", call.szText);
}

} // namespace
