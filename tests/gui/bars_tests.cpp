// Toolbar buttons and tooltips, status bar texts and parts, menu help.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>

#include "core/conversion/geometry.h"
#include "core/conversion/settings.h"
#include "document/editor.h"
#include "main_window/layout.h"
#include "main_window/main_window.h"
#include "main_window/status_bar.h"
#include "main_window/toolbar.h"
#include "window/wide.h"
#include "resources/resource.h"
#include "tests/gui/gui_session.h"
#include "tests/gui/modal_driver.h"
#include "window/document_state.h"

using Bars = WindowTest;

static bool button_enabled(int id) {
    return SendMessageA(toolbar, TB_ISBUTTONENABLED, id, 0) != 0;
}

static std::string part_text(int part) {
    wchar_t text[256] = L"";
    const LRESULT r = SendMessageW(statusBar, SB_GETTEXTLENGTHW, part, 0);
    if (LOWORD(r) < 256)
        SendMessageW(statusBar, SB_GETTEXTW, part, reinterpret_cast<LPARAM>(text));
    return utf8_of(text);
}

static std::string parts_dump() {
    std::string all;
    for (int i = 0; i < statusParts; ++i)
        all += "[" + part_text(i) + "]";
    return all;
}

TEST_F(Bars, ToolbarHoldsTheFifteenEntries) {
    ASSERT_NE(app_start(), nullptr);
    struct {
        int image, command;
        bool separator;
    } const table[15] = {
        {0, IDM_CLEAR, false}, {1, IDM_OPEN, false}, {2, IDM_SAVEAS, false},
        {0, 0, true},          {3, IDM_CUT, false},  {4, IDM_COPY, false},
        {5, IDM_PASTE, false}, {6, IDM_UNDO, false}, {0, 0, true},
        {7, IDM_FONT, false},  {0, 0, true},         {8, IDM_NARROWER, false},
        {9, IDM_WIDER, false}, {0, 0, true},         {10, IDM_CONVERT, false},
    };
    ASSERT_EQ(SendMessageA(toolbar, TB_BUTTONCOUNT, 0, 0), 15);
    for (int i = 0; i < 15; ++i) {
        TBBUTTON b{};
        ASSERT_TRUE(SendMessageA(toolbar, TB_GETBUTTON, i, reinterpret_cast<LPARAM>(&b)));
        EXPECT_EQ((b.fsStyle & TBSTYLE_SEP) != 0, table[i].separator) << "position " << i;
        if (!table[i].separator) {
            EXPECT_EQ(b.idCommand, table[i].command) << "position " << i;
            EXPECT_EQ(b.iBitmap, table[i].image) << "position " << i;
        }
    }
    EXPECT_EQ(GetWindowLongA(toolbar, GWL_STYLE) & (TBSTYLE_TOOLTIPS | TBSTYLE_WRAPABLE),
              TBSTYLE_TOOLTIPS | TBSTYLE_WRAPABLE);
}

