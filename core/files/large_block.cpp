#include "core/files/large_block.h"

#include <new>

#if defined(__linux__)
#include <sys/mman.h>
#include <unistd.h>

// Huge pages only back whole aligned 2 MiB ranges: the block is aligned to one.
constexpr size_t hugePage = size_t{2} << 20;

// The length mapped for a block: whole pages, and from half a megabyte on whole huge pages, so
// that its tail is a huge page too (a 1 MiB block in small pages takes 256 faults to fill).
static size_t block_length(size_t bytes) {
    const size_t page = static_cast<size_t>(sysconf(_SC_PAGESIZE));
    const size_t unit = bytes >= hugePage / 4 ? hugePage : page;
    return (bytes + unit - 1) / unit * unit;
}

uint8_t *large_block_alloc(size_t bytes) {
    if (bytes == 0)
        return nullptr;
    // The tail is unmapped from block + bytes, which must lie on a page boundary.
    bytes = block_length(bytes);
    void *p =
        mmap(nullptr, bytes + hugePage, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
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
        munmap(block, block_length(bytes));
}

#else

uint8_t *large_block_alloc(size_t bytes) {
    return bytes == 0 ? nullptr : new (std::nothrow) uint8_t[bytes];
}

void large_block_free(uint8_t *block, size_t) {
    delete[] block;
}

#endif
