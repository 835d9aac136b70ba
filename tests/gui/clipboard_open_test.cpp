// A picture on the clipboard converts to the same text as the same picture opened as a file: a
// 24-bit DIB as its BMP file, a 32-bit DIB with alpha and the registered "PNG" format as the PNG
// file saved with that alpha by the system's own encoder.
#include <windows.h>
#include <objbase.h>
#include <wincodec.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include "core/common/document.h"
#include "core/conversion/geometry.h"
#include "core/reading/load.h"
#include "document/clipboard_open.h"
#include "main_window/commands.h"
#include "main_window/main_window.h"
#include "resources/resource.h"
#include "tests/gui/file_dialog.h"
#include "tests/gui/gui_session.h"
#include "window/document_state.h"

namespace {

constexpr int32_t width = 37, height = 23; // rows of 24-bit pixels need padding

// Top row first, B, G, R, A: the photo's colours darkened, a transparent left third (dark
// underneath, so a picture whose alpha is lost converts to other characters), then alpha rising.
std::vector<uint8_t> picture_bgra() {
    std::vector<uint8_t> bgra;
    for (int32_t y = 0; y < height; ++y)
        for (int32_t x = 0; x < width; ++x) {
            const Pixel p = photo_pixel(x, y, width, height);
            const int alpha =
                x < width / 3 ? 0 : std::min(255, (x - width / 3) * 255 / (width / 2));
            bgra.insert(bgra.end(),
                        {uint8_t(p.b / 3), uint8_t(p.g / 3), uint8_t(p.r / 3), uint8_t(alpha)});
        }
    return bgra;
}

// A 32-bit DIB with a V5 header and an alpha mask, rows bottom first.
std::string dib_v5(const std::vector<uint8_t> &bgra) {
    BITMAPV5HEADER h{};
    h.bV5Size = sizeof h;
    h.bV5Width = width;
    h.bV5Height = height;
    h.bV5Planes = 1;
    h.bV5BitCount = 32;
    h.bV5Compression = BI_BITFIELDS;
    h.bV5SizeImage = width * height * 4;
    h.bV5RedMask = 0x00FF0000;
    h.bV5GreenMask = 0x0000FF00;
    h.bV5BlueMask = 0x000000FF;
    h.bV5AlphaMask = 0xFF000000;
    std::string dib(reinterpret_cast<const char *>(&h), sizeof h);
    for (int32_t y = height - 1; y >= 0; --y)
        dib.append(reinterpret_cast<const char *>(&bgra[size_t(y) * width * 4]), width * 4);
    return dib;
}

// The PNG file of the pixels with their alpha, as the Windows Imaging Component writes it.
std::string png_encode(const std::vector<uint8_t> &bgra) {
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    IWICImagingFactory *factory = nullptr;
    IStream *stream = nullptr;
    IWICBitmapEncoder *encoder = nullptr;
    IWICBitmapFrameEncode *frame = nullptr;
    WICPixelFormatGUID format = GUID_WICPixelFormat32bppBGRA;
    std::string png;
    if (SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER,
                                   IID_IWICImagingFactory, reinterpret_cast<void **>(&factory))) &&
        SUCCEEDED(CreateStreamOnHGlobal(nullptr, TRUE, &stream)) &&
        SUCCEEDED(factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, &encoder)) &&
        SUCCEEDED(encoder->Initialize(stream, WICBitmapEncoderNoCache)) &&
        SUCCEEDED(encoder->CreateNewFrame(&frame, nullptr)) &&
        SUCCEEDED(frame->Initialize(nullptr)) && SUCCEEDED(frame->SetSize(width, height)) &&
        SUCCEEDED(frame->SetPixelFormat(&format)) &&
        IsEqualGUID(format, GUID_WICPixelFormat32bppBGRA) &&
        SUCCEEDED(frame->WritePixels(height, width * 4, UINT(bgra.size()),
                                     const_cast<BYTE *>(bgra.data()))) &&
        SUCCEEDED(frame->Commit()) && SUCCEEDED(encoder->Commit())) {
        HGLOBAL memory = nullptr;
        STATSTG stat{};
        if (SUCCEEDED(stream->Stat(&stat, STATFLAG_NONAME)) &&
            SUCCEEDED(GetHGlobalFromStream(stream, &memory))) {
            png.assign(static_cast<const char *>(GlobalLock(memory)), size_t(stat.cbSize.QuadPart));
            GlobalUnlock(memory);
        }
    }
    for (IUnknown *p : {static_cast<IUnknown *>(frame), static_cast<IUnknown *>(encoder),
                        static_cast<IUnknown *>(stream), static_cast<IUnknown *>(factory)})
        if (p != nullptr)
            p->Release();
    if (SUCCEEDED(com))
        CoUninitialize();
    return png;
}

// The clipboard holds these formats and nothing else.
void clipboard_put(const std::vector<std::pair<UINT, std::string>> &formats) {
    ASSERT_TRUE(OpenClipboard(mainWindow));
    EmptyClipboard();
    for (const auto &[format, bytes] : formats) {
        HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, bytes.size());
        std::memcpy(GlobalLock(block), bytes.data(), bytes.size());
        GlobalUnlock(block);
        EXPECT_NE(SetClipboardData(format, block), nullptr) << format;
    }
    CloseClipboard();
}

std::string utf8_of(const std::wstring &text) {
    std::string bytes(text.size() * 3, '\0');
    bytes.resize(WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), bytes.data(),
                                     int(bytes.size()), nullptr, nullptr));
    return bytes;
}

std::string caption() {
    wchar_t text[256] = L"";
    GetWindowTextW(mainWindow, text, 256);
    return utf8_of(text);
}

