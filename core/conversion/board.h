// Text pictures for boards and chats, read in a proportional font: ＭＳ Ｐゴシック 12 pt, 16-pixel
// glyphs on 18-pixel lines, where a half-width space is 5 pixels wide and ／ 16. A line is laid
// out in pixels, not columns, so the picture's strokes land where they are in the picture.
//
// Board rules a text of this kind keeps: no line starts with a half-width space, no two
// half-width spaces stand side by side (boards collapse them), no trailing spaces of either
// width, and every character is in code page 932.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

constexpr int32_t boardLinePitch = 18;     // pixels from one line to the next
constexpr int32_t boardColumnPixels = 8;   // --width N makes the picture N x 8 pixels wide
constexpr int32_t boardInkBands = 6;       // a glyph's ink is measured in bands of 3 rows
constexpr int32_t boardGlyphMaxWidth = 16; // the widest glyph, a full-width character
constexpr int32_t boardOverhang = 8;       // a line may end this far past the picture's width

// A character's advance at 16 pixels and its ink, column by column (boardInkBands values each,
// top first; 0 blank, 255 every pixel inked).
struct BoardGlyph {
    const char *text; // UTF-8
    int32_t width;
    uint8_t ink[boardGlyphMaxWidth * boardInkBands];
};

// Measured from Mona (fonts-mona), whose widths are ＭＳ Ｐゴシック's, by scripts/make-board-table
// (core/conversion/board_glyphs.cpp).
extern const BoardGlyph boardGlyphs[];
extern const size_t boardGlyphCount;

// The characters a board picture takes when the user lists none: spaces, strokes and the quiet
// characters board pictures are drawn with; no 0x5C, which ＭＳ Ｐゴシック draws as ¥ (diagonals
// take ＼).
extern const char boardDefaultChars[];

// The glyph of a UTF-8 character, or -1 when the table has none.
int board_glyph_find(const std::string &character);

// A line's width in pixels; -1 when it holds a character the table has none of.
int32_t board_line_width(const std::string &line);

// The characters a board layout may use, as glyph indices; the half-width space is tracked for
// the board rules.
struct BoardSet {
    std::vector<int32_t> glyphs;
    int32_t halfSpace = -1; // the glyph of U+0020 when the set holds it
    int32_t darkest = 0;    // the darkest glyph's mean ink, 0..255
    // The ink the picture's black stands for, 0..255: the darkest glyph's mean for a picture of
    // tones (board_set_make's choice), full ink for a drawing of thin lines.
    int32_t black = 0;
    // A drawing whose background stays empty: a character inked only where the picture is blank
    // (a dot that would nudge the next one into place) is not placed at all.
    bool emptyBackground = false;
};

// From a UTF-8 list (empty: boardDefaultChars); duplicates count once. False, with the first
// character the table does not hold in `unknown`, when the list has one or has no character.
bool board_set_make(BoardSet &set, const std::string &chars, std::string &unknown);

// Lays out one line. darkness: the picture's strip under the line, width columns of
// boardInkBands values each (0 white .. 255 black), already on the tone curve. Chooses the
// characters whose drawn ink, placed one after another from x = 0, is nearest (squared
// difference after a 3-pixel blur across) to the strip; the line may end up to boardOverhang
// pixels past width, and pixels past its end count as white. The result keeps the board rules;
// a blank strip gives an empty line.
std::string board_line_layout(const uint8_t *darkness, int32_t width, const BoardSet &set);

// Lines of a board picture whose proportional preview is previewHeight pixels high at the
// ratio hiritu (percent): the picture drawn at 8 pixels a column on 18-pixel lines, so that the
// default ratio of 50 keeps its shape, as 16-pixel lines do in the other targets. 0 for a
// height or ratio of 0 or less.
int32_t board_line_count(int64_t previewHeight, int32_t hiritu);

// The board text of a luminance raster (sw x sh, row by row): the picture made `width` pixels
// wide and `lines` lines high, each line's strip box-averaged into boardInkBands bands a column,
// taken through curve (luminance to darkness, 0 white .. 255 black), and laid out line by line;
// lines end with CR LF. With trace, the strips are the edges (core/conversion/trace.h) of the
// picture taken through curve, set's black is full ink and its background empty. Nothing for
// a raster or size of 0.
std::string board_text(const uint8_t *luma, int32_t sw, int32_t sh, int32_t width, int32_t lines,
                       const uint8_t (&curve)[256], BoardSet set, bool trace);
