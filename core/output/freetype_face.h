// A FreeType library and one face, released together whatever way the caller leaves.
#pragma once
#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstdint>
#include <string>

struct FreetypeFace {
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    FreetypeFace() = default;
    FreetypeFace(const FreetypeFace &) = delete;
    FreetypeFace &operator=(const FreetypeFace &) = delete;
    ~FreetypeFace() {
        if (face != nullptr)
            FT_Done_Face(face);
        if (library != nullptr)
            FT_Done_FreeType(library);
    }
};

// Opens the font at height pixels; the cell is the advance of 'M' by ascent plus descent. False
// with reason set when FreeType cannot use the file.
inline bool freetype_face_open(FreetypeFace &f, const char *file, int32_t height,
                               int32_t &cellWidth, int32_t &cellHeight, int32_t &ascent,
                               std::string &reason) {
    if (FT_Init_FreeType(&f.library) != 0) {
        reason = "FreeType did not start";
        return false;
    }
    if (FT_New_Face(f.library, file, 0, &f.face) != 0) {
        reason = "not a font FreeType can read";
        return false;
    }
    if (!FT_IS_SCALABLE(f.face) || FT_Set_Pixel_Sizes(f.face, 0, height) != 0) {
        reason = "not a scalable font";
        return false;
    }
    if (FT_Load_Char(f.face, 'M', FT_LOAD_DEFAULT) != 0) {
        reason = "the font has no 'M'";
        return false;
    }
    const FT_Size_Metrics &m = f.face->size->metrics;
    ascent = static_cast<int32_t>((m.ascender + 63) / 64);
    cellWidth = static_cast<int32_t>((f.face->glyph->advance.x + 32) / 64);
    cellHeight = ascent + static_cast<int32_t>((-m.descender + 63) / 64);
    return true;
}
