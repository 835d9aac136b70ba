#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <utility>
#include <vector>

#include "core/conversion/convert.h"
#include "core/conversion/look.h"
#include "tests/core/core_fixture.h"
#include "window/document_state.h"

namespace {

// The text as the grid it draws.
std::string grid(const std::string &text) {
    std::string out;
    for (char ch : text)
        if (ch != '\r')
            out += ch;
    return out;
}

void squeezed_set(int32_t cols, int32_t rows, int32_t top) {
    settings.Position = 1;
    settings.Mojisu = mapCols = cols;
    mapRows = rows;
    mapY = top;
}

// Restores the standard look, which the other tests assume, however a test ends.
struct LookRestore {
    ~LookRestore() { lookSettings = LookSettings{}; }
};

} // namespace

TEST_F(CoreTest, RampPicksTheFirstThresholdAboveTheSumAndPaintsItsColour) {
    const struct {
        int32_t meido;
        Rgb pixel;
        char expected;
        Rgb feedback;
    } cases[] = {
        {50, {0, 0, 0}, '$', {0, 0, 0}},
        {50, {49, 0, 0}, '$', {0, 0, 0}},
        {50, {50, 0, 0}, '&', {10, 10, 10}},
        {50, {128, 128, 128}, '/', {120, 120, 120}},
        {50, {220, 220, 209}, ',', {220, 220, 220}},
        {50, {230, 230, 230}, '.', {255, 240, 240}},
        {50, {255, 255, 255}, ' ', rgbWhite},
        {100, {0, 0, 0}, ':', {180, 180, 180}},
        {100, {255, 255, 255}, ' ', rgbWhite},
        {0, {255, 255, 255}, '?', {80, 80, 80}},
        {0, {0, 0, 0}, '$', {0, 0, 0}},
        {101, {255, 255, 255}, ' ', rgbWhite}, // no threshold lies above 765: the space
        {INT32_MAX, {0, 0, 0}, ' ', rgbWhite},
        {INT32_MIN, {255, 255, 255}, '$', {0, 0, 0}},
    };
    for (const auto &c : cases) {
        squeezed_set(1, 1, 40);
        settings.Meido = c.meido;
        surface_set(canvas, 15, 40, c.pixel);
        std::string text;
        ASSERT_EQ(text_convert(conversion, text), ConvertOutcome::converted);
        const int sum = c.pixel.r + c.pixel.g + c.pixel.b;
        EXPECT_EQ(text, std::string(1, c.expected) + "\r\n")
            << "Meido " << c.meido << " sum " << sum;
        EXPECT_EQ(surface_get(canvas, 15, 40), c.feedback) << "Meido " << c.meido << " sum " << sum;
    }
}

// The ramp as the program documents it, written out here rather than taken from the code.
TEST_F(CoreTest, EveryRampEntryGivesItsTextAndFeedbackColour) {
    const struct {
        char text;
        int32_t threshold;
        Rgb feedback;
    } documented[rampSize] = {
        {'$', 50, {0, 0, 0}},        {'&', 100, {10, 10, 10}},    {'%', 150, {20, 20, 20}},
        {'#', 200, {40, 40, 40}},    {'*', 250, {60, 60, 60}},    {'?', 300, {80, 80, 80}},
        {'+', 350, {100, 100, 100}}, {'/', 400, {120, 120, 120}}, {'!', 450, {140, 140, 140}},
        {';', 500, {160, 160, 160}}, {':', 550, {180, 180, 180}}, {'-', 600, {200, 200, 200}},
        {',', 650, {220, 220, 220}}, {'.', 700, {255, 240, 240}}, {' ', 1270, {255, 255, 255}},
    };
    // Row 0: each entry's lowest sum (the previous threshold); row 1: its highest (threshold - 1,
    // at most 765). Sums split over the channels so no channel alone decides.
    squeezed_set(rampSize, 2, 40);
    settings.Meido = 50;
    std::string expected;
    for (int k = 0; k < rampSize; ++k) {
        const int32_t low = k == 0 ? 0 : documented[k - 1].threshold;
        const int32_t high = std::min(documented[k].threshold - 1, 765);
        for (int32_t row = 0; row < 2; ++row) {
            const int32_t sum = row == 0 ? low : high;
            const auto third = uint8_t(sum / 3);
            surface_set(canvas, 15 + k, 40 + row, Rgb{third, third, uint8_t(sum - 2 * third)});
        }
        expected += documented[k].text;
    }
    expected = expected + "\r\n" + expected + "\r\n";
    std::string text;
    ASSERT_EQ(text_convert(conversion, text), ConvertOutcome::converted);
    EXPECT_EQ(text, expected) << grid(text);
    for (int k = 0; k < rampSize; ++k) {
        const auto &d = documented[k];
        EXPECT_EQ(ramp[k].text, std::string(1, d.text)) << "entry " << k;
        EXPECT_EQ(ramp[k].threshold, d.threshold) << "entry " << k;
        EXPECT_EQ(Rgb({ramp[k].r, ramp[k].g, ramp[k].b}), d.feedback) << "entry " << k;
        for (int32_t row = 0; row < 2; ++row)
            EXPECT_EQ(surface_get(canvas, 15 + k, 40 + row), d.feedback)
                << "feedback of entry " << k << ", row " << row;
    }
}

