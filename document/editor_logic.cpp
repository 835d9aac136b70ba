#include "document/editor.h"

#include <cstdint>
#include <cstring>

#include "core/settings.h"

const char *const builtinFace = "ＭＳ ゴシック";

EditorFontChoice editor_font_startup() {
    if (settings.Height == 0)
        return {-15, builtinFace};
    return {settings.Height, settings.FaceName};
}

void editor_font_store(const char *face, int32_t logHeight) {
    constexpr size_t faceMax = 31; // LF_FACESIZE - 1
    size_t n = strnlen(face, faceMax);
    std::memcpy(settings.FaceName, face, n);
    settings.FaceName[n] = '\0';
    // INT32_MIN has no negation in 32 bits; no dialog returns it, but do not wrap if one did.
    settings.Height = logHeight == INT32_MIN ? INT32_MAX : -logHeight;
}
