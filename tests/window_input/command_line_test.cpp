// The picture named on the command line, as Explorer's "Open with" and a drop on the program's
// icon give it: taken from the wide command line, so any name comes through as it was typed.
#ifdef _WIN32
#include <gtest/gtest.h>

#include <string>

#include "main_window/command_line.h"

TEST(CommandLine, PictureIsTheFirstArgument) {
    struct Case {
        const wchar_t *line;
        const char *picture; // UTF-8
    };
    const Case cases[] = {
        {L"", ""},
        {L"vkd.exe", ""},
        {L"vkd.exe   \t ", ""},
        {L"vkd.exe photo.jpg", "photo.jpg"},
        {L"\"C:\\Program Files\\vkd.exe\" photo.jpg", "photo.jpg"},
        {L"vkd.exe C:\\pics\\photo.jpg second.png", "C:\\pics\\photo.jpg"},
        {L"vkd.exe C:\\my pics\\photo.jpg", "C:\\my"}, // unquoted: ends at the first blank
        {L"vkd.exe C:\\a\tb.png", "C:\\a"},
        {L"vkd.exe \"C:\\my pics\\photo 1.jpg\"", "C:\\my pics\\photo 1.jpg"},
        {L"vkd.exe   \t\"C:\\my pics\\a.gif\" \"C:\\b.png\"", "C:\\my pics\\a.gif"},
        {L"vkd.exe \"C:\\never closed\\a.png", "C:\\never closed\\a.png"},
        {L"vkd.exe \"\" photo.png", ""},
        // Names the ANSI code page cannot hold come through as typed.
        {L"vkd.exe \"C:\\\u5199\u771f\\\uc0ac\uc9c4\u00e9 1.png\" x", "C:\\写真\\사진é 1.png"},
        {L"vkd.exe C:\\\U0001F600.png", "C:\\\U0001F600.png"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(command_line_picture(c.line), c.picture) << c.picture;
    EXPECT_EQ(command_line_picture(nullptr), "");
}
#endif
