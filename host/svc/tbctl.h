/* Control interface of the reference host services, for the host kit, the
 * demo host and tests. The add-ins never include this header: the binary
 * check rejects an add-in that imports any TBCtl name. */
#ifndef TBCTL_H
#define TBCTL_H

#include "tbsvc.h"

#ifdef __cplusplus
extern "C" {
#endif

/* ---- allocator ---- */
LONG WINAPI TBCtlOutstandingBlocks(void);  /* blocks taken and not given back */
LONG WINAPI TBCtlAllocationCount(void);    /* fastmalloc/TB_Strdup calls since the last reset */
void WINAPI TBCtlResetAllocationCount(void);
/* Fail the nth allocation from now on (1 = the very next one); 0 turns it off.
 * Once fired it stays off. */
void WINAPI TBCtlFailAllocation(LONG nth);
LONG WINAPI TBCtlFailedAllocations(void);  /* injected failures so far */
/* Guard-page mode: each block ends against a no-access page. Beyond 12,000
 * live guard blocks (the kernel's mapping limit under Wine) further blocks
 * come from the heap, unguarded, rather than fail. */
void WINAPI TBCtlSetGuardPages(BOOL fOn);
BOOL WINAPI TBCtlIsGuardBlock(LPCVOID p);  /* a live block taken in guard-page mode */
/* fastfree calls refused because the pointer was no live block (double
 * frees, foreign pointers); such a call changes nothing. */
LONG WINAPI TBCtlBadFrees(void);

/* ---- desktops and sessions ---- */
/* Make hwndDesktop (an MDI client) a desktop of the host. fAppInfo = FALSE
 * gives a desktop without an application-info record. hwndHost is the window
 * that answers host messages for it (usually its frame); may be null. */
APPINFO *WINAPI TBCtlAddDesktop(HWND hwndDesktop, HWND hwndHost, LPCSTR pszWorkDir, BOOL fAppInfo);
void WINAPI TBCtlRemoveDesktop(HWND hwndDesktop);
/* The desktop's working directory, as the host keeps it */
BOOL WINAPI TBCtlSetWorkDir(HWND hwndDesktop, LPCSTR pszDir);
BOOL WINAPI TBCtlGetWorkDir(HWND hwndDesktop, LPSTR pszOut, DWORD cch);
/* Call every registered file-system callback of the desktop. */
LONG WINAPI TBCtlFireFileSystemNotify(HWND hwndDesktop);
LONG WINAPI TBCtlNotifyRegistrations(HWND hwndDesktop);

/* ---- aliases ---- */
void WINAPI TBCtlClearAliases(void);
void WINAPI TBCtlAddAlias(LPCSTR pszName, LPCSTR pszPath, BYTE bFlags, BOOL fServer);
void WINAPI TBCtlSetPrivateString(LPCSTR psz);

/* ---- scripted answers ---- */
/* Names that TBMenumFiles lists instead of the working directory, as a
 * double-zero-terminated list; null goes back to the real directory. */
void WINAPI TBCtlSetFileList(LPCSTR pszzNames);
/* Extensions (without dot, any case) whose files TBMisServerPath accepts,
 * double-zero-terminated; null: none. */
void WINAPI TBCtlSetServerExtensions(LPCSTR pszzExts);
/* Extensions (without dot, any case, double-zero-terminated) that make up
 * document kind nKind (1-9), used by the kind filter of TBMenumFiles and by
 * TBMprojectString. Null restores the kind's default; nKind 0 restores all.
 * Defaults (the viewer's extension table): 1 SSL SDL, 2 RPT RPC, 3 DB,
 * 4 QRY SQL, 5 LIB LBC, 6 FRM FRC, 7 TXT, 8 BMP, 9 IDX MEM CSV DAT XML INI. */
void WINAPI TBCtlSetKindExtensions(LONG nKind, LPCSTR pszzExts);
LONG WINAPI TBCtlKindOfName(LPCSTR pszName); /* the kind the host gives a name; 0 = none */

/* Overrides of a service's answer; TBCTL_REAL (the default) lets it work. */
#define TBCTL_REAL ((LONG)0x80000000)
enum TBCTL_ANSWER {
    TBA_FULLPATHNAME = 0, /* TBMfullPathname result code */
    TBA_VALIDATEDIRECTORY,
    TBA_CHECKPATH,
    TBA_ISGOODWORKDIR,
    TBA_CANCLOSEALL,
    TBA_MAKEBROWSER,      /* 0: cancelled; else the scripted path is chosen */
    TBA_FSFILESELECT,     /* 0: cancelled; else the scripted name is chosen */
    TBA_FSCREATEFSINFO,   /* 0: no record */
    TBA_COUNT
};
void WINAPI TBCtlSetAnswer(LONG nWhich, LONG nAnswer);
void WINAPI TBCtlResetAnswers(void);
void WINAPI TBCtlSetBrowserResult(LPCSTR pszPath);   /* path MakeBrowser chooses */
void WINAPI TBCtlSetFileSelectResult(LPCSTR pszName);/* name FSfileSelect chooses */

/* ---- errors ---- */
/* Called by LogErrorStack with the code's message (this library's string
 * table, or "Error <code>."); null removes the hook. */
typedef void(WINAPI *TBCTLERRORHOOK)(APPINFO *pInfo, LONG nCode, LONG nLevel, LPCSTR pszMessage);
void WINAPI TBCtlSetErrorHook(TBCTLERRORHOOK pfn);

/* ---- call log ---- */
typedef struct TBCALL {
    CHAR szService[32];
    DWORD_PTR aArgs[8];
    CHAR szText[264];   /* the first text argument, if any */
} TBCALL;
void WINAPI TBCtlClearCalls(void);
LONG WINAPI TBCtlCallCount(LPCSTR pszService);              /* null: all calls */
/* The nth (0-based) logged call of that service; FALSE when there is none. */
BOOL WINAPI TBCtlGetCall(LPCSTR pszService, LONG nth, TBCALL *pCall);

/* Scratch copy of the last FSINFO seen by FSfileSelect (kind it pointed to, value at 292). */
BOOL WINAPI TBCtlLastFileSelect(LONG *pnKind, LONG *pnOption292);

#ifdef __cplusplus
}
#endif

#endif
