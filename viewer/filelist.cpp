#pragma GCC diagnostic ignored "-Wunused-parameter"
/* Placeholder until this module lands: keeps the library linking. */
#include "viewer.h"

void RefreshFileList(FILEVIEWINFO *pfvi) {}
LONG WINAPI AddFileCallback(LPVOID pContext, LPCSTR pszName) { return 0; }
FILENODE *InsertFileNode(FILENODE *pNode, FILEVIEWINFO *pfvi, LPCSTR pszName) { return 0; }
LONG FileKindOf(FILEVIEWINFO *pfvi, LPCSTR pszName) { return 0; }
void MoveColonNamesLast(FILENODE *pFirst, FILEVIEWINFO *pfvi) {}
void NumberFileNodes(FILENODE *pFirst) {}
void UnlinkFileNode(FILENODE *pNode, UINT fFlags) {}
void FreeFileList(FILENODE *pFirst) {}
void SizeFilePane(FILEVIEWINFO *pfvi, DWORD dwSize) {}
