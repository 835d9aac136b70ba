// Map geometry: the size of the text picture and where its two previews go on the canvas.
#pragma once
#include <cstdint>
#include <vector>

#include "core/conversion/scale.h"
#include "core/conversion/surface.h"

// The geometry values (bmpWidth, bmpHeight, mapCols, previewHeight, mapRows, mapX, mapY) are a
// conversion's (core/conversion/conversion.h).
struct Conversion;

// Steps 2 and 3 of an update without drawing: recompute by Mode (Mode 2 also sets
// Mojisu = bmpWidth; other modes recompute nothing), store the values, and test the three
// canvas limits (equality passes). A bitmap of width or height 0 or less is refused
// before any division; products that leave 32 bits are refused too.
bool map_geometry_compute(Conversion &c);

// Compute, and when accepted refresh the reduced copy and draw both previews with their
// outlines on the canvas (then tell c.canvasChanged). Returns 1 accepted, 0 refused
// (nothing drawn, the refused values stay stored).
int map_geometry_update(Conversion &c);

enum class FitResult {
    fitted,   // accepted at the first try
    lowered,  // Mojisu had to be lowered, then accepted
    cannotFit // refused in a mode where lowering cannot help (anything but stretch mode)
};

// Stretch mode: lower Mojisu by 1 (never below 0) until accepted; a Mojisu above 1009 goes
// straight to 1009, since every width above it fails the first check. Any other mode, or a
// bitmap size of 0 or less: stop after the first refusal (original mode resets Mojisu to
// bmpWidth each try, so lowering never helps).
FitResult map_geometry_fit(Conversion &c);

// What the user is told when a fit ends in cannotFit, in the build's narrow encoding.
const char *map_geometry_cannot_fit_message();

// Clear: all seven values 0.
void map_geometry_clear(Conversion &c);

// The reduced copy made while a picture is decoded: each row of the copy is computed as soon as
// the source rows it reads are finished (they finish from one end, as the file holds them), by
// the very scaling an update would do from the whole picture, so the update finds the copy made.
// The copy is made on the reduced copy's spare and takes its place only when finished.
struct ReducedCopyStream {
    const Surface *from = nullptr; // where the picture is being decoded
    int64_t ring = 0;              // from holds only a ring of this many rows (0: every row)
    Surface *into = nullptr;
    bool active = false;
    bool noRoom = false; // the copy could not be made for want of memory
    ScalePlan plan;
    int64_t finishedLow = 0, finishedHigh = 0; // finished source rows [low, high)
    int64_t nextTop = 0, nextBottom = -1;      // reduced rows not yet computed [nextTop, nextBottom]
    std::vector<uint32_t> sums;
};

// Starts one for a width x height picture being decoded onto from: a surface the size of the
// source surface, or (ring > 0) a ring of that many of its rows, row y in slot y % ring.
void reduced_copy_stream_begin(Conversion &c, ReducedCopyStream &stream, const Surface &from,
                               int32_t width, int32_t height, int64_t ring = 0);

// Rows a ring must hold for the reduced copy of a picture this high.
int64_t reduced_copy_stream_ring(int32_t height);

// Source row y is finished. Suits RowsDone.
void reduced_copy_stream_row(void *stream, int32_t y);

// Whether the copy is finished (or there is nothing to draw in it).
bool reduced_copy_stream_ready(const ReducedCopyStream &stream);

// Call once the picture is loaded (bmpWidth and bmpHeight set): a finished copy becomes the
// reduced copy and counts as made from it. Otherwise the reduced copy stays as it was and
// counts as stale, and the next update makes it from the source surface.
void reduced_copy_stream_finish(Conversion &c, ReducedCopyStream &stream);

// Whether the previews of a picture this wide are drawn from the source surface (600 pixels or
// less). Wider ones come from the reduced copy alone: once it is made, the source surface need
// not hold them.
bool map_geometry_reads_source(int32_t width);
