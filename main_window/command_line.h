// The program's command line: a picture to open once the window is up, and names that are what
// they seem.
#pragma once
#include <string>
#include <vector>

// The first argument of a command line without the program's name (what WinMain is given).
// Leading blanks (spaces, tabs) are skipped. A quoted argument runs to the next quote, blanks
// included, or to the end when the quote is never closed; an unquoted one ends at the first
// blank. Empty when there is none. CP932 is safe: blanks and quotes are never trail bytes.
std::string command_line_first_argument(const char *commandLine);

// One argument of the wide command line in the ANSI code page, converted without best fit: a
// character the code page has no code for is '?' and makes it inexact.
struct AnsiArgument {
    std::string text;
    bool exact = true;
};

// Windows hands a program started with a name the ANSI code page cannot hold (café.png in
// CP932) its closest look-alike (cafe.png): another file. Given the arguments as the program
// got them (narrow, program name first) and the same command line split from its wide text
// (wide), the index of the first argument after the program's name that is inexact; when only
// the program's own name is, 0 if the narrow arguments then differ from the wide ones (a
// look-alike blank or quote split or joined them); -1 when every name is what it seems.
int command_line_misnamed(const std::vector<std::string> &narrow,
                          const std::vector<AnsiArgument> &wide);

#ifdef _WIN32
// An argument that is not what the ANSI command line says (index -1: none), as typed and as the
// ANSI code page shows it.
struct MisnamedArgument {
    int index = -1;
    std::wstring typed;
    std::string shown;
};

// command_line_misnamed for a whole wide command line (GetCommandLineW) and the C runtime's
// argc and argv.
MisnamedArgument command_line_misnamed_find(const wchar_t *wideLine, int argc,
                                            const char *const *argv);

// WinMain's start-up picture: opens the first argument of commandLine (app_open_command_line)
// unless a name on the command line is not what it seems; then a message names it and nothing
// is opened.
void command_line_open(const wchar_t *wideLine, int argc, const char *const *argv,
                       const char *commandLine);
#endif