TEST_F(CoreTest, TextSizeGuard) {
    const struct {
        const char *name;
        int32_t mojisu, cols, rows;
        bool converted;
    } cases[] = {
        {"exactly 61440 bytes", 118, 118, 512, true},
        {"one row more", 118, 118, 513, false},
        {"lines longer than Mojisu", 20, 200, 400, false},
        {"Mojisu longer than the lines", 200, 100, 400, false},
        {"lines one row over", 20, 118, 513, false},
        {"Mojisu one row over", 118, 20, 513, false},
        {"empty lines, Mojisu too long", 200, 0, 400, false},
        {"negative width, however long Mojisu", 1000, -5, 100, true},
        {"no rows", 100, 100, 0, true},
        {"empty lines", 0, 0, 3, true},
        {"negative width", -5, -5, 10, true},
        {"negative sizes", -100, -100, -1000, true},
    };
    static int changes;
    canvasChanged = [](int32_t, int32_t, int32_t, int32_t) { ++changes; };
    for (const auto &c : cases) {
        changes = 0;
        squeezed_set(c.cols, c.rows, 30);
        settings.Mojisu = c.mojisu;
        surface_fill(canvas, 0, 0, canvasWidth, canvasHeight, Rgb{128, 128, 128});
        std::string text = "kept", expected = c.converted ? "" : "kept";
        for (int32_t i = 0; c.converted && c.cols >= 0 && i < c.rows; ++i)
            expected += std::string(size_t(c.cols), '/') + "\r\n";
        EXPECT_EQ(text_convert(conversion, text) == ConvertOutcome::converted, c.converted)
            << c.name;
        EXPECT_TRUE(text == expected) << c.name << ": " << text.size() << " bytes\n"
                                      << grid(text).substr(0, 300);
        const bool painted = c.converted && c.cols > 0 && c.rows > 0;
        EXPECT_EQ(surface_get(canvas, 15, 30) != Rgb({128, 128, 128}), painted) << c.name;
        EXPECT_EQ(changes, painted ? 1 : 0) << c.name << ": canvasChanged calls";
    }

    // A board text is laid out in pixels, on board_line_count's lines: it is refused by its
    // own bytes once laid out, not by the fixed grid's rule. 600 rows of the preview make 266
    // lines of 800 pixels, which a grey fills with more than 61440 bytes of narrow characters.
    LookRestore restore;
    lookSettings = LookSettings{Look::photo, false, "", Target::board};
    const struct {
        const char *name;
        int32_t cols, rows;
        uint8_t grey;
        bool converted;
    } boards[] = {
        {"white, over the grid's rule", 220, 400, 255, true},
        {"grey, within the grid's rule", 100, 600, 128, false},
        {"grey, a few lines", 100, 100, 128, true},
    };
    for (const auto &c : boards) {
        squeezed_set(c.cols, c.rows, 30);
        conversion.previewHeight = c.rows;
        surface_fill(canvas, 0, 0, canvasWidth, canvasHeight, Rgb{c.grey, c.grey, c.grey});
        std::string text = "kept";
        EXPECT_EQ(text_convert(conversion, text) == ConvertOutcome::converted, c.converted)
            << c.name << ": " << text.size() << " bytes";
        EXPECT_EQ(text != "kept", c.converted) << c.name;
        EXPECT_TRUE(board_text_fits(text)) << c.name;
    }
}

// The editor holds a board text whole when its bytes in code page 932, as the window saves
// it, are within the limit; UTF-8's three bytes of a full-width character count as two.
TEST(Convert, BoardTextsFitByTheirCodePage932Bytes) {
    std::string wide; // 30719 x ／: 61438 bytes in code page 932, 92157 in UTF-8
    for (int i = 0; i < 30719; ++i)
        wide += "\uff0f";
    const struct {
        const char *name;
        std::string text;
        bool fits;
    } cases[] = {
        {"61440 bytes", std::string(61438, '.') + "\r\n", true},
        {"one more", std::string(61439, '.') + "\r\n", false},
        {"full-width, 61440 bytes", wide + "\r\n", true},
        {"full-width, two more", wide + "\uff0f\r\n", false},
        {"no code: two bytes", std::string(61437, '.') + "\uc0ac\r\n", false},
    };
    for (const auto &c : cases)
        EXPECT_EQ(board_text_fits(c.text), c.fits) << c.name;
}

