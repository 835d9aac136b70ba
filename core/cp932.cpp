#include "core/cp932.h"

size_t cp932_prefix_length(const char *text, size_t length, size_t limit) {
    size_t n = 0;
    while (n < length) {
        size_t step = cp932_lead(static_cast<unsigned char>(text[n])) && n + 1 < length ? 2 : 1;
        if (n + step > limit)
            break;
        n += step;
    }
    return n;
}
