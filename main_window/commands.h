// Command dispatch: every menu item and toolbar button.
#pragma once
#include <windows.h>

void command_dispatch(HWND window, WPARAM wParam);

// The Open dialog; non-zero when a file was confirmed (bitmapPath, openDir, docTitle set).
int bitmap_choose();
