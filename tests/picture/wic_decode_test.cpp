// The imaging component's glue on its own: it decodes only what the probe described, and leaves
// COM on the calling thread exactly as it found it.
#include <windows.h>
#include <objbase.h>

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

#include "core/common/document.h"
#include "core/reading/load.h"
#include "core/reading/picture.h"
#include "core/conversion/settings.h"
#include "platform/picture_wic.h"
#include "picture_files.h"
#include "tests/bitmap/bmp_build.h"
#include "window/document_state.h"

namespace {

// Decodes bytes as the probe says, into a sink sized by the probe; the reason on failure.
bool decode(const std::vector<uint8_t> &bytes, const PictureProbe &probe, std::string &reason) {
    OwnedSurface dst{64, 64};
    PictureSink sink;
    picture_sink_begin(sink, probe.width, probe.height, 1,
                       PictureSize{int32_t(probe.width), int32_t(probe.height)}, dst.surface);
    const char *why = nullptr;
    const bool ok = picture_wic_decode(bytes.data(), bytes.size(), probe, sink, &why) &&
                    picture_sink_complete(sink);
    reason = why != nullptr ? why : "";
    return ok;
}

std::vector<uint8_t> picture_bytes(const char *name) {
    return file_bytes(picture_path(name));
}

// A black RGB PNG of any size, its zlib data written here (no zlib on Windows): one fixed-code
// deflate block of a zero and then copies of 258 bytes at distance 1.
std::vector<uint8_t> black_png(uint32_t width, uint32_t height) {
    const uint64_t raw = uint64_t(height) * (uint64_t(width) * 3 + 1);
    std::vector<uint8_t> z = {0x78, 0x01};
    uint32_t bits = 0;
    int count = 0;
    auto put = [&](uint32_t code, int n, bool reversed) { // Huffman codes go high bit first
        for (int i = 0; i < n; ++i) {
            const uint32_t bit = reversed ? code >> (n - 1 - i) & 1 : code >> i & 1;
            bits |= bit << count;
            if (++count == 8) {
                z.push_back(uint8_t(bits));
                bits = 0;
                count = 0;
            }
        }
    };
    put(1, 1, false); // the last block
    put(1, 2, false); // fixed codes
    put(0x30, 8, true); // literal 0
    uint64_t left = raw - 1;
    for (; left >= 258; left -= 258) {
        put(0xC5, 8, true); // length 258
        put(0, 5, true);    // distance 1
    }
    for (; left > 0; --left)
        put(0x30, 8, true);
    put(0, 7, true); // end of block
    if (count > 0)
        put(0, 8 - count, false);
    const uint32_t adler = uint32_t(raw % 65521) << 16 | 1;
    for (int shift = 24; shift >= 0; shift -= 8)
        z.push_back(uint8_t(adler >> shift));
    std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
    std::vector<uint8_t> ihdr(13, 0);
    for (int i = 0; i < 4; ++i) {
        ihdr[size_t(i)] = uint8_t(width >> (24 - 8 * i));
        ihdr[size_t(4 + i)] = uint8_t(height >> (24 - 8 * i));
    }
    ihdr[8] = 8;  // depth
    ihdr[9] = 2;  // RGB
    for (const std::vector<uint8_t> &c :
         {png_chunk("IHDR", ihdr), png_chunk("IDAT", z), png_chunk("IEND", {})})
        png.insert(png.end(), c.begin(), c.end());
    return png;
}

} // namespace

