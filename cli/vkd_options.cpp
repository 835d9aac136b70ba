#include "cli/vkd_options.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <set>

#include "cli/vkd_names.h"
#include "core/conversion/board.h"
#include "core/conversion/settings.h"

const char usageShort[] = "usage: vkd [options] PICTURE...   (or - for standard input)\n"
                          "Try 'vkd --help' for the options.\n";

const char usageLong[] =
    "usage: vkd [options] PICTURE...\n"
    "       vkd [options] -          read the picture from standard input\n"
    "\n"
    "Turns pictures (BMP, PNG, JPEG, GIF, WebP, HEIC or AVIF) into text pictures\n"
    "and prints them, exactly as the window's Convert command would put them in\n"
    "the editor pane.\n"
    "Several pictures are printed in the order given, each after a line\n"
    "'==> NAME <=='; a picture that is refused is named on standard error, and\n"
    "the others are still converted.\n"
    "\n"
    "  -o FILE, --output FILE   write the text picture to FILE instead; FILE.png\n"
    "                           is an image, FILE.html a web page\n"
    "  -o DIR/                  write each picture to DIR/NAME.txt (.png or .html\n"
    "                           with --format), NAME its file name without the\n"
    "                           extension\n"
    "  --format text|png|html   write text, a PNG image or an HTML page,\n"
    "                           whatever FILE's extension says; the image is\n"
    "                           drawn in the --font font, and the page names it\n"
    "  --color                  colour each character with the average colour of\n"
    "                           its part of the picture: 24-bit escapes in text,\n"
    "                           <span> colours in HTML\n"
    "  --width N                characters per line, 20 to 220 (default 100; the\n"
    "                           terminal's width when printing to a terminal);\n"
    "                           a picture too tall for the canvas at N gets\n"
    "                           fewer, even below 20, as in the window, and a\n"
    "                           note says how many\n"
    "  --height N               the widest text of at most N lines, 1 to 9999;\n"
    "                           with --width, no wider than that either\n"
    "  --max-bytes N            the widest text of at most N bytes as written,\n"
    "                           line ends included (with --height, of at most\n"
    "                           that many lines too); one column more would be\n"
    "                           over. A picture whose narrowest text is over is\n"
    "                           refused. Text only, 1 to 99999999\n"
    "  --ratio P                vertical ratio in percent, 0 to 150 (default 50)\n"
    "  --brightness B           brightness, 0 to 100 (default 50)\n"
    "  --mode stretch|original  scale to N characters per line (default), or\n"
    "                           one character per pixel\n"
    "  --lf, --crlf             end lines with LF or with CR LF (default LF;\n"
    "                           CR LF in vkd.exe)\n"
    "  --encoding utf-8|cp932   write the text in UTF-8 (default) or in code\n"
    "                           page 932, as the window saves it (the default in\n"
    "                           vkd.exe); a character the code cannot hold is\n"
    "                           refused, never replaced\n"
    "  --invert                 reverse the characters, the darkest pixels as\n"
    "                           spaces: light text for a dark terminal\n"
    "  --look LOOK              how characters are chosen: standard (default),\n"
    "                           photo, shape or trace. standard:\n"
    "                           the fifteen characters by R+G+B, as the window\n"
    "                           always did. photo, for photographs: brightness\n"
    "                           as the eye sees it, contrast stretched, every\n"
    "                           cell by the measured darkness and shape of the\n"
    "                           characters. shape, for line art, logos and\n"
    "                           screenshots: each character's shape follows the\n"
    "                           edges in its cell. trace, for line art and\n"
    "                           anime-style pictures: the edges as thin lines on\n"
    "                           an empty background\n"
    "  --dither                 spread each character's error in darkness over\n"
    "                           its neighbours: smoother gradients, more grain\n"
    "  --chars LIST             photo and shape choose only from these printable\n"
    "                           ASCII characters and full-width symbols of code\n"
    "                           page 932 (0x8140 to 0x81AC: lines, arrows,\n"
    "                           circles), two columns each; in the board target,\n"
    "                           from the board font's table\n"
    "  --target terminal|window|board\n"
    "                           the font photo and shape measure the characters\n"
    "                           in: terminal, DejaVu Sans Mono (the default), or\n"
    "                           window, the window's MS Gothic, which draws 0x5C\n"
    "                           as a yen sign (the default in vkd.exe), or\n"
    "                           board, MS PGothic 12 pt as boards and chats show\n"
    "                           it: each line laid out in pixels, the picture N\n"
    "                           x 8 pixels wide, no leading or double half-width\n"
    "                           spaces, no 0x5C unless listed (photo, shape and\n"
    "                           trace)\n"
    "  --font FILE              measure the characters in this font (TrueType or\n"
    "                           OpenType; not in vkd.exe) instead of the\n"
    "                           target's\n"
    "  --ini FILE               take Mode, Mojisu, Hiritu, Meido and the look\n"
    "                           from a settings file; options given as well win\n"
    "  -j N, --jobs N           convert N pictures at a time, 1 to 64 (default:\n"
    "                           the processors vkd may run on); a picture may\n"
    "                           take up to 256 MiB of memory, N pictures N times\n"
    "                           that\n"
    "  --help                   show this help\n"
    "  --version                show the version\n"
    "\n"
    "Messages are in Japanese when the first of LC_ALL, LC_MESSAGES and LANG\n"
    "that is set names a Japanese locale (in vkd.exe, when none is set: when\n"
    "Windows shows Japanese), and in English otherwise.\n"
    "\n"
    "Exit status: 0 converted, 1 refused (the reason is on standard error; with\n"
    "several pictures, any of them), 2 bad usage (nothing is converted; also\n"
    "when an output would be one of the pictures, by any name).\n";

