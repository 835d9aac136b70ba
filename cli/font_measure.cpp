#include "cli/font_measure.h"

#include "core/freetype_face.h"

#include <algorithm>
#include <cstdint>

namespace {

// Large enough that a sub-sample spans many pixels, so the measurement does not depend on
// where the rasteriser puts a stroke's edge.
constexpr int measureSize = 192;

using Face = FreetypeFace;

} // namespace

bool font_measure(const char *path, Target target, std::vector<GlyphInk> &table,
                  std::string &reason) {
    Face f;
    int32_t cellWidth = 0, cellHeight = 0, ascent = 0;
    if (!freetype_face_open(f, path, measureSize, cellWidth, cellHeight, ascent, reason))
        return false;
    if (cellWidth <= 0 || cellHeight <= 0) {
        reason = "the font's cell has no size";
        return false;
    }
    std::vector<uint8_t> cell(static_cast<size_t>(cellWidth) * cellHeight);
    table.assign(glyphCount, GlyphInk{});
    for (int k = 0; k < glyphCount; ++k) {
        std::fill(cell.begin(), cell.end(), 0);
        // A Japanese font's ¥ outside its half-width roman is a full-width glyph: drawn at half
        // its width, as the half-width ¥ of 0x5C is.
        const bool yen = target == Target::window && glyphFirst + k == '\\';
        FT_Matrix half{0x8000, 0, 0, 0x10000};
        FT_Set_Transform(f.face, yen ? &half : nullptr, nullptr);
        if (k > 0 && FT_Load_Char(f.face, yen ? 0xA5 : glyphFirst + k, FT_LOAD_RENDER) == 0) {
            const FT_Bitmap &b = f.face->glyph->bitmap;
            const int left = f.face->glyph->bitmap_left, top = ascent - f.face->glyph->bitmap_top;
            for (int y = 0; y < static_cast<int>(b.rows); ++y)
                for (int x = 0; x < static_cast<int>(b.width); ++x) {
                    const int cx = left + x, cy = top + y;
                    if (cx >= 0 && cy >= 0 && cx < cellWidth && cy < cellHeight)
                        cell[static_cast<size_t>(cy) * cellWidth + cx] = b.buffer[y * b.pitch + x];
                }
        }
        for (int sy = 0; sy < glyphSubRows; ++sy)
            for (int sx = 0; sx < glyphSubCols; ++sx) {
                const int x0 = sx * cellWidth / glyphSubCols,
                          x1 = (sx + 1) * cellWidth / glyphSubCols;
                const int y0 = sy * cellHeight / glyphSubRows,
                          y1 = (sy + 1) * cellHeight / glyphSubRows;
                uint64_t sum = 0;
                for (int y = y0; y < y1; ++y)
                    for (int x = x0; x < x1; ++x)
                        sum += cell[static_cast<size_t>(y) * cellWidth + x];
                const uint64_t n = static_cast<uint64_t>(x1 - x0) * (y1 - y0);
                table[k].ink[sy * glyphSubCols + sx] =
                    static_cast<uint8_t>(n == 0 ? 0 : (sum + n / 2) / n);
            }
    }
    return true;
}
