// The settings dialog: brightness, mode, characters per line, vertical ratio.
#pragma once
#include <cstdint>

// Modal; 1 after OK (Settings stored), 2 after Cancel (nothing stored).
int settings_dialog();

// Pure rules of the dialog.

// The width box turns red outside the range the width trackbar can hold (20 to 220).
bool settings_width_out_of_range(int32_t width);

// Mode after OK: 1 when the stretch radio is checked, then 2 when the original radio is;
// with neither checked the stored mode stays.
int32_t settings_mode_from_radios(bool stretchChecked, bool originalChecked, int32_t mode);

// An up-down's position is the low word of its answer, read as an unsigned number.
int32_t settings_updown_position(int64_t answer);
