#include "main_window/status_bar.h"

#include <commctrl.h>

#include <string>

#include "main_window/layout.h"
#include "main_window/main_window.h"
#include "resources/resource.h"

HWND statusBar;

static std::string statusTexts[statusParts];

void status_bar_create() {
    statusBar = CreateStatusWindowA(WS_CHILD | WS_VISIBLE | SBT_TOOLTIPS, nullptr, mainWindow,
                                    IDC_STATUSBAR);
}

void status_bar_destroy() {
    if (statusBar != nullptr)
        DestroyWindow(statusBar);
    statusBar = nullptr;
}

void status_bar_refresh(const char *help) {
    status_texts_build(help, statusTexts);
    if (statusBar == nullptr)
        return;
    static_assert(sizeof(int32_t) == sizeof(int), "SB_SETPARTS takes an array of int");
    int32_t edges[statusParts];
    status_part_edges(statusBarRect.width, edges);
    SendMessageA(statusBar, SB_SETPARTS, statusParts, reinterpret_cast<LPARAM>(edges));
    for (int i = 0; i < statusParts; ++i)
        SendMessageA(statusBar, SB_SETTEXTA, i, reinterpret_cast<LPARAM>(statusTexts[i].c_str()));
    for (int i = 0; i < statusParts; ++i)
        SendMessageA(statusBar, SB_SETTIPTEXTA, i,
                     reinterpret_cast<LPARAM>(statusTexts[i].c_str()));
}

void menu_help(WPARAM wParam) {
    status_bar_refresh(menu_help_text(LOWORD(wParam)));
}
