// Area-averaging scaler. Two separable passes with exact integer weights and no rounding in
// between, so the result equals the one-step formula in surface.h bit for bit. The row pass runs
// first: it is contiguous and vectorises, and it leaves the gathering column pass only the
// destination rows (a third of the source rows for the reduced copy).
#include "core/conversion/scale.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace {

// Larger sources draw nothing: this bound keeps a row pass sum within 32 bits (255 * 2^16)
// and the full sum within 64. Real sources are at most 2048 x 1536.
constexpr int32_t scaleSizeMax = 1 << 16;

// Spans of destination indices [v0, v1) when s source pixels map onto d destination pixels.
// On the common axis source i covers [i*d, (i+1)*d) and destination v covers [v*s, (v+1)*s).
// Source indices from limit on do not exist and count as white; stride scales the indices.
void axis_build(ScaleAxis &axis, int64_t s, int64_t d, int64_t v0, int64_t v1, int64_t limit,
                int32_t stride) {
    // A destination pixel spans at most ceil(s / d) + 1 source pixels.
    const int64_t most = std::min<int64_t>((s + d - 1) / d + 1, std::max<int64_t>(limit, 1));
    axis.width = static_cast<int32_t>(limit > 0 ? most : 0);
    axis.spans.reserve(static_cast<size_t>(v1 - v0));
    axis.taps.reserve(static_cast<size_t>((v1 - v0) * axis.width));
    for (int64_t v = v0; v < v1; ++v) {
        const int64_t lo = v * s, hi = lo + s;
        ScaleSpan span{static_cast<int32_t>(axis.taps.size()), 0};
        int32_t used = 0;
        int32_t lastIndex = 0;
        for (int64_t i = lo / d; i * d < hi; ++i) {
            const auto w = static_cast<uint32_t>(std::min(hi, (i + 1) * d) - std::max(lo, i * d));
            if (i < limit) {
                lastIndex = static_cast<int32_t>(i) * stride;
                axis.taps.push_back(ScaleTap{lastIndex, w});
                ++used;
            } else {
                span.white += w;
            }
        }
        for (; used < axis.width; ++used)
            axis.taps.push_back(ScaleTap{lastIndex, 0});
        axis.spans.push_back(span);
    }
}

// floor(sum / area). With m = floor(2^64 / area) + 1 the high half of sum * m is exact while
// sum * area < 2^64; sums are at most 256 * area, so any area below 2^28 qualifies.
template <bool Reciprocal>
uint8_t area_divide(uint64_t sum, uint64_t m, uint64_t area) {
    return static_cast<uint8_t>(
        Reciprocal ? static_cast<uint64_t>((static_cast<unsigned __int128>(sum) * m) >> 64)
                   : sum / area);
}

// Column pass over one row of row-pass sums: the full weighted sum of each destination pixel,
// rounded and divided by the area. Width is the taps per column when it is small and known
// (the inner loop then unrolls), else 0.
template <int Width, bool Reciprocal>
void column_pass_of(const ScalePlan &plan, const uint32_t *sums, uint8_t *out) {
    const ScaleTap *taps = plan.cols.taps.data();
    const int32_t width = Width > 0 ? Width : plan.cols.width;
    const uint64_t m = plan.reciprocal, area = plan.area;
    auto divide = [m, area](uint64_t sum) { return area_divide<Reciprocal>(sum, m, area); };
    for (const ScaleSpan &span : plan.cols.spans) {
        uint64_t c0 = span.white * plan.whiteColumn + plan.half, c1 = c0, c2 = c0;
        const ScaleTap *t = taps + span.first;
        for (int32_t k = 0; k < width; ++k) {
            const uint32_t *v = sums + t[k].index;
            const uint64_t w = t[k].weight;
            c0 += w * v[0];
            c1 += w * v[1];
            c2 += w * v[2];
        }
        out[0] = divide(c0);
        out[1] = divide(c1);
        out[2] = divide(c2);
        out += 3;
    }
}

