// Loading, from the top: load() reads the head of the source, tells the format by its first
// bytes, applies the size rules, and hands the rows of exactly one decoder to the sink in
// decode_rows(), which also takes the finished picture. Every refusal is worded in this file.
#include "core/reading/load.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <string>
#include <vector>

#include "core/reading/bitmap.h"
#include "core/reading/clipboard_dib.h"
#include "core/files/file_read.h"
#include "core/conversion/conversion.h"
#include "core/conversion/geometry.h"
#include "core/common/language.h"
#include "core/reading/picture.h"
#include "core/conversion/settings.h"
#include "core/conversion/surface.h"

#ifndef _WIN32
bool picture_libs_decode(const uint8_t *data, size_t size, const PictureProbe &probe,
                         PictureSink &sink, const char **reason);
bool picture_libs_has(PictureFormat format);
PictureCodec pictureCodec = picture_libs_decode;
PictureCodecHas pictureCodecHas = picture_libs_has;
#else
PictureCodec pictureCodec = nullptr; // the window layer installs the platform's decoders
PictureCodecHas pictureCodecHas = nullptr;
#endif
PictureCodecFits pictureCodecFits = nullptr;

namespace {

// Enough for any picture the source surface can take, whatever lies before its pixels; a longer
// file is read only this far: the BMP decoder refuses pixels beyond it, and no PNG, JPEG or GIF
// within the pixel limit needs more.
constexpr size_t fileReadLimit = size_t(64) << 20;

Message unsupported() {
    return {"この形式は現在サポートされていません。", MessageIcon::warning};
}

// A picture refused by a budget of its own (core/reading/picture.h), worded as what it is: never the
// bitmap size rule, which a picture that is reduced to fit does not have.
Message limit_message(PictureLimit limit) {
    switch (limit) {
    case PictureLimit::held:
        return {"画像が大きすぎて、読み込む間まとめて保持できません。", MessageIcon::warning};
    case PictureLimit::parts:
        return {"画像ファイルの部分 (チャンク、スキャン、拡張) が多すぎて読み込めません。",
                MessageIcon::warning};
    case PictureLimit::pixels:
    case PictureLimit::none:
        break;
    }
    return {"画像のピクセルが多すぎて読み込めません。", MessageIcon::warning};
}

// A format the system reads only with a codec it does not have: what to install.
Message codec_missing(PictureFormat format) {
    switch (format) {
    case PictureFormat::webp:
        return {"WebP 画像を開くには、Microsoft Store から「WebP 画像拡張機能」を"
                "インストールしてください。",
                MessageIcon::warning};
    case PictureFormat::heic:
        return {"HEIC 画像を開くには、Microsoft Store から「HEIF 画像拡張機能」と"
                "「HEVC ビデオ拡張機能」をインストールしてください。",
                MessageIcon::warning};
    case PictureFormat::avif:
        return {"AVIF 画像を開くには、Microsoft Store から「AV1 Video Extension」を"
                "インストールしてください。",
                MessageIcon::warning};
    default:
        return unsupported();
    }
}

LoadResult open_failed() {
    return {LoadOutcome::openFailed, {openFailedText, MessageIcon::error}};
}

LoadResult refused(const Message &message) {
    return {LoadOutcome::refused, message};
}

LoadResult refused(const Conversion &c, HeaderOutcome outcome, int32_t screenWidth,
                   int32_t screenHeight) {
    return refused(
        bitmap_header_message(HeaderTest{outcome, 0, 0, screenWidth, screenHeight}, c.language));
}

// A picture that passed its size rules but does not fit the source surface: only original mode
// on a screen larger than the surface gets here (other modes test the surface's size, or reduce
// to it). Its message names the mode and the size that really limits it.
LoadResult refused_by_surface(const Conversion &c, int32_t screenWidth, int32_t screenHeight) {
    if (c.settings.Mode != 2)
        return refused(c, HeaderOutcome::stretchLimit, screenWidth, screenHeight);
    return refused(c, HeaderOutcome::originalLimit, std::min(screenWidth, c.sourceSurface.width),
                   std::min(screenHeight, c.sourceSurface.height));
}

// Where a new picture is decoded: straight onto the source surface while no picture is loaded
// (bmpWidth 0), else onto the spare, so that a refused file leaves the loaded one as it was.
// nullptr when there is no memory for the spare. Rows it still marks blank are filled by the
// decoder before anything reads them, and declared written when the picture is taken.
Surface *decode_target(Conversion &c) {
    Surface *target = c.bmpWidth > 0 && c.bmpHeight > 0 ? &source_spare(c) : &c.sourceSurface;
    return target->bits != nullptr ? target : nullptr;
}

// A whole picture of width x height decoded onto target becomes the loaded one: copied to the
// source surface if it went to the spare, white around it, bmpWidth and bmpHeight set.
void picture_take(Conversion &c, Surface &target, int32_t width, int32_t height) {
    Surface &s = c.sourceSurface;
    if (&target != &s)
        for (int32_t y = 0; y < height; ++y)
            std::memcpy(s.bits + static_cast<size_t>(y) * s.stride,
                        target.bits + static_cast<size_t>(y) * target.stride,
                        static_cast<size_t>(width) * 3);
    // Nothing of an earlier, larger picture lingers around the new one.
    surface_whiten_outside(s, width, height);
    ++s.generation;
    c.bmpWidth = width;
    c.bmpHeight = height;
}

// What a decoder will deliver: the picture as stored, how it is turned, the size it is kept at.
struct Shape {
    int64_t width, height;
    int orientation;
    PictureSize shown;
};

// The decoder's rows through the sink onto where the picture is decoded, the reduced copy made
// as upright rows finish, and only when all of that succeeded the picture taken. An upright
// picture too wide for the previews to be drawn from the source surface passes through a small
// ring of rows only long enough to make the reduced copy, which is all the previews and the text
// need; the source surface is then left as it is. decode(sink) is false when the file is broken.
template <class Decode>
LoadResult decode_rows(Conversion &c, const Shape &shape, Decode &&decode) {
    const PictureSize shown = shape.shown;
    const bool upright = shape.orientation < 2 || shape.orientation > 8;
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
    } else if ((target = decode_target(c)) == nullptr) {
        return refused(unsupported());
    }
    ReducedCopyStream reduce;
    reduced_copy_stream_begin(c, reduce, *target, shown.width, shown.height, ring);
    const RowsDone done{reduced_copy_stream_row, &reduce};
    PictureSink sink;
    if (!picture_sink_begin(sink, shape.width, shape.height, shape.orientation, shown, *target))
        return refused(Message{"画像の縦横の比が極端すぎて読み込めません。", MessageIcon::warning});
    sink.ring = ring;
    if (upright)
        sink.done = &done; // turned rows finish only at the end
    if (!decode(sink) || !picture_sink_complete(sink))
        return refused(unsupported());
    if (!upright)
        for (int32_t y = 0; y < shown.height; ++y)
            reduced_copy_stream_row(&reduce, y);
    if (wide) {
        if (!reduced_copy_stream_ready(reduce))
            return refused(unsupported());
        ++c.sourceSurface.generation;
        c.bmpWidth = shown.width;
        c.bmpHeight = shown.height;
    } else {
        picture_take(c, *target, shown.width, shown.height);
    }
    reduced_copy_stream_finish(c, reduce);
    return {LoadOutcome::loaded, {}};
}

