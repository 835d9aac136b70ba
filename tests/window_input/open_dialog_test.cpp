// The open dialog's file types, as the dialog takes them: pictures first, in the interface's
// language.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/common/language.h"
#include "main_window/open_dialog.h"
#include "window/document_state.h"

namespace {

// Each label and its patterns, "|" between the zero-ended parts; the list ends with one more.
std::string parts(const std::string &filter) {
    std::string out;
    for (char c : filter)
        out += c == '\0' ? '|' : c;
    return out;
}

const TextPair english[] = {
    {"画像ファイル(*.bmp;*.png;*.jpg;*.jpeg;*.gif;*.webp;*.heic;*.heif;*.avif)",
     "Pictures (*.bmp;*.png;*.jpg;*.jpeg;*.gif;*.webp;*.heic;*.heif;*.avif)"},
};

} // namespace

TEST(OpenDialog, FileTypesPicturesFirst) {
    EXPECT_EQ(openFilterIndex, 1);
    EXPECT_EQ(parts(open_dialog_filter()),
              "画像ファイル(*.bmp;*.png;*.jpg;*.jpeg;*.gif;*.webp;*.heic;*.heif;*.avif)|*.bmp;*."
              "png;*.jpg;*.jpeg;*.gif;*.webp;*.heic;*.heif;*.avif|"
              "ビットマップファイル(*.bmp)|*.bmp|すべてのファイル|*.*||");
    language_add_texts(english, 1);
    uiLanguage = Language::english;
    const std::string pictures = "Pictures "
                                 "(*.bmp;*.png;*.jpg;*.jpeg;*.gif;*.webp;*.heic;*.heif;*.avif)|*."
                                 "bmp;*.png;*.jpg;*.jpeg;*.gif;*.webp;*.heic;*.heif;*.avif|";
    EXPECT_EQ(parts(open_dialog_filter()).substr(0, pictures.size()), pictures);
    uiLanguage = Language::japanese;
}
