// The text picture drawn as an image: black characters on white, one character a cell, as the
// window and vkd both save it as PNG.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// One character of a CP932 text and where it stands: a single byte takes one column, a
// two-byte character two (as a full-width character does in a fixed-pitch Japanese font).
struct TextCell {
    int32_t row, col;
    uint32_t first; // its bytes in the text
    uint8_t length; // 1 or 2 (UTF-8: 1 to 4)
    uint32_t code;  // Unicode code point; U+FFFD for a byte or pair with no character
    int32_t x = 0;  // a proportional grid's (text_grid_board): pixels from its line's start
};

struct TextGrid {
    int32_t cols = 0;     // the longest line's columns
    int32_t rows = 0;     // lines; a line end at the very end starts no further line
    int32_t lineEnds = 0; // rows, or rows - 1 when the last line has no line end
    std::vector<TextCell> cells;
    bool proportional = false; // cells stand at their x, not at their column
    int32_t pixels = 0;        // a proportional grid's widest line, in pixels
};

// Splits a CP932 text into lines (ended by CR LF, LF or a lone CR) and characters. A lead byte
// as the last byte of the text stands alone.
TextGrid text_grid(const std::string &text);

// The same for a UTF-8 text (one CP932 cannot hold): a character takes the columns its CP932
// code takes, and one without a code one column below U+1100 and two from there on (where the
// wide scripts begin); its first and length count UTF-8 bytes.
TextGrid text_grid_utf8(const std::string &utf8);

// A board text (UTF-8) laid out in the proportional board font (core/conversion/board.h): each character
// at the running sum of the widths of the characters before it on its line, as ＭＳ Ｐゴシック
// and its metric twin Mona draw it at 16 pixels. A character the board table does not hold
// (a kanji, a letter of another script) takes its fixed-pitch width, its columns as
// text_grid_utf8 counts them at boardColumnPixels each (8 or 16): the width ＭＳ ゴシック gives
// it, the nearest guess without its glyph. Rows, columns and line ends as text_grid_utf8's.
TextGrid text_grid_board(const std::string &utf8);

constexpr int32_t textImageMargin = 16;     // white around the text, pixels, on every side
constexpr int32_t textImageSideMax = 32767; // what every encoder and GDI take
constexpr int64_t textImagePixelsMax = int64_t{64} << 20;

struct TextImageLayout {
    int32_t cellWidth = 0, cellHeight = 0; // the font's advance and line height
    int32_t width = 0, height = 0;         // cols x cellWidth and rows x cellHeight plus margins
    bool proportional = false;             // the grid's: cells stand at their x
};

// The image's size for a grid drawn in cells of the font's advance by its line height. False
// when a cell side is 0 or less, a side would pass textImageSideMax or the area
// textImagePixelsMax. An empty text gives a white square of two margins. A proportional grid is
// its widest line's pixels wide (cellWidth must still be above 0).
bool text_image_layout(const TextGrid &grid, int32_t cellWidth, int32_t cellHeight,
                       TextImageLayout &layout);

// Where cell's character is drawn: the top-left corner of its cell.
inline int32_t text_image_cell_x(const TextImageLayout &l, const TextCell &c) {
    return textImageMargin + (l.proportional ? c.x : c.col * l.cellWidth);
}
inline int32_t text_image_cell_y(const TextImageLayout &l, const TextCell &c) {
    return textImageMargin + c.row * l.cellHeight;
}

// Characters that leave their cell white: the space, the ideographic space, control characters.
bool text_cell_blank(const TextCell &cell);

// The font the image is drawn in. Linux: a font file read with FreeType, pixel size height.
// Windows: the GDI face (UTF-8) and LOGFONT height, or handle, an HFONT to draw with instead
// (the editor's own).
struct TextImageFont {
    std::string file;
    std::string family; // UTF-8: what a page names as its font
    std::string face;   // Windows: the GDI face name (UTF-8)
    int32_t height = 0;
    void *handle = nullptr;
    int32_t cellWidth = 0, cellHeight = 0; // found by text_image_font_find
};

// Linux: the file given, or else DejaVu Sans Mono found through fontconfig (any monospace
// font when it is missing), at 16 pixels. Windows: the editor's start-up font from the
// settings given (Height and FaceName); file must be null. False with a reason when no font can
// be used.
struct Settings;
bool text_image_font_find(const Settings &settings, const char *file, TextImageFont &font,
                          std::string &reason);

// Draws the text (CP932) black on white, each character at its cell, and encodes it as PNG
// (8-bit grey on Linux, 24-bit on Windows). False with a reason (English on Linux, Japanese in
// UTF-8 on Windows) when the font cannot be read, the picture would be too large
// (text_image_layout) or memory runs out.
bool text_image_png(const std::string &text, const TextImageFont &font, std::string &png,
                    std::string &reason);

// The board font, for a board text's image. Linux: file, or else Mona (fonts-mona) where Debian
// puts it, at 16 pixels; the family a page names is "MS PGothic", which Mona stands in for.
// Windows: the GDI face ＭＳ Ｐゴシック at LOGFONT height -16 (boardFace, core/output/text_font.h);
// file must be null, as for text_image_font_find. False with a reason when the font cannot be
// used.
bool text_image_font_board(const char *file, TextImageFont &font, std::string &reason);

// A board text (UTF-8) drawn as text_grid_board lays it out, on lines boardLinePitch (18)
// pixels apart, black on white, unsmoothed as a board's readers see the font at 12 pt (their
// system draws its bitmaps there). False with a reason as text_image_png.
bool text_image_png_board(const std::string &utf8, const TextImageFont &font, std::string &png,
                          std::string &reason);

#ifdef _WIN32
// The same for a grid already made (the window's text that CP932 cannot hold); a proportional
// grid (text_grid_board) is drawn as text_image_png_board draws it.
bool text_image_png_grid(const TextGrid &grid, const TextImageFont &font, std::string &png,
                         std::string &reason);
#endif
