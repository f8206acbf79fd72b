/* A viewer opened in a test host over a scratch directory tree, with the
 * directory box's items, the stored history and the host's call log at hand. */
#ifndef VIEWER_DIR_FIXTURE_H
#define VIEWER_DIR_FIXTURE_H

#include "tbkit.h"
#include "tbmsg.h"
#include "viewer.h"

#include <optional>
#include <string>
#include <vector>

namespace vdir {

using namespace tbkit;

typedef LONG(WINAPI *ENTRYPROC)(HWND, LONG, LONG, LONG_PTR);
typedef void(WINAPI *RECORDPROC)(FILEVIEWINFO *);

/* The viewer library, loaded once per process: its window classes stay
 * registered with the host for the life of the process. */
inline HMODULE ViewerModule()
{
    static HMODULE s_hmod = LoadLibraryA("tbview32.dll");
    return s_hmod;
}

template <typename T> T ViewerProc(const char *pszName)
{
    return reinterpret_cast<T>(reinterpret_cast<void (*)()>(GetProcAddress(ViewerModule(), pszName)));
}

inline std::string HostString(UINT id)
{
    LPCSTR psz = GetRCString(ViewerModule(), id);
    return psz ? psz : "";
}

class DirBoxTest : public ::testing::Test {
  protected:
    void SetUp() override
    {
        ASSERT_TRUE(tmp_.Ok());
        for (const char *dir : {"alpha", "beta", "gamma", "delta", "epsilon", "zeta", "eta", "theta", "iota",
                                "kappa", "lambda", "mu"})
            ASSERT_TRUE(tmp_.AddDir(dir));
        ASSERT_NE(nullptr, ViewerModule());
        pfnSetUp_ = ViewerProc<RECORDPROC>("SetUpListBoxData");
        pfnOutside_ = ViewerProc<RECORDPROC>("DirChangeFromOutside");
        ASSERT_NE(nullptr, pfnSetUp_);
        ASSERT_NE(nullptr, pfnOutside_);
        TBCtlResetAnswers();
        TBCtlClearAliases();
        TBCtlSetPrivateString("");
        TBCtlClearCalls();
        leaks_.emplace(true);
        TestHostOptions opt;
        opt.workDir = WorkDirAtStart();
        host_.emplace(opt);
        ASSERT_TRUE(host_->Ok());
        auto pfnEntry = ViewerProc<ENTRYPROC>("OndrelEntry");
        ASSERT_NE(nullptr, pfnEntry);
        ASSERT_EQ(TBENTRY_ATTACHED, pfnEntry(host_->Desktop(), TBENTRY_ATTACH, 0, 0));
        section_ = HostString(IDS_HISTSECTION);
        prefix_ = HostString(IDS_HISTKEYPREFIX);
        ASSERT_FALSE(section_.empty());
        ASSERT_FALSE(prefix_.empty());
    }

    void TearDown() override
    {
        Close();
        TBCtlResetAnswers();
        TBCtlClearAliases();
        TBCtlSetPrivateString("");
        host_.reset();
        PumpMessages();
        leaks_.reset(); /* expects every host block back */
    }

    virtual std::string WorkDirAtStart() { return Dir("alpha"); }

    /* Opens the viewer as the host's show-viewer callback does. */
    void Open()
    {
        ASSERT_NE(nullptr, host_->AppInfo());
        ASSERT_NE(nullptr, host_->AppInfo()->pfnShowViewer);
        host_->AppInfo()->pfnShowViewer(host_->Desktop());
        viewer_ = host_->AppInfo()->hwndViewer;
        ASSERT_NE(nullptr, viewer_);
        pfvi_ = reinterpret_cast<FILEVIEWINFO *>(GetWindowLongPtrA(viewer_, 0));
        ASSERT_NE(nullptr, pfvi_);
        ASSERT_NE(nullptr, pfvi_->hwndCombo);
        edit_ = FindWindowExA(pfvi_->hwndCombo, nullptr, "Edit", nullptr);
        ASSERT_NE(nullptr, edit_);
        PumpMessages();
    }

    void Close()
    {
        if (viewer_ && IsWindow(viewer_)) {
            SendMessageA(host_->Desktop(), WM_MDIDESTROY, reinterpret_cast<WPARAM>(viewer_), 0);
            PumpMessages();
            EXPECT_EQ(0, TBCtlNotifyRegistrations(host_->Desktop())) << "the viewer's notification outlived it";
        }
        viewer_ = nullptr;
        pfvi_ = nullptr;
    }

    /* ---- the scratch tree and the history store ---- */
    std::string Dir(const char *name) const { return tmp_.PathOf(name); }
    std::string Key(int n) const { return prefix_ + std::to_string(n); }
    void Store(int n, const std::string &value) { host_->SetSetting(section_, Key(n), value); }
    /* Keys 1..9; a missing key reads as "" (as the store reports it missing). */
    std::vector<std::string> Stored() const
    {
        std::vector<std::string> v;
        for (int n = 1; n <= 9; n++)
            v.push_back(host_->Setting(section_, Key(n)).value_or(""));
        return v;
    }
    void StoreHistory(const std::vector<std::string> &entries)
    {
        for (int n = 1; n <= 9; n++)
            Store(n, n <= (int)entries.size() ? entries[n - 1] : "");
    }

    /* ---- the box ---- */
    std::vector<std::string> Items() const
    {
        std::vector<std::string> v;
        LRESULT n = SendMessageA(pfvi_->hwndCombo, CB_GETCOUNT, 0, 0);
        for (LRESULT i = 0; i < n; i++) {
            char sz[600] = "";
            LRESULT cch = SendMessageA(pfvi_->hwndCombo, CB_GETLBTEXTLEN, i, 0);
            if (cch >= 0 && cch < (LRESULT)sizeof(sz))
                SendMessageA(pfvi_->hwndCombo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(sz));
            v.push_back(sz);
        }
        return v;
    }
    std::vector<std::string> History() const
    {
        std::vector<std::string> v;
        for (int i = 0; i < FV_NDIRS; i++)
            v.push_back(pfvi_->aszDirs[i]);
        return v;
    }
    std::string Field() const
    {
        char sz[600] = "";
        GetWindowTextA(pfvi_->hwndCombo, sz, sizeof(sz));
        return sz;
    }
    LRESULT Selected() const { return SendMessageA(pfvi_->hwndCombo, CB_GETCURSEL, 0, 0); }
    /* Types a text into the field and presses Enter there. */
    void Enter(const std::string &text)
    {
        SendMessageA(pfvi_->hwndCombo, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
        SendMessageA(edit_, WM_KEYDOWN, VK_RETURN, 0);
    }
    std::string HostWorkDir() const { return host_->WorkDir(); }

    /* ---- the services' call log ---- */
    static LONG Calls(const char *service) { return TBCtlCallCount(service); }
    static std::vector<LONG> ErrorCodes()
    {
        std::vector<LONG> v;
        TBCALL call;
        for (LONG i = 0; TBCtlGetCall("LogErrorStack", i, &call); i++)
            v.push_back((LONG)call.aArgs[1]);
        return v;
    }

    TempDir tmp_;
    std::optional<LeakCheck> leaks_;
    std::optional<TestHost> host_;
    RECORDPROC pfnSetUp_ = nullptr;
    RECORDPROC pfnOutside_ = nullptr;
    HWND viewer_ = nullptr;
    HWND edit_ = nullptr;
    FILEVIEWINFO *pfvi_ = nullptr;
    std::string section_, prefix_;
};

} // namespace vdir

#endif
