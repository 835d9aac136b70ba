#include "core/file_save.h"

#include <cstdio>
#include <string>

#include "core/cp932.h"

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace {

// Length of the folder part of path, its last separator included (0 when there is none).
// In CP932 the trail byte of a two-byte character can be 0x5C, so on Windows lead bytes
// carry their trail byte past the separator test; elsewhere paths are plain bytes.
size_t folder_length(const char *path) {
    size_t folder = 0;
    for (size_t i = 0; path[i] != '\0'; ++i) {
        unsigned char c = static_cast<unsigned char>(path[i]);
#ifdef _WIN32
        if (cp932_lead(c) && path[i + 1] != '\0') {
            ++i;
            continue;
        }
        if (c == '\\' || c == ':')
            folder = i + 1;
#endif
        if (c == '/')
            folder = i + 1;
    }
    return folder;
}

bool file_exists(const std::string &path) {
    FILE *f = std::fopen(path.c_str(), "rb");
    if (f == nullptr)
        return false;
    std::fclose(f);
    return true;
}

// A short name not yet taken in the folder of path; empty when none is free.
std::string sibling_name(const char *path, const char *extension) {
    std::string folder(path, folder_length(path));
    for (int n = 0; n < 1000; ++n) {
        char name[32];
        std::snprintf(name, sizeof name, "~vkd%03d.%s", n, extension);
        std::string candidate = folder + name;
        if (!file_exists(candidate))
            return candidate;
    }
    return std::string();
}

// Without reaching the disk before the rename, a power cut could leave an empty file behind.
bool disk_flush(FILE *f) {
#ifdef _WIN32
    return _commit(_fileno(f)) == 0;
#else
    return fsync(fileno(f)) == 0;
#endif
}

bool write_whole(const std::string &path, const char *data, size_t size) {
    FILE *f = std::fopen(path.c_str(), "wb");
    if (f == nullptr)
        return false;
    bool ok = size == 0 || std::fwrite(data, 1, size, f) == size;
    ok = ok && std::fflush(f) == 0 && disk_flush(f);
    ok = std::fclose(f) == 0 && ok;
    return ok;
}

// Moves temp over path. Where rename refuses to replace an existing file (Windows), the old
// file steps aside under a backup name first and comes back if the move fails.
bool replace_with(const std::string &temp, const char *path) {
    if (std::rename(temp.c_str(), path) == 0)
        return true;
    if (!file_exists(path))
        return false;
    std::string backup = sibling_name(path, "bak");
    if (backup.empty() || std::rename(path, backup.c_str()) != 0)
        return false;
    if (std::rename(temp.c_str(), path) != 0) {
        std::rename(backup.c_str(), path);
        return false;
    }
    std::remove(backup.c_str());
    return true;
}

} // namespace

bool file_save_whole(const char *path, const char *data, size_t size) {
    if (path == nullptr || path[0] == '\0')
        return false;
    if (file_exists(path)) {
        FILE *f = std::fopen(path, "r+b");
        if (f == nullptr)
            return false;
        std::fclose(f);
    }
    std::string temp = sibling_name(path, "tmp");
    if (temp.empty())
        return false;
    if (!write_whole(temp, data, size) || !replace_with(temp, path)) {
        std::remove(temp.c_str());
        return false;
    }
    return true;
}
