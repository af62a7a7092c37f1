// Runs one fuzz input through the decoder as a file; the device-bitmap stand-in aborts on
// any hand-over shorter than its header describes.
#pragma once

#include <cstddef>
#include <cstdint>

// Overwrites `length` bytes at `offset` with `mark` first when the input is long enough.
// Pictures of more than maxWholePixels are not made whole (their header is still read).
void DecodeInput(const uint8_t* data, size_t size, size_t offset = 0, const char* mark = nullptr,
                 int64_t maxWholePixels = INT64_MAX);
