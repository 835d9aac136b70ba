#include "core/common/utf8.h"

namespace {
constexpr uint32_t replacement = 0xFFFD;

bool continuation(unsigned char c) {
    return (c & 0xC0) == 0x80;
}
} // namespace

uint32_t utf8_decode(const std::string &text, size_t i, size_t &length) {
    const unsigned char c = static_cast<unsigned char>(text[i]);
    length = 1;
    if (c < 0x80)
        return c;
    const size_t need = c >= 0xC2 && c <= 0xDF   ? 2
                        : c >= 0xE0 && c <= 0xEF ? 3
                        : c >= 0xF0 && c <= 0xF4 ? 4
                                                 : 0;
    if (need == 0 || text.size() - i < need)
        return replacement;
    uint32_t code = c & (0x7F >> need);
    for (size_t k = 1; k < need; ++k) {
        const unsigned char next = static_cast<unsigned char>(text[i + k]);
        if (!continuation(next))
            return replacement;
        code = code << 6 | (next & 0x3F);
    }
    static const uint32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
    if (code < least[need] || code > 0x10FFFF)
        return replacement;
    length = need;
    return code;
}

void utf8_encode(std::string &out, uint32_t code) {
    if (code > 0x10FFFF)
        code = replacement;
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | code >> 6);
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | code >> 12);
        out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | code >> 18);
        out += static_cast<char>(0x80 | (code >> 12 & 0x3F));
        out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

std::u16string utf16_from_utf8(const std::string &utf8) {
    std::u16string out;
    out.reserve(utf8.size());
    for (size_t i = 0, length = 0; i < utf8.size(); i += length) {
        const uint32_t code = utf8_decode(utf8, i, length);
        if (code < 0x10000) {
            out += static_cast<char16_t>(code);
        } else {
            out += static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10));
            out += static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF));
        }
    }
    return out;
}

std::string utf8_from_utf16(const char16_t *text, size_t length) {
    std::string out;
    out.reserve(length);
    for (size_t i = 0; i < length; ++i) {
        uint32_t code = text[i];
        if (code >= 0xD800 && code < 0xDC00 && i + 1 < length && text[i + 1] >= 0xDC00 &&
            text[i + 1] < 0xE000)
            code = 0x10000 + ((code - 0xD800) << 10) + (text[++i] - 0xDC00);
        utf8_encode(out, code);
    }
    return out;
}

size_t utf8_whole_length(const char *utf8, size_t length) {
    // A lead byte further back than three bytes has all of its sequence there.
    for (size_t back = 1; back < 4 && back <= length; ++back) {
        const unsigned char c = static_cast<unsigned char>(utf8[length - back]);
        if (continuation(c))
            continue;
        const size_t need = c >= 0xF0 ? 4 : c >= 0xE0 ? 3 : c >= 0xC0 ? 2 : 1;
        return need > back ? length - back : length;
    }
    return length;
}

void utf8_append(std::string &out, uint32_t code) {
    // A page holds no lone surrogates, which a file name may.
    utf8_encode(out, (code >= 0xD800 && code < 0xE000) ? 0xFFFD : code);
}

std::string utf8_repair(const std::string &text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        const size_t length = c < 0x80                 ? 1
                              : c >= 0xC2 && c <= 0xDF ? 2
                              : c >= 0xE0 && c <= 0xEF ? 3
                              : c >= 0xF0 && c <= 0xF4 ? 4
                                                       : 0;
        uint32_t code = length > 1 ? c & (0x7F >> length) : c;
        size_t got = length == 0 ? 0 : 1;
        while (got > 0 && got < length && i + got < text.size() &&
               (static_cast<unsigned char>(text[i + got]) & 0xC0) == 0x80)
            code = code << 6 | (static_cast<unsigned char>(text[i + got++]) & 0x3F);
        const uint32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
        if (length == 0 || got != length || code < least[length] || code > 0x10FFFF ||
            (code >= 0xD800 && code < 0xE000)) {
            utf8_append(out, 0xFFFD); // one per bad byte: nothing after it is lost
            ++i;
            continue;
        }
        out.append(text, i, length);
        i += length;
    }
    return out;
}

