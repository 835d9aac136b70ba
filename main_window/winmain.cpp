#include <windows.h>

#include "main_window/command_line.h"
#include "main_window/main_window.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int show) {
    HWND window = app_create(instance);
    if (window == nullptr)
        return 0; // never wait in the loop without a window
    ShowWindow(window, show);
    UpdateWindow(window);
    // The wide command line: the ANSI one cannot name every file.
    command_line_open(GetCommandLineW());
    MSG msg{};
    // -1 is an error, not a message: leave instead of spinning on it.
    while (GetMessageW(&msg, nullptr, 0, 0) > 0)
        app_message_handle(msg);
    return msg.message == WM_QUIT ? static_cast<int>(msg.wParam) : 0;
}
