// Pane layout: where the image pane and the editor pane go between the two bars.
#pragma once
#include <cstdint>

#include "window/pane_rects.h"

// Pure: the two pane rectangles from a client area (left and top 0), the bar heights in
// toolbarRect / statusBarRect, Clientarea, Position, Mojisu, previewHeight and mapRows. The
// previews are device pixels; the 36-pixel margin around them scales with dpi (54 at 144).
void layout_compute(int32_t clientWidth, int32_t clientHeight, int32_t dpi = 96);

#ifdef _WIN32
void layout_panes();
void bar_apply(int kind); // 1 status bar, 2 toolbar, anything else nothing
void menu_checks_update();
#endif
