#include "tests/gui/gui_session.h"

#include <cstring>
#include <cwchar>

#include "core/common/document.h"
#include "core/conversion/geometry.h"
#include "core/conversion/look.h"
#include "core/conversion/settings.h"
#include "document/editor.h"
#include "image_pane/image_pane.h"
#include "main_window/layout.h"
#include "main_window/main_window.h"
#include "main_window/open_dialog.h"
#include "main_window/status_bar.h"
#include "main_window/toolbar.h"
#include "window/wide.h"
#include "window/document_state.h"

void app_state_reset() {
    std::memset(&settings, 0, sizeof settings);
    lookSettings = LookSettings{};
    imageLoaded = false;
    hasFileName = false;
    editorEdited = false;
    doc_title_reset();
    bitmapPath[0] = textPath[0] = startupDir[0] = '\0';
    map_geometry_clear(conversion);
    toolbarRect = statusBarRect = imagePaneRect = editorPaneRect = PaneRect{0, 0, 0, 0};
    mainWindow = toolbar = statusBar = imagePane = editorPane = nullptr;
    openFilterIndex = 1;
    uiLanguage = Language::japanese;
    editorFont = labelFontVertical = labelFontHorizontal = nullptr;
}

bool quit_drain() {
    bool quit = false;
    MSG msg;
    while (PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            quit = true;
            continue;
        }
        TranslateMessage(&msg);
        DispatchMessageW(&msg);
    }
    return quit;
}

static std::string current_dir() {
    char buffer[MAX_PATH] = "";
    GetCurrentDirectoryA(sizeof buffer, buffer);
    return buffer;
}

// Wide: a test may leave names the ANSI code page cannot hold.
static void dir_remove(const std::wstring &dir) {
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileW((dir + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (std::wcscmp(found.cFileName, L".") == 0 || std::wcscmp(found.cFileName, L"..") == 0)
                continue;
            const std::wstring path = dir + L"\\" + found.cFileName;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                dir_remove(path);
            else
                DeleteFileW(path.c_str());
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    RemoveDirectoryW(dir.c_str());
}

void WindowTest::SetUp() {
    static int serial = 0;
    char temp[MAX_PATH] = "";
    GetTempPathA(sizeof temp, temp);
    startDir = std::string(temp) + "vkd-gui-" + std::to_string(GetCurrentProcessId()) + "-" +
               std::to_string(++serial);
    dir_remove(wide_of(startDir));
    ASSERT_TRUE(CreateDirectoryA(startDir.c_str(), nullptr)) << startDir;
    previousDir = current_dir();
    ASSERT_TRUE(SetCurrentDirectoryA(startDir.c_str()));
    app_state_reset();
    quit_drain();
}

void WindowTest::TearDown() {
    if (mainWindow != nullptr && IsWindow(mainWindow))
        DestroyWindow(mainWindow);
    quit_drain();
    app_state_reset();
    SetCurrentDirectoryA(previousDir.c_str());
    dir_remove(wide_of(startDir));
}

HWND WindowTest::app_start() {
    HWND window = app_create(GetModuleHandleA(nullptr));
    if (window != nullptr) {
        ShowWindow(window, SW_SHOWNORMAL);
        UpdateWindow(window);
        quit_drain();
    }
    return window;
}

void WindowTest::ini_file_write(const std::string &text) {
    HANDLE file = CreateFileA((startDir + "\\vkd.ini").c_str(), GENERIC_WRITE, 0, nullptr,
                              CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
    ASSERT_EQ(written, text.size());
}

std::string WindowTest::ini_value(const char *section, const char *key) {
    char buffer[260] = "";
    GetPrivateProfileStringA(section, key, "", buffer, sizeof buffer,
                             (startDir + "\\vkd.ini").c_str());
    return buffer;
}

bool WindowTest::ini_exists() {
    return GetFileAttributesA((startDir + "\\vkd.ini").c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::string text_of(HWND window) {
    wchar_t buffer[1024] = L"";
    GetWindowTextW(window, buffer, 1024);
    return utf8_of(buffer);
}

void text_set(HWND window, const std::string &text) {
    SetWindowTextW(window, wide_of(text).c_str());
}

RECT child_rect(HWND child) {
    RECT r{};
    GetWindowRect(child, &r);
    MapWindowPoints(HWND_DESKTOP, GetParent(child), reinterpret_cast<POINT *>(&r), 2);
    return RECT{r.left, r.top, r.right - r.left, r.bottom - r.top};
}
