#include "image_pane/image_pane_logic.h"

#include <algorithm>
#include <cstdint>

#include "core/conversion/surface.h"
#include "window/display.h"

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

LabelOrigin label_origin(int32_t position, int32_t paneWidth, int32_t paneHeight, int32_t textWidth,
                         int32_t dpi) {
    if (position != 0)
        return {dpi_scale(2, dpi), paneHeight - dpi_scale(10, dpi)};
    return {paneWidth - textWidth - dpi_scale(12, dpi), dpi_scale(-2, dpi)};
}

int32_t label_font_height(int32_t dpi) {
    return dpi_scale(35, dpi);
}
