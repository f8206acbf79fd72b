/* The entry-call log both host libraries keep (one copy per library). */
#ifndef CALLLOG_H
#define CALLLOG_H

#include "tbhostlib.h"

TBHOSTLIBCALL *LogHostLibCall(LPCSTR pszEntry, const DWORD_PTR *aArgs, int nArgs, LPCSTR pszText);
/* Shows a text in the host's status line (message 30005 to the desktop). */
void ShowHostStatus(HWND hwnd, LPCSTR pszFormat, LPCSTR pszText);

#endif
