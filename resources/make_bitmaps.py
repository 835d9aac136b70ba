#!/usr/bin/env python3
"""Draws the toolbar strip (toolbar.bmp) and the program icon (vkd.ico).

The toolbar uses the standard 16-colour palette; the icon holds 48, 32 and 16 pixel images,
each in 32-bit colour with alpha and in 256 colours. Pictures are drawn as character grids below; run this
script after changing one and commit the regenerated files (the build does not run Python).
"""
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


# The icon's inks in full colour: page, outline, fold, and the ball's shades from lit to dark.
PAGE = (255, 255, 255)
OUTLINE = (32, 32, 40)
FLAP = (190, 220, 240)
BALL_LIT = (120, 230, 255)
BALL_DARK = (10, 20, 110)

ICON_SIZES = (48, 32, 16)


def icon_rgba(size):
    """A page holding a little text picture of a shaded ball, size x size, as (r, g, b, a) rows.

    Drawn on whole pixels for every size so the outline stays one pixel wide: a 16-pixel icon
    is a fresh drawing, not a blurred 32-pixel one.
    """
    px = [[(0, 0, 0, 0)] * size for _ in range(size)]
    left = round(4 * size / 32)
    right = size - 1 - left
    top = max(0, round(size / 32))
    bottom = size - 1 - top
    fold = round(6 * size / 32)
    for y in range(top, bottom + 1):
        for x in range(left, right + 1):
            if x - (right - fold) > y - top:  # cut-off corner
                continue
            edge = x in (left, right) or y in (top, bottom) or x - (right - fold) == y - top
            px[y][x] = OUTLINE + (255,) if edge else PAGE + (255,)
    for i in range(fold):  # the folded-over flap
        for x in range(right - fold, right - fold + i + 1):
            ink = OUTLINE if x == right - fold or i == fold - 1 else FLAP
            px[top + i][x] = ink + (255,)

    # The ball as characters: one blot per character cell, lit from the upper left. Cells are
    # taller than wide and keep a blank row between lines, like text.
    cell_w = max(1, size // 16)
    cell_h = cell_w + 1
    cx, cy = size * 15.5 / 32, size * 16.5 / 32
    radius = size * 9.5 / 32
    for row in range(top + max(2, round(5 * size / 32)), bottom - 1, cell_h):
        for col in range(left + max(1, round(3 * size / 32)), right - 1, cell_w):
            dx = col + cell_w / 2 - cx
            dy = row + (cell_h - 1) / 2 - cy
            if dx * dx + dy * dy > radius * radius:
                continue
            light = min(1.0, max(0.0, (-dx - dy) / (2 * radius) + 0.5))
            ink = tuple(round(d + (l - d) * light) for l, d in zip(BALL_LIT, BALL_DARK))
            for y in range(row, row + cell_h - 1):
                for x in range(col, col + cell_w):
                    px[y][x] = ink + (255,)
            if cell_w > 1:  # one white pixel in each blot makes the cells read as letters
                px[row][col + cell_w - 1] = PAGE + (255,)
    return px


def palette_256(images):
    """Black first, then the colours the icon uses, padded to 256. The drawing has far fewer
    than 256, so the 256-colour images show exactly the same picture as the 32-bit ones.
    Transparent pixels take index 0: under the mask only black leaves the screen unchanged."""
    colours = sorted({c[:3] for px in images for row in px for c in row if c[3]} - {(0, 0, 0)})
    colours = [(0, 0, 0)] + colours
    assert len(colours) <= 256, f'{len(colours)} colours do not fit a 256-colour palette'
    return colours + [(0, 0, 0)] * (256 - len(colours))


def pack8(row):
    out = bytearray(row)
    while len(out) % 4:
        out.append(0)
    return bytes(out)


def and_mask(px):
    """1 bit a pixel, set where transparent, rows padded to 4 bytes, bottom-up."""
    out = bytearray()
    for r in reversed(px):
        row = bytearray((len(r) + 7) // 8)
        for x, c in enumerate(r):
            if c[3] == 0:
                row[x // 8] |= 0x80 >> (x % 8)
        while len(row) % 4:
            row.append(0)
        out += row
    return bytes(out)


def icon_image_8(px, palette):
    size = len(px)
    index = {c: i for i, c in reversed(list(enumerate(palette)))}  # first of any repeats
    rows = [[index[c[:3]] if c[3] else 0 for c in r] for r in px]
    xor = b''.join(pack8(r) for r in reversed(rows))
    mask = and_mask(px)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 8, 0, len(xor) + len(mask), 0, 0,
                         256, 0)
    colours = b''.join(bytes((b, g, r, 0)) for r, g, b in palette)
    return 8, header + colours + xor + mask


def icon_image_32(px, palette):
    size = len(px)
    xor = b''.join(bytes((b, g, r, a)) for row in reversed(px) for r, g, b, a in row)
    mask = and_mask(px)
    header = struct.pack('<IiiHHIIiiII', 40, size, size * 2, 1, 32, 0, len(xor) + len(mask), 0, 0,
                         0, 0)
    return 32, header + xor + mask


def write_ico(path):
    drawings = [icon_rgba(size) for size in ICON_SIZES]
    palette = palette_256(drawings)
    images = []
    for size, px in zip(ICON_SIZES, drawings):
        for build in (icon_image_32, icon_image_8):
            bits, data = build(px, palette)
            images.append((size, bits, data))
    offset = 6 + 16 * len(images)
    directory = struct.pack('<HHH', 0, 1, len(images))
    for size, bits, data in images:
        directory += struct.pack('<BBBBHHII', size, size, 0, 0, 1, bits, len(data), offset)
        offset += len(data)
    with open(path, 'wb') as f:
        f.write(directory + b''.join(data for _, _, data in images))


def toolbar_scaled(dpi):
    """The strip for a display of dpi: each button's cell is 16 x 15 scaled as MulDiv(n, dpi, 96)
    rounds, each pixel taken from the nearest one of the 96-DPI picture."""
    rows = toolbar_pixels()
    w, h = (BUTTON_W * dpi + 48) // 96, (BUTTON_H * dpi + 48) // 96
    out = []
    for y in range(h):
        sy = y * BUTTON_H // h
        row = []
        for button in range(len(BUTTONS)):
            row += [rows[sy][button * BUTTON_W + x * BUTTON_W // w] for x in range(w)]
        out.append(row)
    return out


if __name__ == '__main__':
    here = os.path.dirname(os.path.abspath(__file__))
    write_bmp(os.path.join(here, 'toolbar.bmp'), toolbar_pixels())
    # Bitmaps 402 and 403: for 150 % and 200 % display scaling.
    write_bmp(os.path.join(here, 'toolbar-144.bmp'), toolbar_scaled(144))
    write_bmp(os.path.join(here, 'toolbar-192.bmp'), toolbar_scaled(192))
    write_ico(os.path.join(here, 'vkd.ico'))
