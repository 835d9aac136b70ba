// Command dispatch: every menu item and toolbar button.
#pragma once
#include <windows.h>

void command_dispatch(HWND window, WPARAM wParam);

// The 画質 submenu's marks from lookSettings: one of the three looks (an unknown look shows as
// standard), the dither check and the character set (半角 or 全角). Run at start-up, once the
// settings file is read, and by the look commands.
void look_menu_update();

// How Help opens its page (index.html, in English index-en.html): ShellExecuteW, unless a test
// has put a recorder in its place.
extern HINSTANCE(WINAPI *helpShellExecute)(HWND, LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR, INT);

// Opens a file named outside the dialog (dropped on the window, named on the command line)
// exactly as Open does once its dialog is confirmed: the open directory becomes the file's
// folder, docTitle comes from its name, then the same loading, caption, previews and messages.
// A path longer than bitmapPath holds gets the open-failure message and changes nothing.
void command_open_path(const char *path);

// What Open does with a picture once it is read (from a file or the clipboard): a refusal's
// message (the caption too, with the title its opener left), or the caption, previews, fit and
// layout of the new picture.
struct LoadResult;
void command_open_loaded(const LoadResult &loaded);

// Before a text typed in the editor is dropped (closing, Clear): the Yes/No/Cancel question
// when it was edited by hand since the last Convert or text save, and Save on Yes. True when
// the caller may go on.
bool unsaved_text_settle();
