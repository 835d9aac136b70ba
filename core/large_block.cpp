#include "core/large_block.h"

#include <new>

#if defined(__linux__)
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

// Huge pages only back whole aligned 2 MiB ranges: the block is aligned to one.
constexpr size_t hugePage = size_t{2} << 20;

uint8_t *large_block_alloc(size_t bytes) {
    if (bytes == 0)
        return nullptr;
    // The tail is unmapped from block + bytes, which must lie on a page boundary.
    const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    bytes = (bytes + page - 1) / page * page;
    void *p = mmap(nullptr, bytes + hugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS,
                   -1, 0);
    if (p == MAP_FAILED)
        return nullptr;
    const auto start = reinterpret_cast<uintptr_t>(p);
    const uintptr_t aligned = (start + hugePage - 1) & ~(hugePage - 1);
    if (aligned > start)
        munmap(p, aligned - start);
    if (start + hugePage > aligned)
        munmap(reinterpret_cast<void *>(aligned + bytes), start + hugePage - aligned);
    auto *block = reinterpret_cast<uint8_t *>(aligned);
#if defined(MADV_HUGEPAGE)
    madvise(block, bytes, MADV_HUGEPAGE); // a hint: without huge pages it still works
#endif
    return block;
}

void large_block_free(uint8_t *block, size_t bytes) {
    if (block != nullptr)
        munmap(block, bytes);
}

// A regular file is mapped: its pages are already in memory, so nothing is zeroed or copied.
static uint8_t *file_map(std::FILE *file, size_t limit, size_t &size) {
    struct stat st;
    const int fd = fileno(file);
    if (fd < 0 || fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size <= 0)
        return nullptr;
    size = static_cast<size_t>(st.st_size) < limit ? static_cast<size_t>(st.st_size) : limit;
    void *p = mmap(nullptr, size, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
    return p == MAP_FAILED ? nullptr : static_cast<uint8_t *>(p);
}

static void file_unmap(uint8_t *bytes, size_t size) { munmap(bytes, size); }

#else

uint8_t *large_block_alloc(size_t bytes) {
    return bytes == 0 ? nullptr : new (std::nothrow) uint8_t[bytes];
}

void large_block_free(uint8_t *block, size_t) { delete[] block; }

static uint8_t *file_map(std::FILE *, size_t, size_t &) { return nullptr; }
static void file_unmap(uint8_t *, size_t) {}

#endif

FileBytes::~FileBytes() {
    if (mapped)
        file_unmap(bytes, capacity);
    else
        large_block_free(bytes, capacity);
}

bool FileBytes::read(std::FILE *file, size_t limit) {
    bytes = file_map(file, limit, used);
    if (bytes != nullptr) {
        mapped = true;
        capacity = used;
        return true;
    }
    // Not a mappable file: read it whole into one block of its size.
    long end = -1;
    if (std::fseek(file, 0, SEEK_END) == 0)
        end = std::ftell(file);
    if (end <= 0 || std::fseek(file, 0, SEEK_SET) != 0)
        return false;
    capacity = static_cast<size_t>(end) < limit ? static_cast<size_t>(end) : limit;
    bytes = large_block_alloc(capacity);
    if (bytes == nullptr)
        return false;
    used = std::fread(bytes, 1, capacity, file);
    return std::ferror(file) == 0;
}