// The toolbar leaves its background to the frame, which otherwise never erases anything.
TEST_F(Bars, ToolbarBackgroundIsTheButtonFace) {
    ASSERT_NE(app_start(), nullptr);
    MoveWindow(mainWindow, 10, 10, 800, 600, TRUE);
    quit_drain();
    RECT last{}, bar{};
    SendMessageA(toolbar, TB_GETITEMRECT, 14, reinterpret_cast<LPARAM>(&last));
    GetClientRect(toolbar, &bar);
    ASSERT_LT(last.right + 20, bar.right);
    RedrawWindow(toolbar, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    HDC dc = GetDC(toolbar);
    EXPECT_EQ(GetPixel(dc, last.right + 10, (last.top + last.bottom) / 2),
              GetSysColor(COLOR_BTNFACE));
    ReleaseDC(toolbar, dc);
}

TEST_F(Bars, NarrowerAndWiderFollowModeAndImagePane) {
    ASSERT_NE(app_start(), nullptr);
    EXPECT_TRUE(button_enabled(IDM_NARROWER)); // stretch mode, pane shown
    EXPECT_TRUE(button_enabled(IDM_WIDER));
    struct {
        int mode, clientarea;
        bool enabled;
    } const cases[] = {
        {1, 1, true}, {1, 0, false}, {2, 1, false}, {2, 0, false}, {3, 1, true}, {0, 5, true},
    };
    for (const auto &c : cases) {
        settings.Mode = c.mode;
        settings.Clientarea = c.clientarea;
        toolbar_buttons_update();
        EXPECT_EQ(button_enabled(IDM_NARROWER), c.enabled) << c.mode << " " << c.clientarea;
        EXPECT_EQ(button_enabled(IDM_WIDER), c.enabled) << c.mode << " " << c.clientarea;
        EXPECT_TRUE(button_enabled(IDM_CONVERT));
    }
}

// A toolbar made anew starts with everything enabled until the update runs.
TEST_F(Bars, NewToolbarHasEveryButtonEnabled) {
    ASSERT_NE(app_start(), nullptr);
    settings.Clientarea = 0;
    toolbar_buttons_update();
    ASSERT_FALSE(button_enabled(IDM_WIDER));
    settings.Toolbar = 0;
    bar_apply(2);
    settings.Toolbar = 1;
    bar_apply(2);
    for (int id : {IDM_CLEAR, IDM_CUT, IDM_COPY, IDM_UNDO, IDM_NARROWER, IDM_WIDER})
        EXPECT_TRUE(button_enabled(id)) << id;
    toolbar_buttons_update();
    EXPECT_FALSE(button_enabled(IDM_NARROWER));
}

TEST_F(Bars, TooltipTextsFromTheStringTable) {
    ASSERT_NE(app_start(), nullptr);
    struct {
        UINT_PTR id;
        const char *text; // nullptr: the text member stays as it came
    } const cases[] = {
        {IDM_CLEAR, "クリア"},
        {IDM_OPEN, "開く"},
        {IDM_SAVEAS, "名前を付けて保存"},
        {IDM_CUT, "切り取り"},
        {IDM_COPY, "コピー"},
        {IDM_PASTE, "貼り付け"},
        {IDM_UNDO, "元に戻す"},
        {IDM_FONT, "フォント"},
        {IDM_NARROWER, "左移動"},
        {IDM_WIDER, "右移動"},
        {IDM_CONVERT, "変換"},
        {IDM_SAVE, nullptr},
        {IDM_SETTINGS, nullptr},
        {208, nullptr},
        {IDC_EDITOR, nullptr},
        {0, nullptr},
    };
    // The window is a Unicode one: its tooltips ask for wide text.
    wchar_t untouched[] = L"untouched";
    for (const auto &c : cases) {
        NMTTDISPINFOW info{};
        info.hdr.hwndFrom = toolbar;
        info.hdr.idFrom = c.id;
        info.hdr.code = TTN_NEEDTEXTW;
        info.lpszText = untouched;
        SendMessageW(mainWindow, WM_NOTIFY, c.id, reinterpret_cast<LPARAM>(&info));
        EXPECT_EQ(utf8_of(info.lpszText), c.text ? c.text : "untouched") << "id " << c.id;
    }
    // Another notification code with a button's id leaves the text alone.
    NMTTDISPINFOW other{};
    other.hdr.idFrom = IDM_WIDER;
    other.hdr.code = TTN_NEEDTEXTA;
    other.lpszText = untouched;
    SendMessageW(mainWindow, WM_NOTIFY, IDM_WIDER, reinterpret_cast<LPARAM>(&other));
    EXPECT_EQ(utf8_of(other.lpszText), "untouched");
}

static BOOL CALLBACK tip_find(HWND window, LPARAM param) {
    char name[64] = "";
    GetClassNameA(window, name, sizeof name);
    if (IsWindowVisible(window) && lstrcmpiA(name, TOOLTIPS_CLASSA) == 0) {
        *reinterpret_cast<std::string *>(param) = text_of(window);
        return FALSE;
    }
    return TRUE;
}

// The text of the tip showing now; "" while none shows.
static std::string tip_shown() {
    std::string tip;
    EnumThreadWindows(GetCurrentThreadId(), tip_find, reinterpret_cast<LPARAM>(&tip));
    return tip;
}

// Handles messages until the tip shown is want. The tip's delays run on timers, late when the
// machine is busy: only a long deadline ends the wait, never a time the tip should take.
static std::string tip_wait(const std::string &want) {
    const DWORD start = GetTickCount();
    std::string tip = tip_shown();
    while (tip != want && GetTickCount() - start < 30000) {
        messages_pump(20);
        tip = tip_shown();
    }
    return tip;
}

// The pointer resting at p until the tip shown is want. A pointer motion the busy display lost
// starts no tip: every two seconds without it the pointer moves by a pixel and rests again,
// longer than the tip's delay; only the long deadline ends the wait.
static std::string tip_hover_wait(POINT p, const std::string &want) {
    const DWORD start = GetTickCount();
    DWORD rested = start;
    int nudge = 0;
    SetCursorPos(p.x, p.y);
    std::string tip = tip_shown();
    while (tip != want && GetTickCount() - start < 30000) {
        messages_pump(20);
        tip = tip_shown();
        if (tip.empty() && GetTickCount() - rested >= 2000) {
            nudge ^= 1;
            SetCursorPos(p.x + nudge, p.y);
            rested = GetTickCount();
        }
    }
    return tip;
}

// The pointer resting on a button brings up its tip through the real tooltip control.
TEST_F(Bars, PointerOnAButtonShowsItsTip) {
    test_deadline_extend(200);
    ASSERT_NE(app_start(), nullptr);
    SetForegroundWindow(mainWindow);
    struct {
        int index;
        const char *tip;
    } const cases[] = {{11, "左移動"}, {12, "右移動"}, {2, "名前を付けて保存"}};
    for (const auto &c : cases) {
        RECT r{};
        SendMessageA(toolbar, TB_GETITEMRECT, c.index, reinterpret_cast<LPARAM>(&r));
        POINT p{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
        ClientToScreen(toolbar, &p);
        // Away first, until the previous button's tip has gone: a late one is not this one's.
        SetCursorPos(10, 700);
        EXPECT_EQ(tip_wait(""), "") << "before button " << c.index;
        SetForegroundWindow(mainWindow); // tips show for the active window only
        EXPECT_EQ(tip_hover_wait(p, c.tip), c.tip) << "button " << c.index;
    }
}

TEST_F(Bars, StatusTextsAndPartsAfterLayout) {
    ASSERT_NE(app_start(), nullptr);
    MoveWindow(mainWindow, 10, 10, 816, 600, TRUE);
    quit_drain();
    EXPECT_EQ(parts_dump(), "[][B：0.0][T：100.0 (0bytes)][比：50][明：50]");
    int edges[statusParts] = {};
    ASSERT_EQ(SendMessageA(statusBar, SB_GETPARTS, statusParts, reinterpret_cast<LPARAM>(edges)),
              statusParts);
    RECT bar{};
    GetWindowRect(statusBar, &bar);
    int32_t expected[statusParts];
    status_part_edges(bar.right - bar.left, expected);
    for (int i = 0; i < statusParts; ++i)
        EXPECT_EQ(edges[i], expected[i]) << "part " << i;

    // What a loaded 400 x 300 bitmap shows, at the next layout.
    bmpWidth = 400;
    bmpHeight = 300;
    mapRows = 37;
    settings.Hiritu = 50;
    MoveWindow(mainWindow, 10, 10, 900, 600, TRUE);
    quit_drain();
    EXPECT_EQ(parts_dump(), "[][B：400.300][T：100.37 (3774bytes)][比：50][明：50]");
}

TEST_F(Bars, MenuHelpFollowsTheHighlightedItem) {
    ASSERT_NE(app_start(), nullptr);
    struct {
        WPARAM wParam;
        const char *part0;
    } const cases[] = {
        {MAKEWPARAM(IDM_SAVE, MF_HILITE), "現在のテキストファイルを保存します。"},
        {MAKEWPARAM(IDM_EXIT, MF_HILITE), "Velkoranditeを終了します。"},
        {MAKEWPARAM(IDM_VERTICAL, MF_HILITE), ""},
        {MAKEWPARAM(2, MF_HILITE | MF_POPUP), ""}, // a popup: the low word is a position
        {MAKEWPARAM(IDM_OPEN, MF_HILITE), "即在のビットマップファイルを開きます。"},
        {MAKEWPARAM(0, 0xFFFF), ""}, // the menu closes
    };
    for (const auto &c : cases) {
        bmpWidth = 12; // changed behind the bar's back: every part is rebuilt with part 0
        SendMessageA(mainWindow, WM_MENUSELECT, c.wParam, 0);
        EXPECT_EQ(part_text(0), c.part0) << LOWORD(c.wParam);
        EXPECT_EQ(part_text(1), "B：12.0");
        bmpWidth = 0;
    }
}
