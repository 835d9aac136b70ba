#include <cstring>

#include "tests/core/core_fixture.h"
#include "window/document_state.h"

namespace {

std::vector<int32_t> changed; // x, y, width, height of every call
void changed_record(int32_t x, int32_t y, int32_t w, int32_t h) {
    changed.insert(changed.end(), {x, y, w, h});
}

void geometry_set(int32_t mode, int32_t mojisu, int32_t hiritu, int32_t width, int32_t height) {
    map_geometry_clear(conversion);
    settings.Mode = mode, settings.Mojisu = mojisu, settings.Hiritu = hiritu;
    bmpWidth = width, bmpHeight = height;
}

std::vector<int32_t> geometry() {
    return {mapCols, previewHeight, mapRows, mapX, mapY, settings.Mojisu};
}

} // namespace

TEST_F(CoreTest, GeometryValuesAndLimits) {
    const struct {
        const char *name;
        int32_t mode, mojisu, hiritu, width, height;
        bool accepted;
        std::vector<int32_t> expected; // mapCols, previewHeight, mapRows, mapX, mapY, Mojisu
    } cases[] = {
        {"400x300", 1, 100, 50, 400, 300, true, {100, 75, 37, 130, 105, 100}},
        {"3x1", 1, 100, 50, 3, 1, true, {100, 33, 16, 130, 63, 100}},
        // Lines from the truncated 33, not 100 * 1 * 150 / 300 = 50 in one step.
        {"3x1, ratio 150", 1, 100, 150, 3, 1, true, {100, 33, 49, 130, 63, 100}},
        {"original 610x100", 2, 100, 50, 610, 100, true, {610, 100, 100, 640, 130, 610}},
        {"width 1009", 1, 1009, 50, 1009, 10, true, {1009, 10, 5, 1039, 40, 1009}},
        {"width 1010", 1, 1010, 50, 1010, 10, false, {1010, 10, 5, 1040, 40, 1010}},
        {"height 753", 1, 100, 0, 100, 753, true, {100, 753, 0, 130, 783, 100}},
        {"height 754", 1, 100, 0, 100, 754, false, {100, 754, 0, 130, 784, 100}},
        {"rows 906", 1, 180, 151, 300, 1000, true, {180, 600, 906, 210, 630, 180}},
        {"rows 912", 1, 180, 152, 300, 1000, false, {180, 600, 912, 210, 630, 180}},
        {"negative Hiritu", 1, 100, -50, 400, 300, true, {100, 75, -37, 130, 105, 100}},
        // The 32-bit limits themselves still hold a value.
        {"mapX exactly INT32_MAX",
         1,
         INT32_MAX - 30,
         50,
         100,
         100,
         false,
         {INT32_MAX - 30, INT32_MAX - 30, 1073741808, INT32_MAX, INT32_MAX, INT32_MAX - 30}},
        {"mapRows exactly INT32_MIN",
         1,
         100,
         INT32_MIN,
         100,
         100,
         true,
         {100, 100, INT32_MIN, 130, 130, 100}},
        // Refused before anything is divided or stored.
        {"width 0", 1, 100, 50, 0, 300, false, {0, 0, 0, 0, 0, 100}},
        {"height 0", 1, 100, 50, 400, 0, false, {0, 0, 0, 0, 0, 100}},
        {"negative height", 2, 100, 50, 400, -300, false, {0, 0, 0, 0, 0, 100}},
        {"Mojisu past 32 bits", 1, INT32_MAX, 50, 100, 100, false, {0, 0, 0, 0, 0, INT32_MAX}},
        {"Hiritu past 32 bits", 1, 100, INT32_MAX, 100, 300, false, {0, 0, 0, 0, 0, 100}},
        {"mapX past 32 bits",
         1,
         INT32_MAX - 10,
         50,
         100,
         1,
         false,
         {0, 0, 0, 0, 0, INT32_MAX - 10}},
        {"mapY past 32 bits", 1, 1, 50, 1, INT32_MAX - 10, false, {0, 0, 0, 0, 0, 1}},
    };
    for (const auto &c : cases) {
        geometry_set(c.mode, c.mojisu, c.hiritu, c.width, c.height);
        EXPECT_EQ(map_geometry_compute(conversion), c.accepted) << c.name;
        EXPECT_EQ(geometry(), c.expected) << c.name;
    }
    // Any other mode recomputes nothing and is not lowered by the fit.
    geometry_set(3, 50, 50, 10, 10);
    mapCols = 1010, mapX = 1040;
    EXPECT_EQ(map_geometry_fit(conversion), FitResult::cannotFit);
    EXPECT_EQ(geometry(), (std::vector<int32_t>{1010, 0, 0, 1040, 0, 50}));

    // Clear zeroes all seven, the bitmap's size too.
    geometry_set(1, 100, 50, 400, 300);
    ASSERT_TRUE(map_geometry_compute(conversion));
    map_geometry_clear(conversion);
    EXPECT_EQ(
        (std::vector<int32_t>{bmpWidth, bmpHeight, mapCols, previewHeight, mapRows, mapX, mapY}),
        std::vector<int32_t>(7, 0));
}

