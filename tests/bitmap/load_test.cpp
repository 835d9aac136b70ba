// Loading: what each outcome leaves behind in bmpWidth, bmpHeight and the source surface, from
// memory and from a file; the document's title is the window's and never the loader's.
#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <new>
#include <string>

#include "bmp_build.h"
#include "core/reading/bitmap.h"
#include "core/files/file_read.h"
#include "core/conversion/geometry.h"
#include "core/reading/picture.h"
#include "core/conversion/settings.h"
#include "window/document_state.h"

namespace {

const std::string unsupported = "この形式は現在サポートされていません。";
const std::string stretchMessage =
    "[ストレッチモード]\nロードするビットマップが大きすぎます。\n2048×1536ピクセル以内のビットマップを使ってください。";
const std::string originalMessage =
    "[オリジナルモード]\nロードするビットマップが大きすぎます。1280×1024サイズ以内のビットマップを使ってください。\n"
    "また縦と横をかけて61440以内でなくてはいけません。";

// 3 x 2, 24 bpp: top row red green blue, bottom row white black grey.
std::vector<uint8_t> small_picture(bool topDown = false) {
    BmpSpec s;
    s.width = 3;
    s.height = topDown ? -2 : 2;
    s.pixels = bmp_rows({{0, 0, 255, 0, 255, 0, 255, 0, 0}, {255, 255, 255, 0, 0, 0, 128, 128, 128}}, topDown);
    return bmp_build(s);
}

std::vector<uint8_t> sized(int32_t width, int32_t height, uint16_t bpp = 24) {
    BmpSpec s;
    s.width = width;
    s.height = height;
    s.bpp = bpp;
    s.pixels.assign(64, 0);
    return bmp_build(s);
}

class Load : public ::testing::Test {
protected:
    OwnedSurface source{canvasWidth, canvasHeight};

    void SetUp() override {
        sourceSurface = source.surface;
        settings_defaults(settings);
        bmpWidth = 77;
        bmpHeight = 88;
        doc_title_from_file_name("photo.bmp");
    }
    void TearDown() override { sourceSurface = Surface{}; }

