// Command dispatch through the real window: Open and its refusals, Convert, the width steps,
// the view switches, Clear, Help and About, and a long run of random commands.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>

#include "core/reading/bitmap.h"
#include "core/conversion/convert.h"
#include "core/common/document.h"
#include "core/conversion/geometry.h"
#include "core/conversion/settings.h"
#include "core/conversion/surface.h"
#include "document/editor.h"
#include "image_pane/image_pane.h"
#include "main_window/main_window.h"
#include "main_window/status_bar.h"
#include "main_window/toolbar.h"
#include "window/wide.h"
#include "resources/resource.h"
#include "tests/gui/file_dialog.h"
#include "tests/gui/gui_session.h"
#include "window/document_state.h"

namespace {

const char *const cannotFitText =
    "オリジナルモードではこのビットマップはキャンバスに収まりません。\n"
    "ストレッチモードに切り替えてください。";

std::string status_part(int part) {
    wchar_t text[256] = L"";
    if (LOWORD(SendMessageW(statusBar, SB_GETTEXTLENGTHW, part, 0)) < 256)
        SendMessageW(statusBar, SB_GETTEXTW, part, reinterpret_cast<LPARAM>(text));
    return utf8_of(text);
}

bool menu_checked(int id) {
    return (GetMenuState(GetMenu(mainWindow), id, MF_BYCOMMAND) & MF_CHECKED) != 0;
}

class Commands : public WindowTest {
  protected:
    std::string at(const std::string &name) const { return startDir + "\\" + name; }

    // A photo-like picture in the start-up directory; returns its path.
    std::string photo(const std::string &name, int32_t width, int32_t height) {
        std::string path = at(name);
        bmp_write(path, width, height,
                  [&](int32_t x, int32_t y) { return photo_pixel(x, y, width, height); });
        return path;
    }

    // Open with the dialog answered, every message box after it confirmed; the message boxes.
    std::vector<ModalDialog> open(const std::string &path, int boxes = 0) {
        std::vector<ModalAction> answers{file_dialog_answer(path)};
        for (int i = 0; i < boxes; ++i)
            answers.push_back(modal_press(IDOK));
        std::vector<ModalDialog> seen = command_run(IDM_OPEN, answers);
        EXPECT_GE(seen.size(), 1u);
        if (!seen.empty())
            seen.erase(seen.begin());
        return seen;
    }
};

} // namespace

