#!/usr/bin/env python3
"""Generates the project viewer's picture strips and icon (viewer/res/).

Each picture is drawn as text art below. A strip holds every picture beside
its mask, rows of (size + 1) pixels, the first cell at (1, 1):
  picture at x = 1 on a white ground, mask at x = size + 2
  (black where the picture is opaque, white where it is transparent).
The viewer draws the mask with MERGEPAINT and then the picture with SRCAND.

Run:  python3 tools/viewer_bitmaps.py [output-dir]   (default viewer/res)
The generated files are committed, so the build never needs python.
"""
import os
import struct
import sys

PALETTE = {
    '.': None,              # transparent
    'k': (0, 0, 0),
    'w': (255, 255, 255),   # opaque white
    'g': (192, 192, 192),
    'G': (128, 128, 128),
    'r': (208, 32, 32),
    'R': (128, 0, 0),
    'n': (0, 168, 0),
    'N': (0, 104, 0),
    'b': (32, 96, 232),
    'B': (0, 0, 128),
    'c': (160, 208, 255),
    'y': (255, 224, 64),
    'Y': (184, 136, 0),
    'o': (240, 136, 0),
    'p': (144, 32, 160),
    't': (152, 96, 40),
}

# ---------------------------------------------------------------- 15 pixels
PAGE15 = [
    "..kkkkkkkk.....",
    "..kwwwwwwkk....",
    "..kwwwwwwkwk...",
    "..kwwwwwwkkkk..",
    "..kwwwwwwwwwk..",
    "..kwwwwwwwwwk..",
    "..kwwwwwwwwwk..",
    "..kwwwwwwwwwk..",
    "..kwwwwwwwwwk..",
    "..kwwwwwwwwwk..",
    "..kwwwwwwwwwk..",
    "..kwwwwwwwwwk..",
    "..kwwwwwwwwwk..",
    "..kwwwwwwwwwk..",
    "..kkkkkkkkkkk..",
]

PAGE11 = [
    ".kkkkkk....",
    ".kwwwwkk...",
    ".kwwwwkwk..",
    ".kwwwwkkkk.",
    ".kwwwwwwwk.",
    ".kwwwwwwwk.",
    ".kwwwwwwwk.",
    ".kwwwwwwwk.",
    ".kwwwwwwwk.",
    ".kwwwwwwwk.",
    ".kkkkkkkkk.",
]


def overlay(base, glyph, x0, y0):
    """Glyph characters other than blanks replace the base's pixels."""
    rows = [list(r) for r in base]
    for dy, line in enumerate(glyph):
        for dx, ch in enumerate(line):
            if ch != ' ':
                rows[y0 + dy][x0 + dx] = ch
    return [''.join(r) for r in rows]


