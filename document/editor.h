// The editor pane holding the text picture, its font and the Edit commands.
#pragma once
#include <cstdint>
#include <string>

// "ＭＳ ゴシック": the built-in face of the editor and of the canvas label.
extern const char *const builtinFace;

struct EditorFontChoice {
    int32_t height;
    const char *face;
};

// Pure: the start-up font from Settings Height and FaceName. Height 0 means the built-in font
// (-15, builtinFace) whatever FaceName holds; otherwise Height as stored with FaceName.
struct Settings;
EditorFontChoice editor_font_startup(const Settings &settings);

// Pure: what a font chosen in the dialog leaves for the next start: FaceName the face (UTF-8)
// cut to the 31 UTF-16 units of a LOGFONT's face field, Height the negated LOGFONT height.
void editor_font_store(const char *face, int32_t logHeight);

#ifdef _WIN32
#include <windows.h>

#include <commdlg.h>

extern HWND editorPane;

// How the Font command shows the font dialog: ChooseFontW, unless a test has put a recorder in
// its place (the dialog shows nothing of some of the record's fields).
extern BOOL(WINAPI *fontDialogChoose)(LPCHOOSEFONTW);

void editor_create();

// Replaces the whole text (UTF-8; false when the control refuses it) and shows the new text
// once, frame and scroll bars included, instead of at every step the control takes.
bool editor_text_replace(const char *text);

// The whole text as the editor holds it (UTF-16), without a terminating zero; and in UTF-8.
std::wstring editor_text_wide();
std::string editor_text();

void editor_font_choose();
void editor_commands_update();

// Edit commands (undo, cut, copy, paste, delete, select all) on the editor pane.
void editor_command(int commandId);
#endif
