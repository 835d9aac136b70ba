// The Settings record: everything the user can set, named by its vkd.ini key.
#pragma once
#include <cstdint>

struct Settings {
    int32_t Meido;      // brightness; thresholds shift by (Meido - 50) * 10
    int32_t Mojisu;     // characters per line (stretch mode); bmpWidth in original mode
    int32_t Hiritu;     // vertical ratio in percent
    int32_t Mode;       // 1 stretch, 2 original; any other value is neither
    int32_t Interval;   // step of narrower / wider, used unchecked
    int32_t Statusbar;  // non-zero: status bar shown
    int32_t Toolbar;    // non-zero: toolbar shown
    int32_t Clientarea; // non-zero: image pane shown
    int32_t Position;   // non-zero: vertical placement; 0: horizontal placement
    int32_t Style;      // non-zero: modal-frame image pane edge
    int32_t Msg1;       // carried through the settings file untouched
    int32_t Height;     // editor font height; 0 means the built-in font
    // UTF-8. The face is at most 99 bytes of CP932 in the settings file, so three times that
    // here; a folder as long as a path (core/common/document.h).
    char FaceName[3 * 99 + 1]; // editor font face
    char openDir[3 * 260];     // where the open dialog starts
    char saveDir[3 * 260];     // where the save dialog starts
    char Language[16];         // the interface language asked for: "" automatic, "ja", "en"
};

constexpr int32_t mojisuMin = 20;
constexpr int32_t mojisuMax = 220;

// Defaults of a fresh start; leaves FaceName, the two directories and Language alone.
void settings_defaults(Settings &settings);

// Clear, Open and the close-time write: a width below 20 becomes 20, no upper bound.
void mojisu_raise_to_min(Settings &settings);

// Narrower: Mojisu - Interval, then at least 20 (a negative Interval widens unbounded above).
void mojisu_narrower(Settings &settings);

// Wider: Mojisu + Interval, then at most 220 (a negative Interval narrows unbounded below).
void mojisu_wider(Settings &settings);

// View switches: non-zero becomes 0, zero becomes 1.
void flag_toggle(int32_t &field);
