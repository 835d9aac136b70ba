// The sink every decoder writes its rows to: transparency over white, the reduction to the
// source surface and the EXIF orientation, the same on every platform.
#include "core/reading/picture.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

// Where pixel (x, y) of a picture of width x height as stored is shown, for an EXIF orientation.
void orient(int orientation, int64_t x, int64_t y, int64_t width, int64_t height, int64_t &shownX,
            int64_t &shownY) {
    switch (orientation) {
    case 2: shownX = width - 1 - x; shownY = y; break;
    case 3: shownX = width - 1 - x; shownY = height - 1 - y; break;
    case 4: shownX = x; shownY = height - 1 - y; break;
    case 5: shownX = y; shownY = x; break;
    case 6: shownX = height - 1 - y; shownY = x; break;
    case 7: shownX = height - 1 - y; shownY = width - 1 - x; break;
    case 8: shownX = y; shownY = width - 1 - x; break;
    default: shownX = x; shownY = y; break;
    }
}

// Output row y (as stored, B, G, R) onto the destination, turned by the orientation.
void sink_place(PictureSink &sink, int64_t y, const uint8_t *row) {
    Surface &dst = *sink.dst;
    const int64_t w = sink.outWidth, h = sink.outHeight;
    if (sink.orientation < 2 || sink.orientation > 8) {
        const int64_t slot = sink.ring > 0 ? y % sink.ring : y;
        std::memcpy(dst.bits + slot * dst.stride, row, static_cast<size_t>(w) * 3);
        if (sink.done != nullptr)
            sink.done->row(sink.done->context, static_cast<int32_t>(y));
        return;
    }
    for (int64_t x = 0; x < w; ++x) {
        int64_t sx, sy;
        orient(sink.orientation, x, y, w, h, sx, sy);
        uint8_t *p = dst.bits + sy * dst.stride + sx * 3;
        p[0] = row[3 * x];
        p[1] = row[3 * x + 1];
        p[2] = row[3 * x + 2];
    }
}

// An incoming row as B, G, R with transparency laid over white.
void sink_convert(const uint8_t *in, PixelOrder order, int64_t width, uint8_t *out) {
    switch (order) {
    case PixelOrder::bgr:
        std::memcpy(out, in, static_cast<size_t>(width) * 3);
        break;
    case PixelOrder::rgb:
        for (int64_t x = 0; x < width; ++x, in += 3, out += 3) {
            out[0] = in[2];
            out[1] = in[1];
            out[2] = in[0];
        }
        break;
    case PixelOrder::rgba:
        for (int64_t x = 0; x < width; ++x, in += 4, out += 3) {
            out[0] = alpha_over_white(in[2], in[3]);
            out[1] = alpha_over_white(in[1], in[3]);
            out[2] = alpha_over_white(in[0], in[3]);
        }
        break;
    case PixelOrder::bgra:
        for (int64_t x = 0; x < width; ++x, in += 4, out += 3) {
            out[0] = alpha_over_white(in[0], in[3]);
            out[1] = alpha_over_white(in[1], in[3]);
            out[2] = alpha_over_white(in[2], in[3]);
        }
        break;
    }
}

size_t sink_row_bytes(const PictureSink &sink) {
    return static_cast<size_t>(sink.width) * 3;
}

// Output rows whose source rows have all arrived are computed and placed; rows no later output
// row reads leave the window (at most the one two output rows share stays).
void sink_reduce(PictureSink &sink) {
    const size_t rowBytes = sink_row_bytes(sink);
    while (sink.nextOut < sink.outHeight) {
        int64_t first = 0, end = 0;
        scale_row_sources(sink.plan, sink.nextOut, first, end);
        if (end > sink.rowsTaken)
            return;
        const ScaleRows rows{sink.window.data(), rowBytes, sink.windowFirst, nullptr};
        scale_row(sink.plan, sink.nextOut, rows, sink.sums.data(), sink.line.data());
        sink_place(sink, sink.nextOut, sink.line.data());
        if (++sink.nextOut < sink.outHeight)
            scale_plan_row(sink.plan, sink.height, sink.outHeight, sink.nextOut, sink.height);
    }
}

// Makes room for the next incoming row: when the window is full, the rows a later output row
// still reads move to its front (the window holds several spans, so that is seldom).
void sink_window_room(PictureSink &sink) {
    const size_t rowBytes = sink_row_bytes(sink);
    if (static_cast<size_t>(sink.rowsTaken - sink.windowFirst + 1) * rowBytes <= sink.window.size())
        return;
    int64_t first = sink.rowsTaken, end = 0;
    if (sink.nextOut < sink.outHeight)
        scale_row_sources(sink.plan, sink.nextOut, first, end);
    const int64_t drop = std::min(first, sink.rowsTaken) - sink.windowFirst;
    const size_t keep = static_cast<size_t>(sink.rowsTaken - sink.windowFirst - drop);
    std::memmove(sink.window.data(), sink.window.data() + static_cast<size_t>(drop) * rowBytes,
                 keep * rowBytes);
    sink.windowFirst += drop;
}

} // namespace

