#include "core/output/text_html.h"

#include <cstdio>

#include "core/common/cp932.h"
#include "core/output/text_color.h"
#include "core/output/text_image.h"
#include "core/common/utf8.h"

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
