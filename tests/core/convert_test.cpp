#include <cstdio>
#include <cstring>

#include "core/convert.h"
#include "tests/core/core_fixture.h"

namespace {

// The text as the grid it draws (CR LF shown as line ends).
std::string text_grid(const std::string &text) {
    std::string out;
    for (char ch : text)
        if (ch != '\r')
            out += ch;
    return out;
}

std::string hex(const char *s) {
    std::string out;
    char byte[3];
    for (; *s != '\0'; ++s) {
        std::snprintf(byte, sizeof byte, "%02x", static_cast<unsigned char>(*s));
        out += byte;
    }
    return out;
}

void grid_set(int32_t cols, int32_t rows, int32_t top) {
    settings.Position = 1;
    settings.Mojisu = mapCols = cols;
    mapRows = rows;
    mapY = top;
}

} // namespace

TEST_F(CoreTest, RampPicksTheFirstThresholdAboveTheSumAndPaintsItsColour) {
    const Rgb tint{255, 240, 240};
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
        {50, {230, 230, 230}, '.', tint},
        {50, {255, 255, 255}, ' ', rgbWhite},
        {100, {0, 0, 0}, ':', {180, 180, 180}},
        {100, {255, 255, 255}, ' ', rgbWhite},
        {0, {255, 255, 255}, '?', {80, 80, 80}},
        {0, {0, 0, 0}, '$', {0, 0, 0}},
        {101, {255, 255, 255}, ' ', rgbWhite}, // no threshold above 765: the space
        {INT32_MAX, {0, 0, 0}, ' ', rgbWhite},
        {INT32_MIN, {255, 255, 255}, '$', {0, 0, 0}},
    };
    for (const auto &c : cases) {
        grid_set(1, 1, 40);
        settings.Meido = c.meido;
        surface_set(canvas, 15, 40, c.pixel);
        std::string text;
        ASSERT_EQ(text_convert(text), ConvertOutcome::converted);
        EXPECT_EQ(text, std::string(1, c.expected) + "\r\n")
            << "Meido " << c.meido << " sum " << c.pixel.r + c.pixel.g + c.pixel.b;
        EXPECT_EQ(surface_get(canvas, 15, 40), c.feedback)
            << "Meido " << c.meido << " sum " << c.pixel.r + c.pixel.g + c.pixel.b;
    }
}

TEST_F(CoreTest, TextSizeGuard) {
    const struct {
        const char *name;
        int32_t mojisu, cols, rows;
        bool converted;
        size_t length;
    } cases[] = {
        {"exactly 61440 bytes", 118, 118, 512, true, 61440},
        {"one row more", 118, 118, 513, false, 0},
        {"lines longer than Mojisu", 20, 200, 400, false, 0},
        {"Mojisu longer than the lines", 200, 100, 400, false, 0},
        {"no rows", 100, 100, 0, true, 0},
        {"empty lines", 0, 0, 3, true, 6},
        {"negative width", -5, -5, 10, true, 0},
        {"negative sizes", -100, -100, -1000, true, 0},
    };
    for (const auto &c : cases) {
        SetUp();
        grid_set(c.cols, c.rows, 30);
        settings.Mojisu = c.mojisu;
        surface_fill(canvas, 0, 0, canvasWidth, canvasHeight, Rgb{128, 128, 128});
        std::string text = "kept";
        const ConvertOutcome outcome = text_convert(text);
        EXPECT_EQ(outcome == ConvertOutcome::converted, c.converted) << c.name;
        if (!c.converted) {
            EXPECT_EQ(text, "kept") << c.name;
            EXPECT_EQ(surface_get(canvas, 15, 30), (Rgb{128, 128, 128})) << c.name;
            continue;
        }
        EXPECT_EQ(text.size(), c.length) << c.name;
        std::string line = std::string(size_t(std::max(c.cols, 0)), '/') + "\r\n";
        std::string expected;
        for (int32_t i = 0; i < c.rows && c.cols >= 0; ++i)
            expected += line;
        EXPECT_TRUE(text == expected) << c.name << "\n" << text_grid(text).substr(0, 500);
    }
}

