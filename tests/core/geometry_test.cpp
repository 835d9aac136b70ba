#include <cstring>
#include <vector>

#include "tests/core/core_fixture.h"

namespace {

struct Changed {
    int calls = 0;
    int32_t x = 0, y = 0, width = 0, height = 0;
};
Changed changed;
void changed_record(int32_t x, int32_t y, int32_t width, int32_t height) {
    changed = Changed{changed.calls + 1, x, y, width, height};
}

std::string geometry_text() {
    return "cols " + std::to_string(mapCols) + " height " + std::to_string(previewHeight) +
           " rows " + std::to_string(mapRows) + " x " + std::to_string(mapX) + " y " +
           std::to_string(mapY) + " Mojisu " + std::to_string(settings.Mojisu);
}

void settings_set(int32_t mode, int32_t mojisu, int32_t hiritu, int32_t width, int32_t height) {
    map_geometry_clear();
    settings.Mode = mode;
    settings.Mojisu = mojisu;
    settings.Hiritu = hiritu;
    bmpWidth = width;
    bmpHeight = height;
}

} // namespace

TEST_F(CoreTest, GeometryValuesAndLimits) {
    const struct {
        const char *name;
        int32_t mode, mojisu, hiritu, width, height;
        bool accepted;
        int32_t cols, previewHeight, rows, x, y, mojisuAfter;
    } cases[] = {
        {"400x300", 1, 100, 50, 400, 300, true, 100, 75, 37, 130, 105, 100},
        {"3x1", 1, 100, 50, 3, 1, true, 100, 33, 16, 130, 63, 100},
        {"original 610x100", 2, 100, 50, 610, 100, true, 610, 100, 100, 640, 130, 610},
        {"width 1009 fits", 1, 1009, 50, 1009, 10, true, 1009, 10, 5, 1039, 40, 1009},
        {"width 1010 refused", 1, 1010, 50, 1010, 10, false, 1010, 10, 5, 1040, 40, 1010},
        {"original 1010 refused", 2, 100, 50, 1010, 60, false, 1010, 60, 60, 1040, 90, 1010},
        {"height 753 fits", 1, 100, 0, 100, 753, true, 100, 753, 0, 130, 783, 100},
        {"height 754 refused", 1, 100, 0, 100, 754, false, 100, 754, 0, 130, 784, 100},
        {"rows refused", 1, 220, 150, 300, 1000, false, 220, 733, 1099, 250, 763, 220},
        {"rows 906 fit exactly", 1, 180, 151, 300, 1000, true, 180, 600, 906, 210, 630, 180},
        {"rows 912 refused", 1, 180, 152, 300, 1000, false, 180, 600, 912, 210, 630, 180},
        {"Hiritu 0", 1, 100, 0, 400, 300, true, 100, 75, 0, 130, 105, 100},
        {"negative Hiritu", 1, 100, -50, 400, 300, true, 100, 75, -37, 130, 105, 100},
        // Refused before anything is stored or divided.
        {"width 0", 1, 100, 50, 0, 300, false, 0, 0, 0, 0, 0, 100},
        {"negative height", 2, 100, 50, 400, -300, false, 0, 0, 0, 0, 0, 100},
        {"Mojisu past 32 bits", 1, INT32_MAX, 50, 100, 100, false, 0, 0, 0, 0, 0, INT32_MAX},
        {"Hiritu past 32 bits", 1, 100, INT32_MAX, 100, 300, false, 0, 0, 0, 0, 0, 100},
    };
    for (const auto &c : cases) {
        settings_set(c.mode, c.mojisu, c.hiritu, c.width, c.height);
        EXPECT_EQ(map_geometry_compute(), c.accepted) << c.name;
        EXPECT_EQ(geometry_text(),
                  "cols " + std::to_string(c.cols) + " height " + std::to_string(c.previewHeight) +
                      " rows " + std::to_string(c.rows) + " x " + std::to_string(c.x) + " y " +
                      std::to_string(c.y) + " Mojisu " + std::to_string(c.mojisuAfter))
            << c.name;
    }
}

