// Saving against what goes wrong around it: another save at the same moment, the process killed
// mid-save, a full disk, and targets that are not files at all.
#include "core/files/file_save.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <thread>

#include "save_folder.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <csignal>
#include <fcntl.h>
#include <poll.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace fs = std::filesystem;

namespace {

using SaveHazards = SaveFolder;

// Two saves of different texts to one target at once, many times over: each round the file
// holds one whole text of a save that reported success, and at most one save fails.
TEST_F(SaveHazards, ConcurrentSavesLeaveOneWholeText) {
    const std::string target = at("shared.txt");
    const std::string texts[2] = {text_of('a', 150000), text_of('b', 90001)};
    for (int round = 0; round < 100; ++round) {
        std::atomic<int> ready{0};
        bool saved[2] = {false, false};
        auto save = [&](int which) {
            ++ready;
            while (ready.load() < 2) {
            }
            saved[which] =
                file_save_whole(target.c_str(), texts[which].data(), texts[which].size());
        };
        std::thread first(save, 0), second(save, 1);
        first.join();
        second.join();
        const std::string got = read_all(target);
        ASSERT_TRUE(saved[0] || saved[1]) << "round " << round << ": both saves failed";
        ASSERT_TRUE((saved[0] && got == texts[0]) || (saved[1] && got == texts[1]))
            << "round " << round << ": " << summary(got) << ", saved " << saved[0] << saved[1];
    }
    EXPECT_TRUE(leftovers(dir).empty());
}

// A child process that saves two large texts by turns until it is killed.
const char childVariable[] = "VKD_SAVE_KILL_TARGET";
const size_t bigA = size_t{4} << 20, bigB = size_t{3} << 20;

[[noreturn]] void child_save_forever(const std::string &target) {
    const std::string a = text_of('a', bigA), b = text_of('b', bigB);
    write_all(target + ".started", "");
    for (;;) {
        file_save_whole(target.c_str(), a.data(), a.size());
        file_save_whole(target.c_str(), b.data(), b.size());
    }
}

#ifdef _WIN32
// The child is this test program started again: it takes the role before any test runs.
[[maybe_unused]] const bool childRole = [] {
    const char *target = std::getenv(childVariable);
    if (target != nullptr && target[0] != '\0')
        child_save_forever(target);
    return false;
}();

struct Child {
    PROCESS_INFORMATION process{};
};

bool child_start(const std::string &target, Child &child) {
    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, sizeof self);
    std::string command = std::string("\"") + self + "\" --gtest_list_tests";
    SetEnvironmentVariableA(childVariable, target.c_str());
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    const bool started = CreateProcessA(self, &command[0], nullptr, nullptr, FALSE, 0, nullptr,
                                        nullptr, &startup, &child.process);
    SetEnvironmentVariableA(childVariable, nullptr);
    return started;
}

void child_kill(Child &child) {
    TerminateProcess(child.process.hProcess, 9);
    WaitForSingleObject(child.process.hProcess, INFINITE);
    CloseHandle(child.process.hProcess);
    CloseHandle(child.process.hThread);
}
constexpr int killRounds = 3; // each start of a process costs seconds under Wine
#else
struct Child {
    pid_t pid = -1;
};

bool child_start(const std::string &target, Child &child) {
    child.pid = fork();
    if (child.pid == 0)
        child_save_forever(target);
    return child.pid > 0;
}

void child_kill(Child &child) {
    kill(child.pid, SIGKILL);
    int status = 0;
    waitpid(child.pid, &status, 0);
}
constexpr int killRounds = 20;
#endif

// However a save is cut short, the target holds the old text or the new one, whole; what a killed
// save leaves behind never stops the next one.
TEST_F(SaveHazards, KilledSaveNeverLeavesHalfAFile) {
    const std::string target = at("big.txt");
    const std::string initial = text_of('0', 1000);
    write_all(target, initial);
    std::mt19937 random(12345);
    int replaced = 0;
    for (int round = 0; round < killRounds; ++round) {
        fs::remove(target + ".started");
        Child child;
        ASSERT_TRUE(child_start(target, child));
        for (int wait = 0; wait < 3000 && !fs::exists(target + ".started"); ++wait)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        const bool started = fs::exists(target + ".started");
        std::this_thread::sleep_for(std::chrono::milliseconds(10 + random() % 120));
        child_kill(child);
        ASSERT_TRUE(started) << "round " << round << ": the saving child never started";
        const std::string got = read_all(target);
        const bool whole = got == initial || got == text_of('a', bigA) || got == text_of('b', bigB);
        ASSERT_TRUE(whole) << "round " << round << ": " << summary(got);
        replaced += got != initial;
    }
    EXPECT_GT(replaced, 0) << "no save ever finished before the kill: the test proves nothing";
    EXPECT_TRUE(file_save_whole(target.c_str(), "after", 5));
    EXPECT_EQ(read_all(target), "after");
}

#ifndef _WIN32

// A full file system: the save fails with the system's reason, the old file is whole and no
// temporary file is left taking up the space.
void expect_full_disk_refused(const std::string &target, int expectedError) {
    const std::string old = text_of('o', 20000), large = text_of('n', 512 * 1024);
    int error = 0;
    EXPECT_FALSE(file_save_whole(target.c_str(), large.data(), large.size(), &error));
    EXPECT_EQ(error, expectedError) << std::strerror(error);
    EXPECT_TRUE(read_all(target) == old) << summary(read_all(target));
    EXPECT_TRUE(leftovers(fs::path(target).parent_path()).empty());
}

