// Start-up, the settings file at start and at close, the frame's limits.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/common/document.h"
#include "core/conversion/settings.h"
#include "document/editor.h"
#include "image_pane/image_pane.h"
#include "main_window/command_line.h"
#include "main_window/main_window.h"
#include "main_window/status_bar.h"
#include "main_window/toolbar.h"
#include "resources/resource.h"
#include "tests/gui/file_dialog.h"
#include "tests/gui/gui_session.h"
#include "tests/gui/modal_driver.h"
#include "window/wide.h"
#include "window/document_state.h"

using StartUp = WindowTest;

static LOGFONTW font_of(HWND window) {
    LOGFONTW font{};
    HGDIOBJ handle = reinterpret_cast<HGDIOBJ>(SendMessageW(window, WM_GETFONT, 0, 0));
    GetObjectW(handle, sizeof font, &font);
    return font;
}

TEST_F(StartUp, WithoutSettingsFileDefaultsEverywhere) {
    HWND window = app_start();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window, mainWindow);
    EXPECT_EQ(text_of(window), "無題 - Velkorandite");
    EXPECT_NE(toolbar, nullptr);
    EXPECT_NE(statusBar, nullptr);
    EXPECT_EQ(GetDlgCtrlID(toolbar), IDC_TOOLBAR);
    EXPECT_EQ(GetDlgCtrlID(statusBar), IDC_STATUSBAR);
    EXPECT_EQ(GetDlgCtrlID(imagePane), IDC_IMAGEPANE);
    EXPECT_EQ(GetDlgCtrlID(editorPane), IDC_EDITOR);
    EXPECT_EQ(GetParent(imagePane), window);
    EXPECT_EQ(GetParent(editorPane), window);

    // Vertical placement: the image pane is a column at the left, the editor to its right.
    const RECT image = child_rect(imagePane), editor = child_rect(editorPane);
    EXPECT_EQ(image.left, 0);
    EXPECT_EQ(image.right, 136); // width: Mojisu + 36
    EXPECT_EQ(editor.left, 136);

    const LOGFONTW font = font_of(editorPane);
    EXPECT_EQ(font.lfHeight, -15);
    EXPECT_EQ(utf8_of(font.lfFaceName), "ＭＳ ゴシック");
    EXPECT_EQ(font.lfWeight, 500);
    EXPECT_EQ(font.lfCharSet, SHIFTJIS_CHARSET);
    EXPECT_EQ(font.lfItalic, 0);
    EXPECT_EQ(SendMessageA(editorPane, EM_GETLIMITTEXT, 0, 0), 65536);

    char dir[MAX_PATH] = "";
    GetCurrentDirectoryA(sizeof dir, dir);
    EXPECT_STREQ(startupDir, dir);
    EXPECT_FALSE(ini_exists()); // nothing is written before the close
}

TEST_F(StartUp, StoredRectanglePlacesTheFrame) {
    struct {
        const char *name;
        const char *forms;
        bool moves;
        RECT expected; // left, top, right, bottom when it moves
    } const cases[] = {
        {"800 x 600 at (100, 50)",
         "Left=100\r\nTop=50\r\nRight=900\r\nBottom=650\r\n",
         true,
         {100, 50, 900, 650}},
        {"all zero", "Left=0\r\nTop=0\r\nRight=0\r\nBottom=0\r\n", false, {}},
        {"no rectangle", "Statusbar=1\r\n", false, {}},
        {"500 wide, 0 high still moves",
         "Left=40\r\nTop=30\r\nRight=540\r\nBottom=30\r\n",
         true,
         {40, 30, 540, 0}},
        // Off every monitor: onto the nearest work area (the display's left edge), same size.
        {"Left=-30000 opens on screen",
         "Left=-30000\r\nTop=50\r\nRight=-29200\r\nBottom=650\r\n",
         true,
         {0, 50, 800, 650}},
    };
    for (const auto &c : cases) {
        ini_file_write(std::string("[Forms]\r\n") + c.forms);
        // Where the frame goes without a stored rectangle.
        HWND window = app_start();
        ASSERT_NE(window, nullptr) << c.name;
        RECT r{};
        GetWindowRect(window, &r);
        if (c.moves) {
            EXPECT_EQ(r.left, c.expected.left) << c.name;
            EXPECT_EQ(r.top, c.expected.top) << c.name;
            EXPECT_EQ(r.right - r.left, c.expected.right - c.expected.left) << c.name;
            if (c.expected.bottom != 0) {
                EXPECT_EQ(r.bottom, c.expected.bottom) << c.name;
            }
        } else {
            EXPECT_GT(r.right - r.left, 0) << c.name; // the system's default size
            EXPECT_FALSE(r.left == 0 && r.top == 0 && r.right == 0 && r.bottom == 0) << c.name;
        }
        DestroyWindow(window);
        quit_drain();
        app_state_reset();
    }
}

