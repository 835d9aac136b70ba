#include <algorithm>
#include <utility>

#include "tests/core/core_fixture.h"
#include "window/document_state.h"

namespace {

// The one-step formula, summed over every source pixel.
Rgb reference_pixel(const Surface &src, int64_t sw, int64_t sh, int64_t dw, int64_t dh, int64_t x,
                    int64_t y) {
    auto overlap = [](int64_t a0, int64_t a1, int64_t b0, int64_t b1) {
        return std::max<int64_t>(0, std::min(a1, b1) - std::max(a0, b0));
    };
    int64_t sum[3] = {0, 0, 0}, area = sw * sh;
    for (int64_t j = 0; j < sh; ++j)
        for (int64_t i = 0; i < sw; ++i) {
            const int64_t w = overlap(i * dw, (i + 1) * dw, x * sw, (x + 1) * sw) *
                              overlap(j * dh, (j + 1) * dh, y * sh, (y + 1) * sh);
            const Rgb c = surface_get(src, int32_t(i), int32_t(j));
            sum[0] += w * c.r, sum[1] += w * c.g, sum[2] += w * c.b;
        }
    return Rgb{uint8_t((sum[0] + area / 2) / area), uint8_t((sum[1] + area / 2) / area),
               uint8_t((sum[2] + area / 2) / area)};
}

} // namespace

TEST(Scale, AreaAverageVectors) {
    const struct {
        int32_t sw, sh;
        std::vector<uint8_t> src;
        int32_t dw, dh;
        std::vector<uint8_t> expected;
    } cases[] = {
        {3, 1, {0, 255, 0}, 2, 1, {85, 85}},
        {2, 1, {0, 255}, 3, 1, {0, 128, 255}},
        {5, 1, {10, 20, 30, 40, 50}, 2, 1, {18, 42}},
        {2, 2, {0, 255, 255, 255}, 1, 1, {191}},
        {1, 3, {0, 255, 0}, 1, 2, {85, 85}},
        {3, 2, {1, 2, 3, 4, 5, 6}, 3, 2, {1, 2, 3, 4, 5, 6}},
        {2, 1, {0, 1}, 1, 1, {1}},    // a half rounds up
        {3, 1, {0, 0, 1}, 1, 1, {0}}, // a third rounds down
    };
    for (const auto &c : cases) {
        OwnedSurface src(c.sw, c.sh), dst(c.dw, c.dh);
        for (size_t k = 0; k < c.src.size(); ++k)
            surface_set(src.s, int32_t(k) % c.sw, int32_t(k) / c.sw, Rgb{c.src[k], c.src[k], 0});
        surface_scale(src.s, c.sw, c.sh, dst.s, 0, 0, c.dw, c.dh);
        std::vector<uint8_t> got;
        for (int32_t k = 0; k < c.dw * c.dh; ++k)
            got.push_back(surface_get(dst.s, k % c.dw, k / c.dw).g);
        EXPECT_EQ(got, c.expected) << c.sw << "x" << c.sh << "\n"
                                   << picture(dst.s, 0, 0, c.dw, c.dh);
    }
}

TEST(Scale, MatchesTheOneStepFormula) {
    OwnedSurface src(16, 5);
    noise_fill(src.s, 16, 5);
    // 19: columns past the source read white; 15 onto 4: a column covering five source columns.
    for (int32_t sw : {1, 3, 7, 15, 16, 19})
        for (int32_t sh : {1, 2, 5, 6})
            for (int32_t dw : {1, 2, 4, 6, 17})
                for (int32_t dh : {1, 4, 9}) {
                    OwnedSurface dst(dw, dh);
                    surface_scale(src.s, sw, sh, dst.s, 0, 0, dw, dh);
                    for (int32_t k = 0; k < dw * dh; ++k)
                        ASSERT_EQ(surface_get(dst.s, k % dw, k / dw),
                                  reference_pixel(src.s, sw, sh, dw, dh, k % dw, k / dw))
                            << sw << "x" << sh << " to " << dw << "x" << dh << "\n"
                            << picture(dst.s, 0, 0, dw, dh);
                }
}

