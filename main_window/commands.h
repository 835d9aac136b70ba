// Command dispatch: every menu item and toolbar button.
#pragma once
#include <windows.h>

void command_dispatch(HWND window, WPARAM wParam);

// The 画質 submenu's marks from lookSettings: one of the three looks (an unknown look shows as
// standard) and the dither check. Run at start-up, once the settings file is read, and by the
// look commands.
void look_menu_update();

// How Help opens index.html: ShellExecuteA, unless a test has put a recorder in its place.
extern HINSTANCE(WINAPI *helpShellExecute)(HWND, LPCSTR, LPCSTR, LPCSTR, LPCSTR, INT);

// The Open dialog; non-zero when a file was confirmed (bitmapPath, openDir, docTitle set).
int bitmap_choose();

// Opens a file named outside the dialog (dropped on the window, named on the command line)
// exactly as Open does once its dialog is confirmed: the open directory becomes the file's
// folder, docTitle comes from its name, then the same loading, caption, previews and messages.
// A path longer than bitmapPath holds gets the open-failure message and changes nothing.
void command_open_path(const char *path);
