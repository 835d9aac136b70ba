// The image pane: shows the canvas, its menu-colour background and faint label.
#pragma once
#include "image_pane/image_pane_logic.h"

#ifdef _WIN32
#include <windows.h>

extern HWND imagePane;

// Registers vkd_childwindow and creates the pane at imagePaneRect (edge from Style).
void image_pane_create();

// Fills the pane's part of the canvas with the menu colour, draws the label, invalidates.
void canvas_background_paint();
#endif
