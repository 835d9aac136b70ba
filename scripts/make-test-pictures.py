#!/usr/bin/env python3
"""Writes the PNG, JPEG and GIF test pictures into tests/data/pictures, each PNG and GIF with a
reference (binary PPM) of the pixels every decoder must give for it: colours as stored, 16-bit
samples by their high byte, transparency laid over white as (c*a + 255*(255-a) + 127) // 255.

PNG and GIF files are encoded here (zlib and a plain LZW coder, no libraries), so their bytes are
known exactly. JPEG files are encoded by ImageMagick's `convert` from pictures drawn here; the
EXIF orientation segment is added here. The large photo-like JPEG is drawn the same way.

Usage: scripts/make-test-pictures.py [OUT_DIR]
"""
import math
import os
import struct
import subprocess
import sys
import tempfile
import zlib

W, H = 37, 23  # odd sizes: every interlace pass and padding case has partial rows


# ---- pictures drawn here ----

def rgba_source(x, y):
    """Every channel and alpha vary, alpha from fully transparent to opaque."""
    return ((x * 7) % 256, (y * 11) % 256, (x * y * 3 + 40) % 256, (x * 13 + y * 5) % 256)


def over_white(c, a):
    return (c * a + 255 * (255 - a) + 127) // 255


def quadrants(w, h):
    """Four flat colours by quadrant, so a turned picture is easy to recognise."""
    def pixel(x, y):
        top, left = y < h // 2, x < w // 2
        if top and left:
            return (220, 30, 30)
        if top:
            return (30, 200, 40)
        if left:
            return (30, 40, 210)
        return (240, 240, 40)
    return pixel


# ---- output helpers ----

def ppm(path, w, h, pixel):
    with open(path, "wb") as f:
        f.write(b"P6\n%d %d\n255\n" % (w, h))
        f.write(bytes(c for y in range(h) for x in range(w) for c in pixel(x, y)))


def chunk(kind, data):
    return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data))


# ---- PNG ----

ADAM7 = [(0, 0, 8, 8), (4, 0, 8, 8), (0, 4, 4, 8), (2, 0, 4, 4), (0, 2, 2, 4), (1, 0, 2, 2), (0, 1, 1, 2)]


def pack_row(samples, depth):
    """Samples (ints) of one row packed at the bit depth, MSB first; 16-bit big-endian."""
    if depth == 16:
        return b"".join(struct.pack(">H", s) for s in samples)
    if depth == 8:
        return bytes(samples)
    out, acc, bits = bytearray(), 0, 0
    for s in samples:
        acc = (acc << depth) | s
        bits += depth
        if bits == 8:
            out.append(acc)
            acc, bits = 0, 0
    if bits:
        out.append(acc << (8 - bits))
    return bytes(out)


def png(path, w, h, colour_type, depth, samples, palette=None, trns=None, interlace=False):
    """samples(x, y) gives the tuple of raw samples of a pixel (one per channel)."""
    def scanlines(xs, ys):
        raw = b""
        for y in ys:
            row = [s for x in xs for s in samples(x, y)]
            raw += b"\0" + pack_row(row, depth)  # filter type 0
        return raw

    if interlace:
        raw = b""
        for x0, y0, dx, dy in ADAM7:
            xs, ys = range(x0, w, dx), range(y0, h, dy)
            if len(xs) and len(ys):
                raw += scanlines(xs, ys)
    else:
        raw = scanlines(range(w), range(h))
    data = b"\x89PNG\r\n\x1a\n"
    data += chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, depth, colour_type, 0, 0, 1 if interlace else 0))
    # A gamma chunk that a decoder applying gamma would visibly honour: colours stay as stored.
    data += chunk(b"gAMA", struct.pack(">I", 100000))
    if palette:
        data += chunk(b"PLTE", b"".join(bytes(c) for c in palette))
    if trns is not None:
        data += chunk(b"tRNS", trns)
    data += chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")
    with open(path, "wb") as f:
        f.write(data)


