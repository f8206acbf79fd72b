/* A viewer opened in a test host over a scratch directory tree, with the
 * directory box's items, the stored history and the host's call log at hand. */
#ifndef VIEWER_DIR_FIXTURE_H
#define VIEWER_DIR_FIXTURE_H

#include "tbmsg.h"
#include "viewer_fixture.h"

#include <optional>
#include <string>
#include <vector>

namespace vdir {

using namespace tbkit;
using vfix::ViewerModule;

typedef void(WINAPI *RECORDPROC)(FILEVIEWINFO *);

/* The shared viewer fixture over a scratch directory tree: the working
 * directory is one of its subdirectories, which the host lists as they are. */
class DirBoxTest : public vfix::ViewerTest {
  protected:
    void SetUp() override
    {
        ASSERT_TRUE(tmp_.Ok());
        for (const char *dir : {"alpha", "beta", "gamma", "delta", "epsilon", "zeta", "eta", "theta", "iota",
                                "kappa", "lambda", "mu"})
            ASSERT_TRUE(tmp_.AddDir(dir));
        TBCtlSetPrivateString("");
        vfix::ViewerTest::SetUp();
        if (HasFatalFailure())
            return;
        pfnSetUp_ = reinterpret_cast<RECORDPROC>(reinterpret_cast<void (*)()>(vfix::ViewerExport("SetUpListBoxData")));
        ASSERT_NE(nullptr, pfnSetUp_);
        section_ = vfix::HostString(IDS_HISTSECTION);
        prefix_ = vfix::HostString(IDS_HISTKEYPREFIX);
        ASSERT_FALSE(section_.empty());
        ASSERT_FALSE(prefix_.empty());
    }

    void TearDown() override
    {
        vfix::ViewerTest::TearDown();
        TBCtlSetPrivateString("");
    }

    TestHostOptions HostOptions() override
    {
        TestHostOptions opt;
        opt.workDir = WorkDirAtStart();
        return opt;
    }
    std::vector<std::string> Files() override { return {}; }
    virtual std::string WorkDirAtStart() { return Dir("alpha"); }

    void Open()
    {
        vfix::ViewerTest::Open();
        if (HasFatalFailure())
            return;
        pfvi_ = Info();
        ASSERT_NE(nullptr, pfvi_->hwndCombo);
        edit_ = Edit();
        ASSERT_NE(nullptr, edit_);
    }

    void Close()
    {
        vfix::ViewerTest::Close();
        pfvi_ = nullptr;
        edit_ = nullptr;
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
    RECORDPROC pfnSetUp_ = nullptr;
    HWND edit_ = nullptr;
    FILEVIEWINFO *pfvi_ = nullptr;
    std::string section_, prefix_;
};

} // namespace vdir

#endif
