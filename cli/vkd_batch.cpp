#include "cli/vkd_batch.h"

#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <map>
#include <mutex>
#include <thread>

#include "cli/vkd_names.h"
#include "cli/vkd_terminal.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

#ifdef _WIN32
using Channel = HANDLE;
#else
using Channel = int;
#endif

// Pictures a worker holds at once: the next one is there when it finishes one.
constexpr size_t workerDepth = 2;

struct FrameHead {
    uint32_t place;
    uint32_t refused;
    uint64_t outSize;
    uint64_t messagesSize;
};

bool channel_write(Channel to, const void *bytes, size_t size) {
    const char *data = static_cast<const char *>(bytes);
    while (size > 0) {
#ifdef _WIN32
        DWORD wrote = 0;
        const DWORD chunk = DWORD(std::min<size_t>(size, 1u << 30));
        if (!WriteFile(to, data, chunk, &wrote, nullptr) || wrote == 0)
            return false;
#else
        const ssize_t wrote = write(to, data, size);
        if (wrote < 0 && errno == EINTR)
            continue;
        if (wrote <= 0)
            return false;
#endif
        data += wrote;
        size -= size_t(wrote);
    }
    return true;
}

// Exactly size bytes; false when the channel ends first.
bool channel_read(Channel from, void *bytes, size_t size) {
    char *into = static_cast<char *>(bytes);
    while (size > 0) {
#ifdef _WIN32
        DWORD got = 0;
        const DWORD chunk = DWORD(std::min<size_t>(size, 1u << 30));
        if (!ReadFile(from, into, chunk, &got, nullptr) || got == 0)
            return false;
#else
        const ssize_t got = read(from, into, size);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return false;
#endif
        into += got;
        size -= size_t(got);
    }
    return true;
}

void channel_close(Channel channel) {
#ifdef _WIN32
    CloseHandle(channel);
#else
    close(channel);
#endif
}

// A picture's place to a worker. One that has ended is no reason to end too: on Linux the jobs
// go over a socket, which can say so without the signal a pipe would raise.
bool job_send(Channel to, uint32_t place) {
#ifdef _WIN32
    return channel_write(to, &place, sizeof place);
#else
    ssize_t sent;
    while ((sent = send(to, &place, sizeof place, MSG_NOSIGNAL)) < 0 && errno == EINTR) {
    }
    return sent == ssize_t(sizeof place);
#endif
}

bool frame_write(Channel to, uint32_t place, const PictureResult &result) {
    const FrameHead head{place, result.refused ? 1u : 0u, result.out.size(),
                         result.messages.size()};
    return channel_write(to, &head, sizeof head) &&
           channel_write(to, result.out.data(), result.out.size()) &&
           channel_write(to, result.messages.data(), result.messages.size());
}

bool frame_read(Channel from, uint32_t &place, PictureResult &result) {
    FrameHead head{};
    if (!channel_read(from, &head, sizeof head))
        return false;
    place = head.place;
    result.refused = head.refused != 0;
    result.out.resize(head.outSize);
    result.messages.resize(head.messagesSize);
    return channel_read(from, &result.out[0], result.out.size()) &&
           channel_read(from, &result.messages[0], result.messages.size());
}

// The worker's loop, wherever it runs: until the first process closes the jobs.
bool worker_serve(const PicturePlan &plan, const std::vector<std::string> &inputs, Channel jobs,
                  Channel results) {
    uint32_t place = 0;
    while (channel_read(jobs, &place, sizeof place)) {
        if (place >= inputs.size())
            return false;
        PictureResult result;
        picture_convert(plan, inputs[place], result);
        if (!frame_write(results, place, result))
            return false; // the first process is gone or gave up on standard output
    }
    return true;
}

struct Worker {
    Channel jobs, results; // the first process's ends
#ifdef _WIN32
    HANDLE process;
#else
    pid_t process;
#endif
};

#ifdef _WIN32

