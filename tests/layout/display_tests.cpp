#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "window/display.h"
#include "main_window/drop.h"

// Two monitors side by side, each with a task bar 40 high at the bottom.
static const std::vector<WorkArea> twoMonitors = {{0, 0, 1920, 1040}, {1920, 0, 3200, 984}};

struct OnscreenCase {
    const char *name;
    std::vector<WorkArea> areas;
    WindowRect rect, expected;
};

// clang-format off
static const OnscreenCase onscreenCases[] = {
    {"inside: unchanged", twoMonitors, {100, 100, 900, 700}, {100, 100, 900, 700}},
    {"corner on the second monitor, frame past its edge: unchanged", twoMonitors, {3000, 900, 3800, 1500}, {3000, 900, 3800, 1500}},
    {"left and top edges are inside", twoMonitors, {0, 0, 800, 600}, {0, 0, 800, 600}},
    {"Left=-30000: onto the first", twoMonitors, {-30000, 100, -29200, 700}, {0, 100, 800, 700}},
    {"right of everything: pulled back to fit", twoMonitors, {5000, 100, 5800, 700}, {2400, 100, 3200, 700}},
    {"below the second's work area", twoMonitors, {2000, 990, 2800, 1590}, {2000, 384, 2800, 984}},
    {"the right edge is outside", twoMonitors, {3200, 10, 3300, 110}, {3100, 10, 3200, 110}},
    {"larger than the area: corner at its left and top", twoMonitors, {-5000, -5000, -2000, -3000}, {0, 0, 3000, 2000}},
    {"500 wide, 0 high keeps its size", twoMonitors, {-30000, 50, -29500, 50}, {0, 50, 500, 50}},
    {"monitor left of the primary", {{-1280, 0, 0, 1024}, {0, 0, 1920, 1040}}, {-3000, 100, -2200, 700}, {-1280, 100, -480, 700}},
    {"no monitors: unchanged", {}, {-30000, 0, -29000, 500}, {-30000, 0, -29000, 500}},
    {"empty areas are passed over", {{0, 0, 0, 0}, {100, 100, 900, 700}}, {0, 0, 200, 200}, {100, 100, 300, 300}},
    {"extreme edges saturate", twoMonitors, {INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX}, {0, 0, INT32_MAX, INT32_MAX}},
};
// clang-format on

TEST(DisplayTest, StoredRectangleKeptOnScreen) {
    for (const OnscreenCase &c : onscreenCases) {
        const WindowRect got = window_rect_onscreen(c.rect, c.areas);
        EXPECT_TRUE(got.Left == c.expected.Left && got.Top == c.expected.Top &&
                    got.Right == c.expected.Right && got.Bottom == c.expected.Bottom)
            << c.name << ": got " << got.Left << "," << got.Top << "," << got.Right << ","
            << got.Bottom;
    }
}

struct ScaleCase {
    int32_t value, dpi, scaled;
};

// clang-format off
static const ScaleCase scaleCases[] = {
    {-15, 96, -15}, {-15, 144, -23}, {-15, 192, -30}, {-15, 120, -19}, {28, 144, 42},
    {15, 144, 23}, {35, 144, 53}, {0, 144, 0}, {7, 0, 7}, {INT32_MAX, 192, INT32_MAX},
};
// clang-format on

TEST(DisplayTest, LengthsScaleAsMulDivRounds) {
    for (const ScaleCase &c : scaleCases) {
        EXPECT_EQ(dpi_scale(c.value, c.dpi), c.scaled) << c.value << " at " << c.dpi;
        if (c.value != INT32_MAX) {
            EXPECT_EQ(dpi_unscale(dpi_scale(c.value, c.dpi), c.dpi), c.value)
                << c.value << " back from " << c.dpi;
        }
    }
}

struct DarkCase {
    bool present;
    uint32_t light, build;
    int attribute;
};

TEST(DisplayTest, DarkTitleAttribute) {
    const DarkCase cases[] = {
        {true, 0, 22631, 20}, {true, 0, 19041, 20}, {true, 0, 18985, 20},
        {true, 0, 18984, 19}, {true, 0, 17763, 19}, {true, 0, 17762, 0},
        {true, 1, 22631, 0},  {false, 0, 22631, 0}, {true, 2, 22631, 0},
    };
    for (const DarkCase &c : cases)
        EXPECT_EQ(dark_title_attribute(c.present, c.light, c.build), c.attribute)
            << c.present << " " << c.light << " " << c.build;
}

TEST(DisplayTest, FormsRectangleInNinetySixDpiUnits) {
    const struct {
        WindowRect rect;
        int32_t from, to;
        WindowRect expected;
    } cases[] = {
        {{100, 50, 900, 650}, 96, 96, {100, 50, 900, 650}},
        {{100, 50, 900, 650}, 96, 144, {100, 50, 1300, 950}},
        {{100, 50, 1300, 950}, 144, 96, {100, 50, 900, 650}},
        {{40, 30, 540, 30}, 96, 192, {40, 30, 1040, 30}},              // 0 high stays 0 high
        {{-30000, 0, -29201, 601}, 96, 144, {-30000, 0, -28801, 902}}, // 799 x 601: rounded
        {{0, 0, 0, 0}, 96, 144, {0, 0, 0, 0}},
        {{0, 0, INT32_MAX, INT32_MAX}, 96, 192, {0, 0, INT32_MAX, INT32_MAX}},
    };
    for (const auto &c : cases) {
        const WindowRect got = rect_size_rescale(c.rect, c.from, c.to);
        EXPECT_TRUE(got.Left == c.expected.Left && got.Top == c.expected.Top &&
                    got.Right == c.expected.Right && got.Bottom == c.expected.Bottom)
            << c.from << " to " << c.to << ": got " << got.Left << "," << got.Top << ","
            << got.Right << "," << got.Bottom;
    }
}

TEST(DropRules, FirstOfFilesContentsPngDibs) {
    using S = DropSource;
    const struct {
        DropOffer offer;
        DropSource source;
    } cases[] = {
        {{true, true, true, true, true, true}, S::files},
        {{false, true, true, true, true, true}, S::fileContents},
        {{false, false, true, true, true, true}, S::png},
        {{false, false, false, true, true, true}, S::dibv5},
        {{false, false, false, false, true, true}, S::dib},
        {{false, false, false, false, false, true}, S::notPicture},
        {{}, S::none},
    };
    for (const auto &c : cases)
        EXPECT_EQ(static_cast<int>(drop_source_choose(c.offer)), static_cast<int>(c.source))
            << static_cast<int>(c.source);
    EXPECT_FALSE(drop_size_fits(0));
    EXPECT_TRUE(drop_size_fits(1));
    EXPECT_TRUE(drop_size_fits(dropByteLimit));
    EXPECT_FALSE(drop_size_fits(dropByteLimit + 1));
    EXPECT_EQ(drop_file_name("downloads\\photo.webp"), "photo.webp");
    EXPECT_EQ(drop_file_name("a/b/c.png"), "c.png");
    EXPECT_EQ(drop_file_name("plain.heic"), "plain.heic");
    EXPECT_EQ(drop_file_name("dir\\"), "");
}
