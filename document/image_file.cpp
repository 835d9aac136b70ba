#include "document/image_file.h"

#include <windows.h>
#include <commdlg.h>

#include <cstring>
#include <string>

#include "core/document.h"
#include "core/file_save.h"
#include "core/settings.h"
#include "core/text_html.h"
#include "core/text_image.h"
#include "document/editor.h"
#include "document/text_file.h"
#include "image_pane/image_pane.h"
#include "main_window/main_window.h"

namespace {

const char *const imageTitle = "画像として保存";

bool extension_is(const std::string &path, const char *extension) {
    const size_t n = std::strlen(extension);
    return path.size() > n && lstrcmpiA(path.c_str() + path.size() - n, extension) == 0;
}

// The name and kind: by the extension typed, else by the chosen filter, whose extension is
// then added (not every system's dialog adds the chosen filter's own).
bool image_file_choose(std::string &path, bool &html) {
    static const char filter[] = "PNG 画像(*.png)\0*.png\0HTML ファイル(*.html)\0*.html\0";
    char name[sizeof textPath];
    lstrcpynA(name, docTitle, sizeof name);
    OPENFILENAMEA dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = imagePane;
    dialog.lpstrFilter = filter;
    dialog.nFilterIndex = 1;
    dialog.lpstrFile = name;
    dialog.nMaxFile = sizeof name;
    dialog.lpstrInitialDir = settings.saveDir[0] != '\0' ? settings.saveDir : nullptr;
    dialog.lpstrTitle = imageTitle;
    dialog.Flags = OFN_HIDEREADONLY;
    if (!GetSaveFileNameA(&dialog))
        return false;
    path = name;
    lstrcpynA(settings.saveDir, dialog_folder(name, dialog.nFileOffset).c_str(),
              sizeof settings.saveDir);
    if (extension_is(path, ".png")) {
        html = false;
    } else if (extension_is(path, ".html") || extension_is(path, ".htm")) {
        html = true;
    } else {
        html = dialog.nFilterIndex == 2;
        path += html ? ".html" : ".png";
    }
    return true;
}

} // namespace

void image_file_save() {
    std::string path;
    bool html = false;
    if (!image_file_choose(path, html) || !file_confirm_overwrite(path.c_str(), imageTitle))
        return;
    const std::string text = editor_text();
    std::string bytes;
    if (html) {
        LOGFONTA font{};
        GetObjectA(editorFont, sizeof font, &font);
        const std::string name = path.substr(path_folder_length(path.c_str()));
        bytes = text_html(text, cp932_to_utf8(name.substr(0, name.rfind('.'))),
                          cp932_to_utf8(font.lfFaceName));
    } else {
        TextImageFont font;
        font.handle = editorFont;
        std::string reason;
        if (!text_image_png(text, font, bytes, reason)) {
            message_show(Message{reason, MessageIcon::error});
            return;
        }
    }
    if (!file_save_whole(path.c_str(), bytes.data(), bytes.size()))
        message_show(Message{"ファイルの作成に失敗しました", MessageIcon::error});
}
