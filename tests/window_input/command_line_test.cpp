// The picture named on the command line, as Explorer's "Open with" and a drop on the program's
// icon give it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "main_window/command_line.h"

TEST(CommandLine, FirstArgument) {
    struct Case {
        const char *line, *first;
    };
    const Case cases[] = {
        {"", ""},
        {"   \t ", ""},
        {"photo.jpg", "photo.jpg"},
        {"C:\\pics\\photo.jpg second.png", "C:\\pics\\photo.jpg"},
        {"C:\\my pics\\photo.jpg", "C:\\my"}, // unquoted: ends at the first blank
        {"C:\\a\tb.png", "C:\\a"},
        {"\"C:\\my pics\\photo 1.jpg\"", "C:\\my pics\\photo 1.jpg"},
        {"  \t\"C:\\my pics\\a.gif\" \"C:\\b.png\"", "C:\\my pics\\a.gif"},
        {"\"C:\\never closed\\a.png", "C:\\never closed\\a.png"},
        {"\"\" photo.png", ""},
        // CP932: 表 is 0x95 0x5C, its trail byte a backslash; the name stays whole.
        {"\"C:\\写真\\表 紙.png\" x", "C:\\写真\\表 紙.png"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(command_line_first_argument(c.line), c.first) << "[" << c.line << "]";
    EXPECT_EQ(command_line_first_argument(nullptr), "");
}

TEST(CommandLine, MisnamedArgument) {
    struct Case {
        const char *what;
        std::vector<std::string> narrow;
        std::vector<AnsiArgument> wide;
        int misnamed;
    };
    const Case cases[] = {
        {"every name exact", {"vkd", "a.png", "-o", "b.txt"},
         {{"vkd", true}, {"a.png", true}, {"-o", true}, {"b.txt", true}}, -1},
        {"the picture's name turned into a look-alike", {"vkd", "cafe.png"},
         {{"vkd", true}, {"caf?.png", false}}, 1},
        {"the first of two", {"vkd", "x.png", "-o", "cafe.txt", "na?ve"},
         {{"vkd", true}, {"x.png", true}, {"-o", true}, {"caf?.txt", false}, {"na?ve", false}}, 3},
        {"only the program's folder, the arguments unmoved", {"C:\\Cafe\\vkd", "a.png"},
         {{"C:\\Caf?\\vkd", false}, {"a.png", true}}, -1},
        {"the program's name split by a look-alike blank", {"C:\\my", "dir\\vkd", "a.png"},
         {{"C:\\my?dir\\vkd", false}, {"a.png", true}}, 0},
        {"the program's name and an argument the same in number but not in text",
         {"vkd", "b.png"}, {{"v?d", false}, {"a.png", true}}, 0},
        {"the program's name and one argument more", {"vkd", "a.png", "b"},
         {{"v?d", false}, {"a.png", true}}, 0},
        {"no wide arguments at all", {"vkd"}, {}, -1},
    };
    for (const Case &c : cases)
        EXPECT_EQ(command_line_misnamed(c.narrow, c.wide), c.misnamed) << c.what;
}
