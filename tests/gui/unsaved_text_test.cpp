// Closing the window and Clear ask before a text typed in the editor is lost; a converted text
// that was not touched goes without a word.
#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "core/common/document.h"
#include "window/document_state.h"
#include "document/editor.h"
#include "main_window/commands.h"
#include "main_window/main_window.h"
#include "resources/resource.h"
#include "tests/gui/file_dialog.h"
#include "tests/gui/gui_session.h"

namespace {

class UnsavedText : public WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        ASSERT_NE(app_start(), nullptr);
    }

  public:
    // Typed as the keyboard types, through the pane's own character handling.
    void type(const std::string &keys) {
        for (char c : keys)
            SendMessageW(editorPane, WM_CHAR, static_cast<WPARAM>(c), 0);
    }
    // A picture opened and converted: the editor holds a text the program made.
    void convert() {
        const std::string path = startDir + "\\photo.bmp";
        bmp_write(path, 40, 30, [](int32_t x, int32_t y) { return photo_pixel(x, y, 40, 30); });
        command_open_path(path.c_str());
        command_run(IDM_CONVERT);
        ASSERT_FALSE(editor_text().empty());
    }
};

const char *const untitledQuestion = "無題 への変更を保存しますか?";

} // namespace

TEST_F(UnsavedText, CloseAndClearAskOnlyForTypedText) {
    struct Case {
        const char *name;
        std::function<void(UnsavedText &)> before;
        int command;
        std::vector<ModalAction> answers;
        const char *question; // nullptr: no question
        bool goesOn;          // the window closed, or the text cleared
    } const cases[] = {
        {"typed, close, Cancel", [](UnsavedText &t) { t.type("abc"); }, IDM_EXIT,
         {modal_press(IDCANCEL)}, untitledQuestion, false},
        {"typed, close, No", [](UnsavedText &t) { t.type("abc"); }, IDM_EXIT,
         {modal_press(IDNO)}, untitledQuestion, true},
        {"converted only, close", [](UnsavedText &t) { t.convert(); }, IDM_EXIT, {}, nullptr,
         true},
        {"converted then typed, close, Cancel",
         [](UnsavedText &t) {
             t.convert();
             t.type("x");
         },
         WM_CLOSE, {modal_press(IDCANCEL)}, untitledQuestion, false},
        {"typed then converted, close",
         [](UnsavedText &t) {
             t.type("x");
             t.convert();
         },
         IDM_EXIT, {}, nullptr, true},
        {"typed, Clear, Cancel", [](UnsavedText &t) { t.type("abc"); }, IDM_CLEAR,
         {modal_press(IDCANCEL)}, untitledQuestion, false},
        {"typed, Clear, No", [](UnsavedText &t) { t.type("abc"); }, IDM_CLEAR,
         {modal_press(IDNO)}, untitledQuestion, true},
        {"converted only, Clear", [](UnsavedText &t) { t.convert(); }, IDM_CLEAR, {}, nullptr,
         true},
        {"typed, Clear, Yes, save dialog cancelled", [](UnsavedText &t) { t.type("abc"); },
         IDM_CLEAR, {modal_press(IDYES), modal_press(IDCANCEL)}, untitledQuestion, false},
    };
    for (const Case &c : cases) {
        if (!IsWindow(mainWindow)) {
            quit_drain();
            app_state_reset();
            ASSERT_NE(app_start(), nullptr) << c.name;
        }
        text_set(editorPane, "");
        c.before(*this);
        const std::string text = editor_text();
        std::vector<ModalDialog> seen;
        if (c.command == WM_CLOSE) { // the close box and Alt+F4 come as WM_CLOSE
            modal_driver_begin();
            for (const ModalAction &a : c.answers)
                modal_expect(a);
            SendMessageW(mainWindow, WM_CLOSE, 0, 0);
            seen = modal_driver_end();
        } else {
            seen = command_run(c.command, c.answers);
        }
        ASSERT_EQ(seen.size(), c.answers.size()) << c.name << "\n" << dialogs_describe(seen);
        if (c.question != nullptr) {
            EXPECT_EQ(seen[0].text, c.question) << c.name;
            EXPECT_EQ(seen[0].title, "Velkorandite") << c.name;
            EXPECT_EQ(seen[0].icon, ModalIcon::warning) << c.name;
        }
        if (c.command == IDM_CLEAR) {
            EXPECT_EQ(editor_text(), c.goesOn ? "" : text) << c.name;
            continue;
        }
        EXPECT_EQ(IsWindow(mainWindow) == FALSE, c.goesOn) << c.name;
        // The settings are written only once the window really closes.
        EXPECT_EQ(ini_exists(), c.goesOn) << c.name;
        if (IsWindow(mainWindow)) {
            EXPECT_EQ(editor_text(), text) << c.name;
        }
        DeleteFileA((startDir + "\\vkd.ini").c_str());
    }
}

// Yes saves as Save does: through the dialog while there is no name, then to the file itself;
// the question names the file, and a saved text closes without one.
TEST_F(UnsavedText, YesSavesFirst) {
    const std::string path = startDir + "\\typed.txt";
    type("abc");
    std::vector<ModalDialog> seen =
        command_run(IDM_CLEAR, {modal_press(IDYES), file_dialog_answer(path)});
    ASSERT_EQ(seen.size(), 2u) << dialogs_describe(seen);
    EXPECT_EQ(file_read(path), "abc");
    EXPECT_EQ(editor_text(), "");

    type("def"); // Clear forgot the name: Save asks for one
    seen = command_run(IDM_SAVE, {file_dialog_answer(path), modal_press(IDYES)});
    ASSERT_EQ(seen.size(), 2u) << dialogs_describe(seen);
    seen = command_run(IDM_EXIT);
    ASSERT_TRUE(seen.empty()) << "a saved text: " << dialogs_describe(seen);
    ASSERT_FALSE(IsWindow(mainWindow));

    quit_drain();
    app_state_reset();
    ASSERT_NE(app_start(), nullptr);
    std::strcpy(textPath, path.c_str());
    hasFileName = true;
    type("ghi");
    // A failed save keeps the window: the file held open by another program.
    HANDLE hold = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(hold, INVALID_HANDLE_VALUE);
    seen = command_run(IDM_EXIT, {modal_press(IDYES), modal_press(IDOK)});
    CloseHandle(hold);
    ASSERT_EQ(seen.size(), 2u) << dialogs_describe(seen);
    EXPECT_EQ(seen[0].text, "typed.txt への変更を保存しますか?");
    EXPECT_TRUE(IsWindow(mainWindow));
    EXPECT_EQ(file_read(path), "def");

    hasFileName = true;
    seen = command_run(IDM_EXIT, {modal_press(IDYES)});
    ASSERT_EQ(seen.size(), 1u) << dialogs_describe(seen);
    EXPECT_FALSE(IsWindow(mainWindow));
    EXPECT_EQ(file_read(path), "ghi");
    EXPECT_TRUE(ini_exists());
}
