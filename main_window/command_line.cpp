// Names on the command line checked against the wide command line they came from.
#include "main_window/command_line.h"

#include <windows.h>
#include <shellapi.h>

#include "core/load.h"
#include "main_window/main_window.h"

namespace {

AnsiArgument ansi_argument(const wchar_t *text) {
    AnsiArgument argument;
    const int length = lstrlenW(text);
    if (length == 0)
        return argument;
    BOOL defaulted = FALSE;
    const int bytes = WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text, length, nullptr, 0,
                                          nullptr, &defaulted);
    argument.text.resize(bytes > 0 ? static_cast<size_t>(bytes) : 0);
    if (bytes <= 0 || WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, text, length,
                                          &argument.text[0], bytes, nullptr, &defaulted) != bytes)
        defaulted = TRUE;
    argument.exact = !defaulted;
    return argument;
}

std::wstring wide_of(const std::string &ansi) {
    std::wstring text(ansi.size(), L'\0');
    const int n = MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()),
                                      &text[0], static_cast<int>(text.size()));
    text.resize(n > 0 ? static_cast<size_t>(n) : 0);
    return text;
}

} // namespace

MisnamedArgument command_line_misnamed_find(const wchar_t *wideLine, int argc,
                                            const char *const *argv) {
    MisnamedArgument found;
    int count = 0;
    wchar_t **split = wideLine != nullptr && *wideLine != L'\0'
                          ? CommandLineToArgvW(wideLine, &count)
                          : nullptr;
    if (split == nullptr)
        return found;
    std::vector<AnsiArgument> wide;
    for (int i = 0; i < count; ++i)
        wide.push_back(ansi_argument(split[i]));
    const std::vector<std::string> narrow(argv, argv + (argc > 0 ? argc : 0));
    found.index = command_line_misnamed(narrow, wide);
    if (found.index >= 0) {
        found.typed = split[found.index];
        found.shown = wide[static_cast<size_t>(found.index)].text;
    }
    LocalFree(split);
    return found;
}

void command_line_open(const wchar_t *wideLine, int argc, const char *const *argv,
                       const char *commandLine) {
    const MisnamedArgument misnamed = command_line_misnamed_find(wideLine, argc, argv);
    if (misnamed.index < 0) {
        app_open_command_line(commandLine);
        return;
    }
    // The name as typed, which only the wide message box can show.
    const std::wstring text = wide_of(openFailedText) + L"\n\n" + misnamed.typed + L"\n\n" +
                              wide_of("ファイル名に、シフトJISで表せない文字が含まれています。");
    MessageBoxW(mainWindow, text.c_str(), wide_of(appName).c_str(), MB_OK | MB_ICONERROR);
}
