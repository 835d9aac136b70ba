// Code page 932, the code of the files the program has always written (the saved text, vkd.ini):
// where a two-byte character starts, cutting without splitting one, and the way from UTF-8.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

// A lead byte of a two-byte character; its trail byte may look like '\' or a letter.
inline bool cp932_lead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

// Bytes of the longest prefix of text[0, length) of at most limit bytes that does not end in the
// middle of a two-byte character (a lone lead byte at the very end counts as one).
size_t cp932_prefix_length(const char *text, size_t length, size_t limit);

// The CP932 bytes of one code point, written to out: 1 or 2 of them, 0 when CP932 has no code
// for it (never a look-alike; nothing beyond the BMP has one). ASCII here; the rest of the BMP by
// the system's half (iconv on Linux, platform/cp932_windows.cpp on Windows).
int cp932_encode(uint32_t code, char out[2]);
int cp932_encode_system(uint32_t code, char out[2]);

// CP932 of UTF-8 text (bad bytes as U+FFFD). False when some character has no code in CP932:
// each such character is then '?'.
bool cp932_from_utf8(const std::string &utf8, std::string &out);

// Bytes of the longest prefix of the UTF-8 text[0, length) that CP932 would hold in at most limit
// bytes, never splitting a character; one CP932 has no code for counts as two.
size_t utf8_prefix_cp932_length(const std::string &text, size_t length, size_t limit);

// Bytes of the CP932 character at text[i]: 2 for a lead byte followed by a trail byte
// (0x40-0x7E, 0x80-0xFC), otherwise 1 (a lone lead byte stays one byte, so a line end after it
// is never swallowed).
size_t cp932_char_length(const std::string &text, size_t i);

// The code point of one CP932 character of length bytes (1, or 2 for a lead byte and its
// trail); U+FFFD when it has none.
uint32_t cp932_code_point(const char *bytes, size_t length);

// The system's half of it, for everything but ASCII: iconv on Linux, MultiByteToWideChar on
// Windows (platform/cp932_windows.cpp).
uint32_t cp932_code_point_system(const char *bytes, size_t length);

// UTF-8 of CP932 bytes (the text picture, a value of the settings file). A byte or pair
// with no character in CP932 (a lone lead byte at the end, an unassigned code) becomes U+FFFD,
// so the result is always valid UTF-8.
std::string cp932_to_utf8(const std::string &text);

