// The editor pane: Edit command states, the Edit actions, its limit and the font dialog.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>

#include "core/conversion/settings.h"
#include "document/editor.h"
#include "main_window/main_window.h"
#include "main_window/toolbar.h"
#include "resources/resource.h"
#include "tests/gui/gui_session.h"
#include "tests/gui/modal_driver.h"
#include "window/wide.h"
#include "window/document_state.h"

using Editor = WindowTest;

static bool menu_enabled(int id) {
    return (GetMenuState(GetMenu(mainWindow), id, MF_BYCOMMAND) & (MF_GRAYED | MF_DISABLED)) == 0;
}

static bool button_enabled(int id) {
    return SendMessageA(toolbar, TB_ISBUTTONENABLED, id, 0) != 0;
}

// The editor pane asks its parent for colours when it paints; that is what updates the states.
static void editor_repaint() {
    InvalidateRect(editorPane, nullptr, TRUE);
    UpdateWindow(editorPane);
}

TEST_F(Editor, EditCommandStatesFollowSelectionAndModifyFlag) {
    ASSERT_NE(app_start(), nullptr);
    SetWindowTextA(editorPane, "abc\r\ndef");
    struct {
        const char *name;
        int selStart, selEnd;
        bool modified;
        bool cut, undo;
    } const cases[] = {
        {"caret only", 2, 2, false, false, false},
        {"one character", 0, 1, false, true, false},
        {"everything", 0, -1, false, true, false},
        {"modified, caret only", 3, 3, true, false, true},
        {"modified and selected", 1, 4, true, true, true},
    };
    for (const auto &c : cases) {
        SendMessageA(editorPane, EM_SETSEL, c.selStart, c.selEnd);
        SendMessageA(editorPane, EM_SETMODIFY, c.modified, 0);
        editor_repaint();
        EXPECT_EQ(menu_enabled(IDM_CUT), c.cut) << c.name;
        EXPECT_EQ(menu_enabled(IDM_COPY), c.cut) << c.name;
        EXPECT_EQ(menu_enabled(IDM_DELETE), c.cut) << c.name;
        EXPECT_EQ(button_enabled(IDM_CUT), c.cut) << c.name;
        EXPECT_EQ(button_enabled(IDM_COPY), c.cut) << c.name;
        EXPECT_EQ(menu_enabled(IDM_UNDO), c.undo) << c.name;
        EXPECT_EQ(button_enabled(IDM_UNDO), c.undo) << c.name;
        // Never disabled.
        EXPECT_TRUE(menu_enabled(IDM_PASTE)) << c.name;
        EXPECT_TRUE(menu_enabled(IDM_SELECTALL)) << c.name;
        EXPECT_TRUE(menu_enabled(IDM_FONT)) << c.name;
    }
}

TEST_F(Editor, SelectAllFocusesAndSelectsEverything) {
    ASSERT_NE(app_start(), nullptr);
    SetWindowTextA(editorPane, "$$&&\r\n..  ");
    SetFocus(mainWindow);
    editor_command(IDM_SELECTALL);
    EXPECT_EQ(GetFocus(), editorPane);
    DWORD start = 1, end = 0;
    SendMessageA(editorPane, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                 reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 0u);
    EXPECT_EQ(end, 10u);
    editor_repaint();
    EXPECT_TRUE(menu_enabled(IDM_CUT));
}

TEST_F(Editor, DeleteLeavesTheClipboardAndCutFillsIt) {
    ASSERT_NE(app_start(), nullptr);
    ASSERT_TRUE(OpenClipboard(mainWindow));
    EmptyClipboard();
    CloseClipboard();
    SetWindowTextA(editorPane, "abcdef");
    SendMessageA(editorPane, EM_SETSEL, 0, 2);
    editor_command(IDM_DELETE);
    EXPECT_EQ(text_of(editorPane), "cdef");
    EXPECT_FALSE(IsClipboardFormatAvailable(CF_TEXT));
    SendMessageA(editorPane, EM_SETSEL, 0, 2);
    editor_command(IDM_CUT);
    EXPECT_EQ(text_of(editorPane), "ef");
    EXPECT_TRUE(IsClipboardFormatAvailable(CF_TEXT));
    SendMessageA(editorPane, EM_SETSEL, 2, 2);
    editor_command(IDM_PASTE);
    EXPECT_EQ(text_of(editorPane), "efcd");
    SendMessageA(editorPane, EM_SETSEL, 0, 1);
    editor_command(IDM_COPY);
    SendMessageA(editorPane, EM_SETSEL, 0, 0);
    editor_command(IDM_PASTE);
    EXPECT_EQ(text_of(editorPane), "eefcd");
}

// The limit set at start-up is 65,536, and a selection that ends past 65,535 still counts.
TEST_F(Editor, TakesSixtyFiveThousandFiveHundredThirtySixCharacters) {
    ASSERT_NE(app_start(), nullptr);
    const std::string full(65536, 'a');
    SendMessageA(editorPane, EM_REPLACESEL, FALSE,
                 reinterpret_cast<LPARAM>((full + "bbb").c_str()));
    EXPECT_EQ(GetWindowTextLengthA(editorPane), 65536);
    editor_command(IDM_SELECTALL);
    editor_repaint();
    EXPECT_TRUE(menu_enabled(IDM_CUT));
    EXPECT_TRUE(button_enabled(IDM_COPY));
}

static std::string face_of_editor() {
    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HGDIOBJ>(SendMessageW(editorPane, WM_GETFONT, 0, 0)), sizeof font,
               &font);
    return utf8_of(font.lfFaceName);
}

TEST_F(Editor, FontDialogCancelChangesNothing) {
    ASSERT_NE(app_start(), nullptr);
    HFONT before = reinterpret_cast<HFONT>(SendMessageA(editorPane, WM_GETFONT, 0, 0));
    modal_driver_begin();
    modal_expect(modal_press(IDCANCEL));
    editor_command(IDM_FONT);
    const std::vector<ModalDialog> seen = modal_driver_end();
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_TRUE(seen[0].expected);
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageA(editorPane, WM_GETFONT, 0, 0)), before);
    EXPECT_EQ(settings.Height, 0);
    EXPECT_STREQ(settings.FaceName, "");
}

// OK on the dialog's choice: the editor takes the font, the face and negated height are kept.
TEST_F(Editor, FontDialogOkStoresFaceAndHeight) {
    ASSERT_NE(app_start(), nullptr);
    modal_driver_begin();
    modal_expect(modal_press(IDOK));
    editor_command(IDM_FONT);
    const std::vector<ModalDialog> seen = modal_driver_end();
    ASSERT_EQ(seen.size(), 1u) << "a second dialog: " << (seen.size() > 1 ? seen[1].text : "");
    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HGDIOBJ>(SendMessageW(editorPane, WM_GETFONT, 0, 0)), sizeof font,
               &font);
    EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageW(editorPane, WM_GETFONT, 0, 0)), editorFont);
    EXPECT_EQ(settings.FaceName, utf8_of(font.lfFaceName));
    EXPECT_EQ(settings.Height, -font.lfHeight);
    EXPECT_NE(settings.Height, 0);
    EXPECT_EQ(face_of_editor(), settings.FaceName);
}
