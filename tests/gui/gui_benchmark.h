// Benchmark mode of the window tests (gui_tests --benchmark [RUNS]): Open of a 2048 x 1536 photo
// until the image pane shows both previews, and Convert of the largest text until the editor
// holds it, timed inside the process with the same window set-up as the tests.
#pragma once
#include <windows.h>

#include <cstdint>
#include <vector>

// Prints one machine-readable line per figure (name median_ms=... min_ms=... max_ms=...) and
// returns the process's exit code: 0, or 1 when the window or a check failed.
int gui_benchmark_run(int runs);

// A window's pixels as its window surface holds them, B, G, R and an unused byte each, row by
// row: the whole window with its frame, or the client area. Empty when it has no area.
std::vector<uint8_t> window_pixels(HWND window, bool frame, int &width, int &height);

// A window as the user sees it, frame and scroll bars included, without the editor's blinking
// caret; the unused bytes are 0, so two captures of the same picture compare equal.
std::vector<uint8_t> window_seen_pixels(HWND window);
