// The Windows half of the text image: the editor's font, or the board's, drawn with GDI into a
// DIB section, the picture encoded as PNG with the Windows Imaging Component.
#include "core/output/text_image.h"

#include <windows.h>
#include <objbase.h>
#include <wincodec.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "core/conversion/board.h"
#include "core/output/text_font.h"
#include "core/output/text_html.h"
#include "platform/wide.h"

namespace {

const char *const tooLargeText = "文字が多すぎて画像にできません。";
const char *const failedText = "画像の作成に失敗しました。";
const char *const fileRefusedText = "フォントファイルは指定できません。";

// The editor's font as the editor asks for it: the same face, size, weight and character set.
LOGFONTW editor_logfont(const TextImageFont &font) {
    LOGFONTW log{};
    if (font.handle != nullptr &&
        GetObjectW(static_cast<HFONT>(font.handle), sizeof log, &log) != 0)
        return log;
    log = LOGFONTW{}; // as the window makes the editor's font
    log.lfHeight = font.height;
    log.lfWeight = 500;
    log.lfCharSet = SHIFTJIS_CHARSET;
    log.lfOutPrecision = OUT_DEFAULT_PRECIS;
    log.lfClipPrecision = CLIP_DEFAULT_PRECIS;
    log.lfQuality = PROOF_QUALITY;
    log.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
    lstrcpynW(log.lfFaceName, wide_of(font.face).c_str(), LF_FACESIZE);
    return log;
}

// How many of the characters the font selected into dc has no glyph for (none when the font
// cannot tell).
size_t glyphs_missing(HDC dc, const std::wstring &characters) {
    if (characters.empty())
        return 0;
    std::vector<WORD> glyphs(characters.size());
    if (GetGlyphIndicesW(dc, characters.c_str(), static_cast<int>(characters.size()),
                         glyphs.data(), GGI_MARK_NONEXISTING_GLYPHS) == GDI_ERROR)
        return 0;
    return static_cast<size_t>(std::count(glyphs.begin(), glyphs.end(), WORD{0xFFFF}));
}

int CALLBACK face_collect(const LOGFONTW *log, const TEXTMETRICW *, DWORD type, LPARAM param) {
    auto &faces = *reinterpret_cast<std::vector<std::wstring> *>(param);
    // Outline faces only, not the sideways '@' ones; fixed pitch first, like the editor's.
    if ((type & TRUETYPE_FONTTYPE) == 0 || log->lfFaceName[0] == L'@' ||
        std::find(faces.begin(), faces.end(), log->lfFaceName) != faces.end())
        return 1;
    if ((log->lfPitchAndFamily & 3) == FIXED_PITCH)
        faces.insert(faces.begin(), log->lfFaceName);
    else
        faces.push_back(log->lfFaceName);
    return 1;
}

// The font the image is drawn in: the editor's own. Where the system has no glyphs for the
// text in it (its face not installed: the system then gives a font that draws empty boxes,
// while the editor falls back to another font), the installed face that draws the most.
// Smoothed in grey (ClearType would tint the edges, and the image is looked at anywhere), or,
// for a board, not at all; the smoothing does not change which font the system gives.
HFONT image_font_create(HDC dc, const TextImageFont &font, const std::wstring &characters,
                        bool board) {
    LOGFONTW log = editor_logfont(font);
    log.lfQuality = board ? NONANTIALIASED_QUALITY : ANTIALIASED_QUALITY;
    HFONT chosen = CreateFontIndirectW(&log);
    if (chosen == nullptr)
        return nullptr;
    HGDIOBJ old = SelectObject(dc, chosen);
    size_t fewest = glyphs_missing(dc, characters);
    if (fewest > 0) {
        std::vector<std::wstring> faces;
        LOGFONTW all{};
        all.lfCharSet = DEFAULT_CHARSET;
        EnumFontFamiliesExW(dc, &all, face_collect, reinterpret_cast<LPARAM>(&faces), 0);
        for (const std::wstring &face : faces) {
            log.lfCharSet = DEFAULT_CHARSET;
            lstrcpynW(log.lfFaceName, face.c_str(), LF_FACESIZE);
            HFONT other = CreateFontIndirectW(&log);
            if (other == nullptr)
                continue;
            SelectObject(dc, other);
            const size_t missing = glyphs_missing(dc, characters);
            if (missing < fewest) {
                DeleteObject(chosen);
                chosen = other;
                fewest = missing;
                if (fewest == 0)
                    break;
            } else {
                SelectObject(dc, chosen);
                DeleteObject(other);
            }
        }
    }
    SelectObject(dc, old);
    return chosen;
}

// The characters of the text, each once (those beyond U+FFFF are left to the font chosen).
std::wstring grid_characters(const TextGrid &grid) {
    std::wstring characters;
    for (const TextCell &cell : grid.cells)
        if (!text_cell_blank(cell) && cell.code < 0x10000 &&
            characters.find(static_cast<wchar_t>(cell.code)) == std::wstring::npos)
            characters += static_cast<wchar_t>(cell.code);
    return characters;
}

// Everything one drawing holds, let go in reverse order on every path.
struct Drawing {
    HDC dc = nullptr;
    HFONT font = nullptr;
    HGDIOBJ oldFont = nullptr;
    HBITMAP bitmap = nullptr;
    HGDIOBJ oldBitmap = nullptr;
    ~Drawing() {
        if (oldBitmap != nullptr)
            SelectObject(dc, oldBitmap);
        if (bitmap != nullptr)
            DeleteObject(bitmap);
        if (oldFont != nullptr)
            SelectObject(dc, oldFont);
        if (font != nullptr)
            DeleteObject(font);
        if (dc != nullptr)
            DeleteDC(dc);
    }
};

bool drawing_begin(Drawing &d, const TextImageFont &font, const std::wstring &characters,
                   bool board, int32_t &cellWidth, int32_t &cellHeight) {
    d.dc = CreateCompatibleDC(nullptr);
    d.font = d.dc != nullptr ? image_font_create(d.dc, font, characters, board) : nullptr;
    if (d.font == nullptr)
        return false;
    d.oldFont = SelectObject(d.dc, d.font);
    TEXTMETRICW metrics{};
    SIZE m{};
    if (!GetTextMetricsW(d.dc, &metrics) || !GetTextExtentPoint32W(d.dc, L"M", 1, &m))
        return false;
    cellWidth = m.cx;
    cellHeight = metrics.tmHeight; // the editor's line height
    return true;
}

// A font by its face and LOGFONT height, made once to learn its cells. Windows fonts are
// installed faces: a font file is refused.
bool font_make(const char *file, const char *face, int32_t height, const char *family, bool board,
               TextImageFont &font, std::string &reason) {
    font = TextImageFont{};
    if (file != nullptr) {
        reason = fileRefusedText;
        return false;
    }
    font.face = face;
    font.height = height;
    font.family = family;
    Drawing d;
    if (!drawing_begin(d, font, std::wstring(), board, font.cellWidth, font.cellHeight)) {
        reason = failedText;
        return false;
    }
    return true;
}

template <typename T> void interface_release(T *&p) {
    if (p != nullptr)
        p->Release();
    p = nullptr;
}

// The 24-bit top-down pixels as PNG bytes.
bool png_encode(const uint8_t *bits, int32_t width, int32_t height, int32_t stride,
                std::string &png) {
    IWICImagingFactory *factory = nullptr;
    IStream *stream = nullptr;
    IWICBitmapEncoder *encoder = nullptr;
    IWICBitmapFrameEncode *frame = nullptr;
    IPropertyBag2 *options = nullptr;
    WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
    bool ok =
        SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_IWICImagingFactory, reinterpret_cast<void **>(&factory))) &&
        SUCCEEDED(CreateStreamOnHGlobal(nullptr, TRUE, &stream)) &&
        SUCCEEDED(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, &encoder)) &&
        SUCCEEDED(encoder->Initialize(stream, WICBitmapEncoderNoCache)) &&
        SUCCEEDED(encoder->CreateNewFrame(&frame, &options)) &&
        SUCCEEDED(frame->Initialize(options)) &&
        SUCCEEDED(frame->SetSize(UINT(width), UINT(height))) &&
        SUCCEEDED(frame->SetPixelFormat(&format)) &&
        IsEqualGUID(format, GUID_WICPixelFormat24bppBGR) &&
        SUCCEEDED(frame->WritePixels(UINT(height), UINT(stride), UINT(stride) * UINT(height),
                                     const_cast<BYTE *>(bits))) &&
        SUCCEEDED(frame->Commit()) && SUCCEEDED(encoder->Commit());
    STATSTG stat{};
    HGLOBAL memory = nullptr;
    if (ok && SUCCEEDED(stream->Stat(&stat, STATFLAG_NONAME)) &&
        SUCCEEDED(GetHGlobalFromStream(stream, &memory))) {
        const void *p = GlobalLock(memory);
        ok = p != nullptr;
        if (ok) {
            png.assign(static_cast<const char *>(p), size_t(stat.cbSize.QuadPart));
            GlobalUnlock(memory);
        }
    } else {
        ok = false;
    }
    interface_release(options);
    interface_release(frame);
    interface_release(encoder);
    interface_release(stream);
    interface_release(factory);
    return ok;
}

} // namespace

