// The settings dialog's template as the program carries it, and the dialog built from it:
// every control's class, style bits and rectangle.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "main_window/main_window.h"
#include "resources/resource.h"
#include "tests/gui/file_dialog.h"
#include "tests/gui/gui_session.h"

namespace {

struct Box {
    int x, y, cx, cy; // dialog units
    bool operator==(const Box &o) const { return x == o.x && y == o.y && cx == o.cx && cy == o.cy; }
};

struct Control {
    int id;
    const char *className;
    DWORD style; // beside WS_CHILD | WS_VISIBLE, which every control has
    Box box;
};

constexpr DWORD group = WS_GROUP, tab = WS_TABSTOP, off = WS_DISABLED;

const Control controls[29] = {
    {1010, "BUTTON", group | BS_GROUPBOX, {4, 8, 160, 55}},
    {1001, "STATIC", group | SS_LEFT, {19, 23, 84, 10}},
    {1021, "msctls_trackbar32", tab | TBS_AUTOTICKS | TBS_HORZ, {13, 35, 147, 23}},
    {1031, "EDIT", WS_BORDER | tab | ES_READONLY, {120, 22, 18, 12}},
    {1054, "msctls_updown32", UDS_ARROWKEYS, {138, 21, 7, 12}},
    {1011, "BUTTON", off | group | BS_GROUPBOX, {4, 68, 160, 82}},
    {1041, "BUTTON", off | tab | BS_AUTORADIOBUTTON, {12, 78, 35, 14}},
    {1042, "BUTTON", off | tab | BS_AUTORADIOBUTTON, {12, 94, 35, 14}},
    {1002, "STATIC", off | group | SS_LEFT, {18, 112, 15, 11}},
    {1003, "STATIC", off | group | SS_LEFT, {18, 133, 10, 10}},
    {1032, "EDIT", off | WS_BORDER | tab | ES_READONLY, {33, 112, 123, 12}},
    {1033, "EDIT", off | WS_BORDER | tab | ES_READONLY, {33, 133, 123, 12}},
    {1012, "BUTTON", group | BS_GROUPBOX, {169, 8, 160, 142}},
    {1043, "BUTTON", tab | BS_AUTORADIOBUTTON, {174, 19, 49, 13}},
    {1044, "BUTTON", tab | BS_AUTORADIOBUTTON, {172, 110, 51, 15}},
    {1004, "STATIC", group | SS_LEFT, {183, 32, 90, 10}},
    {1022, "msctls_trackbar32", tab | TBS_AUTOTICKS, {172, 43, 152, 24}},
    {1034, "EDIT", WS_BORDER | tab | ES_READONLY, {287, 29, 18, 12}},
    {1055, "msctls_updown32", UDS_ARROWKEYS, {305, 28, 7, 12}},
    {1005, "STATIC", group | SS_LEFT, {180, 73, 55, 10}},
    {1023, "msctls_trackbar32", tab | TBS_AUTOTICKS, {172, 83, 152, 24}},
    {1035, "EDIT", WS_BORDER | tab | ES_READONLY, {287, 69, 18, 12}},
    {1056, "msctls_updown32", UDS_ARROWKEYS, {305, 68, 7, 12}},
    {1006, "STATIC", group | SS_LEFT, {184, 125, 118, 20}},
    {1051, "BUTTON", tab | BS_PUSHBUTTON, {149, 18, 6, 6}},
    {1052, "BUTTON", off | tab | BS_PUSHBUTTON, {149, 78, 6, 6}},
    {1053, "BUTTON", tab | BS_PUSHBUTTON, {315, 18, 6, 6}},
    {IDOK, "BUTTON", tab | BS_PUSHBUTTON, {224, 156, 50, 15}},
    {IDCANCEL, "BUTTON", tab | BS_DEFPUSHBUTTON, {278, 156, 50, 15}},
};

struct TemplateItem {
    std::string className;
    int id = 0;
    DWORD style = 0, exStyle = 0;
    Box box{};
};

struct Template {
    DWORD style = 0, exStyle = 0;
    Box box{};
    std::vector<TemplateItem> items;
    std::string error; // empty when the whole template was read
};

// Walks the template's words as the dialog manager does; DIALOG and DIALOGEX alike.
class TemplateReader {
  public:
    TemplateReader(const BYTE *data, size_t size) : data(data), size(size) {}

