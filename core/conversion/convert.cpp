#include "core/conversion/convert.h"

#include <algorithm>
#include <new>
#include <type_traits>
#include <utility>
#include <vector>

#include "core/conversion/board.h"
#include "core/conversion/conversion.h"
#include "core/conversion/geometry.h"
#include "core/conversion/look.h"
#include "core/conversion/settings.h"
#include "core/conversion/surface.h"
#include "core/conversion/trace.h"
#include "core/common/cp932.h"
#include "core/common/utf8.h"

// Darkest first; entry 13 is a faint tint rather than a grey, and the space is above any sum.
const RampEntry ramp[rampSize] = {
    {50, 0, 0, 0, "$"},        {100, 10, 10, 10, "&"},    {150, 20, 20, 20, "%"},
    {200, 40, 40, 40, "#"},    {250, 60, 60, 60, "*"},    {300, 80, 80, 80, "?"},
    {350, 100, 100, 100, "+"}, {400, 120, 120, 120, "/"}, {450, 140, 140, 140, "!"},
    {500, 160, 160, 160, ";"}, {550, 180, 180, 180, ":"}, {600, 200, 200, 200, "-"},
    {650, 220, 220, 220, ","}, {700, 255, 240, 240, "."}, {1270, 255, 255, 255, " "},
};

