#include <windows.h>

#include <cstdlib>

#include "main_window/command_line.h"
#include "main_window/main_window.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int show) {
    HWND window = app_create(instance);
    if (window == nullptr)
        return 0; // never wait in the loop without a window
    ShowWindow(window, show);
    UpdateWindow(window);
    // The C runtime's arguments come from the same ANSI command line WinMain is given.
    command_line_open(GetCommandLineW(), __argc, __argv, commandLine);
    MSG msg{};
    // -1 is an error, not a message: leave instead of spinning on it.
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return msg.message == WM_QUIT ? static_cast<int>(msg.wParam) : 0;
}