// A copy of handle that the next process started inherits; nullptr when there is none.
HANDLE inheritable(HANDLE handle) {
    HANDLE copy = nullptr;
    const HANDLE self = GetCurrentProcess();
    if (handle == nullptr || handle == INVALID_HANDLE_VALUE ||
        !DuplicateHandle(self, handle, self, &copy, 0, TRUE, DUPLICATE_SAME_ACCESS))
        return nullptr;
    return copy;
}

// The program again, with the same command line. Only the handles given to it are inheritable,
// and only while it starts: a worker must not hold another's pipe, or that one never ends.
bool worker_start(const PicturePlan &plan, const std::vector<std::string> &,
                  const std::vector<Worker> &, Worker &worker) {
    HANDLE jobsRead = nullptr, jobsWrite = nullptr, resultsRead = nullptr,
           resultsWrite = nullptr;
    if (!CreatePipe(&jobsRead, &jobsWrite, nullptr, 0))
        return false;
    if (!CreatePipe(&resultsRead, &resultsWrite, nullptr, 1 << 20)) {
        CloseHandle(jobsRead);
        CloseHandle(jobsWrite);
        return false;
    }
    HANDLE given[] = {inheritable(jobsRead), inheritable(resultsWrite),
                      inheritable(GetStdHandle(STD_INPUT_HANDLE)),
                      inheritable(GetStdHandle(STD_ERROR_HANDLE))};
    CloseHandle(jobsRead);
    CloseHandle(resultsWrite);
    wchar_t self[32768];
    const DWORD length = GetModuleFileNameW(nullptr, self, 32768);
    STARTUPINFOW start{};
    start.cb = sizeof start;
    start.dwFlags = STARTF_USESTDHANDLES;
    start.hStdInput = given[2];
    start.hStdOutput = given[3]; // nothing is written there: frames go to the results pipe
    start.hStdError = given[3];
    const std::wstring place = std::to_wstring(uintptr_t(given[0])) + L" " +
                               std::to_wstring(uintptr_t(given[1])) + L" " +
                               std::to_wstring(plan.terminalColumns);
    SetEnvironmentVariableW(L"VKD_WORKER", place.c_str());
    std::wstring commandLine = GetCommandLineW();
    PROCESS_INFORMATION started{};
    const bool ok = length > 0 && length < 32768 && given[0] != nullptr && given[1] != nullptr &&
                    CreateProcessW(self, &commandLine[0], nullptr, nullptr, TRUE, 0, nullptr,
                                   nullptr, &start, &started);
    SetEnvironmentVariableW(L"VKD_WORKER", nullptr);
    for (HANDLE h : given)
        if (h != nullptr)
            CloseHandle(h);
    if (!ok) {
        CloseHandle(jobsWrite);
        CloseHandle(resultsRead);
        return false;
    }
    CloseHandle(started.hThread);
    worker = {jobsWrite, resultsRead, started.hProcess};
    return true;
}

void worker_wait(Worker &worker) {
    WaitForSingleObject(worker.process, INFINITE);
    CloseHandle(worker.process);
}

#else

// A fork: it has the plan and the pictures already.
bool worker_start(const PicturePlan &plan, const std::vector<std::string> &inputs,
                  const std::vector<Worker> &earlier, Worker &worker) {
    int jobs[2], results[2];
    if (socketpair(AF_UNIX, SOCK_STREAM, 0, jobs) != 0)
        return false;
    if (pipe(results) != 0) {
        close(jobs[0]);
        close(jobs[1]);
        return false;
    }
    std::fflush(stdout);
    std::fflush(stderr);
    const pid_t pid = fork();
    if (pid == 0) {
        close(jobs[1]);
        close(results[0]);
        for (const Worker &other : earlier) { // or the other would never see its jobs end
            close(other.jobs);
            close(other.results);
        }
        // Not exit: the buffers and handlers are the first process's.
        _exit(worker_serve(plan, inputs, jobs[0], results[1]) ? 0 : 1);
    }
    close(jobs[0]);
    close(results[1]);
    if (pid < 0) {
        close(jobs[1]);
        close(results[0]);
        return false;
    }
    worker = {jobs[1], results[0], pid};
    return true;
}

