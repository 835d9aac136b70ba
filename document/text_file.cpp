#include "document/text_file.h"

#include <windows.h>
#include <commdlg.h>

#include <string>

#include "core/document.h"
#include "core/file_save.h"
#include "core/settings.h"
#include "document/editor.h"
#include "image_pane/image_pane.h"
#include "main_window/main_window.h"

int text_file_choose() {
    static const char filter[] = "テキストファイル(*.txt)\0*.txt\0すべてのファイル\0*.*\0";
    // textPath changes only when the dialog is confirmed.
    char path[sizeof textPath];
    lstrcpynA(path, docTitle, sizeof path);

    OPENFILENAMEA dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = imagePane;
    dialog.lpstrFilter = filter;
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = path;
    dialog.nMaxFile = sizeof path;
    dialog.lpstrInitialDir = settings.saveDir[0] != '\0' ? settings.saveDir : nullptr;
    dialog.lpstrTitle = "テキストファイルを保存する";
    // The overwrite question is ours (text_file_confirm_overwrite), not the dialog's. No
    // OFN_FILEMUSTEXIST: Windows would then refuse the name of a file not written yet.
    dialog.Flags = OFN_HIDEREADONLY;
    dialog.lpstrDefExt = "txt";
    int result = GetSaveFileNameA(&dialog);
    if (!result)
        return 0;
    lstrcpynA(textPath, path, sizeof textPath);
    // The folder comes from the path: not every system's dialog moves the current directory.
    lstrcpynA(settings.saveDir, dialog_folder(path, dialog.nFileOffset).c_str(),
              sizeof settings.saveDir);
    return result;
}

bool file_confirm_overwrite(const char *path, const char *title) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA(path, &found);
    if (search == INVALID_HANDLE_VALUE)
        return true;
    FindClose(search);
    std::string question = std::string(path) + "ファイルは既に存在します。\n上書きしますか?";
    return MessageBoxA(mainWindow, question.c_str(), title, MB_YESNO | MB_ICONWARNING) != IDNO;
}

int text_file_confirm_overwrite() {
    return file_confirm_overwrite(textPath, "名前を付けてテキストを保存") ? 1 : 0;
}

int text_file_write() {
    // The file holds the text alone, without its terminating zero.
    const std::string text = editor_text();
    if (!file_save_whole(textPath, text.data(), text.size())) {
        message_show(Message{"ファイルの作成に失敗しました", MessageIcon::error});
        return 0;
    }
    return 1;
}
