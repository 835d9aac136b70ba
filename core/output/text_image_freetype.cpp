// The Linux half of the text image: the font through fontconfig, glyphs drawn with FreeType,
// the picture encoded with libpng. Kept out of the core library so that only the programs that
// draw text images link the font libraries.
#include "core/output/text_image.h"

#include <fontconfig/fontconfig.h>
#include "core/conversion/board.h"
#include "core/output/freetype_face.h"
#include <png.h>

#include <algorithm>
#include <csetjmp>
#include <new>

namespace {

constexpr int pixelSize = 16;
// Where fonts-mona puts the metric twin of the board font.
constexpr char monaFile[] = "/usr/share/fonts/truetype/mona/mona.ttf";

using Face = FreetypeFace;

// The first match's file, when fontconfig finds one that is monospaced.
bool font_match(const char *pattern, std::string &file) {
    FcPattern *want = FcNameParse(reinterpret_cast<const FcChar8 *>(pattern));
    if (want == nullptr)
        return false;
    FcConfigSubstitute(nullptr, want, FcMatchPattern);
    FcDefaultSubstitute(want);
    FcResult result = FcResultNoMatch;
    FcPattern *found = FcFontMatch(nullptr, want, &result);
    FcPatternDestroy(want);
    bool ok = false;
    FcChar8 *path = nullptr;
    int spacing = 0;
    if (found != nullptr && FcPatternGetString(found, FC_FILE, 0, &path) == FcResultMatch &&
        FcPatternGetInteger(found, FC_SPACING, 0, &spacing) == FcResultMatch &&
        spacing >= FC_MONO) {
        file = reinterpret_cast<const char *>(path);
        ok = true;
    }
    if (found != nullptr)
        FcPatternDestroy(found);
    return ok;
}

void png_write_memory(png_structp png, png_bytep data, png_size_t length) {
    static_cast<std::string *>(png_get_io_ptr(png))->append(reinterpret_cast<char *>(data), length);
}
void png_flush_nothing(png_structp) {}
void png_fail(png_structp png, png_const_charp) {
    png_longjmp(png, 1);
}

bool png_encode(const std::vector<uint8_t> &grey, const TextImageLayout &l, std::string &png) {
    png_structp write = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, png_fail, nullptr);
    png_infop info = write != nullptr ? png_create_info_struct(write) : nullptr;
    bool ok = false;
    if (info != nullptr && !setjmp(png_jmpbuf(write))) {
        png_set_write_fn(write, &png, png_write_memory, png_flush_nothing);
        png_set_IHDR(write, info, static_cast<png_uint_32>(l.width),
                     static_cast<png_uint_32>(l.height), 8, PNG_COLOR_TYPE_GRAY, PNG_INTERLACE_NONE,
                     PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
        png_write_info(write, info);
        for (int32_t y = 0; y < l.height; ++y)
            png_write_row(write, &grey[size_t(y) * size_t(l.width)]);
        png_write_end(write, nullptr);
        ok = true;
    }
    png_destroy_write_struct(&write, &info);
    return ok;
}

} // namespace

bool text_image_font_find(const Settings &, const char *file, TextImageFont &font,
                          std::string &reason) {
    font = TextImageFont{};
    font.height = pixelSize;
    if (file != nullptr) {
        font.file = file;
    } else {
        // The font a Debian machine has from fonts-dejavu-core, else whatever monospace
        // font the machine prefers.
        bool found = FcInit() && (font_match("DejaVu Sans Mono:style=Book", font.file) ||
                                  font_match("monospace", font.file));
        if (!found) {
            reason = "fontconfig finds no monospace font (install fonts-dejavu-core, or give "
                     "--font FILE)";
            return false;
        }
    }
    Face f;
    int32_t ascent = 0;
    if (!freetype_face_open(f, font.file.c_str(), font.height, font.cellWidth, font.cellHeight,
                            ascent, reason))
        return false;
    font.family = f.face->family_name != nullptr ? f.face->family_name : "";
    return true;
}

