#include "core/reading/clipboard_dib.h"

#include <algorithm>
#include <cstring>

#include "core/reading/picture.h"

namespace {

enum : uint32_t { compBitfields = 3, compAlphaBitfields = 6 };

uint32_t get_u16(const uint8_t *p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8;
}
uint32_t get_u32(const uint8_t *p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
void put_u32(uint8_t *p, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        p[i] = uint8_t(value >> (8 * i));
}

// Which byte of a little-endian 32-bit pixel a one-byte mask covers; -1 for any other mask.
int mask_byte(uint32_t mask) {
    for (int i = 0; i < 4; ++i)
        if (mask == uint32_t(0xFF) << (8 * i))
            return i;
    return -1;
}

// The headers, as far as both ways of reading a DIB need them.
struct DibHeader {
    bool ok = false;
    uint32_t headerSize = 0, bpp = 0, compression = 0;
    int64_t width = 0, height = 0; // height as stored: negative for rows top first
    uint64_t offset = 0;           // of the pixels in the DIB
};

DibHeader dib_header(const uint8_t *dib, size_t size) {
    DibHeader h;
    if (dib == nullptr || size < 4)
        return h;
    h.headerSize = get_u32(dib);
    if (h.headerSize != 12 && h.headerSize != 40 && h.headerSize != 52 && h.headerSize != 56 &&
        h.headerSize != 108 && h.headerSize != 124)
        return h;
    if (size <= h.headerSize)
        return h;
    const bool core = h.headerSize == 12;
    h.bpp = get_u16(dib + (core ? 10 : 14));
    h.compression = core ? 0 : get_u32(dib + 16);
    h.width = core ? int64_t(get_u16(dib + 4)) : int64_t(int32_t(get_u32(dib + 4)));
    h.height = core ? int64_t(get_u16(dib + 6)) : int64_t(int32_t(get_u32(dib + 8)));
    const uint32_t clrUsed = core ? 0 : get_u32(dib + 32);
    h.offset = h.headerSize;
    if (h.headerSize == 40 && h.compression == compBitfields)
        h.offset += 12;
    else if (h.headerSize == 40 && h.compression == compAlphaBitfields)
        h.offset += 16;
    const uint64_t colours = clrUsed != 0 ? clrUsed : h.bpp <= 8 ? uint64_t(1) << h.bpp : 0;
    h.offset += colours * (core ? 3 : 4);
    h.ok = h.offset < size && size <= UINT32_MAX - 14;
    return h;
}

// The byte of blue, green and red in a 32-bit pixel, and of alpha to lay over white (-1: none):
// for 32 bits a pixel with an alpha mask (in a header of 56 bytes or more, or after a 40-byte
// one with BI_ALPHABITFIELDS) of one byte, and colour masks of one byte each, when some pixel's
// alpha is not 0. False when a colour mask is not one byte.
bool dib_channels(const uint8_t *dib, size_t size, const DibHeader &h, int colour[3], int &alpha) {
    const bool bitfields = h.compression == compBitfields || h.compression == compAlphaBitfields;
    for (int i = 0; i < 3; ++i) // masks red, green, blue; bytes kept blue first
        colour[2 - i] = bitfields ? mask_byte(get_u32(dib + 40 + 4 * i)) : 2 - i;
    alpha = -1;
    if (colour[0] < 0 || colour[1] < 0 || colour[2] < 0)
        return false;
    if (!(h.headerSize >= 56 || (h.headerSize == 40 && h.compression == compAlphaBitfields)))
        return true;
    const int a = mask_byte(get_u32(dib + 52));
    if (a < 0 || h.width <= 0)
        return true;
    // A file cut short is the decoder's to refuse; what there is is judged all the same.
    const uint64_t count = std::min<uint64_t>(
        uint64_t(h.width) * uint64_t(h.height < 0 ? -h.height : h.height), (size - h.offset) / 4);
    const uint8_t *pixels = dib + h.offset;
    for (uint64_t i = 0; i < count; ++i)
        if (pixels[4 * i + a] != 0) {
            alpha = a;
            break;
        }
    return true;
}

} // namespace

std::vector<uint8_t> dib_to_bmp_file(const uint8_t *dib, size_t size) {
    const DibHeader h = dib_header(dib, size);
    if (!h.ok)
        return {};
    std::vector<uint8_t> file(14 + size);
    file[0] = 'B';
    file[1] = 'M';
    put_u32(&file[2], uint32_t(file.size()));
    put_u32(&file[10], uint32_t(14 + h.offset));
    std::memcpy(&file[14], dib, size);
    int colour[3], alpha = -1;
    if (h.bpp == 32 && dib_channels(dib, size, h, colour, alpha) && alpha >= 0) {
        uint8_t *pixels = &file[14 + h.offset];
        const uint64_t count = std::min<uint64_t>(
            uint64_t(h.width) * uint64_t(h.height < 0 ? -h.height : h.height), (size - h.offset) / 4);
        for (uint64_t i = 0; i < count; ++i) {
            uint8_t *p = pixels + 4 * i;
            for (int c : colour)
                p[c] = alpha_over_white(p[c], p[alpha]);
            p[alpha] = 0xFF;
        }
    }
    return file;
}

DibPixels dib_pixels(const uint8_t *dib, size_t size) {
    DibPixels p;
    const DibHeader h = dib_header(dib, size);
    if (!h.ok)
        return p;
    p.width = h.width;
    p.height = h.height < 0 ? -h.height : h.height;
    p.topDown = h.height < 0;
    if (h.headerSize < 40 || h.width <= 0 || h.height == 0)
        return p;
    const bool rgb = h.compression == 0;
    if (h.bpp == 24 && rgb)
        p.bytesPerPixel = 3;
    else if (h.bpp == 32 && (rgb || h.compression == compBitfields ||
                             h.compression == compAlphaBitfields) &&
             dib_channels(dib, size, h, p.colour, p.alpha))
        p.bytesPerPixel = 4;
    p.offset = h.offset;
    p.stride = (uint64_t(h.width) * h.bpp + 31) / 32 * 4;
    if (p.stride * uint64_t(p.height) > size - p.offset)
        p.bytesPerPixel = 0;
    return p;
}

void dib_row(const uint8_t *dib, const DibPixels &p, int64_t y, uint8_t *out) {
    const int64_t stored = p.topDown ? y : p.height - 1 - y;
    const uint8_t *in = dib + p.offset + uint64_t(stored) * p.stride;
    if (p.bytesPerPixel == 3) {
        std::memcpy(out, in, size_t(p.width) * 3);
        return;
    }
    for (int64_t x = 0; x < p.width; ++x, in += 4, out += 3)
        for (int c = 0; c < 3; ++c)
            out[c] = p.alpha < 0 ? in[p.colour[c]] : alpha_over_white(in[p.colour[c]], in[p.alpha]);
}
