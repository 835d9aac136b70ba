#include "core/conversion/geometry.h"

#include <algorithm>

#include "core/conversion/conversion.h"
#include "core/conversion/settings.h"
#include "core/conversion/surface.h"

namespace {

constexpr int32_t previewEdge = 15;      // left and top of the proportional preview
constexpr int32_t previewGap = 30;       // mapX = mapCols + 30, mapY = previewHeight + 30
constexpr int32_t reduceFactor = 3;      // the reduced copy is a third of the source
constexpr int32_t fullSourceWidth = 600; // wider bitmaps are drawn from the reduced copy
// In stretch mode mapCols + mapX = 2 * Mojisu + 30, so any wider Mojisu fails the first check.
constexpr int32_t stretchMojisuMax = (canvasWidth - previewGap) / 2;

bool fits_int32(int64_t v) {
    return v >= INT32_MIN && v <= INT32_MAX;
}

int32_t clamp_int32(int64_t v) {
    return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

// Bounding box of what a pass has drawn, for canvasChanged.
struct Box {
    int64_t left = INT64_MAX, top = INT64_MAX, right = INT64_MIN, bottom = INT64_MIN;
};

void box_outline(Box &box, Surface &s, int64_t left, int64_t top, int64_t right, int64_t bottom) {
    surface_outline(s, clamp_int32(left), clamp_int32(top), clamp_int32(right),
                    clamp_int32(bottom));
    box.left = std::min(box.left, left);
    box.top = std::min(box.top, top);
    box.right = std::max(box.right, right);
    box.bottom = std::max(box.bottom, bottom);
}

// Both previews and their outlines on one surface, scaled from (from, sw, sh). A preview with a
// negative size (only from a hand-edited settings file) is left out with its outline.
Box previews_draw(const Conversion &c, Surface &dst, const Surface &from, int32_t sw, int32_t sh) {
    Box box;
    const int64_t cols = c.mapCols;
    if (c.mapCols >= 0 && c.previewHeight >= 0) {
        surface_scale(from, sw, sh, dst, previewEdge, previewEdge, c.mapCols, c.previewHeight);
        box_outline(box, dst, previewEdge - 1, previewEdge - 1, cols + previewEdge + 1,
                    int64_t{c.previewHeight} + previewEdge + 1);
    }
    if (c.mapCols >= 0 && c.mapRows >= 0) {
        if (c.settings.Position != 0) {
            surface_scale(from, sw, sh, dst, previewEdge, c.mapY, c.mapCols, c.mapRows);
            box_outline(box, dst, previewEdge - 1, int64_t{c.mapY} - 1, cols + previewEdge + 1,
                        int64_t{c.mapY} + c.mapRows + 1);
        } else {
            surface_scale(from, sw, sh, dst, c.mapX, previewEdge, c.mapCols, c.mapRows);
            box_outline(box, dst, int64_t{c.mapX} - 1, previewEdge - 1, int64_t{c.mapX} + cols + 1,
                        int64_t{c.mapRows} + previewEdge + 1);
        }
    }
    return box;
}

void canvas_changed_tell(const Conversion &c, const Box &box) {
    const int64_t left = std::max<int64_t>(box.left, 0);
    const int64_t top = std::max<int64_t>(box.top, 0);
    const int64_t right = std::min<int64_t>(box.right, c.canvas.width);
    const int64_t bottom = std::min<int64_t>(box.bottom, c.canvas.height);
    if (c.canvasChanged != nullptr && left < right && top < bottom)
        c.canvasChanged(static_cast<int32_t>(left), static_cast<int32_t>(top),
                        static_cast<int32_t>(right - left), static_cast<int32_t>(bottom - top));
}

ReducedFrom reduced_from_now(const Conversion &c) {
    return {c.sourceSurface.bits,     c.reducedCopy.bits, c.sourceSurface.generation,
            c.reducedCopy.generation, c.bmpWidth,         c.bmpHeight};
}

void reduced_copy_refresh(Conversion &c, int32_t thirdWidth, int32_t thirdHeight) {
    if (reduced_from_now(c) == c.reducedFrom)
        return;
    surface_scale(c.sourceSurface, c.bmpWidth, c.bmpHeight, c.reducedCopy, 0, 0, thirdWidth,
                  thirdHeight);
    c.reducedFrom = reduced_from_now(c);
}

} // namespace

bool map_geometry_compute(Conversion &c) {
    if (c.bmpWidth <= 0 || c.bmpHeight <= 0)
        return false;
    if (c.settings.Mode == 1 || c.settings.Mode == 2) {
        int64_t cols, height, rows;
        if (c.settings.Mode == 1) {
            cols = c.settings.Mojisu;
            height = cols * c.bmpHeight / c.bmpWidth; // truncates toward zero
            rows = height * c.settings.Hiritu / 100;
        } else {
            cols = c.bmpWidth;
            height = c.bmpHeight;
            rows = c.bmpHeight;
        }
        // Settings come unchecked from the file: a geometry that leaves 32 bits is refused
        // before anything is stored.
        if (!fits_int32(height) || !fits_int32(rows) || !fits_int32(cols + previewGap) ||
            !fits_int32(height + previewGap))
            return false;
        if (c.settings.Mode == 2)
            c.settings.Mojisu = c.bmpWidth;
        c.mapCols = static_cast<int32_t>(cols);
        c.previewHeight = static_cast<int32_t>(height);
        c.mapRows = static_cast<int32_t>(rows);
        c.mapX = static_cast<int32_t>(cols + previewGap);
        c.mapY = static_cast<int32_t>(height + previewGap);
    }
    return int64_t{c.mapCols} + c.mapX <= canvasWidth &&
           int64_t{c.previewHeight} + c.mapY <= canvasHeight &&
           int64_t{c.mapRows} + c.mapY <= canvasHeight;
}

int map_geometry_update(Conversion &c) {
    if (!map_geometry_compute(c))
        return 0;
    const int32_t thirdWidth = c.bmpWidth / reduceFactor, thirdHeight = c.bmpHeight / reduceFactor;
    reduced_copy_refresh(c, thirdWidth, thirdHeight);
    const Box box = c.bmpWidth > fullSourceWidth
                        ? previews_draw(c, c.canvas, c.reducedCopy, thirdWidth, thirdHeight)
                        : previews_draw(c, c.canvas, c.sourceSurface, c.bmpWidth, c.bmpHeight);
    canvas_changed_tell(c, box);
    return 1;
}

FitResult map_geometry_fit(Conversion &c) {
    bool lowered = false;
    while (map_geometry_update(c) == 0) {
        // Only stretch mode shrinks with Mojisu; Mojisu 0 always fits there, so the loop ends.
        if (c.settings.Mode != 1 || c.bmpWidth <= 0 || c.bmpHeight <= 0 || c.settings.Mojisu == 0)
            return FitResult::cannotFit;
        if (c.settings.Mojisu > stretchMojisuMax)
            c.settings.Mojisu = stretchMojisuMax; // every step above it would be refused anyway
        else
            c.settings.Mojisu = c.settings.Mojisu > 0 ? c.settings.Mojisu - 1 : 0;
        lowered = true;
    }
    return lowered ? FitResult::lowered : FitResult::fitted;
}

const char *map_geometry_cannot_fit_message() {
    // Original mode takes the width from the bitmap, so a lower Mojisu cannot make it fit.
    return "オリジナルモードではこのビットマップはキャンバスに収まりません。\n"
           "ストレッチモードに切り替えてください。";
}

void reduced_copy_stream_begin(Conversion &c, ReducedCopyStream &stream, const Surface &from,
                               int32_t width, int32_t height, int64_t ring) {
    stream = ReducedCopyStream{};
    stream.from = &from;
    stream.ring = ring;
    // The copy is made on the spare: a picture refused half way leaves the reduced copy alone.
    Surface &into = reduced_spare(c);
    surface_rows_written(into); // the rows read later are the rows computed here
    stream.into = &into;
    // The scaling reduced_copy_refresh does: source (0, 0)-(width, height) onto (0, 0)-(width / 3,
    // height / 3), clipped to the reduced copy.
    const int64_t dw = width / reduceFactor, dh = height / reduceFactor;
    const int64_t x1 = std::min<int64_t>(dw, c.reducedCopy.width);
    const int64_t y1 = std::min<int64_t>(dh, c.reducedCopy.height);
    stream.noRoom = into.bits == nullptr && c.reducedCopy.bits != nullptr;
    if (into.bits == nullptr || from.bits == nullptr || x1 <= 0 || y1 <= 0)
        return; // no room, or a picture under 3 pixels on a side: nothing to draw
    scale_plan(stream.plan, width, height, dw, dh, 0, x1, 0, y1, c.sourceSurface.width,
               c.sourceSurface.height);
    stream.sums.resize(stream.plan.hi + 1);
    stream.nextBottom = y1 - 1;
    stream.active = true;
}

bool map_geometry_reads_source(int32_t width) {
    return width <= fullSourceWidth;
}

int64_t reduced_copy_stream_ring(int32_t height) {
    // The source rows one reduced row reads, the row being decoded, and one to spare.
    const int64_t dh = height / reduceFactor;
    return dh > 0 ? (height + dh - 1) / dh + 1 + 2 : 3;
}

void reduced_copy_stream_row(void *context, int32_t y) {
    auto &stream = *static_cast<ReducedCopyStream *>(context);
    if (!stream.active)
        return;
    if (stream.finishedLow == stream.finishedHigh) {
        stream.finishedLow = y;
        stream.finishedHigh = y + 1;
    } else if (y == stream.finishedLow - 1) {
        stream.finishedLow = y;
    } else if (y == stream.finishedHigh) {
        stream.finishedHigh = y + 1;
    } else {
        stream.active = false; // not from one end: no copy is made
        return;
    }
    const ScaleRows rows{stream.from->bits, static_cast<size_t>(stream.from->stride), 0, nullptr,
                         stream.ring};
    auto ready = [&](int64_t r) {
        int64_t first = 0, end = 0;
        scale_row_sources(stream.plan, r, first, end);
        return first >= stream.finishedLow && end <= stream.finishedHigh;
    };
    Surface &into = *stream.into;
    auto compute = [&](int64_t r) {
        scale_row(stream.plan, r, rows, stream.sums.data(),
                  into.bits + static_cast<size_t>(r) * into.stride);
    };
    while (stream.nextTop <= stream.nextBottom && ready(stream.nextTop))
        compute(stream.nextTop++);
    while (stream.nextTop <= stream.nextBottom && ready(stream.nextBottom))
        compute(stream.nextBottom--);
}

bool reduced_copy_stream_ready(const ReducedCopyStream &stream) {
    const bool whole = stream.active && stream.nextTop > stream.nextBottom;
    const bool nothingToDraw = !stream.active && !stream.noRoom && stream.plan.rows.spans.empty();
    return whole || nothingToDraw;
}

void reduced_copy_stream_finish(Conversion &c, ReducedCopyStream &stream) {
    if (!reduced_copy_stream_ready(stream)) {
        c.reducedFrom = ReducedFrom{}; // made from the source surface at the next update
        return;
    }
    if (stream.active)
        reduced_spare_swap(c);
    c.reducedFrom = reduced_from_now(c);
}

void map_geometry_clear(Conversion &c) {
    c.bmpWidth = c.bmpHeight = 0;
    c.mapCols = c.previewHeight = c.mapRows = 0;
    c.mapX = c.mapY = 0;
}
