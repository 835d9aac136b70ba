// PNG, JPEG and GIF files loaded as the window and the converter load them: pixels against the
// references, JPEG against the drawn source and upright by its orientation, the size rules of
// each mode, and refusals that leave the loaded picture alone.
#include <gtest/gtest.h>

#include <cstdlib>
#include <new>
#include <string>
#include <vector>

#include "core/reading/bitmap.h"
#include "core/conversion/geometry.h"
#include "core/reading/picture.h"
#include "core/conversion/settings.h"
#include "picture_files.h"
#include "tests/bitmap/bmp_build.h"
#include "window/document_state.h"

namespace {

const std::string unsupported = "この形式は現在サポートされていません。";
const std::string stretchMessage = "[ストレッチモード]\nロードするビットマップが大きすぎます。\n"
                                   "2048×1536ピクセル以内のビットマップを使ってください。";
const std::string pixelsMessage = "画像のピクセルが多すぎて読み込めません。";
const std::string originalMessage =
    "[オリジナルモード]\nロードするビットマップが大きすぎます。1280×1024サイズ以内のビットマップを使ってください。\n"
    "また縦と横をかけて61440以内でなくてはいけません。";

// Whether this platform decodes the file's format (on Windows: whether the system's codec is
// installed; Wine has none for WebP or HEIF).
bool codec_installed(const std::string &name) {
    const std::vector<uint8_t> bytes = file_bytes(picture_path(name));
    const PictureFormat format = picture_format_of(bytes.data(), bytes.size());
    return pictureCodecHas == nullptr || pictureCodecHas(format);
}

class PictureLoad : public ::testing::Test {
  protected:
    OwnedSurface source{canvasWidth, canvasHeight};

    void SetUp() override {
        sourceSurface = source.surface;
        settings_defaults(settings);
        bmpWidth = bmpHeight = 0;
        doc_title_from_file_name("photo.png");
    }
    void TearDown() override { sourceSurface = Surface{}; }

