#!/usr/bin/env python3
"""Writes the PNG, JPEG and GIF test pictures into tests/data/pictures, each PNG and GIF with a
reference (binary PPM) of the pixels every decoder must give for it: colours as stored, 16-bit
samples by their high byte, transparency laid over white as (c*a + 255*(255-a) + 127) // 255.

PNG and GIF files are encoded here (zlib and a plain LZW coder, no libraries), so their bytes are
known exactly. JPEG files are encoded by ImageMagick's `convert` from pictures drawn here; the
EXIF orientation segment is added here. The large photo-like JPEG is drawn the same way.

With --hostile, writes instead the crafted files that must each be refused or decoded within
2 s and 256 MiB, with the same verdict on both builds (they are large, so they are not kept in
the tree): bench/hostile.sh makes them and measures the converters on each.

Usage: scripts/make-test-pictures.py [OUT_DIR]
       scripts/make-test-pictures.py --hostile OUT_DIR
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
    # Two colours for indices up to 3: those past the palette are black, as in a bitmap.
    short = [(200, 30, 60), (20, 220, 90)]
    index4 = lambda x, y: ((x + 2 * y) % 4,)
    cases.append(("palette-short", 3, 2, index4, short, None,
                  lambda x, y: short[index4(x, y)[0]] if index4(x, y)[0] < 2 else (0, 0, 0)))

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
    size_bits = max(0, (len(palette) - 1).bit_length() - 1)
    data = b"GIF89a" + struct.pack("<HHBBB", sw, sh, 0xF0 | size_bits, 0, 0)
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
    # A table of two colours for indices up to 255: those past it are black.
    short = pal[:2]
    gif(os.path.join(out, "palette-short.gif"), W, H, short, [gif_frame(0, 0, W, H, index)])
    ppm(os.path.join(out, "palette-short.gif.ppm"), W, H,
        lambda x, y: short[index(x, y)] if index(x, y) < 2 else (0, 0, 0))


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


# ---- WebP, HEIF and AVIF (encoded by Debian's webp and libheif-examples tools) ----

def boxes(data):
    """The ISO boxes of data as [type, body] lists (32-bit sizes only, as heif-enc writes)."""
    out, at = [], 0
    while at < len(data):
        size, kind = struct.unpack(">I4s", data[at:at + 8])
        out.append([kind, data[at + 8:at + size]])
        at += size
    return out


def box(kind, body):
    return struct.pack(">I4s", len(body) + 8, kind) + body


def heif_transformed(data, transforms):
    """data with (type, payload) properties such as irot or imir appended to ipco and linked, in
    order, to the primary item; iloc's file offsets follow the bytes added before them."""
    top = boxes(data)
    meta = next(b for b in top if b[0] == b"meta")
    children = boxes(meta[1][4:])
    get = lambda kind: next(b for b in children if b[0] == kind)
    pitm = get(b"pitm")[1]
    primary = struct.unpack(">H", pitm[4:6])[0] if pitm[0] == 0 else struct.unpack(">I", pitm[4:8])[0]
    iprp = get(b"iprp")
    parts = boxes(iprp[1])
    ipco = next(b for b in parts if b[0] == b"ipco")
    ipma = next(b for b in parts if b[0] == b"ipma")
    first = len(boxes(ipco[1])) + 1
    ipco[1] += b"".join(box(k, v) for k, v in transforms)
    body = ipma[1]
    version, wide = body[0], body[3] & 1
    count = struct.unpack(">I", body[4:8])[0]
    at, out = 8, bytearray(body[:8])
    for _ in range(count):
        idb = 2 if version < 1 else 4
        item = int.from_bytes(body[at:at + idb], "big")
        n = body[at + idb]
        links = body[at + idb + 1:at + idb + 1 + n * (2 if wide else 1)]
        at += idb + 1 + len(links)
        if item == primary:
            for k in range(len(transforms)):
                links += struct.pack(">H", 0x8000 | (first + k)) if wide else bytes([0x80 | (first + k)])
            n += len(transforms)
        out += item.to_bytes(idb, "big")
        out += bytes([n]) + links
    ipma[1] = bytes(out)
    iprp[1] = b"".join(box(k, v) for k, v in parts)
    old = len(box(b"meta", meta[1]))
    meta_start = sum(len(box(k, v)) for k, v in top[:top.index(meta)])

    def rebuilt(iloc_body):
        return box(b"meta", meta[1][:4] + b"".join(box(k, iloc_body if k == b"iloc" else v)
                                                    for k, v in children))
    delta = len(rebuilt(get(b"iloc")[1])) - old
    iloc = bytearray(get(b"iloc")[1])
    version = iloc[0]
    offset_size, length_size = iloc[4] >> 4, iloc[4] & 15
    base_size, index_size = iloc[5] >> 4, (iloc[5] & 15) if version > 0 else 0
    at = 6
    idb = 2 if version < 2 else 4
    count = int.from_bytes(iloc[at:at + idb], "big")
    at += idb
    for _ in range(count):
        at += idb
        method = 0
        if version > 0:
            method = int.from_bytes(iloc[at:at + 2], "big") & 15
            at += 2
        at += 2
        base_at = at
        base = int.from_bytes(iloc[at:at + base_size], "big") if base_size else 0
        at += base_size
        extents = int.from_bytes(iloc[at:at + 2], "big")
        at += 2
        for _ in range(extents):
            at += index_size
            if method == 0 and base_size == 0:
                offset = int.from_bytes(iloc[at:at + offset_size], "big")
                if offset >= meta_start + old:
                    iloc[at:at + offset_size] = (offset + delta).to_bytes(offset_size, "big")
            at += offset_size + length_size
        if method == 0 and base_size and base >= meta_start + old:
            iloc[base_at:base_at + base_size] = (base + delta).to_bytes(base_size, "big")
    meta_box = rebuilt(bytes(iloc))
    return b"".join(meta_box if b is meta else box(b[0], b[1]) for b in top)


