// The settings dialog, run by the Settings command and driven from inside its modal loop.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

#include "core/settings.h"
#include "main_window/main_window.h"
#include "resources/resource.h"
#include "tests/gui/file_dialog.h"
#include "tests/gui/gui_session.h"

namespace {

// Everything the dialog shows that the tests look at.
struct View {
    std::string boxes[3]; // brightness, width, ratio
    int trackbars[3] = {};
    int updowns[3] = {};
    bool stretch = false, original = false, manyTone = false, manyToneEnabled = false;
    bool widthControlsEnabled = false; // 1004, 1005, 1022, 1023, 1034, 1035 alike
    bool widthControlsMixed = false;   // some of them enabled, some not
    bool noteEnabled = false, updownsEnabled = false;
    int widthTicks = 0, ratioTicks = 0;
    bool widthRed = false;
};

const int boxIds[3] = {IDC_EDIT_BRIGHTNESS, IDC_EDIT_WIDTH, IDC_EDIT_RATIO};
const int trackbarIds[3] = {IDC_SLIDER_BRIGHTNESS, IDC_SLIDER_WIDTH, IDC_SLIDER_RATIO};
const int updownIds[3] = {IDC_SPIN_BRIGHTNESS, IDC_SPIN_WIDTH, IDC_SPIN_RATIO};

// The brush the dialog gives the width box, and the colour the box really shows.
bool width_box_red(HWND dialog) {
    HWND box = GetDlgItem(dialog, IDC_EDIT_WIDTH);
    HDC dc = GetDC(box);
    HBRUSH brush = reinterpret_cast<HBRUSH>(
        SendMessageA(dialog, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc),
                     reinterpret_cast<LPARAM>(box)));
    LOGBRUSH colour{};
    bool red = brush != nullptr && GetObjectA(brush, sizeof colour, &colour) != 0 &&
               colour.lbColor == RGB(240, 100, 100);
    ReleaseDC(box, dc);
    return red;
}

COLORREF width_box_pixel(HWND dialog) {
    HWND box = GetDlgItem(dialog, IDC_EDIT_WIDTH);
    RedrawWindow(box, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_UPDATENOW);
    RECT client{};
    GetClientRect(box, &client);
    HDC dc = GetDC(box);
    COLORREF c = GetPixel(dc, client.right - 2, client.bottom / 2);
    ReleaseDC(box, dc);
    return c;
}

View view_read(HWND d) {
    View v;
    for (int i = 0; i < 3; ++i) {
        char text[32] = "";
        GetDlgItemTextA(d, boxIds[i], text, sizeof text);
        v.boxes[i] = text;
        v.trackbars[i] = static_cast<int>(SendDlgItemMessageA(d, trackbarIds[i], TBM_GETPOS, 0, 0));
        v.updowns[i] = LOWORD(SendDlgItemMessageA(d, updownIds[i], UDM_GETPOS, 0, 0));
    }
    v.stretch = IsDlgButtonChecked(d, IDC_RADIO_STRETCH) == BST_CHECKED;
    v.original = IsDlgButtonChecked(d, IDC_RADIO_ORIGINAL) == BST_CHECKED;
    v.manyTone = IsDlgButtonChecked(d, IDC_RADIO_MANYTONE) == BST_CHECKED;
    v.manyToneEnabled = IsWindowEnabled(GetDlgItem(d, IDC_RADIO_MANYTONE)) != 0;
    int enabled = 0;
    for (int id : {IDC_STATIC_WIDTH, IDC_STATIC_RATIO, IDC_SLIDER_WIDTH, IDC_SLIDER_RATIO,
                   IDC_EDIT_WIDTH, IDC_EDIT_RATIO})
        enabled += IsWindowEnabled(GetDlgItem(d, id)) ? 1 : 0;
    v.widthControlsEnabled = enabled == 6;
    v.widthControlsMixed = enabled != 0 && enabled != 6;
    v.noteEnabled = IsWindowEnabled(GetDlgItem(d, IDC_STATIC_ORIGINAL)) != 0;
    v.updownsEnabled = IsWindowEnabled(GetDlgItem(d, IDC_SPIN_WIDTH)) &&
                       IsWindowEnabled(GetDlgItem(d, IDC_SPIN_RATIO)) &&
                       IsWindowEnabled(GetDlgItem(d, IDC_RESET_MODE));
    v.widthTicks = static_cast<int>(SendDlgItemMessageA(d, IDC_SLIDER_WIDTH, TBM_GETNUMTICS, 0, 0));
    v.ratioTicks = static_cast<int>(SendDlgItemMessageA(d, IDC_SLIDER_RATIO, TBM_GETNUMTICS, 0, 0));
    v.widthRed = width_box_red(d);
    return v;
}

