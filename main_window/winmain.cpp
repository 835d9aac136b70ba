#include <windows.h>

#include "main_window/main_window.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int show) {
    HWND window = app_create(instance);
    if (window == nullptr)
        return 0; // never wait in the loop without a window
    ShowWindow(window, show);
    UpdateWindow(window);
    app_open_command_line(commandLine);
    MSG msg{};
    // -1 is an error, not a message: leave instead of spinning on it.
    while (GetMessageA(&msg, nullptr, 0, 0) > 0) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return msg.message == WM_QUIT ? static_cast<int>(msg.wParam) : 0;
}
