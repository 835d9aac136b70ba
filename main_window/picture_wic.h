// PNG, JPEG and GIF through the Windows Imaging Component: the platform's decoders behind the
// portable loader (core/picture.h). Until picture_wic_install runs, only BMP files open.
#pragma once
#include <cstddef>
#include <cstdint>

#include "core/picture.h"

// A PictureCodec: decodes the picture the probe describes (a GIF's first frame), converted to
// 8-bit BGRA with no colour management, and hands its rows top to bottom to the sink. Refuses
// a decoder of another kind than the probe found, and a frame of another size than it claimed.
// Starts COM on the calling thread for the call and leaves it as it found it.
bool picture_wic_decode(const uint8_t *data, size_t size, const PictureProbe &probe,
                        PictureSink &sink, const char **reason);

// Makes picture_wic_decode the loader's decoder (pictureCodec).
void picture_wic_install();
