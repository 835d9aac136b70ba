#include "document/editor.h"

#include <commdlg.h>

#include "window/display.h"
#include "window/wide.h"
#include "resources/resource.h"
#include "window/pane_rects.h"
#include "window/window.h"

HWND editorPane;
bool editorEdited;

void editor_on_change() {
    editorEdited = true;
}
BOOL(WINAPI *fontDialogChoose)(LPCHOOSEFONTW) = ChooseFontW;

void editor_create() {
    HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(mainWindow, GWLP_HINSTANCE));
    // A Unicode control: it holds any character the user types or pastes.
    editorPane = CreateWindowExW(WS_EX_CLIENTEDGE, L"EDIT", L"",
                                 WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_HSCROLL | ES_MULTILINE |
                                     ES_AUTOVSCROLL | ES_AUTOHSCROLL | ES_WANTRETURN,
                                 editorPaneRect.x, editorPaneRect.y, editorPaneRect.width,
                                 editorPaneRect.height, mainWindow,
                                 reinterpret_cast<HMENU>(IDC_EDITOR), instance, nullptr);
    SendMessageW(editorPane, EM_LIMITTEXT, 61440, 0);
}

bool editor_text_replace(const char *text) {
    // A large text makes some EDIT controls redraw their themed scroll bars at every step of
    // the replacement (eight times for one text picture under Wine), and they ignore
    // WM_SETREDRAW: switch the drawing off through the default handling, which every window
    // has, and repaint once.
    const bool shown = (GetWindowLongPtrW(editorPane, GWL_STYLE) & WS_VISIBLE) != 0;
    if (shown)
        DefWindowProcW(editorPane, WM_SETREDRAW, FALSE, 0);
    const bool replaced = SetWindowTextW(editorPane, wide_of(text).c_str()) != 0;
    editorEdited = false; // a text the program made (its change notification came meanwhile)
    if (shown) {
        DefWindowProcW(editorPane, WM_SETREDRAW, TRUE, 0);
        RedrawWindow(editorPane, nullptr, nullptr, RDW_ERASE | RDW_FRAME | RDW_INVALIDATE);
    }
    return replaced;
}

void editor_font_choose() {
    LOGFONTW font{};
    CHOOSEFONTW choice{};
    HGDIOBJ current = reinterpret_cast<HGDIOBJ>(SendMessageW(editorPane, WM_GETFONT, 0, 0));
    if (current != nullptr)
        GetObjectW(current, sizeof font, &font);
    choice.lStructSize = sizeof choice;
    choice.hwndOwner = editorPane;
    choice.lpLogFont = &font;
    choice.Flags = CF_SCREENFONTS | CF_INITTOLOGFONTSTRUCT | CF_LIMITSIZE;
    choice.nSizeMin = 8;
    choice.nSizeMax = 16;
    choice.nFontType = SCREEN_FONTTYPE;
    if (!fontDialogChoose(&choice))
        return;
    HFONT replaced = editorFont;
    editorFont = CreateFontIndirectW(&font);
    SendMessageW(editorPane, WM_SETFONT, reinterpret_cast<WPARAM>(editorFont), FALSE);
    if (replaced != nullptr && replaced != editorFont)
        DeleteObject(replaced); // nothing holds it any more
    // [Font] Height is in 96-DPI units: the dialog's height is the monitor's.
    editor_font_store(utf8_of(font.lfFaceName).c_str(), dpi_unscale(font.lfHeight, windowDpi));
}

EditorCommandState editor_commands_update() {
    HMENU menu = GetMenu(mainWindow);
    // The full 32-bit positions: a selection ending at 65536 would read as empty in 16 bits.
    DWORD start = 0, end = 0;
    SendMessageW(editorPane, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                 reinterpret_cast<LPARAM>(&end));
    const bool selected = end != start;
    const UINT selection = MF_BYCOMMAND | (selected ? MF_ENABLED : MF_GRAYED);
    EnableMenuItem(menu, IDM_CUT, selection);
    EnableMenuItem(menu, IDM_COPY, selection);
    EnableMenuItem(menu, IDM_DELETE, selection);

    const bool modified = SendMessageW(editorPane, EM_GETMODIFY, 0, 0) != 0;
    EnableMenuItem(menu, IDM_UNDO, MF_BYCOMMAND | (modified ? MF_ENABLED : MF_GRAYED));
    return EditorCommandState{selected, modified};
}

void editor_command(int commandId) {
    switch (commandId) {
    case IDM_UNDO:
        SendMessageW(editorPane, EM_UNDO, 0, 0);
        break;
    case IDM_CUT:
        SendMessageW(editorPane, WM_CUT, 0, 0);
        break;
    case IDM_COPY:
        SendMessageW(editorPane, WM_COPY, 0, 0);
        break;
    case IDM_PASTE:
        SendMessageW(editorPane, WM_PASTE, 0, 0);
        break;
    case IDM_DELETE:
        SendMessageW(editorPane, WM_CLEAR, 0, 0);
        break;
    case IDM_SELECTALL:
        SetFocus(editorPane);
        SendMessageW(editorPane, EM_SETSEL, 0, -1);
        break;
    case IDM_FONT:
        editor_font_choose();
        break;
    default:
        break;
    }
}

std::wstring editor_text_wide() {
    // Sized from the editor itself: a text longer than a conversion makes is taken whole.
    const int length = GetWindowTextLengthW(editorPane);
    std::wstring text(static_cast<size_t>(length > 0 ? length : 0) + 1, L'\0');
    const int got = GetWindowTextW(editorPane, &text[0], static_cast<int>(text.size()));
    text.resize(static_cast<size_t>(got > 0 ? got : 0));
    return text;
}

std::string editor_text() {
    return utf8_of(editor_text_wide());
}
