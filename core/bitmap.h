// Bitmap files: the header test, the decoder and loading onto the source surface.
#pragma once
#include <cstddef>
#include <cstdint>
#include "core/document.h"
#include "core/file_read.h"
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

// Told each time a row of the picture is finished (y counted from the top), in the order the
// file holds them: from the bottom up for most files, from the top down for the rest.
struct BmpRowsDone {
    void (*row)(void *context, int32_t y);
    void *context;
};

// Decodes a BMP file into dst with its top-left pixel at (0, 0), row by row as it is read from
// in (fileSize: its length where known, else UINT64_MAX). dst == nullptr only checks. With
// ring > 0, dst holds only a ring of that many rows (row y in row y % ring), enough for whoever
// is told of the finished rows. Never reads outside the file; refuses pictures larger than
// dst. A refusal may leave dst half written. Alpha is ignored; pixels an RLE stream passes over
// get palette colour 0; a colour profile, embedded or linked, is ignored: colours as stored.
BmpInfo bmp_decode_window(FileWindow &in, uint64_t fileSize, Surface *dst, const BmpRowsDone *done,
                          int64_t ring = 0);

// The same for a whole file held in memory.
BmpInfo bmp_decode(const uint8_t *data, size_t size, Surface *dst);

// Where a new picture is decoded: straight onto the source surface while no picture is loaded
// (bmpWidth 0), else onto the spare, so that a refused file leaves the loaded one as it was.
// nullptr when there is no memory for the spare.
Surface *bitmap_decode_target();

// A whole picture of width x height decoded onto target becomes the loaded one: copied to the
// source surface if it went to the spare, white around it, bmpWidth and bmpHeight set.
void bitmap_picture_take(Surface &target, int32_t width, int32_t height);

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

// Same, from a source already open (a file, or a stream such as standard input); closes it.
// A failed read gives openFailed with source.error set.
struct FileSource;
LoadResult bitmap_load_source(FileSource &source, int32_t screenWidth, int32_t screenHeight);

// Same, from bytes already in memory (standard input of the converter, tests). PNG, JPEG and
// GIF files are recognised by their signatures and loaded by picture_load_memory.
LoadResult bitmap_load_memory(const uint8_t *data, size_t size, int32_t screenWidth,
                              int32_t screenHeight);
