/* The project properties dialog, run from the host's template with the
 * viewer's exported dialog procedure against a real test host. */
#include "tbkit.h"
#include "viewer.h"

#include <string.h>

using namespace tbkit;

namespace {

const char kSection[] = "ProjectViewer";
const char kKey[] = "OpenOnStartup";

class ProjPropsTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        ASSERT_TRUE(host_.Ok());
        hmodViewer_ = LoadLibraryA("tbview32.dll");
        ASSERT_NE(nullptr, hmodViewer_);
        pfnDlgProc_ = reinterpret_cast<DLGPROC>(reinterpret_cast<void *>(GetProcAddress(hmodViewer_, "ProjPropDlgProc")));
        ASSERT_NE(nullptr, pfnDlgProc_);
        /* The dialog needs only the record's desktop. */
        record_ = {};
        record_.hwndDesktop = host_.Desktop();
        TBCtlClearCalls();
        leaks_.emplace(true);
    }

    void TearDown() override
    {
        if (hdlg_ && IsWindow(hdlg_))
            DestroyWindow(hdlg_);
        PumpMessages();
        leaks_.reset();
        if (hmodViewer_)
            FreeLibrary(hmodViewer_);
    }

    /* Modeless run of the host's template: the dialog procedure sees the
     * same messages as in the host's modal loop, synchronously. The template
     * is not WS_VISIBLE (DialogBox would show it); fShow shows it without
     * activation: activating or destroying an active top-level window talks
     * to other processes' windows on the shared display, which stalls while
     * a parallel test process is busy. */
    HWND Open(FILEVIEWINFO *pfvi, bool fShow = true)
    {
        hdlg_ = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(TBKIT_IDD_PROJPROPS), host_.Frame(),
                                   pfnDlgProc_, reinterpret_cast<LPARAM>(pfvi));
        if (hdlg_ && fShow)
            ShowWindow(hdlg_, SW_SHOWNOACTIVATE);
        return hdlg_;
    }
    HWND Open(bool fShow = true) { return Open(&record_, fShow); }

    bool Ticked() const { return IsDlgButtonChecked(hdlg_, TBKIT_IDC_OPENONSTARTUP) == BST_CHECKED; }
    void SetTicked(bool fTicked)
    {
        CheckDlgButton(hdlg_, TBKIT_IDC_OPENONSTARTUP, fTicked ? BST_CHECKED : BST_UNCHECKED);
    }
    void Command(WPARAM wParam) { SendMessageA(hdlg_, WM_COMMAND, wParam, 0); }
    bool HasRecordProps() const { return GetPropA(hdlg_, "l") != nullptr || GetPropA(hdlg_, "h") != nullptr; }

    TestHost host_;
    HMODULE hmodViewer_ = nullptr;
    DLGPROC pfnDlgProc_ = nullptr;
    FILEVIEWINFO record_;
    HWND hdlg_ = nullptr;
    std::optional<LeakCheck> leaks_;
};

struct LoadCase {
    const char *pszStored; /* null: the key is missing */
    bool fTicked;
};

TEST_F(ProjPropsTest, StoredTrueInAnyCaseTicksTheBoxAndNothingElseDoes)
{
    const LoadCase cases[] = {
        {"True", true},  {"TRUE", true},   {"true", true},     {"tRuE", true},  {"", false},
        {"False", false}, {"Truex", false}, {" True", false}, {"1", false},    {nullptr, false},
    };
    for (const LoadCase &c : cases) {
        SCOPED_TRACE(c.pszStored ? c.pszStored : "(missing)");
        host_.ClearSettings();
        if (c.pszStored)
            host_.SetSetting(kSection, kKey, c.pszStored);
        host_.ClearMessages();
        ASSERT_NE(nullptr, Open(false));
        EXPECT_EQ(c.fTicked, Ticked());
        ASSERT_EQ(1u, host_.Count(TBM_READSETTING));
        HostMsg m = *host_.Last(TBM_READSETTING);
        EXPECT_EQ(kSection, m.section);
        EXPECT_EQ(kKey, m.key);
        EXPECT_EQ(0u, host_.Count(TBM_WRITESETTING)) << "opening must not write";
        Command(IDCANCEL);
        DestroyWindow(hdlg_);
        EXPECT_TRUE(leaks_->Balanced()) << "the host's value block is given back";
    }
}

