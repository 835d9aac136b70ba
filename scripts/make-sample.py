#!/usr/bin/env python3
"""Draws the bundled sample picture: a shaded sphere on a light background, 24-bit BMP.

Usage: scripts/make-sample.py [OUT]   (default: samples/sphere.bmp beside this script's folder)

Pure arithmetic, no randomness and no libraries, so every run writes the same bytes.
"""
import math
import os
import struct
import sys

WIDTH, HEIGHT = 200, 150


def bmp_bytes(width, height, pixel):
    """A bottom-up 24-bit BMP; pixel(x, y) gives (r, g, b) with y = 0 the top row."""
    stride = (width * 3 + 3) & ~3
    rows = []
    for y in range(height - 1, -1, -1):
        row = bytearray()
        for x in range(width):
            r, g, b = pixel(x, y)
            row += bytes((b, g, r))
        row += bytes(stride - width * 3)
        rows.append(bytes(row))
    data = b"".join(rows)
    header = struct.pack("<2sIHHI", b"BM", 54 + len(data), 0, 0, 54)
    info = struct.pack("<IiiHHIIiiII", 40, width, height, 1, 24, 0, len(data), 2835, 2835, 0, 0)
    return header + info + data


def clamp(v):
    return max(0, min(255, int(round(v))))


def sphere_pixel(x, y):
    cx, cy, radius = 92.0, 70.0, 56.0
    light = (-0.55, -0.6, 0.58)  # from the upper left, towards the viewer
    norm = math.sqrt(sum(c * c for c in light))
    lx, ly, lz = (c / norm for c in light)

    dx, dy = (x + 0.5 - cx) / radius, (y + 0.5 - cy) / radius
    d2 = dx * dx + dy * dy
    if d2 <= 1.0:
        nz = math.sqrt(1.0 - d2)
        diffuse = max(0.0, dx * lx + dy * ly + nz * lz)
        # Blinn highlight with the viewer straight in front.
        hx, hy, hz = lx, ly, lz + 1.0
        hn = math.sqrt(hx * hx + hy * hy + hz * hz)
        spec = max(0.0, (dx * hx + dy * hy + nz * hz) / hn) ** 40
        shade = 0.08 + 0.92 * diffuse
        base = (245, 165, 105)
        return tuple(clamp(c * shade + 255 * 0.85 * spec) for c in base)

    # Light background, a little darker towards the bottom, with a soft shadow on the floor.
    t = y / (HEIGHT - 1)
    grey = 236 - 28 * t
    sx, sy = (x + 0.5 - (cx + 22)) / (radius * 1.05), (y + 0.5 - (cy + radius + 4)) / (radius * 0.22)
    s2 = sx * sx + sy * sy
    if s2 < 1.0:
        grey *= 1.0 - 0.45 * (1.0 - s2)
    return (clamp(grey), clamp(grey - 4), clamp(grey - 10))


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "samples", "sphere.bmp")
    os.makedirs(os.path.dirname(os.path.abspath(out)), exist_ok=True)
    with open(out, "wb") as f:
        f.write(bmp_bytes(WIDTH, HEIGHT, sphere_pixel))


if __name__ == "__main__":
    main()
