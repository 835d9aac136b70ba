// The picture named on the command line, taken from the wide command line: the ANSI one turns
// a name its code page cannot hold into a look-alike, another file.
#include "main_window/command_line.h"

#include <windows.h>
#include <shellapi.h>

#include "main_window/commands.h"
#include "window/wide.h"

std::string command_line_picture(const wchar_t *wideLine) {
    if (wideLine == nullptr || *wideLine == L'\0')
        return std::string();
    int count = 0;
    wchar_t **split = CommandLineToArgvW(wideLine, &count);
    if (split == nullptr)
        return std::string();
    const std::string picture = count > 1 ? utf8_of(split[1]) : std::string();
    LocalFree(split);
    return picture;
}

void command_line_open(const wchar_t *wideLine) {
    const std::string picture = command_line_picture(wideLine);
    if (picture.empty())
        return;
    // A name relative to the folder the program started in (a start from a console) becomes a
    // full path.
    const std::wstring name = wide_of(picture);
    wchar_t full[MAX_PATH];
    const DWORD length = GetFullPathNameW(name.c_str(), MAX_PATH, full, nullptr);
    command_open_path(length > 0 && length < MAX_PATH ? utf8_of(full, length).c_str()
                                                      : picture.c_str());
}
