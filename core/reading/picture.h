// Pictures beside BMP: PNG, JPEG and GIF, recognised by their signatures and decoded by
// libraries made for them (libpng, libjpeg-turbo and giflib here; the Windows Imaging Component
// on Windows). This module holds what every platform shares, so all of them give the same
// pixels: the header probe and the pixel rules (transparency over white, the EXIF orientation,
// the reduction to the source surface) in the sink every decoder, BMP's too, writes its rows to.
// Loading itself is core/reading/load.h's.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/conversion/scale.h"
#include "core/conversion/surface.h"

// heic: HEIF with HEVC pictures; avif: HEIF with AV1 pictures (both read by libheif natively).
enum class PictureFormat { unknown, bmp, png, jpeg, gif, webp, heic, avif };

// By the first bytes alone, never by a file name.
PictureFormat picture_format_of(const uint8_t *data, size_t size);

// Which budget below refused a picture, so that each is worded as what it is.
enum class PictureLimit {
    none,
    pixels, // picturePixelLimit or pictureSideLimit, or a shape's own pixel budget
    held,   // what a decoder would hold at once for the shape (pictureHeldLimit)
    parts,  // chunks, scans or extensions: the work of reading them, not their pixels
};

// What a picture's headers claim, read without decoding a pixel.
struct PictureProbe {
    PictureFormat format = PictureFormat::unknown;
    const char *reason = nullptr;  // why it cannot be decoded; nullptr when it can be tried
    bool tooLarge = false;         // reason is a budget below, not damage or a format
    PictureLimit limit = PictureLimit::none; // which one, when tooLarge
    int64_t width = 0, height = 0; // as stored: the image, or a GIF's first frame
    int orientation = 1;           // EXIF orientation 1 to 8 (JPEG, WebP; HEIF: irot/imir)
    int64_t mostPixels = 0;        // the largest image or frame the file claims (bomb check)
    // How the picture is stored, for a decoder choosing how to read it within the budgets:
    int bitsPerPixel = 0;     // stored: PNG channels x depth, JPEG 8 x components, GIF 8
    bool interlaced = false;  // PNG Adam7, or a GIF whose first frame is interlaced
    bool multiScan = false;   // JPEG progressive or in several scans: coefficients held whole
    int64_t scans = 0;        // JPEG scans
    int64_t frames = 0;       // GIF or WebP frames, HEIF coded pictures
    int64_t allPixels = 0;    // GIF: the pixels of every frame together
    uint64_t heldBytes = 0;   // what a decoder holds at once for the picture's shape (below)
};

// What the whole file is checked for, so that every platform's decoder gets the same files:
// PNG: IHDR, then every chunk up to IEND (at most pngChunkLimit), each within the file and with
// its CRC right, one PLTE (a palette picture needs it) and at most one tRNS as libpng reads them.
// JPEG: every marker to EOI (baseline, extended sequential or progressive; 1 or 3 components,
// so CMYK is refused), the EXIF orientation, each scan's components and its restart markers
// (in sequence, as many as its MCUs need). GIF: the screen and every frame and extension, each
// frame with a colour table. Never reads outside [data, data+size).
PictureProbe picture_probe(const uint8_t *data, size_t size);

// Orientations 5 to 8 turn the picture a quarter: shown width and height are swapped.
bool orientation_transposes(int orientation);

// Any picture claiming more pixels than this is refused before it is decoded; a side longer
// than pictureSideLimit too (it keeps every row sum of the reduction within 32 bits).
constexpr int64_t picturePixelLimit = 100000000;
constexpr int64_t pictureSideLimit = int64_t{1} << 24;
// Most bytes of incoming rows held at once while a picture is reduced.
constexpr uint64_t pictureWindowLimit = uint64_t(64) << 20;

