// The viewer's own resources as the host loads them: strings, picture strips
// (each picture beside its mask, rows of size + 1, first cell at (1, 1)),
// the menu and the icon.
#include "viewer_fixture.h"

#include <cctype>
#include <set>

using namespace vfix;

namespace {

/* A host bitmap selected into a memory DC for reading its pixels. */
class StripReader {
  public:
    explicit StripReader(UINT id) : hbm_(APloadBitmap(ViewerModule(), id))
    {
        hdc_ = CreateCompatibleDC(nullptr);
        if (hbm_) {
            GetObjectA(hbm_, sizeof bm_, &bm_);
            hbmOld_ = SelectObject(hdc_, hbm_);
        }
    }
    ~StripReader()
    {
        if (hbm_) {
            SelectObject(hdc_, hbmOld_);
            DeleteObject(hbm_);
        }
        DeleteDC(hdc_);
    }
    bool Ok() const { return hbm_ != nullptr; }
    int Width() const { return bm_.bmWidth; }
    int Height() const { return bm_.bmHeight; }
    COLORREF At(int x, int y) const { return GetPixel(hdc_, x, y); }
    HDC Dc() const { return hdc_; }

    /* Picture r of a strip of cells of `size`: "." transparent, else colour. */
    std::string Cell(int r, int size) const
    {
        std::string s;
        int y0 = r * (size + 1) + 1;
        for (int y = 0; y < size; y++)
            for (int x = 0; x < size; x++) {
                COLORREF cr = At(1 + x, y0 + y);
                s += std::to_string(cr) + (At(size + 2 + x, y0 + y) == 0 ? "o" : ".");
            }
        return s;
    }

  private:
    HBITMAP hbm_;
    HDC hdc_;
    HGDIOBJ hbmOld_ = nullptr;
    BITMAP bm_ = {};
};

struct StripCase {
    UINT id;
    int size;
    int rows;
};

const StripCase kStrips[] = {
    {IDB_TYPES, 24, 4},      {IDB_FILES_SMALL, 11, 10}, {IDB_FILES_LARGE, 15, 10},
    {IDB_BROWSE_SMALL, 11, 1}, {IDB_BROWSE_LARGE, 15, 1},
};

} // namespace

TEST(ViewerResources, PictureStripsHoldEachPictureBesideItsMask)
{
    ASSERT_NE(nullptr, ViewerModule());
    for (const StripCase &c : kStrips) {
        SCOPED_TRACE(testing::Message() << "bitmap " << c.id);
        StripReader strip(c.id);
        ASSERT_TRUE(strip.Ok());
        EXPECT_GE(strip.Width(), 2 * c.size + 2);
        EXPECT_GE(strip.Height(), c.rows * (c.size + 1) + 1);
        std::set<std::string> pictures;
        for (int r = 0; r < c.rows; r++) {
            SCOPED_TRACE(testing::Message() << "row " << r);
            int y0 = r * (c.size + 1) + 1;
            int nOpaque = 0, nColoured = 0, nBadGround = 0, nBadMask = 0;
            for (int y = 0; y < c.size; y++) {
                for (int x = 0; x < c.size; x++) {
                    COLORREF crPicture = strip.At(1 + x, y0 + y);
                    COLORREF crMask = strip.At(c.size + 2 + x, y0 + y);
                    if (crMask == RGB(0, 0, 0)) {
                        nOpaque++;
                        if (crPicture != RGB(255, 255, 255))
                            nColoured++;
                    } else if (crMask == RGB(255, 255, 255)) {
                        if (crPicture != RGB(255, 255, 255))
                            nBadGround++; // transparent pixels are white in the picture
                    } else {
                        nBadMask++;
                    }
                }
            }
            EXPECT_EQ(0, nBadMask) << "the mask is black and white only";
            EXPECT_EQ(0, nBadGround) << "the picture is white where it is transparent";
            // A real picture: a good part of the cell, and drawn in more than white.
            EXPECT_GT(nOpaque, c.size * c.size / 4);
            EXPECT_GT(nColoured, c.size * 2);
            EXPECT_TRUE(pictures.insert(strip.Cell(r, c.size)).second) << "the same picture twice";
        }
    }
}