TEST_F(CoreTest, ConvertingIsRepeatableAndPlacementFree) {
    static std::vector<int32_t> changed;
    canvasChanged = [](int32_t x, int32_t y, int32_t w, int32_t h) { changed = {x, y, w, h}; };
    bmpWidth = 400, bmpHeight = 300;
    for (int32_t k = 0; k < 400 * 300; ++k) {
        const auto v = uint8_t((k % 400 + k / 400) * 255 / 700);
        surface_set(sourceSurface, k % 400, k / 400, Rgb{v, v, uint8_t(v - v / 8)});
    }
    std::string first, again, horizontal;
    ASSERT_EQ(map_geometry_update(conversion), 1);
    ASSERT_EQ(text_convert(conversion, first), ConvertOutcome::converted);
    EXPECT_EQ(changed, (std::vector<int32_t>{15, 105, 100, 37}));
    ASSERT_EQ(first.size(), size_t(102 * 37));
    int wrongFeedback = 0;
    std::string used;
    for (int32_t k = 0; k < 100 * 37; ++k) {
        const char ch = first[size_t(k / 100 * 102 + k % 100)];
        for (const RampEntry &e : ramp)
            if (e.text[0] == ch)
                wrongFeedback +=
                    surface_get(canvas, 15 + k % 100, 105 + k / 100) != Rgb{e.r, e.g, e.b};
        used += used.find(ch) == std::string::npos ? std::string(1, ch) : "";
    }
    EXPECT_EQ(wrongFeedback, 0);
    EXPECT_GE(used.size(), 8u) << grid(first);

    ASSERT_EQ(map_geometry_update(conversion), 1);
    ASSERT_EQ(text_convert(conversion, again), ConvertOutcome::converted);
    EXPECT_TRUE(first == again) << "first:\n" << grid(first) << "again:\n" << grid(again);
    settings.Position = 0;
    ASSERT_EQ(map_geometry_update(conversion), 1);
    ASSERT_EQ(text_convert(conversion, horizontal), ConvertOutcome::converted);
    EXPECT_EQ(changed, (std::vector<int32_t>{130, 15, 100, 37}));
    EXPECT_TRUE(first == horizontal) << "vertical:\n"
                                     << grid(first) << "horizontal:\n"
                                     << grid(horizontal);
}

TEST_F(CoreTest, SolidPicturesStaySolidInEveryLook) {
    LookRestore restore;
    const struct {
        Look look;
        bool dither;
        const char *chars;
        char black, white;
        Target target = Target::terminal;
    } cases[] = {
        {Look::standard, false, "", '$', ' '}, {Look::standard, true, "", '$', ' '},
        {Look::photo, false, "", 'B', ' '},    {Look::photo, true, "", 'B', ' '},
        {Look::shape, false, "", 'B', ' '},    {Look::shape, true, "", 'B', ' '},
        {Look::photo, true, ".#+", '#', '.'},  {Look::shape, true, "x- ", 'x', ' '},
        // ')' is one step darker than '(' on this set's scale: white is still the lightest.
        {Look::photo, false, "()#", '#', '('},
        // In ＭＳ ゴシック '@' is the darkest quiet character.
        {Look::standard, false, "", '$', ' ', Target::window},
        {Look::photo, false, "", '@', ' ', Target::window},
        {Look::shape, true, "", '@', ' ', Target::window},
    };
    settings.Mojisu = 24;
    bmpWidth = 48, bmpHeight = 40;
    for (const auto &c : cases)
        for (const Rgb colour : {rgbBlack, rgbWhite}) {
            const char expected = colour == rgbBlack ? c.black : c.white;
            surface_fill(sourceSurface, 0, 0, bmpWidth, bmpHeight, colour);
            ++sourceSurface.generation;
            lookSettings = LookSettings{c.look, c.dither, c.chars, c.target};
            ASSERT_EQ(map_geometry_update(conversion), 1);
            std::string text;
            ASSERT_EQ(text_convert(conversion, text), ConvertOutcome::converted);
            std::string want;
            for (int32_t i = 0; i < mapRows; ++i)
                want += std::string(size_t(mapCols), expected) + "\r\n";
            const std::string what = "target " + std::to_string(int(c.target)) + " look " +
                                     std::to_string(int(c.look)) + " dither " +
                                     std::to_string(c.dither) + " chars '" + c.chars + "'";
            EXPECT_TRUE(text == want) << what << "\n" << grid(text);
            // The feedback is the character's darkness within its set: black and white again.
            const int32_t left = settings.Position != 0 ? 15 : mapX;
            const int32_t top = settings.Position != 0 ? mapY : 15;
            EXPECT_EQ(surface_get(canvas, left, top), colour) << what;
            EXPECT_EQ(surface_get(canvas, left + mapCols - 1, top + mapRows - 1), colour) << what;
        }
}