def png_set(out):
    """Every colour type and bit depth, with and without transparency, and interlaced."""
    def grey(depth):
        top = (1 << depth) - 1
        return lambda x, y: ((x * 5 + y * 3) * top // (5 * W + 3 * H),)

    def grey_ref(depth, key=None):
        def pixel(x, y):
            v = grey(depth)(x, y)[0]
            if key is not None and v == key:
                return (255, 255, 255)
            g = v >> 8 if depth == 16 else v * 255 // ((1 << depth) - 1)
            return (g, g, g)
        return pixel

    cases = []
    for depth in (1, 2, 4, 8, 16):
        cases.append(("grey%d" % depth, 0, depth, grey(depth), None, None, grey_ref(depth)))
    # Grey with a transparent key value.
    cases.append(("grey8-trns", 0, 8, grey(8), None, struct.pack(">H", grey(8)(10, 5)[0]),
                  grey_ref(8, grey(8)(10, 5)[0])))

    def rgb16(x, y):
        r, g, b, _ = rgba_source(x, y)
        # Low bytes that rounding would carry into the high byte.
        return (r << 8 | 0xFF, g << 8 | 0x80, b << 8 | 0x7F)

    def rgba16(x, y):
        return rgb16(x, y) + (rgba_source(x, y)[3] << 8 | 0xC0,)

    cases.append(("rgb8", 2, 8, lambda x, y: rgba_source(x, y)[:3], None, None,
                  lambda x, y: rgba_source(x, y)[:3]))
    cases.append(("rgb16", 2, 16, rgb16, None, None, lambda x, y: rgba_source(x, y)[:3]))
    key = rgba_source(4, 2)[:3]
    cases.append(("rgb8-trns", 2, 8, lambda x, y: rgba_source(x, y)[:3], None,
                  struct.pack(">HHH", *key),
                  lambda x, y: (255, 255, 255) if rgba_source(x, y)[:3] == key else rgba_source(x, y)[:3]))

    def rgba_ref(x, y):
        r, g, b, a = rgba_source(x, y)
        return (over_white(r, a), over_white(g, a), over_white(b, a))

    cases.append(("rgba8", 6, 8, rgba_source, None, None, rgba_ref))
    cases.append(("rgba16", 6, 16, rgba16, None, None, rgba_ref))

    def grey_alpha(x, y):
        return ((x * 6) % 256, (y * 12 + x) % 256)

    def grey_alpha_ref(x, y):
        g, a = grey_alpha(x, y)
        v = over_white(g, a)
        return (v, v, v)

    cases.append(("greyalpha8", 4, 8, grey_alpha, None, None, grey_alpha_ref))
    cases.append(("greyalpha16", 4, 16, lambda x, y: tuple(v << 8 | 0xAA for v in grey_alpha(x, y)),
                  None, None, grey_alpha_ref))

    for depth in (1, 2, 4, 8):
        count = 1 << depth
        pal = [((i * 97) % 256, (i * 53 + 20) % 256, (i * 31 + 200) % 256) for i in range(count)]
        index = lambda x, y, c=count: ((x + 2 * y) % c,)
        cases.append(("palette%d" % depth, 3, depth, index, pal, None,
                      lambda x, y, p=pal, i=index: p[i(x, y)[0]]))
    # A palette with partial transparency for its first entries (tRNS shorter than PLTE).
    pal = [((i * 97) % 256, (i * 53 + 20) % 256, (i * 31 + 200) % 256) for i in range(16)]
    alphas = bytes([0, 64, 128, 192])
    index = lambda x, y: ((x + 2 * y) % 16,)

    def palette_trns_ref(x, y):
        i = index(x, y)[0]
        a = alphas[i] if i < len(alphas) else 255
        return tuple(over_white(c, a) for c in pal[i])

    cases.append(("palette4-trns", 3, 4, index, pal, alphas, palette_trns_ref))

    for name, ctype, depth, samples, pal, trns, ref in cases:
        png(os.path.join(out, name + ".png"), W, H, ctype, depth, samples, pal, trns)
        ppm(os.path.join(out, name + ".png.ppm"), W, H, ref)
    for name, ctype, depth, samples, pal, trns, ref in cases:
        if name in ("rgba8", "grey16", "palette4-trns", "rgb16", "grey1"):
            png(os.path.join(out, name + "-interlaced.png"), W, H, ctype, depth, samples, pal, trns, True)
            ppm(os.path.join(out, name + "-interlaced.png.ppm"), W, H, ref)

    # A header that claims 30000 x 30000 pixels in about a kilobyte.
    data = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", 30000, 30000, 8, 2, 0, 0, 0))
    data += chunk(b"IDAT", zlib.compress(b"\0" * 200000, 9)) + chunk(b"IEND", b"")
    with open(os.path.join(out, "bomb-30000x30000.png"), "wb") as f:
        f.write(data)

    # Exactly the pixel limit: not refused for its size, only for its missing data.
    data = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", 10000, 10000, 8, 2, 0, 0, 0))
    data += chunk(b"IDAT", zlib.compress(b"\0" * 200000, 9)) + chunk(b"IEND", b"")
    with open(os.path.join(out, "claims-10000x10000.png"), "wb") as f:
        f.write(data)

    # Within the pixel limit, but ten rows of ten million pixels: even the rows that one reduced
    # row reads are hundreds of megabytes.
    w, h = 10000000, 10
    data = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, 1, 0, 0, 0, 0))
    data += chunk(b"IDAT", zlib.compress((b"\0" * ((w + 7) // 8 + 1)) * h, 9)) + chunk(b"IEND", b"")
    with open(os.path.join(out, "sliver-10000000x10.png"), "wb") as f:
        f.write(data)


# ---- GIF ----

def lzw(indices, min_size=8):
    """Codes without growing the table: a clear code every 254 codes keeps every code 9 bits."""
    clear, end = 1 << min_size, (1 << min_size) + 1
    codes = []
    for i, v in enumerate(indices):
        if i % 254 == 0:
            codes.append(clear)
        codes.append(v)
    codes.append(end)
    out, acc, bits = bytearray(), 0, 0
    for c in codes:
        acc |= c << bits
        bits += 9
        while bits >= 8:
            out.append(acc & 0xFF)
            acc >>= 8
            bits -= 8
    if bits:
        out.append(acc)
    blocks = b""
    for i in range(0, len(out), 255):
        part = out[i:i + 255]
        blocks += bytes([len(part)]) + part
    return bytes([min_size]) + blocks + b"\0"


def gif_frame(left, top, w, h, index, interlace=False, transparent=None, local=None):
    data = b""
    if transparent is not None:
        data += b"\x21\xF9\x04" + bytes([1, 0, 0, transparent, 0])
    flags = (0x40 if interlace else 0) | (0x87 if local else 0)
    data += b"\x2C" + struct.pack("<HHHHB", left, top, w, h, flags)
    if local:
        data += b"".join(bytes(c) for c in local)
    rows = list(range(h))
    if interlace:
        rows = list(range(0, h, 8)) + list(range(4, h, 8)) + list(range(2, h, 4)) + list(range(1, h, 2))
    data += lzw([index(x, y) for y in rows for x in range(w)])
    return data


def gif(path, sw, sh, palette, frames):
    data = b"GIF89a" + struct.pack("<HHBBB", sw, sh, 0xF7, 0, 0)
    data += b"".join(bytes(c) for c in palette) + b"".join(frames) + b"\x3B"
    with open(path, "wb") as f:
        f.write(data)


def gif_set(out):
    pal = [((i * 37) % 256, (i * 101 + 7) % 256, (255 - i) % 256) for i in range(256)]
    index = lambda x, y: (x * 3 + y * 17) % 256
    ref = lambda x, y: pal[index(x, y)]
    gif(os.path.join(out, "plain.gif"), W, H, pal, [gif_frame(0, 0, W, H, index)])
    ppm(os.path.join(out, "plain.gif.ppm"), W, H, ref)
    gif(os.path.join(out, "interlaced.gif"), W, H, pal, [gif_frame(0, 0, W, H, index, interlace=True)])
    ppm(os.path.join(out, "interlaced.gif.ppm"), W, H, ref)
    key = index(5, 5)
    gif(os.path.join(out, "transparent.gif"), W, H, pal,
        [gif_frame(0, 0, W, H, index, transparent=key)])
    ppm(os.path.join(out, "transparent.gif.ppm"), W, H,
        lambda x, y: (255, 255, 255) if index(x, y) == key else ref(x, y))
    # Two frames: the first, smaller than the screen and with its own colours, is the picture.
    local = [(255 - c[0], c[2], c[1]) for c in pal]
    second = lambda x, y: 7
    gif(os.path.join(out, "frames.gif"), W + 10, H + 6, pal,
        [gif_frame(3, 2, W, H, index, local=local), gif_frame(0, 0, W + 10, H + 6, second)])
    ppm(os.path.join(out, "frames.gif.ppm"), W, H, lambda x, y: local[index(x, y)])


# ---- JPEG ----

def exif_segment(orientation, big_endian):
    e = ">" if big_endian else "<"
    tiff = (b"MM" if big_endian else b"II") + struct.pack(e + "HI", 42, 8)
    tiff += struct.pack(e + "H", 2)
    tiff += struct.pack(e + "HHI", 0x010F, 2, 4) + b"cam\0"  # Make, an entry before ours
    tiff += struct.pack(e + "HHIH", 0x0112, 3, 1, orientation) + b"\0\0"
    tiff += struct.pack(e + "I", 0)
    body = b"Exif\0\0" + tiff
    return b"\xFF\xE1" + struct.pack(">H", len(body) + 2) + body


def convert(src, dst, *options):
    subprocess.run(["convert", src, *options, "-strip", dst], check=True)


def jpeg_set(out, work):
    src = os.path.join(work, "quadrants.ppm")
    ppm(src, 48, 32, quadrants(48, 32))
    photo = os.path.join(work, "photo.ppm")

    def photo_pixel(x, y):
        v = 128 + 100 * math.sin(x / 5.0) * math.cos(y / 7.0)
        return (int(v), int(255 - v), int((x * 4 + y * 3) % 256))
    ppm(photo, 64, 48, photo_pixel)
    convert(photo, os.path.join(out, "baseline.jpg"), "-quality", "90", "-sampling-factor", "2x2")
    convert(photo, os.path.join(out, "progressive.jpg"), "-quality", "90", "-interlace", "JPEG")
    def grey_pixel(x, y):
        v = photo_pixel(x, y)[0]
        return (v, v, v)
    grey = os.path.join(work, "photo-grey.ppm")
    ppm(grey, 64, 48, grey_pixel)
    convert(grey, os.path.join(out, "grey.jpg"), "-quality", "90", "-colorspace", "Gray")
    ppm(os.path.join(out, "photo-grey.ppm"), 64, 48, grey_pixel)
    convert(photo, os.path.join(out, "yuv444.jpg"), "-quality", "95", "-sampling-factor", "1x1")
    convert(photo, os.path.join(out, "cmyk.jpg"), "-quality", "90", "-colorspace", "CMYK")
    ppm(os.path.join(out, "photo.ppm"), 64, 48, photo_pixel)
    plain = os.path.join(work, "quadrants.jpg")
    convert(src, plain, "-quality", "95", "-sampling-factor", "1x1")
    with open(plain, "rb") as f:
        body = f.read()
    for orientation in range(1, 9):
        data = body[:2] + exif_segment(orientation, orientation % 2 == 0) + body[2:]
        with open(os.path.join(out, "orientation%d.jpg" % orientation), "wb") as f:
            f.write(data)
    ppm(os.path.join(out, "quadrants.ppm"), 48, 32, quadrants(48, 32))


def large_photo(path, work):
    """A 4000 x 3000 photo-like JPEG, what a phone gives: smooth light and a few shapes."""
    src = os.path.join(work, "large.ppm")
    w, h = 4000, 3000
    with open(src, "wb") as f:
        f.write(b"P6\n%d %d\n255\n" % (w, h))
        for y in range(h):
            row = bytearray()
            for x in range(0, w, 8):
                d = math.hypot(x - 2600, y - 1300) / 900.0
                shade = 210 - 150 * math.exp(-d * d) if d < 3 else 210
                sky = 90 + y * 140 // h
                r = int(min(255, max(0, shade * 0.9 + (sky - 150) * 0.3)))
                g = int(min(255, max(0, shade * 0.8 + (x % 997) * 0.02)))
                b = int(min(255, max(0, sky)))
                row += bytes((r, g, b)) * 8
            f.write(bytes(row))
    subprocess.run(["convert", src, "-quality", "80", "-strip", path], check=True)


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "tests", "data", "pictures")
    os.makedirs(out, exist_ok=True)
    png_set(out)
    gif_set(out)
    with tempfile.TemporaryDirectory() as work:
        jpeg_set(out, work)
        large_photo(os.path.join(out, "phone-4000x3000.jpg"), work)


if __name__ == "__main__":
    main()
