#include "main_window/commands.h"

#include <shellapi.h>

#include <cstring>
#include <string>

#include "core/reading/bitmap.h"
#include "core/conversion/convert.h"
#include "core/common/document.h"
#include "core/files/file_save.h"
#include "core/conversion/geometry.h"
#include "core/conversion/look.h"
#include "core/conversion/settings.h"
#include "document/clipboard_open.h"
#include "document/editor.h"
#include "document/image_file.h"
#include "document/text_file.h"
#include "image_pane/image_pane.h"
#include "main_window/layout.h"
#include "main_window/main_window.h"
#include "main_window/open_dialog.h"
#include "main_window/status_bar.h"
#include "main_window/toolbar.h"
#include "window/wide.h"
#include "resources/resource.h"
#include "settings_dialog/settings_dialog.h"
#include "vkd_version.h"
#include "window/document_state.h"

enum { statusBarKind = 1, toolbarKind = 2 };

HINSTANCE(WINAPI *helpShellExecute)(HWND, LPCWSTR, LPCWSTR, LPCWSTR, LPCWSTR, INT) = ShellExecuteW;

static void warn(const char *text) {
    message_show(Message{text, MessageIcon::warning});
}

// The fit loop, telling the user when the geometry cannot be fitted at all. loweredText is
// what a lowered Mojisu means to this command (nullptr: not worth a word).
static void geometry_fit(const char *loweredText) {
    FitResult result = map_geometry_fit(conversion);
    if (result == FitResult::lowered && loweredText != nullptr)
        warn(loweredText);
    else if (result == FitResult::cannotFit)
        warn(map_geometry_cannot_fit_message());
}

static bool command_save();

static void command_clear() {
    if (!unsaved_text_settle())
        return;
    SetWindowTextW(editorPane, L"");
    editorEdited = false;
    doc_title_reset();
    caption_update();
    mojisu_raise_to_min(settings);
    map_geometry_clear(conversion);
    status_bar_refresh(nullptr);
    imageLoaded = false;
    hasFileName = false;
    canvas_background_paint();
    layout_panes();
}

// Open once the file is chosen (bitmapPath, the open directory and docTitle set): loading,
// caption, previews and messages.
void command_open_loaded(const LoadResult &loaded) {
    if (loaded.outcome != LoadOutcome::loaded) {
        message_show(loaded.message);
        // A refusal shows the title its opener left (a refused file "無題", a refused clipboard
        // picture the one still shown); a file that could not be opened leaves the caption.
        if (loaded.outcome == LoadOutcome::refused)
            caption_update();
        return;
    }
    caption_update();
    canvas_background_paint();
    mojisu_raise_to_min(settings);
    imageLoaded = true;
    hasFileName = false;
    settings.Clientarea = 1;
    menu_checks_update();
    toolbar_buttons_update();
    geometry_fit("サイズを修正しました。");
    layout_panes();
}

static void command_open_chosen() {
    const LoadResult loaded = bitmap_load(conversion, bitmapPath, GetSystemMetrics(SM_CXSCREEN),
                                          GetSystemMetrics(SM_CYSCREEN));
    if (loaded.outcome == LoadOutcome::refused)
        doc_title_reset();
    command_open_loaded(loaded);
}

static void command_open() {
    if (bitmap_choose())
        command_open_chosen();
}

void command_open_path(const char *path) {
    const size_t length = std::strlen(path);
    if (length >= sizeof bitmapPath) {
        message_show(Message{openFailedText, MessageIcon::error});
        return;
    }
    std::memcpy(bitmapPath, path, length + 1);
    const size_t nameAt = path_folder_length(bitmapPath);
    const std::string folder = dialog_folder(bitmapPath, nameAt); // shorter than the path
    std::memcpy(settings.openDir, folder.c_str(), folder.size() + 1);
    doc_title_from_file_name(bitmapPath + nameAt);
    command_open_chosen();
}

// Both saves: true when the file was written.
static bool command_save_as() {
    if (!text_file_choose() || !text_file_confirm_overwrite() ||
        text_file_write() != TextWrite::written)
        return false;
    hasFileName = true;
    editorEdited = false;
    return true;
}

static bool command_save() {
    if (!hasFileName)
        return command_save_as();
    const TextWrite written = text_file_write();
    // Declining the UTF-8 question keeps the name: only a failed write forgets it.
    if (written == TextWrite::failed)
        hasFileName = false;
    if (written == TextWrite::written)
        editorEdited = false;
    return written == TextWrite::written;
}