TEST_F(ProjPropsTest, OkWritesTrueOrNullValueThenClosesWithoutProperties)
{
    LONG nFlag = -1;
    host_.SetHook([&](const HostMsg &m, LRESULT *) {
        if (m.msg == TBM_WRITESETTING)
            nFlag = reinterpret_cast<const SETTINGREQUEST *>(m.lParam)->nFlag;
        return false;
    });
    for (bool fTicked : {true, false}) {
        SCOPED_TRACE(fTicked ? "ticked" : "unticked");
        host_.SetSetting(kSection, kKey, fTicked ? "false" : "TRUE");
        ASSERT_NE(nullptr, Open());
        EXPECT_TRUE(HasRecordProps());
        SetTicked(fTicked);
        host_.ClearMessages();
        nFlag = -1;
        Command(IDOK);

        ASSERT_EQ(1u, host_.Count(TBM_WRITESETTING));
        HostMsg m = *host_.Last(TBM_WRITESETTING);
        EXPECT_EQ(1u, m.wParam);
        EXPECT_EQ(kSection, m.section);
        EXPECT_EQ(kKey, m.key);
        EXPECT_EQ(1, nFlag);
        if (fTicked) {
            EXPECT_FALSE(m.fValueNull);
            EXPECT_EQ("True", m.value);
        } else {
            EXPECT_TRUE(m.fValueNull);
        }
        EXPECT_EQ(fTicked ? "True" : "", host_.Setting(kSection, kKey).value_or("(never written)"));
        /* EndDialog on a modeless run hides it; the window itself lives on. */
        EXPECT_FALSE(IsWindowVisible(hdlg_));
        EXPECT_FALSE(HasRecordProps());
        DestroyWindow(hdlg_);
        EXPECT_TRUE(leaks_->Balanced());
    }
}

TEST_F(ProjPropsTest, CancelWritesNothingEvenAfterAChange)
{
    host_.SetSetting(kSection, kKey, "True");
    ASSERT_NE(nullptr, Open());
    ASSERT_TRUE(Ticked());
    SetTicked(false);
    host_.ClearMessages();
    Command(IDCANCEL);
    EXPECT_EQ(0u, host_.Count(TBM_WRITESETTING));
    EXPECT_EQ("True", host_.Setting(kSection, kKey).value_or(""));
    EXPECT_FALSE(IsWindowVisible(hdlg_));
    EXPECT_FALSE(HasRecordProps());
}

TEST_F(ProjPropsTest, HelpButtonAndHelpRequestShowTopic198AndKeepTheDialogOpen)
{
    ASSERT_NE(nullptr, Open());
    host_.ClearMessages();
    Command(TBKIT_IDC_HELP);
    SendMessageA(hdlg_, TBM_HELPREQUEST, 0, 0);
    EXPECT_TRUE(host_.MatchSequence({{TBM_SHOWHELP, HM_WPARAM | HM_LPARAM, 0, 198, nullptr},
                                     {TBM_SHOWHELP, HM_WPARAM | HM_LPARAM, 0, 198, nullptr}}));
    EXPECT_TRUE(IsWindowVisible(hdlg_));
    EXPECT_TRUE(HasRecordProps());
    EXPECT_EQ(0u, host_.Count(TBM_WRITESETTING));
}

TEST_F(ProjPropsTest, CommandsCompareTheWholeWordArgument)
{
    /* An accelerator (notification 1) for the OK id is not OK. */
    ASSERT_NE(nullptr, Open());
    host_.ClearMessages();
    Command(MAKEWPARAM(IDOK, 1));
    Command(MAKEWPARAM(IDCANCEL, 1));
    Command(MAKEWPARAM(TBKIT_IDC_HELP, 1));
    EXPECT_TRUE(host_.Messages().empty());
    EXPECT_TRUE(IsWindowVisible(hdlg_));
    EXPECT_TRUE(HasRecordProps());
}

