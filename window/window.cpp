#include "window/window.h"

#include "window/wide.h"

HWND mainWindow;
HFONT editorFont;
HFONT labelFontVertical;
HFONT labelFontHorizontal;

ATOM window_class_register(HINSTANCE instance, WNDPROC proc, const wchar_t *className) {
    WNDCLASSW wc{};
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = proc;
    wc.hInstance = instance;
    wc.hIcon = LoadIconW(instance, L"MYICON");
    wc.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(NULL_BRUSH));
    wc.lpszMenuName = L"VKDPOPUP";
    wc.lpszClassName = className;
    return RegisterClassW(&wc);
}

HFONT font_create(int height, int escapement, BOOL italic, BOOL underline, const char *face) {
    return CreateFontW(height, 0, escapement, 0, 500, italic, underline, FALSE, SHIFTJIS_CHARSET,
                       OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, PROOF_QUALITY,
                       FIXED_PITCH | FF_MODERN, wide_of(face).c_str());
}
