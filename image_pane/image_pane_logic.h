// The image pane's pure part: how an update splits over the canvas, where the label goes.
#pragma once
#include <cstdint>

struct CanvasBox {
    int32_t left, top, right, bottom; // right and bottom exclusive
    bool empty() const { return right <= left || bottom <= top; }
    bool operator==(const CanvasBox &o) const {
        return left == o.left && top == o.top && right == o.right && bottom == o.bottom;
    }
};

// Pure: an update rectangle of the pane split into the part the canvas covers (copied from it)
// and the strips beyond the canvas's right and bottom edges (filled with the menu colour).
// Parts that do not exist are empty.
struct CanvasSplit {
    CanvasBox inside, right, below;
};
CanvasSplit canvas_split(const CanvasBox &update);

struct LabelOrigin {
    int32_t x, y;
};

// Pure: where TextOutW starts the label. Vertical placement: (2, paneHeight - 10), reading
// upward along the left edge; horizontal: (paneWidth - textWidth - 12, -2), top right corner.
// The offsets are 96-DPI pixels, scaled to dpi (3, 15, 18 and -3 at 144).
LabelOrigin label_origin(int32_t position, int32_t paneWidth, int32_t paneHeight, int32_t textWidth,
                         int32_t dpi = 96);

// The label's font height at dpi (35 at 96).
int32_t label_font_height(int32_t dpi);