    void expect_small_picture_loaded(const LoadResult &r) {
        ASSERT_EQ(r.outcome, LoadOutcome::loaded) << r.message.text;
        EXPECT_EQ(r.message.text, "");
        EXPECT_EQ(bmpWidth, 3);
        EXPECT_EQ(bmpHeight, 2);
        EXPECT_STREQ(docTitle, "photo");
        const Rgb top[3] = {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
        const Rgb bottom[3] = {{255, 255, 255}, {0, 0, 0}, {128, 128, 128}};
        bool same = true;
        for (int x = 0; x < 3; ++x)
            same = same && pixel_at(sourceSurface, x, 0) == top[x] && pixel_at(sourceSurface, x, 1) == bottom[x];
        EXPECT_TRUE(same) << surface_dump(sourceSurface, 4, 3);
        // Nothing of the earlier picture stays around the new one.
        EXPECT_EQ(surface_get(sourceSurface, 3, 0), rgbWhite);
        EXPECT_EQ(surface_get(sourceSurface, 0, 2), rgbWhite);
        EXPECT_EQ(surface_get(sourceSurface, canvasWidth - 1, canvasHeight - 1), rgbWhite);
    }
};

TEST_F(Load, AcceptedPictureTakesTheSourceSurface) {
    std::vector<uint8_t> file = small_picture();
    expect_small_picture_loaded(
        bitmap_load_memory(conversion, file.data(), file.size(), 1280, 1024));
    file = small_picture(true);
    expect_small_picture_loaded(
        bitmap_load_memory(conversion, file.data(), file.size(), 1280, 1024));
}

TEST_F(Load, RefusalsChangeNothingButTheTitle) {
    std::vector<uint8_t> notBm = small_picture();
    notBm[1] = 0x41;
    std::vector<uint8_t> shortFile = small_picture();
    shortFile.resize(53);
    struct Case {
        const char *name;
        int32_t mode, screenWidth, screenHeight;
        std::vector<uint8_t> file;
        std::string message;
    };
    const Case cases[] = {
        {"magic 0x42 0x41", 1, 1280, 1024, notBm, unsupported},
        {"53 bytes", 1, 1280, 1024, shortFile, unsupported},
        {"width 0", 1, 1280, 1024, sized(0, 2), unsupported},
        {"width -5", 1, 1280, 1024, sized(-5, 2), unsupported},
        {"height 0", 1, 1280, 1024, sized(3, 0), unsupported},
        {"passes the header, cannot be decoded", 1, 1280, 1024, sized(3, 2, 3), unsupported},
        {"pixels cut off", 1, 1280, 1024, sized(100, 100), unsupported},
        {"2049 x 1", 1, 1280, 1024, sized(2049, 1), stretchMessage},
        {"1 x 1537", 1, 1280, 1024, sized(1, 1537), stretchMessage},
        {"INT32_MIN height", 1, 1280, 1024, sized(1, INT32_MIN), stretchMessage},
        {"original: 241 x 256", 2, 1280, 1024, sized(241, 256), originalMessage},
        // The screen is taller than the surface: the limit the user meets is the surface's.
        {"original: taller than the source surface", 2, 2560, 1600, sized(30, 1590),
         "[オリジナルモード]\nロードするビットマップが大きすぎます。2048×1536サイズ以内のビットマップを使ってください。\n"
         "また縦と横をかけて61440以内でなくてはいけません。"},
        {"other mode: taller than the source surface", 3, 1280, 1024, sized(10, 2000), stretchMessage},
    };
    const std::vector<uint8_t> before = source.buffer;
    for (const Case &c : cases) {
        settings.Mode = c.mode;
        doc_title_from_file_name("photo.bmp");
        LoadResult r = bitmap_load_memory(conversion, c.file.data(), c.file.size(), c.screenWidth,
                                          c.screenHeight);
        EXPECT_EQ(r.outcome, LoadOutcome::refused) << c.name;
        EXPECT_EQ(r.message.text, c.message) << c.name;
        EXPECT_EQ(r.message.icon, MessageIcon::warning) << c.name;
        EXPECT_STREQ(docTitle, "photo") << c.name; // the title is the window's to change
        EXPECT_EQ(bmpWidth, 77) << c.name;
        EXPECT_EQ(bmpHeight, 88) << c.name;
        EXPECT_TRUE(source.buffer == before) << c.name << ": the source surface changed";
    }
}

TEST_F(Load, OriginalModeAcceptsTheAreaLimit) {
    settings.Mode = 2;
    BmpSpec s;
    s.width = 240;
    s.height = -256;
    s.bpp = 8;
    s.palette = {0x204060};
    s.pixels.assign(240 * 256, 0);
    std::vector<uint8_t> file = bmp_build(s);
    LoadResult r = bitmap_load_memory(conversion, file.data(), file.size(), 1280, 1024);
    ASSERT_EQ(r.outcome, LoadOutcome::loaded) << r.message.text;
    EXPECT_EQ(bmpWidth, 240);
    EXPECT_EQ(bmpHeight, 256);
    EXPECT_EQ(pixel_at(sourceSurface, 239, 255), (Rgb{0x20, 0x40, 0x60}));
    EXPECT_EQ(surface_get(sourceSurface, 240, 255), rgbWhite);
}

// A picture as wide or as tall as the source surface fits it exactly. (Pictures wider than 600
// pixels are kept as their reduced copy alone, the source surface is then not theirs.)
TEST_F(Load, PicturesTheSizeOfTheSourceSurface) {
    struct Case {
        int32_t mode, width, height;
    } const cases[] = {{1, 2048, 1}, {1, 1, 1536}, {2, 40, 1536}, {3, 2048, 1}};
    for (const Case &c : cases) {
        settings.Mode = c.mode;
        BmpSpec s;
        s.width = c.width;
        s.height = c.height;
        s.bpp = 8;
        s.palette = {0x102030};
        s.pixels.assign(size_t((c.width + 3) / 4 * 4) * c.height, 0);
        const std::vector<uint8_t> file = bmp_build(s);
        LoadResult r = bitmap_load_memory(conversion, file.data(), file.size(), 4000, 4000);
        ASSERT_EQ(r.outcome, LoadOutcome::loaded)
            << c.width << " x " << c.height << ": " << r.message.text;
        EXPECT_EQ((std::vector<int32_t>{bmpWidth, bmpHeight}),
                  (std::vector<int32_t>{c.width, c.height}));
        if (c.width <= 600) {
            EXPECT_EQ(pixel_at(sourceSurface, c.width - 1, c.height - 1), (Rgb{0x10, 0x20, 0x30}));
        }
    }
}

// The reduced copy is made anew only when the source surface changed: a second picture of the
// same size must count as a change, or the previews keep showing the first.
TEST_F(Load, NextPictureOfTheSameSizeReachesThePreviews) {
    surfaces_create(
        conversion); // the canvas and the reduced copy; the source surface is the fixture's
    settings.Mojisu = 300;
    for (const uint32_t colour : {0xC02010u, 0x1040F0u}) {
        BmpSpec s;
        s.width = 900; // wider than 600: the previews come from the reduced copy
        s.height = 30;
        s.bpp = 8;
        s.palette = {colour};
        s.pixels.assign(900 * 30, 0);
        const std::vector<uint8_t> file = bmp_build(s);
        ASSERT_EQ(bitmap_load_memory(conversion, file.data(), file.size(), 1280, 1024).outcome,
                  LoadOutcome::loaded);
        ASSERT_EQ(map_geometry_update(conversion), 1);
        const Rgb expected{uint8_t(colour >> 16), uint8_t(colour >> 8), uint8_t(colour)};
        EXPECT_EQ(surface_get(reducedCopy, 150, 5), expected) << std::hex << colour;
        EXPECT_EQ(surface_get(canvas, 15 + 150, 15 + 5), expected) << std::hex << colour;
    }
    sourceSurface = Surface{}; // the fixture's own memory is not the allocator's
    surfaces_release(conversion);
}

bool file_write(const std::string &path, const std::vector<uint8_t> &bytes) {
    std::FILE *f = std::fopen(path.c_str(), "wb");
    if (f == nullptr)
        return false;
    bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

void path_set(const std::string &path) {
    ASSERT_LT(path.size(), sizeof bitmapPath);
    std::strcpy(bitmapPath, path.c_str());
}

TEST_F(Load, FromAFile) {
    const std::string dir = VKD_SCRATCH_DIR;
    ASSERT_TRUE(file_write(dir + "/photo.bmp", small_picture()));
    path_set(dir + "/photo.bmp");
    expect_small_picture_loaded(bitmap_load(conversion, bitmapPath, 1280, 1024));

    // Open failures touch nothing, not even the title.
    const std::vector<uint8_t> before = source.buffer;
    for (const std::string &path : {dir + "/missing.bmp", dir}) {
        path_set(path);
        LoadResult r = bitmap_load(conversion, bitmapPath, 1280, 1024);
        EXPECT_EQ(r.outcome, LoadOutcome::openFailed) << path;
        EXPECT_EQ(r.message.text, "ファイルのオープンに失敗しました。") << path;
        EXPECT_EQ(r.message.icon, MessageIcon::error) << path;
        EXPECT_STREQ(docTitle, "photo") << path;
        EXPECT_EQ(bmpWidth, 3) << path;
        EXPECT_TRUE(source.buffer == before) << path;
    }
    // Held open by another reader (an image viewer, say), it still loads: reads are shared.
    std::FILE *held = std::fopen((dir + "/photo.bmp").c_str(), "rb");
    ASSERT_NE(held, nullptr);
    path_set(dir + "/photo.bmp");
    EXPECT_EQ(bitmap_load(conversion, bitmapPath, 1280, 1024).outcome, LoadOutcome::loaded);
    std::fclose(held);

    std::vector<uint8_t> shortFile = small_picture();
    shortFile.resize(20);
    ASSERT_TRUE(file_write(dir + "/short.bmp", shortFile));
    path_set(dir + "/short.bmp");
    LoadResult r = bitmap_load(conversion, bitmapPath, 1280, 1024);
    EXPECT_EQ(r.outcome, LoadOutcome::refused);
    EXPECT_EQ(r.message.text, unsupported);
    EXPECT_TRUE(source.buffer == before);
}

// Memory a decoder cannot get is a refusal in the program's own words, never an abort, and
// leaves the loaded picture as it was.
TEST_F(Load, MemoryThatCannotBeHadIsARefusal) {
    const std::vector<uint8_t> gif = {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0x80, 0, 0,
                                      0, 0, 0, 255, 255, 255, 0x2C, 0, 0, 0, 0, 1, 0, 1, 0, 0,
                                      2, 2, 0x44, 1, 0, 0x3B};
    const PictureCodec before = pictureCodec;
    pictureCodec = [](const uint8_t *, size_t, const PictureProbe &, PictureSink &, const char **) -> bool {
        throw std::bad_alloc();
    };
    const std::vector<uint8_t> surfaceBefore = source.buffer;
    const LoadResult r = bitmap_load_memory(conversion, gif.data(), gif.size(), 1280, 1024);
    pictureCodec = before;
    EXPECT_EQ(r.outcome, LoadOutcome::refused);
    EXPECT_EQ(r.message.text, unsupported);
    EXPECT_EQ(bmpWidth, 77);
    EXPECT_TRUE(source.buffer == surfaceBefore);
}

// A file loads as a stream of the same bytes does, however long: both are read only so far
// (64 MiB), and an RLE picture that ends before that loads whatever follows it.
TEST_F(Load, FilesAndStreamsAlike) {
    BmpSpec s;
    s.width = 4;
    s.bpp = 8;
    s.palette = {0x102030, 0x405060};
    s.compression = 1;
    s.pixels = {0x04, 0x01, 0x00, 0x01};
    const std::vector<uint8_t> rle = bmp_build(s);
    std::vector<uint8_t> unended = rle;
    unended.resize(unended.size() - 2);
    const uint64_t past = (uint64_t(64) << 20) + 4096; // zeros after the picture
    struct Case {
        const char *name;
        std::vector<uint8_t> file;
        uint64_t length;
        LoadOutcome outcome;
    } const cases[] = {
        {"RLE8", rle, rle.size(), LoadOutcome::loaded},
        {"RLE8 in a file over 64 MiB", rle, past, LoadOutcome::loaded},
        {"24-bit in a file over 64 MiB", small_picture(), past, LoadOutcome::loaded},
        {"RLE8 without an end marker, over 64 MiB", unended, past, LoadOutcome::refused},
    };
    const std::string path = std::string(VKD_SCRATCH_DIR) + "/long.bmp";
    for (const Case &c : cases) {
        ASSERT_TRUE(file_write(path, c.file));
        std::filesystem::resize_file(path, c.length);
        for (const bool stream : {false, true}) {
            FileSource source;
            ASSERT_TRUE(file_source_open(path.c_str(), source));
            source.stream = stream; // its length then known only at its end, as for a pipe
            bmpWidth = 77;
            const LoadResult r = bitmap_load_source(conversion, source, 1280, 1024);
            EXPECT_EQ(r.outcome, c.outcome) << c.name << (stream ? " as a stream: " : " as a file: ")
                                            << r.message.text;
            EXPECT_EQ(bmpWidth, c.outcome == LoadOutcome::loaded ? c.file[18] : 77) << c.name;
        }
    }
    std::filesystem::remove(path);
}

} // namespace