namespace {

// Draws a grid in the font: in cells of its advance by its line height, smoothed, or, for a
// proportional grid, at each cell's x on lines boardLinePitch apart in the font's own bitmaps
// (the board font's readers see those at 12 pt), one pixel down as the board table measured
// them.
bool grid_png(const TextGrid &grid, const TextImageFont &font, std::string &png,
              std::string &reason) {
    Face f;
    int32_t cellWidth = 0, cellHeight = 0, ascent = 0;
    if (!freetype_face_open(f, font.file.c_str(), font.height, cellWidth, cellHeight, ascent,
                            reason))
        return false;
    const bool board = grid.proportional;
    if (board)
        cellHeight = boardLinePitch;
    const FT_Int32 load = board ? FT_LOAD_RENDER | FT_LOAD_TARGET_MONO : FT_LOAD_RENDER;
    TextImageLayout l;
    if (!text_image_layout(grid, cellWidth, cellHeight, l)) {
        reason = "the image would be too large (at most " + std::to_string(textImageSideMax) +
                 " pixels a side and " + std::to_string(textImagePixelsMax >> 20) +
                 " million in all)";
        return false;
    }
    std::vector<uint8_t> grey;
    try {
        grey.assign(size_t(l.width) * size_t(l.height), 255);
    } catch (const std::bad_alloc &) {
        reason = "not enough memory for the image";
        return false;
    }
    for (const TextCell &cell : grid.cells) {
        if (text_cell_blank(cell) || FT_Load_Char(f.face, cell.code, load) != 0)
            continue;
        const FT_GlyphSlot g = f.face->glyph;
        const FT_Bitmap &b = g->bitmap;
        const bool mono = b.pixel_mode == FT_PIXEL_MODE_MONO;
        if (b.pixel_mode != FT_PIXEL_MODE_GRAY && !(board && mono))
            continue;
        const int32_t left = text_image_cell_x(l, cell) + g->bitmap_left;
        const int32_t top = text_image_cell_y(l, cell) + (board ? 1 : 0) + ascent - g->bitmap_top;
        for (unsigned r = 0; r < b.rows; ++r) {
            const int32_t y = top + static_cast<int32_t>(r);
            if (y < 0 || y >= l.height)
                continue;
            for (unsigned c = 0; c < b.width; ++c) {
                const int32_t x = left + static_cast<int32_t>(c);
                if (x < 0 || x >= l.width)
                    continue;
                uint8_t &p = grey[size_t(y) * size_t(l.width) + size_t(x)];
                const unsigned char *row = b.buffer + int(r) * b.pitch;
                const int ink = mono ? ((row[c / 8] >> (7 - c % 8)) & 1) * 255 : row[c];
                p = std::min<uint8_t>(p, static_cast<uint8_t>(255 - ink));
            }
        }
    }
    png.clear();
    if (!png_encode(grey, l, png)) {
        reason = "libpng could not encode the image";
        return false;
    }
    return true;
}

} // namespace

bool text_image_png(const std::string &text, const TextImageFont &font, std::string &png,
                    std::string &reason) {
    return grid_png(text_grid(text), font, png, reason);
}

bool text_image_font_board(const char *file, TextImageFont &font, std::string &reason) {
    font = TextImageFont{};
    font.height = pixelSize;
    font.file = file != nullptr ? file : monaFile;
    Face f;
    int32_t ascent = 0;
    if (!freetype_face_open(f, font.file.c_str(), font.height, font.cellWidth, font.cellHeight,
                            ascent, reason)) {
        if (file == nullptr)
            reason += " (install fonts-mona, or give --font FILE)";
        return false;
    }
    font.family = "MS PGothic";
    return true;
}

bool text_image_png_board(const std::string &utf8, const TextImageFont &font, std::string &png,
                          std::string &reason) {
    return grid_png(text_grid_board(utf8), font, png, reason);
}
