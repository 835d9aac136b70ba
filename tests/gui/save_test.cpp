// Save and Save As through the real dialogs: the file's exact bytes, the overwrite question,
// failed writes, and which dialog comes when.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "core/common/cp932.h"
#include "core/common/document.h"
#include "core/conversion/settings.h"
#include "document/editor.h"
#include "main_window/main_window.h"
#include "resources/resource.h"
#include "tests/gui/file_dialog.h"
#include "tests/gui/gui_session.h"
#include "window/document_state.h"

namespace {

const char *const saveTitle = "テキストファイルを保存する";

// The text as the file holds it when CP932 holds it all.
std::string cp932(const std::string &utf8) {
    std::string bytes;
    EXPECT_TRUE(cp932_from_utf8(utf8, bytes)) << utf8;
    return bytes;
}
const char *const failedText = "ファイルの作成に失敗しました";

class Save : public WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        ASSERT_NE(app_start(), nullptr);
        out = startDir + "\\out";
        CreateDirectoryA(out.c_str(), nullptr);
    }
    std::string question(const std::string &path) const {
        return path + "ファイルは既に存在します。\n上書きしますか?";
    }
    std::string out;
};

} // namespace

TEST_F(Save, SaveAsThenSaveThenAFailedSave) {
    // Two rows of three characters: 3 + 2 + 3 + 2 bytes, and nothing after them.
    const std::string picture = "$#.\r\n ,;\r\n";
    text_set(editorPane, picture);
    FileDialogView view;
    std::vector<ModalDialog> seen = command_run(
        IDM_SAVE, {modal_then(file_dialog_look(&view), file_dialog_answer(out + "\\picture"))});
    ASSERT_EQ(seen.size(), 1u) << dialogs_describe(seen);
    EXPECT_EQ(seen[0].title, saveTitle);
    EXPECT_EQ(view.fileName, "無題");
    EXPECT_EQ(view.filters,
              (std::vector<std::string>{"テキストファイル(*.txt)", "すべてのファイル"}));
    const std::string path = out + "\\picture.txt";
    EXPECT_STREQ(textPath, path.c_str());
    EXPECT_STREQ(settings.saveDir, out.c_str());
    EXPECT_TRUE(hasFileName);
    EXPECT_EQ(file_read(path), picture);
    EXPECT_EQ(file_read(path).size(), 10u);

    struct Step {
        const char *name;
        std::string text;
        std::function<void()> before;
    } const steps[] = {
        {"edited", "edited\r\n", [] {}},
        {"empty", "", [] {}},
        {"deleted meanwhile", "again", [&] { DeleteFileA(path.c_str()); }},
        {"changed by another program", "ours", [&] { file_write(path, "theirs, and longer"); }},
    };
    for (const Step &s : steps) {
        text_set(editorPane, s.text);
        s.before();
        seen = command_run(IDM_SAVE);
        EXPECT_TRUE(seen.empty()) << s.name << ": " << dialogs_describe(seen);
        EXPECT_EQ(file_read(path), s.text) << s.name;
        EXPECT_TRUE(hasFileName) << s.name;
    }

    // Held open by another program: the failure is said, the file keeps what it had, and the
    // next Save asks for a name again.
    HANDLE hold = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(hold, INVALID_HANDLE_VALUE);
    text_set(editorPane, "lost");
    seen = command_run(IDM_SAVE, {modal_press(IDOK)});
    CloseHandle(hold);
    ASSERT_EQ(seen.size(), 1u) << dialogs_describe(seen);
    EXPECT_EQ(seen[0].title, "Velkorandite");
    EXPECT_EQ(seen[0].text, failedText);
    EXPECT_EQ(seen[0].icon, ModalIcon::error);
    EXPECT_FALSE(hasFileName);
    EXPECT_EQ(file_read(path), "ours");
    seen = command_run(IDM_SAVE, {modal_press(IDCANCEL)});
    ASSERT_EQ(seen.size(), 1u) << dialogs_describe(seen);
    EXPECT_EQ(seen[0].title, saveTitle);
    EXPECT_FALSE(hasFileName);
    EXPECT_STREQ(textPath, path.c_str());

    // A read-only file, where the system enforces it (a superuser under Wine may write anyway).
    hasFileName = true;
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
    HANDLE probe = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (probe == INVALID_HANDLE_VALUE) {
        seen = command_run(IDM_SAVE, {modal_press(IDOK)});
        ASSERT_EQ(seen.size(), 1u) << dialogs_describe(seen);
        EXPECT_EQ(seen[0].text, failedText);
        EXPECT_FALSE(hasFileName);
        EXPECT_EQ(file_read(path), "ours");
    } else {
        CloseHandle(probe);
    }
    SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
}

