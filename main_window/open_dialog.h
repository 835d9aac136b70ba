// The Open dialog: its file types, the last one chosen chosen again, and the file confirmed.
#pragma once
#include <string>

// Pure: the file types as the dialog takes them, each label (in the interface's language) and
// its patterns ended by a zero, the list by one more: pictures (BMP, PNG, JPEG, GIF, WebP, HEIC,
// HEIF, AVIF), bitmaps, every file.
std::string open_dialog_filter();

// The file type the dialog shows first, counted from 1 as the dialog counts: 1 (pictures) at
// start, then the one the last confirmed Open ended on.
extern int openFilterIndex;

#ifdef _WIN32
// Runs the dialog; non-zero when a file was confirmed (bitmapPath, openDir, docTitle set).
int bitmap_choose();
#endif
