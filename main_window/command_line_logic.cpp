#include "main_window/command_line.h"

#include <cstring>

std::string command_line_first_argument(const char *commandLine) {
    if (commandLine == nullptr)
        return std::string();
    const char *p = commandLine + std::strspn(commandLine, " \t");
    if (*p == '"') {
        ++p;
        return std::string(p, std::strcspn(p, "\""));
    }
    return std::string(p, std::strcspn(p, " \t"));
}