TEST_F(Commands, OpenShowsThePictureAndItsNumbers) {
    ini_file_write("[Configuration]\r\nMojisu=5\r\n");
    ASSERT_NE(app_start(), nullptr);
    CreateDirectoryA(at("pics").c_str(), nullptr);
    std::string path = photo("pics\\photo.bmp", 400, 300);

    FileDialogView view;
    std::vector<ModalDialog> seen =
        command_run(IDM_OPEN, {modal_then(file_dialog_look(&view), file_dialog_answer(path))});
    ASSERT_EQ(seen.size(), 1u) << dialogs_describe(seen);
    EXPECT_EQ(seen[0].title, "ビットマップファイルを開く");
    EXPECT_EQ(view.fileName, "");
    EXPECT_EQ(view.filters,
              (std::vector<std::string>{
                  "画像ファイル(*.bmp;*.png;*.jpg;*.jpeg;*.gif;*.webp;*.heic;*.heif;*.avif)",
                  "ビットマップファイル(*.bmp)", "すべてのファイル"}));
    EXPECT_EQ(view.chosenFilter, 0); // pictures first

    EXPECT_EQ(text_of(mainWindow), "photo - Velkorandite");
    EXPECT_STREQ(bitmapPath, path.c_str());
    EXPECT_STREQ(settings.openDir, at("pics").c_str());
    EXPECT_TRUE(imageLoaded);
    EXPECT_FALSE(hasFileName);
    EXPECT_EQ(settings.Mojisu, 20); // raised from the stored 5 before sizing
    EXPECT_EQ(mapCols, 20);
    EXPECT_EQ(status_part(1), "B：400.300");
    EXPECT_EQ(status_part(2), "T：20.7 (154bytes)");

    // The proportional preview at (15, 15) with its outline just around it; the sky at its top
    // left is the picture's own colour there, the canvas beyond the previews is not.
    EXPECT_EQ(surface_get(canvas, 14, 14), rgbBlack);
    EXPECT_EQ(surface_get(canvas, 15 + mapCols, 15 + previewHeight), rgbBlack);
    Pixel sky = photo_pixel(10, 10, 400, 300);
    Rgb shown = surface_get(canvas, 15, 15);
    EXPECT_NEAR(shown.r, sky.r, 12);
    EXPECT_NEAR(shown.g, sky.g, 12);
    EXPECT_NEAR(shown.b, sky.b, 12);
    EXPECT_NE(surface_get(canvas, 15, mapY + 2), surface_get(canvas, 15 + mapCols + 40, mapY + 2));

    // A second open starts in the folder of the first: a bare name is found there.
    settings.Mojisu = 100;
    photo("pics\\second.picture.bmp", 40, 30);
    seen = command_run(IDM_OPEN, {file_dialog_answer("second.picture.bmp")});
    ASSERT_EQ(seen.size(), 1u) << dialogs_describe(seen);
    EXPECT_EQ(text_of(mainWindow), "second - Velkorandite");
    EXPECT_EQ(status_part(1), "B：40.30");
    EXPECT_EQ(status_part(2), "T：100.37 (3774bytes)");
}

TEST_F(Commands, OpenFitsATallPictureAndShowsAHiddenPane) {
    ASSERT_NE(app_start(), nullptr);
    command_run(IDM_IMAGEPANE);
    ASSERT_EQ(settings.Clientarea, 0);
    ASSERT_FALSE(menu_checked(IDM_IMAGEPANE));

    std::vector<ModalDialog> boxes = open(photo("tall.bmp", 20, 1536), 1);
    ASSERT_EQ(boxes.size(), 1u) << dialogs_describe(boxes);
    EXPECT_EQ(boxes[0].title, "Velkorandite");
    EXPECT_EQ(boxes[0].text, "サイズを修正しました。");
    EXPECT_EQ(boxes[0].icon, ModalIcon::warning);
    EXPECT_EQ(settings.Mojisu, 9); // the fit loop has no lower bound of 20
    EXPECT_EQ(settings.Clientarea, 1);
    EXPECT_TRUE(menu_checked(IDM_IMAGEPANE));
    EXPECT_EQ(child_rect(imagePane).right, 9 + 36);
}

