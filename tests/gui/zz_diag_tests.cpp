#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>
#include <cstdio>
#include "main_window/main_window.h"
#include "main_window/toolbar.h"
#include "tests/gui/gui_session.h"
#include "tests/gui/modal_driver.h"
using Diag = WindowTest;
static int h(HWND b){RECT r; GetWindowRect(b,&r); return r.bottom-r.top;}
TEST_F(Diag, Probe) {
    DWORD t0 = GetTickCount();
    app_start();
    DWORD t1 = GetTickCount();
    MoveWindow(mainWindow, 10, 10, 800, 600, TRUE);
    DWORD t2 = GetTickCount();
    quit_drain();
    DWORD t3 = GetTickCount();
    printf("start %lu move %lu drain %lu\n", t1-t0, t2-t1, t3-t2);
    printf("h800 %d\n", h(toolbar));
    MoveWindow(mainWindow, 10, 10, 220, 600, TRUE);
    printf("h220 once %d rows %d\n", h(toolbar), (int)SendMessageA(toolbar, TB_GETROWS,0,0));
    MoveWindow(mainWindow, 10, 10, 221, 600, TRUE);
    printf("h221 twice %d rows %d\n", h(toolbar), (int)SendMessageA(toolbar, TB_GETROWS,0,0));
    ShowWindow(mainWindow, SW_MAXIMIZE);
    WINDOWPLACEMENT wp{}; wp.length=sizeof wp; GetWindowPlacement(mainWindow,&wp);
    printf("zoomed %d show %u\n", IsZoomed(mainWindow), wp.showCmd);
    messages_pump(500);
    GetWindowPlacement(mainWindow,&wp);
    printf("zoomed %d show %u\n", IsZoomed(mainWindow), wp.showCmd);
    DWORD t4 = GetTickCount();
    DestroyWindow(mainWindow);
    printf("destroy %lu\n", GetTickCount()-t4);
}
