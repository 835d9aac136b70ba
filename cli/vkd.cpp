// vkd: turns a picture into its text picture from the command line. It runs the window's own
// Open and Convert path on the same core, so both give the same bytes for the same settings.
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <optional>
#include <string>
#include <vector>

#include "core/bitmap.h"
#include "core/convert.h"
#include "core/document.h"
#include "core/file_read.h"
#include "core/file_save.h"
#include "core/geometry.h"
#include "core/look.h"
#include "core/settings.h"
#include "core/surface.h"
#include "core/text_color.h"
#include "core/text_html.h"
#include "core/text_image.h"
#include "settings_file/ini.h"
#include "settings_file/profile.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#include "main_window/command_line.h"
#include "main_window/picture_wic.h"
#else
#include "cli/font_measure.h"
#endif

#ifndef VKD_VERSION
#define VKD_VERSION "0"
#endif

namespace {

constexpr int exitRefused = 1;
constexpr int exitUsage = 2;

constexpr int32_t hirituMax = 150;
constexpr int32_t meidoMax = 100;

// The window's message for a file it cannot create (openFailedText, core/load.h, for one it
// cannot open).
const char *const createFailedText = "ファイルの作成に失敗しました";

const char *const usageShort = "usage: vkd [options] PICTURE   (or - for standard input)\n"
                               "Try 'vkd --help' for the options.\n";

const char *const usageLong =
    "usage: vkd [options] PICTURE\n"
    "       vkd [options] -          read the picture from standard input\n"
    "\n"
    "Turns a picture (BMP, PNG, JPEG or GIF) into a text picture and prints it,\n"
    "exactly as the window's Convert command would put it in the editor pane.\n"
    "\n"
    "  -o FILE, --output FILE   write the text picture to FILE instead; FILE.png\n"
    "                           is an image, FILE.html a web page\n"
    "  --format text|png|html   write text, a PNG image or an HTML page,\n"
    "                           whatever FILE's extension says; the image is\n"
    "                           drawn in the --font font, and the page names it\n"
    "  --color                  colour each character with the average colour of\n"
    "                           its part of the picture: 24-bit escapes in text,\n"
    "                           <span> colours in HTML\n"
    "  --width N                characters per line, 20 to 220 (default 100)\n"
    "  --ratio P                vertical ratio in percent, 0 to 150 (default 50)\n"
    "  --brightness B           brightness, 0 to 100 (default 50)\n"
    "  --mode stretch|original  scale to N characters per line (default), or\n"
    "                           one character per pixel\n"
    "  --lf                     end lines with LF instead of CR LF\n"
    "  --invert                 reverse the characters, the darkest pixels as\n"
    "                           spaces: light text for a dark terminal\n"
    "  --look standard|photo|shape\n"
    "                           how characters are chosen. standard (default):\n"
    "                           the fifteen characters by R+G+B, as the window\n"
    "                           always did. photo, for photographs: brightness\n"
    "                           as the eye sees it, contrast stretched, every\n"
    "                           cell by the measured darkness and shape of the\n"
    "                           characters. shape, for line art, logos and\n"
    "                           screenshots: each character's shape follows the\n"
    "                           edges in its cell\n"
    "  --dither                 spread each character's error in darkness over\n"
    "                           its neighbours: smoother gradients, more grain\n"
    "  --chars LIST             photo and shape choose only from these printable\n"
    "                           ASCII characters\n"
    "  --font FILE              measure the characters in this font (TrueType or\n"
    "                           OpenType; not in vkd.exe) instead of the built-in\n"
    "                           DejaVu Sans Mono\n"
    "  --ini FILE               take Mode, Mojisu, Hiritu, Meido and the look\n"
    "                           from a settings file; options given as well win\n"
    "  --help                   show this help\n"
    "  --version                show the version\n"
    "\n"
    "Exit status: 0 converted, 1 refused (the reason is on standard error),\n"
    "2 bad usage.\n";

enum class OutputFormat { text, png, html };

struct CliOptions {
    const char *input = nullptr;  // path, or "-" for standard input
    const char *output = nullptr; // nullptr: standard output
    const char *ini = nullptr;
    bool lf = false;
    bool invert = false;
    std::optional<int32_t> width, ratio, brightness, mode;
    std::optional<Look> look;
    bool dither = false;
    const char *chars = nullptr; // nullptr: the look's own set
    const char *font = nullptr;
    std::optional<OutputFormat> format; // unset: by the output file's extension
    bool color = false;
};

enum class ParseOutcome { run, help, version, usage };

struct NumberOption {
    const char *name;
    int32_t min, max;
    std::optional<int32_t> CliOptions::*value;
};

const NumberOption numberOptions[] = {
    {"--width", mojisuMin, mojisuMax, &CliOptions::width},
    {"--ratio", 0, hirituMax, &CliOptions::ratio},
    {"--brightness", 0, meidoMax, &CliOptions::brightness},
};

// Plain decimal with an optional sign; anything else ("1e3", " 5", "0x10", "") is refused.
bool number_parse(const char *text, long long &value) {
    const char *digits = text + (text[0] == '+' || text[0] == '-');
    if (*digits == '\0')
        return false;
    for (const char *p = digits; *p != '\0'; ++p)
        if (*p < '0' || *p > '9')
            return false;
    errno = 0;
    value = std::strtoll(text, nullptr, 10); // on overflow it saturates, still out of range
    return true;
}

// The place of value among the names, or -1.
int choice_of(const char *value, std::initializer_list<const char *> names) {
    int k = 0;
    for (const char *name : names) {
        if (std::strcmp(value, name) == 0)
            return k;
        ++k;
    }
    return -1;
}

// FILE.png an image, FILE.html (or .htm) a page, in any case; anything else text.
OutputFormat output_format_of(const char *path) {
    if (path == nullptr)
        return OutputFormat::text;
    std::string name = path + path_folder_length(path);
    const size_t dot = name.rfind('.');
    std::string extension = dot == std::string::npos ? "" : name.substr(dot + 1);
    for (char &c : extension)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    if (extension == "png")
        return OutputFormat::png;
    if (extension == "html" || extension == "htm")
        return OutputFormat::html;
    return OutputFormat::text;
}

// Options may come before or after the input; "--" ends them; "--name=value" is accepted too.
ParseOutcome cli_parse(int argc, char **argv, CliOptions &opts, std::string &error) {
    bool optionsEnded = false;
    for (int i = 1; i < argc; ++i) {
        const char *arg = argv[i];
        if (optionsEnded || arg[0] != '-' || std::strcmp(arg, "-") == 0) {
            if (opts.input != nullptr) {
                error =
                    std::string("more than one input given ('") + opts.input + "', '" + arg + "')";
                return ParseOutcome::usage;
            }
            opts.input = arg;
            continue;
        }
        if (std::strcmp(arg, "--") == 0) {
            optionsEnded = true;
            continue;
        }

        std::string name = arg;
        const char *value = nullptr;
        size_t eq = name.find('=');
        if (name.compare(0, 2, "--") == 0 && eq != std::string::npos) {
            value = arg + eq + 1;
            name.resize(eq);
        }

        bool isFlag = name == "--help" || name == "-h" || name == "--version" || name == "--lf" ||
                      name == "--invert" || name == "--dither" || name == "--color";
        if (isFlag) {
            if (value != nullptr) {
                error = "option " + name + " takes no value";
                return ParseOutcome::usage;
            }
            if (name == "--lf")
                opts.lf = true;
            else if (name == "--invert")
                opts.invert = true;
            else if (name == "--dither")
                opts.dither = true;
            else if (name == "--color")
                opts.color = true;
            else
                return name == "--version" ? ParseOutcome::version : ParseOutcome::help;
            continue;
        }

        const NumberOption *number = nullptr;
        for (const NumberOption &candidate : numberOptions)
            if (name == candidate.name)
                number = &candidate;
        bool known = number != nullptr || name == "-o" || name == "--output" || name == "--ini" ||
                     name == "--mode" || name == "--look" || name == "--chars" ||
                     name == "--font" || name == "--format";
        if (!known) {
            error = "unknown option '" + name + "'";
            return ParseOutcome::usage;
        }
        if (value == nullptr) {
            if (i + 1 >= argc) {
                error = "option " + name + " needs a value";
                return ParseOutcome::usage;
            }
            value = argv[++i];
        }

        if (number != nullptr) {
            long long n = 0;
            if (!number_parse(value, n) || n < number->min || n > number->max) {
                error = name + " must be a whole number from " + std::to_string(number->min) +
                        " to " + std::to_string(number->max) + ", not '" + value + "'";
                return ParseOutcome::usage;
            }
            opts.*(number->value) = static_cast<int32_t>(n);
        } else if (name == "--mode") {
            if (std::strcmp(value, "stretch") == 0) {
                opts.mode = 1;
            } else if (std::strcmp(value, "original") == 0) {
                opts.mode = 2;
            } else {
                error = std::string("--mode must be 'stretch' or 'original', not '") + value + "'";
                return ParseOutcome::usage;
            }
        } else if (name == "--look") {
            const int k = choice_of(value, {"standard", "photo", "shape"});
            if (k < 0) {
                error = std::string("--look must be 'standard', 'photo' or 'shape', not '") +
                        value + "'";
                return ParseOutcome::usage;
            }
            opts.look = static_cast<Look>(k);
        } else if (name == "--chars") {
            if (!look_chars_valid(value)) {
                error = std::string("--chars takes printable ASCII characters (space to '~'), "
                                    "not '") +
                        value + "'";
                return ParseOutcome::usage;
            }
            opts.chars = value;
        } else if (name == "--format") {
            const int k = choice_of(value, {"text", "png", "html"});
            if (k < 0) {
                error =
                    std::string("--format must be 'text', 'png' or 'html', not '") + value + "'";
                return ParseOutcome::usage;
            }
            opts.format = static_cast<OutputFormat>(k);
        } else if (name == "--font") {
#ifdef _WIN32
            error = "--font is not available in vkd.exe (fonts are measured with FreeType, "
                    "which the Windows build does not include); the built-in table is used";
            return ParseOutcome::usage;
#else
            opts.font = value;
#endif
        } else if (name == "--ini") {
            opts.ini = value;
        } else {
            opts.output = value;
        }
    }
    if (opts.input == nullptr) {
        error = "no input given";
        return ParseOutcome::usage;
    }
    if (!opts.format)
        opts.format = output_format_of(opts.output);
    if (opts.color && *opts.format == OutputFormat::png) {
        error = "--color colours text and HTML; a PNG image is black on white";
        return ParseOutcome::usage;
    }
    return ParseOutcome::run;
}

int refuse(const std::string &text) {
    std::fprintf(stderr, "%s\n", text.c_str());
    return exitRefused;
}

// Original mode limits a picture to the primary display, as the window does. Elsewhere there
// is no display to ask, so the canvas size stands in for it.
void screen_size(int32_t &width, int32_t &height) {
#ifdef _WIN32
    width = GetSystemMetrics(SM_CXSCREEN);
    height = GetSystemMetrics(SM_CYSCREEN);
#else
    width = canvasWidth;
    height = canvasHeight;
#endif
}

// "vkd: NAME: " before a message, the system's reason after it when there is one.
std::string problem(const std::string &name, const std::string &text,
                    const std::string &reason = "") {
    return "vkd: " + name + ": " + text + (reason.empty() ? "" : " (" + reason + ")");
}

std::string reason_of(int error) {
    if (error == EISDIR)
        return std::string(std::strerror(error)) + ": a folder, not a file";
    if (error == ENODEV) // only a save on Windows gives this
        return std::string(std::strerror(error)) + ": the name of a device on Windows, not a file";
    return error != 0 ? std::strerror(error) : "";
}

// Settings from a settings file, the way the window reads its own at start-up. The window keeps
// the defaults for a file it cannot read without a word; a file named on the command line that
// cannot be read is a mistake worth reporting.
std::string ini_apply(const char *path) {
    Profile profile;
    int error = 0;
    if (profile_open(path, profile, &error) != ProfileLoad::loaded)
        return problem(path, "cannot read the settings file",
                       error == EFBIG ? "larger than " + std::to_string(profileSizeLimit >> 20) +
                                            " MiB; no settings file is that large"
                                      : reason_of(error));
    WindowRect rect{};
    ini_read_profile(profile, rect);
    return "";
}

std::string text_line_ends_lf(const std::string &text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i)
        if (!(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n'))
            out += text[i];
    return out;
}

// "-o -" is standard output. A file is saved the way the window saves text: the old file stays
// whole until the new one is complete.
std::string output_write(const char *path, const std::string &text) {
    if (path == nullptr || std::strcmp(path, "-") == 0) {
        std::fwrite(text.data(), 1, text.size(), stdout);
        if (std::fflush(stdout) != 0 || std::ferror(stdout))
            return problem("standard output", "cannot write", reason_of(errno));
        return "";
    }
    int error = 0;
    if (file_save_whole(path, text.data(), text.size(), &error))
        return "";
    std::string reason = reason_of(error);
    if (error == ENOENT) {
        reason += ": the folder '" + file_save_folder(path) + "' does not exist";
    }
    return problem(path, createFailedText, reason);
}

// The picture from a file or standard input, then the rest of the window's Open: raise the
// width to the minimum, fit, and tell about a lowered width. An empty string when the picture is
// ready for Convert. Files and streams (standard input, a FIFO, a device) alike go through the
// window's own loader, header first.
std::string picture_open(FileSource &source, const std::string &name) {
    int32_t screenWidth = 0, screenHeight = 0;
    screen_size(screenWidth, screenHeight);
    const LoadResult load = bitmap_load_source(source, screenWidth, screenHeight);
    if (load.outcome == LoadOutcome::openFailed)
        return problem(name, load.message.text, reason_of(source.error));
    if (load.outcome != LoadOutcome::loaded && source.taken == 0)
        return problem(name, "no data");
    if (load.outcome != LoadOutcome::loaded)
        return problem(name, load.message.text);

    mojisu_raise_to_min();
    imageLoaded = true;
    hasFileName = false;
    switch (map_geometry_fit()) {
    case FitResult::fitted:
        break;
    case FitResult::lowered:
        std::fprintf(
            stderr, "%s\n",
            problem(name, "サイズを修正しました。",
                    "width lowered to " + std::to_string(settings.Mojisu) + " characters per line")
                .c_str());
        break;
    case FitResult::cannotFit:
        return problem(name, map_geometry_cannot_fit_message());
    }
    return "";
}

int cli_run(const CliOptions &opts) {
    settings_defaults();
    if (opts.ini != nullptr) {
        std::string error = ini_apply(opts.ini);
        if (!error.empty())
            return refuse(error);
    }
    if (opts.width)
        settings.Mojisu = *opts.width;
    if (opts.ratio)
        settings.Hiritu = *opts.ratio;
    if (opts.brightness)
        settings.Meido = *opts.brightness;
    if (opts.mode)
        settings.Mode = *opts.mode;
    if (opts.look)
        lookSettings.look = *opts.look;
    if (opts.dither)
        lookSettings.dither = true;
    if (opts.chars != nullptr)
        lookSettings.chars = opts.chars;
    if (opts.chars != nullptr && lookSettings.look == Look::standard) {
        std::fprintf(stderr,
                     "vkd: --chars needs --look photo or shape; the standard look "
                     "always uses its fifteen characters\n%s",
                     usageShort);
        return exitUsage;
    }
#ifndef _WIN32
    std::vector<GlyphInk> glyphs;
    if (opts.font != nullptr) {
        std::string reason;
        if (!font_measure(opts.font, glyphs, reason))
            return refuse(problem(opts.font, "cannot measure the font", reason));
        look_glyphs_use(glyphs.data());
    }
#endif
    // The window would draw nothing and convert an empty picture for any other Mode, which
    // here would look like success.
    if (settings.Mode != 1 && settings.Mode != 2)
        return refuse(problem(opts.ini != nullptr ? opts.ini : "settings",
                              "Mode " + std::to_string(settings.Mode) +
                                  " is neither 1 (stretch) nor 2 (original)"));

    // The font before the picture: a mistake in it costs no conversion. A page only names
    // its font, so it does without one when none is installed.
    TextImageFont font;
    if (*opts.format != OutputFormat::text) {
        std::string reason;
        if (!text_image_font_find(opts.font, font, reason) &&
            (*opts.format == OutputFormat::png || opts.font != nullptr))
            return refuse(problem(opts.font != nullptr ? opts.font : "font",
                                  "cannot draw with the font", reason));
    }

    const bool fromStdin = std::strcmp(opts.input, "-") == 0;
    const std::string name = fromStdin ? "standard input" : opts.input;
    FileSource source = fromStdin ? file_source_stdin() : FileSource{};
    if (!fromStdin && !file_source_open(opts.input, source))
        return refuse(problem(name, openFailedText, reason_of(source.error)));
    surfaces_create();
    std::string error = picture_open(source, name);
    file_source_close(source);
    if (!error.empty()) {
        surfaces_release();
        return refuse(error);
    }

    // Convert: redraw the previews, then read the squeezed one.
    map_geometry_update();
    // Read before the conversion paints its greys over the squeezed preview.
    const CellColors colors = opts.color ? text_cell_colors() : CellColors{};
    std::string text;
    // The photo and shape looks invert the tone before choosing; the standard look mirrors its
    // ramp afterwards, as it always did.
    const bool invertTone = opts.invert && lookSettings.look != Look::standard;
    ConvertOutcome converted = text_convert_look(text, lookSettings, invertTone);
    surfaces_release();
    if (converted == ConvertOutcome::tooLarge)
        return refuse(problem(name, text_convert_too_large_message()));
    // As in the window, an empty text is a result, not a failure; but say why it is empty.
    if (text.empty())
        std::fprintf(stderr, "%s\n",
                     problem(name, "no lines at a vertical ratio of " +
                                       std::to_string(settings.Hiritu) +
                                       " %; the text picture is empty")
                         .c_str());

    if (opts.invert && !invertTone)
        text_invert(text);
    std::string bytes;
    if (*opts.format == OutputFormat::png) {
        std::string reason;
        if (!text_image_png(text, font, bytes, reason))
            return refuse(problem(name, "cannot draw the image", reason));
    } else if (*opts.format == OutputFormat::html) {
        const std::string title = fromStdin ? name : name.substr(path_folder_length(name.c_str()));
#ifdef _WIN32
        bytes = text_html(text, cp932_to_utf8(title), font.family, opts.color ? &colors : nullptr);
#else
        bytes = text_html(text, title, font.family, opts.color ? &colors : nullptr);
#endif
    } else {
        bytes = opts.color ? text_ansi_color(text, colors) : text;
        if (opts.lf)
            bytes = text_line_ends_lf(bytes);
    }
    error = output_write(opts.output, bytes);
    if (!error.empty())
        return refuse(error);
    return 0;
}

} // namespace

int main(int argc, char **argv) {
#ifdef _WIN32
    // The text carries its own line ends; the bitmap on stdin is binary.
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stdin), _O_BINARY);
    picture_wic_install();
    // A name the ANSI code page cannot hold arrives as a look-alike: another file, never used.
    const MisnamedArgument misnamed = command_line_misnamed_find(GetCommandLineW(), argc, argv);
    if (misnamed.index >= 0) {
        std::fprintf(stderr,
                     "vkd: %s: not used: code page %u cannot hold every character of this "
                     "name, and Windows passes it on as '%s', another name\n",
                     misnamed.shown.c_str(), GetACP(),
                     misnamed.index < argc ? argv[misnamed.index] : "");
        return exitRefused;
    }
#endif
    CliOptions opts;
    std::string error;
    switch (cli_parse(argc, argv, opts, error)) {
    case ParseOutcome::help:
        std::fputs(usageLong, stdout);
        return 0;
    case ParseOutcome::version:
        std::printf("vkd (Velkorandite) %s\n", VKD_VERSION);
        return 0;
    case ParseOutcome::usage:
        std::fprintf(stderr, "vkd: %s\n%s", error.c_str(), usageShort);
        return exitUsage;
    case ParseOutcome::run:
        break;
    }
    return cli_run(opts);
}
