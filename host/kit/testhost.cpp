/* The test host: an MDI frame and its client (the desktop), answering and
 * recording the private messages that the add-ins send to the host. */
#include "tbkit.h"

#include <string.h>

namespace tbkit {

std::string MultiString(const std::vector<std::string> &names)
{
    std::string s;
    for (const std::string &name : names) {
        s += name;
        s += '\0';
    }
    s += '\0';
    return s;
}

namespace {

const char kFrameClass[] = "TBKitFrame";
const char kHostProp[] = "TBKitHost";
const UINT kFirstChildId = 0xFF00; /* above every viewer or frame command id */
const UINT kWindowMenuId = 0xFE00;
const size_t kPathBuffer = 260;    /* what every 30016/30024 caller can hold */

TestHost *HostOf(HWND hwnd) { return static_cast<TestHost *>(GetPropA(hwnd, kHostProp)); }

bool RegisterFrameClass(WNDPROC pfn)
{
    WNDCLASSA wc = {};
    if (GetClassInfoA(GetModuleHandleA(nullptr), kFrameClass, &wc))
        return true;
    wc.lpfnWndProc = pfn;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_APPWORKSPACE + 1);
    wc.lpszClassName = kFrameClass;
    return RegisterClassA(&wc) != 0;
}

/* Copy of a text argument that may be null; fText says whether there was one. */
void CopyText(LPARAM lParam, HostMsg &m)
{
    const char *psz = reinterpret_cast<const char *>(lParam);
    m.fText = psz != nullptr;
    m.text = psz ? psz : "";
}

bool MenuHasCommand(HMENU hmenu, UINT id)
{
    int n = GetMenuItemCount(hmenu);
    for (int i = 0; i < n; i++) {
        HMENU hsub = GetSubMenu(hmenu, i);
        if (hsub ? MenuHasCommand(hsub, id) : GetMenuItemID(hmenu, i) == id)
            return true;
    }
    return false;
}

} // namespace

bool TestHost::NoCase::operator()(const std::pair<std::string, std::string> &a,
                                  const std::pair<std::string, std::string> &b) const
{
    int c = lstrcmpiA(a.first.c_str(), b.first.c_str());
    if (c != 0)
        return c < 0;
    return lstrcmpiA(a.second.c_str(), b.second.c_str()) < 0;
}

TestHost::TestHost() : TestHost(TestHostOptions()) {}

