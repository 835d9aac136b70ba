// Many pictures at once: each thread converts on a context of its own (a Conversion,
// core/conversion/conversion.h, or anything that holds one), so the threads share nothing but the list of
// what is left; the results are taken in the order given, whatever order they finish in.
#pragma once
#include <algorithm>
#include <condition_variable>
#include <cstddef>
#include <exception>
#include <functional>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

// Runs convert(context, i) for every i in [0, count) on threads threads (at most count; 1 or
// less converts on the calling thread), each thread reusing its Context from item to item, and
// calls take(i, error) on the calling thread for i = 0, 1, ... as soon as item i is done.
// Items are started at most 2 x threads ahead of the last one taken, so results wait only that
// long. An exception out of convert (std::bad_alloc among them) ends that item only: take gets
// it as error (null otherwise), and the thread goes on with a fresh Context, since the one it
// had may be half way through a change. take returning false stops the run: nothing more is
// started or taken, and the call returns once the items under way end.
template <class Context>
void batch_convert(size_t count, int threads,
                   const std::function<void(Context &context, size_t i)> &convert,
                   const std::function<bool(size_t i, std::exception_ptr error)> &take);

namespace batch_detail {

// Items a thread may start beyond the last one taken.
constexpr size_t aheadPerThread = 2;

template <class Context>
std::exception_ptr item(std::unique_ptr<Context> &context,
                        const std::function<void(Context &, size_t)> &convert, size_t i) {
    try {
        if (context == nullptr)
            context = std::make_unique<Context>();
        convert(*context, i);
        return nullptr;
    } catch (...) {
        context.reset(); // may hold a picture half loaded: the next item starts afresh
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

template <class Context>
void thread_run(Shared &shared, size_t count, size_t window,
                const std::function<void(Context &, size_t)> &convert) {
    std::unique_ptr<Context> context;
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
        std::exception_ptr error = item(context, convert, i);
        {
            std::lock_guard<std::mutex> hold(shared.lock);
            shared.errors[i] = std::move(error);
            shared.done[i] = 1;
        }
        shared.changed.notify_all();
    }
}

} // namespace batch_detail

template <class Context>
void batch_convert(size_t count, int threads, const std::function<void(Context &, size_t)> &convert,
                   const std::function<bool(size_t, std::exception_ptr)> &take) {
    using namespace batch_detail;
    const size_t share = std::min(size_t(std::max(threads, 1)), count);
    if (share <= 1) {
        std::unique_ptr<Context> context;
        for (size_t i = 0; i < count; ++i)
            if (!take(i, item(context, convert, i)))
                return;
        return;
    }
    Shared shared;
    shared.done.assign(count, 0);
    shared.errors.resize(count);
    std::vector<std::thread> pool;
    try {
        for (size_t t = 0; t < share; ++t)
            pool.emplace_back(thread_run<Context>, std::ref(shared), count, share * aheadPerThread,
                              std::cref(convert));
    } catch (const std::system_error &) {
        if (pool.empty()) // no thread to be had: convert here
            return batch_convert<Context>(count, 1, convert, take);
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
