#include "main_window/main_window.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

#include "core/common/document.h"
#include "core/common/language.h"
#include "core/conversion/settings.h"
#include "document/clipboard_open.h"
#include "document/editor.h"
#include "image_pane/image_pane.h"
#include "main_window/commands.h"
#include "window/display.h"
#include "main_window/drop.h"
#include "main_window/layout.h"
#include "platform/picture_wic.h"
#include "main_window/status_bar.h"
#include "main_window/texts_en.h"
#include "main_window/toolbar.h"
#include "window/wide.h"
#include "resources/resource.h"
#include "settings_file/ini.h"
#include "window/document_state.h"

static const wchar_t *const mainClassName = L"vkd_parentwindow";
static HACCEL accelerators;

void common_controls_init() {
    INITCOMMONCONTROLSEX icc{};
    icc.dwSize = sizeof icc;
    icc.dwICC = ICC_BAR_CLASSES | ICC_UPDOWN_CLASS;
    InitCommonControlsEx(&icc);
}

void app_language_choose() {
    static bool registered = false;
    if (!registered)
        language_add_texts(windowTexts, windowTextCount);
    registered = true;
    uiLanguage = language_choose(settings.Language, GetUserDefaultUILanguage());
}

// The menu resource is written in Japanese: in English every item takes its English, ids and
// places unchanged. In Japanese nothing is touched.
static void menu_translate(HMENU menu) {
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        wchar_t text[256] = L"";
        MENUITEMINFOW item{};
        item.cbSize = sizeof item;
        item.fMask = MIIM_STRING | MIIM_SUBMENU | MIIM_FTYPE;
        item.dwTypeData = text;
        item.cch = sizeof text / sizeof text[0];
        if (!GetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &item))
            continue;
        if (item.hSubMenu != nullptr)
            menu_translate(item.hSubMenu);
        if ((item.fType & MFT_SEPARATOR) != 0 || text[0] == L'\0')
            continue;
        const std::string japanese = utf8_of(text);
        const char *shown = language_text(japanese.c_str());
        if (shown == japanese.c_str())
            continue;
        std::wstring english = wide_of(shown);
        MENUITEMINFOW change{};
        change.cbSize = sizeof change;
        change.fMask = MIIM_STRING;
        change.dwTypeData = &english[0];
        SetMenuItemInfoW(menu, static_cast<UINT>(i), TRUE, &change);
    }
}

// The start-up directory, when its UTF-8 fits; otherwise none (no settings file is then used).
static void startup_dir_take() {
    startupDir[0] = '\0';
    wchar_t dir[MAX_PATH];
    const DWORD length = GetCurrentDirectoryW(MAX_PATH, dir);
    if (length == 0 || length >= MAX_PATH)
        return;
    const std::string utf8 = utf8_of(dir, length);
    if (utf8.size() < sizeof startupDir)
        std::memcpy(startupDir, utf8.c_str(), utf8.size() + 1);
}

static HFONT editor_font_create() {
    const EditorFontChoice editor = editor_font_of(settings, lookSettings.target);
    return font_create(dpi_scale(editor.height, windowDpi), 0, FALSE, FALSE, editor.face);
}

// The editor's font and the image pane's labels at the monitor's DPI; [Font] Height is kept in
// 96-DPI units.
static void fonts_create() {
    editorFont = editor_font_create();
    labelFontVertical = font_create(label_font_height(windowDpi), 900, TRUE, FALSE, builtinFace);
    labelFontHorizontal = font_create(label_font_height(windowDpi), 0, TRUE, FALSE, builtinFace);
}

