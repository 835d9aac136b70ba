// Reading files and streams into memory: the size limit, the reasons kept for messages, a file
// cut short while it is read, and FIFOs read from their writer, whichever comes first.
#include "core/files/file_read.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cerrno>
#include <cstring>
#include <string>
#include <thread>

#include "fifo_writer.h"
#include "temp_folder.h"

#ifndef _WIN32
#include <fcntl.h>
#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

std::string block_text(const FileBlock &block) {
    return block.size == 0 ? std::string()
                           : std::string(reinterpret_cast<const char *>(block.bytes), block.size);
}

std::string pattern(size_t size) {
    std::string bytes(size, '\0');
    for (size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<char>('a' + i % 23);
    return bytes;
}

TEST(FileRead, WholeFilesUpToTheLimit) {
    TempFolder folder;
    const size_t limit = 4096;
    struct Case {
        size_t size;
        FileReadOutcome outcome;
        size_t kept;
    } cases[] = {
        {0, FileReadOutcome::read, 0},
        {1, FileReadOutcome::read, 1},
        {limit - 1, FileReadOutcome::read, limit - 1},
        {limit, FileReadOutcome::read, limit},
        {limit + 1, FileReadOutcome::tooLarge, limit},
        {3 * limit, FileReadOutcome::tooLarge, limit},
    };
    for (const Case &c : cases) {
        const std::string path = folder.file("f.bin"), bytes = pattern(c.size);
        file_put(path, bytes);
        FileBlock block;
        int error = -1;
        EXPECT_EQ(file_read_whole(path.c_str(), limit, block, error), c.outcome) << c.size;
        EXPECT_EQ(error, c.outcome == FileReadOutcome::tooLarge ? EFBIG : 0) << c.size;
        EXPECT_TRUE(block_text(block) == bytes.substr(0, c.kept)) << c.size;
    }
}

TEST(FileRead, FailuresKeepTheSystemsReason) {
    TempFolder folder;
    struct Case {
        std::string path;
        int error;
    } cases[] = {
        {folder.file("missing.ini"), ENOENT},
        {folder.path(), EISDIR},
        {folder.file("missing/inner.ini"), ENOENT},
    };
    for (const Case &c : cases) {
        FileBlock block;
        int error = 0;
        EXPECT_EQ(file_read_whole(c.path.c_str(), 100, block, error), FileReadOutcome::failed)
            << c.path;
        EXPECT_EQ(error, c.error) << c.path << ": " << std::strerror(error);
    }
}

// Another program cuts the file short between the open and the read: the read ends early with
// what is there. (A mapping of the file would fault on the missing pages instead.)
TEST(FileWindow, PiecesAndRestsAreTheFilesBytes) {
    const std::string bytes = pattern((size_t{3} << 20) + 123); // several reading pieces
    auto same = [&](const uint8_t *got, uint64_t at, size_t n) {
        return got != nullptr && std::memcmp(got, bytes.data() + at, n) == 0;
    };
    size_t n = 0;

    // Held in memory: the rest runs to the end; at or past the end there is none.
    FileWindow memory;
    file_window_memory(memory, reinterpret_cast<const uint8_t *>(bytes.data()), bytes.size());
    EXPECT_TRUE(same(file_window_rest(memory, 0, n), 0, bytes.size()));
    EXPECT_EQ(n, bytes.size());
    EXPECT_TRUE(same(file_window_rest(memory, bytes.size() - 1, n), bytes.size() - 1, 1));
    EXPECT_EQ(n, 1u);
    EXPECT_EQ(file_window_rest(memory, bytes.size(), n), nullptr);
    EXPECT_EQ(file_window_get(memory, bytes.size() - 10, 11), nullptr);

    // Read from a file after its first bytes were taken: rows in order, a jump, then the rest;
    // under a limit, nothing past it.
    TempFolder folder;
    const std::string path = folder.file("picture");
    file_put(path, bytes);
    for (const uint64_t limit : {uint64_t(bytes.size()), uint64_t{2} << 20}) {
        FileSource source;
        ASSERT_TRUE(file_source_open(path.c_str(), source));
        uint8_t head[54];
        size_t got = 0;
        ASSERT_TRUE(file_source_read(source, head, sizeof head, got));
        FileWindow window;
        file_window_source(window, source, head, got, limit);
        for (uint64_t at = 0; at + 3000 <= 1200000; at += 3000)
            ASSERT_TRUE(same(file_window_get(window, at, 3000), at, 3000)) << at;
        EXPECT_TRUE(same(file_window_get(window, 1900000, 5000), 1900000, 5000));
        EXPECT_EQ(file_window_get(window, limit - 10, 11), nullptr) << limit;
        const uint8_t *rest = file_window_rest(window, 1950000, n);
        EXPECT_TRUE(same(rest, 1950000, n));
        EXPECT_EQ(n, limit - 1950000);
        EXPECT_TRUE(same(file_window_rest(window, limit - 1, n), limit - 1, 1));
        EXPECT_EQ(n, 1u);
        file_source_close(source);
    }
}

TEST(FileRead, FileCutShortMeanwhileJustEndsEarly) {
    TempFolder folder;
    const std::string path = folder.file("cut.bmp"), bytes = pattern(3 << 20);
    file_put(path, bytes);
    FileSource source;
    ASSERT_TRUE(file_source_open(path.c_str(), source));
    uint8_t head[54];
    size_t got = 0;
    ASSERT_TRUE(file_source_read(source, head, sizeof head, got));
    ASSERT_EQ(got, sizeof head);
    std::filesystem::resize_file(path, 5000);
    FileBlock block;
    EXPECT_EQ(file_read_rest(source, head, got, size_t{64} << 20, block), FileReadOutcome::read);
    file_source_close(source);
    EXPECT_TRUE(block_text(block) == bytes.substr(0, 5000)) << block.size;

    // Grown meanwhile: only what was there at the open is taken.
    file_put(path, bytes.substr(0, 1000));
    ASSERT_TRUE(file_source_open(path.c_str(), source));
    file_put(path, bytes);
    EXPECT_EQ(file_read_rest(source, nullptr, 0, size_t{64} << 20, block), FileReadOutcome::read);
    file_source_close(source);
    EXPECT_EQ(block.size, 1000u);
}

#ifndef _WIN32

TEST(FileRead, FifosAreReadAsStreams) {
    TempFolder folder;
    const std::string fifo = folder.file("fifo");
    ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
    FileBlock block;
    int error = -1;

    // A reader started before the writer waits for it, and takes all it writes (more than the
    // pipe holds at once; nothing when it comes and goes without writing).
    for (const std::string &bytes : {pattern(300000), std::string()}) {
        FileReadOutcome outcome = FileReadOutcome::failed;
        EXPECT_TRUE(read_before_writer(fifo, bytes, [&] {
            outcome = file_read_whole(fifo.c_str(), 1 << 20, block, error);
        })) << "read before the writer came";
        EXPECT_EQ(outcome, FileReadOutcome::read);
        EXPECT_TRUE(block_text(block) == bytes) << block.size;
    }

    // A stream without end stops at the limit.
    {
        FifoWriter writer(fifo, "", true);
        EXPECT_EQ(file_read_whole(fifo.c_str(), 1 << 20, block, error), FileReadOutcome::tooLarge);
        EXPECT_EQ(error, EFBIG);
    }
    EXPECT_EQ(block.size, size_t{1} << 20);
}

#endif

} // namespace