    LoadResult load(const std::vector<uint8_t> &bytes) {
        return bitmap_load_memory(conversion, bytes.data(), bytes.size(), 1280, 1024);
    }
    LoadResult load(const std::string &name) {
        const std::vector<uint8_t> bytes = file_bytes(picture_path(name));
        EXPECT_FALSE(bytes.empty()) << name;
        return load(bytes);
    }
};

TEST_F(PictureLoad, PngAndGifGiveTheirReferencePixels) {
    const char *const names[] = {
        "grey1.png",
        "grey2.png",
        "grey4.png",
        "grey8.png",
        "grey16.png",
        "grey8-trns.png",
        "rgb8.png",
        "rgb16.png",
        "rgb8-trns.png",
        "rgba8.png",
        "rgba16.png",
        "greyalpha8.png",
        "greyalpha16.png",
        "palette1.png",
        "palette2.png",
        "palette4.png",
        "palette8.png",
        "palette4-trns.png",
        "rgba8-interlaced.png",
        "grey16-interlaced.png",
        "palette4-trns-interlaced.png",
        "rgb16-interlaced.png",
        "grey1-interlaced.png",
        "plain.gif",
        "interlaced.gif",
        "transparent.gif",
        "frames.gif",
        // Lossless WebP, alpha over white; an animation shows its first frame.
        "rgba8.webp",
        "frames.webp",
        // Indices past the colour table are black, as in a bitmap.
        "palette-short.png",
        "palette-short.gif",
    };
    for (const char *name : names) {
        if (!codec_installed(name))
            continue;
        const Pixels want = ppm_read(picture_path(std::string(name) + ".ppm"));
        ASSERT_GT(want.width, 0) << name;
        const LoadResult r = load(name);
        ASSERT_EQ(r.outcome, LoadOutcome::loaded) << name << ": " << r.message.text;
        EXPECT_EQ((std::vector<int32_t>{bmpWidth, bmpHeight}),
                  (std::vector<int32_t>{want.width, want.height}))
            << name;
        EXPECT_EQ(pixels_compare(surface_pixels(sourceSurface, want.width, want.height), want), "")
            << name;
        // Around the picture the source surface is white.
        EXPECT_EQ(surface_get(sourceSurface, want.width, 0), rgbWhite) << name;
        EXPECT_EQ(surface_get(sourceSurface, 0, want.height), rgbWhite) << name;
    }
}

// Mean and largest channel difference.
void jpeg_error(const Pixels &got, const Pixels &source, double &mean, int &most) {
    long total = 0;
    most = 0;
    for (int32_t y = 0; y < source.height; ++y)
        for (int32_t x = 0; x < source.width; ++x) {
            const Rgb g = got.at(x, y), s = source.at(x, y);
            const int want[3] = {s.r, s.g, s.b};
            const int have[3] = {g.r, g.g, g.b};
            for (int i = 0; i < 3; ++i) {
                const int d = std::abs(have[i] - want[i]);
                total += d;
                most = std::max(most, d);
            }
        }
    mean = double(total) / (3.0 * source.width * source.height);
}

TEST_F(PictureLoad, JpegsDecodeCloseToWhatWasDrawn) {
    for (const char *name : {"baseline.jpg", "progressive.jpg", "yuv444.jpg", "grey.jpg"}) {
        const bool grey = std::string(name) == "grey.jpg";
        const Pixels source = ppm_read(picture_path(grey ? "photo-grey.ppm" : "photo.ppm"));
        ASSERT_GT(source.width, 0);
        const LoadResult r = load(name);
        ASSERT_EQ(r.outcome, LoadOutcome::loaded) << name << ": " << r.message.text;
        ASSERT_EQ((std::vector<int32_t>{bmpWidth, bmpHeight}), (std::vector<int32_t>{64, 48})) << name;
        const Pixels got = surface_pixels(sourceSurface, 64, 48);
        double mean = 0;
        int most = 0;
        jpeg_error(got, source, mean, most);
        EXPECT_LT(mean, 6.0) << name << " (largest difference " << most << ")";
        if (grey) {
            bool neutral = true;
            for (const Rgb &c : got.rgb)
                neutral = neutral && c.r == c.g && c.g == c.b;
            EXPECT_TRUE(neutral) << name << ": a grey JPEG has grey pixels";
        }
    }
}

TEST_F(PictureLoad, ExifOrientationStandsThePictureUpright) {
    // The stored picture is 48 x 32: red top left, green top right, blue bottom left, yellow
    // bottom right. Shown upright, every file looks like that again.
    const Rgb red{220, 30, 30}, green{30, 200, 40}, blue{30, 40, 210}, yellow{240, 240, 40};
    auto near = [](Rgb a, Rgb b) {
        return std::abs(a.r - b.r) < 40 && std::abs(a.g - b.g) < 40 && std::abs(a.b - b.b) < 40;
    };
    struct Case {
        std::string name;
        int32_t width, height;
        Rgb topLeft, topRight, bottomLeft, bottomRight; // of the stored picture, where shown
    };
    // Where each stored quadrant ends up when the stored picture is turned by the orientation;
    // the camera stored it that way so that turning makes it upright. WebP turns by its EXIF
    // orientation as JPEG does; HEIF and AVIF by irot and imir, once.
    const Case cases[] = {
        {"orientation1.jpg", 48, 32, red, green, blue, yellow},
        {"orientation2.jpg", 48, 32, green, red, yellow, blue},
        {"orientation3.jpg", 48, 32, yellow, blue, green, red},
        {"orientation4.jpg", 48, 32, blue, yellow, red, green},
        {"orientation5.jpg", 32, 48, red, blue, green, yellow},
        {"orientation6.jpg", 32, 48, blue, red, yellow, green},
        {"orientation7.jpg", 32, 48, yellow, green, blue, red},
        {"orientation8.jpg", 32, 48, green, yellow, red, blue},
        {"orientation6.webp", 32, 48, blue, red, yellow, green},
        {"irot1.heic", 32, 48, green, yellow, red, blue},
        {"irot1.avif", 32, 48, green, yellow, red, blue},
        // As libheif's own heif-convert shows them.
        {"imir0-irot2.heic", 48, 32, green, red, yellow, blue},
        {"imir1.heic", 48, 32, green, red, yellow, blue},
        {"imir0-irot2.avif", 48, 32, green, red, yellow, blue},
    };
    for (const Case &c : cases) {
        const std::string &name = c.name;
        if (!codec_installed(name))
            continue; // the refusal is checked on its own
        const LoadResult r = load(name);
        ASSERT_EQ(r.outcome, LoadOutcome::loaded) << name;
        EXPECT_EQ((std::vector<int32_t>{bmpWidth, bmpHeight}),
                  (std::vector<int32_t>{c.width, c.height}))
            << name;
        const int32_t qx = c.width / 4, qy = c.height / 4;
        EXPECT_TRUE(near(pixel_at(sourceSurface, qx, qy), c.topLeft)) << name << " top left";
        EXPECT_TRUE(near(pixel_at(sourceSurface, 3 * qx, qy), c.topRight)) << name << " top right";
        EXPECT_TRUE(near(pixel_at(sourceSurface, qx, 3 * qy), c.bottomLeft)) << name << " bottom left";
        EXPECT_TRUE(near(pixel_at(sourceSurface, 3 * qx, 3 * qy), c.bottomRight))
            << name << " bottom right";
    }
}

// WebP, HEIC and AVIF made from the same pixels as photo-320.png: lossless WebP gives them
// exactly, the others close to them. Without the system's codec: the message that names it.
TEST_F(PictureLoad, NewerFormatsGiveThePixelsTheyWereMadeFrom) {
    ASSERT_EQ(load("photo-320.png").outcome, LoadOutcome::loaded);
    const Pixels png = surface_pixels(sourceSurface, 320, 240);
    const struct {
        const char *name;
        double mean;         // largest mean channel difference; 0: the same pixels
        const char *missing; // a word of the message naming what to install
    } cases[] = {
        {"photo-320-lossless.webp", 0, "WebP"},
        {"photo-320.webp", 4.0, "WebP"},
        {"photo-320.heic", 4.0, "HEVC"},
        {"photo-320.avif", 4.0, "AV1"},
    };
    for (const auto &c : cases) {
        bmpWidth = bmpHeight = 0;
        const LoadResult r = load(c.name);
        if (!codec_installed(c.name)) {
            EXPECT_EQ(r.outcome, LoadOutcome::refused) << c.name;
            EXPECT_NE(r.message.text.find(c.missing), std::string::npos) << r.message.text;
            continue;
        }
        ASSERT_EQ(r.outcome, LoadOutcome::loaded) << c.name << ": " << r.message.text;
        ASSERT_EQ((std::vector<int32_t>{bmpWidth, bmpHeight}), (std::vector<int32_t>{320, 240}));
        const Pixels got = surface_pixels(sourceSurface, 320, 240);
        if (c.mean == 0) {
            EXPECT_EQ(pixels_compare(got, png), "") << c.name;
            continue;
        }
        double mean = 0;
        int most = 0;
        jpeg_error(got, png, mean, most);
        EXPECT_LT(mean, c.mean) << c.name << " (largest difference " << most << ")";
    }
}

// Without the system's codec a picture is refused with what to install, but only once the
// probe's limits passed: a picture too large, or broken, says so first.
TEST_F(PictureLoad, MissingCodecNamesWhatToInstall) {
    const PictureCodecHas installed = pictureCodecHas;
    pictureCodecHas = [](PictureFormat f) {
        return f != PictureFormat::webp && f != PictureFormat::heic && f != PictureFormat::avif;
    };
    std::vector<uint8_t> huge = file_bytes(picture_path("photo-320-lossless.webp"));
    huge[21] = huge[22] = huge[23] = 0xFF; // VP8L: 16384 x 16384
    huge[24] |= 0x0F;
    const struct {
        std::string name;
        std::vector<uint8_t> bytes;
        std::string message;
    } cases[] = {
        {"WebP", file_bytes(picture_path("photo-320.webp")),
         "WebP 画像を開くには、Microsoft Store から「WebP "
         "画像拡張機能」をインストールしてください。"},
        {"HEIC", file_bytes(picture_path("photo-320.heic")),
         "HEIC 画像を開くには、Microsoft Store から「HEIF 画像拡張機能」と「HEVC ビデオ拡張機能」を"
         "インストールしてください。"},
        {"AVIF", file_bytes(picture_path("photo-320.avif")),
         "AVIF 画像を開くには、Microsoft Store から「AV1 Video "
         "Extension」をインストールしてください。"},
        {"too large first", huge, "画像のピクセルが多すぎて読み込めません。"},
        {"cut off first", std::vector<uint8_t>(huge.begin(), huge.begin() + 100), unsupported},
        {"PNG needs nothing", file_bytes(picture_path("rgb8.png")), ""},
    };
    for (const auto &c : cases)
        EXPECT_EQ(load(c.bytes).message.text, c.message) << c.name;
    pictureCodecHas = installed;
}

TEST_F(PictureLoad, SizeRulesOfEachMode) {
    struct Case {
        const char *name;
        int32_t mode;
        LoadOutcome outcome;
        std::string message;
        int32_t width, height;
    };
    const Case cases[] = {
        // Stretch mode reduces a phone photo to fit the source surface.
        {"phone-4000x3000.jpg", 1, LoadOutcome::loaded, "", 2048, 1536},
        // Original mode never reduces: one character a pixel.
        {"phone-4000x3000.jpg", 2, LoadOutcome::refused, originalMessage, 0, 0},
        {"rgb8.png", 2, LoadOutcome::loaded, "", 37, 23},
        {"orientation6.jpg", 2, LoadOutcome::loaded, "", 32, 48},
        // Claims beyond the pixel limit are refused before decoding, in every mode.
        {"bomb-30000x30000.png", 1, LoadOutcome::refused, pixelsMessage, 0, 0},
        {"bomb-30000x30000.png", 2, LoadOutcome::refused, pixelsMessage, 0, 0},
        {"claims-10000x10000.png", 1, LoadOutcome::refused, unsupported, 0, 0}, // at the limit
        // Within that limit, but a side longer than some decoders read.
        {"sliver-10000000x10.png", 1, LoadOutcome::refused, pixelsMessage, 0, 0},
        {"cmyk.jpg", 1, LoadOutcome::refused, unsupported, 0, 0},
        // 189 bytes whose data ends at once: the library would pad 23 million pixels.
        {"damaged-claims-5696x4144.jpg", 1, LoadOutcome::refused, unsupported, 0, 0},
    };
    for (const Case &c : cases) {
        settings.Mode = c.mode;
        bmpWidth = bmpHeight = 0;
        doc_title_from_file_name("photo.png");
        const LoadResult r = load(c.name);
        EXPECT_EQ(r.outcome, c.outcome) << c.name << " in mode " << c.mode;
        EXPECT_EQ(r.message.text, c.message) << c.name << " in mode " << c.mode;
        EXPECT_EQ((std::vector<int32_t>{bmpWidth, bmpHeight}),
                  (std::vector<int32_t>{c.width, c.height}))
            << c.name << " in mode " << c.mode;
        EXPECT_STREQ(docTitle, "photo") << c.name; // the title is the window's to change
    }
}

// A screenshot on the clipboard arrives as a bitmap: it is reduced to fit as a PNG is, where a
// bitmap file of that size is refused; a DIB is judged by its headers before anything is copied,
// and its refusals name the limit, never the bitmap file's.
TEST_F(PictureLoad, ClipboardBitmapsAreReducedToFit) {
    BmpSpec spec;
    spec.width = 4096;
    spec.height = 8;
    spec.pixels.assign(size_t(4096) * 3 * 8, 0);
    const std::vector<uint8_t> wide = bmp_build(spec);
    const std::vector<uint8_t> wideDib(wide.begin() + 14, wide.end());
    std::vector<uint8_t> claims = wideDib; // 20000 x 20000 in 96 KiB
    claims[4] = 0x20, claims[5] = 0x4E, claims[8] = 0x20, claims[9] = 0x4E;
    enum How { file, fitted, dib };
    const struct {
        int32_t mode;
        How how;
        const std::vector<uint8_t> &bytes;
        std::string message;
        int32_t width, height;
    } cases[] = {
        {1, fitted, wide, "", 2048, 4},
        {1, file, wide, stretchMessage, 0, 0},
        {2, fitted, wide, originalMessage, 0, 0},
        {1, dib, wideDib, "", 2048, 4},
        {2, dib, wideDib, originalMessage, 0, 0},
        {1, dib, claims, pixelsMessage, 0, 0},
    };
    for (const auto &c : cases) {
        settings.Mode = c.mode;
        bmpWidth = bmpHeight = 0;
        const LoadResult r =
            c.how == file     ? load(c.bytes)
            : c.how == fitted ? bitmap_load_memory_fitted(conversion, c.bytes.data(), c.bytes.size(), 1280, 1024)
                              : bitmap_load_dib(conversion, c.bytes.data(), c.bytes.size(), 1280, 1024);
        EXPECT_EQ(r.message.text, c.message) << c.mode << c.how;
        EXPECT_EQ((std::vector<int32_t>{bmpWidth, bmpHeight}), (std::vector<int32_t>{c.width, c.height}))
            << c.mode << c.how;
    }
}

TEST_F(PictureLoad, OriginalModeOnAScreenLargerThanTheSurface) {
    // 2100 x 20 fits a 2560 x 1600 screen and the area, but not the source surface.
    const std::vector<uint8_t> png = file_bytes(picture_path("rgb8.png"));
    std::vector<uint8_t> wide = png;
    wide[16 + 2] = 0x08, wide[16 + 3] = 0x34; // width 2100
    wide[20 + 3] = 20;                           // height 20
    png_fix_crc(wide, 8);
    settings.Mode = 2;
    const LoadResult r = bitmap_load_memory(conversion, wide.data(), wide.size(), 2560, 1600);
    EXPECT_EQ(r.outcome, LoadOutcome::refused);
    EXPECT_EQ(r.message.text,
              "[オリジナルモード]\nロードするビットマップが大きすぎます。2048×1536サイズ以内のビットマップを使ってください。\n"
              "また縦と横をかけて61440以内でなくてはいけません。");
}

TEST_F(PictureLoad, DamagedFilesLeaveTheLoadedPictureAlone) {
    ASSERT_EQ(load("rgb8.png").outcome, LoadOutcome::loaded);
    const std::vector<uint8_t> before = source.buffer;
    for (const char *name : {"rgba16.png", "rgba8-interlaced.png", "progressive.jpg",
                             "baseline.jpg", "plain.gif", "interlaced.gif"}) {
        const std::vector<uint8_t> whole = file_bytes(picture_path(name));
        // Half the file, and three quarters: both end inside the pixel data.
        for (size_t keep : {whole.size() / 2, whole.size() * 3 / 4}) {
            std::vector<uint8_t> cut(whole.begin(), whole.begin() + keep);
            doc_title_from_file_name("photo.png");
            const LoadResult r = load(cut);
            EXPECT_EQ(r.outcome, LoadOutcome::refused) << name << " cut to " << keep;
            EXPECT_EQ(r.message.text, unsupported) << name << " cut to " << keep;
            EXPECT_EQ((std::vector<int32_t>{bmpWidth, bmpHeight}), (std::vector<int32_t>{37, 23}))
                << name;
            EXPECT_TRUE(source.buffer == before) << name << " cut to " << keep;
        }
    }
}

TEST_F(PictureLoad, RecognisedBySignatureOnly) {
    // PNG bytes that start with "BM" are judged as a BMP: offset 18 then holds a width of 9472
    // (IHDR's bytes), over the stretch limit. Unknown first bytes keep the BMP path's answer.
    std::vector<uint8_t> png = file_bytes(picture_path("rgb8.png"));
    std::vector<uint8_t> bm = png;
    bm[0] = 'B', bm[1] = 'M';
    std::vector<uint8_t> ba = png;
    ba[0] = 'B', ba[1] = 'A';
    EXPECT_EQ(load(bm).message.text, stretchMessage);
    EXPECT_EQ(load(ba).message.text, unsupported);
    EXPECT_EQ(load(png).outcome, LoadOutcome::loaded);
}

} // namespace

