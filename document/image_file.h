// Saving the editor pane's text as a PNG image or an HTML page (File, 画像として保存).
#pragma once

#ifdef _WIN32
// Asks for a name (PNG or HTML), asks before replacing a file, and writes the editor's current
// text: the image drawn in the editor's font, or the page naming that font. A file is replaced
// only by a whole new one.
void image_file_save();
#endif