namespace {
constexpr int32_t previewEdge = 15; // the squeezed preview's left (vertical) or top (horizontal)
constexpr int32_t reduceFactor = 3; // the reduced copy is a third of the source

// The squeezed preview's place on the canvas; a cell outside the canvas reads white.
struct Grid {
    int64_t left, top;
    int32_t width, height; // the canvas's
    bool inside(int64_t x, int64_t y) const {
        return x >= 0 && y >= 0 && x < width && y < height;
    }
};

Grid grid_now(const Conversion &c) {
    const bool vertical = c.settings.Position != 0;
    return {vertical ? previewEdge : c.mapX, vertical ? c.mapY : previewEdge, c.canvas.width,
            c.canvas.height};
}

int32_t clip_coordinate(bool inside, int64_t v) {
    return static_cast<int32_t>(inside ? v : -1);
}

void feedback_tell(const Conversion &c, const Grid &g) {
    const int64_t x0 = std::max<int64_t>(g.left, 0), y0 = std::max<int64_t>(g.top, 0);
    const int64_t x1 = std::min<int64_t>(g.left + c.mapCols, c.canvas.width);
    const int64_t y1 = std::min<int64_t>(g.top + c.mapRows, c.canvas.height);
    if (c.canvasChanged != nullptr && x0 < x1 && y0 < y1)
        c.canvasChanged(static_cast<int32_t>(x0), static_cast<int32_t>(y0),
                      static_cast<int32_t>(x1 - x0), static_cast<int32_t>(y1 - y0));
}

// The standard ramp with error diffusion: each entry stands for the sum of its feedback grey,
// so solid black ("$", 0) and solid white (the space, 765) carry no error.
void ramp_dither(Conversion &c, std::string &out, const Grid &g, int64_t offset) {
    std::vector<int64_t> carry(size_t(c.mapCols) + 2, 0), next(size_t(c.mapCols) + 2, 0);
    for (int64_t i = 0; i < c.mapRows; ++i) {
        std::fill(next.begin(), next.end(), 0);
        for (int64_t j = 0; j < c.mapCols; ++j) {
            const int64_t x = g.left + j, y = g.top + i;
            const bool in = g.inside(x, y);
            const Rgb px = surface_get(c.canvas, clip_coordinate(in, x), clip_coordinate(in, y));
            const int64_t want = px.r + px.g + px.b + carry[j + 1] / 16;
            const int k = ramp_pick(static_cast<int32_t>(std::clamp<int64_t>(want, -1, 766)), offset);
            const RampEntry &entry = ramp[k];
            const int64_t e = (std::clamp<int64_t>(want + offset, 0, 765) -
                               (entry.r + entry.g + entry.b)) * 16;
            carry[j + 2] += e * 7 / 16;
            next[j] += e * 3 / 16;
            next[j + 1] += e * 5 / 16;
            next[j + 2] += e / 16;
            out += entry.text;
            surface_set(c.canvas, clip_coordinate(in, x), clip_coordinate(in, y),
                        Rgb{entry.r, entry.g, entry.b});
        }
        out += "\r\n";
        std::swap(carry, next);
    }
}

// False without memory for the plane.
bool luma_plane_of(LumaPlane &l, const Surface &from, int32_t sw, int32_t sh) {
    if (l.bits == from.bits && l.generation == from.generation && l.width == sw &&
        l.height == sh && !l.luma.empty())
        return true;
    l.bits = nullptr;
    try {
        l.luma.resize(size_t(sw) * size_t(sh));
    } catch (const std::bad_alloc &) {
        l.luma.clear();
        l.luma.shrink_to_fit();
        return false;
    }
    for (int32_t y = 0; y < sh; ++y) {
        uint8_t *out = l.luma.data() + size_t(y) * sw;
        const int32_t inside =
            y < from.height && !surface_row_blank(from, y) ? std::min(sw, from.width) : 0;
        const uint8_t *p = from.bits + size_t(y) * from.stride;
        for (int32_t x = 0; x < inside; ++x, p += 3)
            out[x] = static_cast<uint8_t>(look_luma(p[2], p[1], p[0]));
        std::fill(out + inside, out + sw, uint8_t{255});
    }
    l = LumaPlane{from.bits, from.generation, sw, sh, std::move(l.luma)};
    return true;
}

// The luminance plane of the surface the looks read (the source, or the reduced copy), sw x sh;
// nullptr without a picture or without memory.
const uint8_t *picture_plane(Conversion &c, int32_t &sw, int32_t &sh) {
    const bool fromSource = map_geometry_reads_source(c.bmpWidth);
    const Surface &from = fromSource ? c.sourceSurface : c.reducedCopy;
    sw = fromSource ? c.bmpWidth : c.bmpWidth / reduceFactor;
    sh = fromSource ? c.bmpHeight : c.bmpHeight / reduceFactor;
    if (sw > 0 && sh > 0 && from.bits != nullptr && luma_plane_of(c.lumaPlane, from, sw, sh))
        return c.lumaPlane.luma.data();
    return nullptr;
}

// Each cell's sub-samples for the shape look: box averages of the luminance plane, straight into
// the cells, so the window and vkd read the same pixels. Without a picture (or without memory)
// each cell repeats its preview pixel.
void shape_samples(Conversion &c, const Grid &g, std::vector<uint8_t> &samples) {
    const size_t cells = size_t(c.mapCols) * size_t(c.mapRows);
    samples.resize(cells * glyphSubCount); // every sample is written below
    const int64_t w = int64_t{c.mapCols} * glyphSubCols, h = int64_t{c.mapRows} * glyphSubRows;
    int32_t sw = 0, sh = 0;
    const uint8_t *plane = w > 0 && h > 0 ? picture_plane(c, sw, sh) : nullptr;
    if (plane != nullptr) {
        const std::vector<int32_t> xs = sample_spans(sw, w), ys = sample_spans(sh, h);
        int64_t widest = 1;
        for (int64_t x = 0; x < w; ++x)
            widest = std::max<int64_t>(widest, xs[size_t(x) * 2 + 1] - xs[size_t(x) * 2]);
        std::vector<uint32_t> sums(static_cast<size_t>(sw) + 4, 0); // padded for the fixed taps
        std::vector<uint64_t> reciprocal;
        for (int64_t y = 0; y < h; ++y) {
            const int32_t r0 = ys[size_t(y) * 2], r1 = ys[size_t(y) * 2 + 1];
            const uint32_t tall = uint32_t(r1 - r0);
            uint32_t *sum = sums.data();
            uint8_t *out = samples.data() + size_t(y / glyphSubRows) * c.mapCols * glyphSubCount +
                           size_t(y % glyphSubRows) * glyphSubCols;
            const int32_t *span = xs.data();
            if (tall == 1 && widest <= 2) {
                // The common case of a wide text picture: a sub-sample is one or two pixels of
                // one row, and the rounded mean of two is (a + b + 1) / 2.
                // A single pixel is its own pair: (2a + 1) / 2 is a.
                const uint8_t *row = plane + size_t(r0) * sw;
                for (int64_t col = 0; col < c.mapCols; ++col, out += glyphSubCount)
                    for (int k = 0; k < glyphSubCols; ++k, span += 2)
                        out[k] = static_cast<uint8_t>(
                            (row[span[0]] + row[span[1] - 1] + 1u) >> 1);
                continue;
            }
            if (tall == 1) { // most rows: one source row
                const uint8_t *row = plane + size_t(r0) * sw;
                for (int32_t x = 0; x < sw; ++x)
                    sum[x] = row[x];
            } else {
                std::fill_n(sum, sw, 0u);
                for (int32_t r = r0; r < r1; ++r) {
                    const uint8_t *row = plane + size_t(r) * sw;
                    for (int32_t x = 0; x < sw; ++x)
                        sum[x] += row[x];
                }
            }
            const bool multiply = int64_t{tall} * widest < (int64_t{1} << 16);
            // floor(n / a) as a multiply: with m = floor(2^40 / a) + 1 it is exact for the
            // sums here (at most 255.5 a) while a < 2^16.
            if (multiply && reciprocal.size() <= size_t(tall) * size_t(widest)) {
                reciprocal.resize(size_t(tall) * size_t(widest) + 1);
                for (size_t a = 1; a < reciprocal.size(); ++a)
                    reciprocal[a] = (uint64_t{1} << 40) / a + 1;
            }
            // A span's taps as a fixed count (masked), not a loop that branches on each width.
            auto row_out = [&](auto taps) {
                constexpr int fixed = decltype(taps)::value;
                for (int64_t col = 0; col < c.mapCols; ++col, out += glyphSubCount)
                    for (int k = 0; k < glyphSubCols; ++k, span += 2) {
                        const int32_t first = span[0], width = span[1] - span[0];
                        uint64_t n = 0;
                        for (int32_t i = 0; i < (fixed > 0 ? fixed : width); ++i)
                            n += i < width ? sum[first + i] : 0;
                        const uint64_t a = uint64_t(width) * tall;
                        n += a / 2;
                        out[k] = static_cast<uint8_t>(multiply ? (n * reciprocal[a]) >> 40
                                                               : n / a);
                    }
            };
            if (widest == 1)
                row_out(std::integral_constant<int, 1>());
            else if (widest == 2)
                row_out(std::integral_constant<int, 2>());
            else if (widest <= 4)
                row_out(std::integral_constant<int, 4>());
            else
                row_out(std::integral_constant<int, 0>());
        }
        return;
    }
    for (int64_t i = 0; i < c.mapRows; ++i)
        for (int64_t j = 0; j < c.mapCols; ++j) {
            const int64_t x = g.left + j, y = g.top + i;
            const bool in = g.inside(x, y);
            const Rgb px = surface_get(c.canvas, clip_coordinate(in, x), clip_coordinate(in, y));
            std::fill_n(&samples[(size_t(i) * c.mapCols + j) * glyphSubCount], glyphSubCount,
                        static_cast<uint8_t>(look_luma(px.r, px.g, px.b)));
        }
}

// The trace look's cells: the sub-samples, seen as one raster mapCols x 3 by mapRows x 6, through
// the looks' tone curve (the picture's levels, the brightness, the inversion: what is dark to
// the other looks is dark to the trace), turned into their edges, as luminance (the lines black
// on white).
void trace_samples(const Conversion &c, std::vector<uint8_t> &samples, bool invert) {
    const int32_t w = c.mapCols * glyphSubCols, h = c.mapRows * glyphSubRows;
    std::vector<uint8_t> raster(samples.size()), edges;
    uint8_t curve[256];
    look_tone_curve(samples.data(), samples.size(), c.settings.Meido, invert,
                    look_gamma(Look::trace), curve);
    auto at = [&](int32_t x, int32_t y) {
        return (size_t(y / glyphSubRows) * c.mapCols + x / glyphSubCols) * glyphSubCount +
               size_t(y % glyphSubRows) * glyphSubCols + x % glyphSubCols;
    };
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            raster[size_t(y) * w + x] = static_cast<uint8_t>(255 - curve[samples[at(x, y)]]);
    trace_edges(raster.data(), w, h, edges, TraceScale{8.0 / glyphSubCols, 16.0 / glyphSubRows});
    for (int32_t y = 0; y < h; ++y)
        for (int32_t x = 0; x < w; ++x)
            samples[at(x, y)] = static_cast<uint8_t>(255 - edges[size_t(y) * w + x]);
}

// Blank cells (no edge in any sub-sample) as spaces: a half-width character's cell as U+0020, a
// full-width character's two as U+3000.
void trace_background_clear(const Conversion &c, const std::vector<uint8_t> &samples, bool wide,
                            std::string &chars, std::vector<std::string> &lines,
                            std::vector<uint8_t> &greys) {
    auto blank = [&](size_t cell) {
        return std::all_of(&samples[cell * glyphSubCount], &samples[(cell + 1) * glyphSubCount],
                           [](uint8_t v) { return v == 255; });
    };
    if (!wide) {
        for (size_t k = 0; k < chars.size(); ++k)
            if (blank(k)) {
                chars[k] = ' ';
                greys[k] = 255;
            }
        return;
    }
    for (size_t i = 0; i < lines.size(); ++i) {
        std::string cleared;
        size_t cell = i * size_t(c.mapCols);
        for (size_t at = 0, length = 0; at < lines[i].size(); at += length) {
            utf8_decode(lines[i], at, length);
            const bool two = length > 1;
            if (blank(cell) && (!two || blank(cell + 1))) {
                cleared += two ? "\u3000" : " ";
                greys[cell] = 255;
                if (two)
                    greys[cell + 1] = 255;
            } else {
                cleared.append(lines[i], at, length);
            }
            cell += two ? 2 : 1;
        }
        lines[i] = std::move(cleared);
    }
}

// The board target: the picture laid out in the proportional board font, mapCols x 8 pixels
// wide, from the luminance plane the looks sample (without a picture, from the squeezed
// preview). The canvas keeps the squeezed preview: a line of proportional text has no cells to
// paint.
void board_convert(Conversion &c, std::string &out, const Grid &g, const LookSettings &look,
                   bool invert) {
    std::vector<uint8_t> preview;
    int32_t pw = 0, ph = 0;
    const uint8_t *plane = picture_plane(c, pw, ph);
    if (plane == nullptr) {
        pw = c.mapCols;
        ph = c.mapRows;
        preview.resize(size_t(pw) * size_t(ph));
        for (int32_t i = 0; i < ph; ++i)
            for (int32_t j = 0; j < pw; ++j) {
                const int64_t x = g.left + j, y = g.top + i;
                const bool in = g.inside(x, y);
                const Rgb px =
                    surface_get(c.canvas, clip_coordinate(in, x), clip_coordinate(in, y));
                preview[size_t(i) * pw + j] = static_cast<uint8_t>(look_luma(px.r, px.g, px.b));
            }
        plane = preview.data();
    }
    uint8_t curve[256];
    look_tone_curve(plane, size_t(pw) * size_t(ph), c.settings.Meido, invert,
                    look_gamma(look.look), curve);
    BoardSet set;
    std::string unknown;
    if (!board_set_make(set, look.chars, unknown)) // vkd and the window check the list first
        board_set_make(set, "", unknown);
    out = board_text(plane, pw, ph, c.mapCols * boardColumnPixels,
                     board_line_count(c.previewHeight, c.settings.Hiritu), curve, set,
                     look.look == Look::trace);
}

void look_convert(Conversion &c, std::string &out, const Grid &g, const LookSettings &look,
                  bool invert) {
    std::vector<uint8_t> &samples = c.lookSamples; // kept between conversions
    shape_samples(c, g, samples); // both looks read each cell as sub-samples
    const bool traced = look.look == Look::trace;
    if (traced) {
        trace_samples(c, samples, invert);
        invert = false; // the lines are ink however the picture was read
    }
    std::string chars;
    std::vector<std::string> lines; // with full-width characters, a line is no longer mapCols bytes
    std::vector<uint8_t> greys;
    const bool wide = look_chars_wide(look);
    if (wide)
        look_cells_pick_wide(look, samples.data(), c.mapCols, c.mapRows, c.settings.Meido, invert,
                             lines, greys, c.lookCache);
    else
        look_cells_pick(look, samples.data(), c.mapCols, c.mapRows, glyphSubCount,
                        c.settings.Meido, invert, chars, greys, c.lookCache);
    // The trace look's background stays empty: the tone's error carried into a blank cell, or
    // a list without a space, would fill it.
    if (traced)
        trace_background_clear(c, samples, wide, chars, lines, greys);
    for (int64_t i = 0; i < c.mapRows; ++i) {
        if (wide)
            out += lines[size_t(i)];
        else
            out.append(chars, size_t(i) * c.mapCols, size_t(c.mapCols));
        out += "\r\n";
        // The feedback row straight into the canvas (the part of it on the canvas).
        const int64_t y = g.top + i;
        const int64_t j0 = std::max<int64_t>(0, -g.left);
        const int64_t j1 = std::min<int64_t>(c.mapCols, int64_t{c.canvas.width} - g.left);
        if (c.canvas.bits == nullptr || y < 0 || y >= c.canvas.height || j0 >= j1)
            continue;
        surface_rows_prepare(c.canvas, static_cast<int32_t>(y), static_cast<int32_t>(y + 1));
        ++c.canvas.generation;
        uint8_t *p = c.canvas.bits + size_t(y) * c.canvas.stride + size_t(g.left + j0) * 3;
        const uint8_t *grey = greys.data() + size_t(i) * c.mapCols;
        for (int64_t j = j0; j < j1; ++j, p += 3)
            p[0] = p[1] = p[2] = grey[j];
    }
}

} // namespace

