#include "document/text_file.h"

#include <windows.h>
#include <commdlg.h>

#include <cstring>
#include <string>

#include "core/common/document.h"
#include "core/files/file_save.h"
#include "core/conversion/settings.h"
#include "document/editor.h"
#include "image_pane/image_pane.h"
#include "window/wide.h"
#include "window/window.h"
#include "window/document_state.h"

bool file_save_choose(const char *const (&filters)[4], const char *title, const wchar_t *defaultExt,
                      std::string &path, unsigned &filterIndex) {
    const std::wstring filter =
        wide_of(std::string(language_text(filters[0])) + '\0' + filters[1] + '\0' +
                language_text(filters[2]) + '\0' + filters[3] + '\0');
    const std::wstring caption = wide_text(title);
    const std::wstring initialDir = wide_of(settings.saveDir);
    wchar_t name[MAX_PATH] = L"";
    lstrcpynW(name, wide_of(doc_title_shown()).c_str(), MAX_PATH);

    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = imagePane;
    dialog.lpstrFilter = filter.c_str();
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = name;
    dialog.nMaxFile = MAX_PATH;
    dialog.lpstrInitialDir = initialDir.empty() ? nullptr : initialDir.c_str();
    dialog.lpstrTitle = caption.c_str();
    // The overwrite question is ours (file_confirm_overwrite), not the dialog's. No
    // OFN_FILEMUSTEXIST: Windows would then refuse the name of a file not written yet.
    dialog.Flags = OFN_HIDEREADONLY;
    dialog.lpstrDefExt = defaultExt;
    if (!GetSaveFileNameW(&dialog))
        return false;
    path = utf8_of(name);
    filterIndex = dialog.nFilterIndex;
    // The folder comes from the path: not every system's dialog moves the current directory.
    const std::string folder = dialog_folder(path.c_str(), utf8_of(name, dialog.nFileOffset).size());
    std::memcpy(settings.saveDir, folder.c_str(), folder.size() + 1);
    return true;
}

int text_file_choose() {
    static const char *const filters[4] = {"テキストファイル(*.txt)", "*.txt", "すべてのファイル",
                                           "*.*"};
    std::string chosen;
    unsigned filterIndex = 0;
    if (!file_save_choose(filters, "テキストファイルを保存する", L"txt", chosen, filterIndex))
        return 0;
    // textPath changes only when the dialog is confirmed.
    static_assert(sizeof textPath >= 3 * MAX_PATH, "MAX_PATH units of UTF-16 as UTF-8");
    std::memcpy(textPath, chosen.c_str(), chosen.size() + 1);
    return 1;
}

bool file_confirm_overwrite(const char *path, const char *title) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW(wide_of(path).c_str(), &found);
    if (search == INVALID_HANDLE_VALUE)
        return true;
    FindClose(search);
    const std::string question =
        std::string(path) + language_text("ファイルは既に存在します。\n上書きしますか?");
    return MessageBoxW(mainWindow, wide_of(question).c_str(), wide_text(title).c_str(),
                       MB_YESNO | MB_ICONWARNING) != IDNO;
}

int text_file_confirm_overwrite() {
    return file_confirm_overwrite(textPath, "名前を付けてテキストを保存") ? 1 : 0;
}

bool text_cp932(const std::wstring &text, std::string &cp932) {
    cp932.clear();
    if (text.empty())
        return true;
    const int length = static_cast<int>(text.size());
    BOOL defaulted = FALSE;
    const int bytes = WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, text.data(), length, nullptr,
                                          0, nullptr, &defaulted);
    if (bytes <= 0 || defaulted)
        return false;
    cp932.resize(static_cast<size_t>(bytes));
    WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, text.data(), length, &cp932[0], bytes, nullptr,
                        &defaulted);
    // The way back must give the text itself: a code never stands for another character.
    std::wstring back(text.size(), L'\0');
    const int units = MultiByteToWideChar(932, 0, cp932.data(), bytes, &back[0], length);
    return !defaulted && units == length && back == text;
}

TextWrite text_file_write() {
    // The file holds the text alone, without its terminating zero.
    const std::wstring text = editor_text_wide();
    std::string bytes;
    if (!text_cp932(text, bytes)) {
        const std::wstring question =
            wide_text("テキストに、シフトJISで表せない文字が含まれています。\n"
                      "UTF-8で保存しますか?");
        if (MessageBoxW(mainWindow, question.c_str(), wide_of(appName).c_str(),
                        MB_YESNO | MB_ICONWARNING) != IDYES)
            return TextWrite::declined;
        bytes = "\xEF\xBB\xBF" + utf8_of(text);
    }
    if (!file_save_whole(textPath, bytes.data(), bytes.size())) {
        message_show(Message{"ファイルの作成に失敗しました", MessageIcon::error});
        return TextWrite::failed;
    }
    return TextWrite::written;
}
