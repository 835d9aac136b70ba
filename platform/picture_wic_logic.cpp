// What the Windows Imaging Component is given of a picture file, and what it holds meanwhile.
#include <cstring>

#include "platform/picture_wic.h"

namespace {

uint32_t be32(const uint8_t *p) {
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3];
}

void put_be32(uint8_t *p, uint32_t v) {
    p[0] = uint8_t(v >> 24);
    p[1] = uint8_t(v >> 16);
    p[2] = uint8_t(v >> 8);
    p[3] = uint8_t(v);
}

struct ViewBuilder {
    WicView view;
    void take(const uint8_t *p, size_t n) {
        if (n > 0)
            view.spans.push_back({p, 0, n});
    }
    // n more bytes of own, zero, as a span; the pointer is good until the next make.
    uint8_t *make(size_t n) {
        const size_t at = view.own.size();
        view.own.resize(at + n);
        view.spans.push_back({nullptr, at, n});
        return view.own.data() + at;
    }
    // A structure that ends early: the whole file as it is (heldBytes as set).
    WicView whole(const uint8_t *data, size_t size) {
        view.spans.assign(1, {data, 0, size});
        view.own.clear();
        return std::move(view);
    }
};

uint64_t align4(uint64_t bytes) {
    return (bytes + 3) / 4 * 4;
}

// Rows as the component keeps them, with a pointer each: indices and plain grey or RGB as
// stored; alpha, or a tRNS colour, as 8 or 16 bits a channel of BGRA.
uint64_t png_held(const PictureProbe &probe, uint8_t colourType, uint8_t depth, bool trns) {
    static const int channelsOf[7] = {1, 0, 3, 1, 2, 0, 4};
    const int channels = colourType < 7 ? channelsOf[colourType] : 4;
    const bool alpha = colourType == 4 || colourType == 6 || (colourType != 3 && trns);
    const uint64_t bits = alpha ? (depth == 16 ? 64 : 32) : uint64_t(channels) * depth;
    const uint64_t stride = align4((uint64_t(probe.width) * bits + 7) / 8);
    return (stride + 8) * uint64_t(probe.height);
}

WicView png_view(const uint8_t *data, size_t size, const PictureProbe &probe) {
    ViewBuilder b;
    if (size < 8 + 12 + 13)
        return b.whole(data, size);
    const uint8_t depth = data[24], colourType = data[25];
    b.view.heldBytes = png_held(probe, colourType, depth, true); // until tRNS is known
    bool trns = false;
    b.take(data, 8);
    size_t at = 8;
    for (;;) {
        if (size - at < 12 || be32(data + at) > size - at - 12)
            return b.whole(data, size);
        const uint32_t length = be32(data + at);
        const uint8_t *type = data + at + 4;
        const size_t total = size_t{12} + length;
        const bool critical = (type[0] & 0x20) == 0;
        const size_t entries = size_t{1} << (depth <= 8 ? depth : 8);
        if (std::memcmp(type, "PLTE", 4) == 0 && colourType == 3 && length < entries * 3) {
            uint8_t *plte = b.make(12 + entries * 3);
            put_be32(plte, static_cast<uint32_t>(entries * 3));
            std::memcpy(plte + 4, type, 4 + length); // the rest stays black
            put_be32(plte + 8 + entries * 3, png_crc32(plte + 4, 4 + entries * 3));
        } else if (critical || std::memcmp(type, "tRNS", 4) == 0) {
            b.take(data + at, total);
        }
        trns = trns || std::memcmp(type, "tRNS", 4) == 0;
        at += total;
        if (std::memcmp(type, "IEND", 4) == 0)
            break;
    }
    b.view.heldBytes = png_held(probe, colourType, depth, trns);
    return std::move(b.view);
}

