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

int command_line_misnamed(const std::vector<std::string> &narrow,
                          const std::vector<AnsiArgument> &wide) {
    for (size_t i = 1; i < wide.size(); ++i)
        if (!wide[i].exact)
            return static_cast<int>(i);
    if (wide.empty() || wide[0].exact)
        return -1;
    // Only the program's name changed: harmless unless it moved the arguments after it.
    if (narrow.size() != wide.size())
        return 0;
    for (size_t i = 1; i < wide.size(); ++i)
        if (narrow[i] != wide[i].text)
            return 0;
    return -1;
}