TEST_F(CoreTest, ConvertingIsRepeatableAndPlacementFree) {
    int calls = 0;
    static int32_t last[4];
    static int *counter;
    counter = &calls;
    canvasChanged = [](int32_t x, int32_t y, int32_t w, int32_t h) {
        ++*counter;
        last[0] = x, last[1] = y, last[2] = w, last[3] = h;
    };
    bmpWidth = 400, bmpHeight = 300;
    for (int32_t y = 0; y < 300; ++y)
        for (int32_t x = 0; x < 400; ++x) {
            const auto v = uint8_t((x + y) * 255 / 700);
            surface_set(sourceSurface, x, y, Rgb{v, v, uint8_t(v - v / 8)});
        }

    std::string first, again, horizontal;
    ASSERT_EQ(map_geometry_update(), 1);
    ASSERT_EQ(text_convert(first), ConvertOutcome::converted);
    EXPECT_EQ(calls, 2);
    EXPECT_EQ((std::vector<int32_t>(last, last + 4)), (std::vector<int32_t>{15, 105, 100, 37}));
    ASSERT_EQ(first.size(), size_t(102 * 37));
    int wrongFeedback = 0;
    std::string used;
    for (int32_t i = 0; i < mapRows; ++i)
        for (int32_t j = 0; j < mapCols; ++j) {
            const char ch = first[size_t(i * 102 + j)];
            for (const RampEntry &e : ramp)
                if (e.text[0] == ch) {
                    wrongFeedback += surface_get(canvas, 15 + j, mapY + i) != Rgb{e.r, e.g, e.b};
                    if (used.find(ch) == std::string::npos)
                        used += ch;
                }
        }
    EXPECT_EQ(wrongFeedback, 0);
    EXPECT_GE(used.size(), 6u) << text_grid(first);

    ASSERT_EQ(map_geometry_update(), 1);
    ASSERT_EQ(text_convert(again), ConvertOutcome::converted);
    EXPECT_TRUE(first == again) << "first:\n" << text_grid(first) << "again:\n" << text_grid(again);

    settings.Position = 0;
    ASSERT_EQ(map_geometry_update(), 1);
    ASSERT_EQ(text_convert(horizontal), ConvertOutcome::converted);
    EXPECT_EQ((std::vector<int32_t>(last, last + 4)), (std::vector<int32_t>{130, 15, 100, 37}));
    EXPECT_TRUE(first == horizontal)
        << "vertical:\n" << text_grid(first) << "horizontal:\n" << text_grid(horizontal);
}

TEST(Convert, MessagesAreTheProgramsOwnBytes) {
#ifdef _WIN32 // narrow literals are CP932 there
    const char *tooLarge = "83948346838b83528389839382cc83548343835982aa91e582ab82b782ac82c495cf"
                           "8ab782c582ab82dc82b982f181420a94e497a682a989a1959d82f095cf8d5882b582"
                           "c489ba82b382a28142";
    const char *failed = "95cf8ab782c98eb8947382b582dc82b582bd8142";
#else
    const char *tooLarge = "e383b4e382a7e383abe382b3e383a9e383b3e381aee382b5e382a4e382bae3818ce5"
                           "a4a7e3818de38199e3818ee381a6e5a489e68f9be381a7e3818de381bee3819be382"
                           "93e380820ae6af94e78e87e3818be6a8aae5b985e38292e5a489e69bb4e38197e381"
                           "a6e4b88be38195e38184e38082";
    const char *failed = "e5a489e68f9be381abe5a4b1e69597e38197e381bee38197e3819fe38082";
#endif
    EXPECT_EQ(hex(text_convert_too_large_message()), tooLarge);
    EXPECT_EQ(hex(text_convert_failed_message()), failed);
}
