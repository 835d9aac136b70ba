// Memory for the large pictures (surfaces, a bitmap file read whole). Backed by huge pages
// where the system offers them: a 2048 x 1536 surface is 2,300 small pages, and faulting them
// in one by one costs more than decoding and scaling the picture.
#pragma once
#include <cstddef>
#include <cstdint>

// Uninitialised block of at least bytes; nullptr when it cannot be had.
uint8_t *large_block_alloc(size_t bytes);
void large_block_free(uint8_t *block, size_t bytes);