// Error diffusion keeps a flat grey's mean darkness over a large area: the ramp's feedback sums
// that of the grey (shifted by Meido), the picture looks' the darkness their tone curve gives it
// (a flat picture has no levels to stretch; gamma 0.9 for the photo look, 0.6 for the shape).
TEST_F(CoreTest, DitheredFlatGreyKeepsItsMeanDarknessInEveryLook) {
    LookRestore restore;
    const struct {
        Look look;
        uint8_t grey;
        int32_t meido;
    } cases[] = {
        {Look::standard, 40, 50},  {Look::standard, 130, 50}, {Look::standard, 200, 50},
        {Look::standard, 130, 62}, {Look::standard, 130, 38}, {Look::photo, 40, 50},
        {Look::photo, 130, 50},    {Look::photo, 200, 50},    {Look::photo, 130, 62},
        {Look::shape, 40, 50},     {Look::shape, 130, 50},    {Look::shape, 200, 50},
    };
    settings.Mojisu = 120;
    bmpWidth = 240, bmpHeight = 200;
    for (const auto &c : cases) {
        surface_fill(sourceSurface, 0, 0, bmpWidth, bmpHeight, Rgb{c.grey, c.grey, c.grey});
        ++sourceSurface.generation;
        settings.Meido = c.meido;
        lookSettings = LookSettings{c.look, true, ""};
        ASSERT_EQ(map_geometry_update(conversion), 1);
        std::string text;
        ASSERT_EQ(text_convert(conversion, text), ConvertOutcome::converted);
        double want; // in feedback sums, 0 black .. 765 white
        if (c.look == Look::standard) {
            want = std::clamp(3 * c.grey + text_convert_offset(c.meido), int64_t{0}, int64_t{765});
        } else {
            uint8_t curve[256];
            look_tone_curve(&c.grey, 1, c.meido, false, c.look == Look::photo ? 0.9 : 0.6, curve);
            want = 3.0 * (255 - curve[c.grey]);
        }
        const int32_t left = settings.Position != 0 ? 15 : mapX;
        const int32_t top = settings.Position != 0 ? mapY : 15;
        double sum = 0;
        for (int32_t y = top; y < top + mapRows; ++y)
            for (int32_t x = left; x < left + mapCols; ++x) {
                const Rgb f = surface_get(canvas, x, y);
                sum += f.r + f.g + f.b;
            }
        const double mean = sum / (double(mapCols) * mapRows);
        EXPECT_NEAR(mean / 3, want / 3, 1.0)
            << "look " << int(c.look) << " grey " << int(c.grey) << " Meido " << c.meido << "\n"
            << grid(text).substr(0, 600);
    }
}

