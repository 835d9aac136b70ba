// UTF-8 is how text lives in memory; the platform's wide functions take UTF-16.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

// The code point at text[i] and in length the bytes it takes (at least 1). A byte that starts no
// valid sequence (a stray continuation byte, an overlong or cut sequence, one beyond U+10FFFF) is
// U+FFFD on its own, so nothing after it is lost. The three-byte form of a lone surrogate is
// that surrogate: Windows allows one in a file name, and such a name passes through unchanged.
uint32_t utf8_decode(const std::string &text, size_t i, size_t &length);

// Appends a code point; a lone surrogate (D800-DFFF) takes its three-byte form, anything beyond
// U+10FFFF is U+FFFD.
void utf8_encode(std::string &out, uint32_t code);

// UTF-16 of UTF-8 text, by the rules above.
std::u16string utf16_from_utf8(const std::string &utf8);

// UTF-8 of UTF-16 text; a lone surrogate keeps its three-byte form.
std::string utf8_from_utf16(const char16_t *text, size_t length);

// Bytes of the longest prefix of utf8[0, length) that does not end inside a sequence.
size_t utf8_whole_length(const char *utf8, size_t length);

// Appends the UTF-8 form of a code point (U+FFFD for a surrogate or one past U+10FFFF).
void utf8_append(std::string &out, uint32_t code);

// Bytes that are not valid UTF-8 become U+FFFD; valid text is returned unchanged.
std::string utf8_repair(const std::string &text);