void worker_wait(Worker &worker) {
    int status = 0;
    while (waitpid(worker.process, &status, 0) < 0 && errno == EINTR) {
    }
}

#endif

// What the threads reading the workers hand to the first process's own.
struct Finished {
    size_t worker;
    bool ended; // the worker's results ended: no place, no result
    uint32_t place;
    PictureResult result;
};

struct Inbox {
    std::mutex lock;
    std::condition_variable arrived;
    std::deque<Finished> items;

    void put(Finished item) {
        {
            std::lock_guard<std::mutex> hold(lock);
            items.push_back(std::move(item));
        }
        arrived.notify_one();
    }
    std::deque<Finished> take() {
        std::unique_lock<std::mutex> hold(lock);
        arrived.wait(hold, [this] { return !items.empty(); });
        std::deque<Finished> taken;
        taken.swap(items);
        return taken;
    }
};

// "vkd: 12 of 200 pictures" on standard error, kept as its last line while output goes on.
struct Progress {
    bool shown = false;
    size_t width = 0;
    void clear() {
        if (!shown)
            return;
        terminal_write(stderr, "\r" + std::string(width, ' ') + "\r");
        std::fflush(stderr);
        shown = false;
    }
    void show(size_t done, size_t count) {
        const std::string line =
            "vkd: " + std::to_string(done) + " of " + std::to_string(count) + " pictures";
        width = line.size();
        terminal_write(stderr, "\r" + line);
        std::fflush(stderr);
        shown = true;
    }
};

// Writes the pictures' results in order as they become due.
struct Writer {
    const PicturePlan &plan;
    const std::vector<std::string> &inputs;
    bool progressShown;
    Progress progress;
    bool anyRefused = false, headerWritten = false, failed = false;
    size_t next = 0;

    // False when standard output failed: nothing more is written.
    bool write(const PictureResult &result) {
        const std::string lineEnd = plan.lineEnd == LineEnd::lf ? "\n" : "\r\n";
        progress.clear();
        anyRefused |= result.refused;
        if (!result.messages.empty()) {
            terminal_write(stderr, result.messages);
            std::fflush(stderr);
        }
        if (!result.refused && inputs.size() > 1 && !plan.output) {
            terminal_write(stdout, std::string(headerWritten ? lineEnd : "") + "==> " +
                                       terminal_shown(picture_name(inputs[next])) + " <==" + lineEnd);
            headerWritten = true;
        }
        std::fwrite(result.out.data(), 1, result.out.size(), stdout);
        if (std::fflush(stdout) != 0 || std::ferror(stdout)) {
            terminal_write(stderr,
                           message_line("standard output", "cannot write", reason_of(errno)));
            failed = true;
            return false;
        }
        ++next;
        if (progressShown && next < inputs.size())
            progress.show(next, inputs.size());
        return true;
    }
};

PictureResult ended_early(const std::string &input) {
    PictureResult result;
    result.refused = true;
    result.messages =
        message_line(picture_name(input), "not converted: its worker process ended early");
    return result;
}

