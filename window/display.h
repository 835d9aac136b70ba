// The window on today's displays: kept on a monitor, scaled with the monitor's DPI, and a title
// bar that follows Windows's dark app mode. The arithmetic is pure; the Win32 half asks the
// system for monitors, DPI and the theme.
#pragma once
#include <cstdint>
#include <vector>

#include "settings_file/ini.h"

// A monitor's work area, right and bottom exclusive.
struct WorkArea {
    int32_t left, top, right, bottom;
};

// Pure: the stored rectangle to start with. Its top-left corner inside some work area (left and
// top inclusive, right and bottom exclusive): rect unchanged. Otherwise it moves, keeping its
// size, onto the work area nearest that corner (ties: the first listed): the corner is pulled
// inside, and further back so the whole rectangle fits where it can (a rectangle larger than
// the area keeps its corner at the area's left or top). No work areas: unchanged. The edges come
// unchecked from the file: sizes and moves are computed in 64 bits and saturate.
WindowRect window_rect_onscreen(const WindowRect &rect, const std::vector<WorkArea> &areas);

// The DPI the program's numbers are written for.
constexpr int32_t baseDpi = 96;

// Pure: a length in 96-DPI units at dpi, rounded as MulDiv rounds (halves away from zero):
// -15 at 144 is -23, 28 at 144 is 42. At 96, and for a dpi of 0 or less, value unchanged.
int32_t dpi_scale(int32_t value, int32_t dpi);

// Pure: the reverse, a length at dpi back in 96-DPI units (what [Font] Height stores).
int32_t dpi_unscale(int32_t value, int32_t dpi);

// The DPI of the monitor the window is on (96 until the window is created; under Wine, the one
// LogPixels setting). Written by the main window alone.
extern int32_t windowDpi;

// Pure: a [Forms] rectangle between 96-DPI units and the monitor's pixels: Left and Top kept
// (they are places on the virtual screen), width and height scaled from one DPI to the other
// with dpi_scale's rounding. Equal DPIs: unchanged.
WindowRect rect_size_rescale(const WindowRect &rect, int32_t fromDpi, int32_t toDpi);

// Pure: which toolbar bitmap suits dpi: 400 below 144, 402 (drawn 1.5 x) from 144, 403 (2 x)
// from 192; and the DPI it is drawn for, whose dpi_scale of 16 x 15 is its buttons' size.
int toolbar_bitmap_for_dpi(int32_t dpi);
int32_t toolbar_bitmap_dpi(int bitmapId);

// Pure: the DWM attribute that asks for a dark title bar, 0 for none. Windows uses the dark app
// mode when HKCU's Personalize AppsUseLightTheme is present and 0 (lightValue, present).
// Build 18985 (20H1 previews) and later know attribute 20; 17763 (1809) to 18984 knew it as 19;
// older builds have none.
int dark_title_attribute(bool present, uint32_t lightValue, uint32_t build);

#ifdef _WIN32
#include <windows.h>

// The stored rectangle moved onto a monitor when its corner lies on none (see above).
WindowRect window_rect_onscreen_now(const WindowRect &rect);

// The title bar in Windows's app mode, best effort; nothing where the system has no such mode.
void title_bar_theme_apply(HWND window);

// The window's DPI: GetDpiForWindow where the system has it, else the screen's LOGPIXELSY.
int32_t window_dpi_of(HWND window);
#endif
