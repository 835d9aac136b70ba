#!/usr/bin/env python3
"""Draws the toolbar strip (toolbar.bmp) and the program icon (vkd.ico).

Both use the standard 16-colour palette. Pictures are drawn as character grids below; run this
script after changing one and commit the regenerated files (the build does not run Python).
"""
import math
import os
import struct

# The standard 16-colour palette, in its usual index order.
PALETTE = [
    (0, 0, 0), (128, 0, 0), (0, 128, 0), (128, 128, 0),
    (0, 0, 128), (128, 0, 128), (0, 128, 128), (192, 192, 192),
    (128, 128, 128), (255, 0, 0), (0, 255, 0), (255, 255, 0),
    (0, 0, 255), (255, 0, 255), (0, 255, 255), (255, 255, 255),
]

# One letter per palette entry in the grids. '.' is the light grey that the toolbar maps to the
# button face colour.
INK = {
    'k': 0, 'm': 1, 'G': 2, 'o': 3, 'n': 4, 'p': 5, 't': 6, '.': 7,
    'g': 8, 'r': 9, 'L': 10, 'y': 11, 'b': 12, 'f': 13, 'c': 14, 'w': 15,
}

BUTTON_W, BUTTON_H = 16, 15

# Image n of the strip, at x = 16 * n.
BUTTONS = [
    # 0: blank white page with a folded corner (Clear)
    """
    ................
    ...kkkkkkkk.....
    ...kwwwwwwkk....
    ...kwwwwwwkwk...
    ...kwwwwwwkwwk..
    ...kwwwwwwkkkkk.
    ...kwwwwwwwwwwk.
    ...kwwwwwwwwwwk.
    ...kwwwwwwwwwwk.
    ...kwwwwwwwwwwk.
    ...kwwwwwwwwwwk.
    ...kwwwwwwwwwwk.
    ...kwwwwwwwwwwk.
    ...kkkkkkkkkkkk.
    ................
    """,
    # 1: opening folder with an arrow (Open)
    """
    .........kkk....
    ........k...k.k.
    .............kk.
    .kkk........kkk.
    kwywkkkkk.......
    kywywywyk.......
    kwywykkkkkkkkkk.
    kywykyyyyyyyyyk.
    kwykyyyyyyyyyk..
    kykyyyyyyyyyk...
    kwkyyyyyyyyyk...
    kkyyyyyyyyyk....
    kkkkkkkkkkkk....
    ................
    ................
    """,
    # 2: diskette (Save As)
    """
    ................
    .kkkkkkkkkkkkkk.
    .knkwwwwwwwwknk.
    .knkwwwwwwwwknk.
    .knkwwwwwwwwknk.
    .knkwwwwwwwwknk.
    .knnkkkkkkkknnk.
    .knnnnnnnnnnnnk.
    .knnkkkkkkkknnk.
    .knnkwwwwknwknk.
    .knnkwwwwknwknk.
    .knnkwwwwknwknk.
    .kkkkkkkkkkkkkk.
    ................
    ................
    """,
    # 3: green scissors (Cut)
    """
    ................
    .....g.....g....
    .....kg...gk....
    .....kg...gk....
    ......kg.gk.....
    ......kg.gk.....
    .......kgk......
    .......GkG......
    ......GG.GG.....
    ....GGG...GGG...
    ...G..G...G..G..
    ...G..G...G..G..
    ...G..G...G..G..
    ....GG.....GG...
    ................
    """,
    # 4: two overlapping pages (Copy)
    """
    kkkkkkk.........
    kwwwwwkk........
    kwkkkwkwk.......
    kwwwwwkkkk......
    kwkkkkkkkkkkk...
    kwwwwkwwwwwwkk..
    kwkkkkwkkkkwkwk.
    kwwwwkwwwwwwkkkk
    kwkkkkwkkkkkkkwk
    kwwwwkwwwwwwwwwk
    kkkkkkwkkkkkkkwk
    .....kwwwwwwwwwk
    .....kwkkkkkkkwk
    .....kwwwwwwwwwk
    .....kkkkkkkkkkk
    """,
    # 5: clipboard with a page (Paste)
    """
    ....kkkk........
    .kkkgwwgkkk.....
    .kookkkkook.....
    .koooooooook....
    .kookkkkkkkkkkkk
    .kookwwwwwwwwwwk
    .kookwkkkkkkwwwk
    .kookwwwwwwwwwwk
    .kookwkkkkkkkkwk
    .kookwwwwwwwwwwk
    .kookwkkkkkwwwwk
    .kookwwwwwwwwwwk
    .kkkkwkkkkkkkkwk
    ....kwwwwwwwwwwk
    ....kkkkkkkkkkkk
    """,
    # 6: arrow curving back to the left (Undo)
    """
    ................
    ................
    ....k...........
    ...kk...........
    ..kbkkkkkkkk....
    .kbbbbbbbbbbk...
    ..kbkkkkkkkbbk..
    ...kk......kbbk.
    ....k.......kbk.
    ............kbk.
    ...........kbbk.
    ........kkkbbk..
    ........kbbbk...
    ........kkkk....
    ................
    """,
    # 7: serif capital letter A (Font)
    """
    ................
    .......k........
    ......kkk.......
    ......kkk.......
    .....k.kkk......
    .....k.kkk......
    ....k...kkk.....
    ....k...kkk.....
    ...kkkkkkkkk....
    ...k.....kkk....
    ..k.......kkk...
    ..k.......kkk...
    kkkkk...kkkkkkk.
    ................
    ................
    """,
    # 8: yellow arrow pointing left (narrower)
    """
    ................
    ................
    ......k.........
    .....kk.........
    ....kyk.........
    ...kyykkkkkkkk..
    ..kyyyyyyyyyyk..
    .kyyyyyyyyyyyk..
    ..kyyyyyyyyyyk..
    ...kyykkkkkkkk..
    ....kyk.........
    .....kk.........
    ......k.........
    ................
    ................
    """,
    # 9: yellow arrow pointing right (wider); the mirror of 8
    None,
    # 10: black marker pen with a dot (Convert)
    """
    ............kk..
    ...........kggk.
    ..........kkkgk.
    .........kkkkk..
    ........kkkkk...
    .......kkkkk....
    ......kkkkk.....
    .....kkkkk......
    ....gkkkk.......
    ....wgkk........
    ...k.wg.........
    ..kk............
    .kk........kk...
    .k.........kk...
    ................
    """,
]


