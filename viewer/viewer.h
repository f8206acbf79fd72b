/* The project viewer: its state record, file list and the functions its
 * windows share. */
#ifndef VIEWER_H
#define VIEWER_H

#include "tbhost.h"
#include "resource.h"

#define FV_CCHPATH      260   /* path buffers: 259 characters and the terminator */
#define FV_CCHWORK      261   /* work blocks for texts handed to the host */
#define FV_NDIRS        10    /* directory history slots */
#define FV_NEXTS        19    /* extension table entries */
#define FV_NTYPES       4     /* type-list rows */
#define FV_MAXINDEX     16000 /* largest list that gets a position-to-entry array */

/* One entry of the file list: a sorted ring (see filelist.cpp). */
typedef struct FILENODE {
    LPSTR pszName;
    LONG nKind;
    LONG nPos;
    struct FILENODE *pNext;
    struct FILENODE *pPrev;
} FILENODE;

typedef struct EXTKIND {
    CHAR szExt[4];
    LONG nKind;
} EXTKIND;

struct INSERTINDEX; /* ordered index used while a refresh inserts (filelist.cpp) */

/* State of one viewer window, hung on window word 0 of the viewer. */
typedef struct FILEVIEWINFO {
    UINT cyMinTrack;
    UINT cxMinTrack;
    UINT cyLabel;
    UINT cxLabel;
    UINT cyTypeRow;
    UINT cxTypeList;
    UINT yTypeIcon;
    UINT yTypeText;
    UINT nTypes;
    UINT iCurType;
    UINT cyCombo;
    UINT cxFileMin;
    UINT cyFileRow;
    UINT cxFileExtent;
    UINT yFileIcon;
    UINT yFileText;
    BOOL fHScroll;
    BOOL fVScroll;
    BOOL fReferencesOnly;
    UINT cxIcon;
    HBITMAP hbmBrowse;
    HBITMAP hbmTypes;
    HBITMAP hbmFiles;
    HWND hwndDesktop;
    HWND hwndViewer;
    HWND hwndCombo;
    HWND hwndBrowse;
    HWND hwndTypeList;
    HWND hwndFileList;
    HWND hwndFocus;
    BOOL fActive;
    HFONT hFont;
    HFONT hFontBold;
    HBRUSH hbrFace;
    CHAR aszDirs[FV_NDIRS][FV_CCHPATH];
    EXTKIND aExtKinds[FV_NEXTS];
    LONG aTypeKinds[FV_NTYPES];
    FILENODE *pFirst;
    FILENODE *pTop;
    FILENODE *pSel;
    FILENODE **ppIndex;
    LONG nFiles;
    LONG nScrollDiv;
    LONG nRowsVisible;
    HTBSESSION hSession;
    CHAR szTypeAhead[FV_CCHPATH];
    BOOL fDirChangedHere;
    LONG nHelpTopic;
    BOOL fInObjectMenu;
    /* Our own additions, not part of the host-visible contract */
    struct INSERTINDEX *pInsertIndex; /* only during a refresh */
    BOOL fHistoryRead;                /* the stored history was read at creation */
} FILEVIEWINFO;

/* Host window class ids of the viewer's windows (QueryClassName names them). */
#define FVCLASS_VIEWER   32
#define FVCLASS_TYPELIST 33
#define FVCLASS_FILEPANE 34

/* ---- module state (entry.cpp) ---- */
extern HINSTANCE g_hinstViewer;

/* ---- record access ---- */
FILEVIEWINFO *ViewerInfoFromViewer(HWND hwndViewer); /* window word 0, or null */
FILEVIEWINFO *ViewerInfoFromChild(HWND hwndChild);   /* the parent's window word 0 */

/* ---- entry.cpp ---- */
extern "C" LONG WINAPI OndrelEntry(HWND hwnd, LONG nCode, LONG lArg, LONG_PTR lArg2);
void AttachViewer(HWND hwndDesktop);
void WINAPI ShowViewer(HWND hwndDesktop);
HWND OpenViewerByName(HWND hwndDesktop, const VIEWERREQUEST *pRequest);
HWND OpenViewer(HWND hwndDesktop, const VIEWERREQUEST *pRequest);
BOOL ReadReferencesOnly(HWND hwndDesktop);

/* ---- viewinfo.cpp ---- */
BOOL CreateViewerInfo(HWND hwndViewer, const CREATESTRUCTA *pcs);
void DestroyViewerInfo(HWND hwndViewer);
LONG WINAPI FileSystemNotifyProc(DWORD_PTR dw1, DWORD_PTR dw2, DWORD_PTR dw3, DWORD_PTR dw4, LPVOID pContext);

/* ---- frame.cpp ---- */
extern "C" LRESULT WINAPI FVWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
void CreateViewerChildren(FILEVIEWINFO *pfvi, const CREATESTRUCTA *pcs);
void LayoutViewer(FILEVIEWINFO *pfvi, int cx, int cy);
void PaintViewer(FILEVIEWINFO *pfvi);
BOOL IsIconicChain(HWND hwnd);
BOOL CALLBACK FindEditChild(HWND hwnd, LPARAM lParam); /* lParam: HWND* receiving the edit control */
extern WNDPROC g_pfnEditProc;   /* directory box edit field's previous procedure */
extern WNDPROC g_pfnButtonProc; /* browse button's previous procedure */