TEST_F(CoreTest, OtherModesRecomputeNothingAndFitStops) {
    settings_set(3, 50, 50, 10, 10);
    mapCols = 100, previewHeight = 75, mapRows = 37, mapX = 130, mapY = 105;
    EXPECT_TRUE(map_geometry_compute());
    EXPECT_EQ(geometry_text(), "cols 100 height 75 rows 37 x 130 y 105 Mojisu 50");
    mapCols = 1010, mapX = 1040;
    EXPECT_EQ(map_geometry_fit(), FitResult::cannotFit);
    EXPECT_EQ(geometry_text(), "cols 1010 height 75 rows 37 x 1040 y 105 Mojisu 50");
}

TEST_F(CoreTest, FitLowersMojisuOnlyWhereItHelps) {
    const struct {
        const char *name;
        int32_t mode, mojisu, hiritu, width, height;
        FitResult result;
        int32_t mojisuAfter, previewHeight, rows;
    } cases[] = {
        {"fits at once", 1, 100, 50, 400, 300, FitResult::fitted, 100, 75, 37},
        {"tall, ends at 49", 1, 100, 50, 100, 1536, FitResult::lowered, 49, 752, 376},
        {"narrow, ends below 20", 1, 100, 50, 20, 1536, FitResult::lowered, 9, 691, 345},
        {"rows, ends at 180", 1, 220, 150, 300, 1000, FitResult::lowered, 180, 600, 900},
        {"Mojisu from a bad file", 1, INT32_MAX, 50, 400, 300, FitResult::lowered, 1005, 753, 376},
        {"negative sizes", 1, -1000, -1000, 1, 1, FitResult::lowered, 0, 0, 0},
        {"original too wide", 2, 100, 50, 1010, 60, FitResult::cannotFit, 1010, 60, 60},
        {"original too tall", 2, 100, 50, 300, 754, FitResult::cannotFit, 300, 754, 754},
        {"no bitmap width", 1, 100, 50, 0, 300, FitResult::cannotFit, 100, 0, 0},
    };
    for (const auto &c : cases) {
        settings_set(c.mode, c.mojisu, c.hiritu, c.width, c.height);
        EXPECT_EQ(map_geometry_fit(), c.result) << c.name;
        EXPECT_EQ(settings.Mojisu, c.mojisuAfter) << c.name;
        EXPECT_EQ(previewHeight, c.previewHeight) << c.name;
        EXPECT_EQ(mapRows, c.rows) << c.name;
    }
}

TEST_F(CoreTest, BitmapsWiderThan600AreDrawnFromTheReducedCopy) {
    for (const int32_t width : {600, 601}) {
        SetUp();
        settings_set(2, 100, 50, width, 21);
        noise_fill(sourceSurface, width, 21);
        surface_set(reducedCopy, 681, 511, Rgb{255, 0, 0});
        ASSERT_EQ(map_geometry_update(), 1);

        OwnedSurface third(width / 3, 7), preview(width, 21);
        surface_scale(sourceSurface, width, 21, third.s, 0, 0, width / 3, 7);
        if (width > 600)
            surface_scale(reducedCopy, width / 3, 7, preview.s, 0, 0, width, 21);
        else
            surface_scale(sourceSurface, width, 21, preview.s, 0, 0, width, 21);
        int wrong = 0, sameAsSource = 0;
        for (int32_t y = 0; y < 21; ++y)
            for (int32_t x = 0; x < width; ++x) {
                wrong += surface_get(canvas, 15 + x, 15 + y) != surface_get(preview.s, x, y);
                wrong += surface_get(canvas, 15 + x, mapY + y) != surface_get(preview.s, x, y);
                wrong += y < 7 && x < width / 3 &&
                         surface_get(reducedCopy, x, y) != surface_get(third.s, x, y);
                sameAsSource += surface_get(canvas, 15 + x, 15 + y) == noise_at(x, y);
            }
        EXPECT_EQ(wrong, 0) << width << "\n" << region_values(canvas, 15, 15, 6, 4);
        EXPECT_EQ(sameAsSource == width * 21, width <= 600) << width;
        EXPECT_EQ(surface_get(reducedCopy, 681, 511), (Rgb{255, 0, 0})) << "reduced copy overrun";
    }
}