    Template read() {
        Template t;
        const bool extended = size >= 4 && word_at(0) == 1 && word_at(2) == 0xFFFF;
        if (extended) {
            at = 8; // version, signature, help id
            t.exStyle = dword();
            t.style = dword();
        } else {
            t.style = dword();
            t.exStyle = dword();
        }
        const int count = word();
        t.box = box();
        text(); // menu
        text(); // class
        text(); // title
        if (t.style & (DS_SETFONT | DS_SHELLFONT)) {
            word(); // point size
            if (extended)
                at += 4; // weight, italic, character set
            text();      // face
        }
        for (int i = 0; i < count && !overrun; ++i) {
            at = (at + 3) & ~size_t{3};
            TemplateItem item;
            if (extended)
                at += 4; // help id
            if (extended) {
                item.exStyle = dword();
                item.style = dword();
            } else {
                item.style = dword();
                item.exStyle = dword();
            }
            item.box = box();
            item.id = extended ? static_cast<int>(dword()) : word();
            item.className = text();
            text();       // title
            at += word(); // creation data
            t.items.push_back(item);
        }
        if (overrun)
            t.error = "the template ends early";
        return t;
    }

  private:
    const BYTE *data;
    size_t size;
    size_t at = 0;
    bool overrun = false;

    WORD word_at(size_t offset) const {
        return static_cast<WORD>(data[offset] | data[offset + 1] << 8);
    }
    WORD word() {
        if (at + 2 > size) {
            overrun = true;
            return 0;
        }
        at += 2;
        return word_at(at - 2);
    }
    DWORD dword() {
        const DWORD low = word();
        return low | static_cast<DWORD>(word()) << 16;
    }
    Box box() {
        const int x = static_cast<short>(word()), y = static_cast<short>(word());
        const int cx = static_cast<short>(word()), cy = static_cast<short>(word());
        return Box{x, y, cx, cy};
    }
    // A string or an ordinal; the predefined window classes come as ordinals.
    std::string text() {
        const WORD first = word();
        if (first == 0xFFFF) {
            const WORD ordinal = word();
            const char *const classes[] = {"BUTTON",  "EDIT",      "STATIC",
                                           "LISTBOX", "SCROLLBAR", "COMBOBOX"};
            return ordinal >= 0x80 && ordinal <= 0x85 ? classes[ordinal - 0x80]
                                                      : "#" + std::to_string(ordinal);
        }
        std::string s;
        for (WORD c = first; c != 0 && !overrun; c = word())
            s += c < 0x80 ? static_cast<char>(c) : '?';
        return s;
    }
};

Template template_load() {
    HMODULE module = GetModuleHandleA(nullptr);
    HRSRC found = FindResourceA(module, "IDD_DIALOG1", MAKEINTRESOURCEA(5)); // RT_DIALOG
    if (found == nullptr) {
        Template t;
        t.error = "no IDD_DIALOG1 in the module";
        return t;
    }
    const BYTE *data = static_cast<const BYTE *>(LockResource(LoadResource(module, found)));
    return TemplateReader(data, SizeofResource(module, found)).read();
}

std::string hex(DWORD v) {
    char text[16];
    std::snprintf(text, sizeof text, "%08lx", static_cast<unsigned long>(v));
    return text;
}

std::string box_text(const Box &b) {
    return std::to_string(b.x) + "," + std::to_string(b.y) + "," + std::to_string(b.cx) + "," +
           std::to_string(b.cy);
}

using SettingsTemplate = WindowTest;

} // namespace

