/* A picture of a window as a PNG file: uncompressed deflate blocks are enough
 * for a screenshot and need no library. */
#include "demo.h"
#include <vector>
#include <stdio.h>

static DWORD Crc32(const BYTE *p, size_t cb, DWORD crc = 0)
{
    static DWORD s_table[256];
    if (!s_table[1])
        for (DWORD n = 0; n < 256; n++) {
            DWORD c = n;
            for (int k = 0; k < 8; k++)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            s_table[n] = c;
        }
    crc = ~crc;
    for (size_t i = 0; i < cb; i++)
        crc = s_table[(crc ^ p[i]) & 0xFF] ^ (crc >> 8);
    return ~crc;
}

static void PutBE32(std::vector<BYTE> &v, DWORD x)
{
    v.push_back((BYTE)(x >> 24));
    v.push_back((BYTE)(x >> 16));
    v.push_back((BYTE)(x >> 8));
    v.push_back((BYTE)x);
}

static void PutChunk(std::vector<BYTE> &out, const char *type, const std::vector<BYTE> &data)
{
    PutBE32(out, (DWORD)data.size());
    size_t start = out.size();
    out.insert(out.end(), type, type + 4);
    out.insert(out.end(), data.begin(), data.end());
    PutBE32(out, Crc32(&out[start], out.size() - start));
}

/* Raw rows (filter byte + RGB) wrapped as zlib stored blocks. */
static std::vector<BYTE> ZlibStored(const std::vector<BYTE> &raw)
{
    std::vector<BYTE> z = {0x78, 0x01};
    DWORD a = 1, b = 0;
    for (BYTE x : raw) {
        a = (a + x) % 65521;
        b = (b + a) % 65521;
    }
    size_t pos = 0;
    do {
        size_t n = raw.size() - pos;
        if (n > 65535)
            n = 65535;
        z.push_back(pos + n == raw.size() ? 1 : 0);
        z.push_back((BYTE)n);
        z.push_back((BYTE)(n >> 8));
        z.push_back((BYTE)~n);
        z.push_back((BYTE)(~n >> 8));
        z.insert(z.end(), raw.begin() + pos, raw.begin() + pos + n);
        pos += n;
    } while (pos < raw.size());
    PutBE32(z, (b << 16) | a);
    return z;
}

static BOOL WritePng(LPCSTR pszFile, const BYTE *pBgra, int cx, int cy)
{
    std::vector<BYTE> raw;
    raw.reserve((size_t)(cx * 3 + 1) * cy);
    for (int y = 0; y < cy; y++) {
        raw.push_back(0);
        const BYTE *row = pBgra + (size_t)y * cx * 4;
        for (int x = 0; x < cx; x++) {
            raw.push_back(row[x * 4 + 2]);
            raw.push_back(row[x * 4 + 1]);
            raw.push_back(row[x * 4 + 0]);
        }
    }
    std::vector<BYTE> png = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
    std::vector<BYTE> ihdr;
    PutBE32(ihdr, (DWORD)cx);
    PutBE32(ihdr, (DWORD)cy);
    ihdr.insert(ihdr.end(), {8, 2, 0, 0, 0});
    PutChunk(png, "IHDR", ihdr);
    PutChunk(png, "IDAT", ZlibStored(raw));
    PutChunk(png, "IEND", {});
    FILE *f = fopen(pszFile, "wb");
    if (!f)
        return FALSE;
    BOOL fOk = fwrite(png.data(), 1, png.size(), f) == png.size();
    return fclose(f) == 0 && fOk;
}

/* Copies the window as it is on the screen, frame included. */
BOOL SaveWindowPng(HWND hwnd, LPCSTR pszFile)
{
    RECT rc;
    BOOL fOk = FALSE;
    void *pBits = NULL;
    GetWindowRect(hwnd, &rc);
    int cx = rc.right - rc.left, cy = rc.bottom - rc.top;
    if (cx <= 0 || cy <= 0)
        return FALSE;
    BITMAPINFO bmi = {};
    bmi.bmiHeader.biSize = sizeof bmi.bmiHeader;
    bmi.bmiHeader.biWidth = cx;
    bmi.bmiHeader.biHeight = -cy;
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    bmi.bmiHeader.biCompression = BI_RGB;
    HDC hdcScreen = GetDC(NULL);
    if (!hdcScreen)
        return FALSE;
    HDC hdcMem = CreateCompatibleDC(hdcScreen);
    HBITMAP hbm = hdcMem ? CreateDIBSection(hdcScreen, &bmi, DIB_RGB_COLORS, &pBits, NULL, 0) : NULL;
    if (hbm) {
        HGDIOBJ hbmOld = SelectObject(hdcMem, hbm);
        BitBlt(hdcMem, 0, 0, cx, cy, hdcScreen, rc.left, rc.top, SRCCOPY);
        GdiFlush();
        fOk = WritePng(pszFile, (const BYTE *)pBits, cx, cy);
        SelectObject(hdcMem, hbmOld);
        DeleteObject(hbm);
    }
    if (hdcMem)
        DeleteDC(hdcMem);
    ReleaseDC(NULL, hdcScreen);
    return fOk;
}
