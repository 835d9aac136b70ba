#include "image_pane/image_pane_logic.h"

#include <algorithm>
#include <cstdint>

#include "core/surface.h"

CanvasSplit canvas_split(const CanvasBox &u) {
    CanvasSplit split{};
    split.inside = {std::max(u.left, 0), std::max(u.top, 0), std::min(u.right, canvasWidth),
                    std::min(u.bottom, canvasHeight)};
    if (split.inside.empty())
        split.inside = {};
    if (u.right > canvasWidth)
        split.right = {std::max(u.left, canvasWidth), u.top, u.right,
                       std::min(u.bottom, canvasHeight)};
    if (u.bottom > canvasHeight)
        split.below = {u.left, std::max(u.top, canvasHeight), u.right, u.bottom};
    if (split.right.empty())
        split.right = {};
    if (split.below.empty())
        split.below = {};
    return split;
}

LabelOrigin label_origin(int32_t position, int32_t paneWidth, int32_t paneHeight,
                         int32_t textWidth) {
    if (position != 0)
        return {2, paneHeight - 10};
    return {paneWidth - textWidth - 12, -2};
}
