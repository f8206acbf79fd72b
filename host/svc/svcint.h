/* Internal declarations shared by the files of tbsvc32.dll. */
#ifndef SVCINT_H
#define SVCINT_H

#include <initializer_list>
#include <string>
#include <vector>

#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include "tbctl.h"

/* Included last on purpose: without STRSAFE_NO_DEPRECATE it turns any
 * unbounded lstrcpyA/lstrcatA/wsprintfA in this library into a compile error. */
#include <strsafe.h>

#define SVC_PATHMAX MAX_PATH

/* Error codes answered by the path services. */
#define TBERR_BADPATH   10245 /* too long or malformed */
#define TBERR_WORKDIR   10246 /* not usable as a working directory */
#define TBERR_NOALIAS   10247 /* unknown alias */

struct TBSESSION_ {
    CHAR szWorkDir[SVC_PATHMAX];
};

/* One desktop of the host. Records are never freed, so that a session or
 * application-info pointer an add-in still holds stays readable after the
 * host removed the desktop. */
struct DESKTOPREC {
    HWND hwndDesktop;
    HWND hwndHost;
    APPINFO *pInfo; /* null for a desktop without one */
    TBSESSION_ session;
    BOOL fRemoved;
};

extern HINSTANCE g_hinstSvc; /* this library */

/* ---- state lock (everything but the allocator) ---- */
void SvcLock();
void SvcUnlock();
struct SvcGuard {
    SvcGuard() { SvcLock(); }
    ~SvcGuard() { SvcUnlock(); }
    SvcGuard(const SvcGuard &) = delete;
    SvcGuard &operator=(const SvcGuard &) = delete;
};

/* ---- call log ---- */
void SvcLogCall(LPCSTR pszService, LPCSTR pszText, std::initializer_list<DWORD_PTR> args);

/* ---- scripted answers ---- */
LONG SvcAnswer(LONG nWhich); /* TBCTL_REAL when not overridden */
std::string SvcBrowserResult();
std::string SvcFileSelectResult();

/* ---- desktops ---- */
DESKTOPREC *SvcFindDesktop(HWND hwndDesktop); /* live records only; under the lock */
/* What GetDesktop and TBMgetSession answer, without logging a call: a
 * service that uses another internally logs only itself. */
HWND SvcDesktopOf(HWND hwnd);
HTBSESSION SvcSessionOf(HWND hwnd);
void SvcRemoveNotifications(HWND hwndDesktop);

/* ---- paths and kinds ---- */
BOOL SvcIsDirectory(LPCSTR pszPath);
LONG SvcCheckPathSyntax(LPCSTR pszPath, BOOL fLength); /* 0 or TBERR_BADPATH */
LONG SvcKindOfName(HTBSESSION hSession, LPCSTR pszName); /* 0 when no kind */
BOOL SvcExtensionIn(LPCSTR pszExt, const std::vector<std::string> &exts);
void SvcBoundedCopy(LPSTR pszOut, size_t cchOut, LPCSTR pszIn);

/* ---- allocator initialisation ---- */
void SvcAllocInit();
void SvcStateInit();

#endif