bool text_image_font_find(const Settings &settings, const char *file, TextImageFont &font,
                          std::string &reason) {
    const EditorFontChoice choice = editor_font_startup(settings);
    return font_make(file, choice.face, choice.height, choice.face, false, font, reason);
}

bool text_image_png(const std::string &text, const TextImageFont &font, std::string &png,
                    std::string &reason) {
    return text_image_png_grid(text_grid(text), font, png, reason);
}

bool text_image_font_board(const char *file, TextImageFont &font, std::string &reason) {
    // The family as the page names it on every system.
    return font_make(file, boardFace, boardFontHeight, "MS PGothic", true, font, reason);
}

bool text_image_png_board(const std::string &utf8, const TextImageFont &font, std::string &png,
                          std::string &reason) {
    return text_image_png_grid(text_grid_board(utf8), font, png, reason);
}

bool text_image_png_grid(const TextGrid &grid, const TextImageFont &font, std::string &png,
                         std::string &reason) {
    reason = failedText;
    Drawing d;
    int32_t cellWidth = 0, cellHeight = 0;
    const bool board = grid.proportional;
    if (!drawing_begin(d, font, grid_characters(grid), board, cellWidth, cellHeight))
        return false;
    // A board's lines stand boardLinePitch apart, each glyph one pixel down, as the board
    // table measured them.
    int32_t down = 0;
    if (board) {
        cellHeight = boardLinePitch;
        down = 1;
    }
    TextImageLayout l;
    if (!text_image_layout(grid, cellWidth, cellHeight, l)) {
        reason = tooLargeText;
        return false;
    }
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = l.width;
    info.bmiHeader.biHeight = -l.height; // top row first, as WIC takes it
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    void *bits = nullptr;
    d.bitmap = CreateDIBSection(d.dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (d.bitmap == nullptr || bits == nullptr)
        return false;
    d.oldBitmap = SelectObject(d.dc, d.bitmap);
    const int32_t stride = (l.width * 3 + 3) & ~3;
    std::memset(bits, 0xFF, size_t(stride) * size_t(l.height));
    SetBkMode(d.dc, TRANSPARENT);
    SetTextColor(d.dc, RGB(0, 0, 0));
    SetTextAlign(d.dc, TA_LEFT | TA_TOP | TA_NOUPDATECP);
    for (const TextCell &cell : grid.cells) {
        if (text_cell_blank(cell))
            continue;
        std::string utf8;
        utf8_encode(utf8, cell.code);
        const std::wstring w = wide_of(utf8); // a surrogate pair beyond U+FFFF
        ExtTextOutW(d.dc, text_image_cell_x(l, cell), text_image_cell_y(l, cell) + down, 0, nullptr,
                    w.c_str(), static_cast<UINT>(w.size()), nullptr);
    }
    GdiFlush();
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    if (FAILED(com) && com != RPC_E_CHANGED_MODE)
        return false;
    png.clear();
    const bool encoded =
        png_encode(static_cast<const uint8_t *>(bits), l.width, l.height, stride, png);
    if (SUCCEEDED(com))
        CoUninitialize();
    if (encoded)
        reason.clear();
    return encoded;
}
