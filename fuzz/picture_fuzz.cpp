// Feeds arbitrary bytes to the PNG, JPEG and GIF path: the probe, the EXIF reader and loading
// through the system's decoders onto a small source surface. Besides the sanitizers' own checks
// it aborts when a refusal changed the surface or a load broke the size rules.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/reading/bitmap.h"
#include "core/conversion/geometry.h"
#include "core/reading/picture.h"
#include "core/conversion/settings.h"
#include "window/document_state.h"

namespace {

// A small surface keeps every run cheap: larger pictures are reduced to fit it.
constexpr int32_t side = 128;
constexpr int32_t stride = side * 3;
constexpr uint8_t untouched = 0xA5;

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static std::vector<uint8_t> bits(size_t(stride) * side, untouched);
    static const std::vector<uint8_t> clean(bits.size(), untouched);
    sourceSurface = Surface{side, side, stride, bits.data()};

    const PictureProbe probe = picture_probe(data, size);
    if (probe.reason == nullptr && (probe.width <= 0 || probe.height <= 0 ||
                                    probe.orientation < 1 || probe.orientation > 8))
        std::abort();
    exif_orientation(data, size);

    settings.Mode = size > 0 && data[size - 1] % 5 == 0 ? 2 : 1;
    bmpWidth = bmpHeight = 7;
    const LoadResult r = bitmap_load_memory(conversion, data, size, 1280, 1024);
    if (r.outcome == LoadOutcome::loaded) {
        // A BMP file is the one the probe refuses that may load.
        if ((probe.reason != nullptr && probe.format != PictureFormat::bmp) || bmpWidth <= 0 ||
            bmpHeight <= 0 || bmpWidth > side || bmpHeight > side)
            std::abort();
        std::memset(bits.data(), untouched, bits.size());
    } else if (std::memcmp(bits.data(), clean.data(), bits.size()) != 0 || bmpWidth != 7 ||
               bmpHeight != 7 || r.message.text.empty()) {
        std::abort();
    }
    return 0;
}
