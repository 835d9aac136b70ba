// The program's command line: a picture to open once the window is up, named in any characters
// the file system allows.
#pragma once
#include <string>

#ifdef _WIN32
// The first argument after the program's name of a wide command line (GetCommandLineW), split
// as CommandLineToArgvW splits it (quotes around names with blanks), in UTF-8; empty when there
// is none.
std::string command_line_picture(const wchar_t *wideLine);

// WinMain's start-up picture: the first argument, a name relative to the current directory made
// a full path as the dialog would give it, opened as Open opens a chosen file
// (command_open_path); a missing file gets the open-failure message. Nothing without one.
void command_line_open(const wchar_t *wideLine);
#endif
