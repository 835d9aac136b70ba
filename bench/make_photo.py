#!/usr/bin/env python3
"""Writes a photo-like 24-bit BMP for the speed benchmark: smooth gradients, a few soft
blobs and per-pixel noise, so no converter gets an easy flat picture.

Usage: bench/make_photo.py OUT [WIDTH HEIGHT]   (default 2048 x 1536; seeded, repeatable)
"""
import math
import random
import struct
import sys


def main():
    out = sys.argv[1]
    width = int(sys.argv[2]) if len(sys.argv) > 2 else 2048
    height = int(sys.argv[3]) if len(sys.argv) > 3 else 1536
    rng = random.Random(20240601)
    stride = (width * 3 + 3) & ~3
    pad = bytes(stride - width * 3)

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
        rows.append(bytes(row) + pad)

    data = b"".join(rows)
    with open(out, "wb") as f:
        f.write(struct.pack("<2sIHHI", b"BM", 54 + len(data), 0, 0, 54))
        f.write(struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(data), 2835, 2835, 0, 0))
        f.write(data)


if __name__ == "__main__":
    main()
