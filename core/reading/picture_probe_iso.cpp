// Reading what a WebP (RIFF chunks) or a HEIF or AVIF file (ISO boxes) claims: the size of the
// picture shown, the frames or items, how it is turned, and that every part lies in the file.
// As for the older formats, every read is proven inside the buffer first.
#include <algorithm>
#include <cstring>
#include <vector>

#include "core/reading/picture_probe_formats.h"

namespace {

uint32_t le16(const uint8_t *p) {
    return uint32_t(p[1]) << 8 | p[0];
}
uint32_t le24(const uint8_t *p) {
    return uint32_t(p[2]) << 16 | le16(p);
}
uint32_t le32(const uint8_t *p) {
    return uint32_t(p[3]) << 24 | le24(p);
}
uint32_t be16(const uint8_t *p) {
    return uint32_t(p[0]) << 8 | p[1];
}
uint32_t be32(const uint8_t *p) {
    return be16(p) << 16 | be16(p + 2);
}
uint64_t be_n(const uint8_t *p, int bytes) {
    uint64_t v = 0;
    for (int i = 0; i < bytes; ++i)
        v = v << 8 | p[i];
    return v;
}

PictureProbe refuse(PictureProbe probe, const char *why) {
    probe.reason = why;
    return probe;
}

PictureProbe too_large(PictureProbe probe, const char *why) {
    probe.tooLarge = true;
    return refuse(probe, why);
}

bool fourcc(const uint8_t *p, const char *code) {
    return std::memcmp(p, code, 4) == 0;
}

// ---- WebP ----

// The size a VP8 or VP8L bitstream claims; false when its header is not one.
bool webp_bitstream_size(const uint8_t *p, size_t n, bool lossless, int64_t &w, int64_t &h) {
    if (lossless) {
        if (n < 5 || p[0] != 0x2F || (p[4] >> 5) != 0) // signature, version 0
            return false;
        const uint32_t bits = le32(p + 1);
        w = (bits & 0x3FFF) + 1;
        h = ((bits >> 14) & 0x3FFF) + 1;
        return true;
    }
    // A key frame: the frame tag's low bit clear, then the start code.
    if (n < 10 || (p[0] & 1) != 0 || p[3] != 0x9D || p[4] != 0x01 || p[5] != 0x2A)
        return false;
    w = le16(p + 6) & 0x3FFF;
    h = le16(p + 8) & 0x3FFF;
    return w > 0 && h > 0;
}

struct RiffChunk {
    const uint8_t *type, *data;
    size_t size;
};

// The chunks of [at, end) one after another (each padded to an even size); false when one runs
// past the end.
template <class Visit> bool riff_chunks(const uint8_t *data, size_t at, size_t end, Visit &&visit) {
    while (end - at >= 8) {
        const uint64_t length = le32(data + at + 4);
        if (length > end - at - 8)
            return false;
        if (!visit(RiffChunk{data + at, data + at + 8, static_cast<size_t>(length)}))
            return true;
        at += 8 + static_cast<size_t>(length) + (length & 1);
        at = std::min(at, end);
    }
    return true;
}

} // namespace

