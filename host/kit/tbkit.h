/* Test host kit: a real MDI host for the add-ins' tests, plus the robustness
 * machinery every test uses (leak and allocation-failure checks, registry
 * sandbox, import-table counters, key and pixel helpers).
 *
 * Everything runs on the test's thread, which must be the thread that owns
 * the host windows. */
#ifndef TBKIT_H
#define TBKIT_H

#include <windows.h>

#include <functional>
#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "kitres.h"
#include "tbctl.h"
#include "tbhost.h"

namespace tbkit {

/* ------------------------------------------------------------------ */
/* Recorded host messages                                              */
/* ------------------------------------------------------------------ */

/* One private message that reached the host (desktop or frame). */
struct HostMsg {
    HWND hwnd = nullptr; /* the window it was sent to: desktop or frame */
    UINT msg = 0;
    WPARAM wParam = 0;
    LPARAM lParam = 0;
    /* Text argument, copied at arrival: file names and texts (30004, 30005,
     * 30007), the path of 30023. For 30016 and 30024 the text the host wrote.
     * For settings: "Section\Key" (30037) and "Section\Key=Value" (30036; no
     * "=" when the value pointer was null). fText is false when there is none. */
    bool fText = false;
    std::string text;
    std::string section, key; /* 30036 / 30037 */
    std::string value;        /* 30036: value written; 30037: value answered */
    bool fValueNull = false;  /* 30036: the value pointer was null */
    HWND hwndArg = nullptr;   /* 30011: MENUREQUEST.hwnd */
    HMENU hmenuArg = nullptr; /* 30011: MENUREQUEST.hmenu */
    LONG lValue = 0;          /* 30039: the 32-bit value lParam points at */
    LRESULT result = 0;       /* what the host answered */
};

/* Readable form of a recorded message, for failure output. */
std::string DescribeHostMsg(const HostMsg &m);
const char *HostMsgName(UINT msg);

/* Match flags of an expected message (Wine's msg.h style). */
enum : unsigned {
    HM_ANY = 0,      /* only the message number matters */
    HM_WPARAM = 1,   /* wParam must match */
    HM_LPARAM = 2,   /* lParam must match */
    HM_TEXT = 4,     /* text must match exactly (nullptr: no text) */
    HM_OPTIONAL = 8, /* may be absent */
    HM_TEXTI = 16,   /* text must match ignoring case */
};

struct HostMsgExpect {
    UINT msg;
    unsigned flags;
    WPARAM wParam;
    LPARAM lParam;
    const char *text;
};

/* Compares recorded messages with an expected table, entry by entry; optional
 * entries may be skipped. With fOnlyListed, recorded messages whose number
 * does not appear in the table are ignored. The failure message lists both
 * sequences. */
::testing::AssertionResult MatchHostSequence(const std::vector<HostMsg> &actual,
                                             const std::vector<HostMsgExpect> &expected, bool fOnlyListed = false);

/* ------------------------------------------------------------------ */
/* The test host                                                       */
/* ------------------------------------------------------------------ */

struct TestHostOptions {
    std::string workDir;   /* empty: the process's current directory */
    bool fAppInfo = true;  /* false: a desktop without an application-info record */
    bool fVisible = true;  /* show the frame (pixel probes need it) */
    int cx = 600, cy = 440;  /* kept smaller than the screen */
};

/* What the host does with 30023 (make a path the working directory). */
enum WorkDirPolicy {
    WD_ACCEPT, /* switch to the path */
    WD_REFUSE, /* keep the old directory, answer 0 */
    WD_ALTER,  /* switch to another directory (set with SetWorkDirPolicy) */
};

class TestHost {
  public:
    TestHost();
    explicit TestHost(const TestHostOptions &options);
    ~TestHost();
    TestHost(const TestHost &) = delete;
    TestHost &operator=(const TestHost &) = delete;

    bool Ok() const { return hwndDesktop_ != nullptr; }
    HWND Frame() const { return hwndFrame_; }
    HWND Desktop() const { return hwndDesktop_; }
    HMENU WindowMenu() const { return hmenuWindow_; }
    APPINFO *AppInfo() const { return pAppInfo_; }

    std::string WorkDir() const; /* as the services keep it */
    bool SetWorkDir(const std::string &dir);

