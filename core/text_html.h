// The text picture as a web page, and the CP932 to UTF-8 conversion it needs.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

struct CellColors;

// Bytes of the CP932 character at text[i]: 2 for a lead byte followed by a trail byte
// (0x40-0x7E, 0x80-0xFC), otherwise 1 (a lone lead byte stays one byte, so a line end after it
// is never swallowed).
size_t cp932_char_length(const std::string &text, size_t i);

// The code point of one CP932 character of length bytes (1, or 2 for a lead byte and its
// trail); U+FFFD when it has none.
uint32_t cp932_code_point(const char *bytes, size_t length);

// The system's half of it, for everything but ASCII: iconv on Linux, MultiByteToWideChar on
// Windows (document/text_image_windows.cpp).
uint32_t cp932_code_point_system(const char *bytes, size_t length);

// Appends the UTF-8 form of a code point (U+FFFD for a surrogate or one past U+10FFFF).
void utf8_append(std::string &out, uint32_t code);

// UTF-8 of CP932 bytes (the text picture, a value of the settings file). A byte or pair
// with no character in CP932 (a lone lead byte at the end, an unassigned code) becomes U+FFFD,
// so the result is always valid UTF-8.
std::string cp932_to_utf8(const std::string &text);

// Bytes that are not valid UTF-8 become U+FFFD; valid text is returned unchanged.
std::string utf8_repair(const std::string &text);

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
