#include "main_window/layout.h"

#include "core/conversion/settings.h"
#include "document/editor.h"
#include "image_pane/image_pane.h"
#include "window/display.h"
#include "main_window/main_window.h"
#include "main_window/status_bar.h"
#include "main_window/toolbar.h"
#include "resources/resource.h"
#include "window/document_state.h"

static PaneRect bar_measure(HWND bar) {
    RECT r{};
    GetWindowRect(bar, &r);
    return {r.left, r.top, r.right - r.left, r.bottom - r.top};
}

static void pane_move(HWND pane, const PaneRect &r) {
    if (pane != nullptr)
        MoveWindow(pane, r.x, r.y, r.width, r.height, TRUE);
}

void layout_panes() {
    // A bar that is switched on but not created yet (during start-up) keeps its old rectangle.
    if (settings.Statusbar != 0 && statusBar != nullptr)
        statusBarRect = bar_measure(statusBar);
    if (settings.Toolbar != 0 && toolbar != nullptr)
        toolbarRect = bar_measure(toolbar);
    RECT client{};
    GetClientRect(mainWindow, &client);
    layout_compute(client.right, client.bottom, windowDpi);
    pane_move(imagePane, imagePaneRect);
    pane_move(editorPane, editorPaneRect);
    status_bar_refresh(nullptr);
}

static void menu_check(int commandId, bool checked) {
    CheckMenuItem(GetMenu(mainWindow), commandId,
                  MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
}

void bar_apply(int kind) {
    if (kind == 1) {
        menu_check(IDM_STATUSBAR, settings.Statusbar != 0);
        if (settings.Statusbar != 0) {
            status_bar_create();
        } else {
            status_bar_destroy();
            statusBarRect = {0, 0, 0, 0};
        }
        layout_panes();
    } else if (kind == 2) {
        menu_check(IDM_TOOLBAR, settings.Toolbar != 0);
        if (settings.Toolbar != 0) {
            toolbar_create();
        } else {
            toolbar_destroy();
            toolbarRect = {0, 0, 0, 0};
        }
        layout_panes();
    }
}

void menu_checks_update() {
    menu_check(IDM_HORIZONTAL, settings.Position == 0);
    menu_check(IDM_VERTICAL, settings.Position != 0);
    menu_check(IDM_IMAGEPANE, settings.Clientarea != 0);
}
