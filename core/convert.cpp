#include "core/convert.h"

#include <algorithm>
#include <utility>

#include "core/geometry.h"
#include "core/settings.h"
#include "core/surface.h"

// Darkest first; entry 13 is a faint tint rather than a grey, and the space is above any sum.
const RampEntry ramp[rampSize] = {
    {50, 0, 0, 0, "$"},        {100, 10, 10, 10, "&"},    {150, 20, 20, 20, "%"},
    {200, 40, 40, 40, "#"},    {250, 60, 60, 60, "*"},    {300, 80, 80, 80, "?"},
    {350, 100, 100, 100, "+"}, {400, 120, 120, 120, "/"}, {450, 140, 140, 140, "!"},
    {500, 160, 160, 160, ";"}, {550, 180, 180, 180, ":"}, {600, 200, 200, 200, "-"},
    {650, 220, 220, 220, ","}, {700, 255, 240, 240, "."}, {1270, 255, 255, 255, " "},
};

namespace {
constexpr int32_t previewEdge = 15; // the squeezed preview's left (vertical) or top (horizontal)
}

int ramp_pick(int32_t sum, int64_t offset) {
    for (int k = 0; k < rampSize; ++k)
        if (sum < ramp[k].threshold - offset)
            return k;
    // Only a Meido above 100 gets here; the lightest entry keeps every line mapCols long.
    return rampSize - 1;
}

int64_t text_convert_offset(int32_t meido) {
    return (int64_t{meido} - 50) * 10;
}

bool text_convert_fits() {
    if (mapCols < 0 || mapRows < 0)
        return true; // nothing to convert: the text is empty
    // The line length is mapCols; Mojisu differs from it only outside modes 1 and 2, and then
    // the text must still fit the limit.
    const int64_t rows = mapRows;
    return (int64_t{settings.Mojisu} + 2) * rows <= textLimit &&
           (int64_t{mapCols} + 2) * rows <= textLimit;
}

ConvertOutcome text_convert(std::string &text) {
    if (!text_convert_fits())
        return ConvertOutcome::tooLarge;
    if (mapCols < 0 || mapRows < 0) { // only from a hand-edited settings file
        text.clear();
        return ConvertOutcome::converted;
    }
    std::string out;
    out.reserve(static_cast<size_t>(mapCols + 2) * static_cast<size_t>(mapRows));
    const int64_t offset = text_convert_offset(settings.Meido);
    const bool vertical = settings.Position != 0;
    const int64_t left = vertical ? previewEdge : mapX;
    const int64_t top = vertical ? mapY : previewEdge;

    for (int64_t i = 0; i < mapRows; ++i) {
        const int64_t y = top + i;
        for (int64_t j = 0; j < mapCols; ++j) {
            const int64_t x = left + j;
            const bool inside = x >= 0 && y >= 0 && x < canvas.width && y < canvas.height;
            const auto cx = static_cast<int32_t>(inside ? x : -1);
            const auto cy = static_cast<int32_t>(inside ? y : -1);
            const Rgb c = surface_get(canvas, cx, cy); // white outside
            const RampEntry &entry = ramp[ramp_pick(c.r + c.g + c.b, offset)];
            out += entry.text;
            surface_set(canvas, cx, cy, Rgb{entry.r, entry.g, entry.b});
        }
        out += "\r\n";
    }

    const int64_t x0 = std::max<int64_t>(left, 0), y0 = std::max<int64_t>(top, 0);
    const int64_t x1 = std::min<int64_t>(left + mapCols, canvas.width);
    const int64_t y1 = std::min<int64_t>(top + mapRows, canvas.height);
    if (canvasChanged != nullptr && x0 < x1 && y0 < y1)
        canvasChanged(static_cast<int32_t>(x0), static_cast<int32_t>(y0),
                      static_cast<int32_t>(x1 - x0), static_cast<int32_t>(y1 - y0));
    text = std::move(out);
    return ConvertOutcome::converted;
}

void text_invert(std::string &text) {
    char mirror[256];
    for (int c = 0; c < 256; ++c)
        mirror[c] = static_cast<char>(c);
    for (int k = 0; k < rampSize; ++k)
        mirror[static_cast<unsigned char>(ramp[k].text[0])] = ramp[rampSize - 1 - k].text[0];
    for (char &c : text)
        c = mirror[static_cast<unsigned char>(c)];
}

const char *text_convert_too_large_message() {
    return "ヴェルコランのサイズが大きすぎて変換できません。\n比率か横幅を変更して下さい。";
}

const char *text_convert_failed_message() {
    return "変換に失敗しました。";
}
