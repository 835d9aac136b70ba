// Benchmark mode of the window tests: the real window in this process, timed with the
// performance counter. Besides the two totals it times the parts, both inside the real commands
// (through subclassed window procedures and a wrapped canvas hook) and one by one, so a slow
// total shows where its time goes.
#include "tests/gui/gui_benchmark.h"

#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <random>
#include <string>
#include <vector>

#include "core/reading/bitmap.h"
#include "core/conversion/convert.h"
#include "core/conversion/geometry.h"
#include "core/conversion/settings.h"
#include "core/conversion/surface.h"
#include "document/editor.h"
#include "image_pane/image_pane.h"
#include "main_window/commands.h"
#include "main_window/main_window.h"
#include "resources/resource.h"
#include "tests/gui/file_dialog.h"
#include "tests/gui/gui_session.h"
#include "window/document_state.h"

namespace {

double counterMsPerTick = 0;

double now_ms() {
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) * counterMsPerTick;
}

// Milliseconds per run of each figure, printed in the order first recorded.
std::map<std::string, std::vector<double>> figures;
std::vector<std::string> figureOrder;

void record(const std::string &name, double ms) {
    if (figures.find(name) == figures.end())
        figureOrder.push_back(name);
    figures[name].push_back(ms);
}

void figures_print() {
    for (const std::string &name : figureOrder) {
        std::vector<double> v = figures[name];
        std::sort(v.begin(), v.end());
        const size_t n = v.size();
        const double median = n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
        // Counts of calls carry no unit; everything else is milliseconds.
        const bool count = name.size() > 6 && name.compare(name.size() - 6, 6, ".calls") == 0;
        std::printf(count ? "%s median=%.0f min=%.0f max=%.0f runs=%zu\n"
                          : "%s median_ms=%.2f min_ms=%.2f max_ms=%.2f runs=%zu\n",
                    name.c_str(), median, v.front(), v.back(), n);
    }
}

// Time spent inside a window procedure for some messages, and in the canvas hook, during the
// run being measured.
struct Probe {
    double ms = 0;
    int calls = 0;
};
std::map<UINT, Probe> paneProbes, editorProbes, mainProbes;
Probe hookProbe;
WNDPROC paneProc, editorProc, mainProc;
void (*hookShown)(int32_t, int32_t, int32_t, int32_t);

LRESULT timed_call(std::map<UINT, Probe> &probes, WNDPROC proc, HWND window, UINT message,
                   WPARAM wParam, LPARAM lParam) {
    const double start = now_ms();
    LRESULT result = CallWindowProcA(proc, window, message, wParam, lParam);
    Probe &p = probes[message];
    p.ms += now_ms() - start;
    ++p.calls;
    return result;
}

LRESULT CALLBACK pane_timed(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return timed_call(paneProbes, paneProc, window, message, wParam, lParam);
}

LRESULT CALLBACK editor_timed(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return timed_call(editorProbes, editorProc, window, message, wParam, lParam);
}

LRESULT CALLBACK main_timed(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return timed_call(mainProbes, mainProc, window, message, wParam, lParam);
}

void hook_timed(int32_t x, int32_t y, int32_t width, int32_t height) {
    const double start = now_ms();
    hookShown(x, y, width, height);
    hookProbe.ms += now_ms() - start;
    ++hookProbe.calls;
}

void probes_install() {
    auto subclass = [](HWND window, WNDPROC timed) {
        return reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(timed)));
    };
    paneProc = subclass(imagePane, pane_timed);
    editorProc = subclass(editorPane, editor_timed);
    mainProc = subclass(mainWindow, main_timed);
    hookShown = canvasChanged;
    canvasChanged = hook_timed;
}

void probes_remove() {
    canvasChanged = hookShown;
    SetWindowLongPtrA(imagePane, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(paneProc));
    SetWindowLongPtrA(editorPane, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(editorProc));
    SetWindowLongPtrA(mainWindow, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(mainProc));
}

void probes_clear() {
    paneProbes.clear();
    editorProbes.clear();
    mainProbes.clear();
    hookProbe = Probe{};
}

void probe_record(const std::string &name, const Probe &p) {
    record(name, p.ms);
    record(name + ".calls", p.calls); // counts, not milliseconds; the median says how many
}