    /* Recording */
    std::vector<HostMsg> Messages() const { return msgs_; }
    std::vector<HostMsg> Messages(UINT msg) const;
    size_t Count(UINT msg) const;
    std::optional<HostMsg> Last(UINT msg) const;
    void ClearMessages() { msgs_.clear(); }
    ::testing::AssertionResult MatchSequence(const std::vector<HostMsgExpect> &expected,
                                             bool fOnlyListed = false) const {
        return MatchHostSequence(msgs_, expected, fOnlyListed);
    }

    /* Settings store (section and key ignore case) */
    void SetSetting(const std::string &section, const std::string &key, const std::string &value);
    void RemoveSetting(const std::string &section, const std::string &key);
    /* nullopt: never written; a null write is stored as an empty text */
    std::optional<std::string> Setting(const std::string &section, const std::string &key) const;
    void ClearSettings() { settings_.clear(); }
    size_t SettingsCount() const { return settings_.size(); }

    /* Answers */
    void SetSecondString(const std::string &s) { secondString_ = s; }
    void SetWorkDirPolicy(WorkDirPolicy policy, const std::string &alterTo = std::string());
    void SetReferences(const std::vector<REFERENCEINFO> &refs) { refs_ = refs; }
    static REFERENCEINFO MakeReference(const char *pszName, bool fInclude, LONG nKind);
    const std::vector<REFERENCEINFO> &References() const { return refs_; }
    /* 30050: an explicit id wins; else a command present in the installed
     * menu answers id + offset (default 20000); else 0. */
    void SetFrameIdOffset(int offset) { frameIdOffset_ = offset; }
    void MapFrameId(UINT viewerId, UINT frameId) { frameIds_[viewerId] = frameId; }
    void SetHelpResult(LRESULT result) { helpResult_ = result; }
    /* Where 30054 is posted when there is no application-info record */
    void SetViewerWindow(HWND hwnd) { hwndViewerOverride_ = hwnd; }
    /* Called for every private message after it is recorded; answer true and
     * set *pResult to replace the host's own handling. */
    void SetHook(std::function<bool(const HostMsg &, LRESULT *)> hook) { hook_ = std::move(hook); }

    /* Host state the messages change */
    const std::string &StatusText() const { return status_; }
    HMENU InstalledMenu() const { return hmenuInstalled_; } /* owned by the host */
    HWND MenuOwner() const { return hwndMenuOwner_; }

  private:
    struct NoCase {
        bool operator()(const std::pair<std::string, std::string> &a,
                        const std::pair<std::string, std::string> &b) const;
    };

    static LRESULT CALLBACK FrameProc(HWND, UINT, WPARAM, LPARAM);
    static LRESULT CALLBACK DesktopProc(HWND, UINT, WPARAM, LPARAM);
    bool IsHostMessage(HWND hwnd, UINT msg) const;
    LRESULT HandleHostMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    void RecordArguments(HostMsg &m);
    LRESULT Answer(HostMsg &m);
    LRESULT AnswerReadSetting(HostMsg &m);
    LRESULT AnswerWriteSetting(HostMsg &m);
    LRESULT AnswerSetWorkDir(HostMsg &m);
    LRESULT AnswerSetMenu(HostMsg &m);
    LRESULT AnswerNextReference(const HostMsg &m);
    LRESULT AnswerFrameId(const HostMsg &m);
    LRESULT AnswerHostString(HostMsg &m);
    void ForwardFrameCommand(UINT id);
    HWND ViewerWindow() const;
    void DropInstalledMenu();