PictureSize picture_fit_size(int64_t width, int64_t height, int32_t maxWidth, int32_t maxHeight) {
    width = std::clamp<int64_t>(width, 1, pictureSideLimit);
    height = std::clamp<int64_t>(height, 1, pictureSideLimit);
    if (width <= maxWidth && height <= maxHeight)
        return {static_cast<int32_t>(width), static_cast<int32_t>(height)};
    if (width * maxHeight >= height * maxWidth)
        return {maxWidth, static_cast<int32_t>(std::max<int64_t>(1, height * maxWidth / width))};
    return {static_cast<int32_t>(std::max<int64_t>(1, width * maxHeight / height)), maxHeight};
}

bool picture_sink_begin(PictureSink &sink, int64_t width, int64_t height, int orientation,
                        PictureSize shown, Surface &dst) {
    sink = PictureSink{};
    sink.width = width;
    sink.height = height;
    sink.orientation = orientation;
    sink.dst = &dst;
    const bool transposed = orientation_transposes(orientation);
    sink.outWidth = transposed ? shown.height : shown.width;
    sink.outHeight = transposed ? shown.width : shown.height;
    sink.reduce = sink.outWidth != width || sink.outHeight != height;
    if (!sink.reduce) {
        sink.line.resize(sink_row_bytes(sink));
        return true; // rows go straight to the destination
    }
    // One output row reads at most height / outHeight + 2 incoming rows, and the plan and the
    // row sums take a few rows' worth more. A sliver of extreme aspect (a few rows of millions
    // of pixels) would need hundreds of megabytes for that: refused before anything is set aside.
    const size_t rowBytes = sink_row_bytes(sink);
    const int64_t most = std::min<int64_t>(height, height / std::max(1, sink.outHeight) + 2);
    if (static_cast<uint64_t>(most + 7) * rowBytes > pictureWindowLimit)
        return false;
    // The rows are planned one output row at a time, as they are reached.
    scale_plan(sink.plan, width, height, sink.outWidth, sink.outHeight, 0, sink.outWidth, 0, 0,
               width, height);
    scale_plan_row(sink.plan, height, sink.outHeight, 0, height);
    // The window holds a few spans of plan.rows.width rows so that rows seldom move, never more
    // rows than the picture has.
    const int64_t span = std::min<int64_t>(sink.plan.rows.width, height);
    const int64_t rows = std::min<int64_t>(
        {height, span * 8, std::max<int64_t>(span, static_cast<int64_t>(pictureWindowLimit / rowBytes))});
    sink.window.resize(static_cast<size_t>(rows) * rowBytes);
    sink.sums.resize(sink.plan.hi + 1);
    sink.line.resize(static_cast<size_t>(sink.outWidth) * 3);
    return true;
}

uint8_t *picture_sink_row_buffer(PictureSink &sink) {
    if (sink.rowsTaken >= sink.height)
        return nullptr;
    if (!sink.reduce) {
        // Unturned rows are written where they belong.
        if (sink.orientation < 2 || sink.orientation > 8)
            return sink.dst->bits +
                   (sink.ring > 0 ? sink.rowsTaken % sink.ring : sink.rowsTaken) * sink.dst->stride;
        return sink.line.data();
    }
    sink_window_room(sink);
    return sink.window.data() +
           static_cast<size_t>(sink.rowsTaken - sink.windowFirst) * sink_row_bytes(sink);
}

void picture_sink_row_written(PictureSink &sink) {
    if (sink.rowsTaken >= sink.height)
        return;
    const int64_t r = sink.rowsTaken++;
    if (!sink.reduce) {
        if (sink.orientation >= 2 && sink.orientation <= 8)
            sink_place(sink, r, sink.line.data());
        else if (sink.done != nullptr) // written in place already
            sink.done->row(sink.done->context, static_cast<int32_t>(r));
        return;
    }
    sink_reduce(sink);
}

void picture_sink_row(PictureSink &sink, const uint8_t *pixels, PixelOrder order) {
    uint8_t *into = picture_sink_row_buffer(sink);
    if (into == nullptr)
        return;
    sink_convert(pixels, order, sink.width, into);
    picture_sink_row_written(sink);
}

bool picture_sink_complete(const PictureSink &sink) {
    return sink.height > 0 && sink.rowsTaken == sink.height &&
           (!sink.reduce || sink.nextOut == sink.outHeight);
}

uint8_t *picture_sink_row_at(PictureSink &sink, int64_t y) {
    return sink.dst->bits + (sink.ring > 0 ? y % sink.ring : y) * sink.dst->stride;
}

void picture_sink_row_finished(PictureSink &sink, int64_t y) {
    ++sink.rowsTaken;
    if (sink.done != nullptr)
        sink.done->row(sink.done->context, static_cast<int32_t>(y));
}
