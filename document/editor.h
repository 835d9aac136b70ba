// The editor pane holding the text picture, its font and the Edit commands.
#pragma once
#include <cstdint>

// "ＭＳ ゴシック": the built-in face of the editor and of the canvas label.
extern const char *const builtinFace;

struct EditorFontChoice {
    int32_t height;
    const char *face;
};

// Pure: the start-up font from Settings Height and FaceName. Height 0 means the built-in font
// (-15, builtinFace) whatever FaceName holds; otherwise Height as stored with FaceName.
EditorFontChoice editor_font_startup();

// Pure: what a font chosen in the dialog leaves for the next start: FaceName the face cut to
// 31 bytes (a LOGFONT's face field), Height the negated LOGFONT height.
void editor_font_store(const char *face, int32_t logHeight);

#ifdef _WIN32
#include <windows.h>

extern HWND editorPane;

void editor_create();
void editor_font_choose();
void editor_commands_update();

// Edit commands (undo, cut, copy, paste, delete, select all) on the editor pane.
void editor_command(int commandId);
#endif
