#include "main_window/open_dialog.h"

#include <windows.h>
#include <commdlg.h>

#include <cstring>

#include "core/common/document.h"
#include "core/conversion/settings.h"
#include "document/text_file.h"
#include "image_pane/image_pane.h"
#include "window/wide.h"
#include "window/document_state.h"

int bitmap_choose() {
    const std::wstring filter = wide_of(open_dialog_filter());
    const std::wstring title = wide_text("ビットマップファイルを開く");
    const std::wstring initialDir = wide_of(settings.openDir);
    wchar_t path[MAX_PATH] = L"";
    bitmapPath[0] = '\0';

    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = imagePane;
    dialog.lpstrFilter = filter.c_str();
    dialog.nFilterIndex = static_cast<DWORD>(openFilterIndex);
    dialog.lpstrFile = path;
    dialog.nMaxFile = MAX_PATH;
    dialog.lpstrInitialDir = initialDir.empty() ? nullptr : initialDir.c_str();
    dialog.lpstrTitle = title.c_str();
    dialog.Flags = OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
    dialog.lpstrDefExt = L"bmp";
    if (!GetOpenFileNameW(&dialog))
        return 0;
    openFilterIndex = static_cast<int>(dialog.nFilterIndex);
    const std::string chosen = utf8_of(path);
    // Where the name starts, in UTF-8 bytes: the dialog counts UTF-16 units.
    const size_t nameAt = utf8_of(path, dialog.nFileOffset).size();
    static_assert(sizeof bitmapPath >= 3 * MAX_PATH, "MAX_PATH units of UTF-16 as UTF-8");
    std::memcpy(bitmapPath, chosen.c_str(), chosen.size() + 1);
    // The folder comes from the path: not every system's dialog moves the current directory.
    const std::string folder = dialog_folder(bitmapPath, nameAt);
    std::memcpy(settings.openDir, folder.c_str(), folder.size() + 1);
    // The name too, rather than from the dialog's title, which a long name overflows.
    doc_title_from_file_name(bitmapPath + nameAt);
    return 1;
}