TEST(Scale, ManyRowsAndHeavyWeights) {
    // Wide enough for the 16-byte steps and a tail. 9 rows onto 1 takes the rows in groups;
    // 40000 onto 39999 gives weights past 16 bits; 3 onto 40000 enlarges hugely.
    OwnedSurface src(9, 40000);
    noise_fill(src.s, 9, 40000);
    const struct {
        int32_t sh, dh;
        std::vector<int32_t> rows; // destination rows to check
    } cases[] = {{9, 1, {0}}, {40000, 39999, {0, 1, 20000, 39998}}, {3, 40000, {0, 13333, 39999}}};
    for (const auto &c : cases) {
        OwnedSurface dst(7, c.dh);
        surface_scale(src.s, 9, c.sh, dst.s, 0, 0, 7, c.dh);
        for (int32_t y : c.rows)
            for (int32_t x = 0; x < 7; ++x)
                ASSERT_EQ(surface_get(dst.s, x, y), reference_pixel(src.s, 9, c.sh, 7, c.dh, x, y))
                    << c.sh << " rows onto " << c.dh << " at " << x << "," << y;
    }
}

TEST(Scale, RoundingIsExactAtTheLargestAreas) {
    // sw x sh onto one pixel, every weight 1; beyond the 2048 x 40 real pixels the source reads
    // white. Blue sums to 255 * area less the deficit: just below and just at a rounding step.
    const struct {
        int32_t sw, sh;
        int64_t deficit;
        int expected;
    } cases[] = {{2048, 4095, 2048 * 4095 / 2 + 1, 254},
                 {2048, 4095, 2048 * 4095 / 2, 255},
                 {4095, 4096, 4095 * 4096 / 2 + 1, 254},
                 {4095, 4096, 4095 * 4096 / 2, 255}};
    OwnedSurface src(2048, 40), dst(1, 1);
    for (const auto &c : cases) {
        std::fill(src.memory.begin(), src.memory.end(), 255);
        for (int64_t k = 0; k < c.deficit / 255; ++k) // rows have no padding at this width
            src.memory[size_t(k) * 3] = 0;
        src.memory[size_t(c.deficit / 255) * 3] = uint8_t(255 - c.deficit % 255);
        surface_scale(src.s, c.sw, c.sh, dst.s, 0, 0, 1, 1);
        EXPECT_EQ(int(surface_get(dst.s, 0, 0).b), c.expected) << c.sw << "x" << c.sh;
    }
}

TEST(Scale, ClipsToTheDestinationAndSkipsEmptySizes) {
    OwnedSurface src(5, 4), whole(8, 6);
    noise_fill(src.s, 5, 4);
    surface_scale(src.s, 5, 4, whole.s, 0, 0, 8, 6);
    const int32_t cases[][6] = {{-3, -2, 5, 4, 8, 6}, {7, 5, 5, 4, 8, 6},  {-8, 0, 5, 4, 8, 6},
                                {0, 0, 0, 4, 8, 6},   {0, 0, 5, -1, 8, 6}, {0, 0, 5, 4, 0, 6},
                                {0, 0, 5, 4, 8, -6}};
    for (const auto &c : cases) {
        OwnedSurface dst(10, 8), expected(10, 8);
        surface_scale(src.s, c[2], c[3], dst.s, c[0], c[1], c[4], c[5]);
        if (c[2] > 0 && c[3] > 0 && c[4] > 0 && c[5] > 0)
            for (int32_t k = 0; k < 80; ++k)
                surface_set(expected.s, k % 10, k / 10,
                            surface_get(whole.s, k % 10 - c[0], k / 10 - c[1]));
        EXPECT_EQ(dst.memory, expected.memory)
            << c[0] << "," << c[1] << " " << c[2] << "x" << c[3] << " to " << c[4] << "x" << c[5];
    }
    // A source side of 65536 is scaled (all but a little of it reads white); one more draws
    // nothing.
    const struct {
        int32_t sw, sh;
        bool drawn;
    } sides[] = {{65536, 1, true}, {1, 65536, true}, {65537, 1, false}, {1, 65537, false}};
    for (const auto &c : sides) {
        OwnedSurface dst(1, 1);
        surface_set(dst.s, 0, 0, rgbBlack);
        surface_scale(src.s, c.sw, c.sh, dst.s, 0, 0, 1, 1);
        EXPECT_EQ(surface_get(dst.s, 0, 0) != rgbBlack, c.drawn) << c.sw << "x" << c.sh;
    }
}