// Most bytes a decoder holds for a shape that cannot be read row by row (heldBytes):
//  - interlaced PNG: rows take their last values in the last pass, so the picture is held
//    whole at 4 bytes a pixel: about 25 million pixels;
//  - JPEG in several scans: every component's 8 x 8 blocks of coefficients, 128 bytes each
//    (padded to whole MCUs): about 50 million grey pixels, 33 million at 4:2:0, 16 at 4:4:4;
//  - GIF: every frame's pixels together at a byte each (some decoders read every frame), and an
//    interlaced first frame once more (some decoders hold its indices twice).
// Row by row (other PNG, single-scan JPEG, a plain GIF's first frame) heldBytes is 0: a row or
// an MCU row. The native converter's peak is the file (at most 64 MiB), heldBytes, the
// reduction's window and the surfaces. Measured: 100 Mpx row by row 6 MiB; at this budget an
// interlaced PNG 101 MiB, a progressive JPEG 97 MiB, an interlaced GIF frame 101 MiB; the worst
// together (a 60 MB file, an interlaced PNG 100000 x 251 whose window is full) 228 MiB.
constexpr uint64_t pictureHeldLimit = uint64_t(96) << 20;
// The work of decoding a JPEG grows with its scans times the blocks each one covers: both
// bounded (real progressive files have about 10 scans).
constexpr int64_t jpegScanLimit = 500;
constexpr uint64_t jpegScanBlockLimit = uint64_t(1) << 25;
// An animated WebP shows its first frame; its frames are counted, and so are a HEIF file's
// pictures (tiles, thumbnails, a burst), against these.
constexpr int64_t webpFrameLimit = 4096;
constexpr size_t heifItemLimit = 4096;
// GIF extensions (comments, application data) are never used: their bytes together are bounded.
constexpr uint64_t gifExtensionLimit = uint64_t(1) << 20;
// The longest side of a PNG: libpng's own default limit, which some decoders keep.
constexpr int64_t pngSideLimit = 1000000;
// PNG chunks, counted up to IEND: a real file of 64 MiB has a few thousand. Five million empty
// ones took a decoder seconds.
constexpr int64_t pngChunkLimit = 100000;
// A 16-bit RGBA PNG takes the longest to decode a pixel (10000 x 10000 took 2.2 s), and the
// Windows decoder holds it whole at 8 bytes a pixel: its own pixel budget keeps it within 2 s,
// and within that decoder's budget (wicHeldLimit) with a file of 64 MiB, so both builds take
// the same ones.
constexpr int64_t png64PixelLimit = 12000000;

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

// The CRC of a PNG chunk's type and data (ISO 3309).
uint32_t png_crc32(const uint8_t *p, size_t n);

// Skips GIF data sub-blocks from at (a length byte, that many bytes, until a length of 0) past
// their terminator, adding their data bytes to bytes; false when the data ends first.
bool gif_skip_blocks(const uint8_t *data, size_t size, size_t &at, uint64_t &bytes);

// The orientation tag (0x0112) of IFD0 in the TIFF data of an APP1 segment (what follows
// "Exif\0\0"); 1 when it is missing, malformed or outside 1 to 8.
int exif_orientation(const uint8_t *tiff, size_t size);

enum class PixelOrder { rgb, bgr, rgba, bgra };

// Told each time a row of the destination is finished (y counted from the top).
struct RowsDone {
    void (*row)(void *context, int32_t y);
    void *context;
};

// Takes a decoded picture's rows from top to bottom as stored, lays transparency over white,
// reduces the picture to its stored size with the scaler of the previews (core/conversion/scale.h: each
// output channel rounded once from the exact integer sum), turns it by the orientation and puts
// it at (0, 0) of dst. The sink holds a few spans of the rows one output row reads (within
// pictureWindowLimit bytes), never the whole picture; a decoder holds a whole picture only for
// the shapes pictureHeldLimit bounds.
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
    const RowsDone *done = nullptr; // told of each finished output row when not turned
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

// Rows in any order, for a decoder that places them itself (BMP files hold them bottom first):
// where row y goes, and that it is finished. Only for a sink that neither reduces nor turns.
uint8_t *picture_sink_row_at(PictureSink &sink, int64_t y);
void picture_sink_row_finished(PictureSink &sink, int64_t y);

// The platform's decoder: decodes the picture the probe describes and hands all its rows, in
// order, to picture_sink_row. False when the data cannot be decoded; *reason then says why
// (English, for tests and the fuzz log). Set per platform; nullptr: only BMP can be opened.
using PictureCodec = bool (*)(const uint8_t *data, size_t size, const PictureProbe &probe,
                              PictureSink &sink, const char **reason);
extern PictureCodec pictureCodec;

// Whether the platform's decoder may take a picture the probe accepted, by what it would hold
// beyond the probe's budgets; the load refuses one it may not as too large. nullptr: it may.
// Whether the platform can decode a format at all (Windows: whether the system's codec for it is
// installed); the load refuses a picture it cannot with a message naming what to install, after
// the probe's limits. nullptr: it can.
using PictureCodecHas = bool (*)(PictureFormat format);
extern PictureCodecHas pictureCodecHas;

using PictureCodecFits = bool (*)(const uint8_t *data, size_t size, const PictureProbe &probe);
extern PictureCodecFits pictureCodecFits;
