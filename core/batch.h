// Many pictures at once: each thread converts on a conversion of its own (core/conversion.h),
// so the threads share nothing but the list of what is left; the results are taken in the order
// given, whatever order they finish in.
#pragma once
#include <cstddef>
#include <exception>
#include <functional>

struct Conversion;

// Runs convert(conversion, i) for every i in [0, count) on threads threads (at most count; 1 or
// less converts on the calling thread), each thread reusing its conversion from item to item,
// and calls take(i, error) on the calling thread for i = 0, 1, ... as soon as item i is done.
// Items are started at most 2 x threads ahead of the last one taken, so results wait only that
// long. An exception out of convert (std::bad_alloc among them) ends that item only: take gets
// it as error (null otherwise), and the thread goes on with a fresh conversion, since the one it
// had may be half way through a change. take returning false stops the run: nothing more is
// started or taken, and the call returns once the items under way end.
void batch_convert(size_t count, int threads,
                   const std::function<void(Conversion &conversion, size_t i)> &convert,
                   const std::function<bool(size_t i, std::exception_ptr error)> &take);