FILES15 = [
    # 0: any other file - a blank page
    PAGE15,
    # 1: script - a prompt and code lines
    overlay(PAGE15, [
        "B       ",
        "BB      ",
        " BB     ",
        "BB      ",
        "B       ",
        "        ",
        "NNNNN   ",
        "        ",
        "  NNNNNN",
    ], 3, 4),
    # 2: report - a title and a bar chart
    overlay(PAGE15, [
        "GGGG",
        "     ",
        "       ",
        "      b",
        "   n  b",
        "   n  b",
        "r  n  b",
        "rr nn bb",
        "kkkkkkkk",
    ], 3, 1),
    # 3: table - a grid with a dark header row
    [
        "...............",
        "kkkkkkkkkkkkkkk",
        "kBBBBBBBBBBBBBk",
        "kBBBBBBBBBBBBBk",
        "kkkkkkkkkkkkkkk",
        "kwwwwGwwwwGwwwk",
        "kwwwwGwwwwGwwwk",
        "kGGGGGGGGGGGGGk",
        "kwwwwGwwwwGwwwk",
        "kwwwwGwwwwGwwwk",
        "kGGGGGGGGGGGGGk",
        "kwwwwGwwwwGwwwk",
        "kwwwwGwwwwGwwwk",
        "kkkkkkkkkkkkkkk",
        "...............",
    ],
    # 4: query - a magnifying glass over a page
    overlay(PAGE15, [
        "  kkkk   ",
        " kccwck  ",
        "kccccwck ",
        "kcccccck ",
        "kcccccck ",
        " kcccck  ",
        "  kkkktt ",
        "       tt",
        "        t",
    ], 3, 4),
    # 5: library - three books on a shelf
    [
        "...............",
        "...kkk.........",
        "...krk.kkk.....",
        "...krk.kbk..kk.",
        "...kyk.kbk.knk.",
        "...krk.kck.knk.",
        "...krk.kbk.knkk",
        "...krk.kbk.kkyk",
        "...krk.kck..knk",
        "...krk.kbk..knk",
        "...kyk.kbk..knk",
        "...krk.kck..kyk",
        "...krk.kbk..knk",
        ".tttttttttttttt",
        ".tttttttttttttt",
    ],
    # 6: form - a window with a title bar and two fields
    [
        "...............",
        "kkkkkkkkkkkkkkk",
        "kBBBBBBBBBBwBwk",
        "kkkkkkkkkkkkkkk",
        "kgggggggggggggk",
        "kgGGgkkkkkkkggk",
        "kggggkwwwwwkggk",
        "kggggkkkkkkkggk",
        "kgggggggggggggk",
        "kgGGgkkkkkkkggk",
        "kggggkwwwwwkggk",
        "kggggkkkkkkkggk",
        "kgggggggggggggk",
        "kkkkkkkkkkkkkkk",
        "...............",
    ],
    # 7: text - a page of lines
    overlay(PAGE15, [
        "kkkkk",
        "     ",
        "     ",
        "kkkkkkkk",
        "        ",
        "kkkkkk  ",
        "        ",
        "kkkkkkkk",
        "        ",
        "kkkkk   ",
    ], 3 + 1, 2),
    # 8: picture - a framed landscape with a sun
    [
        "...............",
        "kkkkkkkkkkkkkkk",
        "kcccccccccyyyck",
        "kccccccccyyyyyk",
        "kccccccccyyyyyk",
        "kcccccccccyyyck",
        "kcccnccccccccck",
        "kccnnncccccccck",
        "kcnnnnncccnnnck",
        "knnnnnnncnnnnnk",
        "knnNnnnnnnnnnnk",
        "kNnnnnnNnnnnNnk",
        "knnnnNnnnnnnnnk",
        "kkkkkkkkkkkkkkk",
        "...............",
    ],
    # 9: data - a drum of records
    [
        "...............",
        "....kkkkkkk....",
        "..kkyyyyyyykk..",
        ".kyyyyyyyyyyyk.",
        ".kkyyyyyyyyykk.",
        ".kYkkkkkkkkkYk.",
        ".kYYYYYYYYYYYk.",
        ".kkYYYYYYYYYkk.",
        ".kYkkkkkkkkkYk.",
        ".kYYYYYYYYYYYk.",
        ".kkYYYYYYYYYkk.",
        ".kYkkkkkkkkkYk.",
        ".kYYYYYYYYYYYk.",
        "..kkYYYYYYYkk..",
        "....kkkkkkk....",
    ],
]