bool unsaved_text_settle() {
    UnsavedAnswer answer = UnsavedAnswer::none;
    UnsavedSave save = UnsavedSave::notTried;
    for (;;) {
        switch (unsaved_text_step(editorEdited, answer, save)) {
        case UnsavedStep::ask: {
            const std::string question = unsaved_text_question(
                language_text("%s への変更を保存しますか?"),
                unsaved_text_name(hasFileName, textPath, language_text(untitledName)));
            const int pressed =
                MessageBoxW(mainWindow, wide_of(question).c_str(), wide_of(appName).c_str(),
                            MB_YESNOCANCEL | MB_ICONWARNING);
            answer = pressed == IDYES  ? UnsavedAnswer::yes
                     : pressed == IDNO ? UnsavedAnswer::no
                                       : UnsavedAnswer::cancel;
            break;
        }
        case UnsavedStep::save:
            save = command_save() ? UnsavedSave::written : UnsavedSave::notWritten;
            break;
        case UnsavedStep::proceed:
            return true;
        case UnsavedStep::stop:
        default:
            return false;
        }
    }
}

static void command_help(HWND window) {
    // The file dialogs leave the current directory wherever the last file was.
    SetCurrentDirectoryW(wide_of(startupDir).c_str());
    const wchar_t *page = uiLanguage == Language::english ? L"index-en.html" : L"index.html";
    helpShellExecute(window, L"open", page, nullptr, nullptr, SW_SHOWNORMAL);
}

static void command_about(HWND window) {
    HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(window, GWLP_HINSTANCE));
    HICON icon = LoadIconW(instance, L"MYICON");
    // The name with the release's one version number (as the version resource and vkd --version
    // give it): the box's title everywhere, and its first line where the system shows one.
    const std::wstring app = wide_of(std::string(appName) + " " VKD_VERSION_TEXT);
    ShellAboutW(window, app.c_str(), wide_text("ビットマップを文字の絵に変換します。").c_str(),
                icon);
}

static void command_convert() {
    if (!imageLoaded)
        return;
    // A geometry the canvas cannot hold was never drawn: there is nothing to read.
    if (map_geometry_update(conversion) == 0) {
        warn(map_geometry_cannot_fit_message());
        return;
    }
    std::string text;
    if (text_convert(conversion, text) == ConvertOutcome::tooLarge) {
        warn(text_convert_too_large_message());
        return;
    }
    SetFocus(editorPane);
    if (!editor_text_replace(text.c_str()))
        message_show(Message{text_convert_failed_message(), MessageIcon::error});
}

static void command_bar(int32_t &setting, int kind) {
    flag_toggle(setting);
    bar_apply(kind);
    if (kind == toolbarKind) // a new toolbar starts with every button enabled
        toolbar_buttons_update();
}

static void command_settings() {
    settings_dialog(); // OK or Cancel alike: Mode may have changed either way
    toolbar_buttons_update();
    if (imageLoaded) {
        canvas_background_paint();
        geometry_fit(nullptr);
    }
    layout_panes();
}

static void command_view(int id) {
    if (id == IDM_VERTICAL)
        settings.Position = 1;
    else if (id == IDM_HORIZONTAL)
        settings.Position = 0;
    else
        flag_toggle(settings.Clientarea);
    menu_checks_update();
    layout_panes();
    toolbar_buttons_update();
}

static void command_width(int id) {
    if (id == IDM_NARROWER)
        mojisu_narrower(settings);
    else
        mojisu_wider(settings);
    canvas_background_paint();
    if (imageLoaded)
        geometry_fit(id == IDM_WIDER ? "これ以上大きくできません。" : nullptr);
    layout_panes();
}