TEST_F(CoreTest, PreviewsAndOutlinesLandOnTheirPixels) {
    const char *blank = "..........\n";
    const std::string gap = [&] {
        std::string s;
        for (int i = 18; i <= 30; ++i)
            s += blank;
        return s;
    }();
    const std::string proportional = std::string(blank) + blank + "..######..\n" +
                                     "..#rrrr#..\n" + "..#rrrr#..\n" + "..######..\n";
    const struct {
        int32_t position, hiritu;
        std::string picture; // x 12..21, y 12..35 (vertical) or x 12..41, y 12..19
        Changed changed;
    } cases[] = {
        {1, 50,
         proportional + gap + "..######..\n" + "..#rrrr#..\n" + "..######..\n" + blank + blank,
         {1, 14, 14, 6, 20}},
        {1, 0, proportional + gap + "..######..\n" + "..######..\n" + blank + blank + blank,
         {1, 14, 14, 6, 19}},
        {1, -50, proportional + gap + blank + blank + blank + blank + blank, {1, 14, 14, 6, 4}},
        {0, 50,
         "..............................\n"
         "..............................\n"
         "..######.............######...\n"
         "..#rrrr#.............#rrrr#...\n"
         "..#rrrr#.............######...\n"
         "..######......................\n"
         "..............................\n"
         "..............................\n",
         {1, 14, 14, 25, 4}},
        {0, 0,
         "..............................\n"
         "..............................\n"
         "..######.............######...\n"
         "..#rrrr#.............######...\n"
         "..#rrrr#......................\n"
         "..######......................\n"
         "..............................\n"
         "..............................\n",
         {1, 14, 14, 25, 4}},
    };
    for (const auto &c : cases) {
        SetUp();
        canvasChanged = changed_record;
        changed = Changed{};
        settings_set(1, 4, c.hiritu, 4, 2);
        settings.Position = c.position;
        surface_fill(sourceSurface, 0, 0, 4, 2, Rgb{255, 0, 0});
        ASSERT_EQ(map_geometry_update(), 1);
        const std::string got = c.position != 0 ? region_picture(canvas, 12, 12, 10, 24)
                                                : region_picture(canvas, 12, 12, 30, 8);
        EXPECT_EQ(got, c.picture) << "Position " << c.position << " Hiritu " << c.hiritu << "\n"
                                  << got;
        EXPECT_EQ(changed.calls, 1);
        EXPECT_EQ((std::vector<int32_t>{changed.x, changed.y, changed.width, changed.height}),
                  (std::vector<int32_t>{c.changed.x, c.changed.y, c.changed.width,
                                        c.changed.height}))
            << "Position " << c.position << " Hiritu " << c.hiritu;
    }
}

TEST_F(CoreTest, RefusedUpdateDrawsNothing) {
    settings_set(1, 1010, 50, 1010, 10);
    noise_fill(sourceSurface, 1010, 10);
    canvasChanged = changed_record;
    changed = Changed{};
    const size_t canvasBytes = size_t(canvas.stride) * canvas.height;
    const size_t reducedBytes = size_t(reducedCopy.stride) * reducedCopy.height;
    const std::vector<uint8_t> canvasBefore(canvas.bits, canvas.bits + canvasBytes);
    const std::vector<uint8_t> reducedBefore(reducedCopy.bits, reducedCopy.bits + reducedBytes);
    EXPECT_EQ(map_geometry_update(), 0);
    EXPECT_EQ(std::memcmp(canvas.bits, canvasBefore.data(), canvasBytes), 0);
    EXPECT_EQ(std::memcmp(reducedCopy.bits, reducedBefore.data(), reducedBytes), 0);
    EXPECT_EQ(changed.calls, 0);
}
