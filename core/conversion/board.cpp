#include "core/conversion/board.h"

#include <algorithm>
#include <climits>

#include "core/conversion/scale.h"
#include "core/conversion/trace.h"
#include "core/common/utf8.h"

const char boardDefaultChars[] = " .,:;'`|/_-^~=!()<>[]ilrtjxvcoaenmwWM"
                                 "\u3000ー＿￣／＼｜丶ヽノ、。・ｨｧﾉｿﾍｲ";

namespace {

constexpr int32_t bands = boardInkBands / 2; // matched in bands of 6 rows: top, middle, bottom

// A glyph as the match sees it: its ink merged to `bands` and blurred across.
struct Seen {
    int32_t glyph, width;
    bool halfSpace;
    std::vector<int32_t> ink;    // width x bands
    int64_t square;              // sum of ink squared
    std::vector<bool> inked;     // the columns with ink
};

std::vector<std::string> characters_of(const std::string &text) {
    std::vector<std::string> out;
    for (size_t i = 0, n = 0; i < text.size(); i += n) {
        utf8_decode(text, i, n);
        out.push_back(text.substr(i, n));
    }
    return out;
}

} // namespace

int board_glyph_find(const std::string &character) {
    for (size_t k = 0; k < boardGlyphCount; ++k)
        if (character == boardGlyphs[k].text)
            return static_cast<int>(k);
    return -1;
}

int32_t board_line_width(const std::string &line) {
    int32_t width = 0;
    for (const std::string &c : characters_of(line)) {
        const int k = board_glyph_find(c);
        if (k < 0)
            return -1;
        width += boardGlyphs[k].width;
    }
    return width;
}

bool board_set_make(BoardSet &set, const std::string &chars, std::string &unknown) {
    set = BoardSet{};
    unknown.clear();
    for (const std::string &c : characters_of(chars.empty() ? boardDefaultChars : chars)) {
        const int k = board_glyph_find(c);
        if (k < 0) {
            unknown = c;
            return false;
        }
        if (std::find(set.glyphs.begin(), set.glyphs.end(), k) != set.glyphs.end())
            continue;
        set.glyphs.push_back(k);
        if (c == " ")
            set.halfSpace = k;
        const BoardGlyph &g = boardGlyphs[k];
        int64_t sum = 0;
        for (int32_t i = 0; i < g.width * boardInkBands; ++i)
            sum += g.ink[i];
        set.darkest = std::max<int32_t>(set.darkest, static_cast<int32_t>(
                                                         sum / (int64_t{g.width} * boardInkBands)));
    }
    set.black = set.darkest;
    return !set.glyphs.empty();
}

std::string board_line_layout(const uint8_t *darkness, int32_t width, const BoardSet &set) {
    if (width <= 0 || set.glyphs.empty())
        return std::string();
    // The strip on the glyphs' scale (both scaled by 255), white past its end, blurred [1 1 1]
    // across as a glyph's ink is.
    const int32_t span = width + boardOverhang;
    auto strip = [&](int32_t x, int32_t b) {
        if (x < 0 || x >= width)
            return 0;
        const uint8_t *d = darkness + size_t(x) * boardInkBands + 2 * b;
        return (d[0] + d[1]) * set.black / 2;
    };
    std::vector<int32_t> seen(size_t(span) * bands, 0);
    for (int32_t x = 0; x < span; ++x)
        for (int32_t b = 0; b < bands; ++b)
            seen[size_t(x) * bands + b] = strip(x - 1, b) + strip(x, b) + strip(x + 1, b);
    // A glyph is blurred the same way with white on either side, and compared over its own
    // columns, so the costs of the glyphs of a line add up to the line's.
    std::vector<Seen> glyphs;
    for (int32_t k : set.glyphs) {
        const BoardGlyph &g = boardGlyphs[k];
        Seen s{k, g.width, k == set.halfSpace, std::vector<int32_t>(size_t(g.width) * bands), 0,
               std::vector<bool>(size_t(g.width), false)};
        auto ink = [&](int32_t c, int32_t b) {
            return c < 0 || c >= g.width ? 0
                                         : (g.ink[c * boardInkBands + 2 * b] +
                                            g.ink[c * boardInkBands + 2 * b + 1]) * 255 / 2;
        };
        for (int32_t c = 0; c < g.width; ++c)
            for (int32_t b = 0; b < bands; ++b) {
                const int32_t v = ink(c - 1, b) + ink(c, b) + ink(c + 1, b);
                s.ink[size_t(c) * bands + b] = v;
                s.square += int64_t{v} * v;
                if (v > 0)
                    s.inked[size_t(c)] = true;
            }
        glyphs.push_back(std::move(s));
    }
    // The strip's squares summed from the left: the cost of leaving columns white.
    std::vector<int64_t> squares(size_t(span) + 1, 0);
    std::vector<uint8_t> blank(size_t(span), 0);
    for (int32_t x = 0; x < span; ++x) {
        int64_t q = 0;
        for (int32_t b = 0; b < bands; ++b)
            q += int64_t{seen[size_t(x) * bands + b]} * seen[size_t(x) * bands + b];
        squares[size_t(x) + 1] = squares[size_t(x)] + q;
        blank[size_t(x)] = q == 0;
    }
    // cost[x][h]: the best line up to pixel x; h = 1 when a half-width space may not come next
    // (at the start of the line and after one).
    const int32_t last = span;
    struct Step {
        int64_t cost = LLONG_MAX;
        int32_t from = -1, glyph = -1, fromState = 0;
    };
    std::vector<Step> best(size_t(last + 1) * 2);
    best[1].cost = 0;
    for (int32_t x = 0; x <= last; ++x) {
        const Step &open = best[size_t(x) * 2], &closed = best[size_t(x) * 2 + 1];
        if (open.cost == LLONG_MAX && closed.cost == LLONG_MAX)
            continue;
        for (const Seen &s : glyphs) {
            const int32_t end = x + s.width;
            if (end > last)
                continue;
            // sum (a - b)^2 = sum a^2 - 2 sum ab + sum b^2 over the glyph's columns.
            int64_t dot = 0;
            const int32_t *p = seen.data() + size_t(x) * bands;
            for (size_t i = 0; i < s.ink.size(); ++i)
                dot += int64_t{p[i]} * s.ink[i];
            int64_t cost = squares[size_t(end)] - squares[size_t(x)] - 2 * dot + s.square;
            if (set.emptyBackground) {
                // A glyph inked only where the picture is blank is a dot placed to nudge the
                // next one into place: never, on an empty background.
                bool inkOnPicture = s.square == 0;
                for (int32_t c = 0; c < s.width && !inkOnPicture; ++c)
                    inkOnPicture = !blank[size_t(x + c)] && s.inked[size_t(c)];
                if (!inkOnPicture)
                    continue;
            }
            for (int h = 0; h < 2; ++h) {
                const Step &from = h == 0 ? open : closed;
                if (from.cost == LLONG_MAX || (s.halfSpace && h == 1))
                    continue;
                Step &to = best[size_t(end) * 2 + (s.halfSpace ? 1 : 0)];
                if (from.cost + cost < to.cost)
                    to = Step{from.cost + cost, x, s.glyph, h};
            }
        }
    }
    // Ends anywhere up to the overhang; the picture past the end is left white.
    int64_t total = LLONG_MAX;
    int32_t endX = 0, endState = 1;
    for (int32_t x = 0; x <= last; ++x)
        for (int h = 0; h < 2; ++h) {
            const Step &s = best[size_t(x) * 2 + h];
            if (s.cost == LLONG_MAX)
                continue;
            const int64_t rest = squares[size_t(span)] - squares[size_t(x)];
            if (s.cost + rest < total) {
                total = s.cost + rest;
                endX = x;
                endState = h;
            }
        }
    std::vector<int32_t> chosen;
    for (int32_t x = endX, h = endState; x > 0;) {
        const Step &s = best[size_t(x) * 2 + h];
        chosen.push_back(s.glyph);
        x = s.from;
        h = s.fromState;
    }
    std::string line;
    for (auto k = chosen.rbegin(); k != chosen.rend(); ++k)
        line += boardGlyphs[*k].text;
    // Trailing spaces of either width draw nothing.
    while (true) {
        if (!line.empty() && line.back() == ' ')
            line.pop_back();
        else if (line.size() >= 3 && line.compare(line.size() - 3, 3, "\u3000") == 0)
            line.resize(line.size() - 3);
        else
            break;
    }
    return line;
}

