// A FreeType library and one face, released together whatever way the caller leaves.
#pragma once
#include <ft2build.h>
#include FT_FREETYPE_H

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