def webp_exif(orientation):
    """The TIFF data of an EXIF chunk holding only the orientation."""
    return exif_segment(orientation, False)[10:]


def modern_set(out, work):
    # A photo as a phone gives it, small: its PNG, and WebP, HEIC and AVIF made from the same
    # pixels (WebP lossless, so the same text; the others within 1 % of the characters).
    src = os.path.join(work, "photo-320.ppm")
    subprocess.run(["convert", os.path.join(out, "phone-4000x3000.jpg"), "-resize", "320x240",
                    "-strip", src], check=True)
    with open(src, "rb") as f:
        raw = f.read().split(b"\n", 3)[3]
    pixel = lambda x, y: tuple(raw[(y * 320 + x) * 3:(y * 320 + x) * 3 + 3])
    png(os.path.join(out, "photo-320.png"), 320, 240, 2, 8, pixel)
    subprocess.run(["cwebp", "-quiet", "-lossless", "-exact", src, "-o",
                    os.path.join(out, "photo-320-lossless.webp")], check=True)
    subprocess.run(["cwebp", "-quiet", "-q", "90", src, "-o", os.path.join(out, "photo-320.webp")],
                   check=True)
    quiet = dict(check=True, stdout=subprocess.DEVNULL)
    # 4:4:4: at 4:2:0 this small photo's HEIC differs in 1.2 % of the characters.
    subprocess.run(["heif-enc", "-q", "95", "-p", "chroma=444", os.path.join(out, "photo-320.png"),
                    "-o", os.path.join(out, "photo-320.heic")], **quiet)
    subprocess.run(["heif-enc", "-A", "-q", "100", "-p", "chroma=444",
                    os.path.join(out, "photo-320.png"), "-o", os.path.join(out, "photo-320.avif")],
                   **quiet)
    # Lossless RGBA: transparency over white, as PNG's. The tools are given PNM files: from a
    # PNG they would apply its gAMA chunk.
    rgba = os.path.join(work, "rgba8.pam")
    with open(rgba, "wb") as f:
        f.write(b"P7\nWIDTH %d\nHEIGHT %d\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n" % (W, H))
        f.write(bytes(c for y in range(H) for x in range(W) for c in rgba_source(x, y)))
    subprocess.run(["cwebp", "-quiet", "-lossless", "-exact", rgba, "-o",
                    os.path.join(out, "rgba8.webp")], check=True)
    ppm(os.path.join(out, "rgba8.webp.ppm"), W, H,
        lambda x, y: tuple(over_white(c, rgba_source(x, y)[3]) for c in rgba_source(x, y)[:3]))
    # Turned: WebP by its EXIF orientation, HEIF and AVIF by irot and imir.
    quads = os.path.join(work, "quadrants.png")
    png(quads, 48, 32, 2, 8, quadrants(48, 32))
    plain = os.path.join(work, "quadrants.webp")
    quads_ppm = os.path.join(work, "quadrants.ppm")
    ppm(quads_ppm, 48, 32, quadrants(48, 32))
    subprocess.run(["cwebp", "-quiet", "-lossless", quads_ppm, "-o", plain], check=True)
    exif = os.path.join(work, "orientation6.exif")
    with open(exif, "wb") as f:
        f.write(webp_exif(6))
    subprocess.run(["webpmux", "-set", "exif", exif, plain, "-o",
                    os.path.join(out, "orientation6.webp")], **quiet)
    for kind, flag in (("heic", []), ("avif", ["-A"])):
        plain = os.path.join(work, "quadrants." + kind)
        subprocess.run(["heif-enc", *flag, "-q", "95", "-p", "chroma=444", quads, "-o", plain],
                       **quiet)
        with open(plain, "rb") as f:
            body = f.read()
        # A quarter turn anticlockwise (EXIF 8), a mirror left to right (imir 1: 2), and a
        # mirror top to bottom then a half turn (imir 0: 4, then 3: 2).
        for name, transforms in (("irot1", [(b"irot", b"\x01")]), ("imir1", [(b"imir", b"\x01")]),
                                 ("imir0-irot2", [(b"imir", b"\x00"), (b"irot", b"\x02")])):
            with open(os.path.join(out, "%s.%s" % (name, kind)), "wb") as f:
                f.write(heif_transformed(body, transforms))
    # An animation of two frames: the first is shown.
    first, second = os.path.join(work, "first.ppm"), os.path.join(work, "second.ppm")
    ppm(first, W, H, rgba_source_rgb)
    ppm(second, W, H, lambda x, y: (0, 0, 0))
    subprocess.run(["img2webp", "-lossless", first, second, "-o",
                    os.path.join(out, "frames.webp")], **quiet)
    ppm(os.path.join(out, "frames.webp.ppm"), W, H, rgba_source_rgb)


