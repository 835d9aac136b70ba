// The font of the text picture: the editor shows it and the Windows text image draws with it,
// so it is chosen here, below both.
#pragma once
#include <cstdint>

// "ＭＳ ゴシック": the built-in face of the editor and of the canvas label.
extern const char *const builtinFace;

struct EditorFontChoice {
    int32_t height;
    const char *face;
};

// Pure: the start-up font from Settings Height and FaceName. Height 0 means the built-in font
// (-15, builtinFace) whatever FaceName holds; otherwise Height as stored with FaceName.
struct Settings;
EditorFontChoice editor_font_startup(const Settings &settings);
