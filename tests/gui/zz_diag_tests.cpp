#include <windows.h>
#include <commctrl.h>
#include <gtest/gtest.h>
#include <cstdio>
#include "main_window/main_window.h"
#include "main_window/toolbar.h"
#include "main_window/status_bar.h"
#include "document/editor.h"
#include "image_pane/image_pane.h"
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
    SendMessageA(toolbar, TB_AUTOSIZE, 0, 0);
    printf("after autosize %d\n", h(toolbar));
    MoveWindow(mainWindow, 10, 10, 800, 600, TRUE);
    printf("back %d\n", h(toolbar));
    MoveWindow(mainWindow, 10, 10, 220, 600, TRUE);
    RECT c; GetClientRect(mainWindow,&c);
    SendMessageA(toolbar, WM_SIZE, 0, MAKELPARAM(c.right,c.bottom));
    printf("after 2nd wm_size %d\n", h(toolbar));
    DWORD ta = GetTickCount();
    DestroyWindow(toolbar); toolbar=nullptr;
    DWORD tb = GetTickCount();
    DestroyWindow(statusBar); statusBar=nullptr;
    DWORD tc = GetTickCount();
    DestroyWindow(editorPane); editorPane=nullptr;
    DWORD td = GetTickCount();
    DestroyWindow(imagePane); imagePane=nullptr;
    DWORD te = GetTickCount();
    printf("tb %lu sb %lu ed %lu ip %lu\n", tb-ta, tc-tb, td-tc, te-td);
    DWORD t4 = GetTickCount();
    DestroyWindow(mainWindow);
    printf("destroy %lu\n", GetTickCount()-t4);
}
