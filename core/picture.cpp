// PNG, JPEG and GIF pictures: the pixel rules every platform's decoder is held to, and loading
// them onto the source surface.
#include "core/picture.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "core/geometry.h"
#include "core/settings.h"

#ifndef _WIN32
bool picture_libs_decode(const uint8_t *data, size_t size, const PictureProbe &probe,
                         PictureSink &sink, const char **reason);
PictureCodec pictureCodec = picture_libs_decode;
#else
PictureCodec pictureCodec = nullptr; // the window layer installs the platform's decoders
#endif

namespace {

constexpr int64_t originalLimitArea = 61440;

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
        ++sink.nextOut;
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

LoadResult refused(const Message &message) {
    doc_title_reset();
    return {LoadOutcome::refused, message};
}

Message limit_message(HeaderOutcome outcome, int32_t screenWidth, int32_t screenHeight) {
    HeaderTest test{outcome, 0, 0, screenWidth, screenHeight};
    return bitmap_header_message(test);
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
    scale_plan(sink.plan, width, height, sink.outWidth, sink.outHeight, 0, sink.outWidth, 0,
               sink.outHeight, width, height);
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

LoadResult picture_load_memory(const uint8_t *data, size_t size, int32_t screenWidth,
                               int32_t screenHeight) {
    const Message unsupported = bitmap_header_message(HeaderTest{HeaderOutcome::notBitmap, 0, 0, 0, 0});
    // A claim beyond the limits gets the size message even when the rest of the file is
    // nonsense: the claim alone is what is refused.
    const PictureProbe probe = picture_probe(data, size);
    if (probe.mostPixels > picturePixelLimit || probe.width > pictureSideLimit ||
        probe.height > pictureSideLimit)
        return refused(limit_message(HeaderOutcome::stretchLimit, screenWidth, screenHeight));
    if (probe.reason != nullptr)
        return refused(unsupported);

    const bool transposed = orientation_transposes(probe.orientation);
    const int64_t shownWidth = transposed ? probe.height : probe.width;
    const int64_t shownHeight = transposed ? probe.width : probe.height;
    const int32_t surfaceWidth = sourceSurface.width, surfaceHeight = sourceSurface.height;
    if (settings.Mode == 2) {
        // One character a pixel: never reduced. The limits a user meets are the screen's and
        // the area's, and the source surface's where the screen is larger.
        if (shownWidth > screenWidth || shownHeight > screenHeight ||
            shownWidth * shownHeight > originalLimitArea)
            return refused(limit_message(HeaderOutcome::originalLimit, screenWidth, screenHeight));
        if (shownWidth > surfaceWidth || shownHeight > surfaceHeight)
            return refused(limit_message(HeaderOutcome::originalLimit,
                                         std::min(screenWidth, surfaceWidth),
                                         std::min(screenHeight, surfaceHeight)));
    }
    if (sourceSurface.bits == nullptr || pictureCodec == nullptr)
        return refused(unsupported);

    // Decoded where a picture that fails half way leaves the loaded one intact; the reduced
    // copy is made as upright rows finish. An upright picture too wide for the previews to be
    // drawn from the source surface passes through a ring of rows only, as a wide BMP does.
    const PictureSize shown = picture_fit_size(shownWidth, shownHeight, surfaceWidth, surfaceHeight);
    const bool upright = probe.orientation < 2 || probe.orientation > 8;
    const bool wide = upright && !map_geometry_reads_source(shown.width);
    const int64_t ring = wide ? reduced_copy_stream_ring(shown.height) : 0;
    std::vector<uint8_t> ringRows;
    Surface ringSurface;
    Surface *target = nullptr;
    if (wide) {
        ringSurface = Surface{shown.width, static_cast<int32_t>(ring), surface_stride(shown.width)};
        ringRows.resize(static_cast<size_t>(ringSurface.stride) * static_cast<size_t>(ring));
        ringSurface.bits = ringRows.data();
        target = &ringSurface;
    } else if ((target = bitmap_decode_target()) == nullptr) {
        return refused(unsupported);
    }
    ReducedCopyStream reduce;
    reduced_copy_stream_begin(reduce, *target, shown.width, shown.height, ring);
    const BmpRowsDone done{reduced_copy_stream_row, &reduce};
    PictureSink sink;
    if (!picture_sink_begin(sink, probe.width, probe.height, probe.orientation, shown, *target))
        return refused(limit_message(HeaderOutcome::stretchLimit, screenWidth, screenHeight));
    sink.ring = ring;
    if (upright)
        sink.done = &done; // turned rows finish only at the end
    const char *reason = nullptr;
    if (!pictureCodec(data, size, probe, sink, &reason) || !picture_sink_complete(sink))
        return refused(unsupported);
    if (!upright)
        for (int32_t y = 0; y < shown.height; ++y)
            reduced_copy_stream_row(&reduce, y);
    if (wide) {
        if (!reduced_copy_stream_ready(reduce))
            return refused(unsupported);
        ++sourceSurface.generation;
        bmpWidth = shown.width;
        bmpHeight = shown.height;
    } else {
        bitmap_picture_take(*target, shown.width, shown.height);
    }
    reduced_copy_stream_finish(reduce);
    return {LoadOutcome::loaded, {}};
}
