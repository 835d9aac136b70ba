#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "core/conversion/board.h"
#include "core/conversion/convert.h"
#include "core/reading/picture.h"
#include "core/output/text_color.h"
#include "core/output/text_html.h"
#include "core/output/text_image.h"
#include "tests/core/core_fixture.h"
#include "tests/picture/picture_files.h"
#include "window/document_state.h"

namespace {

// The PNG decoded by the platform's own decoder; width 0 when it is no PNG.
Pixels png_decode(const std::string &png) {
    const auto *data = reinterpret_cast<const uint8_t *>(png.data());
    const PictureProbe probe = picture_probe(data, png.size());
    if (probe.format != PictureFormat::png || probe.reason != nullptr)
        return {};
    const PictureSize size{static_cast<int32_t>(probe.width), static_cast<int32_t>(probe.height)};
    std::vector<uint8_t> bits(size_t(surface_stride(size.width)) * size.height);
    Surface s{size.width, size.height, surface_stride(size.width), bits.data()};
    PictureSink sink;
    const char *reason = nullptr;
    if (!picture_sink_begin(sink, probe.width, probe.height, 1, size, s) ||
        !pictureCodec(data, png.size(), probe, sink, &reason))
        return {};
    return surface_pixels(s, size.width, size.height);
}

bool dark(Rgb c) {
    return c.r < 96 && c.g < 96 && c.b < 96;
}

// The page's <pre> as a browser reads it: the line end right after <pre> dropped, the colour
// spans' tags removed, the five references decoded. colours gets each character's span colour
// ("" outside a span). False (with what) when anything else is in it: a raw quote or bracket.
bool pre_read(const std::string &page, std::string &text, std::vector<std::string> &colours,
              std::string &what) {
    const size_t open = page.find("<pre>\n"), close = page.find("</pre>");
    if (open == std::string::npos || close == std::string::npos ||
        page.find("<pre", open + 1) != std::string::npos) {
        what = "not one <pre>";
        return false;
    }
    const std::string body = page.substr(open + 6, close - open - 6);
    const char *const refs[][2] = {
        {"&amp;", "&"}, {"&lt;", "<"}, {"&gt;", ">"}, {"&quot;", "\""}, {"&#39;", "'"}};
    const std::string spanOpen = "<span style=\"color:#";
    std::string colour;
    for (size_t i = 0; i < body.size();) {
        if (body.compare(i, spanOpen.size(), spanOpen) == 0 &&
            body.compare(i + 26, 2, "\">") == 0 && colour.empty()) {
            colour = body.substr(i + spanOpen.size(), 6);
            i += 28;
            continue;
        }
        if (body.compare(i, 7, "</span>") == 0 && !colour.empty()) {
            colour.clear();
            i += 7;
            continue;
        }
        bool ref = false;
        for (const auto &r : refs)
            if (body.compare(i, std::strlen(r[0]), r[0]) == 0) {
                text += r[1];
                colours.push_back(colour);
                i += std::strlen(r[0]);
                ref = true;
            }
        if (ref)
            continue;
        const char c = body[i];
        if (c == '<' || c == '>' || c == '&' || c == '"' || c == '\'') {
            what = "raw '" + std::string(1, c) + "' at " + std::to_string(i) + " in " + body;
            return false;
        }
        if (c == '\n' && !colour.empty()) {
            what = "a span crosses a line end";
            return false;
        }
        text += c;
        if ((c & 0xC0) != 0x80) // one colour a character, not a byte
            colours.push_back(colour);
        ++i;
    }
    return true;
}

struct Box {
    int32_t x, y, width, height;
};

// The image's ink by character: 'X' for a visible character with ink in its box, '.' for one
// without, ' ' for a blank one; strays lists the dark pixels outside every visible box.
std::string ink_map(const Pixels &image, const TextGrid &grid, std::string &strays,
                    const std::function<Box(const TextCell &)> &box) {
    std::vector<int> owner(size_t(image.width) * image.height, -1);
    for (size_t k = 0; k < grid.cells.size(); ++k) {
        const Box b = box(grid.cells[k]);
        for (int32_t y = 0; y < b.height && !text_cell_blank(grid.cells[k]); ++y)
            for (int32_t x = 0; x < b.width; ++x)
                owner[size_t(b.y + y) * image.width + b.x + x] = int(k);
    }
    std::vector<bool> inked(grid.cells.size(), false);
    for (int32_t y = 0; y < image.height; ++y)
        for (int32_t x = 0; x < image.width; ++x)
            if (dark(image.at(x, y))) {
                const int k = owner[size_t(y) * image.width + x];
                if (k < 0)
                    strays += "(" + std::to_string(x) + "," + std::to_string(y) + ") ";
                else
                    inked[size_t(k)] = true;
            }
    std::string map;
    for (size_t k = 0; k < grid.cells.size(); ++k)
        map += text_cell_blank(grid.cells[k]) ? ' ' : inked[k] ? 'X' : '.';
    return map;
}

std::string hex(Rgb c) {
    char s[8];
    std::snprintf(s, sizeof s, "%02x%02x%02x", c.r, c.g, c.b);
    return s;
}

std::string lf_ends(const std::string &text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i)
        if (text[i] == '\r')
            out += i + 1 < text.size() && text[i + 1] == '\n' ? "" : "\n";
        else
            out += text[i];
    return out;
}

} // namespace

