// Status bar: five parts (menu help, bitmap size, text size, ratio, brightness).
#pragma once
#include <cstdint>
#include <string>

constexpr int statusParts = 5;

// Pure: the five texts from the current values ("B：%d.%d", "T：%d.%d (%sbytes)", "比：%d",
// "明：%d", their labels in the interface's language), part 0 the help text (given in Japanese,
// shown in that language) or empty; and the right edges from the bar's width.
void status_texts_build(const char *help, std::string (&texts)[statusParts]);
void status_part_edges(int32_t barWidth, int32_t (&edges)[statusParts]);

// Pure: help text of a menu command id, nullptr when it has none.
const char *menu_help_text(int commandId);

#ifdef _WIN32
#include <windows.h>
extern HWND statusBar;
void status_bar_create();
void status_bar_refresh(const char *help); // nullptr or "" for none
void menu_help(WPARAM wParam);
void status_bar_destroy(); // and forgets the handle
#endif
