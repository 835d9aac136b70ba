// Reading what a PNG, JPEG or GIF file claims before any pixel is decoded: the format, the size,
// the orientation and the largest frame. Every read is proven inside the buffer first.
#include <algorithm>
#include <cstring>

#include "core/reading/picture.h"
#include "core/reading/picture_probe_formats.h"

namespace {

const uint8_t pngSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

uint32_t be16(const uint8_t *p) { return uint32_t(p[0]) << 8 | p[1]; }
uint32_t be32(const uint8_t *p) { return be16(p) << 16 | be16(p + 2); }
uint32_t le16(const uint8_t *p) { return uint32_t(p[1]) << 8 | p[0]; }

PictureProbe refuse(PictureProbe probe, const char *why) {
    probe.reason = why;
    return probe;
}

PictureProbe too_large(PictureProbe probe, const char *why) {
    probe.tooLarge = true;
    probe.limit = PictureLimit::held;
    return refuse(probe, why);
}

PictureProbe too_large(PictureProbe probe, PictureLimit limit, const char *why) {
    probe = too_large(probe, why);
    probe.limit = limit;
    return probe;
}

// A bound on the parts of a file (chunks, scans, extensions) rather than on its pixels.
PictureProbe too_many(PictureProbe probe, const char *why) {
    return too_large(probe, PictureLimit::parts, why);
}

// What came before in a PNG, for the rules on PLTE and tRNS.
struct PngChunksSeen {
    int64_t palette = 0; // PLTE entries, once one came
    bool idat = false, trns = false;
};

// PLTE and tRNS as libpng takes them, so that no decoder reads a palette another would refuse
// or ignore: one PLTE before the data, of 1 to 256 whole entries; one tRNS after it with at most as many entries (its length for grey or RGB, none
// where there is alpha). libpng refuses some of these and ignores others; here all are refused.
const char *png_chunk_order(const uint8_t *type, uint64_t length, uint8_t colourType,
                            PngChunksSeen &seen) {
    if (std::memcmp(type, "IDAT", 4) == 0) {
        seen.idat = true;
        return nullptr;
    }
    if (std::memcmp(type, "PLTE", 4) == 0) {
        if (seen.palette != 0)
            return "PNG with more than one PLTE chunk";
        if (seen.idat || seen.trns)
            return "PNG with PLTE out of place";
        if (length == 0 || length % 3 != 0 || length > 3 * 256)
            return "PNG palette length not valid";
        seen.palette = static_cast<int64_t>(length / 3);
        return nullptr;
    }
    if (std::memcmp(type, "tRNS", 4) != 0)
        return nullptr;
    if (seen.trns)
        return "PNG with more than one tRNS chunk";
    seen.trns = true;
    if (seen.idat)
        return "PNG with tRNS out of place";
    const bool valid = colourType == 3   ? seen.palette > 0 && length >= 1 &&
                                               int64_t(length) <= seen.palette
                       : colourType == 0 ? length == 2
                       : colourType == 2 ? length == 6
                                         : false;
    return valid ? nullptr : "PNG tRNS not valid for its colour type";
}

PictureProbe png_probe(const uint8_t *data, size_t size, PictureProbe probe) {
    // The signature, then IHDR: length 13, type, width, height, depth, colour type, ...
    if (size < 8 + 8 + 13 || be32(data + 8) != 13 || std::memcmp(data + 12, "IHDR", 4) != 0)
        return refuse(probe, "PNG without an IHDR chunk first");
    probe.width = be32(data + 16);
    probe.height = be32(data + 20);
    if (probe.width == 0 || probe.height == 0 || probe.width > 0x7FFFFFFF ||
        probe.height > 0x7FFFFFFF)
        return refuse(probe, "PNG size out of range");
    probe.mostPixels = probe.width * probe.height;
    // libpng reads no longer side unless told to, and some decoders keep that: none does.
    if (probe.width > pngSideLimit || probe.height > pngSideLimit)
        return too_large(probe, PictureLimit::pixels, "PNG side longer than 1000000");
    // Deflate packs at most 1032 bytes into one: a file far shorter than its rows need, even at
    // that ratio, is cut off or forged. Refused before any decoder sets aside room for it.
    static const int channelsOf[7] = {1, 0, 3, 1, 2, 0, 4};
    const uint8_t depth = data[24], colourType = data[25];
    const int channels = colourType < 7 ? channelsOf[colourType] : 0;
    if (channels == 0 || (depth != 1 && depth != 2 && depth != 4 && depth != 8 && depth != 16))
        return refuse(probe, "PNG colour type or bit depth not valid");
    if (data[26] != 0 || data[27] != 0 || data[28] > 1)
        return refuse(probe, "PNG compression, filter or interlace method not valid");
    probe.bitsPerPixel = channels * depth;
    probe.interlaced = data[28] == 1;
    const uint64_t rowBytes = (uint64_t(probe.width) * channels * depth + 7) / 8 + 1;
    if (rowBytes * uint64_t(probe.height) > uint64_t(size) * 1032 + 4096)
        return refuse(probe, "PNG data too short for its size");
    // Every chunk, pixel data included, is whole and unchanged: a damaged file is refused here
    // rather than by some decoders only.
    size_t at = 8;
    int64_t chunks = 0;
    PngChunksSeen seen;
    for (;;) {
        if (size - at < 12)
            return refuse(probe, "PNG cut off before IEND");
        // Some decoders spend a microsecond on each chunk, however empty.
        if (++chunks > pngChunkLimit)
            return too_many(probe, "PNG with too many chunks");
        const uint64_t length = be32(data + at);
        if (length > 0x7FFFFFFF || length > size - at - 12)
            return refuse(probe, "PNG chunk cut off");
        const size_t bytes = static_cast<size_t>(length);
        if (png_crc32(data + at + 4, bytes + 4) != be32(data + at + 8 + bytes))
            return refuse(probe, "PNG chunk CRC wrong");
        if (const char *why = png_chunk_order(data + at + 4, length, colourType, seen))
            return refuse(probe, why);
        const bool end = std::memcmp(data + at + 4, "IEND", 4) == 0;
        at += 12 + bytes;
        if (end)
            break;
    }
    if (colourType == 3 && seen.palette == 0)
        return refuse(probe, "PNG palette picture without PLTE");
    // 16 bits a channel with alpha costs twice the work of a pixel: fewer of them.
    if (probe.bitsPerPixel == 64 && probe.mostPixels > png64PixelLimit)
        return too_large(probe, PictureLimit::pixels, "PNG of 16-bit RGBA with too many pixels");
    if (probe.interlaced) {
        probe.heldBytes = uint64_t(probe.width) * uint64_t(probe.height) * 4;
        if (probe.heldBytes > pictureHeldLimit)
            return too_large(probe, "PNG interlaced and too large to hold whole");
    }
    return probe;
}
// Reads a value of the given TIFF byte order.
struct Tiff {
    const uint8_t *data;
    size_t size;
    bool bigEndian;
    bool has(uint64_t at, uint64_t bytes) const { return at <= size && bytes <= size - at; }
    uint32_t u16(uint64_t at) const {
        const uint8_t *p = data + at;
        return bigEndian ? be16(p) : le16(p);
    }
    uint32_t u32(uint64_t at) const {
        return bigEndian ? u16(at) << 16 | u16(at + 2) : u16(at + 2) << 16 | u16(at);
    }
};

struct JpegComponent {
    uint8_t id, h, v;
};

struct JpegFrame {
    JpegComponent components[3];
    int count = 0, hMax = 1, vMax = 1;
    uint64_t mcusWide = 0, mcusHigh = 0;
};

// The blocks of component c in a scan of it alone, where one block is one MCU.
uint64_t jpeg_component_blocks(const JpegFrame &f, const JpegComponent &c, int64_t width,
                               int64_t height) {
    const uint64_t w = (uint64_t(width) * c.h + f.hMax - 1) / f.hMax;
    const uint64_t h = (uint64_t(height) * c.v + f.vMax - 1) / f.vMax;
    return ((w + 7) / 8) * ((h + 7) / 8);
}

// Walks the entropy-coded data of a scan from at to the marker that ends it (at is left on that
// marker's first 0xFF). Restart markers must come in sequence, as many as the MCUs need.
const char *jpeg_scan_data(const uint8_t *data, size_t size, size_t &at, uint64_t restarts) {
    uint64_t seen = 0;
    for (;;) {
        const void *found = std::memchr(data + at, 0xFF, size - at);
        if (found == nullptr)
            return "JPEG ends inside its data";
        const size_t marker = static_cast<size_t>(static_cast<const uint8_t *>(found) - data);
        size_t next = marker;
        while (next < size && data[next] == 0xFF)
            ++next;
        if (next >= size)
            return "JPEG ends inside its data";
        const uint8_t code = data[next];
        if (code == 0x00) { // a stuffed data byte
            at = next + 1;
            continue;
        }
        if (code < 0xD0 || code > 0xD7) {
            at = marker;
            return seen == restarts ? nullptr : "JPEG restart markers not as many as its MCUs";
        }
        if (code != 0xD0 + seen % 8)
            return "JPEG restart markers out of sequence";
        ++seen;
        at = next + 1;
    }
}

PictureProbe jpeg_probe(const uint8_t *data, size_t size, PictureProbe probe) {
    size_t at = 2;
    JpegFrame frame;
    uint64_t restartInterval = 0, scanBlocks = 0;
    for (;;) {
        // Markers may be preceded by any number of 0xFF fill bytes.
        if (at >= size || data[at] != 0xFF)
            return refuse(probe, frame.count == 0 ? "JPEG marker expected" : "JPEG cut off before EOI");
        while (at < size && data[at] == 0xFF)
            ++at;
        if (at >= size)
            return refuse(probe, frame.count == 0 ? "JPEG ends before its frame header"
                                                  : "JPEG cut off before EOI");
        const uint8_t marker = data[at++];
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7))
            continue; // no length follows
        if (marker == 0xD9) {
            if (probe.scans == 0)
                return refuse(probe, "JPEG without data");
            break;
        }
        if (marker == 0xD8 || (marker == 0xDA && frame.count == 0))
            return refuse(probe, "JPEG without a frame header before its data");
        if (size - at < 2)
            return refuse(probe, "JPEG segment cut off");
        const size_t length = be16(data + at);
        if (length < 2 || length > size - at)
            return refuse(probe, "JPEG segment cut off");
        const uint8_t *segment = data + at + 2;
        const size_t bytes = length - 2;
        at += length;
        if (marker == 0xE1 && bytes >= 6 && std::memcmp(segment, "Exif\0\0", 6) == 0 &&
            probe.orientation == 1 && frame.count == 0)
            probe.orientation = exif_orientation(segment + 6, bytes - 6);
        if (marker == 0xDD) {
            if (bytes < 2)
                return refuse(probe, "JPEG restart interval cut off");
            restartInterval = be16(segment);
            continue;
        }
        if (marker == 0xDA) {
            // A scan: its components, then its data.
            if (bytes < 1 || segment[0] < 1 || segment[0] > frame.count ||
                bytes < size_t{1} + 2 * segment[0] + 3)
                return refuse(probe, "JPEG scan header not valid");
            const int inScan = segment[0];
            uint64_t blocks = 0;
            for (int i = 0; i < inScan; ++i) {
                const JpegComponent *c = nullptr;
                for (int k = 0; k < frame.count; ++k)
                    if (frame.components[k].id == segment[1 + 2 * i])
                        c = &frame.components[k];
                if (c == nullptr)
                    return refuse(probe, "JPEG scan of a component the frame lacks");
                blocks += inScan == 1 ? jpeg_component_blocks(frame, *c, probe.width, probe.height)
                                      : frame.mcusWide * frame.mcusHigh * c->h * c->v;
            }
            const uint64_t mcus = inScan == 1 ? blocks : frame.mcusWide * frame.mcusHigh;
            if (probe.scans == 0 && inScan < frame.count)
                probe.multiScan = true;
            if (++probe.scans > jpegScanLimit)
                return too_many(probe, "JPEG with too many scans");
            scanBlocks += blocks;
            if (scanBlocks > jpegScanBlockLimit)
                return too_many(probe, "JPEG with too many scans for its size");
            const char *why = jpeg_scan_data(data, size, at,
                                             restartInterval == 0 ? 0 : (mcus - 1) / restartInterval);
            if (why != nullptr)
                return refuse(probe, why);
            continue;
        }
        const bool isFrame = marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 &&
                             marker != 0xC8 && marker != 0xCC;
        if (!isFrame)
            continue;
        if (frame.count != 0)
            return refuse(probe, "JPEG with more than one frame");
        // Baseline, extended sequential and progressive Huffman coding are what every
        // platform's decoder reads; lossless, hierarchical and arithmetic coding are not.
        if (marker != 0xC0 && marker != 0xC1 && marker != 0xC2)
            return refuse(probe, "JPEG coding process not supported");
        if (bytes < 6)
            return refuse(probe, "JPEG frame header cut off");
        if (segment[0] != 8)
            return refuse(probe, "JPEG sample precision other than 8 bits");
        probe.height = be16(segment + 1);
        probe.width = be16(segment + 3);
        const int components = segment[5];
        if (probe.width == 0 || probe.height == 0)
            return refuse(probe, "JPEG size 0");
        // Some decoders read no longer side (libjpeg's limit), so none does.
        if (probe.width > 65500 || probe.height > 65500)
            return refuse(probe, "JPEG side longer than 65500");
        if (components != 1 && components != 3)
            return refuse(probe, "JPEG with other than 1 or 3 components (CMYK)");
        probe.mostPixels = probe.width * probe.height;
        probe.bitsPerPixel = 8 * components;
        probe.multiScan = marker == 0xC2;
        // Decoders pad missing data (some without a word), so a few bytes could claim millions
        // of padded pixels. Every 8 x 8 block costs at least one bit of its first scan, and
        // whatever their sampling the components' blocks cover at least half the picture (4 x 1
        // beside 1 x 4 is the least): fewer bytes cannot hold the picture.
        const uint64_t pictureBlocks =
            uint64_t((probe.width + 7) / 8) * uint64_t((probe.height + 7) / 8);
        if (uint64_t(size) * 16 < pictureBlocks)
            return refuse(probe, "JPEG data too short for its size");
        if (bytes < size_t{6} + 3 * components)
            return refuse(probe, "JPEG frame header cut off");
        for (int i = 0; i < components; ++i) {
            const uint8_t *c = segment + 6 + 3 * i;
            const JpegComponent component{c[0], uint8_t(c[1] >> 4), uint8_t(c[1] & 15)};
            if (component.h < 1 || component.h > 4 || component.v < 1 || component.v > 4)
                return refuse(probe, "JPEG sampling factors not valid");
            frame.components[i] = component;
            frame.hMax = std::max<int>(frame.hMax, component.h);
            frame.vMax = std::max<int>(frame.vMax, component.v);
        }
        frame.count = components;
        frame.mcusWide = (uint64_t(probe.width) + 8 * frame.hMax - 1) / (8 * frame.hMax);
        frame.mcusHigh = (uint64_t(probe.height) + 8 * frame.vMax - 1) / (8 * frame.vMax);
    }
    if (probe.multiScan) {
        uint64_t blocks = 0;
        for (int i = 0; i < frame.count; ++i)
            blocks += frame.mcusWide * frame.components[i].h * frame.mcusHigh * frame.components[i].v;
        probe.heldBytes = blocks * 128;
        if (probe.heldBytes > pictureHeldLimit)
            return too_large(probe, "JPEG in several scans and too large to hold whole");
    }
    return probe;
}

