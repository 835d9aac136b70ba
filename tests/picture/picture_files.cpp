#include "picture_files.h"

#include <algorithm>
#include <cstdio>
#include <sstream>

#include "core/reading/picture.h"

std::string picture_path(const std::string &name) {
    return std::string(VKD_PICTURES_DIR) + "/" + name;
}

std::vector<uint8_t> file_bytes(const std::string &path) {
    std::vector<uint8_t> out;
    std::FILE *f = std::fopen(path.c_str(), "rb");
    if (f == nullptr)
        return out;
    uint8_t chunk[65536];
    size_t n;
    while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0)
        out.insert(out.end(), chunk, chunk + n);
    std::fclose(f);
    return out;
}

Pixels ppm_read(const std::string &path) {
    Pixels p;
    const std::vector<uint8_t> bytes = file_bytes(path);
    std::istringstream in(std::string(bytes.begin(), bytes.begin() + std::min<size_t>(bytes.size(), 32)));
    std::string magic;
    int maxValue = 0;
    in >> magic >> p.width >> p.height >> maxValue;
    const size_t at = size_t(in.tellg()) + 1;
    if (magic != "P6" || maxValue != 255 || !in ||
        bytes.size() < at + size_t(p.width) * size_t(p.height) * 3) {
        p.width = p.height = 0;
        return p;
    }
    for (size_t i = 0; i < size_t(p.width) * size_t(p.height); ++i)
        p.rgb.push_back(Rgb{bytes[at + 3 * i], bytes[at + 3 * i + 1], bytes[at + 3 * i + 2]});
    return p;
}

Pixels surface_pixels(const Surface &s, int32_t width, int32_t height) {
    Pixels p;
    p.width = width;
    p.height = height;
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
            p.rgb.push_back(surface_get(s, x, y));
    return p;
}

std::string pixels_compare(const Pixels &got, const Pixels &want) {
    if (got.width != want.width || got.height != want.height)
        return "size " + std::to_string(got.width) + " x " + std::to_string(got.height) +
               ", want " + std::to_string(want.width) + " x " + std::to_string(want.height);
    int bad = 0;
    std::string first;
    for (int32_t y = 0; y < want.height; ++y)
        for (int32_t x = 0; x < want.width; ++x) {
            const Rgb g = got.at(x, y), w = want.at(x, y);
            if (g != w && bad++ == 0) {
                char text[96];
                std::snprintf(text, sizeof text, "; first at (%d, %d): got %d,%d,%d want %d,%d,%d",
                              x, y, g.r, g.g, g.b, w.r, w.g, w.b);
                first = text;
            }
        }
    return bad == 0 ? std::string() : std::to_string(bad) + " pixels differ" + first;
}

namespace {

void put_be32(uint8_t *p, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        p[i] = uint8_t(v >> (24 - 8 * i));
}

} // namespace

std::vector<uint8_t> png_chunk(const char *type, const std::vector<uint8_t> &data) {
    std::vector<uint8_t> c(12 + data.size());
    put_be32(c.data(), uint32_t(data.size()));
    std::copy(type, type + 4, c.begin() + 4);
    std::copy(data.begin(), data.end(), c.begin() + 8);
    put_be32(c.data() + 8 + data.size(), png_crc32(c.data() + 4, data.size() + 4));
    return c;
}

void png_fix_crc(std::vector<uint8_t> &png, size_t at) {
    const size_t length = size_t(png.at(at)) << 24 | size_t(png.at(at + 1)) << 16 |
                          size_t(png.at(at + 2)) << 8 | png.at(at + 3);
    put_be32(&png.at(at + 8 + length), png_crc32(&png.at(at + 4), length + 4));
}
