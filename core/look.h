// Picture looks: how the text picture chooses its characters.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

// standard: the fifteen-character ramp on R + G + B, as it always was.
// photo: luminance with automatic levels and gamma; every cell with any texture picks, by its
// sub-samples, the glyph whose ink best matches, uniform cells the quiet tone characters.
// shape: the same tuned for line art and screenshots: only cells with a clear edge are matched,
// flat and softly shaded ones keep the quiet tone characters.
enum class Look : int32_t { standard = 0, photo = 1, shape = 2 };

struct LookSettings {
    Look look = Look::standard;
    bool dither = false;
    std::string chars; // the user's own character list; empty: the look's default set
};

// A glyph's ink measured on a grid of sub-samples of its cell (advance x line height), row by
// row: 0 blank, 255 fully inked. Square sub-samples on a cell about twice as high as wide.
constexpr int glyphSubCols = 3;
constexpr int glyphSubRows = 6;
constexpr int glyphSubCount = glyphSubCols * glyphSubRows;
constexpr int glyphFirst = 32; // the printable ASCII characters, space to '~'
constexpr int glyphCount = 95;

struct GlyphInk {
    uint8_t ink[glyphSubCount];
};

// Measured from DejaVu Sans Mono by scripts/make-glyph-table (core/glyph_table.cpp).
extern const GlyphInk glyphTable[glyphCount];

// The characters flat cells take when the user gives none: quiet ones, with little shape of
// their own, at evenly spread darkness.
extern const char lookToneChars[];

// The characters cells with texture are matched against when the user gives none: every one
// that was best for at least one cell in 2,000 over bench/quality's pictures at 40 to 220
// columns, and the strokes / \ | _ - ' , . in any case. The other printable characters were
// hardly ever best and would double the time of the match.
extern const char lookShapeChars[];

// Whether a user's list is usable: printable ASCII only, at least one character.
bool look_chars_valid(const std::string &chars);

// The characters a look picks from, with their darkness normalised to the set: the darkest
// character 255, the lightest 0. Duplicates in a user's list count once.
struct LookSet {
    std::string chars;
    std::vector<int32_t> darkness;       // per character, 0..255
    std::vector<int32_t> ink;            // per character, glyphSubCount sub-samples on the same
                                         // scale (a stroke can exceed 255)
    std::vector<int32_t> byDarkness;     // indices, lightest first
    int32_t toneIndex[256];              // nearest character to each darkness
    // The match as a dot product with the raw cell (the cell's own square is the same for every
    // character): per character, in byDarkness order padded to a multiple of eight, its squares
    // plus the mean term's, and matchPairs of int16 pairs of its match weights (the smoothing
    // and the mean term folded into the character's side), pair-major so four load at once.
    std::vector<int32_t> matchBase;
    std::vector<int32_t> matchPairs;
};
constexpr int matchPairCount = glyphSubCount / 2;
constexpr size_t lookSetLimit = (glyphCount + 7) / 8 * 8; // characters a set holds, padded
// glyphs: the table the characters' ink is read from (a conversion's, see core/conversion.h).
void look_set_make(LookSet &set, const std::string &chars, const GlyphInk *glyphs = glyphTable);

// The sets of a conversion's last pick (a picture is converted again and again with the same
// characters), made anew when the characters or the glyph table change.
struct LookCache {
    struct Entry {
        const GlyphInk *table = nullptr;
        std::string chars;
        LookSet set;
    };
    Entry tone, shape;
};

// The shape match: the character of set whose ink is nearest (sum of squared differences) to
// cell, glyphSubCount darkness values (0 white, 255 the set's darkest). Ties go to the lighter.
int look_shape_match(const int32_t *cell, const LookSet &set);

// Luminance of a pixel, 0..255: Rec. 601 weights, the ones JPEG's own grey uses, so a yellow
// reads light and a blue dark, as the eye sees them (the plain sum makes them equal).
inline int32_t look_luma(uint8_t r, uint8_t g, uint8_t b) {
    return (299 * r + 587 * g + 114 * b + 500) / 1000;
}

// The tone curve of a conversion: luminance to darkness (0 white .. 255 darkest). Automatic
// levels from the histogram of the samples (every eighth of 65,536 or more; lookClipPerMille
// of them clip at each end; the stretch is at most fourfold, so a flat picture keeps its grain
// quiet), then Meido's shift of
// (Meido - 50) * 10 / 3 (the standard look's shift over a third of the sum), then the gamma
// (darkness = 1 - light^gamma).
// invert: light for dark, for light text on a dark background.
constexpr int32_t lookClipPerMille = 5;
void look_tone_curve(const uint8_t *samples, size_t count, int32_t meido, bool invert,
                     double gamma, uint8_t (&curve)[256]);

// Chooses the characters for a grid of cells. samples: luminance, cols x rows cells of
// perCell values each (glyphSubCount, row by row in the cell; 1 chooses by tone alone). Writes one character a cell to chars and the chosen character's darkness, as a
// grey (255 - darkness), to greys.
void look_cells_pick(const LookSettings &look, const uint8_t *samples, int32_t cols, int32_t rows,
                     int perCell, int32_t meido, bool invert, std::string &chars,
                     std::vector<uint8_t> &greys, LookCache &cache,
                     const GlyphInk *glyphs = glyphTable);
