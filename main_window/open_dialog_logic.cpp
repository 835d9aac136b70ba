#include "main_window/open_dialog.h"

#include "core/common/language.h"
#include "window/document_state.h"

int openFilterIndex = 1;

std::string open_dialog_filter() {
    static const char *const types[][2] = {
        {"画像ファイル(*.bmp;*.png;*.jpg;*.jpeg;*.gif;*.webp;*.heic;*.heif;*.avif)",
         "*.bmp;*.png;*.jpg;*.jpeg;*.gif;*.webp;*.heic;*.heif;*.avif"},
        {"ビットマップファイル(*.bmp)", "*.bmp"},
        {"すべてのファイル", "*.*"},
    };
    std::string filter;
    for (const auto &type : types) {
        filter += language_text(type[0]);
        filter += '\0';
        filter += type[1];
        filter += '\0';
    }
    return filter + '\0';
}
