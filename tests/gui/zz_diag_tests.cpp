#include <windows.h>
#include <commctrl.h>
#include <uxtheme.h>
#include <gtest/gtest.h>
#include <cstdio>
#include "main_window/main_window.h"
#include "main_window/toolbar.h"
#include "tests/gui/gui_session.h"
using Diag = WindowTest;
TEST_F(Diag, Probe) {
    app_start();
    printf("brush %p style %lx tbstyle %lx ex %lx\n", (void*)GetClassLongPtrA(toolbar, GCLP_HBRBACKGROUND), GetWindowLongA(toolbar, GWL_STYLE), (long)SendMessageA(toolbar, TB_GETSTYLE,0,0), (long)SendMessageA(toolbar, TB_GETEXTENDEDSTYLE,0,0));
    HDC dc = GetDC(toolbar);
    printf("pixel %lx\n", GetPixel(dc, 200, 5));
    printf("theme %p\n", (void*)GetWindowTheme(toolbar));
    RedrawWindow(toolbar, NULL, NULL, RDW_INVALIDATE|RDW_ERASE|RDW_UPDATENOW);
    printf("pixel after erase-redraw %lx\n", GetPixel(dc, 200, 5));
    LRESULT e = SendMessageA(toolbar, WM_ERASEBKGND, (WPARAM)dc, 0);
    printf("toolbar erase returns %ld pixel %lx\n", (long)e, GetPixel(dc, 200, 5));
    RECT rc{0,0,400,20}; FillRect(dc, &rc, GetSysColorBrush(COLOR_BTNFACE));
    printf("after fillrect pixel %lx\n", GetPixel(dc, 200, 5));
    printf("btnface %lx\n", GetSysColor(COLOR_BTNFACE));
    LRESULT r = SendMessageA(mainWindow, WM_ERASEBKGND, (WPARAM)dc, 0);
    printf("parent erase returns %ld\n", (long)r);
    ReleaseDC(toolbar, dc);
}
