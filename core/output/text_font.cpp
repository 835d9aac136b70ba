#include "core/output/text_font.h"

#include "core/conversion/settings.h"

const char *const builtinFace = "ＭＳ ゴシック";

EditorFontChoice editor_font_startup(const Settings &settings) {
    if (settings.Height == 0)
        return {-15, builtinFace};
    return {settings.Height, settings.FaceName};
}
