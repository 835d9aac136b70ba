#include "document/image_file.h"

#include <windows.h>
#include <commdlg.h>

#include <cstring>
#include <string>

#include "core/common/document.h"
#include "core/files/file_save.h"
#include "core/conversion/settings.h"
#include "core/output/text_html.h"
#include "core/output/text_image.h"
#include "core/common/utf8.h"
#include "document/editor.h"
#include "document/text_file.h"
#include "image_pane/image_pane.h"
#include "window/document_state.h"
#include "window/wide.h"
#include "window/window.h"

namespace {

const char *const imageTitle = "画像として保存";

bool extension_is(const std::string &path, const char *extension) {
    const size_t n = std::strlen(extension);
    return path.size() > n && lstrcmpiW(wide_of(path.substr(path.size() - n)).c_str(),
                                        wide_of(extension).c_str()) == 0;
}

// The name and kind: by the extension typed, else by the chosen filter, whose extension is
// then added (not every system's dialog adds the chosen filter's own).
bool image_file_choose(std::string &path, bool &html) {
    static const char *const filters[4] = {"PNG 画像(*.png)", "*.png", "HTML ファイル(*.html)",
                                           "*.html"};
    unsigned filterIndex = 0;
    if (!file_save_choose(filters, imageTitle, nullptr, path, filterIndex))
        return false;
    if (extension_is(path, ".png")) {
        html = false;
    } else if (extension_is(path, ".html") || extension_is(path, ".htm")) {
        html = true;
    } else {
        html = filterIndex == 2;
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
    // A text CP932 holds is drawn and written as it always was; any other keeps every character.
    // For a board, what the board shows: the text laid out proportionally in its font.
    const std::wstring text = editor_text_wide();
    const bool board = lookSettings.target == Target::board;
    std::string cp932;
    const TextGrid grid = board                     ? text_grid_board(utf8_of(text))
                          : text_cp932(text, cp932) ? text_grid(cp932)
                                                    : text_grid_utf8(utf8_of(text));
    std::string bytes;
    if (html) {
        const std::string name = path.substr(path_folder_length(path.c_str()));
        const std::string title = name.substr(0, name.rfind('.'));
        LOGFONTW font{};
        GetObjectW(editorFont, sizeof font, &font);
        bytes = board ? text_html_board(utf8_of(text), title)
                      : text_html_grid(grid, title, utf8_of(font.lfFaceName));
    } else {
        TextImageFont font;
        font.handle = editorFont; // a board's font replaces it
        std::string reason;
        if ((board && !text_image_font_board(nullptr, font, reason)) ||
            !text_image_png_grid(grid, font, bytes, reason)) {
            message_show(Message{reason, MessageIcon::error});
            return;
        }
    }
    if (!file_save_whole(path.c_str(), bytes.data(), bytes.size()))
        message_show(Message{"ファイルの作成に失敗しました", MessageIcon::error});
}