TEST_F(CoreTest, FitLowersMojisuOnlyWhereItHelps) {
    const auto fitted = FitResult::fitted, lowered = FitResult::lowered;
    const auto cannot = FitResult::cannotFit;
    const struct {
        const char *name;
        int32_t mode, mojisu, hiritu, width, height;
        FitResult result;
        std::vector<int32_t> expected;
    } cases[] = {
        {"fits", 1, 100, 50, 400, 300, fitted, {100, 75, 37, 130, 105, 100}},
        {"tall", 1, 100, 50, 100, 1536, lowered, {49, 752, 376, 79, 782, 49}},
        {"narrow", 1, 100, 50, 20, 1536, lowered, {9, 691, 345, 39, 721, 9}},
        {"rows", 1, 220, 150, 300, 1000, lowered, {180, 600, 900, 210, 630, 180}},
        {"huge", 1, INT32_MAX, 50, 400, 300, lowered, {1005, 753, 376, 1035, 783, 1005}},
        {"negative", 1, -1000, -1000, 1, 1, lowered, {0, 0, 0, 30, 30, 0}},
        {"original wide", 2, 100, 50, 1010, 60, cannot, {1010, 60, 60, 1040, 90, 1010}},
        {"original tall", 2, 100, 50, 300, 754, cannot, {300, 754, 754, 330, 784, 300}},
        {"no width", 1, 100, 50, 0, 300, cannot, {0, 0, 0, 0, 0, 100}},
        {"no height", 1, 100, 50, 300, 0, cannot, {0, 0, 0, 0, 0, 100}},
        {"one pixel wide: down to 0", 1, 2, 50, 1, 1536, lowered, {0, 0, 0, 30, 30, 0}},
    };
    for (const auto &c : cases) {
        geometry_set(c.mode, c.mojisu, c.hiritu, c.width, c.height);
        EXPECT_EQ(map_geometry_fit(conversion), c.result) << c.name;
        EXPECT_EQ(geometry(), c.expected) << c.name;
    }
}

TEST_F(CoreTest, BitmapsWiderThan600AreDrawnFromTheReducedCopy) {
    for (const int32_t width : {600, 601}) {
        SetUp();
        geometry_set(2, 100, 50, width, 21);
        noise_fill(sourceSurface, width, 21);
        surface_set(reducedCopy, 681, 511, rgbBlack);
        ASSERT_EQ(map_geometry_update(conversion), 1);
        OwnedSurface third(width / 3, 7), expected(width, 21);
        surface_scale(sourceSurface, width, 21, third.s, 0, 0, width / 3, 7);
        surface_scale(width > 600 ? third.s : sourceSurface, width > 600 ? width / 3 : width,
                      width > 600 ? 7 : 21, expected.s, 0, 0, width, 21);
        int wrong = 0, sameAsSource = 0;
        for (int32_t k = 0; k < width * 21; ++k) {
            const int32_t x = k % width, y = k / width;
            const Rgb e = surface_get(expected.s, x, y);
            wrong += surface_get(canvas, 15 + x, 15 + y) != e;
            wrong += surface_get(canvas, 15 + x, mapY + y) != e;
            wrong += surface_get(reducedCopy, x, y) != surface_get(third.s, x, y) && x < width / 3;
            sameAsSource += surface_get(canvas, 15 + x, 15 + y) == noise_at(x, y);
        }
        EXPECT_EQ(wrong, 0) << width << "\n" << picture(canvas, 15, 15, 4, 3);
        EXPECT_EQ(sameAsSource == width * 21, width <= 600) << width;
        EXPECT_EQ(surface_get(reducedCopy, 681, 511), rgbBlack) << "reduced copy overrun";
    }
}

TEST_F(CoreTest, PreviewsAndOutlinesLandOnTheirPixels) {
    const char *proportional = "........\n.######.\n.#rrrr#.\n.#rrrr#.\n.######.\n........\n";
    const struct {
        int32_t position, hiritu;
        const char *squeezed; // the 8 x 5 pixels from one left of and one above its outline
        std::vector<int32_t> changed;
    } cases[] = {
        {1, 50, "........\n.######.\n.#rrrr#.\n.######.\n........\n", {14, 14, 6, 20}},
        {1, 0, "........\n.######.\n.######.\n........\n........\n", {14, 14, 6, 19}},
        {1, -50, "........\n........\n........\n........\n........\n", {14, 14, 6, 4}},
        {0, 50, "........\n.######.\n.#rrrr#.\n.######.\n........\n", {14, 14, 25, 4}},
        {0, 0, "........\n.######.\n.######.\n........\n........\n", {14, 14, 25, 4}},
    };
    for (const auto &c : cases) {
        SetUp();
        canvasChanged = changed_record;
        changed.clear();
        geometry_set(1, 4, c.hiritu, 4, 2); // preview 4 x 2, squeezed 4 x (2 * Hiritu / 100)
        settings.Position = c.position;
        surface_fill(sourceSurface, 0, 0, 4, 2, Rgb{255, 0, 0});
        ASSERT_EQ(map_geometry_update(conversion), 1);
        EXPECT_EQ(picture(canvas, 13, 13, 8, 6), proportional);
        const std::string got = c.position != 0 ? picture(canvas, 13, mapY - 2, 8, 5)
                                                : picture(canvas, mapX - 2, 13, 8, 5);
        EXPECT_EQ(got, c.squeezed) << "Position " << c.position << " Hiritu " << c.hiritu;
        EXPECT_EQ(changed, c.changed) << "Position " << c.position << " Hiritu " << c.hiritu;
    }
}

