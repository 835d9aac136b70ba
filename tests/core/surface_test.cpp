#include <algorithm>
#include <vector>

#include "tests/core/core_fixture.h"

namespace {

OwnedSurface grey_surface(int32_t width, int32_t height, const std::vector<uint8_t> &greys) {
    OwnedSurface o(width, height);
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x) {
            const uint8_t v = greys[static_cast<size_t>(y * width + x)];
            surface_set(o.s, x, y, Rgb{v, v, v});
        }
    return o;
}

// The one-step formula, summed over every source pixel.
Rgb reference_pixel(const Surface &src, int64_t sw, int64_t sh, int64_t dw, int64_t dh, int64_t x,
                    int64_t y) {
    auto overlap = [](int64_t a0, int64_t a1, int64_t b0, int64_t b1) {
        return std::max<int64_t>(0, std::min(a1, b1) - std::max(a0, b0));
    };
    int64_t sum[3] = {0, 0, 0};
    for (int64_t j = 0; j < sh; ++j)
        for (int64_t i = 0; i < sw; ++i) {
            const int64_t w = overlap(i * dw, (i + 1) * dw, x * sw, (x + 1) * sw) *
                              overlap(j * dh, (j + 1) * dh, y * sh, (y + 1) * sh);
            const Rgb c = surface_get(src, int32_t(i), int32_t(j));
            sum[0] += w * c.r;
            sum[1] += w * c.g;
            sum[2] += w * c.b;
        }
    const int64_t area = sw * sh;
    return Rgb{uint8_t((sum[0] + area / 2) / area), uint8_t((sum[1] + area / 2) / area),
               uint8_t((sum[2] + area / 2) / area)};
}

struct VectorCase {
    const char *name;
    int32_t sw, sh;
    std::vector<uint8_t> src;
    int32_t dw, dh;
    std::vector<uint8_t> expected;
};

} // namespace

TEST(Scale, AreaAverageVectors) {
    const VectorCase cases[] = {
        {"3 to 2", 3, 1, {0, 255, 0}, 2, 1, {85, 85}},
        {"2 to 3", 2, 1, {0, 255}, 3, 1, {0, 128, 255}},
        {"5 to 2", 5, 1, {10, 20, 30, 40, 50}, 2, 1, {18, 42}},
        {"2x2 to 1", 2, 2, {0, 255, 255, 255}, 1, 1, {191}},
        {"rows 3 to 2", 1, 3, {0, 255, 0}, 1, 2, {85, 85}},
        {"identity", 3, 2, {1, 2, 3, 4, 5, 6}, 3, 2, {1, 2, 3, 4, 5, 6}},
        {"1 to 4", 1, 1, {77}, 4, 1, {77, 77, 77, 77}},
        {"a half rounds up", 2, 1, {0, 1}, 1, 1, {1}},
        {"a third rounds down", 3, 1, {0, 0, 1}, 1, 1, {0}},
    };
    for (const VectorCase &c : cases) {
        OwnedSurface src = grey_surface(c.sw, c.sh, c.src);
        OwnedSurface dst(c.dw, c.dh);
        surface_scale(src.s, c.sw, c.sh, dst.s, 0, 0, c.dw, c.dh);
        std::vector<uint8_t> got;
        for (int32_t y = 0; y < c.dh; ++y)
            for (int32_t x = 0; x < c.dw; ++x)
                got.push_back(surface_get(dst.s, x, y).g);
        EXPECT_EQ(got, c.expected) << c.name << "\n" << region_values(dst.s, 0, 0, c.dw, c.dh);
    }
}