#ifdef _WIN64
/* A record placed above 4 GiB, at an address whose low 16 bits are not zero. */
class HighRecord {
  public:
    explicit HighRecord(const FILEVIEWINFO &from)
    {
        for (ULONG_PTR base = 0x100000000ull; base < 0x7FF000000000ull && !pvBase_; base += 0x100000000ull)
            pvBase_ = VirtualAlloc(reinterpret_cast<void *>(base), 0x10000, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE);
        if (pvBase_) {
            pfvi_ = reinterpret_cast<FILEVIEWINFO *>(static_cast<BYTE *>(pvBase_) + 0x1238);
            memcpy(pfvi_, &from, sizeof(from));
        }
    }
    ~HighRecord()
    {
        if (pvBase_)
            VirtualFree(pvBase_, 0, MEM_RELEASE);
    }
    FILEVIEWINFO *Get() const { return pfvi_; }

  private:
    void *pvBase_ = nullptr;
    FILEVIEWINFO *pfvi_ = nullptr;
};

TEST_F(ProjPropsTest, RecordAbove4GiBSurvivesTheSplitIntoProperties)
{
    HighRecord high(record_);
    ASSERT_NE(nullptr, high.Get()) << "no memory above 4 GiB";
    ULONG_PTR uRecord = reinterpret_cast<ULONG_PTR>(high.Get());
    ASSERT_GT(uRecord, 0xFFFFFFFFull);

    host_.SetSetting(kSection, kKey, "True");
    ASSERT_NE(nullptr, Open(high.Get()));
    EXPECT_TRUE(Ticked()) << "the setting was read through the rebuilt record";
    EXPECT_EQ(uRecord & 0xFFFF, reinterpret_cast<ULONG_PTR>(GetPropA(hdlg_, "l")));
    EXPECT_EQ(uRecord >> 16, reinterpret_cast<ULONG_PTR>(GetPropA(hdlg_, "h")));

    host_.ClearMessages();
    Command(TBKIT_IDC_HELP);
    ASSERT_EQ(1u, host_.Count(TBM_SHOWHELP));
    EXPECT_EQ(host_.Desktop(), host_.Last(TBM_SHOWHELP)->hwnd);
    SetTicked(false);
    Command(IDOK);
    ASSERT_EQ(1u, host_.Count(TBM_WRITESETTING));
    EXPECT_TRUE(host_.Last(TBM_WRITESETTING)->fValueNull);
    EXPECT_FALSE(HasRecordProps());
}
#endif

TEST_F(ProjPropsTest, ShortOfMemoryShowsTheBoxUntickedOrWritesNothing)
{
    host_.SetSetting(kSection, kKey, "True");

    TBCtlFailAllocation(1); /* the section block of the read */
    ASSERT_NE(nullptr, Open());
    TBCtlFailAllocation(0);
    EXPECT_FALSE(Ticked());
    EXPECT_EQ(0u, host_.Count(TBM_READSETTING));
    EXPECT_TRUE(leaks_->Balanced());

    TBCtlFailAllocation(2); /* the key block of the write */
    SetTicked(true);
    Command(IDOK);
    TBCtlFailAllocation(0);
    EXPECT_EQ(0u, host_.Count(TBM_WRITESETTING));
    EXPECT_FALSE(IsWindowVisible(hdlg_)) << "OK still closes";
    EXPECT_FALSE(HasRecordProps());
    EXPECT_TRUE(leaks_->Balanced());
    DestroyWindow(hdlg_);

    /* No copy of "True": the box counts as unticked. */
    ASSERT_NE(nullptr, Open());
    ASSERT_TRUE(Ticked());
    TBCtlFailAllocation(3);
    Command(IDOK);
    TBCtlFailAllocation(0);
    ASSERT_EQ(1u, host_.Count(TBM_WRITESETTING));
    EXPECT_TRUE(host_.Last(TBM_WRITESETTING)->fValueNull);
    EXPECT_TRUE(leaks_->Balanced());
}

