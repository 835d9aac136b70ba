// Saving a whole file so that a failure never destroys the one already there.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

// Writes data to path so that path holds either its old bytes or the new ones, whole, whatever
// happens meanwhile (a full disk, the process killed, another save at the same time: the last
// to finish wins).
// - The bytes go to a temporary file created exclusively beside the target under a random name,
//   never through anything already there, are flushed to the disk and moved over the target
//   in one step.
// - A symbolic link is followed: the file it names is replaced beside itself; the link stays.
// - A target that is not a regular file (a device, a FIFO, another process's open file reached
//   through /proc) is written where it stands, appended to; a FIFO without a reader fails at
//   once instead of waiting.
// - The new file keeps the old one's permission bits and, where the process may, its owner and
//   group (on Windows its hidden, system and archive attributes); a new file gets the usual mode.
// - A file with several hard links is replaced like any other: the name saved to gets the new
//   bytes, the other names keep the old ones whole.
// - A target that cannot be written (read-only, no write permission, locked, held open without
//   sharing on Windows, a folder) is refused, never replaced; so is a device's name on Windows
//   (ENODEV, see path_names_device).
// - A link another user planted in a sticky folder anyone may write to (/tmp) is not followed
//   (EACCES), as the kernel's protected links rule has it.
// False on any failure, with the errno value of the cause in *error when error is given.
// random: where the random part of temporary names comes from (tests plant files under the
// names a save will try); nullptr: file_save_random.
// On Windows it is the platform's half (file_save_windows.cpp): the same promises through the
// platform's own file functions.
using FileSaveRandom = uint64_t (*)();
bool file_save_whole(const char *path, const char *data, size_t size, int *error = nullptr,
                     FileSaveRandom random = nullptr);

// Paths are UTF-8 (on Windows any name, through the wide functions), where a separator byte is
// always a separator.

// Length of the folder part of path, its last separator included (0 when there is none).
size_t path_folder_length(const char *path);

// The folder a save to path writes into, every symbolic link followed as far as folders exist
// (for a dangling link into a missing folder, that folder), without its last separator: for the
// message when a save fails with ENOENT.
std::string file_save_folder(const char *path);

// Whether the last part of path is a name Windows keeps for a device: CON, PRN, AUX, COM1 to
// COM9 or LPT1 to LPT9, in any case, with any extension, trailing dots or spaces. A "file" of that
// name is the device. NUL is not among them: saving there discards the text, as asked.
bool path_names_device(const char *path);

// The random part of temporary file names, and the name (without folder) it gives; a name
// already taken is skipped, however it came there.
uint64_t file_save_random();
std::string file_save_temp_name(uint64_t bits);