int ramp_pick(int32_t sum, int64_t offset) {
    for (int k = 0; k < rampSize; ++k)
        if (sum < ramp[k].threshold - offset)
            return k;
    // Only a Meido above 100 gets here; the lightest entry keeps every line mapCols long.
    return rampSize - 1;
}

int64_t text_convert_offset(int32_t meido) {
    return (int64_t{meido} - 50) * 10;
}

int32_t text_line_count(const Conversion &c, const LookSettings &look) {
    if (look.look != Look::standard && look.target == Target::board)
        return board_line_count(c.previewHeight, c.settings.Hiritu);
    return c.mapRows;
}

bool text_convert_fits(const Conversion &c) {
    if (c.mapCols < 0 || c.mapRows < 0)
        return true; // nothing to convert: the text is empty
    // The line length is mapCols; Mojisu differs from it only outside modes 1 and 2, and then
    // the text must still fit the limit.
    const int64_t rows = c.mapRows;
    return (int64_t{c.settings.Mojisu} + 2) * rows <= textLimit &&
           (int64_t{c.mapCols} + 2) * rows <= textLimit;
}

bool board_text_fits(const std::string &utf8) {
    return utf8_prefix_cp932_length(utf8, utf8.size(), textLimit) == utf8.size();
}

ConvertOutcome text_convert(Conversion &c, std::string &text) {
    return text_convert_look(c, text, c.lookSettings, false);
}

