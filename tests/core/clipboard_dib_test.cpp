#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "core/reading/bitmap.h"
#include "core/reading/clipboard_dib.h"
#include "tests/bitmap/bmp_build.h"

namespace {

std::vector<uint8_t> dib_of(const std::vector<uint8_t> &file) {
    return std::vector<uint8_t>(file.begin() + 14, file.end());
}

// "" when equal; else the sizes and the bytes from the first difference on.
std::string bytes_compare(const std::vector<uint8_t> &got, const std::vector<uint8_t> &want) {
    if (got == want)
        return "";
    size_t at = 0;
    while (at < got.size() && at < want.size() && got[at] == want[at])
        ++at;
    std::string out = "sizes " + std::to_string(got.size()) + " and " +
                      std::to_string(want.size()) + ", from byte " + std::to_string(at) + ":";
    char hex[8];
    for (const auto *bytes : {&got, &want}) {
        out += "\n  ";
        for (size_t i = at; i < bytes->size() && i < at + 24; ++i) {
            std::snprintf(hex, sizeof hex, "%02X ", (*bytes)[i]);
            out += hex;
        }
    }
    return out;
}

std::vector<uint8_t> bgra(std::initializer_list<uint32_t> pixels) { // 0xAARRGGBB each
    std::vector<uint8_t> bytes;
    for (uint32_t p : pixels)
        for (int i = 0; i < 4; ++i)
            bytes.push_back(uint8_t(p >> (8 * i)));
    return bytes;
}

struct DibCase {
    const char *name;
    BmpSpec spec;                // the DIB is its file without the first 14 bytes
    std::vector<uint8_t> pixels; // the file's pixels after the conversion; empty: as given
};

// The file is the DIB behind the header bmp_build writes, whose pixel offset counts the same
// masks and colour table; transparency is laid over white as a PNG's is.
TEST(ClipboardDib, BecomesTheBmpFileOfTheSamePicture) {
    const std::vector<uint32_t> rgbMasks = {0xFF0000, 0xFF00, 0xFF};
    const std::vector<uint32_t> alphaMasks = {0xFF0000, 0xFF00, 0xFF, 0xFF000000};
    const std::vector<uint8_t> translucent = bgra({0xFF0A141E, 0x00000000, 0x800064C8, 0x01FFFFFF});
    // 0x80 over white: (c * 128 + 255 * 127 + 127) / 255 for 200, 100, 0.
    const std::vector<uint8_t> overWhite = bgra({0xFF0A141E, 0xFFFFFFFF, 0xFF7FB1E3, 0xFFFFFFFF});
    const DibCase cases[] = {
        {"24-bit",
         {2, 2, 24, 0, 40, {}, {}, bmp_rows({{1, 2, 3, 4, 5, 6}, {7, 8, 9, 10, 11, 12}})},
         {}},
        {"8-bit, 3 colours",
         {2, 1, 8, 0, 40, {0x102030, 0x405060, 0x708090}, {}, {0, 2, 0, 0}},
         {}},
        {"8-bit, a table of 256: sizes past a byte",
         {2, 1, 8, 0, 40, std::vector<uint32_t>(256, 0x405060), {}, {0, 255, 0, 0}, 0},
         {}},
        {"1-bit, table of 2 by default",
         {8, 1, 1, 0, 40, {0, 0xFFFFFF}, {}, {0xA5, 0, 0, 0}, 0},
         {}},
        {"1-bit, 12-byte header", {8, 1, 1, 0, 12, {0, 0xFFFFFF}, {}, {0x5A, 0, 0, 0}}, {}},
        {"16-bit 565 bit fields",
         {2, 1, 16, 3, 40, {}, {0xF800, 0x07E0, 0x001F}, {1, 2, 3, 4}},
         {}},
        {"32-bit bit fields: the fourth byte is no alpha",
         {4, 1, 32, 3, 40, {}, rgbMasks, translucent},
         {}},
        {"32-bit, 40 bytes, BI_RGB: no alpha", {4, 1, 32, 0, 40, {}, {}, translucent}, {}},
        {"V5 with alpha", {4, -1, 32, 3, 124, {}, alphaMasks, translucent}, overWhite},
        {"V5 BI_RGB with an alpha mask",
         {4, 1, 32, 0, 124, {}, {0, 0, 0, 0xFF000000}, translucent},
         overWhite},
        {"V4 alpha bit fields", {4, 1, 32, 6, 108, {}, alphaMasks, translucent}, overWhite},
        {"V5 with alpha, green in the lowest byte",
         {4, 1, 32, 3, 124, {}, {0xFF0000, 0xFF, 0xFF00, 0xFF000000}, translucent},
         overWhite},
        {"40 bytes, BI_ALPHABITFIELDS", {4, 1, 32, 6, 40, {}, alphaMasks, translucent}, overWhite},
        {"V5 with alpha 0 everywhere: opaque",
         {2, 1, 32, 3, 124, {}, alphaMasks, bgra({0x00102030, 0x00405060})},
         {}},
        {"V5 with 10-bit channels: alpha left to the decoder",
         {4, 1, 32, 3, 124, {}, {0x3FF00000, 0xFFC00, 0x3FF, 0xC0000000}, translucent},
         {}},
    };
    const std::set<std::string> inPlace = {
        "24-bit", "32-bit bit fields: the fourth byte is no alpha", "32-bit, 40 bytes, BI_RGB: no alpha",
        "V5 with alpha", "V5 BI_RGB with an alpha mask", "V4 alpha bit fields",
        "40 bytes, BI_ALPHABITFIELDS", "V5 with alpha 0 everywhere: opaque",
        "V5 with alpha, green in the lowest byte"};
    for (const DibCase &c : cases) {
        std::vector<uint8_t> want = bmp_build(c.spec);
        if (!c.pixels.empty()) {
            BmpSpec converted = c.spec;
            converted.pixels = c.pixels;
            want = bmp_build(converted);
        }
        const std::vector<uint8_t> dib = dib_of(bmp_build(c.spec));
        const std::vector<uint8_t> file = dib_to_bmp_file(dib.data(), dib.size());
        EXPECT_EQ(bytes_compare(file, want), "") << c.name;
        // Read where it lies, the same pixels as the BMP decoder takes from that file.
        const DibPixels pixels = dib_pixels(dib.data(), dib.size());
        EXPECT_EQ(pixels.bytesPerPixel != 0, inPlace.count(c.name) == 1) << c.name;
        if (pixels.bytesPerPixel == 0)
            continue;
        OwnedSurface decoded{8, 8};
        ASSERT_TRUE(bmp_decode(file.data(), file.size(), &decoded.surface).ok) << c.name;
        std::vector<uint8_t> row(size_t(pixels.width) * 3), fromFile(row.size());
        for (int64_t y = 0; y < pixels.height; ++y) {
            dib_row(dib.data(), pixels, y, row.data());
            std::memcpy(fromFile.data(), decoded.surface.bits + y * decoded.surface.stride, row.size());
            EXPECT_EQ(bytes_compare(row, fromFile), "") << c.name << " row " << y;
        }
    }
}

// Headers that cannot be what they claim: nothing is made of them.
TEST(ClipboardDib, NonsenseIsRefused) {
    const std::vector<uint8_t> v5 = dib_of(bmp_build({1, 1, 24, 0, 124, {}, {}, {1, 2, 3, 0}}));
    const std::vector<uint8_t> bitfields =
        dib_of(bmp_build({1, 1, 32, 3, 40, {}, {0xFF0000, 0xFF00, 0xFF}, {1, 2, 3, 4}}));
    const std::vector<uint8_t> palette =
        dib_of(bmp_build({1, 1, 8, 0, 40, std::vector<uint32_t>(256, 0x808080), {}, {0, 0, 0, 0}}));
    auto with_u32 = [](std::vector<uint8_t> dib, size_t at, uint32_t value) {
        put_u32(dib, at, value);
        return dib;
    };
    struct Refusal {
        const char *name;
        std::vector<uint8_t> dib;
    };
    const Refusal cases[] = {
        {"no bytes", {}},
        {"shorter than a header size", {40, 0, 0}},
        {"unknown header size 64", with_u32(v5, 0, 64)},
        {"header size 0xFFFFFFFF", with_u32(v5, 0, 0xFFFFFFFF)},
        {"V5 header cut short", std::vector<uint8_t>(v5.begin(), v5.begin() + 100)},
        {"header and nothing after it", std::vector<uint8_t>(v5.begin(), v5.begin() + 124)},
        {"colour table cut short", std::vector<uint8_t>(palette.begin(), palette.begin() + 600)},
        {"colour table and no pixels", std::vector<uint8_t>(palette.begin(), palette.end() - 4)},
        {"colour count 0xFFFFFFFF", with_u32(palette, 32, 0xFFFFFFFF)},
        {"bit field masks cut off",
         std::vector<uint8_t>(bitfields.begin(), bitfields.begin() + 48)},
    };
    for (const Refusal &c : cases)
        EXPECT_TRUE(dib_to_bmp_file(c.dib.empty() ? nullptr : c.dib.data(), c.dib.size()).empty())
            << c.name;
}

} // namespace