TEST(WicDecode, OnlyWhatTheProbeDescribed) {
    const std::vector<uint8_t> png = picture_bytes("rgb8.png");
    const std::vector<uint8_t> gif = picture_bytes("frames.gif");
    ASSERT_FALSE(png.empty());
    ASSERT_FALSE(gif.empty());
    // plain.gif without its global colour table, its only one: the component fails on it.
    const std::vector<uint8_t> plain = picture_bytes("plain.gif");
    ASSERT_EQ(plain.at(10) & 0x87, 0x87);
    std::vector<uint8_t> noTable(plain.begin(), plain.begin() + 13);
    noTable[10] &= 0x7F;
    noTable.insert(noTable.end(), plain.begin() + 13 + 768, plain.end());
    struct Case {
        const char *what;
        const std::vector<uint8_t> &bytes;
        PictureFormat format;
        int64_t width, height; // 0: as probed
        bool decodes;
        const std::vector<uint8_t> *probed = nullptr; // the file probed, when not bytes
    };
    const Case cases[] = {
        {"PNG as probed", png, PictureFormat::png, 0, 0, true},
        {"GIF's first frame at its own size", gif, PictureFormat::gif, 0, 0, true},
        {"PNG taken for a GIF", png, PictureFormat::gif, 0, 0, false},
        {"PNG taken for a JPEG", png, PictureFormat::jpeg, 0, 0, false},
        {"PNG taken for a BMP", png, PictureFormat::bmp, 0, 0, false},
        {"one column more than the frame", png, PictureFormat::png, 38, 23, false},
        {"one row fewer than the frame", png, PictureFormat::png, 37, 22, false},
        {"GIF frame without a colour table", noTable, PictureFormat::gif, 0, 0, false, &plain},
    };
    for (const Case &c : cases) {
        const std::vector<uint8_t> &probed = c.probed != nullptr ? *c.probed : c.bytes;
        PictureProbe probe = picture_probe(probed.data(), probed.size());
        ASSERT_EQ(probe.reason, nullptr) << c.what;
        probe.format = c.format;
        if (c.width != 0) {
            probe.width = c.width;
            probe.height = c.height;
        }
        std::string reason;
        EXPECT_EQ(decode(c.bytes, probe, reason), c.decodes) << c.what << ": " << reason;
        EXPECT_EQ(reason.empty(), c.decodes) << c.what << ": " << reason;
    }
}

TEST(WicDecode, LeavesComOnTheThreadAsItFoundIt) {
    const std::vector<uint8_t> png = picture_bytes("rgb8.png");
    const PictureProbe probe = picture_probe(png.data(), png.size());
    // Each case on a fresh thread: how COM stands before; what a second start answers after the
    // decode (S_FALSE: still started; S_OK: it had been ended); and, once the thread has ended
    // its own starts, whether a start in the other model is free again (S_OK), so that nothing
    // of the decode's is left behind.
    struct Case {
        const char *what;
        bool startBefore;
        DWORD model;
        HRESULT after;
    };
    const Case cases[] = {
        {"no COM before: none after", false, COINIT_MULTITHREADED, S_OK},
        {"an apartment before: still there after", true, COINIT_APARTMENTTHREADED, S_FALSE},
        {"the other model before: still there after", true, COINIT_MULTITHREADED, S_FALSE},
    };
    for (const Case &c : cases) {
        bool decoded = false;
        HRESULT after = E_FAIL, released = E_FAIL;
        std::thread([&] {
            int ends = 0;
            if (c.startBefore && SUCCEEDED(CoInitializeEx(nullptr, c.model)))
                ++ends;
            std::string reason;
            decoded = decode(png, probe, reason);
            after = CoInitializeEx(nullptr, c.model);
            if (SUCCEEDED(after))
                ++ends;
            for (; ends > 0; --ends)
                CoUninitialize();
            const DWORD other =
                c.model == COINIT_MULTITHREADED ? COINIT_APARTMENTTHREADED : COINIT_MULTITHREADED;
            released = CoInitializeEx(nullptr, other);
            if (SUCCEEDED(released))
                CoUninitialize();
        }).join();
        EXPECT_TRUE(decoded) << c.what;
        EXPECT_EQ(after, c.after) << c.what;
        EXPECT_EQ(released, S_OK) << c.what;
    }
}

// The component holds a PNG whole: one it would hold beyond its budget is refused as too large
// before it is given, where the libraries would decode it row by row.
TEST(WicDecode, RefusedAsTooLargeWhatItWouldHoldBeyondItsBudget) {
    OwnedSurface source{canvasWidth, canvasHeight};
    sourceSurface = source.surface;
    settings_defaults(settings);
    struct Case {
        uint32_t width, height;
        LoadOutcome outcome;
        std::string message;
    };
    const Case cases[] = {
        {64, 48, LoadOutcome::loaded, ""},
        {8000, 8000, LoadOutcome::refused,
         "画像が大きすぎて、読み込む間まとめて保持できません。"},
    };
    for (const Case &c : cases) {
        const std::vector<uint8_t> png = black_png(c.width, c.height);
        ASSERT_EQ(picture_probe(png.data(), png.size()).reason, nullptr) << c.width;
        const LoadResult r = bitmap_load_memory(conversion, png.data(), png.size(), 1280, 1024);
        EXPECT_EQ(r.outcome, c.outcome) << c.width << " x " << c.height;
        EXPECT_EQ(r.message.text, c.message) << c.width << " x " << c.height;
    }
    sourceSurface = Surface{};
}
