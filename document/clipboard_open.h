// Opening the picture on the clipboard (File, クリップボードから開く, command 231).
#pragma once
#include <windows.h>

// The clipboard holds a picture: the registered "PNG" format, CF_DIBV5 or CF_DIB. For enabling
// the menu item; it does not open the clipboard.
bool clipboard_has_picture();

// Loads the clipboard's picture exactly as Open loads a file, with the title "クリップボード",
// and says what happened: the command shows it as Open does (the same limits, messages,
// caption, previews and fit loop). "PNG" is taken first (PNG file bytes, reduced to fit as a
// PNG file is), then CF_DIBV5, then CF_DIB, each made a BMP file (core/clipboard_dib.h: alpha
// laid over white as PNG's is). A DIB that cannot be a BMP file is refused as unsupported, as
// such a file is. When the clipboard cannot be read (another program holds it, or the picture
// went meanwhile) the outcome is openFailed, with the open-failure message, and nothing changes.
// owner: the window that opens the clipboard.
struct LoadResult;
LoadResult clipboard_open(HWND owner);
