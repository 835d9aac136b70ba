#include "settings_file/profile.h"

#include "core/common/cp932.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "temp_folder.h"

namespace {

Profile parsed(const std::string &bytes) {
    Profile profile;
    profile_parse(bytes, profile);
    return profile;
}

std::string get(const Profile &profile, const char *section, const char *key, size_t size = 260) {
    std::vector<char> out(size + 1, '#');
    size_t length = profile_get(profile, section, key, out.data(), size);
    std::string value(out.data());
    EXPECT_EQ(length, value.size()) << "length disagrees with the terminated value";
    return value;
}

// Two-byte characters with trail bytes that look like "\", "]" and letters.
const std::string so = "\x83\x5C";           // trail byte is a backslash
const std::string bracketTrail = "\x83\x5D"; // trail byte is "]"
const std::string upperTrail = "\x83\x41";   // trail byte is "A"
const std::string lowerTrail = "\x83\x61";   // trail byte is "a"
const std::string hiragana = "\x82\xA0";

std::string repeat(const std::string &unit, int times) {
    std::string out;
    for (int i = 0; i < times; ++i)
        out += unit;
    return out;
}

TEST(ProfileGet, FindsValuesTheWayTheFormatSays) {
    struct Case {
        const char *name;
        std::string file;
        std::string section, key;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"plain", "[Forms]\r\nLeft=10\r\n", "Forms", "Left", "10"},
        {"empty file", "", "Forms", "Left", ""},
        {"missing section", "[Other]\r\nLeft=10\r\n", "Forms", "Left", ""},
        {"missing key", "[Forms]\r\nTop=10\r\n", "Forms", "Left", ""},
        {"empty value", "[Forms]\r\nLeft=\r\n", "Forms", "Left", ""},
        {"blank value", "[Forms]\r\nLeft=  \t \r\n", "Forms", "Left", ""},
        {"blanks around =", "[Forms]\r\nLeft \t=  150  \r\n", "Forms", "Left", "150"},
        {"indented lines", "  [Forms]  \r\n\tLeft=3\r\n", "Forms", "Left", "3"},
        {"lower-case names", "[forms]\r\nleft=5\r\n", "Forms", "Left", "5"},
        {"upper-case names", "[FORMS]\r\nLEFT=6\r\n", "Forms", "Left", "6"},
        {"key before any section", "Left=1\r\n[Forms]\r\nTop=2\r\n", "Forms", "Left", ""},
        {"key in the next section", "[Forms]\r\n[Path]\r\nLeft=1\r\n", "Forms", "Left", ""},
        {"first of duplicate keys", "[A]\r\nk=1\r\nK=2\r\n", "A", "k", "1"},
        {"first of duplicate sections", "[A]\r\nk=1\r\n[a]\r\nk=2\r\n", "A", "k", "1"},
        {"quotes kept", "[A]\r\nk=\"x y\"\r\n", "A", "k", "\"x y\""},
        {"no final line end", "[A]\r\nk=7", "A", "k", "7"},
        {"LF line ends", "[A]\nk=7\nj=8\n", "A", "j", "8"},
        {"comment is not the key", "[A]\r\n;k=1\r\nk=2\r\n", "A", "k", "2"},
        {"value holding =", "[A]\r\nk=a=b\r\n", "A", "k", "a=b"},
        {"blanks inside brackets", "[ A ]\r\nk=1\r\n", "A", "k", "1"},
        {"blanks around the names asked for", "[A]\r\nk=1\r\n", " A\t", " k ", "1"},
        {"no closing bracket", "[A\r\nk=1\r\n", "A", "k", ""},
        {"line without =", "[A]\r\nk\r\nk=4\r\n", "A", "k", "4"},
        {"text after the bracket", "[A] ; about A\r\nk=5\r\n", "A", "k", "5"},
        {"bracket as trail byte", "[" + bracketTrail + "]\r\nk=1\r\n", bracketTrail, "k", "1"},
        {"bracket as trail byte, none closing", "[" + bracketTrail + "\r\nk=1\r\n", "\x83", "k", ""},
        {"vertical tab and form feed are blanks", "[A]\r\n\vk\f=\f1\v\r\n", "A", "k", "1"},
        {"Z folded too", "[A]\r\nZ=1\r\n", "A", "z", "1"},
        {"letters after a two-byte character folded", "[A]\r\n\x83\x81K=1\r\n", "A", "\x83\x81k", "1"},
        {"letter trail bytes not folded", "[A]\r\n" + upperTrail + "=1\r\n", "A", lowerTrail, ""},
        {"two-byte key", "[A]\r\n" + upperTrail + "=" + so + "\r\n", "A", upperTrail, so},
        {"long value cut at 259", "[A]\r\nk=" + std::string(300, 'x') + "\r\n", "A", "k",
         std::string(259, 'x')},
        {"cut never splits a character", "[A]\r\nk=" + repeat(hiragana, 130) + "\r\n", "A", "k",
         repeat(hiragana, 129)},
        {"cut after a whole character", "[A]\r\nk=a" + repeat(hiragana, 130) + "\r\n", "A", "k",
         "a" + repeat(hiragana, 129)},
    };
    for (const auto &c : cases)
        EXPECT_EQ(get(parsed(c.file), c.section.c_str(), c.key.c_str()), c.expected)
            << c.name << "\n"
            << visible(c.file);
}

