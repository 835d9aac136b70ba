#include "core/conversion/look.h"

#include "core/common/utf8.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <numeric>
#include <type_traits>
#ifdef __SSE2__
#include <emmintrin.h>
#endif
// Eight characters at a time where the processor has AVX2, chosen as the program runs. Not in
// the Windows build: its compiler does not align the stack for 32-byte values.
#if defined(__x86_64__) && defined(__GNUC__) && !defined(_WIN32)
#define LOOK_AVX2 1
#include <immintrin.h>
#endif

const char lookToneChars[] = " .,:;+=coaeS&#8@B";
const char lookShapeChars[] = " !\"#$&'()*+,-./278:;=?@BCEIJOQSTZ[\\]^_`acejloy{|}";
// 　・：；＋＝＊○◎●■＿￣／＼｜ー－（）＜＞＃＠％＆□△▽: strokes and quiet tones, as escapes, since
// every literal with other than ASCII is taken for a message needing its English.
const char lookWideChars[] =
    "\u3000\u30FB\uFF1A\uFF1B\uFF0B\uFF1D\uFF0A\u25CB\u25CE\u25CF\u25A0\uFF3F\uFFE3\uFF0F"
    "\uFF3C\uFF5C\u30FC\uFF0D\uFF08\uFF09\uFF1C\uFF1E\uFF03\uFF20\uFF05\uFF06\u25A1\u25B3"
    "\u25BD";
const char lookShapeCharsWindow[] = " !\"#$%'()*,-./12379:;=?ACGHIMRSTUVWYZ^_`acfgijlrtxyz{|}~";

namespace {

// Even the darkest character inks only about a quarter of its cell, so text is a light picture
// at best. A gamma below one (darkness = 1 - light^gamma) keeps the mid-tones light and saves
// the dark characters for the shadows. Measured by bench/quality: 0.6 scored best for the shape
// look's line art and screenshots; the photo look, whose every cell is matched by shape, scored
// best near 0.9 (the glyphs' own detail already lightens the mid-tones).
constexpr double shapeGamma = 0.6;
constexpr double photoGamma = 0.9;
// The refinement matches the picture's own tones (gamma 1): its blur spreads the ink as the eye
// does, so the mid-tones need no lightening of their own.
constexpr double refineGamma = 1.0;

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

// How much input sub-sample `from` counts in smoothed sub-sample `to`, in sixteenths: the
// [1 2 1] kernel across times the one down, edges repeated.
int32_t smooth_weight(int to, int from) {
    auto axis = [](int out, int in, int n) {
        return (std::max(out - 1, 0) == in) + 2 * (out == in) + (std::min(out + 1, n - 1) == in);
    };
    return axis(to % glyphSubCols, from % glyphSubCols, glyphSubCols) *
           axis(to / glyphSubCols, from / glyphSubCols, glyphSubRows);
}

// Two int16 values in one int32, as the match's multiply-adds take them.
uint32_t pair_of(int32_t lo, int32_t hi) {
    return uint32_t(uint16_t(lo)) | uint32_t(uint16_t(hi)) << 16;
}

int32_t glyph_mean(const GlyphInk &g) {
    int32_t sum = 0;
    for (uint8_t v : g.ink)
        sum += v;
    return sum; // in 1/glyphSubCount units
}

} // namespace

const GlyphInk *look_glyphs_of(const LookSettings &look) {
    if (look.glyphs != nullptr)
        return look.glyphs;
    return look.target == Target::window ? glyphTableWindow : glyphTableTerminal;
}

const char *look_shape_chars(Target target) {
    return target == Target::window ? lookShapeCharsWindow : lookShapeChars;
}

namespace {
const WideGlyphInk *wide_glyph(uint32_t code) {
    for (int k = 0; k < wideGlyphCount; ++k)
        if (wideGlyphTable[k].code == code)
            return &wideGlyphTable[k];
    return nullptr;
}
} // namespace

bool look_chars_valid(const std::string &chars) {
    if (chars.empty())
        return false;
    for (size_t i = 0, length = 0; i < chars.size(); i += length) {
        const uint32_t code = utf8_decode(chars, i, length);
        const bool ascii = code >= uint32_t(glyphFirst) && code < uint32_t(glyphFirst + glyphCount);
        if (!ascii && wide_glyph(code) == nullptr)
            return false;
    }
    return true;
}

bool look_chars_wide(const LookSettings &look) {
    if (look.look == Look::standard)
        return false;
    if (look.chars.empty())
        return look.charSet == 1;
    for (char c : look.chars)
        if (static_cast<unsigned char>(c) >= 0x80)
            return true;
    return false;
}

