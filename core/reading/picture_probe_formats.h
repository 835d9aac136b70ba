// The probes of the formats read through ISO boxes and RIFF chunks (core/reading/picture_probe_iso.cpp),
// called by picture_probe for the formats picture_format_of named.
#pragma once
#include <cstddef>
#include <cstdint>

#include "core/reading/picture.h"

PictureProbe webp_probe(const uint8_t *data, size_t size, PictureProbe probe);
PictureProbe heif_probe(const uint8_t *data, size_t size, PictureProbe probe);

// An ISO base media file whose first box is ftyp naming a HEIF or AVIF brand, as far as the
// bytes given show it (a head of a file may end inside the brand list).
PictureFormat heif_format_of(const uint8_t *data, size_t size);
