#include <algorithm>
#include <climits>
#include <cstdlib>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "core/conversion/board.h"
#include "core/common/cp932.h"
#include "core/common/utf8.h"

namespace {

// The darkness strip of one line, width columns of boardInkBands values.
using Strip = std::vector<uint8_t>;

Strip strip_blank(int32_t width) {
    return Strip(size_t(width) * boardInkBands, 0);
}

// Dark from column x0 to x1 (exclusive) in every band.
Strip strip_bar(int32_t width, int32_t x0, int32_t x1) {
    Strip s = strip_blank(width);
    for (int32_t x = x0; x < x1; ++x)
        for (int32_t b = 0; b < boardInkBands; ++b)
            s[size_t(x) * boardInkBands + b] = 255;
    return s;
}

// What a board does to a line, checked: the reasons it breaks, empty when it is safe.
std::string board_line_problems(const std::string &line, int32_t pictureWidth) {
    std::string problems;
    if (!line.empty() && line[0] == ' ')
        problems += "starts with a half-width space; ";
    if (line.find("  ") != std::string::npos)
        problems += "two half-width spaces; ";
    if (!line.empty() && (line.back() == ' ' ||
                          (line.size() >= 3 && line.compare(line.size() - 3, 3, "\u3000") == 0)))
        problems += "trailing space; ";
    std::string cp932;
    if (!cp932_from_utf8(line, cp932))
        problems += "not all in code page 932; ";
    const int32_t width = board_line_width(line);
    if (width < 0 || width > pictureWidth + boardOverhang)
        problems += "width " + std::to_string(width) + "; ";
    return problems;
}

} // namespace

TEST(Board, WidthsAreThoseOfTheBoardsFont) {
    const struct {
        const char *line;
        int32_t width;
    } cases[] = {
        {" ", 5}, {"\u3000", 11}, {".", 3}, {"|", 4}, {"／", 16}, {"_", 5}, {"A", 10},
        {"W", 11}, {"ﾉ", 8}, {"＼", 16}, {"丶", 16}, {"", 0}, {"|.|", 11}, {"\u3000 \u3000", 27},
        {"й", -1}, {"a\tb", -1},
    };
    for (const auto &c : cases)
        EXPECT_EQ(board_line_width(c.line), c.width) << c.line;
}

TEST(Board, SetsTakeOnlyMeasuredCharacters) {
    BoardSet set;
    std::string unknown;
    EXPECT_TRUE(board_set_make(set, "", unknown));
    EXPECT_EQ(std::string(boardDefaultChars).find('\\'), std::string::npos);
    EXPECT_GE(set.halfSpace, 0);
    EXPECT_TRUE(board_set_make(set, "..||", unknown));
    EXPECT_EQ(set.glyphs.size(), 2u);
    EXPECT_EQ(set.halfSpace, -1);
    EXPECT_FALSE(board_set_make(set, ".й", unknown));
    EXPECT_EQ(unknown, "й");
}

// Every layout keeps the board rules, whatever the strip: blank, black, stripes, bars at every
// offset, noise.
TEST(Board, LayoutsKeepTheBoardRules) {
    BoardSet set;
    std::string unknown;
    ASSERT_TRUE(board_set_make(set, "", unknown));
    std::vector<std::pair<std::string, Strip>> strips;
    for (int32_t width : {1, 5, 40, 321}) {
        strips.emplace_back("blank " + std::to_string(width), strip_blank(width));
        strips.emplace_back("black " + std::to_string(width), strip_bar(width, 0, width));
    }
    for (int32_t x = 0; x < 40; x += 3)
        strips.emplace_back("bar at " + std::to_string(x), strip_bar(160, x, x + 2));
    Strip noise = strip_blank(300);
    uint32_t seed = 7;
    for (uint8_t &v : noise)
        v = static_cast<uint8_t>((seed = seed * 1103515245 + 12345) >> 24);
    strips.emplace_back("noise", noise);
    for (const auto &s : strips) {
        const int32_t width = int32_t(s.second.size() / boardInkBands);
        const std::string line = board_line_layout(s.second.data(), width, set);
        EXPECT_EQ(board_line_problems(line, width), "") << s.first << ": [" << line << "]";
        if (s.first.rfind("blank", 0) == 0) {
            EXPECT_EQ(line, "") << s.first;
        }
    }
}

// The ink of a laid-out line, column by column, as the board's font draws it.
std::vector<int32_t> line_ink(const std::string &line) {
    std::vector<int32_t> ink;
    for (size_t i = 0, n = 0; i < line.size(); i += n) {
        utf8_decode(line, i, n);
        const BoardGlyph &g = boardGlyphs[board_glyph_find(line.substr(i, n))];
        for (int32_t c = 0; c < g.width; ++c) {
            int32_t sum = 0;
            for (int32_t b = 0; b < boardInkBands; ++b)
                sum += g.ink[c * boardInkBands + b];
            ink.push_back(sum);
        }
    }
    return ink;
}