TestHost::TestHost(const TestHostOptions &options)
{
    if (!RegisterFrameClass(FrameProc))
        return;
    HMENU hmenuBar = CreateMenu();
    hmenuWindow_ = CreatePopupMenu();
    AppendMenuA(hmenuWindow_, MF_STRING, kWindowMenuId, "&Cascade");
    AppendMenuA(hmenuBar, MF_POPUP, reinterpret_cast<UINT_PTR>(hmenuWindow_), "&Window");

    /* Under Wine without a window manager, destroying a window that X11
     * "manages" waits 2 s for a withdrawal that never comes. A popup frame
     * without caption, smaller than the screen and shown without activation
     * stays unmanaged (activating it afterwards is fine). */
    int cx = options.cx < GetSystemMetrics(SM_CXSCREEN) - 16 ? options.cx : GetSystemMetrics(SM_CXSCREEN) - 16;
    int cy = options.cy < GetSystemMetrics(SM_CYSCREEN) - 16 ? options.cy : GetSystemMetrics(SM_CYSCREEN) - 16;
    hwndFrame_ = CreateWindowExA(0, kFrameClass, "Tabulon Test Host", WS_POPUP | WS_BORDER | WS_CLIPCHILDREN, 0, 0,
                                 cx, cy, nullptr, hmenuBar, GetModuleHandleA(nullptr), nullptr);
    if (!hwndFrame_) {
        DestroyMenu(hmenuBar);
        hmenuWindow_ = nullptr;
        return;
    }
    SetPropA(hwndFrame_, kHostProp, this);

    CLIENTCREATESTRUCT ccs = {};
    ccs.hWindowMenu = hmenuWindow_;
    ccs.idFirstChild = kFirstChildId;
    RECT rc;
    GetClientRect(hwndFrame_, &rc);
    HWND hwndClient = CreateWindowExA(WS_EX_CLIENTEDGE, "MDICLIENT", nullptr,
                                      WS_CHILD | WS_CLIPCHILDREN | WS_VSCROLL | WS_HSCROLL | WS_VISIBLE, 0, 0,
                                      rc.right, rc.bottom, hwndFrame_, nullptr, GetModuleHandleA(nullptr), &ccs);
    if (!hwndClient)
        return;
    SetPropA(hwndClient, kHostProp, this);
    pfnDesktopProc_ = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(hwndClient, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(DesktopProc)));

    std::string dir = options.workDir;
    if (dir.empty()) {
        char sz[MAX_PATH];
        DWORD cch = GetCurrentDirectoryA(sizeof(sz), sz);
        if (cch > 0 && cch < sizeof(sz))
            dir = sz;
    }
    pAppInfo_ = TBCtlAddDesktop(hwndClient, hwndFrame_, dir.c_str(), options.fAppInfo);
    hwndDesktop_ = hwndClient;

    if (options.fVisible) {
        ShowWindow(hwndFrame_, SW_SHOWNOACTIVATE);
        SetActiveWindow(hwndFrame_);
        UpdateWindow(hwndFrame_);
    }
}

TestHost::~TestHost()
{
    HWND hwndDesktop = hwndDesktop_;
    /* Destroying the frame takes the MDI children (an add-in's windows) with
     * it; they may still talk to the desktop, so it stays registered until
     * they are gone. */
    if (hwndFrame_ && IsWindow(hwndFrame_))
        DestroyWindow(hwndFrame_);
    if (hwndDesktop)
        TBCtlRemoveDesktop(hwndDesktop);
    DropInstalledMenu();
}

std::string TestHost::WorkDir() const
{
    char sz[MAX_PATH] = "";
    if (!hwndDesktop_ || !TBCtlGetWorkDir(hwndDesktop_, sz, sizeof(sz)))
        return std::string();
    return sz;
}

bool TestHost::SetWorkDir(const std::string &dir)
{
    return hwndDesktop_ && TBCtlSetWorkDir(hwndDesktop_, dir.c_str());
}

std::vector<HostMsg> TestHost::Messages(UINT msg) const
{
    std::vector<HostMsg> v;
    for (const HostMsg &m : msgs_)
        if (m.msg == msg)
            v.push_back(m);
    return v;
}

size_t TestHost::Count(UINT msg) const
{
    size_t n = 0;
    for (const HostMsg &m : msgs_)
        n += m.msg == msg;
    return n;
}

std::optional<HostMsg> TestHost::Last(UINT msg) const
{
    for (auto it = msgs_.rbegin(); it != msgs_.rend(); ++it)
        if (it->msg == msg)
            return *it;
    return std::nullopt;
}

void TestHost::SetSetting(const std::string &section, const std::string &key, const std::string &value)
{
    settings_[{section, key}] = value;
}

void TestHost::RemoveSetting(const std::string &section, const std::string &key) { settings_.erase({section, key}); }

std::optional<std::string> TestHost::Setting(const std::string &section, const std::string &key) const
{
    auto it = settings_.find({section, key});
    if (it == settings_.end())
        return std::nullopt;
    return it->second;
}

void TestHost::SetWorkDirPolicy(WorkDirPolicy policy, const std::string &alterTo)
{
    policy_ = policy;
    alterTo_ = alterTo;
}

