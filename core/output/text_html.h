// The text picture as a web page.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/common/cp932.h"
#include "core/common/utf8.h"

struct CellColors;


// Escapes &, <, >, " and ' as character references: safe in element content and in a quoted
// attribute alike.
std::string html_escape(const std::string &utf8);

// One standalone UTF-8 page: the title, then the text (CP932, lines ended by CR LF, LF or CR)
// in a <pre> whose font-family names fontFamily (UTF-8) first and monospace as the fallback.
// Every line of the page ends with LF, and so does every line of the text in the <pre>.
// With colors, each character is wrapped in a <span> of its cell's colour (runs of one colour
// share a span); characters beyond the colours' grid are left uncoloured.
std::string text_html(const std::string &text, const std::string &title,
                      const std::string &fontFamily, const CellColors *colors = nullptr);

// The same for a text already split into a grid (text_grid, text_grid_utf8). A proportional
// grid (text_grid_board) is shown at 16 pixels on 18-pixel lines in fontFamily, then Mona (the
// board font's metric twin) where monospace would be.
struct TextGrid;
std::string text_html_grid(const TextGrid &grid, const std::string &title,
                           const std::string &fontFamily, const CellColors *colors = nullptr);

// A board text (UTF-8) as a page in the board font: text_html_grid of text_grid_board, its
// family "MS PGothic".
std::string text_html_board(const std::string &utf8, const std::string &title);
