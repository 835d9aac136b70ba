#include "cli/vkd_picture.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <vector>

#include "core/convert.h"
#include "core/cp932.h"
#include "core/document.h"
#include "core/file_read.h"
#include "core/file_save.h"
#include "core/geometry.h"
#include "core/language.h"
#include "core/load.h"
#include "core/surface.h"
#include "core/text_color.h"
#include "core/text_html.h"
#include "core/utf8.h"
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
std::string ini_apply(const std::string &path) {
    Profile profile;
    int error = 0;
    if (profile_open(path.c_str(), profile, &error) != ProfileLoad::loaded)
        return message_line(path, "cannot read the settings file",
                            error == EFBIG
                                ? "larger than " + std::to_string(profileSizeLimit >> 20) +
                                      " MiB; no settings file is that large"
                                : reason_of(error));
    WindowRect rect{};
    ini_read_profile(profile, rect);
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

// A file is saved the way the window saves text: the old file stays whole until the new one is
// complete.
std::string output_save(const std::string &path, const std::string &bytes) {
    int error = 0;
    if (file_save_whole(path.c_str(), bytes.data(), bytes.size(), &error))
        return "";
    std::string reason = reason_of(error);
    if (error == ENOENT)
        reason += ": the folder '" + file_save_folder(path.c_str()) + "' does not exist";
    return message_line(path, createFailedText, reason);
}

// --height: the widest width from Mojisu down to 20 whose text has at most that many lines and
// fits the canvas. When none does, 20: the fewest lines there are (the fit may still lower it).
void width_for_height(int32_t height) {
    for (int32_t width = settings.Mojisu; width >= mojisuMin; --width) {
        settings.Mojisu = width;
        if (map_geometry_compute() && mapRows <= height)
            return;
    }
    settings.Mojisu = mojisuMin;
}

// The picture from a file or standard input, then the rest of the window's Open: raise the
// width to the minimum, fit, and tell about a lowered width. Files and streams (standard input,
// a FIFO, a device) alike go through the window's own loader, header first. False when refused.
bool picture_open(const PicturePlan &plan, FileSource &source, const std::string &name,
                  PictureResult &result) {
    int32_t screenWidth = 0, screenHeight = 0;
    screen_size(screenWidth, screenHeight);
    const LoadResult load = bitmap_load_source(source, screenWidth, screenHeight);
    if (load.outcome == LoadOutcome::openFailed) {
        result.messages += message_line(name, load.message.text, reason_of(source.error));
        return false;
    }
    if (load.outcome != LoadOutcome::loaded) {
        result.messages +=
            message_line(name, source.taken == 0 ? "no data" : load.message.text.c_str());
        return false;
    }

    mojisu_raise_to_min();
    imageLoaded = true;
    hasFileName = false;
    if (plan.height && settings.Mode == 1)
        width_for_height(*plan.height);
    switch (map_geometry_fit()) {
    case FitResult::fitted:
        break;
    case FitResult::lowered:
        result.messages += message_line(name, "サイズを修正しました。",
                                        "width lowered to " + std::to_string(settings.Mojisu) +
                                            " characters per line");
        break;
    case FitResult::cannotFit:
        result.messages += message_line(name, map_geometry_cannot_fit_message());
        return false;
    }
    if (plan.height && mapRows > *plan.height)
        result.messages += message_line(
            name,
            std::to_string(mapRows) + " lines, more than --height " + std::to_string(*plan.height) +
                " allows",
            settings.Mode == 1 ? "the narrowest width, " + std::to_string(settings.Mojisu) +
                                     " characters per line, is used"
                               : "original mode keeps the picture's own size");
    return true;
}

} // namespace

std::string picture_name(const std::string &input) {
    return input == "-" ? "standard input" : input;
}

