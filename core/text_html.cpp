#include "core/text_html.h"

#include <cstdio>

#include "core/cp932.h"
#include "core/text_color.h"
#include "core/text_image.h"
#include "core/utf8.h"

#ifndef _WIN32
#include <iconv.h>
#endif

namespace {
constexpr uint32_t replacement = 0xFFFD;

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
        return replacement;
    iconv(converter.handle, nullptr, nullptr, nullptr, nullptr);
    char in[2] = {bytes[0], length > 1 ? bytes[1] : '\0'};
    unsigned char out[8] = {};
    char *inPtr = in, *outPtr = reinterpret_cast<char *>(out);
    size_t inLeft = length, outLeft = sizeof out;
    if (iconv(converter.handle, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<size_t>(-1) ||
        inLeft != 0 || sizeof out - outLeft != 4)
        return replacement;
    return out[0] | uint32_t{out[1]} << 8 | uint32_t{out[2]} << 16 | uint32_t{out[3]} << 24;
}
#endif

uint32_t cp932_code_point(const char *bytes, size_t length) {
    if (length == 1 && static_cast<unsigned char>(bytes[0]) < 0x80)
        return static_cast<unsigned char>(bytes[0]);
    return cp932_code_point_system(bytes, length);
}

void utf8_append(std::string &out, uint32_t code) {
    // A page holds no lone surrogates, which a file name may.
    utf8_encode(out, (code >= 0xD800 && code < 0xE000) ? replacement : code);
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
            utf8_append(out, replacement); // one per bad byte: nothing after it is lost
            ++i;
            continue;
        }
        out.append(text, i, length);
        i += length;
    }
    return out;
}

std::string html_escape(const std::string &utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (char c : utf8) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&#39;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

namespace {
// A CSS string in double quotes, safe inside <style> as well: quote, backslash, angle brackets
// and controls become hexadecimal escapes.
std::string css_string(const std::string &utf8) {
    std::string out = "\"";
    for (char c : utf8) {
        const unsigned char u = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\' || c == '<' || c == '>' || c == '&' || u < 0x20 || u == 0x7F) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\%x ", u);
            out += hex;
        } else {
            out += c;
        }
    }
    return out + "\"";
}

// After a board font's name: Mona, its metric twin, then 12 pt as boards show it, 16-pixel
// glyphs on 18-pixel lines.
const char boardFonts[] = "Mona, sans-serif; font-size: 16px; line-height: 18px; ";

std::string color_hex(Rgb c) {
    char hex[8];
    std::snprintf(hex, sizeof hex, "#%02x%02x%02x", c.r, c.g, c.b);
    return hex;
}
} // namespace

std::string text_html(const std::string &text, const std::string &title,
                      const std::string &fontFamily, const CellColors *colors) {
    return text_html_grid(text_grid(text), title, fontFamily, colors);
}

std::string text_html_grid(const TextGrid &grid, const std::string &title,
                           const std::string &fontFamily, const CellColors *colors) {
    // The line end after <pre> is dropped by every parser: a text starting with an empty
    // line keeps it.
    std::string page = "<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n<title>" +
                       html_escape(utf8_repair(title)) + "</title>\n<style>\npre { font-family: " +
                       (fontFamily.empty() ? "" : css_string(utf8_repair(fontFamily)) + ", ") +
                       (grid.proportional ? boardFonts : "monospace; line-height: 1.15; ") +
                       "}\n</style>\n</head>\n<body>\n<pre>\n";
    bool spanOpen = false;
    Rgb last{};
    int32_t row = 0;
    std::string utf8;
    for (const TextCell &cell : grid.cells) {
        for (; row < cell.row; ++row) { // line ends: close the run so no span crosses a line
            if (spanOpen)
                page += "</span>";
            spanOpen = false;
            page += '\n';
        }
        const bool coloured =
            colors != nullptr && cell.row < colors->rows && cell.col < colors->cols;
        const Rgb c = coloured ? colors->cells[size_t(cell.row) * colors->cols + cell.col] : Rgb{};
        if (spanOpen && (!coloured || c != last)) {
            page += "</span>";
            spanOpen = false;
        }
        if (coloured && !spanOpen) {
            page += "<span style=\"color:" + color_hex(c) + "\">";
            spanOpen = true;
            last = c;
        }
        utf8.clear();
        utf8_append(utf8, cell.code);
        page += html_escape(utf8);
    }
    if (spanOpen)
        page += "</span>";
    for (; row < grid.lineEnds; ++row)
        page += '\n';
    return page + "</pre>\n</body>\n</html>\n";
}

std::string text_html_board(const std::string &utf8, const std::string &title) {
    return text_html_grid(text_grid_board(utf8), title, "MS PGothic");
}
