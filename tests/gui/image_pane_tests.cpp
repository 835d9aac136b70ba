// The image pane: its canvas, background and label, painting and the core's drawing hook.
#include <windows.h>

#include <gtest/gtest.h>

#include "core/common/document.h"
#include "core/conversion/settings.h"
#include "core/conversion/surface.h"
#include "image_pane/image_pane.h"
#include "main_window/layout.h"
#include "main_window/main_window.h"
#include "tests/gui/gui_session.h"
#include "window/document_state.h"

using ImagePane = WindowTest;

static Rgb menu_colour() {
    const COLORREF c = GetSysColor(COLOR_MENU);
    return Rgb{GetRValue(c), GetGValue(c), GetBValue(c)};
}

// Label pixels (250, 250, 250) inside a canvas rectangle.
static int label_pixels(int left, int top, int right, int bottom) {
    int n = 0;
    for (int y = top; y < bottom; ++y)
        for (int x = left; x < right; ++x)
            if (surface_get(canvas, x, y) == Rgb{250, 250, 250})
                ++n;
    return n;
}

TEST_F(ImagePane, BackgroundAndLabelInBothPlacements) {
    ASSERT_NE(app_start(), nullptr);
    MoveWindow(mainWindow, 10, 10, 800, 600, TRUE);
    quit_drain();
    ASSERT_NE(canvas.bits, nullptr);
    const int w = imagePaneRect.width, h = imagePaneRect.height;
    ASSERT_EQ(w, 136);
    // Vertical: the label runs up the left edge from the bottom, within 35 pixels of x = 2.
    EXPECT_EQ(surface_get(canvas, w - 1, 0), menu_colour());
    EXPECT_EQ(surface_get(canvas, w / 2, h / 2), menu_colour());
    EXPECT_GT(label_pixels(0, h - 260, 40, h), 200);
    EXPECT_EQ(label_pixels(40, 0, w, h), 0);
    EXPECT_EQ(label_pixels(0, 0, 40, h - 300), 0);

    settings.Position = 0;
    MoveWindow(mainWindow, 10, 10, 820, 600, TRUE); // a resize repaints for the new placement
    quit_drain();
    const int bw = imagePaneRect.width, bh = imagePaneRect.height;
    ASSERT_EQ(bh, 36);
    EXPECT_GT(label_pixels(bw - 280, 0, bw - 8, bh), 200);
    EXPECT_EQ(label_pixels(0, 0, bw - 300, bh), 0);
    EXPECT_EQ(label_pixels(bw - 11, 0, bw, bh), 0); // 12 pixels from the right edge
}

// Painting copies the canvas; outside the invalidated part the pane keeps what it showed.
TEST_F(ImagePane, PaintCopiesOnlyTheUpdateRectangle) {
    ASSERT_NE(app_start(), nullptr);
    MoveWindow(mainWindow, 10, 10, 800, 600, TRUE);
    quit_drain();
    const Rgb red{200, 0, 0};
    surface_fill(canvas, 0, 0, 100, 100, red);
    RECT part{10, 10, 30, 30};
    InvalidateRect(imagePane, &part, FALSE);
    UpdateWindow(imagePane);
    HDC dc = GetDC(imagePane);
    EXPECT_EQ(GetPixel(dc, 20, 20), RGB(200, 0, 0));
    EXPECT_EQ(GetPixel(dc, 50, 50), GetSysColor(COLOR_MENU)); // not repainted yet
    ReleaseDC(imagePane, dc);
}

// What the core draws shows on the pane at once, without a paint message.
TEST_F(ImagePane, CoreDrawingShowsAtOnce) {
    ASSERT_NE(app_start(), nullptr);
    MoveWindow(mainWindow, 10, 10, 800, 600, TRUE);
    quit_drain();
    ASSERT_NE(canvasChanged, nullptr);
    surface_fill(canvas, 15, 15, 40, 20, Rgb{0, 0, 160});
    canvasChanged(15, 15, 40, 20);
    HDC dc = GetDC(imagePane);
    EXPECT_EQ(GetPixel(dc, 30, 25), RGB(0, 0, 160));
    ReleaseDC(imagePane, dc);
}

TEST_F(ImagePane, HiddenPaneStillHasTheCanvas) {
    ini_file_write("[Forms]\r\nClientarea=0\r\n");
    ASSERT_NE(app_start(), nullptr);
    EXPECT_EQ(imagePaneRect, (PaneRect{0, 0, 0, 0}));
    const RECT r = child_rect(imagePane);
    EXPECT_EQ(r.right, 0);
    EXPECT_EQ(r.bottom, 0);
    EXPECT_NE(canvas.bits, nullptr);
    EXPECT_EQ(canvas.width, canvasWidth);
}

TEST_F(ImagePane, DestroyingReleasesTheSurfacesAndEndsTheLoop) {
    ASSERT_NE(app_start(), nullptr);
    ASSERT_NE(canvas.bits, nullptr);
    DestroyWindow(mainWindow);
    EXPECT_EQ(canvas.bits, nullptr);
    EXPECT_EQ(sourceSurface.bits, nullptr);
    EXPECT_EQ(reducedCopy.bits, nullptr);
    EXPECT_TRUE(quit_drain());
}

TEST_F(ImagePane, SystemColourChangeRepaintsTheBackground) {
    ASSERT_NE(app_start(), nullptr);
    MoveWindow(mainWindow, 10, 10, 800, 600, TRUE);
    quit_drain();
    surface_fill(canvas, 0, 0, 2048, 1536, Rgb{1, 2, 3});
    SendMessageA(mainWindow, WM_SYSCOLORCHANGE, 0, 0);
    EXPECT_EQ(surface_get(canvas, 60, 60), menu_colour());
    EXPECT_EQ(surface_get(canvas, imagePaneRect.width + 5, 60), (Rgb{1, 2, 3})); // outside: kept
}
