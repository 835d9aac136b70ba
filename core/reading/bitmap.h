// Bitmap files: the header test and the decoder. Loading them is core/reading/load.h's (included here:
// bitmap_load, the window's Open, is where its callers have always found it).
#pragma once
#include <cstddef>
#include <cstdint>
#include "core/files/file_read.h"
#include "core/reading/load.h"
#include "core/reading/picture.h"

constexpr size_t bitmapHeaderBytes = 54; // file header 14 + information header 40

// The four outcomes in their fixed order: magic, stretch limit, original-mode limit, accepted.
// Fewer than 54 bytes, width <= 0 or height 0 count as notBitmap (never divided by later).
// A 12-byte information header keeps 16-bit sizes at 18 and 20: those are read instead.
HeaderTest bitmap_header_test(const uint8_t *bytes, size_t size, int32_t mode,
                              int32_t screenWidth, int32_t screenHeight);

struct BmpInfo {
    bool ok = false;
    int32_t width = 0, height = 0;
    const char *reason = ""; // why it was refused, for tests and the fuzz log (English)
};

// Decodes a BMP file read from in (fileSize: its length where known, else UINT64_MAX) into
// sink, row by row as it is read, in the order the file holds them: from the bottom up for most
// files, from the top down for the rest. The sink must have been begun for the picture's own
// size, upright (the header test tells it); sink == nullptr only checks. Never reads outside the
// file, nor an RLE stream past what the window reads (a file alike a stream). A refusal may leave
// the sink's destination half written. Alpha is ignored; pixels an RLE stream passes over get
// palette colour 0; a colour profile, embedded or linked, is ignored: colours as stored.
BmpInfo bmp_decode_window(FileWindow &in, uint64_t fileSize, PictureSink *sink);

// A whole file held in memory, onto dst with its top-left pixel at (0, 0); refuses a picture
// larger than dst. dst == nullptr only checks.
BmpInfo bmp_decode(const uint8_t *data, size_t size, Surface *dst);
