/* File list benchmark: a real viewer (tbview32.dll in a test host) refreshing
 * real directories of 1,000, 16,000 and 100,000 files through the reference
 * host's enumeration, against
 *   - the irreducible work: FindFirstFileA/FindNextFileA and one
 *     GetTextExtentPoint32A per name in one DC, and
 *   - the platform's own sorted list: a comctl32 ListView filled with redraw
 *     off, items added at the end, then one LVM_SORTITEMS.
 * Then, on the largest list: a thumb-track step, a Down key and a type-ahead
 * character, and the memory each entry costs. Ratios come from this one run.
 *
 *   bench_filelist [--quick]    (--quick: 1,000 / 4,000 / 16,000 files)
 */
#include "tbkit.h"
#include "viewer.h"

#include <commctrl.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

namespace {

using namespace tbkit;

typedef LONG(WINAPI *ENTRYPROC)(HWND, LONG, LONG, LONG_PTR);

double Now()
{
    static LARGE_INTEGER s_freq;
    if (!s_freq.QuadPart)
        QueryPerformanceFrequency(&s_freq);
    LARGE_INTEGER c;
    QueryPerformanceCounter(&c);
    return (double)c.QuadPart / (double)s_freq.QuadPart;
}

/* Names like a project folder: words, digits, mixed case, the viewer's
 * extensions and a few others. */
std::string MakeName(std::mt19937 &rng, int i)
{
    static const char *const kWords[] = {"report", "Sales", "customer", "ORDERS", "inventory", "budget", "Q1",
                                         "summary", "Stock", "ledger", "invoice", "Payroll", "archive", "temp"};
    static const char *const kExts[] = {"db", "QRY", "sql", "frm", "FRC", "rpt", "ssl", "txt", "bmp", "csv",
                                        "xml", "ini", "dat", "log", "bak"};
    std::string s = kWords[rng() % 14];
    s += (rng() % 3 == 0) ? "_" : "";
    s += kWords[rng() % 14];
    s += std::to_string(i);
    s += '.';
    s += kExts[rng() % 15];
    return s;
}

/* A directory of n files under %TEMP%, made once and reused by later runs. */
std::string BenchDirectory(int n)
{
    char szTemp[MAX_PATH];
    GetTempPathA(sizeof(szTemp), szTemp);
    std::string base = std::string(szTemp) + "tbview-bench";
    CreateDirectoryA(base.c_str(), nullptr);
    std::string dir = base + "\\n" + std::to_string(n);
    std::string marker = base + "\\n" + std::to_string(n) + ".done";
    if (GetFileAttributesA(marker.c_str()) != INVALID_FILE_ATTRIBUTES)
        return dir;
    CreateDirectoryA(dir.c_str(), nullptr);
    printf("creating %d files in %s ...\n", n, dir.c_str());
    fflush(stdout);
    std::mt19937 rng(n);
    for (int i = 0; i < n; i++) {
        std::string path = dir + "\\" + MakeName(rng, i);
        HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        if (h != INVALID_HANDLE_VALUE)
            CloseHandle(h);
    }
    HANDLE h = CreateFileA(marker.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (h != INVALID_HANDLE_VALUE)
        CloseHandle(h);
    return dir;
}

/* Enumeration plus one measurement per name in one DC: what any refresh has
 * to do. Answers the number of files. */
int IrreducibleWork(const std::string &dir, HWND hwndPane, HFONT hFont, LONG *pcxMax)
{
    HDC hdc = GetDC(hwndPane);
    HGDIOBJ hOld = SelectObject(hdc, hFont);
    WIN32_FIND_DATAA fd;
    int n = 0;
    LONG cxMax = 0;
    HANDLE hFind = FindFirstFileA((dir + "\\*").c_str(), &fd);
    if (hFind != INVALID_HANDLE_VALUE) {
        do {
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                continue;
            SIZE size;
            GetTextExtentPoint32A(hdc, fd.cFileName, lstrlenA(fd.cFileName), &size);
            cxMax = std::max(cxMax, size.cx);
            n++;
        } while (FindNextFileA(hFind, &fd));
        FindClose(hFind);
    }
    SelectObject(hdc, hOld);
    ReleaseDC(hwndPane, hdc);
    *pcxMax = cxMax;
    return n;
}

LONG WINAPI CountFile(LPVOID pContext, LPCSTR)
{
    ++*(int *)pContext;
    return 0;
}

std::vector<std::string> *g_pNames;

int CALLBACK CompareNames(LPARAM a, LPARAM b, LPARAM)
{
    return lstrcmpiA((*g_pNames)[a].c_str(), (*g_pNames)[b].c_str());
}

/* The same directory into a sorted ListView; answers the seconds taken by
 * enumeration, filling and sorting (creation and destruction not counted). */
double ListViewFill(const std::string &dir, HWND hwndParent)
{
    HWND hwndLV = CreateWindowExA(0, WC_LISTVIEWA, "", WS_CHILD | LVS_LIST, 0, 0, 300, 300, hwndParent, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    std::vector<std::string> names;
    names.reserve(100000);
    g_pNames = &names;
    double t0 = Now();
    SendMessageA(hwndLV, WM_SETREDRAW, FALSE, 0);
    WIN32_FIND_DATAA fd;
    HANDLE hFind = FindFirstFileA((dir + "\\*").c_str(), &fd);
    if (hFind != INVALID_HANDLE_VALUE) {
        do {
            if (fd.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                continue;
            names.push_back(fd.cFileName);
            LVITEMA item = {};
            item.mask = LVIF_TEXT | LVIF_PARAM;
            item.iItem = (int)names.size() - 1;
            item.pszText = fd.cFileName;
            item.lParam = (LPARAM)(names.size() - 1);
            SendMessageA(hwndLV, LVM_INSERTITEMA, 0, (LPARAM)&item);
        } while (FindNextFileA(hFind, &fd));
        FindClose(hFind);
    }
    SendMessageA(hwndLV, LVM_SORTITEMS, 0, (LPARAM)CompareNames);
    SendMessageA(hwndLV, WM_SETREDRAW, TRUE, 0);
    double t = Now() - t0;
    if ((int)SendMessageA(hwndLV, LVM_GETITEMCOUNT, 0, 0) != (int)names.size())
        printf("  (ListView holds %d of %d items)\n", (int)SendMessageA(hwndLV, LVM_GETITEMCOUNT, 0, 0),
               (int)names.size());
    DestroyWindow(hwndLV);
    g_pNames = nullptr;
    return t;
}

/* Committed private memory of the process (Wine does not report
 * PrivateUsage): the sum of its committed private regions. */
SIZE_T PrivateBytes()
{
    SIZE_T cb = 0;
    MEMORY_BASIC_INFORMATION mbi;
    BYTE *p = nullptr;
    while (VirtualQuery(p, &mbi, sizeof(mbi)) == sizeof(mbi)) {
        if (mbi.State == MEM_COMMIT && mbi.Type == MEM_PRIVATE)
            cb += mbi.RegionSize;
        BYTE *pNext = (BYTE *)mbi.BaseAddress + mbi.RegionSize;
        if (pNext <= p)
            break;
        p = pNext;
    }
    return cb;
}

double Best(int nReps, const std::function<void()> &fn)
{
    double best = 1e30;
    for (int i = 0; i < nReps; i++) {
        PumpMessages();
        double t0 = Now();
        fn();
        best = std::min(best, Now() - t0);
    }
    PumpMessages();
    return best;
}

} // namespace

int main(int argc, char **argv)
{
    bool fQuick = argc > 1 && strcmp(argv[1], "--quick") == 0;
    std::vector<int> sizes = fQuick ? std::vector<int>{1000, 4000, 16000} : std::vector<int>{1000, 16000, 100000};
    std::vector<std::string> dirs;
    for (int n : sizes)
        dirs.push_back(BenchDirectory(n));

    INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&icc);

    TestHostOptions opt;
    opt.workDir = dirs[0];
    opt.cx = 1000;
    opt.cy = 760;
    TestHost host(opt);
    HMODULE hmod = LoadLibraryA("tbview32.dll");
    ENTRYPROC pfnEntry = hmod ? (ENTRYPROC)(void *)GetProcAddress(hmod, "OndrelEntry") : nullptr;
    if (!host.Ok() || !pfnEntry || pfnEntry(host.Desktop(), TBENTRY_ATTACH, 0, 0) != TBENTRY_ATTACHED ||
        !host.AppInfo() || !host.AppInfo()->pfnShowViewer) {
        printf("cannot start the viewer in the test host\n");
        return 1;
    }
    host.AppInfo()->pfnShowViewer(host.Desktop());
    HWND hwndViewer = host.AppInfo()->hwndViewer;
    FILEVIEWINFO *pfvi = hwndViewer ? (FILEVIEWINFO *)GetWindowLongPtrA(hwndViewer, 0) : nullptr;
    if (!pfvi || !pfvi->hwndFileList) {
        printf("no viewer window\n");
        return 1;
    }
    HWND pane = pfvi->hwndFileList;
    /* a roomy viewer, as a user would have it for a big folder */
    MoveWindow(hwndViewer, 0, 0, 900, 680, TRUE);
    PumpMessages();

    printf("\nrefresh of a real directory (best of several runs)\n");
    printf("%8s %12s %12s %12s %10s %10s\n", "files", "refresh ms", "irreduc. ms", "ListView ms", "refresh/", "refresh/");
    printf("%8s %12s %12s %12s %10s %10s\n", "", "", "", "", "irreduc.", "ListView");
    for (size_t i = 0; i < sizes.size(); i++) {
        TBCtlSetWorkDir(host.Desktop(), dirs[i].c_str());
        int nReps = sizes[i] >= 100000 ? 3 : 5;
        SendMessageA(pane, WM_KEYDOWN, VK_F5, 0); /* warm the file system cache */
        double tRefresh = Best(nReps, [&] { SendMessageA(pane, WM_KEYDOWN, VK_F5, 0); });
        LONG cxMax = 0;
        int nListed = 0;
        double tIrr = Best(nReps, [&] { nListed = IrreducibleWork(dirs[i], pane, pfvi->hFont, &cxMax); });
        int nCounted = 0;
        double tHostEnum = Best(nReps, [&] {
            ENUMFILESREQUEST req = {};
            nCounted = 0;
            TBMenumFiles(host.Desktop(), CountFile, &nCounted, &req);
        });
        double tLV = 1e30;
        for (int r = 0; r < (sizes[i] >= 100000 ? 2 : 3); r++)
            tLV = std::min(tLV, ListViewFill(dirs[i], hwndViewer));
        printf("%8d %12.1f %12.1f %12.1f %10.2f %10.2f\n", (int)pfvi->nFiles, tRefresh * 1e3, tIrr * 1e3, tLV * 1e3,
               tRefresh / tIrr, tRefresh / tLV);
        printf("%8s (the host's enumeration alone, no callback work: %.1f ms)\n", "", tHostEnum * 1e3);
        if (pfvi->nFiles != nListed || pfvi->cxFileExtent != (UINT)cxMax + 6 + pfvi->cxIcon)
            printf("  MISMATCH: the viewer lists %d names (extent %u), the directory %d (extent %ld)\n",
                   (int)pfvi->nFiles, pfvi->cxFileExtent, nListed, cxMax + 6 + (LONG)pfvi->cxIcon);
        fflush(stdout);
    }

    const int nBig = (int)pfvi->nFiles;
    printf("\non the %d-entry list (%s position array, scroll divisor %d, %d rows visible)\n", nBig,
           pfvi->ppIndex ? "with" : "without", (int)pfvi->nScrollDiv, (int)pfvi->nRowsVisible);

    /* Each figure: the viewer's handler (what it computes and invalidates),
     * then the repaint that follows (UpdateWindow: the rows and, when the
     * thumb moved, the scroll bar, which Wine paints slowly). */
    std::mt19937 rng(42);
    int nMaxThumb = 0, nMinThumb = 0;
    GetScrollRange(pane, SB_VERT, &nMinThumb, &nMaxThumb);
    const int nSteps = 100;
    double tThumb = 0, tThumbPaint = 0;
    for (int i = 0; i < nSteps; i++) {
        double t0 = Now();
        SendMessageA(pane, WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, rng() % (nMaxThumb + 1)), 0);
        double t1 = Now();
        UpdateWindow(pane);
        tThumb += t1 - t0;
        tThumbPaint += Now() - t1;
    }
    tThumb /= nSteps;
    tThumbPaint /= nSteps;

    /* Down within the view (the thumb stays; the handler repaints two rows
     * itself) and Down on the last whole row (the view and thumb move). */
    SendMessageA(pane, WM_VSCROLL, MAKEWPARAM(SB_THUMBTRACK, nMaxThumb / 2), 0);
    SendMessageA(pane, WM_LBUTTONDOWN, 0, MAKELPARAM(5, 3));
    PumpMessages();
    const int nRowsDown = std::max(1, (int)pfvi->nRowsVisible - 1);
    double tDownIn = 0, tDownScroll = 0;
    int nIn = 0, nScroll = 0;
    for (int i = 0; i < nSteps; i++) {
        bool fScroll = i >= nRowsDown;
        double t0 = Now();
        SendMessageA(pane, WM_KEYDOWN, VK_DOWN, 0);
        double t = Now() - t0;
        (fScroll ? tDownScroll : tDownIn) += t;
        (fScroll ? nScroll : nIn)++;
    }
    tDownIn /= std::max(1, nIn);
    tDownScroll /= std::max(1, nScroll);
    PumpMessages();

    /* one character from a fresh text: a search from the first entry */
    double tChar = 0, tCharMax = 0, tCharPaint = 0;
    const char *pszLetters = "abcdefghijklmnopqrstuvwxyz";
    for (const char *p = pszLetters; *p; p++) {
        SendMessageA(pane, WM_CHAR, 27, 0);
        PumpMessages();
        double t0 = Now();
        SendMessageA(pane, WM_CHAR, (BYTE)*p, 0);
        double t1 = Now();
        UpdateWindow(pane);
        tChar += t1 - t0;
        tCharMax = std::max(tCharMax, t1 - t0);
        tCharPaint += Now() - t1;
    }
    tChar /= 26;
    tCharPaint /= 26;
    PumpMessages();

    /* What Wine charges for one scroll bar repaint of a plain window. */
    double tPlainBar = 0;
    {
        HWND hwndPlain = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE | WS_VSCROLL, 0, 0, 200, 300,
                                         hwndViewer, nullptr, GetModuleHandleA(nullptr), nullptr);
        SetScrollRange(hwndPlain, SB_VERT, 0, 1000, TRUE);
        UpdateWindow(hwndPlain);
        double t0 = Now();
        for (int i = 0; i < 10; i++)
            SetScrollPos(hwndPlain, SB_VERT, i * 10 + 5, TRUE);
        tPlainBar = (Now() - t0) / 10;
        DestroyWindow(hwndPlain);
        PumpMessages();
    }

