// Keyboard shortcuts as a user types them: keys through the system's input into the focused
// editor, each message through the program's own loop step (app_message_handle).
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "document/editor.h"
#include "main_window/main_window.h"
#include "window/wide.h"
#include "resources/resource.h"
#include "tests/gui/gui_session.h"

namespace {

std::vector<int> commands; // what the shortcuts sent, in order
WNDPROC programProc;

// Shortcut commands are recorded instead of run: their dialogs are tested elsewhere.
LRESULT CALLBACK command_record(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND && HIWORD(wParam) == 1) {
        commands.push_back(LOWORD(wParam));
        return 0;
    }
    return CallWindowProcW(programProc, window, message, wParam, lParam);
}

// Presses the keys in order, lets them go in reverse, and runs the loop until it is idle.
void keys_type(const std::vector<WORD> &keys) {
    std::vector<INPUT> events;
    for (WORD key : keys) {
        INPUT down{};
        down.type = INPUT_KEYBOARD;
        down.ki.wVk = key;
        events.push_back(down);
    }
    for (auto key = keys.rbegin(); key != keys.rend(); ++key) {
        INPUT up{};
        up.type = INPUT_KEYBOARD;
        up.ki.wVk = *key;
        up.ki.dwFlags = KEYEVENTF_KEYUP;
        events.push_back(up);
    }
    ASSERT_EQ(SendInput(static_cast<UINT>(events.size()), events.data(), sizeof(INPUT)),
              events.size());
    // Every key has come through once its last release has: the loop is idle after that.
    for (bool released = false; !released;) {
        MSG msg;
        if (!PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 50, QS_ALLINPUT);
            continue;
        }
        released = msg.message == WM_KEYUP && msg.wParam == keys.front();
        app_message_handle(msg);
    }
    quit_drain();
}

std::string clipboard_text() {
    std::string text;
    if (OpenClipboard(nullptr)) {
        HANDLE data = GetClipboardData(CF_UNICODETEXT);
        if (const auto *p = static_cast<const wchar_t *>(data ? GlobalLock(data) : nullptr)) {
            text = utf8_of(p);
            GlobalUnlock(data);
        }
        CloseClipboard();
    }
    return text;
}

// A small picture on the clipboard, so Open from the clipboard is there to choose.
void clipboard_picture_put() {
    HGLOBAL dib = GlobalAlloc(GMEM_MOVEABLE, sizeof(BITMAPINFOHEADER) + 4);
    auto *header = static_cast<BITMAPINFOHEADER *>(GlobalLock(dib));
    *header = BITMAPINFOHEADER{sizeof(BITMAPINFOHEADER), 1, 1, 1, 24, BI_RGB, 4, 0, 0, 0, 0};
    GlobalUnlock(dib);
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    SetClipboardData(CF_DIB, dib);
    CloseClipboard();
}

class Shortcuts : public WindowTest {
  protected:
    void SetUp() override {
        WindowTest::SetUp();
        ASSERT_NE(app_start(), nullptr);
        programProc = reinterpret_cast<WNDPROC>(SetWindowLongPtrW(
            mainWindow, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(command_record)));
        SetForegroundWindow(mainWindow);
        SetFocus(editorPane);
        commands.clear();
    }
};

} // namespace

TEST_F(Shortcuts, KeysBecomeTheirCommands) {
    clipboard_picture_put();
    struct {
        std::vector<WORD> keys;
        int command;
    } const cases[] = {
        {{VK_CONTROL, 'N'}, IDM_CLEAR},
        {{VK_CONTROL, 'O'}, IDM_OPEN},
        {{VK_CONTROL, 'S'}, IDM_SAVE},
        {{VK_F1}, IDM_HELP},
        {{VK_CONTROL, VK_SHIFT, 'V'}, IDM_OPENCLIPBOARD},
    };
    for (const auto &c : cases) {
        commands.clear();
        keys_type(c.keys);
        EXPECT_EQ(commands, std::vector<int>{c.command}) << c.command;
    }
}

// The editor's own keys are no shortcuts: they reach it and do their work there.
TEST_F(Shortcuts, EditorKeysStillReachTheEditor) {
    text_set(editorPane, "abc");
    SendMessageW(editorPane, EM_SETSEL, 3, 3);
    keys_type({VK_CONTROL, 'A'});
    DWORD start = 9, end = 9;
    SendMessageW(editorPane, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                 reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 0u);
    EXPECT_EQ(end, 3u);
    keys_type({VK_CONTROL, 'C'});
    EXPECT_EQ(clipboard_text(), "abc");
    keys_type({VK_CONTROL, 'X'});
    EXPECT_EQ(editor_text(), "");
    keys_type({VK_CONTROL, 'V'});
    keys_type({VK_CONTROL, 'V'});
    EXPECT_EQ(editor_text(), "abcabc");
    keys_type({VK_CONTROL, 'Z'});
    EXPECT_EQ(editor_text(), "abc");
    EXPECT_TRUE(commands.empty()) << commands.front();
}

// File ▸ Open from the clipboard is there to choose only while the clipboard holds a picture;
// the shortcut follows the item.
TEST_F(Shortcuts, ClipboardItemOnlyWithAPicture) {
    HMENU file = GetSubMenu(GetMenu(mainWindow), 0);
    for (bool picture : {false, true, false}) {
        if (picture) {
            clipboard_picture_put();
        } else {
            ASSERT_TRUE(OpenClipboard(nullptr));
            EmptyClipboard();
            CloseClipboard();
        }
        SendMessageW(mainWindow, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(file), 0);
        EXPECT_EQ((GetMenuState(file, IDM_OPENCLIPBOARD, MF_BYCOMMAND) & MF_GRAYED) != 0, !picture);
        commands.clear();
        keys_type({VK_CONTROL, VK_SHIFT, 'V'});
        EXPECT_EQ(commands, picture ? std::vector<int>{IDM_OPENCLIPBOARD} : std::vector<int>{});
    }
}