PictureProbe gif_probe(const uint8_t *data, size_t size, PictureProbe probe) {
    if (size < 13)
        return refuse(probe, "GIF screen descriptor cut off");
    size_t at = 13;
    const bool globalTable = (data[10] & 0x80) != 0;
    if (globalTable)
        at += size_t{3} << ((data[10] & 7) + 1);
    probe.bitsPerPixel = 8;
    uint64_t extensionBytes = 0, codeBytes = 0;
    // Every frame counts: some decoders read them all, and one without colours has crashed one.
    while (at < size) {
        const uint8_t kind = data[at++];
        if (kind == 0x3B)
            break;
        if (kind == 0x21) {
            if (at >= size)
                break;
            ++at; // label
            const bool whole = gif_skip_blocks(data, size, at, extensionBytes);
            if (extensionBytes > gifExtensionLimit)
                return too_many(probe, "GIF extensions too long");
            if (!whole)
                break;
        } else if (kind == 0x2C) {
            if (size - at < 9)
                break;
            const int64_t width = le16(data + at + 4), height = le16(data + at + 6);
            const uint8_t flags = data[at + 8];
            if (!(flags & 0x80) && !globalTable)
                return refuse(probe, "GIF frame without a colour table");
            if (probe.frames++ == 0) {
                probe.width = width;
                probe.height = height;
                probe.interlaced = (flags & 0x40) != 0;
            }
            probe.mostPixels = std::max(probe.mostPixels, width * height);
            probe.allPixels += width * height;
            at += 9;
            if (flags & 0x80)
                at += size_t{3} << ((flags & 7) + 1); // local colour table
            if (at >= size)
                break;
            ++at; // LZW minimum code size
            if (!gif_skip_blocks(data, size, at, codeBytes))
                break;
        } else {
            break; // not a block: the rest is not ours to judge; the decoder will be
        }
    }
    if (probe.frames == 0)
        return refuse(probe, "GIF without an image");
    if (probe.width == 0 || probe.height == 0)
        return refuse(probe, "GIF frame size 0");
    // One byte of LZW codes gives fewer than 4096 pixels: a shorter file is cut off or forged.
    if (uint64_t(probe.width) * uint64_t(probe.height) > uint64_t(size) * 4096)
        return refuse(probe, "GIF data too short for its size");
    // Some decoders hold an interlaced first frame twice (once more to put its rows in order).
    probe.heldBytes = uint64_t(probe.allPixels) +
                      (probe.interlaced ? uint64_t(probe.width) * uint64_t(probe.height) : 0);
    if (probe.heldBytes > pictureHeldLimit)
        return too_large(probe, "GIF frames too large together");
    return probe;
}

} // namespace

