#include "settings_dialog/settings_dialog.h"

#include "core/conversion/settings.h"

bool settings_width_out_of_range(int32_t width) {
    return width > mojisuMax || width < mojisuMin;
}

int32_t settings_mode_from_radios(bool stretchChecked, bool originalChecked, int32_t mode) {
    if (stretchChecked)
        mode = 1;
    if (originalChecked)
        mode = 2;
    return mode;
}

int32_t settings_updown_position(int64_t answer) {
    return static_cast<int32_t>(static_cast<uint64_t>(answer) & 0xFFFFu);
}
