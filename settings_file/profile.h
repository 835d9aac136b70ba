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

// Loads path; a missing or unreadable file gives an empty profile and false.
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