namespace {

// A picture too wide for its previews to come from the source surface is kept as its reduced
// copy alone: that copy must be what the previews' scaler makes of the whole picture.
TEST(PictureWide, ReducedCopyAsFromTheWholePicture) {
    surfaces_create(conversion);
    settings_defaults(settings);
    map_geometry_clear(conversion);
    const std::vector<uint8_t> bytes = file_bytes(picture_path("phone-4000x3000.jpg"));
    const PictureProbe probe = picture_probe(bytes.data(), bytes.size());
    const PictureSize shown = picture_fit_size(probe.width, probe.height, canvasWidth, canvasHeight);
    std::vector<uint8_t> wholeBits(size_t(surface_stride(shown.width)) * shown.height);
    Surface whole{shown.width, shown.height, surface_stride(shown.width), wholeBits.data()};
    PictureSink sink;
    picture_sink_begin(sink, probe.width, probe.height, probe.orientation, shown, whole);
    const char *reason = nullptr;
    ASSERT_TRUE(pictureCodec(bytes.data(), bytes.size(), probe, sink, &reason)) << reason;
    std::vector<uint8_t> wantBits(size_t(reducedCopy.stride) * reducedCopy.height);
    Surface want{reducedCopy.width, reducedCopy.height, reducedCopy.stride, wantBits.data()};
    surface_scale(whole, shown.width, shown.height, want, 0, 0, shown.width / 3, shown.height / 3);

    ASSERT_EQ(bitmap_load_memory(conversion, bytes.data(), bytes.size(), 1280, 1024).outcome, LoadOutcome::loaded);
    int differ = 0;
    for (int32_t y = 0; y < shown.height / 3; ++y)
        for (int32_t x = 0; x < shown.width / 3; ++x)
            differ += surface_get(reducedCopy, x, y) != surface_get(want, x, y);
    EXPECT_EQ(differ, 0);
    surfaces_release(conversion);
}

// The frame header's height: 1 is a picture, 0 is not.
TEST(PictureProbe, JpegHeightOneIsAPicture) {
    std::vector<uint8_t> bytes = file_bytes(picture_path("baseline.jpg"));
    size_t sof = 2;
    while (sof + 9 < bytes.size() && !(bytes[sof] == 0xFF && (bytes[sof + 1] == 0xC0 || bytes[sof + 1] == 0xC2)))
        ++sof;
    ASSERT_LT(sof + 9, bytes.size());
    for (const uint8_t height : {1, 0}) {
        bytes[sof + 5] = 0;
        bytes[sof + 6] = height;
        const PictureProbe probe = picture_probe(bytes.data(), bytes.size());
        EXPECT_EQ(probe.reason == nullptr, height == 1) << int(height);
    }
}

// A picture cut short fails to decode and says why, for the fuzz log and these tests (the probe
// of the whole file lets the decoder see the cut one).
TEST(PictureDecode, CutShortSaysWhy) {
    for (const char *name : {"rgb8.png", "baseline.jpg", "frames.gif"}) {
        std::vector<uint8_t> bytes = file_bytes(picture_path(name));
        const PictureProbe probe = picture_probe(bytes.data(), bytes.size());
        ASSERT_EQ(probe.reason, nullptr) << name;
        bytes.resize(bytes.size() * 3 / 5);
        OwnedSurface dst(probe.width, probe.height);
        PictureSink sink;
        picture_sink_begin(sink, probe.width, probe.height, probe.orientation,
                           PictureSize{int32_t(probe.width), int32_t(probe.height)}, dst.surface);
        const char *reason = nullptr;
        const bool decoded = pictureCodec(bytes.data(), bytes.size(), probe, sink, &reason);
        EXPECT_FALSE(decoded && picture_sink_complete(sink)) << name;
        if (!decoded) {
            EXPECT_TRUE(reason != nullptr && *reason != '\0') << name;
        }
    }
}

} // namespace

