// The BMP test corpus against its reference pictures: good files decode and match, questionable
// ones match or are refused, bad and foreign ones are refused except four whose faults do not
// touch the pixels; never a read outside the file.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "bmp_build.h"
#include "core/reading/bitmap.h"
#include "core/conversion/geometry.h"
#include "tests/picture/picture_files.h"
#include "core/conversion/settings.h"
#include "guarded_bytes.h"
#include "window/document_state.h"

namespace {

const std::string corpusDir = VKD_BMPSUITE_DIR;

struct Picture {
    int32_t width = 0, height = 0;
    std::vector<Rgb> pixels;
};

bool ppm_read(const std::string &path, Picture &pic) {
    const std::vector<uint8_t> bytes = file_bytes(path);
    if (bytes.empty())
        return false;
    std::string head(bytes.begin(), bytes.begin() + std::min<size_t>(bytes.size(), 64));
    std::istringstream in(head);
    std::string magic;
    int maxValue = 0;
    in >> magic >> pic.width >> pic.height >> maxValue;
    if (magic != "P6" || maxValue != 255 || !in)
        return false;
    size_t at = size_t(in.tellg()) + 1;
    if (bytes.size() < at + size_t(pic.width) * pic.height * 3)
        return false;
    for (size_t i = 0; i < size_t(pic.width) * pic.height; ++i)
        pic.pixels.push_back(Rgb{bytes[at + 3 * i], bytes[at + 3 * i + 1], bytes[at + 3 * i + 2]});
    return true;
}

uint32_t u16(const std::vector<uint8_t> &b, size_t at) { return b[at] | b[at + 1] << 8; }
uint32_t u32(const std::vector<uint8_t> &b, size_t at) { return u16(b, at) | u16(b, at + 2) << 16; }

struct Judging {
    int tolerance = 0;   // a channel that is not 8 bits wide may differ by one after scaling
    bool rle = false;    // pixels a stream skips are undefined
    Rgb paletteZero{0, 0, 0};
    // Fully transparent pixels: the reference pictures were flattened from images whose
    // transparent pixels carry an arbitrary colour, so they say nothing there.
    std::vector<bool> transparent;
};

Judging judging_of(const std::vector<uint8_t> &f) {
    Judging j;
    uint32_t hs = u32(f, 14);
    if (hs == 12)
        return j;
    int32_t w = int32_t(u32(f, 18)), h = int32_t(u32(f, 22));
    uint32_t bpp = u16(f, 28), compression = u32(f, 30);
    j.rle = compression == 1 || compression == 2;
    if (j.rle)
        j.paletteZero = Rgb{f[14 + hs + 2], f[14 + hs + 1], f[14 + hs]};
    if (bpp == 16)
        j.tolerance = 1;
    if (compression != 3 && compression != 6)
        return j;
    for (int i = 0; i < 3; ++i) {
        int bits = 0;
        for (uint32_t m = u32(f, 54 + 4 * i); m; m &= m - 1)
            ++bits;
        if (bits != 8)
            j.tolerance = 1;
    }
    uint32_t alpha = compression == 6 || hs >= 56 ? u32(f, 66) : 0;
    if (alpha == 0)
        return j;
    const int32_t rows = h < 0 ? -h : h;
    const size_t stride = (size_t(w) * bpp + 31) / 32 * 4;
    for (int32_t y = 0; y < rows; ++y)
        for (int32_t x = 0; x < w; ++x) {
            size_t at = u32(f, 10) + size_t(h < 0 ? y : rows - 1 - y) * stride + size_t(x) * bpp / 8;
            uint32_t v = bpp == 16 ? u16(f, at) : u32(f, at);
            j.transparent.push_back((v & alpha) == 0);
        }
    return j;
}

bool close_enough(Rgb a, Rgb b, int tolerance) {
    return std::abs(a.r - b.r) <= tolerance && std::abs(a.g - b.g) <= tolerance &&
           std::abs(a.b - b.b) <= tolerance;
}

// Empty when the decoded picture matches; else where and how it first differs.
std::string picture_compare(const Surface &s, const std::vector<Picture> &refs, const Judging &j) {
    auto at = [&](const Picture &p, int32_t x, int32_t y) { return p.pixels[size_t(y) * p.width + x]; };
    auto mismatch = [&](const Picture &ref) -> std::string {
        int bad = 0;
        std::string first;
        for (int32_t y = 0; y < ref.height; ++y)
            for (int32_t x = 0; x < ref.width; ++x) {
                Rgb got = pixel_at(s, x, y);
                bool ok = close_enough(got, at(ref, x, y), j.tolerance) ||
                          (!j.transparent.empty() && j.transparent[size_t(y) * ref.width + x]);
                if (j.rle) {
                    ok = ok || got == rgbBlack || got == j.paletteZero;
                    for (const Picture &other : refs)
                        ok = ok || got == at(other, x, y);
                }
                if (!ok && bad++ == 0) {
                    char text[96];
                    Rgb want = at(ref, x, y);
                    std::snprintf(text, sizeof text, "first at (%d, %d): got %d,%d,%d want %d,%d,%d", x, y,
                                  got.r, got.g, got.b, want.r, want.g, want.b);
                    first = text;
                }
            }
        return bad ? std::to_string(bad) + " pixels differ, " + first : std::string();
    };
    std::string report;
    for (const Picture &ref : refs) {
        std::string m = mismatch(ref);
        if (m.empty())
            return m;
        report += m + "; ";
    }
    return report;
}

struct Row {
    std::string file, size, refs;
};

std::vector<Row> index_read() {
    std::vector<Row> rows;
    const std::vector<uint8_t> bytes = file_bytes(corpusDir + "/ref/INDEX.tsv");
    if (bytes.empty())
        return rows;
    std::istringstream in(std::string(bytes.begin(), bytes.end()));
    std::string line;
    std::getline(in, line); // column names
    while (std::getline(in, line)) {
        std::istringstream fields(line);
        Row r;
        std::getline(fields, r.file, '\t');
        std::getline(fields, r.size, '\t');
        std::getline(fields, r.refs);
        if (!r.file.empty())
            rows.push_back(r);
    }
    return rows;
}

TEST(Corpus, EveryFileAgainstItsReferences) {
    settings_defaults(settings);
    // Wrong density, image size and file size fields: nothing a decoder needs, so they decode.
    const std::set<std::string> harmless{"b/baddens1.bmp", "b/baddens2.bmp", "b/badbitssize.bmp",
                                         "b/badfilesize.bmp"};
    // Valid pictures with a colour profile, which is ignored: they must decode. The second
    // stores red and green swapped and leaves its profile to swap them back.
    const std::set<std::string> profiled{"q/rgb24prof.bmp", "q/rgb24prof2.bmp", "q/rgb24lprof.bmp"};
    const std::string swappedAsStored = "q/rgb24prof2.bmp";
    std::vector<Row> rows = index_read();
    ASSERT_EQ(rows.size(), 100u) << "index not found under " << corpusDir;
    int decoded = 0, refused = 0;
    for (const Row &row : rows) {
        std::vector<uint8_t> file = file_bytes(corpusDir + "/" + row.file);
        ASSERT_FALSE(file.empty()) << row.file;
        const std::string folder = row.file.substr(0, row.file.find('/'));
        const bool good = folder == "g", questionable = folder == "q";

        std::vector<Picture> refs;
        if ((good || questionable) && row.refs != "-") {
            std::istringstream names(row.refs);
            std::string name;
            while (names >> name) {
                Picture p;
                ASSERT_TRUE(ppm_read(corpusDir + "/ref/" + name, p)) << name;
                refs.push_back(p);
            }
        }

        for (GuardSide side : {GuardSide::after, GuardSide::before}) {
            GuardedBytes bytes(file, side);
            OwnedSurface dst(512, 512); // room for every corpus picture
            BmpInfo info = bmp_decode(bytes.data(), bytes.size(), &dst.surface);
            EXPECT_EQ(bmp_decode(bytes.data(), bytes.size(), nullptr).ok, info.ok) << row.file;
            if (side == GuardSide::after)
                (info.ok ? decoded : refused)++;
            if (!info.ok) {
                EXPECT_FALSE(good || profiled.count(row.file)) << row.file << " refused: " << info.reason;
                // Loaded over a picture, a refused file leaves that picture as it was.
                OwnedSurface source(512, 512);
                sourceSurface = source.surface;
                bmpWidth = bmpHeight = 1;
                const LoadResult r =
                    bitmap_load_memory(conversion, bytes.data(), bytes.size(), 1280, 1024);
                bool untouched = true;
                for (uint8_t v : source.buffer)
                    untouched = untouched && v == 0xA5;
                EXPECT_TRUE(r.outcome == LoadOutcome::refused && untouched && bmpWidth == 1)
                    << row.file << ": a refused file changed the loaded picture";
                sourceSurface = Surface{};
                continue;
            }
            if (!good && !questionable) {
                EXPECT_TRUE(harmless.count(row.file)) << row.file << " should be refused";
                continue;
            }
            // A reference may show the picture at another size (non-square pixels stretched).
            std::vector<Picture> sameSize;
            for (Picture p : refs) {
                if (row.file == swappedAsStored)
                    for (Rgb &c : p.pixels)
                        std::swap(c.r, c.g);
                if (p.width == info.width && p.height == info.height)
                    sameSize.push_back(p);
            }
            ASSERT_FALSE(sameSize.empty()) << row.file << " decoded at " << info.width << " x "
                                           << info.height << ", which no reference shows";
            EXPECT_EQ(picture_compare(dst.surface, sameSize, judging_of(file)), "") << row.file;
        }
    }
    std::printf("corpus: %d decoded, %d refused\n", decoded, refused);
    surfaces_release(conversion); // the spare
}

} // namespace
