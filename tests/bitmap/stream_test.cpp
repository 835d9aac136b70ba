// Loading makes the reduced copy while the rows are decoded, and keeps a picture too wide for
// the source surface's previews as that copy alone: the copy and the previews must be exactly
// what the previews' scaler makes from the whole decoded picture, in every row order.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "bmp_build.h"
#include "core/reading/bitmap.h"
#include "core/conversion/geometry.h"
#include "core/conversion/settings.h"
#include "core/conversion/surface.h"
#include "window/document_state.h"

namespace {

// Noise that changes with every pixel, so a row taken from the wrong place shows.
uint8_t noise(int32_t x, int32_t y, int channel) {
    uint32_t v = uint32_t(x) * 2654435761u ^ uint32_t(y) * 40503u ^ uint32_t(channel) * 977u;
    v ^= v >> 13;
    return uint8_t(v * 2246822519u >> 24);
}

// A 24-bit or 8-bit picture of noise; RLE8 when asked (runs of two and literals).
std::vector<uint8_t> picture(int32_t width, int32_t height, int kind) {
    BmpSpec s;
    s.width = width;
    s.height = kind == 1 ? -height : height; // kind 1: rows stored top first
    if (kind <= 1) {
        std::vector<std::vector<uint8_t>> rows;
        rows.resize(static_cast<size_t>(height));
        for (int32_t y = 0; y < height; ++y)
            for (int32_t x = 0; x < width; ++x)
                for (int c = 2; c >= 0; --c)
                    rows[size_t(y)].push_back(noise(x, y, c));
        s.pixels = bmp_rows(rows, kind == 1);
        return bmp_build(s);
    }
    s.bpp = 8;
    for (int i = 0; i < 256; ++i)
        s.palette.push_back(uint32_t(noise(i, 0, 0)) << 16 | uint32_t(noise(i, 1, 1)) << 8 | noise(i, 2, 2));
    s.compression = 1;
    for (int32_t stored = 0; stored < height; ++stored) {
        const int32_t y = height - 1 - stored;
        for (int32_t x = 0; x < width;) {
            if (noise(x, y, 3) < 96 && x + 2 <= width) { // a run of two
                s.pixels.insert(s.pixels.end(), {2, noise(x, y, 0)});
                x += 2;
            } else { // a literal of three (or a run of one at the end)
                const int32_t n = std::min(3, width - x);
                if (n < 3) {
                    s.pixels.insert(s.pixels.end(), {uint8_t(n), noise(x, y, 0)});
                } else {
                    s.pixels.insert(s.pixels.end(), {0, 3, noise(x, y, 0), noise(x + 1, y, 0),
                                                     noise(x + 2, y, 0), 0});
                }
                x += n;
            }
        }
        s.pixels.insert(s.pixels.end(), {0, uint8_t(stored + 1 < height ? 0 : 1)});
    }
    return bmp_build(s);
}

class Stream : public ::testing::Test {
  protected:
    void SetUp() override {
        surfaces_create(conversion);
        settings_defaults(settings);
        map_geometry_clear(conversion);
    }
    void TearDown() override { surfaces_release(conversion); }
};

std::string first_difference(const Surface &got, const Surface &want, int32_t width, int32_t height) {
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
            if (surface_get(got, x, y) != surface_get(want, x, y)) {
                char text[64];
                std::snprintf(text, sizeof text, "first difference at (%d, %d)", x, y);
                return text;
            }
    return "";
}

TEST_F(Stream, ReducedCopyAndPreviewsAsFromTheWholePicture) {
    struct Case {
        int32_t width, height;
    } const sizes[] = {{900, 31}, {601, 1536}, {2048, 700}, {600, 97}, {37, 20}, {1500, 2},
                       // One reduced row reading every row of a wide picture: the ring holds them all.
                       {700, 5}, {1000, 4}};
    for (const Case &c : sizes)
        for (int kind = 0; kind < 3; ++kind) {
            const std::string name = std::to_string(c.width) + " x " + std::to_string(c.height) +
                                     (kind == 0 ? " bottom up" : kind == 1 ? " top down" : " RLE8");
            const std::vector<uint8_t> file = picture(c.width, c.height, kind);
            // The whole picture decoded at once, and what the scaler makes of it.
            Surface whole{canvasWidth, canvasHeight, surface_stride(canvasWidth), nullptr};
            std::vector<uint8_t> wholeBits(size_t(whole.stride) * canvasHeight, 255);
            whole.bits = wholeBits.data();
            ASSERT_TRUE(bmp_decode(file.data(), file.size(), &whole).ok) << name;
            std::vector<uint8_t> wantBits(size_t(reducedCopy.stride) * reducedCopy.height, 255);
            Surface want{reducedCopy.width, reducedCopy.height, reducedCopy.stride, wantBits.data()};
            surface_scale(whole, c.width, c.height, want, 0, 0, c.width / 3, c.height / 3);

            settings.Mojisu = 100;
            const LoadResult r =
                bitmap_load_memory(conversion, file.data(), file.size(), 1280, 1024);
            ASSERT_EQ(r.outcome, LoadOutcome::loaded) << name << ": " << r.message.text;
            EXPECT_EQ(first_difference(reducedCopy, want, c.width / 3, c.height / 3), "") << name;
            if (map_geometry_reads_source(c.width)) {
                EXPECT_EQ(first_difference(sourceSurface, whole, c.width, c.height), "") << name;
            }

            // The previews an update draws are those of the whole picture.
            ASSERT_EQ(map_geometry_fit(conversion), FitResult::fitted) << name;
            std::vector<uint8_t> shownBits(size_t(canvas.stride) * canvas.height, 255);
            Surface shown{canvas.width, canvas.height, canvas.stride, shownBits.data()};
            const bool fromSource = map_geometry_reads_source(c.width);
            surface_scale(fromSource ? whole : want, fromSource ? c.width : c.width / 3,
                          fromSource ? c.height : c.height / 3, shown, 15, mapY, mapCols, mapRows);
            for (int32_t y = 0; y < mapRows; ++y)
                for (int32_t x = 0; x < mapCols; ++x)
                    ASSERT_EQ(surface_get(canvas, 15 + x, mapY + y), surface_get(shown, 15 + x, mapY + y))
                        << name << ": squeezed preview at " << x << ", " << y;
        }
}

TEST_F(Stream, RefusedWidePictureLeavesTheLoadedOneAndItsPreviews) {
    const std::vector<uint8_t> first = picture(900, 60, 0);
    ASSERT_EQ(bitmap_load_memory(conversion, first.data(), first.size(), 1280, 1024).outcome,
              LoadOutcome::loaded);
    ASSERT_EQ(map_geometry_update(conversion), 1);
    const std::vector<uint8_t> reducedBefore(reducedCopy.bits, reducedCopy.bits + size_t(reducedCopy.stride) * 20);
    std::vector<uint8_t> canvasBefore(canvas.bits, canvas.bits + size_t(canvas.stride) * 200);

    for (int kind = 0; kind < 3; ++kind) {
        std::vector<uint8_t> second = picture(1200, 90, kind);
        second.resize(second.size() * 2 / 3); // its last rows are missing
        const LoadResult r =
            bitmap_load_memory(conversion, second.data(), second.size(), 1280, 1024);
        EXPECT_EQ(r.outcome, LoadOutcome::refused) << kind;
        EXPECT_EQ((std::vector<int32_t>{bmpWidth, bmpHeight}), (std::vector<int32_t>{900, 60}));
        EXPECT_TRUE(std::equal(reducedBefore.begin(), reducedBefore.end(), reducedCopy.bits)) << kind;
        ASSERT_EQ(map_geometry_update(conversion), 1);
        EXPECT_TRUE(std::equal(canvasBefore.begin(), canvasBefore.end(), canvas.bits))
            << kind << ": the previews changed";
    }
}

} // namespace
