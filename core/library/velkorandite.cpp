#include "core/library/velkorandite.h"

#include <cstring>
#include <memory>
#include <new>
#include <stdexcept>

#include "core/library/batch.h"
#include "core/conversion/conversion.h"
#include "core/conversion/convert.h"
#include "core/files/file_read.h"
#include "core/conversion/geometry.h"
#include "core/reading/load.h"
#include "core/output/text_color.h"
#include "core/output/text_html.h"
#include "core/output/text_image.h"

namespace velkorandite {

struct Converter {
    std::unique_ptr<Conversion> conversion = std::make_unique<Conversion>();
};

static_assert(sizeof(Glyph) == sizeof(GlyphInk) && glyphCount == ::glyphCount,
              "a Glyph is the core's GlyphInk");

namespace {

::Language language_of(Language language) {
    return language == Language::japanese ? ::Language::japanese : ::Language::english;
}

// The options into the conversion, as the window's settings and look would be.
void options_apply(Conversion &c, const Options &options) {
    settings_defaults(c.settings);
    c.settings.Mode = options.mode;
    c.settings.Mojisu = options.width;
    c.settings.Hiritu = options.ratio;
    c.settings.Meido = options.brightness;
    c.lookSettings = LookSettings{options.look == Look::photo   ? ::Look::photo
                                  : options.look == Look::shape ? ::Look::shape
                                  : options.look == Look::trace ? ::Look::trace
                                                                : ::Look::standard,
                                  options.dither,
                                  options.chars,
                                  options.target == Target::window  ? ::Target::window
                                  : options.target == Target::board ? ::Target::board
                                                                    : ::Target::terminal,
                                  reinterpret_cast<const GlyphInk *>(options.glyphs),
                                  options.fullWidth ? 1 : 0};
    c.language = language_of(options.language);
}

// The widest width from Mojisu down to 20 whose text has at most that many lines (a board's
// lines, in the board target) and fits the canvas. When none does, 20: the fewest lines there
// are (the fit may still lower it).
void width_for_lines(Conversion &c, int32_t lines) {
    for (int32_t width = c.settings.Mojisu; width >= mojisuMin; --width) {
        c.settings.Mojisu = width;
        if (map_geometry_compute(c) && text_line_count(c, c.lookSettings) <= lines)
            return;
    }
    c.settings.Mojisu = mojisuMin;
}

// The rest of the window's Open after loading (the width raised to the minimum, the fit), then
// its Convert: redraw the previews, read the colours before the greys paint over them, convert.
void picture_convert(Conversion &c, const Options &options, Text &out) {
    mojisu_raise_to_min(c.settings);
    if (options.maxLines > 0 && c.settings.Mode == 1)
        width_for_lines(c, options.maxLines);
    const FitResult fit = map_geometry_fit(c);
    out.widthLowered = fit == FitResult::lowered;
    if (fit == FitResult::cannotFit) {
        out.status = Status::cannotFit;
        out.message = language_text(c.language, map_geometry_cannot_fit_message());
        return;
    }
    out.width = c.mapCols;
    out.lines = text_line_count(c, c.lookSettings);
    map_geometry_update(c);
    CellColors colors;
    if (options.colors)
        colors = text_cell_colors(c);
    // The photo and shape looks invert the tone before choosing; the standard look mirrors its
    // ramp afterwards, as it always did.
    const bool invertTone = options.invert && c.lookSettings.look != ::Look::standard;
    if (text_convert_look(c, out.text, c.lookSettings, invertTone) == ConvertOutcome::tooLarge) {
        out.status = Status::tooLarge;
        out.message = language_text(c.language, text_convert_too_large_message());
        return;
    }
    if (options.invert && !invertTone)
        text_invert(out.text);
    for (const Rgb &cell : colors.cells)
        out.colors.push_back(Color{cell.r, cell.g, cell.b});
    out.status = Status::converted;
}

Text load_outcome(const Conversion &c, const LoadResult &load, const FileSource *source) {
    Text out;
    out.message = language_text(c.language, load.message.text.c_str());
    if (load.outcome == LoadOutcome::openFailed) {
        out.status = Status::openFailed;
        out.systemError = source != nullptr ? source->error : 0;
    } else {
        out.status = Status::refused;
        if (source != nullptr && source->taken == 0)
            out.message = "no data";
    }
    return out;
}

// Anything thrown on the way is a failure of this picture alone; the converter starts afresh.
std::string error_text(std::exception_ptr error) {
    if (!error)
        return "";
    try {
        std::rethrow_exception(error);
    } catch (const std::bad_alloc &) {
        return "out of memory";
    } catch (const std::exception &e) {
        return e.what();
    } catch (...) {
    }
    return "an unexpected error";
}

Text failed(const std::string &why) {
    Text out;
    out.status = Status::failed;
    out.message = why;
    return out;
}

template <class Work>
Text guarded(Converter &converter, Work &&work) {
    if (converter.conversion == nullptr) // lost to an earlier failure without memory
        converter.conversion.reset(new (std::nothrow) Conversion);
    if (converter.conversion == nullptr)
        return failed("out of memory");
    try {
        return work(*converter.conversion);
    } catch (...) {
        converter.conversion.reset(new (std::nothrow) Conversion);
        return failed(error_text(std::current_exception()));
    }
}

CellColors colors_of(const Text &text) {
    CellColors colors;
    if (text.colors.empty())
        return colors;
    // The grid the colours were read from: a board text's lines are not its rows.
    colors.cols = text.width;
    colors.rows =
        text.width > 0 ? static_cast<int32_t>(text.colors.size() / size_t(text.width)) : 0;
    for (const Color &c : text.colors)
        colors.cells.push_back(Rgb{c.r, c.g, c.b});
    return colors;
}

} // namespace

Converter *converter_new() {
    try {
        return new Converter;
    } catch (const std::bad_alloc &) {
        return nullptr;
    }
}

void converter_free(Converter *converter) {
    delete converter;
}

Text convert_file(Converter &converter, const char *path, const Options &options) {
    return guarded(converter, [&](Conversion &c) {
        options_apply(c, options);
        const bool fromStdin = std::strcmp(path, "-") == 0;
        FileSource source = fromStdin ? file_source_stdin() : FileSource{};
        if (!fromStdin && !file_source_open(path, source)) {
            Text out;
            out.status = Status::openFailed;
            out.message = language_text(c.language, openFailedText);
            out.systemError = source.error;
            return out;
        }
        surfaces_create(c);
        const LoadResult load =
            bitmap_load_source(c, source, options.screenWidth, options.screenHeight);
        file_source_close(source);
        Text out = load_outcome(c, load, &source);
        if (load.outcome == LoadOutcome::loaded)
            picture_convert(c, options, out);
        return out;
    });
}

Text convert_memory(Converter &converter, const uint8_t *data, size_t size,
                    const Options &options) {
    return guarded(converter, [&](Conversion &c) {
        options_apply(c, options);
        surfaces_create(c);
        const LoadResult load =
            bitmap_load_memory(c, data, size, options.screenWidth, options.screenHeight);
        Text out = load_outcome(c, load, nullptr);
        if (load.outcome == LoadOutcome::loaded)
            picture_convert(c, options, out);
        return out;
    });
}

Text convert_again(Converter &converter, const Options &options) {
    return guarded(converter, [&](Conversion &c) {
        if (c.bmpWidth <= 0 || c.bmpHeight <= 0)
            return failed("no picture");
        options_apply(c, options);
        Text out;
        picture_convert(c, options, out);
        return out;
    });
}

void convert_batch(size_t count, int threads,
                   const std::function<void(Converter &, size_t)> &convert,
                   const std::function<bool(size_t, const std::string &)> &take) {
    batch_convert<Converter>(count, threads, convert, [&](size_t i, std::exception_ptr error) {
        return take(i, error_text(error));
    });
}

std::string text_ansi(const Text &text) {
    return text_ansi_color(text.text, colors_of(text));
}

std::string text_html(const Text &text, const std::string &title, const std::string &fontFamily) {
    const CellColors colors = colors_of(text);
    return ::text_html(text.text, title, fontFamily, text.colors.empty() ? nullptr : &colors);
}

bool image_font_find(const char *file, const std::string &face, int32_t height, ImageFont &font,
                     std::string &reason) {
    Settings settings{};
    settings.Height = height;
    std::strncpy(settings.FaceName, face.c_str(), sizeof settings.FaceName - 1);
    TextImageFont found;
    if (!text_image_font_find(settings, file, found, reason))
        return false;
    font = ImageFont{found.file, found.family, found.face, found.height, found.cellWidth,
                     found.cellHeight};
    return true;
}

bool text_png(const Text &text, const ImageFont &font, std::string &png, std::string &reason) {
    TextImageFont drawn;
    drawn.file = font.file;
    drawn.family = font.family;
    drawn.face = font.face;
    drawn.height = font.height;
    drawn.cellWidth = font.cellWidth;
    drawn.cellHeight = font.cellHeight;
    return text_image_png(text.text, drawn, png, reason);
}

bool text_png_board(const Text &text, const char *file, std::string &png, std::string &reason) {
    TextImageFont font;
    return text_image_font_board(file, font, reason) &&
           text_image_png_board(text.text, font, png, reason);
}

std::string text_html_board(const Text &text, const std::string &title) {
    return ::text_html_board(text.text, title);
}

} // namespace velkorandite
