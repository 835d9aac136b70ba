// Bitmap files: the header test with its messages, and loading onto the source surface.
#include "core/bitmap.h"

#include <cstdio>
#include <cstring>
#include <string>

#include "core/geometry.h"
#include "core/large_block.h"
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

LoadResult refused(const Message &message) {
    doc_title_reset();
    return {LoadOutcome::refused, message};
}

// The picture's pixels become the top-left of the source surface; the rest turns white so
// nothing of an earlier, larger picture lingers.
void source_clear_outside(int32_t width, int32_t height) {
    Surface &s = sourceSurface;
    for (int32_t y = 0; y < s.height; ++y) {
        uint8_t *row = s.bits + int64_t(y) * s.stride;
        size_t from = y < height ? size_t(width) * 3 : 0;
        std::memset(row + from, 0xFF, size_t(s.width) * 3 - from);
    }
}

// Everything after the header test; state changes only once the whole file proved decodable.
LoadResult bitmap_accept(const uint8_t *data, size_t size, const HeaderTest &test) {
    if (test.outcome != HeaderOutcome::accepted)
        return refused(bitmap_header_message(test));
    if (test.width > sourceSurface.width || test.height > sourceSurface.height) {
        HeaderTest tooLarge = test;
        tooLarge.outcome = HeaderOutcome::stretchLimit;
        return refused(bitmap_header_message(tooLarge));
    }
    BmpInfo info = bmp_decode(data, size, nullptr);
    if (!info.ok || info.width != test.width || info.height != test.height)
        return refused(unsupported_message());
    if (!bmp_decode(data, size, &sourceSurface).ok)
        return refused(unsupported_message());
    source_clear_outside(info.width, info.height);
    surface_rows_written(sourceSurface); // the picture and the white around it cover every row
    ++sourceSurface.generation;
    bmpWidth = info.width;
    bmpHeight = info.height;
    return {LoadOutcome::loaded, {}};
}

} // namespace

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
    const LoadResult openFailed{LoadOutcome::openFailed,
                                {"ファイルのオープンに失敗しました。", MessageIcon::error}};
    std::FILE *file = std::fopen(bitmapPath, "rb");
    if (file == nullptr)
        return openFailed;
    // The header first: a picture refused by its size is not read any further.
    uint8_t header[bitmapHeaderBytes];
    const size_t headerSize = std::fread(header, 1, sizeof header, file);
    const HeaderTest test =
        bitmap_header_test(header, headerSize, settings.Mode, screenWidth, screenHeight);
    if (test.outcome != HeaderOutcome::accepted) {
        const bool failed = std::ferror(file) != 0;
        std::fclose(file);
        return failed ? openFailed : bitmap_accept(header, headerSize, test);
    }
    // The rest in one piece: the decoder reads the whole file from memory.
    FileBytes bytes;
    const bool failed = !bytes.read(file, fileReadLimit);
    std::fclose(file);
    if (failed)
        return openFailed;
    return bitmap_accept(bytes.data(), bytes.size(), test);
}

LoadResult bitmap_load_memory(const uint8_t *data, size_t size, int32_t screenWidth,
                              int32_t screenHeight) {
    return bitmap_accept(data, size,
                         bitmap_header_test(data, size, settings.Mode, screenWidth, screenHeight));
}
