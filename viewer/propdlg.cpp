#pragma GCC diagnostic ignored "-Wunused-parameter"
/* Placeholder until this module lands: keeps the library linking. */
#include "viewer.h"

INT_PTR WINAPI ProjPropDlgProc(HWND hdlg, UINT msg, WPARAM wParam, LPARAM lParam) { return 0; }
void LoadProjProps(FILEVIEWINFO *pfvi, HWND hdlg) {}
void SaveProjProps(FILEVIEWINFO *pfvi, HWND hdlg) {}
