// Between the UTF-8 strings in memory and the UTF-16 of the platform's wide (...W) functions,
// for the Windows halves of core work and the window layer alike (wchar_t is UTF-16 there).
#pragma once
#include <cwchar>
#include <string>

#include "core/common/utf8.h"

inline std::wstring wide_of(const std::string &utf8) {
    const std::u16string units = utf16_from_utf8(utf8);
    return std::wstring(units.begin(), units.end());
}

inline std::string utf8_of(const wchar_t *text, size_t length) {
    const std::u16string units(text, text + length);
    return utf8_from_utf16(units.data(), units.size());
}

inline std::string utf8_of(const std::wstring &text) {
    return utf8_of(text.data(), text.size());
}

// A zero-terminated text; nullptr gives "".
inline std::string utf8_of(const wchar_t *text) {
    return text != nullptr ? utf8_of(text, std::wcslen(text)) : std::string();
}
