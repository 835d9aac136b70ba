#include "document/text_file.h"

#include <gtest/gtest.h>

#include <cstring>

// The folder a dialog's answer leaves for the next dialog to start in.
TEST(DialogFolder, CutBeforeTheFileName) {
    struct Case {
        const char *path;
        const char *name; // where the dialog says the file name starts
        const char *folder;
    } const cases[] = {
        {"C:\\pics\\photo.bmp", "photo.bmp", "C:\\pics"},
        {"C:\\photo.bmp", "photo.bmp", "C:\\"},
        {"\\\\server\\share\\a.txt", "a.txt", "\\\\server\\share"},
        {"C:\\\x95\x5C\\\x83\x5C.txt", "\x83\x5C.txt", "C:\\\x95\x5C"}, // CP932 0x5C trail bytes
        {"/home/me/a.txt", "a.txt", "/home/me"},
        {"/a.txt", "a.txt", "/"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(dialog_folder(c.path, std::strlen(c.path) - std::strlen(c.name)), c.folder)
            << c.path;
    EXPECT_EQ(dialog_folder("a.txt", 0), "");
    EXPECT_EQ(dialog_folder("C:\\a.txt", 99), "");
}
