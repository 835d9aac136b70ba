// What the imaging component is given of a picture file: the parts a decode needs, colour tables
// completed with black, and the memory it will hold.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <type_traits>
#include <vector>

#include "platform/picture_wic.h"
#include "tests/picture/picture_files.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes join(std::initializer_list<Bytes> parts) {
    Bytes all;
    for (const Bytes &p : parts)
        all.insert(all.end(), p.begin(), p.end());
    return all;
}

Bytes text(const std::string &s) {
    return Bytes(s.begin(), s.end());
}

Bytes zeros(size_t n) {
    return Bytes(n, 0);
}

std::string hex(const Bytes &b) {
    static const char digits[] = "0123456789abcdef";
    std::string s;
    for (uint8_t v : b)
        s += std::string{digits[v >> 4], digits[v & 15], ' '};
    return s;
}

const Bytes pngSignature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

Bytes ihdr(uint32_t width, uint32_t height, uint8_t depth, uint8_t colourType) {
    return png_chunk("IHDR", {0, 0, uint8_t(width >> 8), uint8_t(width), 0, 0, uint8_t(height >> 8),
                              uint8_t(height), depth, colourType, 0, 0, 0});
}

Bytes segment(uint8_t marker, size_t bytes) {
    Bytes s = {0xFF, marker, uint8_t((bytes + 2) >> 8), uint8_t(bytes + 2)};
    s.insert(s.end(), bytes, marker);
    return s;
}

// A GIF screen or image descriptor's flags byte with a table of 2^(bits+1) entries.
constexpr uint8_t table(int bits) {
    return uint8_t(0x80 | bits);
}

Bytes gif_screen(uint8_t flags) {
    return join({text("GIF89a"), {5, 0, 3, 0, flags, 0, 0}});
}

Bytes gif_image(uint8_t flags) {
    return {0x2C, 0, 0, 0, 0, 5, 0, 3, 0, flags};
}

const Bytes gifData = {2, 3, 0x84, 0x8F, 0x05, 0}; // LZW code size, one sub-block, terminator
const Bytes gifControl = {0x21, 0xF9, 4, 1, 0, 0, 2, 0};
const Bytes gifComment = {0x21, 0xFE, 3, 'a', 'b', 'c', 2, 'd', 'e', 0};

// A table of n entries whose i-th colour is (i+1, i+1, i+1), then black up to 256 entries.
Bytes colours(size_t n, size_t completed = 0) {
    Bytes t;
    for (size_t i = 0; i < n; ++i)
        t.insert(t.end(), 3, uint8_t(i + 1));
    t.resize(std::max(n, completed) * 3, 0);
    return t;
}

} // namespace

// Its spans of own are its own: a copy would share nothing but look as if it did.
static_assert(!std::is_copy_constructible_v<WicView> && std::is_move_constructible_v<WicView>);

