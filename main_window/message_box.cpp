#include "main_window/main_window.h"

void caption_update() { SetWindowTextA(mainWindow, caption_text().c_str()); }

int message_show(const Message &message) {
    UINT icon = message.icon == MessageIcon::error ? MB_ICONERROR : MB_ICONWARNING;
    return MessageBoxA(mainWindow, message.text.c_str(), appName, MB_OK | icon);
}
