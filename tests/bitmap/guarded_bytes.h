// A copy of some bytes placed right against an inaccessible page, so that a read one byte past
// the end (or, placed the other way, one byte before the start) faults instead of passing.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

enum class GuardSide { after, before };

class GuardedBytes {
public:
    GuardedBytes(const std::vector<uint8_t> &bytes, GuardSide side);
    ~GuardedBytes();
    GuardedBytes(const GuardedBytes &) = delete;
    GuardedBytes &operator=(const GuardedBytes &) = delete;
    const uint8_t *data() const { return data_; }
    size_t size() const { return size_; }

private:
    uint8_t *base_ = nullptr;
    size_t mapped_ = 0;
    const uint8_t *data_ = nullptr;
    size_t size_ = 0;
};
