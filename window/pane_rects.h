// Where the frame's layout put the bars and panes: the layout writes them, the panes read them.
#pragma once
#include <cstdint>

struct PaneRect {
    int32_t x, y, width, height;
    bool operator==(const PaneRect &o) const {
        return x == o.x && y == o.y && width == o.width && height == o.height;
    }
};

extern PaneRect toolbarRect;    // outer rectangle at the last layout while shown; 0 when hidden
extern PaneRect statusBarRect;
extern PaneRect imagePaneRect;  // client coordinates
extern PaneRect editorPaneRect;
