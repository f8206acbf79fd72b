/* The demo host: a small multiple-document frame that loads the add-ins the
 * way the host does and answers their private messages. */
#ifndef DEMO_H
#define DEMO_H

#include "tbhost.h"

#define IDM_DEMO_MENU        100
#define IDD_DEMO_PROJPROPS   101

/* Frame commands: far above the custom menu's ids (1 and up) and the
 * viewer's (11002..11016, 30623). */
#define IDC_FILE_QUERY       40001
#define IDC_FILE_CHECKQUERY  40002
#define IDC_FILE_EXIT        40003
#define IDC_VIEW_VIEWER      40010
#define IDC_VIEW_PROPERTIES  40011
#define IDC_WINDOW_CASCADE   40020
#define IDC_WINDOW_TILE      40021
#define IDC_OBJ_OPEN         40030
#define IDC_OBJ_INFO         40031
#define IDC_FIRSTCHILD       41000

#define DEMO_NMENUS          9
#define DEMO_HOSTSTRINGMAX     260 /* host texts written into add-in buffers, terminator included */

LRESULT DemoFramePrivateMessage(UINT msg, WPARAM wParam, LPARAM lParam, BOOL *pfHandled);

typedef struct DEMOHOST {
    HINSTANCE hinst;
    HWND hwndFrame;
    HWND hwndDesktop;
    HWND hwndStatus;
    HMENU hmenuCustom;               /* the "Custom" popup of the menu bar */
    HMENU hmenuWindow;
    HMENU hmenuViewer;               /* the viewer's menu while installed */
    HMODULE hmodViewer;
    HMODULE hmodMenu;
    HMODULE hmodQbe;
    LONG(WINAPI *pfnViewerEntry)(HWND, LONG, LONG, LONG_PTR);
    LONG(WINAPI *pfnMenuEntry)(HWND, LONG, LONG, LONG_PTR);
    APPINFO *pAppInfo;
    BOOL fMenuAttached;
    CHAR szIniFile[MAX_PATH];
    CHAR szSampleDir[MAX_PATH];
    CHAR szSecondString[MAX_PATH];
    CHAR szQueryFile[MAX_PATH];
    BYTE abQueryStamp[8];
    HANDLE hChange;                  /* change notification of the working directory */
    REFERENCEINFO aRefs[4];
    int nRefs;
} DEMOHOST;

extern DEMOHOST g_demo;

/* desktopmsg.cpp */
LRESULT CALLBACK DemoDesktopProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
extern WNDPROC g_pfnMdiClientProc;
void DemoSetStatus(LPCSTR pszText);
void DemoWatchWorkDir(void);

/* docwin.cpp */
BOOL RegisterDocClass(HINSTANCE hinst);
HWND OpenDocWindow(LPCSTR pszName);

/* capture.cpp */
BOOL SaveWindowPng(HWND hwnd, LPCSTR pszFile);

#endif