// Mojisu 0 (where the fit loop may end) and a preview 0 rows high still get their outlines:
// the black lines just around an empty rectangle.
TEST_F(CoreTest, EmptyPreviewsKeepTheirOutlines) {
    const char *square = "......\n.##...\n.##...\n......\n"; // around a 0 x 0 preview
    const char *bar = "......\n.#####\n.#####\n......\n";    // around a 4 x 0 preview
    const struct {
        int32_t position, mojisu, width;
        const char *proportional, *squeezed; // 6 x 4 from (13, 13); the same from its outline
        std::vector<int32_t> changed;
    } cases[] = {
        {1, 0, 4, square, square, {14, 14, 2, 17}},
        {0, 0, 4, square, square, {14, 14, 17, 2}},
        {1, 4, 100, bar, bar, {14, 14, 6, 17}},
    };
    for (const auto &c : cases) {
        SetUp();
        canvasChanged = changed_record;
        changed.clear();
        geometry_set(1, c.mojisu, 50, c.width, 2);
        settings.Position = c.position;
        ASSERT_EQ(map_geometry_update(conversion), 1);
        const std::string name = "Position " + std::to_string(c.position) + ", Mojisu " +
                                 std::to_string(c.mojisu) + ", width " + std::to_string(c.width);
        EXPECT_EQ(picture(canvas, 13, 13, 6, 4), c.proportional) << name;
        const std::string squeezed = c.position != 0 ? picture(canvas, 13, mapY - 2, 6, 4)
                                                     : picture(canvas, mapX - 2, 13, 6, 4);
        EXPECT_EQ(squeezed, c.squeezed) << name;
        EXPECT_EQ(changed, c.changed) << name;
    }
}

TEST_F(CoreTest, RefusedUpdateDrawsNothing) {
    geometry_set(1, 1010, 50, 1010, 10);
    noise_fill(sourceSurface, 1010, 10);
    canvasChanged = changed_record;
    changed.clear();
    const size_t bytes = size_t(canvas.stride) * canvas.height;
    const std::vector<uint8_t> before(canvas.bits, canvas.bits + bytes);
    EXPECT_EQ(map_geometry_update(conversion), 0);
    EXPECT_EQ(std::memcmp(canvas.bits, before.data(), bytes), 0);
    EXPECT_EQ(surface_get(reducedCopy, 0, 0), rgbWhite);
    EXPECT_TRUE(changed.empty());
}

// Rows nobody drew on yet hold no pixels; they must still read and scale as white, and a
// partial write must not let the rest of its row show what the memory held.
TEST_F(CoreTest, UndrawnRowsActWhite) {
    surface_set(canvas, 5, 7, rgbBlack);
    EXPECT_EQ(picture(canvas, 3, 6, 5, 3), ".....\n..#..\n.....\n");
    surface_set(sourceSurface, 0, 0, Rgb{255, 0, 0});
    surface_scale(sourceSurface, 3, 3, reducedCopy, 0, 0, 3, 3);
    EXPECT_EQ(picture(reducedCopy, 0, 0, 4, 4), "r...\n....\n....\n....\n");
    surface_scale(sourceSurface, 2, 4, canvas, 100, 200, 1, 1);
    EXPECT_EQ(picture(canvas, 99, 199, 3, 3), "...\n.(255,223,223).\n...\n");
}

// The reduced copy is only made anew when its source changed, so a new picture of the same size
// must still reach the previews.
TEST_F(CoreTest, ReducedCopyFollowsEveryNewPicture) {
    bmpWidth = 900;
    bmpHeight = 300;
    settings.Mojisu = 300;
    for (const Rgb colour : {Rgb{10, 20, 30}, Rgb{200, 100, 0}}) {
        surface_fill(sourceSurface, 0, 0, bmpWidth, bmpHeight, colour);
        ASSERT_EQ(map_geometry_update(conversion), 1);
        EXPECT_EQ(surface_get(reducedCopy, 150, 50), colour);
        EXPECT_EQ(surface_get(canvas, 15 + 150, 15 + 50), colour);
    }
}
