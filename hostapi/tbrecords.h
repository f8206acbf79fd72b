/* Records exchanged between the host and its add-ins.
 *
 * The byte offsets asserted below are those of the 32-bit host; on x86_64 the
 * same declarations take their natural layout (pointers and handles widen). */
#ifndef TBRECORDS_H
#define TBRECORDS_H

#include <windows.h>
#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef struct TBSESSION_ *HTBSESSION; /* the host's database session */

typedef void(WINAPI *SHOWVIEWERPROC)(HWND hwndDesktop);

/* Settings request of messages 30036 (write) and 30037 (read). */
typedef struct SETTINGREQUEST {
    LPCSTR pszSection;
    LPCSTR pszKey;
    LPSTR pszValue; /* read: a new host block, the caller frees it */
    LONG nFlag;     /* 1 on every write */
} SETTINGREQUEST;

/* The host's application-info record of one desktop. */
typedef struct APPINFO {
    BYTE abHost[1452];
    LONG fViewerEnabled;
    HWND hwndViewer;
    SHOWVIEWERPROC pfnShowViewer;
    BYTE abHostTail[64];
} APPINFO;

/* Open request of entry code 10 ("ProjectViewer"). */
typedef struct VIEWERREQUEST {
    LPCSTR pszTool;
#ifndef _WIN64
    LONG lReserved4;
#endif
    LONG x;
    LONG y;
    LONG cx;
    LONG cy;
    LONG alReserved24[2];
    WORD wTypeRow; /* initial type-list row + 1; 0 = default */
    WORD wReserved34;
    WORD wReferencesOnly;
    WORD wReserved38;
} VIEWERREQUEST;

/* Install request of message 30011. */
typedef struct MENUREQUEST {
    HWND hwnd;
    HMENU hmenu;
} MENUREQUEST;

/* Request block of MakeBrowser (104 bytes on the 32-bit host). */
typedef struct BROWSERINFO {
    HWND hwndOwner;
    LONG alReserved4[5];
    HWND hwndButton;
    HINSTANCE hInstance;
    LPSTR pszInitialDir; /* 262-byte block */
    LONG alReserved36[10];
    LONG fOption76;
    LONG fOption80;
    LONG lReserved84;
    LONG fOption88;
    LONG nChosen;        /* > 0 after a successful call: a path was chosen */
    LPSTR *ppszChosen;   /* receives a host block holding the chosen path */
    LONG lReserved100;
} BROWSERINFO;

#define TBFS_NAMEMAX 268

/* The host's file-selection record (FScreateFSinfo / FSfileSelect). */
typedef struct FSINFO {
    HWND hwndDesktop;
    LONG lReserved4;
    LONG *pnKind;       /* points at the file kind the dialog offers */
    LONG nMode;
    LONG nFlags;
    LONG lReserved20;
    CHAR szFile[TBFS_NAMEMAX]; /* chosen name after a confirmed dialog */
    LONG nOption292;
    LONG nKindStore;    /* pnKind points here */
} FSINFO;

/* One reference record, handed out by message 30026. */
typedef struct REFERENCEINFO {
    CHAR szName[532];
    LONG fInclude;
    LONG nKind;
    LONG alHost[4];
} REFERENCEINFO;

/* The host's description of one database alias (TBMenumDBs). */
#define TBALIAS_PRIVATE 0x40
typedef struct ALIASDESC {
    LONG nType;
    CHAR szAlias[357]; /* name, zero-terminated */
    BYTE bFlags;       /* 0x40: private alias */
    CHAR szPath[260];
    LONG fServer;
} ALIASDESC;

/* File enumeration request of TBMenumFiles (580 bytes). */
typedef struct ENUMFILESREQUEST {
    LONG nKind; /* 0 = all kinds */
    BYTE abHost[292];
    CHAR szProject[284]; /* output buffer of TBMprojectString */
} ENUMFILESREQUEST;

/* Display record answered by the display library's VexLoadDisplay. */
#define TBDISPLAY_VALUE_OFFSET 106
#pragma pack(push, 2)
typedef struct DISPLAYRECORD {
    BYTE abHost[TBDISPLAY_VALUE_OFFSET];
    LONG nDisplay; /* handed to VexDestroyDisplay */
    LONG nMode;
    CHAR szDocument[260];
} DISPLAYRECORD;
#pragma pack(pop)

/* What a custom menu command's library entry receives. */
typedef struct MENUCALLINFO {
    HWND hwndHost;
    LPSTR pszWorkDir;      /* 520-byte block */
    LPSTR pszSecondString; /* 520-byte block */
    LPSTR pszLabel;        /* label of the chosen item, valid during the call */
} MENUCALLINFO;

