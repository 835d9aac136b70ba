#include "core/files/file_save.h"

#include <atomic>
#include <cctype>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <random>
#include <string>

#include "core/files/file_save_parts.h"

#ifndef _WIN32
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>
#ifdef __linux__
#include <linux/magic.h>
#include <sys/statfs.h>
#endif
#endif

using file_save_parts::fail;
using file_save_parts::temp_name;
using file_save_parts::tempAttempts;

namespace {

uint64_t random_bits() {
    try {
        std::random_device device;
        return uint64_t{device()} << 32 ^ device();
    } catch (...) {
        // Without a random device the names are only less unpredictable; O_EXCL / CREATE_NEW
        // still keeps every save to a file of its own.
        static std::atomic<uint64_t> counter{0};
        return uint64_t(std::chrono::steady_clock::now().time_since_epoch().count()) ^
               ++counter * 0x9E3779B97F4A7C15u;
    }
}

#ifndef _WIN32

bool fd_write(int fd, const char *data, size_t size) {
    while (size > 0) {
        const ssize_t n = write(fd, data, size);
        if (n > 0) {
            data += n;
            size -= static_cast<size_t>(n);
        } else if (n < 0 && errno == EAGAIN) {
            pollfd ready{fd, POLLOUT, 0};
            poll(&ready, 1, -1);
        } else if (n == 0 || errno != EINTR) {
            if (n == 0)
                errno = EIO;
            return false;
        }
    }
    return true;
}

// A device or FIFO, written where it stands. Opening without blocking makes a FIFO without a
// reader fail with ENXIO instead of waiting; a reader that goes away gives EPIPE, not SIGPIPE.
// A link in /proc is followed by the kernel to the open file it stands for.
bool save_direct(int folder, const char *name, const char *data, size_t size, int *error) {
    const int fd = openat(folder, name, O_WRONLY | O_APPEND | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return fail(error, errno);
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    sigset_t pipeSignal, before, pending;
    sigemptyset(&pipeSignal);
    sigaddset(&pipeSignal, SIGPIPE);
    pthread_sigmask(SIG_BLOCK, &pipeSignal, &before);
    sigpending(&pending);
    const bool alreadyPending = sigismember(&pending, SIGPIPE) == 1;
    bool ok = fd_write(fd, data, size);
    int code = errno;
    if (!ok && code == EPIPE && !alreadyPending) {
        const timespec now{0, 0};
        sigtimedwait(&pipeSignal, nullptr, &now);
    }
    pthread_sigmask(SIG_SETMASK, &before, nullptr);
    if (close(fd) != 0 && ok) {
        ok = false;
        code = errno;
    }
    return ok || fail(error, code);
}

enum class TargetKind { missing, regular, direct };

// Where a save goes: the folder is held open from the first step on, so every later one (the
// checks, the temporary file, the rename) happens in the folder examined, whatever names are
// swapped meanwhile.
struct Target {
    TargetKind kind = TargetKind::missing;
    int folder = -1;        // O_PATH descriptor
    std::string folderPath; // as reached (empty: the current folder), with its last separator
    std::string name;       // the file's own name in it, every symbolic link followed
    struct stat st {};

    Target() = default;
    Target(const Target &) = delete;
    Target &operator=(const Target &) = delete;
    ~Target() {
        if (folder >= 0)
            close(folder);
    }
};

bool in_proc(const Target &target) {
#ifdef __linux__
    struct statfs fs;
    return fstatfs(target.folder, &fs) == 0 && fs.f_type == PROC_SUPER_MAGIC;
#else
    return target.folderPath.compare(0, 6, "/proc/") == 0;
#endif
}

// The kernel's rule for protected symbolic links, kept here since this walk follows links
// itself: in a sticky folder anyone may write to, only a link of one's own or of the folder's
// owner is followed. Without it, a link planted in /tmp would lead the save anywhere.
bool link_may_follow(const Target &target) {
    struct stat folder;
    if (fstat(target.folder, &folder) != 0)
        return false;
    if ((folder.st_mode & (S_ISVTX | S_IWOTH)) != (S_ISVTX | S_IWOTH))
        return true;
    return target.st.st_uid == geteuid() || target.st.st_uid == folder.st_uid;
}

// The text of the link node is open on. A text that fills the buffer may have been cut short:
// then it is read again into a larger one.
bool link_read(int node, size_t sizeHint, std::string &text) {
    for (size_t size = sizeHint + 256; size <= (size_t{1} << 20); size *= 2) {
        text.assign(size, '\0');
        const ssize_t n = readlinkat(node, "", &text[0], size);
        if (n < 0)
            return false;
        if (static_cast<size_t>(n) < size) {
            text.resize(static_cast<size_t>(n));
            return true;
        }
    }
    errno = ENAMETOOLONG;
    return false;
}

// Follows symbolic links one by one from the folder of path to the file's own name, where the
// temporary file must go. Every step opens relative to the folder held and never follows the
// last name (O_NOFOLLOW): a link is read through the very node whose owner was checked. On a
// missing folder, folderPath names it.
bool target_find(const char *path, Target &target, int *error) {
    std::string rest = path; // what is left to follow, relative to the folder held
    for (int links = 0;; ++links) {
        const size_t split = path_folder_length(rest.c_str());
        const bool absolute = rest[0] == '/';
        target.name = rest.substr(split);
        if (split > 0 || target.folder < 0) {
            const std::string folderPath =
                absolute ? rest.substr(0, split) : target.folderPath + rest.substr(0, split);
            const int from = absolute || target.folder < 0 ? AT_FDCWD : target.folder;
            const int folder = openat(from, split > 0 ? rest.substr(0, split).c_str() : ".",
                                      O_PATH | O_DIRECTORY | O_CLOEXEC);
            target.folderPath = folderPath;
            if (folder < 0)
                return fail(error, errno);
            if (target.folder >= 0)
                close(target.folder);
            target.folder = folder;
        }
        if (target.name.empty())
            return fail(error, EISDIR); // the path names a folder
        const int node = openat(target.folder, target.name.c_str(), O_PATH | O_NOFOLLOW | O_CLOEXEC);
        if (node < 0) {
            if (errno != ENOENT)
                return fail(error, errno);
            target.kind = TargetKind::missing; // created, also where a dangling link points
            return true;
        }
        const bool statted = fstat(node, &target.st) == 0;
        int code = statted ? 0 : errno;
        if (statted && S_ISLNK(target.st.st_mode)) {
            // Links in /proc (/dev/stdout, /dev/fd/N) name another open file, not a place.
            if (in_proc(target)) {
                close(node);
                target.kind = TargetKind::direct;
                return true;
            }
            code = links == 40 ? ELOOP : !link_may_follow(target) ? EACCES : 0;
            if (code == 0 && !link_read(node, static_cast<size_t>(target.st.st_size), rest))
                code = errno;
            if (code == 0 && rest.empty())
                code = ENOENT;
        }
        close(node);
        if (!statted || code != 0)
            return fail(error, code);
        if (!S_ISLNK(target.st.st_mode))
            break;
    }
    if (S_ISDIR(target.st.st_mode))
        return fail(error, EISDIR);
    target.kind = S_ISREG(target.st.st_mode) ? TargetKind::regular : TargetKind::direct;
    return true;
}

// Root may write anything: a file without any write bit is still refused, as for everyone.
// A lock another program holds on it refuses it too.
bool target_writable(const Target &target, int *error) {
    if ((target.st.st_mode & 0222) == 0)
        return fail(error, EACCES);
    const int fd = openat(target.folder, target.name.c_str(),
                          O_WRONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0)
        return fail(error, errno);
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
#ifdef F_OFD_GETLK
    const int query = F_OFD_GETLK; // also sees locks this process holds through other handles
#else
    const int query = F_GETLK;
#endif
    const bool locked = fcntl(fd, query, &lock) == 0 && lock.l_type != F_UNLCK;
    close(fd);
    return !locked || fail(error, EBUSY);
}

// The old file's mode, owner and group, where the process may set them; the mode last, since
// a change of owner clears the set-user-id bits.
void attributes_copy(int fd, const struct stat &old) {
    struct stat now;
    if (fstat(fd, &now) == 0 && (now.st_uid != old.st_uid || now.st_gid != old.st_gid))
        if (fchown(fd, old.st_uid, old.st_gid) != 0 && now.st_gid != old.st_gid)
            (void)fchown(fd, static_cast<uid_t>(-1), old.st_gid);
    // A file system without modes (FAT) refuses this; the text is saved all the same, private.
    (void)fchmod(fd, old.st_mode & 07777);
}

// Makes the rename itself survive a power cut.
void folder_sync(int folder) {
    const int fd = openat(folder, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        fsync(fd);
        close(fd);
    }
}

bool save(const char *path, const char *data, size_t size, int *error, FileSaveRandom random) {
    Target target;
    if (!target_find(path, target, error))
        return false;
    if (target.kind == TargetKind::direct)
        return save_direct(target.folder, target.name.c_str(), data, size, error);
    const bool replacing = target.kind == TargetKind::regular;
    if (replacing && !target_writable(target, error))
        return false;

    std::string temp;
    int fd = -1;
    // O_EXCL creates the file or fails: never opens what someone prepared, nor follows a link.
    for (int attempt = 0; attempt < tempAttempts && fd < 0; ++attempt) {
        temp = temp_name("", random);
        fd = openat(target.folder, temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                    replacing ? 0600 : 0666);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0)
        return fail(error, errno);
    bool ok = fd_write(fd, data, size);
    if (ok && replacing)
        attributes_copy(fd, target.st);
    ok = ok && (fsync(fd) == 0 || errno == EINVAL); // EINVAL: nothing there to flush
    int code = errno;
    if (close(fd) != 0 && ok) {
        ok = false;
        code = errno;
    }
    if (ok && renameat(target.folder, temp.c_str(), target.folder, target.name.c_str()) != 0) {
        ok = false;
        code = errno;
    }
    if (!ok) {
        unlinkat(target.folder, temp.c_str(), 0);
        return fail(error, code);
    }
    folder_sync(target.folder);
    return true;
}

#endif

} // namespace

uint64_t file_save_random() {
    return random_bits();
}

// "~vkd" and ten base-32 digits: short, so a target near the path limit still has room.
std::string file_save_temp_name(uint64_t bits) {
    const char digits[] = "0123456789abcdefghijklmnopqrstuv";
    std::string name = "~vkd";
    for (int i = 0; i < 10; ++i, bits >>= 5)
        name += digits[bits & 31];
    return name + ".tmp";
}

size_t path_folder_length(const char *path) {
    size_t folder = 0;
    for (size_t i = 0; path[i] != '\0'; ++i) {
        const char c = path[i];
#ifdef _WIN32
        if (c == '\\' || c == ':')
            folder = i + 1;
#endif
        if (c == '/')
            folder = i + 1;
    }
    return folder;
}

std::string file_save_folder(const char *path) {
#ifdef _WIN32
    std::string folder(path, path_folder_length(path));
#else
    Target target;
    target_find(path, target, nullptr);
    std::string folder = target.folderPath;
#endif
    if (folder.size() > 1)
        folder.pop_back();
    return folder;
}

bool path_names_device(const char *path) {
    // The last part begins after the last separator (never a byte of a longer UTF-8 sequence)
    // or a drive.
    size_t start = std::isalpha(static_cast<unsigned char>(path[0])) && path[1] == ':' ? 2 : 0;
    for (size_t i = start; path[i] != '\0'; ++i)
        if (path[i] == '/' || path[i] == '\\')
            start = i + 1;
    // Windows reads the name up to its first dot (or a colon, "COM1:"), without trailing spaces.
    size_t end = start;
    while (path[end] != '\0' && path[end] != '.' && path[end] != ':')
        ++end;
    while (end > start && path[end - 1] == ' ')
        --end;
    std::string name(path + start, end - start);
    for (char &c : name)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (name == "CON" || name == "PRN" || name == "AUX")
        return true;
    return name.size() == 4 && (name.compare(0, 3, "COM") == 0 || name.compare(0, 3, "LPT") == 0) &&
           name[3] >= '1' && name[3] <= '9';
}

#ifndef _WIN32
// On Windows the platform's half defines it.
bool file_save_whole(const char *path, const char *data, size_t size, int *error,
                     FileSaveRandom random) {
    if (path == nullptr || path[0] == '\0')
        return fail(error, ENOENT);
    return save(path, data, size, error, random);
}
#endif
