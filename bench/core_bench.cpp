// The two operations the user waits for, on a full 2048 x 1536 bitmap: drawing the previews
// (reduced copy refresh included) and converting the largest text the buffer takes.
// Run with --benchmark_repetitions=9 --benchmark_report_aggregates_only=true for medians.
#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/conversion/convert.h"
#include "core/conversion/geometry.h"
#include "core/reading/load.h"
#include "core/conversion/look.h"
#include "core/conversion/settings.h"
#include "core/conversion/surface.h"
#include "window/document_state.h"

namespace {

void source_load() {
    surfaces_release(conversion);
    surfaces_create(conversion);
    settings_defaults(settings);
    uint32_t state = 12345;
    for (int32_t y = 0; y < canvasHeight; ++y)
        for (int32_t x = 0; x < canvasWidth; ++x) {
            state = state * 1664525u + 1013904223u;
            // A gradient with some noise, so the ramp sees every level.
            const auto v = uint8_t((x + y) * 255 / (canvasWidth + canvasHeight));
            surface_set(sourceSurface, x, y, Rgb{uint8_t(v ^ (state >> 28)), v, v});
        }
    bmpWidth = canvasWidth;
    bmpHeight = canvasHeight;
}

void BM_PreviewUpdate(benchmark::State &state) {
    source_load();
    settings.Mojisu = 220;
    for (auto _ : state) {
        ++sourceSurface.generation; // a new picture each time: the reduced copy is made anew
        benchmark::DoNotOptimize(map_geometry_update(conversion));
    }
    state.counters["mapRows"] = mapRows;
}
BENCHMARK(BM_PreviewUpdate)->Unit(benchmark::kMillisecond);

void BM_TextConvert(benchmark::State &state) {
    source_load();
    // Mojisu 118 and 512 rows: (118 + 2) * 512 = 61440 bytes, the largest text accepted. The full
    // bitmap gives a preview 88 high at that width, so the ratio is one only a hand-edited
    // settings file holds.
    settings.Mojisu = 118;
    settings.Hiritu = 582;
    if (map_geometry_update(conversion) != 1 || mapRows != 512) {
        state.SkipWithError("geometry is not 118 x 512");
        return;
    }
    // The grey feedback overwrites the preview; put it back between runs.
    const int32_t rowBytes = mapCols * 3;
    std::vector<uint8_t> saved(size_t(rowBytes) * mapRows);
    for (int32_t i = 0; i < mapRows; ++i)
        std::memcpy(&saved[size_t(i) * rowBytes],
                    canvas.bits + size_t(mapY + i) * canvas.stride + 15 * 3, size_t(rowBytes));
    std::string text;
    for (auto _ : state) {
        state.PauseTiming();
        for (int32_t i = 0; i < mapRows; ++i)
            std::memcpy(canvas.bits + size_t(mapY + i) * canvas.stride + 15 * 3,
                        &saved[size_t(i) * rowBytes], size_t(rowBytes));
        state.ResumeTiming();
        benchmark::DoNotOptimize(text_convert(conversion, text));
    }
    state.counters["bytes"] = double(text.size());
}
BENCHMARK(BM_TextConvert)->Unit(benchmark::kMillisecond);

// The window's Convert in each look: redraw the previews, then convert, 2048 x 1536 to 220
// columns, in each target font (and with the window's full-width set). The photo and shape
// looks, which refine their choice, should stay within 4 times the standard look's time and
// under 20 ms; from picture to text (below) every look within twice.
void BM_ConvertLook(benchmark::State &state) {
    source_load();
    settings.Mojisu = 220;
    lookSettings = LookSettings{static_cast<Look>(state.range(0)), state.range(1) != 0, "",
                                static_cast<Target>(state.range(2))};
    lookSettings.charSet = int32_t(state.range(3));
    std::string text;
    for (auto _ : state) {
        benchmark::DoNotOptimize(map_geometry_update(conversion));
        benchmark::DoNotOptimize(text_convert(conversion, text));
    }
    lookSettings = LookSettings{};
    state.counters["bytes"] = double(text.size());
}
BENCHMARK(BM_ConvertLook)
    ->ArgNames({"look", "dither", "target", "fullwidth"})
    ->Args({0, 0, 0, 0})
    ->Args({0, 1, 0, 0})
    ->Args({1, 0, 0, 0})
    ->Args({1, 1, 0, 0})
    ->Args({2, 0, 0, 0})
    ->Args({2, 1, 0, 0})
    ->Args({1, 0, 1, 0})
    ->Args({2, 0, 1, 0})
    ->Args({1, 0, 1, 1})
    ->Args({2, 0, 1, 1})
    ->Unit(benchmark::kMillisecond);

// vkd's whole way from picture to text in each look: load a 2048 x 1536 bitmap from memory
// (reduced copy included), draw the previews, convert to 220 columns.
void BM_PictureToTextLook(benchmark::State &state) {
    source_load();
    const int32_t stride = (canvasWidth * 3 + 3) / 4 * 4;
    std::vector<uint8_t> file(54 + size_t(stride) * canvasHeight, 0);
    auto put32 = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            file[at + i] = uint8_t(v >> (8 * i));
    };
    file[0] = 'B', file[1] = 'M';
    put32(2, uint32_t(file.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, uint32_t(canvasWidth));
    put32(22, uint32_t(-canvasHeight)); // top first, as the surface
    file[26] = 1, file[28] = 24;
    for (int32_t y = 0; y < canvasHeight; ++y)
        std::memcpy(&file[54 + size_t(y) * stride], sourceSurface.bits + size_t(y) * sourceSurface.stride,
                    size_t(canvasWidth) * 3);
    settings.Mojisu = 220;
    lookSettings = LookSettings{static_cast<Look>(state.range(0)), false, ""};
    std::string text;
    for (auto _ : state) {
        if (bitmap_load_memory(conversion, file.data(), file.size(), 1920, 1080).outcome !=
            LoadOutcome::loaded) {
            state.SkipWithError("the bitmap did not load");
            break;
        }
        benchmark::DoNotOptimize(map_geometry_update(conversion));
        benchmark::DoNotOptimize(text_convert(conversion, text));
    }
    lookSettings = LookSettings{};
    state.counters["bytes"] = double(text.size());
}
BENCHMARK(BM_PictureToTextLook)->ArgName("look")->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
