// The trace look's drawing: a picture's edges as thin lines on an empty background, the way
// traced text pictures are drawn, for line art, anime-style pictures and logos.
#pragma once
#include <cstdint>
#include <vector>

// Edges of a luminance raster (width x height, row by row, 0 black .. 255 white) as darkness:
// 255 on a line, 0 elsewhere. The raster is smoothed a little (the grain of a photo draws no
// lines), lines follow the steepest change of brightness and are thinned across it, and weak
// edges are kept only where they continue a strong one (hysteresis), so a line does not break up
// where its contrast fades. A flat raster, or one of width or height below 3, has no edges. The thresholds are on the smoothed change of luminance per sample, where a sharp
// step of s levels measures about 3 s / 8: strong at least traceStrong, weak at least traceWeak.
constexpr int32_t traceStrong = 48;
constexpr int32_t traceWeak = 20;
// Where a line is drawn, in pixels of the text as it is read: inset into the edge's dark side
// from the first sample past the step's middle, and thickened further in, so that it stands
// inside the shape it outlines (and the two edges of a narrow stroke meet in one line). Lines
// along a shape's top and bottom stay one sample thin: a board draws them with ＿ and ￣.
// The raster's samples span scale.x by scale.y pixels (0 or less: 1).
constexpr double traceInsetAcross = 2, traceInsetDown = 3;
constexpr double traceThickAcross = 2, traceThickDown = 0;
struct TraceScale {
    double x = 1, y = 1;
};
void trace_edges(const uint8_t *luma, int32_t width, int32_t height, std::vector<uint8_t> &edges,
                 TraceScale scale);
