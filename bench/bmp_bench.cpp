// Decoding and loading the largest picture the source surface takes, 2048 x 1536, in the
// layouts a user is likely to have. Target: a few milliseconds for 24 bits per pixel.
// Run with --benchmark_repetitions=9 --benchmark_report_aggregates_only=true for medians.
#include <benchmark/benchmark.h>

#include <cstring>
#include <vector>

#include "core/reading/bitmap.h"
#include "core/conversion/settings.h"
#include "core/conversion/surface.h"
#include "window/document_state.h"

namespace {

void put_u32(std::vector<uint8_t> &b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b[at + i] = uint8_t(v >> (8 * i));
}

// A 40-byte-header file of the canvas size with photo-like noise in its pixels.
std::vector<uint8_t> big_file(uint16_t bpp, uint32_t compression = 0) {
    const uint32_t w = canvasWidth, h = canvasHeight;
    const uint32_t colours = bpp <= 8 ? 1u << bpp : 0;
    std::vector<uint8_t> b(54 + 4 * colours);
    b[0] = 'B';
    b[1] = 'M';
    put_u32(b, 14, 40);
    put_u32(b, 18, w);
    put_u32(b, 22, h);
    b[26] = 1;
    b[28] = uint8_t(bpp);
    put_u32(b, 30, compression);
    for (uint32_t i = 0; i < colours; ++i)
        put_u32(b, 54 + 4 * i, i * 0x010101u);
    put_u32(b, 10, uint32_t(b.size()));
    uint32_t state = 1;
    auto noise = [&] { return uint8_t((state = state * 1664525u + 1013904223u) >> 24); };
    if (compression == 1) { // runs of 4 pixels, 512 a row
        for (uint32_t y = 0; y < h; ++y) {
            for (uint32_t x = 0; x < w; x += 4) {
                b.push_back(4);
                b.push_back(noise());
            }
            b.push_back(0);
            b.push_back(0);
        }
        b.push_back(0);
        b.push_back(1);
    } else {
        const size_t stride = (size_t(w) * bpp + 31) / 32 * 4;
        for (size_t i = 0; i < stride * h; ++i)
            b.push_back(noise());
    }
    put_u32(b, 2, uint32_t(b.size()));
    return b;
}

void run_decode(benchmark::State &state, const std::vector<uint8_t> &file) {
    surfaces_create(conversion);
    for (auto _ : state)
        benchmark::DoNotOptimize(bmp_decode(file.data(), file.size(), &sourceSurface).ok);
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(file.size()));
}

void BM_Decode24(benchmark::State &state) { run_decode(state, big_file(24)); }
void BM_Decode32(benchmark::State &state) { run_decode(state, big_file(32)); }
void BM_Decode8(benchmark::State &state) { run_decode(state, big_file(8)); }
void BM_Decode16(benchmark::State &state) { run_decode(state, big_file(16)); }
void BM_DecodeRle8(benchmark::State &state) { run_decode(state, big_file(8, 1)); }

// The whole of loading from memory: header test, validation, decode, white outside.
void BM_LoadMemory24(benchmark::State &state) {
    const std::vector<uint8_t> file = big_file(24);
    surfaces_create(conversion);
    settings_defaults(settings);
    for (auto _ : state)
        benchmark::DoNotOptimize(
            bitmap_load_memory(conversion, file.data(), file.size(), 1280, 1024).outcome);
}

} // namespace

BENCHMARK(BM_Decode24)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Decode32)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Decode8)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Decode16)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DecodeRle8)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadMemory24)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
