// The settings dialog: brightness, mode, characters per line, vertical ratio.
#pragma once

// Modal; 1 after OK (Settings stored), 2 after Cancel (nothing stored).
int settings_dialog();
