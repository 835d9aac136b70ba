#include <windows.h>
#include <commdlg.h>

#include "core/document.h"
#include "core/settings.h"
#include "image_pane/image_pane.h"
#include "main_window/commands.h"

int bitmap_choose() {
    static const char filter[] = "ビットマップファイル(*.bmp)\0*.bmp\0すべてのファイル\0*.*\0";
    char title[64] = "";
    bitmapPath[0] = '\0';

    OPENFILENAMEA dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = imagePane;
    dialog.lpstrFilter = filter;
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = bitmapPath;
    dialog.nMaxFile = sizeof bitmapPath;
    dialog.lpstrFileTitle = title;
    dialog.nMaxFileTitle = 63;
    dialog.lpstrInitialDir = settings.openDir[0] != '\0' ? settings.openDir : nullptr;
    dialog.lpstrTitle = "ビットマップファイルを開く";
    dialog.Flags = OFN_FILEMUSTEXIST | OFN_HIDEREADONLY;
    dialog.lpstrDefExt = "bmp";
    if (!GetOpenFileNameA(&dialog)) {
        bitmapPath[0] = '\0';
        return 0;
    }
    GetCurrentDirectoryA(sizeof settings.openDir, settings.openDir);
    // The name comes from the path rather than the title buffer, which a long name overflows.
    doc_title_from_file_name(bitmapPath + dialog.nFileOffset);
    return 1;
}
