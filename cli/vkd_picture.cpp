#include "cli/vkd_picture.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "core/document.h"
#include "core/file_save.h"
#include "core/language.h"
#include "core/load.h"
#include "core/surface.h"
#include "settings_file/ini.h"
#include "settings_file/profile.h"

#ifdef _WIN32
#include <windows.h>
#else
#include "cli/font_measure.h"
#endif

namespace {

// The window's message for a file it cannot create (openFailedText, core/load.h, for one it
// cannot open).
const char *const createFailedText = "ファイルの作成に失敗しました";

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
                                : reason_of(error));
    WindowRect rect{};
    ini_read_profile(plan.settings, plan.look, profile, rect);
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

// A file is saved the way the window saves text: the old file stays whole until the new one is
// complete.
std::string output_save(Language language, const std::string &path, const std::string &bytes) {
    int error = 0;
    if (file_save_whole(path.c_str(), bytes.data(), bytes.size(), &error))
        return "";
    std::string reason = reason_of(error);
    if (error == ENOENT)
        reason += ": the folder '" + file_save_folder(path.c_str()) + "' does not exist";
    return message_line(language, path, createFailedText, reason);
}

} // namespace

std::string picture_name(const std::string &input) {
    return input == "-" ? "standard input" : input;
}

std::string message_line(Language language, const std::string &name, const std::string &text,
                         const std::string &reason) {
    return "vkd: " + name + ": " + language_text(language, text.c_str()) +
           (reason.empty() ? "" : " (" + reason + ")") + "\n";
}

std::string reason_of(int error) {
    if (error == EISDIR)
        return std::string(std::strerror(error)) + ": a folder, not a file";
    if (error == ENODEV) // only a save on Windows gives this
        return std::string(std::strerror(error)) + ": the name of a device on Windows, not a file";
    return error != 0 ? std::strerror(error) : "";
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
    else if (!opts.ini && opts.height)
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
    if (opts.chars && lookSettings.look == Look::standard) {
        message = std::string("vkd: --chars needs --look photo or shape; the standard look "
                              "always uses its fifteen characters\n") +
                  usageShort;
        return exitUsage;
    }
#ifndef _WIN32
    // The table stays for the whole run: every picture reads it, none changes it.
    if (opts.font) {
        std::string reason;
        std::vector<GlyphInk> glyphs;
        if (!font_measure(opts.font->c_str(), glyphs, reason)) {
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
    if (plan.format != OutputFormat::text) {
        std::string reason;
        const char *file = opts.font ? opts.font->c_str() : nullptr;
        if (!velkorandite::image_font_find(file, settings.FaceName, settings.Height, plan.font,
                                           reason) &&
            (plan.format == OutputFormat::png || file != nullptr)) {
            message = message_line(plan.language, file != nullptr ? file : "font",
                                   "cannot draw with the font", reason);
            return exitRefused;
        }
    }
#ifdef _WIN32
    plan.lineEnd = opts.lineEnd.value_or(LineEnd::crlf);
#else
    plan.lineEnd = opts.lineEnd.value_or(LineEnd::lf);
#endif
    velkorandite::Options &options = plan.options;
    options.mode = settings.Mode;
    options.width = settings.Mojisu;
    options.ratio = settings.Hiritu;
    options.brightness = settings.Meido;
    options.look = lookSettings.look == Look::photo   ? velkorandite::Look::photo
                   : lookSettings.look == Look::shape ? velkorandite::Look::shape
                                                      : velkorandite::Look::standard;
    options.dither = lookSettings.dither;
    options.chars = lookSettings.chars;
    options.invert = opts.invert;
    options.maxLines = opts.height.value_or(0);
    options.colors = opts.color;
    screen_size(options.screenWidth, options.screenHeight);
    options.language = plan.language == Language::japanese ? velkorandite::Language::japanese
                                                           : velkorandite::Language::english;
    options.glyphs = plan.glyphs.empty() ? nullptr : plan.glyphs.data();
    plan.color = opts.color;
    plan.height = opts.height;
    plan.output = opts.output;
    plan.outputFolder = opts.outputFolder;
    plan.terminalColumns = terminalColumns;
    return 0;
}

void picture_convert(velkorandite::Converter &converter, const PicturePlan &plan,
                     const std::string &input, PictureResult &result) {
    using velkorandite::Status;
    const Language language = plan.language;
    const std::string name = picture_name(input);
    const velkorandite::Text t = velkorandite::convert_file(converter, input.c_str(), plan.options);
    switch (t.status) {
    case Status::openFailed:
        result.refused = true;
        result.messages += message_line(language, name, t.message, reason_of(t.systemError));
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
        result.messages +=
            message_line(language, name, "サイズを修正しました。",
                         "width lowered to " + std::to_string(t.width) + " characters per line");
    if (t.status == Status::cannotFit) {
        result.refused = true;
        result.messages += message_line(language, name, t.message);
        return;
    }
    if (plan.height && t.lines > *plan.height)
        result.messages += message_line(language, name,
                                        std::to_string(t.lines) + " lines, more than --height " +
                                            std::to_string(*plan.height) + " allows",
                                        plan.options.mode == 1
                                            ? "the narrowest width, " + std::to_string(t.width) +
                                                  " characters per line, is used"
                                            : "original mode keeps the picture's own size");
    if (t.status == Status::tooLarge) {
        result.refused = true;
        result.messages += message_line(language, name, t.message);
        return;
    }
    // As in the window, an empty text is a result, not a failure; but say why it is empty.
    if (t.text.empty())
        result.messages +=
            message_line(language, name,
                         "no lines at a vertical ratio of " + std::to_string(plan.options.ratio) +
                             " %; the text picture is empty");

    std::string bytes;
    if (plan.format == OutputFormat::png) {
        std::string reason;
        if (!velkorandite::text_png(t, plan.font, bytes, reason)) {
            result.refused = true;
            result.messages += message_line(language, name, "cannot draw the image",
                                            language_text(language, reason.c_str()));
            return;
        }
    } else if (plan.format == OutputFormat::html) {
        const std::string title = input == "-" ? name : name.substr(path_folder_part(name));
        bytes = velkorandite::text_html(t, title, plan.font.family);
    } else {
        bytes = plan.color ? velkorandite::text_ansi(t) : t.text;
        if (plan.lineEnd == LineEnd::lf)
            bytes = text_line_ends_lf(bytes);
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
