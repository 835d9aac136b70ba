#include "cli/vkd_picture.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>
#include <new>
#include <utility>
#include <vector>

#include "core/common/cp932.h"
#include "core/conversion/board.h"
#include "core/output/text_html.h"
#include "core/common/document.h"
#include "core/files/file_save.h"
#include "core/common/language.h"
#include "core/reading/load.h"
#include "core/conversion/surface.h"
#include "cli/vkd_budget.h"
#include "cli/vkd_names.h"
#include "core/common/utf8.h"
#include "settings_file/ini.h"
#include "settings_file/profile.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <locale.h>
#include <string.h>
#include "cli/font_measure.h"
#endif

namespace {

// The window's message for a file it cannot create (openFailedText, core/reading/load.h, for one it
// cannot open).
const char *const createFailedText = "ファイルの作成に失敗しました";

#ifdef _WIN32
// The errno values a file's refusal carries, as the system's own errors (whose words it has in
// every language it is installed in); 0 for the rest.
DWORD system_error_of(int error) {
    switch (error) {
    case ENOENT:
        return ERROR_FILE_NOT_FOUND;
    case EACCES:
        return ERROR_ACCESS_DENIED;
    case EBUSY:
        return ERROR_SHARING_VIOLATION;
    case ENOSPC:
        return ERROR_DISK_FULL;
    case ENAMETOOLONG:
        return ERROR_FILENAME_EXCED_RANGE;
    case EROFS:
        return ERROR_WRITE_PROTECT;
    default:
        return 0;
    }
}
#endif

// The system's words for error in the language vkd speaks, where the system has them; else the
// C library's English. Linux: the locale's messages (glibc's translations, from libc-l10n),
// while the program itself stays in the "C" locale. Windows: the system's message in Japanese
// when vkd speaks Japanese.
std::string system_words(Language language, int error) {
#ifdef _WIN32
    const DWORD code = system_error_of(error);
    wchar_t *words = nullptr;
    if (language == Language::japanese && code != 0 &&
        FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS |
                           FORMAT_MESSAGE_ALLOCATE_BUFFER,
                       nullptr, code, MAKELANGID(LANG_JAPANESE, SUBLANG_JAPANESE_JAPAN),
                       reinterpret_cast<wchar_t *>(&words), 0, nullptr) > 0) {
        std::wstring text = words;
        LocalFree(words);
        while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' ||
                                 text.back() == L' ' || text.back() == L'\u3002'))
            text.pop_back();
        const int n = WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), nullptr,
                                          0, nullptr, nullptr);
        std::string utf8(size_t(n), '\0');
        WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), &utf8[0], n, nullptr,
                            nullptr);
        return utf8;
    }
    return std::strerror(error);
#else
    (void)language; // the locale's own language
    static const locale_t users = newlocale(LC_ALL_MASK, "", locale_t(0));
    return users != locale_t(0) ? strerror_l(error, users) : std::strerror(error);
#endif
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

// Settings from a settings file, the way the window reads its own at start-up. The window keeps
// the defaults for a file it cannot read without a word; a file named on the command line that
// cannot be read is a mistake worth reporting.
std::string ini_apply(PicturePlan &plan, const std::string &path) {
    Profile profile;
    int error = 0;
    if (profile_open(path.c_str(), profile, &error) != ProfileLoad::loaded)
        return message_line(plan.language, path, "cannot read the settings file",
                            error == EFBIG
                                ? "larger than " + std::to_string(profileSizeLimit >> 20) +
                                      " MiB; no settings file is that large"
                                : reason_of(plan.language, error));
    WindowRect rect{};
    ini_read_profile(plan.settings, plan.look, profile, rect);
    return "";
}

// The text in code page 932, as the window saves it. A character without a code is never
// replaced by a look-alike: the text stays and the character is named ("'█' (U+2588)").
std::string text_cp932(std::string &text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0, length = 0; i < text.size(); i += length) {
        const uint32_t code = utf8_decode(text, i, length);
        char bytes[2];
        const int n = cp932_encode(code, bytes);
        if (n == 0) {
            char hex[16];
            std::snprintf(hex, sizeof hex, "U+%04X", unsigned(code));
            return "'" + text.substr(i, length) + "' (" + hex + ")";
        }
        out.append(bytes, size_t(n));
    }
    text = std::move(out);
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

