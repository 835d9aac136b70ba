// Saving the editor pane's text to a file.
#pragma once
#include <cstddef>
#include <string>

// Portable: the folder holding the file a file dialog returned, from the path and the offset of
// the file name in it; the separator before the name is dropped except after a drive ("C:\").
// Empty when the offset does not point into the path.
std::string dialog_folder(const char *path, size_t fileOffset);

// Portable: what closing the window or clearing does with a text typed in the editor pane. Each
// call says the next step from what is known so far: a text not edited by hand since the last
// Convert, Clear or text save goes on without a word; an edited one asks first; Yes saves (as
// Save does), No goes on, Cancel stops; after the save, only a written file goes on.
enum class UnsavedAnswer { none, yes, no, cancel };
enum class UnsavedSave { notTried, written, notWritten };
enum class UnsavedStep { ask, save, proceed, stop };
UnsavedStep unsaved_text_step(bool edited, UnsavedAnswer answer, UnsavedSave save);

// Portable: the question's text from its pattern (the first "%s" stands for the name) and the
// name the question shows: the text file's name when it has one, else untitled.
std::string unsaved_text_question(const char *pattern, const char *name);
const char *unsaved_text_name(bool hasName, const char *path, const char *untitled);

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
