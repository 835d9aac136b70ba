#include "core/look.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <numeric>
#include <type_traits>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

LookSettings lookSettings;

const char lookToneChars[] = " .,:;+=coaeS&#8@B";

namespace {

const GlyphInk *glyphsInUse = glyphTable;

// Even the darkest character inks only about a quarter of its cell, so text is a light picture
// at best. A gamma below one (darkness = 1 - light^gamma) keeps the mid-tones light and saves
// the dark characters for the shadows. Measured by bench/quality: 0.6 scored best for the shape
// look's line art and screenshots; the photo look, whose every cell is matched by shape, scored
// best near 0.9 (the glyphs' own detail already lightens the mid-tones).
constexpr double shapeGamma = 0.6;
constexpr double photoGamma = 0.9;

// A cell whose sub-samples all lie within this much darkness of each other is flat: it takes
// the quiet tone characters. The shape look keeps grain and soft gradients of line art and
// screenshots from turning into strokes; the photo look matches every cell with any texture, as
// the texture is what makes a photo recognisable, and keeps only uniform cells quiet.
constexpr int32_t shapeFlatSpread = 30;
constexpr int32_t photoFlatSpread = 1;

// The upper bound of one sub-sample's ink on the set's scale; keeps the sums within 32 bits
// for a user's list of nearly equal characters.
constexpr int32_t inkLimit = 4095;

// The shape match's cost: the squared differences of the smoothed sub-samples, plus this
// weight times the cell's sub-sample count times the squared difference of the mean darkness,
// so a glyph in the right place but of the wrong darkness does not win.
constexpr int64_t meanWeight = 1;

// A [1 2 1] blur across and down the cell (edges repeated): the text is seen from a distance,
// where a stroke's exact place within a sub-sample no longer shows.
void shape_smooth(const int32_t *in, int32_t *out) {
    int32_t across[glyphSubCount];
    for (int y = 0; y < glyphSubRows; ++y)
        for (int x = 0; x < glyphSubCols; ++x) {
            const int32_t *row = in + y * glyphSubCols;
            across[y * glyphSubCols + x] = row[std::max(x - 1, 0)] + 2 * row[x] +
                                           row[std::min(x + 1, glyphSubCols - 1)];
        }
    for (int y = 0; y < glyphSubRows; ++y)
        for (int x = 0; x < glyphSubCols; ++x)
            out[y * glyphSubCols + x] = (across[std::max(y - 1, 0) * glyphSubCols + x] +
                                         2 * across[y * glyphSubCols + x] +
                                         across[std::min(y + 1, glyphSubRows - 1) * glyphSubCols + x] +
                                         8) / 16;
}

int32_t glyph_mean(const GlyphInk &g) {
    int32_t sum = 0;
    for (uint8_t v : g.ink)
        sum += v;
    return sum; // in 1/glyphSubCount units
}

} // namespace

void look_glyphs_use(const GlyphInk *table) {
    glyphsInUse = table != nullptr ? table : glyphTable;
}

bool look_chars_valid(const std::string &chars) {
    if (chars.empty())
        return false;
    for (char c : chars)
        if (c < glyphFirst || c >= glyphFirst + glyphCount)
            return false;
    return true;
}

