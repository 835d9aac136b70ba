// The editor pane holding the text picture, its font and the Edit commands.
#pragma once
#include <windows.h>

extern HWND editorPane;

void editor_create();
void editor_font_choose();
void editor_commands_update();

// Edit commands (undo, cut, copy, paste, delete, select all) on the editor pane.
void editor_command(int commandId);
