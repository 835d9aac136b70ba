// The program's frame window: start-up, message routing and ending.
#pragma once
#include <windows.h>
#include <shellapi.h>
#include "core/document.h"

extern HWND mainWindow;
extern HFONT editorFont;
extern HFONT labelFontVertical;   // 35 px, escapement 900: reads upward
extern HFONT labelFontHorizontal; // 35 px, escapement 0

ATOM window_class_register(HINSTANCE instance, WNDPROC proc, const char *className);
LRESULT CALLBACK main_window_proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void main_window_create(HWND window);
void main_window_destroy();
HFONT font_create(int height, int escapement, BOOL italic, BOOL underline, const char *face);
void common_controls_init();

// Registers the class and creates the frame (the whole start-up runs inside). Used by WinMain
// and by the GUI tests. Returns nullptr (after telling the user) when the frame cannot be made.
HWND app_create(HINSTANCE instance);

// Opens the picture named first on WinMain's command line, if any (see command_line.h), once
// the window is up; a missing file gets the open-failure message.
void app_open_command_line(const char *commandLine);

// WM_DROPFILES: opens the first file dropped on the window.
void main_window_on_dropfiles(HDROP drop);

// Caption "%s - %s" from docTitle and the program name.
void caption_update();

// A message box owned by the main window with the program name as title; returns its answer.
int message_show(const Message &message);