def rgba_source_rgb(x, y):
    return rgba_source(x, y)[:3]


# ---- hostile files ----

def png_raw(w, h, colour_type, depth, interlace, chunks_before=(), row=None):
    """A PNG whose every row holds the same bytes (zero by default), compressed as it goes."""
    bpp = {0: 1, 2: 3, 3: 1, 4: 2, 6: 4}[colour_type] * depth
    z = zlib.compressobj(9)
    idat = []
    passes = ADAM7 if interlace else [(0, 0, 1, 1)]
    for x0, y0, dx, dy in passes:
        pw, ph = len(range(x0, w, dx)), len(range(y0, h, dy))
        if pw and ph:
            line = b"\0" + (row or bytes((pw * bpp + 7) // 8))[:(pw * bpp + 7) // 8]
            block = line * max(1, (1 << 20) // len(line))
            rows_in_block = len(block) // len(line)
            for start in range(0, ph, rows_in_block):
                n = min(rows_in_block, ph - start)
                idat.append(z.compress(block[:n * len(line)]))
    idat.append(z.flush())
    data = b"\x89PNG\r\n\x1a\n"
    data += chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, depth, colour_type, 0, 0, 1 if interlace else 0))
    data += b"".join(chunks_before)
    data += chunk(b"IDAT", b"".join(idat)) + chunk(b"IEND", b"")
    return data


def lzw_constant(count, min_size=8):
    """LZW codes for count pixels of index 0, as a GIF encoder makes them (the table grows along
    the run, so a frame of millions of pixels takes a few kilobytes)."""
    clear, eoi = 1 << min_size, (1 << min_size) + 1
    out, acc, nbits = bytearray(), 0, 0
    bits, running, longest = min_size + 1, eoi + 1, 1

    def put(code):
        nonlocal acc, nbits, bits
        acc |= code << nbits
        nbits += bits
        while nbits >= 8:
            out.append(acc & 0xFF)
            acc >>= 8
            nbits -= 8
        if running >= (1 << bits) and code <= 4095:
            bits += 1

    put(clear)
    left = count
    while left > 0:
        n = min(longest, left)
        left -= n
        put(0 if n == 1 else eoi + n - 1)
        if running >= 4095:
            put(clear)
            running, bits, longest = eoi + 1, min_size + 1, 1
        else:
            running += 1
            longest = n + 1
    put(eoi)
    if nbits:
        out.append(acc & 0xFF)
    blocks = b"".join(bytes([len(out[i:i + 255])]) + out[i:i + 255] for i in range(0, len(out), 255))
    return bytes([min_size]) + blocks + b"\0"


def gif_constant(frames, global_table=True, comment=0, interlace=False):
    """frames: (w, h) of each frame, every pixel index 0."""
    sw = max(w for w, h in frames)
    sh = max(h for w, h in frames)
    data = b"GIF89a" + struct.pack("<HHBBB", sw, sh, 0xF7 if global_table else 0, 0, 0)
    if global_table:
        data += bytes(range(256)) * 3
    if comment:
        data += b"\x21\xFE" + (b"\xFF" + b"c" * 255) * (comment // 255) + b"\0"
    for w, h in frames:
        data += b"\x2C" + struct.pack("<HHHHB", 0, 0, w, h, 0x40 if interlace else 0) + lzw_constant(w * h)
    return data + b"\x3B"


def jpeg_progressive(w, h, ac_scans):
    """A grey progressive JPEG, flat grey: a DC scan, then the same AC band again and again (each
    AC scan one run of empty blocks), as small as such a file can be."""
    def seg(marker, body):
        return bytes([0xFF, marker]) + struct.pack(">H", len(body) + 2) + body

    def entropy(bits):
        bits += "1" * (-len(bits) % 8)
        raw = bytes(int(bits[i:i + 8], 2) for i in range(0, len(bits), 8))
        return raw.replace(b"\xFF", b"\xFF\x00")

    blocks = ((w + 7) // 8) * ((h + 7) // 8)
    data = b"\xFF\xD8" + seg(0xDB, b"\0" + b"\1" * 64)
    data += seg(0xC2, struct.pack(">BHHB", 8, h, w, 1) + b"\x01\x11\x00")
    data += seg(0xC4, b"\x00" + bytes([1] + [0] * 15) + b"\x00")  # DC: category 0 is "0"
    # AC: EOB runs EOB0 to EOB14, four bits each.
    data += seg(0xC4, b"\x10" + bytes([0, 0, 0, 15] + [0] * 12) + bytes(n << 4 for n in range(15)))
    data += seg(0xDA, b"\x01\x01\x00\x00\x00\x00") + entropy("0" * blocks)
    runs = ""
    left = blocks
    while left > 0:
        r = min(left, 32767)
        n = r.bit_length() - 1
        runs += format(n, "04b") + (format(r - (1 << n), "0%db" % n) if n else "")
        left -= r
    ac = seg(0xDA, b"\x01\x01\x00\x01\x3F\x00") + entropy(runs)
    return data + ac * ac_scans + b"\xFF\xD9"


def png_chunks(w, h, colour_type, depth, chunks, idat):
    """A PNG of these chunks between IHDR and the one IDAT of idat (compressed here)."""
    data = b"\x89PNG\r\n\x1a\n"
    data += chunk(b"IHDR", struct.pack(">IIBBBBB", w, h, depth, colour_type, 0, 0, 0))
    data += b"".join(chunks) + chunk(b"IDAT", zlib.compress(idat, 9)) + chunk(b"IEND", b"")
    return data


def png_empty_idat_first(count):
    """A 64 x 64 RGB PNG whose pixel data is preceded by count empty IDAT chunks (a legal stream:
    IDAT chunks join into one)."""
    whole = png_raw(64, 64, 2, 8, False)
    at = 8 + 25  # after IHDR
    return whole[:at] + chunk(b"IDAT", b"") * count + whole[at:]


def hostile_set(out):
    def write(name, data):
        with open(os.path.join(out, name), "wb") as f:
            f.write(data)

    # Interlaced PNG: over the budget for pictures held whole, and at it.
    write("interlaced-10000x10000.png", png_raw(10000, 10000, 2, 8, True))
    write("interlaced-6144x4096.png", png_raw(6144, 4096, 6, 8, True))
    # Text, profile and EXIF chunks that are never used.
    bomb = chunk(b"zTXt", b"note\0\0" + zlib.compress(b"\0" * (8 << 20), 9))
    write("ztxt-100x8MB.png", png_raw(64, 64, 2, 8, False, [bomb] * 100))
    write("ztxt-1000x8MB.png", png_raw(64, 64, 2, 8, False, [bomb] * 1000))
    write("exif-60MB.png", png_raw(64, 64, 2, 8, False, [chunk(b"eXIf", b"MM\0*" + bytes(60 << 20))]))
    # Damage: one bit of the pixel data's CRC.
    good = bytearray(png_raw(64, 64, 2, 8, False))
    good[-13] ^= 1
    write("bad-idat-crc.png", bytes(good))
    # Progressive JPEG: many scans over the budget, the most scans x blocks, too many scans.
    write("progressive-10000x10000-499scans.jpg", jpeg_progressive(10000, 10000, 498))
    write("progressive-4096x4096-128scans.jpg", jpeg_progressive(4096, 4096, 127))
    write("progressive-64x64-5000scans.jpg", jpeg_progressive(64, 64, 4999))
    # GIF: no colour table at all, many frames, a long comment, an interlaced frame held whole.
    write("gif-no-colour-table.gif", gif_constant([(16, 16)], global_table=False))
    write("gif-2000-frames.gif", gif_constant([(1000, 1000)] * 2000))
    write("gif-comment-60MB.gif", gif_constant([(16, 16)], comment=60 << 20))
    write("gif-interlaced-10000x10000.gif", gif_constant([(10000, 10000)], interlace=True))
    # Palettes the builds once read differently: three short PLTE chunks (their completed copies
    # outgrew the buffer that held them), a palette length not a multiple of 3, more tRNS entries
    # than palette entries. Refused alike.
    write("plte-three-short.png", png_chunks(1, 1, 3, 8, [chunk(b"PLTE", bytes(3))] * 3, b"\0\0"))
    write("pal_len_not_3x.png", png_chunks(1, 1, 3, 8, [chunk(b"PLTE", bytes(7))], b"\0\0"))
    write("trns-5-for-2.png", png_chunks(1, 1, 3, 8, [chunk(b"PLTE", bytes(6)), chunk(b"tRNS", bytes(5))],
                                         b"\0\0"))
    # Five million empty IDAT chunks (60 MB) before the data: refused by their number.
    write("idat_5M_empty_first.png", png_empty_idat_first(5000000))
    # The slowest pixels to decode, over their own budget and at it.
    write("rgba16-10000x10000.png", png_raw(10000, 10000, 6, 16, False))
    write("rgba16-4000x3000.png", png_raw(4000, 3000, 6, 16, False))
    # A large plain GIF both builds convert; a PNG side at libpng's default limit and past it.
    write("gif-8000x8000.gif", gif_constant([(8000, 8000)]))
    write("tall-1x1000000.png", png_raw(1, 1000000, 0, 8, False))
    write("tall-1x1600000.png", png_raw(1, 1600000, 0, 8, False))
    # WebP: the largest size a header can claim, a real one cut short, frames beyond the count.
    def riff(chunks):
        body = b"WEBP" + b"".join(k + struct.pack("<I", len(v)) + v + b"\0" * (len(v) & 1)
                                  for k, v in chunks)
        return b"RIFF" + struct.pack("<I", len(body)) + body
    vp8l = lambda w, h: b"\x2F" + struct.pack("<I", (w - 1) | (h - 1) << 14) + bytes(64)
    write("webp-16384x16384.webp", riff([(b"VP8L", vp8l(16384, 16384))]))
    write("webp-5000x5000-empty.webp", riff([(b"VP8L", vp8l(5000, 5000))]))
    with tempfile.TemporaryDirectory() as work:
        src = os.path.join(work, "big.ppm")
        ppm(src, 2000, 1500, lambda x, y: (x % 256, y % 256, (x ^ y) % 256))
        whole = os.path.join(work, "big.webp")
        subprocess.run(["cwebp", "-quiet", "-q", "80", src, "-o", whole], check=True)
        with open(whole, "rb") as f:
            data = f.read()
        write("webp-cut.webp", data[:len(data) // 2])
        heic = os.path.join(work, "big.heic")
        subprocess.run(["convert", src, src.replace(".ppm", ".png")], check=True)
        subprocess.run(["heif-enc", "-q", "50", src.replace(".ppm", ".png"), "-o", heic],
                       check=True, stdout=subprocess.DEVNULL)
        with open(heic, "rb") as f:
            data = f.read()
        write("heic-cut.heic", data[:len(data) // 2])
        at = data.find(b"ispe")
        write("heic-claims-60000x60000.heic",
              data[:at + 8] + struct.pack(">II", 60000, 60000) + data[at + 16:])
    frame = bytes(16) + b"VP8L" + struct.pack("<I", 69) + vp8l(1, 1) + b"\0"
    x = bytes([2, 0, 0, 0]) + (63).to_bytes(3, "little") * 2
    write("webp-100000-frames.webp", riff([(b"VP8X", x), (b"ANIM", bytes(6))] +
                                          [(b"ANMF", frame)] * 100000))


def main():
    if len(sys.argv) == 3 and sys.argv[1] == "--hostile":
        os.makedirs(sys.argv[2], exist_ok=True)
        hostile_set(sys.argv[2])
        return
    here = os.path.dirname(os.path.abspath(__file__))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(here, "..", "tests", "data", "pictures")
    os.makedirs(out, exist_ok=True)
    png_set(out)
    gif_set(out)
    with tempfile.TemporaryDirectory() as work:
        jpeg_set(out, work)
        large_photo(os.path.join(out, "phone-4000x3000.jpg"), work)
        modern_set(out, work)


if __name__ == "__main__":
    main()
