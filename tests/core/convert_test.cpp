#include <cstdio>

#include "core/convert.h"
#include "tests/core/core_fixture.h"

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
        ASSERT_EQ(text_convert(text), ConvertOutcome::converted);
        const int sum = c.pixel.r + c.pixel.g + c.pixel.b;
        EXPECT_EQ(text, std::string(1, c.expected) + "\r\n")
            << "Meido " << c.meido << " sum " << sum;
        EXPECT_EQ(surface_get(canvas, 15, 40), c.feedback) << "Meido " << c.meido << " sum " << sum;
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
        {"no rows", 100, 100, 0, true},
        {"empty lines", 0, 0, 3, true},
        {"negative width", -5, -5, 10, true},
        {"negative sizes", -100, -100, -1000, true},
    };
    for (const auto &c : cases) {
        squeezed_set(c.cols, c.rows, 30);
        settings.Mojisu = c.mojisu;
        surface_fill(canvas, 0, 0, canvasWidth, canvasHeight, Rgb{128, 128, 128});
        std::string text = "kept", expected = c.converted ? "" : "kept";
        for (int32_t i = 0; c.converted && c.cols >= 0 && i < c.rows; ++i)
            expected += std::string(size_t(c.cols), '/') + "\r\n";
        EXPECT_EQ(text_convert(text) == ConvertOutcome::converted, c.converted) << c.name;
        EXPECT_TRUE(text == expected) << c.name << ": " << text.size() << " bytes\n"
                                      << grid(text).substr(0, 300);
        EXPECT_EQ(surface_get(canvas, 15, 30) == Rgb({128, 128, 128}),
                  !c.converted || c.cols <= 0 || c.rows <= 0)
            << c.name;
    }
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
    ASSERT_EQ(map_geometry_update(), 1);
    ASSERT_EQ(text_convert(first), ConvertOutcome::converted);
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

    ASSERT_EQ(map_geometry_update(), 1);
    ASSERT_EQ(text_convert(again), ConvertOutcome::converted);
    EXPECT_TRUE(first == again) << "first:\n" << grid(first) << "again:\n" << grid(again);
    settings.Position = 0;
    ASSERT_EQ(map_geometry_update(), 1);
    ASSERT_EQ(text_convert(horizontal), ConvertOutcome::converted);
    EXPECT_EQ(changed, (std::vector<int32_t>{130, 15, 100, 37}));
    EXPECT_TRUE(first == horizontal) << "vertical:\n"
                                     << grid(first) << "horizontal:\n"
                                     << grid(horizontal);
}

#ifdef _WIN32 // the build turns the UTF-8 sources into CP932 literals
TEST(Convert, MessagesAreCp932) {
    auto hex = [](const char *s) {
        std::string out;
        char byte[3];
        for (; *s != '\0'; ++s, out += byte)
            std::snprintf(byte, sizeof byte, "%02x", static_cast<unsigned char>(*s));
        return out;
    };
    EXPECT_EQ(hex(text_convert_too_large_message()),
              "83948346838b83528389839382cc83548343835982aa91e582ab82b782ac82c495cf8ab782c582ab82"
              "dc82b982f181420a94e497a682a989a1959d82f095cf8d5882b582c489ba82b382a28142");
    EXPECT_EQ(hex(text_convert_failed_message()), "95cf8ab782c98eb8947382b582dc82b582bd8142");
}
#endif
