#include "cli/vkd_terminal.h"

#include <cstdlib>

#ifdef _WIN32
#include <windows.h>
#include <shellapi.h>
#else
#include <sys/ioctl.h>
#include <unistd.h>
#endif

namespace {

#ifdef _WIN32
bool set(const char *value) {
    return value != nullptr && *value != '\0';
}

HANDLE handle_of(std::FILE *stream) {
    return GetStdHandle(stream == stderr ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
}

std::string utf8_of(const wchar_t *wide) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, wide, -1, nullptr, 0, nullptr, nullptr);
    std::string out(n > 0 ? size_t(n) : 1, '\0');
    if (n > 0)
        WideCharToMultiByte(CP_UTF8, 0, wide, -1, &out[0], n, nullptr, nullptr);
    out.resize(out.size() - 1);
    return out;
}
#endif

} // namespace

std::vector<std::string> terminal_arguments(int argc, char **argv) {
    std::vector<std::string> args;
#ifdef _WIN32
    (void)argc;
    (void)argv;
    int count = 0;
    wchar_t **wide = CommandLineToArgvW(GetCommandLineW(), &count);
    for (int i = 1; wide != nullptr && i < count; ++i)
        args.push_back(utf8_of(wide[i]));
    LocalFree(wide);
#else
    for (int i = 1; i < argc; ++i)
        args.push_back(argv[i]);
#endif
    return args;
}

Language terminal_language() {
    const char *all = std::getenv("LC_ALL"), *messages = std::getenv("LC_MESSAGES"),
               *lang = std::getenv("LANG");
#ifdef _WIN32
    if (!set(all) && !set(messages) && !set(lang))
        return PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_JAPANESE ? Language::japanese
                                                                          : Language::english;
#endif
    return language_from_locale(all, messages, lang);
}

bool terminal_is(std::FILE *stream) {
#ifdef _WIN32
    DWORD mode = 0;
    return GetConsoleMode(handle_of(stream), &mode) != 0;
#else
    return isatty(fileno(stream)) == 1;
#endif
}

int terminal_columns() {
#ifdef _WIN32
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (!GetConsoleScreenBufferInfo(handle_of(stdout), &info))
        return 0;
    return info.srWindow.Right - info.srWindow.Left + 1;
#else
    struct winsize size {};
    if (ioctl(STDOUT_FILENO, TIOCGWINSZ, &size) != 0)
        return 0;
    return size.ws_col;
#endif
}

void terminal_write(std::FILE *stream, const std::string &utf8) {
#ifdef _WIN32
    DWORD mode = 0;
    const HANDLE console = handle_of(stream);
    if (!utf8.empty() && GetConsoleMode(console, &mode)) {
        std::fflush(stream);
        const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), nullptr, 0);
        std::wstring wide(size_t(n), L'\0');
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), int(utf8.size()), &wide[0], n);
        DWORD written = 0;
        WriteConsoleW(console, wide.data(), DWORD(wide.size()), &written, nullptr);
        return;
    }
#endif
    std::fwrite(utf8.data(), 1, utf8.size(), stream);
}
