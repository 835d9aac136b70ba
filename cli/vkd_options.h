// vkd's command line: the options as given, checked, and nothing else. Pure: no file is opened,
// no setting changed; what the options mean for a picture is decided in cli/vkd_picture.h.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "core/conversion/look.h"

enum class OutputFormat { text, png, html };
enum class LineEnd { lf, crlf };
enum class TextEncoding { utf8, cp932 };

struct CliOptions {
    std::vector<std::string> inputs;   // paths in the order given, "-" for standard input
    std::optional<std::string> output; // unset (or "-"): standard output
    bool outputFolder = false;         // -o ended in a separator: DIR/NAME.txt for each picture
    std::optional<std::string> ini, chars, font;
    std::optional<LineEnd> lineEnd; // unset: the system's (LF; CR LF on Windows)
    std::optional<TextEncoding> encoding; // unset: UTF-8; code page 932 in vkd.exe
    bool invert = false, dither = false, color = false;
    std::optional<int32_t> width, height, ratio, brightness, mode, jobs;
    std::optional<int32_t> maxBytes; // --max-bytes: the text's size budget
    std::optional<Look> look;
    std::optional<Target> target; // unset: the build's (terminal; window in vkd.exe)
    std::optional<OutputFormat> format; // unset: by the output file's extension, else text
};

enum class ParseOutcome { run, help, version, usage };

// args without the program's name. Options may come before or after the pictures; "--" ends
// them; "--name=value" and "-jN" are accepted too; of --lf and --crlf the last one counts.
// usage: error says what is wrong (without "vkd: "). Refused as usage: no picture; standard
// input twice; with several pictures, -o naming a file rather than a folder, or an image or page
// on standard output; -o DIR/ with standard input (it has no name) or two pictures whose files
// would have the same name (as output_names_compare, cli/vkd_names.h, compares them); --color
// with a PNG; --max-bytes with an image or a page.
ParseOutcome cli_parse(const std::vector<std::string> &args, CliOptions &opts, std::string &error);

// FILE.png an image, FILE.html (or .htm) a page, in any case; anything else text.
OutputFormat output_format_of(const std::string &path);

// Where -o DIR/ puts a picture: DIR, then the picture's file name without its folder and its
// last extension, then .txt, .png or .html ("photos/cat.jpg" into "out/" is "out/cat.txt").
std::string output_path_in_folder(const std::string &folder, const std::string &input,
                                  OutputFormat format);

// The length of the folder part of a path, its last separator included ('/', and '\\' or a
// drive's ':' on Windows); 0 when there is none. UTF-8 never hides a separator in a character.
size_t path_folder_part(const std::string &path);

extern const char usageShort[];
extern const char usageLong[];