REFERENCEINFO TestHost::MakeReference(const char *pszName, bool fInclude, LONG nKind)
{
    REFERENCEINFO ri = {};
    lstrcpynA(ri.szName, pszName ? pszName : "", sizeof(ri.szName));
    ri.fInclude = fInclude ? 1 : 0;
    ri.nKind = nKind;
    return ri;
}

/* ---- window procedures ---- */

LRESULT CALLBACK TestHost::FrameProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    TestHost *host = HostOf(hwnd);
    HWND hwndClient = host ? host->hwndDesktop_ : nullptr;
    switch (msg) {
    case TBM_GETHOSTSTRING:
        if (host)
            return host->HandleHostMessage(hwnd, msg, wParam, lParam);
        break;
    case WM_COMMAND:
        if (host && lParam == 0 && LOWORD(wParam) == kWindowMenuId) {
            SendMessageA(hwndClient, WM_MDICASCADE, 0, 0);
            return 0;
        }
        if (host && lParam == 0 && LOWORD(wParam) < kFirstChildId) {
            host->ForwardFrameCommand(LOWORD(wParam));
            return 0;
        }
        break;
    case WM_NCDESTROY:
        RemovePropA(hwnd, kHostProp);
        if (host)
            host->hwndFrame_ = nullptr;
        break;
    }
    return DefFrameProcA(hwnd, hwndClient, msg, wParam, lParam);
}

LRESULT CALLBACK TestHost::DesktopProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    TestHost *host = HostOf(hwnd);
    if (!host)
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    WNDPROC pfnOld = host->pfnDesktopProc_;
    if (host->IsHostMessage(hwnd, msg))
        return host->HandleHostMessage(hwnd, msg, wParam, lParam);
    if (msg == WM_NCDESTROY) {
        SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(pfnOld));
        RemovePropA(hwnd, kHostProp);
        host->hwndDesktop_ = nullptr;
    }
    return CallWindowProcA(pfnOld, hwnd, msg, wParam, lParam);
}

bool TestHost::IsHostMessage(HWND, UINT msg) const
{
    switch (msg) {
    case TBM_OPENFILE:
    case TBM_STATUSTEXT:
    case TBM_OBJECTMENU:
    case TBM_SETMENU:
    case TBM_GETHOSTSTRING:
    case TBM_MENUCHANGED:
    case TBM_KINDACTION:
    case TBM_SETWORKDIR:
    case TBM_GETWORKDIR:
    case TBM_NEXTREFERENCE:
    case TBM_SHOWHELP:
    case TBM_WRITESETTING:
    case TBM_READSETTING:
    case TBM_MENUINSTALLED:
    case TBM_FRAMEMENUID:
        return true;
    }
    return false;
}

/* Records the message, then answers it. The record is kept by index: a hook
 * or the answer may send further messages and grow the list meanwhile. */
LRESULT TestHost::HandleHostMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam)
{
    HostMsg m;
    m.hwnd = hwnd;
    m.msg = msg;
    m.wParam = wParam;
    m.lParam = lParam;
    RecordArguments(m);
    size_t i = msgs_.size();
    msgs_.push_back(m);

    LRESULT result = 0;
    if (!(hook_ && hook_(m, &result)))
        result = Answer(m);
    m.result = result;
    msgs_[i] = m;
    return result;
}

