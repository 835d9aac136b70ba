// The test pictures in tests/data/pictures and their reference pixels.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "core/conversion/surface.h"

std::string picture_path(const std::string &name);

// The whole file; empty when it cannot be read.
std::vector<uint8_t> file_bytes(const std::string &path);

struct Pixels {
    int32_t width = 0, height = 0;
    std::vector<Rgb> rgb; // row by row
    Rgb at(int32_t x, int32_t y) const { return rgb[size_t(y) * size_t(width) + size_t(x)]; }
};

// A binary PPM (P6, maxval 255); width 0 when it cannot be read.
Pixels ppm_read(const std::string &path);

// The top-left width x height of a surface.
Pixels surface_pixels(const Surface &s, int32_t width, int32_t height);

// Empty when equal; else how many pixels differ and where the first one is.
std::string pixels_compare(const Pixels &got, const Pixels &want);

// A PNG chunk: length, type, data and CRC.
std::vector<uint8_t> png_chunk(const char *type, const std::vector<uint8_t> &data);

// Makes the CRC of the chunk starting at offset at (its length field) fit its bytes again.
void png_fix_crc(std::vector<uint8_t> &png, size_t at);