TEST_F(Save, OverwriteQuestionBothWays) {
    const std::string path = out + "\\taken.txt";
    file_write(path, "earlier");
    text_set(editorPane, "newer");
    struct Case {
        const char *name;
        bool hadFileName;
        int answer;
        const char *content;
        bool hasFileNameAfter;
    } const cases[] = {
        {"No", false, IDNO, "earlier", false},
        {"No keeps a name saved before", true, IDNO, "earlier", true},
        {"Yes", false, IDYES, "newer", true},
    };
    for (const Case &c : cases) {
        hasFileName = c.hadFileName;
        std::vector<ModalDialog> seen =
            command_run(IDM_SAVEAS, {file_dialog_answer(path), modal_press(c.answer)});
        ASSERT_EQ(seen.size(), 2u) << c.name << "\n" << dialogs_describe(seen);
        EXPECT_EQ(seen[1].title, "名前を付けてテキストを保存") << c.name;
        EXPECT_EQ(seen[1].text, question(path)) << c.name;
        EXPECT_EQ(seen[1].icon, ModalIcon::warning) << c.name;
        EXPECT_EQ(file_read(path), c.content) << c.name;
        EXPECT_EQ(hasFileName, c.hasFileNameAfter) << c.name;
    }
    // Save never asks; a cancelled Save As leaves the name, so Save still writes there.
    text_set(editorPane, "newest");
    std::vector<ModalDialog> seen = command_run(IDM_SAVEAS, {modal_press(IDCANCEL)});
    EXPECT_EQ(seen.size(), 1u) << dialogs_describe(seen);
    EXPECT_TRUE(hasFileName);
    EXPECT_STREQ(textPath, path.c_str());
    seen = command_run(IDM_SAVE);
    EXPECT_TRUE(seen.empty()) << dialogs_describe(seen);
    EXPECT_EQ(file_read(path), "newest");
}

// Names as typed, the dialog's starting folder, and the suggested name after an Open.
TEST_F(Save, NamesAndFolders) {
    struct Case {
        std::string typed, saved;
    } const cases[] = {
        {out + "\\plain", out + "\\plain.txt"},
        {out + "\\other.dat", out + "\\other.dat"},
        {"bare", out + "\\bare.txt"}, // the dialog starts in the folder of the last save
        {out + "\\表ソ", out + "\\表ソ.txt"},
    };
    for (const Case &c : cases) {
        text_set(editorPane, c.typed);
        std::vector<ModalDialog> seen = command_run(IDM_SAVEAS, {file_dialog_answer(c.typed)});
        ASSERT_EQ(seen.size(), 1u) << c.typed << "\n" << dialogs_describe(seen);
        EXPECT_STREQ(textPath, c.saved.c_str());
        EXPECT_EQ(file_read(c.saved), cp932(c.typed)); // the text in CP932, as always
    }

    // An accepted Open clears the name: Save asks again, with the new picture's title.
    const std::string picture = startDir + "\\holiday.2024.bmp";
    bmp_write(picture, 8, 8, [](int32_t, int32_t) { return Pixel{1, 2, 3}; });
    std::vector<ModalDialog> seen = command_run(IDM_OPEN, {file_dialog_answer(picture)});
    ASSERT_EQ(seen.size(), 1u) << dialogs_describe(seen);
    EXPECT_FALSE(hasFileName);
    FileDialogView view;
    seen = command_run(IDM_SAVE, {modal_then(file_dialog_look(&view), modal_press(IDCANCEL))});
    ASSERT_EQ(seen.size(), 1u) << dialogs_describe(seen);
    EXPECT_EQ(view.fileName, "holiday");
}

// No character is ever dropped: a text CP932 cannot hold all of is saved only after a question,
// as UTF-8 with a byte order mark; No saves nothing and keeps the name already there.
TEST_F(Save, TextCp932CannotHoldIsSavedAsUtf8OnlyWhenAsked) {
    const std::string text = "사진 $#\r\ncafé 写真\r\n", path = out + "\\korean.txt";
    const std::string question =
        "テキストに、シフトJISで表せない文字が含まれています。\nUTF-8で保存しますか?";
    text_set(editorPane, text);
    std::vector<ModalDialog> seen =
        command_run(IDM_SAVEAS, {file_dialog_answer(path), modal_press(IDNO)});
    ASSERT_EQ(seen.size(), 2u) << dialogs_describe(seen);
    EXPECT_EQ(seen[1].title, "Velkorandite");
    EXPECT_EQ(seen[1].text, question);
    EXPECT_EQ(seen[1].icon, ModalIcon::warning);
    EXPECT_FALSE(file_exists(path));
    EXPECT_FALSE(hasFileName);

    seen = command_run(IDM_SAVEAS, {file_dialog_answer(path), modal_press(IDYES)});
    ASSERT_EQ(seen.size(), 2u) << dialogs_describe(seen);
    EXPECT_EQ(file_read(path), "\xEF\xBB\xBF" + text);
    EXPECT_TRUE(hasFileName);

    text_set(editorPane, "사");
    seen = command_run(IDM_SAVE, {modal_press(IDNO)});
    ASSERT_EQ(seen.size(), 1u) << dialogs_describe(seen);
    EXPECT_EQ(file_read(path), "\xEF\xBB\xBF" + text);
    EXPECT_TRUE(hasFileName);
}

// Text beyond what a conversion makes, double-byte characters included, is saved whole.
TEST_F(Save, LongTextIsSavedWhole) {
    std::string text;
    while (cp932(text).size() < 64000)
        text += "表示ソ$&%#*?+/!;:-,. abcdefghijklmnopqrstuvwxyz0123456789\r\n";
    text_set(editorPane, text);
    ASSERT_EQ(editor_text(), text);
    const std::string path = out + "\\long.txt";
    std::vector<ModalDialog> seen = command_run(IDM_SAVEAS, {file_dialog_answer(path)});
    ASSERT_EQ(seen.size(), 1u) << dialogs_describe(seen);
    const std::string saved = file_read(path);
    EXPECT_EQ(saved.size(), cp932(text).size());
    EXPECT_TRUE(saved == cp932(text));
}
