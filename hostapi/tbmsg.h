/* Private window messages between the host's desktop and its add-ins. */
#ifndef TBMSG_H
#define TBMSG_H

#define TBM_OPENFILE          30004 /* 0, file name: open that file */
#define TBM_STATUSTEXT        30005 /* 0, text or 0: status line text; 0 clears it */
#define TBM_OBJECTMENU        30007 /* 0, file name: the host's object menu for it */
#define TBM_SETMENU           30011 /* 3 + MENUREQUEST*, or 0x10000001 + 0 */
#define TBM_VIEWERCOMMAND     30012 /* command id: a viewer menu command was chosen */
#define TBM_GETHOSTSTRING     30016 /* 6 or 4, buffer: working directory or second text */
#define TBM_MENUCHANGED       30020 /* 0, 0: after every menu install or removal */
#define TBM_KINDACTION        30021 /* kind 1, 4 or 6, mode 0 or 4 */
#define TBM_HELPREQUEST       30022 /* request kind, item id */
#define TBM_SETWORKDIR        30023 /* 14, path */
#define TBM_GETWORKDIR        30024 /* 14, 260-byte buffer */
#define TBM_NEXTREFERENCE     30026 /* 0, previous REFERENCEINFO* or 0 */
#define TBM_SHOWHELP          30027 /* 0, help topic */
#define TBM_WRITESETTING      30036 /* 1, SETTINGREQUEST* */
#define TBM_READSETTING       30037 /* 0, SETTINGREQUEST*: non-zero when found */
#define TBM_MENUINSTALLED     30039 /* 1, address of a 32-bit 1 */
#define TBM_FRAMEMENUID       30050 /* viewer command id, 0: the frame's id for it */
#define TBM_WORKDIRCHANGED    30054 /* non-zero: the working directory changed */
#define TBM_FOLLOWWORKDIR     30065 /* non-zero: follow the working directory */

/* Word arguments with a fixed meaning */
#define TBHS_WORKDIR          6     /* TBM_GETHOSTSTRING: the working directory */
#define TBHS_SECONDSTRING     4     /* TBM_GETHOSTSTRING: the host's second text */
#define TBWD_DIRECTORY        14    /* TBM_SETWORKDIR / TBM_GETWORKDIR */
#define TBSM_INSTALL          3
#define TBSM_REMOVE           0x10000001

/* Add-in entry request codes and answers */
#define TBENTRY_ATTACH        0
#define TBENTRY_DETACH        3
#define TBENTRY_STATUS        8
#define TBENTRY_OPENTOOL      10
#define TBENTRY_ATTACHED      13081985

#endif