#if defined(__SSE2__) && defined(__x86_64__)
// The same with the three channels of a tap in one register: each tap is one unaligned load
// and two 32 x 32 -> 64-bit multiplies (blue and red, then green), added in 64-bit lanes.
// Reads one sum past the last column's red (see scale_row).
template <int Width, bool Reciprocal>
void column_pass_wide(const ScalePlan &plan, const uint32_t *sums, uint8_t *out) {
    const ScaleTap *taps = plan.cols.taps.data();
    const int32_t width = Width > 0 ? Width : plan.cols.width;
    const uint64_t m = plan.reciprocal, area = plan.area;
    auto divide = [m, area](uint64_t sum) { return area_divide<Reciprocal>(sum, m, area); };
    for (const ScaleSpan &span : plan.cols.spans) {
        const __m128i base =
            _mm_set1_epi64x(static_cast<long long>(span.white * plan.whiteColumn + plan.half));
        __m128i blueRed = base, green = base;
        const ScaleTap *t = taps + span.first;
        for (int32_t k = 0; k < width; ++k) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i *>(sums + t[k].index));
            const __m128i w = _mm_set1_epi32(static_cast<int32_t>(t[k].weight));
            blueRed = _mm_add_epi64(blueRed, _mm_mul_epu32(v, w));
            green = _mm_add_epi64(green, _mm_mul_epu32(_mm_srli_epi64(v, 32), w));
        }
        out[0] = divide(static_cast<uint64_t>(_mm_cvtsi128_si64(blueRed)));
        out[1] = divide(static_cast<uint64_t>(_mm_cvtsi128_si64(green)));
        out[2] = divide(static_cast<uint64_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(blueRed, blueRed))));
        out += 3;
    }
}
#define column_pass_of column_pass_wide
#endif

template <bool Reciprocal>
void column_pass_by(const ScalePlan &plan, const uint32_t *sums, uint8_t *out) {
    switch (plan.cols.width) {
    case 2:
        return column_pass_of<2, Reciprocal>(plan, sums, out);
    case 3: // a reduction by up to two, as for a photo onto the source surface
        return column_pass_of<3, Reciprocal>(plan, sums, out);
    case 4:
        return column_pass_of<4, Reciprocal>(plan, sums, out);
    case 5: // a reduction by a little over three, as for the reduced copy
        return column_pass_of<5, Reciprocal>(plan, sums, out);
    default:
        return column_pass_of<0, Reciprocal>(plan, sums, out);
    }
}

#undef column_pass_of

void column_pass(const ScalePlan &plan, const uint32_t *sums, uint8_t *out) {
    if (plan.reciprocal != 0)
        column_pass_by<true>(plan, sums, out);
    else
        column_pass_by<false>(plan, sums, out);
}

