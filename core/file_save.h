// Saving a whole file so that a failure never destroys the one already there.
#pragma once
#include <cstddef>

// Writes data to a temporary file beside path, flushes it to the disk and moves it over path.
// A path that exists but cannot be written (read-only, locked, a folder) is left alone, since a
// rename would get past its protection. False on any failure; path then holds what it held.
bool file_save_whole(const char *path, const char *data, size_t size);
