// How the panes and the status bar are made: the editor pane's styles and its unwrapped lines,
// the image pane's edge, the status bar's part tips.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "core/conversion/geometry.h"
#include "core/conversion/settings.h"
#include "document/editor.h"
#include "image_pane/image_pane.h"
#include "main_window/main_window.h"
#include "main_window/status_bar.h"
#include "resources/resource.h"
#include "tests/gui/file_dialog.h"
#include "tests/gui/gui_session.h"
#include "window/wide.h"
#include "window/document_state.h"

namespace {

std::string hex(LONG v) {
    char text[16];
    std::snprintf(text, sizeof text, "%08lx", static_cast<unsigned long>(v));
    return text;
}

std::string tip_of(int part) {
    wchar_t text[256] = L"";
    SendMessageW(statusBar, SB_GETTIPTEXTW, MAKEWPARAM(part, 256), reinterpret_cast<LPARAM>(text));
    return utf8_of(text);
}

std::string tips_dump() {
    std::string all;
    for (int i = 0; i < statusParts; ++i)
        all += "[" + tip_of(i) + "]";
    return all;
}

using PaneStyles = WindowTest;

} // namespace

// The editor pane has both scroll bars and scrolls sideways instead of wrapping: a converted
// line wider than the pane stays one line.
TEST_F(PaneStyles, EditorKeepsConvertedLinesWhole) {
    ini_file_write("[Configuration]\r\nMojisu=220\r\n");
    ASSERT_NE(app_start(), nullptr);
    MoveWindow(mainWindow, 10, 10, 800, 600, TRUE);
    quit_drain();
    EXPECT_EQ(hex(GetWindowLongA(editorPane, GWL_STYLE)),
              hex(WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE | ES_AUTOVSCROLL |
                  ES_AUTOHSCROLL | ES_WANTRETURN));
    EXPECT_EQ(hex(GetWindowLongA(editorPane, GWL_EXSTYLE)), hex(WS_EX_CLIENTEDGE));

    const std::string path = startDir + "\\photo.bmp";
    bmp_write(path, 400, 300, [](int32_t x, int32_t y) { return photo_pixel(x, y, 400, 300); });
    std::vector<ModalDialog> seen = command_run(IDM_OPEN, {file_dialog_answer(path)});
    ASSERT_EQ(seen.size(), 1u) << dialogs_describe(seen);
    seen = command_run(IDM_CONVERT);
    ASSERT_TRUE(seen.empty()) << dialogs_describe(seen);
    ASSERT_EQ(mapCols, 220);

    // One line of 220 characters is far wider than the pane.
    const std::string text = editor_text();
    const std::string first = text.substr(0, text.find("\r\n"));
    ASSERT_EQ(first.size(), 220u);
    HDC dc = GetDC(editorPane);
    HGDIOBJ old =
        SelectObject(dc, reinterpret_cast<HFONT>(SendMessageA(editorPane, WM_GETFONT, 0, 0)));
    SIZE extent{};
    GetTextExtentPoint32A(dc, first.c_str(), 220, &extent);
    SelectObject(dc, old);
    ReleaseDC(editorPane, dc);
    RECT client{};
    GetClientRect(editorPane, &client);
    ASSERT_GT(extent.cx, client.right);

    // Every line ends with CR LF, so the last line is the empty one after it.
    EXPECT_EQ(SendMessageA(editorPane, EM_GETLINECOUNT, 0, 0), mapRows + 1);
    for (int line : {0, mapRows - 1})
        EXPECT_EQ(SendMessageA(editorPane, EM_LINELENGTH,
                               SendMessageA(editorPane, EM_LINEINDEX, line, 0), 0),
                  220)
            << "line " << line;
}

// Any Style but 0, the default 1 among them, gives the image pane the modal-frame edge.
TEST_F(PaneStyles, ImagePaneEdgeFromStyle) {
    struct Case {
        const char *ini;
        bool modalFrame;
    } const cases[] = {
        {"", true},
        {"[Forms]\r\nStyle=7\r\n", true},
        {"[Forms]\r\nStyle=-1\r\n", true},
        {"[Forms]\r\nStyle=0\r\n", false},
    };
    for (const Case &c : cases) {
        ini_file_write(c.ini);
        ASSERT_NE(app_start(), nullptr) << c.ini;
        const LONG exStyle = GetWindowLongA(imagePane, GWL_EXSTYLE);
        EXPECT_EQ((exStyle & WS_EX_DLGMODALFRAME) != 0, c.modalFrame)
            << "settings \"" << c.ini << "\": " << hex(exStyle);
        DestroyWindow(mainWindow);
        quit_drain();
        app_state_reset();
    }
}

// Each part's tip repeats its text, and follows it when the texts are rebuilt.
TEST_F(PaneStyles, StatusBarTipsRepeatThePartTexts) {
    ini_file_write("[Configuration]\r\nHiritu=70\r\nMeido=35\r\n");
    ASSERT_NE(app_start(), nullptr);
    EXPECT_EQ(tips_dump(), "[][B：0.0][T：100.0 (0bytes)][比：70][明：35]");

    bmpWidth = 400;
    bmpHeight = 300;
    mapRows = 37;
    struct Step {
        WPARAM menuSelect;
        const char *tips;
    } const steps[] = {
        {MAKEWPARAM(IDM_SAVE, MF_HILITE), "[現在のテキストファイルを保存します。][B：400.300]["
                                          "T：100.37 (3774bytes)][比：70][明：35]"},
        {MAKEWPARAM(IDM_SETTINGS, MF_HILITE),
         "[各種項目を設定します。][B：400.300][T：100.37 (3774bytes)][比：70][明：35]"},
        {MAKEWPARAM(0, 0xFFFF), "[][B：400.300][T：100.37 (3774bytes)][比：70][明：35]"},
    };
    for (const Step &s : steps) {
        SendMessageA(mainWindow, WM_MENUSELECT, s.menuSelect, 0);
        EXPECT_EQ(tips_dump(), s.tips) << "menu item " << LOWORD(s.menuSelect);
    }
}