TEST(Scale, MatchesOneStepFormulaInEveryChannel) {
    OwnedSurface src(16, 5);
    noise_fill(src.s, 16, 5);
    for (int32_t sw : {1, 3, 7, 16, 19}) // 19: columns past the source read white
        for (int32_t sh : {1, 2, 5})
            for (int32_t dw : {1, 2, 6, 17})
                for (int32_t dh : {1, 4, 9}) {
                    OwnedSurface dst(dw, dh);
                    surface_scale(src.s, sw, sh, dst.s, 0, 0, dw, dh);
                    for (int32_t y = 0; y < dh; ++y)
                        for (int32_t x = 0; x < dw; ++x)
                            ASSERT_EQ(surface_get(dst.s, x, y),
                                      reference_pixel(src.s, sw, sh, dw, dh, x, y))
                                << sw << "x" << sh << " to " << dw << "x" << dh << " at " << x
                                << "," << y << "\n"
                                << region_values(dst.s, 0, 0, dw, dh);
                }
}

TEST(Scale, RoundingIsExactAtTheLargestAreas) {
    // One destination pixel from 2048 x sh, every weight 1: the sum is 255 * area less the
    // deficit, so a quotient just below and just at a rounding boundary can be set up.
    const struct {
        int32_t sh;
        int64_t deficit;
        uint8_t expected;
    } cases[] = {
        {4095, 2048 * 4095 / 2 + 1, 254}, {4095, 2048 * 4095 / 2, 255},
        {4096, 2048 * 4096 / 2 + 1, 254}, {4096, 2048 * 4096 / 2, 255},
    };
    OwnedSurface src(2048, 4096);
    for (const auto &c : cases) {
        std::fill(src.memory.begin(), src.memory.end(), 255);
        const int64_t zeros = c.deficit / 255;
        for (int64_t k = 0; k < zeros; ++k) // blue only: the rows have no padding
            src.memory[size_t(k) * 3] = 0;
        src.memory[size_t(zeros) * 3] = uint8_t(255 - c.deficit % 255);
        OwnedSurface dst(1, 1);
        surface_scale(src.s, 2048, c.sh, dst.s, 0, 0, 1, 1);
        EXPECT_EQ(int(surface_get(dst.s, 0, 0).b), int(c.expected)) << c.sh << " " << c.deficit;
    }
}

TEST(Scale, ClipsToTheDestination) {
    OwnedSurface src(5, 4);
    noise_fill(src.s, 5, 4);
    OwnedSurface whole(8, 6); // the unclipped picture
    surface_scale(src.s, 5, 4, whole.s, 0, 0, 8, 6);
    const struct {
        int32_t dx, dy;
    } cases[] = {{-3, -2}, {7, 5}, {0, 0}, {-8, 0}, {10, 8}};
    for (const auto &c : cases) {
        OwnedSurface dst(10, 8);
        surface_scale(src.s, 5, 4, dst.s, c.dx, c.dy, 8, 6);
        for (int32_t y = 0; y < 8; ++y)
            for (int32_t x = 0; x < 10; ++x)
                ASSERT_EQ(surface_get(dst.s, x, y), surface_get(whole.s, x - c.dx, y - c.dy))
                    << "at " << c.dx << "," << c.dy << ": pixel " << x << "," << y << "\n"
                    << region_values(dst.s, 0, 0, 10, 8);
    }
}

TEST(Scale, EmptyOrNegativeSizesDrawNothing) {
    OwnedSurface src(4, 4);
    noise_fill(src.s, 4, 4);
    const int32_t sizes[][4] = {{0, 4, 4, 4}, {4, 0, 4, 4}, {4, 4, 0, 4}, {4, 4, 4, 0},
                                {-1, 4, 4, 4}, {4, 4, -4, 4}, {4, 4, 4, -4}};
    for (const auto &z : sizes) {
        OwnedSurface dst(4, 4);
        surface_scale(src.s, z[0], z[1], dst.s, 0, 0, z[2], z[3]);
        EXPECT_EQ(region_picture(dst.s, 0, 0, 4, 4), "....\n....\n....\n....\n")
            << z[0] << "x" << z[1] << " to " << z[2] << "x" << z[3];
    }
}

