#include "core/files/file_read.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "core/files/large_block.h"

#ifdef _WIN32
#include <string>

#include "core/common/utf8.h"
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#else
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

// One read call asks for at most this much (Windows' _read takes an unsigned int).
constexpr size_t readChunk = size_t{1} << 30;

#ifdef _WIN32

int source_open(const char *path, bool &stream, uint64_t &size) {
    // The path is UTF-8: the wide functions open any name, the ANSI code page's or not.
    const std::u16string name = utf16_from_utf8(path);
    const std::wstring wide(name.begin(), name.end());
    // _wopen refuses a folder with EACCES, which would read as a permission problem.
    struct _stat64 st;
    if (_wstat64(wide.c_str(), &st) == 0 && (st.st_mode & _S_IFDIR) != 0) {
        errno = EISDIR;
        return -1;
    }
    const int fd = _wopen(wide.c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT);
    if (fd < 0)
        return -1;
    stream = _fstat64(fd, &st) != 0 || (st.st_mode & _S_IFREG) == 0 || st.st_size == 0;
    size = stream ? 0 : static_cast<uint64_t>(st.st_size);
    return fd;
}

long source_read(int fd, uint8_t *into, size_t size) {
    return _read(fd, into, static_cast<unsigned>(size));
}

void source_close(int fd) {
    _close(fd);
}

bool source_wait(int) {
    return false;
}

#else

int source_open(const char *path, bool &stream, uint64_t &size) {
    // Without O_NONBLOCK, opening a device may wait (for a modem's carrier, say).
    const int fd = open(path, O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0)
        return -1;
    struct stat st;
    const int error = fstat(fd, &st) != 0 ? errno : S_ISDIR(st.st_mode) ? EISDIR : 0;
    if (error != 0) {
        close(fd);
        errno = error;
        return -1;
    }
    // Opened without blocking, a FIFO whose writer has not come yet reads as ended. Wait until
    // a writer has written or come and gone: Linux reports the hang-up only once a writer was
    // there.
    if (S_ISFIFO(st.st_mode)) {
        pollfd ready{fd, POLLIN, 0};
        while (poll(&ready, 1, -1) < 0 && errno == EINTR) {
        }
    }
    // Files that tell no size (those in /proc) are read to their end like a stream.
    stream = !S_ISREG(st.st_mode) || st.st_size == 0;
    size = stream ? 0 : static_cast<uint64_t>(st.st_size);
    return fd;
}

long source_read(int fd, uint8_t *into, size_t size) {
    return read(fd, into, size);
}

void source_close(int fd) {
    close(fd);
}

// A stream opened without blocking has a writer but no data yet: wait as a blocking read would.
bool source_wait(int fd) {
    if (errno != EAGAIN && errno != EWOULDBLOCK)
        return false;
    pollfd ready{fd, POLLIN, 0};
    return poll(&ready, 1, -1) >= 0 || errno == EINTR;
}

#endif

} // namespace

bool file_source_open(const char *path, FileSource &source) {
    source = FileSource{};
    source.fd = source_open(path, source.stream, source.size);
    if (source.fd < 0) {
        source.error = errno;
        return false;
    }
    source.owned = true;
    return true;
}

FileSource file_source_stdin() {
    // Even a file on standard input is read as a stream: from where it stands to its end.
    FileSource source;
    source.fd = 0;
    source.stream = true;
    return source;
}

void file_source_close(FileSource &source) {
    if (source.owned && source.fd >= 0)
        source_close(source.fd);
    source.fd = -1;
    source.owned = false;
}

bool file_source_read(FileSource &source, uint8_t *into, size_t size, size_t &got) {
    got = 0;
    while (got < size) {
        const long n = source_read(source.fd, into + got, std::min(size - got, readChunk));
        if (n > 0) {
            got += static_cast<size_t>(n);
            source.taken += static_cast<uint64_t>(n);
            continue;
        }
        if (n == 0)
            break;
        if (errno == EINTR || source_wait(source.fd))
            continue;
        source.error = errno;
        return false;
    }
    return true;
}

FileBlock::~FileBlock() {
    large_block_free(bytes, capacity);
}

FileReadOutcome file_read_rest(FileSource &source, const uint8_t *head, size_t headSize,
                               size_t limit, FileBlock &block) {
    large_block_free(block.bytes, block.capacity);
    block.bytes = nullptr;
    block.size = block.capacity = 0;
    // A regular file takes a block of its length; it may shrink meanwhile, never grow into
    // more than that. A stream gets room for one byte past the limit, to tell it was too long.
    size_t capacity;
    bool tooLarge = false;
    if (source.stream) {
        capacity = limit + 1;
    } else {
        const uint64_t length = std::max<uint64_t>(source.size, headSize);
        tooLarge = length > limit;
        capacity = tooLarge ? limit : static_cast<size_t>(length);
    }
    headSize = std::min(headSize, capacity);
    if (capacity == 0)
        return FileReadOutcome::read;
    // Uninitialised: the reads fill it, and only what they filled is used.
    block.bytes = large_block_alloc(capacity);
    if (block.bytes == nullptr) {
        source.error = ENOMEM;
        return FileReadOutcome::failed;
    }
    block.capacity = capacity;
    if (headSize > 0)
        std::memcpy(block.bytes, head, headSize);
    size_t got = 0;
    const bool ok = file_source_read(source, block.bytes + headSize, capacity - headSize, got);
    block.size = headSize + got;
    if (!ok)
        return FileReadOutcome::failed;
    if (source.stream && block.size > limit) {
        block.size = limit;
        tooLarge = true;
    }
    return tooLarge ? FileReadOutcome::tooLarge : FileReadOutcome::read;
}

