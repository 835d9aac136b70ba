// Measures a font's glyphs into the table the looks pick characters from (FreeType).
#pragma once
#include <string>
#include <vector>

#include "core/conversion/look.h"

// Renders the printable ASCII characters of the font file in fixed cells (the advance of 'M'
// by the line's ascent plus descent) and measures each sub-sample's ink. False with a reason
// when the file is no font FreeType reads, or when its cell at 192 pixels to the em is over
// 768 pixels either way (no text font's is; a crafted one's would cost gigabytes). target
// window: 0x5C is measured as the font's ¥ (U+00A5), the way ＭＳ ゴシック draws it.
bool font_measure(const char *path, Target target, std::vector<GlyphInk> &table,
                  std::string &reason);

// The same for full-width characters (code points), each over two cells side by side.
bool font_measure_wide(const char *path, const std::vector<uint32_t> &codes,
                       std::vector<WideGlyphInk> &table, std::string &reason);
