#include "window/display.h"

#include <vector>

static BOOL CALLBACK work_area_add(HMONITOR monitor, HDC, LPRECT, LPARAM list) {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (GetMonitorInfoW(monitor, &info)) {
        const RECT &w = info.rcWork;
        reinterpret_cast<std::vector<WorkArea> *>(list)->push_back(
            {w.left, w.top, w.right, w.bottom});
    }
    return TRUE;
}

WindowRect window_rect_onscreen_now(const WindowRect &rect) {
    std::vector<WorkArea> areas;
    EnumDisplayMonitors(nullptr, nullptr, work_area_add, reinterpret_cast<LPARAM>(&areas));
    return window_rect_onscreen(rect, areas);
}

// The build number as the system tells it; GetVersionExW answers what the manifest declares.
static uint32_t windows_build() {
    using RtlGetVersionFn = LONG(WINAPI *)(OSVERSIONINFOW *);
    HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    auto get = ntdll != nullptr ? reinterpret_cast<RtlGetVersionFn>(reinterpret_cast<void *>(
                                      GetProcAddress(ntdll, "RtlGetVersion")))
                                : nullptr;
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof info;
    if (get == nullptr || get(&info) != 0)
        return 0;
    return info.dwBuildNumber;
}

void title_bar_theme_apply(HWND window) {
    DWORD value = 1;
    DWORD size = sizeof value;
    const bool present =
        RegGetValueW(
            HKEY_CURRENT_USER, L"Software\\Microsoft\\Windows\\CurrentVersion\\Themes\\Personalize",
            L"AppsUseLightTheme", RRF_RT_REG_DWORD, nullptr, &value, &size) == ERROR_SUCCESS;
    const int attribute = dark_title_attribute(present, value, windows_build());
    if (attribute == 0)
        return;
    // Loaded when wanted: the program imports nothing beyond the DLLs every Windows has.
    HMODULE dwm = LoadLibraryW(L"dwmapi.dll");
    using SetAttributeFn = HRESULT(WINAPI *)(HWND, DWORD, LPCVOID, DWORD);
    auto set = dwm != nullptr ? reinterpret_cast<SetAttributeFn>(reinterpret_cast<void *>(
                                    GetProcAddress(dwm, "DwmSetWindowAttribute")))
                              : nullptr;
    const BOOL dark = TRUE;
    if (set != nullptr)
        set(window, static_cast<DWORD>(attribute), &dark, sizeof dark);
    if (dwm != nullptr)
        FreeLibrary(dwm);
}

int32_t window_dpi_of(HWND window) {
    // Windows 10 1607 and later; older systems have one DPI for every monitor.
    using GetDpiForWindowFn = UINT(WINAPI *)(HWND);
    static const auto get = reinterpret_cast<GetDpiForWindowFn>(reinterpret_cast<void *>(
        GetProcAddress(GetModuleHandleW(L"user32.dll"), "GetDpiForWindow")));
    UINT dpi = get != nullptr ? get(window) : 0;
    if (dpi == 0) {
        HDC screen = GetDC(nullptr);
        dpi = static_cast<UINT>(GetDeviceCaps(screen, LOGPIXELSY));
        ReleaseDC(nullptr, screen);
    }
    return dpi > 0 ? static_cast<int32_t>(dpi) : baseDpi;
}