// The window's message for a file it cannot create, and why; folder is where it would be.
std::string output_refusal(Language language, const std::string &path, const std::string &folder,
                           int error) {
    std::string reason = reason_of(language, error);
    if (error == ENOENT)
        reason += ": the folder '" + terminal_shown(folder) + "' does not exist";
    return message_line(language, path, createFailedText, reason);
}

// A file is saved the way the window saves text: the old file stays whole until the new one is
// complete.
std::string output_save(Language language, const std::string &path, const std::string &bytes) {
    int error = 0;
    if (file_save_whole(path.c_str(), bytes.data(), bytes.size(), &error))
        return "";
    return output_refusal(language, path, file_save_folder(path.c_str()), error);
}

} // namespace

std::string picture_name(const std::string &input) {
    return input == "-" ? "standard input" : input;
}

std::string message_line(Language language, const std::string &name, const std::string &text,
                         const std::string &reason) {
    return "vkd: " + terminal_shown(name) + ": " + language_text(language, text.c_str()) +
           (reason.empty() ? "" : " (" + reason + ")") + "\n";
}

std::string reason_of(Language language, int error) {
    if (error == EISDIR)
        return system_words(language, error) + ": a folder, not a file";
    if (error == ENODEV) // only a save on Windows gives this
        return system_words(language, error) + ": the name of a device on Windows, not a file";
    return error != 0 ? system_words(language, error) : "";
}

