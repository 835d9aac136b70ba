#include "tests/gui/gui_session.h"

#include <cstring>

#include "core/document.h"
#include "core/geometry.h"
#include "core/look.h"
#include "core/settings.h"
#include "document/editor.h"
#include "image_pane/image_pane.h"
#include "main_window/layout.h"
#include "main_window/main_window.h"
#include "main_window/status_bar.h"
#include "main_window/toolbar.h"

void app_state_reset() {
    std::memset(&settings, 0, sizeof settings);
    lookSettings = LookSettings{};
    imageLoaded = false;
    hasFileName = false;
    doc_title_reset();
    bitmapPath[0] = textPath[0] = startupDir[0] = '\0';
    map_geometry_clear();
    toolbarRect = statusBarRect = imagePaneRect = editorPaneRect = PaneRect{0, 0, 0, 0};
    mainWindow = toolbar = statusBar = imagePane = editorPane = nullptr;
    editorFont = labelFontVertical = labelFontHorizontal = nullptr;
}

bool quit_drain() {
    bool quit = false;
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) {
            quit = true;
            continue;
        }
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return quit;
}

static std::string current_dir() {
    char buffer[MAX_PATH] = "";
    GetCurrentDirectoryA(sizeof buffer, buffer);
    return buffer;
}

static void dir_remove(const std::string &dir) {
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((dir + "\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (std::strcmp(found.cFileName, ".") == 0 || std::strcmp(found.cFileName, "..") == 0)
                continue;
            const std::string path = dir + "\\" + found.cFileName;
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                dir_remove(path);
            else
                DeleteFileA(path.c_str());
        } while (FindNextFileA(search, &found));
        FindClose(search);
    }
    RemoveDirectoryA(dir.c_str());
}

void WindowTest::SetUp() {
    static int serial = 0;
    char temp[MAX_PATH] = "";
    GetTempPathA(sizeof temp, temp);
    startDir = std::string(temp) + "vkd-gui-" + std::to_string(GetCurrentProcessId()) + "-" +
               std::to_string(++serial);
    dir_remove(startDir);
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
    dir_remove(startDir);
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
    char buffer[1024] = "";
    GetWindowTextA(window, buffer, sizeof buffer);
    return buffer;
}

RECT child_rect(HWND child) {
    RECT r{};
    GetWindowRect(child, &r);
    MapWindowPoints(HWND_DESKTOP, GetParent(child), reinterpret_cast<POINT *>(&r), 2);
    return RECT{r.left, r.top, r.right - r.left, r.bottom - r.top};
}