// Photo-like pixels as bench/make_photo.py draws them: a sky gradient, slow waves, a few soft
// light and dark blobs and per-pixel noise, so no step gets an easy flat picture.
class PhotoPainter {
  public:
    PhotoPainter(int32_t width, int32_t height) : width_(width), height_(height) {
        std::mt19937 random(20240601);
        auto uniform = [&](double a, double b) {
            return std::uniform_real_distribution<double>(a, b)(random);
        };
        for (Blob &b : blobs_)
            b = {uniform(0, width), uniform(0, height), uniform(width / 12.0, width / 4.0),
                 uniform(-90, 90)};
        for (int &n : noise_)
            n = std::uniform_int_distribution<int>(-24, 24)(random);
    }

    Pixel operator()(int32_t x, int32_t y) {
        if (y != row_)
            row_begin(y);
        const double base = sky_ + 40 * std::sin((x + 0.6 * y) / 97.0) + light_[x >> 4];
        const int n = noise_[k_];
        k_ = (k_ + 7) % noiseSize;
        return {channel(base + n + 25), channel(base + n), channel(base + n - 30.0 * x / width_)};
    }

  private:
    struct Blob {
        double x, y, radius, amount;
    };
    static constexpr int noiseSize = 4099;

    static uint8_t channel(double v) { return static_cast<uint8_t>(v < 0 ? 0 : v > 255 ? 255 : v); }

    // The blobs change slowly along a row: their light is sampled every 16 pixels.
    void row_begin(int32_t y) {
        row_ = y;
        light_.assign(static_cast<size_t>(width_ / 16 + 2), 0.0);
        for (size_t i = 0; i < light_.size(); ++i) {
            const double x = 16.0 * static_cast<double>(i);
            for (const Blob &b : blobs_) {
                const double d2 =
                    ((x - b.x) * (x - b.x) + (y - b.y) * (y - b.y)) / (b.radius * b.radius);
                if (d2 < 9)
                    light_[i] += b.amount * std::exp(-d2);
            }
        }
        sky_ = 175 - 110.0 * y / height_;
        k_ = (y * 131) % noiseSize;
    }

    int32_t width_, height_;
    Blob blobs_[7];
    int noise_[noiseSize];
    int32_t row_ = -1;
    std::vector<double> light_;
    double sky_ = 0;
    int k_ = 0;
};

std::string photo_write(const std::string &path, int32_t width, int32_t height) {
    PhotoPainter painter(width, height);
    bmp_write(path, width, height, [&](int32_t x, int32_t y) { return painter(x, y); });
    return path;
}

// FNV-1a over bytes, to compare canvas and text before and after a change of the code.
uint64_t fnv(const uint8_t *p, size_t n, uint64_t h = 1469598103934665603ull) {
    for (size_t i = 0; i < n; ++i)
        h = (h ^ p[i]) * 1099511628211ull;
    return h;
}

uint64_t canvas_hash() {
    uint64_t h = 1469598103934665603ull;
    for (int32_t y = 0; y < canvas.height; ++y)
        for (int32_t x = 0; x < canvas.width; ++x) {
            const Rgb c = surface_get(canvas, x, y);
            const uint8_t bytes[3] = {c.r, c.g, c.b};
            h = fnv(bytes, 3, h);
        }
    return h;
}

// How many pixels of the pane's window surface differ from the canvas (where the canvas reaches).
long window_differences() {
    int width = 0, height = 0;
    const std::vector<uint8_t> pixels = window_pixels(imagePane, false, width, height);
    long differences = 0;
    for (int y = 0; y < std::min(height, canvasHeight); ++y)
        for (int x = 0; x < std::min(width, canvasWidth); ++x) {
            const uint8_t *p = &pixels[(static_cast<size_t>(y) * width + x) * 4];
            if (surface_get(canvas, x, y) != Rgb{p[2], p[1], p[0]})
                ++differences;
        }
    return differences;
}

uint64_t window_hash(HWND window) {
    const std::vector<uint8_t> pixels = window_seen_pixels(window);
    return fnv(pixels.data(), pixels.size());
}

