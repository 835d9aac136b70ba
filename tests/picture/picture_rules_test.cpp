// The rules every platform's PNG, JPEG and GIF decoding is held to, without decoding a file:
// the header probe, the EXIF orientation, transparency over white, the stored size, and the
// streaming reduction against the previews' own scaler.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "core/reading/picture.h"
#include "picture_files.h"
#include "tests/bitmap/bmp_build.h"
#include "tests/bitmap/guarded_bytes.h"

namespace {

// A JPEG of width x height (after fill bytes) whose scans each cover every component with the
// given entropy-coded bytes; restart sets a restart interval, padding adds comment bytes.
std::vector<uint8_t> jpeg_build(uint8_t marker, uint8_t components, uint16_t width, uint16_t height,
                                int scans, std::vector<uint8_t> data = {0}, uint16_t restart = 0,
                                size_t padding = 0, uint8_t precision = 8) {
    std::vector<uint8_t> b = {0xFF, 0xD8, 0xFF, 0xFF, 0xFF, marker, 0, uint8_t(8 + 3 * components),
                              precision, uint8_t(height >> 8), uint8_t(height), uint8_t(width >> 8),
                              uint8_t(width), components};
    for (uint8_t i = 1; i <= components; ++i)
        b.insert(b.end(), {i, 0x11, 0});
    for (; padding > 0; padding -= std::min<size_t>(padding, 60000)) {
        const size_t n = std::min<size_t>(padding, 60000);
        b.insert(b.end(), {0xFF, 0xFE, uint8_t((n + 2) >> 8), uint8_t(n + 2)});
        b.insert(b.end(), n, 'x');
    }
    if (restart != 0)
        b.insert(b.end(), {0xFF, 0xDD, 0, 4, uint8_t(restart >> 8), uint8_t(restart)});
    for (int s = 0; s < scans; ++s) {
        b.insert(b.end(), {0xFF, 0xDA, 0, uint8_t(6 + 2 * components), components});
        for (uint8_t i = 1; i <= components; ++i)
            b.insert(b.end(), {i, 0});
        b.insert(b.end(), {0, 63, 0});
        b.insert(b.end(), data.begin(), data.end());
    }
    b.insert(b.end(), {0xFF, 0xD9});
    return b;
}

std::vector<uint8_t> jpeg_with_frame(uint8_t marker, uint8_t precision, uint8_t components) {
    return jpeg_build(marker, components, 32, 16, 1, {0}, 0, 0, precision);
}

std::vector<uint8_t> gif_with_frames(std::vector<std::vector<uint16_t>> frames) {
    std::vector<uint8_t> b = {'G', 'I', 'F', '8', '9', 'a', 40, 0, 30, 0, 0x00, 0, 0};
    b.insert(b.end(), {0x21, 0xFE, 3, 'h', 'i', '!', 0}); // a comment extension first
    for (const auto &f : frames) {
        b.push_back(0x2C);
        for (uint16_t v : {uint16_t(0), uint16_t(0), f[0], f[1]}) {
            b.push_back(uint8_t(v));
            b.push_back(uint8_t(v >> 8));
        }
        b.insert(b.end(), {0x80, 0, 0, 0, 255, 255, 255}); // a two-entry local table
        b.insert(b.end(), {2, 2, 0x4C, 0x01, 0});          // LZW data
    }
    b.push_back(0x3B);
    return b;
}

std::vector<uint8_t> with_byte(std::vector<uint8_t> b, size_t at, uint8_t value) {
    b.at(at) = value;
    return b;
}

// A PNG with a byte of its header changed, the CRC made to fit.
std::vector<uint8_t> with_header_byte(std::vector<uint8_t> b, size_t at, uint8_t value) {
    b.at(at) = value;
    png_fix_crc(b, 8);
    return b;
}

// A PNG whose header claims another size.
std::vector<uint8_t> with_size(std::vector<uint8_t> b, uint32_t width, uint32_t height) {
    for (int i = 0; i < 4; ++i) {
        b.at(16 + i) = uint8_t(width >> (24 - 8 * i));
        b.at(20 + i) = uint8_t(height >> (24 - 8 * i));
    }
    png_fix_crc(b, 8);
    return b;
}

// A GIF comment extension of the given length, in sub-blocks.
std::vector<uint8_t> gif_comment(size_t length) {
    std::vector<uint8_t> b = {0x21, 0xFE};
    for (; length > 0; length -= std::min<size_t>(length, 255)) {
        b.push_back(uint8_t(std::min<size_t>(length, 255)));
        b.insert(b.end(), std::min<size_t>(length, 255), 'c');
    }
    b.push_back(0);
    return b;
}

void put_le(std::vector<uint8_t> &b, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i)
        b.push_back(uint8_t(v >> (8 * i)));
}

// A RIFF WebP of the given chunks (type, then payload).
std::vector<uint8_t>
webp_of(const std::vector<std::pair<std::string, std::vector<uint8_t>>> &chunks) {
    std::vector<uint8_t> body = {'W', 'E', 'B', 'P'};
    for (const auto &c : chunks) {
        body.insert(body.end(), c.first.begin(), c.first.end());
        put_le(body, uint32_t(c.second.size()), 4);
        body.insert(body.end(), c.second.begin(), c.second.end());
        if (c.second.size() % 2 != 0)
            body.push_back(0);
    }
    std::vector<uint8_t> b = {'R', 'I', 'F', 'F'};
    put_le(b, uint32_t(body.size()), 4);
    b.insert(b.end(), body.begin(), body.end());
    return b;
}

// A lossless bitstream's header claiming width x height, and a few bytes of data.
std::vector<uint8_t> vp8l(uint32_t width, uint32_t height) {
    std::vector<uint8_t> b = {0x2F};
    put_le(b, (width - 1) | (height - 1) << 14, 4);
    b.insert(b.end(), 8, 0);
    return b;
}

