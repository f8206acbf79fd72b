/* Resources of a module instance, and the window classes that the add-ins
 * register through the host. */
#include <map>
#include <utility>

#include "svcint.h"

namespace {

/* Host-owned texts that stay valid until the process ends. */
std::map<std::pair<HINSTANCE, UINT>, LPSTR> g_strings;
std::map<UINT, std::string> g_classNames;

LPCSTR ClassNameOf(UINT idClass)
{
    SvcGuard lock;
    auto it = g_classNames.find(idClass);
    if (it != g_classNames.end())
        return it->second.c_str();
    CHAR szName[32];
    StringCchPrintfA(szName, sizeof(szName), "TBClass%u", idClass);
    try {
        return g_classNames.emplace(idClass, szName).first->second.c_str();
    } catch (...) {
        return NULL;
    }
}

} // namespace

/* The string, cached per (instance, id); "" when the module has none, so a
 * caller that measures it does not fault. */
extern "C" LPCSTR WINAPI GetRCString(HINSTANCE hInstance, UINT id)
{
    static const CHAR s_szMissing[] = "";
    {
        SvcGuard lock;
        auto it = g_strings.find(std::make_pair(hInstance, id));
        if (it != g_strings.end()) {
            SvcLogCall("GetRCString", it->second, {(DWORD_PTR)hInstance, (DWORD_PTR)id});
            return it->second;
        }
    }
    CHAR szText[4096];
    int cch = LoadStringA(hInstance, id, szText, sizeof(szText));
    if (cch <= 0) {
        SvcLogCall("GetRCString", "(missing)", {(DWORD_PTR)hInstance, (DWORD_PTR)id});
        return s_szMissing;
    }
    SvcLogCall("GetRCString", szText, {(DWORD_PTR)hInstance, (DWORD_PTR)id});
    LPSTR psz = (LPSTR)HeapAlloc(GetProcessHeap(), 0, (SIZE_T)cch + 1);
    if (!psz)
        return s_szMissing;
    CopyMemory(psz, szText, (SIZE_T)cch + 1);
    SvcGuard lock;
    try {
        auto res = g_strings.emplace(std::make_pair(hInstance, id), psz);
        if (!res.second) {
            HeapFree(GetProcessHeap(), 0, psz);
            return res.first->second;
        }
    } catch (...) {
        HeapFree(GetProcessHeap(), 0, psz);
        return s_szMissing;
    }
    return psz;
}

extern "C" HBITMAP WINAPI APloadBitmap(HINSTANCE hInstance, UINT id)
{
    SvcLogCall("APloadBitmap", NULL, {(DWORD_PTR)hInstance, (DWORD_PTR)id});
    return LoadBitmapA(hInstance, MAKEINTRESOURCEA(id));
}

extern "C" HMENU WINAPI APloadMenu(HINSTANCE hInstance, UINT id)
{
    SvcLogCall("APloadMenu", NULL, {(DWORD_PTR)hInstance, (DWORD_PTR)id});
    return LoadMenuA(hInstance, MAKEINTRESOURCEA(id));
}

/* Instance 0: the system cursor of that id. */
extern "C" HCURSOR WINAPI APloadCursor(HINSTANCE hInstance, UINT id)
{
    SvcLogCall("APloadCursor", NULL, {(DWORD_PTR)hInstance, (DWORD_PTR)id});
    HCURSOR hcur = LoadCursorA(hInstance, MAKEINTRESOURCEA(id));
    if (!hcur && hInstance)
        hcur = LoadCursorA(NULL, MAKEINTRESOURCEA(id));
    return hcur;
}

/* Registers class "TBClass<id>" for the module: double clicks and full
 * redraw on resize, the icon from the module, a system cursor and a system
 * colour background (COLOR_x + 1). Registering again answers TRUE; with a
 * new window procedure (a module loaded anew) the class is renewed. */
extern "C" BOOL WINAPI StoreClassInfo(UINT idClass, WNDPROC pfnWndProc, int cbWndExtra, HINSTANCE hInstance,
                                      UINT idIcon, UINT idCursor, UINT_PTR nBackground, LONG lReserved)
{
    SvcLogCall("StoreClassInfo", NULL,
               {(DWORD_PTR)idClass, (DWORD_PTR)pfnWndProc, (DWORD_PTR)cbWndExtra, (DWORD_PTR)hInstance,
                (DWORD_PTR)idIcon, (DWORD_PTR)idCursor, (DWORD_PTR)nBackground, (DWORD_PTR)lReserved});
    LPCSTR pszClass = ClassNameOf(idClass);
    if (!pszClass || !pfnWndProc)
        return FALSE;
    WNDCLASSEXA wc;
    ZeroMemory(&wc, sizeof(wc));
    wc.cbSize = sizeof(wc);
    if (GetClassInfoExA(hInstance, pszClass, &wc)) {
        if (wc.lpfnWndProc == pfnWndProc)
            return TRUE;
        if (!UnregisterClassA(pszClass, hInstance))
            return FALSE; /* windows of the old class still exist */
    }
    ZeroMemory(&wc, sizeof(wc));
    wc.cbSize = sizeof(wc);
    wc.style = CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = pfnWndProc;
    /* Window words hold pointers: a request for 4 bytes on a 64-bit host
     * still gets room for a pointer. */
    int cbExtra = cbWndExtra > 0 ? cbWndExtra : 0;
    wc.cbWndExtra = (cbExtra + (int)sizeof(LONG_PTR) - 1) / (int)sizeof(LONG_PTR) * (int)sizeof(LONG_PTR);
    wc.hInstance = hInstance;
    wc.hIcon = idIcon ? LoadIconA(hInstance, MAKEINTRESOURCEA(idIcon)) : NULL;
    wc.hCursor = idCursor ? LoadCursorA(NULL, MAKEINTRESOURCEA(idCursor)) : NULL;
    wc.hbrBackground = (HBRUSH)nBackground;
    wc.lpszClassName = pszClass;
    return RegisterClassExA(&wc) != 0;
}

extern "C" LPCSTR WINAPI QueryClassName(UINT idClass)
{
    SvcLogCall("QueryClassName", NULL, {(DWORD_PTR)idClass});
    return ClassNameOf(idClass);
}