std::string message_line(const std::string &name, const std::string &text,
                         const std::string &reason) {
    return "vkd: " + name + ": " + language_text(text.c_str()) +
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
    settings_defaults();
    if (opts.ini) {
        message = ini_apply(*opts.ini);
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
    if (opts.target)
        lookSettings.target = *opts.target;
    if (opts.chars && lookSettings.look == Look::standard) {
        message = std::string("vkd: --chars needs --look photo or shape; the standard look "
                              "always uses its fifteen characters\n") +
                  usageShort;
        return exitUsage;
    }
#ifndef _WIN32
    // The table stays for the whole run: every picture reads it, none changes it.
    static std::vector<GlyphInk> glyphs;
    if (opts.font) {
        std::string reason;
        if (!font_measure(opts.font->c_str(), lookSettings.target, glyphs, reason)) {
            message = message_line(*opts.font, "cannot measure the font", reason);
            return exitRefused;
        }
        lookSettings.glyphs = glyphs.data();
    }
#endif
    // The window would draw nothing and convert an empty picture for any other Mode, which
    // here would look like success.
    if (settings.Mode != 1 && settings.Mode != 2) {
        message = message_line(opts.ini ? *opts.ini : "settings",
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
        if (!text_image_font_find(file, plan.font, reason) &&
            (plan.format == OutputFormat::png || file != nullptr)) {
            message =
                message_line(file != nullptr ? file : "font", "cannot draw with the font", reason);
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
    plan.settings = settings;
    plan.look = lookSettings;
    plan.color = opts.color;
    plan.invert = opts.invert;
    plan.height = opts.height;
    plan.output = opts.output;
    plan.outputFolder = opts.outputFolder;
    plan.terminalColumns = terminalColumns;
    return 0;
}

void picture_convert(const PicturePlan &plan, const std::string &input, PictureResult &result) {
    settings = plan.settings;
    lookSettings = plan.look;
    const bool fromStdin = input == "-";
    const std::string name = picture_name(input);
    FileSource source = fromStdin ? file_source_stdin() : FileSource{};
    if (!fromStdin && !file_source_open(input.c_str(), source)) {
        result.refused = true;
        result.messages += message_line(name, openFailedText, reason_of(source.error));
        return;
    }
    surfaces_create();
    const bool opened = picture_open(plan, source, name, result);
    file_source_close(source);
    if (!opened) {
        result.refused = true;
        return;
    }

    // Convert: redraw the previews, then read the squeezed one.
    map_geometry_update();
    // Read before the conversion paints its greys over the squeezed preview.
    const CellColors colors = plan.color ? text_cell_colors() : CellColors{};
    std::string text;
    // The photo and shape looks invert the tone before choosing; the standard look mirrors its
    // ramp afterwards, as it always did.
    const bool invertTone = plan.invert && lookSettings.look != Look::standard;
    if (text_convert_look(text, lookSettings, invertTone) == ConvertOutcome::tooLarge) {
        result.refused = true;
        result.messages += message_line(name, text_convert_too_large_message());
        return;
    }
    // As in the window, an empty text is a result, not a failure; but say why it is empty.
    if (text.empty())
        result.messages += message_line(name, "no lines at a vertical ratio of " +
                                                  std::to_string(settings.Hiritu) +
                                                  " %; the text picture is empty");
    if (plan.invert && !invertTone)
        text_invert(text);

    // The text is UTF-8; the image, the page and the colours read it as the window saves it,
    // in code page 932, and so does a text in that code.
    std::string cp932 = text;
    const std::string missing = text_cp932(cp932);
    if (!missing.empty() && (plan.format != OutputFormat::text || plan.color ||
                             plan.encoding == TextEncoding::cp932)) {
        result.refused = true;
        result.messages +=
            message_line(name, "code page 932 has no " + missing,
                         plan.format == OutputFormat::text ? "--encoding utf-8 writes it" : "");
        return;
    }
    std::string bytes;
    if (plan.format == OutputFormat::png) {
        std::string reason;
        if (!text_image_png(cp932, plan.font, bytes, reason)) {
            result.refused = true;
            result.messages +=
                message_line(name, "cannot draw the image", language_text(reason.c_str()));
            return;
        }
    } else if (plan.format == OutputFormat::html) {
        const std::string title = fromStdin ? name : name.substr(path_folder_part(name));
        bytes = text_html(cp932, title, plan.font.family, plan.color ? &colors : nullptr);
    } else {
        const bool inCp932 = plan.encoding == TextEncoding::cp932;
        if (plan.color)
            bytes = inCp932 ? text_ansi_color(cp932, colors)
                            : cp932_to_utf8(text_ansi_color(cp932, colors));
        else
            bytes = inCp932 ? cp932 : text;
        if (plan.lineEnd == LineEnd::lf)
            bytes = text_line_ends_lf(bytes);
    }

    if (!plan.output) {
        result.out = std::move(bytes);
        return;
    }
    const std::string path =
        plan.outputFolder ? output_path_in_folder(*plan.output, input, plan.format) : *plan.output;
    const std::string error = output_save(path, bytes);
    if (!error.empty()) {
        result.refused = true;
        result.messages += error;
    }
}