// A BMP file that passed the header test, decoded as it is read.
// fit: reduced to fit the source surface, as PNG is, rather than refused for its size. Its rows
// are stored bottom first, and the reduction takes them top first: such a picture is decoded
// whole at its own size (within pictureHeldLimit), then handed on.
LoadResult load_bmp(Conversion &c, FileWindow &in, uint64_t fileSize, const HeaderTest &test,
                    bool fit, int32_t screenWidth, int32_t screenHeight) {
    const bool fits = test.width <= c.sourceSurface.width && test.height <= c.sourceSurface.height;
    if (fits) {
        const Shape shape{test.width, test.height, 1, PictureSize{test.width, test.height}};
        auto decode = [&](PictureSink &sink) { return bmp_decode_window(in, fileSize, &sink).ok; };
        return decode_rows(c, shape, decode);
    }
    if (!fit || c.settings.Mode == 2)
        return refused_by_surface(c, screenWidth, screenHeight);
    Surface whole{test.width, test.height, surface_stride(test.width)};
    if (uint64_t(whole.stride) * uint64_t(test.height) > pictureHeldLimit)
        return refused(limit_message(PictureLimit::held));
    if (c.sourceSurface.bits == nullptr)
        return refused(unsupported());
    std::vector<uint8_t> bits(size_t(whole.stride) * size_t(test.height));
    whole.bits = bits.data();
    PictureSink held;
    picture_sink_begin(held, test.width, test.height, 1, PictureSize{test.width, test.height}, whole);
    if (!bmp_decode_window(in, fileSize, &held).ok || !picture_sink_complete(held))
        return refused(unsupported());
    const Shape shape{
        test.width, test.height, 1,
        picture_fit_size(test.width, test.height, c.sourceSurface.width, c.sourceSurface.height)};
    auto decode = [&](PictureSink &sink) {
        for (int32_t y = 0; y < test.height; ++y)
            picture_sink_row(sink, whole.bits + size_t(y) * whole.stride, PixelOrder::bgr);
        return true;
    };
    return decode_rows(c, shape, decode);
}