ConvertOutcome text_convert_look(Conversion &c, std::string &text, const LookSettings &look,
                                 bool invert) {
    const bool board = look.look != Look::standard && look.target == Target::board;
    if (!board && !text_convert_fits(c))
        return ConvertOutcome::tooLarge;
    if (c.mapCols < 0 || c.mapRows < 0) { // only from a hand-edited settings file
        text.clear();
        return ConvertOutcome::converted;
    }
    std::string out;
    if (!board)
        out.reserve(static_cast<size_t>(c.mapCols + 2) * static_cast<size_t>(c.mapRows));
    const int64_t offset = text_convert_offset(c.settings.Meido);
    const Grid g = grid_now(c);

    if (board) {
        board_convert(c, out, g, look, invert);
        if (!board_text_fits(out))
            return ConvertOutcome::tooLarge;
    } else if (look.look != Look::standard) {
        look_convert(c, out, g, look, invert);
    } else if (look.dither) {
        ramp_dither(c, out, g, offset);
    } else {
        for (int64_t i = 0; i < c.mapRows; ++i) {
            const int64_t y = g.top + i;
            for (int64_t j = 0; j < c.mapCols; ++j) {
                const int64_t x = g.left + j;
                const bool in = g.inside(x, y);
                const auto cx = clip_coordinate(in, x), cy = clip_coordinate(in, y);
                const Rgb px = surface_get(c.canvas, cx, cy); // white outside
                const RampEntry &entry = ramp[ramp_pick(px.r + px.g + px.b, offset)];
                out += entry.text;
                surface_set(c.canvas, cx, cy, Rgb{entry.r, entry.g, entry.b});
            }
            out += "\r\n";
        }
    }
    feedback_tell(c, g);
    text = std::move(out);
    return ConvertOutcome::converted;
}

void text_invert(std::string &text) {
    char mirror[256];
    for (int c = 0; c < 256; ++c)
        mirror[c] = static_cast<char>(c);
    for (int k = 0; k < rampSize; ++k)
        mirror[static_cast<unsigned char>(ramp[k].text[0])] = ramp[rampSize - 1 - k].text[0];
    for (char &c : text)
        c = mirror[static_cast<unsigned char>(c)];
}

const char *text_convert_too_large_message() {
    return "ヴェルコランのサイズが大きすぎて変換できません。\n比率か横幅を変更して下さい。";
}

const char *text_convert_failed_message() {
    return "変換に失敗しました。";
}
