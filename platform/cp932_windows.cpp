// The Windows half of the CP932 conversions (core/common/cp932.h): the system's own
// code page 932, without look-alikes.
#include "core/common/cp932.h"

#include <windows.h>

uint32_t cp932_code_point_system(const char *bytes, size_t length) {
    wchar_t wide[2] = {};
    const int n = MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, bytes, int(length), wide, 2);
    return n == 1 ? wide[0] : 0xFFFD;
}

// code is a BMP character (cp932_encode has kept the rest).
int cp932_encode_system(uint32_t code, char out[2]) {
    const wchar_t wide[1] = {static_cast<wchar_t>(code)};
    BOOL defaulted = FALSE;
    char bytes[4];
    const int n = WideCharToMultiByte(932, WC_NO_BEST_FIT_CHARS, wide, 1, bytes, sizeof bytes,
                                      nullptr, &defaulted);
    if (n < 1 || n > 2 || defaulted)
        return 0;
    // The way back must give the character itself: no code stands for two.
    wchar_t back[2] = {};
    if (MultiByteToWideChar(932, MB_ERR_INVALID_CHARS, bytes, n, back, 2) != 1 ||
        back[0] != wide[0])
        return 0;
    out[0] = bytes[0];
    if (n == 2)
        out[1] = bytes[1];
    return n;
}
