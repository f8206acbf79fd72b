#pragma GCC diagnostic ignored "-Wunused-parameter"
/* Placeholder until this module lands: keeps the library linking. */
#include "viewer.h"

LRESULT WINAPI FVFileWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) { return 0; }
void PaintFilePane(FILEVIEWINFO *pfvi) {}
BOOL GetSelectionRect(FILEVIEWINFO *pfvi, RECT *prc) { return 0; }
void InvalidateSelection(FILEVIEWINFO *pfvi) {}
void TypeAheadChar(FILEVIEWINFO *pfvi, UINT ch) {}
void SelectionCommand(FILEVIEWINFO *pfvi, BOOL fOpen) {}
