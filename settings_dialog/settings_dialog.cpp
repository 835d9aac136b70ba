#include "settings_dialog/settings_dialog.h"

#include <windows.h>
#include <commctrl.h>

#include <string>

#include "core/common/language.h"
#include "core/conversion/settings.h"
#include "window/wide.h"
#include "resources/resource.h"
#include "window/window.h"
#include "window/document_state.h"

// One number shown three ways at once: a read-only box, a trackbar and an up-down.
struct ValueFamily {
    int boxId, trackbarId, updownId;
    int32_t minimum, maximum, tickSpacing;
    int32_t working; // the dialog's copy; the Settings change only on OK
    HWND trackbar, updown;
};

enum { brightness, width, ratio, familyCount };

// The dialog's state lives from WM_INITDIALOG to WM_DESTROY; only one dialog exists at a time.
static HWND settingsDialog;
static ValueFamily families[familyCount] = {
    {IDC_EDIT_BRIGHTNESS, IDC_SLIDER_BRIGHTNESS, IDC_SPIN_BRIGHTNESS, 0, 100, 10, 0, nullptr,
     nullptr},
    {IDC_EDIT_WIDTH, IDC_SLIDER_WIDTH, IDC_SPIN_WIDTH, mojisuMin, mojisuMax, 20, 0, nullptr,
     nullptr},
    {IDC_EDIT_RATIO, IDC_SLIDER_RATIO, IDC_SPIN_RATIO, 0, 150, 10, 0, nullptr, nullptr},
};
static HWND widthBox;
static HWND stretchRadio, originalRadio;
static HBRUSH outOfRangeBrush;

static void family_show(const ValueFamily &family) {
    SetDlgItemInt(settingsDialog, family.boxId, static_cast<UINT>(family.working), FALSE);
    SendMessageW(family.trackbar, TBM_SETPOS, TRUE, family.working);
    SendMessageW(family.updown, UDM_SETPOS, 0, MAKELPARAM(family.working, 0));
}

static void family_init(ValueFamily &family, int32_t value) {
    family.trackbar = GetDlgItem(settingsDialog, family.trackbarId);
    family.updown = GetDlgItem(settingsDialog, family.updownId);
    family.working = value;
    SendMessageW(family.trackbar, TBM_SETRANGE, TRUE, MAKELPARAM(family.minimum, family.maximum));
    SendMessageW(family.trackbar, TBM_SETTICFREQ, family.tickSpacing, 0);
    SendMessageW(family.updown, UDM_SETRANGE, 0, MAKELPARAM(family.maximum, family.minimum));
    family_show(family);
}

static void family_set(ValueFamily &family, int32_t value) {
    family.working = value;
    family_show(family);
}

// Width and ratio controls are live in stretch mode only; the up-downs stay usable in both.
static void mode_controls_enable(BOOL stretch) {
    static const int ids[] = {IDC_STATIC_WIDTH, IDC_STATIC_RATIO, IDC_SLIDER_WIDTH,
                              IDC_SLIDER_RATIO, IDC_EDIT_WIDTH,   IDC_EDIT_RATIO};
    for (int id : ids)
        EnableWindow(GetDlgItem(settingsDialog, id), stretch);
    EnableWindow(GetDlgItem(settingsDialog, IDC_STATIC_ORIGINAL), !stretch);
}

static void mode_select_stretch() {
    SendMessageW(stretchRadio, BM_SETCHECK, BST_CHECKED, 0);
    SendMessageW(originalRadio, BM_SETCHECK, BST_UNCHECKED, 0);
    mode_controls_enable(TRUE);
    SendMessageW(families[width].trackbar, TBM_SETTICFREQ, families[width].tickSpacing, 0);
    SendMessageW(families[ratio].trackbar, TBM_SETTICFREQ, families[ratio].tickSpacing, 0);
}

static void mode_select_original() {
    SendMessageW(stretchRadio, BM_SETCHECK, BST_UNCHECKED, 0);
    SendMessageW(originalRadio, BM_SETCHECK, BST_CHECKED, 0);
    mode_controls_enable(FALSE);
    SendMessageW(families[width].trackbar, TBM_CLEARTICS, FALSE, 0);
    SendMessageW(families[ratio].trackbar, TBM_CLEARTICS, FALSE, 0);
}

// The dialog resource is written in Japanese: in English its caption and every control's text
// take their English, ids and places unchanged. In Japanese nothing is touched.
static void window_text_translate(HWND window) {
    const int length = GetWindowTextLengthW(window);
    if (length <= 0)
        return;
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(window, &text[0], length + 1)));
    const std::string japanese = utf8_of(text);
    const char *shown = language_text(japanese.c_str());
    if (shown != japanese.c_str())
        SetWindowTextW(window, wide_of(shown).c_str());
}

static BOOL CALLBACK child_text_translate(HWND child, LPARAM) {
    window_text_translate(child);
    return TRUE;
}

