// What both savers use: core/files/file_save.cpp and the Windows half, platform/file_save_windows.cpp.
#pragma once
#include <string>

#include "core/files/file_save.h"

namespace file_save_parts {

// Tries before giving up: only a broken random source meets that many taken names.
constexpr int tempAttempts = 100;

// A fresh temporary name in folder (empty, or ending in its separator).
inline std::string temp_name(const std::string &folder, FileSaveRandom random) {
    return folder + file_save_temp_name(random != nullptr ? random() : file_save_random());
}

// Keeps code for the caller when it asked for one; always false.
inline bool fail(int *error, int code) {
    if (error != nullptr)
        *error = code;
    return false;
}

} // namespace file_save_parts