bool checks_print(const char *after, const std::string &text) {
    const long differences = window_differences();
    std::printf("check after=%s canvas_fnv=%016llx editor_fnv=%016llx window_fnv=%016llx "
                "text_fnv=%016llx text_bytes=%zu pane_pixels_differing=%ld\n",
                after, static_cast<unsigned long long>(canvas_hash()),
                static_cast<unsigned long long>(window_hash(editorPane)),
                static_cast<unsigned long long>(window_hash(mainWindow)),
                static_cast<unsigned long long>(
                    fnv(reinterpret_cast<const uint8_t *>(text.data()), text.size())),
                text.size(), differences);
    return differences == 0;
}

// The tests' window set-up: a fresh start-up directory and the window as WinMain shows it.
class BenchSession : public WindowTest {
  public:
    bool start() {
        SetUp();
        if (HasFatalFailure() || app_start() == nullptr)
            return false;
        MoveWindow(mainWindow, 0, 0, 1200, 960, TRUE); // a tall pane: a full-height paint
        quit_drain();
        return true;
    }
    void stop() { TearDown(); }
    std::string at(const char *name) const { return startDir + "\\" + name; }

  private:
    void TestBody() override {}
};

// What the canvas hook gets after the previews are drawn in vertical placement (the default):
// both previews with their outlines.
void previews_show() {
    hookShown(14, 14, mapCols + 2, mapY + mapRows + 1 - 14);
}

// (a) Open as after its dialog, until the pane's paint has copied the canvas to the window.
void open_measure(const std::string &path, int runs) {
    for (int run = -1; run < runs; ++run) { // run -1 warms up and is reported alone
        quit_drain();
        GdiFlush();
        probes_clear();
        const double start = now_ms();
        command_open_path(path.c_str());
        UpdateWindow(imagePane);
        GdiFlush();
        const double total = now_ms() - start;
        if (run < 0) {
            record("open.first", total);
            continue;
        }
        record("open", total);
        probe_record("open.in.canvas_hook", hookProbe);
        probe_record("open.in.pane_paint", paneProbes[WM_PAINT]);
        probe_record("open.in.pane_size", paneProbes[WM_SIZE]);
    }
    // The same steps one by one.
    const int32_t screenWidth = GetSystemMetrics(SM_CXSCREEN);
    const int32_t screenHeight = GetSystemMetrics(SM_CYSCREEN);
    for (int run = 0; run < runs; ++run) {
        quit_drain();
        double t = now_ms();
        bitmap_load(conversion, bitmapPath, screenWidth, screenHeight);
        record("open.part.load", now_ms() - t);

        t = now_ms();
        canvas_background_paint();
        record("open.part.background", now_ms() - t);

        canvasChanged = nullptr;
        t = now_ms();
        map_geometry_fit(conversion); // the reduced copy is made anew for the fresh source
        record("open.part.fit_core", now_ms() - t);
        t = now_ms();
        map_geometry_update(conversion); // previews only: the reduced copy is still valid
        record("open.part.previews_core", now_ms() - t);
        canvasChanged = hook_timed;

        t = now_ms();
        previews_show();
        record("open.part.previews_blit", now_ms() - t);

        t = now_ms();
        InvalidateRect(imagePane, nullptr, FALSE);
        UpdateWindow(imagePane);
        GdiFlush();
        record("open.part.pane_paint", now_ms() - t);
    }
}

// (b) Convert until the text is in the editor and the editor has painted it.
void convert_measure(int runs, std::string &text) {
    for (int run = -1; run < runs; ++run) {
        SetWindowTextA(editorPane, ""); // each run converts into an empty editor, as after Open
        SetFocus(mainWindow);
        quit_drain();
        GdiFlush();
        probes_clear();
        const double start = now_ms();
        SendMessageA(mainWindow, WM_COMMAND, IDM_CONVERT, 0);
        UpdateWindow(editorPane);
        UpdateWindow(imagePane);
        GdiFlush();
        const double total = now_ms() - start;
        if (run < 0) {
            record("convert.first", total);
            continue;
        }
        record("convert", total);
        probe_record("convert.in.canvas_hook", hookProbe);
        probe_record("convert.in.editor_settext", editorProbes[WM_SETTEXT]);
        probe_record("convert.in.editor_paint", editorProbes[WM_PAINT]);
        probe_record("convert.in.ctlcoloredit", mainProbes[WM_CTLCOLOREDIT]);
    }
    text.resize(static_cast<size_t>(GetWindowTextLengthA(editorPane)) + 1);
    text.resize(GetWindowTextA(editorPane, &text[0], static_cast<int>(text.size())));

    std::string converted;
    for (int run = 0; run < runs; ++run) {
        SetWindowTextA(editorPane, "");
        quit_drain();
        canvasChanged = nullptr;
        double t = now_ms();
        map_geometry_update(conversion);
        record("convert.part.previews_core", now_ms() - t);
        t = now_ms();
        text_convert(conversion, converted);
        record("convert.part.text_convert", now_ms() - t);
        canvasChanged = hook_timed;

        t = now_ms();
        previews_show();
        record("convert.part.previews_blit", now_ms() - t);

        t = now_ms();
        editor_text_replace(converted.c_str());
        UpdateWindow(editorPane);
        GdiFlush();
        record("convert.part.settext", now_ms() - t);
    }
}

} // namespace

