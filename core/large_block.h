// Memory for the large pictures (surfaces, a bitmap file read whole). Backed by huge pages
// where the system offers them: a 2048 x 1536 surface is 2,300 small pages, and faulting them
// in one by one costs more than decoding and scaling the picture.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstdio>

// Uninitialised block of at least bytes; nullptr when it cannot be had.
uint8_t *large_block_alloc(size_t bytes);
void large_block_free(uint8_t *block, size_t bytes);

// A whole file's bytes (at most limit of them), mapped where the system can, read otherwise.
class FileBytes {
  public:
    FileBytes() = default;
    FileBytes(const FileBytes &) = delete;
    FileBytes &operator=(const FileBytes &) = delete;
    ~FileBytes();

    // From the start of an open file; false on a read error.
    bool read(std::FILE *file, size_t limit);
    const uint8_t *data() const { return bytes; }
    size_t size() const { return used; }

  private:
    uint8_t *bytes = nullptr;
    size_t used = 0, capacity = 0;
    bool mapped = false;
};