TEST(Surface, OutsideReadsWhiteAndWritesAreDropped) {
    OwnedSurface o(4, 3);
    surface_fill(o.s, 0, 0, 4, 3, Rgb{1, 2, 3});
    const std::vector<uint8_t> before = o.memory;
    const int32_t outside[][2] = {{-1, 0}, {0, -1}, {4, 0}, {0, 3}, {INT32_MIN, INT32_MAX}};
    for (const auto &p : outside) {
        EXPECT_EQ(surface_get(o.s, p[0], p[1]), rgbWhite) << p[0] << "," << p[1];
        surface_set(o.s, p[0], p[1], rgbBlack);
    }
    surface_fill(o.s, INT32_MAX - 1, 0, INT32_MAX, 3, rgbBlack);
    surface_outline(o.s, 5, 0, 9, 3);
    EXPECT_EQ(o.memory, before);

    surface_fill(o.s, 0, 0, 4, 3, rgbWhite);
    surface_fill(o.s, -2, -2, 4, 4, Rgb{255, 0, 0});
    surface_outline(o.s, 1, -1, INT32_MAX, 2);
    EXPECT_EQ(region_picture(o.s, 0, 0, 4, 3), "r#..\nr###\n....\n");
}

TEST(Surface, OutlineIsAlongTheInsideOfTheRectangle) {
    const struct {
        int32_t left, top, right, bottom;
        const char *picture;
    } cases[] = {
        {1, 1, 5, 4, "......\n.####.\n.#..#.\n.####.\n......\n"},
        {1, 1, 3, 3, "......\n.##...\n.##...\n......\n......\n"},
        {2, 1, 3, 4, "......\n..#...\n..#...\n..#...\n......\n"},
        {3, 1, 3, 4, "......\n......\n......\n......\n......\n"},
        {4, 1, 2, 4, "......\n......\n......\n......\n......\n"},
    };
    for (const auto &c : cases) {
        OwnedSurface o(6, 5);
        surface_outline(o.s, c.left, c.top, c.right, c.bottom);
        EXPECT_EQ(region_picture(o.s, 0, 0, 6, 5), c.picture)
            << c.left << "," << c.top << "," << c.right << "," << c.bottom;
    }
}

namespace {
std::vector<uint8_t> hookMemory;
int hookFrees = 0;
uint8_t *hook_alloc(int32_t, int32_t height, int32_t stride) {
    hookMemory.assign(static_cast<size_t>(stride) * height, 0);
    return hookMemory.data();
}
void hook_free(uint8_t *bits) { hookFrees += bits == hookMemory.data(); }
} // namespace

TEST_F(CoreTest, SurfacesHaveTheirSizesStartWhiteAndHonourTheCanvasHooks) {
    const struct {
        const Surface *s;
        int32_t width, height;
    } cases[] = {{&canvas, 2048, 1536}, {&sourceSurface, 2048, 1536}, {&reducedCopy, 682, 512}};
    for (const auto &c : cases) {
        EXPECT_EQ(c.s->width, c.width);
        EXPECT_EQ(c.s->height, c.height);
        EXPECT_EQ(c.s->stride, surface_stride(c.width));
        EXPECT_EQ(surface_get(*c.s, 0, 0), rgbWhite);
        EXPECT_EQ(surface_get(*c.s, c.width - 1, c.height - 1), rgbWhite);
    }
    EXPECT_EQ(surface_stride(682), 2048);
    EXPECT_EQ(surface_stride(5), 16);

    uint8_t *first = canvas.bits;
    surfaces_create();
    EXPECT_EQ(canvas.bits, first) << "a second create replaced the canvas";

    surfaces_release();
    canvasMemoryAlloc = hook_alloc;
    canvasMemoryFree = hook_free;
    surfaces_create();
    canvasMemoryAlloc = nullptr;
    canvasMemoryFree = nullptr;
    EXPECT_EQ(canvas.bits, hookMemory.data());
    EXPECT_EQ(surface_get(canvas, 100, 100), rgbWhite);
    surfaces_release();
    EXPECT_EQ(hookFrees, 1) << "the canvas went back to the heap, not to its owner";
    EXPECT_EQ(canvas.bits, nullptr);
    EXPECT_EQ(surface_get(canvas, 0, 0), rgbWhite);
}