class ClipboardOpen : public WindowTest {
  protected:
    // File, クリップボードから開く (command 231) with the dialogs answered; every dialog that came.
    std::vector<ModalDialog> clipboard_open_run(std::vector<ModalAction> answers = {}) {
        return command_run(IDM_OPENCLIPBOARD, std::move(answers));
    }

    // Convert, and the text it gave.
    std::string converted() {
        const std::vector<ModalDialog> seen = command_run(IDM_CONVERT);
        EXPECT_TRUE(seen.empty()) << dialogs_describe(seen);
        return editor_text();
    }

    // The same picture opened as a file, converted.
    std::string file_converted(const std::string &path) {
        command_open_path(path.c_str());
        EXPECT_TRUE(imageLoaded) << path;
        return converted();
    }

    // The clipboard's picture opened, with its title, and converted.
    std::string clipboard_converted(const char *what) {
        EXPECT_TRUE(clipboard_has_picture()) << what;
        const std::vector<ModalDialog> seen = clipboard_open_run();
        EXPECT_TRUE(seen.empty()) << what << "\n" << dialogs_describe(seen);
        EXPECT_TRUE(imageLoaded) << what;
        EXPECT_EQ(bmpWidth, width) << what;
        EXPECT_STREQ(docTitle, "クリップボード") << what;
        EXPECT_EQ(caption(), "クリップボード - Velkorandite") << what;
        const std::string text = converted();
        EXPECT_FALSE(text.empty()) << what;
        command_run(IDM_CLEAR);
        return text;
    }
};

} // namespace

TEST_F(ClipboardOpen, ConvertsAsTheSamePictureOpenedAsAFile) {
    ASSERT_NE(app_start(), nullptr);

    const std::string bmpPath = startDir + "\\photo.bmp";
    bmp_write(bmpPath, width, height,
              [](int32_t x, int32_t y) { return photo_pixel(x, y, width, height); });
    const std::string bmp = file_read(bmpPath);
    clipboard_put({{CF_DIB, bmp.substr(14)}});
    const std::string fromDib24 = clipboard_converted("24-bit DIB");
    EXPECT_EQ(fromDib24, file_converted(bmpPath));

    const std::vector<uint8_t> bgra = picture_bgra();
    const std::string pngPath = startDir + "\\alpha.png";
    const std::string png = png_encode(bgra);
    ASSERT_FALSE(png.empty());
    file_write(pngPath, png);
    const std::string fromFile = file_converted(pngPath);
    command_run(IDM_CLEAR);
    clipboard_put({{CF_DIBV5, dib_v5(bgra)}});
    EXPECT_EQ(clipboard_converted("32-bit DIB with alpha"), fromFile);
    // Of the owner's formats the first it put is taken (here the other picture second), never
    // the CF_DIBV5 the system would make of a CF_DIB.
    clipboard_put({{RegisterClipboardFormatW(L"PNG"), png}, {CF_DIB, bmp.substr(14)}});
    EXPECT_EQ(clipboard_converted("PNG, then a DIB"), fromFile);
    clipboard_put({{CF_DIB, bmp.substr(14)}, {RegisterClipboardFormatW(L"PNG"), png}});
    EXPECT_EQ(clipboard_converted("a DIB, then PNG"), fromDib24);
}

TEST_F(ClipboardOpen, RefusesAsOpenDoes) {
    ASSERT_NE(app_start(), nullptr);
    clipboard_put({{CF_UNICODETEXT, std::string("t\0\0\0", 4)}});
    EXPECT_FALSE(clipboard_has_picture());
    std::vector<ModalDialog> seen = clipboard_open_run({modal_press(IDOK)});
    ASSERT_EQ(seen.size(), 1u) << dialogs_describe(seen);
    EXPECT_EQ(seen[0].icon, ModalIcon::error); // the open-failure message
    EXPECT_EQ(caption(), "無題 - Velkorandite");

    // A header no bitmap has: the unsupported-format message, and the title as it was.
    clipboard_put({{CF_DIB, std::string(64, '\x40')}});
    seen = clipboard_open_run({modal_press(IDOK)});
    ASSERT_EQ(seen.size(), 1u) << dialogs_describe(seen);
    EXPECT_EQ(seen[0].icon, ModalIcon::warning);
    EXPECT_FALSE(imageLoaded);
    EXPECT_STREQ(docTitle, "無題");

    // Refused with a picture shown: it stays, with its title and caption. A DIB claiming
    // 20000 x 20000 names the pixel limit, not a bitmap file's size rule.
    const std::string bmpPath = startDir + "\\shown.bmp";
    bmp_write(bmpPath, width, height,
              [](int32_t x, int32_t y) { return photo_pixel(x, y, width, height); });
    command_open_path(bmpPath.c_str());
    ASSERT_TRUE(imageLoaded);
    std::string claims = file_read(bmpPath).substr(14);
    claims[4] = 0x20, claims[5] = 0x4E, claims[6] = 0, claims[8] = 0x20, claims[9] = 0x4E, claims[10] = 0;
    for (const std::string &dib : {std::string(64, '\x40'), claims}) {
        clipboard_put({{CF_DIB, dib}});
        seen = clipboard_open_run({modal_press(IDOK)});
        ASSERT_EQ(seen.size(), 1u) << dialogs_describe(seen);
        EXPECT_EQ(seen[0].text.find("2048"), std::string::npos) << seen[0].text;
        EXPECT_TRUE(imageLoaded);
        EXPECT_EQ(bmpWidth, width);
        EXPECT_STREQ(docTitle, "shown");
        EXPECT_EQ(caption(), "shown - Velkorandite");
    }
    EXPECT_EQ(seen[0].text, "画像のピクセルが多すぎて読み込めません。");
}
