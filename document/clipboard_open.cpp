#include "document/clipboard_open.h"

#include <cstring>

#include "core/common/document.h"
#include "core/reading/load.h"
#include "window/document_state.h"

namespace {

UINT png_format() {
    static const UINT format = RegisterClipboardFormatW(L"PNG");
    return format;
}

// The first picture format in the clipboard's own order: the formats its owner put come first,
// each followed by what the system would make of it, so the owner's own is taken and never a
// copy the system synthesises on demand (a CF_DIBV5 made from a CF_DIB is the whole picture
// again). 0: none. Called with the clipboard open.
UINT clipboard_picture_format() {
    for (UINT format = EnumClipboardFormats(0); format != 0; format = EnumClipboardFormats(format))
        if (format == png_format() || format == CF_DIBV5 || format == CF_DIB)
            return format;
    return 0;
}

// The clipboard's picture loaded from its memory as it lies (nothing copied first); false when
// the clipboard cannot be read or holds no picture.
bool clipboard_load(HWND owner, LoadResult &result) {
    if (!OpenClipboard(owner))
        return false;
    const UINT format = clipboard_picture_format();
    HANDLE data = format != 0 ? GetClipboardData(format) : nullptr;
    const auto *bytes = static_cast<const uint8_t *>(data != nullptr ? GlobalLock(data) : nullptr);
    if (bytes != nullptr) {
        const size_t size = GlobalSize(data);
        const int32_t screenWidth = GetSystemMetrics(SM_CXSCREEN);
        const int32_t screenHeight = GetSystemMetrics(SM_CYSCREEN);
        result = format == png_format()
                     ? bitmap_load_memory_fitted(conversion, bytes, size, screenWidth, screenHeight)
                     : bitmap_load_dib(conversion, bytes, size, screenWidth, screenHeight);
        GlobalUnlock(data);
    }
    CloseClipboard();
    return bytes != nullptr;
}

} // namespace

bool clipboard_has_picture() {
    return (png_format() != 0 && IsClipboardFormatAvailable(png_format())) ||
           IsClipboardFormatAvailable(CF_DIBV5) || IsClipboardFormatAvailable(CF_DIB);
}

LoadResult clipboard_open(HWND owner) {
    // A refused picture leaves the one shown, and its title with it; the owner of the title
    // words this one as a file's name, which has no "." to cut at.
    char shown[sizeof docTitle];
    std::memcpy(shown, docTitle, sizeof shown);
    doc_title_from_file_name("クリップボード");
    LoadResult result{LoadOutcome::openFailed, Message{openFailedText, MessageIcon::error}};
    const bool read = clipboard_load(owner, result);
    if (!read || result.outcome != LoadOutcome::loaded)
        std::memcpy(docTitle, shown, sizeof shown);
    return result;
}
