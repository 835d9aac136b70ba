// Area-averaging scaler. Two separable passes with exact integer weights and no rounding in
// between, so the result equals the one-step formula in surface.h bit for bit. The row pass runs
// first: it is contiguous and vectorises, and it leaves the gathering column pass only the
// destination rows (a third of the source rows for the reduced copy).
#include "core/surface.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

// Larger sources draw nothing: this bound keeps a row pass sum within 32 bits (255 * 2^16)
// and the full sum within 64. Real sources are at most 2048 x 1536.
constexpr int32_t scaleSizeMax = 1 << 16;

// The source pixels one destination column (or row) covers and the weight of each. Every span
// of an axis has the same number of taps (short ones padded with weight 0), so the column pass
// runs a loop of constant length and its branches stay predictable.
struct Span {
    int32_t first;  // first tap in Axis::taps
    uint32_t white; // weight of the part lying outside the source surface (reads as 255)
};

struct Tap {
    int32_t index; // source index (a column's byte offset in the column pass)
    uint32_t weight;
};

struct Axis {
    std::vector<Span> spans;
    std::vector<Tap> taps;
    int32_t width = 0; // taps per span
};

// Spans of destination indices [v0, v1) when s source pixels map onto d destination pixels.
// On the common axis source i covers [i*d, (i+1)*d) and destination v covers [v*s, (v+1)*s).
// Source indices from limit on do not exist and count as white; stride scales the indices.
void axis_build(Axis &axis, int64_t s, int64_t d, int64_t v0, int64_t v1, int64_t limit,
                int32_t stride) {
    // A destination pixel spans at most ceil(s / d) + 1 source pixels.
    const int64_t most = std::min<int64_t>((s + d - 1) / d + 1, std::max<int64_t>(limit, 1));
    axis.width = static_cast<int32_t>(limit > 0 ? most : 0);
    axis.spans.reserve(static_cast<size_t>(v1 - v0));
    axis.taps.reserve(static_cast<size_t>((v1 - v0) * axis.width));
    for (int64_t v = v0; v < v1; ++v) {
        const int64_t lo = v * s, hi = lo + s;
        Span span{static_cast<int32_t>(axis.taps.size()), 0};
        int32_t used = 0;
        int32_t lastIndex = 0;
        for (int64_t i = lo / d; i * d < hi; ++i) {
            const auto w = static_cast<uint32_t>(std::min(hi, (i + 1) * d) - std::max(lo, i * d));
            if (i < limit) {
                lastIndex = static_cast<int32_t>(i) * stride;
                axis.taps.push_back(Tap{lastIndex, w});
                ++used;
            } else {
                span.white += w;
            }
        }
        for (; used < axis.width; ++used)
            axis.taps.push_back(Tap{lastIndex, 0});
        axis.spans.push_back(span);
    }
}

// Rounded division by the area of the source rectangle.
struct Divider {
    uint64_t area, half, m;
    bool reciprocal;
};

// Column pass over one row of row-pass sums: the full weighted sum of each destination pixel,
// rounded and divided by the area.
void column_pass(const uint32_t *sums, const Axis &cols, uint64_t whiteColumn, const Divider &div,
                 uint8_t *out) {
    const Tap *taps = cols.taps.data();
    const int32_t width = cols.width;
    for (const Span &span : cols.spans) {
        uint64_t c0 = span.white * whiteColumn + div.half, c1 = c0, c2 = c0;
        const Tap *t = taps + span.first;
        for (int32_t k = 0; k < width; ++k) {
            const uint32_t *v = sums + t[k].index;
            const uint64_t w = t[k].weight;
            c0 += w * v[0];
            c1 += w * v[1];
            c2 += w * v[2];
        }
        if (div.reciprocal) {
            out[0] = static_cast<uint8_t>((c0 * div.m) >> 55);
            out[1] = static_cast<uint8_t>((c1 * div.m) >> 55);
            out[2] = static_cast<uint8_t>((c2 * div.m) >> 55);
        } else {
            out[0] = static_cast<uint8_t>(c0 / div.area);
            out[1] = static_cast<uint8_t>(c1 / div.area);
            out[2] = static_cast<uint8_t>(c2 / div.area);
        }
        out += 3;
    }
}