PictureProbe webp_probe(const uint8_t *data, size_t size, PictureProbe probe) {
    if (size < 20)
        return refuse(probe, "WebP cut off");
    const uint64_t riffEnd = uint64_t{le32(data + 4)} + 8;
    if (riffEnd > size)
        return refuse(probe, "WebP cut off");
    const size_t end = static_cast<size_t>(riffEnd);
    const uint8_t *first = data + 12;
    const uint64_t firstSize = le32(data + 16);
    if (firstSize > end - 20)
        return refuse(probe, "WebP chunk cut off");
    probe.bitsPerPixel = 32;
    if (fourcc(first, "VP8 ") || fourcc(first, "VP8L")) {
        if (!webp_bitstream_size(data + 20, static_cast<size_t>(firstSize), first[3] == 'L',
                                 probe.width, probe.height))
            return refuse(probe, "WebP bitstream header not valid");
    } else if (fourcc(first, "VP8X")) {
        if (firstSize < 10)
            return refuse(probe, "WebP VP8X chunk too short");
        const uint8_t flags = data[20];
        probe.width = int64_t{le24(data + 24)} + 1;
        probe.height = int64_t{le24(data + 27)} + 1;
        const bool animated = (flags & 0x02) != 0;
        bool image = false, broken = false;
        const char *why = nullptr;
        auto visit = [&](const RiffChunk &c) {
            if (fourcc(c.type, "ANMF")) {
                // Offset (x/2, y/2), size - 1, duration, flags; then the frame's own chunks.
                if (c.size < 16 + 8) {
                    why = "WebP frame cut off";
                    return false;
                }
                const int64_t x = int64_t{le24(c.data)} * 2, y = int64_t{le24(c.data + 3)} * 2;
                const int64_t w = int64_t{le24(c.data + 6)} + 1, h = int64_t{le24(c.data + 9)} + 1;
                if (x + w > probe.width || y + h > probe.height) {
                    why = "WebP frame outside the canvas";
                    return false;
                }
                ++probe.frames;
                probe.allPixels += w * h;
                if (probe.frames > webpFrameLimit) {
                    why = "WebP with too many frames";
                    return false;
                }
            } else if (fourcc(c.type, "VP8 ") || fourcc(c.type, "VP8L")) {
                int64_t w = 0, h = 0;
                if (!webp_bitstream_size(c.data, c.size, c.type[3] == 'L', w, h) ||
                    w != probe.width || h != probe.height) {
                    why = "WebP bitstream not the canvas's size";
                    return false;
                }
                image = true;
            } else if (fourcc(c.type, "EXIF")) {
                // Some writers keep JPEG's "Exif\0\0" before the TIFF data.
                const bool marked = c.size >= 6 && std::memcmp(c.data, "Exif\0\0", 6) == 0;
                probe.orientation =
                    exif_orientation(c.data + (marked ? 6 : 0), c.size - (marked ? 6 : 0));
            }
            return true;
        };
        broken = !riff_chunks(data, 30 + static_cast<size_t>(firstSize & 1), end, visit) &&
                 why == nullptr;
        // The padding byte of an odd VP8X lies before the next chunk.
        if (broken)
            return refuse(probe, "WebP chunk cut off");
        if (why != nullptr)
            return probe.frames > webpFrameLimit ? too_large(probe, why) : refuse(probe, why);
        if (animated ? probe.frames == 0 : !image)
            return refuse(probe, "WebP without an image");
    } else {
        return refuse(probe, "WebP without an image chunk first");
    }
    probe.mostPixels = probe.width * probe.height;
    // libwebp and the system's codecs decode into a whole picture at 4 bytes a pixel; an
    // animation keeps the canvas twice (the frame shown and the one before).
    probe.heldBytes = uint64_t(probe.mostPixels) * (probe.frames > 0 ? 8 : 4);
    if (probe.heldBytes > pictureHeldLimit)
        return too_large(probe, "WebP too large to hold whole");
    return probe;
}

// ---- HEIF and AVIF ----

