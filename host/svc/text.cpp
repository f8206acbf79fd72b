/* Text and memory helpers. Too frequent to be logged. */
#include <cstring>

#include "svcint.h"

extern "C" void WINAPI lmemset(LPVOID pDest, int bValue, DWORD cb)
{
    if (pDest && cb)
        memset(pDest, bValue, cb);
}

/* Overlapping ranges are fine (memmove). */
extern "C" void WINAPI lmemmov(LPVOID pDest, LPCVOID pSrc, DWORD cb)
{
    if (pDest && pSrc && cb)
        memmove(pDest, pSrc, cb);
}

/* First occurrence of ch; ch 0 finds the terminator; null when absent. */
extern "C" LPSTR WINAPI lstrchr(LPCSTR psz, int ch)
{
    if (!psz)
        return NULL;
    return const_cast<LPSTR>(strchr(psz, (char)ch));
}

/* The first occurrence of pszPart in psz, or null. */
extern "C" LPSTR WINAPI lstrstr(LPCSTR psz, LPCSTR pszPart)
{
    if (!psz || !pszPart)
        return NULL;
    return const_cast<LPSTR>(strstr(psz, pszPart));
}

/* 0 when the first cch characters are equal (strncmp). */
extern "C" int WINAPI lstrncmp(LPCSTR psz1, LPCSTR psz2, int cch)
{
    if (cch <= 0)
        return 0;
    if (!psz1 || !psz2)
        return psz1 == psz2 ? 0 : (psz1 ? 1 : -1);
    return strncmp(psz1, psz2, (size_t)cch);
}

extern "C" void WINAPI charcat(LPSTR psz, int ch)
{
    if (!psz)
        return;
    size_t cch = strlen(psz);
    psz[cch] = (char)ch;
    psz[cch + 1] = '\0';
}

void SvcBoundedCopy(LPSTR pszOut, size_t cchOut, LPCSTR pszIn)
{
    if (!pszOut || cchOut == 0)
        return;
    StringCchCopyA(pszOut, cchOut, pszIn ? pszIn : "");
}
