// Saving the editor pane's text to a file.
#pragma once
#include <cstddef>
#include <string>

// Portable: writes bytes to a temporary file beside path and moves it over path, so a failed
// write never destroys the earlier file. False on any failure (create, write, flush, move).
bool text_file_save_bytes(const char *path, const char *data, size_t size);

#ifdef _WIN32
int text_file_choose();
int text_file_confirm_overwrite();
int text_file_write();
#endif