namespace {

// The blur the refinement sees through (a binomial kernel, refineKernel across times down),
// of one cell's values (zero around it) onto the cell and refineRadius sub-samples beyond:
// refineBlurCols x refineBlurRows.
constexpr int refineRadius = 2;
constexpr int32_t refineKernel[2 * refineRadius + 1] = {1, 4, 6, 4, 1};
constexpr int32_t refineKernelSum = 16;
// The match's scale: the blur's square in units of a sixteenth of a darkness step.
constexpr int32_t refineScale = refineKernelSum * refineKernelSum * refineKernelSum *
                                refineKernelSum / 16;
constexpr int refineBlurCols = glyphSubCols + 2 * refineRadius;
constexpr int refineBlurRows = glyphSubRows + 2 * refineRadius;
constexpr int refineBlurCount = refineBlurCols * refineBlurRows;
void refine_blur_cell(const int32_t *in, int32_t *out) {
    for (int y = 0; y < refineBlurRows; ++y)
        for (int x = 0; x < refineBlurCols; ++x) {
            int32_t sum = 0;
            for (int dy = -refineRadius; dy <= refineRadius; ++dy)
                for (int dx = -refineRadius; dx <= refineRadius; ++dx) {
                    const int sx = x - refineRadius + dx, sy = y - refineRadius + dy;
                    if (sx >= 0 && sx < glyphSubCols && sy >= 0 && sy < glyphSubRows)
                        sum += refineKernel[dx + refineRadius] * refineKernel[dy + refineRadius] *
                               in[sy * glyphSubCols + sx];
                }
            out[y * refineBlurCols + x] = sum;
        }
}

void refine_tables_make(LookSet &set, size_t padded) {
    const size_t n = set.chars.size();
    set.refinable = std::all_of(set.drawn.begin(), set.drawn.end(), [](int32_t v) {
        return v >= -refineInkLimit && v <= refineInkLimit;
    });
    set.gink.assign(n * glyphSubCount, 0);
    set.blurred.assign(n * refineBlurCount, 0);
    set.refineBase.assign(padded, INT32_MAX); // padding never wins
    set.refinePairs.assign(matchPairCount * padded, 0);
    if (!set.refinable)
        return;
    for (size_t p = 0; p < n; ++p) {
        const size_t c = size_t(set.byDarkness[p]);
        const int32_t *d = &set.drawn[c * glyphSubCount];
        int32_t *blurred = &set.blurred[c * refineBlurCount];
        refine_blur_cell(d, blurred);
        int64_t square = 0;
        for (int i = 0; i < refineBlurCount; ++i)
            square += int64_t{blurred[i]} * blurred[i];
        set.refineBase[p] = int32_t(square / refineScale);
        for (int y = 0; y < glyphSubRows; ++y)
            for (int x = 0; x < glyphSubCols; ++x) {
                int32_t sum = 0;
                for (int dy = 0; dy <= 2 * refineRadius; ++dy)
                    for (int dx = 0; dx <= 2 * refineRadius; ++dx)
                        sum += refineKernel[dx] * refineKernel[dy] *
                               blurred[(y + dy) * refineBlurCols + x + dx];
                set.gink[c * glyphSubCount + size_t(y * glyphSubCols + x)] = sum;
            }
        for (int q = 0; q < matchPairCount; ++q)
            set.refinePairs[q * padded + p] = int32_t(pair_of(d[2 * q], d[2 * q + 1]));
    }
}

} // namespace

