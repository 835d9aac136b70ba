#include "bmp_build.h"

#include <cstdio>

void put_u16(std::vector<uint8_t> &bytes, size_t at, uint32_t value) {
    bytes[at] = uint8_t(value);
    bytes[at + 1] = uint8_t(value >> 8);
}

void put_u32(std::vector<uint8_t> &bytes, size_t at, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = uint8_t(value >> (8 * i));
}

std::vector<uint8_t> bmp_build(const BmpSpec &spec) {
    const bool core = spec.headerSize == 12;
    std::vector<uint8_t> b(14 + spec.headerSize);
    b[0] = 'B';
    b[1] = 'M';
    put_u32(b, 14, spec.headerSize);
    if (core) {
        put_u16(b, 18, uint32_t(spec.width));
        put_u16(b, 20, uint32_t(spec.height));
        put_u16(b, 22, 1);
        put_u16(b, 24, spec.bpp);
    } else {
        put_u32(b, 18, uint32_t(spec.width));
        put_u32(b, 22, uint32_t(spec.height));
        put_u16(b, 26, 1);
        put_u16(b, 28, spec.bpp);
        if (spec.headerSize >= 20)
            put_u32(b, 30, spec.compression);
        if (spec.headerSize >= 36)
            put_u32(b, 46, uint32_t(spec.clrUsed < 0 ? spec.palette.size() : spec.clrUsed));
        if (spec.headerSize > 40)
            for (size_t i = 0; i < spec.masks.size() && 44 + 4 * i <= spec.headerSize; ++i)
                put_u32(b, 54 + 4 * i, spec.masks[i]);
    }
    if (spec.headerSize == 40)
        for (uint32_t m : spec.masks) {
            b.resize(b.size() + 4);
            put_u32(b, b.size() - 4, m);
        }
    for (uint32_t c : spec.palette) {
        b.push_back(uint8_t(c));
        b.push_back(uint8_t(c >> 8));
        b.push_back(uint8_t(c >> 16));
        if (!core)
            b.push_back(0);
    }
    put_u32(b, 10, uint32_t(b.size()));
    b.insert(b.end(), spec.pixels.begin(), spec.pixels.end());
    put_u32(b, 2, uint32_t(b.size()));
    return b;
}

std::vector<uint8_t> bmp_rows(const std::vector<std::vector<uint8_t>> &rowsTopFirst, bool topDown) {
    std::vector<uint8_t> out;
    for (size_t i = 0; i < rowsTopFirst.size(); ++i) {
        const auto &row = rowsTopFirst[topDown ? i : rowsTopFirst.size() - 1 - i];
        out.insert(out.end(), row.begin(), row.end());
        out.resize(out.size() + (4 - row.size() % 4) % 4, 0);
    }
    return out;
}

OwnedSurface::OwnedSurface(int32_t width, int32_t height, uint8_t fill) {
    int32_t stride = (width * 3 + 3) / 4 * 4;
    buffer.assign(size_t(stride) * height, fill);
    surface = Surface{width, height, stride, buffer.data()};
}

Rgb pixel_at(const Surface &s, int32_t x, int32_t y) {
    const uint8_t *p = s.bits + int64_t(y) * s.stride + x * 3;
    return Rgb{p[2], p[1], p[0]};
}

std::string surface_dump(const Surface &s, int32_t width, int32_t height) {
    std::string out;
    char cell[8];
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x) {
            Rgb c = pixel_at(s, x, y);
            std::snprintf(cell, sizeof cell, "%02X%02X%02X ", c.r, c.g, c.b);
            out += cell;
        }
        out += '\n';
    }
    return out;
}