// What a person does: press a button, drag a trackbar, click an up-down arrow.
void press(HWND d, int id) {
    SendMessageA(d, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(d, id)));
}

void drag(HWND d, int trackbarId, int position) {
    HWND trackbar = GetDlgItem(d, trackbarId);
    SendMessageA(trackbar, TBM_SETPOS, TRUE, position);
    SendMessageA(d, WM_HSCROLL, MAKEWPARAM(TB_THUMBTRACK, position),
                 reinterpret_cast<LPARAM>(trackbar));
}

void arrow_click(HWND d, int updownId, bool up) {
    HWND updown = GetDlgItem(d, updownId);
    RECT r{};
    GetClientRect(updown, &r);
    LPARAM at = MAKELPARAM(r.right / 2, up ? r.bottom / 4 : r.bottom * 3 / 4);
    SendMessageA(updown, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageA(updown, WM_LBUTTONUP, 0, at);
}

std::string describe(const View &v) {
    std::string s;
    for (int i = 0; i < 3; ++i)
        s += "[" + v.boxes[i] + " tb" + std::to_string(v.trackbars[i]) + " ud" +
             std::to_string(v.updowns[i]) + "]";
    s += v.stretch ? " stretch" : "";
    s += v.original ? " original" : "";
    s += v.widthRed ? " red" : "";
    return s;
}

class SettingsDialog : public WindowTest {
protected:
    // Runs the Settings command; inside the dialog, act(dialog) runs and returns the id of the
    // button that ends it (a posted click, as a person's).
    std::vector<ModalDialog> settings_run(const std::function<int(HWND)> &act) {
        return command_run(IDM_SETTINGS, {[act](const ModalDialog &d) {
                               int end = act(d.window);
                               if (end != 0)
                                   modal_press(end)(d);
                           }});
    }
};

} // namespace

