// Text conversion: the squeezed preview, one pixel per character, into the text picture.
#pragma once
#include <cstdint>
#include <string>

struct RampEntry {
    int32_t threshold; // compared with R + G + B
    uint8_t r, g, b;   // feedback colour
    char text[50];
};

constexpr int rampSize = 15;
extern const RampEntry ramp[rampSize];

constexpr int32_t textLimit = 61440; // bytes of the text picture, CR LF included

// First entry with sum < threshold - offset (strict, signed); 14 (space) when none matches,
// which only a hand-edited Meido above 100 can cause.
int ramp_pick(int32_t sum, int64_t offset);

// (Meido - 50) * 10, in 64 bits so any stored Meido is safe.
int64_t text_convert_offset(int32_t meido);

// (Mojisu + 2) * mapRows <= 61440, computed without overflow; the text's own length
// (mapCols + 2) * mapRows must fit too (they differ only outside modes 1 and 2). A negative
// mapCols or mapRows gives an empty text, which always fits. A board text (a picture look in
// the board target) is laid out in pixels, its lines as many as board_line_count gives: its
// size is known only once laid out, and board_text_fits decides instead.
struct Conversion;
bool text_convert_fits(const Conversion &c);

// Whether a board text (UTF-8) fits the limit as any other text picture does: its bytes in
// code page 932, as the window saves it, CR LF included, at most textLimit. Such a text has no
// more characters than that, so the editor holds it whole. A character code page 932 lacks
// counts as two bytes.
bool board_text_fits(const std::string &utf8);

// The lines the text of the conversion's geometry has: board_line_count's for a picture look in
// the board target, mapRows for every other.
struct LookSettings;
int32_t text_line_count(const Conversion &c, const LookSettings &look);

enum class ConvertOutcome { converted, tooLarge };

// Reads the squeezed preview from the canvas, fills text with mapRows lines of mapCols ramp
// characters each ended by CR LF, and paints the grey feedback on the canvas (then tells
// c.canvasChanged). tooLarge (text_convert_fits, or board_text_fits once a board text is laid
// out): nothing changes and text is left as it was.
// With a look other than the standard one without dither (c.lookSettings), the look chooses
// the characters instead and the feedback is each character's measured darkness as a grey.
ConvertOutcome text_convert(Conversion &c, std::string &text);

// The same in a given look; invert (photo and shape looks) reverses the tone before choosing,
// for light text on a dark background.
struct LookSettings;
ConvertOutcome text_convert_look(Conversion &c, std::string &text, const LookSettings &look,
                                 bool invert);

// Reverses the ramp in a converted text, for light text on a dark background: every ramp
// character becomes the one as far from the other end ("$" a space, "." "&"); line ends and
// anything else stay. The length never changes.
void text_invert(std::string &text);

// "...サイズが大きすぎて変換できません。..." and "変換に失敗しました。", in the build's narrow encoding.
const char *text_convert_too_large_message();
const char *text_convert_failed_message();
