/* Host message descriptions and the expected-sequence matcher. */
#include "tbkit.h"

#include <stdio.h>

namespace tbkit {

const char *HostMsgName(UINT msg)
{
    switch (msg) {
    case TBM_OPENFILE: return "OPENFILE";
    case TBM_STATUSTEXT: return "STATUSTEXT";
    case TBM_OBJECTMENU: return "OBJECTMENU";
    case TBM_SETMENU: return "SETMENU";
    case TBM_VIEWERCOMMAND: return "VIEWERCOMMAND";
    case TBM_GETHOSTSTRING: return "GETHOSTSTRING";
    case TBM_MENUCHANGED: return "MENUCHANGED";
    case TBM_KINDACTION: return "KINDACTION";
    case TBM_HELPREQUEST: return "HELPREQUEST";
    case TBM_SETWORKDIR: return "SETWORKDIR";
    case TBM_GETWORKDIR: return "GETWORKDIR";
    case TBM_NEXTREFERENCE: return "NEXTREFERENCE";
    case TBM_SHOWHELP: return "SHOWHELP";
    case TBM_WRITESETTING: return "WRITESETTING";
    case TBM_READSETTING: return "READSETTING";
    case TBM_MENUINSTALLED: return "MENUINSTALLED";
    case TBM_FRAMEMENUID: return "FRAMEMENUID";
    case TBM_WORKDIRCHANGED: return "WORKDIRCHANGED";
    case TBM_FOLLOWWORKDIR: return "FOLLOWWORKDIR";
    }
    return "?";
}

std::string DescribeHostMsg(const HostMsg &m)
{
    char sz[128];
    snprintf(sz, sizeof(sz), "%u %s w=%#llx l=%#llx", m.msg, HostMsgName(m.msg),
             static_cast<unsigned long long>(m.wParam), static_cast<unsigned long long>(m.lParam));
    std::string s = sz;
    if (m.fText)
        s += " \"" + m.text + "\"";
    if (m.msg == TBM_SETMENU && m.hmenuArg) {
        snprintf(sz, sizeof(sz), " hwnd=%p hmenu=%p", static_cast<void *>(m.hwndArg),
                 static_cast<void *>(m.hmenuArg));
        s += sz;
    }
    if (m.msg == TBM_MENUINSTALLED) {
        snprintf(sz, sizeof(sz), " *l=%ld", static_cast<long>(m.lValue));
        s += sz;
    }
    snprintf(sz, sizeof(sz), " -> %lld", static_cast<long long>(m.result));
    return s + sz;
}

namespace {

std::string DescribeExpect(const HostMsgExpect &e)
{
    char sz[128];
    snprintf(sz, sizeof(sz), "%u %s", e.msg, HostMsgName(e.msg));
    std::string s = sz;
    if (e.flags & HM_WPARAM) {
        snprintf(sz, sizeof(sz), " w=%#llx", static_cast<unsigned long long>(e.wParam));
        s += sz;
    }
    if (e.flags & HM_LPARAM) {
        snprintf(sz, sizeof(sz), " l=%#llx", static_cast<unsigned long long>(e.lParam));
        s += sz;
    }
    if (e.flags & (HM_TEXT | HM_TEXTI))
        s += e.text ? " \"" + std::string(e.text) + "\"" : std::string(" (no text)");
    if (e.flags & HM_OPTIONAL)
        s += " [optional]";
    return s;
}

/* Empty when the recorded message matches, else what differs. */
std::string Mismatch(const HostMsg &m, const HostMsgExpect &e)
{
    if (m.msg != e.msg)
        return "message";
    if ((e.flags & HM_WPARAM) && m.wParam != e.wParam)
        return "wParam";
    if ((e.flags & HM_LPARAM) && m.lParam != e.lParam)
        return "lParam";
    if (e.flags & (HM_TEXT | HM_TEXTI)) {
        if (!e.text || !m.fText) {
            if (e.text || m.fText)
                return "text presence";
        } else if ((e.flags & HM_TEXTI) ? lstrcmpiA(m.text.c_str(), e.text) != 0 : m.text != e.text) {
            return "text";
        }
    }
    return std::string();
}

} // namespace

::testing::AssertionResult MatchHostSequence(const std::vector<HostMsg> &actual,
                                             const std::vector<HostMsgExpect> &expected, bool fOnlyListed)
{
    std::vector<const HostMsg *> seen;
    for (const HostMsg &m : actual) {
        bool fListed = !fOnlyListed;
        for (const HostMsgExpect &e : expected)
            fListed = fListed || e.msg == m.msg;
        if (fListed)
            seen.push_back(&m);
    }

    std::string failure;
    size_t ia = 0, ie = 0;
    while (ie < expected.size()) {
        const HostMsgExpect &e = expected[ie];
        if (ia == seen.size()) {
            if (!(e.flags & HM_OPTIONAL)) {
                failure = "missing #" + std::to_string(ie) + ": " + DescribeExpect(e);
                break;
            }
            ie++;
            continue;
        }
        std::string why = Mismatch(*seen[ia], e);
        if (why.empty()) {
            ia++;
            ie++;
        } else if (e.flags & HM_OPTIONAL) {
            ie++;
        } else {
            failure = "#" + std::to_string(ie) + " differs in " + why + ": expected " + DescribeExpect(e) +
                      ", got " + DescribeHostMsg(*seen[ia]);
            break;
        }
    }
    if (failure.empty() && ia < seen.size())
        failure = "unexpected extra message: " + DescribeHostMsg(*seen[ia]);
    if (failure.empty())
        return ::testing::AssertionSuccess();

    std::string all = failure + "\n  expected:";
    for (const HostMsgExpect &e : expected)
        all += "\n    " + DescribeExpect(e);
    all += "\n  recorded:";
    for (const HostMsg *m : seen)
        all += "\n    " + DescribeHostMsg(*m);
    return ::testing::AssertionFailure() << all;
}

} // namespace tbkit