// Row pass for one destination row: the weighted sum of the source rows it covers, per byte of
// [lo, hi). The first tap assigns instead of adding, so the sums need no clearing pass.
void row_pass(const Surface &src, const Axis &rows, const Span &span, size_t lo, size_t hi,
              uint32_t *v) {
    uint32_t base = 255 * span.white; // the part below the source reads white
    bool assigned = false;
    for (int32_t k = 0; k < rows.width; ++k) {
        const Tap &tap = rows.taps[static_cast<size_t>(span.first + k)];
        if (tap.weight == 0)
            continue;
        const uint32_t w = tap.weight;
        if (surface_row_blank(src, tap.index)) {
            base += w * 255;
            continue;
        }
        const uint8_t *row = src.bits + static_cast<size_t>(tap.index) * src.stride;
        if (!assigned) {
            for (size_t i = lo; i < hi; ++i)
                v[i] = base + w * row[i];
            assigned = true;
            base = 0;
        } else {
            for (size_t i = lo; i < hi; ++i)
                v[i] += w * row[i];
        }
    }
    if (!assigned)
        std::fill(v + lo, v + hi, base);
    else if (base != 0)
        for (size_t i = lo; i < hi; ++i)
            v[i] += base;
}

} // namespace

void surface_scale(const Surface &src, int32_t sw, int32_t sh, Surface &dst, int32_t dx, int32_t dy,
                   int32_t dw, int32_t dh) {
    if (sw <= 0 || sh <= 0 || dw <= 0 || dh <= 0 || sw > scaleSizeMax || sh > scaleSizeMax ||
        dst.bits == nullptr)
        return;
    // Only the destination pixels inside dst are computed.
    const int64_t x0 = std::max<int64_t>(0, -int64_t{dx});
    const int64_t x1 = std::min<int64_t>(dw, int64_t{dst.width} - dx);
    const int64_t y0 = std::max<int64_t>(0, -int64_t{dy});
    const int64_t y1 = std::min<int64_t>(dh, int64_t{dst.height} - dy);
    if (x0 >= x1 || y0 >= y1)
        return;
    ++dst.generation;
    surface_rows_prepare(dst, static_cast<int32_t>(dy + y0), static_cast<int32_t>(dy + y1));

    const int64_t srcWidth = src.bits != nullptr ? src.width : 0;
    const int64_t srcHeight = src.bits != nullptr ? src.height : 0;
    Axis cols, rows;
    axis_build(cols, sw, dw, x0, x1, srcWidth, 3);
    axis_build(rows, sh, dh, y0, y1, srcHeight, 1);

    // Row-pass sums are needed only for the source columns the visible columns read.
    size_t lo = SIZE_MAX, hi = 0;
    for (const Tap &t : cols.taps) {
        lo = std::min(lo, static_cast<size_t>(t.index));
        hi = std::max(hi, static_cast<size_t>(t.index) + 3);
    }
    std::vector<uint32_t> sums(hi);
    Divider div;
    div.area = uint64_t(sw) * uint64_t(sh);
    div.half = div.area / 2;
    // Dividing by the area as a multiply and shift: with m = ceil(2^55 / area) the quotient of
    // every sum (at most 255.5 * area) is exact while area < 2^23, and sum * m stays in 64 bits.
    div.reciprocal = div.area < (uint64_t{1} << 23);
    div.m = ((uint64_t{1} << 55) + div.area - 1) / div.area;
    const uint64_t whiteColumn = 255 * uint64_t(sh); // a row-pass sum outside src

    for (int64_t y = y0; y < y1; ++y) {
        const Span &span = rows.spans[static_cast<size_t>(y - y0)];
        if (lo < hi)
            row_pass(src, rows, span, lo, hi, sums.data());
        column_pass(sums.data(), cols, whiteColumn, div,
                    dst.bits + static_cast<size_t>(dy + y) * dst.stride +
                        static_cast<size_t>(dx + x0) * 3);
    }
}