TEST_F(StartUp, StoredFontAndMisreadValues) {
    ini_file_write("[Font]\r\nFaceName=Courier New\r\nHeight=-20\r\n"
                   "[Forms]\r\nPosition=5\r\nStyle=0\r\n[Configuration]\r\nMojisu=5\r\n");
    ASSERT_NE(app_start(), nullptr);
    const LOGFONTW font = font_of(editorPane);
    EXPECT_EQ(font.lfHeight, -20);
    EXPECT_EQ(utf8_of(font.lfFaceName), "Courier New");
    EXPECT_EQ(settings.Mojisu, 5); // read unchecked, raised only where the commands raise it
    HMENU menu = GetMenu(mainWindow);
    EXPECT_TRUE(GetMenuState(menu, IDM_VERTICAL, MF_BYCOMMAND) & MF_CHECKED);
    EXPECT_FALSE(GetMenuState(menu, IDM_HORIZONTAL, MF_BYCOMMAND) & MF_CHECKED);
    const LONG exStyle = GetWindowLongA(imagePane, GWL_EXSTYLE);
    EXPECT_FALSE(exStyle & WS_EX_DLGMODALFRAME); // the system decides about the window edge
}

// The settings file's language goes before the system's; a file without it reads as automatic,
// and the close writes it back as it was.
TEST_F(StartUp, StoredLanguageGoesBeforeTheSystems) {
    struct {
        const char *ini, *caption, *file;
    } const cases[] = {
        {"[Interface]\r\nLanguage=en\r\n", "Untitled - Velkorandite", "&File"},
        {"[Interface]\r\nLanguage=\r\n", "無題 - Velkorandite", "ファイル(&F)"},
        {"[Forms]\r\nStyle=1\r\n", "無題 - Velkorandite", "ファイル(&F)"},
    };
    for (const auto &c : cases) {
        ini_file_write(c.ini);
        ASSERT_NE(app_start(), nullptr) << c.ini;
        EXPECT_EQ(text_of(mainWindow), c.caption) << c.ini;
        wchar_t file[64] = L"";
        GetMenuStringW(GetMenu(mainWindow), 0, file, 64, MF_BYPOSITION);
        EXPECT_EQ(utf8_of(file), c.file) << c.ini;
        SendMessageW(mainWindow, WM_CLOSE, 0, 0);
        quit_drain();
        EXPECT_EQ(ini_value("Interface", "Language"), c.caption[0] == 'U' ? "en" : "") << c.ini;
        app_state_reset();
    }
}

TEST_F(StartUp, MinimumTrackingSizeFollowsMojisu) {
    ASSERT_NE(app_start(), nullptr);
    for (int mojisu : {100, 220, 20, 0}) {
        settings.Mojisu = mojisu;
        MINMAXINFO info{};
        info.ptMaxTrackSize = {4000, 3000};
        SendMessageA(mainWindow, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&info));
        EXPECT_EQ(info.ptMinTrackSize.x, mojisu + 100);
        EXPECT_EQ(info.ptMinTrackSize.y, 100);
        EXPECT_EQ(info.ptMaxTrackSize.x, 4000); // the rest as the system filled it
    }
}