void look_set_make(LookSet &set, const std::string &chars) {
    set.chars.clear();
    for (char c : chars)
        if (c >= glyphFirst && c < glyphFirst + glyphCount && set.chars.find(c) == std::string::npos)
            set.chars += c;
    if (set.chars.empty())
        set.chars = " ";
    const size_t n = set.chars.size();
    std::vector<int32_t> mean(n);
    for (size_t k = 0; k < n; ++k)
        mean[k] = glyph_mean(glyphsInUse[set.chars[k] - glyphFirst]);
    const int32_t lo = *std::min_element(mean.begin(), mean.end());
    const int32_t hi = *std::max_element(mean.begin(), mean.end());
    const int32_t range = std::max(hi - lo, 1);
    set.darkness.assign(n, 0);
    set.ink.assign(n * glyphSubCount, 0);
    for (size_t k = 0; k < n; ++k) {
        set.darkness[k] = (mean[k] - lo) * 255 / range;
        const GlyphInk &g = glyphsInUse[set.chars[k] - glyphFirst];
        for (int i = 0; i < glyphSubCount; ++i)
            set.ink[k * glyphSubCount + i] = std::clamp(
                (int32_t{g.ink[i]} * glyphSubCount - lo) * 255 / range, -inkLimit, inkLimit);
    }
    for (size_t k = 0; k < n; ++k) {
        int32_t smooth[glyphSubCount];
        shape_smooth(&set.ink[k * glyphSubCount], smooth);
        std::copy(smooth, smooth + glyphSubCount, &set.ink[k * glyphSubCount]);
    }
    set.byDarkness.resize(n);
    std::iota(set.byDarkness.begin(), set.byDarkness.end(), 0);
    std::stable_sort(set.byDarkness.begin(), set.byDarkness.end(),
                     [&](int32_t a, int32_t b) { return set.darkness[a] < set.darkness[b]; });
    set.rank.assign(n, 0);
    for (size_t j = 0; j < n; ++j)
        set.rank[size_t(set.byDarkness[j])] = static_cast<int32_t>(j);
    set.inkPadded.assign(n * inkStride, 0);
    for (size_t k = 0; k < n; ++k)
        std::copy(&set.ink[k * glyphSubCount], &set.ink[k * glyphSubCount] + glyphSubCount,
                  &set.inkPadded[k * inkStride]);
    const size_t padded = (n + 3) / 4 * 4;
    set.matchBase.assign(padded, int32_t{1} << 30); // padding never wins
    set.matchPairs.assign(matchPairCount * padded, 0);
    for (size_t p = 0; p < n; ++p) {
        const size_t k = size_t(set.byDarkness[p]);
        const int32_t *g = &set.ink[k * glyphSubCount];
        int32_t squares = 18 * meanWeight * set.darkness[k] * set.darkness[k];
        for (int i = 0; i < glyphSubCount; ++i)
            squares += g[i] * g[i];
        set.matchBase[p] = squares;
        auto pack = [](int32_t lo, int32_t hi) {
            return int32_t(uint32_t(uint16_t(lo)) | uint32_t(uint16_t(hi)) << 16);
        };
        for (int q = 0; q < glyphSubCount / 2; ++q)
            set.matchPairs[q * padded + p] = pack(g[2 * q], g[2 * q + 1]);
        set.matchPairs[(matchPairCount - 1) * padded + p] =
            pack(int32_t(meanWeight) * set.darkness[k], 0);
    }
    size_t j = 0;
    for (int32_t d = 0; d < 256; ++d) {
        // The nearest darkness; on a tie the lighter character.
        while (j + 1 < n && std::abs(set.darkness[set.byDarkness[j + 1]] - d) <
                                std::abs(set.darkness[set.byDarkness[j]] - d))
            ++j;
        set.toneIndex[d] = set.byDarkness[j];
    }
}