PictureFormat picture_format_of(const uint8_t *data, size_t size) {
    if (data == nullptr)
        return PictureFormat::unknown;
    if (size >= 2 && data[0] == 'B' && data[1] == 'M')
        return PictureFormat::bmp;
    if (size >= 8 && std::memcmp(data, pngSignature, 8) == 0)
        return PictureFormat::png;
    if (size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF)
        return PictureFormat::jpeg;
    if (size >= 6 && (std::memcmp(data, "GIF87a", 6) == 0 || std::memcmp(data, "GIF89a", 6) == 0))
        return PictureFormat::gif;
    if (size >= 12 && std::memcmp(data, "RIFF", 4) == 0 && std::memcmp(data + 8, "WEBP", 4) == 0)
        return PictureFormat::webp;
    return heif_format_of(data, size);
}

PictureProbe picture_probe(const uint8_t *data, size_t size) {
    PictureProbe probe;
    probe.format = picture_format_of(data, size);
    switch (probe.format) {
    case PictureFormat::png:
        return png_probe(data, size, probe);
    case PictureFormat::jpeg:
        return jpeg_probe(data, size, probe);
    case PictureFormat::gif:
        return gif_probe(data, size, probe);
    case PictureFormat::webp:
        return webp_probe(data, size, probe);
    case PictureFormat::heic:
    case PictureFormat::avif:
        return heif_probe(data, size, probe);
    case PictureFormat::bmp:
    case PictureFormat::unknown:
        break;
    }
    return refuse(probe, "not a PNG, JPEG or GIF file");
}

