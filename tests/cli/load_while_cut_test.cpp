// The window's loader against a file that changes under it: another program cutting the bitmap
// short while it loads gives a refusal at worst, never a fault; a FIFO is read from its writer.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <algorithm>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <vector>
#include <unistd.h>

#include "core/reading/bitmap.h"
#include "core/common/document.h"
#include "core/conversion/geometry.h"
#include "core/conversion/settings.h"
#include "core/conversion/surface.h"
#include "../settings_file/fifo_writer.h"
#include "window/document_state.h"

namespace {

// The largest picture stretch mode takes, 24 bits: 9 MiB of pixels to be read.
std::string large_bmp() {
    const uint32_t w = 2048, h = 1536, size = 54 + w * h * 3;
    std::string s(54, '\0');
    auto put = [&](size_t at, uint32_t v) {
        for (int i = 0; i < 4; ++i)
            s[at + i] = static_cast<char>(v >> (8 * i));
    };
    s[0] = 'B';
    s[1] = 'M';
    put(2, size);
    put(10, 54);
    put(14, 40);
    put(18, w);
    put(22, h);
    put(26, 1 | 24 << 16);
    s.resize(size);
    for (size_t i = 54; i < size; ++i)
        s[i] = static_cast<char>(i * 31 >> 8);
    return s;
}

struct Scratch {
    char dir[32] = "/tmp/vkd-load-XXXXXX";
    Scratch() { EXPECT_NE(mkdtemp(dir), nullptr); }
    ~Scratch() { std::filesystem::remove_all(dir); }
    std::string at(const char *name) const { return std::string(dir) + "/" + name; }
};

TEST(LoadWhileCut, FileCutShortDuringLoadIsRefusedNeverAFault) {
    Scratch scratch;
    const std::string path = scratch.at("photo.bmp"), bytes = large_bmp();
    {
        FILE *f = std::fopen(path.c_str(), "wb");
        ASSERT_NE(f, nullptr);
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
    settings_defaults(settings);
    surfaces_create(conversion);
    ASSERT_LT(path.size(), sizeof bitmapPath);
    std::strcpy(bitmapPath, path.c_str());

    // Another program cuts the file to its header and lets it grow back, over and over.
    std::atomic<bool> stop{false};
    std::thread cutter([&] {
        const int fd = open(path.c_str(), O_WRONLY);
        while (!stop) {
            ftruncate(fd, 4096);
            std::this_thread::sleep_for(std::chrono::microseconds(1500));
            ftruncate(fd, static_cast<off_t>(bytes.size()));
            std::this_thread::sleep_for(std::chrono::microseconds(500));
        }
        close(fd);
    });
    int loaded = 0, refused = 0, other = 0;
    for (int round = 0; round < 150; ++round) {
        switch (bitmap_load(conversion, bitmapPath, 1280, 1024).outcome) {
        case LoadOutcome::loaded:
            ++loaded;
            break;
        case LoadOutcome::refused:
            ++refused;
            break;
        default:
            ++other;
        }
    }
    stop = true;
    cutter.join();
    surfaces_release(conversion);
    EXPECT_EQ(other, 0) << "loaded " << loaded << ", refused " << refused;
    EXPECT_GT(refused, 0) << "the file was never short during a load: the test proves nothing";
}

TEST(LoadWhileCut, FifoLoadWaitsForItsWriter) {
    // A writer that comes after the load began: its picture, or a refusal when it sends nothing.
    std::ifstream in(std::string(PICTURES_DIR) + "/../bmpsuite/g/pal8rle.bmp", std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    for (const std::string &sent : {bytes, std::string()}) {
        Scratch scratch;
        const std::string fifo = scratch.at("picture");
        ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
        settings_defaults(settings);
        surfaces_create(conversion);
        std::strcpy(bitmapPath, fifo.c_str());
        LoadResult result{LoadOutcome::openFailed, {}};
        EXPECT_TRUE(read_before_writer(
            fifo, sent, [&] { result = bitmap_load(conversion, bitmapPath, 1280, 1024); }));
        surfaces_release(conversion);
        if (sent.empty()) {
            EXPECT_EQ(result.outcome, LoadOutcome::refused);
            EXPECT_EQ(result.message.text, "この形式は現在サポートされていません。");
        } else {
            EXPECT_EQ(result.outcome, LoadOutcome::loaded) << result.message.text;
            EXPECT_EQ(bmpWidth, 127);
        }
    }
}

TEST(LoadWhileCut, FifoPicturesLoadAsTheirFilesDo) {
    // A stream's size is unknown: compressed bitmaps are taken whole as the pieces arrive.
    for (const char *name : {"g/pal8rle.bmp", "g/pal4rle.bmp", "g/rgb24.bmp", "g/pal8v5.bmp"}) {
        const std::string path = std::string(PICTURES_DIR) + "/../bmpsuite/" + name;
        settings_defaults(settings);
        surfaces_create(conversion);
        std::strcpy(bitmapPath, path.c_str());
        ASSERT_EQ(bitmap_load(conversion, bitmapPath, 1280, 1024).outcome, LoadOutcome::loaded)
            << name;
        const int32_t width = bmpWidth, height = bmpHeight;
        std::vector<std::string> rows;
        for (int32_t y = 0; y < height; ++y)
            rows.emplace_back(reinterpret_cast<const char *>(sourceSurface.bits) + size_t(y) * sourceSurface.stride,
                              size_t(width) * 3);
        surfaces_release(conversion);

        Scratch scratch;
        const std::string fifo = scratch.at("picture");
        ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
        std::ifstream in(path, std::ios::binary);
        const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        settings_defaults(settings);
        surfaces_create(conversion);
        std::strcpy(bitmapPath, fifo.c_str());
        {
            FifoWriter writer(fifo, bytes, false);
            EXPECT_EQ(bitmap_load(conversion, bitmapPath, 1280, 1024).outcome, LoadOutcome::loaded)
                << name;
        }
        EXPECT_EQ(bmpWidth, width) << name;
        EXPECT_EQ(bmpHeight, height) << name;
        for (int32_t y = 0; y < std::min(height, bmpHeight); ++y)
            EXPECT_EQ(std::string(reinterpret_cast<const char *>(sourceSurface.bits) + size_t(y) * sourceSurface.stride,
                                  size_t(width) * 3),
                      rows[size_t(y)])
                << name << ", row " << y;
        surfaces_release(conversion);
    }
}

} // namespace
