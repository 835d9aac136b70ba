// What vkd asks of the system it runs on: its arguments, its language, whether it writes to a
// terminal and how wide that is, and writing messages so that they read right there.
#pragma once
#include <cstdio>
#include <string>
#include <vector>

#include "core/common/language.h"

// The arguments after the program's name, in UTF-8: on Windows from the wide command line, so
// a name in any script reaches the program as it was typed.
std::vector<std::string> terminal_arguments(int argc, char **argv);

// Linux: language_from_locale of LC_ALL, LC_MESSAGES and LANG. Windows: the same when any of
// them is set (not empty); otherwise Japanese when the user's display language is (primary
// language 0x11), English when it is not.
Language terminal_language();

// Whether standard output (or standard error) is a terminal: on Windows a console, never a
// file, a pipe or the NUL device.
bool terminal_is(std::FILE *stream);

// The columns of the terminal standard output shows in; 0 when it is none or does not say.
int terminal_columns();

// Writes UTF-8 text (messages, header lines) to stream. A Windows console is given the text as
// UTF-16, so it reads right whatever the console's code page; elsewhere the bytes go as they
// are (UTF-8, also to a redirected standard error on Windows). The text picture itself is never
// written through here: its bytes go out unchanged.
void terminal_write(std::FILE *stream, const std::string &utf8);
