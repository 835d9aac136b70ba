#include "core/text_image.h"

#include "core/text_html.h"

TextGrid text_grid(const std::string &text) {
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
        const size_t length = cp932_char_length(text, i);
        grid.cells.push_back(TextCell{row, col, static_cast<uint32_t>(i),
                                      static_cast<uint8_t>(length),
                                      cp932_code_point(text.data() + i, length)});
        col += static_cast<int32_t>(length);
        if (col > grid.cols)
            grid.cols = col;
        lineOpen = true;
        i += length;
    }
    grid.lineEnds = row;
    grid.rows = row + (lineOpen ? 1 : 0);
    return grid;
}

bool text_image_layout(const TextGrid &grid, int32_t cellWidth, int32_t cellHeight,
                       TextImageLayout &layout) {
    if (cellWidth <= 0 || cellHeight <= 0)
        return false;
    const int64_t width = int64_t{grid.cols} * cellWidth + 2 * textImageMargin;
    const int64_t height = int64_t{grid.rows} * cellHeight + 2 * textImageMargin;
    if (width > textImageSideMax || height > textImageSideMax ||
        width * height > textImagePixelsMax)
        return false;
    layout.cellWidth = cellWidth;
    layout.cellHeight = cellHeight;
    layout.width = static_cast<int32_t>(width);
    layout.height = static_cast<int32_t>(height);
    return true;
}

bool text_cell_blank(const TextCell &cell) {
    return cell.code <= 0x20 || cell.code == 0x7F || cell.code == 0x3000 ||
           (cell.code >= 0x80 && cell.code < 0xA0);
}