TEST(ProfileGet, SmallBuffers) {
    Profile profile = parsed("[A]\r\nk=abcdef\r\n");
    EXPECT_EQ(get(profile, "A", "k", 4), "abc");
    EXPECT_EQ(get(profile, "A", "k", 1), "");
    char untouched = '#';
    EXPECT_EQ(profile_get(profile, "A", "k", &untouched, 0), 0u);
    EXPECT_EQ(untouched, '#');
}

TEST(ProfileSet, ChangesOnlyWhatItMust) {
    struct Write {
        const char *section, *key;
        std::string value;
    };
    struct Case {
        const char *name;
        std::string file;
        std::vector<Write> writes;
        std::string expected;
    };
    const std::vector<Case> cases = {
        {"from nothing",
         "",
         {{"A", "k", "1"}, {"A", "j", "2"}, {"B", "x", ""}},
         "[A]\r\nk=1\r\nj=2\r\n[B]\r\nx=\r\n"},
        {"replace keeps the other lines byte for byte",
         "; top\r\n[A]\r\n  k = 1  \r\n j =2\t\r\n\r\n[B]\r\nx=1\r\n",
         {{"A", "k", "9"}},
         "; top\r\n[A]\r\nk=9\r\n j =2\t\r\n\r\n[B]\r\nx=1\r\n"},
        {"new key before the blank lines ending its section",
         "[A]\r\nk=1\r\n\r\n\r\n[B]\r\nx=1\r\n",
         {{"A", "j", "2"}},
         "[A]\r\nk=1\r\nj=2\r\n\r\n\r\n[B]\r\nx=1\r\n"},
        {"new key after a comment closing its section",
         "[A]\r\nk=1\r\n; about B\r\n[B]\r\n",
         {{"A", "j", "2"}},
         "[A]\r\nk=1\r\n; about B\r\nj=2\r\n[B]\r\n"},
        {"new key in an empty last section", "[A]", {{"A", "k", "1"}}, "[A]\r\nk=1\r\n"},
        {"new section after a file without final line end",
         "[A]\r\nk=1",
         {{"B", "x", "2"}},
         "[A]\r\nk=1\r\n[B]\r\nx=2\r\n"},
        {"replace keeps a missing final line end", "[A]\r\nk=1", {{"A", "k", "2"}}, "[A]\r\nk=2"},
        {"existing Write keeps its spelling",
         "[Path]\r\nWrite=C:\\old\r\n",
         {{"Path", "write", "C:\\new"}},
         "[Path]\r\nWrite=C:\\new\r\n"},
        {"lower-case section is used",
         "[path]\r\n",
         {{"Path", "Open", "x"}},
         "[path]\r\nOpen=x\r\n"},
        {"only the first duplicate key",
         "[A]\r\nk=1\r\nk=2\r\n[A]\r\nk=3\r\n",
         {{"A", "k", "9"}},
         "[A]\r\nk=9\r\nk=2\r\n[A]\r\nk=3\r\n"},
        {"keys before any section stay",
         "k=1\r\n[A]\r\n",
         {{"A", "k", "2"}},
         "k=1\r\n[A]\r\nk=2\r\n"},
        {"code page 932 bytes pass through",
         "[" + bracketTrail + "]\r\n" + so + "=" + hiragana + "\r\n",
         {{"A", "k", so + "\\" + so}},
         "[" + bracketTrail + "]\r\n" + so + "=" + hiragana + "\r\n[A]\r\nk=" + so + "\\" + so +
             "\r\n"},
        {"line break in a value cut", "", {{"A", "k", "a\r\nb"}}, "[A]\r\nk=a\r\n"},
        {"LF line ends become CR LF", "[A]\nk=1\n", {{"A", "k", "2"}}, "[A]\r\nk=2\r\n"},
        {"empty value", "[A]\r\nk=1\r\n", {{"A", "k", ""}}, "[A]\r\nk=\r\n"},
    };
    for (const auto &c : cases) {
        Profile profile = parsed(c.file);
        for (const auto &w : c.writes)
            profile_set(profile, w.section, w.key, w.value.c_str());
        EXPECT_EQ(visible(profile_bytes(profile)), visible(c.expected)) << c.name << "\nfrom:\n"
                                                                        << visible(c.file);
    }
}