// The template: every control in tab order with its id, class, text, state and place.
TEST_F(SettingsDialog, TemplateHoldsTheTwentyNineControls) {
    ASSERT_NE(app_start(), nullptr);
    struct Control {
        int id;
        const char *className;
        const char *text;
        DWORD style; // beyond WS_CHILD | WS_VISIBLE; the boxes and 1006 as stretch mode sets them
        RECT place;  // x, y, width, height in dialog units
    };
    const DWORD off = WS_DISABLED;
    const Control table[29] = {
        {1010, "Button", "明度", WS_GROUP | BS_GROUPBOX, {4, 8, 160, 55}},
        {1001, "Static", "明るさを調節します。", WS_GROUP | SS_LEFT, {19, 23, 84, 10}},
        {1021, "msctls_trackbar32", "Slider1", WS_TABSTOP | TBS_AUTOTICKS, {13, 35, 147, 23}},
        {1031, "Edit", "50", WS_BORDER | WS_TABSTOP | ES_READONLY, {120, 22, 18, 12}},
        {1054, "msctls_updown32", "Spin1", UDS_ARROWKEYS, {138, 21, 7, 12}},
        {1011, "Button", "階調", off | WS_GROUP | BS_GROUPBOX, {4, 68, 160, 82}},
        {1041, "Button", "多階調", off | WS_TABSTOP | BS_AUTORADIOBUTTON, {12, 78, 35, 14}},
        {1042, "Button", "２階調", off | WS_TABSTOP | BS_AUTORADIOBUTTON, {12, 94, 35, 14}},
        {1002, "Static", "黒", off | WS_GROUP | SS_LEFT, {18, 112, 15, 11}},
        {1003, "Static", "白", off | WS_GROUP | SS_LEFT, {18, 133, 10, 10}},
        {1032, "Edit", "", off | WS_BORDER | WS_TABSTOP | ES_READONLY, {33, 112, 123, 12}},
        {1033, "Edit", "", off | WS_BORDER | WS_TABSTOP | ES_READONLY, {33, 133, 123, 12}},
        {1012, "Button", "モード", WS_GROUP | BS_GROUPBOX, {169, 8, 160, 142}},
        {1043, "Button", "ストレッチ", WS_TABSTOP | BS_AUTORADIOBUTTON, {174, 19, 49, 13}},
        {1044, "Button", "オリジナル", WS_TABSTOP | BS_AUTORADIOBUTTON, {172, 110, 51, 15}},
        {1004, "Static", "横幅（１行の文字数）", WS_GROUP | SS_LEFT, {183, 32, 90, 10}},
        {1022, "msctls_trackbar32", "Slider2", WS_TABSTOP | TBS_AUTOTICKS, {172, 43, 152, 24}},
        {1034, "Edit", "100", WS_BORDER | WS_TABSTOP | ES_READONLY, {287, 29, 18, 12}},
        {1055, "msctls_updown32", "Spin2", UDS_ARROWKEYS, {305, 28, 7, 12}},
        {1005, "Static", "比率（縦の長さ）", WS_GROUP | SS_LEFT, {180, 73, 55, 10}},
        {1023, "msctls_trackbar32", "Slider3", WS_TABSTOP | TBS_AUTOTICKS, {172, 83, 152, 24}},
        {1035, "Edit", "50", WS_BORDER | WS_TABSTOP | ES_READONLY, {287, 69, 18, 12}},
        {1056, "msctls_updown32", "Spin3", UDS_ARROWKEYS, {305, 68, 7, 12}},
        {1006, "Static", "ビットマップのサイズが、\nヴェルコランのサイズになります。",
         off | WS_GROUP | SS_LEFT, {184, 125, 118, 20}}, // disabled by stretch mode
        {1051, "Button", "", WS_TABSTOP | BS_PUSHBUTTON, {149, 18, 6, 6}},
        {1052, "Button", "", off | WS_TABSTOP | BS_PUSHBUTTON, {149, 78, 6, 6}},
        {1053, "Button", "", WS_TABSTOP | BS_PUSHBUTTON, {315, 18, 6, 6}},
        {IDOK, "Button", "OK", WS_TABSTOP | BS_PUSHBUTTON, {224, 156, 50, 15}},
        {IDCANCEL, "Button", "ｷｬﾝｾﾙ", WS_TABSTOP | BS_DEFPUSHBUTTON, {278, 156, 50, 15}},
    };
    std::string title, face;
    LONG fontHeight = 0, expectedHeight = 0;
    RECT frame{}, expectedFrame{0, 0, 335, 179};
    int defaultId = 0;
    std::vector<std::string> problems;
    settings_run([&](HWND d) {
        char text[256] = "";
        GetWindowTextA(d, text, sizeof text);
        title = text;
        LOGFONTA font{};
        GetObjectA(reinterpret_cast<HFONT>(SendMessageA(d, WM_GETFONT, 0, 0)), sizeof font, &font);
        face = font.lfFaceName;
        fontHeight = font.lfHeight;
        HDC dc = GetDC(d);
        expectedHeight = -MulDiv(9, GetDeviceCaps(dc, LOGPIXELSY), 72);
        ReleaseDC(d, dc);
        GetClientRect(d, &frame);
        MapDialogRect(d, &expectedFrame);
        defaultId = LOWORD(SendMessageA(d, DM_GETDEFID, 0, 0));

        HWND child = GetWindow(d, GW_CHILD);
        for (const Control &c : table) {
            const std::string at = "control " + std::to_string(c.id) + ": ";
            if (child == nullptr) {
                problems.push_back(at + "missing");
                break;
            }
            char cls[64] = "";
            GetClassNameA(child, cls, sizeof cls);
            GetWindowTextA(child, text, sizeof text);
            const DWORD style = static_cast<DWORD>(GetWindowLongA(child, GWL_STYLE));
            // Each number is scaled on its own, as the dialog manager does.
            RECT want = c.place;
            MapDialogRect(d, &want);
            RECT got = child_rect(child);
            // An up-down keeps a minimum width of its own on some systems.
            if (lstrcmpiA(cls, "msctls_updown32") == 0 && got.right >= want.right)
                got.right = want.right;
            if (GetDlgCtrlID(child) != c.id)
                problems.push_back(at + "found id " + std::to_string(GetDlgCtrlID(child)));
            if (lstrcmpiA(cls, c.className) != 0)
                problems.push_back(at + "class " + cls);
            if (std::string(text) != c.text)
                problems.push_back(at + "text " + text);
            // Edit controls draw their own border; a radio button's tab stop follows its check.
            DWORD fixed = WS_DISABLED | WS_GROUP | WS_TABSTOP | WS_BORDER;
            DWORD wanted = c.style;
            if (lstrcmpiA(cls, "Edit") == 0)
                wanted &= ~WS_BORDER, fixed &= ~WS_BORDER;
            if ((c.style & BS_TYPEMASK) == BS_AUTORADIOBUTTON && lstrcmpiA(cls, "Button") == 0)
                wanted &= ~WS_TABSTOP, fixed &= ~WS_TABSTOP;
            if ((style & fixed) != (wanted & fixed) || (style & wanted) != wanted ||
                (style & (WS_CHILD | WS_VISIBLE)) != (WS_CHILD | WS_VISIBLE))
                problems.push_back(at + "style " + std::to_string(style));
            if (std::memcmp(&got, &want, sizeof got) != 0)
                problems.push_back(at + "rectangle " + std::to_string(got.left) + "," +
                                   std::to_string(got.top) + "," + std::to_string(got.right) +
                                   "," + std::to_string(got.bottom) + " instead of " +
                                   std::to_string(want.left) + "," + std::to_string(want.top) +
                                   "," + std::to_string(want.right) + "," +
                                   std::to_string(want.bottom));
            child = GetWindow(child, GW_HWNDNEXT);
        }
        if (child != nullptr)
            problems.push_back("more than 29 controls");
        return IDCANCEL;
    });
    for (const std::string &p : problems)
        ADD_FAILURE() << p;
    EXPECT_EQ(title, "設定");
    EXPECT_EQ(face, "ＭＳ Ｐゴシック");
    EXPECT_EQ(fontHeight, expectedHeight);
    EXPECT_EQ(frame.right, expectedFrame.right);
    EXPECT_EQ(frame.bottom, expectedFrame.bottom);
    EXPECT_EQ(defaultId, IDCANCEL);
}

