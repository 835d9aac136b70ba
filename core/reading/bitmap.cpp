// The bitmap header test: the size rules read from a file's first 54 bytes.
#include "core/reading/bitmap.h"

namespace {

uint32_t get_u16(const uint8_t *p) { return uint32_t(p[0]) | uint32_t(p[1]) << 8; }
uint32_t get_u32(const uint8_t *p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

} // namespace

HeaderTest bitmap_header_test(const uint8_t *bytes, size_t size, int32_t mode,
                              int32_t screenWidth, int32_t screenHeight) {
    HeaderTest test{HeaderOutcome::notBitmap, 0, 0, screenWidth, screenHeight};
    if (bytes == nullptr || size < bitmapHeaderBytes || bytes[0] != 'B' || bytes[1] != 'M')
        return test;
    int64_t width, height;
    if (get_u32(bytes + 14) == 12) {
        // The oldest header keeps 16-bit sizes at 18 and 20; read as 32 bits they would be
        // nonsense and refuse a small picture as too large.
        width = get_u16(bytes + 18);
        height = get_u16(bytes + 20);
    } else {
        width = int32_t(get_u32(bytes + 18));
        height = int32_t(get_u32(bytes + 22));
    }
    if (height < 0)
        height = -height; // top-down rows; 64-bit, so INT32_MIN is safe
    if (width <= 0 || height == 0)
        return test;
    test.width = int32_t(width);
    test.height = height > INT32_MAX ? INT32_MAX : int32_t(height);

    if (width > stretchLimitWidth || (mode == 1 && height > stretchLimitHeight))
        test.outcome = HeaderOutcome::stretchLimit;
    else if (mode == 2 && !original_mode_fits(width, height, screenWidth, screenHeight))
        test.outcome = HeaderOutcome::originalLimit;
    else
        test.outcome = HeaderOutcome::accepted;
    return test;
}
