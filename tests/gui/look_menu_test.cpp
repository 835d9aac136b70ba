// The 画質 submenu: its marks follow the commands and the settings file, a change of look shows
// the picture again at once, and Convert in every look gives the bytes vkd.exe gives.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/conversion/geometry.h"
#include "core/conversion/look.h"
#include "core/conversion/settings.h"
#include "core/conversion/surface.h"
#include "image_pane/image_pane.h"
#include "main_window/main_window.h"
#include "main_window/status_bar.h"
#include "resources/resource.h"
#include "tests/gui/file_dialog.h"
#include "tests/gui/gui_session.h"
#include "document/editor.h"
#include "window/display.h"
#include "window/document_state.h"
#include "window/wide.h"

namespace {

struct Marks {
    bool standard, photo, shape, trace, dither, half, full, window, board;
    bool operator==(const Marks &o) const {
        return standard == o.standard && photo == o.photo && shape == o.shape &&
               trace == o.trace && dither == o.dither && half == o.half && full == o.full &&
               window == o.window && board == o.board;
    }
};

std::ostream &operator<<(std::ostream &out, const Marks &m) {
    return out << "{" << m.standard << m.photo << m.shape << m.trace << " dither " << m.dither
               << " set " << m.half << m.full << " target " << m.window << m.board << "}";
}

bool checked(int id) {
    return (GetMenuState(GetMenu(mainWindow), id, MF_BYCOMMAND) & MF_CHECKED) != 0;
}

Marks marks() {
    return {checked(IDM_LOOK_STANDARD), checked(IDM_LOOK_PHOTO),   checked(IDM_LOOK_SHAPE),
            checked(IDM_LOOK_TRACE),    checked(IDM_DITHER),       checked(IDM_CHARSET_HALF),
            checked(IDM_CHARSET_FULL),  checked(IDM_TARGET_WINDOW), checked(IDM_TARGET_BOARD)};
}

// The marks a look should show: its own radio item, the dither check, the character set's
// radio item and the target's.
Marks marks_of(Look look, bool dither, int32_t charSet = 0, Target target = Target::window) {
    return {look == Look::standard, look == Look::photo, look == Look::shape, look == Look::trace,
            dither,                 charSet == 0,        charSet == 1,
            target == Target::window, target == Target::board};
}

// A checked look item carries the radio mark, not the check mark.
bool radio_marked(int id) {
    MENUITEMINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE;
    GetMenuItemInfoA(GetMenu(mainWindow), id, FALSE, &info);
    return (info.fType & MFT_RADIOCHECK) != 0;
}

int look_command(Look look) {
    return look == Look::photo   ? IDM_LOOK_PHOTO
           : look == Look::shape ? IDM_LOOK_SHAPE
           : look == Look::trace ? IDM_LOOK_TRACE
                                 : IDM_LOOK_STANDARD;
}

const char *look_name(Look look) {
    return look == Look::photo   ? "photo"
           : look == Look::shape ? "shape"
           : look == Look::trace ? "trace"
                                 : "standard";
}

class LookMenu : public WindowTest {
  protected:
    void SetUp() override {
        // Made full while the current directory is still the build's.
        char full[MAX_PATH] = "";
        GetFullPathNameA(VKD_EXE, sizeof full, full, nullptr);
        vkdPath = full;
        WindowTest::SetUp();
    }

    // Shuts the window as the user does (the settings file is written) and starts it again.
    HWND app_restart() {
        SendMessageA(mainWindow, WM_CLOSE, 0, 0);
        EXPECT_TRUE(quit_drain());
        app_state_reset();
        return app_start();
    }