/* ---- filelist.cpp ---- */
void RefreshFileList(FILEVIEWINFO *pfvi);
LONG WINAPI AddFileCallback(LPVOID pContext, LPCSTR pszName);
FILENODE *InsertFileNode(FILENODE *pNode, FILEVIEWINFO *pfvi, LPCSTR pszName);
LONG FileKindOf(FILEVIEWINFO *pfvi, LPCSTR pszName);
void MoveColonNamesLast(FILENODE *pFirst, FILEVIEWINFO *pfvi);
void NumberFileNodes(FILENODE *pFirst);
void UnlinkFileNode(FILENODE *pNode, UINT fFlags);
void FreeFileList(FILENODE *pFirst);
void SizeFilePane(FILEVIEWINFO *pfvi, DWORD dwSize);
int ScrollPosOf(const FILEVIEWINFO *pfvi, const FILENODE *pNode); /* nPos / nScrollDiv - 1 */
void SetPaneScrollPos(HWND hwnd, int nBar, int nPos);      /* the bar repaints with the next paint */
void SetPaneScrollRange(HWND hwnd, int nBar, int nMax);    /* range 0..nMax, likewise */

/* ---- filepane.cpp ---- */
extern "C" LRESULT WINAPI FVFileWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
void PaintFilePane(FILEVIEWINFO *pfvi);
BOOL GetSelectionRect(FILEVIEWINFO *pfvi, RECT *prc);
void InvalidateSelection(FILEVIEWINFO *pfvi);
void TypeAheadChar(FILEVIEWINFO *pfvi, UINT ch);
void SelectionCommand(FILEVIEWINFO *pfvi, BOOL fOpen);

/* ---- filescroll.cpp ---- */
void HScrollFilePane(FILEVIEWINFO *pfvi, WPARAM wParam);
void VScrollFilePane(FILEVIEWINFO *pfvi, WPARAM wParam);
void SelectFileAtPoint(FILEVIEWINFO *pfvi, LPARAM lParam);
void SelectPrevFile(FILEVIEWINFO *pfvi);
void SelectNextFile(FILEVIEWINFO *pfvi);
void SelectPrevPage(FILEVIEWINFO *pfvi);
void SelectNextPage(FILEVIEWINFO *pfvi);

/* ---- dirbox.cpp ---- */
extern "C" void WINAPI SetUpListBoxData(FILEVIEWINFO *pfvi);
extern "C" LRESULT WINAPI ListBoxSubClassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
extern "C" void WINAPI DirChangeFromOutside(FILEVIEWINFO *pfvi);
void ChangeDirFromCombo(FILEVIEWINFO *pfvi);
void MakeDirCurrent(FILEVIEWINFO *pfvi, LPSTR pszEntry);
void SaveDirHistory(FILEVIEWINFO *pfvi);
LONG WINAPI AddAliasToCombo(LPVOID pContext, ALIASDESC *pAlias);
void CloseComboList(FILEVIEWINFO *pfvi);
void TrimBlanks(LPSTR psz);
void StripTrailingBackslashes(LPSTR psz);
void AddTrailingBackslash(LPSTR psz, size_t cchBuf);

/* ---- browse.cpp ---- */
extern "C" LRESULT WINAPI ButtonSubClassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
void DrawBrowseButton(FILEVIEWINFO *pfvi, const DRAWITEMSTRUCT *pdis);
void BrowseForDirectory(FILEVIEWINFO *pfvi);

/* ---- typelist.cpp ---- */
extern "C" LRESULT WINAPI FVListWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
void PaintTypeList(FILEVIEWINFO *pfvi);
void SelectTypeAtPoint(FILEVIEWINFO *pfvi, LPARAM lParam);
void InvalidateCurType(FILEVIEWINFO *pfvi);
void MoveCurType(FILEVIEWINFO *pfvi, BOOL fUp);
void SetTypeHelpTopic(FILEVIEWINFO *pfvi);
void SendTypeAction(FILEVIEWINFO *pfvi, LPARAM nMode);

/* ---- menu.cpp ---- */
void SetViewerMenu(FILEVIEWINFO *pfvi, BOOL fActivating, BOOL fRestoring);
void InitViewerMenu(FILEVIEWINFO *pfvi, HMENU hmenu = NULL); /* hmenu: WM_INITMENU's menu; null: the frame's bar */
void DoViewerCommand(FILEVIEWINFO *pfvi, UINT idCommand);
LRESULT DoViewerHelp(FILEVIEWINFO *pfvi, WPARAM nKind, UINT idItem);
LRESULT HandleEnterIdle(HWND hwnd, WPARAM wSource, HWND hwndDialog); /* 0, or -1 for default processing */

/* ---- propdlg.cpp ---- */
extern "C" INT_PTR WINAPI ProjPropDlgProc(HWND hdlg, UINT msg, WPARAM wParam, LPARAM lParam);
void LoadProjProps(FILEVIEWINFO *pfvi, HWND hdlg);
void SaveProjProps(FILEVIEWINFO *pfvi, HWND hdlg);

#endif