    /* Memory: the list of nBig entries against an empty one, all else equal. */
    TBCtlSetFileList(std::string(2, '\0').c_str());
    SendMessageA(pane, WM_KEYDOWN, VK_F5, 0);
    PumpMessages();
    SIZE_T cbEmpty = PrivateBytes();
    LONG nBlocksEmpty = TBCtlOutstandingBlocks();
    TBCtlSetFileList(nullptr);
    SendMessageA(pane, WM_KEYDOWN, VK_F5, 0);
    PumpMessages();
    SIZE_T cbFull = PrivateBytes();
    LONG nBlocksFull = TBCtlOutstandingBlocks();
    double cchAvg = 0;
    for (FILENODE *p = pfvi->pFirst; p; p = p->pNext == pfvi->pFirst ? nullptr : p->pNext)
        cchAvg += lstrlenA(p->pszName) + 1;
    cchAvg /= std::max(1, (int)pfvi->nFiles);

    printf("  thumb-track step:   handler %8.1f us, then repaint %8.1f us\n", tThumb * 1e6, tThumbPaint * 1e6);
    printf("  Down key in view:   handler incl. its row repaint %8.1f us\n", tDownIn * 1e6);
    printf("  Down key scrolling: handler incl. its repaint     %8.1f us\n", tDownScroll * 1e6);
    printf("  type-ahead char:    handler %8.1f us (worst of 26: %.1f us), then repaint %8.1f us\n", tChar * 1e6,
           tCharMax * 1e6, tCharPaint * 1e6);
    printf("  (for scale: Wine repaints a plain window's scroll bar in %.1f us)\n", tPlainBar * 1e6);
    printf("  memory per entry (committed private memory): %6.1f bytes\n",
           (double)(cbFull > cbEmpty ? cbFull - cbEmpty : 0) / nBig);
    printf("  of which the viewer asks for: %.1f bytes (entry %u + name %.1f) in %.2f host blocks\n",
           sizeof(FILENODE) + cchAvg, (unsigned)sizeof(FILENODE), cchAvg,
           (double)(nBlocksFull - nBlocksEmpty) / nBig);

    SendMessageA(host.Desktop(), WM_MDIDESTROY, (WPARAM)hwndViewer, 0);
    PumpMessages();
    return 0;
}
