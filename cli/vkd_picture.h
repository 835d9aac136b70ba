// One picture through the window's Open and Convert path, as vkd runs it, through the library
// (core/library/velkorandite.h) on a converter of its thread's own: each picture starts from the same
// plan, whatever the one before on the same converter changed.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cli/vkd_options.h"
#include "core/common/language.h"
#include "core/conversion/look.h"
#include "core/conversion/settings.h"
#include "core/library/velkorandite.h"

constexpr int exitRefused = 1;
constexpr int exitUsage = 2;

// What every picture of a run starts from; made once, before the first picture.
struct PicturePlan {
    Settings settings{}; // what --ini and the options made, for the image font
    LookSettings look;
    velkorandite::Options options;           // the conversion: settings, look, glyphs, language
    std::vector<velkorandite::Glyph> glyphs; // measured from --font; empty: the built-in table
    Language language = Language::english;   // of the messages
    OutputFormat format = OutputFormat::text;
    LineEnd lineEnd = LineEnd::lf;
    TextEncoding encoding = TextEncoding::utf8; // of text output
    bool color = false;
    std::optional<int32_t> height;     // --height: the widest text of at most this many lines
    std::optional<int32_t> maxBytes;   // --max-bytes: the widest text of at most this many bytes
    std::optional<std::string> output; // a file, or a folder when outputFolder
    bool outputFolder = false;
    velkorandite::ImageFont font; // images and pages
    std::optional<std::string> fontFile; // --font: a board image's font
    int terminalColumns = 0;      // what the plan was made with
};

// The plan from the options: the defaults, the settings file, then the options. The width, when
// neither --width nor --ini gives one, is the terminal's (terminalColumns, 0 for none, clamped
// to 20..220), else 220 with --height or --max-bytes, else the default 100. Also measures --font
// and finds the image font. Returns 0, or exitRefused / exitUsage with the message for standard
// error (whole lines) in message.
int picture_plan_make(const CliOptions &opts, int terminalColumns, PicturePlan &plan,
                      std::string &message);

struct PictureResult {
    bool refused = false;
    std::string out;      // for standard output; empty when written to a file
    std::string messages; // for standard error: whole lines, UTF-8
};

// Converts one picture ("-": standard input) as the plan says. The text goes to the plan's file
// (or DIR/NAME) or into out. A refusal, or a note on a result (a width lowered to fit, more
// lines than --height), is in messages; refused is set for refusals only. With --max-bytes the
// width is the widest whose text fits (budget_width_search, cli/vkd_budget.h) and a picture
// whose narrowest text is over the budget is refused, nothing written. A text without a
// character (no lines, or lines of none) is refused and nothing written; so is a picture that
// runs out of memory. converter: the thread's own, reused from picture to picture.
void picture_convert(velkorandite::Converter &converter, const PicturePlan &plan,
                     const std::string &input, PictureResult &result);

// Before any picture is converted: 0, or the refusal (whole lines) in message when -o DIR/
// names no folder (exitRefused, said once for all the pictures), or when an output, however
// named (a link, "./", another spelling), is the same file as a picture, standard input's file
// included (exitUsage: nothing is converted, not even the others).
int picture_outputs_check(const PicturePlan &plan, const std::vector<std::string> &inputs,
                          std::string &message);

// What vkd calls a picture in messages and header lines (where it is shown with
// terminal_shown, cli/vkd_names.h).
std::string picture_name(const std::string &input);

// "vkd: NAME: text (reason)" and a line feed; text is looked up for the user's language, NAME
// shown with terminal_shown (cli/vkd_names.h). A name or value inside text or reason is the
// caller's to show so.
std::string message_line(Language language, const std::string &name, const std::string &text,
                         const std::string &reason = "");

// The system's words for an errno value, and a hint for the few that mislead.
std::string reason_of(Language language, int error);