TEST(Surface, OutlineAndFillClipAndReadsOutsideAreWhite) {
    const struct {
        int32_t left, top, right, bottom;
        const char *picture;
    } cases[] = {
        {1, 1, 5, 4, "......\n.####.\n.#..#.\n.####.\n......\n"},
        {1, 1, 3, 3, "......\n.##...\n.##...\n......\n......\n"},
        {4, 1, 3, 4, "......\n......\n......\n......\n......\n"}, // inverted
        {3, -1, INT32_MAX, 2, "...#..\n...###\n......\n......\n......\n"},
        {INT32_MIN, 6, INT32_MAX, 9, "......\n......\n......\n......\n......\n"},
    };
    for (const auto &c : cases) {
        OwnedSurface o(6, 5);
        surface_outline(o.s, c.left, c.top, c.right, c.bottom);
        EXPECT_EQ(picture(o.s, 0, 0, 6, 5), c.picture)
            << c.left << "," << c.top << "," << c.right << "," << c.bottom;
    }
    OwnedSurface o(3, 2);
    surface_fill(o.s, -2, 1, 4, INT32_MAX, Rgb{255, 0, 0});
    surface_set(o.s, 3, 0, rgbBlack);
    surface_set(o.s, -1, 0, rgbBlack);
    EXPECT_EQ(picture(o.s, -1, -1, 5, 4), ".....\n.....\n.rr..\n.....\n");
}

namespace {
std::vector<uint8_t> hookMemory;
int hookFrees = 0;
uint8_t *hook_alloc(int32_t, int32_t height, int32_t stride) {
    hookMemory.assign(size_t(stride) * height, 0);
    return hookMemory.data();
}
void hook_free(uint8_t *bits) {
    hookFrees += bits == hookMemory.data();
}
} // namespace

TEST_F(CoreTest, SurfacesStartWhiteAndTheCanvasGoesBackToItsOwner) {
    const std::pair<const Surface *, const char *> cases[] = {
        {&canvas, "2048x1536/6144 .\n"},
        {&sourceSurface, "2048x1536/6144 .\n"},
        {&reducedCopy, "682x512/2048 .\n"}};
    for (const auto &[s, expected] : cases)
        EXPECT_EQ(std::to_string(s->width) + "x" + std::to_string(s->height) + "/" +
                      std::to_string(s->stride) + " " +
                      picture(*s, s->width - 1, s->height - 1, 1, 1),
                  expected);
    uint8_t *first = canvas.bits;
    surfaces_create(conversion);
    EXPECT_EQ(canvas.bits, first) << "a second create replaced the canvas";

    surfaces_release(conversion);
    canvasMemoryAlloc = hook_alloc;
    canvasMemoryFree = hook_free;
    surfaces_create(conversion);
    canvasMemoryAlloc = nullptr;
    canvasMemoryFree = nullptr;
    EXPECT_EQ(canvas.bits, hookMemory.data());
    EXPECT_EQ(surface_get(canvas, 2047, 1535), rgbWhite);
    surfaces_release(conversion);
    EXPECT_EQ(hookFrees, 1) << "the canvas was not given back to its owner";
}
