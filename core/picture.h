// Pictures beside BMP: PNG, JPEG and GIF, recognised by their signatures and decoded by
// libraries made for them (libpng, libjpeg-turbo and giflib here; the Windows Imaging Component
// on Windows). This module holds what every platform shares, so all of them give the same
// pixels: the header probe, the pixel rules (transparency over white, the EXIF orientation,
// the reduction to the source surface) and the load itself.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/bitmap.h"
#include "core/scale.h"
#include "core/surface.h"

enum class PictureFormat { unknown, bmp, png, jpeg, gif };

// By the first bytes alone, never by a file name.
PictureFormat picture_format_of(const uint8_t *data, size_t size);

// What a picture's headers claim, read without decoding a pixel.
struct PictureProbe {
    PictureFormat format = PictureFormat::unknown;
    const char *reason = nullptr;  // why it cannot be decoded; nullptr when it can be tried
    int64_t width = 0, height = 0; // as stored: the image, or a GIF's first frame
    int orientation = 1;           // EXIF orientation 1 to 8 (JPEG), 1 elsewhere
    int64_t mostPixels = 0;        // the largest image or frame the file claims (bomb check)
};

// PNG: the IHDR chunk. JPEG: the markers up to the frame header (baseline, extended sequential
// or progressive; 1 or 3 components, so CMYK is refused) and an EXIF orientation before it.
// GIF: the screen and image descriptors of every frame. Never reads outside [data, data+size).
PictureProbe picture_probe(const uint8_t *data, size_t size);

// Orientations 5 to 8 turn the picture a quarter: shown width and height are swapped.
bool orientation_transposes(int orientation);

// Any picture claiming more pixels than this is refused before it is decoded; a side longer
// than pictureSideLimit too (it keeps every row sum of the reduction within 32 bits).
constexpr int64_t picturePixelLimit = 100000000;
constexpr int64_t pictureSideLimit = int64_t{1} << 24;
// Most bytes of incoming rows held at once while a picture is reduced.
constexpr uint64_t pictureWindowLimit = uint64_t(64) << 20;

struct PictureSize {
    int32_t width, height;
};

// The size a shown picture of width x height is stored at on a surface of maxWidth x maxHeight:
// unchanged when it fits; otherwise if width * maxHeight >= height * maxWidth then maxWidth x
// max(1, height * maxWidth / width), else max(1, width * maxHeight / height) x maxHeight
// (integer division). Sides of at least 1 and at most pictureSideLimit.
PictureSize picture_fit_size(int64_t width, int64_t height, int32_t maxWidth, int32_t maxHeight);

// One channel c of a pixel with 8-bit alpha a laid over white: (c*a + 255*(255-a) + 127) / 255.
inline uint8_t alpha_over_white(uint8_t c, uint8_t a) {
    return static_cast<uint8_t>((c * a + 255 * (255 - a) + 127) / 255);
}

// The orientation tag (0x0112) of IFD0 in the TIFF data of an APP1 segment (what follows
// "Exif\0\0"); 1 when it is missing, malformed or outside 1 to 8.
int exif_orientation(const uint8_t *tiff, size_t size);

enum class PixelOrder { rgb, bgr, rgba, bgra };

// Takes a decoded picture's rows from top to bottom as stored, lays transparency over white,
// reduces the picture to its stored size with the scaler of the previews (core/scale.h: each
// output channel rounded once from the exact integer sum), turns it by the orientation and puts
// it at (0, 0) of dst. Holds only the few rows one output row reads, never the whole picture.
struct PictureSink {
    int64_t width = 0, height = 0;       // incoming, as stored
    int32_t outWidth = 0, outHeight = 0; // after reduction, still as stored
    int orientation = 1;
    Surface *dst = nullptr;
    int64_t rowsTaken = 0;
    bool reduce = false;
    ScalePlan plan;
    std::vector<uint8_t> window; // incoming rows [windowFirst, rowsTaken), B, G, R
    int64_t windowFirst = 0;
    int64_t nextOut = 0; // next output row
    std::vector<uint32_t> sums;
    std::vector<uint8_t> line; // an output row, or an incoming one when nothing is reduced
    const BmpRowsDone *done = nullptr; // told of each finished output row when not turned
    int64_t ring = 0; // dst holds a ring of this many rows (upright pictures only), 0: all rows
};

// Prepares a sink for a picture of width x height as stored with the given orientation, to be
// shown at shown (see picture_fit_size) on dst, which must be at least that large. False when
// the rows one output row reads would take more than pictureWindowLimit bytes.
bool picture_sink_begin(PictureSink &sink, int64_t width, int64_t height, int orientation,
                        PictureSize shown, Surface &dst);

// The next row: width pixels in the given order. Rows beyond height are ignored.
void picture_sink_row(PictureSink &sink, const uint8_t *pixels, PixelOrder order);

// Where a decoder may put the next row itself (width pixels, B, G, R), to be handed on with
// picture_sink_row_written: no copy in between. nullptr once every row has been taken.
uint8_t *picture_sink_row_buffer(PictureSink &sink);
void picture_sink_row_written(PictureSink &sink);

// Every row has been taken.
bool picture_sink_complete(const PictureSink &sink);

// The platform's decoder: decodes the picture the probe describes and hands all its rows, in
// order, to picture_sink_row. False when the data cannot be decoded; *reason then says why
// (English, for tests and the fuzz log). Set per platform; nullptr: only BMP can be opened.
using PictureCodec = bool (*)(const uint8_t *data, size_t size, const PictureProbe &probe,
                              PictureSink &sink, const char **reason);
extern PictureCodec pictureCodec;

// Loads a PNG, JPEG or GIF file held in memory, as bitmap_load_memory loads a BMP file: the probe
// (unsupported when it fails), the pixel limit (the stretch-mode message), in original mode the
// original-mode tests on the shown size (its message), decoding into a scratch picture, and only
// when all of that succeeded the source surface, bmpWidth and bmpHeight: the picture reduced to
// fit the source surface. A refusal changes nothing but docTitle.
LoadResult picture_load_memory(const uint8_t *data, size_t size, int32_t screenWidth,
                               int32_t screenHeight);
