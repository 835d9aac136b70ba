// The Settings command around its dialog: the toolbar's width buttons and the previews after it.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "core/common/document.h"
#include "core/conversion/geometry.h"
#include "core/conversion/settings.h"
#include "core/conversion/surface.h"
#include "image_pane/image_pane.h"
#include "main_window/layout.h"
#include "main_window/main_window.h"
#include "main_window/toolbar.h"
#include "resources/resource.h"
#include "tests/gui/file_dialog.h"
#include "tests/gui/gui_benchmark.h"
#include "tests/gui/gui_session.h"
#include "window/document_state.h"

namespace {

bool button_enabled(int id) {
    return SendMessageA(toolbar, TB_ISBUTTONENABLED, id, 0) != 0;
}

void press(HWND dialog, int id) {
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

void drag(HWND dialog, int trackbarId, int position) {
    HWND trackbar = GetDlgItem(dialog, trackbarId);
    SendMessageA(trackbar, TBM_SETPOS, TRUE, position);
    SendMessageA(dialog, WM_HSCROLL, MAKEWPARAM(TB_THUMBTRACK, position),
                 reinterpret_cast<LPARAM>(trackbar));
}

// The Settings command with act run inside the real dialog, which end then closes.
std::vector<ModalDialog> settings_run(const std::function<void(HWND)> &act, int end) {
    return command_run(IDM_SETTINGS, {[&act, end](const ModalDialog &d) {
                           act(d.window);
                           modal_press(end)(d);
                       }});
}

Rgb rgb_of(COLORREF c) {
    return Rgb{GetRValue(c), GetGValue(c), GetBValue(c)};
}

// What the image pane shows on the screen, top-down rows of width pixels.
std::vector<COLORREF> pane_pixels(int width, int height) {
    int paneWidth = 0, paneHeight = 0;
    const std::vector<uint8_t> bgrx = window_pixels(imagePane, false, paneWidth, paneHeight);
    std::vector<COLORREF> pixels(static_cast<size_t>(width) * height);
    for (int y = 0; y < std::min(height, paneHeight); ++y)
        for (int x = 0; x < std::min(width, paneWidth); ++x) {
            const uint8_t *p = &bgrx[(static_cast<size_t>(y) * paneWidth + x) * 4];
            pixels[static_cast<size_t>(y) * width + x] = RGB(p[2], p[1], p[0]);
        }
    return pixels;
}

// A preview with its one-pixel outline around it; right and bottom exclusive.
struct Outlined {
    int left, top, right, bottom;
    bool contains(int x, int y) const { return x >= left && x < right && y >= top && y < bottom; }
    bool border(int x, int y) const {
        return contains(x, y) && (x == left || y == top || x == right - 1 || y == bottom - 1);
    }
};

using SettingsCommand = WindowTest;

} // namespace

// Whatever the dialog's outcome, the narrower and wider buttons follow the mode it leaves.
TEST_F(SettingsCommand, WidthButtonsFollowTheMode) {
    ASSERT_NE(app_start(), nullptr);
    struct Step {
        const char *name;
        int32_t modeBefore; // 0: as the step before left it; else set with the buttons out of step
        std::function<void(HWND)> act;
        int end;
        int32_t mode;
        bool enabled;
    } const steps[] = {
        {"original chosen, OK", 0, [](HWND d) { press(d, IDC_RADIO_ORIGINAL); }, IDOK, 2, false},
        {"stretch chosen, OK", 0, [](HWND d) { press(d, IDC_RADIO_STRETCH); }, IDOK, 1, true},
        {"original chosen, Cancel", 0, [](HWND d) { press(d, IDC_RADIO_ORIGINAL); }, IDCANCEL, 1,
         true},
        {"Mode 2 unseen, Cancel", 2, [](HWND) {}, IDCANCEL, 2, false},
        {"Mode 1 unseen, Cancel", 1, [](HWND) {}, IDCANCEL, 1, true},
        {"mode reset from original, OK", 0,
         [](HWND d) {
             press(d, IDC_RADIO_ORIGINAL);
             press(d, IDC_RESET_MODE);
         },
         IDOK, 1, true},
    };
    for (const Step &s : steps) {
        if (s.modeBefore != 0) {
            settings.Mode = s.modeBefore;
            for (int id : {IDM_NARROWER, IDM_WIDER})
                SendMessageA(toolbar, TB_ENABLEBUTTON, id, !s.enabled);
        }
        std::vector<ModalDialog> seen = settings_run(s.act, s.end);
        ASSERT_EQ(seen.size(), 1u) << s.name << "\n" << dialogs_describe(seen);
        EXPECT_EQ(settings.Mode, s.mode) << s.name;
        EXPECT_EQ(button_enabled(IDM_NARROWER), s.enabled) << s.name;
        EXPECT_EQ(button_enabled(IDM_WIDER), s.enabled) << s.name;
    }
}

// After the dialog the previews are drawn on a fresh background: nothing of the old, larger
// previews (or of anything else the canvas held) stays on the canvas or on the screen, and the
// new previews are there.
TEST_F(SettingsCommand, PreviewsAreRedrawnOnAFreshBackground) {
    struct Case {
        const char *name;
        bool stale; // the pane's canvas and screen hold junk before the command
        std::function<void(HWND)> act;
        int end;
        int32_t hiritu;
    } const cases[] = {
        {"ratio lowered, OK", false, [](HWND d) { drag(d, IDC_SLIDER_RATIO, 20); }, IDOK, 20},
        {"stale canvas, Cancel", true, [](HWND) {}, IDCANCEL, 150},
    };
    const Rgb junk{1, 2, 3}, label{250, 250, 250};
    for (const Case &c : cases) {
        ini_file_write("[Configuration]\r\nHiritu=150\r\n");
        ASSERT_NE(app_start(), nullptr) << c.name;
        MoveWindow(mainWindow, 10, 10, 800, 700, TRUE);
        quit_drain();
        const std::string path = startDir + "\\photo.bmp";
        bmp_write(path, 200, 150, [](int32_t x, int32_t y) { return photo_pixel(x, y, 200, 150); });
        std::vector<ModalDialog> seen = command_run(IDM_OPEN, {file_dialog_answer(path)});
        ASSERT_EQ(seen.size(), 1u) << c.name << "\n" << dialogs_describe(seen);
        ASSERT_TRUE(imageLoaded) << c.name;
        const PaneRect paneBefore = imagePaneRect;
        const int oldBottom = mapY + mapRows + 1; // below the squeezed preview's outline
        if (c.stale) {
            surface_fill(canvas, 0, 0, imagePaneRect.width, imagePaneRect.height, junk);
            InvalidateRect(imagePane, nullptr, FALSE);
            UpdateWindow(imagePane);
        }

        seen = settings_run(c.act, c.end);
        ASSERT_EQ(seen.size(), 1u) << c.name << "\n" << dialogs_describe(seen);
        quit_drain();
        UpdateWindow(imagePane);
        ASSERT_EQ(settings.Hiritu, c.hiritu) << c.name;
        // The pane keeps its size, so no resize of its own repaints it.
        ASSERT_EQ(imagePaneRect, paneBefore) << c.name;

        const Rgb menu = rgb_of(GetSysColor(COLOR_MENU));
        RECT client{}; // inside the pane's edge
        GetClientRect(imagePane, &client);
        const int width = client.right, height = std::min<int>(client.bottom, 260);
        ASSERT_GT(height, oldBottom) << c.name;
        const std::vector<COLORREF> screen = pane_pixels(width, height);
        const Outlined previews[2] = {
            {14, 14, 16 + mapCols, 16 + previewHeight},
            {14, mapY - 1, 16 + mapCols, mapY + mapRows + 1},
        };
        int stale = 0, outline = 0, missing = 0, shownWrong = 0;
        std::string first;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const Rgb p = surface_get(canvas, x, y);
                bool inside = false;
                for (const Outlined &o : previews) {
                    inside = inside || o.contains(x, y);
                    if (o.border(x, y) && !(p == rgbBlack))
                        ++outline;
                    else if (o.contains(x, y) && (p == menu || p == junk))
                        ++missing;
                }
                if (!inside && !(p == menu) && !(p == label) && stale++ == 0)
                    first = std::to_string(x) + "," + std::to_string(y);
                if (!(rgb_of(screen[static_cast<size_t>(y) * width + x]) == p))
                    ++shownWrong;
            }
        EXPECT_EQ(stale, 0) << c.name << ": canvas pixels of old previews, first at " << first;
        EXPECT_EQ(outline, 0) << c.name << ": outline pixels not black";
        EXPECT_LT(missing, 10) << c.name << ": preview pixels showing background";
        EXPECT_EQ(shownWrong, 0) << c.name << ": screen pixels differing from the canvas";
        DestroyWindow(mainWindow);
        quit_drain();
        app_state_reset();
    }
}