// The picture looks read each sub-sample as the rounded mean luminance of its box of source
// pixels (every box at least one pixel), whether a box is one pixel, two, a row or rows, and
// draw the characters' darkness as the feedback.
TEST_F(CoreTest, PictureLooksReadTheBoxAveragesOfTheLuminance) {
    LookRestore restore;
    const struct {
        const char *name;
        int32_t width, height, mojisu, hiritu;
    } cases[] = {
        {"a pixel a sub-sample, rows repeated", 100, 60, 40, 50},
        {"two pixels of one row", 200, 100, 40, 100},
        {"two or three pixels of one row", 300, 100, 40, 150},
        {"boxes of several rows", 300, 200, 20, 50},
        {"boxes wider than four pixels", 500, 300, 20, 100},
    };
    auto spans = [](int64_t s, int64_t d) { // [first, end) of each of d boxes over s pixels
        std::vector<std::pair<int64_t, int64_t>> out;
        for (int64_t i = 0; i < d; ++i) {
            const int64_t first = std::min(i * s / d, s - 1);
            out.emplace_back(first, std::max((i + 1) * s / d, first + 1));
        }
        return out;
    };
    for (const auto &c : cases) {
        bmpWidth = c.width, bmpHeight = c.height;
        noise_fill(sourceSurface, c.width, c.height);
        ++sourceSurface.generation;
        settings.Mojisu = c.mojisu;
        settings.Hiritu = c.hiritu;
        lookSettings = LookSettings{Look::photo, false, ""};
        ASSERT_EQ(map_geometry_update(conversion), 1) << c.name;
        std::string text;
        ASSERT_EQ(text_convert(conversion, text), ConvertOutcome::converted) << c.name;
        const auto xs = spans(c.width, int64_t{mapCols} * glyphSubCols);
        const auto ys = spans(c.height, int64_t{mapRows} * glyphSubRows);
        std::vector<uint8_t> samples(size_t(mapCols) * mapRows * glyphSubCount);
        for (size_t y = 0; y < ys.size(); ++y)
            for (size_t x = 0; x < xs.size(); ++x) {
                int64_t sum = 0;
                for (int64_t py = ys[y].first; py < ys[y].second; ++py)
                    for (int64_t px = xs[x].first; px < xs[x].second; ++px) {
                        const Rgb p = surface_get(sourceSurface, int32_t(px), int32_t(py));
                        sum += look_luma(p.r, p.g, p.b);
                    }
                const int64_t n = (xs[x].second - xs[x].first) * (ys[y].second - ys[y].first);
                samples[((y / glyphSubRows) * mapCols + x / glyphSubCols) * glyphSubCount +
                        (y % glyphSubRows) * glyphSubCols + x % glyphSubCols] =
                    uint8_t((sum + n / 2) / n);
            }
        std::string chars;
        std::vector<uint8_t> greys;
        LookCache cache;
        look_cells_pick(lookSettings, samples.data(), mapCols, mapRows, glyphSubCount,
                        settings.Meido, false, chars, greys, cache);
        std::string want, feedback, wantFeedback;
        const int32_t left = settings.Position != 0 ? 15 : mapX;
        const int32_t top = settings.Position != 0 ? mapY : 15;
        for (int32_t i = 0; i < mapRows; ++i) {
            want += chars.substr(size_t(i) * mapCols, size_t(mapCols)) + "\r\n";
            for (int32_t j = 0; j < mapCols; ++j) {
                feedback += char(surface_get(canvas, left + j, top + i).r);
                wantFeedback += char(greys[size_t(i) * mapCols + j]);
            }
        }
        EXPECT_TRUE(text == want) << c.name << "\n" << grid(text) << "want\n" << grid(want);
        EXPECT_TRUE(feedback == wantFeedback) << c.name << ": feedback";
    }
}

// Every character of the shape look's set, drawn as a cell on the set's darkness scale (the
// darkest character's mean ink is 255), is matched as itself.
TEST(Look, EveryShapeCharacterDrawnIsMatchedAsItself) {
    LookSet set;
    look_set_make(set, lookShapeChars, glyphTableTerminal);
    int32_t darkest = 1;
    for (char ch : set.chars) {
        int32_t ink = 0;
        for (uint8_t v : glyphTableTerminal[ch - glyphFirst].ink)
            ink += v;
        darkest = std::max(darkest, ink);
    }
    std::string matched;
    for (char ch : set.chars) {
        int32_t cell[glyphSubCount];
        for (int i = 0; i < glyphSubCount; ++i)
            cell[i] = glyphTableTerminal[ch - glyphFirst].ink[i] * glyphSubCount * 255 / darkest;
        matched += set.chars[size_t(look_shape_match(cell, set))];
    }
    EXPECT_EQ(matched, set.chars);
}

// The levels: of the samples' histogram, lookClipPerMille clip at each end (none of a few), the
// rest is stretched to black and white; the last samples, past a multiple of four, count too.
TEST(Look, ToneCurveLevelsComeFromEverySample) {
    const struct {
        std::vector<uint8_t> samples;
        uint8_t black, white; // the lightest sample that is black, the darkest that is white
    } cases[] = {
        {{0, 0, 0, 0, 128}, 0, 128},
        {{100, 100, 100, 100, 200, 200, 200, 200, 20}, 20, 200},
        {{0, 255}, 0, 255},
    };
    for (const auto &c : cases) {
        uint8_t curve[256];
        look_tone_curve(c.samples.data(), c.samples.size(), 50, false, 0.9, curve);
        EXPECT_EQ(curve[c.black], 255) << int(c.black) << " of " << c.samples.size();
        EXPECT_GT(curve[c.black + 1], 0) << int(c.black) << " of " << c.samples.size();
        EXPECT_LT(curve[c.black + 1], 255) << int(c.black) << " of " << c.samples.size();
        EXPECT_EQ(curve[c.white], 0) << int(c.white) << " of " << c.samples.size();
        EXPECT_GT(curve[c.white - 1], 0) << int(c.white) << " of " << c.samples.size();
    }
}

