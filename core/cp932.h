// Code page 932 byte strings: where a two-byte character starts, and cutting without splitting one.
#pragma once
#include <cstddef>

// A lead byte of a two-byte character; its trail byte may look like '\' or a letter.
inline bool cp932_lead(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }

// Bytes of the longest prefix of text[0, length) of at most limit bytes that does not end in the
// middle of a two-byte character (a lone lead byte at the very end counts as one).
size_t cp932_prefix_length(const char *text, size_t length, size_t limit);