void look_set_make(LookSet &set, const std::string &chars, const GlyphInk *table) {
    set.chars.clear();
    for (char c : chars)
        if (c >= glyphFirst && c < glyphFirst + glyphCount && set.chars.find(c) == std::string::npos)
            set.chars += c;
    if (set.chars.empty())
        set.chars = " ";
    const size_t n = set.chars.size();
    std::vector<int32_t> mean(n);
    for (size_t k = 0; k < n; ++k)
        mean[k] = glyph_mean(table[set.chars[k] - glyphFirst]);
    const int32_t lo = *std::min_element(mean.begin(), mean.end());
    const int32_t hi = *std::max_element(mean.begin(), mean.end());
    const int32_t range = std::max(hi - lo, 1);
    set.darkness.assign(n, 0);
    set.ink.assign(n * glyphSubCount, 0);
    for (size_t k = 0; k < n; ++k) {
        set.darkness[k] = (mean[k] - lo) * 255 / range;
        const GlyphInk &g = table[set.chars[k] - glyphFirst];
        for (int i = 0; i < glyphSubCount; ++i)
            set.ink[k * glyphSubCount + i] = std::clamp(
                (int32_t{g.ink[i]} * glyphSubCount - lo) * 255 / range, -inkLimit, inkLimit);
    }
    set.drawn = set.ink;
    for (size_t k = 0; k < n; ++k) {
        int32_t smooth[glyphSubCount];
        shape_smooth(&set.ink[k * glyphSubCount], smooth);
        std::copy(smooth, smooth + glyphSubCount, &set.ink[k * glyphSubCount]);
    }
    set.byDarkness.resize(n);
    std::iota(set.byDarkness.begin(), set.byDarkness.end(), 0);
    std::stable_sort(set.byDarkness.begin(), set.byDarkness.end(),
                     [&](int32_t a, int32_t b) { return set.darkness[a] < set.darkness[b]; });
    // The cost, |smooth(cell) - ink|^2 + meanWeight * 18 * (mean(cell) - darkness)^2, is the
    // cell's own part plus base - 2 dot, where dot is the raw cell with the character's weights:
    // the smoothing's transpose applied to its ink, plus meanWeight times its darkness (the mean
    // term's cross part). The cell is then used as it comes, with no smoothing of its own.
    // The weights in sixteenths of a darkness step where they fit 16 bits and the squares 30
    // (every set of real fonts): then nothing is rounded. A user's list of nearly equal
    // characters, whose inks are stretched far, takes coarser steps.
    const size_t padded = (n + 7) / 8 * 8;
    std::vector<int64_t> base(n), weight(n * glyphSubCount);
    int64_t widest = 1, largest = 1;
    for (size_t p = 0; p < n; ++p) {
        const size_t k = size_t(set.byDarkness[p]);
        const int32_t *g = &set.ink[k * glyphSubCount];
        base[p] = int64_t{glyphSubCount} * meanWeight * set.darkness[k] * set.darkness[k];
        for (int i = 0; i < glyphSubCount; ++i) {
            base[p] += int64_t{g[i]} * g[i];
            int64_t back = 16 * meanWeight * set.darkness[k];
            for (int j = 0; j < glyphSubCount; ++j)
                back += smooth_weight(j, i) * g[j];
            weight[p * glyphSubCount + i] = back;
            widest = std::max(widest, std::abs(back));
        }
        largest = std::max(largest, base[p]);
    }
    int shift = 0; // the weights are 16 >> shift times the cost's units
    while (shift < 4 && ((widest >> shift) > INT16_MAX || (largest << (4 - shift)) >= (int64_t{1} << 30)))
        ++shift;
    set.matchBase.assign(padded, INT32_MAX); // padding never wins
    set.matchPairs.assign(matchPairCount * padded, 0);
    for (size_t p = 0; p < n; ++p) {
        set.matchBase[p] = int32_t(base[p] << (4 - shift));
        auto w = [&](int i) {
            return int32_t(std::clamp<int64_t>(weight[p * glyphSubCount + i] >> shift, INT16_MIN, INT16_MAX));
        };
        for (int q = 0; q < matchPairCount; ++q)
            set.matchPairs[q * padded + p] = int32_t(pair_of(w(2 * q), w(2 * q + 1)));
    }
    refine_tables_make(set, padded);
    auto darknessAt = [&](size_t p) { return set.darkness[size_t(set.byDarkness[p])]; };
    size_t j = 0;
    for (int32_t d = 0; d < 256; ++d) {
        // The nearest darkness; on a tie the lighter character. Characters of equal darkness
        // (ＭＳ ゴシック's '&' and '8') are stepped over together, or the walk would stop there.
        for (;;) {
            size_t next = j + 1;
            while (next < n && darknessAt(next) == darknessAt(j))
                ++next;
            if (next >= n || std::abs(darknessAt(next) - d) >= std::abs(darknessAt(j) - d))
                break;
            j = next;
        }
        set.toneIndex[d] = set.byDarkness[j];
    }
}

#ifdef LOOK_AVX2
namespace {
// The first place of the least score, as the SSE2 path below finds it.
__attribute__((target("avx2"))) size_t match_avx2(const uint32_t *pairs, const int32_t *base,
                                                  const int32_t *glyph, size_t padded) {
    alignas(32) int32_t score[lookSetLimit];
    __m256i cellPair[matchPairCount];
    for (int q = 0; q < matchPairCount; ++q)
        cellPair[q] = _mm256_set1_epi32(int32_t(pairs[q]));
    __m256i low = _mm256_set1_epi32(INT32_MAX);
    for (size_t p = 0; p < padded; p += 8) {
        __m256i dot = _mm256_setzero_si256();
        for (int q = 0; q < matchPairCount; ++q)
            dot = _mm256_add_epi32(
                dot, _mm256_madd_epi16(cellPair[q], _mm256_loadu_si256(reinterpret_cast<const __m256i *>(
                                                        glyph + q * padded + p))));
        const __m256i s = _mm256_sub_epi32(
            _mm256_loadu_si256(reinterpret_cast<const __m256i *>(base + p)), _mm256_add_epi32(dot, dot));
        _mm256_store_si256(reinterpret_cast<__m256i *>(score + p), s);
        low = _mm256_min_epi32(low, s);
    }
    __m128i m = _mm_min_epi32(_mm256_castsi256_si128(low), _mm256_extracti128_si256(low, 1));
    m = _mm_min_epi32(m, _mm_shuffle_epi32(m, _MM_SHUFFLE(1, 0, 3, 2)));
    m = _mm_min_epi32(m, _mm_shuffle_epi32(m, _MM_SHUFFLE(2, 3, 0, 1)));
    const __m256i least = _mm256_broadcastd_epi32(m);
    for (size_t p = 0;; p += 8) {
        const unsigned hit = unsigned(_mm256_movemask_ps(_mm256_castsi256_ps(_mm256_cmpeq_epi32(
            _mm256_load_si256(reinterpret_cast<const __m256i *>(score + p)), least))));
        if (hit != 0)
            return p + size_t(__builtin_ctz(hit));
    }
}
const bool haveAvx2 = __builtin_cpu_supports("avx2");
} // namespace
#endif