// A PNG, JPEG or GIF file held whole: the pixel limit (the claim alone is refused, even when the
// rest is nonsense), the probe's other budgets, each with its own message, the probe
// (unsupported when it fails), in original mode the original-mode rules on the shown size, and
// the platform's decoder, the picture reduced to fit the source surface.
LoadResult load_probed(Conversion &c, const uint8_t *data, size_t size, int32_t screenWidth,
                       int32_t screenHeight) {
    const PictureProbe probe = picture_probe(data, size);
    if (probe.mostPixels > picturePixelLimit || probe.width > pictureSideLimit ||
        probe.height > pictureSideLimit)
        return refused(limit_message(PictureLimit::pixels));
    if (probe.tooLarge)
        return refused(limit_message(probe.limit));
    if (probe.reason != nullptr)
        return refused(unsupported());
    if (pictureCodecFits != nullptr && !pictureCodecFits(data, size, probe))
        return refused(limit_message(PictureLimit::held));
    if (pictureCodecHas != nullptr && !pictureCodecHas(probe.format))
        return refused(codec_missing(probe.format));

    const bool transposed = orientation_transposes(probe.orientation);
    const int64_t shownWidth = transposed ? probe.height : probe.width;
    const int64_t shownHeight = transposed ? probe.width : probe.height;
    if (c.settings.Mode == 2) {
        // One character a pixel: never reduced.
        if (!original_mode_fits(shownWidth, shownHeight, screenWidth, screenHeight))
            return refused(c, HeaderOutcome::originalLimit, screenWidth, screenHeight);
        if (shownWidth > c.sourceSurface.width || shownHeight > c.sourceSurface.height)
            return refused_by_surface(c, screenWidth, screenHeight);
    }
    if (c.sourceSurface.bits == nullptr || pictureCodec == nullptr)
        return refused(unsupported());
    const Shape shape{
        probe.width, probe.height, probe.orientation,
        picture_fit_size(shownWidth, shownHeight, c.sourceSurface.width, c.sourceSurface.height)};
    auto decode = [&](PictureSink &sink) {
        const char *reason = nullptr;
        return pictureCodec(data, size, probe, sink, &reason);
    };
    return decode_rows(c, shape, decode);
}