int picture_plan_make(const CliOptions &opts, int terminalColumns, PicturePlan &plan,
                      std::string &message) {
    Settings &settings = plan.settings;
    LookSettings &lookSettings = plan.look;
    settings_defaults(settings);
    if (opts.ini) {
        message = ini_apply(plan, *opts.ini);
        if (!message.empty())
            return exitRefused;
    }
    if (opts.width)
        settings.Mojisu = *opts.width;
    else if (!opts.ini && terminalColumns > 0)
        settings.Mojisu = std::clamp(terminalColumns, mojisuMin, mojisuMax);
    else if (!opts.ini && (opts.height || opts.maxBytes))
        settings.Mojisu = mojisuMax;
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
    if (opts.chars)
        lookSettings.chars = *opts.chars;
    if (opts.target)
        lookSettings.target = *opts.target;
    if (opts.chars && lookSettings.look == Look::standard) {
        message = std::string("vkd: --chars needs --look photo, shape or trace; the standard look "
                              "always uses its fifteen characters\n") +
                  usageShort;
        return exitUsage;
    }
    const bool board = lookSettings.target == Target::board;
    if (board && lookSettings.look == Look::standard) {
        message = std::string("vkd: --target board needs --look photo, shape or trace; the "
                              "standard look keeps a fixed font's columns\n") +
                  usageShort;
        return exitUsage;
    }
    std::string unknown;
    BoardSet boardSet;
    if (opts.chars && (board ? !board_set_make(boardSet, *opts.chars, unknown)
                             : !look_chars_valid(*opts.chars))) {
        message = board ? "vkd: the board target has no '" + unknown + "' for --chars\n"
                        : "vkd: --chars takes printable ASCII characters (space to '~') and "
                          "full-width symbols of code page 932 (0x8140 to 0x81AC) outside the "
                          "board target\n";
        message += usageShort;
        return exitUsage;
    }
#ifndef _WIN32
    // The table stays for the whole run: every picture reads it, none changes it. The board
    // target measures its own table; --font there is the image's font.
    if (opts.font && !board) {
        std::string reason;
        std::vector<GlyphInk> glyphs;
        if (!font_measure(opts.font->c_str(), lookSettings.target, glyphs, reason)) {
            message = message_line(plan.language, *opts.font, "cannot measure the font", reason);
            return exitRefused;
        }
        plan.glyphs.resize(glyphs.size());
        static_assert(sizeof(velkorandite::Glyph) == sizeof(GlyphInk), "the same 18 bytes");
        std::memcpy(plan.glyphs.data(), glyphs.data(), glyphs.size() * sizeof(GlyphInk));
    }
#endif
    // The window would draw nothing and convert an empty picture for any other Mode, which
    // here would look like success.
    if (settings.Mode != 1 && settings.Mode != 2) {
        message = message_line(plan.language, opts.ini ? *opts.ini : "settings",
                               "Mode " + std::to_string(settings.Mode) +
                                   " is neither 1 (stretch) nor 2 (original)");
        return exitRefused;
    }
    plan.format = *opts.format;
    // The font before the pictures: a mistake in it costs no conversion. A page only names
    // its font, so it does without one when none is installed.
#ifdef _WIN32
    // vkd.exe takes no font file for any target: asked for the editor's font, it refuses one
    // here, before the pictures; the board's own is found as the text is drawn.
    const bool boardFont = false;
#else
    const bool boardFont = board; // the board font is found as the text is drawn
#endif
    if (plan.format != OutputFormat::text && !boardFont) {
        std::string reason;
        const char *file = opts.font ? opts.font->c_str() : nullptr;
        if (!velkorandite::image_font_find(file, settings.FaceName, settings.Height, plan.font,
                                           reason) &&
            (plan.format == OutputFormat::png || file != nullptr)) {
            message =
                message_line(plan.language, file != nullptr ? file : "font",
                             "cannot draw with the font", reason);
            return exitRefused;
        }
    }
#ifdef _WIN32
    plan.lineEnd = opts.lineEnd.value_or(LineEnd::crlf);
    plan.encoding = opts.encoding.value_or(TextEncoding::cp932);
#else
    plan.lineEnd = opts.lineEnd.value_or(LineEnd::lf);
    plan.encoding = opts.encoding.value_or(TextEncoding::utf8);
#endif
    velkorandite::Options &options = plan.options;
    options.mode = settings.Mode;
    options.width = settings.Mojisu;
    options.ratio = settings.Hiritu;
    options.brightness = settings.Meido;
    options.look = lookSettings.look == Look::photo   ? velkorandite::Look::photo
                   : lookSettings.look == Look::shape ? velkorandite::Look::shape
                   : lookSettings.look == Look::trace ? velkorandite::Look::trace
                                                      : velkorandite::Look::standard;
    options.dither = lookSettings.dither;
    options.chars = lookSettings.chars;
    options.target = lookSettings.target == Target::window  ? velkorandite::Target::window
                     : lookSettings.target == Target::board ? velkorandite::Target::board
                                                            : velkorandite::Target::terminal;
    options.fullWidth = lookSettings.charSet == 1;
    options.invert = opts.invert;
    options.maxLines = opts.height.value_or(0);
    options.colors = opts.color;
    screen_size(options.screenWidth, options.screenHeight);
    options.language =
        plan.language == Language::japanese ? velkorandite::Language::japanese
                                            : velkorandite::Language::english;
    options.glyphs = plan.glyphs.empty() ? nullptr : plan.glyphs.data();
    plan.fontFile = opts.font;
    plan.color = opts.color;
    plan.height = opts.height;
    plan.maxBytes = opts.maxBytes;
    plan.output = opts.output;
    plan.outputFolder = opts.outputFolder;
    plan.terminalColumns = terminalColumns;
    return 0;
}