// VP8X with the animation flag and a canvas of width x height, then frames of 1 x 1.
std::vector<uint8_t> webp_animation(uint32_t width, uint32_t height, int frames) {
    std::vector<uint8_t> x = {0x02, 0, 0, 0};
    put_le(x, width - 1, 3);
    put_le(x, height - 1, 3);
    std::vector<std::pair<std::string, std::vector<uint8_t>>> chunks = {{"VP8X", x}};
    chunks.push_back({"ANIM", std::vector<uint8_t>(6, 0)});
    std::vector<uint8_t> frame(16, 0); // at (0, 0), 1 x 1
    const std::vector<uint8_t> bits = vp8l(1, 1);
    frame.insert(frame.end(), {'V', 'P', '8', 'L', uint8_t(bits.size()), 0, 0, 0});
    frame.insert(frame.end(), bits.begin(), bits.end());
    for (int i = 0; i < frames; ++i)
        chunks.push_back({"ANMF", frame});
    return webp_of(chunks);
}

// A HEIF file with the first ispe property's size replaced.
std::vector<uint8_t> heif_with_size(std::vector<uint8_t> b, uint32_t width, uint32_t height) {
    const char tag[] = "ispe";
    const auto at = std::search(b.begin(), b.end(), tag, tag + 4) - b.begin();
    for (int i = 0; i < 4; ++i) {
        b.at(size_t(at) + 8 + i) = uint8_t(width >> (24 - 8 * i));
        b.at(size_t(at) + 12 + i) = uint8_t(height >> (24 - 8 * i));
    }
    return b;
}

// A HEIF file whose mdat box is given size 0: it runs to the end of the file.
std::vector<uint8_t> mdat_to_end(std::vector<uint8_t> b) {
    const char tag[] = "mdat";
    const auto at = std::search(b.begin(), b.end(), tag, tag + 4) - b.begin();
    std::fill(b.begin() + at - 4, b.begin() + at, 0);
    return b;
}

std::vector<uint8_t> inserted(std::vector<uint8_t> b, size_t at, const std::vector<uint8_t> &more) {
    b.insert(b.begin() + std::ptrdiff_t(at), more.begin(), more.end());
    return b;
}

// A PNG of width x height at depth and colour type with these chunks between IHDR and IDAT, and
// an IDAT of idatBytes (the probe checks no pixel data): 1 x 1 at 8 bits holds one row of zeros.
std::vector<uint8_t> png_with(std::vector<std::vector<uint8_t>> chunks, uint8_t colourType = 3,
                              uint32_t width = 1, uint32_t height = 1, uint8_t depth = 8,
                              size_t idatBytes = 0) {
    std::vector<uint8_t> ihdr(13, 0);
    for (int i = 0; i < 4; ++i) {
        ihdr[i] = uint8_t(width >> (24 - 8 * i));
        ihdr[4 + i] = uint8_t(height >> (24 - 8 * i));
    }
    ihdr[8] = depth;
    ihdr[9] = colourType;
    std::vector<uint8_t> idat = {0x78, 1, 1, 2, 0, 0xFD, 0xFF, 0, 0, 0, 2, 0, 1}; // stored {0, 0}
    if (idatBytes > 0)
        idat.assign(idatBytes, 0);
    std::vector<uint8_t> b = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    chunks.insert(chunks.begin(), png_chunk("IHDR", ihdr));
    chunks.push_back(png_chunk("IDAT", idat));
    chunks.push_back(png_chunk("IEND", {}));
    for (const auto &c : chunks)
        b.insert(b.end(), c.begin(), c.end());
    return b;
}