    // vkd.exe on a file in the start-up directory; its output, or why there is none.
    std::string vkd_run(const std::string &arguments, const std::string &picture) {
        const std::string out = startDir + "\\vkd-out.txt";
        DeleteFileA(out.c_str());
        std::string line = "\"" + vkdPath + "\" " + arguments + " -o \"" + out + "\" \"" +
                           startDir + "\\" + picture + "\"";
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        PROCESS_INFORMATION process{};
        if (!CreateProcessA(vkdPath.c_str(), &line[0], nullptr, nullptr, FALSE, CREATE_NO_WINDOW,
                            nullptr, startDir.c_str(), &startup, &process))
            return "<cannot start " + vkdPath + ">";
        const DWORD waited = WaitForSingleObject(process.hProcess, 60000);
        DWORD code = 1;
        GetExitCodeProcess(process.hProcess, &code);
        if (waited != WAIT_OBJECT_0)
            TerminateProcess(process.hProcess, 1);
        CloseHandle(process.hThread);
        CloseHandle(process.hProcess);
        if (waited != WAIT_OBJECT_0 || code != 0)
            return "<vkd " + arguments + ": exit " + std::to_string(code) + ">";
        return file_read(out);
    }

    std::string vkdPath;
};

// The squeezed preview's pixels on the canvas (vertical placement: below the other).
std::vector<Rgb> squeezed_preview() {
    std::vector<Rgb> pixels;
    for (int32_t y = mapY; y < mapY + mapRows; ++y)
        for (int32_t x = 15; x < 15 + mapCols; ++x)
            pixels.push_back(surface_get(canvas, x, y));
    return pixels;
}

// Squeezed preview pixels whose screen colour is not the canvas's.
int shown_wrong() {
    HDC dc = GetDC(imagePane);
    int wrong = 0;
    for (int32_t y = mapY; y < mapY + mapRows; ++y)
        for (int32_t x = 15; x < 15 + mapCols; ++x) {
            const Rgb p = surface_get(canvas, x, y);
            wrong += GetPixel(dc, x, y) != RGB(p.r, p.g, p.b);
        }
    ReleaseDC(imagePane, dc);
    return wrong;
}

} // namespace

TEST_F(LookMenu, MarksFollowTheCommands) {
    ASSERT_NE(app_start(), nullptr);
    EXPECT_EQ(marks(), marks_of(Look::standard, false)) << "at start";
    // With a picture open the status bar's text size follows too: a board's lines are its own.
    bmp_write(startDir + "\\marks.bmp", 160, 120,
              [](int32_t x, int32_t y) { return photo_pixel(x, y, 160, 120); });
    ASSERT_EQ(command_run(IDM_OPEN, {file_dialog_answer(startDir + "\\marks.bmp")}).size(), 1u);
    auto text_size_shown = [] {
        wchar_t shown[128] = {};
        SendMessageW(statusBar, SB_GETTEXTW, 2, reinterpret_cast<LPARAM>(shown));
        return utf8_of(shown);
    };
    struct Step {
        int id;
        Look look;
        bool dither;
        int32_t charSet;
        Target target = Target::window;
    } const steps[] = {
        {IDM_LOOK_PHOTO, Look::photo, false, 0},       {IDM_DITHER, Look::photo, true, 0},
        {IDM_CHARSET_FULL, Look::photo, true, 1},      {IDM_LOOK_SHAPE, Look::shape, true, 1},
        {IDM_LOOK_SHAPE, Look::shape, true, 1},        {IDM_DITHER, Look::shape, false, 1},
        {IDM_CHARSET_FULL, Look::shape, false, 1},     {IDM_CHARSET_HALF, Look::shape, false, 0},
        {IDM_LOOK_STANDARD, Look::standard, false, 0}, {IDM_LOOK_STANDARD, Look::standard, false, 0},
        {IDM_LOOK_TRACE, Look::trace, false, 0},
        {IDM_TARGET_BOARD, Look::trace, false, 0, Target::board},
        {IDM_LOOK_PHOTO, Look::photo, false, 0, Target::board},
        {IDM_TARGET_BOARD, Look::photo, false, 0, Target::board},
        {IDM_LOOK_TRACE, Look::trace, false, 0, Target::board},
        {IDM_TARGET_WINDOW, Look::trace, false, 0},
        {IDM_LOOK_SHAPE, Look::shape, false, 0},
    };
    for (const Step &s : steps) {
        std::vector<ModalDialog> seen = command_run(s.id);
        EXPECT_TRUE(seen.empty()) << s.id << ": " << dialogs_describe(seen);
        EXPECT_EQ(lookSettings.look, s.look) << s.id;
        EXPECT_EQ(lookSettings.dither, s.dither) << s.id;
        EXPECT_EQ(lookSettings.charSet, s.charSet) << s.id;
        EXPECT_EQ(lookSettings.target, s.target) << s.id;
        EXPECT_EQ(marks(), marks_of(s.look, s.dither, s.charSet, s.target)) << s.id;
        EXPECT_TRUE(radio_marked(look_command(s.look))) << s.id;
        EXPECT_TRUE(radio_marked(s.target == Target::board ? IDM_TARGET_BOARD : IDM_TARGET_WINDOW))
            << s.id;
        EXPECT_TRUE(radio_marked(s.charSet == 1 ? IDM_CHARSET_FULL : IDM_CHARSET_HALF)) << s.id;
        EXPECT_FALSE(radio_marked(IDM_DITHER)) << s.id;
        std::string texts[statusParts];
        status_texts_build(nullptr, texts);
        EXPECT_EQ(text_size_shown(), texts[2]) << s.id;
    }
}

