#include "core/conversion/trace.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

// A length in pixels as samples of `pixels` each, rounded.
int32_t samples_of(double length, double pixels) {
    return static_cast<int32_t>(std::lround(length / (pixels > 0 ? pixels : 1)));
}

} // namespace

void trace_edges(const uint8_t *luma, int32_t width, int32_t height, std::vector<uint8_t> &edges,
                 TraceScale scale) {
    const size_t n = size_t(std::max(width, 0)) * size_t(std::max(height, 0));
    edges.assign(n, 0);
    if (width < 3 || height < 3)
        return;
    auto at = [&](const std::vector<int32_t> &v, int32_t x, int32_t y) {
        return v[size_t(std::clamp(y, 0, height - 1)) * width + std::clamp(x, 0, width - 1)];
    };
    // [1 2 1] smoothing both ways, edges repeated; sixteen times the luminance.
    std::vector<int32_t> raw(luma, luma + n), across(n), smooth(n);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
            across[size_t(y) * width + x] = at(raw, x - 1, y) + 2 * at(raw, x, y) + at(raw, x + 1, y);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x)
            smooth[size_t(y) * width + x] =
                at(across, x, y - 1) + 2 * at(across, x, y) + at(across, x, y + 1);
    // Sobel gradients: eight times the change per sample, on the sixteen-fold scale.
    std::vector<int32_t> gx(n), gy(n), magnitude(n);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x) {
            const size_t i = size_t(y) * width + x;
            gx[i] = at(smooth, x + 1, y - 1) + 2 * at(smooth, x + 1, y) + at(smooth, x + 1, y + 1) -
                    at(smooth, x - 1, y - 1) - 2 * at(smooth, x - 1, y) - at(smooth, x - 1, y + 1);
            gy[i] = at(smooth, x - 1, y + 1) + 2 * at(smooth, x, y + 1) + at(smooth, x + 1, y + 1) -
                    at(smooth, x - 1, y - 1) - 2 * at(smooth, x, y - 1) - at(smooth, x + 1, y - 1);
            magnitude[i] = (std::abs(gx[i]) + std::abs(gy[i])) / (8 * 16);
        }
    // Thinned across the edge: a sample stays only where it is the largest of its neighbours
    // along the gradient (one of four directions). 0 no edge, 1 weak, 2 strong; into: the way
    // to the edge's dark side.
    std::vector<uint8_t> kind(n, 0);
    std::vector<int8_t> intoX(n, 0), intoY(n, 0);
    for (int32_t y = 1; y + 1 < height; ++y)
        for (int32_t x = 1; x + 1 < width; ++x) {
            const size_t i = size_t(y) * width + x;
            const int32_t m = magnitude[i];
            if (m < traceWeak)
                continue;
            const int32_t ax = std::abs(gx[i]), ay = std::abs(gy[i]);
            int32_t dx, dy;
            // tan(22.5°) ~ 0.4142 ~ 53 / 128
            if (ay * 128 <= ax * 53)
                dx = 1, dy = 0;
            else if (ax * 128 <= ay * 53)
                dx = 0, dy = 1;
            else
                dx = 1, dy = (gx[i] > 0) == (gy[i] > 0) ? 1 : -1;
            const int32_t before = magnitude[size_t(y - dy) * width + (x - dx)];
            const int32_t after = magnitude[size_t(y + dy) * width + (x + dx)];
            if (m >= before && m > after) {
                kind[i] = m >= traceStrong ? 2 : 1;
                // The gradient points to the light side.
                const bool flip = dx * gx[i] + dy * gy[i] > 0;
                intoX[i] = static_cast<int8_t>(flip ? -dx : dx);
                intoY[i] = static_cast<int8_t>(flip ? -dy : dy);
            }
        }
    // Hysteresis: every weak sample joined to a strong one through other edge samples.
    std::vector<uint8_t> kept(n, 0);
    std::vector<size_t> stack;
    for (size_t i = 0; i < n; ++i)
        if (kind[i] == 2) {
            kept[i] = 1;
            stack.push_back(i);
        }
    while (!stack.empty()) {
        const size_t i = stack.back();
        stack.pop_back();
        const int32_t x = int32_t(i % size_t(width)), y = int32_t(i / size_t(width));
        for (int32_t dy = -1; dy <= 1; ++dy)
            for (int32_t dx = -1; dx <= 1; ++dx) {
                const int32_t nx = x + dx, ny = y + dy;
                if (nx < 0 || ny < 0 || nx >= width || ny >= height)
                    continue;
                const size_t j = size_t(ny) * width + nx;
                if (kind[j] != 0 && kept[j] == 0) {
                    kept[j] = 1;
                    stack.push_back(j);
                }
            }
    }
    // The line is drawn on the edge's dark side, from the first sample past the step's middle
    // on, inset a little and thickened further in: a drawn line then stands inside the shape it
    // outlines, as a tracer draws it, instead of astride its border, and the two edges of a
    // narrow stroke meet in one line.
    const int32_t insetX = samples_of(traceInsetAcross, scale.x),
                  insetY = samples_of(traceInsetDown, scale.y);
    const int32_t thickX = samples_of(traceThickAcross, scale.x),
                  thickY = samples_of(traceThickDown, scale.y);
    auto mark = [&](int32_t x, int32_t y) {
        if (x >= 0 && y >= 0 && x < width && y < height)
            edges[size_t(y) * width + x] = 255;
    };
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x) {
            const size_t i = size_t(y) * width + x;
            if (!kept[i])
                continue;
            const int32_t dx = intoX[i], dy = intoY[i];
            const int32_t hi = at(smooth, x - 2 * dx, y - 2 * dy),
                          lo = at(smooth, x + 2 * dx, y + 2 * dy);
            int32_t k = -1;
            while (k < 2 && at(smooth, x + k * dx, y + k * dy) > (hi + lo) / 2)
                ++k;
            const int32_t ox = x + dx * (k + insetX), oy = y + dy * (k + insetY);
            const int32_t thick = dy == 0 ? thickX : dx == 0 ? thickY : std::min(thickX, thickY);
            for (int32_t t = 0; t <= thick; ++t)
                mark(ox + dx * t, oy + dy * t);
        }
}
