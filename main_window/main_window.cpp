#include "main_window/main_window.h"

#include <commctrl.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdint>
#include <string>

#include "core/document.h"
#include "core/settings.h"
#include "document/editor.h"
#include "image_pane/image_pane.h"
#include "main_window/command_line.h"
#include "main_window/commands.h"
#include "main_window/layout.h"
#include "main_window/picture_wic.h"
#include "main_window/status_bar.h"
#include "main_window/toolbar.h"
#include "settings_file/ini.h"

HWND mainWindow;
HFONT editorFont;
HFONT labelFontVertical;
HFONT labelFontHorizontal;

static const char *const mainClassName = "vkd_parentwindow";

ATOM window_class_register(HINSTANCE instance, WNDPROC proc, const char *className) {
    WNDCLASSA wc{};
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = proc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconA(instance, "MYICON");
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
    wc.lpszMenuName = "VKDPOPUP";
    wc.lpszClassName = className;
    return RegisterClassA(&wc);
}

HFONT font_create(int height, int escapement, BOOL italic, BOOL underline, const char *face) {
    return CreateFontA(height, 0, escapement, 0, 500, italic, underline, FALSE, SHIFTJIS_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, PROOF_QUALITY,
                       FIXED_PITCH | FF_MODERN, face);
}

void common_controls_init() {
    INITCOMMONCONTROLSEX icc{};
    icc.dwSize = sizeof icc;
    icc.dwICC = ICC_BAR_CLASSES | ICC_UPDOWN_CLASS;
    InitCommonControlsEx(&icc);
}

void main_window_create(HWND window) {
    WindowRect rect{0, 0, 0, 0};
    mainWindow = window;
    settings_defaults();

    DWORD length = GetCurrentDirectoryA(sizeof startupDir, startupDir);
    if (length == 0 || length >= sizeof startupDir)
        startupDir[0] = '\0';

    ini_read(rect);
    if (ini_rect_moves(rect)) {
        const WindowSize size = ini_rect_size(rect);
        MoveWindow(window, rect.Left, rect.Top, size.width, size.height, FALSE);
    }

    const EditorFontChoice editor = editor_font_startup();
    editorFont = font_create(editor.height, 0, FALSE, FALSE, editor.face);
    labelFontVertical = font_create(35, 900, TRUE, FALSE, builtinFace);
    labelFontHorizontal = font_create(35, 0, TRUE, FALSE, builtinFace);

    common_controls_init();
    bar_apply(1);
    bar_apply(2);
    image_pane_create();
    editor_create();
    menu_checks_update();
    look_menu_update();
    toolbar_buttons_update();
    SendMessageA(editorPane, WM_SETFONT, reinterpret_cast<WPARAM>(editorFont), FALSE);
    SendMessageA(editorPane, EM_LIMITTEXT, 0x10000, 0);
    DragAcceptFiles(window, TRUE);
}

void main_window_destroy() {
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
    ini_write(stored);
}

static void main_window_on_size(WPARAM wParam, LPARAM lParam) {
    if (toolbar != nullptr) {
        SendMessageA(toolbar, WM_SIZE, wParam, lParam);
        // Some toolbars settle a new number of wrapped rows only at the next size request;
        // ask now, so the layout below measures the height that goes with this width.
        SendMessageA(toolbar, TB_AUTOSIZE, 0, 0);
    }
    if (statusBar != nullptr)
        SendMessageA(statusBar, WM_SIZE, wParam, lParam);
    layout_panes();
}

static void main_window_on_close(HWND window) {
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
        return DefWindowProcA(window, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    RECT area{};
    GetClipBox(dc, &area);
    FillRect(dc, &area, GetSysColorBrush(COLOR_BTNFACE));
    return 1;
}

// The first file dropped is opened as Open opens a chosen file; the others are ignored.
void main_window_on_dropfiles(HDROP drop) {
    std::string path;
    if (DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0) > 0) {
        path.resize(DragQueryFileA(drop, 0, nullptr, 0) + 1);
        path.resize(DragQueryFileA(drop, 0, &path[0], static_cast<UINT>(path.size())));
    }
    // Released before any message box: the dropping program is not kept waiting on it.
    DragFinish(drop);
    if (!path.empty())
        command_open_path(path.c_str());
}

static void main_window_on_menuselect(WPARAM wParam) {
    if (settings.Statusbar != 0)
        menu_help(wParam);
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
    case WM_MENUSELECT:
        main_window_on_menuselect(wParam);
        return 0;
    case WM_CTLCOLOREDIT:
        editor_commands_update();
        return 0;
    case WM_DROPFILES:
        main_window_on_dropfiles(reinterpret_cast<HDROP>(wParam));
        return 0;
    case WM_ERASEBKGND:
        return main_window_on_erasebkgnd(window, reinterpret_cast<HDC>(wParam));
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

HWND app_create(HINSTANCE instance) {
    // A second window in the same process (the tests) finds the class already there.
    if (window_class_register(instance, main_window_proc, mainClassName) == 0 &&
        GetLastError() != ERROR_CLASS_ALREADY_EXISTS)
        return nullptr;
    picture_wic_install();
    HWND window = CreateWindowExA(0, mainClassName, caption_text().c_str(), WS_OVERLAPPEDWINDOW,
                                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                  nullptr, nullptr, instance, nullptr);
    if (window == nullptr)
        MessageBoxA(nullptr, "ウィンドウを作成できませんでした。", appName, MB_OK | MB_ICONERROR);
    return window;
}

void app_open_command_line(const char *commandLine) {
    const std::string argument = command_line_first_argument(commandLine);
    if (argument.empty())
        return;
    // A name relative to the folder the program started in (a start from a console) becomes a
    // full path, as the dialog would give it.
    char full[2 * MAX_PATH];
    const DWORD length = GetFullPathNameA(argument.c_str(), sizeof full, full, nullptr);
    command_open_path(length > 0 && length < sizeof full ? full : argument.c_str());
}
