#include "core/file_save.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>

namespace fs = std::filesystem;

namespace {

// A fresh folder per test, removed afterwards.
class TextFileSave : public ::testing::Test {
  protected:
    void SetUp() override {
        const auto *info = ::testing::UnitTest::GetInstance()->current_test_info();
        dir = fs::temp_directory_path() / (std::string("vkd_doc_") + info->name());
        std::error_code ec;
        fs::remove_all(dir, ec);
        fs::create_directories(dir);
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir, ec);
    }
    std::string at(const std::string &name) const { return (dir / "").string() + name; }
    fs::path dir;
};

std::string read_all(const std::string &path) {
    std::string bytes;
    FILE *f = std::fopen(path.c_str(), "rb");
    if (f == nullptr)
        return "<missing>";
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
        bytes.append(buffer, n);
    std::fclose(f);
    return bytes;
}

void write_all(const std::string &path, const std::string &bytes) {
    FILE *f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr) << path;
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

// The save leaves no temporary or backup file behind, whatever its outcome.
void expect_no_leftovers(const std::string &folder) {
    for (const char *name : {"~vkd000.tmp", "~vkd000.bak", "~vkd001.tmp"})
        EXPECT_EQ(read_all(folder + name), "<missing>") << name << " left behind";
}

std::string text_picture(int cols, int rows) {
    std::string text;
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < cols; ++c)
            text += "$&%#*?+/!;:-,. "[(r * 7 + c) % 15];
        text += "\r\n";
    }
    return text;
}

} // namespace

// The file holds exactly the text: no terminating zero, no added line end, any size.
TEST_F(TextFileSave, WritesExactlyTheBytesGiven) {
    struct Case {
        const char *name;
        std::string bytes;
    };
    const Case cases[] = {
        {"empty", ""},
        {"two characters", "ab"},
        {"two rows of three", "$$$\r\n   \r\n"},
        {"no line end after the last line", "$$$\r\n..."},
        {"CP932 with 0x5C trail bytes", "\x95\x5C\x83\x5C\r\n"},
        {"zero bytes inside", std::string("a\0b\0", 4)},
        {"largest converted picture", text_picture(118, 512)},
        {"larger than any conversion", text_picture(220, 300)},
    };
    for (const Case &c : cases) {
        std::string path = at("out.txt");
        ASSERT_TRUE(file_save_whole(path.c_str(), c.bytes.data(), c.bytes.size())) << c.name;
        std::string got = read_all(path);
        EXPECT_EQ(got.size(), c.bytes.size()) << c.name;
        EXPECT_TRUE(got == c.bytes) << c.name;
    }
    expect_no_leftovers(at(""));
}

// Replacing an existing file: shorter text leaves nothing of the longer one, in either
// direction, and the folder holds only the target afterwards.
TEST_F(TextFileSave, ReplacesAnExistingFileWhole) {
    std::string path = at("picture.txt");
    const std::string contents[] = {std::string(70000, '#'), "short", "", "longer again\r\n"};
    write_all(path, "earlier contents that are longer than the next");
    for (const std::string &text : contents) {
        ASSERT_TRUE(file_save_whole(path.c_str(), text.data(), text.size()));
        EXPECT_EQ(read_all(path).size(), text.size());
        EXPECT_TRUE(read_all(path) == text);
    }
    expect_no_leftovers(at(""));
    size_t entries = 0;
    for (const auto &entry : fs::directory_iterator(dir)) {
        (void)entry;
        ++entries;
    }
    EXPECT_EQ(entries, 1u);
}

// File names whose CP932 characters end in the byte of a backslash still land in their own
// folder (natively these are UTF-8 and must work all the same).
TEST_F(TextFileSave, NamesWithMultibyteCharacters) {
    for (const char *name : {"表.txt", "ソ.txt", "ヴェルコラン.txt", "a.b.c"}) {
        std::string path = at(name);
        ASSERT_TRUE(file_save_whole(path.c_str(), "xyz", 3)) << name;
        EXPECT_EQ(read_all(path), "xyz") << name;
        ASSERT_TRUE(file_save_whole(path.c_str(), "uv", 2)) << name << " again";
        EXPECT_EQ(read_all(path), "uv") << name;
    }
    expect_no_leftovers(at(""));
}

// A save that cannot be done says so and leaves what was there.
TEST_F(TextFileSave, FailuresAreReportedAndHarmless) {
    fs::create_directories(dir / "folder");
    struct Case {
        const char *name;
        std::string path;
    };
    const Case cases[] = {
        {"empty path", ""},
        {"missing folder", at("no such folder/x.txt")},
        {"target is a folder", at("folder")},
    };
    for (const Case &c : cases)
        EXPECT_FALSE(file_save_whole(c.path.c_str(), "ab", 2)) << c.name;
    EXPECT_FALSE(file_save_whole(nullptr, "ab", 2));
    EXPECT_TRUE(fs::is_directory(dir / "folder"));
    expect_no_leftovers(at(""));
}
