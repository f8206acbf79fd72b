/* Import-table counters: GDI objects, DCs, paints and libraries that one
 * module takes and gives back. Under Wine GetGuiResources answers 0, so the
 * module's own calls are counted instead. */
#include "tbkit.h"

#include <sstream>

namespace tbkit {

namespace {

struct CounterState {
    LONG aCalls[IF_COUNT];
    LONG aFailed[IF_COUNT];
    std::set<HGDIOBJ> made;                  /* objects the module made, not yet deleted */
    std::map<HDC, std::map<DWORD, HGDIOBJ>> selected; /* DC -> object type -> selected object */
    LONG nForeignDeletes;
    LONG nDeletedWhileSelected;
};

CounterState *g_pState; /* the one active counter */

void Note(ImportFn fn, bool fOk)
{
    if (!g_pState)
        return;
    if (fOk)
        g_pState->aCalls[fn]++;
    else
        g_pState->aFailed[fn]++;
}

void NoteMade(ImportFn fn, HGDIOBJ h)
{
    Note(fn, h != nullptr);
    if (g_pState && h)
        g_pState->made.insert(h);
}

void ForgetDC(HDC hdc)
{
    if (g_pState)
        g_pState->selected.erase(hdc);
}

bool IsSelectedSomewhere(HGDIOBJ h)
{
    for (const auto &dc : g_pState->selected)
        for (const auto &sel : dc.second)
            if (sel.second == h)
                return true;
    return false;
}

/* ---- counting wrappers: same signatures and convention as the real ones ---- */

HPEN WINAPI CountCreatePen(int iStyle, int cWidth, COLORREF color)
{
    HPEN h = CreatePen(iStyle, cWidth, color);
    NoteMade(IF_CreatePen, h);
    return h;
}

HBRUSH WINAPI CountCreateSolidBrush(COLORREF color)
{
    HBRUSH h = CreateSolidBrush(color);
    NoteMade(IF_CreateSolidBrush, h);
    return h;
}

HFONT WINAPI CountCreateFontIndirectA(const LOGFONTA *plf)
{
    HFONT h = CreateFontIndirectA(plf);
    NoteMade(IF_CreateFontIndirectA, h);
    return h;
}

HFONT WINAPI CountCreateFontA(int cHeight, int cWidth, int cEscapement, int cOrientation, int cWeight, DWORD bItalic,
                              DWORD bUnderline, DWORD bStrikeOut, DWORD iCharSet, DWORD iOutPrecision,
                              DWORD iClipPrecision, DWORD iQuality, DWORD iPitchAndFamily, LPCSTR pszFaceName)
{
    HFONT h = CreateFontA(cHeight, cWidth, cEscapement, cOrientation, cWeight, bItalic, bUnderline, bStrikeOut,
                          iCharSet, iOutPrecision, iClipPrecision, iQuality, iPitchAndFamily, pszFaceName);
    NoteMade(IF_CreateFontA, h);
    return h;
}

HBITMAP WINAPI CountCreateCompatibleBitmap(HDC hdc, int cx, int cy)
{
    HBITMAP h = CreateCompatibleBitmap(hdc, cx, cy);
    NoteMade(IF_CreateCompatibleBitmap, h);
    return h;
}

HBITMAP WINAPI CountLoadBitmapA(HINSTANCE hInstance, LPCSTR pszName)
{
    HBITMAP h = LoadBitmapA(hInstance, pszName);
    NoteMade(IF_LoadBitmapA, h);
    return h;
}

HDC WINAPI CountCreateCompatibleDC(HDC hdc)
{
    HDC h = CreateCompatibleDC(hdc);
    Note(IF_CreateCompatibleDC, h != nullptr);
    return h;
}

BOOL WINAPI CountDeleteObject(HGDIOBJ h)
{
    if (g_pState && h) {
        if (IsSelectedSomewhere(h))
            g_pState->nDeletedWhileSelected++;
        if (!g_pState->made.count(h))
            g_pState->nForeignDeletes++;
    }
    BOOL fOk = DeleteObject(h);
    Note(IF_DeleteObject, fOk != FALSE);
    if (g_pState && fOk)
        g_pState->made.erase(h);
    return fOk;
}

BOOL WINAPI CountDeleteDC(HDC hdc)
{
    BOOL fOk = DeleteDC(hdc);
    Note(IF_DeleteDC, fOk != FALSE);
    if (fOk)
        ForgetDC(hdc);
    return fOk;
}

HDC WINAPI CountGetDC(HWND hwnd)
{
    HDC h = GetDC(hwnd);
    Note(IF_GetDC, h != nullptr);
    return h;
}

HDC WINAPI CountGetWindowDC(HWND hwnd)
{
    HDC h = GetWindowDC(hwnd);
    Note(IF_GetWindowDC, h != nullptr);
    return h;
}

int WINAPI CountReleaseDC(HWND hwnd, HDC hdc)
{
    int n = ReleaseDC(hwnd, hdc);
    Note(IF_ReleaseDC, n != 0);
    if (n)
        ForgetDC(hdc);
    return n;
}

HDC WINAPI CountBeginPaint(HWND hwnd, LPPAINTSTRUCT pps)
{
    HDC h = BeginPaint(hwnd, pps);
    Note(IF_BeginPaint, h != nullptr);
    return h;
}

BOOL WINAPI CountEndPaint(HWND hwnd, const PAINTSTRUCT *pps)
{
    HDC hdc = pps ? pps->hdc : nullptr;
    BOOL fOk = EndPaint(hwnd, pps);
    Note(IF_EndPaint, fOk != FALSE);
    ForgetDC(hdc);
    return fOk;
}

HMODULE WINAPI CountLoadLibraryA(LPCSTR pszName)
{
    HMODULE h = LoadLibraryA(pszName);
    Note(IF_LoadLibraryA, h != nullptr);
    return h;
}

BOOL WINAPI CountFreeLibrary(HMODULE h)
{
    BOOL fOk = FreeLibrary(h);
    Note(IF_FreeLibrary, fOk != FALSE);
    return fOk;
}

HGDIOBJ WINAPI CountSelectObject(HDC hdc, HGDIOBJ h)
{
    HGDIOBJ hOld = SelectObject(hdc, h);
    bool fOk = hOld != nullptr && hOld != HGDI_ERROR;
    Note(IF_SelectObject, fOk);
    if (g_pState && fOk) {
        DWORD dwType = GetObjectType(h);
        if (dwType != OBJ_REGION) /* a region is copied, never held */
            g_pState->selected[hdc][dwType] = h;
    }
    return hOld;
}

struct Hook {
    ImportFn fn;
    const char *pszDll;
    const char *pszName;
    void *pfnWrapper;
};

const Hook kHooks[] = {
    {IF_CreatePen, "gdi32.dll", "CreatePen", reinterpret_cast<void *>(CountCreatePen)},
    {IF_CreateSolidBrush, "gdi32.dll", "CreateSolidBrush", reinterpret_cast<void *>(CountCreateSolidBrush)},
    {IF_CreateFontIndirectA, "gdi32.dll", "CreateFontIndirectA", reinterpret_cast<void *>(CountCreateFontIndirectA)},
    {IF_CreateFontA, "gdi32.dll", "CreateFontA", reinterpret_cast<void *>(CountCreateFontA)},
    {IF_CreateCompatibleBitmap, "gdi32.dll", "CreateCompatibleBitmap",
     reinterpret_cast<void *>(CountCreateCompatibleBitmap)},
    {IF_LoadBitmapA, "user32.dll", "LoadBitmapA", reinterpret_cast<void *>(CountLoadBitmapA)},
    {IF_CreateCompatibleDC, "gdi32.dll", "CreateCompatibleDC", reinterpret_cast<void *>(CountCreateCompatibleDC)},
    {IF_DeleteObject, "gdi32.dll", "DeleteObject", reinterpret_cast<void *>(CountDeleteObject)},
    {IF_DeleteDC, "gdi32.dll", "DeleteDC", reinterpret_cast<void *>(CountDeleteDC)},
    {IF_GetDC, "user32.dll", "GetDC", reinterpret_cast<void *>(CountGetDC)},
    {IF_GetWindowDC, "user32.dll", "GetWindowDC", reinterpret_cast<void *>(CountGetWindowDC)},
    {IF_ReleaseDC, "user32.dll", "ReleaseDC", reinterpret_cast<void *>(CountReleaseDC)},
    {IF_BeginPaint, "user32.dll", "BeginPaint", reinterpret_cast<void *>(CountBeginPaint)},
    {IF_EndPaint, "user32.dll", "EndPaint", reinterpret_cast<void *>(CountEndPaint)},
    {IF_LoadLibraryA, "kernel32.dll", "LoadLibraryA", reinterpret_cast<void *>(CountLoadLibraryA)},
    {IF_FreeLibrary, "kernel32.dll", "FreeLibrary", reinterpret_cast<void *>(CountFreeLibrary)},
    {IF_SelectObject, "gdi32.dll", "SelectObject", reinterpret_cast<void *>(CountSelectObject)},
};

bool WriteSlot(void **ppfn, void *pfn)
{
    DWORD dwOld;
    if (!VirtualProtect(ppfn, sizeof(*ppfn), PAGE_READWRITE, &dwOld))
        return false;
    *ppfn = pfn;
    VirtualProtect(ppfn, sizeof(*ppfn), dwOld, &dwOld);
    return true;
}

/* The hook for an imported name, or null. Without a name table (a bound
 * image), the slot's current address identifies the function. */
const Hook *FindHook(const char *pszDll, const char *pszName, void *pfnCurrent)
{
    for (const Hook &hook : kHooks) {
        if (lstrcmpiA(pszDll, hook.pszDll) != 0)
            continue;
        if (pszName) {
            if (lstrcmpA(pszName, hook.pszName) == 0)
                return &hook;
        } else {
            HMODULE hmodDll = GetModuleHandleA(hook.pszDll);
            if (hmodDll && reinterpret_cast<void *>(GetProcAddress(hmodDll, hook.pszName)) == pfnCurrent)
                return &hook;
        }
    }
    return nullptr;
}

} // namespace

ImportCounter::ImportCounter(HMODULE hmod) : hmod_(hmod)
{
    if (!hmod || g_pState)
        return;
    BYTE *pbBase = reinterpret_cast<BYTE *>(hmod);
    const IMAGE_DOS_HEADER *pdos = reinterpret_cast<const IMAGE_DOS_HEADER *>(pbBase);
    if (pdos->e_magic != IMAGE_DOS_SIGNATURE)
        return;
    const IMAGE_NT_HEADERS *pnt = reinterpret_cast<const IMAGE_NT_HEADERS *>(pbBase + pdos->e_lfanew);
    if (pnt->Signature != IMAGE_NT_SIGNATURE)
        return;
    const IMAGE_DATA_DIRECTORY &dir = pnt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (!dir.VirtualAddress || !dir.Size)
        return;

    g_pState = new CounterState();
    for (const IMAGE_IMPORT_DESCRIPTOR *pimp =
             reinterpret_cast<const IMAGE_IMPORT_DESCRIPTOR *>(pbBase + dir.VirtualAddress);
         pimp->Name; pimp++) {
        const char *pszDll = reinterpret_cast<const char *>(pbBase + pimp->Name);
        IMAGE_THUNK_DATA *piat = reinterpret_cast<IMAGE_THUNK_DATA *>(pbBase + pimp->FirstThunk);
        const IMAGE_THUNK_DATA *pnames =
            pimp->OriginalFirstThunk ? reinterpret_cast<const IMAGE_THUNK_DATA *>(pbBase + pimp->OriginalFirstThunk)
                                     : nullptr;
        for (size_t i = 0; piat[i].u1.Function; i++) {
            const char *pszName = nullptr;
            if (pnames) {
                if (IMAGE_SNAP_BY_ORDINAL(pnames[i].u1.Ordinal))
                    continue;
                const IMAGE_IMPORT_BY_NAME *pibn =
                    reinterpret_cast<const IMAGE_IMPORT_BY_NAME *>(pbBase + pnames[i].u1.AddressOfData);
                pszName = reinterpret_cast<const char *>(pibn->Name);
            }
            void **ppfn = reinterpret_cast<void **>(&piat[i].u1.Function);
            const Hook *phook = FindHook(pszDll, pszName, *ppfn);
            if (!phook)
                continue;
            void *pfnOld = *ppfn;
            if (WriteSlot(ppfn, phook->pfnWrapper)) {
                slots_.push_back({ppfn, pfnOld});
                aPatched_[phook->fn] = true;
            }
        }
    }
    if (slots_.empty()) {
        delete g_pState;
        g_pState = nullptr;
    }
}

ImportCounter::~ImportCounter()
{
    if (slots_.empty())
        return;
    /* The module may have been unloaded meanwhile: then there is no table
     * left to restore. */
    HMODULE hmodNow = nullptr;
    if (GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                           reinterpret_cast<LPCSTR>(slots_[0].ppfn), &hmodNow) &&
        hmodNow == hmod_) {
        for (const Slot &slot : slots_)
            WriteSlot(slot.ppfn, slot.pfnOld);
    }
    delete g_pState;
    g_pState = nullptr;
}

