#include "core/clipboard_dib.h"

#include <algorithm>
#include <cstring>

#include "core/picture.h"

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

// The 32-bit pixels from offset on laid over white by their alpha (see the header for when).
void alpha_lay_over_white(uint8_t *dib, size_t size, uint64_t offset, uint32_t headerSize,
                          uint32_t compression) {
    const bool bitfields = compression == compBitfields || compression == compAlphaBitfields;
    if (!(headerSize >= 56 || (headerSize == 40 && compression == compAlphaBitfields)))
        return;
    const int alpha = mask_byte(get_u32(dib + 52));
    int colours[3];
    for (int i = 0; i < 3; ++i)
        colours[i] = bitfields ? mask_byte(get_u32(dib + 40 + 4 * i)) : 2 - i;
    if (alpha < 0 || colours[0] < 0 || colours[1] < 0 || colours[2] < 0)
        return;
    const int64_t width = int32_t(get_u32(dib + 4));
    const int64_t height = int32_t(get_u32(dib + 8));
    if (width <= 0)
        return;
    // A file cut short is the decoder's to refuse; what there is is made ready all the same.
    const uint64_t count = std::min<uint64_t>(
        uint64_t(width) * uint64_t(height < 0 ? -height : height), (size - offset) / 4);
    uint8_t *pixels = dib + offset;
    bool transparency = false;
    for (uint64_t i = 0; i < count && !transparency; ++i)
        transparency = pixels[4 * i + alpha] != 0;
    if (!transparency)
        return;
    for (uint64_t i = 0; i < count; ++i) {
        uint8_t *p = pixels + 4 * i;
        for (int c : colours)
            p[c] = alpha_over_white(p[c], p[alpha]);
        p[alpha] = 0xFF;
    }
}

} // namespace

std::vector<uint8_t> dib_to_bmp_file(const uint8_t *dib, size_t size) {
    if (dib == nullptr || size < 4)
        return {};
    const uint32_t headerSize = get_u32(dib);
    if (headerSize != 12 && headerSize != 40 && headerSize != 52 && headerSize != 56 &&
        headerSize != 108 && headerSize != 124)
        return {};
    if (size <= headerSize)
        return {};
    const bool core = headerSize == 12;
    const uint32_t bpp = get_u16(dib + (core ? 10 : 14));
    const uint32_t compression = core ? 0 : get_u32(dib + 16);
    const uint32_t clrUsed = core ? 0 : get_u32(dib + 32);

    uint64_t offset = headerSize;
    if (headerSize == 40 && compression == compBitfields)
        offset += 12;
    else if (headerSize == 40 && compression == compAlphaBitfields)
        offset += 16;
    const uint64_t colours = clrUsed != 0 ? clrUsed : bpp <= 8 ? uint64_t(1) << bpp : 0;
    offset += colours * (core ? 3 : 4);
    if (offset >= size || size > UINT32_MAX - 14)
        return {};

    std::vector<uint8_t> file(14 + size);
    file[0] = 'B';
    file[1] = 'M';
    put_u32(&file[2], uint32_t(file.size()));
    put_u32(&file[10], uint32_t(14 + offset));
    std::memcpy(&file[14], dib, size);
    if (bpp == 32)
        alpha_lay_over_white(&file[14], size, offset, headerSize, compression);
    return file;
}
