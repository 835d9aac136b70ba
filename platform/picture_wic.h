// PNG, JPEG and GIF through the Windows Imaging Component: the platform's decoders behind the
// portable loader (core/reading/picture.h). Until picture_wic_install runs, only BMP files open.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/reading/picture.h"

// What the component is given of a file (portable, so it is tested everywhere): only the parts a
// decode needs, so it never reads text, profiles or EXIF data, nor any GIF frame but the first.
// Colour tables are completed to 2^depth entries with black, so an index past the stored ones
// is black, as in BMP files and the libraries' decode.
struct WicView {
    // Bytes [at, at + size) of the file (file != nullptr), or of own: an offset, never a pointer,
    // since own grows while the view is made.
    struct Span {
        const uint8_t *file;
        size_t at, size;
    };
    std::vector<Span> spans;  // in order
    std::vector<uint8_t> own; // completed colour tables with what encloses them
    // Why the component must not be given the file at all: it fails on a GIF frame without a
    // colour table (and a GIF's first frame is looked for to know that). nullptr: it may be.
    const char *refusal = nullptr;
    uint64_t heldBytes = 0;  // what the component holds while it decodes (see wicHeldLimit)
    uint64_t size() const;
    const uint8_t *bytes(const Span &s) const { return s.file != nullptr ? s.file + s.at : own.data() + s.at; }

    // Spans of own belong to this view alone: moved, never copied.
    WicView() = default;
    WicView(WicView &&) = default;
    WicView &operator=(WicView &&) = default;
    WicView(const WicView &) = delete;
    WicView &operator=(const WicView &) = delete;
};

// PNG: the signature, every critical chunk, tRNS and nothing else. JPEG: every segment but
// APP1 to APP13, APP15 and comments before the first scan, then the rest as it is. GIF: the
// screen and its colour table, the first frame with the graphic control extension before it,
// and a trailer. A PNG or JPEG whose structure ends early is given whole as it is (the decoder
// judges it). probe is the file's picture_probe, which accepted it.
WicView wic_view(const uint8_t *data, size_t size, const PictureProbe &probe);

// The component decodes the whole picture before it hands out a row (and a JPEG in several
// scans, every coefficient too), so heldBytes is the picture in the format it keeps: PNG rows as
// stored, widened to 4 or 8 bytes a pixel where there is alpha or tRNS, with a pointer each;
// JPEG 1 or 3 bytes a pixel plus the probe's coefficients; a GIF's first frame a byte a pixel
// (twice when interlaced). That and the file together may take at most this much, so with the
// reduction's window (pictureWindowLimit) and the surfaces a load stays within 256 MiB; a
// larger picture is refused as too large: beyond about 55 million pixels of an RGB picture, 40
// million with alpha, 20 million of a 16-bit RGBA PNG (a grey one stops at picturePixelLimit).
constexpr uint64_t wicHeldLimit = uint64_t(160) << 20;

// A PictureCodec: decodes the picture the probe describes (a GIF's first frame), converted to
// 8-bit BGR or BGRA with no colour management, and hands its rows top to bottom to the sink.
// Refuses what the component would hold beyond wicHeldLimit, a GIF frame without a colour table
// (the component fails on it), a decoder of another kind than the probe found, and a frame of
// another size than it claimed. Starts COM on the calling thread for the call and leaves it as
// it found it.
bool picture_wic_decode(const uint8_t *data, size_t size, const PictureProbe &probe,
                        PictureSink &sink, const char **reason);

// A PictureCodecFits: whether the component's hold and the file together stay within
// wicHeldLimit.
bool picture_wic_fits(const uint8_t *data, size_t size, const PictureProbe &probe);

// A PictureCodecHas: WebP needs its image extension, HEIC the HEIF image extension and the HEVC
// video extension, AVIF the HEIF reader and the AV1 video extension; the rest always decode.
bool picture_wic_has(PictureFormat format);

// Makes picture_wic_decode the loader's decoder (pictureCodec), picture_wic_fits its limit,
// picture_wic_has its test for installed codecs.
void picture_wic_install();
