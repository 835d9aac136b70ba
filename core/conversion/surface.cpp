#include "core/conversion/surface.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <initializer_list>
#include <utility>
#include "core/conversion/conversion.h"
#include "core/files/large_block.h"

int32_t surface_stride(int32_t width) {
    return (width * 3 + 3) & ~3;
}

static size_t surface_bytes(const Surface &s) {
    return static_cast<size_t>(s.stride) * static_cast<size_t>(s.height);
}

static bool surface_alloc(Conversion &c, Surface &s, int32_t width, int32_t height, bool isCanvas) {
    const int32_t stride = surface_stride(width);
    const size_t bytes = static_cast<size_t>(stride) * static_cast<size_t>(height);
    uint8_t *bits = nullptr;
    if (isCanvas && c.canvasMemoryAlloc != nullptr) {
        bits = c.canvasMemoryAlloc(width, height, stride);
        c.canvasFromHook = true;
        c.canvasFreeUsed = c.canvasMemoryFree;
    } else {
        bits = large_block_alloc(bytes);
    }
    if (bits == nullptr)
        return false; // stays 0 x 0: reads give white, writes are dropped
    s.width = width;
    s.height = height;
    s.stride = stride;
    s.bits = bits;
    // Our own memory starts blank (white, filled row by row when first drawn on); memory from
    // the hook is drawn on by others (GDI) and so is filled at once.
    s.blankRows = c.canvasFromHook && isCanvas ? nullptr : new (std::nothrow) uint8_t[height];
    if (s.blankRows != nullptr)
        std::memset(s.blankRows, 1, static_cast<size_t>(height));
    else
        std::memset(bits, 255, bytes);
    return true;
}

void surface_rows_prepare(Surface &s, int32_t y0, int32_t y1) {
    if (s.blankRows == nullptr)
        return;
    y0 = std::max(y0, 0);
    y1 = std::min(y1, s.height);
    for (int32_t y = y0; y < y1; ++y) {
        if (s.blankRows[y] != 0) {
            std::memset(s.bits + static_cast<size_t>(y) * s.stride, 255, static_cast<size_t>(s.stride));
            s.blankRows[y] = 0;
        }
    }
}

void surface_rows_written(Surface &s) {
    delete[] s.blankRows;
    s.blankRows = nullptr;
}

void surfaces_create(Conversion &c) {
    if (c.canvas.bits == nullptr)
        surface_alloc(c, c.canvas, canvasWidth, canvasHeight, true);
    if (c.sourceSurface.bits == nullptr)
        surface_alloc(c, c.sourceSurface, canvasWidth, canvasHeight, false);
    if (c.reducedCopy.bits == nullptr)
        surface_alloc(c, c.reducedCopy, reducedWidth, reducedHeight, false);
}

void surfaces_release(Conversion &c) {
    if (c.canvas.bits != nullptr) {
        if (!c.canvasFromHook)
            large_block_free(c.canvas.bits, surface_bytes(c.canvas));
        else if (c.canvasFreeUsed != nullptr)
            c.canvasFreeUsed(c.canvas.bits);
    }
    c.canvasFromHook = false;
    c.canvasFreeUsed = nullptr;
    for (Surface *s :
         {&c.canvas, &c.sourceSurface, &c.reducedCopy, &c.sourceSpare, &c.reducedSpare})
        surface_rows_written(*s);
    for (Surface *s : {&c.sourceSurface, &c.reducedCopy, &c.sourceSpare, &c.reducedSpare})
        large_block_free(s->bits, surface_bytes(*s));
    for (Surface *s :
         {&c.canvas, &c.sourceSurface, &c.reducedCopy, &c.sourceSpare, &c.reducedSpare})
        *s = Surface{};
}

// A surface the size of like, made when it is missing or of another size; uninitialised, as
// whoever uses it writes every row it reads.
static Surface &spare_like(Surface &spare, const Surface &like) {
    const bool fits = spare.bits != nullptr && spare.width == like.width &&
                      spare.height == like.height;
    if (!fits) {
        surface_rows_written(spare);
        large_block_free(spare.bits, surface_bytes(spare));
        spare = Surface{};
        if (like.bits != nullptr) {
            const int32_t stride = surface_stride(like.width);
            uint8_t *bits =
                large_block_alloc(static_cast<size_t>(stride) * static_cast<size_t>(like.height));
            if (bits != nullptr)
                spare = Surface{like.width, like.height, stride, bits};
        }
    }
    return spare;
}

