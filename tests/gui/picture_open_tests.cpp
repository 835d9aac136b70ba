// PNG, JPEG and GIF pictures reaching the window the three ways a user has: the open dialog's
// second filter, a drop on the window, a name on the command line. Each converts to exactly the
// text the core pipeline gives for the same file, which is what vkd prints.
#include <windows.h>
#include <shlobj.h>

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "core/reading/bitmap.h"
#include "core/conversion/convert.h"
#include "core/common/document.h"
#include "core/conversion/geometry.h"
#include "core/conversion/settings.h"
#include "main_window/command_line.h"
#include "main_window/main_window.h"
#include "window/wide.h"
#include "resources/resource.h"
#include "tests/gui/file_dialog.h"
#include "tests/gui/gui_session.h"
#include "window/wide.h"
#include "window/document_state.h"

namespace {

const std::string openFailed = "ファイルのオープンに失敗しました。";

constexpr int fileTypeList = 1136; // the open dialog's file-type combo box

// Chooses the n-th entry of the dialog's file-type list as a user would (the list tells both
// the change and its end), and records what the list then shows.
ModalAction file_type_choose(int index, std::string *shown) {
    return [index, shown](const ModalDialog &d) {
        HWND types = GetDlgItem(d.window, fileTypeList);
        SendMessageW(types, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        for (WORD code : {CBN_SELCHANGE, CBN_SELENDOK})
            SendMessageW(d.window, WM_COMMAND, MAKEWPARAM(fileTypeList, code),
                         reinterpret_cast<LPARAM>(types));
        wchar_t text[256] = L"";
        SendMessageW(types, CB_GETLBTEXT, SendMessageW(types, CB_GETCURSEL, 0, 0),
                     reinterpret_cast<LPARAM>(text));
        *shown = utf8_of(text);
    };
}

// Drops the files on the main window the way the shell does: a DROPFILES block with the wide
// paths, each ended by a zero and the list by one more. The window frees it (DragFinish).
std::vector<ModalDialog> files_drop(const std::vector<std::string> &paths,
                                    std::vector<ModalAction> answers = {}) {
    std::wstring list;
    for (const std::string &p : paths)
        list += wide_of(p) + L'\0';
    list += L'\0';
    const size_t bytes = list.size() * sizeof(wchar_t);
    HGLOBAL block = GlobalAlloc(GHND, sizeof(DROPFILES) + bytes);
    auto *drop = static_cast<DROPFILES *>(GlobalLock(block));
    drop->pFiles = sizeof(DROPFILES);
    drop->pt = POINT{40, 40};
    drop->fWide = TRUE;
    std::memcpy(reinterpret_cast<char *>(drop) + sizeof(DROPFILES), list.data(), bytes);
    GlobalUnlock(block);
    modal_driver_begin(20);
    for (ModalAction &a : answers)
        modal_expect(std::move(a));
    SendMessageW(mainWindow, WM_DROPFILES, reinterpret_cast<WPARAM>(block), 0);
    return modal_driver_end();
}

// The start-up's own step, after the window is up, with the wide command line after the
// program's name (UTF-8 here).
std::vector<ModalDialog> started_with(const std::string &arguments,
                                      std::vector<ModalAction> answers = {}) {
    modal_driver_begin(20);
    for (ModalAction &a : answers)
        modal_expect(std::move(a));
    command_line_open(wide_of("\"C:\\Velkorandite\\Velkorandite.exe\" " + arguments).c_str());
    return modal_driver_end();
}

class PictureOpen : public WindowTest {
  protected:
    void SetUp() override {
        // Made full while the current directory is still the build's, before the test moves it.
        char full[MAX_PATH] = "";
        GetFullPathNameA(VKD_PICTURES_DIR, sizeof full, full, nullptr);
        picturesDir = full;
        WindowTest::SetUp();
    }

    // A copy of a test picture in the start-up directory (folder created as needed).
    std::string picture(const std::string &name, const std::string &as) {
        const std::string path = startDir + "\\" + as;
        const size_t slash = as.find_last_of('\\');
        if (slash != std::string::npos)
            CreateDirectoryW(wide_of(startDir + "\\" + as.substr(0, slash)).c_str(), nullptr);
        EXPECT_TRUE(CopyFileW(wide_of(picturesDir + "\\" + name).c_str(), wide_of(path).c_str(),
                              FALSE))
            << name;
        return path;
    }

    // Convert in the window, and the same file through the core pipeline with the same settings.
    void expect_converts_like_the_core(const std::string &path) {
        std::vector<ModalDialog> seen = command_run(IDM_CONVERT);
        EXPECT_TRUE(seen.empty()) << dialogs_describe(seen);
        const std::string shown = editor_text();
        const std::string bytes = file_read(path);
        const LoadResult loaded = bitmap_load_memory(
            conversion, reinterpret_cast<const uint8_t *>(bytes.data()), bytes.size(),
            GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
        ASSERT_EQ(loaded.outcome, LoadOutcome::loaded) << path << ": " << loaded.message.text;
        map_geometry_fit(conversion);
        ASSERT_EQ(map_geometry_update(conversion), 1);
        std::string expected;
        ASSERT_EQ(text_convert(conversion, expected), ConvertOutcome::converted);
        EXPECT_FALSE(shown.empty());
        EXPECT_EQ(shown, expected) << path;
    }

    std::string picturesDir;
};

} // namespace

// The file type chosen last is chosen again at the next Open of the same run.
TEST_F(PictureOpen, PngThroughTheDialogsLastFilter) {
    ASSERT_NE(app_start(), nullptr);
    const std::string path = picture("rgba8-interlaced.png", "pics\\shot.png");
    std::string filter;
    std::vector<ModalDialog> seen =
        command_run(IDM_OPEN, {modal_then(file_type_choose(2, &filter), file_dialog_answer(path))});
    ASSERT_EQ(seen.size(), 1u) << dialogs_describe(seen); // the dialog, no message
    EXPECT_EQ(filter, "すべてのファイル");
    EXPECT_EQ(text_of(mainWindow), "shot - Velkorandite");
    EXPECT_STREQ(docTitle, "shot");
    EXPECT_STREQ(bitmapPath, path.c_str());
    EXPECT_STREQ(settings.openDir, (startDir + "\\pics").c_str());
    EXPECT_TRUE(imageLoaded);
    EXPECT_EQ(bmpWidth, 37);
    EXPECT_EQ(bmpHeight, 23);
    expect_converts_like_the_core(path);
    FileDialogView view;
    seen = command_run(IDM_OPEN, {modal_then(file_dialog_look(&view), modal_press(IDCANCEL))});
    ASSERT_EQ(seen.size(), 1u) << dialogs_describe(seen);
    EXPECT_EQ(view.chosenFilter, 2);
}

TEST_F(PictureOpen, JpegDroppedOnTheWindow) {
    ASSERT_NE(app_start(), nullptr);
    EXPECT_NE(GetWindowLongA(mainWindow, GWL_EXSTYLE) & WS_EX_ACCEPTFILES, 0); // the shell drops
    const std::string path = picture("progressive.jpg", "dropped\\holiday.photo.jpg");
    const std::string second = picture("rgb8.png", "second.png");
    std::vector<ModalDialog> seen = files_drop({path, second});
    EXPECT_TRUE(seen.empty()) << dialogs_describe(seen);
    EXPECT_EQ(text_of(mainWindow), "holiday - Velkorandite"); // the first file only
    EXPECT_STREQ(docTitle, "holiday");
    EXPECT_STREQ(bitmapPath, path.c_str());
    EXPECT_STREQ(settings.openDir, (startDir + "\\dropped").c_str());
    EXPECT_EQ(bmpWidth, 64);
    EXPECT_EQ(bmpHeight, 48);
    expect_converts_like_the_core(path);

    // A path longer than the program keeps is a file it cannot open; nothing else changes.
    const std::string longPath = startDir + "\\" + std::string(sizeof bitmapPath, 'a') + ".jpg";
    seen = files_drop({longPath}, {modal_press(IDOK)});
    ASSERT_EQ(seen.size(), 1u) << dialogs_describe(seen);
    EXPECT_EQ(seen[0].text, openFailed);
    EXPECT_EQ(seen[0].icon, ModalIcon::error);
    EXPECT_EQ(text_of(mainWindow), "holiday - Velkorandite");
    EXPECT_STREQ(docTitle, "holiday");
    EXPECT_STREQ(bitmapPath, path.c_str());
}

TEST_F(PictureOpen, GifNamedAtStartUp) {
    ASSERT_NE(app_start(), nullptr);
    const std::string path = picture("transparent.gif", "my pics\\anim.gif");
    std::vector<ModalDialog> seen = started_with("\"" + path + "\" ignored.png");
    EXPECT_TRUE(seen.empty()) << dialogs_describe(seen);
    EXPECT_EQ(text_of(mainWindow), "anim - Velkorandite");
    EXPECT_STREQ(docTitle, "anim");
    EXPECT_STREQ(bitmapPath, path.c_str());
    EXPECT_STREQ(settings.openDir, (startDir + "\\my pics").c_str());
    expect_converts_like_the_core(path);

    // A bare name is taken in the folder the program started in.
    const std::string local = picture("plain.gif", "local.gif");
    seen = started_with("  local.gif");
    EXPECT_TRUE(seen.empty()) << dialogs_describe(seen);
    EXPECT_EQ(text_of(mainWindow), "local - Velkorandite");
    EXPECT_STREQ(bitmapPath, local.c_str());
    EXPECT_STREQ(settings.openDir, startDir.c_str());
}

TEST_F(PictureOpen, MissingFileNamedAtStartUp) {
    ASSERT_NE(app_start(), nullptr);
    std::vector<ModalDialog> seen =
        started_with("\"" + startDir + "\\gone\\missing.gif\"", {modal_press(IDOK)});
    ASSERT_EQ(seen.size(), 1u) << dialogs_describe(seen);
    EXPECT_EQ(seen[0].title, "Velkorandite");
    EXPECT_EQ(seen[0].text, openFailed);
    EXPECT_EQ(seen[0].icon, ModalIcon::error);
    // As after the dialog: the title is the file's, the caption is left as it was.
    EXPECT_EQ(text_of(mainWindow), "無題 - Velkorandite");
    EXPECT_STREQ(docTitle, "missing");
    EXPECT_FALSE(imageLoaded);

    seen = started_with("");
    EXPECT_TRUE(seen.empty()) << dialogs_describe(seen);
    EXPECT_STREQ(docTitle, "missing");
}

// A picture whose name and folder hold Hangul and an accent, which the ANSI code page cannot:
// from the command line, through the open dialog and dropped, it opens, converts and gets its
// text saved beside it; the folder is kept in the settings file for the next start.
TEST_F(PictureOpen, NamesInAnyCharacters) {
    ASSERT_NE(app_start(), nullptr);
    const std::string folder = startDir + "\\사진 폴더é";
    const std::string path = picture("rgb8.png", "사진 폴더é\\사진é.png");
    const std::function<std::vector<ModalDialog>()> ways[] = {
        [&] { return started_with("\"" + path + "\""); },
        [&] { return command_run(IDM_OPEN, {file_dialog_answer(path)}); },
        [&] { return files_drop({path}); },
    };
    for (const auto &open : ways) {
        command_run(IDM_CLEAR);
        std::vector<ModalDialog> seen = open();
        EXPECT_LE(seen.size(), 1u) << dialogs_describe(seen); // the dialog alone, if any
        EXPECT_EQ(text_of(mainWindow), "사진é - Velkorandite");
        EXPECT_STREQ(bitmapPath, path.c_str());
        EXPECT_STREQ(settings.openDir, folder.c_str());
        expect_converts_like_the_core(path);
    }
    std::vector<ModalDialog> seen =
        command_run(IDM_SAVEAS, {file_dialog_answer(folder + "\\사진é")});
    ASSERT_EQ(seen.size(), 1u) << dialogs_describe(seen);
    EXPECT_EQ(file_read(folder + "\\사진é.txt"), editor_text());
    SendMessageW(mainWindow, WM_CLOSE, 0, 0);
    EXPECT_NE(file_read(startDir + "\\vkd.ini").find("\r\nOpen=utf8:" + folder + "\r\n"),
              std::string::npos);
}

TEST_F(PictureOpen, PhonePhotoInBothModes) {
    test_deadline_extend(60);
    ASSERT_NE(app_start(), nullptr);
    const std::string path = picture("phone-4000x3000.jpg", "phone.jpg");
    std::vector<ModalDialog> seen = files_drop({path});
    EXPECT_TRUE(seen.empty()) << dialogs_describe(seen);
    EXPECT_EQ(text_of(mainWindow), "phone - Velkorandite");
    EXPECT_STREQ(docTitle, "phone");
    EXPECT_EQ(bmpWidth, 2048); // reduced to the source surface
    EXPECT_EQ(bmpHeight, 1536);
    expect_converts_like_the_core(path);

    // One character a pixel: the screen and area limits, and the earlier picture stays.
    settings.Mode = 2;
    seen = files_drop({path}, {modal_press(IDOK)});
    ASSERT_EQ(seen.size(), 1u) << dialogs_describe(seen);
    EXPECT_EQ(seen[0].text, "[オリジナルモード]\nロードするビットマップが大きすぎます。" +
                                std::to_string(GetSystemMetrics(SM_CXSCREEN)) + "×" +
                                std::to_string(GetSystemMetrics(SM_CYSCREEN)) +
                                "サイズ以内のビットマップを使ってください。\n"
                                "また縦と横をかけて61440以内でなくてはいけません。");
    EXPECT_EQ(seen[0].icon, ModalIcon::warning);
    EXPECT_EQ(text_of(mainWindow), "無題 - Velkorandite");
    EXPECT_STREQ(docTitle, "無題");
    EXPECT_TRUE(imageLoaded);
    EXPECT_EQ(bmpWidth, 2048);
}