std::vector<uint8_t> window_pixels(HWND window, bool frame, int &width, int &height) {
    RECT r{};
    if (frame) {
        GetWindowRect(window, &r);
        OffsetRect(&r, -r.left, -r.top);
    } else {
        GetClientRect(window, &r);
    }
    width = r.right;
    height = r.bottom;
    std::vector<uint8_t> pixels;
    if (width <= 0 || height <= 0)
        return pixels;
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 32;
    info.bmiHeader.biCompression = BI_RGB;
    void *bits = nullptr;
    HDC memory = CreateCompatibleDC(nullptr);
    HBITMAP copy = CreateDIBSection(memory, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    HGDIOBJ held = SelectObject(memory, copy);
    HDC dc = frame ? GetWindowDC(window) : GetDC(window);
    BitBlt(memory, 0, 0, width, height, dc, 0, 0, SRCCOPY);
    ReleaseDC(window, dc);
    GdiFlush();
    const auto *p = static_cast<const uint8_t *>(bits);
    pixels.assign(p, p + static_cast<size_t>(width) * height * 4);
    SelectObject(memory, held);
    DeleteObject(copy);
    DeleteDC(memory);
    return pixels;
}

std::vector<uint8_t> window_seen_pixels(HWND window) {
    HideCaret(editorPane);
    int width = 0, height = 0;
    std::vector<uint8_t> pixels = window_pixels(window, true, width, height);
    ShowCaret(editorPane);
    for (size_t i = 3; i < pixels.size(); i += 4)
        pixels[i] = 0;
    return pixels;
}

int gui_benchmark_run(int runs) {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    counterMsPerTick = 1000.0 / static_cast<double>(frequency.QuadPart);

    BenchSession session;
    if (!session.start()) {
        std::fprintf(stderr, "the window could not be started\n");
        return 1;
    }
    const std::string photo = photo_write(session.at("photo.bmp"), 2048, 1536);
    // 118 columns of 512 rows, (118 + 2) x 512 = 61440 bytes: stretch mode at Mojisu 118 and
    // Hiritu 100 makes 354 x 1536 a 118 x 512 grid.
    const std::string tall = photo_write(session.at("tall.bmp"), 354, 1536);

    probes_install();
    RECT pane{};
    GetClientRect(imagePane, &pane);
    std::printf("setup runs=%d pane=%ldx%ld\n", runs, pane.right, pane.bottom);

    open_measure(photo, runs);
    std::printf("geometry after=open cols=%d rows=%d preview_height=%d\n", mapCols, mapRows,
                previewHeight);
    command_open_path(photo.c_str()); // the parts above leave the pane as Open leaves it
    UpdateWindow(imagePane);
    bool ok = checks_print("open", "");

    settings.Mojisu = 118;
    settings.Hiritu = 100;
    command_open_path(tall.c_str());
    UpdateWindow(imagePane);
    std::string text;
    convert_measure(runs, text);
    std::printf("geometry after=convert cols=%d rows=%d bytes=%d\n", mapCols, mapRows,
                (mapCols + 2) * mapRows);
    SendMessageA(mainWindow, WM_COMMAND, IDM_CONVERT, 0);
    quit_drain(); // every pending paint, as the message loop would do next
    ok = checks_print("convert", text) && ok;
    ok = ok && text.size() == static_cast<size_t>(textLimit);

    probes_remove();
    figures_print();
    std::fflush(stdout);
    session.stop();
    return ok ? 0 : 1;
}
