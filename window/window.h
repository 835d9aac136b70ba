// What the frame shares with its panes and dialogs: its handle and fonts, window classes, the
// caption and message boxes. The panes and dialogs call down to here, never up into the frame.
#pragma once
#include <windows.h>

#include <string>

#include "core/common/document.h"

extern HWND mainWindow;
extern HFONT editorFont;
extern HFONT labelFontVertical;   // 35 px, escapement 900: reads upward
extern HFONT labelFontHorizontal; // 35 px, escapement 0

ATOM window_class_register(HINSTANCE instance, WNDPROC proc, const wchar_t *className);
// face: UTF-8.
HFONT font_create(int height, int escapement, BOOL italic, BOOL underline, const char *face);

// The document part of the caption and the suggested file names: docTitle, except that the
// program's own titles ("無題", "クリップボード") speak the interface's language.
std::string doc_title_shown();

// Caption "%s - %s" from the title shown and the program name.
void caption_update();

// A message box owned by the main window with the program name as title, its text in the
// interface's language; returns its answer.
int message_show(const Message &message);
