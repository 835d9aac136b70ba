#include "core/document.h"

#include <cstdint>
#include <cstring>

bool imageLoaded = false;
bool hasFileName = false;
char docTitle[64] = "無題";
char bitmapPath[260] = "";
char textPath[260] = "";
char startupDir[260] = "";

const char *const appName = "Velkorandite";
const char *const untitledName = "無題";

std::string caption_text() { return std::string(docTitle) + " - " + appName; }

// Lead bytes of two-byte CP932 characters.
static bool cp932_lead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

void doc_title_from_file_name(const char *fileName) {
    // The open dialog's title buffer holds 62 bytes; keep whole characters only.
    size_t n = 0;
    while (fileName[n] != '\0' && fileName[n] != '.') {
        size_t step = cp932_lead(static_cast<unsigned char>(fileName[n])) && fileName[n + 1] ? 2 : 1;
        if (n + step > 62)
            break;
        n += step;
    }
    std::memcpy(docTitle, fileName, n);
    docTitle[n] = '\0';
}

void doc_title_reset() { std::strcpy(docTitle, untitledName); }
