#include "cli/vkd_budget.h"

#include <algorithm>

BudgetChoice budget_width_search(int32_t narrowest, int32_t widest, int64_t budget,
                                 const std::function<int64_t(int32_t)> &bytesAt) {
    narrowest = std::min(narrowest, widest);
    auto fits = [budget](int64_t bytes) { return bytes >= 0 && bytes <= budget; };
    const int64_t top = bytesAt(widest);
    if (fits(top))
        return {widest, true, top};
    if (narrowest == widest)
        return {widest, false, top};
    BudgetChoice low{narrowest, true, bytesAt(narrowest)};
    if (!fits(low.bytes)) {
        low.fits = false;
        return low;
    }
    // low fits, high does not; they close in until they are neighbours.
    int32_t high = widest;
    while (high - low.width > 1) {
        const int32_t middle = low.width + (high - low.width) / 2;
        const int64_t bytes = bytesAt(middle);
        if (fits(bytes))
            low = {middle, true, bytes};
        else
            high = middle;
    }
    return low;
}
