// The window's state: its one conversion, the open document and the language it speaks. The
// core keeps none of this; the window passes `conversion` to every core operation, and the
// names below are the window's own for the parts of it that its code reads and writes.
#pragma once
#include <cstdint>
#include <string>

#include "core/conversion/conversion.h"
#include "core/common/document.h"

extern Conversion conversion; // the window's, for as long as the process runs

extern Settings &settings; // the Settings record, read from and written to vkd.ini
extern LookSettings &lookSettings;
extern Surface &canvas;
extern Surface &sourceSurface;
extern Surface &reducedCopy;
extern int32_t &bmpWidth;
extern int32_t &bmpHeight;
extern int32_t &mapCols;
extern int32_t &previewHeight;
extern int32_t &mapRows;
extern int32_t &mapX;
extern int32_t &mapY;
extern uint8_t *(*&canvasMemoryAlloc)(int32_t width, int32_t height, int32_t stride);
extern void (*&canvasMemoryFree)(uint8_t *bits);
extern void (*&canvasChanged)(int32_t x, int32_t y, int32_t width, int32_t height);
extern Language &uiLanguage; // japanese until chosen; the conversion words refusals in it

// The window's texts in its language.
inline const char *language_text(const char *japanese) {
    return language_text(uiLanguage, japanese);
}

extern bool imageLoaded;           // a bitmap is loaded and previews can be drawn
extern bool hasFileName;           // Save may write textPath without asking
extern char docTitle[titleBytes];  // caption's document part; "無題" when there is none
extern char bitmapPath[pathBytes]; // last confirmed bitmap file
extern char textPath[pathBytes];   // last confirmed text file
extern char startupDir[pathBytes]; // current directory when the main window was created

// "%s - %s" of docTitle and the program name.
std::string caption_text();

// Sets docTitle from a file name (no folder): as much of it as CP932 holds in 62 bytes (never
// splitting a character; one CP932 has no code for counts as two bytes), then cut at the first
// "."; ".bmp" gives an empty title.
void doc_title_from_file_name(const char *fileName);

// docTitle back to "無題".
void doc_title_reset();
