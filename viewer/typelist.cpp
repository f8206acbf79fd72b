#pragma GCC diagnostic ignored "-Wunused-parameter"
/* Placeholder until this module lands: keeps the library linking. */
#include "viewer.h"

LRESULT WINAPI FVListWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) { return 0; }
void PaintTypeList(FILEVIEWINFO *pfvi) {}
void SelectTypeAtPoint(FILEVIEWINFO *pfvi, LPARAM lParam) {}
void InvalidateCurType(FILEVIEWINFO *pfvi) {}
void MoveCurType(FILEVIEWINFO *pfvi, BOOL fUp) {}
void SetTypeHelpTopic(FILEVIEWINFO *pfvi) {}
void SendTypeAction(FILEVIEWINFO *pfvi, LPARAM nMode) {}