namespace {

// The bytes vkd writes for a text: its colours, its line ends. What --max-bytes counts, so an
// output encoding belongs here too.
// The text is UTF-8; the colours read it as the window saves it, in code page 932, and so does a
// text in that code. Empty, with the character code page 932 has no code for in missing, when
// the encoding or the colours need one.
std::string text_output(const PicturePlan &plan, const velkorandite::Text &t,
                        std::string &missing) {
    missing.clear();
    std::string bytes = t.text;
    if (plan.color || plan.encoding == TextEncoding::cp932) {
        velkorandite::Text cp932 = t;
        missing = text_cp932(cp932.text);
        if (!missing.empty())
            return "";
        bytes = plan.color ? velkorandite::text_ansi(cp932) : cp932.text;
        if (plan.encoding == TextEncoding::utf8)
            bytes = cp932_to_utf8(bytes);
    }
    if (plan.lineEnd == LineEnd::lf)
        bytes = text_line_ends_lf(bytes);
    return bytes;
}

// --max-bytes: the widest width, from the one the picture opened with (the width asked for,
// --height's, the canvas's fit) down to 20 (or that width when it is lower, or the picture's
// own in original mode), whose text fits; t becomes that text, converted again from the picture
// the converter holds. False, with the refusal in result's messages, when not even the
// narrowest does.
bool width_for_budget(velkorandite::Converter &converter, const PicturePlan &plan,
                      const std::string &name, velkorandite::Text &t, PictureResult &result) {
    const int32_t widest = t.width;
    const int32_t narrowest = plan.options.mode == 1 ? std::min(widest, mojisuMin) : widest;
    velkorandite::Options options = plan.options;
    options.maxLines = 0; // the widths tried are the budget's, at or below --height's
    const BudgetChoice choice =
        budget_width_search(narrowest, widest, *plan.maxBytes, [&](int32_t width) -> int64_t {
            options.width = width;
            const velkorandite::Text tried = velkorandite::convert_again(converter, options);
            std::string missing;
            const std::string bytes = tried.status == velkorandite::Status::converted
                                          ? text_output(plan, tried, missing)
                                          : std::string();
            if (bytes.empty())
                return -1;
            return static_cast<int64_t>(bytes.size());
        });
    if (!choice.fits && choice.bytes >= 0) {
        result.messages += message_line(
            plan.language, name,
            std::to_string(choice.bytes) + " bytes at " + std::to_string(choice.width) +
                " characters per line, more than --max-bytes " + std::to_string(*plan.maxBytes) +
                " allows; nothing is written");
        return false;
    }
    options.width = choice.width;
    t = velkorandite::convert_again(converter, options);
    return true;
}

void picture_convert_here(velkorandite::Converter &converter, const PicturePlan &plan,
                          const std::string &input, PictureResult &result) {
    using velkorandite::Status;
    const Language language = plan.language;
    const std::string name = picture_name(input);
    velkorandite::Text t = velkorandite::convert_file(converter, input.c_str(), plan.options);
    switch (t.status) {
    case Status::openFailed:
        result.refused = true;
        result.messages += message_line(language, name, t.message, reason_of(language, t.systemError));
        return;
    case Status::refused:
        result.refused = true;
        result.messages += message_line(language, name, t.message);
        return;
    case Status::failed:
        result.refused = true;
        result.messages += message_line(language, name, "not converted: " + t.message);
        return;
    default:
        break;
    }
    if (t.widthLowered)
        result.messages += message_line(language, name, "サイズを修正しました。",
                                        "width lowered to " + std::to_string(t.width) +
                                            " characters per line");
    if (t.status == Status::cannotFit) {
        result.refused = true;
        result.messages += message_line(language, name, t.message);
        return;
    }
    if (plan.height && t.lines > *plan.height)
        result.messages += message_line(
            language, name,
            std::to_string(t.lines) + " lines, more than --height " + std::to_string(*plan.height) +
                " allows",
            plan.options.mode == 1 ? "the narrowest width, " + std::to_string(t.width) +
                                         " characters per line, is used"
                                   : "original mode keeps the picture's own size");
    if (plan.maxBytes && (t.status == Status::converted || t.status == Status::tooLarge) &&
        !width_for_budget(converter, plan, name, t, result)) {
        result.refused = true;
        return;
    }
    if (t.status == Status::tooLarge) {
        result.refused = true;
        result.messages += message_line(language, name, t.message);
        return;
    }
    // The window shows an empty text as a result; a file left empty, or nothing on standard
    // output, with exit 0 would pass for a conversion, so here it is a refusal.
    // (A width of 0 gives no lines either: a text is empty or has characters.)
    if (t.text.empty()) {
        result.refused = true;
        result.messages += message_line(
            language, name,
            t.width > 0 ? "no lines at a vertical ratio of " + std::to_string(plan.options.ratio) +
                              " %; nothing is written"
                        : "no characters per line; nothing is written");
        return;
    }

    // The text is UTF-8; the image and the page read it as the window saves it, in code page 932.
    velkorandite::Text t932 = t;
    if (plan.format != OutputFormat::text) {
        const std::string missing = text_cp932(t932.text);
        if (!missing.empty()) {
            result.refused = true;
            result.messages += message_line(language, name, "code page 932 has no " + missing);
            return;
        }
    }
    std::string bytes;
    if (plan.format == OutputFormat::png) {
        std::string reason;
        // The board text proportionally in the board font (from UTF-8, checked for code page 932
        // above).
        const bool drawn =
            plan.options.target == velkorandite::Target::board
                ? velkorandite::text_png_board(t, plan.fontFile ? plan.fontFile->c_str() : nullptr,
                                               bytes, reason)
                : velkorandite::text_png(t932, plan.font, bytes, reason);
        if (!drawn) {
            result.refused = true;
            result.messages += message_line(language, name, "cannot draw the image",
                                            language_text(language, reason.c_str()));
            return;
        }
    } else if (plan.format == OutputFormat::html) {
        const std::string title = input == "-" ? name : name.substr(path_folder_part(name));
        bytes = plan.options.target == velkorandite::Target::board
                    ? velkorandite::text_html_board(t, title)
                    : velkorandite::text_html(t932, title, plan.font.family);
    } else {
        std::string missing;
        bytes = text_output(plan, t, missing);
        if (!missing.empty()) {
            result.refused = true;
            result.messages += message_line(language, name, "code page 932 has no " + missing,
                                            "--encoding utf-8 writes it");
            return;
        }
    }

    if (!plan.output) {
        result.out = std::move(bytes);
        return;
    }
    const std::string path =
        plan.outputFolder ? output_path_in_folder(*plan.output, input, plan.format) : *plan.output;
    const std::string error = output_save(language, path, bytes);
    if (!error.empty()) {
        result.refused = true;
        result.messages += error;
    }
}

} // namespace

