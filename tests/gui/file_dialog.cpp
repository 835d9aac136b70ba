#include "tests/gui/file_dialog.h"

#include <commctrl.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "document/editor.h"
#include "main_window/main_window.h"
#include "window/wide.h"

namespace {

constexpr int fileNameBox = 1148; // ComboBoxEx32 holding the Edit of the file name
constexpr int fileTypeList = 1136;

HWND file_name_edit(HWND dialog) {
    HWND box = GetDlgItem(dialog, fileNameBox);
    if (box == nullptr)
        return nullptr;
    HWND edit = reinterpret_cast<HWND>(SendMessageA(box, CBEM_GETEDITCONTROL, 0, 0));
    return edit != nullptr ? edit : box;
}

const char *icon_name(ModalIcon icon) {
    switch (icon) {
    case ModalIcon::none:
        return "none";
    case ModalIcon::warning:
        return "warning";
    case ModalIcon::error:
        return "error";
    case ModalIcon::information:
        return "information";
    case ModalIcon::question:
        return "question";
    default:
        return "other";
    }
}

void put32(std::string &bytes, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<char>((v >> (8 * i)) & 0xFF);
}

// File and information headers of a bottom-up 24-bit picture.
std::string bmp_header(const char magic[2], int32_t width, int32_t height, uint32_t imageBytes) {
    std::string bytes(54, '\0');
    bytes[0] = magic[0];
    bytes[1] = magic[1];
    put32(bytes, 2, 54 + imageBytes);
    put32(bytes, 10, 54);
    put32(bytes, 14, 40);
    put32(bytes, 18, static_cast<uint32_t>(width));
    put32(bytes, 22, static_cast<uint32_t>(height));
    bytes[26] = 1;  // planes
    bytes[28] = 24; // bits per pixel
    put32(bytes, 34, imageBytes);
    return bytes;
}

} // namespace

ModalAction file_dialog_look(FileDialogView *view) {
    return [view](const ModalDialog &d) {
        wchar_t buffer[MAX_PATH] = L"";
        GetWindowTextW(file_name_edit(d.window), buffer, MAX_PATH);
        view->fileName = utf8_of(buffer);
        view->filters.clear();
        HWND types = GetDlgItem(d.window, fileTypeList);
        LRESULT count = SendMessageW(types, CB_GETCOUNT, 0, 0);
        for (LRESULT i = 0; i < count; ++i) {
            buffer[0] = L'\0';
            SendMessageW(types, CB_GETLBTEXT, static_cast<WPARAM>(i),
                         reinterpret_cast<LPARAM>(buffer));
            view->filters.push_back(utf8_of(buffer));
        }
        view->chosenFilter = static_cast<int>(SendMessageW(types, CB_GETCURSEL, 0, 0));
    };
}

ModalAction file_dialog_answer(const std::string &name) {
    return [name](const ModalDialog &d) {
        SetWindowTextW(file_name_edit(d.window), wide_of(name).c_str());
        PostMessageA(d.window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED),
                     reinterpret_cast<LPARAM>(GetDlgItem(d.window, IDOK)));
    };
}

namespace {

BOOL CALLBACK dialog_cancel(HWND window, LPARAM) {
    char name[16] = "";
    GetClassNameA(window, name, sizeof name);
    if (IsWindowVisible(window) && std::strcmp(name, "#32770") == 0)
        PostMessageA(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    return TRUE;
}

// A dialog that an answer failed to close (a file name the dialog would not take, say) is
// cancelled after a while, so the test fails instead of waiting for ever.
void CALLBACK dialogs_rescue(HWND, UINT, UINT_PTR, DWORD) {
    EnumThreadWindows(GetCurrentThreadId(), dialog_cancel, 0);
}

} // namespace

std::vector<ModalDialog> command_run(int id, std::vector<ModalAction> answers) {
    modal_driver_begin(20);
    for (ModalAction &answer : answers)
        modal_expect(std::move(answer));
    UINT_PTR rescue = SetTimer(nullptr, 0, 8000, dialogs_rescue);
    SendMessageW(mainWindow, WM_COMMAND, static_cast<WPARAM>(id), 0);
    KillTimer(nullptr, rescue);
    return modal_driver_end();
}

std::string dialogs_describe(const std::vector<ModalDialog> &dialogs) {
    std::string all;
    for (const ModalDialog &d : dialogs)
        all += "[" + d.title + "] " + d.text + " (" + icon_name(d.icon) + ")" +
               (d.expected ? "" : " unexpected") + "\n";
    return all.empty() ? "no dialog\n" : all;
}

void bmp_write(const std::string &path, int32_t width, int32_t height,
               const std::function<Pixel(int32_t x, int32_t y)> &pixel) {
    const uint32_t stride = (static_cast<uint32_t>(width) * 3 + 3) & ~3u;
    std::string bytes = bmp_header("BM", width, height, stride * static_cast<uint32_t>(height));
    std::string row(stride, '\0');
    for (int32_t y = height - 1; y >= 0; --y) {
        for (int32_t x = 0; x < width; ++x) {
            Pixel p = pixel(x, y);
            row[3 * x] = static_cast<char>(p.b);
            row[3 * x + 1] = static_cast<char>(p.g);
            row[3 * x + 2] = static_cast<char>(p.r);
        }
        bytes += row;
    }
    file_write(path, bytes);
}

void bmp_header_write(const std::string &path, const char magic[2], int32_t width, int32_t height) {
    file_write(path, bmp_header(magic, width, height, 0));
}

Pixel photo_pixel(int32_t x, int32_t y, int32_t width, int32_t height) {
    // A lit sphere in front of a sky-to-ground gradient, with a dark post at the right.
    const double u = (x + 0.5) / width, v = (y + 0.5) / height;
    const double dx = (u - 0.42) / 0.3, dy = (v - 0.5) / 0.4;
    const double r2 = dx * dx + dy * dy;
    double shade;
    Pixel base;
    if (r2 < 1.0) {
        const double nz = std::sqrt(1.0 - r2);
        shade = std::max(0.0, -0.5 * dx - 0.6 * dy + 0.62 * nz);
        base = {230, 120, 60};
    } else if (u > 0.8 && u < 0.86) {
        shade = 0.15;
        base = {90, 70, 60};
    } else {
        shade = v < 0.7 ? 1.0 - 0.5 * v : 0.45 + 0.3 * (1.0 - v);
        base = v < 0.7 ? Pixel{140, 190, 250} : Pixel{90, 160, 80};
    }
    auto channel = [shade](uint8_t c) {
        return static_cast<uint8_t>(std::min(255.0, c * shade + 20.0 * shade));
    };
    return {channel(base.r), channel(base.g), channel(base.b)};
}

std::string file_read(const std::string &path) {
    HANDLE file = CreateFileW(wide_of(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return "<missing>";
    std::string bytes;
    char buffer[65536];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0)
        bytes.append(buffer, got);
    CloseHandle(file);
    return bytes;
}

void file_write(const std::string &path, const std::string &bytes) {
    HANDLE file = CreateFileW(wide_of(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    if (file != INVALID_HANDLE_VALUE) {
        WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        CloseHandle(file);
    }
}

bool file_exists(const std::string &path) {
    return GetFileAttributesW(wide_of(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}
