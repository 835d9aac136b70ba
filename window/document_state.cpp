#include "window/document_state.h"

#include <cstring>

#include "core/common/cp932.h"

Conversion conversion;

Settings &settings = conversion.settings;
LookSettings &lookSettings = conversion.lookSettings;
Surface &canvas = conversion.canvas;
Surface &sourceSurface = conversion.sourceSurface;
Surface &reducedCopy = conversion.reducedCopy;
int32_t &bmpWidth = conversion.bmpWidth;
int32_t &bmpHeight = conversion.bmpHeight;
int32_t &mapCols = conversion.mapCols;
int32_t &previewHeight = conversion.previewHeight;
int32_t &mapRows = conversion.mapRows;
int32_t &mapX = conversion.mapX;
int32_t &mapY = conversion.mapY;
uint8_t *(*&canvasMemoryAlloc)(int32_t, int32_t, int32_t) = conversion.canvasMemoryAlloc;
void (*&canvasMemoryFree)(uint8_t *) = conversion.canvasMemoryFree;
void (*&canvasChanged)(int32_t, int32_t, int32_t, int32_t) = conversion.canvasChanged;
Language &uiLanguage = conversion.language;

bool imageLoaded = false;
bool hasFileName = false;
char docTitle[titleBytes] = "無題";
char bitmapPath[pathBytes] = "";
char textPath[pathBytes] = "";
char startupDir[pathBytes] = "";

std::string caption_text() {
    return std::string(docTitle) + " - " + appName;
}

void doc_title_from_file_name(const char *fileName) {
    // As long as the open dialog's title buffer of 62 CP932 bytes has always let it be; '.' is
    // never part of a longer UTF-8 sequence, so the first one found by bytes ends the title.
    const size_t n = utf8_prefix_cp932_length(fileName, std::strcspn(fileName, "."), 62);
    std::memcpy(docTitle, fileName, n);
    docTitle[n] = '\0';
}

void doc_title_reset() {
    std::strcpy(docTitle, untitledName);
}
