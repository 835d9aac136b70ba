#include "document/clipboard_open.h"

#include <vector>

#include "core/clipboard_dib.h"
#include "core/document.h"
#include "core/load.h"
#include "main_window/commands.h"
#include "main_window/main_window.h"
#include "document/document_state.h"

namespace {

UINT png_format() {
    static const UINT format = RegisterClipboardFormatW(L"PNG");
    return format;
}

// One format's data as file bytes, read while the clipboard is open: PNG as it is, a DIB made a
// BMP file (or left as it is when it cannot be one, for the loader to refuse). False when the
// format is not there or cannot be read.
bool clipboard_file(UINT format, bool dib, std::vector<uint8_t> &file) {
    HANDLE data = GetClipboardData(format);
    const auto *bytes = static_cast<const uint8_t *>(data != nullptr ? GlobalLock(data) : nullptr);
    if (bytes == nullptr)
        return false;
    const size_t size = GlobalSize(data);
    if (dib)
        file = dib_to_bmp_file(bytes, size);
    if (file.empty())
        file.assign(bytes, bytes + size);
    GlobalUnlock(data);
    return !file.empty();
}

// The picture as file bytes; false when the clipboard cannot be read.
bool clipboard_picture(HWND owner, std::vector<uint8_t> &file) {
    if (!OpenClipboard(owner))
        return false;
    const bool read = (png_format() != 0 && clipboard_file(png_format(), false, file)) ||
                      clipboard_file(CF_DIBV5, true, file) || clipboard_file(CF_DIB, true, file);
    CloseClipboard();
    return read;
}

} // namespace

bool clipboard_has_picture() {
    return (png_format() != 0 && IsClipboardFormatAvailable(png_format())) ||
           IsClipboardFormatAvailable(CF_DIBV5) || IsClipboardFormatAvailable(CF_DIB);
}

void clipboard_open(HWND owner) {
    std::vector<uint8_t> file;
    if (!clipboard_picture(owner, file)) {
        message_show(Message{openFailedText, MessageIcon::error});
        return;
    }
    // The owner of the title words it as a file's name; this one has no "." to cut at.
    doc_title_from_file_name("クリップボード");
    command_open_loaded(bitmap_load_memory_fitted(conversion, file.data(), file.size(),
                                                  GetSystemMetrics(SM_CXSCREEN),
                                                  GetSystemMetrics(SM_CYSCREEN)));
}
