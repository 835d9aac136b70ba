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

// Each inner row's count of edge samples, and where they are: a run on the step's dark side,
// inset from its middle (between samples 7 and 8) and as thick as the scale makes the line.
TEST(Trace, EdgesAreLinesOnTheDarkSideOfWhereTheBrightnessSteps) {
    const struct {
        const char *name;
        std::vector<uint8_t> raster;
        TraceScale scale;
        int32_t perRow; // edge samples on each inner row
        int32_t first;  // the first of them, from the left
    } cases[] = {
        {"flat", raster_step(16, 12, 8, 128, 128, 0), {1, 1}, 0, 0},
        {"grain below the weak threshold", raster_step(16, 12, 8, 128, 140, 0), {1, 1}, 0, 0},
        // Inset 2 and 2 thick past the first dark sample, 7.
        {"a strong step", raster_step(16, 12, 8, 0, 255, 0), {1, 1}, 3, 3},
        {"a strong step, dark on the right", raster_step(16, 12, 8, 255, 0, 0), {1, 1}, 3, 10},
        {"in samples of 2 pixels", raster_step(16, 12, 8, 0, 255, 0), {2, 2}, 2, 5},
        // A weak step that continues a strong one is kept; on its own it draws nothing.
        {"a step fading out", raster_step(16, 12, 8, 0, 255, 18), {1, 1}, 3, 3},
        {"a weak step alone", raster_step(16, 12, 8, 0, 60, 0), {1, 1}, 0, 0},
    };
    for (const auto &c : cases) {
        std::vector<uint8_t> edges;
        trace_edges(c.raster.data(), 16, 12, edges, c.scale);
        for (int32_t y = 2; y < 10; ++y) {
            int32_t count = 0, first = -1;
            for (int32_t x = 0; x < 16; ++x)
                if (edges[size_t(y) * 16 + x] != 0)
                    first = count++ == 0 ? x : first;
            EXPECT_EQ(count, c.perRow) << c.name << ", row " << y << "\n"
                                       << picture_of(edges, 16);
            if (c.perRow > 0) {
                EXPECT_EQ(first, c.first) << c.name << "\n" << picture_of(edges, 16);
            }
        }
    }
    std::vector<uint8_t> edges(5, 1);
    trace_edges(nullptr, 2, 2, edges, TraceScale{});
    EXPECT_EQ(edges, std::vector<uint8_t>(4, 0));
}
