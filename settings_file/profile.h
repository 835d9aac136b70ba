// A profile (INI) file held in memory, read and written the way the platform's
// private-profile functions do, so the program behaves the same on every system.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

struct Profile {
    std::vector<std::string> lines; // without line ends; bytes passed through untouched
    bool finalLineEnd = true;       // whether the file ended with a line end
};

// The lines of a file's bytes: split at LF, a CR before the LF dropped.
void profile_parse(const std::string &bytes, Profile &profile);

// The bytes profile_save writes: every line followed by CR LF (the last one only when the file
// had a line end there or lines were added at its end).
std::string profile_bytes(const Profile &profile);

// Loads path; a missing or unreadable file (also one over profileSizeLimit) gives an empty
// profile and false.
bool profile_load(const char *path, Profile &profile);

// Value of section/key (names compared without regard to case, value without the blanks
// around it), cut to size - 1 bytes and terminated; returns its length, 0 when the section
// or key is missing or the value empty. size is 260 in the program.
size_t profile_get(const Profile &profile, const char *section, const char *key, char *out,
                   size_t size);

// Replaces the value of an existing entry, or adds the key at the end of its section, or the
// section at the end of the file. Every other line stays byte for byte.
void profile_set(Profile &profile, const char *section, const char *key, const char *value);

// Writes with CR LF line ends to a temporary file in the same folder, then moves it over path,
// so a failure never leaves a half-written file. Returns false on any failure.
bool profile_save(const char *path, const Profile &profile);

// Details profile_get and profile_set share: a section line is "[name]", anything after the
// bracket ignored; an entry is "key=value"; every other line (comments, lines without "=",
// entries before the first section) is kept but never matches. Names and values are taken
// without the blanks around them; names compare without regard to case for single-byte
// letters only. Of duplicate sections and keys the first is read and replaced; a new key goes
// after its section's last non-blank line. A written value ends at its first line break.

// A settings file is a few hundred bytes; one larger than this is not read at all (and so, being
// unreadable, never rewritten). Holds for FIFOs and devices too: they are read as streams.
constexpr size_t profileSizeLimit = size_t{1} << 20;

// profile_load that tells a missing file from one that exists but cannot be read, so a writer
// never replaces a file whose other sections it could not see. error, when given, receives the
// errno value of the cause (EFBIG for a file over profileSizeLimit).
enum class ProfileLoad { loaded, missing, unreadable };
ProfileLoad profile_open(const char *path, Profile &profile, int *error = nullptr);