// From a source (source != nullptr: a file or a stream, read here; else bytes in memory). The
// head first: a BMP refused by its size is not read any further. PNG, JPEG and GIF are told by
// their signatures and judged on the whole file (their sizes lie deeper); anything else goes
// through the BMP header test, whose first rule refuses it as unsupported.
LoadResult load(Conversion &c, FileSource *source, const uint8_t *data, size_t size, bool fitBmp,
                int32_t screenWidth, int32_t screenHeight) {
    uint8_t header[bitmapHeaderBytes];
    const uint8_t *head = data;
    size_t headSize = size;
    if (source != nullptr) {
        if (!file_source_read(*source, header, sizeof header, headSize))
            return open_failed();
        head = header;
    }
    const PictureFormat format = picture_format_of(head, headSize);
    if (format != PictureFormat::bmp && format != PictureFormat::unknown) {
        if (source == nullptr)
            return load_probed(c, data, size, screenWidth, screenHeight);
        FileBlock bytes;
        const FileReadOutcome read =
            file_read_rest(*source, header, headSize, fileReadLimit, bytes);
        if (read == FileReadOutcome::failed)
            return open_failed();
        if (read == FileReadOutcome::tooLarge) // no picture within the pixel limit needs more
            return refused(Message{"ファイルが大きすぎて読み込めません (64 MiB まで)。",
                                   MessageIcon::warning});
        return load_probed(c, bytes.bytes, bytes.size, screenWidth, screenHeight);
    }

    HeaderTest test =
        bitmap_header_test(head, headSize, c.settings.Mode, screenWidth, screenHeight);
    if (fitBmp && test.outcome == HeaderOutcome::stretchLimit) // the rules of PNG instead
        test.outcome = c.settings.Mode == 2
                           ? original_mode_fits(test.width, test.height, screenWidth, screenHeight)
                                 ? HeaderOutcome::accepted
                                 : HeaderOutcome::originalLimit
                       : int64_t{test.width} * test.height <= picturePixelLimit
                           ? HeaderOutcome::accepted
                           : HeaderOutcome::stretchLimit;
    if (fitBmp && test.outcome == HeaderOutcome::stretchLimit)
        return refused(limit_message(PictureLimit::pixels));
    if (test.outcome != HeaderOutcome::accepted)
        return refused(bitmap_header_message(test, c.language));
    // The rest is decoded as it is read, with ordinary reads: a file cut short meanwhile only
    // ends early, and the decoder refuses what is missing.
    FileWindow in;
    uint64_t fileSize = size;
    if (source == nullptr) {
        file_window_memory(in, data, size);
    } else {
        file_window_source(in, *source, header, headSize, fileReadLimit);
        fileSize = source->stream ? UINT64_MAX : std::max<uint64_t>(source->size, headSize);
    }
    const LoadResult result = load_bmp(c, in, fileSize, test, fitBmp, screenWidth, screenHeight);
    if (source != nullptr && source->error != 0)
        return open_failed();
    return result;
}

// A DIB from the clipboard: judged by what its headers claim before anything is copied (a
// bitmap reduced to fit, as a PNG is), and read where it lies when it is what screenshots are;
// any other DIB is made a BMP file and loaded as one.
LoadResult load_dib(Conversion &c, const uint8_t *dib, size_t size, int32_t screenWidth,
                    int32_t screenHeight) {
    const DibPixels pixels = dib_pixels(dib, size);
    if (pixels.width <= 0 || pixels.height <= 0)
        return refused(unsupported());
    if (c.settings.Mode == 2
            ? !original_mode_fits(pixels.width, pixels.height, screenWidth, screenHeight)
            : pixels.width * pixels.height > picturePixelLimit)
        return refused(c.settings.Mode == 2
                           ? bitmap_header_message(HeaderTest{HeaderOutcome::originalLimit, 0, 0,
                                                              screenWidth, screenHeight},
                                                   c.language)
                           : limit_message(PictureLimit::pixels));
    if (pixels.bytesPerPixel == 0) {
        const std::vector<uint8_t> file = dib_to_bmp_file(dib, size);
        if (file.empty())
            return refused(unsupported());
        return load(c, nullptr, file.data(), file.size(), true, screenWidth, screenHeight);
    }
    if (c.settings.Mode == 2 &&
        (pixels.width > c.sourceSurface.width || pixels.height > c.sourceSurface.height))
        return refused_by_surface(c, screenWidth, screenHeight);
    if (c.sourceSurface.bits == nullptr)
        return refused(unsupported());
    const Shape shape{pixels.width, pixels.height, 1,
                      picture_fit_size(pixels.width, pixels.height, c.sourceSurface.width,
                                       c.sourceSurface.height)};
    auto decode = [&](PictureSink &sink) {
        for (int64_t y = 0; y < pixels.height; ++y) {
            dib_row(dib, pixels, y, picture_sink_row_buffer(sink));
            picture_sink_row_written(sink);
        }
        return true;
    };
    return decode_rows(c, shape, decode);
}

