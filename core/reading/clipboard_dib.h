// A device-independent bitmap from the clipboard (CF_DIB, CF_DIBV5: an information header, its
// masks, a colour table and the pixels, with no file header): read where it lies when it is
// what screenshots are, else made the bytes of a BMP file; loaded through the one way in
// (core/reading/load.h) either way.
#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

// The BMP file: a 14-byte file header whose pixel offset is the information header (12, 40, 52,
// 56, 108 or 124 bytes, as the BMP decoder knows them), the masks a 40-byte header has after it
// with BI_BITFIELDS (12 bytes) or BI_ALPHABITFIELDS (16), and the colour table (biClrUsed
// entries, or 2^bpp at up to 8 bits a pixel when it is 0; 3 bytes each after a 12-byte header,
// 4 after the others), then the DIB as it is.
// Alpha, which the BMP decoder ignores, is laid over white here as a PNG's is (straight alpha,
// alpha_over_white), so that a picture copied with transparency looks as it does saved as PNG:
// for 32 bits a pixel with an alpha mask (in a header of 56 bytes or more, or after a 40-byte
// one with BI_ALPHABITFIELDS) of one byte, and colour masks of one byte each. Every pixel then
// gets alpha 255. When every alpha is 0 the picture is taken as opaque: programs that leave the
// byte unset mean no transparency.
// Empty (refused): no data, an unknown header size, headers, masks and colour table that do not
// fit in size with at least one byte after them, or a file that would pass 4 GiB. The pixels
// are the decoder's to judge.
std::vector<uint8_t> dib_to_bmp_file(const uint8_t *dib, size_t size);

// What a DIB's headers claim, read before anything is copied, and how to read its pixels in
// place when they are 24 or 32 bits a pixel, uncompressed or with one-byte colour masks.
struct DibPixels {
    int64_t width = 0, height = 0; // height as shown (|biHeight|); 0 x 0: a header refused as
                                   // dib_to_bmp_file refuses it
    int bytesPerPixel = 0;         // 3 or 4; 0: not readable in place (the BMP decoder's)
    bool topDown = false;
    int colour[3] = {0, 1, 2};     // the byte of blue, green and red in a pixel
    int alpha = -1;                // the byte of alpha laid over white (as dib_to_bmp_file
                                   // does, and only when it would); -1: opaque
    uint64_t offset = 0, stride = 0; // where the first stored row starts, bytes a stored row
};

// Readable in place also needs every row within size; otherwise bytesPerPixel is 0 and the
// BMP decoder refuses what is missing.
DibPixels dib_pixels(const uint8_t *dib, size_t size);

// Row y (counted from the top) of a DIB readable in place, as width pixels B, G, R into out.
void dib_row(const uint8_t *dib, const DibPixels &pixels, int64_t y, uint8_t *out);