namespace {

struct Box {
    uint32_t type;
    size_t body, end; // offsets of the box's contents and its end
};

constexpr uint32_t code(const char (&c)[5]) {
    return uint32_t(uint8_t(c[0])) << 24 | uint32_t(uint8_t(c[1])) << 16 |
           uint32_t(uint8_t(c[2])) << 8 | uint8_t(c[3]);
}

// The boxes of [at, end) one after another; false when one does not fit.
template <class Visit> bool iso_boxes(const uint8_t *data, size_t at, size_t end, Visit &&visit) {
    while (at < end) {
        if (end - at < 8)
            return false;
        uint64_t length = be32(data + at);
        size_t header = 8;
        if (length == 1) {
            if (end - at < 16)
                return false;
            length = be_n(data + at + 8, 8);
            header = 16;
        } else if (length == 0) {
            length = end - at; // to the end of what holds it
        }
        if (length < header || length > end - at)
            return false;
        const Box box{be32(data + at + 4), at + header, at + static_cast<size_t>(length)};
        if (!visit(box))
            return false;
        at = box.end;
    }
    return true;
}

bool heif_brand(uint32_t brand, PictureFormat &format) {
    switch (brand) {
    case code("heic"):
    case code("heix"):
    case code("heim"):
    case code("heis"):
    case code("hevc"):
    case code("hevx"):
    case code("mif1"):
    case code("msf1"):
        format = PictureFormat::heic;
        return true;
    case code("avif"):
    case code("avis"):
        format = PictureFormat::avif;
        return true;
    default:
        return false;
    }
}

struct HeifItem {
    uint32_t id = 0, type = 0;
    int64_t width = 0, height = 0;
    int orientation = 1;
    bool placed = false; // has a location within the file
};

// irot and imir as an EXIF orientation, composed in the order the item lists them, as a mirror
// left to right then quarter turns clockwise. imir's axis 0 mirrors top to bottom, 1 left to
// right (as libheif and libavif read it).
int orientation_of(bool mirror, int turns) {
    static const int plain[4] = {1, 6, 3, 8}, mirrored[4] = {2, 7, 4, 5};
    return mirror ? mirrored[turns & 3] : plain[turns & 3];
}

struct HeifTurn {
    bool mirror = false;
    int turns = 0;
    void rotate(int anticlockwise) { turns = (turns + 4 - (anticlockwise & 3)) & 3; }
    void flip(bool topBottom) {
        // A mirror after turns r is the mirror before turns -r.
        mirror = !mirror;
        turns = (4 - turns) & 3;
        if (topBottom)
            turns = (turns + 2) & 3;
    }
};

struct HeifParse {
    const uint8_t *data = nullptr;
    size_t size = 0;
    uint32_t primary = 0;
    bool handlerPict = false;
    std::vector<HeifItem> items;
    std::vector<Box> properties; // ipco's children, numbered from 1
    const char *why = nullptr;

    HeifItem *item(uint32_t id) {
        for (HeifItem &i : items)
            if (i.id == id)
                return &i;
        return nullptr;
    }
    bool fail(const char *reason) {
        if (why == nullptr)
            why = reason;
        return false;
    }
    bool has(size_t at, size_t bytes, size_t end) const { return at <= end && bytes <= end - at; }

    bool infe(const Box &b) {
        if (!has(b.body, 4, b.end))
            return fail("HEIF item info cut off");
        const int version = data[b.body];
        if (version < 2)
            return true; // older entries name no item type: not pictures
        const size_t idBytes = version == 2 ? 2 : 4;
        if (!has(b.body + 4, idBytes + 2 + 4, b.end))
            return fail("HEIF item info cut off");
        if (items.size() >= heifItemLimit)
            return fail("HEIF with too many items");
        HeifItem i;
        i.id = static_cast<uint32_t>(be_n(data + b.body + 4, static_cast<int>(idBytes)));
        i.type = be32(data + b.body + 4 + idBytes + 2);
        items.push_back(i);
        return true;
    }

    bool iinf(const Box &b) {
        if (!has(b.body, 4, b.end))
            return fail("HEIF item list cut off");
        const size_t countBytes = data[b.body] == 0 ? 2 : 4;
        if (!has(b.body + 4, countBytes, b.end))
            return fail("HEIF item list cut off");
        return iso_boxes(data, b.body + 4 + countBytes, b.end,
                         [&](const Box &c) { return c.type != code("infe") || infe(c); }) ||
               fail("HEIF item list cut off");
    }

