// --max-bytes: the widest text that fits a size budget, as a search over widths. Pure: the
// caller says what a width's text weighs.
#pragma once
#include <cstdint>
#include <functional>

struct BudgetChoice {
    int32_t width = 0;
    bool fits = false;  // false: not even the narrowest width fits (width is the narrowest)
    int64_t bytes = -1; // the chosen width's bytes; -1 when its text could not be made
};

// A width from widest down to narrowest whose bytesAt is at most budget, where one column more
// is over it (or past widest): widest when it fits, else a bisection that keeps a width that
// fits below one that does not. Bytes need not grow with the width (a line of full-width
// characters, a trimmed line), so the column above the choice is always one that was measured.
// bytesAt returns -1 for a width whose text cannot be made, which counts as over the budget.
// narrowest above widest is taken as widest; bytesAt is called at most about
// log2(widest - narrowest) + 2 times.
BudgetChoice budget_width_search(int32_t narrowest, int32_t widest, int64_t budget,
                                 const std::function<int64_t(int32_t)> &bytesAt);
