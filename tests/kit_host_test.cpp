/* The test host: what it records and how it answers the private messages. */
#include "tbkit.h"

#include <string.h>

using namespace tbkit;

namespace {

/* A plain window that keeps the private messages it receives. */
struct Probe {
    HWND hwnd = nullptr;
    std::vector<std::pair<UINT, WPARAM>> received;

    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
    {
        Probe *p = reinterpret_cast<Probe *>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
        if (p && msg >= 30000 && msg < 30100)
            p->received.push_back({msg, wParam});
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
    Probe()
    {
        WNDCLASSA wc = {};
        wc.lpfnWndProc = Proc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "KitProbe";
        RegisterClassA(&wc);
        hwnd = CreateWindowA("KitProbe", "", WS_OVERLAPPED, 0, 0, 10, 10, nullptr, nullptr, wc.hInstance, nullptr);
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
    }
    ~Probe() { DestroyWindow(hwnd); }
};

LRESULT Send(const TestHost &host, UINT msg, WPARAM wParam, const void *p)
{
    return SendMessageA(host.Desktop(), msg, wParam, reinterpret_cast<LPARAM>(p));
}

TEST(KitHost, CreatesFrameAndDesktopAndTearsThemDown)
{
    HWND hwndFrame, hwndDesktop;
    {
        TestHost host;
        ASSERT_TRUE(host.Ok());
        hwndFrame = host.Frame();
        hwndDesktop = host.Desktop();
        char szClass[32];
        GetClassNameA(hwndDesktop, szClass, sizeof(szClass));
        EXPECT_STREQ("MDIClient", szClass);
        EXPECT_EQ(hwndFrame, GetParent(hwndDesktop));
        ASSERT_NE(nullptr, host.AppInfo());
        EXPECT_EQ(host.AppInfo(), APgetInfo(hwndDesktop));
        EXPECT_NE(nullptr, host.WindowMenu());

        /* A real MDI client: an MDI child can be created on it. */
        MDICREATESTRUCTA mcs = {};
        mcs.szClass = "KitChild";
        WNDCLASSA wc = {};
        wc.lpfnWndProc = DefMDIChildProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "KitChild";
        RegisterClassA(&wc);
        mcs.szTitle = "child";
        mcs.hOwner = wc.hInstance;
        mcs.x = mcs.y = mcs.cx = mcs.cy = CW_USEDEFAULT;
        HWND hwndChild = reinterpret_cast<HWND>(SendMessageA(hwndDesktop, WM_MDICREATE, 0,
                                                            reinterpret_cast<LPARAM>(&mcs)));
        ASSERT_NE(nullptr, hwndChild);
        EXPECT_EQ(hwndDesktop, GetParent(hwndChild));
        EXPECT_EQ(0u, host.Messages().size()) << "MDI traffic is not a host message";
    }
    EXPECT_FALSE(IsWindow(hwndFrame));
    EXPECT_FALSE(IsWindow(hwndDesktop));
    EXPECT_EQ(nullptr, APgetInfo(hwndDesktop)) << "the desktop is unregistered";
}

TEST(KitHost, DesktopWithoutAppInfo)
{
    TestHostOptions options;
    options.fAppInfo = false;
    TestHost host(options);
    ASSERT_TRUE(host.Ok());
    EXPECT_EQ(nullptr, host.AppInfo());
    EXPECT_EQ(nullptr, APgetInfo(host.Desktop()));
}

TEST(KitHost, RecordsMessagesWithCopiesOfTheirArguments)
{
    TestHost host;
    ASSERT_TRUE(host.Ok());
    char szName[32] = "REPORT.SSL";
    Send(host, TBM_OPENFILE, 0, szName);
    strcpy(szName, "changed"); /* the record keeps the text as it was sent */
    Send(host, TBM_STATUSTEXT, 0, "Searching: rep");
    Send(host, TBM_OBJECTMENU, 0, "CUSTOMER.DB");
    Send(host, TBM_KINDACTION, 4, reinterpret_cast<const void *>(4));
    Send(host, TBM_SHOWHELP, 0, reinterpret_cast<const void *>(198));
    HMENU hmenu = CreateMenu();
    AppendMenuA(hmenu, MF_STRING, 11010, "References only");
    MENUREQUEST mr = {host.Frame(), hmenu};
    Send(host, TBM_SETMENU, TBSM_INSTALL, &mr);
    LONG lOne = 1;
    Send(host, TBM_MENUINSTALLED, 1, &lOne);
    Send(host, TBM_STATUSTEXT, 0, nullptr);
    Send(host, TBM_MENUCHANGED, 0, nullptr);

    EXPECT_TRUE(host.MatchSequence({
        {TBM_OPENFILE, HM_WPARAM | HM_TEXT, 0, 0, "REPORT.SSL"},
        {TBM_STATUSTEXT, HM_TEXT, 0, 0, "Searching: rep"},
        {TBM_OBJECTMENU, HM_TEXT, 0, 0, "CUSTOMER.DB"},
        {TBM_KINDACTION, HM_WPARAM | HM_LPARAM, 4, 4, nullptr},
        {TBM_SHOWHELP, HM_LPARAM, 0, 198, nullptr},
        {TBM_SETMENU, HM_WPARAM, TBSM_INSTALL, 0, nullptr},
        {TBM_MENUINSTALLED, HM_WPARAM, 1, 0, nullptr},
        {TBM_STATUSTEXT, HM_TEXT | HM_LPARAM, 0, 0, nullptr},
        {TBM_MENUCHANGED, HM_WPARAM | HM_LPARAM, 0, 0, nullptr},
    }));
    auto install = host.Last(TBM_SETMENU);
    ASSERT_TRUE(install.has_value());
    EXPECT_EQ(host.Frame(), install->hwndArg);
    EXPECT_EQ(hmenu, install->hmenuArg);
    EXPECT_EQ(hmenu, host.InstalledMenu());
    EXPECT_EQ(1, host.Last(TBM_MENUINSTALLED)->lValue);
    EXPECT_EQ("", host.StatusText()) << "a null text clears the status line";
    EXPECT_EQ(2u, host.Count(TBM_STATUSTEXT));
    EXPECT_EQ(2u, host.Messages(TBM_STATUSTEXT).size());
    EXPECT_FALSE(host.Last(TBM_GETWORKDIR).has_value());

    host.ClearMessages();
    EXPECT_TRUE(host.Messages().empty());
}

TEST(KitHost, SequenceMatcherReportsDifferences)
{
    HostMsg open;
    open.msg = TBM_OPENFILE;
    open.fText = true;
    open.text = "A.SSL";
    HostMsg status;
    status.msg = TBM_STATUSTEXT;
    const std::vector<HostMsg> seen = {open, status};

    EXPECT_TRUE(MatchHostSequence(seen, {{TBM_OPENFILE, HM_TEXT, 0, 0, "A.SSL"},
                                         {TBM_STATUSTEXT, HM_TEXT | HM_LPARAM, 0, 0, nullptr}}));
    /* optional entries may be absent, anywhere */
    EXPECT_TRUE(MatchHostSequence(seen, {{TBM_SHOWHELP, HM_OPTIONAL, 0, 0, nullptr},
                                         {TBM_OPENFILE, HM_TEXTI, 0, 0, "a.ssl"},
                                         {TBM_OBJECTMENU, HM_OPTIONAL, 0, 0, nullptr},
                                         {TBM_STATUSTEXT, HM_ANY, 0, 0, nullptr},
                                         {TBM_MENUCHANGED, HM_OPTIONAL, 0, 0, nullptr}}));

    struct Case {
        const char *pszWhy;
        std::vector<HostMsgExpect> expected;
        bool fOnlyListed;
        const char *pszReport;
    };
    const Case cases[] = {
        {"text differs", {{TBM_OPENFILE, HM_TEXT, 0, 0, "B.SSL"}, {TBM_STATUSTEXT, 0, 0, 0, nullptr}}, false,
         "differs in text"},
        {"text case differs", {{TBM_OPENFILE, HM_TEXT, 0, 0, "a.ssl"}, {TBM_STATUSTEXT, 0, 0, 0, nullptr}}, false,
         "differs in text"},
        {"text expected absent", {{TBM_OPENFILE, HM_TEXT, 0, 0, nullptr}, {TBM_STATUSTEXT, 0, 0, 0, nullptr}},
         false, "text presence"},
        {"wParam differs", {{TBM_OPENFILE, HM_WPARAM, 1, 0, nullptr}, {TBM_STATUSTEXT, 0, 0, 0, nullptr}}, false,
         "wParam"},
        {"missing message", {{TBM_OPENFILE, 0, 0, 0, nullptr}, {TBM_STATUSTEXT, 0, 0, 0, nullptr},
                             {TBM_SHOWHELP, 0, 0, 0, nullptr}}, false, "missing"},
        {"extra message", {{TBM_OPENFILE, 0, 0, 0, nullptr}}, false, "unexpected extra"},
        {"order", {{TBM_STATUSTEXT, 0, 0, 0, nullptr}, {TBM_OPENFILE, 0, 0, 0, nullptr}}, false, "differs"},
        {"listed only, still missing", {{TBM_STATUSTEXT, 0, 0, 0, nullptr}, {TBM_STATUSTEXT, 0, 0, 0, nullptr}},
         true, "missing"},
    };
    for (const Case &c : cases) {
        ::testing::AssertionResult r = MatchHostSequence(seen, c.expected, c.fOnlyListed);
        EXPECT_FALSE(r) << c.pszWhy;
        EXPECT_NE(std::string::npos, std::string(r.message()).find(c.pszReport)) << c.pszWhy << ": " << r.message();
    }
    EXPECT_TRUE(MatchHostSequence(seen, {{TBM_STATUSTEXT, 0, 0, 0, nullptr}}, true));
}

TEST(KitHost, SettingsStoreReadsGiveHostBlocksAndEmptyValuesAreMissing)
{
    TestHost host;
    ASSERT_TRUE(host.Ok());
    LeakCheck leaks;
    host.SetSetting("ProjectViewer", "OpenOnStartup", "True");
    host.SetSetting("History", "Dir2", "");

    SETTINGREQUEST sr = {"projectviewer", "OPENONSTARTUP", nullptr, 0};
    ASSERT_NE(0, Send(host, TBM_READSETTING, 0, &sr)) << "section and key ignore case";
    ASSERT_NE(nullptr, sr.pszValue);
    EXPECT_STREQ("True", sr.pszValue);
    EXPECT_EQ(1, leaks.Delta()) << "the value is a host block the caller frees";
    fastfree(sr.pszValue);

    char *pszSentinel = reinterpret_cast<char *>(&sr);
    SETTINGREQUEST empty = {"History", "Dir2", pszSentinel, 0};
    EXPECT_EQ(0, Send(host, TBM_READSETTING, 0, &empty)) << "an empty value reads as missing";
    EXPECT_EQ(pszSentinel, empty.pszValue) << "a missing key leaves the value alone";
    SETTINGREQUEST missing = {"History", "Dir3", nullptr, 0};
    EXPECT_EQ(0, Send(host, TBM_READSETTING, 0, &missing));

    char szValue[] = "C:\\WORK";
    SETTINGREQUEST write = {"History", "Dir1", szValue, 1};
    EXPECT_NE(0, Send(host, TBM_WRITESETTING, 1, &write));
    strcpy(szValue, "X"); /* the store keeps its own copy */
    EXPECT_EQ("C:\\WORK", host.Setting("HISTORY", "dir1").value_or("?"));
    SETTINGREQUEST clear = {"ProjectViewer", "OpenOnStartup", nullptr, 1};
    EXPECT_NE(0, Send(host, TBM_WRITESETTING, 1, &clear));
    EXPECT_EQ("", host.Setting("ProjectViewer", "OpenOnStartup").value_or("?")) << "a null write stores empty";
    SETTINGREQUEST reread = {"ProjectViewer", "OpenOnStartup", nullptr, 0};
    EXPECT_EQ(0, Send(host, TBM_READSETTING, 0, &reread));
    EXPECT_FALSE(host.Setting("ProjectViewer", "Nothing").has_value());

    EXPECT_TRUE(host.MatchSequence({
        {TBM_READSETTING, HM_TEXT, 0, 0, "projectviewer\\OPENONSTARTUP"},
        {TBM_READSETTING, HM_TEXT, 0, 0, "History\\Dir2"},
        {TBM_READSETTING, HM_TEXT, 0, 0, "History\\Dir3"},
        {TBM_WRITESETTING, HM_WPARAM | HM_TEXT, 1, 0, "History\\Dir1=C:\\WORK"},
        {TBM_WRITESETTING, HM_TEXT, 0, 0, "ProjectViewer\\OpenOnStartup"},
        {TBM_READSETTING, HM_TEXT, 0, 0, "ProjectViewer\\OpenOnStartup"},
    }));
    EXPECT_TRUE(host.Messages(TBM_WRITESETTING)[1].fValueNull);
    EXPECT_EQ("True", host.Messages(TBM_READSETTING)[0].value);
    EXPECT_EQ(1, host.Messages(TBM_READSETTING)[0].result);
}

TEST(KitHost, SettingsReadFailsCleanlyWhenTheHostIsOutOfMemory)
{
    TestHost host;
    ASSERT_TRUE(host.Ok());
    host.SetSetting("S", "K", "value");
    LeakCheck leaks;
    TBCtlFailAllocation(1);
    SETTINGREQUEST sr = {"S", "K", nullptr, 0};
    EXPECT_EQ(0, Send(host, TBM_READSETTING, 0, &sr));
    TBCtlFailAllocation(0);
    EXPECT_EQ(nullptr, sr.pszValue);
}

TEST(KitHost, HostStringsAreBoundedTo260Bytes)
{
    TempDir dir;
    ASSERT_TRUE(dir.Ok());
    TestHostOptions options;
    options.workDir = dir.Path();
    TestHost host(options);
    ASSERT_TRUE(host.Ok());
    EXPECT_EQ(dir.Path(), host.WorkDir());

    char sz[520];
    /* the custom menu sends 30016 to the window it attached to: frame or desktop */
    for (HWND hwnd : {host.Frame(), host.Desktop()}) {
        memset(sz, 'x', sizeof(sz));
        EXPECT_NE(0, SendMessageA(hwnd, TBM_GETHOSTSTRING, TBHS_WORKDIR, reinterpret_cast<LPARAM>(sz)));
        EXPECT_STREQ(dir.Path().c_str(), sz);
        memset(sz, 'x', sizeof(sz));
        EXPECT_NE(0, SendMessageA(hwnd, TBM_GETHOSTSTRING, TBHS_SECONDSTRING, reinterpret_cast<LPARAM>(sz)));
        EXPECT_STREQ("Tabulon Test Host", sz);
    }
    EXPECT_EQ(host.Frame(), host.Messages(TBM_GETHOSTSTRING)[0].hwnd);
    EXPECT_EQ(host.Desktop(), host.Messages(TBM_GETHOSTSTRING)[2].hwnd);
    EXPECT_EQ(dir.Path(), host.Messages(TBM_GETHOSTSTRING)[0].text);

    host.SetSecondString(std::string(600, 'a'));
    memset(sz, 'x', sizeof(sz));
    SendMessageA(host.Frame(), TBM_GETHOSTSTRING, TBHS_SECONDSTRING, reinterpret_cast<LPARAM>(sz));
    EXPECT_EQ(259u, strlen(sz));
    EXPECT_EQ('x', sz[260]) << "nothing written past 260 bytes";

    memset(sz, 'x', sizeof(sz));
    EXPECT_NE(0, Send(host, TBM_GETWORKDIR, TBWD_DIRECTORY, sz));
    EXPECT_STREQ(dir.Path().c_str(), sz);
}

TEST(KitHost, WorkDirSwitchPostsTheChangeNoticeAfterTheSenderReturns)
{
    TempDir dir;
    ASSERT_TRUE(dir.Ok());
    ASSERT_TRUE(dir.AddDir("one"));
    ASSERT_TRUE(dir.AddDir("two"));
    TestHostOptions options;
    options.workDir = dir.Path();
    TestHost host(options);
    ASSERT_TRUE(host.Ok());
    Probe viewer;
    host.AppInfo()->hwndViewer = viewer.hwnd;

    EXPECT_NE(0, Send(host, TBM_SETWORKDIR, TBWD_DIRECTORY, dir.PathOf("one").c_str()));
    EXPECT_EQ(dir.PathOf("one"), host.WorkDir());
    EXPECT_TRUE(viewer.received.empty()) << "the notice is posted, not sent";
    PumpMessages();
    ASSERT_EQ(1u, viewer.received.size());
    EXPECT_EQ(static_cast<UINT>(TBM_WORKDIRCHANGED), viewer.received[0].first);
    EXPECT_EQ(1u, viewer.received[0].second);

    viewer.received.clear();
    host.SetWorkDirPolicy(WD_REFUSE);
    EXPECT_EQ(0, Send(host, TBM_SETWORKDIR, TBWD_DIRECTORY, dir.PathOf("two").c_str()));
    PumpMessages();
    EXPECT_EQ(dir.PathOf("one"), host.WorkDir());
    EXPECT_TRUE(viewer.received.empty());

    host.SetWorkDirPolicy(WD_ALTER, dir.Path());
    EXPECT_NE(0, Send(host, TBM_SETWORKDIR, TBWD_DIRECTORY, dir.PathOf("two").c_str()));
    PumpMessages();
    EXPECT_EQ(dir.Path(), host.WorkDir());
    EXPECT_EQ(1u, viewer.received.size());
    EXPECT_EQ(dir.PathOf("two"), host.Messages(TBM_SETWORKDIR)[2].text);
}

TEST(KitHost, ReferenceRecordsAreHandedOutInOrder)
{
    TestHost host;
    ASSERT_TRUE(host.Ok());
    EXPECT_EQ(0, Send(host, TBM_NEXTREFERENCE, 0, nullptr)) << "no records";
    host.SetReferences({TestHost::MakeReference("A.DB", true, 3), TestHost::MakeReference("B.QBE", false, 4),
                        TestHost::MakeReference("C.SSL", true, 1)});
    std::vector<std::string> names;
    const REFERENCEINFO *pri = nullptr;
    while ((pri = reinterpret_cast<const REFERENCEINFO *>(Send(host, TBM_NEXTREFERENCE, 0, pri))) != nullptr) {
        names.push_back(pri->szName);
        ASSERT_LT(names.size(), 10u);
    }
    EXPECT_EQ((std::vector<std::string>{"A.DB", "B.QBE", "C.SSL"}), names);
    EXPECT_EQ(4, host.References()[1].nKind);
    EXPECT_EQ(0, host.References()[1].fInclude);
    REFERENCEINFO foreign = {};
    EXPECT_EQ(0, Send(host, TBM_NEXTREFERENCE, 0, &foreign));
}

TEST(KitHost, FrameIdsFollowTheInstalledMenu)
{
    TestHost host;
    ASSERT_TRUE(host.Ok());
    EXPECT_EQ(0, Send(host, TBM_FRAMEMENUID, 11010, nullptr)) << "no menu installed";
    HMENU hmenu = CreateMenu();
    HMENU hpopup = CreatePopupMenu();
    AppendMenuA(hpopup, MF_STRING, 11010, "References only");
    AppendMenuA(hmenu, MF_POPUP, reinterpret_cast<UINT_PTR>(hpopup), "View");
    MENUREQUEST mr = {host.Frame(), hmenu};
    Send(host, TBM_SETMENU, TBSM_INSTALL, &mr);
    EXPECT_EQ(31010, Send(host, TBM_FRAMEMENUID, 11010, nullptr));
    EXPECT_EQ(0, Send(host, TBM_FRAMEMENUID, 11011, nullptr));
    host.MapFrameId(11011, 500);
    EXPECT_EQ(500, Send(host, TBM_FRAMEMENUID, 11011, nullptr));

    /* a frame command for a viewer item goes back to the viewer as 30012 */
    Probe viewer;
    host.AppInfo()->hwndViewer = viewer.hwnd;
    SendMessageA(host.Frame(), WM_COMMAND, 31010, 0);
    SendMessageA(host.Frame(), WM_COMMAND, 500, 0);
    ASSERT_EQ(2u, viewer.received.size());
    EXPECT_EQ(std::make_pair(static_cast<UINT>(TBM_VIEWERCOMMAND), static_cast<WPARAM>(11010)),
              viewer.received[0]);
    EXPECT_EQ(11011u, viewer.received[1].second);

    Send(host, TBM_SETMENU, TBSM_REMOVE, nullptr);
    EXPECT_EQ(nullptr, host.InstalledMenu());
    EXPECT_FALSE(IsMenu(hmenu)) << "the host owns and destroys a removed menu";
    EXPECT_EQ(0, Send(host, TBM_FRAMEMENUID, 11010, nullptr));
}

TEST(KitHost, HookCanReplaceTheAnswer)
{
    TestHost host;
    ASSERT_TRUE(host.Ok());
    host.SetHook([](const HostMsg &m, LRESULT *pResult) {
        if (m.msg != TBM_SHOWHELP)
            return false;
        *pResult = 77;
        return true;
    });
    EXPECT_EQ(77, Send(host, TBM_SHOWHELP, 0, reinterpret_cast<const void *>(140)));
    EXPECT_EQ(77, host.Last(TBM_SHOWHELP)->result);
    EXPECT_NE(0, Send(host, TBM_OPENFILE, 0, "A"));
}

INT_PTR CALLBACK CheckTemplateProc(HWND hdlg, UINT msg, WPARAM, LPARAM)
{
    if (msg != WM_INITDIALOG)
        return FALSE;
    char sz[64] = "";
    GetDlgItemTextA(hdlg, TBKIT_IDC_OPENONSTARTUP, sz, sizeof(sz));
    bool fOk = strcmp(sz, "Open the project viewer at start-up") == 0 &&
               (GetWindowLongA(GetDlgItem(hdlg, TBKIT_IDC_OPENONSTARTUP), GWL_STYLE) & 0xF) == BS_AUTOCHECKBOX &&
               GetDlgItem(hdlg, IDOK) && GetDlgItem(hdlg, IDCANCEL) && GetDlgItem(hdlg, TBKIT_IDC_HELP);
    EndDialog(hdlg, fOk ? 1 : 2);
    return TRUE;
}

TEST(KitHost, ProjectPropertiesTemplateHasItsControls)
{
    TestHost host;
    ASSERT_TRUE(host.Ok());
    EXPECT_EQ(1, DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(TBKIT_IDD_PROJPROPS), host.Frame(),
                                 CheckTemplateProc, 0));
}

} // namespace
