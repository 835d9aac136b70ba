// Entry point of the GUI tests: every test gets a deadline, so a dialog nobody closes or a loop
// that never ends fails the run instead of hanging it. "--benchmark [RUNS]" times Open and
// Convert in the window instead of running the tests.
#include <windows.h>

#include <gtest/gtest.h>

#include "tests/gui/gui_benchmark.h"
#include "tests/gui/gui_session.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <mutex>
#include <thread>

namespace {

constexpr int testSeconds = 120;
constexpr int benchmarkSeconds = 600;
constexpr int benchmarkRuns = 15;

std::atomic<long long> deadline{0}; // steady-clock seconds; 0 = disarmed
std::atomic<int> limitSeconds{testSeconds};
std::mutex runningLock;
std::string running = "(start-up)";

long long now_seconds() {
    return std::chrono::duration_cast<std::chrono::seconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

class Deadline : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo &info) override {
        std::lock_guard<std::mutex> hold(runningLock);
        running = std::string(info.test_suite_name()) + "." + info.name();
        deadline = now_seconds() + testSeconds;
    }
    void OnTestEnd(const ::testing::TestInfo &) override { deadline = 0; }
};

void watchdog() {
    for (;;) {
        std::this_thread::sleep_for(std::chrono::seconds(1));
        const long long d = deadline;
        if (d != 0 && now_seconds() > d) {
            std::lock_guard<std::mutex> hold(runningLock);
            std::fprintf(stderr, "\n%s took longer than %d s: stopped\n", running.c_str(),
                         limitSeconds.load());
            std::fflush(stderr);
            ExitProcess(3);
        }
    }
}

// Runs after "--benchmark": the next argument when it is a positive number, else the default.
int benchmark_runs(int argc, char **argv, int at) {
    if (at + 1 < argc) {
        char *end = nullptr;
        const long runs = std::strtol(argv[at + 1], &end, 10);
        if (*end == '\0' && runs > 0 && runs <= 1000)
            return static_cast<int>(runs);
    }
    return benchmarkRuns;
}

} // namespace

void test_deadline_extend(int seconds) {
    deadline += seconds;
}

int main(int argc, char **argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--benchmark") != 0)
            continue;
        {
            std::lock_guard<std::mutex> hold(runningLock);
            running = "the benchmark";
        }
        limitSeconds = benchmarkSeconds;
        deadline = now_seconds() + benchmarkSeconds;
        std::thread(watchdog).detach();
        return gui_benchmark_run(benchmark_runs(argc, argv, i));
    }
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::UnitTest::GetInstance()->listeners().Append(new Deadline);
    std::thread(watchdog).detach();
    return RUN_ALL_TESTS();
}
