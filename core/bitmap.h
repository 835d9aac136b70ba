// Bitmap files: the header test, the decoder and loading onto the source surface.
#pragma once
#include <cstddef>
#include <cstdint>
#include "core/document.h"
#include "core/surface.h"

constexpr size_t bitmapHeaderBytes = 54; // file header 14 + information header 40

enum class HeaderOutcome { notBitmap, stretchLimit, originalLimit, accepted };

struct HeaderTest {
    HeaderOutcome outcome;
    int32_t width;  // W as read (offset 18)
    int32_t height; // |H| (offset 22; negative means top-down rows)
    int32_t screenWidth, screenHeight; // for the original-mode message
};

// The four outcomes in their fixed order: magic, stretch limit, original-mode limit, accepted.
// Fewer than 54 bytes, width <= 0 or height 0 count as notBitmap (never divided by later).
// A 12-byte information header keeps 16-bit sizes at 18 and 20: those are read instead.
HeaderTest bitmap_header_test(const uint8_t *bytes, size_t size, int32_t mode,
                              int32_t screenWidth, int32_t screenHeight);

// The refusal message for an outcome, exactly as the program words it (empty for accepted).
Message bitmap_header_message(const HeaderTest &test);

struct BmpInfo {
    bool ok = false;
    int32_t width = 0, height = 0;
    const char *reason = ""; // why it was refused, for tests and the fuzz log (English)
};

// Decodes a whole BMP file held in memory into dst with its top-left pixel at (0, 0).
// dst == nullptr only validates. Never reads outside [data, data + size); refuses pictures
// larger than dst. On refusal dst is untouched. Alpha is ignored; pixels an RLE stream skips
// get palette colour 0; files with an embedded colour profile are refused (colours as stored
// would be wrong for them).
BmpInfo bmp_decode(const uint8_t *data, size_t size, Surface *dst);

enum class LoadOutcome { openFailed, refused, loaded };

struct LoadResult {
    LoadOutcome outcome;
    Message message; // what to show the user; empty when loaded
};

// Loads bitmapPath: reads the file once (sharing reads), header test with settings.Mode and the
// screen size, decode, and only then changes state: bmpWidth, bmpHeight, the source surface.
// Refused: docTitle becomes "無題". Open failure: nothing changes. The caller sets the caption.
// A file that passes the header test but cannot be decoded is refused as unsupported; one too
// large for the source surface gets the stretch-limit message. Around the picture the source
// surface becomes white.
LoadResult bitmap_load(int32_t screenWidth, int32_t screenHeight);

// Same, from bytes already in memory (standard input of the converter, tests).
LoadResult bitmap_load_memory(const uint8_t *data, size_t size, int32_t screenWidth,
                              int32_t screenHeight);
