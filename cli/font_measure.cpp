#include "cli/font_measure.h"

#include "core/output/freetype_face.h"
#include FT_OUTLINE_H

#include <algorithm>
#include <cstdint>

namespace {

// Large enough that a sub-sample spans many pixels, so the measurement does not depend on
// where the rasteriser puts a stroke's edge.
constexpr int measureSize = 192;

// A text font's cell is about half an em wide and one and a bit high; four ems either way is
// far beyond any, and keeps a crafted font's cell (a tiny unitsPerEm, a huge ascent or
// advance) to a few hundred KiB instead of gigabytes.
constexpr int32_t cellMax = 4 * measureSize;

using Face = FreetypeFace;

// The glyph's ink inside the cell, and only there: an outline is drawn straight into the
// cell, clipped to it, so neither time nor memory follow the glyph's own size. Bitmaps (a
// font's embedded strikes) count only as 8-bit grey; other pixel modes are skipped.
void glyph_draw(FT_Library library, FT_GlyphSlot g, int32_t cellWidth, int32_t cellHeight,
                int32_t ascent, std::vector<uint8_t> &cell) {
    if (g->format == FT_GLYPH_FORMAT_OUTLINE) {
        FT_Bitmap target{};
        target.rows = static_cast<unsigned>(cellHeight);
        target.width = static_cast<unsigned>(cellWidth);
        target.pitch = cellWidth; // positive: the first row is the top one
        target.buffer = cell.data();
        target.num_grays = 256;
        target.pixel_mode = FT_PIXEL_MODE_GRAY;
        // The baseline lies ascent rows below the top: that far above the bottom edge less.
        FT_Outline_Translate(&g->outline, 0, FT_Pos(cellHeight - ascent) * 64);
        FT_Outline_Get_Bitmap(library, &g->outline, &target);
        return;
    }
    if (g->format != FT_GLYPH_FORMAT_BITMAP || g->bitmap.pixel_mode != FT_PIXEL_MODE_GRAY)
        return;
    const FT_Bitmap &b = g->bitmap;
    const int left = g->bitmap_left, top = ascent - g->bitmap_top;
    for (int y = 0; y < static_cast<int>(b.rows); ++y)
        for (int x = 0; x < static_cast<int>(b.width); ++x) {
            const int cx = left + x, cy = top + y;
            if (cx >= 0 && cy >= 0 && cx < cellWidth && cy < cellHeight)
                cell[static_cast<size_t>(cy) * cellWidth + cx] = b.buffer[y * b.pitch + x];
        }
}

// The ink of code's glyph in cells cells side by side, subCols x glyphSubRows sub-samples.
// half: drawn at half its width (see below).
void glyph_measure(Face &f, int32_t cellWidth, int32_t cellHeight, int32_t ascent,
                   FT_ULong code, bool half, int subCols, uint8_t *ink) {
    std::vector<uint8_t> cell(static_cast<size_t>(cellWidth) * cellHeight, 0);
    FT_Matrix halfWidth{0x8000, 0, 0, 0x10000};
    FT_Set_Transform(f.face, half ? &halfWidth : nullptr, nullptr);
    if (code != ' ' && FT_Load_Char(f.face, code, FT_LOAD_DEFAULT) == 0)
        glyph_draw(f.library, f.face->glyph, cellWidth, cellHeight, ascent, cell);
    for (int sy = 0; sy < glyphSubRows; ++sy)
        for (int sx = 0; sx < subCols; ++sx) {
            const int x0 = sx * cellWidth / subCols, x1 = (sx + 1) * cellWidth / subCols;
            const int y0 = sy * cellHeight / glyphSubRows, y1 = (sy + 1) * cellHeight / glyphSubRows;
            uint64_t sum = 0;
            for (int y = y0; y < y1; ++y)
                for (int x = x0; x < x1; ++x)
                    sum += cell[static_cast<size_t>(y) * cellWidth + x];
            const uint64_t n = static_cast<uint64_t>(x1 - x0) * (y1 - y0);
            ink[sy * subCols + sx] = static_cast<uint8_t>(n == 0 ? 0 : (sum + n / 2) / n);
        }
}

bool face_open(Face &f, const char *path, int32_t &cellWidth, int32_t &cellHeight,
               int32_t &ascent, std::string &reason) {
    if (!freetype_face_open(f, path, measureSize, cellWidth, cellHeight, ascent, reason))
        return false;
    if (cellWidth <= 0 || cellHeight <= 0) {
        reason = "the font's cell has no size";
        return false;
    }
    if (cellWidth > cellMax || cellHeight > cellMax) {
        reason = "the font's cell is " + std::to_string(cellWidth) + " x " +
                 std::to_string(cellHeight) + " pixels at " + std::to_string(measureSize) +
                 " pixels to the em; a text font's is at most " + std::to_string(cellMax) +
                 " either way";
        return false;
    }
    return true;
}

} // namespace

bool font_measure(const char *path, Target target, std::vector<GlyphInk> &table,
                  std::string &reason) {
    Face f;
    int32_t cellWidth = 0, cellHeight = 0, ascent = 0;
    if (!face_open(f, path, cellWidth, cellHeight, ascent, reason))
        return false;
    table.assign(glyphCount, GlyphInk{});
    for (int k = 0; k < glyphCount; ++k) {
        // A Japanese font's ¥ outside its half-width roman is a full-width glyph: drawn at half
        // its width, as the half-width ¥ of 0x5C is.
        const bool yen = target == Target::window && glyphFirst + k == '\\';
        glyph_measure(f, cellWidth, cellHeight, ascent, yen ? 0xA5 : FT_ULong(glyphFirst + k), yen,
                      glyphSubCols, table[size_t(k)].ink);
    }
    return true;
}

bool font_measure_wide(const char *path, const std::vector<uint32_t> &codes,
                       std::vector<WideGlyphInk> &table, std::string &reason) {
    Face f;
    int32_t cellWidth = 0, cellHeight = 0, ascent = 0;
    if (!face_open(f, path, cellWidth, cellHeight, ascent, reason))
        return false;
    table.assign(codes.size(), WideGlyphInk{});
    for (size_t k = 0; k < codes.size(); ++k)
        glyph_measure(f, 2 * cellWidth, cellHeight, ascent, codes[k] == 0x3000 ? ' ' : codes[k],
                      false, wideSubCols, table[k].ink);
    return true;
}