namespace {
// The place of the least base - 2 dot(cell, glyph), the cell given as int16 pairs.
size_t match_at(const uint32_t *pairs, const int32_t *base, const int32_t *glyph, size_t padded) {
    size_t bestAt = 0;
#ifdef LOOK_AVX2
    if (haveAvx2)
        return match_avx2(pairs, base, glyph, padded);
#endif
#ifdef __SSE2__
    // Every score first, then their least, then the first place holding it: no step waits on
    // the one before, as a running best would.
    alignas(16) int32_t score[lookSetLimit];
    __m128i cellPair[matchPairCount];
    for (int q = 0; q < matchPairCount; ++q)
        cellPair[q] = _mm_set1_epi32(int32_t(pairs[q]));
    for (size_t p = 0; p < padded; p += 4) {
        __m128i dot = _mm_setzero_si128();
        for (int q = 0; q < matchPairCount; ++q)
            dot = _mm_add_epi32(
                dot, _mm_madd_epi16(cellPair[q], _mm_loadu_si128(reinterpret_cast<const __m128i *>(
                                                     glyph + q * padded + p))));
        _mm_store_si128(reinterpret_cast<__m128i *>(score + p),
                        _mm_sub_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i *>(base + p)),
                                      _mm_add_epi32(dot, dot)));
    }
    auto least = [](__m128i a, __m128i b) {
        const __m128i less = _mm_cmplt_epi32(a, b);
        return _mm_or_si128(_mm_and_si128(less, a), _mm_andnot_si128(less, b));
    };
    __m128i low[2] = {_mm_set1_epi32(INT32_MAX), _mm_set1_epi32(INT32_MAX)};
    for (size_t p = 0; p < padded; p += 8) { // padded is a multiple of 8
        low[0] = least(low[0], _mm_load_si128(reinterpret_cast<const __m128i *>(score + p)));
        low[1] = least(low[1], _mm_load_si128(reinterpret_cast<const __m128i *>(score + p + 4)));
    }
    __m128i m = least(low[0], low[1]);
    m = least(m, _mm_shuffle_epi32(m, _MM_SHUFFLE(1, 0, 3, 2)));
    m = least(m, _mm_shuffle_epi32(m, _MM_SHUFFLE(2, 3, 0, 1)));
    // The first (lightest) character of the least score keeps a tie.
    for (size_t p = 0;; p += 4) {
        const int hit = _mm_movemask_ps(_mm_castsi128_ps(_mm_cmpeq_epi32(
            _mm_load_si128(reinterpret_cast<const __m128i *>(score + p)), m)));
        if (hit != 0) {
            bestAt = p + size_t(__builtin_ctz(unsigned(hit)));
            break;
        }
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
    return bestAt;
}

// The match of a cell given as int16 pairs of its sub-samples.
int match_pairs(const uint32_t *pairs, const LookSet &set) {
    return set.byDarkness[match_at(pairs, set.matchBase.data(), set.matchPairs.data(),
                                   set.matchBase.size())];
}
} // namespace

int look_shape_match(const int32_t *cell, const LookSet &set) {
    // A cell is at most a darkness plus a carried error (within -255..510), so its values fit
    // 16 bits and the sums 32: every character is scored at once, eight or four at a time.
    uint32_t pairs[matchPairCount];
    auto clamp16 = [](int32_t v) { return std::clamp(v, -32768, 32767); };
    for (int q = 0; q < matchPairCount; ++q)
        pairs[q] = pair_of(clamp16(cell[2 * q]), clamp16(cell[2 * q + 1]));
    return match_pairs(pairs, set);
}

double look_gamma(Look look) {
    return look == Look::photo ? photoGamma : shapeGamma;
}

