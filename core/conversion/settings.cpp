#include "core/conversion/settings.h"

#include <cstdint>

void settings_defaults(Settings &settings) {
    settings.Height = 0;
    settings.Hiritu = 50;
    settings.Meido = 50;
    settings.Mode = 1;
    settings.Mojisu = 100;
    settings.Interval = 5;
    settings.Msg1 = 0;
    settings.Toolbar = 1;
    settings.Statusbar = 1;
    settings.Position = 1;
    settings.Clientarea = 1;
    settings.Style = 1;
}

void mojisu_raise_to_min(Settings &settings) {
    if (settings.Mojisu < mojisuMin)
        settings.Mojisu = mojisuMin;
}

// The sums are taken in 64 bits: Mojisu and Interval come unchecked from the settings file.
static int32_t saturate(int64_t v) {
    if (v > INT32_MAX)
        return INT32_MAX;
    if (v < INT32_MIN)
        return INT32_MIN;
    return static_cast<int32_t>(v);
}

void mojisu_narrower(Settings &settings) {
    settings.Mojisu = saturate(int64_t{settings.Mojisu} - settings.Interval);
    if (settings.Mojisu < mojisuMin)
        settings.Mojisu = mojisuMin;
}

void mojisu_wider(Settings &settings) {
    settings.Mojisu = saturate(int64_t{settings.Mojisu} + settings.Interval);
    if (settings.Mojisu > mojisuMax)
        settings.Mojisu = mojisuMax;
}

void flag_toggle(int32_t &field) { field = field != 0 ? 0 : 1; }
