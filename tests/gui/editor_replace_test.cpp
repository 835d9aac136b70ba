// Replacing the editor's whole text with its drawing switched off: the result on the screen must
// be what the control draws for that text by itself, and a hidden editor must stay hidden.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "document/editor.h"
#include "main_window/main_window.h"
#include "tests/gui/gui_benchmark.h"
#include "tests/gui/gui_session.h"

using EditorReplace = WindowTest;

namespace {

std::string editor_text_now() {
    std::string text(static_cast<size_t>(GetWindowTextLengthA(editorPane)) + 1, '\0');
    text.resize(GetWindowTextA(editorPane, &text[0], static_cast<int>(text.size())));
    return text;
}

} // namespace

TEST_F(EditorReplace, ShowsWhatTheControlDrawsAndKeepsAHiddenEditorHidden) {
    ASSERT_NE(app_start(), nullptr);
    MoveWindow(mainWindow, 10, 10, 800, 600, TRUE);
    quit_drain();
    SetFocus(editorPane);
    // Longer and wider than the pane: both scroll bars have a range to show.
    std::string text;
    for (int row = 0; row < 300; ++row) {
        for (int col = 0; col < 150; ++col)
            text += "$&%#*?+/!;:-,. "[(row * 7 + col * 3) % 15];
        text += "\r\n";
    }

    ASSERT_TRUE(editor_text_replace(text.c_str()));
    UpdateWindow(editorPane);
    EXPECT_TRUE(IsWindowVisible(editorPane));
    EXPECT_EQ(editor_text_now(), text);
    EXPECT_EQ(GetFocus(), editorPane);
    const std::vector<uint8_t> replaced = window_seen_pixels(editorPane);

    // The control's own drawing of the same text, every step shown, then painted in full.
    SetWindowTextA(editorPane, "");
    SetWindowTextA(editorPane, text.c_str());
    RedrawWindow(editorPane, nullptr, nullptr,
                 RDW_ERASE | RDW_FRAME | RDW_INVALIDATE | RDW_UPDATENOW);
    const std::vector<uint8_t> own = window_seen_pixels(editorPane);
    ASSERT_FALSE(own.empty());
    EXPECT_TRUE(replaced == own) << "the editor looks different after the replacement";

    ShowWindow(editorPane, SW_HIDE);
    ASSERT_TRUE(editor_text_replace("abc"));
    EXPECT_FALSE(IsWindowVisible(editorPane));
    EXPECT_EQ(editor_text_now(), "abc");
}