// With full-width characters (the window's 全角 set, or a list of both kinds), every line is
// still mapCols columns wide, a full-width character counting two, at odd widths too.
TEST_F(CoreTest, FullWidthLinesKeepTheirWidth) {
    LookRestore restore;
    const struct {
        Look look;
        const char *chars;
        int32_t width;
    } cases[] = {
        {Look::shape, "", 24},          {Look::shape, "", 25},
        {Look::photo, "", 31},          {Look::photo, "＿／＼｜ .:", 27},
        {Look::shape, "＿／＼｜ .:", 20}, {Look::photo, "■", 21},
    };
    bmpWidth = 96, bmpHeight = 80;
    for (int32_t y = 0; y < bmpHeight; ++y) // a disc and a diagonal band over a soft gradient
        for (int32_t x = 0; x < bmpWidth; ++x) {
            const bool ink = (x - 48) * (x - 48) + (y - 40) * (y - 40) < 600 || std::abs(x - y) < 6;
            const auto v = uint8_t(ink ? 20 : 120 + x);
            surface_fill(sourceSurface, x, y, 1, 1, Rgb{v, v, v});
        }
    ++sourceSurface.generation;
    for (const auto &c : cases) {
        settings.Mojisu = c.width;
        lookSettings = LookSettings{c.look, false, c.chars, Target::window};
        lookSettings.charSet = 1;
        ASSERT_EQ(map_geometry_update(conversion), 1);
        std::string text;
        ASSERT_EQ(text_convert(conversion, text), ConvertOutcome::converted);
        int32_t lines = 0, columns = 0, wide = 0;
        for (size_t i = 0; i < text.size(); ++i) {
            const auto b = static_cast<unsigned char>(text[i]);
            if (text[i] == '\r')
                continue;
            if (text[i] == '\n') {
                EXPECT_EQ(columns, mapCols) << c.chars << " line " << lines << "\n" << grid(text);
                ++lines;
                columns = 0;
                continue;
            }
            columns += b < 0x80 ? 1 : b >= 0xC0 ? 2 : 0; // one lead byte a full-width character
            wide += b >= 0xC0;
        }
        EXPECT_EQ(lines, mapRows) << c.chars;
        EXPECT_GT(wide, 0) << c.chars << "\n" << grid(text); // full-width characters were chosen
    }
}

// Cells drawn by hand, 3 sub-samples across and 6 down ('#' the set's darkest, '.' white): the
// character whose glyph a person would put there.
TEST(Look, ShapeMatchPicksTheGlyphOfTheCellsPattern) {
    static_assert(glyphSubCols == 3 && glyphSubRows == 6, "the cells below are 3 x 6");
    const struct {
        const char *cell;
        char expected;
    } cases[] = {
        {"... ... ... ... ... ###", '_'}, // an edge along the bottom
        {"..# ..# .#. .#. #.. #..", '/'},
        {"#.. #.. .#. .#. ..# ..#", '\\'},
        {"... ... ... .#. .#. ...", '.'}, // a dot low in the cell
        {"##. ##. ... ... ... ...", '"'}, // ink in the top corner
    };
    std::string all;
    for (int c = glyphFirst; c < glyphFirst + glyphCount; ++c)
        all += char(c);
    LookSet set;
    look_set_make(set, all, glyphTableTerminal);
    for (const auto &c : cases) {
        int32_t cell[glyphSubCount], i = 0;
        for (const char *p = c.cell; *p != '\0'; ++p)
            if (*p != ' ')
                cell[i++] = *p == '#' ? 255 : 0;
        ASSERT_EQ(i, glyphSubCount) << c.cell;
        EXPECT_EQ(set.chars[size_t(look_shape_match(cell, set))], c.expected) << c.cell;
    }

    // A grey cell with a little grain and a faint gradient, between a black and a white one
    // that fix the levels, takes the quiet tone character of its darkness, not a stroke.
    std::vector<uint8_t> cells(3 * glyphSubCount, 0);
    for (int i = 0; i < glyphSubCount; ++i) {
        cells[glyphSubCount + i] = uint8_t(120 + (i / glyphSubCols) * 5 + (i % 2) * 6);
        cells[2 * glyphSubCount + i] = 255;
    }
    std::string chars;
    std::vector<uint8_t> greys;
    LookCache cache;
    look_cells_pick(LookSettings{Look::shape, false, ""}, cells.data(), 3, 1, glyphSubCount, 50,
                    false, chars, greys, cache);
    ASSERT_EQ(chars.size(), 3u);
    EXPECT_NE(std::string(lookToneChars).find(chars[1]), std::string::npos) << chars;

    // The photo look matches every textured cell by its shape, a diagonal as '/'.
    const char *diagonal = "..# ..# .#. .#. #.. #..";
    for (int i = 0, k = 0; diagonal[k] != '\0'; ++k)
        if (diagonal[k] != ' ')
            cells[glyphSubCount + i++] = diagonal[k] == '#' ? 0 : 255;
    look_cells_pick(LookSettings{Look::photo, false, ""}, cells.data(), 3, 1, glyphSubCount, 50,
                    false, chars, greys, cache);
    EXPECT_EQ(chars[1], '/') << chars;
}

