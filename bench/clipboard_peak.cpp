// The peak memory of opening a screenshot from the clipboard, as the window does it: the DIB as
// the clipboard hands it over (a 32-bit V5 DIB, rows bottom first, alpha 255) is loaded where it
// lies; with "file", made a BMP file and loaded as one, the way it once was, for comparison.
// Prints the outcome and the peak resident memory, of which the DIB itself is a part.
// Usage: clipboard_peak WIDTH HEIGHT [file]
#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "core/conversion/conversion.h"
#include "core/reading/clipboard_dib.h"
#include "core/reading/load.h"
#include "core/conversion/settings.h"
#include "core/conversion/surface.h"

int main(int argc, char **argv) {
    if (argc != 3 && argc != 4)
        return 2;
    const int32_t width = std::atoi(argv[1]), height = std::atoi(argv[2]);
    Conversion c;
    surfaces_create(c);
    settings_defaults(c.settings);
    std::vector<uint8_t> dib(124 + size_t(width) * size_t(height) * 4, 0x80);
    const uint32_t fields[] = {124, uint32_t(width), uint32_t(height)};
    std::memcpy(dib.data(), fields, sizeof fields);
    const uint16_t planes[] = {1, 32};
    std::memcpy(dib.data() + 12, planes, sizeof planes);
    const uint32_t masks[] = {3, 0, 0, 0, 0, 0, 0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000};
    std::memcpy(dib.data() + 16, masks, sizeof masks);
    LoadResult r;
    if (argc == 4) {
        const std::vector<uint8_t> file = dib_to_bmp_file(dib.data(), dib.size());
        r = bitmap_load_memory_fitted(c, file.data(), file.size(), 1280, 1024);
    } else {
        r = bitmap_load_dib(c, dib.data(), dib.size(), 1280, 1024);
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("%d x %d%s: DIB %.0f MiB, %s, peak %.0f MiB\n", width, height,
                argc == 4 ? " as a BMP file" : "",
                double(dib.size()) / (1 << 20),
                r.outcome == LoadOutcome::loaded ? "loaded" : r.message.text.c_str(),
                double(usage.ru_maxrss) / 1024);
    return r.outcome == LoadOutcome::loaded ? 0 : 1;
}