void look_tone_curve(const uint8_t *samples, size_t count, int32_t meido, bool invert,
                     double gamma, uint8_t (&curve)[256]) {
    // Levels need the histogram's shape only: of a large grid, every eighth sample (which with
    // 18 a cell still visits half of each cell's places) is plenty, and an eighth of the time.
    const size_t step = count >= (size_t{1} << 16) ? 8 : 1;
    // Four counts in turn, so runs of one tone do not wait on the same counter.
    uint32_t part[4][256] = {};
    size_t i = 0, counted = 0;
    for (; i + 4 * step <= count; i += 4 * step, counted += 4)
        for (int k = 0; k < 4; ++k)
            ++part[k][samples[i + k * step]];
    for (; i < count; i += step, ++counted)
        ++part[0][samples[i]];
    uint64_t histogram[256];
    for (int v = 0; v < 256; ++v)
        histogram[invert ? 255 - v : v] =
            uint64_t{part[0][v]} + part[1][v] + part[2][v] + part[3][v];
    const uint64_t clip = counted * lookClipPerMille / 1000;
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

namespace {
const LookSet &look_set_cached(LookCache::Entry &c, const std::string &chars,
                               const GlyphInk *glyphs) {
    if (c.table != glyphs || c.chars != chars || c.set.chars.empty()) {
        look_set_make(c.set, chars, glyphs);
        c.table = glyphs;
        c.chars = chars;
    }
    return c.set;
}
} // namespace

void look_cells_pick(const LookSettings &look, const uint8_t *samples, int32_t cols,
                     int32_t rows, int perCell, int32_t meido, bool invert, std::string &chars,
                     std::vector<uint8_t> &greys, LookCache &cache) {
    const size_t cells = size_t(std::max(cols, 0)) * size_t(std::max(rows, 0));
    chars.assign(cells, ' ');
    greys.assign(cells, 255);
    if (cells == 0)
        return;
    const bool photo = look.look == Look::photo;
    uint8_t curve[256];
    look_tone_curve(samples, cells * perCell, meido, invert, look_gamma(look.look), curve);

    const bool shape = look.look != Look::standard && perCell == glyphSubCount;
    const int32_t flatSpread = photo ? photoFlatSpread : shapeFlatSpread;
    const std::string &quiet = look.chars.empty() ? std::string(lookToneChars) : look.chars;
    const GlyphInk *table = look_glyphs_of(look);
    const LookSet &toneSet = look_set_cached(cache.tone, quiet, table);
    const LookSet &shapeSet =
        shape ? look_set_cached(cache.shape,
                                look.chars.empty() ? std::string(look_shape_chars(look.target))
                                                   : look.chars,
                                table)
              : toneSet;

    // Floyd-Steinberg over the character grid, in sixteenths of a darkness step; two rows of
    // carried error. A solid black or white cell chooses a character of exactly its darkness,
    // so it carries nothing and solid areas stay solid.
    std::vector<int32_t> carry(size_t(cols) + 2, 0), next(size_t(cols) + 2, 0);
    cache.cellSet.assign(cells, 0);
    cache.cellIndex.assign(cells, 0);
    uint32_t cell[matchPairCount];
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
                lo = std::min(curve[least], curve[most]);
                hi = std::max(curve[least], curve[most]);
                // The mean is wanted for a tone character and for the carried error only.
                if (look.dither || !shape || hi - lo < flatSpread) {
                    int32_t parts[2] = {};
                    for (int i = 0; i < n; ++i)
                        parts[i & 1] += curve[s[i]];
                    sum = parts[0] + parts[1];
                }
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
                // The carried error stays within a darkness step either way: int16 holds it.
                for (int q = 0; q < matchPairCount; ++q)
                    cell[q] = pair_of(curve[s[2 * q]] + err, curve[s[2 * q + 1]] + err);
                set = &shapeSet;
                k = match_pairs(cell, shapeSet);
            } else {
                k = toneSet.toneIndex[std::clamp(want, 0, 255)];
            }
            chars[at] = set->chars[k];
            greys[at] = static_cast<uint8_t>(255 - set->darkness[k]);
            // Only the cells with a clear edge are refined: there the neighbours' ink across the
            // border shows; a softly textured cell of the photo look keeps its own best glyph.
            cache.cellSet[at] =
                set != &shapeSet || set == &toneSet ? 0 : hi - lo >= shapeFlatSpread ? 1 : 2;
            cache.cellIndex[at] = k;
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
    if (shape) {
        uint8_t linear[256];
        look_tone_curve(samples, cells * perCell, meido, invert, refineGamma, linear);
        look_cells_refine(samples, linear, cols, rows, toneSet, shapeSet, chars, greys, cache);
    }
}