void picture_convert(velkorandite::Converter &converter, const PicturePlan &plan,
                     const std::string &input, PictureResult &result) {
    try {
        picture_convert_here(converter, plan, input, result);
    } catch (const std::bad_alloc &) {
        result = PictureResult{true, "", message_line(plan.language, picture_name(input),
                                                      "not enough memory")};
    }
}

int picture_outputs_check(const PicturePlan &plan, const std::vector<std::string> &inputs,
                          std::string &message) {
    if (!plan.output)
        return 0;
    if (plan.outputFolder) {
        const FileIdentity folder = file_identity(*plan.output);
        if (!folder.exists || !folder.folder) {
            message = output_refusal(plan.language, *plan.output,
                                     plan.output->substr(0, plan.output->size() - 1),
                                     folder.exists ? ENOTDIR : ENOENT);
            return exitRefused;
        }
    }
    std::map<std::pair<unsigned long long, unsigned long long>, size_t> pictures;
    for (size_t i = 0; i < inputs.size(); ++i) {
        const FileIdentity id = inputs[i] == "-" ? stdin_identity() : file_identity(inputs[i]);
        if (id.exists)
            pictures.emplace(std::make_pair(id.volume, id.index), i);
    }
    // One file, or one in the folder for each picture.
    for (size_t i = 0; i < (plan.outputFolder ? inputs.size() : 1); ++i) {
        const std::string path = plan.outputFolder
                                     ? output_path_in_folder(*plan.output, inputs[i], plan.format)
                                     : *plan.output;
        const FileIdentity id = file_identity(path);
        const auto same = pictures.find(std::make_pair(id.volume, id.index));
        if (!id.exists || same == pictures.end())
            continue;
        message = message_line(plan.language, path,
                               "the same file as the picture '" +
                                   terminal_shown(picture_name(inputs[same->second])) +
                                   "'; it is not written over");
        return exitUsage;
    }
    return 0;
}