// Every refusal of loading, byte for byte; the picture loaded before stays in place.
TEST_F(Commands, OpenRefusalsKeepTheEarlierPicture) {
    ASSERT_NE(app_start(), nullptr);
    ASSERT_TRUE(open(photo("first.bmp", 64, 48)).empty());
    const std::string screen = std::to_string(GetSystemMetrics(SM_CXSCREEN)) + "×" +
                               std::to_string(GetSystemMetrics(SM_CYSCREEN));
    const std::string stretch = "[ストレッチモード]\nロードするビットマップが大きすぎます。\n"
                                "2048×1536ピクセル以内のビットマップを使ってください。";
    const std::string original = "[オリジナルモード]\nロードするビットマップが大きすぎます。" +
                                 screen +
                                 "サイズ以内のビットマップを使ってください。\n"
                                 "また縦と横をかけて61440以内でなくてはいけません。";
    struct Case {
        const char *name;
        int32_t mode;
        const char *magic;
        int32_t width, height;
        std::string message;
    } const cases[] = {
        {"BA magic", 1, "BA", 10, 10, "この形式は現在サポートされていません。"},
        {"2049 wide", 1, "BM", 2049, 1, stretch},
        {"1537 high", 1, "BM", 1, 1537, stretch},
        {"2049 wide, original mode", 2, "BM", 2049, 1, stretch},
        {"100 x 2000, original mode", 2, "BM", 100, 2000, original},
        {"241 x 256, original mode", 2, "BM", 241, 256, original},
    };
    for (const Case &c : cases) {
        settings.Mode = c.mode;
        std::string path = at(std::string("refused ") + std::to_string(&c - cases) + ".bmp");
        bmp_header_write(path, c.magic, c.width, c.height);
        std::vector<ModalDialog> boxes = open(path, 1);
        ASSERT_EQ(boxes.size(), 1u) << c.name << "\n" << dialogs_describe(boxes);
        EXPECT_EQ(boxes[0].title, "Velkorandite") << c.name;
        EXPECT_EQ(boxes[0].text, c.message) << c.name;
        EXPECT_EQ(boxes[0].icon, ModalIcon::warning) << c.name;
        EXPECT_EQ(text_of(mainWindow), "無題 - Velkorandite") << c.name;
        EXPECT_TRUE(imageLoaded) << c.name;
        EXPECT_EQ(bmpWidth, 64) << c.name;
    }

    // A file held open by another program: the caption keeps the last title shown.
    settings.Mode = 1;
    ASSERT_TRUE(open(photo("second.bmp", 32, 32)).empty());
    std::string locked = photo("locked.bmp", 16, 16);
    HANDLE hold = CreateFileA(locked.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(hold, INVALID_HANDLE_VALUE);
    std::vector<ModalDialog> boxes = open(locked, 1);
    CloseHandle(hold);
    ASSERT_EQ(boxes.size(), 1u) << dialogs_describe(boxes);
    EXPECT_EQ(boxes[0].text, "ファイルのオープンに失敗しました。");
    EXPECT_EQ(boxes[0].icon, ModalIcon::error);
    EXPECT_EQ(text_of(mainWindow), "second - Velkorandite");
    EXPECT_STREQ(docTitle, "locked");
    EXPECT_EQ(bmpWidth, 32);
}

// The window's Convert gives exactly what the core's own pipeline gives for the same file.
TEST_F(Commands, ConvertMatchesTheCorePipeline) {
    ASSERT_NE(app_start(), nullptr);
    const std::string before = "kept";
    SetWindowTextA(editorPane, before.c_str());
    command_run(IDM_CONVERT);
    EXPECT_EQ(editor_text(), before); // nothing loaded: nothing happens

    std::string path = photo("photo.bmp", 160, 120);
    ASSERT_TRUE(open(path).empty());
    SetFocus(mainWindow);
    std::vector<ModalDialog> seen = command_run(IDM_CONVERT);
    EXPECT_TRUE(seen.empty()) << dialogs_describe(seen);
    const std::string vertical = editor_text();
    EXPECT_EQ(GetFocus(), editorPane);
    EXPECT_EQ(vertical.size(), static_cast<size_t>((mapCols + 2) * mapRows));

    command_run(IDM_CONVERT);
    EXPECT_EQ(editor_text(), vertical) << "a second Convert redraws first";
    command_run(IDM_HORIZONTAL);
    command_run(IDM_CONVERT);
    EXPECT_EQ(editor_text(), vertical) << "the placement does not change the text";

    std::string bytes = file_read(path);
    LoadResult loaded = bitmap_load_memory(
        conversion, reinterpret_cast<const uint8_t *>(bytes.data()), bytes.size(), 1280, 1024);
    ASSERT_EQ(loaded.outcome, LoadOutcome::loaded);
    map_geometry_fit(conversion);
    ASSERT_EQ(map_geometry_update(conversion), 1);
    std::string expected;
    ASSERT_EQ(text_convert(conversion, expected), ConvertOutcome::converted);
    EXPECT_EQ(vertical, expected);
}

TEST_F(Commands, ConvertRefusesWhatCannotBeConverted) {
    ini_file_write("[Configuration]\r\nMojisu=220\r\nHiritu=150\r\n");
    ASSERT_NE(app_start(), nullptr);
    SetWindowTextA(editorPane, "kept");
    std::vector<ModalDialog> boxes = open(photo("big.bmp", 300, 1000), 1);
    ASSERT_EQ(boxes.size(), 1u) << dialogs_describe(boxes);
    EXPECT_EQ(settings.Mojisu, 180);
    boxes = command_run(IDM_CONVERT, {modal_press(IDOK)});
    ASSERT_EQ(boxes.size(), 1u) << dialogs_describe(boxes);
    EXPECT_EQ(boxes[0].text, text_convert_too_large_message());
    EXPECT_EQ(boxes[0].icon, ModalIcon::warning);
    EXPECT_EQ(editor_text(), "kept");

    // Original mode with a picture the canvas cannot hold: said once, and not converted.
    settings.Mode = 2;
    boxes = open(photo("wide.bmp", 1010, 60), 1);
    ASSERT_EQ(boxes.size(), 1u) << dialogs_describe(boxes);
    EXPECT_EQ(boxes[0].text, cannotFitText);
    EXPECT_EQ(boxes[0].icon, ModalIcon::warning);
    boxes = command_run(IDM_CONVERT, {modal_press(IDOK)});
    ASSERT_EQ(boxes.size(), 1u) << dialogs_describe(boxes);
    EXPECT_EQ(boxes[0].text, cannotFitText);
    EXPECT_EQ(editor_text(), "kept");
    boxes = command_run(IDM_WIDER, {modal_press(IDOK)});
    EXPECT_EQ(boxes.size(), 1u) << dialogs_describe(boxes);

    // A board text over the limit (a grey makes lines of narrow characters, nearly twice the
    // limit, which the fixed grid's rule would let through) is refused the same way, never put
    // in part.
    settings.Mode = 1;
    settings.Mojisu = 220;
    settings.Hiritu = 100;
    command_run(IDM_LOOK_PHOTO);
    command_run(IDM_TARGET_BOARD);
    const std::string grey = at("grey.bmp");
    bmp_write(grey, 400, 400, [](int32_t, int32_t) { return Pixel{153, 153, 153}; });
    boxes = open(grey);
    EXPECT_TRUE(boxes.empty()) << dialogs_describe(boxes);
    boxes = command_run(IDM_CONVERT, {modal_press(IDOK)});
    ASSERT_EQ(boxes.size(), 1u) << dialogs_describe(boxes);
    EXPECT_EQ(boxes[0].text, text_convert_too_large_message());
    EXPECT_EQ(editor_text(), "kept");
}

TEST_F(Commands, NarrowerAndWiderStayInBounds) {
    ASSERT_NE(app_start(), nullptr);
    struct Case {
        int id;
        int32_t from, interval, to;
    } const cases[] = {
        {IDM_NARROWER, 22, 5, 20}, {IDM_NARROWER, 20, 5, 20},    {IDM_WIDER, 218, 5, 220},
        {IDM_WIDER, 220, 5, 220},  {IDM_NARROWER, 100, -5, 105}, {IDM_WIDER, 100, -5, 95},
        {IDM_WIDER, 20, -5, 15},   {IDM_NARROWER, 218, -5, 223}, {IDM_WIDER, 100, 0, 100},
    };
    for (const Case &c : cases) {
        settings.Mojisu = c.from;
        settings.Interval = c.interval;
        std::vector<ModalDialog> seen = command_run(c.id);
        const char *name = c.id == IDM_NARROWER ? "narrower" : "wider";
        EXPECT_EQ(settings.Mojisu, c.to) << name << " from " << c.from << " by " << c.interval;
        EXPECT_TRUE(seen.empty()) << dialogs_describe(seen);
        EXPECT_EQ(child_rect(imagePane).right, c.to + 36) << name << " from " << c.from;
    }

    // With a picture loaded, a width the canvas cannot hold is taken back and said so.
    settings.Interval = 5;
    settings.Mojisu = 45;
    ASSERT_TRUE(open(photo("tall.bmp", 100, 1536)).empty());
    std::vector<ModalDialog> boxes = command_run(IDM_WIDER, {modal_press(IDOK)});
    ASSERT_EQ(boxes.size(), 1u) << dialogs_describe(boxes);
    EXPECT_EQ(boxes[0].text, "これ以上大きくできません。");
    EXPECT_EQ(boxes[0].icon, ModalIcon::warning);
    EXPECT_EQ(settings.Mojisu, 49);
    boxes = command_run(IDM_NARROWER);
    EXPECT_TRUE(boxes.empty()) << dialogs_describe(boxes);
    EXPECT_EQ(settings.Mojisu, 44);
    EXPECT_EQ(mapCols, 44);
}

TEST_F(Commands, ViewSwitchesAndTheirCheckMarks) {
    ASSERT_NE(app_start(), nullptr);
    struct Case {
        int id;
        int32_t position, clientarea;
    } const cases[] = {
        {IDM_HORIZONTAL, 0, 1}, {IDM_HORIZONTAL, 0, 1}, {IDM_IMAGEPANE, 0, 0},
        {IDM_VERTICAL, 1, 0},   {IDM_IMAGEPANE, 1, 1},
    };
    for (const Case &c : cases) {
        command_run(c.id);
        EXPECT_EQ(settings.Position, c.position) << c.id;
        EXPECT_EQ(settings.Clientarea, c.clientarea) << c.id;
        EXPECT_EQ(menu_checked(IDM_VERTICAL), c.position != 0) << c.id;
        EXPECT_EQ(menu_checked(IDM_HORIZONTAL), c.position == 0) << c.id;
        EXPECT_EQ(menu_checked(IDM_IMAGEPANE), c.clientarea != 0) << c.id;
        EXPECT_EQ(SendMessageA(toolbar, TB_ISBUTTONENABLED, IDM_WIDER, 0) != 0, c.clientarea != 0);
    }

    struct Bar {
        int id;
        int32_t *setting;
        HWND *window;
    } const bars[] = {{IDM_STATUSBAR, &settings.Statusbar, &statusBar},
                      {IDM_TOOLBAR, &settings.Toolbar, &toolbar}};
    for (const Bar &b : bars) {
        *b.setting = 7; // any non-zero value counts as shown; the first toggle makes it 0
        command_run(b.id);
        EXPECT_EQ(*b.setting, 0);
        EXPECT_FALSE(*b.window != nullptr && IsWindow(*b.window));
        EXPECT_FALSE(menu_checked(b.id));
        command_run(b.id);
        EXPECT_EQ(*b.setting, 1);
        EXPECT_TRUE(IsWindow(*b.window));
        EXPECT_TRUE(menu_checked(b.id));
    }
    settings.Mode = 2;
    command_run(IDM_TOOLBAR);
    command_run(IDM_TOOLBAR);
    EXPECT_EQ(SendMessageA(toolbar, TB_ISBUTTONENABLED, IDM_NARROWER, 0), 0)
        << "a new toolbar gets the narrower/wider state at once";
}

TEST_F(Commands, ClearEmptiesEverything) {
    ASSERT_NE(app_start(), nullptr);
    ASSERT_TRUE(open(photo("photo.bmp", 120, 90)).empty());
    command_run(IDM_CONVERT);
    hasFileName = true;
    settings.Mojisu = 5;
    std::vector<ModalDialog> seen = command_run(IDM_CLEAR);
    EXPECT_TRUE(seen.empty()) << dialogs_describe(seen);
    EXPECT_EQ(editor_text(), "");
    EXPECT_EQ(text_of(mainWindow), "無題 - Velkorandite");
    EXPECT_FALSE(imageLoaded);
    EXPECT_FALSE(hasFileName);
    EXPECT_EQ(settings.Mojisu, 20);
    for (int32_t v : {bmpWidth, bmpHeight, mapCols, previewHeight, mapRows, mapX, mapY})
        EXPECT_EQ(v, 0);
    EXPECT_EQ(status_part(1), "B：0.0");
    EXPECT_EQ(status_part(2), "T：20.0 (0bytes)");
    EXPECT_NE(surface_get(canvas, 14, 14), rgbBlack) << "the previews are painted over";
    command_run(IDM_CONVERT);
    EXPECT_EQ(editor_text(), "");
}

// Ids without a command, and the notification code in the high word.
TEST_F(Commands, OnlyTheCommandIdCounts) {
    ASSERT_NE(app_start(), nullptr);
    SetWindowTextA(editorPane, "text");
    const Settings saved = settings;
    for (int id : {0, 100, 200, 207, 208, 209, 227, 0xFFFF}) {
        std::vector<ModalDialog> seen = command_run(id);
        EXPECT_TRUE(seen.empty()) << id << ": " << dialogs_describe(seen);
    }
    EXPECT_EQ(std::memcmp(&saved, &settings, sizeof settings), 0);
    EXPECT_EQ(editor_text(), "text");
    EXPECT_EQ(text_of(mainWindow), "無題 - Velkorandite");
    SendMessageA(mainWindow, WM_COMMAND, MAKEWPARAM(IDM_IMAGEPANE, 1), 0);
    EXPECT_EQ(settings.Clientarea, 0);
}

TEST_F(Commands, HelpAboutAndSelectAll) {
    ASSERT_NE(app_start(), nullptr);
    // The file dialogs may leave the current directory in the file's folder; Help goes back to
    // the start-up directory, and says nothing when index.html is missing there.
    CreateDirectoryA(at("pics").c_str(), nullptr);
    ASSERT_TRUE(SetCurrentDirectoryA(at("pics").c_str()));
    char dir[MAX_PATH] = "";
    std::vector<ModalDialog> seen = command_run(IDM_HELP);
    EXPECT_TRUE(seen.empty()) << dialogs_describe(seen);
    GetCurrentDirectoryA(sizeof dir, dir);
    EXPECT_EQ(std::string(dir), startDir);

    seen = command_run(IDM_ABOUT, {modal_press(IDOK)});
    ASSERT_EQ(seen.size(), 1u) << dialogs_describe(seen);
    // With the release's one version number, the one vkd --version prints.
    EXPECT_NE((seen[0].title + " ").find("Velkorandite " VKD_PROJECT_VERSION " "), std::string::npos)
        << seen[0].title;
    EXPECT_NE(seen[0].text.find("ビットマップを文字の絵に変換します。"), std::string::npos)
        << seen[0].text;

    SetWindowTextA(editorPane, "abc\r\ndef");
    SetFocus(mainWindow);
    command_run(IDM_SELECTALL);
    EXPECT_EQ(GetFocus(), editorPane);
    DWORD start = 0, end = 0;
    SendMessageA(editorPane, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                 reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 0u);
    EXPECT_EQ(end, 8u);
}

// A few hundred random commands on a loaded picture, every dialog answered at random: the
// program survives, stays consistent, and writes its settings file at the end.
TEST_F(Commands, MonkeyRun) {
    ASSERT_NE(app_start(), nullptr);
    CreateDirectoryA(at("out").c_str(), nullptr);
    const std::string pictures[] = {photo("a.bmp", 200, 150), photo("b.bmp", 30, 400),
                                    photo("c.bmp", 250, 240)};
    bmp_header_write(at("bad.bmp"), "BA", 10, 10);
    ASSERT_TRUE(open(pictures[0]).empty());

    std::mt19937 random(20240607);
    auto pick = [&random](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    // Answers a dialog by what it is: file dialogs get a name or Cancel, the settings dialog
    // gets random moves, message boxes and the rest a random button that they have.
    ModalAction answer = [&](const ModalDialog &d) {
        HWND w = d.window;
        if (GetDlgItem(w, 1148) != nullptr) {
            if (pick(4) == 0) {
                modal_press(IDCANCEL)(d);
                return;
            }
            std::string name = d.title == "ビットマップファイルを開く"
                                   ? (pick(5) == 0 ? at("bad.bmp") : pictures[pick(3)])
                                   : at("out\\t" + std::to_string(pick(3)) + ".txt");
            file_dialog_answer(name)(d);
            return;
        }
        if (GetDlgItem(w, IDC_SLIDER_WIDTH) != nullptr) {
            for (int i = 0; i < 3; ++i) {
                const int sliders[] = {IDC_SLIDER_BRIGHTNESS, IDC_SLIDER_WIDTH, IDC_SLIDER_RATIO};
                HWND slider = GetDlgItem(w, sliders[pick(3)]);
                SendMessageA(slider, TBM_SETPOS, TRUE, pick(221));
                SendMessageA(w, WM_HSCROLL, TB_THUMBTRACK, reinterpret_cast<LPARAM>(slider));
            }
            const int buttons[] = {IDC_RADIO_STRETCH, IDC_RADIO_ORIGINAL, IDC_RESET_MODE,
                                   IDC_RESET_BRIGHTNESS};
            SendMessageA(w, WM_COMMAND, buttons[pick(4)], 0);
        }
        const int choices[] = {IDOK, IDCANCEL, IDYES, IDNO};
        for (int tries = 0; tries < 8; ++tries) {
            int id = choices[pick(4)];
            if (GetDlgItem(w, id) != nullptr) {
                modal_press(id)(d);
                return;
            }
        }
        PostMessageA(w, WM_COMMAND, IDCANCEL, 0);
    };

    const int commands[] = {IDM_CLEAR,         IDM_OPEN,       IDM_OPEN,       IDM_SAVE,
                            IDM_SAVEAS,        IDM_UNDO,       IDM_HELP,       IDM_ABOUT,
                            IDM_CONVERT,       IDM_CONVERT,    IDM_CUT,        IDM_COPY,
                            IDM_FONT,          IDM_PASTE,      IDM_SELECTALL,  IDM_DELETE,
                            IDM_STATUSBAR,     IDM_TOOLBAR,    IDM_SETTINGS,   IDM_SETTINGS,
                            IDM_VERTICAL,      IDM_HORIZONTAL, IDM_IMAGEPANE,  IDM_NARROWER,
                            IDM_WIDER,         IDM_NARROWER,   IDM_WIDER,      208,
                            IDM_LOOK_STANDARD, IDM_LOOK_PHOTO, IDM_LOOK_SHAPE, IDM_DITHER,
                            IDM_CHARSET_FULL,  IDM_CHARSET_HALF, IDM_LOOK_TRACE, IDM_TARGET_BOARD,
                            IDM_TARGET_WINDOW};
    const int count = sizeof commands / sizeof commands[0];
    std::string trail;
    for (int step = 0; step < 300; ++step) {
        int id = commands[pick(count)];
        trail += std::to_string(id) + " ";
        command_run(id, {answer, answer, answer, answer});
        ASSERT_TRUE(IsWindow(mainWindow)) << "after " << trail;
        ASSERT_TRUE(IsWindow(editorPane) && IsWindow(imagePane)) << "after " << trail;
        if (settings.Mode == 1 && imageLoaded) {
            ASSERT_EQ(mapCols, settings.Mojisu) << "after " << trail;
        }
        ASSERT_LE(GetWindowTextLengthA(editorPane), 65536);
    }
    SetCurrentDirectoryA(startDir.c_str());
    editorEdited = false; // a pasted text's question has tests of its own
    SendMessageA(mainWindow, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(mainWindow));
    EXPECT_TRUE(quit_drain());
    EXPECT_TRUE(ini_exists());
    EXPECT_GE(std::stoi(ini_value("Configuration", "Mojisu")), 20);
}
