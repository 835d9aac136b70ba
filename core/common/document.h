// The sizes of paths and titles, the program's names, and the messages core operations return.
// The open document itself is the window's (document/document_state.h).
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

// Strings are UTF-8. A path holds what the system's MAX_PATH of UTF-16 units may take in UTF-8
// (three bytes a unit at most); a title what 62 bytes of CP932 may take (three a byte at most).
constexpr size_t pathBytes = 3 * 260;
constexpr size_t titleBytes = 3 * 62 + 1;

extern const char *const appName;      // "Velkorandite"
extern const char *const untitledName; // "無題"

// How a message box that reports an outcome looks.
enum class MessageIcon { warning, error };

struct Message {
    std::string text; // empty: nothing to tell
    MessageIcon icon = MessageIcon::warning;
};
