#include "core/common/cp932.h"

#include "core/common/utf8.h"

#ifndef _WIN32
#include <iconv.h>
#endif

size_t cp932_prefix_length(const char *text, size_t length, size_t limit) {
    size_t n = 0;
    while (n < length) {
        size_t step = cp932_lead(static_cast<unsigned char>(text[n])) && n + 1 < length ? 2 : 1;
        if (n + step > limit)
            break;
        n += step;
    }
    return n;
}

#ifndef _WIN32
namespace {
// One converter a thread, as for the way back (core/output/text_html.cpp).
struct Cp932Encoder {
    iconv_t handle = iconv_open("CP932", "UTF-32LE");
    ~Cp932Encoder() {
        if (handle != reinterpret_cast<iconv_t>(-1))
            iconv_close(handle);
    }
};
} // namespace

int cp932_encode_system(uint32_t code, char out[2]) {
    thread_local Cp932Encoder encoder;
    if (encoder.handle == reinterpret_cast<iconv_t>(-1))
        return 0;
    iconv(encoder.handle, nullptr, nullptr, nullptr, nullptr);
    char in[4] = {char(code & 0xFF), char(code >> 8), 0, 0}; // a BMP character (cp932_encode)
    char bytes[8];
    char *inPtr = in, *outPtr = bytes;
    size_t inLeft = sizeof in, outLeft = sizeof bytes;
    if (iconv(encoder.handle, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<size_t>(-1) ||
        inLeft != 0 || sizeof bytes - outLeft > 2)
        return 0;
    // iconv takes some characters to a look-alike's code (〜 to ～'s, ¥ to '\\'): the way back
    // must give the character itself.
    const int n = static_cast<int>(sizeof bytes - outLeft);
    if (n < 1 || cp932_code_point_system(bytes, static_cast<size_t>(n)) != code)
        return 0;
    for (int i = 0; i < n; ++i)
        out[i] = bytes[i];
    return n;
}
#endif

int cp932_encode(uint32_t code, char out[2]) {
    if (code < 0x80) {
        out[0] = static_cast<char>(code);
        return 1;
    }
    if (code > 0xFFFF) // nothing beyond the BMP has a code
        return 0;
    return cp932_encode_system(code, out);
}

bool cp932_from_utf8(const std::string &utf8, std::string &out) {
    out.clear();
    out.reserve(utf8.size());
    bool exact = true;
    for (size_t i = 0, length = 0; i < utf8.size(); i += length) {
        char bytes[2];
        const int n = cp932_encode(utf8_decode(utf8, i, length), bytes);
        if (n == 0) {
            out += '?';
            exact = false;
        } else {
            out.append(bytes, static_cast<size_t>(n));
        }
    }
    return exact;
}

size_t utf8_prefix_cp932_length(const std::string &text, size_t length, size_t limit) {
    size_t bytes = 0, width = 0;
    while (bytes < length) {
        size_t step = 0;
        char cp932[2];
        const int n = cp932_encode(utf8_decode(text, bytes, step), cp932);
        const size_t w = n == 0 ? 2 : static_cast<size_t>(n);
        if (width + w > limit || bytes + step > length)
            break;
        width += w;
        bytes += step;
    }
    return bytes;
}

// The way back: CP932 to code points and UTF-8.
namespace {
#ifndef _WIN32
// One converter a thread: vkd may write pages from several threads at once.
struct Cp932Converter {
    iconv_t handle = iconv_open("UTF-32LE", "CP932");
    ~Cp932Converter() {
        if (handle != reinterpret_cast<iconv_t>(-1))
            iconv_close(handle);
    }
};
#endif
} // namespace

#ifndef _WIN32
uint32_t cp932_code_point_system(const char *bytes, size_t length) {
    thread_local Cp932Converter converter;
    if (converter.handle == reinterpret_cast<iconv_t>(-1))
        return 0xFFFD;
    iconv(converter.handle, nullptr, nullptr, nullptr, nullptr);
    char in[2] = {bytes[0], length > 1 ? bytes[1] : '\0'};
    unsigned char out[8] = {};
    char *inPtr = in, *outPtr = reinterpret_cast<char *>(out);
    size_t inLeft = length, outLeft = sizeof out;
    if (iconv(converter.handle, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<size_t>(-1) ||
        inLeft != 0 || sizeof out - outLeft != 4)
        return 0xFFFD;
    return out[0] | uint32_t{out[1]} << 8 | uint32_t{out[2]} << 16 | uint32_t{out[3]} << 24;
}
#endif

uint32_t cp932_code_point(const char *bytes, size_t length) {
    if (length == 1 && static_cast<unsigned char>(bytes[0]) < 0x80)
        return static_cast<unsigned char>(bytes[0]);
    return cp932_code_point_system(bytes, length);
}

size_t cp932_char_length(const std::string &text, size_t i) {
    if (!cp932_lead(static_cast<unsigned char>(text[i])) || i + 1 >= text.size())
        return 1;
    const unsigned char trail = static_cast<unsigned char>(text[i + 1]);
    return trail >= 0x40 && trail <= 0xFC && trail != 0x7F ? 2 : 1;
}

std::string cp932_to_utf8(const std::string &text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        const size_t length = cp932_char_length(text, i);
        utf8_append(out, cp932_code_point(text.data() + i, length));
        i += length;
    }
    return out;
}

