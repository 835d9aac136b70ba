#include "core/output/text_color.h"

#include "core/conversion/conversion.h"
#include "core/conversion/geometry.h"
#include "core/conversion/settings.h"
#include "core/output/text_image.h"

namespace {
constexpr int32_t previewEdge = 15; // the squeezed preview's left (vertical) or top (horizontal)

bool inside(const Surface &canvas, int64_t x, int64_t y) {
    return x >= 0 && y >= 0 && x < canvas.width && y < canvas.height;
}

} // namespace

CellColors text_cell_colors(const Conversion &c) {
    CellColors colors;
    if (c.mapCols <= 0 || c.mapRows <= 0)
        return colors;
    colors.cols = c.mapCols;
    colors.rows = c.mapRows;
    colors.cells.resize(size_t(c.mapCols) * size_t(c.mapRows));
    const bool vertical = c.settings.Position != 0;
    const int64_t left = vertical ? previewEdge : c.mapX, top = vertical ? c.mapY : previewEdge;
    for (int64_t i = 0; i < c.mapRows; ++i)
        for (int64_t j = 0; j < c.mapCols; ++j) {
            const int64_t x = left + j, y = top + i;
            colors.cells[size_t(i) * c.mapCols + j] =
                inside(c.canvas, x, y)
                    ? surface_get(c.canvas, static_cast<int32_t>(x), static_cast<int32_t>(y))
                    : rgbWhite;
        }
    return colors;
}

std::string text_ansi_color(const std::string &text, const CellColors &colors) {
    std::string out;
    out.reserve(text.size() * 4);
    bool coloured = false; // an escape is in force
    Rgb last{};
    size_t done = 0;
    int32_t row = 0;
    auto reset = [&] {
        if (coloured)
            out += "\x1b[0m";
        coloured = false;
    };
    for (const TextCell &cell : text_grid(text).cells) {
        if (cell.row != row)
            reset();
        row = cell.row;
        out.append(text, done, cell.first - done); // the line ends between the cells
        if (cell.row < colors.rows && cell.col < colors.cols) {
            const Rgb c = colors.cells[size_t(cell.row) * colors.cols + cell.col];
            if (!coloured || c != last)
                out += "\x1b[38;2;" + std::to_string(c.r) + ";" + std::to_string(c.g) + ";" +
                       std::to_string(c.b) + "m";
            coloured = true;
            last = c;
        } else {
            reset();
        }
        out.append(text, cell.first, cell.length);
        done = cell.first + cell.length;
    }
    reset();
    out.append(text, done, std::string::npos);
    return out;
}
