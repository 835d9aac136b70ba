#include <windows.h>
#include <commdlg.h>

#include "core/document.h"
#include "core/settings.h"
#include "document/text_file.h"
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
    // The folder comes from the path: not every system's dialog moves the current directory.
    lstrcpynA(settings.openDir, dialog_folder(bitmapPath, dialog.nFileOffset).c_str(),
              sizeof settings.openDir);
    // The name too, rather than from the title buffer, which a long name overflows.
    doc_title_from_file_name(bitmapPath + dialog.nFileOffset);
    return 1;
}
