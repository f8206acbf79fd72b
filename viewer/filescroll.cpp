#pragma GCC diagnostic ignored "-Wunused-parameter"
/* Placeholder until this module lands: keeps the library linking. */
#include "viewer.h"

void HScrollFilePane(FILEVIEWINFO *pfvi, WPARAM wParam) {}
void VScrollFilePane(FILEVIEWINFO *pfvi, WPARAM wParam) {}
void SelectFileAtPoint(FILEVIEWINFO *pfvi, LPARAM lParam) {}
void SelectPrevFile(FILEVIEWINFO *pfvi) {}
void SelectNextFile(FILEVIEWINFO *pfvi) {}
void SelectPrevPage(FILEVIEWINFO *pfvi) {}
void SelectNextPage(FILEVIEWINFO *pfvi) {}
