// Entry point of the GUI tests: every test gets a deadline, so a dialog nobody closes or a loop
// that never ends fails the run instead of hanging it.
#include <windows.h>

#include <gtest/gtest.h>

#include "tests/gui/gui_session.h"

#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <mutex>
#include <thread>

namespace {

constexpr int testSeconds = 120;

std::atomic<long long> deadline{0}; // steady-clock seconds; 0 = disarmed
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
                         testSeconds);
            std::fflush(stderr);
            ExitProcess(3);
        }
    }
}

} // namespace

void test_deadline_extend(int seconds) {
    deadline += seconds;
}

int main(int argc, char **argv) {
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::UnitTest::GetInstance()->listeners().Append(new Deadline);
    std::thread(watchdog).detach();
    return RUN_ALL_TESTS();
}
