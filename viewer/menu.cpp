#pragma GCC diagnostic ignored "-Wunused-parameter"
/* Placeholder until this module lands: keeps the library linking. */
#include "viewer.h"

void SetViewerMenu(FILEVIEWINFO *pfvi, BOOL fActivating, BOOL fRestoring) {}
void InitViewerMenu(FILEVIEWINFO *pfvi) {}
void DoViewerCommand(FILEVIEWINFO *pfvi, UINT idCommand) {}
LRESULT DoViewerHelp(FILEVIEWINFO *pfvi, WPARAM nKind, UINT idItem) { return 0; }
LRESULT HandleEnterIdle(HWND hwnd, WPARAM wSource, HWND hwndDialog) { return 0; }
