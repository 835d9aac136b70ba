// The editor pane holding the text picture, its font and the Edit commands.
#pragma once
#include <cstdint>
#include <string>

#include "core/conversion/look.h"
#include "core/output/text_font.h"

// Pure: what a font chosen in the dialog leaves for the next start: FaceName the face (UTF-8)
// cut to the 31 UTF-16 units of a LOGFONT's face field, Height the negated LOGFONT height.
void editor_font_store(const char *face, int32_t logHeight);

// Pure: the font the editor shows a text in, in 96-DPI units: for the board target the board's
// own, whatever the user chose; for the others the user's choice as at start-up.
EditorFontChoice editor_font_of(const Settings &settings, Target target);

#ifdef _WIN32
#include <windows.h>

#include <commdlg.h>

extern HWND editorPane;

// Whether the text was changed by hand (typed, pasted, cut, undone) since the program last put
// a text there or wrote it to a text file: set by the pane's change notification
// (editor_on_change), cleared by editor_text_replace, Clear and a written text file. Kept apart
// from the control's own modify flag, which Undo's enabling follows.
extern bool editorEdited;
void editor_on_change();

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

// What the Edit commands may do now: something is selected (Cut, Copy, Delete), the text has
// changed (Undo). editor_commands_update greys the Edit menu's items by it and returns it for
// the frame's toolbar.
struct EditorCommandState {
    bool selected;
    bool modified;
};
EditorCommandState editor_commands_update();

// Edit commands (undo, cut, copy, paste, delete, select all) on the editor pane.
void editor_command(int commandId);
#endif
