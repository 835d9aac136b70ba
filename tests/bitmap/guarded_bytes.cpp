#include "guarded_bytes.h"

#include <cstdlib>
#include <cstring>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace {

size_t page_size() {
#ifdef _WIN32
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    return info.dwPageSize;
#else
    return size_t(sysconf(_SC_PAGESIZE));
#endif
}

uint8_t *pages_map(size_t bytes) {
#ifdef _WIN32
    return static_cast<uint8_t *>(VirtualAlloc(nullptr, bytes, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
#else
    void *p = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    return p == MAP_FAILED ? nullptr : static_cast<uint8_t *>(p);
#endif
}

void page_forbid(uint8_t *page, size_t bytes) {
#ifdef _WIN32
    DWORD old;
    VirtualProtect(page, bytes, PAGE_NOACCESS, &old);
#else
    mprotect(page, bytes, PROT_NONE);
#endif
}

} // namespace

GuardedBytes::GuardedBytes(const std::vector<uint8_t> &bytes, GuardSide side) {
    const size_t page = page_size();
    const size_t body = (bytes.size() + page - 1) / page * page + page;
    mapped_ = body + 2 * page;
    base_ = pages_map(mapped_);
    if (base_ == nullptr)
        std::abort();
    page_forbid(base_, page);
    page_forbid(base_ + page + body, page);
    uint8_t *at = side == GuardSide::before ? base_ + page : base_ + page + body - bytes.size();
    if (!bytes.empty())
        std::memcpy(at, bytes.data(), bytes.size());
    data_ = at;
    size_ = bytes.size();
}

GuardedBytes::~GuardedBytes() {
#ifdef _WIN32
    VirtualFree(base_, 0, MEM_RELEASE);
#else
    munmap(base_, mapped_);
#endif
}