namespace {

// The blur of the error (drawn ink - want, W x H sub-samples) over the grid and refineRadius
// beyond its edges, (W + 2 refineRadius) x (H + 2 refineRadius), across then down.
void refine_blur_grid(const std::vector<int32_t> &error, int32_t W, int32_t H,
                      std::vector<int32_t> &across, std::vector<int32_t> &blur) {
    constexpr int32_t R = refineRadius;
    const size_t wide = size_t(W) + 2 * R;
    across.assign(wide * size_t(H), 0);
    for (int32_t y = 0; y < H; ++y) {
        const int32_t *e = &error[size_t(y) * size_t(W)];
        int32_t *a = &across[size_t(y) * wide];
        // Output x has input x - R at the kernel's middle: input i goes to i .. i + 2R.
        for (int32_t i = 0; i < W; ++i)
            for (int k = 0; k <= 2 * R; ++k)
                a[i + k] += refineKernel[k] * e[i];
    }
    blur.assign(wide * (size_t(H) + 2 * R), 0);
    for (int32_t y = 0; y < H + 2 * R; ++y) {
        int32_t *b = &blur[size_t(y) * wide];
        for (int k = 0; k <= 2 * R; ++k) {
            const int32_t from = y - 2 * R + k;
            if (from < 0 || from >= H)
                continue;
            const int32_t *a = &across[size_t(from) * wide];
            for (size_t x = 0; x < wide; ++x)
                b[x] += refineKernel[k] * a[x];
        }
    }
}

void refine_error_make(const uint8_t *samples, const uint8_t *curve, int32_t cols, int32_t rows,
                       const LookSet *const *sets, const LookCache &cache, std::vector<int32_t> &error) {
    const int32_t W = cols * glyphSubCols;
    error.resize(size_t(W) * size_t(rows) * glyphSubRows);
    for (int32_t r = 0; r < rows; ++r)
        for (int32_t c = 0; c < cols; ++c) {
            const size_t at = size_t(r) * size_t(cols) + size_t(c);
            const int32_t *d =
                &sets[cache.cellSet[at]]->drawn[size_t(cache.cellIndex[at]) * glyphSubCount];
            const uint8_t *s = samples + at * glyphSubCount;
            for (int y = 0; y < glyphSubRows; ++y) {
                int32_t *e = &error[(size_t(r) * glyphSubRows + size_t(y)) * size_t(W) +
                                    size_t(c) * glyphSubCols];
                for (int x = 0; x < glyphSubCols; ++x) {
                    const uint8_t v = s[y * glyphSubCols + x];
                    e[x] = d[y * glyphSubCols + x] - (curve != nullptr ? curve[v] : v);
                }
            }
        }
}

} // namespace

int64_t look_refine_cost(const uint8_t *samples, const uint8_t *curve, int32_t cols, int32_t rows,
                         const LookSet &tone, const LookSet &shape, const LookCache &cache) {
    if (cols <= 0 || rows <= 0)
        return 0;
    const LookSet *sets[3] = {&tone, &shape, &shape};
    std::vector<int32_t> error, across, blur;
    refine_error_make(samples, curve, cols, rows, sets, cache, error);
    refine_blur_grid(error, cols * glyphSubCols, rows * glyphSubRows, across, blur);
    int64_t cost = 0;
    for (int32_t v : blur)
        cost += int64_t{v} * v;
    return cost;
}