    HWND hwndFrame_ = nullptr;
    HWND hwndDesktop_ = nullptr;
    HMENU hmenuWindow_ = nullptr;
    WNDPROC pfnDesktopProc_ = nullptr;
    APPINFO *pAppInfo_ = nullptr;
    std::vector<HostMsg> msgs_;
    std::map<std::pair<std::string, std::string>, std::string, NoCase> settings_;
    std::string secondString_ = "Tabulon Test Host";
    WorkDirPolicy policy_ = WD_ACCEPT;
    std::string alterTo_;
    std::vector<REFERENCEINFO> refs_;
    int frameIdOffset_ = 20000;
    std::map<UINT, UINT> frameIds_;
    LRESULT helpResult_ = 1;
    HWND hwndViewerOverride_ = nullptr;
    std::function<bool(const HostMsg &, LRESULT *)> hook_;
    std::string status_;
    HMENU hmenuInstalled_ = nullptr;
    HWND hwndMenuOwner_ = nullptr;
};

/* A double-zero-terminated list of names, as TBCtlSetFileList takes it. */
std::string MultiString(const std::vector<std::string> &names);

/* ------------------------------------------------------------------ */
/* Input, messages, pixels                                             */
/* ------------------------------------------------------------------ */

/* Dispatches queued messages until the queue is empty; with msWait, keeps
 * waiting for and dispatching messages until that many ms have passed. */
void PumpMessages(DWORD msWait = 0);

/* Holds keys down in the thread's key state (what GetKeyState answers) for
 * its lifetime; the previous state comes back at destruction. */
class KeyStateScope {
  public:
    explicit KeyStateScope(std::initializer_list<UINT> vksDown);
    ~KeyStateScope();
    KeyStateScope(const KeyStateScope &) = delete;
    KeyStateScope &operator=(const KeyStateScope &) = delete;

  private:
    BYTE abSaved_[256];
};

/* Sends WM_KEYDOWN, WM_CHAR (when ch != 0) and WM_KEYUP synchronously, with
 * Shift and Ctrl held in the key state around them. Answers the key-down's
 * result. */
LRESULT SendKey(HWND hwnd, UINT vk, bool fShift = false, bool fCtrl = false, char ch = 0);

/* Client pixel after the window's pending paint is done synchronously
 * (UpdateWindow, then GetPixel on its DC); fRepaintAll invalidates the whole
 * window first. CLR_INVALID when it cannot be read. */
COLORREF ProbePixel(HWND hwnd, int x, int y, bool fRepaintAll = false);
/* Client pixel of the window printed into a memory bitmap (PrintWindow,
 * client only): needs a window that answers WM_PRINTCLIENT. */
COLORREF ProbePrintedPixel(HWND hwnd, int x, int y);

/* ------------------------------------------------------------------ */
/* Registry and file-system sandboxes                                  */
/* ------------------------------------------------------------------ */

/* HKEY_CURRENT_USER redirected to HKCU\Software\TBTest\<pid>-<n> for the
 * object's lifetime; the key tree is deleted afterwards. Not nestable. */
class RegistrySandbox {
  public:
    RegistrySandbox();
    ~RegistrySandbox();
    RegistrySandbox(const RegistrySandbox &) = delete;
    RegistrySandbox &operator=(const RegistrySandbox &) = delete;

    bool Ok() const { return fOverridden_; }
    HKEY Key() const { return hkey_; }                 /* the private key */
    const std::string &Path() const { return path_; } /* under the real HKCU */

  private:
    HKEY hkey_ = nullptr;
    std::string path_;
    bool fOverridden_ = false;
};

/* A fresh directory under %TEMP%, removed with its contents afterwards. */
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir &) = delete;
    TempDir &operator=(const TempDir &) = delete;

    bool Ok() const { return !path_.empty(); }
    const std::string &Path() const { return path_; }
    std::string PathOf(const std::string &name) const { return path_ + "\\" + name; }
    bool AddFile(const std::string &name, const std::string &contents = std::string()) const;
    bool AddDir(const std::string &name) const;

  private:
    std::string path_;
};

/* ------------------------------------------------------------------ */
/* Allocator checks                                                    */
/* ------------------------------------------------------------------ */

/* Host blocks outstanding at construction; with fExpectOnExit the
 * destructor expects the same count again. */
class LeakCheck {
  public:
    explicit LeakCheck(bool fExpectOnExit = true);
    ~LeakCheck();
    LeakCheck(const LeakCheck &) = delete;
    LeakCheck &operator=(const LeakCheck &) = delete;

    LONG Start() const { return nStart_; }
    LONG Delta() const; /* blocks taken since and not given back */
    ::testing::AssertionResult Balanced() const;

  private:
    LONG nStart_;
    bool fExpectOnExit_;
};