void main_window_create(HWND window) {
    WindowRect rect{0, 0, 0, 0};
    mainWindow = window;
    settings_defaults(settings);
    startup_dir_take();

    ini_read(startupDir, settings, lookSettings, rect);
    app_language_choose();
    caption_update();
    if (uiLanguage != Language::japanese)
        menu_translate(GetMenu(window));
    windowDpi = window_dpi_of(window);
    if (ini_rect_moves(rect)) {
        // [Forms] is in 96-DPI units. A file from another machine, or an unplugged monitor,
        // must not hide the window.
        rect = window_rect_onscreen_now(rect_size_rescale(rect, baseDpi, windowDpi));
        const WindowSize size = ini_rect_size(rect);
        MoveWindow(window, rect.Left, rect.Top, size.width, size.height, FALSE);
    }

    fonts_create();

    common_controls_init();
    bar_apply(1);
    bar_apply(2);
    image_pane_create();
    editor_create();
    menu_checks_update();
    look_menu_update();
    toolbar_buttons_update();
    SendMessageW(editorPane, WM_SETFONT, reinterpret_cast<WPARAM>(editorFont), FALSE);
    SendMessageW(editorPane, EM_LIMITTEXT, 0x10000, 0);
    DragAcceptFiles(window, TRUE);
    drop_target_register(window); // browsers' and other programs' drops too
    title_bar_theme_apply(window);
}

void editor_font_apply() {
    HFONT old = editorFont;
    editorFont = editor_font_create();
    SendMessageW(editorPane, WM_SETFONT, reinterpret_cast<WPARAM>(editorFont), TRUE);
    if (old != nullptr)
        DeleteObject(old);
}

void main_window_destroy() {
    drop_target_revoke(mainWindow);
    // The fonts are not deleted: the children still use them while they are destroyed.
    editorFont = nullptr;
    labelFontVertical = nullptr;
    labelFontHorizontal = nullptr;
    PostQuitMessage(0);
}

// Gathers the rectangle to store (nothing while minimised, the full screen while maximised).
static void main_window_ini_write() {
    RECT r{};
    GetWindowRect(mainWindow, &r);
    WINDOWPLACEMENT placement{};
    placement.length = sizeof placement;
    GetWindowPlacement(mainWindow, &placement);
    const WindowRect stored =
        ini_rect_to_write({r.left, r.top, r.right, r.bottom}, static_cast<int>(placement.showCmd),
                          GetSystemMetrics(SM_CXMAXIMIZED), GetSystemMetrics(SM_CYMAXIMIZED));
    ini_write(startupDir, settings, lookSettings, rect_size_rescale(stored, windowDpi, baseDpi));
}

static void main_window_on_size(WPARAM wParam, LPARAM lParam) {
    if (toolbar != nullptr) {
        SendMessageW(toolbar, WM_SIZE, wParam, lParam);
        // Some toolbars settle a new number of wrapped rows only at the next size request;
        // ask now, so the layout below measures the height that goes with this width.
        SendMessageW(toolbar, TB_AUTOSIZE, 0, 0);
    }
    if (statusBar != nullptr)
        SendMessageW(statusBar, WM_SIZE, wParam, lParam);
    layout_panes();
}

static void main_window_on_close(HWND window) {
    if (!unsaved_text_settle())
        return;
    main_window_ini_write();
    DestroyWindow(window);
}

static void main_window_on_getminmaxinfo(MINMAXINFO *info) {
    // Mojisu is unchecked from the settings file: saturate instead of wrapping.
    info->ptMinTrackSize.x =
        static_cast<LONG>(std::min<int64_t>(int64_t{settings.Mojisu} + 100, INT32_MAX));
    info->ptMinTrackSize.y = 100;
}

// The toolbar leaves its background to its parent. The frame itself is never erased (its
// children cover it), but the toolbar's part is painted in the button face colour.
static LRESULT main_window_on_erasebkgnd(HWND window, HDC dc) {
    if (toolbar == nullptr || WindowFromDC(dc) != toolbar)
        return DefWindowProcW(window, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    RECT area{};
    GetClipBox(dc, &area);
    FillRect(dc, &area, GetSysColorBrush(COLOR_BTNFACE));
    return 1;
}

// The first file dropped is opened as Open opens a chosen file; the others are ignored.
void main_window_on_dropfiles(HDROP drop) {
    std::wstring path;
    if (DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0) > 0) {
        path.resize(DragQueryFileW(drop, 0, nullptr, 0) + 1);
        path.resize(DragQueryFileW(drop, 0, &path[0], static_cast<UINT>(path.size())));
    }
    // Released before any message box: the dropping program is not kept waiting on it.
    DragFinish(drop);
    if (!path.empty())
        command_open_path(utf8_of(path).c_str());
}