TEST(PictureProbe, FormatSizeOrientationAndRefusals) {
    struct Case {
        std::string name;
        std::vector<uint8_t> bytes;
        PictureFormat format;
        bool usable;
        int64_t width, height, mostPixels;
        int orientation;
    };
    const std::vector<uint8_t> bmp = bmp_build(BmpSpec{});
    const std::vector<uint8_t> rgb8 = file_bytes(picture_path("rgb8.png"));
    const std::vector<uint8_t> baseline = file_bytes(picture_path("baseline.jpg"));
    // Four MCUs with a restart interval of one: three restart markers.
    const std::vector<uint8_t> restarts = {0, 0xFF, 0xD0, 0, 0xFF, 0xD1, 0, 0xFF, 0xD2, 0};
    std::vector<uint8_t> swapped = restarts, extra = restarts;
    std::swap(swapped[5], swapped[8]);
    extra.insert(extra.end(), {0xFF, 0xD3});
    const int64_t jpegBytes = int64_t(jpeg_build(0xC0, 1, 8, 8, 1).size());
    ASSERT_EQ((std::vector<uint8_t>{rgb8.at(24), rgb8.at(25)}), (std::vector<uint8_t>{8, 2}));
    const int64_t pngLimitWidth = (int64_t(rgb8.size()) * 1032 + 4096 - 1) / 3;
    // The frame header of a 32 x 16 picture, to put before another.
    const std::vector<uint8_t> jpegTwoFrames = jpeg_with_frame(0xC0, 8, 1);
    const std::vector<uint8_t> jpegFrame(jpegTwoFrames.begin() + 2, jpegTwoFrames.begin() + 17);
    const std::vector<uint8_t> plte2 = png_chunk("PLTE", {0, 0, 0, 255, 255, 255});
    const std::vector<uint8_t> iend0 = png_chunk("tEXt", {'k', 0}); // an empty chunk of no use
    const std::vector<uint8_t> webp = file_bytes(picture_path("photo-320-lossless.webp"));
    const std::vector<uint8_t> heic = file_bytes(picture_path("photo-320.heic"));
    const std::vector<Case> cases = {
        {"rgb8.png", file_bytes(picture_path("rgb8.png")), PictureFormat::png, true, 37, 23, 851,
         1},
        {"grey1-interlaced.png", file_bytes(picture_path("grey1-interlaced.png")),
         PictureFormat::png, true, 37, 23, 851, 1},
        {"bomb: too short for its size, but it is the claim that counts",
         file_bytes(picture_path("bomb-30000x30000.png")), PictureFormat::png, false, 30000, 30000,
         900000000, 1},
        {"PNG too short for 5000 x 5000",
         with_size(file_bytes(picture_path("rgb8.png")), 5000, 5000), PictureFormat::png, false,
         5000, 5000, 25000000, 1},
        {"PNG 1500 x 3 fits 1032:1", with_size(file_bytes(picture_path("rgb8.png")), 1500, 3),
         PictureFormat::png, true, 1500, 3, 4500, 1},
        // Rows of 3 w + 1 bytes: 1032 times the file and 4096 bytes to spare, and a byte more.
        {"PNG rows at the 1032:1 limit", with_size(rgb8, pngLimitWidth, 1), PictureFormat::png, true,
         pngLimitWidth, 1, pngLimitWidth, 1},
        {"PNG rows a pixel past the limit", with_size(rgb8, pngLimitWidth + 1, 1), PictureFormat::png,
         false, pngLimitWidth + 1, 1, pngLimitWidth + 1, 1},
        {"PNG colour type 5", with_header_byte(file_bytes(picture_path("rgb8.png")), 25, 5),
         PictureFormat::png, false, 37, 23, 851, 1},
        {"PNG depth 16 with a palette is caught by the decoder",
         with_header_byte(file_bytes(picture_path("palette8.png")), 24, 16), PictureFormat::png,
         true, 37, 23, 851, 1},
        {"PNG interlace method 2", with_header_byte(file_bytes(picture_path("rgb8.png")), 28, 2),
         PictureFormat::png, false, 37, 23, 851, 1},
        // Damage every decoder must refuse alike.
        {"PNG header CRC wrong", with_byte(file_bytes(picture_path("rgb8.png")), 29, 0),
         PictureFormat::png, false, 37, 23, 851, 1},
        {"PNG pixel data CRC wrong", with_byte(rgb8, rgb8.size() - 20, rgb8[rgb8.size() - 20] ^ 1),
         PictureFormat::png, false, 37, 23, 851, 1},
        {"PNG without IEND", std::vector<uint8_t>(rgb8.begin(), rgb8.end() - 12),
         PictureFormat::png, false, 37, 23, 851, 1},
        {"PNG chunk longer than the file", std::vector<uint8_t>(rgb8.begin(), rgb8.end() - 13),
         PictureFormat::png, false, 37, 23, 851, 1},
        {"PNG with bytes after IEND", inserted(rgb8, rgb8.size(), {1, 2, 3}), PictureFormat::png, true,
         37, 23, 851, 1},
        // PLTE and tRNS as libpng takes them, or refused: every decoder reads the same palette.
        {"PNG palette", png_with({plte2}), PictureFormat::png, true, 1, 1, 1, 1},
        {"PNG palette twice", png_with({plte2, plte2}), PictureFormat::png, false, 1, 1, 1, 1},
        {"PNG three short palettes", png_with({plte2, plte2, plte2}), PictureFormat::png, false, 1, 1,
         1, 1},
        {"PNG palette of 4 bytes", png_with({png_chunk("PLTE", {1, 2, 3, 4})}), PictureFormat::png,
         false, 1, 1, 1, 1},
        {"PNG palette of 257 entries", png_with({png_chunk("PLTE", std::vector<uint8_t>(771))}),
         PictureFormat::png, false, 1, 1, 1, 1},
        {"PNG palette picture without PLTE", png_with({}), PictureFormat::png, false, 1, 1, 1, 1},
        {"PNG palette after the data", inserted(png_with({}, 2), 8 + 25 + 25, plte2),
         PictureFormat::png, false, 1, 1, 1, 1},
        {"PNG RGB with a palette before the data", png_with({plte2}, 2), PictureFormat::png, true, 1,
         1, 1, 1},
        {"PNG tRNS of 2 entries for 2", png_with({plte2, png_chunk("tRNS", {0, 9})}),
         PictureFormat::png, true, 1, 1, 1, 1},
        {"PNG tRNS of 5 entries for 2", png_with({plte2, png_chunk("tRNS", {0, 1, 2, 3, 4})}),
         PictureFormat::png, false, 1, 1, 1, 1},
        {"PNG tRNS before PLTE", png_with({png_chunk("tRNS", {0}), plte2}), PictureFormat::png,
         false, 1, 1, 1, 1},
        {"PNG tRNS twice", png_with({plte2, png_chunk("tRNS", {0}), png_chunk("tRNS", {0})}),
         PictureFormat::png, false, 1, 1, 1, 1},
        {"PNG grey tRNS", png_with({png_chunk("tRNS", {0, 0})}, 0), PictureFormat::png, true, 1, 1, 1, 1},
        {"PNG grey tRNS of 6 bytes", png_with({png_chunk("tRNS", std::vector<uint8_t>(6))}, 0),
         PictureFormat::png, false, 1, 1, 1, 1},
        {"PNG RGB tRNS", png_with({png_chunk("tRNS", std::vector<uint8_t>(6))}, 2),
         PictureFormat::png, true, 1, 1, 1, 1},
        {"PNG tRNS with alpha", png_with({png_chunk("tRNS", {0, 0})}, 4), PictureFormat::png, false,
         1, 1, 1, 1},
        // The chunks' number, and the pixels of 16-bit RGBA.
        {"PNG of 100000 chunks", png_with(std::vector<std::vector<uint8_t>>(99997, iend0), 0),
         PictureFormat::png, true, 1, 1, 1, 1},
        {"PNG of 100001 chunks", png_with(std::vector<std::vector<uint8_t>>(99998, iend0), 0),
         PictureFormat::png, false, 1, 1, 1, 1},
        {"PNG 1 x 1000000", png_with({}, 0, 1, 1000000, 8, 4096), PictureFormat::png, true, 1,
         1000000, 1000000, 1},
        {"PNG 1 x 1000001", png_with({}, 0, 1, 1000001, 8, 4096), PictureFormat::png, false, 1,
         1000001, 1000001, 1},
        {"PNG 16-bit RGBA 4000 x 3000", png_with({}, 6, 4000, 3000, 16, 100000), PictureFormat::png,
         true, 4000, 3000, 12000000, 1},
        {"PNG 16-bit RGBA 4000 x 3001", png_with({}, 6, 4000, 3001, 16, 100000), PictureFormat::png,
         false, 4000, 3001, 12004000, 1},
        {"PNG 16-bit RGB 4000 x 3001", png_with({}, 2, 4000, 3001, 16, 100000), PictureFormat::png,
         true, 4000, 3001, 12004000, 1},
        {"plain.gif", file_bytes(picture_path("plain.gif")), PictureFormat::gif, true, 37, 23, 851, 1},
        {"frames.gif: the first frame, the larger second counted",
         file_bytes(picture_path("frames.gif")), PictureFormat::gif, true, 37, 23, 47 * 29, 1},
        {"baseline.jpg", file_bytes(picture_path("baseline.jpg")), PictureFormat::jpeg, true, 64,
         48, 3072, 1},
        {"progressive.jpg", file_bytes(picture_path("progressive.jpg")), PictureFormat::jpeg, true,
         64, 48, 3072, 1},
        {"grey.jpg", file_bytes(picture_path("grey.jpg")), PictureFormat::jpeg, true, 64, 48, 3072,
         1},
        {"cmyk.jpg", file_bytes(picture_path("cmyk.jpg")), PictureFormat::jpeg, false, 64, 48, 0,
         1},
        {"orientation6.jpg (big-endian EXIF)", file_bytes(picture_path("orientation6.jpg")),
         PictureFormat::jpeg, true, 48, 32, 1536, 6},
        {"orientation7.jpg (little-endian EXIF)", file_bytes(picture_path("orientation7.jpg")),
         PictureFormat::jpeg, true, 48, 32, 1536, 7},
        {"JPEG of 189 bytes claiming 5696 x 4144",
         file_bytes(picture_path("damaged-claims-5696x4144.jpg")), PictureFormat::jpeg, false, 5696,
         4144, 5696 * 4144, 1},
        {"JPEG baseline, fill bytes", jpeg_with_frame(0xC0, 8, 3), PictureFormat::jpeg, true, 32,
         16, 512, 1},
        {"JPEG extended", jpeg_with_frame(0xC1, 8, 1), PictureFormat::jpeg, true, 32, 16, 512, 1},
        {"JPEG lossless", jpeg_with_frame(0xC3, 8, 3), PictureFormat::jpeg, false, 0, 0, 0, 1},
        {"JPEG arithmetic", jpeg_with_frame(0xC9, 8, 3), PictureFormat::jpeg, false, 0, 0, 0, 1},
        {"JPEG 12-bit", jpeg_with_frame(0xC0, 12, 3), PictureFormat::jpeg, false, 0, 0, 0, 1},
        {"JPEG 4 components", jpeg_with_frame(0xC2, 8, 4), PictureFormat::jpeg, false, 32, 16, 0,
         1},
        {"JPEG data before a frame",
         {0xFF, 0xD8, 0xFF, 0xDA, 0, 2},
         PictureFormat::jpeg,
         false,
         0,
         0,
         0,
         1},
        {"GIF frames too large together", gif_with_frames({{3, 2}, {65535, 65535}}),
         PictureFormat::gif, false, 3, 2, int64_t{65535} * 65535, 1},
        {"GIF frame with neither a global nor a local table",
         with_byte(gif_with_frames({{3, 2}}), 29, 0), PictureFormat::gif, false, 0, 0, 0, 1},
        {"GIF second frame without a table",
         with_byte(gif_with_frames({{3, 2}, {3, 2}}), 29 + 21, 0), PictureFormat::gif, false, 3, 2,
         6, 1},
        {"GIF comments of 1 MiB together",
         inserted(gif_with_frames({{3, 2}}), 13, gif_comment((1 << 20) - 3)), PictureFormat::gif,
         true, 3, 2, 6, 1},
        {"GIF comments of 1 MiB and a byte",
         inserted(gif_with_frames({{3, 2}}), 13, gif_comment((1 << 20) - 2)), PictureFormat::gif,
         false, 0, 0, 0, 1},
        {"JPEG restart markers in sequence", jpeg_build(0xC0, 1, 16, 16, 1, restarts, 1),
         PictureFormat::jpeg, true, 16, 16, 256, 1},
        {"JPEG restart markers out of sequence", jpeg_build(0xC0, 1, 16, 16, 1, swapped, 1),
         PictureFormat::jpeg, false, 16, 16, 256, 1},
        {"JPEG restart marker missing",
         jpeg_build(0xC0, 1, 16, 16, 1, std::vector<uint8_t>(restarts.begin(), restarts.end() - 3),
                    1),
         PictureFormat::jpeg, false, 16, 16, 256, 1},
        {"JPEG restart marker too many", jpeg_build(0xC0, 1, 16, 16, 1, extra, 1),
         PictureFormat::jpeg, false, 16, 16, 256, 1},
        {"JPEG restart marker too many", jpeg_build(0xC0, 1, 16, 16, 1, extra, 1), PictureFormat::jpeg,
         false, 16, 16, 256, 1},
        {"JPEG interleaved restart markers in sequence", jpeg_build(0xC0, 3, 16, 16, 1, restarts, 1),
         PictureFormat::jpeg, true, 16, 16, 256, 1},
        {"JPEG with a second SOI", inserted(baseline, 2, {0xFF, 0xD8, 0, 2}), PictureFormat::jpeg,
         false, 0, 0, 0, 1},
        {"JPEG scan of no component", with_byte(jpeg_build(0xC0, 1, 16, 16, 1), 21, 0),
         PictureFormat::jpeg, false, 16, 16, 256, 1},
        // A bit for every 8 x 8 block: 16 blocks wide, as many high as the file has bytes.
        {"JPEG data just long enough for its size", jpeg_build(0xC0, 1, 128, uint16_t(8 * jpegBytes), 1),
         PictureFormat::jpeg, true, 128, 8 * jpegBytes, 128 * 8 * jpegBytes, 1},
        {"JPEG without EOI", std::vector<uint8_t>(baseline.begin(), baseline.end() - 2),
         PictureFormat::jpeg, false, 64, 48, 3072, 1},
        {"JPEG 65500 wide", jpeg_build(0xC0, 1, 65500, 16, 1, {0}, 0, 1100), PictureFormat::jpeg,
         true, 65500, 16, 65500 * 16, 1},
        {"JPEG 65501 wide", jpeg_build(0xC0, 1, 65501, 16, 1, {0}, 0, 1100), PictureFormat::jpeg,
         false, 0, 0, 0, 1},
        {"JPEG without a scan", jpeg_build(0xC0, 1, 16, 16, 0), PictureFormat::jpeg, false, 16, 16,
         256, 1},
        {"JPEG with two frames",
         inserted(baseline, 2, std::vector<uint8_t>(jpegFrame.begin(), jpegFrame.end())),
         PictureFormat::jpeg, false, 32, 16, 512, 1},
        {"GIF without a frame", gif_with_frames({}), PictureFormat::gif, false, 0, 0, 0, 1},
        {"GIF too short for its first frame", gif_with_frames({{4096, 4096}}), PictureFormat::gif,
         false, 4096, 4096, 4096 * 4096, 1},
        {"GIF frame 0 wide", gif_with_frames({{0, 5}}), PictureFormat::gif, false, 0, 5, 0, 1},
        // WebP, HEIC and AVIF: sizes, frames, orientation by EXIF (WebP) or irot/imir (HEIF).
        {"photo-320-lossless.webp", webp, PictureFormat::webp, true, 320, 240, 76800, 1},
        {"photo-320.webp (lossy)", file_bytes(picture_path("photo-320.webp")), PictureFormat::webp,
         true, 320, 240, 76800, 1},
        {"orientation6.webp (VP8X with EXIF)", file_bytes(picture_path("orientation6.webp")),
         PictureFormat::webp, true, 48, 32, 1536, 6},
        {"frames.webp", file_bytes(picture_path("frames.webp")), PictureFormat::webp, true, 37, 23,
         851, 1},
        {"WebP claiming 16384 x 16384", webp_of({{"VP8L", vp8l(16384, 16384)}}),
         PictureFormat::webp, false, 16384, 16384, 16384 * 16384, 1},
        {"WebP 5000 x 5000 is held whole", webp_of({{"VP8L", vp8l(5000, 5000)}}),
         PictureFormat::webp, true, 5000, 5000, 25000000, 1},
        {"WebP cut off", std::vector<uint8_t>(webp.begin(), webp.end() - 1), PictureFormat::webp,
         false, 0, 0, 0, 1},
        {"WebP of 4096 frames", webp_animation(64, 64, 4096), PictureFormat::webp, true, 64, 64,
         4096, 1},
        {"WebP of 4097 frames", webp_animation(64, 64, 4097), PictureFormat::webp, false, 0, 0, 0,
         1},
        {"WebP without an image", webp_of({{"VP8X", std::vector<uint8_t>(10, 0)}}),
         PictureFormat::webp, false, 0, 0, 0, 1},
        {"photo-320.heic", heic, PictureFormat::heic, true, 320, 240, 76800, 1},
        {"photo-320.avif", file_bytes(picture_path("photo-320.avif")), PictureFormat::avif, true,
         320, 240, 76800, 1},
        {"irot1.heic: a quarter turn anticlockwise; a grid of one 64 x 64 tile",
         file_bytes(picture_path("irot1.heic")), PictureFormat::heic, true, 48, 32, 4096, 8},
        {"imir0-irot2.avif: mirrored top to bottom, then a half turn",
         file_bytes(picture_path("imir0-irot2.avif")), PictureFormat::avif, true, 48, 32, 1536, 2},
        {"HEIC claiming 100000 x 100000", heif_with_size(heic, 100000, 100000), PictureFormat::heic,
         false, 100000, 100000, int64_t{100000} * 100000, 1},
        {"HEIC 4097 x 4096 is too large to hold whole", heif_with_size(heic, 4097, 4096),
         PictureFormat::heic, false, 4097, 4096, 4097 * 4096, 1},
        {"HEIC 4000 x 3000 is held whole", heif_with_size(heic, 4000, 3000), PictureFormat::heic,
         true, 4000, 3000, 12000000, 1},
        {"HEIC cut off in its picture data", std::vector<uint8_t>(heic.begin(), heic.end() - 1),
         PictureFormat::heic, false, 0, 0, 0, 1},
        {"HEIC whose last box runs to the end, cut off in its picture data",
         mdat_to_end(std::vector<uint8_t>(heic.begin(), heic.end() - 1)), PictureFormat::heic,
         false, 0, 0, 0, 1},
        {"imir1.heic: mirrored left to right", file_bytes(picture_path("imir1.heic")),
         PictureFormat::heic, true, 48, 32, 4096, 2},
        {"HEIC cut off in its boxes", std::vector<uint8_t>(heic.begin(), heic.begin() + 200),
         PictureFormat::heic, false, 0, 0, 0, 1},
        {"ftyp of another brand",
         std::vector<uint8_t>{0, 0, 0, 16, 'f', 't', 'y', 'p', 'i', 's', 'o', 'm', 0, 0, 0, 0},
         PictureFormat::unknown, false, 0, 0, 0, 1},
        {"BMP is not ours", bmp, PictureFormat::bmp, false, 0, 0, 0, 1},
        {"PNG signature only",
         {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'},
         PictureFormat::png,
         false,
         0,
         0,
         0,
         1},
        {"GIF86a",
         {'G', 'I', 'F', '8', '6', 'a', 1, 0, 1, 0, 0, 0, 0},
         PictureFormat::unknown,
         false,
         0,
         0,
         0,
         1},
        {"empty", {}, PictureFormat::unknown, false, 0, 0, 0, 1},
    };
    for (const Case &c : cases) {
        ASSERT_FALSE(c.name.find('.') != std::string::npos && c.bytes.empty()) << c.name;
        const PictureProbe p = picture_probe(c.bytes.data(), c.bytes.size());
        EXPECT_EQ(p.format, c.format) << c.name;
        EXPECT_EQ(p.reason == nullptr, c.usable) << c.name << ": " << (p.reason ? p.reason : "");
        if (c.usable || c.mostPixels != 0) {
            EXPECT_EQ((std::vector<int64_t>{p.width, p.height, p.mostPixels, p.orientation}),
                      (std::vector<int64_t>{c.width, c.height, c.mostPixels, c.orientation}))
                << c.name;
        }
    }
}

// A 1-bit grey interlaced PNG claiming width x height, long enough for that claim.
std::vector<uint8_t> png_interlaced(uint32_t width, uint32_t height) {
    std::vector<uint8_t> b = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<uint8_t> ihdr(13, 0);
    for (int i = 0; i < 4; ++i) {
        ihdr[i] = uint8_t(width >> (24 - 8 * i));
        ihdr[4 + i] = uint8_t(height >> (24 - 8 * i));
    }
    ihdr[8] = 1;  // depth
    ihdr[12] = 1; // Adam7
    for (const auto &c : {png_chunk("IHDR", ihdr), png_chunk("paDd", std::vector<uint8_t>(4000)),
                          png_chunk("IDAT", {}), png_chunk("IEND", {})})
        b.insert(b.end(), c.begin(), c.end());
    return b;
}

// What the probe says of each shape a decoder must hold whole, and its budget on either side.
TEST(PictureProbe, ShapesAndTheirBudgets) {
    struct Case {
        std::string name;
        std::vector<uint8_t> bytes;
        bool usable, tooLarge, interlaced, multiScan;
        int64_t scans, frames, bitsPerPixel, heldBytes;
    };
    std::vector<uint8_t> sequential = jpeg_build(0xC0, 3, 16, 16, 0);
    for (uint8_t i = 1; i <= 3; ++i)
        sequential = inserted(sequential, sequential.size() - 2, {0xFF, 0xDA, 0, 8, 1, i, 0, 0, 63, 0, 0});
    std::vector<uint8_t> interleavedFirst = jpeg_build(0xC0, 3, 16, 16, 1);
    interleavedFirst = inserted(interleavedFirst, interleavedFirst.size() - 2,
                                {0xFF, 0xDA, 0, 8, 1, 1, 0, 0, 63, 0, 0});
    const std::vector<Case> cases = {
        {"rgb8.png", file_bytes(picture_path("rgb8.png")), true, false, false, false, 0, 0, 24, 0},
        {"rgba8-interlaced.png", file_bytes(picture_path("rgba8-interlaced.png")), true, false, true,
         false, 0, 0, 32, 37 * 23 * 4},
        {"grey16-interlaced.png", file_bytes(picture_path("grey16-interlaced.png")), true, false, true,
         false, 0, 0, 16, 37 * 23 * 4},
        {"interlaced PNG 6144 x 4096 at the budget", png_interlaced(6144, 4096), true, false, true,
         false, 0, 0, 1, int64_t{96} << 20},
        {"interlaced PNG 6145 x 4096", png_interlaced(6145, 4096), false, true, true, false, 0, 0, 1,
         int64_t{6145} * 4096 * 4},
        {"baseline.jpg", file_bytes(picture_path("baseline.jpg")), true, false, false, false, 1, 0, 24, 0},
        {"grey.jpg", file_bytes(picture_path("grey.jpg")), true, false, false, false, 1, 0, 8, 0},
        // 4:4:4 in 8 x 6 MCUs: 48 blocks for each component.
        {"progressive.jpg", file_bytes(picture_path("progressive.jpg")), true, false, false, true, 10,
         0, 24, 3 * 48 * 128},
        {"progressive 8192 x 6144 grey at the budget", jpeg_build(0xC2, 1, 8192, 6144, 1, {0}, 0, 50000),
         true, false, false, true, 1, 0, 8, int64_t{96} << 20},
        {"progressive 8192 x 6152 grey", jpeg_build(0xC2, 1, 8192, 6152, 1, {0}, 0, 50000), false,
         true, false, true, 1, 0, 8, int64_t{1024} * 769 * 128},
        {"sequential, a scan per component", sequential, true, false, false, true, 3, 0, 24, 12 * 128},
        // Only the first scan tells whether the coefficients are held.
        {"sequential, a component again after the first scan", interleavedFirst, true, false, false,
         false, 2, 0, 24, 0},
        // Scans times blocks: 128 scans of 512 x 512 blocks are the most.
        {"128 scans of 4096 x 4096", jpeg_build(0xC2, 1, 4096, 4096, 128, {0}, 0, 16384), true,
         false, false, true, 128, 0, 8, int64_t{512} * 512 * 128},
        {"129 scans of 4096 x 4096", jpeg_build(0xC2, 1, 4096, 4096, 129, {0}, 0, 16384), false,
         true, false, true, 129, 0, 8, 0},
        {"500 scans", jpeg_build(0xC2, 1, 8, 8, 500), true, false, false, true, 500, 0, 8, 128},
        {"501 scans", jpeg_build(0xC2, 1, 8, 8, 501), false, true, false, true, 501, 0, 8, 0},
        {"plain.gif", file_bytes(picture_path("plain.gif")), true, false, false, false, 0, 1, 8, 851},
        {"interlaced.gif: its frame twice", file_bytes(picture_path("interlaced.gif")), true, false,
         true, false, 0, 1, 8, 2 * 851},
        {"frames.gif", file_bytes(picture_path("frames.gif")), true, false, false, false, 0, 2, 8,
         851 + 47 * 29},
        {"GIF frames at the budget together", gif_with_frames({{4096, 2}, {8192, 12287}}), true, false,
         false, false, 0, 2, 8, int64_t{96} << 20},
        {"GIF frames over the budget together", gif_with_frames({{4097, 2}, {8192, 12287}}), false,
         true, false, false, 0, 2, 8, (int64_t{96} << 20) + 2},
    };
    for (const Case &c : cases) {
        ASSERT_FALSE(c.bytes.empty()) << c.name;
        const PictureProbe p = picture_probe(c.bytes.data(), c.bytes.size());
        EXPECT_EQ(p.reason == nullptr, c.usable) << c.name << ": " << (p.reason ? p.reason : "");
        EXPECT_EQ(p.tooLarge, p.limit != PictureLimit::none) << c.name;
        EXPECT_EQ((std::vector<int64_t>{p.tooLarge, p.interlaced, p.multiScan, p.scans, p.frames,
                                        p.bitsPerPixel, int64_t(p.heldBytes)}),
                  (std::vector<int64_t>{c.tooLarge, c.interlaced, c.multiScan, c.scans, c.frames,
                                        c.bitsPerPixel, c.heldBytes}))
            << c.name;
    }
}

TEST(PictureProbe, NeverReadsOutsideACutFile) {
    for (const char *name :
         {"rgb8.png", "frames.gif", "interlaced.gif", "orientation2.jpg", "progressive.jpg",
          "cmyk.jpg", "orientation6.webp", "frames.webp", "irot1.heic", "imir0-irot2.avif"}) {
        const std::vector<uint8_t> whole = file_bytes(picture_path(name));
        ASSERT_FALSE(whole.empty()) << name;
        // Every cut up to well past the headers (all of a HEIF's boxes), against a page that
        // must not be touched.
        for (size_t cut = 0; cut < std::min<size_t>(whole.size(), 1000); ++cut) {
            std::vector<uint8_t> part(whole.begin(), whole.begin() + cut);
            GuardedBytes bytes(part, GuardSide::after);
            picture_probe(bytes.data(), bytes.size());
        }
    }
}

std::vector<uint8_t> tiff(bool bigEndian, std::vector<std::vector<uint32_t>> entries) {
    auto u16 = [&](std::vector<uint8_t> &b, uint32_t v) {
        if (bigEndian)
            b.insert(b.end(), {uint8_t(v >> 8), uint8_t(v)});
        else
            b.insert(b.end(), {uint8_t(v), uint8_t(v >> 8)});
    };
    auto u32 = [&](std::vector<uint8_t> &b, uint32_t v) {
        if (bigEndian) {
            u16(b, v >> 16);
            u16(b, v & 0xFFFF);
        } else {
            u16(b, v & 0xFFFF);
            u16(b, v >> 16);
        }
    };
    std::vector<uint8_t> b;
    b.push_back(bigEndian ? 'M' : 'I');
    b.push_back(bigEndian ? 'M' : 'I');
    u16(b, 42);
    u32(b, 8);
    u16(b, uint32_t(entries.size()));
    for (const auto &e : entries) { // tag, type, count, value (a SHORT sits in the first half)
        u16(b, e[0]);
        u16(b, e[1]);
        u32(b, e[2]);
        u16(b, e[3]);
        u16(b, 0);
    }
    u32(b, 0);
    return b;
}

TEST(ExifOrientation, TagOfTheFirstDirectory) {
    struct Case {
        const char *name;
        std::vector<uint8_t> bytes;
        int orientation;
    };
    std::vector<uint8_t> badMagic = tiff(false, {{0x0112, 3, 1, 6}});
    badMagic[2] = 43;
    std::vector<uint8_t> farOffset = tiff(false, {{0x0112, 3, 1, 6}});
    farOffset[4] = 200;
    std::vector<uint8_t> cutEntry = tiff(true, {{0x0112, 3, 1, 6}});
    cutEntry.resize(10 + 8);
    const std::vector<Case> cases = {
        {"little-endian 6", tiff(false, {{0x0112, 3, 1, 6}}), 6},
        {"big-endian 8", tiff(true, {{0x0112, 3, 1, 8}}), 8},
        {"after other tags", tiff(true, {{0x010F, 2, 4, 0}, {0x0110, 2, 4, 0}, {0x0112, 3, 1, 3}}), 3},
        {"every value", tiff(false, {{0x0112, 3, 1, 5}}), 5},
        {"0 is no orientation", tiff(false, {{0x0112, 3, 1, 0}}), 1},
        {"9 is no orientation", tiff(false, {{0x0112, 3, 1, 9}}), 1},
        {"LONG instead of SHORT", tiff(false, {{0x0112, 4, 1, 6}}), 1},
        {"two values", tiff(false, {{0x0112, 3, 2, 6}}), 1},
        {"no orientation tag", tiff(false, {{0x010F, 2, 4, 0}}), 1},
        {"not 42", badMagic, 1},
        {"directory past the end", farOffset, 1},
        {"entry cut off", cutEntry, 1},
        {"not TIFF", {'X', 'X', 42, 0, 8, 0, 0, 0}, 1},
        {"too short", {'I', 'I', 42}, 1},
    };
    for (const Case &c : cases) {
        GuardedBytes bytes(c.bytes, GuardSide::after);
        EXPECT_EQ(exif_orientation(bytes.data(), bytes.size()), c.orientation) << c.name;
    }
}

TEST(PictureRules, TransparencyOverWhite) {
    struct Case {
        int c, a, want;
    };
    const Case cases[] = {
        {0, 0, 255}, {123, 0, 255}, {0, 255, 0}, {200, 255, 200}, {0, 128, 127},
        {255, 128, 255}, {100, 1, 254}, {100, 254, 101}, {10, 100, 159},
    };
    for (const Case &c : cases)
        EXPECT_EQ(alpha_over_white(uint8_t(c.c), uint8_t(c.a)), c.want) << c.c << " at alpha " << c.a;
}

TEST(PictureRules, StoredSizeKeepsTheAspectWithinTheSurface) {
    struct Case {
        int64_t width, height;
        int32_t want_width, want_height;
    };
    const Case cases[] = {
        {2048, 1536, 2048, 1536}, {37, 23, 37, 23},      {4000, 3000, 2048, 1536},
        {3000, 4000, 1152, 1536}, {2049, 1, 2048, 1},    {1, 1537, 1, 1536},
        {2048, 1537, 2046, 1536}, {2560, 1600, 2048, 1280}, {100000, 10, 2048, 1},
        {10, 100000, 1, 1536},    {4096, 3072, 2048, 1536}, {3072, 2048, 2048, 1365},
        {1, 1, 1, 1},
    };
    for (const Case &c : cases) {
        const PictureSize s = picture_fit_size(c.width, c.height, 2048, 1536);
        EXPECT_EQ((std::vector<int32_t>{s.width, s.height}),
                  (std::vector<int32_t>{c.want_width, c.want_height}))
            << c.width << " x " << c.height;
    }
}

// A picture as stored, RGBA, and where each stored pixel is shown for an orientation.
struct Stored {
    int32_t width, height;
    std::vector<uint8_t> rgba;
};

void shown_at(int orientation, int32_t x, int32_t y, int32_t w, int32_t h, int32_t &sx, int32_t &sy) {
    switch (orientation) { // the EXIF definitions, written out independently of the code
    case 2: sx = w - 1 - x; sy = y; break;
    case 3: sx = w - 1 - x; sy = h - 1 - y; break;
    case 4: sx = x; sy = h - 1 - y; break;
    case 5: sx = y; sy = x; break;
    case 6: sx = h - 1 - y; sy = x; break;
    case 7: sx = h - 1 - y; sy = w - 1 - x; break;
    case 8: sx = y; sy = w - 1 - x; break;
    default: sx = x; sy = y; break;
    }
}

TEST(PictureSink, SameAsTurningThenScalingWithThePreviewScaler) {
    std::mt19937 random(7);
    struct Case {
        int32_t width, height, maxWidth, maxHeight;
    };
    const Case cases[] = {
        {301, 77, 64, 48}, {77, 301, 64, 48}, {64, 48, 64, 48}, {65, 48, 64, 48},
        {64, 49, 64, 48},  {1, 500, 64, 48},  {500, 1, 64, 48}, {397, 213, 111, 53},
        {130, 97, 64, 48}, {3, 3, 2, 2},
    };
    for (const Case &c : cases)
        for (int orientation = 1; orientation <= 8; ++orientation) {
            Stored in{c.width, c.height, {}};
            for (int32_t i = 0; i < c.width * c.height * 4; ++i)
                in.rgba.push_back(uint8_t(random() % 256));
            const bool turned = orientation >= 5;
            const int32_t shownW = turned ? c.height : c.width, shownH = turned ? c.width : c.height;

            // Reference: lay over white, turn, then the previews' scaler.
            OwnedSurface shown(shownW, shownH);
            for (int32_t y = 0; y < c.height; ++y)
                for (int32_t x = 0; x < c.width; ++x) {
                    const uint8_t *p = &in.rgba[(size_t(y) * c.width + x) * 4];
                    int32_t sx, sy;
                    shown_at(orientation, x, y, c.width, c.height, sx, sy);
                    uint8_t *q = shown.surface.bits + sy * shown.surface.stride + sx * 3;
                    q[0] = alpha_over_white(p[2], p[3]);
                    q[1] = alpha_over_white(p[1], p[3]);
                    q[2] = alpha_over_white(p[0], p[3]);
                }
            const PictureSize size = picture_fit_size(shownW, shownH, c.maxWidth, c.maxHeight);
            OwnedSurface want(c.maxWidth, c.maxHeight);
            surface_scale(shown.surface, shownW, shownH, want.surface, 0, 0, size.width, size.height);

            OwnedSurface got(c.maxWidth, c.maxHeight);
            PictureSink sink;
            picture_sink_begin(sink, c.width, c.height, orientation, size, got.surface);
            for (int32_t y = 0; y < c.height; ++y)
                picture_sink_row(sink, &in.rgba[size_t(y) * c.width * 4], PixelOrder::rgba);
            EXPECT_TRUE(picture_sink_complete(sink));
            const std::string diff = pixels_compare(surface_pixels(got.surface, size.width, size.height),
                                                    surface_pixels(want.surface, size.width, size.height));
            EXPECT_EQ(diff, "") << c.width << " x " << c.height << " into " << c.maxWidth << " x "
                                << c.maxHeight << ", orientation " << orientation;
        }
}

TEST(PictureSink, PixelOrdersAndExtraRows) {
    // Two pixels, the first half transparent, in each order; rows past the height are ignored.
    const uint8_t rgba[8] = {200, 100, 0, 128, 1, 2, 3, 255}, bgra[8] = {0, 100, 200, 128, 3, 2, 1, 255},
                  rgb[6] = {200, 100, 0, 1, 2, 3}, bgr[6] = {0, 100, 200, 3, 2, 1};
    const Rgb over{alpha_over_white(200, 128), alpha_over_white(100, 128), alpha_over_white(0, 128)};
    const Rgb plain{200, 100, 0}, second{1, 2, 3};
    struct Case {
        const uint8_t *pixels;
        PixelOrder order;
        Rgb want;
    };
    const Case cases[] = {{rgba, PixelOrder::rgba, over}, {bgra, PixelOrder::bgra, over},
                          {rgb, PixelOrder::rgb, plain}, {bgr, PixelOrder::bgr, plain}};
    for (const Case &c : cases) {
        OwnedSurface dst(2, 2);
        PictureSink sink;
        picture_sink_begin(sink, 2, 1, 1, PictureSize{2, 1}, dst.surface);
        EXPECT_FALSE(picture_sink_complete(sink));
        picture_sink_row(sink, c.pixels, c.order);
        picture_sink_row(sink, c.pixels, c.order);
        EXPECT_TRUE(picture_sink_complete(sink));
        EXPECT_EQ(pixel_at(dst.surface, 0, 0), c.want) << int(c.order);
        EXPECT_EQ(pixel_at(dst.surface, 1, 0), second) << int(c.order);
        EXPECT_EQ(pixel_at(dst.surface, 0, 1), (Rgb{0xA5, 0xA5, 0xA5})) << "a row past the picture";
    }
}

} // namespace