int32_t board_line_count(int64_t previewHeight, int32_t hiritu) {
    if (previewHeight <= 0 || hiritu <= 0)
        return 0;
    // previewHeight x 8 pixels of a column, x hiritu / 50, over the 18-pixel pitch.
    return static_cast<int32_t>(std::min<int64_t>(
        previewHeight * boardColumnPixels * hiritu / (50 * boardLinePitch), INT32_MAX));
}

std::string board_text(const uint8_t *luma, int32_t sw, int32_t sh, int32_t width, int32_t lines,
                       const uint8_t (&curve)[256], BoardSet set, bool trace) {
    std::string out;
    if (luma == nullptr || sw <= 0 || sh <= 0 || width <= 0 || lines <= 0)
        return out;
    const int64_t rows = int64_t{lines} * boardInkBands;
    const std::vector<int32_t> xs = sample_spans(sw, width), ys = sample_spans(sh, rows);
    std::vector<uint8_t> grid(size_t(width) * size_t(rows)); // luminance, row by row
    std::vector<uint32_t> sum(static_cast<size_t>(sw));
    for (int64_t y = 0; y < rows; ++y) {
        const int32_t r0 = ys[size_t(y) * 2], r1 = ys[size_t(y) * 2 + 1];
        std::fill(sum.begin(), sum.end(), 0u);
        for (int32_t r = r0; r < r1; ++r)
            for (int32_t x = 0; x < sw; ++x)
                sum[size_t(x)] += luma[size_t(r) * sw + x];
        for (int32_t x = 0; x < width; ++x) {
            const int32_t c0 = xs[size_t(x) * 2], c1 = xs[size_t(x) * 2 + 1];
            uint64_t n = 0;
            for (int32_t c = c0; c < c1; ++c)
                n += sum[size_t(c)];
            const uint64_t a = uint64_t(c1 - c0) * uint64_t(r1 - r0);
            grid[size_t(y) * width + x] = static_cast<uint8_t>((n + a / 2) / a);
        }
    }
    std::vector<uint8_t> dark(grid.size());
    if (trace) {
        for (uint8_t &v : grid) // what is dark to the other looks is dark to the trace
            v = static_cast<uint8_t>(255 - curve[v]);
        trace_edges(grid.data(), width, static_cast<int32_t>(rows), dark, TraceScale{1, 3});
        set.black = 255;
        set.emptyBackground = true;
    } else {
        for (size_t i = 0; i < grid.size(); ++i)
            dark[i] = curve[grid[i]];
    }
    std::vector<uint8_t> strip(size_t(width) * boardInkBands);
    for (int32_t line = 0; line < lines; ++line) {
        for (int32_t x = 0; x < width; ++x)
            for (int32_t b = 0; b < boardInkBands; ++b)
                strip[size_t(x) * boardInkBands + b] =
                    dark[(size_t(line) * boardInkBands + b) * width + x];
        out += board_line_layout(strip.data(), width, set);
        out += "\r\n";
    }
    return out;
}