int look_cells_refine(const uint8_t *samples, const uint8_t *curve, int32_t cols, int32_t rows,
                      const LookSet &tone, const LookSet &shape, std::string &chars,
                      std::vector<uint8_t> &greys, LookCache &cache) {
    if (cols <= 0 || rows <= 0 || !tone.refinable || !shape.refinable)
        return 0;
    const LookSet *sets[3] = {&tone, &shape, &shape};
    const int32_t W = cols * glyphSubCols, H = rows * glyphSubRows;
    const size_t wide = size_t(W) + 2 * refineRadius;
    refine_error_make(samples, curve, cols, rows, sets, cache, cache.error);
    refine_blur_grid(cache.error, W, H, cache.across, cache.blur);
    std::vector<int32_t> &blur = cache.blur;
    std::vector<uint8_t> &dirty = cache.dirty;
    dirty.assign(size_t(cols) * size_t(rows), 1);
    int changes = 0;
    for (int pass = 0; pass < refinePasses; ++pass) {
        int changed = 0;
        for (int32_t r = 0; r < rows; ++r)
            for (int32_t c = 0; c < cols; ++c) {
                const size_t at = size_t(r) * size_t(cols) + size_t(c);
                if (!dirty[at])
                    continue;
                dirty[at] = 0;
                if (cache.cellSet[at] != 1)
                    continue;
                const LookSet &set = *sets[cache.cellSet[at]];
                const int32_t a = cache.cellIndex[at];
                // The blur's window over the cell, refineBlurCols x refineBlurRows, and the
                // blur of it again on the cell: the cost's gradient there.
                int32_t *window = &blur[size_t(r) * glyphSubRows * wide + size_t(c) * glyphSubCols];
                int32_t across[refineBlurRows][glyphSubCols] = {};
                for (int y = 0; y < refineBlurRows; ++y) {
                    const int32_t *w = window + size_t(y) * wide;
                    for (int x = 0; x < glyphSubCols; ++x)
                        for (int k = 0; k <= 2 * refineRadius; ++k)
                            across[y][x] += refineKernel[k] * w[x + k];
                }
                uint32_t pairs[matchPairCount];
                int32_t toward[glyphSubCount];
                const int32_t *gink = &set.gink[size_t(a) * glyphSubCount];
                for (int y = 0; y < glyphSubRows; ++y)
                    for (int x = 0; x < glyphSubCols; ++x) {
                        const int i = y * glyphSubCols + x;
                        int32_t gradient = 0;
                        for (int k = 0; k <= 2 * refineRadius; ++k)
                            gradient += refineKernel[k] * across[y + k][x];
                        toward[i] = std::clamp((gink[i] - gradient) / refineScale, -16383, 16383);
                    }
                for (int q = 0; q < matchPairCount; ++q)
                    pairs[q] = pair_of(toward[2 * q], toward[2 * q + 1]);
                const int32_t b = set.byDarkness[match_at(pairs, set.refineBase.data(),
                                                          set.refinePairs.data(),
                                                          set.refineBase.size())];
                if (b == a)
                    continue;
                // The exact change of the cost, so that it never rises.
                int32_t blurred[refineBlurCount];
                for (int i = 0; i < refineBlurCount; ++i)
                    blurred[i] = set.blurred[size_t(b) * refineBlurCount + size_t(i)] -
                                 set.blurred[size_t(a) * refineBlurCount + size_t(i)];
                int64_t gain = 0;
                for (int y = 0; y < refineBlurRows; ++y)
                    for (int x = 0; x < refineBlurCols; ++x) {
                        const int64_t d = blurred[y * refineBlurCols + x];
                        gain += d * (2 * int64_t{window[size_t(y) * wide + size_t(x)]} + d);
                    }
                if (gain >= 0)
                    continue;
                for (int y = 0; y < refineBlurRows; ++y)
                    for (int x = 0; x < refineBlurCols; ++x)
                        window[size_t(y) * wide + size_t(x)] += blurred[y * refineBlurCols + x];
                cache.cellIndex[at] = b;
                chars[at] = set.chars[size_t(b)];
                greys[at] = uint8_t(255 - set.darkness[size_t(b)]);
                ++changed;
                for (int32_t nr = std::max(r - 1, 0); nr <= std::min(r + 1, rows - 1); ++nr)
                    for (int32_t nc = std::max(c - 1, 0); nc <= std::min(c + 1, cols - 1); ++nc)
                        dirty[size_t(nr) * size_t(cols) + size_t(nc)] = 1;
            }
        changes += changed;
        if (changed == 0)
            break;
    }
    return changes;
}

namespace {

// One character of a set with full-width characters: its ink per sub-sample on the set's
// darkness scale (glyphSubCount values, or wideSubCount for a full-width one).
struct WideEntry {
    std::string text;
    bool wide;
    int32_t darkness;
    std::vector<int32_t> ink;
    int64_t squares; // of ink
};

// The best entry of the wanted kind for a cell of Count darkness values; -1 when the set has
// none. The cost: the squared differences, |cell|^2 - 2 cell.ink + |ink|^2, plus the mean term
// as the narrow match has it; a flat cell by its mean alone, as a quiet tone. Only the dot
// product is per character (products within 4095 * 255, 36 of them: 32 bits hold the sum).
template <int Count>
int wide_best(const std::vector<WideEntry> &set, bool wide, const int32_t *cell, bool flat,
              int64_t &cost) {
    int64_t sum = 0, square = 0;
    for (int i = 0; i < Count; ++i) {
        sum += cell[i];
        square += int64_t{cell[i]} * cell[i];
    }
    const int64_t mean = (sum + Count / 2) / Count;
    int best = -1;
    for (size_t k = 0; k < set.size(); ++k) {
        const WideEntry &e = set[k];
        if (e.wide != wide)
            continue;
        int32_t dot = 0;
        if (!flat)
            for (int i = 0; i < Count; ++i)
                dot += cell[i] * e.ink[size_t(i)];
        const int64_t apart = mean - e.darkness;
        const int64_t c = (flat ? 0 : square - 2 * int64_t{dot} + e.squares) +
                          meanWeight * Count * apart * apart;
        if (best < 0 || c < cost) {
            best = int(k);
            cost = c;
        }
    }
    return best;
}

} // namespace