void TestHost::RecordArguments(HostMsg &m)
{
    switch (m.msg) {
    case TBM_OPENFILE:
    case TBM_STATUSTEXT:
    case TBM_OBJECTMENU:
    case TBM_SETWORKDIR:
        CopyText(m.lParam, m);
        break;
    case TBM_SETMENU:
        if (m.wParam == TBSM_INSTALL && m.lParam) {
            const MENUREQUEST *pmr = reinterpret_cast<const MENUREQUEST *>(m.lParam);
            m.hwndArg = pmr->hwnd;
            m.hmenuArg = pmr->hmenu;
        }
        break;
    case TBM_MENUINSTALLED:
        if (m.lParam)
            m.lValue = *reinterpret_cast<const LONG *>(m.lParam);
        break;
    case TBM_READSETTING:
    case TBM_WRITESETTING:
        if (m.lParam) {
            const SETTINGREQUEST *psr = reinterpret_cast<const SETTINGREQUEST *>(m.lParam);
            m.section = psr->pszSection ? psr->pszSection : "";
            m.key = psr->pszKey ? psr->pszKey : "";
            m.fText = true;
            m.text = m.section + "\\" + m.key;
            if (m.msg == TBM_WRITESETTING) {
                m.fValueNull = psr->pszValue == nullptr;
                m.value = psr->pszValue ? psr->pszValue : "";
                if (!m.fValueNull)
                    m.text += "=" + m.value;
            }
        }
        break;
    }
}

LRESULT TestHost::Answer(HostMsg &m)
{
    switch (m.msg) {
    case TBM_STATUSTEXT:
        status_ = m.text;
        return 1;
    case TBM_OPENFILE:
    case TBM_OBJECTMENU:
    case TBM_KINDACTION:
        return 1;
    case TBM_SHOWHELP:
        return helpResult_;
    case TBM_SETMENU:
        return AnswerSetMenu(m);
    case TBM_GETHOSTSTRING:
        return AnswerHostString(m);
    case TBM_SETWORKDIR:
        return AnswerSetWorkDir(m);
    case TBM_GETWORKDIR:
        if (m.lParam && m.wParam == TBWD_DIRECTORY) {
            std::string dir = WorkDir();
            lstrcpynA(reinterpret_cast<char *>(m.lParam), dir.c_str(), kPathBuffer);
            m.fText = true;
            m.text = dir.substr(0, kPathBuffer - 1);
            return 1;
        }
        return 0;
    case TBM_NEXTREFERENCE:
        return AnswerNextReference(m);
    case TBM_READSETTING:
        return AnswerReadSetting(m);
    case TBM_WRITESETTING:
        return AnswerWriteSetting(m);
    case TBM_FRAMEMENUID:
        return AnswerFrameId(m);
    case TBM_MENUCHANGED:
    case TBM_MENUINSTALLED:
        return 0;
    }
    return 0;
}

/* A key with an empty stored value reads as missing: the directory history
 * stops at the first missing key and writes empty texts for unused ones. */
LRESULT TestHost::AnswerReadSetting(HostMsg &m)
{
    SETTINGREQUEST *psr = reinterpret_cast<SETTINGREQUEST *>(m.lParam);
    if (!psr || !psr->pszSection || !psr->pszKey)
        return 0;
    auto it = settings_.find({psr->pszSection, psr->pszKey});
    if (it == settings_.end() || it->second.empty())
        return 0;
    LPSTR pszCopy = TB_Strdup(it->second.c_str());
    if (!pszCopy)
        return 0; /* out of memory: as good as missing */
    psr->pszValue = pszCopy;
    m.value = it->second;
    return 1;
}

LRESULT TestHost::AnswerWriteSetting(HostMsg &m)
{
    SETTINGREQUEST *psr = reinterpret_cast<SETTINGREQUEST *>(m.lParam);
    if (!psr || m.wParam != 1 || !psr->pszSection || !psr->pszKey)
        return 0;
    settings_[{psr->pszSection, psr->pszKey}] = psr->pszValue ? psr->pszValue : "";
    return 1;
}

/* The viewer sets its "changed here" flag only after 30023 returns, so the
 * change notice is posted, never sent from inside the switch. */
LRESULT TestHost::AnswerSetWorkDir(HostMsg &m)
{
    if (!m.lParam || m.wParam != TBWD_DIRECTORY || !hwndDesktop_)
        return 0;
    const char *pszTarget = reinterpret_cast<const char *>(m.lParam);
    if (policy_ == WD_REFUSE)
        return 0;
    if (policy_ == WD_ALTER)
        pszTarget = alterTo_.c_str();
    if (!TBCtlSetWorkDir(hwndDesktop_, pszTarget))
        return 0;
    HWND hwndViewer = ViewerWindow();
    if (hwndViewer)
        PostMessageA(hwndViewer, TBM_WORKDIRCHANGED, 1, 0);
    return 1;
}

