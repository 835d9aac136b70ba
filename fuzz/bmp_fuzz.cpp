// Feeds arbitrary bytes to the header test, the decoder and loading from memory. Besides the
// sanitizers' own checks it aborts when a refusal changed the loaded picture, or when checking
// alone and a real decode disagree.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/reading/bitmap.h"
#include "core/conversion/geometry.h"
#include "core/conversion/settings.h"
#include "window/document_state.h"

namespace {

// Small surfaces keep every run cheap; the decoder's limits do not depend on their size.
constexpr int32_t side = 256;
constexpr int32_t stride = side * 3;
constexpr uint8_t untouched = 0xA5;

struct FuzzSurface {
    std::vector<uint8_t> bits = std::vector<uint8_t>(size_t(stride) * side, untouched);
    Surface surface{side, side, stride, bits.data()};

    // memcmp rather than a loop: a byte loop would be coverage-instrumented on every byte.
    bool pristine() const {
        static const std::vector<uint8_t> clean(size_t(stride) * side, untouched);
        return std::memcmp(bits.data(), clean.data(), clean.size()) == 0;
    }
    void reset() { std::memset(bits.data(), untouched, bits.size()); }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static FuzzSurface target, source;
    sourceSurface = source.surface;

    // The header test for every mode, including one that is neither, and odd screens.
    static const int32_t screens[][2] = {{1280, 1024}, {0, 0}, {4000, 4000}, {-1, INT32_MAX}};
    for (int32_t mode = 0; mode <= 3; ++mode)
        for (const auto &screen : screens) {
            HeaderTest t = bitmap_header_test(data, size, mode, screen[0], screen[1]);
            bitmap_header_message(t, uiLanguage);
            if (t.outcome == HeaderOutcome::accepted && (t.width <= 0 || t.height <= 0))
                std::abort();
        }

    BmpInfo check = bmp_decode(data, size, nullptr);
    BmpInfo info = bmp_decode(data, size, &target.surface);
    bool fits = check.ok && check.width <= side && check.height <= side;
    if (info.ok != fits)
        std::abort();
    if (info.ok && (info.width != check.width || info.height != check.height))
        std::abort();

    // With a picture loaded, a refused file must leave it as it was.
    settings.Mode = size > 0 ? data[size - 1] % 4 : 1;
    bmpWidth = bmpHeight = 7;
    const int32_t before[2] = {bmpWidth, bmpHeight};
    LoadResult r = bitmap_load_memory(conversion, data, size, 1280, 1024);
    if (r.outcome == LoadOutcome::loaded) {
        if (bmpWidth <= 0 || bmpHeight <= 0 || bmpWidth > side || bmpHeight > side)
            std::abort();
        source.reset();
    } else if (!source.pristine() || bmpWidth != before[0] || bmpHeight != before[1] || r.message.text.empty()) {
        std::abort();
    }
    return 0;
}