void look_cells_pick_wide(const LookSettings &look, const uint8_t *samples, int32_t cols,
                          int32_t rows, int32_t meido, bool invert, std::vector<std::string> &lines,
                          std::vector<uint8_t> &greys, LookCache &cache) {
    cols = std::max(cols, 0);
    rows = std::max(rows, 0);
    lines.assign(size_t(rows), std::string());
    greys.assign(size_t(cols) * size_t(rows), 255);
    if (cols == 0 || rows == 0)
        return;
    const bool photo = look.look == Look::photo;
    uint8_t curve[256];
    look_tone_curve(samples, size_t(cols) * size_t(rows) * glyphSubCount, meido, invert,
                    look_gamma(look.look), curve);
    const int32_t flatSpread = photo ? photoFlatSpread : shapeFlatSpread;
    const GlyphInk *table = look_glyphs_of(look);

    // The set, its darkness per sub-sample stretched so the darkest is 255, as look_set_make does.
    const std::string chars = look.chars.empty() ? std::string(lookWideChars) : look.chars;
    std::vector<WideEntry> set;
    std::vector<const uint8_t *> raw;
    for (size_t i = 0, length = 0; i < chars.size(); i += length) {
        const uint32_t code = utf8_decode(chars, i, length);
        const std::string text = chars.substr(i, length);
        const bool ascii = code >= uint32_t(glyphFirst) && code < uint32_t(glyphFirst + glyphCount);
        const WideGlyphInk *w = ascii ? nullptr : wide_glyph(code);
        if ((!ascii && w == nullptr) ||
            std::any_of(set.begin(), set.end(), [&](const WideEntry &e) { return e.text == text; }))
            continue;
        set.push_back({text, !ascii, 0, {}, 0});
        raw.push_back(ascii ? table[code - glyphFirst].ink : w->ink);
    }
    if (set.empty()) {
        set.push_back({" ", false, 0, {}, 0});
        raw.push_back(table[0].ink);
    }
    // Means in 1/wideSubCount of a sub-sample's ink, for both kinds alike.
    std::vector<int32_t> mean(set.size());
    for (size_t k = 0; k < set.size(); ++k) {
        const int n = set[k].wide ? wideSubCount : glyphSubCount;
        int32_t sum = 0;
        for (int i = 0; i < n; ++i)
            sum += raw[k][i];
        mean[k] = set[k].wide ? sum : 2 * sum;
    }
    const int32_t lo = *std::min_element(mean.begin(), mean.end());
    const int32_t range = std::max(*std::max_element(mean.begin(), mean.end()) - lo, 1);
    bool hasWide = false, hasHalf = false;
    for (size_t k = 0; k < set.size(); ++k) {
        const int n = set[k].wide ? wideSubCount : glyphSubCount;
        set[k].darkness = (mean[k] - lo) * 255 / range;
        for (int i = 0; i < n; ++i) {
            set[k].ink.push_back(std::clamp(
                (int32_t{raw[k][i]} * wideSubCount - lo) * 255 / range, -inkLimit, inkLimit));
            set[k].squares += int64_t{set[k].ink.back()} * set[k].ink.back();
        }
        (set[k].wide ? hasWide : hasHalf) = true;
    }
    const LookSet &toneSet = look_set_cached(cache.tone, lookToneChars, table);

    for (int32_t r = 0; r < rows; ++r) {
        std::string &line = lines[size_t(r)];
        for (int32_t c = 0; c < cols;) {
            const size_t at = size_t(r) * size_t(cols) + size_t(c);
            // Two cells side by side, row by row: wideSubCols values a row.
            const int span = c + 1 < cols ? 2 : 1;
            int32_t cell[wideSubCount], half[2][glyphSubCount];
            int32_t lo2 = 255, hi2 = 0;
            for (int k = 0; k < span; ++k)
                for (int i = 0; i < glyphSubCount; ++i) {
                    const int32_t v = curve[samples[(at + size_t(k)) * glyphSubCount + size_t(i)]];
                    half[k][i] = v;
                    cell[(i / glyphSubCols) * wideSubCols + k * glyphSubCols + i % glyphSubCols] = v;
                    lo2 = std::min(lo2, v);
                    hi2 = std::max(hi2, v);
                }
            const bool flat = hi2 - lo2 < flatSpread;
            int64_t wideCost = INT64_MAX, halfCost[2] = {0, 0};
            const int w = span == 2 ? wide_best<wideSubCount>(set, true, cell, flat, wideCost) : -1;
            int h[2] = {-1, -1};
            for (int k = 0; k < span && hasHalf; ++k)
                h[k] = wide_best<glyphSubCount>(set, false, half[k], flat, halfCost[k]);
            if (w >= 0 && (!hasHalf || wideCost <= halfCost[0] + halfCost[1])) {
                line += set[size_t(w)].text;
                greys[at] = greys[at + 1] = uint8_t(255 - set[size_t(w)].darkness);
                c += 2;
                continue;
            }
            for (int k = 0; k < span && (hasHalf || k == 0); ++k) {
                if (h[k] >= 0) {
                    line += set[size_t(h[k])].text;
                    greys[at + size_t(k)] = uint8_t(255 - set[size_t(h[k])].darkness);
                } else { // an odd last cell of a set without half-width characters
                    int32_t sum = 0;
                    for (int32_t v : half[k])
                        sum += v;
                    const int32_t t = toneSet.toneIndex[std::clamp(sum / glyphSubCount, 0, 255)];
                    line += toneSet.chars[size_t(t)];
                    greys[at + size_t(k)] = uint8_t(255 - toneSet.darkness[size_t(t)]);
                }
                ++c;
            }
        }
    }
}
