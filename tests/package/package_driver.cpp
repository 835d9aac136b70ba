// Drives the unpacked program from outside, as a user would: starts it in its own folder (as a
// double-click does), finds its main window, and works it through posted commands.
//
//   package_driver check PROGRAM REPORT RECORDER
//       makes RECORDER the program that opens .html files, starts PROGRAM, chooses Help, closes
//       the window, and writes to REPORT (UTF-8): caption=, help= (what RECORDER was asked to
//       open) and exit= lines.
//   package_driver pictures PROGRAM BITMAP SIGNALS WIDTH HEIGHT
//       starts PROGRAM at WIDTH x HEIGHT, opens BITMAP through the open dialog, converts, and
//       after each step creates SIGNALS\opened or SIGNALS\converted, then waits until that file
//       is gone (a screenshot is taken meanwhile).
//
// Paths are Windows paths. Exit code 0 when every step happened, 1 otherwise (the reason on
// standard error).
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>

#include "resources/resource.h"

namespace {

constexpr int fileNameBox = 1148; // the open dialog's ComboBoxEx32
constexpr DWORD stepTimeoutMs = 60000;

std::string utf8(const std::wstring &text) {
    int size = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string out(size > 0 ? size - 1 : 0, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.c_str(), -1, out.data(), size, nullptr, nullptr);
    return out;
}

std::wstring folder_of(const std::wstring &path) {
    return path.substr(0, path.find_last_of(L"\\/"));
}

[[noreturn]] void fail(const char *what) {
    std::fprintf(stderr, "package_driver: %s (error %lu)\n", what, GetLastError());
    std::exit(1);
}

// Polls until found() is true or the step's time is up.
template <typename F> bool wait_for(F found) {
    for (DWORD waited = 0; waited < stepTimeoutMs; waited += 100) {
        if (found())
            return true;
        Sleep(100);
    }
    return found();
}

bool file_exists(const std::wstring &path) {
    return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::wstring window_text(HWND window) {
    wchar_t text[1024] = L"";
    GetWindowTextW(window, text, 1024);
    return text;
}

struct WindowQuery {
    DWORD processId;
    const wchar_t *className;
    HWND found;
};

BOOL CALLBACK window_match(HWND window, LPARAM param) {
    auto *query = reinterpret_cast<WindowQuery *>(param);
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    wchar_t className[64] = L"";
    GetClassNameW(window, className, 64);
    if (processId == query->processId && std::wcscmp(className, query->className) == 0 &&
        IsWindowVisible(window)) {
        query->found = window;
        return FALSE;
    }
    return TRUE;
}

// A visible top-level window of the process with the class, or nullptr.
HWND top_window_find(DWORD processId, const wchar_t *className) {
    WindowQuery query{processId, className, nullptr};
    EnumWindows(window_match, reinterpret_cast<LPARAM>(&query));
    return query.found;
}

BOOL CALLBACK edit_match(HWND window, LPARAM param) {
    wchar_t className[64] = L"";
    GetClassNameW(window, className, 64);
    if (std::wcscmp(className, L"Edit") != 0)
        return TRUE;
    *reinterpret_cast<HWND *>(param) = window;
    return FALSE;
}

void registry_value_set(HKEY root, const wchar_t *key, const wchar_t *name,
                        const std::wstring &value) {
    HKEY handle = nullptr;
    if (RegCreateKeyExW(root, key, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &handle, nullptr) != 0)
        fail("cannot create a registry key");
    RegSetValueExW(handle, name, 0, REG_SZ, reinterpret_cast<const BYTE *>(value.c_str()),
                   static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
    RegCloseKey(handle);
}

// The program started from its own folder, so that folder is its start-up directory.
PROCESS_INFORMATION program_start(const std::wstring &program) {
    std::wstring commandLine = L"\"" + program + L"\"";
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr,
                        folder_of(program).c_str(), &startup, &process))
        fail("cannot start the program");
    return process;
}

HWND main_window_wait(const PROCESS_INFORMATION &process) {
    HWND window = nullptr;
    if (!wait_for([&] {
            return (window = top_window_find(process.dwProcessId, L"vkd_parentwindow")) != nullptr;
        }))
        fail("no window of class vkd_parentwindow came up");
    return window;
}

DWORD program_close(HWND window, const PROCESS_INFORMATION &process) {
    PostMessageW(window, WM_CLOSE, 0, 0);
    if (WaitForSingleObject(process.hProcess, stepTimeoutMs) != WAIT_OBJECT_0)
        fail("the program did not end after WM_CLOSE");
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    return code;
}

std::string file_read(const std::wstring &path) {
    HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return "";
    char buffer[4096];
    DWORD got = 0;
    ReadFile(file, buffer, sizeof buffer, &got, nullptr);
    CloseHandle(file);
    return std::string(buffer, got);
}

int check(const std::wstring &program, const std::wstring &reportPath,
          const std::wstring &recorder) {
    // The fresh prefix opens .html files with the recorder; it writes opened.txt beside itself.
    registry_value_set(HKEY_CLASSES_ROOT, L".html", nullptr, L"VkdPackageTest.Page");
    registry_value_set(HKEY_CLASSES_ROOT, L"VkdPackageTest.Page\\shell\\open\\command", nullptr,
                       L"\"" + recorder + L"\" \"%1\"");
    const std::wstring record = folder_of(recorder) + L"\\opened.txt";
    DeleteFileW(record.c_str());

    PROCESS_INFORMATION process = program_start(program);
    HWND window = main_window_wait(process);
    std::string report = "caption=" + utf8(window_text(window)) + "\n";

    PostMessageW(window, WM_COMMAND, IDM_HELP, 0);
    wait_for([&] { return file_exists(record); });
    report += "help=" + file_read(record) + "\n";

    report += "exit=" + std::to_string(program_close(window, process)) + "\n";

    FILE *out = _wfopen(reportPath.c_str(), L"wb");
    if (out == nullptr)
        fail("cannot write the report");
    std::fputs(report.c_str(), out);
    std::fclose(out);
    return 0;
}

// Creates the signal file, then waits until the screenshot taker has removed it.
void signal_and_wait(const std::wstring &signal) {
    FILE *out = _wfopen(signal.c_str(), L"wb");
    if (out == nullptr)
        fail("cannot create a signal file");
    std::fclose(out);
    if (!wait_for([&] { return !file_exists(signal); }))
        fail("nobody took the screenshot");
}

int pictures(const std::wstring &program, const std::wstring &bitmap, const std::wstring &signals,
             int width, int height) {
    PROCESS_INFORMATION process = program_start(program);
    HWND window = main_window_wait(process);
    MoveWindow(window, 0, 0, width, height, TRUE);
    const std::wstring firstCaption = window_text(window);

    PostMessageW(window, WM_COMMAND, IDM_OPEN, 0);
    HWND dialog = nullptr;
    if (!wait_for([&] { return (dialog = top_window_find(process.dwProcessId, L"#32770")); }))
        fail("the open dialog did not come up");
    HWND edit = nullptr;
    if (!wait_for([&] {
            EnumChildWindows(GetDlgItem(dialog, fileNameBox), edit_match,
                             reinterpret_cast<LPARAM>(&edit));
            return edit != nullptr;
        }))
        fail("the open dialog has no file-name box");
    SendMessageW(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(bitmap.c_str()));
    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, IDOK)));
    if (!wait_for([&] { return window_text(window) != firstCaption; }))
        fail("the bitmap was not opened");
    Sleep(1500); // the previews and the status bar paint
    signal_and_wait(signals + L"\\opened");

    PostMessageW(window, WM_COMMAND, IDM_CONVERT, 0);
    HWND editor = GetDlgItem(window, IDC_EDITOR);
    // Across processes Wine answers WM_GETTEXTLENGTH of an edit control with 0; the line count
    // comes through.
    if (!wait_for([&] { return SendMessageW(editor, EM_GETLINECOUNT, 0, 0) > 1; }))
        fail("Convert put no text in the editor pane");
    Sleep(1500);
    signal_and_wait(signals + L"\\converted");

    program_close(window, process);
    return 0;
}

} // namespace

int main() {
    // Wide arguments: the narrow ones arrive in the ANSI code page.
    int argc = 0;
    wchar_t **argv = CommandLineToArgvW(GetCommandLineW(), &argc);
    std::wstring mode = argc > 1 ? argv[1] : L"";
    if (mode == L"check" && argc == 5)
        return check(argv[2], argv[3], argv[4]);
    if (mode == L"pictures" && argc == 7)
        return pictures(argv[2], argv[3], argv[4], _wtoi(argv[5]), _wtoi(argv[6]));
    std::fprintf(stderr, "usage: package_driver check PROGRAM REPORT RECORDER\n"
                         "       package_driver pictures PROGRAM BITMAP SIGNALS WIDTH HEIGHT\n");
    return 2;
}
