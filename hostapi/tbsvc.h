/* Services that the host lends its add-ins through tbsvc32.dll. */
#ifndef TBSVC_H
#define TBSVC_H

#include "tbrecords.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Callbacks: a listed file, a database alias, a file-system change. */
typedef LONG(WINAPI *ADDFILEPROC)(LPVOID pContext, LPCSTR pszName);
typedef LONG(WINAPI *ENUMALIASPROC)(LPVOID pContext, ALIASDESC *pAlias);
typedef LONG(WINAPI *FSNOTIFYPROC)(DWORD_PTR dw1, DWORD_PTR dw2, DWORD_PTR dw3, DWORD_PTR dw4, LPVOID pContext);

/* Memory: blocks are zero-filled; fastfree accepts null. */
LPVOID WINAPI fastmalloc(DWORD cb);
void WINAPI fastfree(LPVOID p);
LPSTR WINAPI TB_Strdup(LPCSTR psz);
void WINAPI lmemset(LPVOID pDest, int bValue, DWORD cb);
void WINAPI lmemmov(LPVOID pDest, LPCVOID pSrc, DWORD cb);

/* Texts */
LPSTR WINAPI lstrchr(LPCSTR psz, int ch);
LPSTR WINAPI lstrstr(LPCSTR psz, LPCSTR pszPart);
int WINAPI lstrncmp(LPCSTR psz1, LPCSTR psz2, int cch);
void WINAPI charcat(LPSTR psz, int ch);

/* Files and paths */
LPSTR WINAPI GetExtension(LPCSTR pszName);
BOOL WINAPI FileExists(LPCSTR pszPath);
BOOL WINAPI DosGetFILETIME(LPCSTR pszPath, LPVOID pStamp);
BOOL WINAPI ValidateDirectory(HWND hwnd, LPCSTR pszPath, LPSTR pszOut);
BOOL WINAPI IsGoodWorkDir(LPCSTR pszPath);
LONG WINAPI TBMcheckPath(LPCSTR pszPath);

/* Session, aliases and the working directory's files */
HTBSESSION WINAPI TBMgetSession(HWND hwnd);
LONG WINAPI TBMfullPathname(HTBSESSION hSession, LPCSTR pszName, LPSTR pszOut);
LONG WINAPI TBMdecomposeAlias(LPCSTR pszText, LPSTR pszAlias, LONG lReserved);
LONG WINAPI TBMenumDBs(HTBSESSION hSession, ENUMALIASPROC pfn, LPVOID pContext);
BOOL WINAPI TBMdbServer(ALIASDESC *pAlias);
LPCSTR WINAPI TBMprivateString(void);
LPSTR WINAPI TBMprojectString(LONG nKind, LPSTR pszOut);
LONG WINAPI TBMfileObjDBextension(LPCSTR pszProject, HTBSESSION hSession);
LONG WINAPI TBMenumFiles(HWND hwndDesktop, ADDFILEPROC pfn, LPVOID pContext, ENUMFILESREQUEST *pRequest);
BOOL WINAPI TBMisServerPath(HTBSESSION hSession, LPCSTR pszName);

/* Desktops */
HWND WINAPI GetDesktop(HWND hwnd);
APPINFO *WINAPI APgetInfo(HWND hwndDesktop);
void WINAPI APactivateWindow(HWND hwnd);
void WINAPI APactivateNextWindow(HWND hwnd);
BOOL WINAPI APpostMessage(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
void WINAPI CenterWindow(HWND hwnd);
BOOL WINAPI CanCloseAll(HWND hwndDesktop, LONG fPrompt);
BOOL WINAPI FileSystemNotifyRegister(HWND hwndDesktop, FSNOTIFYPROC pfn, LPVOID pContext);
BOOL WINAPI FileSystemNotifyUnRegister(HWND hwndDesktop, FSNOTIFYPROC pfn, LPVOID pContext);

/* Resources of a module instance */
LPCSTR WINAPI GetRCString(HINSTANCE hInstance, UINT id);
HBITMAP WINAPI APloadBitmap(HINSTANCE hInstance, UINT id);
HMENU WINAPI APloadMenu(HINSTANCE hInstance, UINT id);
HCURSOR WINAPI APloadCursor(HINSTANCE hInstance, UINT id);
BOOL WINAPI StoreClassInfo(UINT idClass, WNDPROC pfnWndProc, int cbWndExtra, HINSTANCE hInstance, UINT idIcon,
                           UINT idCursor, UINT_PTR nBackground, LONG lReserved);
LPCSTR WINAPI QueryClassName(UINT idClass);

/* Errors */
APPINFO *WINAPI HWNDtoAPInfo(HWND hwnd);
void WINAPI LogErrorStack(APPINFO *pInfo, LONG nCode, LONG nLevel);

/* Dialogs */
BOOL WINAPI MakeBrowser(BROWSERINFO *pRequest);
FSINFO *WINAPI FScreateFSinfo(HWND hwndDesktop, LONG nMode, LONG nFlags, LONG l4, LONG l5);
BOOL WINAPI FSfileSelect(HWND hwnd, FSINFO *pInfo);
void WINAPI FSdestroyFSinfo(FSINFO *pInfo);

#ifdef __cplusplus
}
#endif

#endif
