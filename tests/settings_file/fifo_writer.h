// A FIFO's writing end for tests of readers, and a way to see a reader wait for one (POSIX only).
#pragma once
#ifndef _WIN32
#include <atomic>
#include <cerrno>
#include <fstream>
#include <string>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/syscall.h>
#include <unistd.h>

// The writing end of a FIFO held by a thread: it opens the FIFO for writing, which returns only
// once a reader has it open, writes bytes (or zeros without end when endless) and closes. So no
// byte is ever written before a reader is there to keep it, and the reader sees the end of the
// data when the writer is done. A reader that leaves early ends the writing (EPIPE, no signal).
struct FifoWriter {
    std::string path;
    std::atomic<bool> stop{false};
    int wake[2] = {-1, -1}; // written by the destructor to end a write the reader no longer takes
    std::thread thread;

    FifoWriter(const std::string &fifo, std::string bytes, bool endless) : path(fifo) {
        if (pipe2(wake, O_CLOEXEC) != 0)
            wake[0] = wake[1] = -1;
        thread = std::thread([this, bytes, endless] {
            sigset_t pipeSignal;
            sigemptyset(&pipeSignal);
            sigaddset(&pipeSignal, SIGPIPE);
            pthread_sigmask(SIG_BLOCK, &pipeSignal, nullptr); // pending on this thread, gone with it
            int fd;
            do
                fd = open(path.c_str(), O_WRONLY | O_CLOEXEC);
            while (fd < 0 && errno == EINTR);
            if (fd < 0)
                return;
            fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
            const std::string zeros(65536, '\0');
            size_t done = 0;
            while (!stop && (endless || done < bytes.size())) {
                const std::string &from = endless ? zeros : bytes;
                const size_t offset = endless ? 0 : done;
                const ssize_t n = write(fd, from.data() + offset, from.size() - offset);
                if (n > 0) {
                    done += static_cast<size_t>(n);
                } else if (n < 0 && (errno == EAGAIN || errno == EINTR)) {
                    pollfd ready[2] = {{fd, POLLOUT, 0}, {wake[0], POLLIN, 0}};
                    poll(ready, wake[0] >= 0 ? 2 : 1, -1);
                } else {
                    break; // the reader left
                }
            }
            close(fd);
        });
    }
    ~FifoWriter() {
        stop = true;
        if (wake[1] >= 0)
            (void)write(wake[1], "", 1);
        // A writer still waiting for a reader is let go by one that takes nothing.
        const int reader = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        thread.join();
        if (reader >= 0)
            close(reader);
        for (int fd : wake)
            if (fd >= 0)
                close(fd);
    }
};

// The kernel thread id of the calling thread, for reader_waiting.
inline pid_t current_task() {
    return static_cast<pid_t>(syscall(SYS_gettid));
}

// True while the task (a thread of this process, or a child) is blocked opening, polling or
// reading: a reader started first is seen waiting before any writer comes.
inline bool reader_waiting(pid_t task) {
    std::ifstream in("/proc/" + std::to_string(task) + "/syscall");
    if (!in)
        return true; // no way to see it here: the order is then left to chance
    long number = -1;
    if (!(in >> number))
        return false; // "running"
    const long waits[] = {SYS_openat, SYS_ppoll, SYS_read,
#ifdef SYS_poll
                          SYS_open, SYS_poll,
#endif
    };
    for (long call : waits)
        if (number == call)
            return true;
    return false;
}

// Runs read (which opens the FIFO and reads it) on a thread of its own and writes bytes to the
// FIFO only once that reader is seen waiting: the reader always comes first. False when the
// reader returned before any writer came.
template <class Read>
bool read_before_writer(const std::string &fifo, const std::string &bytes, Read read) {
    std::atomic<pid_t> task{0};
    std::atomic<bool> done{false};
    std::thread reader([&] {
        task = current_task();
        read();
        done = true;
    });
    while (!done && !(task != 0 && reader_waiting(task)))
        std::this_thread::yield();
    const bool waited = !done;
    {
        FifoWriter writer(fifo, bytes, false);
        reader.join();
    }
    return waited;
}

#endif
