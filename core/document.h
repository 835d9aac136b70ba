// Document state shared by the commands, loading and saving.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

// Strings are UTF-8. A path holds what the system's MAX_PATH of UTF-16 units may take in UTF-8
// (three bytes a unit at most); a title what 62 bytes of CP932 may take (three a byte at most).
constexpr size_t pathBytes = 3 * 260;
constexpr size_t titleBytes = 3 * 62 + 1;

extern bool imageLoaded;            // a bitmap is loaded and previews can be drawn
extern bool hasFileName;            // Save may write textPath without asking
extern char docTitle[titleBytes];   // caption's document part; "無題" when there is none
extern char bitmapPath[pathBytes];  // last confirmed bitmap file
extern char textPath[pathBytes];    // last confirmed text file
extern char startupDir[pathBytes];  // current directory when the main window was created

extern const char *const appName;      // "Velkorandite"
extern const char *const untitledName; // "無題"

// How a message box that reports an outcome looks.
enum class MessageIcon { warning, error };

struct Message {
    std::string text; // empty: nothing to tell
    MessageIcon icon = MessageIcon::warning;
};

// "%s - %s" of docTitle and the program name.
std::string caption_text();

// Sets docTitle from a file name (no folder): as much of it as CP932 holds in 62 bytes (never
// splitting a character; one CP932 has no code for counts as two bytes), then cut at the first
// "."; ".bmp" gives an empty title.
void doc_title_from_file_name(const char *fileName);

// docTitle back to "無題".
void doc_title_reset();
