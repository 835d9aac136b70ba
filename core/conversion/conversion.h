// A conversion: everything one picture's Open and Convert read or write, owned by the caller
// and passed to every core operation that needs it. Two contexts share nothing, so a program
// may convert as many pictures at once as it has threads (vkd -j), and the window keeps
// exactly one.
//
// The order of calls is still the window's: load, map_geometry_update, text_cell_colors (which
// reads the squeezed preview before it is painted over), then text_convert.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "core/common/language.h"
#include "core/conversion/look.h"
#include "core/conversion/settings.h"
#include "core/conversion/surface.h"

// What the reduced copy was last made from. Every accepted update refreshes it, but while the
// source, its size and the copy itself are unchanged the result would be the same pixels, and
// Convert redraws right after the fit did: the scale is the costliest step of an update.
struct ReducedFrom {
    const uint8_t *sourceBits = nullptr, *reducedBits = nullptr;
    uint32_t sourceGeneration = 0, reducedGeneration = 0;
    int32_t width = -1, height = -1;
    bool operator==(const ReducedFrom &o) const {
        return sourceBits == o.sourceBits && reducedBits == o.reducedBits &&
               sourceGeneration == o.sourceGeneration &&
               reducedGeneration == o.reducedGeneration && width == o.width && height == o.height;
    }
};

// The luminance of the surface the photo and shape looks sample, one byte a pixel. Kept while
// the surface is unchanged, as the reduced copy is: changing the look or the width converts the
// same picture again.
struct LumaPlane {
    const uint8_t *bits = nullptr;
    uint32_t generation = 0;
    int32_t width = 0, height = 0;
    std::vector<uint8_t> luma;
};

struct Conversion {
    Settings settings{};
    LookSettings lookSettings;
    Language language = Language::japanese; // how refusals are worded

    Surface canvas;        // what the image pane shows
    Surface sourceSurface; // the loaded bitmap at (0, 0)
    Surface reducedCopy;   // the bitmap at a third of its size
    Surface sourceSpare;   // see source_spare()
    Surface reducedSpare;  // see reduced_spare()

    // Where the canvas memory comes from. Unset: the heap. The Win32 layer points these at a
    // DIB section before surfaces_create so GDI can draw the label on the same pixels.
    uint8_t *(*canvasMemoryAlloc)(int32_t width, int32_t height, int32_t stride) = nullptr;
    void (*canvasMemoryFree)(uint8_t *bits) = nullptr;
    // Told after the core changed a rectangle of the canvas (previews, grey feedback), so the
    // window layer can show it at once. Unset in vkd.
    void (*canvasChanged)(int32_t x, int32_t y, int32_t width, int32_t height) = nullptr;
    // The canvas must go back to whoever gave it, even if the hooks change in between.
    bool canvasFromHook = false;
    void (*canvasFreeUsed)(uint8_t *bits) = nullptr;

    int32_t bmpWidth = 0;      // loaded bitmap, pixels
    int32_t bmpHeight = 0;
    int32_t mapCols = 0;       // characters per line; width of both previews
    int32_t previewHeight = 0; // height of the proportional preview
    int32_t mapRows = 0;       // lines of the text picture; height of the squeezed preview
    int32_t mapX = 0;          // left of the squeezed preview, horizontal placement
    int32_t mapY = 0;          // top of the squeezed preview, vertical placement

    ReducedFrom reducedFrom;
    LumaPlane lumaPlane;
    std::vector<uint8_t> lookSamples; // the looks' sub-samples: a megabyte at most
    LookCache lookCache;

    Conversion() = default;
    Conversion(const Conversion &) = delete;
    Conversion &operator=(const Conversion &) = delete;
    ~Conversion() { surfaces_release(*this); }
};
