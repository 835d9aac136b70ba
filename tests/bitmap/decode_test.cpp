// The decoder on small files built here: each layout it accepts, and one malformed file per
// attack shape, every one refused without touching the surface or reading outside the file.
#include <gtest/gtest.h>

#include <climits>
#include <functional>

#include "bmp_build.h"
#include "core/reading/bitmap.h"
#include "core/conversion/geometry.h"
#include "core/conversion/settings.h"
#include "guarded_bytes.h"
#include "window/document_state.h"

namespace {

Rgb rgb(uint32_t c) { return Rgb{uint8_t(c >> 16), uint8_t(c >> 8), uint8_t(c)}; }

struct FormatCase {
    const char *name;
    BmpSpec spec;
    std::vector<std::vector<uint32_t>> expected; // top row first, 0xRRGGBB
};

BmpSpec spec_of(int32_t w, int32_t h, uint16_t bpp, std::vector<uint32_t> palette,
                std::vector<uint8_t> pixels, uint32_t compression = 0, uint32_t headerSize = 40,
                std::vector<uint32_t> masks = {}) {
    BmpSpec s;
    s.width = w;
    s.height = h;
    s.bpp = bpp;
    s.palette = std::move(palette);
    s.pixels = std::move(pixels);
    s.compression = compression;
    s.headerSize = headerSize;
    s.masks = std::move(masks);
    return s;
}

const uint32_t red = 0xFF0000, green = 0x00FF00, blue = 0x0000FF, white = 0xFFFFFF;
const uint32_t p0 = 0x000010; // palette colour 0 where RLE leaves pixels undefined
const std::vector<uint32_t> four{p0, red, green, blue};

std::vector<FormatCase> format_cases() {
    return {
        {"1 bpp, two bytes a row", spec_of(9, 2, 1, {0x102030, 0xF0E0D0}, bmp_rows({{0xAA, 0x80}, {0x55, 0x00}})),
         {{0xF0E0D0, 0x102030, 0xF0E0D0, 0x102030, 0xF0E0D0, 0x102030, 0xF0E0D0, 0x102030, 0xF0E0D0},
          {0x102030, 0xF0E0D0, 0x102030, 0xF0E0D0, 0x102030, 0xF0E0D0, 0x102030, 0xF0E0D0, 0x102030}}},
        {"2 bpp", spec_of(5, 1, 2, four, bmp_rows({{0x1B, 0x80}})), {{p0, red, green, blue, green}}},
        {"4 bpp, odd width", spec_of(3, 2, 4, four, bmp_rows({{0x12, 0x30}, {0x32, 0x10}})),
         {{red, green, blue}, {blue, green, red}}},
        {"8 bpp, bottom-up", spec_of(2, 2, 8, four, bmp_rows({{0, 1}, {2, 3}})), {{p0, red}, {green, blue}}},
        {"8 bpp, top-down", spec_of(2, -2, 8, four, bmp_rows({{0, 1}, {2, 3}}, true)), {{p0, red}, {green, blue}}},
        {"8 bpp, short palette", spec_of(2, 1, 8, {red, green}, bmp_rows({{1, 0}})), {{green, red}}},
        {"24 bpp, one pixel padded", spec_of(1, 2, 24, {}, bmp_rows({{1, 2, 3}, {0x0C, 0x0B, 0x0A}})),
         {{0x030201}, {0x0A0B0C}}},
        {"24 bpp with an unused palette", spec_of(1, 1, 24, {red, green}, bmp_rows({{1, 2, 3}})), {{0x030201}}},
        {"16 bpp 5-5-5, top bit ignored", spec_of(4, 1, 16, {}, bmp_rows({{0xFF, 0x7F, 0x00, 0x7C, 0x00, 0x80, 0x21, 0x04}})),
         {{white, red, 0, 0x080808}}},
        {"16 bpp 5-6-5 bit fields", spec_of(3, 1, 16, {}, bmp_rows({{0xFF, 0xFF, 0xE0, 0x07, 0x20, 0x00}}), 3, 40, {0xF800, 0x07E0, 0x001F}),
         {{white, green, 0x000400}}},
        {"32 bpp, fourth byte ignored", spec_of(1, 1, 32, {}, bmp_rows({{1, 2, 3, 0xFF}})), {{0x030201}}},
        {"32 bpp bit fields in reverse order", spec_of(1, 1, 32, {}, bmp_rows({{0x11, 0x22, 0x33, 0x44}}), 3, 40, {0xFF, 0xFF00, 0xFF0000}),
         {{0x112233}}},
        {"32 bpp alpha bit fields", spec_of(1, 1, 32, {}, bmp_rows({{1, 2, 3, 0x80}}), 6, 40, {0xFF0000, 0xFF00, 0xFF, 0xFF000000}),
         {{0x030201}}},
        {"124-byte header, 4-4-4-4 masks inside it", spec_of(2, 1, 16, {}, bmp_rows({{0xF0, 0xF0, 0x00, 0x1F}}), 3, 124, {0x0F00, 0x00F0, 0x000F, 0xF000}),
         {{green, red}}},
        // Wider than 12 bits: scaled per pixel, rounded (0x8000 gives 128, 0x7FFF 127).
        {"32 bpp bit fields, a 16-bit channel", spec_of(2, 1, 32, {}, bmp_rows({{0x34, 0x12, 0x00, 0x80, 0x78, 0x56, 0xFF, 0x7F}}), 3, 40, {0xFFFF0000, 0xFF00, 0xFF}),
         {{0x801234, 0x7F5678}}},
        {"52-byte header, 10-bit channels", spec_of(1, 1, 32, {}, bmp_rows({{0x00, 0x00, 0xF8, 0x3F}}), 3, 52, {0x3FF00000, 0xFFC00, 0x3FF}),
         {{0xFF8000}}},
        {"56-byte header, masks inside it", spec_of(1, 1, 32, {}, bmp_rows({{1, 2, 3, 0x80}}), 3, 56, {0xFF0000, 0xFF00, 0xFF, 0xFF000000}),
         {{0x030201}}},
        {"20-byte header, the shortest with a compression field", spec_of(4, 1, 8, four, {0x04, 0x02, 0x00, 0x01}, 1, 20),
         {{green, green, green, green}}},
        {"64-byte OS/2 header, RLE4", spec_of(2, 1, 4, four, {0x02, 0x12, 0x00, 0x01}, 2, 64), {{red, green}}},
        // Not the common layout in another order: each must come through its own mask.
        {"32 bpp bit fields, green in the top byte", spec_of(1, 1, 32, {}, bmp_rows({{0x11, 0x22, 0x33, 0x44}}), 3, 40, {0xFF0000, 0xFF000000, 0xFF}),
         {{0x334411}}},
        {"32 bpp bit fields, blue in the top byte", spec_of(1, 1, 32, {}, bmp_rows({{0x11, 0x22, 0x33, 0x44}}), 3, 40, {0xFF0000, 0xFF00, 0xFF000000}),
         {{0x332244}}},
        {"12-byte header, 3-byte palette", spec_of(2, 1, 8, {0x123456, 0x654321}, bmp_rows({{1, 0}}), 0, 12),
         {{0x654321, 0x123456}}},
        {"16-byte header", spec_of(2, 1, 8, {0x123456, 0x654321}, bmp_rows({{1, 0}}), 0, 16), {{0x654321, 0x123456}}},
        {"64-byte header", spec_of(2, 1, 8, {0x123456, 0x654321}, bmp_rows({{1, 0}}), 0, 64), {{0x654321, 0x123456}}},
        {"RLE8: runs, literal, end of line, delta, undefined pixels",
         spec_of(4, 3, 8, four,
                 {0x01, 0x01, 0x00, 0x03, 0x02, 0x03, 0x02, 0x00, 0x00, 0x00, // bottom row, EOL
                  0x02, 0x03, 0x00, 0x00,                                     // middle row, EOL
                  0x00, 0x02, 0x02, 0x00, 0x02, 0x02, 0x00, 0x01},            // delta, run, end
                 1),
         {{p0, p0, green, green}, {blue, blue, p0, p0}, {red, green, blue, green}}},
        // Ends of lines and deltas may reach the right edge and the row above the top.
        {"RLE8: delta to the right edge, end of line after the last row",
         spec_of(2, 2, 8, four, {0x00, 0x02, 0x02, 0x00, 0x00, 0x00, 0x02, 0x02, 0x00, 0x00, 0x00, 0x01}, 1),
         {{green, green}, {p0, p0}}},
        {"RLE8: delta past the top row", spec_of(2, 1, 8, four, {0x02, 0x01, 0x00, 0x02, 0x00, 0x01, 0x00, 0x01}, 1),
         {{red, red}}},
        {"RLE4: a one-pixel run ignores its second nibble", spec_of(2, 1, 4, four, {0x01, 0x1F, 0x01, 0x2F, 0x00, 0x01}, 2),
         {{red, green}}},
        {"RLE4: alternating nibbles, odd literal",
         spec_of(5, 2, 4, four,
                 {0x00, 0x05, 0x12, 0x30, 0x10, 0x00, 0x00, 0x00, // literal of 5, padded; EOL
                  0x03, 0x12, 0x02, 0x30, 0x00, 0x01},           // runs 1 2 1 and 3 0; end
                 2),
         {{red, green, red, blue, p0}, {red, green, blue, p0, red}}},
    };
}

TEST(Decode, EveryAcceptedLayout) {
    for (const FormatCase &c : format_cases()) {
        std::vector<uint8_t> file = bmp_build(c.spec);
        const int32_t w = int32_t(c.expected[0].size()), h = int32_t(c.expected.size());
        OwnedSurface dst(w + 2, h + 1);
        const std::vector<uint8_t> before = dst.buffer;
        BmpInfo info = bmp_decode(file.data(), file.size(), &dst.surface);
        ASSERT_TRUE(info.ok) << c.name << ": " << info.reason;
        EXPECT_EQ(info.width, w) << c.name;
        EXPECT_EQ(info.height, h) << c.name;
        bool same = true;
        for (int32_t y = 0; y < h; ++y)
            for (int32_t x = 0; x < w; ++x)
                same = same && pixel_at(dst.surface, x, y) == rgb(c.expected[y][x]);
        // Outside the picture nothing may change.
        for (int32_t y = 0; y < dst.surface.height; ++y)
            for (int32_t x = 0; x < dst.surface.width * 3; ++x)
                if (y >= h || x >= w * 3)
                    same = same && dst.buffer[size_t(y) * dst.surface.stride + x] == before[size_t(y) * dst.surface.stride + x];
        EXPECT_TRUE(same) << c.name << ":\n" << surface_dump(dst.surface, dst.surface.width, dst.surface.height);

        BmpInfo check = bmp_decode(file.data(), file.size(), nullptr);
        EXPECT_TRUE(check.ok && check.width == w && check.height == h) << c.name << " (validation only)";
    }
}

// Valid files to break, one per family of code paths.
std::vector<uint8_t> base24() { return bmp_build(spec_of(2, 2, 24, {}, bmp_rows({{1, 2, 3, 4, 5, 6}, {7, 8, 9, 10, 11, 12}}))); }
std::vector<uint8_t> base8() { return bmp_build(spec_of(2, 2, 8, four, bmp_rows({{0, 1}, {2, 3}}))); }
std::vector<uint8_t> base16() {
    return bmp_build(spec_of(2, 1, 16, {}, bmp_rows({{0xFF, 0xFF, 0, 0}}), 3, 40, {0xF800, 0x07E0, 0x001F}));
}
std::vector<uint8_t> base32alpha() {
    return bmp_build(spec_of(1, 1, 32, {}, bmp_rows({{1, 2, 3, 0x80}}), 6, 40, {0xFF0000, 0xFF00, 0xFF, 0xFF000000}));
}
std::vector<uint8_t> rle(uint32_t compression, std::vector<uint8_t> stream, int32_t w = 2, int32_t h = 2) {
    return bmp_build(spec_of(w, h, compression == 1 ? 8 : 4, four, std::move(stream), compression));
}

struct AttackCase {
    const char *name;
    std::vector<uint8_t> file;
};

std::vector<uint8_t> with(std::vector<uint8_t> b, const std::function<void(std::vector<uint8_t> &)> &change) {
    change(b);
    return b;
}
std::vector<uint8_t> cut(std::vector<uint8_t> b, size_t size) {
    b.resize(size);
    return b;
}

std::vector<AttackCase> attack_cases() {
    const size_t pixels8 = 54 + 16; // base8's pixel data
    return {
        {"empty", {}},
        {"magic BA", with(base24(), [](auto &b) { b[1] = 'A'; })},
        {"cut inside the file header", cut(base24(), 17)},
        {"cut inside the information header", cut(base24(), 40)},
        {"cut in the palette", cut(base8(), 60)},
        {"cut one byte into the last row", cut(base24(), base24().size() - 3)},
        {"cut before the pixels", cut(base8(), pixels8)},
        {"header size 0", with(base24(), [](auto &b) { put_u32(b, 14, 0); })},
        {"header size 11", with(base24(), [](auto &b) { put_u32(b, 14, 11); })},
        {"header size 15", with(base24(), [](auto &b) { put_u32(b, 14, 15); })},
        {"header size 65", bmp_build(spec_of(1, 1, 24, {}, bmp_rows({{1, 2, 3}}), 0, 65))},
        {"header size 66", with(base24(), [](auto &b) { put_u32(b, 14, 66); })},
        {"12-byte header cut one byte short", cut(bmp_build(spec_of(2, 1, 8, four, bmp_rows({{1, 0}}), 0, 12)), 25)},
        {"header size past the end", with(base24(), [](auto &b) { put_u32(b, 14, 124); })},
        {"header size 0xFFFFFFFF", with(base24(), [](auto &b) { put_u32(b, 14, 0xFFFFFFFF); })},
        {"planes 0", with(base24(), [](auto &b) { put_u16(b, 26, 0); })},
        {"planes 2", with(base24(), [](auto &b) { put_u16(b, 26, 2); })},
        {"width 0", with(base24(), [](auto &b) { put_u32(b, 18, 0); })},
        {"width -2", with(base24(), [](auto &b) { put_u32(b, 18, uint32_t(-2)); })},
        {"width INT32_MIN", with(base24(), [](auto &b) { put_u32(b, 18, 0x80000000u); })},
        {"width INT32_MAX", with(base24(), [](auto &b) { put_u32(b, 18, INT32_MAX); })},
        {"height 0", with(base24(), [](auto &b) { put_u32(b, 22, 0); })},
        {"height INT32_MIN", with(base24(), [](auto &b) { put_u32(b, 22, 0x80000000u); })},
        {"height 1 << 20 + 1", with(base24(), [](auto &b) { put_u32(b, 22, (1u << 20) + 1); })},
        {"width x height overflows 32 bits", with(base24(), [](auto &b) { put_u32(b, 18, 70000); put_u32(b, 22, 70000); })},
        {"bits per pixel 0", with(base24(), [](auto &b) { put_u16(b, 28, 0); })},
        {"bits per pixel 3", with(base24(), [](auto &b) { put_u16(b, 28, 3); })},
        {"bits per pixel 64", with(base24(), [](auto &b) { put_u16(b, 28, 64); })},
        {"bits per pixel 30000", with(base24(), [](auto &b) { put_u16(b, 28, 30000); })},
        {"embedded JPEG", with(base24(), [](auto &b) { put_u32(b, 30, 4); })},
        {"embedded PNG", with(base24(), [](auto &b) { put_u32(b, 30, 5); })},
        {"compression 7", with(base24(), [](auto &b) { put_u32(b, 30, 7); })},
        {"compression 0xFFFFFFFF", with(base24(), [](auto &b) { put_u32(b, 30, 0xFFFFFFFF); })},
        {"bit fields on 24 bpp", with(base24(), [](auto &b) { put_u32(b, 30, 3); })},
        {"RLE8 on 4 bpp", with(rle(2, {0x02, 0x11, 0x00, 0x01}), [](auto &b) { put_u32(b, 30, 1); })},
        {"RLE4 on 8 bpp", with(rle(1, {0x02, 0x01, 0x00, 0x01}), [](auto &b) { put_u32(b, 30, 2); })},
        {"RLE top-down", with(rle(1, {0x02, 0x01, 0x00, 0x01}), [](auto &b) { put_u32(b, 22, uint32_t(-2)); })},
        {"pixel offset 0", with(base24(), [](auto &b) { put_u32(b, 10, 0); })},
        {"pixel offset inside the header", with(base24(), [](auto &b) { put_u32(b, 10, 40); })},
        {"pixel offset at the end", with(base24(), [](auto &b) { put_u32(b, 10, uint32_t(b.size())); })},
        {"pixel offset 0xFFFFFFFF", with(base24(), [](auto &b) { put_u32(b, 10, 0xFFFFFFFF); })},
        {"colour count 0xFFFFFFFF", with(base8(), [](auto &b) { put_u32(b, 46, 0xFFFFFFFF); })},
        {"colour count past the pixel offset", with(base8(), [](auto &b) { put_u32(b, 46, 5); })},
        {"36-byte header, colour count past the pixel offset",
         [] {
             BmpSpec s = spec_of(2, 1, 8, {red, green}, bmp_rows({{1, 0}}), 0, 36);
             s.clrUsed = 5;
             return bmp_build(s);
         }()},
        {"no palette at all", with(base8(), [](auto &b) { put_u32(b, 46, 0); put_u32(b, 10, 54); })},
        {"index past a short palette", with(base8(), [](auto &b) { b[b.size() - 4] = 4; })},
        {"index past a short palette in the first stored row", with(base8(), [](auto &b) { b[54 + 16] = 4; })},
        {"index past the colour count, palette going on", with(base8(), [](auto &b) { put_u32(b, 46, 2); })},
        {"24 bpp claiming a colour that is not there", with(base24(), [](auto &b) { put_u32(b, 46, 1); })},
        {"mask zero", with(base16(), [](auto &b) { put_u32(b, 62, 0); })},
        {"mask with a gap", with(base16(), [](auto &b) { put_u32(b, 62, 0x05); })},
        {"masks overlap", with(base16(), [](auto &b) { put_u32(b, 62, 0x07E0); })},
        {"red and green masks overlap", with(base16(), [](auto &b) { put_u32(b, 58, 0xF800); })},
        {"red and blue masks overlap", with(base16(), [](auto &b) { put_u32(b, 62, 0xF800); })},
        {"mask past 16 bits", with(base16(), [](auto &b) { put_u32(b, 54, 0x1F800); })},
        {"mask just past 16 bits", with(base16(), [](auto &b) { put_u32(b, 54, 0x10000); })},
        {"masks cut off", cut(base16(), 60)},
        {"file ends right after the masks", cut(base16(), 66)},
        {"file ends inside the last mask", cut(base16(), 65)},
        {"pixel offset inside the bit field masks", with(base16(), [](auto &b) { put_u32(b, 10, 65); })},
        {"pixel offset inside the alpha mask", with(base32alpha(), [](auto &b) { put_u32(b, 10, 69); })},
        {"RLE run past the row", rle(1, {0x03, 0x01, 0x00, 0x01})},
        {"RLE run after the last row", rle(1, {0x00, 0x00, 0x00, 0x00, 0x01, 0x01, 0x00, 0x01})},
        {"RLE literal past the row", rle(1, {0x00, 0x03, 0x01, 0x01, 0x01, 0x00, 0x00, 0x01})},
        {"RLE4 literal past the row", rle(2, {0x00, 0x03, 0x11, 0x10, 0x00, 0x01})},
        {"RLE delta past the right edge", rle(1, {0x00, 0x02, 0x03, 0x00, 0x00, 0x01})},
        {"RLE delta past the top", rle(1, {0x00, 0x02, 0x00, 0x03, 0x00, 0x01})},
        {"RLE delta 255 x 255", rle(1, {0x00, 0x02, 0xFF, 0xFF, 0x00, 0x01})},
        {"RLE deltas past the right edge after the last row",
         rle(1, {0x00, 0x00, 0x00, 0x02, 0x03, 0x00, 0x00, 0x02, 0x03, 0x00, 0x00, 0x01}, 4, 1)},
        {"RLE end of line past the top", rle(1, {0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x01})},
        {"RLE without an end marker", rle(1, {0x02, 0x01, 0x00, 0x00})},
        {"RLE literal cut off", rle(1, {0x00, 0x04, 0x01, 0x01}, 4, 1)},
        {"RLE literal pad byte cut off", rle(1, {0x00, 0x03, 0x01, 0x01, 0x01}, 4, 1)},
        {"RLE delta cut off", rle(1, {0x00, 0x02, 0x01})},
        {"RLE odd byte at the end", rle(1, {0x02, 0x01, 0x00})},
        {"RLE run colour past a short palette", rle(1, {0x02, 0x04, 0x00, 0x01})},
        {"RLE one-pixel run colour just past a short palette", rle(1, {0x01, 0x04, 0x00, 0x01})},
        {"RLE literal colour just past a short palette", rle(1, {0x00, 0x03, 0x01, 0x04, 0x01, 0x00, 0x00, 0x01}, 3, 1)},
        {"RLE literal after the last row", rle(1, {0x00, 0x00, 0x00, 0x03, 0x01, 0x01, 0x01, 0x00, 0x00, 0x01}, 3, 1)},
        {"RLE literal colour past a short palette", rle(1, {0x00, 0x03, 0x01, 0x09, 0x01, 0x00, 0x00, 0x01}, 3, 1)},
        {"RLE4 second nibble past a short palette", rle(2, {0x02, 0x14, 0x00, 0x01})},
    };
}

TEST(Decode, EveryAttackShapeIsRefused) {
    for (const AttackCase &c : attack_cases()) {
        for (GuardSide side : {GuardSide::after, GuardSide::before}) {
            GuardedBytes bytes(c.file, side);
            OwnedSurface dst(4, 4);
            BmpInfo info = bmp_decode(bytes.data(), bytes.size(), &dst.surface);
            EXPECT_FALSE(info.ok) << c.name;
            EXPECT_STRNE(info.reason, "") << c.name;
            EXPECT_FALSE(bmp_decode(bytes.data(), bytes.size(), nullptr).ok) << c.name << " (validation only)";
        }
    }
}

TEST(Decode, RefusedFilesLeaveTheLoadedPictureAlone) {
    // The decoder may leave half a picture behind; loading decodes onto a spare surface while a
    // picture is loaded, so the loaded one stays as it was.
    OwnedSurface source(16, 16);
    sourceSurface = source.surface;
    settings_defaults(settings);
    bmpWidth = 3;
    bmpHeight = 2;
    const std::vector<uint8_t> before = source.buffer;
    for (const AttackCase &c : attack_cases()) {
        GuardedBytes bytes(c.file, GuardSide::after);
        LoadResult r = bitmap_load_memory(conversion, bytes.data(), bytes.size(), 1280, 1024);
        EXPECT_EQ(r.outcome, LoadOutcome::refused) << c.name;
        EXPECT_TRUE(source.buffer == before) << c.name << ": the loaded picture changed";
        EXPECT_EQ(bmpWidth, 3) << c.name;
    }
    sourceSurface = Surface{};
    surfaces_release(conversion); // the spare
}

TEST(Decode, Boundaries) {
    const BmpInfo none = bmp_decode(nullptr, 0, nullptr);
    EXPECT_FALSE(none.ok);
    EXPECT_STRNE(none.reason, "") << "a refusal always says why";

    // The last row's padding may be missing; one byte of its pixels may not.
    std::vector<uint8_t> file = base24();
    EXPECT_TRUE(bmp_decode(file.data(), file.size() - 2, nullptr).ok);
    EXPECT_FALSE(bmp_decode(file.data(), file.size() - 3, nullptr).ok);

    // Without that padding nothing is read past the end, whatever the depth.
    struct Padless {
        const char *name;
        std::vector<uint8_t> file;
        size_t padding;
    };
    const Padless padless[] = {
        {"24 bpp", file, 2},
        {"16 bpp", bmp_build(spec_of(1, 1, 16, {}, bmp_rows({{0x1F, 0x00}}))), 2},
        {"8 bpp, palette of 2", bmp_build(spec_of(1, 1, 8, {red, green}, bmp_rows({{1}}))), 3},
        {"1 bpp, 9 wide", bmp_build(spec_of(9, 1, 1, {red, green}, bmp_rows({{0xFF, 0x80}}))), 2},
    };
    for (const Padless &c : padless) {
        GuardedBytes bytes(cut(c.file, c.file.size() - c.padding), GuardSide::after);
        OwnedSurface dst(9, 2);
        EXPECT_TRUE(bmp_decode(bytes.data(), bytes.size(), &dst.surface).ok) << c.name;
        EXPECT_FALSE(bmp_decode(bytes.data(), bytes.size() - 1, nullptr).ok) << c.name << ", one byte less";
    }

    // A picture exactly the surface's size fits; one pixel more either way does not.
    OwnedSurface exact(2, 2), narrow(1, 2), low(2, 1);
    const std::vector<uint8_t> narrowBefore = narrow.buffer, lowBefore = low.buffer;
    EXPECT_TRUE(bmp_decode(file.data(), file.size(), &exact.surface).ok);
    EXPECT_FALSE(bmp_decode(file.data(), file.size(), &narrow.surface).ok);
    EXPECT_FALSE(bmp_decode(file.data(), file.size(), &low.surface).ok);
    EXPECT_TRUE(narrow.buffer == narrowBefore && low.buffer == lowBefore);

    // A stream that ends at once leaves a huge picture all undefined: valid, but not for a small surface.
    std::vector<uint8_t> huge = with(rle(1, {0x00, 0x01}), [](auto &b) { put_u32(b, 18, 1 << 20); put_u32(b, 22, 1 << 20); });
    EXPECT_TRUE(bmp_decode(huge.data(), huge.size(), nullptr).ok);
    EXPECT_FALSE(bmp_decode(huge.data(), huge.size(), &exact.surface).ok);
    // One pixel more on a side is too large even to validate.
    for (const size_t at : {18, 22}) {
        std::vector<uint8_t> over = huge;
        put_u32(over, at, (1 << 20) + 1);
        EXPECT_FALSE(bmp_decode(over.data(), over.size(), nullptr).ok) << "offset " << at;
    }

    // Oversized palette claims are fine when the palette is really there.
    BmpSpec big = spec_of(1, 1, 8, std::vector<uint32_t>(300, red), bmp_rows({{255}}));
    std::vector<uint8_t> oversize = bmp_build(big);
    BmpInfo info = bmp_decode(oversize.data(), oversize.size(), &exact.surface);
    EXPECT_TRUE(info.ok) << info.reason;
    EXPECT_EQ(pixel_at(exact.surface, 0, 0), rgb(red));
}

} // namespace
