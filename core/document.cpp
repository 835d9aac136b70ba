#include "core/document.h"

#include <cstring>

#include "core/cp932.h"

bool imageLoaded = false;
bool hasFileName = false;
char docTitle[64] = "無題";
char bitmapPath[260] = "";
char textPath[260] = "";
char startupDir[260] = "";

const char *const appName = "Velkorandite";
const char *const untitledName = "無題";

std::string caption_text() { return std::string(docTitle) + " - " + appName; }

void doc_title_from_file_name(const char *fileName) {
    // The open dialog's title buffer holds 62 bytes; '.' is never a trail byte, so the first one
    // found by bytes ends the title.
    const size_t n = cp932_prefix_length(fileName, std::strcspn(fileName, "."), 62);
    std::memcpy(docTitle, fileName, n);
    docTitle[n] = '\0';
}

void doc_title_reset() { std::strcpy(docTitle, untitledName); }
