// The window on a Windows whose interface language is not Japanese: every text the user reads
// is English. Runs only in the English session (english_session.sh); the Japanese texts are
// checked everywhere else.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/common/language.h"
#include "core/conversion/settings.h"
#include "document/editor.h"
#include "main_window/commands.h"
#include "main_window/main_window.h"
#include "main_window/status_bar.h"
#include "window/wide.h"
#include "resources/resource.h"
#include "tests/gui/file_dialog.h"
#include "tests/gui/gui_session.h"
#include "window/document_state.h"

namespace {

std::string menu_text(HMENU menu, UINT item, UINT by) {
    wchar_t text[128] = L"";
    GetMenuStringW(menu, item, text, 128, by);
    return utf8_of(text);
}

std::string part_text(int part) {
    wchar_t text[256] = L"";
    SendMessageW(statusBar, SB_GETTEXTW, part, reinterpret_cast<LPARAM>(text));
    return utf8_of(text);
}

std::string help_page;

HINSTANCE WINAPI help_record(HWND, LPCWSTR, LPCWSTR file, LPCWSTR, LPCWSTR, INT) {
    help_page = utf8_of(file);
    return reinterpret_cast<HINSTANCE>(42);
}

using English = WindowTest;

} // namespace

TEST_F(English, EveryTextTheUserReads) {
    ASSERT_NE(app_start(), nullptr);
    ASSERT_EQ(uiLanguage, Language::english) << "not an English session";
    EXPECT_EQ(text_of(mainWindow), "Untitled - Velkorandite");

    HMENU menu = GetMenu(mainWindow);
    EXPECT_EQ(menu_text(menu, 0, MF_BYPOSITION), "&File");
    EXPECT_EQ(menu_text(menu, IDM_OPEN, MF_BYCOMMAND), "&Open...");
    EXPECT_EQ(menu_text(menu, IDM_OPENCLIPBOARD, MF_BYCOMMAND), "Open from clip&board");
    EXPECT_EQ(menu_text(menu, IDM_LOOK_SHAPE, MF_BYCOMMAND), "&Outline"); // two levels down
    EXPECT_EQ(menu_text(menu, IDM_CHARSET_HALF, MF_BYCOMMAND), "&Half-width");
    EXPECT_EQ(menu_text(menu, IDM_CHARSET_FULL, MF_BYCOMMAND), "&Full-width");
    EXPECT_EQ(menu_text(menu, IDM_LOOK_TRACE, MF_BYCOMMAND), "&Trace");
    EXPECT_EQ(menu_text(menu, IDM_TARGET_WINDOW, MF_BYCOMMAND), "&Window");
    EXPECT_EQ(menu_text(menu, IDM_TARGET_BOARD, MF_BYCOMMAND), "&Board");
    HMENU convert = GetSubMenu(menu, 3);
    EXPECT_EQ(menu_text(convert, GetMenuItemCount(convert) - 1, MF_BYPOSITION), "&Output for");

    wchar_t untouched[] = L"";
    NMTTDISPINFOW tip{};
    tip.hdr.idFrom = IDM_SAVEAS;
    tip.hdr.code = TTN_NEEDTEXTW;
    tip.lpszText = untouched;
    SendMessageW(mainWindow, WM_NOTIFY, IDM_SAVEAS, reinterpret_cast<LPARAM>(&tip));
    EXPECT_EQ(utf8_of(tip.lpszText), "Save As");

    EXPECT_EQ(part_text(3), "Ratio: 50");
    SendMessageW(mainWindow, WM_MENUSELECT, MAKEWPARAM(IDM_SAVE, MF_HILITE), 0);
    EXPECT_EQ(part_text(0), "Saves the current text file.");

    std::string title, width, cancel;
    std::vector<ModalDialog> seen =
        command_run(IDM_SETTINGS, {[&](const ModalDialog &d) {
                        title = text_of(d.window);
                        width = text_of(GetDlgItem(d.window, IDC_STATIC_WIDTH));
                        cancel = text_of(GetDlgItem(d.window, IDCANCEL));
                        modal_press(IDCANCEL)(d);
                    }});
    ASSERT_EQ(seen.size(), 1u) << dialogs_describe(seen);
    EXPECT_EQ(title, "Settings");
    EXPECT_EQ(width, "Characters per line");
    EXPECT_EQ(cancel, "Cancel");

    FileDialogView view;
    seen = command_run(IDM_OPEN, {modal_then(file_dialog_look(&view), modal_press(IDCANCEL))});
    ASSERT_EQ(seen.size(), 1u) << dialogs_describe(seen);
    EXPECT_EQ(seen[0].title, "Open Bitmap File");
    ASSERT_FALSE(view.filters.empty());
    EXPECT_EQ(view.filters[0],
              "Pictures (*.bmp;*.png;*.jpg;*.jpeg;*.gif;*.webp;*.heic;*.heif;*.avif)");

    // A message box: the question before saving a text CP932 cannot hold.
    text_set(editorPane, "사진");
    seen = command_run(IDM_SAVEAS, {file_dialog_answer(startDir + "\\t.txt"), modal_press(IDNO)});
    ASSERT_EQ(seen.size(), 2u) << dialogs_describe(seen);
    EXPECT_EQ(seen[1].text, "The text has characters that Shift-JIS cannot represent.\n"
                            "Do you want to save it as UTF-8?");

    // Help opens the English page.
    HINSTANCE(WINAPI * saved)(HWND, LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR, INT) = helpShellExecute;
    helpShellExecute = help_record;
    command_run(IDM_HELP);
    helpShellExecute = saved;
    EXPECT_EQ(help_page, "index-en.html");
}

// Closing with a typed text asks in English, naming the untitled text as the caption does.
TEST_F(English, CloseQuestion) {
    ASSERT_NE(app_start(), nullptr);
    SendMessageW(editorPane, WM_CHAR, 'a', 0);
    std::vector<ModalDialog> seen = command_run(IDM_EXIT, {modal_press(IDCANCEL)});
    ASSERT_EQ(seen.size(), 1u) << dialogs_describe(seen);
    EXPECT_EQ(seen[0].text, "Save changes to Untitled?");
    EXPECT_TRUE(IsWindow(mainWindow));
}

// The saved image draws the characters the editor shows, also in a face this Windows does not
// have (a fresh English Windows has no ＭＳ ゴシック): two characters never come out as one
// picture (the same empty box), nor as a blank one.
TEST_F(English, SavedImageDrawsTheCharacters) {
    ASSERT_NE(app_start(), nullptr);
    int saved = 0;
    for (const char *face : {builtinFace, "ＭＳ 明朝"}) {
        editorFont = font_create(-15, 0, FALSE, FALSE, face);
        SendMessageW(editorPane, WM_SETFONT, reinterpret_cast<WPARAM>(editorFont), FALSE);
        const char *const texts[] = {"A", "B", " ", "あ", "い"};
        std::string images[5];
        for (int i = 0; i < 5; ++i) {
            const std::string path = startDir + "\\" + std::to_string(++saved) + ".png";
            text_set(editorPane, texts[i]);
            std::vector<ModalDialog> seen = command_run(IDM_SAVEIMAGE, {file_dialog_answer(path)});
            ASSERT_EQ(seen.size(), 1u) << face << "\n" << dialogs_describe(seen);
            images[i] = file_read(path);
        }
        EXPECT_NE(images[0], images[1]) << face << ": A and B drawn alike";
        EXPECT_NE(images[0], images[2]) << face << ": A not drawn";
        EXPECT_NE(images[3], images[4]) << face << ": あ and い drawn alike";
    }
}