TEST_F(ProjPropsTest, EveryAllocationFailureOfOpenAndOkLeaksNothing)
{
    host_.SetSetting(kSection, kKey, "True");
    SweepResult r = ForEachAllocationFailure([&] {
        if (!Open(false))
            return;
        SetTicked(true);
        Command(IDOK);
        DestroyWindow(hdlg_);
    });
    EXPECT_GE(r.nAllocations, 5) << "two blocks and a value per read, two blocks and a copy per write";
}

/* A dialog box that this one owns goes idle with F1 down: the help request
 * goes to that dialog box, not to this one. The owned box runs modeless and
 * the idle message is sent as its modal loop would send it: a real nested
 * modal loop talks to other processes' windows on the shared display and
 * stalled for minutes under parallel test runs. */
struct NestedDialog {
    int nHelpRequests = 0;
    HWND hwnd = nullptr;

    static INT_PTR CALLBACK Proc(HWND hdlg, UINT msg, WPARAM, LPARAM lParam)
    {
        switch (msg) {
        case WM_INITDIALOG:
            SetWindowLongPtrA(hdlg, DWLP_USER, lParam);
            return TRUE;
        case TBM_HELPREQUEST:
            reinterpret_cast<NestedDialog *>(GetWindowLongPtrA(hdlg, DWLP_USER))->nHelpRequests++;
            return TRUE;
        }
        return FALSE;
    }

    explicit NestedDialog(HWND hwndOwner)
    {
        struct {
            DLGTEMPLATE dt;
            WORD wMenu, wClass, wTitle;
        } tmpl = {};
        tmpl.dt.style = WS_POPUP | WS_CAPTION | WS_VISIBLE;
        tmpl.dt.cx = 80;
        tmpl.dt.cy = 30;
        hwnd = CreateDialogIndirectParamA(GetModuleHandleA(nullptr), &tmpl.dt, hwndOwner, Proc,
                                          reinterpret_cast<LPARAM>(this));
    }
    ~NestedDialog()
    {
        if (hwnd)
            DestroyWindow(hwnd);
    }

    /* What the dialog manager sends the owner when the box's loop goes idle */
    void GoIdle() const
    {
        SendMessageA(GetWindow(hwnd, GW_OWNER), WM_ENTERIDLE, MSGF_DIALOGBOX, reinterpret_cast<LPARAM>(hwnd));
        PumpMessages();
    }
};

TEST_F(ProjPropsTest, F1WhileAnOwnedDialogIsIdlePostsTheHelpRequestToThatDialog)
{
    ASSERT_NE(nullptr, Open());
    NestedDialog nested(hdlg_);
    ASSERT_NE(nullptr, nested.hwnd);
    ASSERT_EQ(hdlg_, GetWindow(nested.hwnd, GW_OWNER));
    host_.ClearMessages();
    {
        KeyStateScope f1({VK_F1});
        nested.GoIdle();
    }
    EXPECT_EQ(1, nested.nHelpRequests);
    EXPECT_EQ(0u, host_.Count(TBM_SHOWHELP)) << "the request must not come back to this dialog";

    nested.GoIdle();
    EXPECT_EQ(1, nested.nHelpRequests) << "without F1 nothing is posted";
}

