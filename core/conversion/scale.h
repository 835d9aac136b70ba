// The area-average scaler of surface_scale in pieces: a plan for one scaling, and destination
// rows computed one at a time from whatever holds the source rows they read. Pictures that
// arrive a row at a time (PNG, JPEG, GIF) are reduced with it while they are decoded, with the
// very arithmetic of the previews.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "core/conversion/surface.h"

// The source pixels one destination column (or row) covers and the weight of each. Every span
// of an axis has the same number of taps (short ones padded with weight 0 and the last index).
struct ScaleSpan {
    int32_t first;  // first tap in ScaleAxis::taps
    uint32_t white; // weight of the part lying outside the source (it reads as 255)
};

struct ScaleTap {
    int32_t index; // source index (a column's byte offset for the column pass)
    uint32_t weight;
};

struct ScaleAxis {
    std::vector<ScaleSpan> spans;
    std::vector<ScaleTap> taps;
    int32_t width = 0; // taps per span
};

struct ScalePlan {
    ScaleAxis cols, rows;  // destination columns [x0, x1) and rows [y0, y1)
    int64_t y0 = 0;
    uint64_t area = 1, half = 0;
    uint64_t reciprocal = 0; // floor(2^64 / area) + 1 where that divides exactly; 0: divide
    uint64_t whiteColumn = 0; // a row-pass sum outside the source: 255 * sh
    size_t lo = 0, hi = 0;    // the bytes of a source row the columns read
};

// Plans scaling sw x sh source pixels onto dw x dh destination pixels, for destination columns
// [x0, x1) and rows [y0, y1); source columns from srcWidth on and rows from srcHeight on do not
// exist and read white. Sides up to 2^24, weights of any size.
void scale_plan(ScalePlan &plan, int64_t sw, int64_t sh, int64_t dw, int64_t dh, int64_t x0,
                int64_t x1, int64_t y0, int64_t y1, int64_t srcWidth, int64_t srcHeight);

// Plans destination row y alone on the rows axis, the columns as they were: a tall source
// reduced a row at a time then never holds the taps of every row (a picture of millions of rows
// would need hundreds of megabytes for them).
void scale_plan_row(ScalePlan &plan, int64_t sh, int64_t dh, int64_t y, int64_t srcHeight);

// Where the source rows are: row i at bits + (i - first) * stride, or, in a ring of ring rows,
// at bits + (i % ring) * stride; blank (may be nullptr) marks rows that hold nothing yet and
// read white, as a surface's blank rows do.
struct ScaleRows {
    const uint8_t *bits;
    size_t stride;
    int64_t first;
    const uint8_t *blank;
    int64_t ring = 0;
};

// The source rows that destination row y reads: [first, end). Empty when it reads only white.
void scale_row_sources(const ScalePlan &plan, int64_t y, int64_t &first, int64_t &end);

// Destination row y of the plan into out (3 bytes a pixel, from column x0 on). sums is scratch
// of at least plan.hi + 1 entries.
void scale_row(const ScalePlan &plan, int64_t y, const ScaleRows &rows, uint32_t *sums,
               uint8_t *out);

// The source pixels [span[2i], span[2i + 1]) that sub-sample i averages when s pixels make d
// sub-samples (box averages, as the looks and the board layout read a picture); every
// sub-sample gets at least one (the nearest when the source is smaller).
std::vector<int32_t> sample_spans(int64_t s, int64_t d);