TEST_F(StartUp, CloseWritesTheSettingsFileAndEndsTheLoop) {
    struct {
        const char *name;
        int show;
    } const cases[] = {
        {"normal", SW_SHOWNORMAL}, {"minimised", SW_MINIMIZE}, {"maximised", SW_MAXIMIZE}};
    for (const auto &c : cases) {
        DeleteFileA((startDir + "\\vkd.ini").c_str());
        HWND window = app_start();
        ASSERT_NE(window, nullptr) << c.name;
        MoveWindow(window, 120, 80, 640, 480, TRUE);
        quit_drain();
        // Closed at once: without a window manager the display may undo a maximised state.
        ShowWindow(window, c.show);
        settings.Mojisu = 7; // raised to 20 on the way out
        SendMessageA(window, WM_CLOSE, 0, 0);
        EXPECT_FALSE(IsWindow(window)) << c.name;
        EXPECT_TRUE(quit_drain()) << c.name; // the loop would end now
        ASSERT_TRUE(ini_exists()) << c.name;

        std::string expected[4] = {"120", "80", "760", "560"};
        if (c.show == SW_MINIMIZE)
            expected[0] = expected[1] = expected[2] = expected[3] = "0";
        if (c.show == SW_MAXIMIZE) {
            expected[0] = expected[1] = "0";
            expected[2] = std::to_string(GetSystemMetrics(SM_CXMAXIMIZED));
            expected[3] = std::to_string(GetSystemMetrics(SM_CYMAXIMIZED));
        }
        EXPECT_EQ(ini_value("Forms", "Left"), expected[0]) << c.name;
        EXPECT_EQ(ini_value("Forms", "Top"), expected[1]) << c.name;
        EXPECT_EQ(ini_value("Forms", "Right"), expected[2]) << c.name;
        EXPECT_EQ(ini_value("Forms", "Bottom"), expected[3]) << c.name;
        EXPECT_EQ(ini_value("Configuration", "Mojisu"), "20") << c.name;
        EXPECT_EQ(ini_value("Forms", "Statusbar"), "1") << c.name;
        EXPECT_EQ(ini_value("Font", "Height"), "0") << c.name;
        app_state_reset();
    }
}

// The picture named at start-up comes from the wide command line: a name the ANSI code page
// cannot hold (café.png in CP932, whose ANSI form would be the look-alike cafe.png, another file)
// opens as typed.
TEST_F(StartUp, PictureNamedInAnyCharacters) {
    ASSERT_NE(app_start(), nullptr);
    const std::wstring folder = wide_of(startDir) + L"\\";
    for (const wchar_t *name : {L"cafe.png", L"caf\u00e9.png", L"\u5199\u771f.png",
                                L"\uc0ac\uc9c4\u00e9.png"})
        ASSERT_TRUE(CopyFileW(wide_of(VKD_PICTURES_DIR "/rgb8.png").c_str(),
                              (folder + name).c_str(), FALSE));
    for (const char *name : {"café.png", "写真.png", "사진é.png"}) {
        imageLoaded = false;
        bitmapPath[0] = '\0';
        const std::string path = startDir + "\\" + name;
        modal_driver_begin(20);
        command_line_open(wide_of("\"C:\\Velkorandite\\Velkorandite.exe\" \"" + path + "\"").c_str());
        const std::vector<ModalDialog> seen = modal_driver_end();
        EXPECT_TRUE(seen.empty()) << name << dialogs_describe(seen);
        EXPECT_TRUE(imageLoaded) << name;
        EXPECT_STREQ(bitmapPath, path.c_str());
        EXPECT_EQ(text_of(mainWindow), std::string(name).substr(0, std::string(name).find('.')) +
                                           " - Velkorandite");
    }
}
