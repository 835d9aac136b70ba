#include "main_window/toolbar.h"

#include <commctrl.h>

#include <string>

#include "core/conversion/settings.h"
#include "window/display.h"
#include "main_window/main_window.h"
#include "window/wide.h"
#include "resources/resource.h"
#include "window/document_state.h"

HWND toolbar;

// The text of the button being asked about; the tooltip keeps the pointer, so it must outlive
// the notification.
static std::wstring tooltipText;

static TBBUTTON button(int image, int command) {
    return TBBUTTON{image, command, TBSTATE_ENABLED, TBSTYLE_BUTTON, {}, 0, 0};
}

static TBBUTTON separator() {
    return TBBUTTON{0, 0, 0, TBSTYLE_SEP, {}, 0, 0};
}

static HINSTANCE toolbar_instance() {
    return reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(mainWindow, GWLP_HINSTANCE));
}

void toolbar_create() {
    const TBBUTTON buttons[] = {
        button(0, IDM_CLEAR), button(1, IDM_OPEN), button(2, IDM_SAVEAS),
        separator(),          button(3, IDM_CUT),  button(4, IDM_COPY),
        button(5, IDM_PASTE), button(6, IDM_UNDO), separator(),
        button(7, IDM_FONT),  separator(),         button(8, IDM_NARROWER),
        button(9, IDM_WIDER), separator(),         button(10, IDM_CONVERT),
    };
    constexpr int count = sizeof buttons / sizeof buttons[0];
    // The strip drawn for the monitor's scaling: at 96 DPI bitmap 400 with 16 x 15 buttons.
    const int bitmap = toolbar_bitmap_for_dpi(windowDpi);
    const int32_t drawn = toolbar_bitmap_dpi(bitmap);
    toolbar = CreateToolbarEx(
        mainWindow, WS_CHILD | WS_VISIBLE | TBSTYLE_TOOLTIPS | TBSTYLE_WRAPABLE, IDC_TOOLBAR, count,
        toolbar_instance(), static_cast<UINT_PTR>(bitmap), buttons, count, 0, 0,
        dpi_scale(16, drawn), dpi_scale(15, drawn), sizeof(TBBUTTON));
}

void toolbar_destroy() {
    if (toolbar != nullptr)
        DestroyWindow(toolbar);
    toolbar = nullptr;
}

void toolbar_button_enable(int commandId, bool enable) {
    if (toolbar != nullptr)
        SendMessageW(toolbar, TB_ENABLEBUTTON, commandId, MAKELPARAM(enable ? TRUE : FALSE, 0));
}

void toolbar_buttons_update() {
    const bool enable = settings.Mode != 2 && settings.Clientarea != 0;
    toolbar_button_enable(IDM_NARROWER, enable);
    toolbar_button_enable(IDM_WIDER, enable);
}

// The window is a Unicode one: its tooltips ask for wide text.
void toolbar_tooltip(NMHDR *header) {
    if (header == nullptr || header->code != TTN_NEEDTEXTW)
        return;
    const int stringId = toolbar_tooltip_string(static_cast<int>(header->idFrom));
    if (stringId == 0)
        return;
    const wchar_t *text = nullptr; // the string table's own, not terminated
    const int length = LoadStringW(toolbar_instance(), static_cast<UINT>(stringId),
                                   reinterpret_cast<wchar_t *>(&text), 0);
    tooltipText = wide_text(utf8_of(text, length > 0 ? static_cast<size_t>(length) : 0).c_str());
    reinterpret_cast<NMTTDISPINFOW *>(header)->lpszText = &tooltipText[0];
}