TEST_F(ProjPropsTest, IdleMenuOrF1UpPostsNothing)
{
    ASSERT_NE(nullptr, Open());
    HWND hwndTarget = host_.Frame();
    {
        KeyStateScope f1({VK_F1});
        TBCtlClearCalls();
        EXPECT_EQ(0, SendMessageA(hdlg_, WM_ENTERIDLE, MSGF_MENU, reinterpret_cast<LPARAM>(hwndTarget)));
        EXPECT_EQ(0, TBCtlCallCount("APpostMessage"));
        SendMessageA(hdlg_, WM_ENTERIDLE, MSGF_DIALOGBOX, reinterpret_cast<LPARAM>(hwndTarget));
        ASSERT_EQ(1, TBCtlCallCount("APpostMessage"));
        TBCALL call;
        ASSERT_TRUE(TBCtlGetCall("APpostMessage", 0, &call));
        EXPECT_EQ(reinterpret_cast<DWORD_PTR>(hwndTarget), call.aArgs[0]);
        EXPECT_EQ(static_cast<DWORD_PTR>(TBM_HELPREQUEST), call.aArgs[1]);
        EXPECT_EQ(0u, call.aArgs[2]);
        EXPECT_EQ(0u, call.aArgs[3]);
    }
    TBCtlClearCalls();
    SendMessageA(hdlg_, WM_ENTERIDLE, MSGF_DIALOGBOX, reinterpret_cast<LPARAM>(hwndTarget));
    EXPECT_EQ(0, TBCtlCallCount("APpostMessage"));
    MSG msg;
    while (PeekMessageA(&msg, hwndTarget, TBM_HELPREQUEST, TBM_HELPREQUEST, PM_REMOVE)) {
    }
}

/* The host's way: a modal dialog box. Both OK and Cancel end it with 0, and
 * the properties are gone before it ends. A thread timer drives it from
 * inside the modal loop. */
BOOL CALLBACK FindOwnDialog(HWND hwnd, LPARAM lParam)
{
    char szClass[16];
    if (IsWindowVisible(hwnd) && GetClassNameA(hwnd, szClass, sizeof(szClass)) && lstrcmpA(szClass, "#32770") == 0) {
        *reinterpret_cast<HWND *>(lParam) = hwnd;
        return FALSE;
    }
    return TRUE;
}

struct ModalScript {
    static ModalScript *s_pActive;
    WPARAM idCommand = 0;
    bool fTick = false;
    bool fPropsAfter = true;
    bool fSawDialog = false;

    static void CALLBACK Tick(HWND, UINT, UINT_PTR idTimer, DWORD)
    {
        ModalScript *self = s_pActive;
        /* this thread's dialog only: other test processes share the display */
        HWND hdlg = nullptr;
        EnumThreadWindows(GetCurrentThreadId(), FindOwnDialog, reinterpret_cast<LPARAM>(&hdlg));
        if (!self || !hdlg)
            return; /* not up yet: the timer comes again */
        KillTimer(nullptr, idTimer);
        self->fSawDialog = true;
        CheckDlgButton(hdlg, TBKIT_IDC_OPENONSTARTUP, self->fTick ? BST_CHECKED : BST_UNCHECKED);
        SendMessageA(hdlg, WM_COMMAND, self->idCommand, 0);
        self->fPropsAfter = GetPropA(hdlg, "l") || GetPropA(hdlg, "h");
        if (IsWindowVisible(hdlg))
            EndDialog(hdlg, 99); /* the command did not end it: fail, don't hang */
    }
};
ModalScript *ModalScript::s_pActive;

TEST_F(ProjPropsTest, ModalRunEndsWithZeroForOkAndCancel)
{
    for (WPARAM id : {static_cast<WPARAM>(IDOK), static_cast<WPARAM>(IDCANCEL)}) {
        SCOPED_TRACE(id == IDOK ? "OK" : "Cancel");
        host_.SetSetting(kSection, kKey, "False");
        host_.ClearMessages();
        ModalScript script;
        script.idCommand = id;
        script.fTick = true;
        ModalScript::s_pActive = &script;
        UINT_PTR idTimer = SetTimer(nullptr, 0, 50, ModalScript::Tick);
        ASSERT_NE(0u, idTimer);
        INT_PTR result = DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(TBKIT_IDD_PROJPROPS),
                                         host_.Frame(), pfnDlgProc_, reinterpret_cast<LPARAM>(&record_));
        ModalScript::s_pActive = nullptr;
        EXPECT_TRUE(script.fSawDialog);
        EXPECT_EQ(0, result);
        EXPECT_FALSE(script.fPropsAfter);
        EXPECT_EQ(id == IDOK ? 1u : 0u, host_.Count(TBM_WRITESETTING));
        EXPECT_EQ(id == IDOK ? "True" : "False", host_.Setting(kSection, kKey).value_or(""));
    }
}

} // namespace