// What the dialog shows when it opens, from what the settings file held.
TEST_F(SettingsDialog, OpensOnTheStoredValues) {
    struct Case {
        const char *name;
        const char *ini;
        const char *boxes[3];
        int trackbars[3];
        bool stretch, original, widthRed;
    } const cases[] = {
        {"defaults", "", {"50", "100", "50"}, {50, 100, 50}, true, false, false},
        {"Mojisu 5", "Mojisu=5\r\n", {"50", "5", "50"}, {50, 20, 50}, true, false, true},
        {"Mojisu 300, original mode", "Mojisu=300\r\nMode=2\r\n", {"50", "300", "50"},
         {50, 220, 50}, false, true, true},
        {"Meido 150, Hiritu 0", "Meido=150\r\nHiritu=0\r\n", {"150", "100", "0"},
         {100, 100, 0}, true, false, false},
        {"Mode 3", "Mode=3\r\n", {"50", "100", "50"}, {50, 100, 50}, false, false, false},
        {"Meido -1", "Meido=-1\r\n", {"4294967295", "100", "50"}, {0, 100, 50}, true, false,
         false},
    };
    for (const Case &c : cases) {
        ini_file_write(std::string("[Configuration]\r\n") + c.ini);
        ASSERT_NE(app_start(), nullptr) << c.name;
        const Settings before = settings;
        View v;
        COLORREF pixel = 0;
        settings_run([&](HWND d) {
            v = view_read(d);
            pixel = width_box_pixel(d);
            return IDCANCEL;
        });
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(v.boxes[i], c.boxes[i]) << c.name << " " << describe(v);
            EXPECT_EQ(v.trackbars[i], c.trackbars[i]) << c.name << " " << describe(v);
            EXPECT_EQ(v.updowns[i], c.trackbars[i]) << c.name << " " << describe(v);
        }
        EXPECT_EQ(v.stretch, c.stretch) << c.name;
        EXPECT_EQ(v.original, c.original) << c.name;
        EXPECT_EQ(v.widthRed, c.widthRed) << c.name;
        EXPECT_EQ(pixel == RGB(240, 100, 100), c.widthRed) << c.name << " pixel " << pixel;
        EXPECT_TRUE(v.manyTone && !v.manyToneEnabled) << c.name;
        EXPECT_TRUE(v.updownsEnabled) << c.name;
        if (c.stretch) {
            EXPECT_TRUE(v.widthControlsEnabled && !v.noteEnabled) << c.name;
            EXPECT_EQ(v.widthTicks, 11) << c.name; // 20, 40, ... 220
            EXPECT_EQ(v.ratioTicks, 16) << c.name; // 0, 10, ... 150
        } else if (c.original) {
            EXPECT_TRUE(!v.widthControlsEnabled && !v.widthControlsMixed && v.noteEnabled)
                << c.name;
            EXPECT_EQ(v.widthTicks, 2) << c.name; // only the two ends
        } else { // neither mode: the template's states
            EXPECT_TRUE(v.widthControlsEnabled && v.noteEnabled) << c.name;
        }
        EXPECT_EQ(std::memcmp(&before, &settings, sizeof settings), 0) << c.name << ": Cancel";
        DestroyWindow(mainWindow);
        quit_drain();
        app_state_reset();
    }
}