// Memory that cannot be had anywhere in loading (a decoder's own, the spare, the reduction's
// rows) refuses the picture as one that cannot be decoded: nothing is taken before the end.
LoadResult load_guarded(Conversion &c, FileSource *source, const uint8_t *data, size_t size,
                        int32_t screenWidth, int32_t screenHeight, bool fitBmp = false) {
    try {
        return load(c, source, data, size, fitBmp, screenWidth, screenHeight);
    } catch (const std::bad_alloc &) {
        return refused(unsupported());
    }
}

} // namespace

Message bitmap_header_message(const HeaderTest &test, Language language) {
    switch (test.outcome) {
    case HeaderOutcome::notBitmap:
        return unsupported();
    case HeaderOutcome::stretchLimit:
        return {std::string("[ストレッチモード]\nロードするビットマップが大きすぎます。\n") +
                    std::to_string(stretchLimitWidth) + "×" + std::to_string(stretchLimitHeight) +
                    "ピクセル以内のビットマップを使ってください。",
                MessageIcon::warning};
    case HeaderOutcome::originalLimit:
        // Put together from pieces the user's language has each of (the screen varies).
        return {std::string(language_text(
                    language, "[オリジナルモード]\nロードするビットマップが大きすぎます。")) +
                    std::to_string(test.screenWidth) + "×" + std::to_string(test.screenHeight) +
                    language_text(language, "サイズ以内のビットマップを使ってください。\n") +
                    language_text(language, "また縦と横をかけて") +
                    std::to_string(originalLimitArea) +
                    language_text(language, "以内でなくてはいけません。"),
                MessageIcon::warning};
    case HeaderOutcome::accepted:
        break;
    }
    return {};
}

LoadResult bitmap_load(Conversion &c, const char *path, int32_t screenWidth, int32_t screenHeight) {
    FileSource source;
    if (!file_source_open(path, source))
        return open_failed();
    return bitmap_load_source(c, source, screenWidth, screenHeight);
}

LoadResult bitmap_load_source(Conversion &c, FileSource &source, int32_t screenWidth,
                              int32_t screenHeight) {
    const LoadResult result = load_guarded(c, &source, nullptr, 0, screenWidth, screenHeight);
    file_source_close(source);
    return result;
}

LoadResult bitmap_load_memory(Conversion &c, const uint8_t *data, size_t size, int32_t screenWidth,
                              int32_t screenHeight) {
    return load_guarded(c, nullptr, data, size, screenWidth, screenHeight);
}

LoadResult bitmap_load_memory_fitted(Conversion &c, const uint8_t *data, size_t size,
                                     int32_t screenWidth, int32_t screenHeight) {
    return load_guarded(c, nullptr, data, size, screenWidth, screenHeight, true);
}

LoadResult bitmap_load_dib(Conversion &c, const uint8_t *dib, size_t size, int32_t screenWidth,
                           int32_t screenHeight) {
    try {
        return load_dib(c, dib, size, screenWidth, screenHeight);
    } catch (const std::bad_alloc &) {
        return refused(unsupported());
    }
}