struct SweepRun {
    LONG nFail;   /* the allocation that failed (1-based) */
    LONG nLeaked; /* blocks left outstanding by that run */
    bool fFired;  /* the failure was injected (the run reached allocation nFail) */
};

struct SweepResult {
    LONG nAllocations = 0;  /* allocations of the undisturbed run */
    LONG nBaseLeaked = 0;   /* blocks the undisturbed run left outstanding */
    std::vector<SweepRun> runs;
    bool Clean() const;     /* no run leaked */
    std::vector<LONG> LeakingRuns() const;
};

/* Runs the scenario once undisturbed to count its allocations N, then once
 * per n = 1..N with the nth allocation failing. Reports, asserts nothing. */
SweepResult SweepAllocationFailures(const std::function<void()> &scenario, LONG nMax = 5000);
/* The same, with a gtest expectation of no leak after every run. */
SweepResult ForEachAllocationFailure(const std::function<void()> &scenario, LONG nMax = 5000);

/* Counts first-chance access violations while alive (those on no-access or
 * unmapped memory; Wine probes reserved memory itself); with fFailTest each
 * one also fails the running test (lstrcpyA and friends swallow faults that a
 * guard page raises). Traps nest, destroyed in reverse order: the innermost
 * decides whether a fault fails the test. */
class FaultTrap {
  public:
    explicit FaultTrap(bool fFailTest = false);
    ~FaultTrap();
    FaultTrap(const FaultTrap &) = delete;
    FaultTrap &operator=(const FaultTrap &) = delete;

    LONG Count() const;
    ULONG_PTR LastAddress() const; /* the address accessed by the last one */

  private:
    LONG nStart_;
    bool fFailOuter_;
};

/* True when TB_GUARD_PAGES=1 put the whole test process in guard-page mode. */
bool GuardPagesRequested();

/* ------------------------------------------------------------------ */
/* Import-table counters                                               */
/* ------------------------------------------------------------------ */

enum ImportFn {
    IF_CreatePen,
    IF_CreateSolidBrush,
    IF_CreateFontIndirectA,
    IF_CreateFontA,
    IF_CreateCompatibleBitmap,
    IF_LoadBitmapA,
    IF_CreateCompatibleDC,
    IF_DeleteObject,
    IF_DeleteDC,
    IF_GetDC,
    IF_GetWindowDC,
    IF_ReleaseDC,
    IF_BeginPaint,
    IF_EndPaint,
    IF_LoadLibraryA,
    IF_FreeLibrary,
    IF_SelectObject,
    IF_COUNT
};

/* Patches one module's import address table so that the GDI, DC and library
 * calls it makes are counted, and restores the table at destruction. One
 * counter at a time per process. Counts are of successful calls. */
class ImportCounter {
  public:
    explicit ImportCounter(HMODULE hmod);
    ~ImportCounter();
    ImportCounter(const ImportCounter &) = delete;
    ImportCounter &operator=(const ImportCounter &) = delete;

    bool Ok() const { return !slots_.empty(); }
    bool IsPatched(ImportFn fn) const;
    LONG Calls(ImportFn fn) const;
    LONG FailedCalls(ImportFn fn) const;
    void Reset();

    /* Objects (pens, brushes, fonts, bitmaps) the module made and not deleted */
    LONG ObjectsOutstanding() const;
    /* DeleteObject of a handle the module did not make (e.g. host pictures) */
    LONG ForeignDeletes() const;
    /* DeleteObject of an object still selected into a DC the module used */
    LONG DeletedWhileSelected() const;
    LONG MemoryDCsOutstanding() const;  /* CreateCompatibleDC - DeleteDC */
    LONG WindowDCsOutstanding() const;  /* GetDC + GetWindowDC - ReleaseDC */
    LONG PaintsOutstanding() const;     /* BeginPaint - EndPaint */
    LONG LibrariesOutstanding() const;  /* LoadLibraryA - FreeLibrary */
    /* Every pair balanced and nothing deleted while selected */
    ::testing::AssertionResult Balanced() const;

  private:
    struct Slot {
        void **ppfn;
        void *pfnOld;
    };
    HMODULE hmod_;
    std::vector<Slot> slots_;
    bool aPatched_[IF_COUNT] = {};
};

} // namespace tbkit

#endif
