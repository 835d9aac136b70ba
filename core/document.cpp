#include "core/document.h"

#include <cstring>

#include "core/cp932.h"

bool imageLoaded = false;
bool hasFileName = false;
char docTitle[titleBytes] = "無題";
char bitmapPath[pathBytes] = "";
char textPath[pathBytes] = "";
char startupDir[pathBytes] = "";

const char *const appName = "Velkorandite";
const char *const untitledName = "無題";

std::string caption_text() { return std::string(docTitle) + " - " + appName; }

void doc_title_from_file_name(const char *fileName) {
    // As long as the open dialog's title buffer of 62 CP932 bytes has always let it be; '.' is
    // never part of a longer UTF-8 sequence, so the first one found by bytes ends the title.
    const size_t n = utf8_prefix_cp932_length(fileName, std::strcspn(fileName, "."), 62);
    std::memcpy(docTitle, fileName, n);
    docTitle[n] = '\0';
}

void doc_title_reset() { std::strcpy(docTitle, untitledName); }