// The choice is read at start-up (a file without it is the standard look), written at close,
// and read again at the next start.
TEST_F(LookMenu, ChoiceIsKeptInTheSettingsFile) {
    struct Case {
        const char *ini;
        Look look;
        bool dither;
        int change; // a command before closing
        const char *storedLook, *storedDither;
        int32_t charSet = 0;
        const char *storedCharSet = "0";
        Target target = Target::window;
        const char *storedTarget = "0";
    } const cases[] = {
        {"[Configuration]\r\nMojisu=90\r\n", Look::standard, false, IDM_LOOK_SHAPE, "2", "0"},
        {"[Quality]\r\nLook=1\r\n", Look::photo, false, IDM_DITHER, "1", "1"},
        {"[Quality]\r\nLook=2\r\nDither=1\r\n", Look::shape, true, IDM_LOOK_STANDARD, "0", "1"},
        {"[Quality]\r\nLook=2\r\n", Look::shape, false, IDM_CHARSET_FULL, "2", "0", 0, "1"},
        {"[Quality]\r\nCharSet=1\r\n", Look::standard, false, IDM_LOOK_PHOTO, "1", "0", 1, "1"},
        {"[Quality]\r\nCharSet=1\r\n", Look::standard, false, IDM_CHARSET_HALF, "0", "0", 1, "0"},
        {"[Quality]\r\nLook=3\r\n", Look::trace, false, IDM_TARGET_BOARD, "3", "0", 0, "0",
         Target::window, "1"},
        {"[Quality]\r\nTarget=1\r\n", Look::standard, false, IDM_LOOK_TRACE, "3", "0", 0, "0",
         Target::board, "1"},
        {"[Quality]\r\nTarget=1\r\n", Look::standard, false, IDM_TARGET_WINDOW, "0", "0", 0, "0",
         Target::board, "0"},
    };
    for (const Case &c : cases) {
        ini_file_write(c.ini);
        lookSettings = LookSettings{};
        ASSERT_NE(app_start(), nullptr) << c.ini;
        EXPECT_EQ(lookSettings.look, c.look) << c.ini;
        EXPECT_EQ(lookSettings.dither, c.dither) << c.ini;
        EXPECT_EQ(lookSettings.target, c.target) << c.ini;
        EXPECT_EQ(marks(), marks_of(c.look, c.dither, c.charSet, c.target)) << c.ini;

        command_run(c.change);
        const Look look = lookSettings.look;
        const bool dither = lookSettings.dither;
        const int32_t charSet = lookSettings.charSet;
        const Target target = lookSettings.target;
        ASSERT_NE(app_restart(), nullptr) << c.ini;
        EXPECT_EQ(ini_value("Quality", "Look"), c.storedLook) << c.ini;
        EXPECT_EQ(ini_value("Quality", "Dither"), c.storedDither) << c.ini;
        EXPECT_EQ(ini_value("Quality", "CharSet"), c.storedCharSet) << c.ini;
        EXPECT_EQ(ini_value("Quality", "Target"), c.storedTarget) << c.ini;
        EXPECT_EQ(lookSettings.look, look) << c.ini;
        EXPECT_EQ(lookSettings.dither, dither) << c.ini;
        EXPECT_EQ(lookSettings.target, target) << c.ini;
        EXPECT_EQ(marks(), marks_of(look, dither, charSet, target)) << c.ini;
        DestroyWindow(mainWindow);
        quit_drain();
        app_state_reset();
    }
}

