// The settings dialog, run by the Settings command and driven from inside its modal loop.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <string>

#include "core/conversion/settings.h"
#include "main_window/main_window.h"
#include "resources/resource.h"
#include "tests/gui/file_dialog.h"
#include "tests/gui/gui_session.h"
#include "window/wide.h"
#include "window/document_state.h"

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
    HBRUSH brush = reinterpret_cast<HBRUSH>(SendMessageA(
        dialog, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(box)));
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

// The template as the dialog manager builds it: tab order, texts as the resource compiler left
// them (CP932, the note's line break), which controls stay disabled, font, size, default button.
TEST_F(SettingsDialog, TemplateAsBuilt) {
    ASSERT_NE(app_start(), nullptr);
    struct Control {
        int id;
        const char *text; // the value boxes as the opening fills them
        bool disabled;    // 1006 as stretch mode leaves it
    } const table[29] = {
        {1010, "明度", false},
        {1001, "明るさを調節します。", false},
        {1021, "Slider1", false},
        {1031, "50", false},
        {1054, "Spin1", false},
        {1011, "階調", true},
        {1041, "多階調", true},
        {1042, "２階調", true},
        {1002, "黒", true},
        {1003, "白", true},
        {1032, "", true},
        {1033, "", true},
        {1012, "モード", false},
        {1043, "ストレッチ", false},
        {1044, "オリジナル", false},
        {1004, "横幅（１行の文字数）", false},
        {1022, "Slider2", false},
        {1034, "100", false},
        {1055, "Spin2", false},
        {1005, "比率（縦の長さ）", false},
        {1023, "Slider3", false},
        {1035, "50", false},
        {1056, "Spin3", false},
        {1006, "ビットマップのサイズが、\nヴェルコランのサイズになります。", true},
        {1051, "", false},
        {1052, "", true},
        {1053, "", false},
        {IDOK, "OK", false},
        {IDCANCEL, "ｷｬﾝｾﾙ", false},
    };
    std::string title, face, problems;
    LONG fontHeight = 0, expectedHeight = 0;
    RECT frame{}, expectedFrame{0, 0, 335, 179};
    int defaultId = 0;
    settings_run([&](HWND d) {
        title = text_of(d);
        LOGFONTW font{};
        GetObjectW(reinterpret_cast<HFONT>(SendMessageW(d, WM_GETFONT, 0, 0)), sizeof font, &font);
        face = utf8_of(font.lfFaceName);
        fontHeight = font.lfHeight;
        HDC dc = GetDC(d);
        expectedHeight = -MulDiv(9, GetDeviceCaps(dc, LOGPIXELSY), 72);
        ReleaseDC(d, dc);
        GetClientRect(d, &frame);
        MapDialogRect(d, &expectedFrame);
        defaultId = LOWORD(SendMessageA(d, DM_GETDEFID, 0, 0));
        HWND child = GetWindow(d, GW_CHILD);
        for (const Control &c : table) {
            if (child == nullptr) {
                problems += "missing " + std::to_string(c.id) + "\n";
                break;
            }
            const std::string text = text_of(child);
            if (GetDlgCtrlID(child) != c.id || text != c.text ||
                !IsWindowEnabled(child) != c.disabled)
                problems += "expected " + std::to_string(c.id) + ", found " +
                            std::to_string(GetDlgCtrlID(child)) + " \"" + text + "\"\n";
            child = GetWindow(child, GW_HWNDNEXT);
        }
        return IDCANCEL;
    });
    EXPECT_EQ(problems, "");
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
        {"Mojisu 300, original mode",
         "Mojisu=300\r\nMode=2\r\n",
         {"50", "300", "50"},
         {50, 220, 50},
         false,
         true,
         true},
        {"Meido 150, Hiritu 0",
         "Meido=150\r\nHiritu=0\r\n",
         {"150", "100", "0"},
         {100, 100, 0},
         true,
         false,
         false},
        {"Mode 3", "Mode=3\r\n", {"50", "100", "50"}, {50, 100, 50}, false, false, false},
        {"Meido -1", "Meido=-1\r\n", {"4294967295", "100", "50"}, {0, 100, 50}, true, false, false},
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
        } else {                                  // neither mode: the template's states
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
        {"Mode 3, original chosen", "Mode=3\r\n", [](HWND d) { press(d, IDC_RADIO_ORIGINAL); }, 50,
         100, 50, 2},
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
        {"disabled gradation reset", "Meido=80\r\n", [](HWND d) { press(d, IDC_RESET_GRADATION); },
         80, 100, 50, 1},
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