int look_shape_match(const int32_t *cell, const LookSet &set) {
    int32_t smooth[glyphSubCount];
    shape_smooth(cell, smooth);
    int32_t cellSum = 0;
    for (int i = 0; i < glyphSubCount; ++i)
        cellSum += cell[i];
    // The cost, the squared differences plus meanWeight * (cellSum - 18 darkness)^2 / 18 (whose
    // remainder depends on the cell alone), is the cell's own part plus base - 2 dot, dot being
    // the smoothed cell with the character's ink plus cellSum with its darkness. A cell is at
    // most a darkness plus a carried error (within -255..510), so the values fit 16 bits and
    // the sums 32: every character is scored at once, four at a time.
    uint32_t pairs[matchPairCount];
    auto clamp16 = [](int32_t v) { return uint32_t(uint16_t(std::clamp(v, -32768, 32767))); };
    for (int q = 0; q < glyphSubCount / 2; ++q)
        pairs[q] = clamp16(smooth[2 * q]) | clamp16(smooth[2 * q + 1]) << 16;
    pairs[matchPairCount - 1] = clamp16(cellSum);
    const size_t padded = set.matchBase.size();
    const int32_t *base = set.matchBase.data();
    const int32_t *glyph = set.matchPairs.data();
    size_t bestAt = 0;
#ifdef __SSE2__
    __m128i cellPair[matchPairCount];
    for (int q = 0; q < matchPairCount; ++q)
        cellPair[q] = _mm_set1_epi32(int32_t(pairs[q]));
    __m128i bestScore = _mm_set1_epi32(INT32_MAX), bestPos = _mm_setzero_si128();
    __m128i pos = _mm_setr_epi32(0, 1, 2, 3);
    const __m128i four = _mm_set1_epi32(4);
    for (size_t p = 0; p < padded; p += 4, pos = _mm_add_epi32(pos, four)) {
        __m128i dot = _mm_setzero_si128();
        for (int q = 0; q < matchPairCount; ++q)
            dot = _mm_add_epi32(
                dot, _mm_madd_epi16(cellPair[q], _mm_loadu_si128(reinterpret_cast<const __m128i *>(
                                                     glyph + q * padded + p))));
        const __m128i score = _mm_sub_epi32(
            _mm_loadu_si128(reinterpret_cast<const __m128i *>(base + p)), _mm_add_epi32(dot, dot));
        // Strictly lower only: the earlier (lighter) character keeps a tie.
        const __m128i better = _mm_cmplt_epi32(score, bestScore);
        bestScore = _mm_or_si128(_mm_and_si128(better, score), _mm_andnot_si128(better, bestScore));
        bestPos = _mm_or_si128(_mm_and_si128(better, pos), _mm_andnot_si128(better, bestPos));
    }
    alignas(16) int32_t laneScore[4], lanePos[4];
    _mm_store_si128(reinterpret_cast<__m128i *>(laneScore), bestScore);
    _mm_store_si128(reinterpret_cast<__m128i *>(lanePos), bestPos);
    int32_t best = INT32_MAX;
    for (int l = 0; l < 4; ++l)
        if (laneScore[l] < best || (laneScore[l] == best && size_t(lanePos[l]) < bestAt)) {
            best = laneScore[l];
            bestAt = size_t(lanePos[l]);
        }
#else
    int32_t best = INT32_MAX;
    for (size_t p = 0; p < padded; ++p) {
        int32_t dot = 0;
        for (int q = 0; q < matchPairCount; ++q) {
            const uint32_t c = pairs[q], g = uint32_t(glyph[q * padded + p]);
            dot += int32_t(int16_t(c)) * int16_t(g) + int32_t(int16_t(c >> 16)) * int16_t(g >> 16);
        }
        const int32_t score = base[p] - 2 * dot;
        if (score < best) {
            best = score;
            bestAt = p;
        }
    }
#endif
    return set.byDarkness[bestAt];
}

void look_tone_curve(const uint8_t *samples, size_t count, int32_t meido, bool invert,
                     double gamma, uint8_t (&curve)[256]) {
    // Four counts in turn, so runs of one tone do not wait on the same counter.
    uint32_t part[4][256] = {};
    size_t i = 0;
    for (; i + 4 <= count; i += 4)
        for (int k = 0; k < 4; ++k)
            ++part[k][samples[i + k]];
    for (; i < count; ++i)
        ++part[0][samples[i]];
    uint64_t histogram[256];
    for (int v = 0; v < 256; ++v)
        histogram[invert ? 255 - v : v] =
            uint64_t{part[0][v]} + part[1][v] + part[2][v] + part[3][v];
    const uint64_t clip = count * lookClipPerMille / 1000;
    int32_t lo = 0, hi = 255;
    for (uint64_t seen = histogram[0]; lo < 255 && seen <= clip; seen += histogram[++lo]) {
    }
    for (uint64_t seen = histogram[255]; hi > 0 && seen <= clip; seen += histogram[--hi]) {
    }
    if (hi <= lo) { // one tone (a solid picture): nothing to stretch
        lo = 0;
        hi = 255;
    }
    constexpr int32_t narrowest = 64; // at most a fourfold stretch
    if (hi - lo < narrowest) {
        const int32_t mid = (lo + hi) / 2;
        lo = std::clamp(mid - narrowest / 2, 0, 255 - narrowest);
        hi = lo + narrowest;
    }
    const int64_t shift = (int64_t{meido} - 50) * 10 / 3;
    for (int32_t v = 0; v < 256; ++v) {
        const int32_t in = invert ? 255 - v : v;
        const int64_t level = std::clamp<int64_t>((int64_t{in} - lo) * 255 / (hi - lo), 0, 255);
        const double light = double(std::clamp<int64_t>(level + shift, 0, 255)) / 255.0;
        curve[v] = static_cast<uint8_t>(std::lround(255.0 * (1.0 - std::pow(light, gamma))));
    }
}