// What OK stores after what the user did; Cancel after the same stores nothing.
TEST_F(SettingsDialog, OkStoresTheTrackbarsAndCancelNothing) {
    struct Case {
        const char *name;
        const char *ini;
        std::function<void(HWND)> act;
        int32_t meido, mojisu, hiritu, mode;
    } const cases[] = {
        {"untouched defaults", "", [](HWND) {}, 50, 100, 50, 1},
        {"Mojisu 5", "Mojisu=5\r\n", [](HWND) {}, 50, 20, 50, 1},
        {"Mojisu 300", "Mojisu=300\r\nMode=2\r\n", [](HWND) {}, 50, 220, 50, 2},
        {"Meido 150 untouched", "Meido=150\r\n", [](HWND) {}, 150, 100, 50, 1},
        {"Meido 150 dragged", "Meido=150\r\n", [](HWND d) { drag(d, IDC_SLIDER_BRIGHTNESS, 70); },
         70, 100, 50, 1},
        {"Mode 3 untouched", "Mode=3\r\n", [](HWND) {}, 50, 100, 50, 3},
        {"Mode 3, original chosen", "Mode=3\r\n", [](HWND d) { press(d, IDC_RADIO_ORIGINAL); },
         50, 100, 50, 2},
        {"trackbars dragged", "",
         [](HWND d) {
             drag(d, IDC_SLIDER_WIDTH, 150);
             drag(d, IDC_SLIDER_RATIO, 120);
         },
         50, 150, 120, 1},
        {"arrows in original mode", "Mode=2\r\n",
         [](HWND d) {
             arrow_click(d, IDC_SPIN_WIDTH, false);
             arrow_click(d, IDC_SPIN_WIDTH, false);
             arrow_click(d, IDC_SPIN_RATIO, true);
         },
         50, 98, 51, 2},
        {"brightness reset", "Meido=80\r\nMojisu=60\r\n",
         [](HWND d) { press(d, IDC_RESET_BRIGHTNESS); }, 50, 60, 50, 1},
        {"mode reset", "Mojisu=300\r\nHiritu=140\r\nMode=2\r\nMeido=30\r\n",
         [](HWND d) { press(d, IDC_RESET_MODE); }, 30, 100, 50, 1},
        {"disabled gradation reset", "Meido=80\r\n",
         [](HWND d) { press(d, IDC_RESET_GRADATION); }, 80, 100, 50, 1},
    };
    for (const Case &c : cases) {
        for (int end : {IDCANCEL, IDOK}) {
            ini_file_write(std::string("[Configuration]\r\n") + c.ini);
            ASSERT_NE(app_start(), nullptr) << c.name;
            const Settings before = settings;
            std::vector<ModalDialog> seen = settings_run([&](HWND d) {
                c.act(d);
                return end;
            });
            EXPECT_EQ(seen.size(), 1u) << c.name << dialogs_describe(seen);
            if (end == IDCANCEL) {
                EXPECT_EQ(std::memcmp(&before, &settings, sizeof settings), 0) << c.name;
            } else {
                EXPECT_EQ(settings.Meido, c.meido) << c.name;
                EXPECT_EQ(settings.Mojisu, c.mojisu) << c.name;
                EXPECT_EQ(settings.Hiritu, c.hiritu) << c.name;
                EXPECT_EQ(settings.Mode, c.mode) << c.name;
            }
            DestroyWindow(mainWindow);
            quit_drain();
            app_state_reset();
        }
    }
}

