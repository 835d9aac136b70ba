// A folder of its own for each test, removed with everything in it afterwards.
#pragma once
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

struct TempFolder {
    std::filesystem::path dir;

    TempFolder() {
        std::random_device random;
        auto base = std::filesystem::temp_directory_path();
        do
            dir = base / ("vkd-ini-test-" + std::to_string(random()));
        while (!std::filesystem::create_directory(dir));
    }
    ~TempFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(dir, ignored);
    }
    TempFolder(const TempFolder &) = delete;
    TempFolder &operator=(const TempFolder &) = delete;

    std::string file(const char *name) const { return (dir / name).string(); }
    std::string path() const { return dir.string(); }

    // Names of everything in the folder, sorted, to catch leftover temporary files.
    std::string listing() const {
        std::string names;
        std::vector<std::string> all;
        for (const auto &entry : std::filesystem::directory_iterator(dir))
            all.push_back(entry.path().filename().string());
        std::sort(all.begin(), all.end());
        for (const auto &name : all)
            names += name + ";";
        return names;
    }
};

inline void file_put(const std::string &path, const std::string &bytes) {
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

// The file's bytes; "<none>" when it does not exist.
inline std::string file_get(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return "<none>";
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Bytes with CR and LF made visible, so a failing comparison shows the file's lines.
inline std::string visible(const std::string &bytes) {
    std::string out;
    for (char c : bytes) {
        if (c == '\r')
            out += "\\r";
        else if (c == '\n')
            out += "\\n\n";
        else
            out += c;
    }
    return out;
}