void look_menu_update() {
    HMENU menu = GetMenu(mainWindow);
    const int chosen = lookSettings.look == Look::photo   ? IDM_LOOK_PHOTO
                       : lookSettings.look == Look::shape ? IDM_LOOK_SHAPE
                       : lookSettings.look == Look::trace ? IDM_LOOK_TRACE
                                                          : IDM_LOOK_STANDARD;
    // The group runs by position, 輪郭 then トレス, whatever the ids.
    CheckMenuRadioItem(menu, IDM_LOOK_STANDARD, IDM_LOOK_TRACE, chosen, MF_BYCOMMAND);
    CheckMenuItem(menu, IDM_DITHER,
                  MF_BYCOMMAND | (lookSettings.dither ? MF_CHECKED : MF_UNCHECKED));
    CheckMenuRadioItem(menu, IDM_CHARSET_HALF, IDM_CHARSET_FULL,
                       lookSettings.charSet == 1 ? IDM_CHARSET_FULL : IDM_CHARSET_HALF,
                       MF_BYCOMMAND);
    CheckMenuRadioItem(menu, IDM_TARGET_WINDOW, IDM_TARGET_BOARD,
                       lookSettings.target == Target::board ? IDM_TARGET_BOARD : IDM_TARGET_WINDOW,
                       MF_BYCOMMAND);
}

static void command_look(int id) {
    if (id == IDM_DITHER)
        lookSettings.dither = !lookSettings.dither;
    else if (id == IDM_CHARSET_HALF || id == IDM_CHARSET_FULL)
        lookSettings.charSet = id == IDM_CHARSET_FULL ? 1 : 0;
    else if (id == IDM_LOOK_TRACE)
        lookSettings.look = Look::trace;
    else
        lookSettings.look = static_cast<Look>(id - IDM_LOOK_STANDARD);
    look_menu_update();
    status_bar_refresh(nullptr); // a board's lines are the picture looks' only
    // The squeezed preview may still be painted in the old look's greys: show the picture again.
    if (imageLoaded) {
        canvas_background_paint();
        map_geometry_update(conversion);
    }
}

// 出力先: the looks measure their characters in the chosen font, and the editor shows the text
// in it, so the text reads as it will where it goes.
static void command_target(int id) {
    lookSettings.target = id == IDM_TARGET_BOARD ? Target::board : Target::window;
    look_menu_update();
    status_bar_refresh(nullptr); // a board's lines are not the window's rows
    editor_font_apply();
}

void command_dispatch(HWND window, WPARAM wParam) {
    int id = LOWORD(wParam);
    switch (id) {
    case IDM_CLEAR:
        command_clear();
        break;
    case IDM_OPEN:
        command_open();
        break;
    case IDM_OPENCLIPBOARD:
        command_open_loaded(clipboard_open(window));
        break;
    case IDM_SAVE:
        command_save();
        break;
    case IDM_SAVEAS:
        command_save_as();
        break;
    case IDM_SAVEIMAGE:
        image_file_save();
        break;
    case IDM_EXIT:
        SendMessageW(window, WM_CLOSE, 0, 0);
        break;
    case IDM_UNDO:
    case IDM_CUT:
    case IDM_COPY:
    case IDM_PASTE:
    case IDM_DELETE:
    case IDM_SELECTALL:
        editor_command(id);
        break;
    case IDM_FONT:
        editor_command(id);
        // The choice is the window's font: while 掲示板 is chosen the editor keeps the board's.
        if (lookSettings.target == Target::board)
            editor_font_apply();
        break;
    case IDM_HELP:
        command_help(window);
        break;
    case IDM_ABOUT:
        command_about(window);
        break;
    case IDM_CONVERT:
        command_convert();
        break;
    case IDM_STATUSBAR:
        command_bar(settings.Statusbar, statusBarKind);
        break;
    case IDM_TOOLBAR:
        command_bar(settings.Toolbar, toolbarKind);
        break;
    case IDM_SETTINGS:
        command_settings();
        break;
    case IDM_VERTICAL:
    case IDM_HORIZONTAL:
    case IDM_IMAGEPANE:
        command_view(id);
        break;
    case IDM_NARROWER:
    case IDM_WIDER:
        command_width(id);
        break;
    case IDM_LOOK_STANDARD:
    case IDM_LOOK_PHOTO:
    case IDM_LOOK_SHAPE:
    case IDM_DITHER:
    case IDM_CHARSET_HALF:
    case IDM_CHARSET_FULL:
    case IDM_LOOK_TRACE:
        command_look(id);
        break;
    case IDM_TARGET_WINDOW:
    case IDM_TARGET_BOARD:
        command_target(id);
        break;
    case IDC_EDITOR:
        if (HIWORD(wParam) == EN_CHANGE)
            editor_on_change();
        break;
    default: // 207 to 209 and anything else
        break;
    }
}
