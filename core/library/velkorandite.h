// Velkorandite as a library: pictures (BMP, PNG, JPEG, GIF, WebP, HEIC, AVIF) into text
// pictures, byte for byte as the program's window and vkd make them. This header is the whole
// interface: plain structs, every outcome a value, no exception crosses it.
//
//   velkorandite::Converter *converter = velkorandite::converter_new();
//   velkorandite::Options options;           // stretch mode, 100 characters, standard look
//   velkorandite::Text text = velkorandite::convert_file(*converter, "photo.jpg", options);
//   if (text.status == velkorandite::Status::converted) fwrite(text.text ...);
//   velkorandite::converter_free(converter);
//
// A Converter is one conversion's state (the picture, its previews, the caches): use it from one
// thread at a time, and give each thread its own to convert pictures side by side
// (convert_batch does that). Reusing one for picture after picture saves its setting up.
#pragma once
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace velkorandite {

// trace: the picture's edges as thin lines on an empty background.
enum class Look { standard, photo, shape, trace };
// The font the text is read in, which the photo, shape and trace looks choose their characters
// by: terminal, DejaVu Sans Mono; window, ＭＳ ゴシック (measured from IPAゴシック; 0x5C is ¥
// there); board, ＭＳ Ｐゴシック 12 pt, proportional: each line laid out in pixels, the picture
// width x 8 pixels wide, keeping a board's rules on spaces (the standard look ignores it).
enum class Target { terminal, window, board };
enum class Language { japanese, english };

// A character's ink on a 3 x 6 grid of sub-samples of its cell, row by row, 0 blank to 255
// inked: to match the text to a font other than the built-in DejaVu Sans Mono.
struct Glyph {
    uint8_t ink[18];
};
constexpr int glyphCount = 95; // the printable ASCII characters, ' ' to '~'

struct Options {
    int32_t mode = 1;        // 1 stretch: width characters per line; 2 original: one a pixel
    int32_t width = 100;     // characters per line in stretch mode; below 20 counts as 20
    int32_t ratio = 50;      // vertical ratio in percent
    int32_t brightness = 50; // 0 to 100
    Look look = Look::standard;
    bool dither = false;
    std::string chars;    // photo and shape: choose only from these characters (UTF-8: printable
                          // ASCII and code page 932's full-width symbols, two columns each)
#ifdef _WIN32
    Target target = Target::window;
#else
    Target target = Target::terminal;
#endif
    bool fullWidth = false; // without chars: the full-width set of the window's 全角
    bool invert = false;  // light text for a dark background
    int32_t maxLines = 0; // above 0 (stretch mode): the widest width up to width with at most
                          // this many lines (20 when none has)
    bool colors = false;  // fill Text::colors
    int32_t screenWidth = 2048, screenHeight = 1536; // original mode's limit: the screen
    Language language = Language::english;           // of messages
    const Glyph *glyphs = nullptr; // glyphCount of them, kept by the caller; nullptr: target's
};

enum class Status {
    converted,  // text holds the text picture (empty at a ratio that leaves no line)
    openFailed, // the file could not be opened or read; systemError says why
    refused,    // not a picture that can be opened, or too large to open
    cannotFit,  // opened, but in original mode it does not fit the canvas
    tooLarge,   // opened, but the text would be longer than the window's editor holds
    failed,     // out of memory, or another failure on the way
};

struct Color {
    uint8_t r, g, b;
};

struct Text {
    Status status = Status::failed;
    std::string message; // UTF-8, in Options::language: why not converted; empty when it was
    int systemError = 0; // the errno value of an open failure
    std::string text;    // the text picture, UTF-8 (ASCII but for full-width characters), every
                         // line ended by CR LF
    int32_t width = 0;   // characters per line, once the picture is opened and fitted (a board
                         // text's columns of 8 pixels)
    int32_t lines = 0;   // the text's lines (a board text's: its own 18-pixel lines)
    bool widthLowered = false; // stretch mode lowered the width for the picture to fit
    // With Options::colors: width per row, row by row, the fixed grid's rows (which a board
    // text's lines are not).
    std::vector<Color> colors;
};

struct Converter;
Converter *converter_new(); // nullptr without memory
void converter_free(Converter *converter);

// The picture at path ("-": standard input, read to its end) or in memory, opened and
// converted as the window's Open and Convert do.
Text convert_file(Converter &converter, const char *path, const Options &options);
Text convert_memory(Converter &converter, const uint8_t *data, size_t size, const Options &options);

// The picture the converter opened last, converted again with other options (another width,
// look, brightness...) as the window's Convert does after a change of settings, without reading
// it again; failed when the converter holds no picture.
Text convert_again(Converter &converter, const Options &options);

// Runs convert(converter, i) for i in [0, count) on threads threads, each with a converter of
// its own, and take(i, error) on the calling thread in the order 0, 1, ... as each is done.
// error is empty, or says why item i failed ("out of memory", an exception's text); that item
// alone is lost. take returning false stops the run.
void convert_batch(size_t count, int threads,
                   const std::function<void(Converter &converter, size_t i)> &convert,
                   const std::function<bool(size_t i, const std::string &error)> &take);

// The text with 24-bit colour escapes (Options::colors), for a terminal.
std::string text_ansi(const Text &text);

// The text as a web page (UTF-8) titled title, naming fontFamily, in colour when the text has
// colours.
std::string text_html(const Text &text, const std::string &title, const std::string &fontFamily);

// The font a PNG is drawn in. Linux: file, or DejaVu Sans Mono through fontconfig. Windows:
// file must be null; face and height as the window's settings hold them (height 0: the
// built-in ＭＳ ゴシック).
struct ImageFont {
    std::string file;
    std::string family; // what a page names as its font
    std::string face;
    int32_t height = 0;
    int32_t cellWidth = 0, cellHeight = 0;
};
bool image_font_find(const char *file, const std::string &face, int32_t height, ImageFont &font,
                     std::string &reason);

// The text drawn black on white as a PNG; false with a reason (Options::language is not
// applied: English on Linux, Japanese on Windows) when it cannot be drawn.
bool text_png(const Text &text, const ImageFont &font, std::string &png, std::string &reason);

// A board text as a page in the board font, 16 pixels on 18-pixel lines, laid out
// proportionally.
std::string text_html_board(const Text &text, const std::string &title);
// A board text drawn proportionally in the board font: Linux: file, or else Mona. Windows:
// ＭＳ Ｐゴシック; file must be null.
bool text_png_board(const Text &text, const char *file, std::string &png, std::string &reason);

} // namespace velkorandite