// A stroke lands where it is in the picture: the line's heaviest column is within 3 pixels of
// the bar, wherever the bar is, although the glyphs' widths are all different. A trace's blank
// background stays blank: the bar is reached by spaces alone, no dot placed to nudge it.
TEST(Board, StrokesLandWhereThePictureHasThem) {
    BoardSet set;
    std::string unknown;
    ASSERT_TRUE(board_set_make(set, "", unknown));
    for (bool empty : {false, true}) {
        set.emptyBackground = empty;
        int32_t stray = 0; // columns inked more than a glyph's width from the bar
        for (int32_t x = 0; x < 200; x += x < 40 ? 1 : 7) {
            const Strip s = strip_bar(240, x, x + 3);
            const std::string line = board_line_layout(s.data(), 240, set);
            const std::vector<int32_t> ink = line_ink(line);
            const int32_t heaviest =
                int32_t(std::max_element(ink.begin(), ink.end()) - ink.begin());
            EXPECT_LE(std::abs(heaviest - (x + 1)), 3)
                << "bar at " << x << (empty ? ", empty background" : "") << ": [" << line << "]";
            for (size_t c = 0; c < ink.size(); ++c)
                stray += ink[c] > 0 && std::abs(int32_t(c) - (x + 1)) > boardGlyphMaxWidth / 2;
        }
        if (empty) {
            EXPECT_EQ(stray, 0);
        }
    }
}

// A diagonal from the top left to the bottom right of a line is drawn with ＼, not with 0x5C
// (a ¥ in the board's font) unless the user lists it.
TEST(Board, DiagonalsTakeTheFullWidthBackslash) {
    BoardSet set;
    std::string unknown;
    Strip s = strip_blank(64);
    for (int32_t x = 16; x < 32; ++x)
        s[size_t(x) * boardInkBands + (x - 16) * boardInkBands / 16] = 255;
    ASSERT_TRUE(board_set_make(set, "", unknown));
    const std::string line = board_line_layout(s.data(), 64, set);
    EXPECT_NE(line.find("＼"), std::string::npos) << line;
    EXPECT_EQ(line.find('\\'), std::string::npos) << line;
}

TEST(Board, LineCountsKeepTheShapeAtTheDefaultRatio) {
    const struct {
        int64_t previewHeight;
        int32_t hiritu, lines;
    } cases[] = {
        {90, 50, 40}, // 90 rows of 8-pixel columns: 720 pixels, 40 lines of 18
        {90, 100, 80}, {89, 50, 39}, {0, 50, 0}, {90, 0, 0}, {-5, 50, 0}, {90, -1, 0},
        {int64_t{1} << 40, 150, INT32_MAX},
    };
    for (const auto &c : cases)
        EXPECT_EQ(board_line_count(c.previewHeight, c.hiritu), c.lines)
            << c.previewHeight << " at " << c.hiritu;
}

// A whole picture, as tones and as a trace: one CR LF line a line, each keeping the rules.
TEST(Board, TextsHaveTheirLinesAndKeepTheRules) {
    std::vector<uint8_t> luma(size_t(50) * 40);
    for (size_t i = 0; i < luma.size(); ++i) // a disc on a gradient
        luma[i] = std::abs(int(i % 50) - 25) * std::abs(int(i % 50) - 25) +
                                  std::abs(int(i / 50) - 20) * std::abs(int(i / 50) - 20) < 150
                      ? 0
                      : uint8_t(i % 50 * 5);
    uint8_t curve[256];
    for (int v = 0; v < 256; ++v)
        curve[v] = uint8_t(255 - v);
    BoardSet set;
    std::string unknown;
    ASSERT_TRUE(board_set_make(set, "", unknown));
    for (bool trace : {false, true}) {
        const std::string text = board_text(luma.data(), 50, 40, 160, 7, curve, set, trace);
        size_t lines = 0, inked = 0;
        for (size_t at = 0, end; (end = text.find("\r\n", at)) != std::string::npos; at = end + 2) {
            const std::string line = text.substr(at, end - at);
            EXPECT_EQ(board_line_problems(line, 160), "") << line;
            ++lines;
            inked += !line.empty();
        }
        EXPECT_EQ(lines, 7u) << text;
        EXPECT_GE(inked, 4u) << text;
    }
    EXPECT_EQ(board_text(luma.data(), 50, 40, 0, 7, curve, set, false), "");
    EXPECT_EQ(board_text(nullptr, 50, 40, 160, 7, curve, set, false), "");
}
