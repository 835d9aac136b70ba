// A FIFO's writing end for tests of readers that must never wait on it (POSIX only).
#pragma once
#ifndef _WIN32
#include <atomic>
#include <string>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

// The writing end of a FIFO held by a thread: it writes bytes (or zeros without end when
// endless) and closes. Its pipe holds one page, so a write that returns proves a reader came.
struct FifoWriter {
    int fd = -1;
    std::atomic<bool> stop{false};
    std::thread thread;

    FifoWriter(const std::string &path, std::string bytes, bool endless) {
        fd = open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC); // never waits, unlike O_WRONLY
        fcntl(fd, F_SETPIPE_SZ, 4096);
        thread = std::thread([this, bytes, endless] {
            const std::string zeros(4096, '\0');
            size_t done = 0;
            while (!stop && (endless || done < bytes.size())) {
                const std::string &from = endless ? zeros : bytes;
                const size_t offset = endless ? 0 : done;
                const ssize_t n = write(fd, from.data() + offset, from.size() - offset);
                if (n > 0) {
                    done += static_cast<size_t>(n);
                } else {
                    pollfd ready{fd, POLLOUT, 0};
                    poll(&ready, 1, 10);
                }
            }
            close(fd);
        });
    }
    ~FifoWriter() {
        stop = true;
        thread.join();
    }
};

#endif