# ---------------------------------------------------------------- 11 pixels
FILES11 = [
    # 0: any other file
    PAGE11,
    # 1: script
    overlay(PAGE11, [
        "B     ",
        " B    ",
        "B     ",
        "      ",
        " NNNNN",
    ], 2, 4),
    # 2: report
    overlay(PAGE11, [
        "     b ",
        "  n  b ",
        "r n  b ",
        "r n nb ",
        "kkkkkkk",
    ], 2, 5),
    # 3: table
    [
        "...........",
        "kkkkkkkkkkk",
        "kBBBBBBBBBk",
        "kkkkkkkkkkk",
        "kwwwGwwwGwk",
        "kGGGGGGGGGk",
        "kwwwGwwwGwk",
        "kGGGGGGGGGk",
        "kwwwGwwwGwk",
        "kkkkkkkkkkk",
        "...........",
    ],
    # 4: query
    overlay(PAGE11, [
        " kkk  ",
        "kcwck ",
        "kccck ",
        " kkkt ",
        "     t",
    ], 2, 4),
    # 5: library
    [
        "...........",
        "kkk........",
        "krk.kkk....",
        "kyk.kbk.kkk",
        "krk.kck.knk",
        "krk.kbk.knk",
        "krk.kbk.kyk",
        "kyk.kck.knk",
        "krk.kbk.knk",
        "ttttttttttt",
        "...........",
    ],
    # 6: form
    [
        "...........",
        "kkkkkkkkkkk",
        "kBBBBBBBwBk",
        "kkkkkkkkkkk",
        "kgGgkkkkkgk",
        "kgggkwwwkgk",
        "kgggkkkkkgk",
        "kgGgkkkkkgk",
        "kgggkwwwkgk",
        "kkkkkkkkkkk",
        "...........",
    ],
    # 7: text
    overlay(PAGE11, [
        "kkk    ",
        "       ",
        "kkkkkk ",
        "       ",
        "kkkkk  ",
        "       ",
        "kkkkkk ",
        "       ",
        "kkk    ",
    ], 2, 1),
    # 8: picture
    [
        "...........",
        "kkkkkkkkkkk",
        "kccccccyyck",
        "kcccccyyyyk",
        "kccccccyyck",
        "kccncccccck",
        "kcnnnccnnck",
        "knnnnnnnnnk",
        "knNnnnnnNnk",
        "kkkkkkkkkkk",
        "...........",
    ],
    # 9: data
    [
        "...kkkkk...",
        ".kkyyyyykk.",
        "kyyyyyyyyyk",
        "kkyyyyyyykk",
        "kYkkkkkkkYk",
        "kYYYYYYYYYk",
        "kkYYYYYYYkk",
        "kYkkkkkkkYk",
        "kYYYYYYYYYk",
        ".kkYYYYYkk.",
        "...kkkkk...",
    ],
]

# ---------------------------------------------------------------- browse
BROWSE15 = [
    "...............",
    "...............",
    ".kkkk..........",
    "kYYYYk.........",
    "kYYYYYkkkkkk...",
    "kYYYYYYYYYYk...",
    "kYYYkkkkkkkkkkk",
    "kYYkyyyyyyyyyk.",
    "kYYkyyyyyyyyyk.",
    "kYkyyyyyyyyyk..",
    "kYkyyyyyyyyyk..",
    "kkyyyyyyyyyk...",
    "kkkkkkkkkkkk...",
    "...............",
    "...............",
]

BROWSE11 = [
    "...........",
    "...........",
    ".kkk.......",
    "kYYYkkkk...",
    "kYYYYYYk...",
    "kYYkkkkkkkk",
    "kYkyyyyyyk.",
    "kYkyyyyyyk.",
    "kkyyyyyyk..",
    "kkkkkkkkk..",
    "...........",
]

