#pragma GCC diagnostic ignored "-Wunused-parameter"
/* Placeholder until this module lands: keeps the library linking. */
#include "viewer.h"

void WINAPI SetUpListBoxData(FILEVIEWINFO *pfvi) {}
LRESULT WINAPI ListBoxSubClassProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) { return 0; }
void WINAPI DirChangeFromOutside(FILEVIEWINFO *pfvi) {}
void ChangeDirFromCombo(FILEVIEWINFO *pfvi) {}
void MakeDirCurrent(FILEVIEWINFO *pfvi, LPSTR pszEntry) {}
void SaveDirHistory(FILEVIEWINFO *pfvi) {}
LONG WINAPI AddAliasToCombo(LPVOID pContext, ALIASDESC *pAlias) { return 0; }
void CloseComboList(FILEVIEWINFO *pfvi) {}
void TrimBlanks(LPSTR psz) {}
void StripTrailingBackslashes(LPSTR psz) {}
void AddTrailingBackslash(LPSTR psz, size_t cchBuf) {}