// The refinement, from each cell's own best glyph: on a diagonal edge running across the cell
// borders it changes cells and lowers the blurred difference; from any choice (here random
// ones over random pictures) it never raises it.
TEST(Look, RefinementLowersTheBlurredDifference) {
    LookSet tone, shape;
    look_set_make(tone, lookToneChars, glyphTableTerminal);
    look_set_make(shape, lookShapeChars, glyphTableTerminal);
    ASSERT_TRUE(tone.refinable && shape.refinable);
    struct Case {
        const char *name;
        int32_t cols, rows;
        bool random;
    };
    const Case cases[] = {{"diagonal", 6, 3, false}, {"random 1", 5, 4, true},
                          {"random 2", 7, 2, true}, {"random 3", 3, 5, true}};
    uint32_t seed = 12345;
    auto next = [&]() { return seed = seed * 1103515245u + 12345u, seed >> 16; };
    for (const Case &c : cases) {
        const int32_t W = c.cols * glyphSubCols, H = c.rows * glyphSubRows;
        std::vector<uint8_t> want(size_t(c.cols * c.rows) * glyphSubCount);
        LookCache cache;
        cache.cellSet.assign(size_t(c.cols * c.rows), 1);
        cache.cellIndex.assign(size_t(c.cols * c.rows), 0);
        std::string chars(size_t(c.cols * c.rows), ' ');
        std::vector<uint8_t> greys(chars.size(), 255);
        for (int32_t at = 0; at < c.cols * c.rows; ++at) {
            int32_t cell[glyphSubCount];
            for (int i = 0; i < glyphSubCount; ++i) {
                // Dark below the line from the lower left to the upper right of the grid.
                const int32_t x = at % c.cols * glyphSubCols + i % glyphSubCols;
                const int32_t y = at / c.cols * glyphSubRows + i / glyphSubCols;
                const uint8_t v = c.random ? uint8_t(next()) : (y * W > (W - x) * H ? 255 : 0);
                want[size_t(at) * glyphSubCount + size_t(i)] = v;
                cell[i] = v;
            }
            if (c.random)
                cache.cellSet[size_t(at)] = uint8_t(next() % 2);
            const LookSet &set = cache.cellSet[size_t(at)] ? shape : tone;
            const int k = c.random ? int(next() % set.chars.size()) : look_shape_match(cell, set);
            cache.cellIndex[size_t(at)] = k;
            chars[size_t(at)] = set.chars[size_t(k)];
            greys[size_t(at)] = uint8_t(255 - set.darkness[size_t(k)]);
        }
        auto grid = [&]() {
            std::string out;
            for (int32_t r = 0; r < c.rows; ++r)
                out += "\n" + chars.substr(size_t(r * c.cols), size_t(c.cols));
            return out;
        };
        const std::string before = grid();
        const int64_t cost = look_refine_cost(want.data(), nullptr, c.cols, c.rows, tone, shape, cache);
        const int changes =
            look_cells_refine(want.data(), nullptr, c.cols, c.rows, tone, shape, chars, greys, cache);
        const int64_t refined =
            look_refine_cost(want.data(), nullptr, c.cols, c.rows, tone, shape, cache);
        EXPECT_LE(refined, cost) << c.name << before << "\nbecame" << grid();
        if (!c.random) {
            EXPECT_GT(changes, 0) << c.name << before;
            EXPECT_LT(refined, cost) << c.name << before << "\nbecame" << grid();
        }
        for (size_t at = 0; at < chars.size(); ++at) {
            const LookSet &set = cache.cellSet[at] ? shape : tone;
            EXPECT_EQ(chars[at], set.chars[size_t(cache.cellIndex[at])]) << c.name << grid();
            EXPECT_EQ(greys[at], 255 - set.darkness[size_t(cache.cellIndex[at])]) << c.name;
        }
    }
}

// Each darkness takes the character nearest to it, the lighter of two as near, in the tone set
// and in a user's list.
TEST(Look, ToneIndexIsTheNearestDarkness) {
    for (const char *chars : {lookToneChars, "()#", "@.:"}) {
        LookSet set;
        look_set_make(set, chars, glyphTableTerminal);
        for (int32_t d = 0; d < 256; ++d) {
            size_t nearest = 0;
            for (size_t k = 1; k < set.chars.size(); ++k) {
                const int32_t by =
                    std::abs(set.darkness[k] - d) - std::abs(set.darkness[nearest] - d);
                if (by < 0 || (by == 0 && set.darkness[k] < set.darkness[nearest]))
                    nearest = k;
            }
            EXPECT_EQ(set.chars[size_t(set.toneIndex[d])], set.chars[nearest])
                << chars << " at " << d;
        }
    }
}