# ---------------------------------------------------------------- 24 pixels
TYPES24 = [
    # 0: all files - a stack of pages
    [
        "........................",
        ".......kkkkkkkkkk.......",
        ".......kwwwwwwwwkk......",
        ".......kwwwwwwwwkwk.....",
        "....kkkkkkkkkkwwkkkk....",
        "....kwwwwwwwwkkwwwwk....",
        "....kwwwwwwwwkwkwwwk....",
        ".kkkkkkkkkkwwkkkkwwk....",
        ".kwwwwwwwwwkkwwwkwwk....",
        ".kwwwwwwwwwkwkwwkwwk....",
        ".kwwwwwwwwwkkkkwkwwk....",
        ".kwGGGGGGGwwwwkwkwwk....",
        ".kwwwwwwwwwwwwkwkwwk....",
        ".kwGGGGGGGGGwwkwkwwk....",
        ".kwwwwwwwwwwwwkwkwwk....",
        ".kwGGGGGGwwwwwkwkwwk....",
        ".kwwwwwwwwwwwwkwkkkk....",
        ".kwGGGGGGGGGwwkwk.......",
        ".kwwwwwwwwwwwwkkk.......",
        ".kwGGGGGwwwwwwk.........",
        ".kwwwwwwwwwwwwk.........",
        ".kkkkkkkkkkkkkk.........",
        "........................",
        "........................",
    ],
    # 1: tables - a grid with a dark header row
    [
        "........................",
        "........................",
        "........................",
        ".kkkkkkkkkkkkkkkkkkkkkk.",
        ".kBBBBBBBBBBBBBBBBBBBBk.",
        ".kBwwwwBBBwwwwBBBwwwBBk.",
        ".kBBBBBBBBBBBBBBBBBBBBk.",
        ".kkkkkkkkkkkkkkkkkkkkkk.",
        ".kwwwwwwkwwwwwwkwwwwwwk.",
        ".kwwwwwwkwwwwwwkwwwwwwk.",
        ".kwwwwwwkwwwwwwkwwwwwwk.",
        ".kGGGGGGkGGGGGGkGGGGGGk.",
        ".kwwwwwwkwwwwwwkwwwwwwk.",
        ".kwwwwwwkwwwwwwkwwwwwwk.",
        ".kwwwwwwkwwwwwwkwwwwwwk.",
        ".kGGGGGGkGGGGGGkGGGGGGk.",
        ".kwwwwwwkwwwwwwkwwwwwwk.",
        ".kwwwwwwkwwwwwwkwwwwwwk.",
        ".kwwwwwwkwwwwwwkwwwwwwk.",
        ".kkkkkkkkkkkkkkkkkkkkkk.",
        "........................",
        "........................",
        "........................",
        "........................",
    ],
    # 2: queries - a magnifying glass over a table
    [
        "........................",
        "........................",
        ".kkkkkkkkkkkkkkkkkk.....",
        ".kBBBBBBBBBBBBBBBBk.....",
        ".kkkkkkkkkkkkkkkkkk.....",
        ".kwwwwkwwwwkwwwwwwk.....",
        ".kGGGGkGGGGkGGGGGGk.....",
        ".kwwwwkwwwkkkkkwwwk.....",
        ".kGGGGkGGkkcccwkkGk.....",
        ".kwwwwkwkcccccwwkwk.....",
        ".kGGGGkkcccccccwwkk.....",
        ".kwwwwkkcccccccccck.....",
        ".kGGGGkkcccccccccck.....",
        ".kwwwwkkcccccccccck.....",
        ".kkkkkkkkcccccccckk.....",
        ".........kcccccckkt.....",
        "..........kkkkkkkttt....",
        ".................tttt...",
        "..................tttt..",
        "...................tttt.",
        "....................ttt.",
        ".....................t..",
        "........................",
        "........................",
    ],
    # 3: forms - a window with a title bar, labels and fields
    [
        "........................",
        "........................",
        "kkkkkkkkkkkkkkkkkkkkkkk.",
        "kBBBBBBBBBBBBBBBBkwkwkk.",
        "kBBBBBBBBBBBBBBBBkkkkkk.",
        "kkkkkkkkkkkkkkkkkkkkkkk.",
        "kgggggggggggggggggggggk.",
        "kgGGGGggkkkkkkkkkkkkggk.",
        "kgggggggkwwwwwwwwwwkggk.",
        "kgggggggkkkkkkkkkkkkggk.",
        "kgggggggggggggggggggggk.",
        "kgGGGGggkkkkkkkkkkkkggk.",
        "kgggggggkwwwwwwwwwwkggk.",
        "kgggggggkkkkkkkkkkkkggk.",
        "kgggggggggggggggggggggk.",
        "kgGGGggggkkkkkkkkkkkggk.",
        "kggggggggkwwwwwwwwwkggk.",
        "kggggggggkkkkkkkkkkkggk.",
        "kgggggggggggggggggggggk.",
        "kkkkkkkkkkkkkkkkkkkkkkk.",
        "........................",
        "........................",
        "........................",
        "........................",
    ],
]

# ---------------------------------------------------------------- icon 16
ICON16 = [
    "................",
    ".kkkkkk.........",
    "kYYYYYYk........",
    "kYYYYYYkkkkkkkk.",
    "kYYYYYYYYYYYYYk.",
    "kYYkkkkkkkkkkkk.",
    "kYkwwwwwwkk.....",
    "kYkwGGGGGkwk....",
    "kYkwwwwwwkkkk...",
    "kYkwGGGGGGGwk...",
    "kYkwwwwwwwwwk...",
    "kYkwGGGGGGGwk...",
    "kYkwwwwwwwwwk...",
    "kkkkkkkkkkkkk...",
    "................",
    "................",
]