TEST_F(SettingsTemplate, EveryControlAsTheTableLists) {
    const Template t = template_load();
    ASSERT_EQ(t.error, "");
    EXPECT_EQ(hex(t.style), hex(WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT));
    EXPECT_EQ(hex(t.exStyle), hex(0));
    EXPECT_EQ(box_text(t.box), "20,20,335,179");
    ASSERT_EQ(t.items.size(), 29u);
    // The whole template, one line per control that differs: expected, then found.
    std::string problems;
    for (size_t i = 0; i < t.items.size(); ++i) {
        const Control &c = controls[i];
        const TemplateItem &item = t.items[i];
        const DWORD style = WS_CHILD | WS_VISIBLE | c.style;
        if (item.id != c.id || lstrcmpiA(item.className.c_str(), c.className) != 0 ||
            item.style != style || item.exStyle != 0 || !(item.box == c.box))
            problems += std::to_string(c.id) + " " + c.className + " " + hex(style) + " " +
                        box_text(c.box) + "  found " + std::to_string(item.id) + " " +
                        item.className + " " + hex(item.style) + " ex " + hex(item.exStyle) + " " +
                        box_text(item.box) + "\n";
    }
    EXPECT_EQ(problems, "");
}

// The dialog the Settings command shows is built from that template: each control where the
// table puts it, in pixels of the dialog's own font, and the group structure intact.
TEST_F(SettingsTemplate, DialogPlacesEveryControl) {
    ASSERT_NE(app_start(), nullptr);
    std::string problems;
    DWORD dialogStyle = 0;
    std::vector<ModalDialog> seen = command_run(
        IDM_SETTINGS, {[&](const ModalDialog &d) {
            dialogStyle = static_cast<DWORD>(GetWindowLongA(d.window, GWL_STYLE));
            for (const Control &c : controls) {
                HWND child = GetDlgItem(d.window, c.id);
                // The dialog manager scales position and size each on its own.
                RECT at{c.box.x, c.box.y, 0, 0}, size{0, 0, c.box.cx, c.box.cy};
                MapDialogRect(d.window, &at);
                MapDialogRect(d.window, &size);
                const RECT found = child ? child_rect(child) : RECT{};
                char name[64] = "";
                GetClassNameA(child, name, sizeof name);
                const bool grouped = (GetWindowLongA(child, GWL_STYLE) & WS_GROUP) != 0;
                const bool groupExpected = (c.style & WS_GROUP) != 0;
                // Wine's up-down without a buddy gives itself its default width, 16 pixels.
                const bool updown = lstrcmpiA(c.className, UPDOWN_CLASSA) == 0;
                const bool widthOk = found.right == size.right || (updown && found.right == 16);
                auto place = [](const RECT &r, bool group) {
                    return std::to_string(r.left) + "," + std::to_string(r.top) + " " +
                           std::to_string(r.right) + "x" + std::to_string(r.bottom) +
                           (group ? " group" : "");
                };
                if (child == nullptr || lstrcmpiA(name, c.className) != 0 ||
                    grouped != groupExpected || found.left != at.left || found.top != at.top ||
                    !widthOk || found.bottom != size.bottom)
                    problems +=
                        std::to_string(c.id) + ": " + name + " " + place(found, grouped) +
                        ", expected " +
                        place(RECT{at.left, at.top, size.right, size.bottom}, groupExpected) + "\n";
            }
            modal_press(IDCANCEL)(d);
        }});
    ASSERT_EQ(seen.size(), 1u) << dialogs_describe(seen);
    EXPECT_EQ(problems, "");
    const DWORD own = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT;
    EXPECT_EQ(hex(dialogStyle & own), hex(own));
    EXPECT_FALSE(dialogStyle & (WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX | DS_CENTER));
}
