// The JPEG library's decompression interface as the decoder uses it; the JPEG path
// itself is part of cImageDecoder.
#pragma once

// The library's header needs FILE and size_t declared first.
#include <cstddef>
#include <cstdio>

#include <jpeglib.h>
