// Map geometry: the size of the text picture and where its two previews go on the canvas.
#pragma once
#include <cstdint>

extern int32_t bmpWidth;      // loaded bitmap, pixels
extern int32_t bmpHeight;
extern int32_t mapCols;       // characters per line; width of both previews
extern int32_t previewHeight; // height of the proportional preview
extern int32_t mapRows;       // lines of the text picture; height of the squeezed preview
extern int32_t mapX;          // left of the squeezed preview, horizontal placement
extern int32_t mapY;          // top of the squeezed preview, vertical placement

// Steps 2 and 3 of an update without drawing: recompute by Mode (Mode 2 also sets
// Mojisu = bmpWidth; other modes recompute nothing), store the values, and test the three
// canvas limits (equality passes). A bitmap of width or height 0 or less is refused
// before any division; products that leave 32 bits are refused too.
bool map_geometry_compute();

// Compute, and when accepted refresh the reduced copy and draw both previews with their
// outlines on the canvas (then tell canvasChanged). Returns 1 accepted, 0 refused
// (nothing drawn, the refused values stay stored).
int map_geometry_update();

enum class FitResult {
    fitted,   // accepted at the first try
    lowered,  // Mojisu had to be lowered, then accepted
    cannotFit // refused in a mode where lowering cannot help (anything but stretch mode)
};

// Stretch mode: lower Mojisu by 1 (never below 0) until accepted; a Mojisu above 1009 goes
// straight to 1009, since every width above it fails the first check. Any other mode, or a
// bitmap size of 0 or less: stop after the first refusal (original mode resets Mojisu to
// bmpWidth each try, so lowering never helps).
FitResult map_geometry_fit();

// What the user is told when a fit ends in cannotFit, in the build's narrow encoding.
const char *map_geometry_cannot_fit_message();

// Clear: all seven values 0.
void map_geometry_clear();
