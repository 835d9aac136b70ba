// Opening the picture on the clipboard (File, クリップボードから開く, command 231).
#pragma once
#include <windows.h>

// The clipboard holds a picture: the registered "PNG" format, CF_DIBV5 or CF_DIB. For enabling
// the menu item; it does not open the clipboard.
bool clipboard_has_picture();

// Loads the clipboard's picture as Open loads a file, with the title "クリップボード", and says
// what happened: the command shows it as Open does (the same previews, caption and fit loop). Of "PNG", CF_DIBV5 and CF_DIB the first the clipboard lists
// is taken (its owner's own, never a copy the system would make), read from the clipboard's
// memory as it lies: PNG bytes as a PNG file, a DIB by core/reading/load.h's bitmap_load_dib (judged by
// its headers first, alpha laid over white as PNG's is). A refused picture leaves the shown one
// with its title and caption. When the clipboard cannot be read (another program holds it, or
// the picture went meanwhile) the open-failure message shows and nothing changes.
// owner: the window that opens the clipboard.
struct LoadResult;
LoadResult clipboard_open(HWND owner);