bool gif_skip_blocks(const uint8_t *data, size_t size, size_t &at, uint64_t &bytes) {
    for (;;) {
        if (at >= size)
            return false;
        const size_t length = data[at++];
        if (length == 0)
            return true;
        if (length > size - at)
            return false;
        at += length;
        bytes += length;
    }
}

// A byte at a time, from a table made once.
uint32_t png_crc32(const uint8_t *p, size_t n) {
    static const auto table = [] {
        struct Table {
            uint32_t v[256];
        } t{};
        for (uint32_t i = 0; i < 256; ++i) {
            uint32_t c = i;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t.v[i] = c;
        }
        return t;
    }();
    uint32_t c = 0xFFFFFFFFu;
    for (size_t i = 0; i < n; ++i)
        c = table.v[(c ^ p[i]) & 0xFF] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

bool orientation_transposes(int orientation) {
    return orientation >= 5 && orientation <= 8;
}

int exif_orientation(const uint8_t *tiff, size_t size) {
    if (tiff == nullptr || size < 8)
        return 1;
    Tiff t{tiff, size, false};
    if (tiff[0] == 'M' && tiff[1] == 'M')
        t.bigEndian = true;
    else if (!(tiff[0] == 'I' && tiff[1] == 'I'))
        return 1;
    if (t.u16(2) != 42)
        return 1;
    const uint64_t ifd = t.u32(4);
    if (!t.has(ifd, 2))
        return 1;
    const uint32_t entries = t.u16(ifd);
    for (uint32_t i = 0; i < entries; ++i) {
        const uint64_t entry = ifd + 2 + uint64_t{i} * 12;
        if (!t.has(entry, 12))
            return 1;
        if (t.u16(entry) != 0x0112)
            continue;
        // SHORT, one value, held in the first two bytes of the value field.
        if (t.u16(entry + 2) != 3 || t.u32(entry + 4) != 1)
            return 1;
        const uint32_t value = t.u16(entry + 8);
        return value >= 1 && value <= 8 ? static_cast<int>(value) : 1;
    }
    return 1;
}
