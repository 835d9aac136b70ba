// A folder of its own for each saving test, and the file helpers the saving tests share.
#pragma once
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <system_error>
#include <vector>

#ifdef _WIN32
#include "core/common/utf8.h"
#endif

class SaveFolder : public ::testing::Test {
  protected:
    void SetUp() override {
        std::random_device random;
        const auto base = std::filesystem::temp_directory_path();
        do
            dir = base / ("vkd-save-" + std::to_string(random()));
        while (!std::filesystem::create_directory(dir));
    }
    void TearDown() override {
        std::error_code ignored;
        // Modes set by a test (000, read-only) must not stop the clean-up.
        for (const auto &entry : std::filesystem::recursive_directory_iterator(dir, ignored))
            std::filesystem::permissions(entry.path(), std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::add |
                                             std::filesystem::perm_options::nofollow,
                                         ignored);
        std::filesystem::remove_all(dir, ignored);
    }
    // A path as the program holds one: UTF-8, on Windows too.
    std::string at(const std::string &name) const {
#ifdef _WIN32
        return dir.u8string() + "\\" + name;
#else
        return (dir / name).string();
#endif
    }

    std::filesystem::path dir;
};

// A UTF-8 path opened as the program opens it: on Windows through the wide functions.
inline FILE *file_open(const std::string &path, const char *mode) {
#ifdef _WIN32
    const std::u16string name = utf16_from_utf8(path);
    const std::u16string how = utf16_from_utf8(mode);
    return _wfopen(std::wstring(name.begin(), name.end()).c_str(),
                   std::wstring(how.begin(), how.end()).c_str());
#else
    return std::fopen(path.c_str(), mode);
#endif
}

inline std::string read_all(const std::string &path) {
    std::string bytes;
    FILE *f = file_open(path, "rb");
    if (f == nullptr)
        return "<missing>";
    char buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
        bytes.append(buffer, n);
    std::fclose(f);
    return bytes;
}

inline void write_all(const std::string &path, const std::string &bytes) {
    FILE *f = file_open(path, "wb");
    ASSERT_NE(f, nullptr) << path;
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

// Temporary files a save left in folder (their names start with "~vkd").
inline std::vector<std::string> leftovers(const std::filesystem::path &folder) {
    std::vector<std::string> names;
    std::error_code ignored;
    for (const auto &entry : std::filesystem::directory_iterator(folder, ignored)) {
        std::string name = entry.path().filename().string();
        if (name.rfind("~vkd", 0) == 0)
            names.push_back(name);
    }
    return names;
}

// A text of size bytes made of one repeated character, so a mix of two is easy to see.
inline std::string text_of(char c, size_t size) {
    return std::string(size, c);
}

// What a file holds, told short: "<missing>", or its size and which characters it is made of.
inline std::string summary(const std::string &bytes) {
    if (bytes == "<missing>")
        return bytes;
    std::string kinds;
    for (char c : bytes)
        if (kinds.find(c) == std::string::npos && kinds.size() < 8)
            kinds += c;
    return std::to_string(bytes.size()) + " bytes of [" + kinds + "]";
}
