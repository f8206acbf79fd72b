#pragma GCC diagnostic ignored "-Wunused-parameter"
/* Placeholder until this module lands: keeps the library linking. */
#include "viewer.h"

LRESULT WINAPI ButtonSubClassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) { return 0; }
void DrawBrowseButton(FILEVIEWINFO *pfvi, const DRAWITEMSTRUCT *pdis) {}
void BrowseForDirectory(FILEVIEWINFO *pfvi) {}
