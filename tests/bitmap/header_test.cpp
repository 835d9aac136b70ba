// The header test's fixed order and limits, its messages byte for byte, and the title rule.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

#include "bmp_build.h"
#include "core/reading/bitmap.h"
#include "window/document_state.h"

namespace {

std::vector<uint8_t> header(int32_t width, int32_t height) {
    BmpSpec spec;
    spec.width = width;
    spec.height = height;
    std::vector<uint8_t> bytes = bmp_build(spec);
    bytes.resize(bitmapHeaderBytes); // only the 54 bytes the test is given
    return bytes;
}

// clang-format off
const char *outcome_name(HeaderOutcome o) {
    switch (o) {
    case HeaderOutcome::notBitmap: return "notBitmap";
    case HeaderOutcome::stretchLimit: return "stretchLimit";
    case HeaderOutcome::originalLimit: return "originalLimit";
    case HeaderOutcome::accepted: return "accepted";
    }
    return "?";
}
// clang-format on

TEST(HeaderTest, LimitsInTheirFixedOrder) {
    struct Case {
        const char *name;
        int32_t mode, screenWidth, screenHeight, width, height;
        HeaderOutcome outcome;
        int32_t reportedHeight;
    };
    // clang-format off
    const Case cases[] = {
        {"stretch: canvas size", 1, 800, 600, 2048, 1536, HeaderOutcome::accepted, 1536},
        {"stretch: one column too wide", 1, 4000, 4000, 2049, 1, HeaderOutcome::stretchLimit, 1},
        {"stretch: one row too tall", 1, 4000, 4000, 1, 1537, HeaderOutcome::stretchLimit, 1537},
        {"stretch: screen and area play no part", 1, 100, 100, 2048, 1536, HeaderOutcome::accepted, 1536},
        {"original: area exactly 61440", 2, 1280, 1024, 240, 256, HeaderOutcome::accepted, 256},
        {"original: area 61696", 2, 1280, 1024, 241, 256, HeaderOutcome::originalLimit, 256},
        {"original: tall, height not a stretch test", 2, 1280, 1024, 100, 2000, HeaderOutcome::originalLimit, 2000},
        {"original: too wide for stretch first", 2, 4000, 4000, 2049, 1, HeaderOutcome::stretchLimit, 1},
        {"original: one wider than the screen", 2, 1280, 1024, 1281, 1, HeaderOutcome::originalLimit, 1},
        {"original: one taller than the screen", 2, 1280, 1024, 1, 1025, HeaderOutcome::originalLimit, 1025},
        {"original: screen-sized limits pass", 2, 1280, 1024, 60, 1024, HeaderOutcome::accepted, 1024},
        {"original: as wide as the screen", 2, 240, 1024, 240, 10, HeaderOutcome::accepted, 10},
        {"original: taller than 1536 on a tall screen", 2, 4000, 4000, 39, 1537, HeaderOutcome::accepted, 1537},
        {"other mode: only the width", 3, 10, 10, 2048, 100000, HeaderOutcome::accepted, 100000},
        {"other mode: too wide", 3, 10, 10, 2049, 1, HeaderOutcome::stretchLimit, 1},
        {"top-down counts its absolute height", 1, 800, 600, 10, -1536, HeaderOutcome::accepted, 1536},
        {"top-down too tall", 1, 800, 600, 10, -1537, HeaderOutcome::stretchLimit, 1537},
        {"INT32_MIN height, stretch", 1, 800, 600, 10, INT32_MIN, HeaderOutcome::stretchLimit, INT32_MAX},
        {"INT32_MIN height, original", 2, 800, 600, 10, INT32_MIN, HeaderOutcome::originalLimit, INT32_MAX},
        {"width 0", 1, 800, 600, 0, 10, HeaderOutcome::notBitmap, 0},
        {"width -1", 1, 800, 600, -1, 10, HeaderOutcome::notBitmap, 0},
        {"width INT32_MIN", 2, 800, 600, INT32_MIN, 10, HeaderOutcome::notBitmap, 0},
        {"height 0", 1, 800, 600, 10, 0, HeaderOutcome::notBitmap, 0},
    };
    // clang-format on
    for (const Case &c : cases) {
        std::vector<uint8_t> bytes = header(c.width, c.height);
        HeaderTest t =
            bitmap_header_test(bytes.data(), bytes.size(), c.mode, c.screenWidth, c.screenHeight);
        EXPECT_STREQ(outcome_name(t.outcome), outcome_name(c.outcome)) << c.name;
        if (c.outcome != HeaderOutcome::notBitmap) {
            EXPECT_EQ(t.width, c.width) << c.name;
            EXPECT_EQ(t.height, c.reportedHeight) << c.name;
            EXPECT_EQ(t.screenWidth, c.screenWidth) << c.name;
            EXPECT_EQ(t.screenHeight, c.screenHeight) << c.name;
        }
    }
}

TEST(HeaderTest, WhatIsNotABitmap) {
    std::vector<uint8_t> good = header(10, 10);
    std::vector<uint8_t> ba = good;
    ba[1] = 0x41; // "BA"
    std::vector<uint8_t> lower = good;
    lower[0] = 'b';
    std::vector<uint8_t> shortFile(good.begin(), good.begin() + 53);
    struct Case {
        const char *name;
        const uint8_t *bytes;
        size_t size;
        HeaderOutcome outcome;
    };
    const Case cases[] = {
        {"valid", good.data(), good.size(), HeaderOutcome::accepted},
        {"0x42 0x41", ba.data(), ba.size(), HeaderOutcome::notBitmap},
        {"lower-case magic", lower.data(), lower.size(), HeaderOutcome::notBitmap},
        {"53 bytes", shortFile.data(), shortFile.size(), HeaderOutcome::notBitmap},
        {"empty", good.data(), 0, HeaderOutcome::notBitmap},
        {"null", nullptr, 54, HeaderOutcome::notBitmap},
    };
    for (const Case &c : cases) {
        HeaderTest t = bitmap_header_test(c.bytes, c.size, 1, 1280, 1024);
        EXPECT_STREQ(outcome_name(t.outcome), outcome_name(c.outcome)) << c.name;
    }
}

// The magic is tested before any limit: a file that is not a bitmap is unsupported whatever
// its bytes 18 to 25 would claim. Each case also shows, with the magic made "BM", the limit its
// size would otherwise hit, so the order is what decides.
TEST(HeaderTest, MagicBeforeTheLimits) {
    std::vector<uint8_t> wide = header(3000, 10), tall = header(100, 2000);
    wide[1] = tall[1] = 'A';
    // The first 54 bytes of a 3000 x 10 PNG file: signature, IHDR, the start of IDAT. Read as a
    // bitmap header its width would be 47115.
    const std::vector<uint8_t> png = {
        0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a, 0x00, 0x00, 0x00, 0x0d, 0x49, 0x48,
        0x44, 0x52, 0x00, 0x00, 0x0b, 0xb8, 0x00, 0x00, 0x00, 0x0a, 0x08, 0x02, 0x00, 0x00,
        0x00, 0xab, 0x72, 0x84, 0xaa, 0x00, 0x00, 0x00, 0x81, 0x49, 0x44, 0x41, 0x54, 0x78,
        0xda, 0xed, 0xd0, 0x01, 0x01, 0x00, 0x00, 0x08, 0xc3, 0xa0, 0x47, 0x37};
    struct Case {
        const char *name;
        const std::vector<uint8_t> &bytes;
        int32_t mode;
        HeaderOutcome asBitmap; // with "BM" in front
    };
    const Case cases[] = {
        {"BA, 3000 x 10, stretch mode", wide, 1, HeaderOutcome::stretchLimit},
        {"BA, 100 x 2000, original mode", tall, 2, HeaderOutcome::originalLimit},
        {"PNG 3000 x 10, stretch mode", png, 1, HeaderOutcome::stretchLimit},
        {"PNG 3000 x 10, original mode", png, 2, HeaderOutcome::stretchLimit},
    };
    for (const Case &c : cases) {
        ASSERT_EQ(c.bytes.size(), bitmapHeaderBytes) << c.name;
        HeaderTest t = bitmap_header_test(c.bytes.data(), c.bytes.size(), c.mode, 1280, 1024);
        EXPECT_STREQ(outcome_name(t.outcome), "notBitmap") << c.name;
        EXPECT_EQ(bitmap_header_message(t, uiLanguage).text,
                  "この形式は現在サポートされていません。")
            << c.name;
        std::vector<uint8_t> bm = c.bytes;
        bm[0] = 'B', bm[1] = 'M';
        t = bitmap_header_test(bm.data(), bm.size(), c.mode, 1280, 1024);
        EXPECT_STREQ(outcome_name(t.outcome), outcome_name(c.asBitmap)) << c.name << " as BM";
    }
}

TEST(HeaderTest, OldestHeaderReadsItsSixteenBitSizes) {
    BmpSpec spec;
    spec.headerSize = 12;
    spec.width = 300; // both above 255, so each high byte counts
    spec.height = 260;
    spec.bpp = 8;
    spec.palette.assign(256, 0);
    std::vector<uint8_t> bytes = bmp_build(spec);
    HeaderTest t = bitmap_header_test(bytes.data(), bitmapHeaderBytes, 1, 1280, 1024);
    EXPECT_STREQ(outcome_name(t.outcome), "accepted");
    EXPECT_EQ(t.width, 300);
    EXPECT_EQ(t.height, 260);
}

TEST(HeaderTest, MessagesByteForByte) {
    HeaderTest notBitmap{HeaderOutcome::notBitmap, 0, 0, 1280, 1024};
    HeaderTest stretch{HeaderOutcome::stretchLimit, 4000, 10, 1280, 1024};
    HeaderTest original{HeaderOutcome::originalLimit, 100, 2000, 1280, 1024};
    HeaderTest accepted{HeaderOutcome::accepted, 10, 10, 1280, 1024};
    struct Case {
        const char *name;
        HeaderTest test;
        std::string text;
    };
    // clang-format off
    const Case cases[] = {
        {"not a bitmap", notBitmap, "この形式は現在サポートされていません。"},
        {"stretch limit", stretch,
         "[ストレッチモード]\nロードするビットマップが大きすぎます。\n2048×1536ピクセル以内のビットマップを使ってください。"},
        {"original limit", original,
         "[オリジナルモード]\nロードするビットマップが大きすぎます。1280×1024サイズ以内のビットマップを使ってください。\n"
         "また縦と横をかけて61440以内でなくてはいけません。"},
        {"accepted", accepted, ""},
    };
    // clang-format on
    for (const Case &c : cases) {
        Message m = bitmap_header_message(c.test, uiLanguage);
        EXPECT_EQ(m.text, c.text) << c.name;
        EXPECT_EQ(m.icon, MessageIcon::warning) << c.name;
    }
    // The multiplication sign in UTF-8, the narrow encoding of every build.
    const char *times = "\xc3\x97";
    EXPECT_NE(
        bitmap_header_message(stretch, uiLanguage).text.find(std::string("2048") + times + "1536"),
        std::string::npos);
}

std::string repeat(const std::string &text, int times) {
    std::string out;
    for (int i = 0; i < times; ++i)
        out += text;
    return out;
}

TEST(DocTitle, CutAtTheFirstDot) {
    const std::string seventy(70, 'a');
    struct Case {
        std::string fileName, title;
    };
    const Case cases[] = {
        {"photo.bmp", "photo"},
        {"my.photo.bmp", "my"},
        {"photo", "photo"},
        {".bmp", ""},
        {seventy, std::string(62, 'a')},
        {seventy + ".bmp", std::string(62, 'a')},
        // UTF-8, as long as 62 bytes of CP932: two a character, one a half-width katakana, two
        // for one CP932 has no code for; never half a character.
        {"a" + repeat("写", 40) + ".png", "a" + repeat("写", 30)},
        {repeat("ｱ", 70), repeat("ｱ", 62)},
        {repeat("사진", 20) + "é.png", repeat("사진", 15) + "사"},
        {repeat("é", 40), repeat("é", 31)},
    };
    for (const Case &c : cases) {
        doc_title_from_file_name(c.fileName.c_str());
        EXPECT_EQ(std::string(docTitle), c.title) << c.fileName;
    }
    doc_title_from_file_name("photo.bmp");
    EXPECT_EQ(caption_text(), "photo - Velkorandite");
    doc_title_from_file_name(".bmp");
    EXPECT_EQ(caption_text(), " - Velkorandite");
    doc_title_reset();
    EXPECT_STREQ(docTitle, "無題");
}

} // namespace
