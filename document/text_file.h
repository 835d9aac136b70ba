// Saving the editor pane's text to a file.
#pragma once
#include <cstddef>
#include <string>

// Portable: the folder holding the file a file dialog returned, from the path and the offset of
// the file name in it; the separator before the name is dropped except after a drive ("C:\").
// Empty when the offset does not point into the path.
std::string dialog_folder(const char *path, size_t fileOffset);

#ifdef _WIN32
int text_file_choose();
// The overwrite question, titled title, when path exists; true when the file may be written.
bool file_confirm_overwrite(const char *path, const char *title);
int text_file_confirm_overwrite();
int text_file_write();
#endif