TEST_F(SaveHazards, FullFileSystemIsReportedAndTheOldFileStays) {
    const std::string old = text_of('o', 20000);
    // A small tmpfs of its own, where the system lets the test mount one.
    fs::create_directory(dir / "small");
    const std::string small = at("small");
    const bool mounted =
        mount("tmpfs", small.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, "size=128k") == 0;
    if (mounted) {
        write_all(small + "/text.txt", old);
        expect_full_disk_refused(small + "/text.txt", ENOSPC);
        EXPECT_TRUE(file_save_whole((small + "/text.txt").c_str(), "fits", 4));
        umount2(small.c_str(), MNT_DETACH);
    }
    // A file size limit in a child, which stands in for a full disk anywhere.
    write_all(at("limited.txt"), old);
    const pid_t pid = fork();
    if (pid == 0) {
        const rlimit limit{64 * 1024, 64 * 1024};
        signal(SIGXFSZ, SIG_IGN);
        setrlimit(RLIMIT_FSIZE, &limit);
        expect_full_disk_refused(at("limited.txt"), EFBIG);
        _exit(::testing::Test::HasFailure() ? 1 : 0);
    }
    int status = -1;
    ASSERT_EQ(waitpid(pid, &status, 0), pid);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "the child's checks failed";
    if (!mounted)
        std::printf("note: no tmpfs could be mounted here; a file size limit stood in for it\n");
}

// Targets that are not regular files are written where they stand and stay what they are.
TEST_F(SaveHazards, DevicesFifosAndOpenFilesAreWrittenInPlace) {
    const std::string text = text_of('t', 200000);

    // A FIFO with a reader gets the text through, larger than the pipe holds at once.
    const std::string fifo = at("fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    const int reader = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    ASSERT_GE(reader, 0);
    std::string received;
    std::thread drain([&] {
        // Linux reports no hang-up before a writer came: the end is the writer's going away.
        char buffer[4096];
        for (ssize_t n = 1; n != 0;) {
            pollfd ready{reader, POLLIN, 0};
            poll(&ready, 1, -1);
            n = read(reader, buffer, sizeof buffer);
            if (n > 0)
                received.append(buffer, static_cast<size_t>(n));
        }
    });
    EXPECT_TRUE(file_save_whole(fifo.c_str(), text.data(), text.size()));
    close(open(fifo.c_str(), O_WRONLY | O_NONBLOCK)); // ends the reader's wait if the save never came
    drain.join();
    close(reader);
    EXPECT_TRUE(received == text) << summary(received);

    // Without a reader it fails at once instead of waiting for one.
    int error = 0;
    EXPECT_FALSE(file_save_whole(fifo.c_str(), "x", 1, &error));
    EXPECT_EQ(error, ENXIO);
    struct stat st;
    ASSERT_EQ(lstat(fifo.c_str(), &st), 0);
    EXPECT_TRUE(S_ISFIFO(st.st_mode));

    // A reader that goes away mid-text gives a failure, not the end of the program.
    // It takes one piece once the text comes; the pipe holds far less than the rest.
    const int leaving = open(fifo.c_str(), O_RDONLY | O_NONBLOCK);
    std::thread leave([&] {
        char buffer[4096];
        pollfd ready{leaving, POLLIN, 0};
        poll(&ready, 1, -1);
        (void)read(leaving, buffer, sizeof buffer);
        close(leaving);
    });
    EXPECT_FALSE(file_save_whole(fifo.c_str(), text.data(), text.size(), &error));
    EXPECT_EQ(error, EPIPE);
    close(open(fifo.c_str(), O_WRONLY | O_NONBLOCK));
    leave.join();

    // A file another program has open, reached through /proc the way /dev/stdout is: appended
    // to where it stands, never replaced under that program.
    write_all(at("log.txt"), "earlier\n");
    const int log = open(at("log.txt").c_str(), O_WRONLY | O_APPEND);
    struct stat before, after;
    fstat(log, &before);
    ASSERT_EQ(symlink(("/proc/self/fd/" + std::to_string(log)).c_str(), at("stdout").c_str()), 0);
    EXPECT_TRUE(file_save_whole(at("stdout").c_str(), "text\n", 5));
    // The same open file through a folder that only leads into /proc, as /dev/fd does.
    ASSERT_EQ(symlink("/proc/self/fd", at("fds").c_str()), 0);
    EXPECT_TRUE(file_save_whole(at("fds/" + std::to_string(log)).c_str(), "more\n", 5));
    close(log);
    ASSERT_EQ(stat(at("log.txt").c_str(), &after), 0);
    EXPECT_EQ(after.st_ino, before.st_ino);
    EXPECT_EQ(read_all(at("log.txt")), "earlier\ntext\nmore\n");
    EXPECT_TRUE(fs::is_symlink(at("stdout")));

    // A device node of the test's own (the null device), where the system allows one.
    const std::string null = at("null");
    if (mknod(null.c_str(), S_IFCHR | 0666, makedev(1, 3)) != 0)
        GTEST_SKIP() << "no device node can be made here: " << std::strerror(errno);
    EXPECT_TRUE(file_save_whole(null.c_str(), text.data(), text.size()));
    ASSERT_EQ(lstat(null.c_str(), &st), 0);
    EXPECT_TRUE(S_ISCHR(st.st_mode));
    EXPECT_TRUE(leftovers(dir).empty());
}

#else

TEST_F(SaveHazards, FullFileSystemIsReportedAndTheOldFileStays) {
    GTEST_SKIP() << "no small volume or file size limit can be set up from a Windows program";
}

#endif

} // namespace