namespace {

// Memory the decoder cannot get is a refusal that says so, never an exception out of it.
bool failAllocations = false;

} // namespace

// The replacements pair malloc with free; GCC takes them for the built-in ones.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif
void *operator new(size_t size) {
    if (failAllocations)
        throw std::bad_alloc();
    if (void *p = std::malloc(size == 0 ? 1 : size))
        return p;
    throw std::bad_alloc();
}
void operator delete(void *p) noexcept { std::free(p); }
void operator delete(void *p, size_t) noexcept { std::free(p); }

namespace {

TEST(PictureDecode, OutOfMemoryIsARefusal) {
    for (const char *name : {"rgba8.png", "rgba8-interlaced.png", "rgb8.png", "progressive.jpg",
                             "plain.gif", "interlaced.gif"}) {
        const std::vector<uint8_t> bytes = file_bytes(picture_path(name));
        const PictureProbe probe = picture_probe(bytes.data(), bytes.size());
        ASSERT_EQ(probe.reason, nullptr) << name;
        OwnedSurface dst(probe.width, probe.height);
        PictureSink sink;
        picture_sink_begin(sink, probe.width, probe.height, probe.orientation,
                           PictureSize{int32_t(probe.width), int32_t(probe.height)}, dst.surface);
        const char *reason = nullptr;
        bool decoded = false, threw = false;
        failAllocations = true;
        try {
            decoded = pictureCodec(bytes.data(), bytes.size(), probe, sink, &reason);
        } catch (...) {
            threw = true;
        }
        failAllocations = false;
        EXPECT_FALSE(threw) << name;
        if (!decoded) {
            EXPECT_STREQ(reason, "out of memory") << name;
        }
    }
}

} // namespace
