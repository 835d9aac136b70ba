#include "core/batch.h"

#include <algorithm>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

#include "core/conversion.h"

namespace {

// Items a thread may start beyond the last one taken.
constexpr size_t aheadPerThread = 2;

// One item on conversion: its exception, if any, and whether conversion is still to be trusted.
std::exception_ptr batch_item(std::unique_ptr<Conversion> &conversion,
                              const std::function<void(Conversion &, size_t)> &convert, size_t i) {
    try {
        if (conversion == nullptr)
            conversion = std::make_unique<Conversion>();
        convert(*conversion, i);
        return nullptr;
    } catch (...) {
        conversion.reset(); // may hold a picture half loaded: the next item starts afresh
        return std::current_exception();
    }
}

struct Shared {
    std::mutex lock;
    std::condition_variable changed;
    size_t next = 0;  // the next item to start
    size_t taken = 0; // items taken so far
    bool stop = false;
    std::vector<char> done;
    std::vector<std::exception_ptr> errors;
};

void batch_thread(Shared &shared, size_t count, size_t window,
                  const std::function<void(Conversion &, size_t)> &convert) {
    std::unique_ptr<Conversion> conversion;
    for (;;) {
        size_t i = 0;
        {
            std::unique_lock<std::mutex> hold(shared.lock);
            shared.changed.wait(hold, [&] {
                return shared.stop || shared.next >= count || shared.next < shared.taken + window;
            });
            if (shared.stop || shared.next >= count)
                return;
            i = shared.next++;
        }
        std::exception_ptr error = batch_item(conversion, convert, i);
        {
            std::lock_guard<std::mutex> hold(shared.lock);
            shared.errors[i] = std::move(error);
            shared.done[i] = 1;
        }
        shared.changed.notify_all();
    }
}

} // namespace

void batch_convert(size_t count, int threads,
                   const std::function<void(Conversion &, size_t)> &convert,
                   const std::function<bool(size_t, std::exception_ptr)> &take) {
    const size_t share = std::min(size_t(std::max(threads, 1)), count);
    if (share <= 1) {
        std::unique_ptr<Conversion> conversion;
        for (size_t i = 0; i < count; ++i)
            if (!take(i, batch_item(conversion, convert, i)))
                return;
        return;
    }
    Shared shared;
    shared.done.assign(count, 0);
    shared.errors.resize(count);
    std::vector<std::thread> pool;
    try {
        for (size_t t = 0; t < share; ++t)
            pool.emplace_back(batch_thread, std::ref(shared), count, share * aheadPerThread,
                              std::cref(convert));
    } catch (const std::system_error &) {
        if (pool.empty()) // no thread to be had: convert here
            return batch_convert(count, 1, convert, take);
    }
    for (size_t i = 0; i < count; ++i) {
        std::exception_ptr error;
        {
            std::unique_lock<std::mutex> hold(shared.lock);
            shared.changed.wait(hold, [&] { return shared.done[i] != 0; });
            error = std::move(shared.errors[i]);
        }
        const bool more = take(i, error);
        {
            std::lock_guard<std::mutex> hold(shared.lock);
            shared.taken = i + 1;
            shared.stop = !more;
        }
        shared.changed.notify_all();
        if (!more)
            break;
    }
    for (std::thread &thread : pool)
        thread.join();
}