LRESULT TestHost::AnswerSetMenu(HostMsg &m)
{
    if (m.wParam == TBSM_INSTALL) {
        if (!m.hmenuArg)
            return 0;
        if (m.hmenuArg != hmenuInstalled_)
            DropInstalledMenu();
        hmenuInstalled_ = m.hmenuArg;
        hwndMenuOwner_ = m.hwndArg;
        return 1;
    }
    if (m.wParam == TBSM_REMOVE) {
        DropInstalledMenu();
        return 1;
    }
    return 0;
}

/* The host owns an installed menu: the viewer loads a fresh one for every
 * install. */
void TestHost::DropInstalledMenu()
{
    if (hmenuInstalled_)
        DestroyMenu(hmenuInstalled_);
    hmenuInstalled_ = nullptr;
    hwndMenuOwner_ = nullptr;
}

LRESULT TestHost::AnswerNextReference(const HostMsg &m)
{
    if (refs_.empty())
        return 0;
    if (m.lParam == 0)
        return reinterpret_cast<LRESULT>(&refs_[0]);
    for (size_t i = 0; i + 1 < refs_.size(); i++)
        if (reinterpret_cast<LPARAM>(&refs_[i]) == m.lParam)
            return reinterpret_cast<LRESULT>(&refs_[i + 1]);
    return 0;
}

LRESULT TestHost::AnswerFrameId(const HostMsg &m)
{
    UINT id = static_cast<UINT>(m.wParam);
    auto it = frameIds_.find(id);
    if (it != frameIds_.end())
        return it->second;
    if (hmenuInstalled_ && MenuHasCommand(hmenuInstalled_, id))
        return static_cast<LRESULT>(id) + frameIdOffset_;
    return 0;
}

/* 30016 comes with 260- or 520-byte buffers: never more than 260 bytes. */
LRESULT TestHost::AnswerHostString(HostMsg &m)
{
    char *pszOut = reinterpret_cast<char *>(m.lParam);
    if (!pszOut)
        return 0;
    std::string s;
    if (m.wParam == TBHS_WORKDIR)
        s = WorkDir();
    else if (m.wParam == TBHS_SECONDSTRING)
        s = secondString_;
    else
        return 0;
    lstrcpynA(pszOut, s.c_str(), kPathBuffer);
    m.fText = true;
    m.text = s.substr(0, kPathBuffer - 1);
    return 1;
}

/* A frame menu command that stands for a viewer command goes back to the
 * viewer as 30012 with the viewer's id. */
void TestHost::ForwardFrameCommand(UINT id)
{
    HWND hwndViewer = ViewerWindow();
    if (!hwndViewer)
        return;
    for (const auto &entry : frameIds_)
        if (entry.second == id) {
            SendMessageA(hwndViewer, TBM_VIEWERCOMMAND, entry.first, 0);
            return;
        }
    if (hmenuInstalled_ && static_cast<int>(id) - frameIdOffset_ > 0 &&
        MenuHasCommand(hmenuInstalled_, id - frameIdOffset_))
        SendMessageA(hwndViewer, TBM_VIEWERCOMMAND, id - frameIdOffset_, 0);
}

HWND TestHost::ViewerWindow() const
{
    if (pAppInfo_ && pAppInfo_->hwndViewer && IsWindow(pAppInfo_->hwndViewer))
        return pAppInfo_->hwndViewer;
    if (hwndViewerOverride_ && IsWindow(hwndViewerOverride_))
        return hwndViewerOverride_;
    return nullptr;
}

} // namespace tbkit