    bool iloc(const Box &b) {
        if (!has(b.body, 4 + 2, b.end))
            return fail("HEIF locations cut off");
        const int version = data[b.body];
        if (version > 2)
            return fail("HEIF locations of an unknown version");
        const int offsetBytes = data[b.body + 4] >> 4, lengthBytes = data[b.body + 4] & 15;
        const int baseBytes = data[b.body + 5] >> 4;
        const int indexBytes = version > 0 ? data[b.body + 5] & 15 : 0;
        for (int n : {offsetBytes, lengthBytes, baseBytes, indexBytes})
            if (n != 0 && n != 4 && n != 8)
                return fail("HEIF locations not valid");
        size_t at = b.body + 6;
        const size_t idBytes = version < 2 ? 2 : 4;
        if (!has(at, idBytes, b.end))
            return fail("HEIF locations cut off");
        const uint64_t count = be_n(data + at, static_cast<int>(idBytes));
        at += idBytes;
        for (uint64_t k = 0; k < count; ++k) {
            const size_t head = idBytes + (version > 0 ? 2 : 0) + 2 + size_t(baseBytes) + 2;
            if (!has(at, head, b.end))
                return fail("HEIF locations cut off");
            const uint32_t id = static_cast<uint32_t>(be_n(data + at, static_cast<int>(idBytes)));
            at += idBytes;
            const int method = version > 0 ? be16(data + at) & 15 : 0;
            at += (version > 0 ? 2 : 0) + 2; // construction method, data reference
            const uint64_t base = be_n(data + at, baseBytes);
            at += size_t(baseBytes);
            const uint32_t extents = be16(data + at);
            at += 2;
            const size_t extentBytes = size_t(indexBytes) + size_t(offsetBytes) + lengthBytes;
            if (extents == 0 || uint64_t(extents) * extentBytes > b.end - at)
                return fail("HEIF locations cut off");
            bool inside = true;
            for (uint32_t e = 0; e < extents; ++e) {
                const uint64_t offset = be_n(data + at + indexBytes, offsetBytes);
                const uint64_t length = be_n(data + at + indexBytes + offsetBytes, lengthBytes);
                at += extentBytes;
                // Offsets into the file (method 0) must lie in it: a file cut short is refused
                // here, whatever a decoder would make of it.
                if (method == 0 &&
                    (base > size || offset > size - base || length > size - base - offset))
                    inside = false;
            }
            if (HeifItem *i = item(id))
                i->placed = inside;
        }
        return true;
    }

    bool ipma(const Box &b) {
        if (!has(b.body, 8, b.end))
            return fail("HEIF property links cut off");
        const int version = data[b.body];
        const bool wide = (data[b.body + 3] & 1) != 0;
        const uint32_t count = be32(data + b.body + 4);
        size_t at = b.body + 8;
        const size_t idBytes = version < 1 ? 2 : 4;
        for (uint32_t k = 0; k < count; ++k) {
            if (!has(at, idBytes + 1, b.end))
                return fail("HEIF property links cut off");
            HeifItem *i = item(static_cast<uint32_t>(be_n(data + at, static_cast<int>(idBytes))));
            const uint32_t links = data[at + idBytes];
            at += idBytes + 1;
            if (!has(at, size_t(links) * (wide ? 2 : 1), b.end))
                return fail("HEIF property links cut off");
            HeifTurn turn;
            for (uint32_t l = 0; l < links; ++l) {
                const uint32_t index = wide ? be16(data + at) & 0x7FFF : data[at] & 0x7F;
                at += wide ? 2 : 1;
                if (i == nullptr || index == 0)
                    continue;
                if (index > properties.size())
                    return fail("HEIF property link to nothing");
                const Box &p = properties[index - 1];
                if (p.type == code("ispe")) {
                    if (!has(p.body, 12, p.end))
                        return fail("HEIF size property cut off");
                    i->width = be32(data + p.body + 4);
                    i->height = be32(data + p.body + 8);
                } else if (p.type == code("irot") && has(p.body, 1, p.end)) {
                    turn.rotate(data[p.body] & 3);
                } else if (p.type == code("imir") && has(p.body, 1, p.end)) {
                    turn.flip((data[p.body] & 1) == 0);
                }
            }
            if (i != nullptr)
                i->orientation = orientation_of(turn.mirror, turn.turns);
        }
        return true;
    }

    bool iprp(const Box &b) {
        Box links{};
        const bool whole = iso_boxes(data, b.body, b.end, [&](const Box &c) {
            if (c.type == code("ipco"))
                return iso_boxes(data, c.body, c.end, [&](const Box &p) {
                    if (properties.size() >= heifItemLimit * 4)
                        return fail("HEIF with too many properties");
                    properties.push_back(p);
                    return true;
                });
            if (c.type == code("ipma"))
                links = c;
            return true;
        });
        if (!whole)
            return fail("HEIF properties cut off");
        return links.type == 0 || ipma(links);
    }