typedef LONG(WINAPI *MENUCALLPROC)(MENUCALLINFO *pInfo);
typedef DISPLAYRECORD *(WINAPI *VEXLOADDISPLAYPROC)(HWND hwndHost, LONG nOne, LPCSTR pszDocument, LONG nMode,
                                                     LONG l5, LONG l6, LONG l7, LONG l8);
typedef LONG(WINAPI *FMRUNSCRIPTPROC)(DISPLAYRECORD *pDisplay);
typedef LONG(WINAPI *VEXDESTROYDISPLAYPROC)(LONG nDisplay, LONG nZero);

#ifdef __cplusplus
}
#endif

#if defined(__cplusplus) && !defined(_WIN64)
static_assert(sizeof(SETTINGREQUEST) == 16, "SETTINGREQUEST");
static_assert(offsetof(SETTINGREQUEST, pszKey) == 4, "SETTINGREQUEST.key");
static_assert(offsetof(SETTINGREQUEST, pszValue) == 8, "SETTINGREQUEST.value");
static_assert(offsetof(SETTINGREQUEST, nFlag) == 12, "SETTINGREQUEST.flag");
static_assert(offsetof(APPINFO, fViewerEnabled) == 1452, "APPINFO.enabled");
static_assert(offsetof(APPINFO, hwndViewer) == 1456, "APPINFO.viewer");
static_assert(offsetof(APPINFO, pfnShowViewer) == 1460, "APPINFO.callback");
static_assert(offsetof(VIEWERREQUEST, pszTool) == 0, "VIEWERREQUEST.tool");
static_assert(offsetof(VIEWERREQUEST, x) == 8, "VIEWERREQUEST.x");
static_assert(offsetof(VIEWERREQUEST, y) == 12, "VIEWERREQUEST.y");
static_assert(offsetof(VIEWERREQUEST, cx) == 16, "VIEWERREQUEST.cx");
static_assert(offsetof(VIEWERREQUEST, cy) == 20, "VIEWERREQUEST.cy");
static_assert(offsetof(VIEWERREQUEST, wTypeRow) == 32, "VIEWERREQUEST.row");
static_assert(offsetof(VIEWERREQUEST, wReferencesOnly) == 36, "VIEWERREQUEST.refs");
static_assert(sizeof(MENUREQUEST) == 8 && offsetof(MENUREQUEST, hmenu) == 4, "MENUREQUEST");
static_assert(sizeof(BROWSERINFO) == 104, "BROWSERINFO");
static_assert(offsetof(BROWSERINFO, hwndButton) == 24, "BROWSERINFO.24");
static_assert(offsetof(BROWSERINFO, hInstance) == 28, "BROWSERINFO.28");
static_assert(offsetof(BROWSERINFO, pszInitialDir) == 32, "BROWSERINFO.32");
static_assert(offsetof(BROWSERINFO, fOption76) == 76, "BROWSERINFO.76");
static_assert(offsetof(BROWSERINFO, fOption80) == 80, "BROWSERINFO.80");
static_assert(offsetof(BROWSERINFO, fOption88) == 88, "BROWSERINFO.88");
static_assert(offsetof(BROWSERINFO, nChosen) == 92, "BROWSERINFO.92");
static_assert(offsetof(BROWSERINFO, ppszChosen) == 96, "BROWSERINFO.96");
static_assert(offsetof(FSINFO, pnKind) == 8, "FSINFO.kind");
static_assert(offsetof(FSINFO, szFile) == 24, "FSINFO.name");
static_assert(offsetof(FSINFO, nOption292) == 292, "FSINFO.292");
static_assert(offsetof(REFERENCEINFO, fInclude) == 532, "REFERENCEINFO.include");
static_assert(offsetof(REFERENCEINFO, nKind) == 536, "REFERENCEINFO.kind");
static_assert(offsetof(ALIASDESC, szAlias) == 4, "ALIASDESC.name");
static_assert(offsetof(ALIASDESC, bFlags) == 361, "ALIASDESC.flags");
static_assert(sizeof(ENUMFILESREQUEST) == 580, "ENUMFILESREQUEST");
static_assert(offsetof(ENUMFILESREQUEST, szProject) == 296, "ENUMFILESREQUEST.296");
static_assert(offsetof(DISPLAYRECORD, nDisplay) == 106, "DISPLAYRECORD.106");
static_assert(sizeof(MENUCALLINFO) == 16, "MENUCALLINFO");
#endif

#endif