void look_cells_pick(const LookSettings &look, const uint8_t *samples, int32_t cols,
                     int32_t rows, int perCell, int32_t meido, bool invert, std::string &chars,
                     std::vector<uint8_t> &greys) {
    const size_t cells = size_t(std::max(cols, 0)) * size_t(std::max(rows, 0));
    chars.assign(cells, ' ');
    greys.assign(cells, 255);
    if (cells == 0)
        return;
    const bool photo = look.look == Look::photo;
    uint8_t curve[256];
    look_tone_curve(samples, cells * perCell, meido, invert, photo ? photoGamma : shapeGamma,
                    curve);

    const bool shape = look.look != Look::standard && perCell == glyphSubCount;
    const int32_t flatSpread = photo ? photoFlatSpread : shapeFlatSpread;
    const std::string &quiet = look.chars.empty() ? std::string(lookToneChars) : look.chars;
    LookSet toneSet, shapeSet;
    look_set_make(toneSet, quiet);
    if (shape) {
        std::string all;
        for (int c = glyphFirst; c < glyphFirst + glyphCount; ++c)
            all += char(c);
        look_set_make(shapeSet, look.chars.empty() ? all : look.chars);
    }

    // Floyd-Steinberg over the character grid, in sixteenths of a darkness step; two rows of
    // carried error. A solid black or white cell chooses a character of exactly its darkness,
    // so it carries nothing and solid areas stay solid.
    std::vector<int32_t> carry(size_t(cols) + 2, 0), next(size_t(cols) + 2, 0);
    int32_t cell[glyphSubCount];
    for (int32_t r = 0; r < rows; ++r) {
        std::fill(next.begin(), next.end(), 0);
        for (int32_t c = 0; c < cols; ++c) {
            const size_t at = size_t(r) * cols + c;
            const uint8_t *s = samples + at * perCell;
            // The curve is monotonic: the cell's spread is that of its extreme samples.
            int32_t sum = 0, lo = 255, hi = 0;
            auto scan = [&](auto fixed) {
                constexpr int count = decltype(fixed)::value;
                const int n = count > 0 ? count : perCell;
                uint8_t least = 255, most = 0;
                for (int i = 0; i < n; ++i) // apart from the sum, so that it vectorises
                    least = std::min(least, s[i]);
                for (int i = 0; i < n; ++i)
                    most = std::max(most, s[i]);
                int32_t parts[2] = {};
                for (int i = 0; i < n; ++i)
                    parts[i & 1] += curve[s[i]];
                sum = parts[0] + parts[1];
                lo = std::min(curve[least], curve[most]);
                hi = std::max(curve[least], curve[most]);
            };
            if (perCell == glyphSubCount)
                scan(std::integral_constant<int, glyphSubCount>());
            else
                scan(std::integral_constant<int, 0>());
            const int32_t err = look.dither ? carry[c + 1] / 16 : 0;
            const int32_t want = (sum + perCell / 2) / perCell + err;
            int32_t k;
            const LookSet *set = &toneSet;
            if (shape && hi - lo >= flatSpread) {
                for (int i = 0; i < glyphSubCount; ++i)
                    cell[i] = curve[s[i]] + err;
                set = &shapeSet;
                k = look_shape_match(cell, shapeSet);
            } else {
                k = toneSet.toneIndex[std::clamp(want, 0, 255)];
            }
            chars[at] = set->chars[k];
            greys[at] = static_cast<uint8_t>(255 - set->darkness[k]);
            if (look.dither) {
                const int32_t e = (std::clamp(want, 0, 255) - set->darkness[k]) * 16;
                carry[c + 2] += e * 7 / 16;
                next[c] += e * 3 / 16;
                next[c + 1] += e * 5 / 16;
                next[c + 2] += e / 16;
            }
        }
        std::swap(carry, next);
    }
}
