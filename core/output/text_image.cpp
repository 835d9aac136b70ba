#include "core/output/text_image.h"

#include <algorithm>

#include "core/conversion/board.h"
#include "core/common/cp932.h"
#include "core/output/text_html.h"
#include "core/common/utf8.h"

namespace {

// One character of either code: its bytes, code point and columns.
struct Character {
    size_t length;
    uint32_t code;
    int32_t columns;
};

Character cp932_character(const std::string &text, size_t i) {
    const size_t length = cp932_char_length(text, i);
    return {length, cp932_code_point(text.data() + i, length), static_cast<int32_t>(length)};
}

Character utf8_character(const std::string &text, size_t i) {
    Character c{};
    c.code = utf8_decode(text, i, c.length);
    char cp932[2];
    const int n = cp932_encode(c.code, cp932);
    c.columns = n > 0 ? n : c.code < 0x1100 ? 1 : 2;
    return c;
}

TextGrid grid_make(const std::string &text, Character (*next)(const std::string &, size_t)) {
    TextGrid grid;
    int32_t row = 0, col = 0;
    bool lineOpen = false; // something, or nothing yet, after the last line end
    for (size_t i = 0; i < text.size();) {
        if (text[i] == '\r' || text[i] == '\n') {
            i += text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n' ? 2 : 1;
            ++row;
            col = 0;
            lineOpen = false;
            continue;
        }
        const Character c = next(text, i);
        const size_t length = c.length;
        grid.cells.push_back(
            TextCell{row, col, static_cast<uint32_t>(i), static_cast<uint8_t>(length), c.code});
        col += c.columns;
        if (col > grid.cols)
            grid.cols = col;
        lineOpen = true;
        i += length;
    }
    grid.lineEnds = row;
    grid.rows = row + (lineOpen ? 1 : 0);
    return grid;
}

} // namespace

TextGrid text_grid(const std::string &text) {
    return grid_make(text, cp932_character);
}

TextGrid text_grid_utf8(const std::string &utf8) {
    return grid_make(utf8, utf8_character);
}

TextGrid text_grid_board(const std::string &utf8) {
    TextGrid grid = text_grid_utf8(utf8);
    grid.proportional = true;
    int32_t row = -1, x = 0;
    for (TextCell &cell : grid.cells) {
        if (cell.row != row) {
            row = cell.row;
            x = 0;
        }
        cell.x = x;
        const int k = board_glyph_find(utf8.substr(cell.first, cell.length));
        x += k >= 0 ? boardGlyphs[k].width
                    : utf8_character(utf8, cell.first).columns * boardColumnPixels;
        grid.pixels = std::max(grid.pixels, x);
    }
    return grid;
}

bool text_image_layout(const TextGrid &grid, int32_t cellWidth, int32_t cellHeight,
                       TextImageLayout &layout) {
    if (cellWidth <= 0 || cellHeight <= 0)
        return false;
    const int64_t width =
        (grid.proportional ? grid.pixels : int64_t{grid.cols} * cellWidth) + 2 * textImageMargin;
    const int64_t height = int64_t{grid.rows} * cellHeight + 2 * textImageMargin;
    if (width > textImageSideMax || height > textImageSideMax ||
        width * height > textImagePixelsMax)
        return false;
    layout.cellWidth = cellWidth;
    layout.cellHeight = cellHeight;
    layout.width = static_cast<int32_t>(width);
    layout.height = static_cast<int32_t>(height);
    layout.proportional = grid.proportional;
    return true;
}

bool text_cell_blank(const TextCell &cell) {
    return cell.code <= 0x20 || cell.code == 0x7F || cell.code == 0x3000 ||
           (cell.code >= 0x80 && cell.code < 0xA0);
}
