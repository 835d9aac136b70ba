// Small BMP files built in memory, so each test states the bytes it feeds the decoder.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "core/conversion/surface.h"

struct BmpSpec {
    int32_t width = 1;
    int32_t height = 1; // negative: rows stored top first
    uint16_t bpp = 24;
    uint32_t compression = 0;
    uint32_t headerSize = 40;
    std::vector<uint32_t> palette; // 0xRRGGBB, written as 3 bytes for a 12-byte header, else 4
    std::vector<uint32_t> masks;   // after a 40-byte header, inside a larger one
    std::vector<uint8_t> pixels;   // exactly as stored in the file
    int64_t clrUsed = -1;          // -1: the palette's length
};

std::vector<uint8_t> bmp_build(const BmpSpec &spec);

// Rows given top first, each padded to 4 bytes and stored bottom first (or top first).
std::vector<uint8_t> bmp_rows(const std::vector<std::vector<uint8_t>> &rowsTopFirst,
                              bool topDown = false);

void put_u16(std::vector<uint8_t> &bytes, size_t at, uint32_t value);
void put_u32(std::vector<uint8_t> &bytes, size_t at, uint32_t value);

// A surface over its own buffer, every byte set to fill.
struct OwnedSurface {
    std::vector<uint8_t> buffer;
    Surface surface;
    OwnedSurface(int32_t width, int32_t height, uint8_t fill = 0xA5);
};

Rgb pixel_at(const Surface &s, int32_t x, int32_t y);

// "RRGGBB RRGGBB ...", one line a row, for failure messages.
std::string surface_dump(const Surface &s, int32_t width, int32_t height);