static INT_PTR settings_dialog_on_init(HWND dialog) {
    settingsDialog = dialog;
    if (uiLanguage != Language::japanese) {
        window_text_translate(dialog);
        EnumChildWindows(dialog, child_text_translate, 0);
    }
    family_init(families[brightness], settings.Meido);
    widthBox = GetDlgItem(dialog, IDC_EDIT_WIDTH);
    family_init(families[width], settings.Mojisu);
    family_init(families[ratio], settings.Hiritu);
    stretchRadio = GetDlgItem(dialog, IDC_RADIO_STRETCH);
    originalRadio = GetDlgItem(dialog, IDC_RADIO_ORIGINAL);
    // A mode other than 1 or 2 (hand-edited settings file) leaves both radios unchecked.
    if (settings.Mode == 1)
        mode_select_stretch();
    if (settings.Mode == 2)
        mode_select_original();
    CheckDlgButton(dialog, IDC_RADIO_MANYTONE, BST_CHECKED);
    outOfRangeBrush = CreateSolidBrush(RGB(240, 100, 100));
    return TRUE;
}

// Width and ratio come from the trackbars, which hold them inside their ranges.
static void settings_store() {
    settings.Meido = families[brightness].working;
    settings.Mojisu =
        static_cast<int32_t>(SendMessageW(families[width].trackbar, TBM_GETPOS, 0, 0));
    settings.Hiritu =
        static_cast<int32_t>(SendMessageW(families[ratio].trackbar, TBM_GETPOS, 0, 0));
    bool stretch = SendMessageW(stretchRadio, BM_GETCHECK, 0, 0) == BST_CHECKED;
    bool original = SendMessageW(originalRadio, BM_GETCHECK, 0, 0) == BST_CHECKED;
    settings.Mode = settings_mode_from_radios(stretch, original, settings.Mode);
}

static INT_PTR settings_dialog_on_command(HWND dialog, int id) {
    switch (id) {
    case IDOK:
        settings_store();
        EndDialog(dialog, IDOK);
        return TRUE;
    case IDCANCEL:
        EndDialog(dialog, IDCANCEL);
        return TRUE;
    case IDC_RADIO_STRETCH:
        mode_select_stretch();
        return TRUE;
    case IDC_RADIO_ORIGINAL:
        mode_select_original();
        return TRUE;
    case IDC_RESET_BRIGHTNESS:
        family_set(families[brightness], 50);
        return TRUE;
    case IDC_RESET_MODE:
        family_set(families[width], 100);
        family_set(families[ratio], 50);
        mode_select_stretch();
        return TRUE;
    default:
        return FALSE;
    }
}

// Every scroll code alike, so the numbers follow the thumb while it is dragged.
static INT_PTR settings_dialog_on_hscroll(HWND control) {
    for (ValueFamily &family : families)
        if (control != nullptr && control == family.trackbar)
            family_set(family, static_cast<int32_t>(SendMessageW(control, TBM_GETPOS, 0, 0)));
    return TRUE;
}

static INT_PTR settings_dialog_on_vscroll(HWND control) {
    for (ValueFamily &family : families)
        if (control != nullptr && control == family.updown)
            family_set(family, settings_updown_position(SendMessageW(control, UDM_GETPOS, 0, 0)));
    return TRUE;
}

// Asked on every repaint of the box, so the red goes as soon as the width is back in range.
static INT_PTR settings_dialog_on_ctlcolor_static(HDC dc, HWND control) {
    if (control != widthBox || !settings_width_out_of_range(families[width].working))
        return FALSE;
    SetBkMode(dc, TRANSPARENT);
    return reinterpret_cast<INT_PTR>(outOfRangeBrush);
}

static INT_PTR settings_dialog_on_destroy() {
    DeleteObject(outOfRangeBrush);
    outOfRangeBrush = nullptr;
    settingsDialog = nullptr;
    return TRUE;
}

static INT_PTR CALLBACK settings_dialog_proc(HWND dialog, UINT message, WPARAM wParam,
                                             LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        return settings_dialog_on_init(dialog);
    case WM_COMMAND:
        return settings_dialog_on_command(dialog, LOWORD(wParam));
    case WM_HSCROLL:
        return settings_dialog_on_hscroll(reinterpret_cast<HWND>(lParam));
    case WM_VSCROLL:
        return settings_dialog_on_vscroll(reinterpret_cast<HWND>(lParam));
    case WM_CTLCOLORSTATIC:
        return settings_dialog_on_ctlcolor_static(reinterpret_cast<HDC>(wParam),
                                                  reinterpret_cast<HWND>(lParam));
    case WM_DESTROY:
        return settings_dialog_on_destroy();
    default:
        return FALSE;
    }
}

int settings_dialog() {
    HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(mainWindow, GWLP_HINSTANCE));
    if (instance == nullptr)
        instance = GetModuleHandleW(nullptr);
    return static_cast<int>(
        DialogBoxParamW(instance, L"IDD_DIALOG1", mainWindow, settings_dialog_proc, 0));
}