Surface &source_spare(Conversion &c) {
    return spare_like(c.sourceSpare, c.sourceSurface);
}

Surface &reduced_spare(Conversion &c) {
    return spare_like(c.reducedSpare, c.reducedCopy);
}

void reduced_spare_swap(Conversion &c) {
    std::swap(c.reducedCopy.bits, c.reducedSpare.bits);
    std::swap(c.reducedCopy.blankRows, c.reducedSpare.blankRows);
    ++c.reducedCopy.generation;
    ++c.reducedSpare.generation;
}

void surface_whiten_outside(Surface &s, int32_t width, int32_t height) {
    if (s.bits == nullptr)
        return;
    width = std::clamp(width, 0, s.width);
    height = std::clamp(height, 0, s.height);
    // Rows below the picture only need to read white: where the surface keeps track of blank
    // rows, marking them costs nothing.
    for (int32_t y = 0; y < s.height; ++y) {
        uint8_t *row = s.bits + static_cast<size_t>(y) * s.stride;
        if (y < height) {
            const size_t from = static_cast<size_t>(width) * 3;
            std::memset(row + from, 0xFF, static_cast<size_t>(s.width) * 3 - from);
            if (s.blankRows != nullptr)
                s.blankRows[y] = 0;
        } else if (s.blankRows != nullptr) {
            s.blankRows[y] = 1;
        } else {
            std::memset(row, 0xFF, static_cast<size_t>(s.width) * 3);
        }
    }
}

Rgb surface_get(const Surface &s, int32_t x, int32_t y) {
    if (s.bits == nullptr || x < 0 || y < 0 || x >= s.width || y >= s.height)
        return rgbWhite;
    if (surface_row_blank(s, y))
        return rgbWhite;
    const uint8_t *p = s.bits + static_cast<size_t>(y) * s.stride + static_cast<size_t>(x) * 3;
    return Rgb{p[2], p[1], p[0]};
}

void surface_set(Surface &s, int32_t x, int32_t y, Rgb c) {
    if (s.bits == nullptr || x < 0 || y < 0 || x >= s.width || y >= s.height)
        return;
    surface_rows_prepare(s, y, y + 1);
    uint8_t *p = s.bits + static_cast<size_t>(y) * s.stride + static_cast<size_t>(x) * 3;
    ++s.generation;
    p[0] = c.b;
    p[1] = c.g;
    p[2] = c.r;
}

void surface_fill(Surface &s, int32_t x, int32_t y, int32_t width, int32_t height, Rgb c) {
    if (s.bits == nullptr || width <= 0 || height <= 0)
        return;
    // 64 bits: x + width may leave int32 for values from a hand-edited settings file.
    const int64_t x0 = std::max<int64_t>(x, 0), y0 = std::max<int64_t>(y, 0);
    const int64_t x1 = std::min<int64_t>(int64_t{x} + width, s.width);
    const int64_t y1 = std::min<int64_t>(int64_t{y} + height, s.height);
    ++s.generation;
    surface_rows_prepare(s, static_cast<int32_t>(y0), static_cast<int32_t>(y1));
    for (int64_t row = y0; row < y1; ++row) {
        uint8_t *p = s.bits + row * s.stride + x0 * 3;
        for (int64_t col = x0; col < x1; ++col, p += 3) {
            p[0] = c.b;
            p[1] = c.g;
            p[2] = c.r;
        }
    }
}

void surface_outline(Surface &s, int32_t left, int32_t top, int32_t right, int32_t bottom) {
    if (right <= left || bottom <= top)
        return;
    // Differences in 64 bits; surface_fill clips whatever is left outside.
    const int32_t width = static_cast<int32_t>(std::min<int64_t>(int64_t{right} - left, INT32_MAX));
    const int32_t height =
        static_cast<int32_t>(std::min<int64_t>(int64_t{bottom} - top, INT32_MAX));
    surface_fill(s, left, top, width, 1, rgbBlack);
    surface_fill(s, left, bottom - 1, width, 1, rgbBlack);
    surface_fill(s, left, top, 1, height, rgbBlack);
    surface_fill(s, right - 1, top, 1, height, rgbBlack);
}
