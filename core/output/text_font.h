// The font of the text picture: the editor shows it and the Windows text image draws with it,
// so it is chosen here, below both.
#pragma once
#include <cstdint>

// "ＭＳ ゴシック": the built-in face of the editor and of the canvas label.
extern const char *const builtinFace;

// "ＭＳ Ｐゴシック": the face a board reads its posts in, at 16 pixels (12 pt at 96 DPI).
constexpr char boardFace[] = "ＭＳ Ｐゴシック";
constexpr int32_t boardFontHeight = -16; // a LOGFONT height: 16-pixel glyphs

struct EditorFontChoice {
    int32_t height;
    const char *face;
};

// Pure: the start-up font from Settings Height and FaceName. Height 0 means the built-in font
// (-15, builtinFace) whatever FaceName holds; otherwise Height as stored with FaceName.
struct Settings;
EditorFontChoice editor_font_startup(const Settings &settings);