def check(name, pictures, size):
    for i, pic in enumerate(pictures):
        if len(pic) != size:
            raise SystemExit(f"{name}[{i}]: {len(pic)} rows, want {size}")
        for j, row in enumerate(pic):
            if len(row) != size:
                raise SystemExit(f"{name}[{i}] row {j}: {len(row)} columns, want {size}: {row!r}")
            for ch in row:
                if ch not in PALETTE:
                    raise SystemExit(f"{name}[{i}] row {j}: unknown colour {ch!r}")


def strip(pictures, size):
    """Rows of (size + 1); picture at x = 1, mask at x = size + 2."""
    width = 2 * size + 3
    height = len(pictures) * (size + 1) + 1
    px = [[(255, 255, 255)] * width for _ in range(height)]
    for r, pic in enumerate(pictures):
        y0 = r * (size + 1) + 1
        for y, row in enumerate(pic):
            for x, ch in enumerate(row):
                colour = PALETTE[ch]
                if colour is not None:
                    px[y0 + y][1 + x] = colour
                    px[y0 + y][size + 2 + x] = (0, 0, 0)
    return px


def bmp_bytes(px):
    height = len(px)
    width = len(px[0])
    stride = (width * 3 + 3) & ~3
    body = bytearray()
    for row in reversed(px):  # bottom-up
        line = bytearray()
        for (r, g, b) in row:
            line += bytes((b, g, r))
        line += b'\0' * (stride - len(line))
        body += line
    header = struct.pack('<IiiHHIIiiII', 40, width, height, 1, 24, 0, len(body), 2835, 2835, 0, 0)
    filehdr = struct.pack('<2sIHHI', b'BM', 14 + len(header) + len(body), 0, 0, 14 + len(header))
    return filehdr + header + bytes(body)


def icon_image(art, scale):
    size = len(art) * scale
    stride = size * 3  # multiple of 4 for 16 and 32
    xor = bytearray()
    mask_stride = ((size + 31) // 32) * 4
    andmask = bytearray()
    for y in reversed(range(size)):
        row = art[y // scale]
        mrow = bytearray(mask_stride)
        for x in range(size):
            colour = PALETTE[row[x // scale]]
            if colour is None:
                xor += b'\0\0\0'
                mrow[x // 8] |= 0x80 >> (x % 8)
            else:
                r, g, b = colour
                xor += bytes((b, g, r))
        assert len(xor) % stride == 0
        andmask += mrow
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 24, 0, len(xor) + len(andmask), 0, 0, 0, 0)
    return size, header + bytes(xor) + bytes(andmask)


def ico_bytes(art):
    images = [icon_image(art, 2), icon_image(art, 1)]
    out = struct.pack('<HHH', 0, 1, len(images))
    offset = 6 + 16 * len(images)
    for size, data in images:
        out += struct.pack('<BBBBHHII', size, size, 0, 0, 1, 24, len(data), offset)
        offset += len(data)
    for _, data in images:
        out += data
    return out


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    outdir = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, '..', 'viewer', 'res')
    os.makedirs(outdir, exist_ok=True)
    check('FILES15', FILES15, 15)
    check('FILES11', FILES11, 11)
    check('BROWSE15', [BROWSE15], 15)
    check('BROWSE11', [BROWSE11], 11)
    check('TYPES24', TYPES24, 24)
    check('ICON16', [ICON16], 16)
    outputs = {
        'files15.bmp': bmp_bytes(strip(FILES15, 15)),
        'files11.bmp': bmp_bytes(strip(FILES11, 11)),
        'browse15.bmp': bmp_bytes(strip([BROWSE15], 15)),
        'browse11.bmp': bmp_bytes(strip([BROWSE11], 11)),
        'types24.bmp': bmp_bytes(strip(TYPES24, 24)),
        'viewer.ico': ico_bytes(ICON16),
    }
    for name, data in outputs.items():
        with open(os.path.join(outdir, name), 'wb') as f:
            f.write(data)


if __name__ == '__main__':
    main()
