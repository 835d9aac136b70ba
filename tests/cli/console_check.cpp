// What a console shows of a program run in it: console_check OUT CODEPAGE COMMAND-LINE makes a
// console of its own with that output code page, runs the command line in it (its standard
// output and error the console), and writes the console's lines to OUT in UTF-8. A console
// shows characters, not bytes: this is what the user reads.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <string>

int main() {
    int argc = 0;
    wchar_t **argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    if (argv == nullptr || argc != 4)
        return 2;
    FreeConsole();
    if (!AllocConsole() || !SetConsoleOutputCP(UINT(_wtoi(argv[2]))))
        return 3;
    STARTUPINFOW start{};
    start.cb = sizeof start;
    PROCESS_INFORMATION started{};
    std::wstring commandLine = argv[3];
    if (!CreateProcessW(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &start, &started))
        return 4;
    WaitForSingleObject(started.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(started.hProcess, &code);

    const HANDLE screen = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                      0, nullptr);
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (screen == INVALID_HANDLE_VALUE || !GetConsoleScreenBufferInfo(screen, &info))
        return 5;
    std::string shown;
    for (SHORT y = 0; y <= info.dwCursorPosition.Y; ++y) {
        std::wstring line(size_t(info.dwSize.X), L' ');
        DWORD got = 0;
        ReadConsoleOutputCharacterW(screen, &line[0], DWORD(line.size()), COORD{0, y}, &got);
        line.resize(line.find_last_not_of(L' ') + 1);
        char bytes[4096];
        const int n = WideCharToMultiByte(CP_UTF8, 0, line.data(), int(line.size()), bytes,
                                          sizeof bytes, nullptr, nullptr);
        shown.append(bytes, size_t(n > 0 ? n : 0));
        shown += '\n';
    }
    FILE *out = _wfopen(argv[1], L"wb");
    if (out == nullptr)
        return 6;
    std::fwrite(shown.data(), 1, shown.size(), out);
    std::fclose(out);
    return int(code);
}