// For each look, with and without dither: a change shows the picture again at once (the greys of
// the last Convert go), and Convert gives the bytes vkd.exe --target window gives for the same file
// and settings (not those of the terminal's font).
TEST_F(LookMenu, ConvertInEveryLookMatchesTheConverter) {
    test_deadline_extend(300);
    ASSERT_NE(app_start(), nullptr);
    MoveWindow(mainWindow, 0, 0, 900, 800, TRUE);
    quit_drain();
    bmp_write(startDir + "\\photo.bmp", 160, 120,
              [](int32_t x, int32_t y) { return photo_pixel(x, y, 160, 120); });
    std::vector<ModalDialog> seen =
        command_run(IDM_OPEN, {file_dialog_answer(startDir + "\\photo.bmp")});
    ASSERT_EQ(seen.size(), 1u) << dialogs_describe(seen);
    const std::vector<Rgb> picture = squeezed_preview();

    // vkd takes the full-width set from a settings file, as the window does.
    const std::string fullWidth = startDir + "\\full-width.ini";
    file_write(fullWidth, "[Quality]\r\nCharSet=1\r\n");
    struct Case {
        Look look;
        bool dither;
        int32_t charSet = 0;
        bool board = false; // 出力先 掲示板: the board target, laid out in its proportional font
    } const cases[] = {
        {Look::standard, false},   {Look::photo, false},       {Look::shape, false},
        {Look::shape, true},       {Look::photo, true},        {Look::standard, true},
        {Look::shape, false, 1},   {Look::photo, false, 1},    {Look::standard, false, 1},
        {Look::trace, false},      {Look::photo, false, 0, true}, {Look::trace, false, 0, true},
    };
    for (const Case &c : cases) {
        const std::string name = std::string(look_name(c.look)) + (c.dither ? " dithered" : "") +
                                 (c.charSet == 1 ? " full-width" : "") + (c.board ? " board" : "");
        command_run(look_command(c.look));
        if (lookSettings.dither != c.dither)
            command_run(IDM_DITHER);
        command_run(c.charSet == 1 ? IDM_CHARSET_FULL : IDM_CHARSET_HALF);
        command_run(c.board ? IDM_TARGET_BOARD : IDM_TARGET_WINDOW);
        EXPECT_TRUE(squeezed_preview() == picture) << name << ": the old greys are still shown";
        EXPECT_EQ(shown_wrong(), 0) << name;

        seen = command_run(IDM_CONVERT);
        EXPECT_TRUE(seen.empty()) << name << ": " << dialogs_describe(seen);
        // Proportional lines have no cells to paint: the board leaves the preview as it is.
        EXPECT_EQ(squeezed_preview() == picture, c.board) << name << ": grey feedback";
        // The window reads its text in ＭＳ ゴシック: its looks are the window target's. The
        // editor's text is UTF-8 in memory (saved, code page 932).
        const std::string arguments =
            std::string(c.charSet == 1 ? "--ini \"" + fullWidth + "\" " : "") +
            "--encoding utf-8 --target " + (c.board ? "board" : "window") + " --look " +
            look_name(c.look) +
            (c.dither ? " --dither" : "") +
            " --width " + std::to_string(settings.Mojisu) + " --ratio " +
            std::to_string(settings.Hiritu) + " --brightness " + std::to_string(settings.Meido);
        const std::string window = editor_text();
        const std::string converter = vkd_run(arguments, "photo.bmp");
        EXPECT_EQ(window, converter) << name << "\nwindow:\n"
                                     << window << "\nvkd " << arguments << ":\n"
                                     << converter;
        // The full-width characters are measured alike for every target.
        if (c.look != Look::standard && c.charSet == 0 && !c.board) {
            EXPECT_NE(window, vkd_run(arguments + " --target terminal", "photo.bmp")) << name;
        }
        const bool wide = std::any_of(window.begin(), window.end(), [](char b) { return b & 0x80; });
        if (!c.board) { // a board line's spaces are full-width
            EXPECT_EQ(wide, c.charSet == 1 && c.look != Look::standard) << name << "\n" << window;
        }
    }
}

