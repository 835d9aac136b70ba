// Helpers of the command tests: answering the open and save dialogs, running a command with its
// dialogs, and writing the bitmap and text files the tests open.
#pragma once
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "document/editor.h" // editor_text, the pane's whole text
#include "tests/gui/modal_driver.h"

// What an open or save dialog showed when it came up.
struct FileDialogView {
    std::string fileName;             // the file-name box
    std::vector<std::string> filters; // the file-type list, as displayed
    int chosenFilter = -1;            // the entry it shows, from 0
};

// Reads the dialog into *view (which must outlive the command).
ModalAction file_dialog_look(FileDialogView *view);

// Types name into the file-name box and confirms the dialog.
ModalAction file_dialog_answer(const std::string &name);

// Sends the command to the main window with the dialogs answered in order; returns every
// dialog that appeared. A dialog nobody expected is cancelled by the driver and shows up in the
// result with expected false.
std::vector<ModalDialog> command_run(int id, std::vector<ModalAction> answers = {});

// Title, text and icon of each dialog, one per line, for failure messages.
std::string dialogs_describe(const std::vector<ModalDialog> &dialogs);

// A 24-bit bitmap file; pixel(x, y) with y = 0 the top row.
struct Pixel {
    uint8_t r, g, b;
};
void bmp_write(const std::string &path, int32_t width, int32_t height,
               const std::function<Pixel(int32_t x, int32_t y)> &pixel);

// A 54-byte header alone: magic, width and height as given (enough for the refusals).
void bmp_header_write(const std::string &path, const char magic[2], int32_t width, int32_t height);

// A picture with soft gradients and edges, like a small photograph.
Pixel photo_pixel(int32_t x, int32_t y, int32_t width, int32_t height);

// Paths in UTF-8, any name.
std::string file_read(const std::string &path); // "<missing>" when it cannot be read
void file_write(const std::string &path, const std::string &bytes);
bool file_exists(const std::string &path);