// One sample a cell chooses by tone alone, in every look: the quiet tone characters, darker
// for darker samples, the space for white, and no shape.
TEST(Look, OneSampleACellChoosesByToneAlone) {
    std::vector<uint8_t> samples;
    for (int k = 0; k < 40; ++k)
        samples.push_back(k % 2 == 0 ? 255 : uint8_t(k * 6));
    for (Look look : {Look::standard, Look::photo, Look::shape}) {
        std::string chars;
        std::vector<uint8_t> greys;
        LookCache cache;
        look_cells_pick(LookSettings{look, false, "", Target::terminal}, samples.data(), 20, 2, 1,
                        50, false, chars, greys, cache);
        ASSERT_EQ(chars.size(), samples.size());
        for (size_t k = 0; k < chars.size(); ++k) {
            const size_t tone = std::string(lookToneChars).find(chars[k]);
            EXPECT_NE(tone, std::string::npos) << int(look) << ": " << chars;
            EXPECT_EQ(tone == 0, samples[k] == 255) << int(look) << ": " << chars;
            if (k >= 3 && k % 2 == 1) {
                EXPECT_GE(greys[k], greys[k - 2]) << int(look) << ": " << chars;
            }
        }
    }
}

// A falling diagonal, and a cell inked exactly as the window's 0x5C glyph, matched against the
// target's default shape set or a user's list: the terminal's backslash fits the diagonal; in the
// window, whose fonts draw 0x5C as ¥, 0x5C is never chosen unless the user lists it, even where
// its ink fits best.
TEST(Look, TheWindowsYenIsChosenOnlyWhenListed) {
    const struct {
        const char *cell; // "yen": the window's 0x5C ink; else '#' the set's darkest, '.' white
        Target target;
        const char *chars; // "": the target's default set
        bool backslash;    // whether 0x5C is chosen
    } cases[] = {
        {"#.. #.. .#. .#. ..# ..#", Target::terminal, "", true},
        {"#.. #.. .#. .#. ..# ..#", Target::window, "", false},
        {"yen", Target::terminal, "", false},
        {"yen", Target::window, "", false},
        {"yen", Target::window, " #/|\\", true}, // listed: the user wants it
    };
    for (const auto &c : cases) {
        LookSettings look;
        look.target = c.target;
        const GlyphInk *table = look_glyphs_of(look);
        const std::string chars = *c.chars != '\0' ? c.chars : look_shape_chars(c.target);
        LookSet set;
        look_set_make(set, chars, table);
        int32_t cell[glyphSubCount], darkest = 1;
        for (char ch : chars) {
            int32_t sum = 0;
            for (uint8_t v : table[ch - glyphFirst].ink)
                sum += v;
            darkest = std::max(darkest, sum);
        }
        for (int i = 0, k = 0; i < glyphSubCount; ++k)
            if (std::string(c.cell) == "yen")
                cell[i++] = glyphTableWindow['\\' - glyphFirst].ink[k] * glyphSubCount * 255 / darkest;
            else if (c.cell[k] != ' ')
                cell[i++] = c.cell[k] == '#' ? 255 : 0;
        const char chosen = set.chars[size_t(look_shape_match(cell, set))];
        EXPECT_EQ(chosen == '\\', c.backslash)
            << c.cell << " target " << int(c.target) << " chars '" << c.chars << "': " << chosen;
    }
}

// Narrow strings are UTF-8 in memory on every system; the window layer hands UTF-16 to the
// platform, so no build may turn the literals into another code.
TEST(Convert, MessagesAreUtf8) {
    auto hex = [](const char *s) {
        std::string out;
        char byte[3];
        for (; *s != '\0'; ++s, out += byte)
            std::snprintf(byte, sizeof byte, "%02x", static_cast<unsigned char>(*s));
        return out;
    };
    EXPECT_EQ(hex(text_convert_too_large_message()),
              "e383b4e382a7e383abe382b3e383a9e383b3e381aee382b5e382a4e382bae3818ce5a4a7e3818de38199"
              "e3818ee381a6e5a489e68f9be381a7e3818de381bee3819be38293e380820ae6af94e78e87e3818be6a8"
              "aae5b985e38292e5a489e69bb4e38197e381a6e4b88be38195e38184e38082");
    EXPECT_EQ(hex(text_convert_failed_message()), "e5a489e68f9be381abe5a4b1e69597e38197e381bee38197e3819fe38082");
}