// Each character is drawn in its own cell: the picture is the grid of cells plus one margin,
// ink falls only in cells holding a visible character, and each of those has some.
TEST(TextImage, CellsOfTheFontsAdvanceAndLineHeightPlusOneMargin) {
    settings_defaults(settings);
    TextImageFont font;
    std::string reason;
    ASSERT_TRUE(text_image_font_find(settings, nullptr, font, reason)) << reason;
    ASSERT_GT(font.cellWidth, 0);
    ASSERT_GT(font.cellHeight, 0);
    const struct {
        const char *text;
        int32_t cols, rows;
    } cases[] = {
        {"$&%#*?+/!;:-,. \r\n", 15, 1},
        {"  $  \r\n\r\n$   $\r\n", 5, 3},
        {"$\r#\n%", 1, 3},                    // a lone CR, a lone LF, no line end at the end
        {"\x82\xa0$\r\n$\x82\xa0\r\n", 3, 2}, // a two-byte character takes two cells
        {"", 0, 0},
    };
    for (const auto &c : cases) {
        std::string png;
        ASSERT_TRUE(text_image_png(c.text, font, png, reason)) << reason;
        const Pixels image = png_decode(png);
        ASSERT_EQ(image.width, c.cols * font.cellWidth + 2 * textImageMargin) << c.text;
        ASSERT_EQ(image.height, c.rows * font.cellHeight + 2 * textImageMargin) << c.text;
        // 'X' a cell with ink, '.' one without; '!' ink outside every visible character's cell.
        const TextGrid grid = text_grid(c.text);
        std::string strays;
        const std::string map = ink_map(image, grid, strays, [&](const TextCell &cell) {
            return Box{textImageMargin + cell.col * font.cellWidth,
                       textImageMargin + cell.row * font.cellHeight, cell.length * font.cellWidth,
                       font.cellHeight};
        });
        EXPECT_EQ(strays, "") << "text '" << c.text << "'";
        EXPECT_EQ(map.find('.'), std::string::npos) << "text '" << c.text << "' inked " << map;
    }
    // Beyond what an encoder takes: refused with a reason, nothing drawn.
    std::string png;
    EXPECT_FALSE(
        text_image_png(std::string(textImageSideMax / font.cellWidth + 1, '$'), font, png, reason));
    EXPECT_FALSE(reason.empty());
}

// The page holds the text whole: unescaped, the <pre> gives back the text (CP932 as UTF-8,
// line ends as LF), and nothing in the text or the font's name can end an element early.
// A text CP932 cannot hold (the window's, with Korean in it) lays out as its CP932 form would
// where there is one, else one column below U+1100 and two from there on.
TEST(TextGrid, Utf8CharactersTakeTheColumnsOfTheirCp932Form) {
    auto layout = [](const TextGrid &grid) {
        std::string out = std::to_string(grid.cols) + " cols, " + std::to_string(grid.rows) +
                          " rows, " + std::to_string(grid.lineEnds) + " ends:";
        for (const TextCell &c : grid.cells)
            out += " " + std::to_string(c.row) + "." + std::to_string(c.col) + "=" +
                   std::to_string(c.code);
        return out;
    };
    EXPECT_EQ(layout(text_grid_utf8("$写ｱ\r\n\r\n写")),
              layout(text_grid("$\x8e\xca\xb1\r\n\r\n\x8e\xca")));
    EXPECT_EQ(layout(text_grid_utf8("사é$\n\n\xf0\x9f\x98\x80\u10ff\u1100x\r")),
              "6 cols, 3 rows, 3 ends: 0.0=49324 0.2=233 0.3=36 2.0=128512 2.2=4351 2.3=4352 "
              "2.5=120");
}

