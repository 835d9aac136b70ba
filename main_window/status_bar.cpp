#include "main_window/status_bar.h"

#include <commctrl.h>

#include <string>

#include "main_window/layout.h"
#include "main_window/main_window.h"
#include "window/wide.h"
#include "resources/resource.h"

HWND statusBar;

// The bar keeps a copy of each text, the tip its pointer: these must outlive every refresh.
static std::wstring statusTexts[statusParts];

void status_bar_create() {
    statusBar = CreateStatusWindowW(WS_CHILD | WS_VISIBLE | SBT_TOOLTIPS, nullptr, mainWindow,
                                    IDC_STATUSBAR);
}

void status_bar_destroy() {
    if (statusBar != nullptr)
        DestroyWindow(statusBar);
    statusBar = nullptr;
}

void status_bar_refresh(const char *help) {
    std::string texts[statusParts];
    status_texts_build(help, texts);
    for (int i = 0; i < statusParts; ++i)
        statusTexts[i] = wide_of(texts[i]);
    if (statusBar == nullptr)
        return;
    static_assert(sizeof(int32_t) == sizeof(int), "SB_SETPARTS takes an array of int");
    int32_t edges[statusParts];
    status_part_edges(statusBarRect.width, edges);
    SendMessageW(statusBar, SB_SETPARTS, statusParts, reinterpret_cast<LPARAM>(edges));
    for (int i = 0; i < statusParts; ++i)
        SendMessageW(statusBar, SB_SETTEXTW, i, reinterpret_cast<LPARAM>(statusTexts[i].c_str()));
    for (int i = 0; i < statusParts; ++i)
        SendMessageW(statusBar, SB_SETTIPTEXTW, i,
                     reinterpret_cast<LPARAM>(statusTexts[i].c_str()));
}

void menu_help(WPARAM wParam) {
    status_bar_refresh(menu_help_text(LOWORD(wParam)));
}