// The pictures on the workers: each holds up to workerDepth of them; a frame back frees a
// place for the next picture; results wait until every earlier one is written.
void workers_run(std::vector<Worker> &workers, const std::vector<std::string> &inputs,
                 Writer &writer) {
    Inbox inbox;
    std::vector<std::thread> readers;
    for (size_t w = 0; w < workers.size(); ++w)
        readers.emplace_back([&inbox, w, channel = workers[w].results] {
            for (;;) {
                Finished item{w, false, 0, {}};
                if (!frame_read(channel, item.place, item.result)) {
                    inbox.put({w, true, 0, {}});
                    return;
                }
                inbox.put(std::move(item));
            }
        });

    std::vector<std::vector<uint32_t>> held(workers.size());
    std::vector<bool> alive(workers.size(), true);
    std::map<size_t, PictureResult> due;
    size_t nextJob = 0;
    auto feed = [&](size_t w) {
        while (alive[w] && held[w].size() < workerDepth && nextJob < inputs.size()) {
            const uint32_t place = uint32_t(nextJob);
            if (!job_send(workers[w].jobs, place))
                return; // it ended: its reader says so
            held[w].push_back(place);
            ++nextJob;
        }
    };
    for (size_t w = 0; w < workers.size(); ++w)
        feed(w);
    while (writer.next < inputs.size() && !writer.failed) {
        for (Finished &item : inbox.take()) {
            std::vector<uint32_t> &mine = held[item.worker];
            if (item.ended) {
                alive[item.worker] = false;
                for (uint32_t place : mine)
                    due[place] = ended_early(inputs[place]);
                mine.clear();
            } else {
                mine.erase(std::remove(mine.begin(), mine.end(), item.place), mine.end());
                due[item.place] = std::move(item.result);
            }
        }
        for (size_t w = 0; w < workers.size(); ++w)
            feed(w);
        if (std::find(alive.begin(), alive.end(), true) == alive.end())
            for (; nextJob < inputs.size(); ++nextJob)
                due[nextJob] = ended_early(inputs[nextJob]);
        for (auto at = due.find(writer.next); at != due.end(); at = due.find(writer.next)) {
            const bool written = writer.write(at->second);
            due.erase(at);
            if (!written)
                break;
        }
    }
    // No more pictures: each worker ends once its jobs do, and so does its reader.
    for (Worker &worker : workers)
        channel_close(worker.jobs);
    for (std::thread &reader : readers)
        reader.join();
    for (Worker &worker : workers) {
        channel_close(worker.results);
        worker_wait(worker);
    }
}

} // namespace

int batch_default_jobs() {
    const unsigned n = std::thread::hardware_concurrency();
    return n == 0 ? 1 : int(std::min(n, 64u));
}

int batch_run(const PicturePlan &plan, const std::vector<std::string> &inputs, int jobs,
              bool progressWanted) {
    const size_t share = std::min<size_t>(size_t(std::max(jobs, 1)), inputs.size());
    std::vector<Worker> workers;
    while (share > 1 && workers.size() < share) {
        Worker worker{};
        if (!worker_start(plan, inputs, workers, worker))
            break; // fewer processes than asked for; none: convert here
        workers.push_back(worker);
    }
    Writer writer{plan, inputs, progressWanted && inputs.size() > batchProgressAfter, {}};
    if (workers.empty()) {
        for (const std::string &input : inputs) {
            PictureResult result;
            picture_convert(plan, input, result);
            if (!writer.write(result))
                break;
        }
    } else {
        workers_run(workers, inputs, writer);
    }
    writer.progress.clear();
    return writer.failed || writer.anyRefused ? exitRefused : 0;
}

#ifdef _WIN32

bool batch_worker_place(void *&jobs, void *&results, int &columns) {
    const char *place = std::getenv("VKD_WORKER");
    if (place == nullptr)
        return false;
    unsigned long long jobsValue = 0, resultsValue = 0;
    if (std::sscanf(place, "%llu %llu %d", &jobsValue, &resultsValue, &columns) != 3 ||
        jobsValue == 0 || resultsValue == 0 || columns < 0)
        columns = -1;
    jobs = reinterpret_cast<void *>(uintptr_t(jobsValue));
    results = reinterpret_cast<void *>(uintptr_t(resultsValue));
    return true;
}

int batch_worker_run(const PicturePlan &plan, const std::vector<std::string> &inputs, void *jobs,
                     void *results) {
    return worker_serve(plan, inputs, HANDLE(jobs), HANDLE(results)) ? 0 : 1;
}

#endif