// Up to four source rows weighted at once, so each sum is read and written once per group.
// Samples and weights fit 16 bits; with SSE2 two rows go through one multiply-add of 16-bit
// pairs (pmaddwd), which x86-64 always has, where plain code needs a multiply per sample.
template <int N, bool Add>
void rows_weighted(const uint8_t *const *row, const int16_t *weight, uint32_t base, size_t lo,
                   size_t hi, uint32_t *v) {
    const uint8_t *r0 = row[0], *r1 = row[N > 1 ? 1 : 0], *r2 = row[N > 2 ? 2 : 0],
                  *r3 = row[N > 3 ? 3 : 0];
    const int16_t w0 = weight[0], w1 = N > 1 ? weight[1] : 0, w2 = N > 2 ? weight[2] : 0,
                  w3 = N > 3 ? weight[3] : 0;
    size_t i = lo;
#if defined(__SSE2__)
    const __m128i zero = _mm_setzero_si128();
    const __m128i w01 = _mm_set1_epi32(int32_t(uint16_t(w0)) | int32_t(uint32_t(uint16_t(w1)) << 16));
    const __m128i w23 = _mm_set1_epi32(int32_t(uint16_t(w2)) | int32_t(uint32_t(uint16_t(w3)) << 16));
    const __m128i b = _mm_set1_epi32(static_cast<int32_t>(base));
    for (; i + 16 <= hi; i += 16) {
        // Bytes of two rows interleaved, widened to 16 bits: (r0, r1) pairs for pmaddwd.
        const __m128i a0 = _mm_loadu_si128(reinterpret_cast<const __m128i *>(r0 + i));
        const __m128i a1 = N > 1 ? _mm_loadu_si128(reinterpret_cast<const __m128i *>(r1 + i)) : zero;
        const __m128i lo01 = _mm_unpacklo_epi8(a0, a1), hi01 = _mm_unpackhi_epi8(a0, a1);
        __m128i s0 = _mm_madd_epi16(_mm_unpacklo_epi8(lo01, zero), w01);
        __m128i s1 = _mm_madd_epi16(_mm_unpackhi_epi8(lo01, zero), w01);
        __m128i s2 = _mm_madd_epi16(_mm_unpacklo_epi8(hi01, zero), w01);
        __m128i s3 = _mm_madd_epi16(_mm_unpackhi_epi8(hi01, zero), w01);
        if (N > 2) {
            const __m128i a2 = _mm_loadu_si128(reinterpret_cast<const __m128i *>(r2 + i));
            const __m128i a3 = N > 3 ? _mm_loadu_si128(reinterpret_cast<const __m128i *>(r3 + i)) : zero;
            const __m128i lo23 = _mm_unpacklo_epi8(a2, a3), hi23 = _mm_unpackhi_epi8(a2, a3);
            s0 = _mm_add_epi32(s0, _mm_madd_epi16(_mm_unpacklo_epi8(lo23, zero), w23));
            s1 = _mm_add_epi32(s1, _mm_madd_epi16(_mm_unpackhi_epi8(lo23, zero), w23));
            s2 = _mm_add_epi32(s2, _mm_madd_epi16(_mm_unpacklo_epi8(hi23, zero), w23));
            s3 = _mm_add_epi32(s3, _mm_madd_epi16(_mm_unpackhi_epi8(hi23, zero), w23));
        }
        __m128i *out = reinterpret_cast<__m128i *>(v + i);
        const __m128i c0 = Add ? _mm_loadu_si128(out) : b, c1 = Add ? _mm_loadu_si128(out + 1) : b,
                      c2 = Add ? _mm_loadu_si128(out + 2) : b, c3 = Add ? _mm_loadu_si128(out + 3) : b;
        _mm_storeu_si128(out, _mm_add_epi32(c0, s0));
        _mm_storeu_si128(out + 1, _mm_add_epi32(c1, s1));
        _mm_storeu_si128(out + 2, _mm_add_epi32(c2, s2));
        _mm_storeu_si128(out + 3, _mm_add_epi32(c3, s3));
    }
#endif
    for (; i < hi; ++i) {
        uint32_t s = (Add ? v[i] : base) + static_cast<uint32_t>(w0 * r0[i]);
        if (N > 1)
            s += static_cast<uint32_t>(w1 * r1[i]);
        if (N > 2)
            s += static_cast<uint32_t>(w2 * r2[i]);
        if (N > 3)
            s += static_cast<uint32_t>(w3 * r3[i]);
        v[i] = s;
    }
}

template <bool Add>
void rows_group(int count, const uint8_t *const *row, const int16_t *weight, uint32_t base,
                size_t lo, size_t hi, uint32_t *v) {
    switch (count) {
    case 1:
        return rows_weighted<1, Add>(row, weight, base, lo, hi, v);
    case 2:
        return rows_weighted<2, Add>(row, weight, base, lo, hi, v);
    case 3:
        return rows_weighted<3, Add>(row, weight, base, lo, hi, v);
    default:
        return rows_weighted<4, Add>(row, weight, base, lo, hi, v);
    }
}

// Row pass for one destination row: the weighted sum of the source rows it covers, per byte of
// [lo, hi). The first group of rows assigns, so the sums need no clearing pass.
void row_pass(const ScalePlan &plan, const ScaleSpan &span, const ScaleRows &rows, uint32_t *v) {
    const size_t lo = plan.lo, hi = plan.hi;
    uint32_t base = 255 * span.white; // the part below the source reads white
    const uint8_t *row[4];
    int16_t weight[4];
    int count = 0;
    bool assigned = false;
    auto flush = [&]() {
        if (count == 0)
            return;
        if (assigned)
            rows_group<true>(count, row, weight, 0, lo, hi, v);
        else
            rows_group<false>(count, row, weight, 0, lo, hi, v);
        assigned = true;
        count = 0;
    };
    for (int32_t k = 0; k < plan.rows.width; ++k) {
        const ScaleTap &tap = plan.rows.taps[static_cast<size_t>(span.first + k)];
        if (tap.weight == 0)
            continue;
        if (rows.blank != nullptr && rows.blank[tap.index] != 0) {
            base += tap.weight * 255;
            continue;
        }
        // A weight is at most the smaller of the two sizes: a larger one is split in parts.
        const int64_t slot = rows.ring > 0 ? tap.index % rows.ring : tap.index - rows.first;
        const uint8_t *r = rows.bits + static_cast<size_t>(slot) * rows.stride;
        for (uint32_t left = tap.weight; left > 0;) {
            const uint32_t part = std::min<uint32_t>(left, 0x7FFF);
            row[count] = r;
            weight[count++] = static_cast<int16_t>(part);
            left -= part;
            if (count == 4)
                flush();
        }
    }
    flush();
    if (!assigned)
        std::fill(v + lo, v + hi, base);
    else if (base != 0)
        for (size_t i = lo; i < hi; ++i)
            v[i] += base;
}

} // namespace

