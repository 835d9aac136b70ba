// The program's command line: a picture to open once the window is up.
#pragma once
#include <string>

// The first argument of a command line without the program's name (what WinMain is given).
// Leading blanks (spaces, tabs) are skipped. A quoted argument runs to the next quote, blanks
// included, or to the end when the quote is never closed; an unquoted one ends at the first
// blank. Empty when there is none. CP932 is safe: blanks and quotes are never trail bytes.
std::string command_line_first_argument(const char *commandLine);