bool ImportCounter::IsPatched(ImportFn fn) const { return fn >= 0 && fn < IF_COUNT && aPatched_[fn]; }

LONG ImportCounter::Calls(ImportFn fn) const
{
    return Ok() && fn >= 0 && fn < IF_COUNT ? g_pState->aCalls[fn] : 0;
}

LONG ImportCounter::FailedCalls(ImportFn fn) const
{
    return Ok() && fn >= 0 && fn < IF_COUNT ? g_pState->aFailed[fn] : 0;
}

void ImportCounter::Reset()
{
    if (Ok())
        *g_pState = CounterState();
}

LONG ImportCounter::ObjectsOutstanding() const { return Ok() ? static_cast<LONG>(g_pState->made.size()) : 0; }

LONG ImportCounter::ForeignDeletes() const { return Ok() ? g_pState->nForeignDeletes : 0; }

LONG ImportCounter::DeletedWhileSelected() const { return Ok() ? g_pState->nDeletedWhileSelected : 0; }

LONG ImportCounter::MemoryDCsOutstanding() const { return Calls(IF_CreateCompatibleDC) - Calls(IF_DeleteDC); }

LONG ImportCounter::WindowDCsOutstanding() const
{
    return Calls(IF_GetDC) + Calls(IF_GetWindowDC) - Calls(IF_ReleaseDC);
}

