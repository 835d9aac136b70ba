// UTF-8 in memory, UTF-16 for the platform, CP932 in the files: the ways between them.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/common/cp932.h"
#include "core/common/utf8.h"

namespace {

std::string hex(const std::string &bytes) {
    std::string out;
    char byte[4];
    for (unsigned char c : bytes) {
        std::snprintf(byte, sizeof byte, "%02x ", c);
        out += byte;
    }
    return out;
}

std::string units(const std::u16string &text) {
    std::string out;
    char unit[8];
    for (char16_t c : text) {
        std::snprintf(unit, sizeof unit, "%04x ", unsigned(c));
        out += unit;
    }
    return out;
}

} // namespace

// Every UTF-16 text, a lone surrogate too (Windows allows one in a file name), comes back from
// UTF-8 unchanged.
TEST(TextCodes, Utf16ThroughUtf8AndBack) {
    const std::vector<std::u16string> texts = {
        u"",
        u"C:\\pics\\a.png",
        u"写真\\表ソ",
        u"사진é.png",
        u"\U0001F600.png",
        u"\u007F\u0080\u07FF\u0800\uFFFF\U00010000\U0010FFFF", // where each length begins and ends
        std::u16string(1, char16_t(0xD800)) + u"x",
        u"x" + std::u16string(1, char16_t(0xDFFF)),
        std::u16string(1, char16_t(0xDC00)) + std::u16string(1, char16_t(0xD800)), // reversed pair
    };
    for (const std::u16string &text : texts) {
        const std::string utf8 = utf8_from_utf16(text.data(), text.size());
        EXPECT_EQ(units(utf16_from_utf8(utf8)), units(text)) << hex(utf8);
    }
    // The first and last pairs of surrogates, and only a high one before a low one is a pair.
    EXPECT_EQ(hex(utf8_from_utf16(u"\U00010000\U0010FFFF", 4)), "f0 90 80 80 f4 8f bf bf ");
    const char16_t around[] = {0xE000, 0xD800, 0xDC00, 0xE000, 0xD7FF, 0xDC00,
                               0xD800, 0xDBFF, 0xE000, 0xDC00, 0xDC00};
    EXPECT_EQ(hex(utf8_from_utf16(around, sizeof around / sizeof around[0])),
              "ee 80 80 f0 90 80 80 ee 80 80 ed 9f bf ed b0 80 ed a0 80 ed af bf ee 80 80 "
              "ed b0 80 ed b0 80 ");
    // Beyond U+10FFFF nothing is encoded.
    std::string beyond;
    utf8_encode(beyond, 0x110000);
    EXPECT_EQ(hex(beyond), "ef bf bd ");
}

// A byte that starts no character is U+FFFD alone; what follows it is kept.
TEST(TextCodes, BadUtf8BytesAreReplacedOneByOne) {
    struct Case {
        std::string utf8;
        std::u16string expected;
    };
    const std::vector<Case> cases = {
        {"a\xff"
         "b",
         u"a\uFFFDb"},
        {"\xe5\x86", u"\uFFFD\uFFFD"},                               // cut at the end
        {"\xe5\x86x", u"\uFFFD\uFFFDx"},                             // cut before an ASCII byte
        {"\xc0\xaf", u"\uFFFD\uFFFD"},                               // overlong '/'
        {"\xc1\xbf\xe0\x9f\xbf", u"\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD"}, // overlong 2 and 3 bytes
        {"\xf4\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},           // beyond U+10FFFF
        {"\xf5\x80\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"},
        {"\xf0\x8f\xbf\xbf", u"\uFFFD\uFFFD\uFFFD\uFFFD"}, // overlong 4 bytes
        {"\x90\x90\x80\x80", u"\uFFFD\uFFFD\uFFFD\uFFFD"}, // no lead byte at all
        {"\x80"
         "a",
         u"\uFFFDa"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(units(utf16_from_utf8(c.utf8)), units(c.expected)) << hex(c.utf8);
}

TEST(TextCodes, WholeLengthNeverEndsInsideACharacter) {
    struct Case {
        std::string utf8;
        size_t length, whole;
    };
    const std::vector<Case> cases = {
        {"", 0, 0},           {"abc", 2, 2},
        {"写真", 6, 6},       {"写真", 5, 3},
        {"写真", 4, 3},       {"é", 1, 0},
        {"\U0001F600", 3, 0}, {"a\U0001F600", 5, 5},
        {"\u07ff", 2, 2},     {"\u0800", 2, 0},           // where two and three bytes meet
        {"é\x80\x80", 4, 4},  {"\x80\x80\x80\x80", 4, 4}, // stray continuation bytes are kept
    };
    for (const Case &c : cases)
        EXPECT_EQ(utf8_whole_length(c.utf8.data(), c.length), c.whole) << hex(c.utf8) << c.length;
}

// CP932 holds Japanese as it always did; anything else is said, never made a look-alike.
TEST(TextCodes, Cp932FromUtf8) {
    struct Case {
        std::string utf8;
        bool exact;
        std::string cp932;
    };
    const std::vector<Case> cases = {
        {"C:\\写真\\ソ.txt", true, "C:\\\x8e\xca\x90\x5e\\\x83\x5c.txt"},
        {"ｱ$", true, "\xb1$"},
        {"∵", true, "\x81\xe6"},
        {"café", false, "caf?"}, // no "cafe"
        {"사진", false, "??"},
        {"\U0001F600\U00010000", false, "??"},
        {"a\xff", false, "a?"}, // a bad byte has no code either
        // Characters whose look-alike has a code: 〜 (U+301C, not ～), ¥ (not '\'), — (not ―).
        {"〜¥—", false, "???"},
    };
    for (const Case &c : cases) {
        std::string cp932 = "untouched";
        EXPECT_EQ(cp932_from_utf8(c.utf8, cp932), c.exact) << c.utf8;
        EXPECT_EQ(hex(cp932), hex(c.cp932)) << c.utf8;
    }
}