// A board text stands in pixels of the board font: each character at the sum of the widths
// before it on its line; one the board table lacks at its fixed-pitch columns x 8.
TEST(TextGrid, BoardCharactersStandAtTheirLinesRunningWidth) {
    const struct {
        const char *text, *layout;
    } cases[] = {
        {"\u3000 ／|\r\n. .", "36 px: 0.0 0.11 0.16 0.32 1.0 1.3 1.8"},
        {"|\n\n\u3000\u3000", "22 px: 0.0 2.0 2.11"},
        {"写é.", "27 px: 0.0 0.16 0.24"}, // neither is in the table: 16 and 8
        {"", "0 px:"},
    };
    for (const auto &c : cases) {
        const TextGrid grid = text_grid_board(c.text);
        std::string layout = std::to_string(grid.pixels) + " px:";
        for (const TextCell &cell : grid.cells)
            layout += " " + std::to_string(cell.row) + "." + std::to_string(cell.x);
        EXPECT_TRUE(grid.proportional);
        EXPECT_EQ(layout, c.layout) << c.text;
    }
}

// Drawn in the board font (Mona natively, ＭＳ Ｐゴシック through GDI, which the Windows tests map
// onto Mona): the image is the widest line's pixels by 18-pixel lines plus the margins, and
// each visible character's ink lies where its x says, none elsewhere.
TEST(TextImage, BoardTextDrawnAtEachCharactersX) {
    TextImageFont font;
    std::string reason, png;
    ASSERT_TRUE(text_image_font_board(nullptr, font, reason)) << reason;
    const std::string text = "／|.\r\n\u3000ー＼ \u30fe";
    ASSERT_TRUE(text_image_png_board(text, font, png, reason)) << reason;
    const Pixels image = png_decode(png);
    const TextGrid grid = text_grid_board(text);
    ASSERT_EQ(image.width, grid.pixels + 2 * textImageMargin);
    ASSERT_EQ(image.height, 2 * boardLinePitch + 2 * textImageMargin);
    std::string strays;
    const std::string map = ink_map(image, grid, strays, [&](const TextCell &cell) {
        return Box{textImageMargin + cell.x, textImageMargin + cell.row * boardLinePitch,
                   board_line_width(text.substr(cell.first, cell.length)), boardLinePitch};
    });
    EXPECT_EQ(strays, "");
    EXPECT_EQ(map, "XXX XX X");
    // The page names the board font, Mona after it, at its size and pitch.
    EXPECT_NE(text_html_board(text, "t").find("font-family: \"MS PGothic\", Mona, sans-serif; "
                                              "font-size: 16px; line-height: 18px; }"),
              std::string::npos);
}

TEST(TextHtml, PreGivesTheTextBackAndNamesTheFont) {
    const struct {
        const char *text, *font, *utf8, *family;
    } cases[] = {
        {"$&%\r\n..\r\n", "DejaVu Sans Mono", "$&%\n..\n", "\"DejaVu Sans Mono\", monospace;"},
        {"<&>\"'\r\n</pre><script>\r\n", "a\"b</style>", "<&>\"'\n</pre><script>\n",
         "\"a\\22 b\\3c /style\\3e \", monospace;"},
        {"\r\n\r\nx", "", "\n\nx", "monospace;"}, // an empty first line survives <pre>'s
        {"\x82\xa0\x82\xa2 \xb1\r\n\x5c", "\x82\x6c\x82\x72 \x83\x53\x83\x56\x83\x62\x83\x4e",
         "\xe3\x81\x82\xe3\x81\x84 \xef\xbd\xb1\n\\",
         "\"\xef\xbc\xad\xef\xbc\xb3 \xe3\x82\xb4\xe3\x82\xb7\xe3\x83\x83\xe3\x82\xaf\", "
         "monospace;"},
        {"a\x82\nb\x82", "", "a\xef\xbf\xbd\nb\xef\xbf\xbd", "monospace;"},     // lone lead bytes
        {"x", "a&b\x01\x1f\x7f", "x", "\"a\\26 b\\1 \\1f \\7f \", monospace;"}, // and controls
    };
    for (const auto &c : cases) {
        const std::string page = text_html(c.text, "t", cp932_to_utf8(c.font));
        std::string text, what;
        std::vector<std::string> colours;
        ASSERT_TRUE(pre_read(page, text, colours, what)) << what << "\n" << page;
        EXPECT_EQ(text, c.utf8) << page;
        EXPECT_EQ(page.compare(0, 15, "<!DOCTYPE html>"), 0) << page;
        EXPECT_NE(page.find("<meta charset=\"utf-8\">"), std::string::npos) << page;
        EXPECT_NE(page.find(std::string("font-family: ") + c.family), std::string::npos) << page;
        EXPECT_EQ(page.find("</style>"), page.rfind("</style>")) << page;
    }
    // A file name that is not UTF-8 (Linux allows any bytes): each bad byte one U+FFFD, an
    // overlong form too; the least code of each length is no overlong form.
    const std::string bad = "\xef\xbf\xbd";
    const struct {
        std::string title, escaped;
    } titles[] = {
        {"a\xff\xc3\xa9\xe3\x81<\xe0\x80\xaf",
         "a" + bad + "\xc3\xa9" + bad + bad + "&lt;" + bad + bad + bad},
        {"\xc3\xa9t\xc3\xa9", "\xc3\xa9t\xc3\xa9"},
        {"\xc2\x80 \xe0\xa0\x80 \xf0\x90\x80\x80 \xf4\x8f\xbf\xbf",
         "\xc2\x80 \xe0\xa0\x80 \xf0\x90\x80\x80 \xf4\x8f\xbf\xbf"},
        {"\xc1\xbf \xf4\x90\x80\x80", bad + bad + " " + bad + bad + bad + bad},
    };
    for (const auto &t : titles)
        EXPECT_NE(text_html("", t.title, "").find("<title>" + t.escaped + "</title>"),
                  std::string::npos)
            << t.escaped;
}

