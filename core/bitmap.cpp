// Bitmap files: the header test with its messages, and loading onto the source surface.
#include "core/bitmap.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "core/geometry.h"
#include "core/picture.h"
#include "core/file_read.h"
#include "core/settings.h"

namespace {

constexpr int32_t stretchLimitWidth = 2048;
constexpr int32_t stretchLimitHeight = 1536;
constexpr int64_t originalLimitArea = 61440;

// Enough for any picture the source surface can take, whatever lies before its pixels;
// a longer file is read only this far, and the decoder refuses it if its pixels are beyond.
constexpr size_t fileReadLimit = size_t(64) << 20;

uint32_t get_u16(const uint8_t *p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8; }
uint32_t get_u32(const uint8_t *p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

Message unsupported_message() { return {"この形式は現在サポートされていません。", MessageIcon::warning}; }
Message open_failed_message() { return {"ファイルのオープンに失敗しました。", MessageIcon::error}; }

LoadResult refused(const Message &message) {
    doc_title_reset();
    return {LoadOutcome::refused, message};
}

// A picture that passed the header test but does not fit the source surface: only original
// mode on a screen taller than the surface gets here (other modes test the surface's size).
// Its message names the mode and the size that really limits it.
HeaderTest surface_limit_test(HeaderTest test) {
    if (test.outcome == HeaderOutcome::accepted && settings.Mode == 2) {
        test.outcome = HeaderOutcome::originalLimit;
        test.screenWidth = std::min(test.screenWidth, sourceSurface.width);
        test.screenHeight = std::min(test.screenHeight, sourceSurface.height);
    } else {
        test.outcome = HeaderOutcome::stretchLimit;
    }
    return test;
}

// A picture too wide to be previewed from the source surface: its rows pass through a small
// ring only long enough to make the reduced copy, which is all the previews and the text need.
// The source surface is left as it is.
LoadResult bitmap_accept_wide(FileWindow &in, uint64_t fileSize, const HeaderTest &test) {
    const int64_t ring = reduced_copy_stream_ring(test.height);
    const int32_t stride = surface_stride(test.width);
    std::vector<uint8_t> rows(static_cast<size_t>(stride) * static_cast<size_t>(ring));
    Surface window{test.width, static_cast<int32_t>(ring), stride, rows.data()};
    ReducedCopyStream reduce;
    reduced_copy_stream_begin(reduce, window, test.width, test.height, ring);
    const BmpRowsDone done{reduced_copy_stream_row, &reduce};
    const BmpInfo info = bmp_decode_window(in, fileSize, &window, &done, ring);
    if (!info.ok || info.width != test.width || info.height != test.height ||
        !reduced_copy_stream_ready(reduce))
        return refused(unsupported_message());
    ++sourceSurface.generation;
    bmpWidth = info.width;
    bmpHeight = info.height;
    reduced_copy_stream_finish(reduce);
    return {LoadOutcome::loaded, {}};
}

// Everything after the header test. The picture is decoded where a refusal leaves the loaded
// one alone (see bitmap_decode_target), and the reduced copy made as its rows finish.
LoadResult bitmap_accept(FileWindow &in, uint64_t fileSize, const HeaderTest &test) {
    if (test.outcome != HeaderOutcome::accepted)
        return refused(bitmap_header_message(test));
    if (test.width > sourceSurface.width || test.height > sourceSurface.height)
        return refused(bitmap_header_message(surface_limit_test(test)));
    if (!map_geometry_reads_source(test.width))
        return bitmap_accept_wide(in, fileSize, test);
    Surface *target = bitmap_decode_target();
    if (target == nullptr)
        return refused(unsupported_message());
    ReducedCopyStream reduce;
    reduced_copy_stream_begin(reduce, *target, test.width, test.height);
    const BmpRowsDone done{reduced_copy_stream_row, &reduce};
    const BmpInfo info = bmp_decode_window(in, fileSize, target, &done);
    if (!info.ok || info.width != test.width || info.height != test.height)
        return refused(unsupported_message());
    bitmap_picture_take(*target, info.width, info.height);
    reduced_copy_stream_finish(reduce);
    return {LoadOutcome::loaded, {}};
}

LoadResult bitmap_accept_memory(const uint8_t *data, size_t size, const HeaderTest &test) {
    FileWindow in;
    file_window_memory(in, data, size);
    return bitmap_accept(in, size, test);
}

} // namespace

Surface *bitmap_decode_target() {
    Surface *target = bmpWidth > 0 && bmpHeight > 0 ? &source_spare() : &sourceSurface;
    // Rows it still marks blank are filled by the decoder before anything reads them, and
    // declared written when the picture is taken.
    return target->bits != nullptr ? target : nullptr;
}

void bitmap_picture_take(Surface &target, int32_t width, int32_t height) {
    Surface &s = sourceSurface;
    if (&target != &s)
        for (int32_t y = 0; y < height; ++y)
            std::memcpy(s.bits + static_cast<size_t>(y) * s.stride,
                        target.bits + static_cast<size_t>(y) * target.stride,
                        static_cast<size_t>(width) * 3);
    // Nothing of an earlier, larger picture lingers around the new one.
    surface_whiten_outside(s, width, height);
    ++s.generation;
    bmpWidth = width;
    bmpHeight = height;
}

HeaderTest bitmap_header_test(const uint8_t *bytes, size_t size, int32_t mode,
                              int32_t screenWidth, int32_t screenHeight) {
    HeaderTest test{HeaderOutcome::notBitmap, 0, 0, screenWidth, screenHeight};
    if (bytes == nullptr || size < bitmapHeaderBytes || bytes[0] != 'B' || bytes[1] != 'M')
        return test;
    int64_t width, height;
    if (get_u32(bytes + 14) == 12) {
        // The oldest header keeps 16-bit sizes at 18 and 20; read as 32 bits they would be
        // nonsense and refuse a small picture as too large.
        width = get_u16(bytes + 18);
        height = get_u16(bytes + 20);
    } else {
        width = int32_t(get_u32(bytes + 18));
        height = int32_t(get_u32(bytes + 22));
    }
    if (height < 0)
        height = -height; // top-down rows; 64-bit, so INT32_MIN is safe
    if (width <= 0 || height == 0)
        return test;
    test.width = int32_t(width);
    test.height = height > INT32_MAX ? INT32_MAX : int32_t(height);

    if (width > stretchLimitWidth || (mode == 1 && height > stretchLimitHeight))
        test.outcome = HeaderOutcome::stretchLimit;
    else if (mode == 2 &&
             (width > screenWidth || height > screenHeight || width * height > originalLimitArea))
        test.outcome = HeaderOutcome::originalLimit;
    else
        test.outcome = HeaderOutcome::accepted;
    return test;
}

Message bitmap_header_message(const HeaderTest &test) {
    switch (test.outcome) {
    case HeaderOutcome::notBitmap:
        return unsupported_message();
    case HeaderOutcome::stretchLimit:
        return {std::string("[ストレッチモード]\nロードするビットマップが大きすぎます。\n") +
                    std::to_string(stretchLimitWidth) + "×" + std::to_string(stretchLimitHeight) +
                    "ピクセル以内のビットマップを使ってください。",
                MessageIcon::warning};
    case HeaderOutcome::originalLimit:
        return {std::string("[オリジナルモード]\nロードするビットマップが大きすぎます。") +
                    std::to_string(test.screenWidth) + "×" + std::to_string(test.screenHeight) +
                    "サイズ以内のビットマップを使ってください。\n" + "また縦と横をかけて" +
                    std::to_string(originalLimitArea) + "以内でなくてはいけません。",
                MessageIcon::warning};
    case HeaderOutcome::accepted:
        break;
    }
    return {};
}

LoadResult bitmap_load(int32_t screenWidth, int32_t screenHeight) {
    FileSource source;
    if (!file_source_open(bitmapPath, source))
        return {LoadOutcome::openFailed, open_failed_message()};
    return bitmap_load_source(source, screenWidth, screenHeight);
}

LoadResult bitmap_load_source(FileSource &source, int32_t screenWidth, int32_t screenHeight) {
    const LoadResult openFailed{LoadOutcome::openFailed, open_failed_message()};
    // The header first: a picture refused by its size is not read any further.
    uint8_t header[bitmapHeaderBytes];
    size_t headerSize = 0;
    if (!file_source_read(source, header, sizeof header, headerSize)) {
        file_source_close(source);
        return openFailed;
    }
    // PNG, JPEG and GIF are judged on the whole file (their sizes lie deeper than 54 bytes).
    const PictureFormat format = picture_format_of(header, headerSize);
    if (format != PictureFormat::bmp && format != PictureFormat::unknown) {
        FileBlock bytes;
        const FileReadOutcome read = file_read_rest(source, header, headerSize, fileReadLimit, bytes);
        file_source_close(source);
        if (read == FileReadOutcome::failed)
            return openFailed;
        if (read == FileReadOutcome::tooLarge) // no picture within the pixel limit needs more
            return refused(bitmap_header_message(
                HeaderTest{HeaderOutcome::stretchLimit, 0, 0, screenWidth, screenHeight}));
        return picture_load_memory(bytes.bytes, bytes.size, screenWidth, screenHeight);
    }
    const HeaderTest test =
        bitmap_header_test(header, headerSize, settings.Mode, screenWidth, screenHeight);
    if (test.outcome != HeaderOutcome::accepted) {
        file_source_close(source);
        return bitmap_accept_memory(header, headerSize, test);
    }
    // The rest is decoded as it is read, with ordinary reads: a file cut short meanwhile only
    // ends early, and the decoder refuses what is missing.
    FileWindow in;
    file_window_source(in, source, header, headerSize, fileReadLimit);
    const LoadResult result =
        bitmap_accept(in, source.stream ? UINT64_MAX : std::max<uint64_t>(source.size, headerSize), test);
    file_source_close(source);
    if (source.error != 0)
        return openFailed;
    return result;
}

LoadResult bitmap_load_memory(const uint8_t *data, size_t size, int32_t screenWidth,
                              int32_t screenHeight) {
    // Recognised by signature; anything that is neither goes through the BMP tests, whose
    // first refuses it as unsupported.
    const PictureFormat format = picture_format_of(data, size);
    if (format != PictureFormat::bmp && format != PictureFormat::unknown)
        return picture_load_memory(data, size, screenWidth, screenHeight);
    return bitmap_accept_memory(
        data, size, bitmap_header_test(data, size, settings.Mode, screenWidth, screenHeight));
}
