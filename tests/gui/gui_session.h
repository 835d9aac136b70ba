// The program's window created in the test process, as WinMain creates it, one fresh start per
// test: its own empty start-up directory, process-wide state as at process start, the window
// destroyed and its quit message drained at the end.
#pragma once
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

// Every test has 120 seconds before the run is stopped; a long test may ask for more.
void test_deadline_extend(int seconds);

// Puts every process-wide value of the window subsystems back as the process starts with it.
void app_state_reset();

// Pending messages of the thread are handled; a WM_QUIT is dropped (and reported true).
bool quit_drain();

class WindowTest : public ::testing::Test {
  protected:
    void SetUp() override;
    void TearDown() override;

    // app_create, then shown as WinMain shows it (SW_SHOWNORMAL), and its first paints done.
    HWND app_start();

    // vkd.ini in the start-up directory, written before app_start (its bytes: CP932 text).
    void ini_file_write(const std::string &text);
    // A value of the settings file in the start-up directory; "" when missing.
    std::string ini_value(const char *section, const char *key);
    bool ini_exists();

    std::string startDir; // the test's start-up directory, no trailing backslash
    std::string previousDir;
};

// Text of a window (GetWindowTextW) in UTF-8, as the program holds its strings; and set from it.
std::string text_of(HWND window);
void text_set(HWND window, const std::string &text);

// A child's rectangle in its parent's client coordinates: x, y, width, height.
RECT child_rect(HWND child);
