// Every Japanese text in the core and in vkd has its English in core/common/language_texts.cpp, so a
// message vkd prints is never left in Japanese for an English-speaking user. A text put
// together from pieces with numbers counts when it is part of an entry (the stretch-mode
// refusal) or an entry itself (the pieces of the original-mode one).
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "core/common/language.h"

namespace {

// The string literals of C++ source, adjacent ones joined, \n and \" read; comments skipped.
std::vector<std::string> literals_of(const std::string &code) {
    std::vector<std::string> found;
    bool adjacent = false; // only blanks since the last literal ended
    for (size_t i = 0; i < code.size(); ++i) {
        if (code.compare(i, 2, "//") == 0) {
            i = code.find('\n', i);
            if (i == std::string::npos)
                break;
        } else if (code.compare(i, 2, "/*") == 0) {
            i = code.find("*/", i) + 1;
        } else if (code[i] == '\'') {
            i += code[i + 1] == '\\' ? 3 : 2;
            adjacent = false;
        } else if (code[i] == '"') {
            std::string text;
            for (++i; i < code.size() && code[i] != '"'; ++i)
                if (code[i] == '\\')
                    text += code[++i] == 'n' ? '\n' : code[i];
                else
                    text += code[i];
            if (adjacent)
                found.back() += text;
            else
                found.push_back(text);
            adjacent = true;
            continue;
        }
        if (code[i] != ' ' && code[i] != '\n')
            adjacent = false;
    }
    return found;
}

// Files whose non-ASCII literals are characters to draw pictures with, never shown as texts.
bool character_data(const std::string &fileName) {
    for (const char *data : {"board.cpp", "board_glyphs.cpp", "board_table_tool.cpp"})
        if (fileName == data)
            return true;
    return false;
}

bool covered(const std::string &japanese) {
    if (japanese == "無題") // the window's caption, never printed by vkd
        return true;
    // Fonts' names, the same in every language.
    if (japanese == "ＭＳ ゴシック" || japanese == "ＭＳ Ｐゴシック")
        return true;
    for (size_t i = 0; i < coreTextCount; ++i)
        if (std::string(coreTexts[i].japanese).find(japanese) != std::string::npos)
            return true;
    return false;
}

TEST(Texts, EveryJapaneseTextOfTheCoreAndVkdHasItsEnglish) {
    namespace fs = std::filesystem;
    std::string missing;
    int files = 0;
    for (const char *folder : {"core", "cli"})
        for (const fs::directory_entry &entry :
             fs::recursive_directory_iterator(fs::path(VKD_SOURCE_DIR) / folder)) {
            const fs::path path = entry.path();
            if ((path.extension() != ".cpp" && path.extension() != ".h") ||
                path.filename() == "language_texts.cpp" || character_data(path.filename().string()))
                continue;
            ++files;
            std::ifstream in(path, std::ios::binary);
            std::ostringstream code;
            code << in.rdbuf();
            for (const std::string &text : literals_of(code.str()))
                if (std::any_of(text.begin(), text.end(), [](char c) { return c & 0x80; }) &&
                    !covered(text))
                        missing += "  " + path.filename().string() + ": \"" + text + "\"\n";
        }
    EXPECT_GT(files, 20);
    EXPECT_EQ(missing, "") << "no English in core/common/language_texts.cpp for:\n" << missing;
}

} // namespace