namespace {

constexpr int32_t hirituMax = 150;
constexpr int32_t meidoMax = 100;
constexpr int32_t heightMax = 9999;
constexpr int32_t jobsMax = 64;
constexpr int32_t maxBytesMax = 99999999;

struct NumberOption {
    const char *name;
    int32_t min, max;
    std::optional<int32_t> CliOptions::*value;
};

const NumberOption numberOptions[] = {
    {"--width", mojisuMin, mojisuMax, &CliOptions::width},
    {"--height", 1, heightMax, &CliOptions::height},
    {"--ratio", 0, hirituMax, &CliOptions::ratio},
    {"--brightness", 0, meidoMax, &CliOptions::brightness},
    {"--jobs", 1, jobsMax, &CliOptions::jobs},
    {"--max-bytes", 1, maxBytesMax, &CliOptions::maxBytes},
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
int choice_of(const std::string &value, std::initializer_list<const char *> names) {
    int k = 0;
    for (const char *name : names) {
        if (value == name)
            return k;
        ++k;
    }
    return -1;
}

bool is_separator(char c) {
#ifdef _WIN32
    return c == '/' || c == '\\';
#else
    return c == '/';
#endif
}

std::string lower(std::string s) {
    for (char &c : s)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return s;
}

// Checks that need every option: what the pictures, -o and the format make together.
bool options_agree(CliOptions &opts, std::string &error) {
    if (opts.inputs.empty()) {
        error = "no input given";
        return false;
    }
    if (opts.output && *opts.output == "-")
        opts.output.reset();
    opts.outputFolder = opts.output && !opts.output->empty() && is_separator(opts.output->back());
    if (!opts.format)
        opts.format =
            opts.output && !opts.outputFolder ? output_format_of(*opts.output) : OutputFormat::text;
    if (opts.color && *opts.format == OutputFormat::png) {
        error = "--color colours text and HTML; a PNG image is black on white";
        return false;
    }
    if (opts.maxBytes && *opts.format != OutputFormat::text) {
        error = "--max-bytes budgets a text; an image or a page has no such size";
        return false;
    }
    int fromStdin = 0;
    for (const std::string &input : opts.inputs)
        fromStdin += input == "-";
    if (fromStdin > 1) {
        error = "standard input ('-') given more than once";
        return false;
    }
    const bool several = opts.inputs.size() > 1;
    if (several && opts.output && !opts.outputFolder) {
        error = "with several pictures, -o names a folder: end it with / ('" + *opts.output + "/')";
        return false;
    }
    if (several && !opts.output && *opts.format != OutputFormat::text) {
        error = "several pictures go to standard output only as text; write images and pages "
                "with -o DIR/";
        return false;
    }
    if (opts.outputFolder) {
        if (fromStdin > 0) {
            error = "standard input has no name to write under in " + *opts.output +
                    "; give it -o FILE on its own";
            return false;
        }
        auto before = [](const std::string &a, const std::string &b) {
            return output_names_compare(a, b) < 0;
        };
        std::set<std::string, decltype(before)> names(before);
        for (const std::string &input : opts.inputs) {
            const std::string path = output_path_in_folder(*opts.output, input, *opts.format);
            if (!names.insert(path).second) {
                error = "two pictures would both be written to '" + path + "'";
                return false;
            }
        }
    }
    return true;
}

} // namespace

size_t path_folder_part(const std::string &path) {
    size_t n = 0;
    for (size_t i = 0; i < path.size(); ++i)
        if (is_separator(path[i]))
            n = i + 1;
#ifdef _WIN32
    if (n == 0 && path.size() >= 2 && path[1] == ':')
        n = 2;
#endif
    return n;
}

OutputFormat output_format_of(const std::string &path) {
    const std::string name = path.substr(path_folder_part(path));
    const size_t dot = name.rfind('.');
    const std::string extension = dot == std::string::npos ? "" : lower(name.substr(dot + 1));
    if (extension == "png")
        return OutputFormat::png;
    if (extension == "html" || extension == "htm")
        return OutputFormat::html;
    return OutputFormat::text;
}

std::string output_path_in_folder(const std::string &folder, const std::string &input,
                                  OutputFormat format) {
    std::string name = input.substr(path_folder_part(input));
    const size_t dot = name.rfind('.');
    if (dot != std::string::npos && dot > 0)
        name.resize(dot);
    static const char *const extensions[] = {".txt", ".png", ".html"};
    return folder + name + extensions[static_cast<int>(format)];
}

ParseOutcome cli_parse(const std::vector<std::string> &args, CliOptions &opts, std::string &error) {
    bool optionsEnded = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string &arg = args[i];
        if (optionsEnded || arg.size() < 2 || arg[0] != '-') {
            opts.inputs.push_back(arg);
            continue;
        }
        if (arg == "--") {
            optionsEnded = true;
            continue;
        }

        std::string name = arg;
        std::optional<std::string> value;
        const size_t eq = name.find('=');
        if (name.compare(0, 2, "--") == 0 && eq != std::string::npos) {
            value = arg.substr(eq + 1);
            name.resize(eq);
        } else if (name.compare(0, 2, "-j") == 0 && name.size() > 2) {
            value = arg.substr(2);
            name = "-j";
        }
        if (name == "-j")
            name = "--jobs";

        const bool isFlag = name == "--help" || name == "-h" || name == "--version" ||
                            name == "--lf" || name == "--crlf" || name == "--invert" ||
                            name == "--dither" || name == "--color";
        if (isFlag) {
            if (value) {
                error = "option " + name + " takes no value";
                return ParseOutcome::usage;
            }
            if (name == "--lf" || name == "--crlf")
                opts.lineEnd = name == "--lf" ? LineEnd::lf : LineEnd::crlf;
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
        const bool known = number != nullptr || name == "-o" || name == "--output" ||
                           name == "--ini" || name == "--mode" || name == "--look" ||
                           name == "--chars" || name == "--font" || name == "--format" ||
                           name == "--target" || name == "--encoding";
        if (!known) {
            error = "unknown option '" + name + "'";
            return ParseOutcome::usage;
        }
        if (!value) {
            if (i + 1 >= args.size()) {
                error = "option " + name + " needs a value";
                return ParseOutcome::usage;
            }
            value = args[++i];
        }

        if (number != nullptr) {
            long long n = 0;
            if (!number_parse(value->c_str(), n) || n < number->min || n > number->max) {
                error = name + " must be a whole number from " + std::to_string(number->min) +
                        " to " + std::to_string(number->max) + ", not '" + *value + "'";
                return ParseOutcome::usage;
            }
            opts.*(number->value) = static_cast<int32_t>(n);
        } else if (name == "--mode") {
            const int k = choice_of(*value, {"stretch", "original"});
            if (k < 0) {
                error = "--mode must be 'stretch' or 'original', not '" + *value + "'";
                return ParseOutcome::usage;
            }
            opts.mode = k + 1;
        } else if (name == "--look") {
            const int k = choice_of(*value, {"standard", "photo", "shape", "trace"});
            if (k < 0) {
                error = "--look must be 'standard', 'photo', 'shape' or 'trace', not '" + *value +
                        "'";
                return ParseOutcome::usage;
            }
            opts.look = static_cast<Look>(k);
        } else if (name == "--target") {
            const int k = choice_of(*value, {"terminal", "window", "board"});
            if (k < 0) {
                error = "--target must be 'terminal', 'window' or 'board', not '" + *value + "'";
                return ParseOutcome::usage;
            }
            opts.target = static_cast<Target>(k);
        } else if (name == "--encoding") {
            const int k = choice_of(*value, {"utf-8", "cp932"});
            if (k < 0) {
                error = "--encoding must be 'utf-8' or 'cp932', not '" + *value + "'";
                return ParseOutcome::usage;
            }
            opts.encoding = static_cast<TextEncoding>(k);
        } else if (name == "--chars") {
            std::string unknown;
            BoardSet board; // the board target's list is checked against its table later
            if (!look_chars_valid(*value) && !board_set_make(board, *value, unknown)) {
                error =
                    "--chars takes printable ASCII characters (space to '~') and full-width "
                    "symbols of code page 932 (0x8140 to 0x81AC), not '" + *value + "'";
                return ParseOutcome::usage;
            }
            opts.chars = *value;
        } else if (name == "--format") {
            const int k = choice_of(*value, {"text", "png", "html"});
            if (k < 0) {
                error = "--format must be 'text', 'png' or 'html', not '" + *value + "'";
                return ParseOutcome::usage;
            }
            opts.format = static_cast<OutputFormat>(k);
        } else if (name == "--font") {
#ifdef _WIN32
            error = "--font is not available in vkd.exe (fonts are measured with FreeType, "
                    "which the Windows build does not include); the built-in table is used";
            return ParseOutcome::usage;
#else
            opts.font = *value;
#endif
        } else if (name == "--ini") {
            opts.ini = *value;
        } else {
            opts.output = *value;
        }
    }
    return options_agree(opts, error) ? ParseOutcome::run : ParseOutcome::usage;
}
