// Loading a picture, the one way in: a source (a file by its path, an open file or stream, or
// bytes in memory) is read as far as its format needs; the format is told by its first bytes
// alone; exactly one decoder writes the rows (BMP: core/reading/bitmap.h; PNG, JPEG and GIF: the
// platform's, through pictureCodec) into one sink that turns and reduces them (core/reading/picture.h);
// and only a picture decoded whole becomes the loaded one. Every refusal is worded here.
#pragma once
#include <cstddef>
#include <cstdint>

#include "core/common/document.h"
#include "core/common/language.h"

struct Conversion;

// The size rules of the two modes that limit a picture.
constexpr int32_t stretchLimitWidth = 2048;
constexpr int32_t stretchLimitHeight = 1536;
constexpr int64_t originalLimitArea = 61440;

// Original mode shows one character a pixel: the picture must fit the screen and the area.
inline bool original_mode_fits(int64_t width, int64_t height, int32_t screenWidth,
                               int32_t screenHeight) {
    return width <= screenWidth && height <= screenHeight && width * height <= originalLimitArea;
}

// The message for a file that cannot be opened or read.
constexpr char openFailedText[] = "ファイルのオープンに失敗しました。";

enum class HeaderOutcome { notBitmap, stretchLimit, originalLimit, accepted };

struct HeaderTest {
    HeaderOutcome outcome;
    int32_t width;                     // W as read (offset 18)
    int32_t height;                    // |H| (offset 22; negative means top-down rows)
    int32_t screenWidth, screenHeight; // for the original-mode message
};

// The refusal message for an outcome, exactly as the program words it (empty for accepted);
// the original-mode message is put together in the given language.
Message bitmap_header_message(const HeaderTest &test, Language language);

enum class LoadOutcome { openFailed, refused, loaded };

struct LoadResult {
    LoadOutcome outcome;
    Message message; // what to show the user; empty when loaded
};

// Loads the picture at path into c: reads the file once (sharing reads), header test with
// c.settings.Mode and the screen size, decode, and only then changes c: bmpWidth, bmpHeight, the
// source surface. Refusals are worded in c.language; on a refusal the window names the document
// "無題", on an open failure it changes nothing (this function knows nothing of documents).
// A file that passes the header test but cannot be decoded is refused as unsupported; one too
// large for the source surface gets the stretch-limit message. Around the picture the source
// surface becomes white. PNG, JPEG and GIF files (told by their signatures) are reduced to fit
// the source surface; one refused by a budget (core/reading/picture.h: pixels, what is held whole, the
// number of parts, or a file over 64 MiB) gets that budget's own message. Memory that cannot be
// had refuses the picture as unsupported.
LoadResult bitmap_load(Conversion &c, const char *path, int32_t screenWidth,
                       int32_t screenHeight);

// Same, from a source already open (a file, or a stream such as standard input); closes it.
// A failed read gives openFailed with source.error set.
struct FileSource;
LoadResult bitmap_load_source(Conversion &c, FileSource &source, int32_t screenWidth,
                              int32_t screenHeight);

// Same, from bytes already in memory (tests, fuzzing).
LoadResult bitmap_load_memory(Conversion &c, const uint8_t *data, size_t size,
                              int32_t screenWidth, int32_t screenHeight);

// Same, for a picture from the clipboard: a BMP too large for the source surface is reduced to
// fit it, as PNG is, up to the same pixel limit (original mode keeps its rules; past the limit,
// its message), instead of being refused with the stretch-mode message.
LoadResult bitmap_load_memory_fitted(Conversion &c, const uint8_t *data, size_t size,
                                     int32_t screenWidth, int32_t screenHeight);

// Same, for a DIB from the clipboard (core/reading/clipboard_dib.h) as it lies in memory: judged by its
// headers before anything is copied, a bitmap of 24 or 32 bits a pixel read in place (alpha laid
// over white as dib_to_bmp_file does), any other made a BMP file and loaded fitted as above. A
// size refusal names the limit that refused it, never the bitmap file's.
LoadResult bitmap_load_dib(Conversion &c, const uint8_t *dib, size_t size, int32_t screenWidth,
                           int32_t screenHeight);
