#include "document/editor.h"

#include <cstdint>
#include <cstring>
#include <string>

#include "core/conversion/look.h"
#include "core/conversion/settings.h"
#include "core/common/utf8.h"
#include "window/document_state.h"

void editor_font_store(const char *face, int32_t logHeight) {
    constexpr size_t faceMax = 31; // LF_FACESIZE - 1 UTF-16 units
    static_assert(sizeof settings.FaceName > 3 * faceMax, "a face of 31 units fits");
    const std::string text(face);
    size_t n = 0, units = 0;
    while (n < text.size()) {
        size_t length = 0;
        units += utf8_decode(text, n, length) < 0x10000 ? 1 : 2;
        if (units > faceMax)
            break;
        n += length;
    }
    std::memcpy(settings.FaceName, face, n);
    settings.FaceName[n] = '\0';
    // INT32_MIN has no negation in 32 bits; no dialog returns it, but do not wrap if one did.
    settings.Height = logHeight == INT32_MIN ? INT32_MAX : -logHeight;
}

EditorFontChoice editor_font_of(const Settings &settings, Target target) {
    // A board reads its posts in ＭＳ Ｐゴシック 12 pt: 16-pixel glyphs at 96 DPI.
    if (target == Target::board)
        return EditorFontChoice{boardFontHeight, boardFace};
    return editor_font_startup(settings);
}