namespace {

// The editor's font as the pane holds it: its face and LOGFONT height.
LOGFONTW editor_logfont() {
    LOGFONTW font{};
    GetObjectW(reinterpret_cast<HGDIOBJ>(SendMessageW(editorPane, WM_GETFONT, 0, 0)), sizeof font,
               &font);
    return font;
}

// A text's width in the editor's font, in pixels.
int editor_text_width(const wchar_t *text) {
    HDC dc = GetDC(editorPane);
    HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageW(editorPane, WM_GETFONT, 0, 0)));
    SIZE size{};
    GetTextExtentPoint32W(dc, text, static_cast<int>(wcslen(text)), &size);
    SelectObject(dc, old);
    ReleaseDC(editorPane, dc);
    return size.cx;
}

// The font dialog as the user answers it: Arial at 14 pixels.
BOOL WINAPI arial_chosen(LPCHOOSEFONTW choice) {
    wcscpy(choice->lpLogFont->lfFaceName, L"Arial");
    choice->lpLogFont->lfHeight = dpi_scale(-14, windowDpi);
    return TRUE;
}

} // namespace

// 掲示板 shows the text in the board's font at the board's widths (under Wine ＭＳ Ｐゴシック is
// Mona, its metric twin); ウィンドウ gives the user's own font back.
TEST_F(LookMenu, BoardTargetShowsTheBoardsFont) {
    ini_file_write("[Font]\r\nFaceName=Courier New\r\nHeight=13\r\n");
    lookSettings = LookSettings{};
    ASSERT_NE(app_start(), nullptr);
    EXPECT_EQ(utf8_of(editor_logfont().lfFaceName), "Courier New");

    command_run(IDM_TARGET_BOARD);
    LOGFONTW board = editor_logfont();
    EXPECT_EQ(utf8_of(board.lfFaceName), "ＭＳ Ｐゴシック");
    EXPECT_EQ(board.lfHeight, dpi_scale(-16, windowDpi));
    if (windowDpi == 96) {
        struct Width {
            const wchar_t *text;
            int pixels;
        } const widths[] = {
            {L" ", 5}, {L"\u3000", 11}, {L".", 3}, {L"|", 4}, {L"\u3000 \u3000", 27}, {L"..||", 14},
        };
        for (const Width &w : widths)
            EXPECT_EQ(editor_text_width(w.text), w.pixels) << utf8_of(w.text);
    }

    // A font chosen meanwhile is the window's: kept for ウィンドウ, not shown on the board.
    const auto shown = fontDialogChoose;
    fontDialogChoose = arial_chosen;
    command_run(IDM_FONT);
    fontDialogChoose = shown;
    EXPECT_EQ(utf8_of(editor_logfont().lfFaceName), "ＭＳ Ｐゴシック");
    EXPECT_EQ(std::string(settings.FaceName), "Arial");

    command_run(IDM_TARGET_WINDOW);
    EXPECT_EQ(utf8_of(editor_logfont().lfFaceName), "Arial");
    EXPECT_EQ(editor_logfont().lfHeight, dpi_scale(14, windowDpi)); // [Font] Height as stored
    EXPECT_EQ(settings.Height, 14) << "the user's choice is kept";
}