// Moved to a monitor of another DPI: fonts, toolbar and layout follow, at the size the system
// suggests for the frame.
static void main_window_on_dpichanged(HWND window, WPARAM wParam, const RECT *suggested) {
    const int32_t dpi = HIWORD(wParam);
    if (dpi <= 0 || dpi == windowDpi)
        return;
    windowDpi = dpi;
    HFONT oldEditor = editorFont, oldVertical = labelFontVertical,
          oldHorizontal = labelFontHorizontal;
    fonts_create();
    SendMessageW(editorPane, WM_SETFONT, reinterpret_cast<WPARAM>(editorFont), TRUE);
    for (HFONT old : {oldEditor, oldVertical, oldHorizontal})
        if (old != nullptr)
            DeleteObject(old);
    if (settings.Toolbar != 0) {
        toolbar_destroy();
        bar_apply(2);
        toolbar_buttons_update();
    }
    if (suggested != nullptr)
        SetWindowPos(window, nullptr, suggested->left, suggested->top,
                     suggested->right - suggested->left, suggested->bottom - suggested->top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    layout_panes();
    canvas_background_paint();
}

static void main_window_on_menuselect(WPARAM wParam) {
    if (settings.Statusbar != 0)
        menu_help(wParam);
}

// Open from the clipboard is there to choose only while the clipboard holds a picture.
static void main_window_on_initmenupopup(HMENU menu) {
    EnableMenuItem(menu, IDM_OPENCLIPBOARD,
                   MF_BYCOMMAND | (clipboard_has_picture() ? MF_ENABLED : MF_GRAYED));
}

LRESULT CALLBACK main_window_proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        main_window_create(window);
        return 0;
    case WM_DESTROY:
        main_window_destroy();
        return 0;
    case WM_SIZE:
        main_window_on_size(wParam, lParam);
        return 0;
    case WM_CLOSE:
        main_window_on_close(window);
        return 0;
    case WM_SYSCOLORCHANGE:
        canvas_background_paint();
        return 0;
    case WM_GETMINMAXINFO:
        main_window_on_getminmaxinfo(reinterpret_cast<MINMAXINFO *>(lParam));
        return 0;
    case WM_NOTIFY:
        toolbar_tooltip(reinterpret_cast<NMHDR *>(lParam));
        return 0;
    case WM_COMMAND:
        command_dispatch(window, wParam);
        return 0;
    case WM_INITMENUPOPUP:
        main_window_on_initmenupopup(reinterpret_cast<HMENU>(wParam));
        return 0;
    case WM_MENUSELECT:
        main_window_on_menuselect(wParam);
        return 0;
    case WM_CTLCOLOREDIT: {
        const EditorCommandState state = editor_commands_update();
        toolbar_button_enable(IDM_CUT, state.selected);
        toolbar_button_enable(IDM_COPY, state.selected);
        toolbar_button_enable(IDM_UNDO, state.modified);
        return 0;
    }
    case WM_DROPFILES:
        main_window_on_dropfiles(reinterpret_cast<HDROP>(wParam));
        return 0;
    case 0x02E0: // WM_DPICHANGED
        main_window_on_dpichanged(window, wParam, reinterpret_cast<const RECT *>(lParam));
        return 0;
    case WM_ERASEBKGND:
        return main_window_on_erasebkgnd(window, reinterpret_cast<HDC>(wParam));
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

HWND app_create(HINSTANCE instance) {
    // A second window in the same process (the tests) finds the class already there.
    if (window_class_register(instance, main_window_proc, mainClassName) == 0 &&
        GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        return nullptr;
    picture_wic_install();
    accelerators = LoadAcceleratorsW(instance, L"VKDACCEL");
    // Until the settings are read, the user's Windows alone chooses the language.
    app_language_choose();
    HWND window = CreateWindowExW(0, mainClassName, wide_of(caption_text()).c_str(),
                                  WS_OVERLAPPEDWINDOW, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                  CW_USEDEFAULT, nullptr, nullptr, instance, nullptr);
    if (window == nullptr)
        MessageBoxW(nullptr, wide_text("ウィンドウを作成できませんでした。").c_str(),
                    wide_of(appName).c_str(), MB_OK | MB_ICONERROR);
    return window;
}

void app_message_handle(MSG &msg) {
    if (accelerators != nullptr && mainWindow != nullptr &&
        TranslateAcceleratorW(mainWindow, accelerators, &msg))
        return;
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
}
