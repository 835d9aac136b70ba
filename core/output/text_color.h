// The colour under each character of the text picture, for coloured text and pages.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "core/conversion/surface.h"

struct CellColors {
    int32_t cols = 0, rows = 0;
    std::vector<Rgb> cells; // row by row, cols x rows
};

// Each character cell's average colour: the squeezed preview's pixel for it, which the
// conversion reads as well (the preview is the area average of the picture under the cell).
// Call after map_geometry_update and before the conversion paints its grey feedback over the
// preview. Cells outside the canvas read white; 0 x 0 when mapCols or mapRows is 0 or less.
struct Conversion;
CellColors text_cell_colors(const Conversion &c);

// The text (CP932, lines ended by CR LF or LF) for a terminal: before each character whose cell
// colour differs from the previous character's, a 24-bit colour escape (ESC [38;2;R;G;Bm); at
// the end of each line that set one, a reset (ESC [0m) before the line end, so a colour never
// leaks into the terminal's next line or prompt. Characters beyond the grid stay uncoloured.
std::string text_ansi_color(const std::string &text, const CellColors &colors);
