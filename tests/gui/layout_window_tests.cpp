// The panes and bars after real size changes, in the three arrangements, and the View switches.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "core/conversion/geometry.h"
#include "core/conversion/settings.h"
#include "document/editor.h"
#include "image_pane/image_pane.h"
#include "main_window/layout.h"
#include "main_window/main_window.h"
#include "main_window/status_bar.h"
#include "main_window/toolbar.h"
#include "resources/resource.h"
#include "tests/gui/gui_session.h"
#include "window/wide.h"
#include "window/document_state.h"

using Layout = WindowTest;

static int bar_height(HWND bar) {
    if (bar == nullptr)
        return 0;
    RECT r{};
    GetWindowRect(bar, &r);
    return r.bottom - r.top;
}

static bool checked(int id) {
    return (GetMenuState(GetMenu(mainWindow), id, MF_BYCOMMAND) & MF_CHECKED) != 0;
}

// Where both panes must be for the current settings, from the real client size and bar heights.
static void expect_panes(const char *name) {
    RECT client{};
    GetClientRect(mainWindow, &client);
    const int top = bar_height(toolbar);
    const int between = client.bottom - top - bar_height(statusBar);
    RECT image{0, 0, 0, 0}, editor{};
    if (settings.Clientarea == 0) {
        editor = {0, top, client.right, between};
    } else if (settings.Position != 0) {
        const int w = settings.Mojisu + 36;
        image = {0, top, w, between};
        editor = {w, top, client.right - w, between};
    } else {
        const int p = (mapRows > previewHeight ? mapRows : previewHeight) + 36;
        image = {0, top, client.right, p};
        editor = {0, top + p, client.right, between - p};
    }
    const RECT gotImage = child_rect(imagePane), gotEditor = child_rect(editorPane);
    // A pane given a negative size ends up with size 0: compare what the window can hold.
    auto fix = [](RECT r) {
        if (r.right < 0)
            r.right = 0;
        if (r.bottom < 0)
            r.bottom = 0;
        return r;
    };
    image = fix(image);
    editor = fix(editor);
    EXPECT_EQ(gotImage.left, image.left) << name;
    EXPECT_EQ(gotImage.top, image.top) << name;
    EXPECT_EQ(gotImage.right, image.right) << name << " (image width)";
    EXPECT_EQ(gotImage.bottom, image.bottom) << name << " (image height)";
    EXPECT_EQ(gotEditor.left, editor.left) << name;
    EXPECT_EQ(gotEditor.top, editor.top) << name;
    EXPECT_EQ(gotEditor.right, editor.right) << name << " (editor width)";
    EXPECT_EQ(gotEditor.bottom, editor.bottom) << name << " (editor height)";
}

TEST_F(Layout, ThreeArrangementsAfterResizing) {
    ASSERT_NE(app_start(), nullptr);
    struct {
        const char *name;
        int clientarea, position, mojisu, previewHeight, mapRows;
    } const cases[] = {
        {"vertical", 1, 1, 100, 0, 0},
        {"horizontal, no bitmap", 1, 0, 100, 0, 0},
        {"horizontal, 75 and 37", 1, 0, 100, 75, 37},
        {"horizontal, rows above preview", 1, 0, 100, 40, 60},
        {"hidden", 0, 1, 100, 0, 0},
        {"vertical, wide column", 1, 1, 220, 0, 0},
    };
    const SIZE sizes[] = {{820, 640}, {500, 400}, {1000, 700}};
    for (const auto &c : cases) {
        settings.Clientarea = c.clientarea;
        settings.Position = c.position;
        settings.Mojisu = c.mojisu;
        previewHeight = c.previewHeight;
        mapRows = c.mapRows;
        for (const SIZE &s : sizes) {
            MoveWindow(mainWindow, 10, 10, s.cx, s.cy, TRUE); // a real WM_SIZE
            quit_drain();
            expect_panes(c.name);
        }
    }
}

TEST_F(Layout, HidingAndShowingTheBars) {
    ASSERT_NE(app_start(), nullptr);
    MoveWindow(mainWindow, 10, 10, 800, 600, TRUE);
    EXPECT_TRUE(checked(IDM_TOOLBAR));
    EXPECT_TRUE(checked(IDM_STATUSBAR));

    settings.Toolbar = 0;
    bar_apply(2);
    EXPECT_EQ(toolbar, nullptr);
    EXPECT_EQ(GetDlgItem(mainWindow, IDC_TOOLBAR), nullptr);
    EXPECT_EQ(toolbarRect, (PaneRect{0, 0, 0, 0}));
    EXPECT_FALSE(checked(IDM_TOOLBAR));
    expect_panes("toolbar hidden");
    EXPECT_EQ(child_rect(imagePane).top, 0);

    HWND oldStatus = statusBar;
    settings.Statusbar = 0;
    bar_apply(1);
    EXPECT_EQ(statusBar, nullptr);
    EXPECT_FALSE(IsWindow(oldStatus));
    EXPECT_FALSE(checked(IDM_STATUSBAR));
    expect_panes("both bars hidden");
    RECT client{};
    GetClientRect(mainWindow, &client);
    EXPECT_EQ(child_rect(editorPane).bottom, client.bottom);

    settings.Statusbar = 1;
    bar_apply(1);
    ASSERT_NE(statusBar, nullptr);
    EXPECT_TRUE(checked(IDM_STATUSBAR));
    EXPECT_EQ(statusBarRect.height, bar_height(statusBar));
    EXPECT_EQ(SendMessageA(statusBar, SB_GETPARTS, 0, 0), statusParts); // rebuilt at once
    expect_panes("status bar back");

    settings.Toolbar = 1;
    bar_apply(2);
    ASSERT_NE(toolbar, nullptr);
    EXPECT_TRUE(checked(IDM_TOOLBAR));
    expect_panes("both back");

    bar_apply(0); // no such bar: nothing happens
    bar_apply(3);
    expect_panes("unknown kinds");
}

