#include "tests/gui/modal_driver.h"

#include <deque>
#include <utility>

#include "window/wide.h"

namespace {

struct Watched {
    HWND window;
    bool expected;
    int nudges; // unexpected dialogs: how often we asked them to close
};

UINT_PTR timerId;
bool acting; // an action runs: a nested loop must not start another
std::deque<ModalAction> queue;
std::vector<ModalDialog> seen;
std::vector<Watched> watched;

std::string window_text(HWND window) {
    wchar_t buffer[1024] = L"";
    GetWindowTextW(window, buffer, 1024);
    return utf8_of(buffer);
}

std::string class_name(HWND window) {
    char buffer[256] = "";
    GetClassNameA(window, buffer, sizeof buffer);
    return buffer;
}

ModalIcon icon_kind(HICON icon) {
    if (icon == nullptr)
        return ModalIcon::none;
    if (icon == LoadIconA(nullptr, IDI_WARNING))
        return ModalIcon::warning;
    if (icon == LoadIconA(nullptr, IDI_ERROR))
        return ModalIcon::error;
    if (icon == LoadIconA(nullptr, IDI_INFORMATION))
        return ModalIcon::information;
    if (icon == LoadIconA(nullptr, IDI_QUESTION))
        return ModalIcon::question;
    return ModalIcon::other;
}

struct Statics {
    std::string text;
    ModalIcon icon = ModalIcon::none;
};

BOOL CALLBACK static_collect(HWND child, LPARAM param) {
    auto *statics = reinterpret_cast<Statics *>(param);
    if (class_name(child) != "Static" && class_name(child) != "STATIC")
        return TRUE;
    const LONG style = GetWindowLongA(child, GWL_STYLE);
    if ((style & SS_TYPEMASK) == SS_ICON) {
        if (statics->icon == ModalIcon::none)
            statics->icon =
                icon_kind(reinterpret_cast<HICON>(SendMessageA(child, STM_GETICON, 0, 0)));
        return TRUE;
    }
    const std::string text = window_text(child);
    if (!text.empty()) {
        if (!statics->text.empty())
            statics->text += "\n";
        statics->text += text;
    }
    return TRUE;
}

ModalDialog dialog_read(HWND window) {
    ModalDialog d;
    d.window = window;
    d.className = class_name(window);
    d.title = window_text(window);
    Statics statics;
    EnumChildWindows(window, static_collect, reinterpret_cast<LPARAM>(&statics));
    d.icon = statics.icon;
    // A message box keeps its text in the static with id 0xFFFF.
    HWND message = GetDlgItem(window, 0xFFFF);
    d.text = message != nullptr ? window_text(message) : statics.text;
    return d;
}

bool is_watched(HWND window) {
    for (const Watched &w : watched)
        if (w.window == window)
            return true;
    return false;
}

// Asks an unexpected dialog to go away, a little harder each time.
void dialog_nudge(Watched &w) {
    switch (w.nudges++ % 3) {
    case 0:
        PostMessageA(w.window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
        break;
    case 1:
        PostMessageA(w.window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        break;
    default:
        PostMessageA(w.window, WM_CLOSE, 0, 0);
        break;
    }
}

BOOL CALLBACK dialog_find(HWND window, LPARAM param) {
    if (IsWindowVisible(window) && class_name(window) == "#32770" && !is_watched(window)) {
        *reinterpret_cast<HWND *>(param) = window;
        return FALSE;
    }
    return TRUE;
}

void CALLBACK modal_tick(HWND, UINT, UINT_PTR, DWORD) {
    if (acting)
        return;
    // Forget dialogs that have closed; keep nudging unexpected ones that have not.
    for (size_t i = 0; i < watched.size();) {
        if (!IsWindow(watched[i].window)) {
            watched.erase(watched.begin() + static_cast<long>(i));
            continue;
        }
        if (!watched[i].expected)
            dialog_nudge(watched[i]);
        ++i;
    }
    HWND found = nullptr;
    EnumThreadWindows(GetCurrentThreadId(), dialog_find, reinterpret_cast<LPARAM>(&found));
    if (found == nullptr)
        return;
    ModalDialog dialog = dialog_read(found);
    dialog.expected = !queue.empty();
    watched.push_back({found, dialog.expected, 0});
    seen.push_back(dialog);
    if (!dialog.expected) {
        dialog_nudge(watched.back());
        return;
    }
    ModalAction action = std::move(queue.front());
    queue.pop_front();
    acting = true;
    action(dialog);
    acting = false;
    seen.back().window = nullptr; // the handle dies with the dialog
}

} // namespace

void modal_driver_begin(UINT intervalMs) {
    if (timerId != 0)
        KillTimer(nullptr, timerId);
    queue.clear();
    seen.clear();
    watched.clear();
    acting = false;
    timerId = SetTimer(nullptr, 0, intervalMs, modal_tick);
}

void modal_expect(ModalAction action) {
    queue.push_back(std::move(action));
}

size_t modal_pending() {
    return queue.size();
}

std::vector<ModalDialog> modal_driver_end() {
    if (timerId != 0)
        KillTimer(nullptr, timerId);
    timerId = 0;
    queue.clear();
    watched.clear();
    for (ModalDialog &d : seen)
        d.window = nullptr;
    return std::move(seen);
}

ModalAction modal_press(int controlId) {
    return [controlId](const ModalDialog &d) {
        HWND control = GetDlgItem(d.window, controlId);
        PostMessageA(d.window, WM_COMMAND, MAKEWPARAM(controlId, BN_CLICKED),
                     reinterpret_cast<LPARAM>(control));
    };
}

ModalAction modal_set_text_and_press(int editId, std::string text, int controlId) {
    return modal_then(
        [editId, text](const ModalDialog &d) {
            SetDlgItemTextW(d.window, editId, wide_of(text).c_str());
        },
        modal_press(controlId));
}

ModalAction modal_then(ModalAction first, ModalAction second) {
    return [first, second](const ModalDialog &d) {
        first(d);
        second(d);
    };
}

void messages_pump(DWORD ms) {
    const DWORD start = GetTickCount();
    MSG msg;
    while (GetTickCount() - start < ms) {
        while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT)
                continue; // a test's window ending must not end the next test's loops
            TranslateMessage(&msg);
            DispatchMessageW(&msg);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
}
