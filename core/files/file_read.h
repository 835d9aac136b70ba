// Reading a file or a stream whole into memory with ordinary reads: a file another program
// truncates meanwhile just ends early, and no input is allowed more than a set number of bytes.
// Failures keep the system's errno for the message.
#pragma once
#include <cstddef>
#include <cstdint>

struct FileSource {
    int fd = -1;
    bool owned = false;  // closed by file_source_close (standard input is not)
    bool stream = false; // its length is known only at its end (also a file that says 0)
    uint64_t size = 0;   // otherwise: the length when opened
    int error = 0;       // errno of the last failure, 0 when there was none
    uint64_t taken = 0;  // bytes read so far
};

// Opens path (UTF-8; on Windows any name, through the wide functions) for reading. A folder
// fails with EISDIR. A FIFO waits for its writer (returns once one has written or come and
// gone), so a reader started first reads what the writer sends; a device is opened without
// waiting. Reads then wait for data the way standard input does.
bool file_source_open(const char *path, FileSource &source);

// Standard input, always read as a stream from where it stands.
FileSource file_source_stdin();

void file_source_close(FileSource &source);

// Reads until size bytes are in, the input ends, or a read fails; got says how many arrived.
// False (source.error set) only on a failure.
bool file_source_read(FileSource &source, uint8_t *into, size_t size, size_t &got);

// Memory from large_block_alloc holding what was read; freed with it.
struct FileBlock {
    uint8_t *bytes = nullptr;
    size_t size = 0, capacity = 0;

    FileBlock() = default;
    FileBlock(const FileBlock &) = delete;
    FileBlock &operator=(const FileBlock &) = delete;
    ~FileBlock();
};

enum class FileReadOutcome { read, failed, tooLarge };

// The head already taken from source (headSize bytes) and the rest of it, at most limit bytes in
// all, into block. tooLarge: more than limit bytes; block then holds the first limit of them.
// failed: a read failed (source.error) or there was no memory (ENOMEM).
FileReadOutcome file_read_rest(FileSource &source, const uint8_t *head, size_t headSize,
                               size_t limit, FileBlock &block);

// A whole file (or stream) by its path; error is errno of the failure (EFBIG for tooLarge).
FileReadOutcome file_read_whole(const char *path, size_t limit, FileBlock &block, int &error);

// Forward-only access to a file's bytes, held in memory or read from a source a piece at a time,
// so a decoder can take a large file row by row without holding all of it.
struct FileWindow {
    const uint8_t *data = nullptr; // bytes [start, start + size) of the file
    size_t size = 0;
    uint64_t start = 0;
    FileSource *source = nullptr; // nullptr: the whole file is in memory
    uint64_t limit = 0;           // a source is read no further than this
    uint8_t *buffer = nullptr;    // from large_block_alloc: only what was read is used
    size_t capacity = 0;

    FileWindow() = default;
    FileWindow(const FileWindow &) = delete;
    FileWindow &operator=(const FileWindow &) = delete;
    ~FileWindow();
};

// Over bytes held in memory.
void file_window_memory(FileWindow &window, const uint8_t *data, size_t size);

// Over a source whose first headSize bytes were already taken into head; read up to limit.
void file_window_source(FileWindow &window, FileSource &source, const uint8_t *head,
                        size_t headSize, uint64_t limit);

// Bytes [at, at + n) of the file, or nullptr when the file (or the limit) ends before them or a
// read fails (source->error). Bytes before an earlier call's at may be gone.
const uint8_t *file_window_get(FileWindow &window, uint64_t at, size_t n);

// Everything from at to the end of the file (or the limit): its bytes, and their number in n.
// nullptr when the file ends at or before at, or a read fails.
const uint8_t *file_window_rest(FileWindow &window, uint64_t at, size_t &n);
