// BMP decoding. A whitelist: every header size, depth and compression that is not known is
// refused early, and every read is proven inside the file before it is made. Rows are decoded
// as the file is read, straight into the sink's destination, which a refused file may leave
// half written (the loader decodes into a spare surface). Each finished row is told to the sink,
// so the reduced copy can be made while the rows are still in the cache.
#include "core/reading/bitmap.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "core/files/file_read.h"

namespace {

// Far above any surface; keeps every size product comfortably inside 64 bits.
constexpr int64_t maxSide = int64_t(1) << 20;

// Reading past the file would be a fault, not a default; callers prove the range first.
uint32_t get_u16(const uint8_t *p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8; }
uint32_t get_bgr(const uint8_t *p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16;
}
uint32_t get_u32(const uint8_t *p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

enum : uint32_t {
    compRgb = 0,
    compRle8 = 1,
    compRle4 = 2,
    compBitfields = 3,
    compJpeg = 4,
    compPng = 5,
    compAlphaBitfields = 6,
};

// One colour channel of a 16- or 32-bit pixel, scaled to 8 bits with rounding.
struct Channel {
    uint32_t mask = 0;
    int shift = 0;
    int bits = 0;
    std::vector<uint8_t> table; // raw value -> 8 bits, for channels of at most 12 bits

    uint8_t get(uint32_t pixel) const {
        uint32_t raw = (pixel & mask) >> shift;
        if (!table.empty())
            return table[raw];
        uint64_t max = (uint64_t(1) << bits) - 1;
        return uint8_t((raw * uint64_t(255) + max / 2) / max);
    }
};

struct Layout {
    int64_t width = 0, height = 0; // height positive; topDown tells the row order
    bool topDown = false;
    uint32_t bpp = 0, compression = compRgb;
    uint64_t pixelOffset = 0;
    Rgb palette[256] = {}; // padded with black so every index reads something
    uint32_t packed[256] = {}; // the same as B | G << 8 | R << 16
    uint32_t paletteCount = 0;
    Channel channels[3];   // red, green, blue
};

// A mask is usable when it is non-zero, one run of bits, and inside the pixel.
bool mask_usable(uint32_t mask, uint32_t bpp) {
    if (mask == 0 || (bpp == 16 && mask > 0xFFFF))
        return false;
    uint32_t run = mask / (mask & (~mask + 1)); // shifted down to bit 0
    return (run & (run + 1)) == 0;
}

void channel_setup(Channel &c, uint32_t mask) {
    c.mask = mask;
    c.shift = 0;
    while (!(mask >> c.shift & 1))
        ++c.shift;
    c.bits = 0;
    while (c.bits < 32 && (mask >> c.shift >> c.bits & 1))
        ++c.bits;
    c.table.clear();
    if (c.bits <= 12) { // wider channels are scaled per pixel rather than tabled
        uint32_t max = (uint32_t(1) << c.bits) - 1;
        c.table.resize(size_t(max) + 1);
        for (uint32_t v = 0; v <= max; ++v)
            c.table[v] = uint8_t((v * 255 + max / 2) / max);
    }
}

const char *parse_masks(FileWindow &in, uint32_t headerSize, Layout &l, uint64_t &headersEnd) {
    uint32_t masks[3];
    if (l.compression == compBitfields || l.compression == compAlphaBitfields) {
        // A 40-byte header is followed by the masks; later headers hold them.
        if (headerSize == 40)
            headersEnd += l.compression == compAlphaBitfields ? 16 : 12;
        const uint8_t *at = file_window_get(in, 14 + 40, 12);
        if (at == nullptr)
            return "bit field masks are cut off";
        for (int i = 0; i < 3; ++i)
            masks[i] = get_u32(at + 4 * i);
    } else if (l.bpp == 16) {
        masks[0] = 0x7C00, masks[1] = 0x03E0, masks[2] = 0x001F;
    } else {
        masks[0] = 0xFF0000, masks[1] = 0xFF00, masks[2] = 0xFF;
    }
    for (int i = 0; i < 3; ++i)
        if (!mask_usable(masks[i], l.bpp))
            return "unusable bit field mask";
    if ((masks[0] & masks[1]) || (masks[0] & masks[2]) || (masks[1] & masks[2]))
        return "overlapping bit field masks";
    for (int i = 0; i < 3; ++i)
        channel_setup(l.channels[i], masks[i]);
    return nullptr;
}

// The headers and the palette: everything before the pixels. fileSize is the file's length
// where it is known (UINT64_MAX where it is not: then a missing pixel is found when read).
const char *parse_headers(FileWindow &in, uint64_t fileSize, Layout &l) {
    const uint8_t *data = file_window_get(in, 0, 18);
    if (data == nullptr)
        return "file too short";
    if (data[0] != 'B' || data[1] != 'M')
        return "not a BMP file";
    uint32_t offBits = get_u32(data + 10);
    uint32_t headerSize = get_u32(data + 14);
    bool core = headerSize == 12;
    bool windows = headerSize == 40 || headerSize == 52 || headerSize == 56 ||
                   headerSize == 108 || headerSize == 124;
    bool os2 = !windows && headerSize >= 16 && headerSize <= 64;
    if (!core && !windows && !os2)
        return "unknown information header size";
    data = file_window_get(in, 0, 14 + size_t(headerSize));
    if (data == nullptr)
        return "information header is cut off";

    uint32_t planes, clrUsed = 0;
    if (core) {
        l.width = get_u16(data + 18);
        l.height = get_u16(data + 20);
        planes = get_u16(data + 22);
        l.bpp = get_u16(data + 24);
    } else {
        l.width = int32_t(get_u32(data + 18));
        l.height = int32_t(get_u32(data + 22));
        planes = get_u16(data + 26);
        l.bpp = get_u16(data + 28);
        // Short OS/2 headers leave out the later fields: they count as zero.
        if (headerSize >= 20)
            l.compression = get_u32(data + 30);
        if (headerSize >= 36)
            clrUsed = get_u32(data + 46);
    }
    if (planes != 1)
        return "planes is not 1";
    if (l.width <= 0)
        return "width is not positive";
    if (l.height == 0)
        return "height is 0";
    if (l.height < 0) {
        l.topDown = true;
        l.height = -l.height; // 64-bit: INT32_MIN is safe
    }
    if (l.width > maxSide || l.height > maxSide)
        return "picture too large";

    if (os2 && l.compression > compRle4)
        return "OS/2 Huffman or RLE24 compression";
    switch (l.compression) {
    case compRgb:
        if (l.bpp != 1 && l.bpp != 2 && l.bpp != 4 && l.bpp != 8 && l.bpp != 16 &&
            l.bpp != 24 && l.bpp != 32)
            return "unsupported bits per pixel";
        break;
    case compRle8:
    case compRle4:
        if (l.bpp != (l.compression == compRle8 ? 8u : 4u))
            return "RLE with the wrong bits per pixel";
        if (l.topDown)
            return "top-down RLE";
        break;
    case compBitfields:
    case compAlphaBitfields:
        if (l.bpp != 16 && l.bpp != 32)
            return "bit fields with the wrong bits per pixel";
        break;
    case compJpeg:
    case compPng:
        return "embedded JPEG or PNG";
    default:
        return "unknown compression";
    }
    uint64_t headersEnd = 14 + uint64_t(headerSize);
    if (l.bpp >= 16) {
        if (const char *why = parse_masks(in, headerSize, l, headersEnd))
            return why;
    }
    if (offBits < headersEnd)
        return "pixel data overlaps the headers";
    if (offBits >= fileSize)
        return "no pixel data";
    l.pixelOffset = offBits;

    // The palette lies between the headers and the pixels; the colour count is only a claim.
    uint64_t entrySize = core ? 3 : 4;
    uint64_t room = (offBits - headersEnd) / entrySize;
    if (clrUsed != 0 && clrUsed > room)
        return "colour count does not fit before the pixel data";
    if (l.bpp <= 8) {
        uint64_t count = uint64_t(1) << l.bpp;
        if (clrUsed != 0 && clrUsed < count)
            count = clrUsed;
        if (count > room)
            count = room;
        if (count == 0)
            return "no palette";
        const uint8_t *p = file_window_get(in, headersEnd, size_t(count * entrySize));
        if (p == nullptr)
            return "palette is cut off";
        for (uint64_t i = 0; i < count; ++i, p += entrySize) {
            l.palette[i] = Rgb{p[2], p[1], p[0]};
            l.packed[i] = get_bgr(p);
        }
        l.paletteCount = uint32_t(count);
    }
    return nullptr;
}

// Bytes of one stored row, padded to 4 bytes, and the bytes that hold its pixels.
uint64_t row_stride(const Layout &l) { return (uint64_t(l.width) * l.bpp + 31) / 32 * 4; }
uint64_t row_used(const Layout &l) { return (uint64_t(l.width) * l.bpp + 7) / 8; }

uint32_t index_at(const uint8_t *row, uint32_t bpp, int64_t x) {
    if (bpp == 8)
        return row[x];
    uint64_t bit = uint64_t(x) * bpp;
    return row[bit / 8] >> (8 - bpp - bit % 8) & ((1u << bpp) - 1);
}

void put(uint8_t *p, Rgb c) {
    p[0] = c.b;
    p[1] = c.g;
    p[2] = c.r;
}

// Four bytes written for three: each pixel's fourth byte is overwritten by the next pixel. The
// last pixel of a row is written alone, as the byte after it may belong to another row.
inline void put_wide(uint8_t *out, uint32_t bgr) {
    std::memcpy(out, &bgr, 4);
}

void decode_row(const Layout &l, const uint8_t *src, uint8_t *out) {
    const int64_t w = l.width;
    if (l.bpp == 8) {
        for (int64_t x = 0; x + 1 < w; ++x, out += 3)
            put_wide(out, l.packed[src[x]]);
        put(out, l.palette[src[w - 1]]);
    } else if (l.bpp < 8) {
        for (int64_t x = 0; x < w; ++x, out += 3)
            put(out, l.palette[index_at(src, l.bpp, x)]);
    } else if (l.bpp == 24) {
        std::memcpy(out, src, size_t(w) * 3); // both are B, G, R
    } else if (l.bpp == 32 && l.channels[0].mask == 0xFF0000 && l.channels[1].mask == 0xFF00 &&
               l.channels[2].mask == 0xFF) {
        for (int64_t x = 0; x + 1 < w; ++x, src += 4, out += 3) {
            uint32_t v;
            std::memcpy(&v, src, 4);
            put_wide(out, v);
        }
        out[0] = src[0];
        out[1] = src[1];
        out[2] = src[2];
    } else {
        const Channel &r = l.channels[0], &g = l.channels[1], &b = l.channels[2];
        int step = l.bpp / 8;
        for (int64_t x = 0; x < w; ++x, src += step, out += 3) {
            uint32_t v = step == 2 ? get_u16(src) : get_u32(src);
            out[0] = b.get(v);
            out[1] = g.get(v);
            out[2] = r.get(v);
        }
    }
}

// Where decoded rows go: the sink (nullptr: rows are checked and dropped).
struct RowsOut {
    PictureSink *sink;
    std::vector<uint8_t> scratch; // a row's pixels when there is no sink

    uint8_t *row(int64_t y) {
        return sink != nullptr ? picture_sink_row_at(*sink, y) : scratch.data();
    }
    void finished(int64_t y) {
        if (sink != nullptr)
            picture_sink_row_finished(*sink, y);
    }
};

// Short palettes: an index past the palette marks a broken file.
bool indices_valid(const Layout &l, const uint8_t *row) {
    if (l.paletteCount >= (1u << l.bpp))
        return true;
    for (int64_t x = 0; x < l.width; ++x)
        if (index_at(row, l.bpp, x) >= l.paletteCount)
            return false;
    return true;
}

const char *rows_decode(const Layout &l, FileWindow &in, RowsOut &out) {
    const uint64_t stride = row_stride(l), used = row_used(l);
    for (int64_t stored = 0; stored < l.height; ++stored) {
        const uint8_t *src = file_window_get(in, l.pixelOffset + uint64_t(stored) * stride, size_t(used));
        if (src == nullptr)
            return "pixel data is cut off";
        if (l.bpp <= 8 && !indices_valid(l, src))
            return "colour index outside the palette";
        const int64_t y = l.topDown ? stored : l.height - 1 - stored;
        decode_row(l, src, out.row(y));
        out.finished(y);
    }
    return nullptr;
}

// Plays the RLE stream from memory, painting as it goes. Pixels the stream passes over without
// painting (the rest of a row at its end or a delta, everything after the end marker) take
// palette colour 0, as the format leaves them undefined. Rows finish from the bottom up.
const char *rle_play(const Layout &l, const uint8_t *p, const uint8_t *end, RowsOut &out) {
    const bool four = l.compression == compRle4;
    const int64_t w = l.width, h = l.height;
    int64_t x = 0, y = 0; // y counts rows from the bottom of the picture
    const bool painting = out.sink != nullptr; // checking alone paints nothing
    uint8_t *row = out.row(h - 1);             // the current row, while y < h
    int64_t rowEnd = w;                        // a run may end here: w, or 0 above the top
    // The palette as bytes in the surface's order, every index in range of it; a full palette
    // leaves no index to check.
    uint8_t colours[256 * 3] = {};
    for (uint32_t i = 0; i < l.paletteCount; ++i)
        put(colours + 3 * i, l.palette[i]);
    const bool fullPalette = l.paletteCount >= (1u << l.bpp);
    auto fill = [&](int64_t from, int64_t to) {
        uint8_t *o = row + from * 3;
        for (int64_t i = from; painting && i < to; ++i, o += 3)
            put(o, l.palette[0]);
    };
    auto skip_to = [&](int64_t toX, int64_t toY) {
        // Fills from (x, y) up to (toX, toY), finishing the rows left behind.
        for (; y < toY && y < h; x = 0) {
            fill(x, w);
            out.finished(h - 1 - y);
            if (++y < h)
                row = out.row(h - 1 - y);
            else
                rowEnd = 0;
        }
        if (y < h)
            fill(x, toX);
        // Above the top too: a later delta or run from here must still stay inside the picture.
        x = std::max(x, toX);
    };
    while (end - p >= 2) {
        const uint32_t a = p[0], b = p[1];
        p += 2;
        if (a > 0) { // a pixels of one byte's colour (two alternating nibbles for RLE4)
            if (x + a > rowEnd)
                return "run leaves the picture";
            const uint32_t c0 = four ? b >> 4 : b, c1 = four ? b & 15 : b;
            if (!fullPalette && (c0 >= l.paletteCount || (a > 1 && c1 >= l.paletteCount)))
                return "colour index outside the palette";
            uint8_t *o = row + x * 3;
            const uint8_t *first = colours + 3 * c0, *second = colours + 3 * c1;
            for (uint32_t i = 0; i < a; ++i, o += 3)
                std::memcpy(o, i & 1 ? second : first, 3);
            x += a;
        } else if (b == 0) { // end of line
            if (y + 1 > h)
                return "end of line past the picture";
            skip_to(0, y + 1);
        } else if (b == 1) { // end of picture
            skip_to(0, h);
            return nullptr;
        } else if (b == 2) { // delta
            if (end - p < 2)
                return "compressed data is cut off";
            const int64_t toX = x + p[0], toY = y + p[1];
            p += 2;
            if (toX > w || toY > h)
                return "delta leaves the picture";
            // Moving up leaves the rest of this row behind; the new row is skipped up to toX.
            skip_to(toX, toY);
        } else { // b literal pixels, padded to a 16-bit boundary
            const uint64_t bytes = four ? (b + 1) / 2 : b;
            const uint64_t padded = bytes + (bytes & 1);
            if (uint64_t(end - p) < padded)
                return "compressed data is cut off";
            if (x + b > rowEnd)
                return "literal run leaves the picture";
            uint8_t *o = row + x * 3;
            const bool rowEnds = x + b == w; // the last pixel of the row is written alone
            for (uint32_t i = 0; i < b; ++i, o += 3) {
                const uint32_t c = four ? (p[i / 2] >> (i & 1 ? 0 : 4) & 15) : p[i];
                if (!fullPalette && c >= l.paletteCount)
                    return "colour index outside the palette";
                if (rowEnds && i + 1 == b)
                    std::memcpy(o, colours + 3 * c, 3);
                else
                    put_wide(o, l.packed[c]);
            }
            x += b;
            p += padded;
        }
    }
    return "compressed data ends without an end marker";
}

} // namespace

BmpInfo bmp_decode_window(FileWindow &in, uint64_t fileSize, PictureSink *sink) {
    BmpInfo info;
    auto refuse = [&](const char *why) {
        info.reason = why;
        return info;
    };
    Layout l;
    if (const char *why = parse_headers(in, fileSize, l))
        return refuse(why);
    if (sink != nullptr && (sink->reduce || sink->orientation != 1 || sink->width != l.width ||
                            sink->height != l.height))
        return refuse("picture is not the size its header test said");

    RowsOut out{sink, {}};
    if (sink == nullptr)
        out.scratch.resize(size_t(l.width) * 3);
    if (l.compression == compRle8 || l.compression == compRle4) {
        // Compressed rows have no fixed place: the stream is taken whole, as far as the window
        // reads, the same for a file as for a stream: bytes after the end marker may be cut.
        size_t rest = 0;
        const uint8_t *p = file_window_rest(in, l.pixelOffset, rest);
        if (p != nullptr && fileSize != UINT64_MAX)
            rest = size_t(std::min<uint64_t>(rest, fileSize - l.pixelOffset));
        if (p == nullptr)
            return refuse("compressed data ends without an end marker");
        if (const char *why = rle_play(l, p, p + rest, out))
            return refuse(why);
    } else if (const char *why = rows_decode(l, in, out)) {
        return refuse(why);
    }
    info.ok = true;
    info.width = int32_t(l.width);
    info.height = int32_t(l.height);
    return info;
}

BmpInfo bmp_decode(const uint8_t *data, size_t size, Surface *dst) {
    BmpInfo info;
    if (data == nullptr) {
        info.reason = "no data";
        return info;
    }
    FileWindow in;
    file_window_memory(in, data, size);
    if (dst == nullptr)
        return bmp_decode_window(in, size, nullptr);
    // The size from the headers first, for a sink of the picture's own size on dst.
    Layout l;
    if (const char *why = parse_headers(in, size, l)) {
        info.reason = why;
        return info;
    }
    if (dst->bits == nullptr || l.width > dst->width || l.height > dst->height) {
        info.reason = "picture larger than the surface";
        return info;
    }
    const PictureSize shown{int32_t(l.width), int32_t(l.height)};
    PictureSink sink;
    picture_sink_begin(sink, l.width, l.height, 1, shown, *dst);
    return bmp_decode_window(in, size, &sink);
}
