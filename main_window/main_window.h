// The program's frame window: start-up, message routing and ending.
#pragma once
#include <windows.h>
#include <shellapi.h>

#include <string>

#include "core/common/document.h"
#include "window/window.h"

LRESULT CALLBACK main_window_proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
void main_window_create(HWND window);
void main_window_destroy();
// Shows the editor's text in the font of the chosen target (出力先) at the window's DPI.
void editor_font_apply();
void common_controls_init();

// Registers the class and creates the frame (the whole start-up runs inside). Used by WinMain
// and by the GUI tests. Returns nullptr (after telling the user) when the frame cannot be made.
HWND app_create(HINSTANCE instance);

// One message of the loop: the keyboard shortcuts (Ctrl+N, Ctrl+O, Ctrl+S, F1, Ctrl+Shift+V)
// become their commands; anything else is translated and dispatched. The editor's own keys
// (Ctrl+C, Ctrl+V, Ctrl+X, Ctrl+Z, Ctrl+A) are no shortcuts and reach it.
void app_message_handle(MSG &msg);

// The interface language from the settings' Language and the user's Windows, with the window's
// English texts registered (once). Run at start-up before anything is shown.
void app_language_choose();

// WM_DROPFILES: opens the first file dropped on the window.
void main_window_on_dropfiles(HDROP drop);