FileReadOutcome file_read_whole(const char *path, size_t limit, FileBlock &block, int &error) {
    FileSource source;
    error = 0;
    if (!file_source_open(path, source)) {
        error = source.error;
        return FileReadOutcome::failed;
    }
    const FileReadOutcome outcome = file_read_rest(source, nullptr, 0, limit, block);
    file_source_close(source);
    if (outcome == FileReadOutcome::failed)
        error = source.error;
    else if (outcome == FileReadOutcome::tooLarge)
        error = EFBIG;
    return outcome;
}

FileWindow::~FileWindow() {
    large_block_free(buffer, capacity);
}

void file_window_memory(FileWindow &window, const uint8_t *data, size_t size) {
    large_block_free(window.buffer, window.capacity);
    window.buffer = nullptr;
    window.capacity = 0;
    window.source = nullptr;
    window.start = 0;
    window.data = data;
    window.size = data != nullptr ? size : 0;
}

void file_window_source(FileWindow &window, FileSource &source, const uint8_t *head,
                        size_t headSize, uint64_t limit) {
    file_window_memory(window, nullptr, 0);
    window.source = &source;
    window.limit = limit;
    window.size = static_cast<size_t>(std::min<uint64_t>(headSize, limit));
    if (window.size > 0) {
        window.buffer = large_block_alloc(window.size);
        if (window.buffer == nullptr) {
            window.size = 0;
            return;
        }
        window.capacity = window.size;
        std::memcpy(window.buffer, head, window.size);
    }
    window.data = window.buffer;
}

const uint8_t *file_window_get(FileWindow &window, uint64_t at, size_t n) {
    if (at >= window.start && n <= window.size && at - window.start <= window.size - n)
        return window.data + (at - window.start);
    if (window.source == nullptr || at < window.start || at > window.limit ||
        n > window.limit - at)
        return nullptr;
    // Keep from at on, then read on in pieces large enough that a row costs no system call
    // (and one huge page holds).
    constexpr size_t piece = size_t{1} << 20;
    const size_t keepFrom = static_cast<size_t>(std::min<uint64_t>(at - window.start, window.size));
    const size_t kept = window.size - keepFrom;
    const size_t skip = static_cast<size_t>(at - window.start - keepFrom); // not yet read
    const size_t want = std::max(piece, skip + n);
    if (window.capacity < want) {
        uint8_t *larger = large_block_alloc(want);
        if (larger == nullptr) {
            window.source->error = ENOMEM; // not the end of the data
            return nullptr;
        }
        if (kept > 0)
            std::memcpy(larger, window.buffer + keepFrom, kept);
        large_block_free(window.buffer, window.capacity);
        window.buffer = larger;
        window.capacity = want;
    } else if (kept > 0) {
        std::memmove(window.buffer, window.buffer + keepFrom, kept);
    }
    window.start += keepFrom;
    const uint64_t room = window.limit - (window.start + kept);
    size_t got = 0;
    const bool ok = file_source_read(*window.source, window.buffer + kept,
                                     static_cast<size_t>(std::min<uint64_t>(want - kept, room)), got);
    window.data = window.buffer;
    window.size = kept + got;
    if (!ok || n > window.size || skip > window.size - n)
        return nullptr;
    return window.data + skip;
}

const uint8_t *file_window_rest(FileWindow &window, uint64_t at, size_t &n) {
    n = 0;
    if (window.source == nullptr) {
        if (at >= window.start + window.size || at < window.start)
            return nullptr;
        n = static_cast<size_t>(window.start + window.size - at);
        return window.data + (at - window.start);
    }
    // Ask for ever more, up to what the limit allows; what arrives before the end is the rest.
    if (at >= window.limit || file_window_get(window, at, 1) == nullptr)
        return nullptr;
    for (uint64_t ask = uint64_t{1} << 20;; ask *= 2) {
        const uint64_t most = window.limit - at;
        const uint8_t *all = file_window_get(window, at, static_cast<size_t>(std::min(ask, most)));
        if (all == nullptr)
            break;
        if (ask >= most) {
            n = static_cast<size_t>(most);
            return all;
        }
    }
    if (window.source->error != 0 || at < window.start || at >= window.start + window.size)
        return nullptr;
    n = static_cast<size_t>(window.start + window.size - at);
    return window.data + (at - window.start);
}