// The colours are the squeezed preview's pixels, the very cells the conversion reads; coloured
// text and pages give each character its cell's colour and no colour crosses a line end.
TEST_F(CoreTest, CellColoursComeFromTheSqueezedPreview) {
    const struct {
        int32_t position, cols, rows, mapX, mapY;
    } cases[] = {
        {1, 6, 3, 0, 40},               // vertical: the preview's left is 15
        {0, 5, 2, 300, 0},              // horizontal: its top is 15
        {1, 4, 3, 0, canvasHeight - 2}, // the last row is below the canvas: white
    };
    for (const auto &c : cases) {
        settings.Position = c.position;
        settings.Mojisu = mapCols = c.cols;
        mapRows = c.rows;
        mapX = c.mapX;
        mapY = c.mapY;
        noise_fill(canvas, canvasWidth, canvasHeight);
        const int32_t left = c.position != 0 ? 15 : c.mapX, top = c.position != 0 ? c.mapY : 15;
        const CellColors colors = text_cell_colors(conversion);
        ASSERT_EQ(colors.cols, c.cols);
        ASSERT_EQ(colors.rows, c.rows);
        std::string text;
        ASSERT_EQ(text_convert(conversion, text), ConvertOutcome::converted);
        const std::string ansi = text_ansi_color(text, colors);
        const std::string page = text_html(text, "t", "f", &colors);
        std::string pre, what;
        std::vector<std::string> spans;
        ASSERT_TRUE(pre_read(page, pre, spans, what)) << what;
        ASSERT_EQ(pre, lf_ends(text));
        // The escapes as a terminal keeps them: the colour in force at each character.
        std::vector<std::string> escapes;
        std::string now;
        for (size_t i = 0; i < ansi.size(); ++i) {
            unsigned r, g, b;
            int used = 0;
            if (std::sscanf(ansi.c_str() + i, "\x1b[38;2;%u;%u;%um%n", &r, &g, &b, &used) == 3 &&
                used > 0) {
                now = hex(Rgb{uint8_t(r), uint8_t(g), uint8_t(b)});
                i += size_t(used) - 1;
            } else if (ansi.compare(i, 4, "\x1b[0m") == 0) {
                now.clear();
                i += 3;
            } else if (ansi[i] == '\r' || ansi[i] == '\n') {
                EXPECT_EQ(now, "") << "a colour crosses a line end";
            } else {
                escapes.push_back(now);
            }
        }
        EXPECT_EQ(now, "");
        ASSERT_EQ(escapes.size(), size_t(c.cols) * c.rows);
        ASSERT_EQ(spans.size(), pre.size());
        size_t k = 0, line = 0;
        for (int32_t i = 0; i < c.rows; ++i)
            for (int32_t j = 0; j < c.cols; ++j, ++k) {
                const bool inside = top + i < canvasHeight;
                const Rgb want = inside ? noise_at(left + j, top + i) : rgbWhite;
                EXPECT_EQ(colors.cells[k], want) << "cell " << i << "," << j;
                EXPECT_EQ(text[size_t(i) * (c.cols + 2) + j],
                          ramp[ramp_pick(want.r + want.g + want.b, 0)].text[0]);
                EXPECT_EQ(escapes[k], hex(want)) << "escape of cell " << i << "," << j;
                EXPECT_EQ(spans[line + j], hex(want)) << "span of cell " << i << "," << j;
                if (j == c.cols - 1)
                    line += size_t(c.cols) + 1;
            }
    }
}