TEST(ViewerResources, TwoTransfersShowThePictureOverAnyBackground)
{
    const int size = 15;
    StripReader strip(IDB_FILES_LARGE);
    ASSERT_TRUE(strip.Ok());
    HDC hdcScreen = GetDC(nullptr);
    HDC hdc = CreateCompatibleDC(hdcScreen);
    HBITMAP hbm = CreateCompatibleBitmap(hdcScreen, size, size);
    ReleaseDC(nullptr, hdcScreen);
    HGDIOBJ hbmOld = SelectObject(hdc, hbm);
    const COLORREF crBack = RGB(200, 30, 90);
    for (int kind = 0; kind < 10; kind++) {
        SCOPED_TRACE(testing::Message() << "kind " << kind);
        RECT rc = {0, 0, size, size};
        HBRUSH hbr = CreateSolidBrush(crBack);
        FillRect(hdc, &rc, hbr);
        DeleteObject(hbr);
        int y = (size + 1) * kind + 1;
        BitBlt(hdc, 0, 0, size, size, strip.Dc(), size + 2, y, MERGEPAINT);
        BitBlt(hdc, 0, 0, size, size, strip.Dc(), 1, y, SRCAND);
        int nWrong = 0;
        for (int py = 0; py < size; py++)
            for (int px = 0; px < size; px++) {
                bool fOpaque = strip.At(size + 2 + px, y + py) == RGB(0, 0, 0);
                COLORREF crWant = fOpaque ? strip.At(1 + px, y + py) : crBack;
                if (GetPixel(hdc, px, py) != crWant)
                    nWrong++;
            }
        EXPECT_EQ(0, nWrong);
    }
    SelectObject(hdc, hbmOld);
    DeleteObject(hbm);
    DeleteDC(hdc);
}

TEST(ViewerResources, HostStringsFitTheirUses)
{
    for (UINT id : {IDS_VIEWERTITLE, IDS_CAPTION, IDS_FILEMIN, IDS_FACENAME, IDS_HISTSECTION, IDS_HISTKEYPREFIX}) {
        SCOPED_TRACE(id);
        EXPECT_FALSE(HostString(id).empty());
    }
    EXPECT_LT(HostString(IDS_FACENAME).size(), (size_t)LF_FACESIZE);
    const char *const kTypes[] = {"All Files", "Tables", "Queries", "Forms"};
    for (UINT i = 0; i < 4; i++)
        EXPECT_EQ(kTypes[i], HostString(IDS_TYPEFIRST + i));

    // Nineteen extensions of at most three characters, all different; a
    // server path is looked up as "DB", which is the table kind's entry.
    std::set<std::string> exts;
    for (UINT i = 0; i < FV_NEXTS; i++) {
        std::string ext = HostString(IDS_EXTFIRST + i);
        SCOPED_TRACE(testing::Message() << "entry " << i << " \"" << ext << "\"");
        EXPECT_GE(ext.size(), 1u);
        EXPECT_LE(ext.size(), 3u);
        for (char ch : ext)
            EXPECT_TRUE(isalnum((unsigned char)ch));
        EXPECT_TRUE(exts.insert(ext).second);
    }
    EXPECT_EQ("DB", HostString(IDS_EXTFIRST + 4));

    // The type-ahead status format takes exactly one text.
    std::string fmt = HostString(IDS_TYPEAHEADFMT);
    size_t nPercent = 0;
    for (size_t i = 0; i < fmt.size(); i++)
        if (fmt[i] == '%')
            nPercent++;
    EXPECT_EQ(1u, nPercent) << fmt;
    EXPECT_NE(std::string::npos, fmt.find("%s")) << fmt;
}

TEST(ViewerResources, MenuCarriesTheViewerCommands)
{
    HMENU hmenu = APloadMenu(ViewerModule(), IDM_VIEWER);
    ASSERT_NE(nullptr, hmenu);
    std::set<UINT> ids;
    std::vector<HMENU> stack = {hmenu};
    while (!stack.empty()) {
        HMENU h = stack.back();
        stack.pop_back();
        for (int i = 0; i < GetMenuItemCount(h); i++) {
            if (HMENU hsub = GetSubMenu(h, i)) {
                stack.push_back(hsub);
                continue;
            }
            UINT id = GetMenuItemID(h, i);
            char sz[80] = "";
            GetMenuStringA(h, i, sz, sizeof sz, MF_BYPOSITION);
            if (id != 0) {
                EXPECT_NE('\0', sz[0]) << "item " << id << " has no text";
                ids.insert(id);
            }
        }
    }
    for (UINT id : {IDC_SHOWALL, IDC_SHOWTABLES, IDC_SHOWQUERIES, IDC_SHOWFORMS, IDC_REFERENCES, IDC_OPEN,
                    IDC_OBJECTMENU, IDC_REFRESH, IDC_CLOSEVIEWER})
        EXPECT_EQ(1u, ids.count(id)) << "command " << id << " is missing";
    // The viewer hands its menu to the host, who owns it from then on; here
    // the test loaded it, so it gives it back.
    DestroyMenu(hmenu);
}

TEST(ViewerResources, IconComesInBothSizes)
{
    for (int size : {16, 32}) {
        SCOPED_TRACE(size);
        HICON hicon = static_cast<HICON>(
            LoadImageA(ViewerModule(), MAKEINTRESOURCEA(IDI_VIEWER), IMAGE_ICON, size, size, 0));
        ASSERT_NE(nullptr, hicon);
        ICONINFO ii = {};
        ASSERT_TRUE(GetIconInfo(hicon, &ii));
        BITMAP bm = {};
        GetObjectA(ii.hbmColor, sizeof bm, &bm);
        EXPECT_EQ(size, bm.bmWidth);
        DeleteObject(ii.hbmColor);
        DeleteObject(ii.hbmMask);
        DestroyIcon(hicon);
    }
}
