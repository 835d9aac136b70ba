#include "window/display.h"

#include <algorithm>
#include <cstdint>

int32_t windowDpi = baseDpi;

namespace {

int32_t saturate(int64_t v) {
    return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

// value * mul / div rounded as MulDiv rounds: halves away from zero. |value| < 2^33.
int64_t muldiv(int64_t value, int64_t mul, int64_t div) {
    const int64_t product = value * mul, half = div / 2;
    return product >= 0 ? (product + half) / div : -((-product + half) / div);
}

bool area_holds(const WorkArea &a, int64_t x, int64_t y) {
    return x >= a.left && x < a.right && y >= a.top && y < a.bottom;
}

// Squared distance from the point to the area's nearest pixel.
int64_t area_distance(const WorkArea &a, int64_t x, int64_t y) {
    const int64_t dx = x < a.left ? a.left - x : x >= a.right ? x - (int64_t{a.right} - 1) : 0;
    const int64_t dy = y < a.top ? a.top - y : y >= a.bottom ? y - (int64_t{a.bottom} - 1) : 0;
    // Each within 2^33: the sum stays within 64 bits.
    return dx * dx + dy * dy;
}

// The start along one axis: the corner inside [low, high), then back so size fits if it can.
int64_t axis_start(int64_t start, int64_t size, int64_t low, int64_t high) {
    start = std::clamp(start, low, std::max(low, high - 1));
    if (start + size > high)
        start = std::max(low, high - size);
    return start;
}

} // namespace

WindowRect window_rect_onscreen(const WindowRect &rect, const std::vector<WorkArea> &areas) {
    const int64_t x = rect.Left, y = rect.Top;
    const WorkArea *nearest = nullptr;
    int64_t best = INT64_MAX;
    for (const WorkArea &a : areas) {
        if (a.right <= a.left || a.bottom <= a.top)
            continue;
        if (area_holds(a, x, y))
            return rect;
        const int64_t d = area_distance(a, x, y);
        if (d < best) {
            best = d;
            nearest = &a;
        }
    }
    if (nearest == nullptr)
        return rect;
    const int64_t width = int64_t{rect.Right} - rect.Left;
    const int64_t height = int64_t{rect.Bottom} - rect.Top;
    const int64_t left = axis_start(x, std::max<int64_t>(width, 0), nearest->left, nearest->right);
    const int64_t top = axis_start(y, std::max<int64_t>(height, 0), nearest->top, nearest->bottom);
    return {saturate(left), saturate(top), saturate(left + width), saturate(top + height)};
}

int32_t dpi_scale(int32_t value, int32_t dpi) {
    if (dpi <= 0 || dpi == baseDpi)
        return value;
    return saturate(muldiv(value, dpi, baseDpi));
}

int32_t dpi_unscale(int32_t value, int32_t dpi) {
    if (dpi <= 0 || dpi == baseDpi)
        return value;
    return saturate(muldiv(value, baseDpi, dpi));
}

WindowRect rect_size_rescale(const WindowRect &rect, int32_t fromDpi, int32_t toDpi) {
    if (fromDpi <= 0 || toDpi <= 0 || fromDpi == toDpi)
        return rect;
    const int64_t width = muldiv(int64_t{rect.Right} - rect.Left, toDpi, fromDpi);
    const int64_t height = muldiv(int64_t{rect.Bottom} - rect.Top, toDpi, fromDpi);
    return {rect.Left, rect.Top, saturate(rect.Left + width), saturate(rect.Top + height)};
}

int toolbar_bitmap_for_dpi(int32_t dpi) {
    if (dpi >= 192)
        return 403;
    if (dpi >= 144)
        return 402;
    return 400;
}

int32_t toolbar_bitmap_dpi(int bitmapId) {
    switch (bitmapId) {
    case 403:
        return 192;
    case 402:
        return 144;
    default:
        return baseDpi;
    }
}

int dark_title_attribute(bool present, uint32_t lightValue, uint32_t build) {
    if (!present || lightValue != 0)
        return 0;
    if (build >= 18985)
        return 20;
    if (build >= 17763)
        return 19;
    return 0;
}
