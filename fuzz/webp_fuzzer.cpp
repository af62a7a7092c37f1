// WebP files through the decoder: "RIFF" and "WEBP" are forced, so every input takes the WebP
// path (the demuxer, the first frame, the EXIF chunk, the library's cut and scaling).
#include "DecodeInput.h"

#include <cstring>
#include <vector>

// Larger pictures are only read up to their header: a whole one costs time, not paths.
static const int64_t kMaxWholePixels = 1 << 22;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<uint8_t> bytes(data, data + size);
    if (size >= 12) {
        memcpy(&bytes[8], "WEBP", 4);
    }
    DecodeInput(bytes.data(), bytes.size(), 0, "RIFF", kMaxWholePixels);
    return 0;
}
