// Saving the editor pane's text to a file.
#pragma once
#include <cstddef>
#include <string>

// Portable: the folder holding the file a file dialog returned, from the path and the offset of
// the file name in it; the separator before the name is dropped except after a drive ("C:\").
// Empty when the offset does not point into the path.
std::string dialog_folder(const char *path, size_t fileOffset);

#ifdef _WIN32
// The save dialog, titled title, offering filters (two pairs: a Japanese label, its pattern),
// the document's title as the name; defaultExt (nullptr: none) is added to a name without one.
// On confirming: path (UTF-8), the chosen filter (1 or 2), and settings.saveDir the path's
// folder. False when cancelled.
bool file_save_choose(const char *const (&filters)[4], const char *title, const wchar_t *defaultExt,
                      std::string &path, unsigned &filterIndex);
int text_file_choose();
// The overwrite question, titled title (given in Japanese), when path (UTF-8) exists; true when
// the file may be written.
bool file_confirm_overwrite(const char *path, const char *title);
int text_file_confirm_overwrite();

// The text in code page 932 when every character has a code there (no look-alikes); false
// otherwise.
bool text_cp932(const std::wstring &text, std::string &cp932);

// Writes the editor's text to textPath: in code page 932 as always when every character has a
// code there; otherwise the user is asked first, and Yes writes UTF-8 with a byte order mark,
// No writes nothing (no character is ever dropped). A failed write is told.
enum class TextWrite { written, declined, failed };
TextWrite text_file_write();
#endif