TEST(ProfileParse, UnchangedFilesComeBackByteForByte) {
    const std::vector<std::string> files = {
        "",
        "[A]\r\nk=1\r\n",
        "[A]\r\nk=1",
        "x",
        "\r\n\r\n; only comments\r\n",
        "  [A] x\r\n k = v \r\n\r\nloose line\r\n",
        "lone CR\rinside\r\n",
        so + bracketTrail + "\r\n" + hiragana,
    };
    for (const auto &file : files)
        EXPECT_EQ(visible(profile_bytes(parsed(file))), visible(file));
}

TEST(Cp932PrefixLength, NeverEndsInsideACharacter) {
    struct Case {
        std::string text;
        size_t limit, expected;
    };
    const std::vector<Case> cases = {
        {"abc", 5, 3},          {"abc", 2, 2},          {"abc", 0, 0},
        {"a" + hiragana, 2, 1}, {"a" + hiragana, 3, 3}, {hiragana + hiragana, 3, 2},
        {so + "a", 2, 2},       {"ab\x83", 3, 3}, // a lone lead byte at the end is one byte
        {"\xA6\xA6\xA6", 2, 2},                   // half-width katakana are single bytes
    };
    for (const auto &c : cases)
        EXPECT_EQ(cp932_prefix_length(c.text.data(), c.text.size(), c.limit), c.expected)
            << visible(c.text) << " limit " << c.limit;
    // The edges of the two lead-byte ranges, 0x81 to 0x9F and 0xE0 to 0xFC: a lead byte and the
    // byte after it cannot be cut apart.
    const std::pair<unsigned char, bool> edges[] = {{0x80, false}, {0x81, true},  {0x9F, true},
                                                    {0xA0, false}, {0xDF, false}, {0xE0, true},
                                                    {0xFC, true},  {0xFD, false}};
    for (const auto &[byte, lead] : edges) {
        const std::string text = std::string(1, char(byte)) + "a";
        EXPECT_EQ(cp932_prefix_length(text.data(), 2, 1), lead ? 0u : 1u) << visible(text);
    }
}

TEST(ProfileFile, LoadsSavesAndReportsFailures) {
    TempFolder folder;
    std::string path = folder.file("vkd.ini");
    Profile profile;
    profile.lines = {"stale"};

    EXPECT_EQ(profile_open(path.c_str(), profile), ProfileLoad::missing);
    EXPECT_TRUE(profile.lines.empty());
    EXPECT_FALSE(profile_load(path.c_str(), profile));
    // A folder where the file should be exists but cannot be read as a file.
    EXPECT_EQ(profile_open(folder.path().c_str(), profile), ProfileLoad::unreadable);

    file_put(path, "[A]\r\nk=1");
    ASSERT_EQ(profile_open(path.c_str(), profile), ProfileLoad::loaded);
    profile_set(profile, "A", "k", "2");
    ASSERT_TRUE(profile_save(path.c_str(), profile));
    EXPECT_EQ(visible(file_get(path)), visible("[A]\r\nk=2"));
    EXPECT_EQ(folder.listing(), "vkd.ini;") << "temporary file left behind";

    // A file of one byte is a line like any other, kept when the file is written back.
    file_put(path, "x");
    ASSERT_EQ(profile_open(path.c_str(), profile), ProfileLoad::loaded);
    EXPECT_EQ(profile_bytes(profile), "x");

    std::string inMissingFolder = folder.file("missing") + "/vkd.ini";
    EXPECT_FALSE(profile_save(inMissingFolder.c_str(), profile));
    EXPECT_EQ(folder.listing(), "vkd.ini;");
}

TEST(ProfileFile, FailedReplaceKeepsTheOldFileWhole) {
    TempFolder folder;
    // A folder in the file's place cannot be replaced by a file; the save fails cleanly.
    std::string path = folder.file("vkd.ini");
    std::filesystem::create_directory(path);
    Profile profile = parsed("[A]\r\nk=1\r\n");
    EXPECT_FALSE(profile_save(path.c_str(), profile));
    EXPECT_TRUE(std::filesystem::is_directory(path));
    EXPECT_EQ(folder.listing(), "vkd.ini;") << "temporary file left behind";
}

} // namespace
