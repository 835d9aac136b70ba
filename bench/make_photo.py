#!/usr/bin/env python3
"""Writes a photo-like BMP for the speed benchmark: smooth gradients, a few soft blobs and
per-pixel noise, so no converter gets an easy flat picture.

Usage: bench/make_photo.py OUT [WIDTH HEIGHT [FORMAT]]   (default 2048 x 1536, 24; repeatable)

FORMAT: 24 (24-bit), 8 (256-colour palette), rle8 (the same, RLE8-compressed as an encoder
would: runs of three or more, literals between) or 32 (32-bit with bit-field masks).
"""
import math
import random
import struct
import sys


def main():
    out = sys.argv[1]
    width = int(sys.argv[2]) if len(sys.argv) > 2 else 2048
    height = int(sys.argv[3]) if len(sys.argv) > 3 else 1536
    fmt = sys.argv[4] if len(sys.argv) > 4 else "24"
    rng = random.Random(20240601)

    blobs = [(rng.uniform(0, width), rng.uniform(0, height), rng.uniform(width / 12, width / 4),
              rng.uniform(-90, 90)) for _ in range(7)]
    # Noise comes from a table so the inner loop stays cheap.
    noise = [rng.randint(-24, 24) for _ in range(4099)]

    rows = []
    for y in range(height - 1, -1, -1):  # bottom-up
        # The blobs change slowly along a row: sample their light every 16 pixels.
        light = []
        for x in range(0, width + 16, 16):
            v = 0.0
            for bx, by, radius, amount in blobs:
                d2 = ((x - bx) ** 2 + (y - by) ** 2) / (radius * radius)
                if d2 < 9:
                    v += amount * math.exp(-d2)
            light.append(v)
        row = bytearray(width * 3)
        sky = 175 - 110 * y / height
        phase = 0.6 * y
        k = (y * 131) % len(noise)
        for x in range(width):
            base = sky + 40 * math.sin((x + phase) / 97.0) + light[x >> 4]
            n = noise[k]
            k = k + 7 if k + 7 < len(noise) else k + 7 - len(noise)
            r = base + n + 25
            g = base + n
            b = base + n - 30 * x / width
            i = 3 * x
            row[i] = 0 if b < 0 else 255 if b > 255 else int(b)
            row[i + 1] = 0 if g < 0 else 255 if g > 255 else int(g)
            row[i + 2] = 0 if r < 0 else 255 if r > 255 else int(r)
        rows.append(bytes(row))
    write(out, width, height, rows, fmt)


def cube_index(b, g, r):
    """The nearest entry of a 6 x 6 x 6 colour cube (the palette's first 216 entries)."""
    return (r * 5 + 127) // 255 * 36 + (g * 5 + 127) // 255 * 6 + (b * 5 + 127) // 255


def rle8_row(indices):
    out = bytearray()
    i, n = 0, len(indices)
    while i < n:
        j = i
        while j < n and j - i < 255 and indices[j] == indices[i]:
            j += 1
        if j - i >= 3 or n - i < 3:  # a run (short ones only at the end of the row)
            out += bytes((j - i, indices[i]))
            i = j
            continue
        # A literal up to the next run of three.
        k = i
        while k < n and k - i < 255 and not (k + 2 < n and indices[k] == indices[k + 1] == indices[k + 2]):
            k += 1
        if k - i < 3:
            out += bytes((1, indices[i]))
            i += 1
            continue
        out += bytes((0, k - i)) + bytes(indices[i:k]) + (b"\0" if (k - i) & 1 else b"")
        i = k
    return bytes(out)


def write(out, width, height, rows, fmt):
    """rows: B, G, R bytes of each row, bottom row first."""
    palette = b""
    masks = b""
    compression = 0
    if fmt in ("8", "rle8"):
        for i in range(256):
            if i < 216:
                r, g, b = i // 36 * 51, i // 6 % 6 * 51, i % 6 * 51
            else:
                r = g = b = (i - 216) * 255 // 39
            palette += bytes((b, g, r, 0))
        pixels = []
        for row in rows:
            idx = bytes(cube_index(row[3 * x], row[3 * x + 1], row[3 * x + 2]) for x in range(width))
            if fmt == "8":
                pixels.append(idx + bytes((-width) % 4))
            else:
                pixels.append(rle8_row(idx) + b"\0\0")
        if fmt == "rle8":
            pixels[-1] = pixels[-1][:-2] + b"\0\1"
            compression = 1
        bpp = 8
    elif fmt == "32":
        masks = struct.pack("<III", 0xFF0000, 0xFF00, 0xFF)
        compression = 3
        pixels = [b"".join(row[3 * x:3 * x + 3] + b"\xff" for x in range(width)) for row in rows]
        bpp = 32
    else:
        pixels = [row + bytes((-3 * width) % 4) for row in rows]
        bpp = 24
    data = b"".join(pixels)
    offset = 54 + len(masks) + len(palette)
    with open(out, "wb") as f:
        f.write(struct.pack("<2sIHHI", b"BM", offset + len(data), 0, 0, offset))
        f.write(struct.pack("<IiiHHIIiiII", 40, width, height, 1, bpp, compression, len(data),
                            2835, 2835, 256 if bpp == 8 else 0, 0))
        f.write(masks + palette + data)


if __name__ == "__main__":
    main()
