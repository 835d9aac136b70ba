#include "main_window/layout.h"

#include <algorithm>
#include <cstdint>

#include "core/conversion/geometry.h"
#include "core/conversion/settings.h"
#include "window/document_state.h"
#include "window/display.h"

// Settings and geometry come unchecked from the settings file; keep the sums inside 32 bits
// instead of wrapping into a negative pane size.
static int32_t clamp32(int64_t v) {
    return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX));
}

void layout_compute(int32_t clientWidth, int32_t clientHeight, int32_t dpi) {
    const int64_t margin = dpi_scale(36, dpi);
    const int32_t top = toolbarRect.height;
    const int32_t between = clamp32(int64_t{clientHeight} - statusBarRect.height - top);

    if (settings.Clientarea == 0) {
        imagePaneRect = {0, 0, 0, 0};
        editorPaneRect = {0, top, clientWidth, between};
    } else if (settings.Position != 0) {
        const int32_t column = clamp32(int64_t{settings.Mojisu} + margin);
        imagePaneRect = {0, top, column, between};
        editorPaneRect = {column, top, clamp32(int64_t{clientWidth} - column), between};
    } else {
        const int32_t band = clamp32(int64_t{std::max(mapRows, previewHeight)} + margin);
        imagePaneRect = {0, top, clientWidth, band};
        editorPaneRect = {0, clamp32(int64_t{top} + band), clientWidth,
                          clamp32(int64_t{between} - band)};
    }
}
