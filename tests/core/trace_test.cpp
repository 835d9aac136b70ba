#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/conversion/trace.h"

namespace {

// A raster of `width` columns: left of `step` the `left` luminance, from it on `right`, less
// `fade` on each row down.
std::vector<uint8_t> raster_step(int32_t width, int32_t height, int32_t step, int32_t left,
                                 int32_t right, int32_t fade) {
    std::vector<uint8_t> r(size_t(width) * height);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
            r[size_t(y) * width + x] = uint8_t(x < step ? left : right - fade * y);
    return r;
}

std::string picture_of(const std::vector<uint8_t> &edges, int32_t width) {
    std::string out;
    for (size_t i = 0; i < edges.size(); ++i)
        out += std::string(edges[i] ? "#" : ".") + ((i + 1) % width == 0 ? "\n" : "");
    return out;
}

} // namespace

// Each inner row's count of edge samples, and where they are.
TEST(Trace, EdgesAreThinLinesWhereTheBrightnessSteps) {
    const struct {
        const char *name;
        std::vector<uint8_t> raster;
        int32_t perRow; // edge samples on each inner row
    } cases[] = {
        {"flat", raster_step(16, 12, 8, 128, 128, 0), 0},
        {"grain below the weak threshold", raster_step(16, 12, 8, 128, 140, 0), 0},
        {"a strong step", raster_step(16, 12, 8, 0, 255, 0), 1},
        // A weak step that continues a strong one is kept; on its own it draws nothing.
        {"a step fading out", raster_step(16, 12, 8, 0, 255, 18), 1},
        {"a weak step alone", raster_step(16, 12, 8, 0, 60, 0), 0},
    };
    for (const auto &c : cases) {
        std::vector<uint8_t> edges;
        trace_edges(c.raster.data(), 16, 12, edges);
        for (int32_t y = 2; y < 10; ++y) {
            int32_t count = 0, at = -1;
            for (int32_t x = 0; x < 16; ++x)
                if (edges[size_t(y) * 16 + x] != 0)
                    ++count, at = x;
            EXPECT_EQ(count, c.perRow) << c.name << ", row " << y << "\n"
                                       << picture_of(edges, 16);
            if (c.perRow == 1) {
                EXPECT_LE(std::abs(at - 8), 1) << c.name << "\n" << picture_of(edges, 16);
            }
        }
    }
    std::vector<uint8_t> edges(5, 1);
    trace_edges(nullptr, 2, 2, edges);
    EXPECT_EQ(edges, std::vector<uint8_t>(4, 0));
}
