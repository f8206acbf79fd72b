#include "viewer_fixture.h"

namespace vfix {

HMODULE ViewerModule()
{
    static HMODULE s_hmod = LoadLibraryA("tbview32.dll");
    return s_hmod;
}

FARPROC ViewerExport(const char *pszName)
{
    HMODULE hmod = ViewerModule();
    return hmod ? GetProcAddress(hmod, pszName) : nullptr;
}

ENTRYPROC ViewerEntry()
{
    return reinterpret_cast<ENTRYPROC>(reinterpret_cast<void *>(ViewerExport("OndrelEntry")));
}

std::string HostString(UINT id)
{
    LPCSTR psz = GetRCString(ViewerModule(), id);
    return psz ? psz : "";
}

RECT ChildRect(HWND hwndChild)
{
    RECT rc = {0, 0, 0, 0};
    if (hwndChild && GetWindowRect(hwndChild, &rc))
        MapWindowPoints(nullptr, GetParent(hwndChild), reinterpret_cast<POINT *>(&rc), 2);
    return rc;
}

ImportPatch::ImportPatch(HMODULE hmod, const char *pszDll, const char *pszFunction, void *pfnReplacement)
{
    if (!hmod)
        return;
    BYTE *pBase = reinterpret_cast<BYTE *>(hmod);
    auto *pDos = reinterpret_cast<IMAGE_DOS_HEADER *>(pBase);
    auto *pNt = reinterpret_cast<IMAGE_NT_HEADERS *>(pBase + pDos->e_lfanew);
    const IMAGE_DATA_DIRECTORY &dir = pNt->OptionalHeader.DataDirectory[IMAGE_DIRECTORY_ENTRY_IMPORT];
    if (!dir.VirtualAddress)
        return;
    for (auto *pDesc = reinterpret_cast<IMAGE_IMPORT_DESCRIPTOR *>(pBase + dir.VirtualAddress); pDesc->Name;
         pDesc++) {
        if (lstrcmpiA(reinterpret_cast<const char *>(pBase + pDesc->Name), pszDll) != 0)
            continue;
        auto *pNames = reinterpret_cast<IMAGE_THUNK_DATA *>(pBase + pDesc->OriginalFirstThunk);
        auto *pSlots = reinterpret_cast<IMAGE_THUNK_DATA *>(pBase + pDesc->FirstThunk);
        for (; pNames->u1.AddressOfData; pNames++, pSlots++) {
            if (IMAGE_SNAP_BY_ORDINAL(pNames->u1.Ordinal))
                continue;
            auto *pByName = reinterpret_cast<IMAGE_IMPORT_BY_NAME *>(pBase + pNames->u1.AddressOfData);
            if (strcmp(reinterpret_cast<const char *>(pByName->Name), pszFunction) == 0) {
                ppfn_ = reinterpret_cast<void **>(&pSlots->u1.Function);
                break;
            }
        }
        if (ppfn_)
            break;
    }
    if (!ppfn_)
        return;
    pfnOriginal_ = *ppfn_;
    DWORD dwOld;
    VirtualProtect(ppfn_, sizeof(void *), PAGE_READWRITE, &dwOld);
    *ppfn_ = pfnReplacement;
    VirtualProtect(ppfn_, sizeof(void *), dwOld, &dwOld);
}

ImportPatch::~ImportPatch()
{
    if (!ppfn_)
        return;
    DWORD dwOld;
    VirtualProtect(ppfn_, sizeof(void *), PAGE_READWRITE, &dwOld);
    *ppfn_ = pfnOriginal_;
    VirtualProtect(ppfn_, sizeof(void *), dwOld, &dwOld);
}

void ViewerTest::SetUp()
{
    ASSERT_NE(nullptr, ViewerModule()) << "tbview32.dll did not load";
    ASSERT_NE(nullptr, ViewerEntry());
    TBCtlResetAnswers();
    TBCtlClearAliases();
    TBCtlClearCalls();
    std::vector<std::string> files = Files();
    std::string multi = MultiString(files);
    TBCtlSetFileList(files.empty() ? nullptr : multi.c_str());
    leaks_.emplace(true);
    gdi_.emplace(ViewerModule());
    ASSERT_TRUE(gdi_->Ok());
    host_.emplace(HostOptions());
    ASSERT_TRUE(host_->Ok());
    ASSERT_EQ(TBENTRY_ATTACHED, ViewerEntry()(host_->Desktop(), TBENTRY_ATTACH, 0, 0));
}

void ViewerTest::TearDown()
{
    if (host_)
        Close();
    PumpMessages();
    if (gdi_) {
        EXPECT_TRUE(gdi_->Balanced());
    }
    gdi_.reset();
    host_.reset();
    PumpMessages();
    TBCtlSetFileList(nullptr);
    TBCtlResetAnswers();
    TBCtlClearAliases();
    leaks_.reset(); /* expects every host block back */
}

void ViewerTest::Open()
{
    ASSERT_NE(nullptr, AppInfo()) << "the host has no application-info record";
    ASSERT_NE(nullptr, AppInfo()->pfnShowViewer) << "attach planted no show-viewer callback";
    AppInfo()->pfnShowViewer(Desktop());
    viewer_ = AppInfo()->hwndViewer;
    ASSERT_NE(nullptr, viewer_) << "no viewer opened";
    ASSERT_NE(nullptr, Info()) << "the viewer holds no record";
    PumpMessages();
}

HWND ViewerTest::OpenByName(const char *pszTool, WORD wRow, WORD wRefs, LONG x, LONG y, LONG cx, LONG cy)
{
    VIEWERREQUEST req = {};
    req.pszTool = pszTool;
    req.x = x;
    req.y = y;
    req.cx = cx;
    req.cy = cy;
    req.wTypeRow = wRow;
    req.wReferencesOnly = wRefs;
    HWND hwnd = (HWND)LongToHandle(ViewerEntry()(Desktop(), TBENTRY_OPENTOOL, 0, reinterpret_cast<LONG_PTR>(&req)));
    if (hwnd)
        viewer_ = hwnd;
    PumpMessages();
    return hwnd;
}

void ViewerTest::Close()
{
    if (viewer_ && IsWindow(viewer_)) {
        SendMessageA(Desktop(), WM_MDIDESTROY, reinterpret_cast<WPARAM>(viewer_), 0);
        PumpMessages();
        EXPECT_FALSE(IsWindow(viewer_));
        EXPECT_EQ(0, TBCtlNotifyRegistrations(Desktop())) << "the viewer's notification outlived it";
    }
    viewer_ = nullptr;
}

HWND ViewerTest::Edit() const
{
    HWND hwndCombo = Combo();
    return hwndCombo ? FindWindowExA(hwndCombo, nullptr, "Edit", nullptr) : nullptr;
}

HWND ViewerTest::OpenOtherChild()
{
    static const char kClass[] = "VFixOtherChild";
    WNDCLASSA wc = {};
    if (!GetClassInfoA(GetModuleHandleA(nullptr), kClass, &wc)) {
        wc.lpfnWndProc = DefMDIChildProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
        wc.lpszClassName = kClass;
        RegisterClassA(&wc);
    }
    MDICREATESTRUCTA mcs = {};
    mcs.szClass = kClass;
    mcs.szTitle = "Other document";
    mcs.hOwner = GetModuleHandleA(nullptr);
    mcs.x = 40;
    mcs.y = 40;
    mcs.cx = 200;
    mcs.cy = 150;
    mcs.style = WS_CHILD | WS_VISIBLE | WS_OVERLAPPEDWINDOW;
    HWND hwnd = reinterpret_cast<HWND>(SendMessageA(Desktop(), WM_MDICREATE, 0, reinterpret_cast<LPARAM>(&mcs)));
    PumpMessages();
    return hwnd;
}

std::vector<HWND> ViewerTest::DesktopChildren() const
{
    std::vector<HWND> v;
    for (HWND h = GetWindow(Desktop(), GW_CHILD); h; h = GetWindow(h, GW_HWNDNEXT)) {
        if (GetWindow(h, GW_OWNER) == nullptr) /* MDI icon titles are owned */
            v.push_back(h);
    }
    return v;
}

} // namespace vfix