TEST_F(Layout, NarrowFrameWrapsTheToolbarAndMovesThePanesDown) {
    ASSERT_NE(app_start(), nullptr);
    MoveWindow(mainWindow, 10, 10, 800, 600, TRUE);
    quit_drain();
    const int oneRow = bar_height(toolbar);
    const int editorTop = child_rect(editorPane).top;
    ASSERT_GT(oneRow, 0);
    MoveWindow(mainWindow, 10, 10, 220, 600, TRUE);
    quit_drain();
    const int wrapped = bar_height(toolbar);
    EXPECT_GT(wrapped, oneRow);
    EXPECT_EQ(toolbarRect.height, wrapped);
    EXPECT_EQ(child_rect(editorPane).top, editorTop + (wrapped - oneRow));
    expect_panes("wrapped");
}

TEST_F(Layout, ViewMenuCheckMarks) {
    ASSERT_NE(app_start(), nullptr);
    struct {
        int position, clientarea;
        bool vertical, horizontal, shown;
    } const cases[] = {
        {1, 1, true, false, true},  {0, 1, false, true, true},  {5, 0, true, false, false},
        {0, 0, false, true, false}, {-1, 3, true, false, true},
    };
    for (const auto &c : cases) {
        settings.Position = c.position;
        settings.Clientarea = c.clientarea;
        menu_checks_update();
        EXPECT_EQ(checked(IDM_VERTICAL), c.vertical) << c.position;
        EXPECT_EQ(checked(IDM_HORIZONTAL), c.horizontal) << c.position;
        EXPECT_EQ(checked(IDM_IMAGEPANE), c.shown) << c.clientarea;
    }
}

// Every item of the menu, in order, with its id and text.
TEST_F(Layout, MenuHoldsEveryItem) {
    ASSERT_NE(app_start(), nullptr);
    std::string dump;
    std::function<void(HMENU, int)> walk = [&](HMENU menu, int depth) {
        for (int i = 0; i < GetMenuItemCount(menu); ++i) {
            wchar_t text[128] = L"";
            MENUITEMINFOW info{};
            info.cbSize = sizeof info;
            info.fMask = MIIM_ID | MIIM_SUBMENU | MIIM_FTYPE | MIIM_STRING;
            info.dwTypeData = text;
            info.cch = 128;
            GetMenuItemInfoW(menu, i, TRUE, &info);
            dump += std::string(depth * 2, ' ');
            if (info.fType & MFT_SEPARATOR)
                dump += "-\n";
            else if (info.hSubMenu != nullptr)
                dump += utf8_of(text) + "\n";
            else
                dump += std::to_string(info.wID) + " " + utf8_of(text) + "\n";
            if (info.hSubMenu != nullptr)
                walk(info.hSubMenu, depth + 1);
        }
    };
    walk(GetMenu(mainWindow), 0);
    EXPECT_EQ(dump, "ファイル(&F)\n"
                    "  201 クリア(&N)\n  202 開く(&O)\n  231 クリップボードから開く(&B)\n"
                    "  203 上書き保存(&S)\n"
                    "  204 名前を付けて保存(&A)\n  232 画像として保存(&I)...\n  -\n  205 終了(&X)\n"
                    "編集(&E)\n"
                    "  206 元に戻す(&U)\n  -\n  213 切り取り(&T)\n  214 コピー(&C)\n"
                    "  216 貼り付け(&P)\n  218 削除(&D)\n  -\n  217 すべて選択(&A)\n  -\n"
                    "  215 フォントの設定(&F)\n"
                    "表示(&V)\n"
                    "  220 ツールバー(&T)\n  219 ステータスバー(&S)\n  -\n  ビットマップ(&B)\n"
                    "    222 縦置(&L)\n    223 横置(&S)\n    -\n    224 表示(&C)\n"
                    "変換(&C)\n  212 変換(&C)\n  -\n  221 設定(&S)\n  画質(&Q)\n"
                    "    240 標準(&N)\n    241 写真(&P)\n    242 輪郭(&E)\n    246 トレス(&T)\n    -\n"
                    "    243 ディザ(&D)\n    -\n    244 半角(&H)\n    245 全角(&Z)\n"
                    "  出力先(&O)\n    250 ウィンドウ(&W)\n    251 掲示板(&B)\n"
                    "ヘルプ(&H)\n  210 ヘルプ(&H)\n  -\n  211 バージョン情報(&A)\n");
}
