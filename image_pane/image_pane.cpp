#include "image_pane/image_pane.h"

#include "window/display.h"

#include "core/common/document.h"
#include "core/conversion/geometry.h"
#include "core/conversion/settings.h"
#include "core/conversion/surface.h"
#include "window/wide.h"
#include "resources/resource.h"
#include "window/pane_rects.h"
#include "window/window.h"
#include "window/document_state.h"

HWND imagePane;

// The canvas pixels are a DIB section selected into this DC, so GDI draws the label on the very
// memory the core fills and reads.
static HDC canvasDC;
static HBITMAP canvasBitmap;
static HGDIOBJ canvasDCBitmap; // what the DC held before

static const wchar_t *const paneClassName = L"vkd_childwindow";

static uint8_t *canvas_dib_alloc(int32_t width, int32_t height, int32_t) {
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof info.bmiHeader;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = -height; // top-down, as the core lays rows out
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24; // B, G, R; rows padded to 4 bytes
    info.bmiHeader.biCompression = BI_RGB;
    void *bits = nullptr;
    canvasDC = CreateCompatibleDC(nullptr);
    canvasBitmap = CreateDIBSection(canvasDC, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
    if (canvasDC == nullptr || canvasBitmap == nullptr) {
        if (canvasBitmap != nullptr)
            DeleteObject(canvasBitmap);
        if (canvasDC != nullptr)
            DeleteDC(canvasDC);
        canvasDC = nullptr;
        canvasBitmap = nullptr;
        return nullptr;
    }
    canvasDCBitmap = SelectObject(canvasDC, canvasBitmap);
    return static_cast<uint8_t *>(bits);
}

static void canvas_dib_free(uint8_t *) {
    if (canvasDC != nullptr) {
        SelectObject(canvasDC, canvasDCBitmap);
        DeleteDC(canvasDC);
    }
    if (canvasBitmap != nullptr)
        DeleteObject(canvasBitmap);
    canvasDC = nullptr;
    canvasBitmap = nullptr;
}

static RECT box_rect(const CanvasBox &b) {
    return RECT{b.left, b.top, b.right, b.bottom};
}

// Copies what the canvas covers of a pane rectangle; beyond the canvas the menu colour.
static void canvas_show(HDC dc, const CanvasBox &area) {
    const CanvasSplit split = canvas_split(area);
    const CanvasBox &in = split.inside;
    if (!in.empty() && canvasDC != nullptr)
        BitBlt(dc, in.left, in.top, in.right - in.left, in.bottom - in.top, canvasDC, in.left,
               in.top, SRCCOPY);
    for (const CanvasBox *beyond : {&split.right, &split.below}) {
        if (beyond->empty())
            continue;
        RECT r = box_rect(*beyond);
        FillRect(dc, &r, GetSysColorBrush(COLOR_MENU));
    }
}

// The core drew previews or grey feedback: show them at once, not at the next paint.
static void canvas_changed_show(int32_t x, int32_t y, int32_t width, int32_t height) {
    if (imagePane == nullptr || canvasDC == nullptr)
        return;
    GdiFlush();
    HDC dc = GetDC(imagePane);
    canvas_show(dc, CanvasBox{x, y, x + width, y + height});
    ReleaseDC(imagePane, dc);
}

void canvas_background_paint() {
    const int32_t paneWidth = imagePaneRect.width;
    const int32_t paneHeight = imagePaneRect.height;
    const COLORREF menu = GetSysColor(COLOR_MENU);
    GdiFlush(); // GDI's pending text must land before the core writes the same pixels
    surface_fill(canvas, 0, 0, paneWidth, paneHeight,
                 Rgb{GetRValue(menu), GetGValue(menu), GetBValue(menu)});
    if (canvasDC != nullptr) {
        SetBkMode(canvasDC, TRANSPARENT);
        SetTextColor(canvasDC, RGB(250, 250, 250));
        const std::wstring label = wide_of(appName);
        const int length = static_cast<int>(label.size());
        int32_t textWidth = 0;
        if (settings.Position != 0) {
            SelectObject(canvasDC, labelFontVertical);
        } else {
            SelectObject(canvasDC, labelFontHorizontal);
            SIZE size{};
            GetTextExtentPoint32W(canvasDC, label.c_str(), length, &size);
            textWidth = size.cx;
        }
        const LabelOrigin at =
            label_origin(settings.Position, paneWidth, paneHeight, textWidth, windowDpi);
        TextOutW(canvasDC, at.x, at.y, label.c_str(), length);
        GdiFlush();
    }
    if (imagePane != nullptr)
        InvalidateRect(imagePane, nullptr, FALSE);
}

static void image_pane_on_create() {
    surfaces_create(conversion);
    canvas_background_paint();
}

static void image_pane_on_size() {
    canvas_background_paint();
    if (imageLoaded)
        map_geometry_update(conversion);
}

static void image_pane_on_paint(HWND window) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(window, &ps);
    canvas_show(dc,
                CanvasBox{ps.rcPaint.left, ps.rcPaint.top, ps.rcPaint.right, ps.rcPaint.bottom});
    EndPaint(window, &ps);
}

static void image_pane_on_destroy() {
    surfaces_release(conversion);
    PostQuitMessage(0);
}

static LRESULT CALLBACK image_pane_proc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_CREATE:
        image_pane_on_create();
        return 0;
    case WM_SIZE:
        image_pane_on_size();
        return 0;
    case WM_PAINT:
        image_pane_on_paint(window);
        return 0;
    case WM_DESTROY:
        image_pane_on_destroy();
        return 0;
    default:
        return DefWindowProcW(window, message, wParam, lParam);
    }
}

void image_pane_create() {
    HINSTANCE instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrW(mainWindow, GWLP_HINSTANCE));
    window_class_register(instance, image_pane_proc, paneClassName); // already there: fine
    canvasMemoryAlloc = canvas_dib_alloc;
    canvasMemoryFree = canvas_dib_free;
    canvasChanged = canvas_changed_show;
    imagePane = nullptr; // unknown until created: the first background paint marks nothing
    HWND pane =
        CreateWindowExW(settings.Style != 0 ? WS_EX_DLGMODALFRAME : WS_EX_WINDOWEDGE, paneClassName,
                        L"", WS_CHILD | WS_VISIBLE, imagePaneRect.x, imagePaneRect.y,
                        imagePaneRect.width, imagePaneRect.height, mainWindow,
                        reinterpret_cast<HMENU>(IDC_IMAGEPANE), instance, nullptr);
    imagePane = pane;
    ShowWindow(pane, SW_SHOW);
    UpdateWindow(pane);
}