def grid(text, width, height):
    rows = [line.strip() for line in text.strip('\n').splitlines()]
    rows = [r for r in rows if r]
    assert len(rows) == height, f'{len(rows)} rows, want {height}'
    for r in rows:
        assert len(r) == width, f'row "{r}" is {len(r)} wide, want {width}'
    return [[INK[c] for c in r] for r in rows]


def toolbar_pixels():
    images = []
    for picture in BUTTONS:
        if picture is None:
            images.append([list(reversed(row)) for row in images[8]])
        else:
            images.append(grid(picture, BUTTON_W, BUTTON_H))
    return [sum((img[y] for img in images), []) for y in range(BUTTON_H)]


def pack4(row):
    """Packs 4-bit indices, two a byte, high nibble first, padded to 4 bytes."""
    out = bytearray()
    for i in range(0, len(row), 2):
        hi = row[i]
        lo = row[i + 1] if i + 1 < len(row) else 0
        out.append(hi << 4 | lo)
    while len(out) % 4:
        out.append(0)
    return bytes(out)


def palette_bytes():
    return b''.join(bytes((b, g, r, 0)) for r, g, b in PALETTE)


def info_header(width, height, image_bytes):
    return struct.pack('<IiiHHIIiiII', 40, width, height, 1, 4, 0, image_bytes, 0, 0, 16, 16)


def write_bmp(path, rows):
    width, height = len(rows[0]), len(rows)
    data = b''.join(pack4(r) for r in reversed(rows))  # bottom-up
    offset = 14 + 40 + 64
    header = struct.pack('<2sIHHI', b'BM', offset + len(data), 0, 0, offset)
    with open(path, 'wb') as f:
        f.write(header + info_header(width, height, len(data)) + palette_bytes() + data)


def icon_pixels():
    """32 x 32: a page holding a little text picture of a shaded ball. None is transparent."""
    size = 32
    px = [[None] * size for _ in range(size)]
    left, top, right, bottom = 4, 1, 27, 30  # page, inclusive
    fold = 6
    for y in range(top, bottom + 1):
        for x in range(left, right + 1):
            if x - (right - fold) > y - top:  # cut-off corner
                continue
            edge = x in (left, right) or y in (top, bottom) or x - (right - fold) == y - top
            px[y][x] = INK['k'] if edge else INK['w']
    for i in range(fold):  # the folded-over flap
        for x in range(right - fold, right - fold + i + 1):
            px[top + i][x] = INK['k'] if x == right - fold or i == fold - 1 else INK['c']
    # The ball as characters: 2 x 3 cells, darker towards the lower right, lit from the upper left.
    cx, cy, radius = 15.5, 16.5, 9.5
    shades = [INK['k'], INK['n'], INK['g'], INK['b'], INK['c']]
    for row in range(6, 28, 3):
        for col in range(7, 25, 2):
            dx, dy = col + 0.5 - cx, row + 1 - cy
            if dx * dx + dy * dy > radius * radius:
                continue
            light = (-dx - dy) / (2 * radius) + 0.5  # 0 dark .. 1 bright
            shade = shades[min(len(shades) - 1, max(0, int((1 - light) * len(shades))))]
            shade = shades[len(shades) - 1 - shades.index(shade)]
            # A glyph: a 2 x 2 blot with one white pixel, so the cells read as letters.
            for y in (row, row + 1):
                for x in (col, col + 1):
                    px[y][x] = shade
            px[row][col + 1] = INK['w']
    return px


def write_ico(path, px):
    size = len(px)
    rows = [[c if c is not None else 0 for c in r] for r in px]
    xor = b''.join(pack4(r) for r in reversed(rows))
    mask = bytearray()
    for r in reversed(px):
        bits = 0
        for x, c in enumerate(r):
            if c is None:
                bits |= 1 << (31 - x)
        mask += struct.pack('>I', bits)
    image = info_header(size, size * 2, len(xor) + len(mask)) + palette_bytes() + xor + bytes(mask)
    directory = struct.pack('<HHH', 0, 1, 1)
    entry = struct.pack('<BBBBHHII', size, size, 16, 0, 1, 4, len(image), 6 + 16)
    with open(path, 'wb') as f:
        f.write(directory + entry + image)


if __name__ == '__main__':
    here = os.path.dirname(os.path.abspath(__file__))
    write_bmp(os.path.join(here, 'toolbar.bmp'), toolbar_pixels())
    write_ico(os.path.join(here, 'vkd.ico'), icon_pixels())