LONG ImportCounter::PaintsOutstanding() const { return Calls(IF_BeginPaint) - Calls(IF_EndPaint); }

LONG ImportCounter::LibrariesOutstanding() const { return Calls(IF_LoadLibraryA) - Calls(IF_FreeLibrary); }

::testing::AssertionResult ImportCounter::Balanced() const
{
    if (!Ok())
        return ::testing::AssertionFailure() << "no import of the module was patched";
    std::ostringstream os;
    if (ObjectsOutstanding())
        os << " objects made and not deleted: " << ObjectsOutstanding() << ";";
    if (DeletedWhileSelected())
        os << " objects deleted while selected: " << DeletedWhileSelected() << ";";
    if (MemoryDCsOutstanding())
        os << " CreateCompatibleDC - DeleteDC: " << MemoryDCsOutstanding() << ";";
    if (WindowDCsOutstanding())
        os << " GetDC/GetWindowDC - ReleaseDC: " << WindowDCsOutstanding() << ";";
    if (PaintsOutstanding())
        os << " BeginPaint - EndPaint: " << PaintsOutstanding() << ";";
    if (LibrariesOutstanding())
        os << " LoadLibraryA - FreeLibrary: " << LibrariesOutstanding() << ";";
    std::string s = os.str();
    if (s.empty())
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << "unbalanced:" << s;
}

} // namespace tbkit