// The three ways of showing a number follow each other, and the red goes when the width
// comes back into range.
TEST_F(SettingsDialog, ValuesMoveTogether) {
    ini_file_write("[Configuration]\r\nMojisu=300\r\nMode=2\r\n");
    ASSERT_NE(app_start(), nullptr);
    View down, reset, dragged, original;
    settings_run([&](HWND d) {
        arrow_click(d, IDC_SPIN_WIDTH, false);
        down = view_read(d);
        press(d, IDC_RESET_MODE);
        reset = view_read(d);
        drag(d, IDC_SLIDER_RATIO, 37);
        arrow_click(d, IDC_SPIN_BRIGHTNESS, true);
        dragged = view_read(d);
        press(d, IDC_RADIO_ORIGINAL);
        original = view_read(d);
        return IDCANCEL;
    });
    EXPECT_EQ(down.boxes[1], "219") << describe(down);
    EXPECT_EQ(down.trackbars[1], 219);
    EXPECT_FALSE(down.widthRed);
    EXPECT_TRUE(reset.stretch && !reset.original && reset.widthControlsEnabled) << describe(reset);
    EXPECT_EQ(reset.boxes[1], "100");
    EXPECT_EQ(reset.boxes[2], "50");
    EXPECT_EQ(reset.widthTicks, 11);
    EXPECT_EQ(dragged.boxes[2], "37");
    EXPECT_EQ(dragged.updowns[2], 37);
    EXPECT_EQ(dragged.boxes[0], "51");
    EXPECT_EQ(dragged.trackbars[0], 51);
    EXPECT_TRUE(original.original && !original.widthControlsEnabled && original.noteEnabled);
    EXPECT_EQ(original.widthTicks, 2);
    EXPECT_EQ(settings.Mojisu, 300);
}

// Enter on a control that is not a push button presses the default button, Cancel.
TEST_F(SettingsDialog, EnterCancels) {
    ASSERT_NE(app_start(), nullptr);
    const Settings before = settings;
    std::vector<ModalDialog> seen = settings_run([](HWND d) {
        drag(d, IDC_SLIDER_WIDTH, 200);
        HWND trackbar = GetDlgItem(d, IDC_SLIDER_WIDTH);
        SetFocus(trackbar);
        PostMessageA(trackbar, WM_KEYDOWN, VK_RETURN, 1);
        PostMessageA(trackbar, WM_KEYUP, VK_RETURN, 0xC0000001);
        return 0;
    });
    EXPECT_EQ(seen.size(), 1u);
    EXPECT_EQ(std::memcmp(&before, &settings, sizeof settings), 0);
}