    bool meta(const Box &b) {
        if (!has(b.body, 4, b.end))
            return fail("HEIF meta cut off");
        Box locations{}, props{};
        const bool whole = iso_boxes(data, b.body + 4, b.end, [&](const Box &c) {
            switch (c.type) {
            case code("hdlr"):
                handlerPict = has(c.body, 12, c.end) && fourcc(data + c.body + 8, "pict");
                return true;
            case code("pitm"):
                if (!has(c.body, 4, c.end))
                    return fail("HEIF primary item cut off");
                if (!has(c.body + 4, data[c.body] == 0 ? 2 : 4, c.end))
                    return fail("HEIF primary item cut off");
                primary = static_cast<uint32_t>(be_n(data + c.body + 4, data[c.body] == 0 ? 2 : 4));
                return true;
            case code("iinf"):
                return iinf(c);
            case code("iloc"):
                locations = c;
                return true;
            case code("iprp"):
                props = c;
                return true;
            default:
                return true;
            }
        });
        if (!whole)
            return fail("HEIF meta cut off");
        // Locations and properties name items: read after the item list, wherever it stood.
        if (locations.type != 0 && !iloc(locations))
            return false;
        return props.type == 0 || iprp(props);
    }
};

} // namespace

PictureFormat heif_format_of(const uint8_t *data, size_t size) {
    if (data == nullptr || size < 12 || !fourcc(data + 4, "ftyp"))
        return PictureFormat::unknown;
    PictureFormat format = PictureFormat::unknown;
    if (heif_brand(be32(data + 8), format))
        return format;
    // The compatible brands, as far as the box and the bytes given go.
    const size_t end = std::min<size_t>(size, std::max<uint32_t>(be32(data), 16));
    for (size_t at = 16; at + 4 <= end; at += 4)
        if (heif_brand(be32(data + at), format))
            return format;
    return PictureFormat::unknown;
}

PictureProbe heif_probe(const uint8_t *data, size_t size, PictureProbe probe) {
    HeifParse parse;
    parse.data = data;
    parse.size = size;
    bool metaSeen = false;
    const bool whole = iso_boxes(data, 0, size, [&](const Box &b) {
        if (b.type != code("meta") || metaSeen)
            return true;
        metaSeen = true;
        return parse.meta(b);
    });
    if (parse.why != nullptr)
        return std::strstr(parse.why, "too many") != nullptr ? too_large(probe, parse.why)
                                                             : refuse(probe, parse.why);
    if (!whole)
        return refuse(probe, "HEIF cut off");
    if (!metaSeen || !parse.handlerPict || parse.primary == 0)
        return refuse(probe, "HEIF without a primary picture");
    const HeifItem *primary = parse.item(parse.primary);
    if (primary == nullptr)
        return refuse(probe, "HEIF primary item not listed");
    // The coding of the picture, or of a grid's tiles: the first coded item in the list.
    uint32_t coding = primary->type;
    if (coding == code("grid"))
        for (const HeifItem &i : parse.items)
            if (i.type == code("hvc1") || i.type == code("av01")) {
                coding = i.type;
                break;
            }
    if (coding == code("hvc1"))
        probe.format = PictureFormat::heic;
    else if (coding == code("av01"))
        probe.format = PictureFormat::avif;
    else
        return refuse(probe, "HEIF picture coding not supported");
    if (primary->width <= 0 || primary->height <= 0)
        return refuse(probe, "HEIF picture without a size");
    for (const HeifItem &i : parse.items) {
        probe.mostPixels = std::max(probe.mostPixels, i.width * i.height);
        if (i.type == code("hvc1") || i.type == code("av01") || i.type == code("grid")) {
            ++probe.frames;
            if ((i.type != code("grid") || i.id == parse.primary) && !i.placed)
                return refuse(probe, "HEIF picture data outside the file");
        }
    }
    probe.width = primary->width;
    probe.height = primary->height;
    // Only irot and imir turn the picture; an EXIF orientation beside them is informative.
    probe.orientation = primary->orientation;
    probe.bitsPerPixel = 24;
    // Decoded whole: the planes as coded (up to 3 bytes a pixel at 4:4:4) and the rows handed on.
    probe.heldBytes = uint64_t(probe.width) * uint64_t(probe.height) * 6;
    if (probe.mostPixels > picturePixelLimit)
        return too_large(probe, "HEIF claims too many pixels");
    if (probe.heldBytes > pictureHeldLimit)
        return too_large(probe, "HEIF too large to hold whole");
    return probe;
}
