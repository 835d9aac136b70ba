// Drawing surfaces: RGB grids of 8 bits a channel.
//
// Memory layout is that of a top-down 24-bit DIB (bytes B, G, R; rows padded to 4 bytes),
// so on Windows the canvas can live inside a DIB section and GDI can draw text on it.
#pragma once
#include <cstdint>

struct Rgb {
    uint8_t r, g, b;
    bool operator==(const Rgb &o) const { return r == o.r && g == o.g && b == o.b; }
    bool operator!=(const Rgb &o) const { return !(*this == o); }
};

constexpr Rgb rgbWhite{255, 255, 255};
constexpr Rgb rgbBlack{0, 0, 0};

struct Surface {
    int32_t width = 0;
    int32_t height = 0;
    int32_t stride = 0;       // bytes per row
    uint8_t *bits = nullptr;  // row 0 first
    uint32_t generation = 0;  // bumped by every write below; code writing bits bumps it too
    // Rows not yet written since creation: they read as white but hold no pixels yet, so a
    // surface costs only the rows something draws on. nullptr: every row holds its pixels.
    // Code that writes bits directly calls surface_rows_prepare (or surface_rows_written) first.
    uint8_t *blankRows = nullptr;
};

constexpr int32_t canvasWidth = 2048;
constexpr int32_t canvasHeight = 1536;
constexpr int32_t reducedWidth = 682;
constexpr int32_t reducedHeight = 512;

// The surfaces and the canvas hooks are a conversion's (core/conversion/conversion.h).
struct Conversion;

// Canvas and source 2048 x 1536, reduced copy 682 x 512; source and reduced copy white,
// canvas white until its owner paints the background. Calling it twice is harmless.
void surfaces_create(Conversion &c);
void surfaces_release(Conversion &c);

// A second surface the size of the source surface, made on first use (0 x 0 when there is no
// memory for it): while a picture is loaded, a new one is decoded onto it and copied to the
// source surface only once it is whole. Its rows hold whatever was last put there.
Surface &source_spare(Conversion &c);

// The same for the reduced copy: a new picture's copy is made on it and changes places with the
// reduced copy once the picture is whole.
Surface &reduced_spare(Conversion &c);
void reduced_spare_swap(Conversion &c);

int32_t surface_stride(int32_t width);

// Makes rows [y0, y1) hold their pixels (white where still blank) before a partial write.
void surface_rows_prepare(Surface &s, int32_t y0, int32_t y1);

// Declares every row fully written by code that just covered the whole surface.
void surface_rows_written(Surface &s);

inline bool surface_row_blank(const Surface &s, int32_t y) {
    return s.blankRows != nullptr && s.blankRows[y] != 0;
}

// Everything outside the rectangle (0, 0)-(width, height) reads white from now on, and the
// rows inside count as written: for a picture just put at the top-left corner. Rows below it
// are marked blank rather than filled.
void surface_whiten_outside(Surface &s, int32_t width, int32_t height);

// Outside the surface a read gives white and a write is dropped.
Rgb surface_get(const Surface &s, int32_t x, int32_t y);
void surface_set(Surface &s, int32_t x, int32_t y, Rgb c);

// Fills a rectangle, clipped to the surface.
void surface_fill(Surface &s, int32_t x, int32_t y, int32_t width, int32_t height, Rgb c);

// One-pixel black outline along the inside of [left, right) x [top, bottom), inside untouched
// (GDI's Rectangle with a black pen and a null brush); clipped. An empty or inverted rectangle
// draws nothing.
void surface_outline(Surface &s, int32_t left, int32_t top, int32_t right, int32_t bottom);

// Area-averaging scale of src's rectangle (0, 0)-(sw, sh) onto dst's (dx, dy)-(dx+dw, dy+dh).
// Pinned so every build gives the same pixels: on a common axis source column i covers
// [i*dw, (i+1)*dw) and destination column x covers [x*sw, (x+1)*sw); a weight is the length
// of their overlap (rows alike); each channel is floor((sum wx*wy*c + S/2) / S), S = sw*sh.
// Nothing is drawn when any size is 0 or less, nor from a source side above 65536 (which keeps
// the integer sums exact). Source reads outside src are white; writes outside dst are clipped.
void surface_scale(const Surface &src, int32_t sw, int32_t sh, Surface &dst, int32_t dx,
                   int32_t dy, int32_t dw, int32_t dh);