TEST(WicView, OnlyWhatADecodeNeeds) {
    const Bytes idat = png_chunk("IDAT", {1, 2, 3, 4});
    const Bytes iend = png_chunk("IEND", {});
    const Bytes trns = png_chunk("tRNS", {0, 0, 0, 0, 0, 0});
    const Bytes rgb = join({pngSignature, ihdr(10, 3, 8, 2)});
    const Bytes sof = {0xFF, 0xC0, 0, 11, 8, 0, 3, 0, 10, 1, 1, 0x11, 0};
    const Bytes scan = {0xFF, 0xDA, 0, 8, 1, 1, 0, 0, 63, 0, 0x12, 0xFF, 0x00, 0xFF, 0xD9};
    const Bytes jpegHead = {0xFF, 0xD8};
    struct Case {
        const char *what;
        Bytes file;
        PictureProbe probe; // format, width, height and the shape's fields
        Bytes given;        // what the component reads
        bool refused; // never given to the component
        uint64_t held;
    };
    auto probe = [](PictureFormat f, int64_t w, int64_t h, int bits = 0, bool multi = false,
                    uint64_t coefficients = 0, bool interlaced = false) {
        PictureProbe p;
        p.format = f;
        p.width = w;
        p.height = h;
        p.bitsPerPixel = bits;
        p.multiScan = multi;
        p.heldBytes = coefficients;
        p.interlaced = interlaced;
        return p;
    };
    const PictureProbe rgb10x3 = probe(PictureFormat::png, 10, 3);
    const Case cases[] = {
        {"PNG: text, profile and EXIF chunks left out, tRNS kept, nothing after IEND",
         join({rgb, png_chunk("zTXt", zeros(20)), png_chunk("iCCP", zeros(9)), trns,
               png_chunk("eXIf", zeros(8)), idat, png_chunk("tEXt", text("k\0v")), idat, iend,
               text("junk")}),
         rgb10x3, join({rgb, trns, idat, idat, iend}), false, (40 + 8) * 3},
        {"PNG RGB without tRNS: 3 bytes a pixel, a row padded to 4, a pointer a row",
         join({rgb, png_chunk("gAMA", zeros(4)), idat, iend}), rgb10x3, join({rgb, idat, iend}),
         false, (32 + 8) * 3},
        {"PNG 16-bit grey and alpha: 8 bytes a pixel",
         join({pngSignature, ihdr(10, 3, 16, 4), idat, iend}), rgb10x3,
         join({pngSignature, ihdr(10, 3, 16, 4), idat, iend}), false, (80 + 8) * 3},
        {"PNG palette of 2 at 2 bits: completed to 4 entries, black",
         join({pngSignature, ihdr(10, 3, 2, 3), png_chunk("PLTE", colours(2)), idat, iend}),
         rgb10x3,
         join({pngSignature, ihdr(10, 3, 2, 3), png_chunk("PLTE", colours(2, 4)), idat, iend}),
         false, (4 + 8) * 3},
        {"PNG palette already whole",
         join({pngSignature, ihdr(10, 3, 1, 3), png_chunk("PLTE", colours(2)), idat, iend}),
         rgb10x3,
         join({pngSignature, ihdr(10, 3, 1, 3), png_chunk("PLTE", colours(2)), idat, iend}), false,
         (4 + 8) * 3},
        {"PNG cut inside a chunk: given as it is",
         join({rgb, png_chunk("tEXt", zeros(9)), Bytes(idat.begin(), idat.end() - 1)}), rgb10x3,
         join({rgb, png_chunk("tEXt", zeros(9)), Bytes(idat.begin(), idat.end() - 1)}), false,
         (40 + 8) * 3},
        {"JPEG: APP1, APP2, APP15 and comments left out; APP0, APP14, fill bytes and scans kept",
         join({jpegHead, segment(0xE0, 14), segment(0xE1, 30), segment(0xE2, 5), {0xFF},
               segment(0xFE, 7), {0xFF}, segment(0xDB, 65), segment(0xEE, 12), segment(0xEF, 3),
               sof, segment(0xC4, 20), scan}),
         probe(PictureFormat::jpeg, 10, 1, 8),
         join({jpegHead, segment(0xE0, 14), {0xFF}, segment(0xDB, 65), segment(0xEE, 12), sof,
               segment(0xC4, 20), scan}),
         false, 12},
        {"JPEG in several scans: colour rows and the coefficients",
         join({jpegHead, sof, scan}), probe(PictureFormat::jpeg, 10, 2, 24, true, 1000),
         join({jpegHead, sof, scan}), false, 32 * 2 + 1000},
        {"JPEG segment longer than the file: given as it is",
         join({jpegHead, {0xFF, 0xE1, 0x40, 0}, zeros(5)}), probe(PictureFormat::jpeg, 10, 1, 8),
         join({jpegHead, {0xFF, 0xE1, 0x40, 0}, zeros(5)}), false, 12},
        {"GIF: the first frame with its control, tables completed, comments and frames after left "
         "out",
         join({gif_screen(table(0)), colours(2), gifComment, gifControl, gif_image(0), gifData,
               gifControl, gif_image(table(1)), colours(4), gifData, {0x3B}}),
         probe(PictureFormat::gif, 5, 3),
         join({gif_screen(table(7)), colours(2, 256), gifControl, gif_image(0), gifData, {0x3B}}),
         false, 15},
        {"GIF: only a local table, of 4; an interlaced frame held twice",
         join({gif_screen(0), gif_image(table(1)), colours(4), gifData, {0x3B}}),
         probe(PictureFormat::gif, 5, 3, 8, false, 0, true),
         join({gif_screen(0), gif_image(table(7)), colours(4, 256), gifData, {0x3B}}), false, 30},
        {"GIF without a colour table", join({gif_screen(0), gif_image(0), gifData, {0x3B}}),
         probe(PictureFormat::gif, 5, 3), join({gif_screen(0), gif_image(0), gifData, {0x3B}}),
         true, 15},
        {"PNG with three short palettes: each completed, none read from freed memory",
         join({pngSignature, ihdr(10, 3, 8, 3), png_chunk("PLTE", {1, 1, 1}),
               png_chunk("PLTE", {2, 2, 2}), png_chunk("PLTE", {3, 3, 3}), idat, iend}),
         probe(PictureFormat::png, 10, 3),
         join({pngSignature, ihdr(10, 3, 8, 3), png_chunk("PLTE", colours(1, 256)),
               png_chunk("PLTE", join({{2, 2, 2}, zeros(765)})),
               png_chunk("PLTE", join({{3, 3, 3}, zeros(765)})), idat, iend}),
         false, (12 + 8) * 3},
        {"GIF cut inside the first frame",
         join({gif_screen(table(0)), colours(2), gif_image(0), {2, 9, 1}}),
         probe(PictureFormat::gif, 5, 3),
         join({gif_screen(table(0)), colours(2), gif_image(0), {2, 9, 1}}), true, 15},
    };
    for (const Case &c : cases) {
        const WicView view = wic_view(c.file.data(), c.file.size(), c.probe);
        Bytes given;
        for (const WicView::Span &s : view.spans)
            given.insert(given.end(), view.bytes(s), view.bytes(s) + s.size);
        EXPECT_EQ(hex(given), hex(c.given)) << c.what;
        EXPECT_EQ(view.size(), c.given.size()) << c.what;
        EXPECT_EQ(view.refusal != nullptr, c.refused) << c.what;
        EXPECT_EQ(view.heldBytes, c.held) << c.what;
    }
}
