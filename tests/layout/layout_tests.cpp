#include <gtest/gtest.h>

#include <cstdint>
#include <ostream>

#include "core/conversion/geometry.h"
#include "core/conversion/settings.h"
#include "main_window/layout.h"
#include "window/document_state.h"

static std::ostream &operator<<(std::ostream &os, const PaneRect &r) {
    return os << "(" << r.x << ", " << r.y << ", " << r.width << ", " << r.height << ")";
}

struct LayoutCase {
    const char *name;
    int32_t toolbarHeight, statusHeight;
    int32_t clientarea, position, mojisu;
    int32_t previewHeight, mapRows;
    int32_t clientWidth, clientHeight;
    PaneRect image, editor;
    int32_t dpi = 96;
};

// 800 x 600 client, 28-pixel toolbar, 20-pixel status bar, Mojisu 100 unless a case says.
// clang-format off
static const LayoutCase layoutCases[] = {
    {"vertical", 28, 20, 1, 1, 100, 0, 0, 800, 600, {0, 28, 136, 552}, {136, 28, 664, 552}},
    {"horizontal, no bitmap", 28, 20, 1, 0, 100, 0, 0, 800, 600, {0, 28, 800, 36}, {0, 64, 800, 516}},
    {"horizontal, 75 and 37", 28, 20, 1, 0, 100, 75, 37, 800, 600, {0, 28, 800, 111}, {0, 139, 800, 441}},
    {"horizontal, ratio above 100", 28, 20, 1, 0, 100, 40, 60, 800, 600, {0, 28, 800, 96}, {0, 124, 800, 456}},
    {"image pane hidden", 28, 20, 0, 1, 100, 75, 37, 800, 600, {0, 0, 0, 0}, {0, 28, 800, 552}},
    {"toolbar hidden, vertical", 0, 20, 1, 1, 100, 0, 0, 800, 600, {0, 0, 136, 580}, {136, 0, 664, 580}},
    {"status bar and image pane hidden", 28, 0, 0, 1, 100, 0, 0, 800, 600, {0, 0, 0, 0}, {0, 28, 800, 572}},
    {"original mode, 640 wide", 28, 20, 1, 1, 640, 480, 480, 800, 600, {0, 28, 676, 552}, {676, 28, 124, 552}},
    {"Position 5 is vertical", 28, 20, 1, 5, 100, 0, 0, 800, 600, {0, 28, 136, 552}, {136, 28, 664, 552}},
    {"Clientarea 7 shows the pane", 28, 20, 7, 0, 100, 0, 0, 800, 600, {0, 28, 800, 36}, {0, 64, 800, 516}},
    // Too narrow for the column: the editor pane gets no visible area, the image pane keeps
    // its size and is cut off by the frame.
    {"narrow frame, vertical", 28, 20, 1, 1, 100, 0, 0, 100, 600, {0, 28, 136, 552}, {136, 28, -36, 552}},
    {"tall preview, horizontal", 28, 20, 1, 0, 100, 700, 350, 800, 600, {0, 28, 800, 736}, {0, 764, 800, -184}},
    {"wrapped toolbar, 2 rows", 56, 20, 1, 1, 100, 0, 0, 300, 600, {0, 56, 136, 524}, {136, 56, 164, 524}},
    {"minimised: empty client", 28, 20, 1, 1, 100, 0, 0, 0, 0, {0, 28, 136, -48}, {136, 28, -136, -48}},
    // Values a hand-edited settings file can hold must not wrap into the other sign.
    {"Mojisu at the 32-bit limit", 28, 20, 1, 1, INT32_MAX, 0, 0, 800, 600, {0, 28, INT32_MAX, 552}, {INT32_MAX, 28, INT32_MIN + 801, 552}},
    {"mapRows at the 32-bit limit", 28, 20, 1, 0, 100, 0, INT32_MAX, 800, 600, {0, 28, 800, INT32_MAX}, {0, INT32_MAX, 800, INT32_MIN + 553}},
    // At 144 DPI the bars are the system's (measured), the margin around the previews 54.
    {"vertical at 144 DPI", 42, 30, 1, 1, 100, 0, 0, 1200, 900, {0, 42, 154, 828}, {154, 42, 1046, 828}, 144},
    {"horizontal at 144 DPI", 42, 30, 1, 0, 100, 75, 37, 1200, 900, {0, 42, 1200, 129}, {0, 171, 1200, 699}, 144},
    {"vertical at 192 DPI", 56, 40, 1, 1, 100, 0, 0, 1600, 1200, {0, 56, 172, 1104}, {172, 56, 1428, 1104}, 192},
};
// clang-format on

TEST(LayoutCompute, ArrangementsFromTheClientAreaAndBars) {
    for (const LayoutCase &c : layoutCases) {
        settings_defaults(settings);
        toolbarRect = {0, 0, c.clientWidth, c.toolbarHeight};
        statusBarRect = {0, 0, c.clientWidth, c.statusHeight};
        settings.Clientarea = c.clientarea;
        settings.Position = c.position;
        settings.Mojisu = c.mojisu;
        previewHeight = c.previewHeight;
        mapRows = c.mapRows;
        if (c.dpi == 96)
            layout_compute(c.clientWidth, c.clientHeight); // as the window has always called it
        else
            layout_compute(c.clientWidth, c.clientHeight, c.dpi);
        EXPECT_EQ(imagePaneRect, c.image) << c.name;
        EXPECT_EQ(editorPaneRect, c.editor) << c.name;
    }
    map_geometry_clear(conversion);
    toolbarRect = statusBarRect = imagePaneRect = editorPaneRect = PaneRect{0, 0, 0, 0};
}
