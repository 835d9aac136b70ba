// Toolbar: eleven buttons, narrower/wider state, tooltips from the string table (in the
// interface's language).
#pragma once

// Pure: the string id (500-510) of a command's tooltip, 0 when it has none.
int toolbar_tooltip_string(int commandId);

#ifdef _WIN32
#include <windows.h>
extern HWND toolbar;
void toolbar_create();
void toolbar_buttons_update();
void toolbar_tooltip(NMHDR *header);
void toolbar_destroy();                          // and forgets the handle
void toolbar_button_enable(int commandId, bool enable); // no toolbar: nothing
#endif
