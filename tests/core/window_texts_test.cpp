// Every Japanese text the window can show has its English. The sources are read as they are now,
// so a text added without English fails here by name, and English left for a text no source
// holds any more does too.
#include <gtest/gtest.h>

#include <cctype>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "core/common/language.h"
#include "main_window/texts_en.h"

namespace {

namespace fs = std::filesystem;

// Non-ASCII texts that are not the window's words: font faces, and the version resources that
// Explorer reads.
const char *const notShown[] = {"ＭＳ Ｐゴシック", "ＭＳ ゴシック",
                                "Velkorandite ビットマップ文字絵変換",
                                "Velkorandite コマンドライン変換"};

bool has_non_ascii(const std::string &text) {
    for (unsigned char c : text)
        if (c >= 0x80)
            return true;
    return false;
}

// The string literals of a C++ or resource file as the program holds them: comments skipped,
// escapes decoded, adjacent C++ literals joined, and each split at its "\0"s (the file-dialog
// filters), empty pieces dropped.
std::vector<std::string> literals_of(const std::string &s, bool cpp) {
    std::vector<std::string> whole;
    bool joinNext = false; // only blanks and comments since the last literal
    size_t i = 0;
    while (i < s.size()) {
        if (s.compare(i, 2, "//") == 0) {
            i = s.find('\n', i);
        } else if (s.compare(i, 2, "/*") == 0) {
            i = s.find("*/", i + 2);
            i = i == std::string::npos ? i : i + 2;
        } else if (cpp && s[i] == '\'') {
            for (++i; i < s.size() && s[i] != '\''; ++i)
                i += s[i] == '\\';
            ++i;
            joinNext = false;
        } else if (s[i] == '"') {
            std::string text;
            for (++i; i < s.size() && s[i] != '"'; ++i) {
                if (s[i] != '\\') {
                    text += s[i];
                    continue;
                }
                const char e = s[++i];
                text += e == 'n' ? '\n' : e == 't' ? '\t' : e == 'r' ? '\r' : e == '0' ? '\0' : e;
            }
            ++i;
            if (cpp && joinNext)
                whole.back() += text;
            else
                whole.push_back(text);
            joinNext = true;
        } else {
            joinNext = joinNext && std::isspace(static_cast<unsigned char>(s[i]));
            ++i;
        }
    }
    std::vector<std::string> pieces;
    for (const std::string &text : whole) {
        std::stringstream split(text);
        for (std::string piece; std::getline(split, piece, '\0');)
            if (!piece.empty())
                pieces.push_back(piece);
    }
    return pieces;
}

std::string file_text(const fs::path &path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// The files of a folder and its folders with one of the extensions, in a fixed order.
std::vector<fs::path> files_of(const char *folder, std::set<std::string> extensions) {
    std::set<fs::path> found;
    for (const auto &entry : fs::recursive_directory_iterator(fs::path(VKD_SOURCE_DIR) / folder))
        if (extensions.count(entry.path().extension().string()) != 0 &&
            entry.path().filename() != "texts_en.cpp")
            found.insert(entry.path());
    return {found.begin(), found.end()};
}

bool has_english(const std::string &japanese) {
    for (size_t i = 0; i < windowTextCount; ++i)
        if (japanese == windowTexts[i].japanese)
            return true;
    for (size_t i = 0; i < coreTextCount; ++i)
        if (japanese == coreTexts[i].japanese)
            return true;
    for (const char *text : notShown)
        if (japanese == text)
            return true;
    return false;
}

TEST(WindowTexts, EveryJapaneseTextTheWindowShowsHasItsEnglish) {
    std::vector<fs::path> sources = files_of("resources", {".rc"});
    for (const char *folder :
         {"main_window", "document", "image_pane", "settings_dialog", "window"}) {
        const std::vector<fs::path> more = files_of(folder, {".cpp", ".h"});
        sources.insert(sources.end(), more.begin(), more.end());
    }
    ASSERT_GT(sources.size(), 20u) << "sources not found under " << VKD_SOURCE_DIR;
    std::string missing;
    for (const fs::path &path : sources)
        for (const std::string &text : literals_of(file_text(path), path.extension() != ".rc"))
            if (has_non_ascii(text) && !has_english(text))
                missing += "  " + path.filename().string() + ": \"" + text + "\"\n";
    EXPECT_TRUE(missing.empty())
        << "Texts without English (add them to main_window/texts_en.cpp):\n"
        << missing;
}

TEST(WindowTexts, EveryEnglishTextHasAJapaneseTextInTheSources) {
    std::set<std::string> inSources;
    for (const char *folder : {"resources", "main_window", "document", "image_pane",
                               "settings_dialog", "window", "core"})
        for (const fs::path &path : files_of(folder, {".rc", ".cpp", ".h"}))
            for (const std::string &text : literals_of(file_text(path), path.extension() != ".rc"))
                inSources.insert(text);
    std::string stale;
    for (size_t i = 0; i < windowTextCount; ++i)
        if (inSources.count(windowTexts[i].japanese) == 0)
            stale += std::string("  \"") + windowTexts[i].japanese + "\"\n";
    EXPECT_TRUE(stale.empty()) << "English kept for texts no source has any more:\n" << stale;
}

} // namespace
