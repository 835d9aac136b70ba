// The picture named on the command line, as Explorer's "Open with" and a drop on the program's
// icon give it.
#include <gtest/gtest.h>

#include <string>

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
