/* Text helpers, extensions, path checks, full path names, aliases and the
 * files of a working directory. */
#include <algorithm>

#include "svc_fixture.h"

namespace {

using svctest::MdiHost;
using svctest::SvcTest;
using svctest::TempDir;

TEST_F(SvcTest, TextHelpersFindCompareAppendAndMoveOverlapping)
{
    char sz[16] = "a,b,c";
    EXPECT_EQ(sz + 1, lstrchr(sz, ','));
    EXPECT_EQ(nullptr, lstrchr(sz, ';'));
    EXPECT_EQ(sz + 5, lstrchr(sz, 0));
    EXPECT_NE(nullptr, lstrstr("NOTEPAD.EXE", "EXE"));
    EXPECT_EQ(nullptr, lstrstr("NOTEPAD.EX", "EXE"));
    EXPECT_EQ(0, lstrncmp("ABCx", "ABCy", 3));
    EXPECT_NE(0, lstrncmp("ABCx", "ABCy", 4));
    EXPECT_NE(0, lstrncmp("AB", "ABC", 3));
    charcat(sz, ':');
    EXPECT_STREQ("a,b,c:", sz);

    char buf[12] = "0123456789";
    lmemmov(buf + 2, buf, 5); /* forward overlap */
    EXPECT_STREQ("0101234789", buf);
    lmemmov(buf, buf + 3, 5); /* backward overlap */
    EXPECT_STREQ("1234734789", buf);
    lmemset(buf, 'z', 3);
    EXPECT_STREQ("zzz4734789", buf);
}

/* The answer points into the caller's text, after the last dot of the last
 * path component; at the terminator when there is none. */
TEST_F(SvcTest, GetExtensionPointsIntoTheNameAfterTheLastDotOfTheLastComponent)
{
    struct Case {
        const char *pszName;
        int iExt; /* offset of the answer in the name */
    } cases[] = {
        {"orders.db", 7},        {"a.b.QRY", 4},   {"noext", 5},          {"dir.d\\file", 10},
        {"dir.d/file", 10},      {"c:x.fsl", 4},   {"c:dir.x", 6},        {"trailing.", 9},
        {".profile", 1},         {"", 0},          {"c:\\a.b\\c.d\\e", 12}, {"prog.exe c:\\x\\y.txt", 16},
    };
    for (const Case &c : cases) {
        char sz[64];
        lstrcpynA(sz, c.pszName, sizeof(sz));
        LPSTR psz = GetExtension(sz);
        EXPECT_EQ(sz + c.iExt, psz) << c.pszName;
    }
    EXPECT_STREQ("", GetExtension(NULL));
}

TEST_F(SvcTest, CheckPathAcceptsWellFormedShortPathsOnly)
{
    std::string long259 = "C:\\" + std::string(256, 'a');
    std::string long260 = long259 + "b";
    struct Case {
        std::string path;
        bool fOk;
    } cases[] = {
        {"C:\\work\\data", true},  {"C:\\", true},         {"\\\\srv\\share\\x", true}, {long259, true},
        {long260, false},          {"", false},            {"C:\\a|b", false},          {"C:\\a?", false},
        {"C:\\a\\b:c", false},     {"C:\\a\"b", false},    {"1:\\x", false},
    };
    for (const Case &c : cases) {
        LONG l = TBMcheckPath(c.path.c_str());
        if (c.fOk)
            EXPECT_EQ(0, l) << c.path;
        else
            EXPECT_NE(0, l) << c.path;
    }
    TBCtlSetAnswer(TBA_CHECKPATH, 4711);
    EXPECT_EQ(4711, TBMcheckPath("C:\\fine"));
}

TEST_F(SvcTest, FileAndDirectoryChecksUseTheFileSystem)
{
    TempDir dir;
    std::string file = dir.File("t.db");
    std::string sub = dir.Dir("sub");
    EXPECT_TRUE(FileExists(file.c_str()));
    EXPECT_FALSE(FileExists(sub.c_str()));
    EXPECT_FALSE(FileExists((dir.path + "\\missing.db").c_str()));

    EXPECT_TRUE(IsGoodWorkDir(sub.c_str()));
    EXPECT_FALSE(IsGoodWorkDir(file.c_str()));
    EXPECT_FALSE(IsGoodWorkDir((dir.path + "\\missing").c_str()));
    TBCtlSetAnswer(TBA_ISGOODWORKDIR, 0);
    EXPECT_FALSE(IsGoodWorkDir(sub.c_str()));

    /* In place, with a trailing backslash, as the directory box calls it. */
    char sz[MAX_PATH];
    lstrcpynA(sz, (dir.path + "\\sub\\..\\sub\\").c_str(), sizeof(sz));
    EXPECT_TRUE(ValidateDirectory(NULL, sz, sz));
    EXPECT_STREQ((sub + "\\").c_str(), sz);
    lstrcpynA(sz, file.c_str(), sizeof(sz));
    EXPECT_FALSE(ValidateDirectory(NULL, sz, sz));
    EXPECT_STREQ(file.c_str(), sz);
    TBCtlSetAnswer(TBA_VALIDATEDIRECTORY, 0);
    lstrcpynA(sz, sub.c_str(), sizeof(sz));
    EXPECT_FALSE(ValidateDirectory(NULL, sz, sz));
}

TEST_F(SvcTest, DosGetFileTimeReadsTheLastWriteTimeOrWritesNothing)
{
    TempDir dir;
    std::string file = dir.File("q.qry");
    FILETIME ft = {0x12345678, 0x01D00000};
    HANDLE h = CreateFileA(file.c_str(), FILE_WRITE_ATTRIBUTES, 0, NULL, OPEN_EXISTING, 0, NULL);
    ASSERT_NE(INVALID_HANDLE_VALUE, h);
    ASSERT_TRUE(SetFileTime(h, NULL, NULL, &ft));
    CloseHandle(h);

    DWORD stamp[2] = {0, 0};
    EXPECT_TRUE(DosGetFILETIME(file.c_str(), stamp));
    EXPECT_EQ(ft.dwLowDateTime, stamp[0]);
    EXPECT_EQ(ft.dwHighDateTime, stamp[1]);

    DWORD untouched[2] = {0xAAAAAAAA, 0xBBBBBBBB};
    EXPECT_FALSE(DosGetFILETIME((dir.path + "\\gone.qry").c_str(), untouched));
    EXPECT_EQ(0xAAAAAAAAu, untouched[0]);
    EXPECT_EQ(0xBBBBBBBBu, untouched[1]);
}

class FullPathTest : public SvcTest {
protected:
    void SetUp() override
    {
        SvcTest::SetUp();
        host_.Register("C:\\tbwork\\proj");
        hSession_ = TBMgetSession(host_.hwndClient);
        TBCtlAddAlias("Work", "D:\\data\\work", 0, FALSE);
        TBCtlAddAlias("Rel", "sub", 0, FALSE);
    }
    MdiHost host_;
    HTBSESSION hSession_ = NULL;
};

TEST_F(FullPathTest, NamesResolveAgainstTheWorkingDirectoryAndAliases)
{
    ASSERT_NE(nullptr, hSession_);
    struct Case {
        const char *pszName;
        const char *pszFull;
    } cases[] = {
        {"orders.db", "C:\\tbwork\\proj\\orders.db"},
        {"sub\\..\\q.qry", "C:\\tbwork\\proj\\q.qry"},
        {"", "C:\\tbwork\\proj"},
        {"..", "C:\\tbwork"},
        {"E:\\x\\y.db", "E:\\x\\y.db"},
        {"E:/x/./y.db", "E:\\x\\y.db"},
        {"\\top\\t.db", "C:\\top\\t.db"},
        {"c:rel.db", "C:\\tbwork\\proj\\rel.db"},
        {"F:rel.db", "F:\\rel.db"},
        {":Work:", "D:\\data\\work"},
        {":work:t.db", "D:\\data\\work\\t.db"},
        {":WORK:\\s\\t.db", "D:\\data\\work\\s\\t.db"},
        {":Rel:f.fsl", "C:\\tbwork\\proj\\sub\\f.fsl"},
        {"\\\\srv\\share\\a.db", "\\\\srv\\share\\a.db"},
    };
    /* The process's own current directory plays no part. */
    char szCwd[MAX_PATH];
    GetCurrentDirectoryA(sizeof(szCwd), szCwd);
    char szTemp[MAX_PATH];
    GetTempPathA(sizeof(szTemp), szTemp);
    SetCurrentDirectoryA(szTemp);
    for (const Case &c : cases) {
        char szOut[MAX_PATH] = "";
        EXPECT_EQ(0, TBMfullPathname(hSession_, c.pszName, szOut)) << c.pszName;
        EXPECT_STRCASEEQ(c.pszFull, szOut) << c.pszName;
    }
    SetCurrentDirectoryA(szCwd);
}

TEST_F(FullPathTest, BadNamesAnswerAnErrorAndLeaveTheOutputAlone)
{
    std::string tooLong(300, 'n');
    std::string longAfterJoin(250, 'm'); /* fits alone, not with the directory */
    struct Case {
        std::string name;
        LONG lCode;
    } cases[] = {
        {":nope:x.db", 10247}, {":open", 10245},          {"::x", 10245},  {"a|b.db", 10245},
        {tooLong, 10245},      {longAfterJoin, 10245},    {"x?.db", 10245},
    };
    for (const Case &c : cases) {
        char szOut[MAX_PATH];
        lstrcpynA(szOut, "sentinel", sizeof(szOut));
        EXPECT_EQ(c.lCode, TBMfullPathname(hSession_, c.name.c_str(), szOut)) << c.name;
        EXPECT_STREQ("sentinel", szOut) << c.name;
    }
    /* Relative names need a session. */
    char szOut[MAX_PATH];
    EXPECT_NE(0, TBMfullPathname(NULL, "a.db", szOut));
    EXPECT_EQ(0, TBMfullPathname(NULL, "C:\\a.db", szOut));
}

/* The output buffer is 260 bytes: a result of 259 characters fits exactly,
 * one more is refused, and nothing is ever written past the end. */
TEST_F(FullPathTest, OutputNeverRunsPastA260ByteBuffer)
{
    TBCtlSetGuardPages(TRUE);
    LPSTR pszOut = (LPSTR)fastmalloc(MAX_PATH);
    ASSERT_NE(nullptr, pszOut);
    std::string dir = "C:\\tbwork\\proj\\";
    std::string fits(259 - dir.size(), 'f');
    EXPECT_EQ(0, TBMfullPathname(hSession_, fits.c_str(), pszOut));
    EXPECT_EQ(259, lstrlenA(pszOut));
    std::string over = fits + "g";
    EXPECT_NE(0, TBMfullPathname(hSession_, over.c_str(), pszOut));
    fastfree(pszOut);
}

TEST_F(FullPathTest, ScriptedAnswerOverridesTheResult)
{
    char szOut[MAX_PATH] = "keep";
    TBCtlSetAnswer(TBA_FULLPATHNAME, 10250);
    EXPECT_EQ(10250, TBMfullPathname(hSession_, "a.db", szOut));
    EXPECT_STREQ("keep", szOut);
    TBCtlSetAnswer(TBA_FULLPATHNAME, 0);
    EXPECT_EQ(0, TBMfullPathname(hSession_, "a|b", szOut));
    EXPECT_STREQ("a|b", szOut);
}

TEST_F(FullPathTest, DecomposeAliasGivesTheNameBetweenTheColons)
{
    struct Case {
        const char *pszText;
        const char *pszAlias;
    } cases[] = {{":Work:", "Work"}, {":Work:t.db", "Work"}, {"C:\\x", ""}, {":open", ""}, {"", ""}, {"::", ""}};
    for (const Case &c : cases) {
        char sz[MAX_PATH + 4];
        lstrcpynA(sz, "junk", sizeof(sz));
        TBMdecomposeAlias(c.pszText, sz, 0);
        EXPECT_STREQ(c.pszAlias, sz) << c.pszText;
    }
}

struct AliasSeen {
    std::vector<std::string> names;
    std::vector<std::string> paths;
    std::vector<int> flags;
    std::vector<BOOL> servers;
};

LONG WINAPI CollectAlias(LPVOID pContext, ALIASDESC *pAlias)
{
    AliasSeen *p = (AliasSeen *)pContext;
    p->names.push_back(pAlias->szAlias);
    p->paths.push_back(pAlias->szPath);
    p->flags.push_back(pAlias->bFlags);
    p->servers.push_back(TBMdbServer(pAlias));
    return 0;
}

TEST_F(FullPathTest, EnumDBsListsTheAliasesInOrderWithTheirFields)
{
    TBCtlAddAlias("Priv", "C:\\p", TBALIAS_PRIVATE, FALSE);
    TBCtlAddAlias("Remote", "", 0, TRUE);
    AliasSeen seen;
    EXPECT_EQ(4, TBMenumDBs(hSession_, CollectAlias, &seen));
    EXPECT_EQ((std::vector<std::string>{"Work", "Rel", "Priv", "Remote"}), seen.names);
    EXPECT_EQ((std::vector<std::string>{"D:\\data\\work", "sub", "C:\\p", ""}), seen.paths);
    EXPECT_EQ((std::vector<int>{0, 0, TBALIAS_PRIVATE, 0}), seen.flags);
    EXPECT_EQ((std::vector<BOOL>{FALSE, FALSE, FALSE, TRUE}), seen.servers);

    TBCtlSetPrivateString("Priv");
    EXPECT_STREQ("Priv", TBMprivateString());
    TBCtlSetPrivateString(NULL);
    EXPECT_STREQ("", TBMprivateString());
}

/* ---- files of the working directory ---- */

LONG WINAPI CollectName(LPVOID pContext, LPCSTR pszName)
{
    ((std::vector<std::string> *)pContext)->push_back(pszName);
    return 0;
}

std::vector<std::string> Enumerate(HWND hwndDesktop, LONG nKind, bool fSort)
{
    ENUMFILESREQUEST req = {};
    req.nKind = nKind;
    TBMprojectString(nKind, req.szProject);
    std::vector<std::string> names;
    TBMenumFiles(hwndDesktop, CollectName, &names, &req);
    if (fSort)
        std::sort(names.begin(), names.end());
    return names;
}

TEST_F(SvcTest, EnumFilesListsTheWorkingDirectoryFilesOfTheKind)
{
    TempDir dir;
    for (const char *psz : {"a.db", "B.DB", "q.QRY", "s.sql", "f.frm", "notes.txt", "plain", "run.log"})
        dir.File(psz);
    dir.Dir("folder.db"); /* directories are never listed */
    MdiHost host;
    host.Register(dir.path.c_str());
    HWND hwndDesktop = host.hwndClient;

    EXPECT_EQ((std::vector<std::string>{"B.DB", "a.db", "f.frm", "notes.txt", "plain", "q.QRY", "run.log", "s.sql"}),
              Enumerate(hwndDesktop, 0, true));
    EXPECT_EQ((std::vector<std::string>{"B.DB", "a.db"}), Enumerate(hwndDesktop, 3, true));
    EXPECT_EQ((std::vector<std::string>{"q.QRY", "s.sql"}), Enumerate(hwndDesktop, 4, true));
    EXPECT_EQ((std::vector<std::string>{"f.frm"}), Enumerate(hwndDesktop, 6, true));
    EXPECT_EQ((std::vector<std::string>{"notes.txt"}), Enumerate(hwndDesktop, 7, true));

    /* The host's table decides which extensions make a kind. */
    TBCtlSetKindExtensions(7, "log\0");
    EXPECT_EQ((std::vector<std::string>{"run.log"}), Enumerate(hwndDesktop, 7, true));
    TBCtlSetKindExtensions(7, NULL);
    EXPECT_EQ((std::vector<std::string>{"notes.txt"}), Enumerate(hwndDesktop, 7, true));

    /* Follows the working directory as the host changes it. */
    TempDir other;
    other.File("z.db");
    ASSERT_TRUE(TBCtlSetWorkDir(hwndDesktop, other.path.c_str()));
    EXPECT_EQ((std::vector<std::string>{"z.db"}), Enumerate(hwndDesktop, 0, true));
}

TEST_F(SvcTest, EnumFilesListsAScriptedListInItsOrderFilteredByKind)
{
    MdiHost host;
    host.Register("C:\\nowhere");
    TBCtlSetFileList("z.db\0y.qry\0x.DB\0w\0");
    EXPECT_EQ((std::vector<std::string>{"z.db", "y.qry", "x.DB", "w"}), Enumerate(host.hwndClient, 0, false));
    EXPECT_EQ((std::vector<std::string>{"z.db", "x.DB"}), Enumerate(host.hwndClient, 3, false));
    TBCtlSetFileList("");
    EXPECT_TRUE(Enumerate(host.hwndClient, 0, false).empty());
}

TEST_F(SvcTest, ServerExtensionsMakeServerPathsThatCountAsTables)
{
    MdiHost host;
    host.Register("C:\\nowhere");
    HTBSESSION hSession = TBMgetSession(host.hwndClient);
    EXPECT_FALSE(TBMisServerPath(hSession, "t.srv"));
    TBCtlSetServerExtensions("SRV\0");
    EXPECT_TRUE(TBMisServerPath(hSession, "t.srv"));
    EXPECT_FALSE(TBMisServerPath(hSession, "t.db"));
    EXPECT_FALSE(TBMisServerPath(hSession, "srv"));
    TBCtlSetFileList("t.srv\0u.qry\0");
    EXPECT_EQ((std::vector<std::string>{"t.srv"}), Enumerate(host.hwndClient, 3, false));
}

TEST_F(SvcTest, ProjectStringIsBoundedToItsBuffer)
{
    char sz[sizeof(((ENUMFILESREQUEST *)0)->szProject)];
    EXPECT_EQ(sz, TBMprojectString(0, sz));
    EXPECT_STREQ("*.*", sz);
    TBMprojectString(4, sz);
    EXPECT_STREQ("*.QRY;*.SQL", sz);

    /* A long extension list is cut at the 284-byte buffer. */
    std::string many;
    for (int i = 0; i < 100; ++i)
        many += "EXT" + std::to_string(i) + '\0';
    many += '\0';
    TBCtlSetKindExtensions(9, many.data());
    TBCtlSetGuardPages(TRUE);
    LPSTR psz = (LPSTR)fastmalloc(sizeof(sz));
    ASSERT_NE(nullptr, psz);
    TBMprojectString(9, psz);
    EXPECT_EQ((int)sizeof(sz) - 1, lstrlenA(psz));
    fastfree(psz);
}

} // namespace
