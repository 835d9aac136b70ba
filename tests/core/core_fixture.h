// Shared set-up for the core tests: fresh surfaces and defaults, and pictures that show a fault.
#pragma once
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "core/conversion/geometry.h"
#include "core/conversion/settings.h"
#include "core/conversion/surface.h"
#include "window/document_state.h"

class CoreTest : public ::testing::Test {
  protected:
    void SetUp() override {
        canvasChanged = nullptr;
        surfaces_release(conversion);
        surfaces_create(conversion);
        settings_defaults(settings);
        map_geometry_clear(conversion);
    }
};

// Deterministic noise, different in each channel so a swapped channel shows.
inline Rgb noise_at(int32_t x, int32_t y) {
    uint32_t h = (uint32_t(x) * 73856093u ^ uint32_t(y) * 19349663u) + 0x9E3779B9u; // (0, 0) not black
    h = (h ^ (h >> 13)) * 0x5bd1e995u;
    h ^= h >> 15;
    return Rgb{uint8_t(h), uint8_t(h >> 8), uint8_t(h >> 16)};
}

inline void noise_fill(Surface &s, int32_t width, int32_t height) {
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
            surface_set(s, x, y, noise_at(x, y));
}

// One character a pixel: '#' black, '.' white, 'r' pure red; other colours as "(r,g,b)".
inline std::string picture(const Surface &s, int32_t x0, int32_t y0, int32_t w, int32_t h) {
    std::string out;
    for (int32_t y = y0; y < y0 + h; ++y, out += '\n')
        for (int32_t x = x0; x < x0 + w; ++x) {
            const Rgb c = surface_get(s, x, y);
            out += c == Rgb{0, 0, 0}     ? "#"
                   : c == rgbWhite       ? "."
                   : c == Rgb{255, 0, 0} ? "r"
                                         : "(" + std::to_string(c.r) + "," + std::to_string(c.g) +
                                               "," + std::to_string(c.b) + ")";
        }
    return out;
}

// A small white surface of its own.
struct OwnedSurface {
    std::vector<uint8_t> memory;
    Surface s;
    OwnedSurface(int32_t width, int32_t height)
        : memory(size_t(surface_stride(width)) * height, 255), s{width, height,
                                                                 surface_stride(width),
                                                                 memory.data()} {}
};