void scale_plan(ScalePlan &plan, int64_t sw, int64_t sh, int64_t dw, int64_t dh, int64_t x0,
                int64_t x1, int64_t y0, int64_t y1, int64_t srcWidth, int64_t srcHeight) {
    plan = ScalePlan{};
    plan.y0 = y0;
    axis_build(plan.cols, sw, dw, x0, x1, srcWidth, 3);
    axis_build(plan.rows, sh, dh, y0, y1, srcHeight, 1);
    // Row-pass sums are needed only for the source columns the planned columns read.
    size_t lo = SIZE_MAX, hi = 0;
    for (const ScaleTap &t : plan.cols.taps) {
        lo = std::min(lo, static_cast<size_t>(t.index));
        hi = std::max(hi, static_cast<size_t>(t.index) + 3);
    }
    plan.lo = lo < hi ? lo : 0;
    plan.hi = hi;
    plan.area = static_cast<uint64_t>(sw) * static_cast<uint64_t>(sh);
    plan.half = plan.area / 2;
    plan.reciprocal =
        plan.area >= 2 && plan.area < (uint64_t{1} << 28) ? UINT64_MAX / plan.area + 1 : 0;
    plan.whiteColumn = 255 * static_cast<uint64_t>(sh);
}

void scale_plan_row(ScalePlan &plan, int64_t sh, int64_t dh, int64_t y, int64_t srcHeight) {
    plan.y0 = y;
    plan.rows.spans.clear(); // their memory is kept for the next row
    plan.rows.taps.clear();
    axis_build(plan.rows, sh, dh, y, y + 1, srcHeight, 1);
}

void scale_row_sources(const ScalePlan &plan, int64_t y, int64_t &first, int64_t &end) {
    // Asked for every incoming row while a tall picture is reduced: in constant time, not by
    // walking the span's taps. Its taps are consecutive rows with weights above 0, then padding
    // of weight 0 that repeats the last of them (axis_build).
    first = end = 0;
    if (plan.rows.width == 0)
        return;
    const ScaleSpan &span = plan.rows.spans[static_cast<size_t>(y - plan.y0)];
    const ScaleTap *taps = plan.rows.taps.data() + span.first;
    if (taps[0].weight == 0)
        return; // reads only white
    first = taps[0].index;
    end = taps[plan.rows.width - 1].index + 1;
}

void scale_row(const ScalePlan &plan, int64_t y, const ScaleRows &rows, uint32_t *sums,
               uint8_t *out) {
    const ScaleSpan &span = plan.rows.spans[static_cast<size_t>(y - plan.y0)];
    if (plan.lo < plan.hi)
        row_pass(plan, span, rows, sums);
    column_pass(plan, sums, out);
}

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
    ScalePlan plan;
    scale_plan(plan, sw, sh, dw, dh, x0, x1, y0, y1, srcWidth, srcHeight);
    std::vector<uint32_t> sums(plan.hi + 1);
    const ScaleRows rows{src.bits, static_cast<size_t>(src.stride), 0, src.blankRows};
    for (int64_t y = y0; y < y1; ++y)
        scale_row(plan, y, rows, sums.data(),
                  dst.bits + static_cast<size_t>(dy + y) * dst.stride +
                      static_cast<size_t>(dx + x0) * 3);
}

std::vector<int32_t> sample_spans(int64_t s, int64_t d) {
    std::vector<int32_t> span(size_t(d) * 2);
    for (int64_t i = 0; i < d; ++i) {
        const int64_t first = std::min(i * s / d, s - 1);
        span[size_t(i) * 2] = static_cast<int32_t>(first);
        span[size_t(i) * 2 + 1] = static_cast<int32_t>(std::max((i + 1) * s / d, first + 1));
    }
    return span;
}
