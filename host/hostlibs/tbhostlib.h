/* The reference host's display and form libraries (tbdisp32, tbform32).
 *
 * Besides their host entries, each library keeps a log of the entry calls it
 * received, read through TBHostLibCallCount/TBHostLibGetCall, for tests and
 * the demo. A caller that wants to read the log after a component has freed
 * the library keeps its own reference (LoadLibraryA) meanwhile. */
#ifndef TBHOSTLIB_H
#define TBHOSTLIB_H

#include "tbhost.h"

#ifdef __cplusplus
extern "C" {
#endif

#define TBHOSTLIB_MAXCALLS   256
#define TBDISP_FIRSTDISPLAY  0x5D150000 /* nDisplay of the first display loaded */

typedef struct TBHOSTLIBCALL {
    CHAR szEntry[32];   /* "VexLoadDisplay", "FMrunScript", "VexDestroyDisplay" */
    DWORD_PTR aArgs[8]; /* the arguments in order (pointers as numbers) */
    CHAR szText[264];   /* VexLoadDisplay: the document name; FMrunScript: the record's document */
    LONG nDisplay;      /* FMrunScript: the record's nDisplay; VexDestroyDisplay: its argument */
    LONG nMode;         /* FMrunScript: the record's mode */
} TBHOSTLIBCALL;

typedef LONG(WINAPI *TBHOSTLIBCALLCOUNTPROC)(void);
typedef BOOL(WINAPI *TBHOSTLIBGETCALLPROC)(LONG nth, TBHOSTLIBCALL *pCall);
typedef void(WINAPI *TBHOSTLIBCLEARCALLSPROC)(void);
typedef LONG(WINAPI *TBDISPOPENDISPLAYSPROC)(void);
typedef BOOL(WINAPI *TBDISPCLOSEDISPLAYPROC)(LONG nDisplay);

/* Both libraries */
LONG WINAPI TBHostLibCallCount(void);
BOOL WINAPI TBHostLibGetCall(LONG nth, TBHOSTLIBCALL *pCall);
void WINAPI TBHostLibClearCalls(void);

/* tbdisp32 only: displays loaded and not yet destroyed; closing one by number */
LONG WINAPI TBDispOpenDisplays(void);
BOOL WINAPI TBDispCloseDisplay(LONG nDisplay);

#ifdef __cplusplus
}
#endif

#endif