WicView jpeg_view(const uint8_t *data, size_t size, const PictureProbe &probe) {
    ViewBuilder b;
    // The decoded picture at 1 or 3 bytes a pixel, and the coefficients of several scans.
    const uint64_t components = probe.bitsPerPixel == 8 ? 1 : 3;
    b.view.heldBytes = align4(uint64_t(probe.width) * components) * uint64_t(probe.height) +
                       (probe.multiScan ? probe.heldBytes : 0);
    b.take(data, 2);
    size_t at = 2;
    for (;;) {
        const size_t start = at;
        while (at < size && data[at] == 0xFF)
            ++at;
        if (at == start || at >= size)
            return b.whole(data, size);
        const uint8_t marker = data[at++];
        if (marker == 0x01 || (marker >= 0xD0 && marker <= 0xD7)) {
            b.take(data + start, at - start);
            continue;
        }
        if (marker == 0xDA) {
            b.take(data + start, size - start); // the scans and what follows, as they are
            break;
        }
        if (marker == 0xD8 || marker == 0xD9 || size - at < 2)
            return b.whole(data, size);
        const size_t length = size_t{data[at]} << 8 | data[at + 1];
        if (length < 2 || length > size - at)
            return b.whole(data, size);
        at += length;
        const bool unused = (marker >= 0xE1 && marker <= 0xED) || marker == 0xEF || marker == 0xFE;
        if (!unused)
            b.take(data + start, at - start);
    }
    return std::move(b.view);
}

// GIF data sub-blocks from at to their terminator; false when the file ends first.
bool gif_blocks_end(const uint8_t *data, size_t size, size_t &at) {
    uint64_t bytes = 0;
    return gif_skip_blocks(data, size, at, bytes);
}

// A descriptor (n bytes, its flags at flagsAt) and the colour table it announces, completed to
// 256 entries with black; at moves past the stored table.
bool gif_table(ViewBuilder &b, const uint8_t *data, size_t size, size_t &at, size_t n,
               size_t flagsAt) {
    if (size - at < n)
        return false;
    const uint8_t flags = data[at + flagsAt];
    const size_t stored = (flags & 0x80) ? size_t{3} << ((flags & 7) + 1) : 0;
    if (stored > size - at - n)
        return false;
    uint8_t *out = b.make(n + (stored > 0 ? 768 : 0));
    std::memcpy(out, data + at, n + stored);
    if (stored > 0)
        out[flagsAt] = flags | 7;
    at += n + stored;
    return true;
}

WicView gif_view(const uint8_t *data, size_t size, const PictureProbe &probe) {
    static const uint8_t trailer = 0x3B;
    ViewBuilder b;
    b.view.refusal = "GIF whose first frame cannot be found whole"; // until it is
    // The first frame's indices (once more to put interlaced rows in order).
    b.view.heldBytes = uint64_t(probe.width) * uint64_t(probe.height) * (probe.interlaced ? 2 : 1);
    if (size < 13)
        return b.whole(data, size);
    b.take(data, 6);
    size_t at = 6;
    if (!gif_table(b, data, size, at, 7, 4))
        return b.whole(data, size);
    bool tables = (data[10] & 0x80) != 0;
    const uint8_t *control = nullptr;
    size_t controlSize = 0;
    for (;;) {
        if (at >= size)
            return b.whole(data, size);
        const size_t start = at;
        if (data[at] == 0x21 && size - at >= 2) {
            at += 2;
            if (!gif_blocks_end(data, size, at))
                return b.whole(data, size);
            if (data[start + 1] == 0xF9) {
                control = data + start;
                controlSize = at - start;
            }
            continue;
        }
        if (data[at] != 0x2C)
            return b.whole(data, size);
        b.take(control, controlSize);
        tables = tables || (size - at > 9 && (data[at + 9] & 0x80) != 0);
        if (!gif_table(b, data, size, at, 10, 9))
            return b.whole(data, size);
        const size_t image = at++; // the LZW code size, then the data
        if (!gif_blocks_end(data, size, at))
            return b.whole(data, size);
        b.take(data + image, at - image);
        b.take(&trailer, 1);
        break;
    }
    b.view.refusal = tables ? nullptr : "GIF frame without a colour table";
    return std::move(b.view);
}

} // namespace

uint64_t WicView::size() const {
    uint64_t total = 0;
    for (const Span &s : spans)
        total += s.size;
    return total;
}

WicView wic_view(const uint8_t *data, size_t size, const PictureProbe &probe) {
    switch (probe.format) {
    case PictureFormat::png:
        return png_view(data, size, probe);
    case PictureFormat::jpeg:
        return jpeg_view(data, size, probe);
    case PictureFormat::gif:
        return gif_view(data, size, probe);
    case PictureFormat::webp: // given whole; the probe counted what they hold
    case PictureFormat::heic:
    case PictureFormat::avif:
    case PictureFormat::bmp:
    case PictureFormat::unknown:
        break;
    }
    return ViewBuilder().whole(data, size);
}
