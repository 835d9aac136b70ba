// Document state shared by the commands, loading and saving.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

extern bool imageLoaded;      // a bitmap is loaded and previews can be drawn
extern bool hasFileName;      // Save may write textPath without asking
extern char docTitle[64];     // caption's document part; "無題" when there is none
extern char bitmapPath[260];  // last confirmed bitmap file
extern char textPath[260];    // last confirmed text file
extern char startupDir[260];  // current directory when the main window was created

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

// Sets docTitle from a file name (no folder): at most 62 bytes of it (never splitting a
// two-byte CP932 character), then cut at the first "."; ".bmp" gives an empty title.
void doc_title_from_file_name(const char *fileName);

// docTitle back to "無題".
void doc_title_reset();
