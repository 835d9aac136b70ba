#include "core/file_save.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <random>
#include <string>

#include "core/cp932.h"

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

bool fail(int *error, int code) {
    if (error != nullptr)
        *error = code;
    return false;
}

#ifndef _WIN32

// Tries before giving up: only a broken random source meets that many taken names.
constexpr int tempAttempts = 100;

std::string temp_name(const std::string &folder) {
    return folder + file_save_temp_name(fileSaveRandom());
}

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
bool save_direct(const char *path, const char *data, size_t size, int *error) {
    const int fd = open(path, O_WRONLY | O_APPEND | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
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

struct Target {
    TargetKind kind = TargetKind::missing;
    std::string path; // the file itself, every symbolic link followed
    struct stat st {};
};

bool in_proc(const std::string &path) {
#ifdef __linux__
    const std::string folder(path, 0, path_folder_length(path.c_str()));
    struct statfs fs;
    return statfs(folder.empty() ? "." : folder.c_str(), &fs) == 0 && fs.f_type == PROC_SUPER_MAGIC;
#else
    return path.compare(0, 6, "/proc/") == 0;
#endif
}

// Follows symbolic links by hand to the file's own name, where the temporary file must go.
bool target_find(const char *path, Target &target, int *error) {
    struct stat followed;
    const bool exists = stat(path, &followed) == 0;
    if (!exists && errno != ENOENT)
        return fail(error, errno);
    if (exists && S_ISDIR(followed.st_mode))
        return fail(error, EISDIR);
    target.path = path;
    if (exists && !S_ISREG(followed.st_mode)) {
        target.kind = TargetKind::direct;
        return true;
    }
    for (int links = 0;; ++links) {
        if (lstat(target.path.c_str(), &target.st) != 0) {
            if (errno != ENOENT)
                return fail(error, errno);
            target.kind = TargetKind::missing; // created, also where a dangling link points
            return true;
        }
        if (!S_ISLNK(target.st.st_mode))
            break;
        if (links == 40)
            return fail(error, ELOOP);
        // Links in /proc (/dev/stdout, /dev/fd/N) name another open file, not a place; the
        // folder's file system tells, whatever way the path took there.
        if (in_proc(target.path)) {
            target.path = path;
            target.kind = TargetKind::direct;
            return true;
        }
        std::string link(static_cast<size_t>(target.st.st_size) + 256, '\0');
        const ssize_t n = readlink(target.path.c_str(), &link[0], link.size());
        if (n < 0)
            return fail(error, errno);
        link.resize(static_cast<size_t>(n));
        target.path = link[0] == '/'
                          ? link
                          : target.path.substr(0, path_folder_length(target.path.c_str())) + link;
    }
    if (!S_ISREG(target.st.st_mode)) // changed since the stat above
        return fail(error, S_ISDIR(target.st.st_mode) ? EISDIR : EINVAL);
    target.kind = TargetKind::regular;
    return true;
}

// Root may write anything: a file without any write bit is still refused, as for everyone.
// A lock another program holds on it refuses it too.
bool target_writable(const Target &target, int *error) {
    if ((target.st.st_mode & 0222) == 0)
        return fail(error, EACCES);
    const int fd = open(target.path.c_str(), O_WRONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
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
void folder_sync(const std::string &folder) {
    const int fd = open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        fsync(fd);
        close(fd);
    }
}

bool save(const char *path, const char *data, size_t size, int *error) {
    Target target;
    if (!target_find(path, target, error))
        return false;
    if (target.kind == TargetKind::direct)
        return save_direct(path, data, size, error);
    const bool replacing = target.kind == TargetKind::regular;
    if (replacing && !target_writable(target, error))
        return false;

    const std::string folder(target.path, 0, path_folder_length(target.path.c_str()));
    std::string temp;
    int fd = -1;
    // O_EXCL creates the file or fails: never opens what someone prepared, nor follows a link.
    for (int attempt = 0; attempt < tempAttempts && fd < 0; ++attempt) {
        temp = temp_name(folder);
        fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
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
    if (ok && rename(temp.c_str(), target.path.c_str()) != 0) {
        ok = false;
        code = errno;
    }
    if (!ok) {
        unlink(temp.c_str());
        return fail(error, code);
    }
    folder_sync(folder);
    return true;
}

#endif

} // namespace

uint64_t (*fileSaveRandom)() = random_bits;

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

bool file_save_whole(const char *path, const char *data, size_t size, int *error) {
    if (path == nullptr || path[0] == '\0')
        return fail(error, ENOENT);
#ifdef _WIN32
    return file_save_windows(path, data, size, error);
#else
    return save(path, data, size, error);
#endif
}
