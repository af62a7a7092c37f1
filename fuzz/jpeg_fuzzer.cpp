// JPEG files through the decoder: the start-of-image marker is forced, so every input takes the
// JPEG path, and a camera's APP1 segment after it (the Exif orientation) stays as it is.
// Pictures above 4 M pixels are not made whole: the library spends seconds on the filler of a
// huge picture that a few bytes of data declare, on paths a small picture takes as well.
#include "DecodeInput.h"

static const int64_t kMaxWholePixels = 1 << 22;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    DecodeInput(data, size, 0, "\xFF\xD8\xFF", kMaxWholePixels);
    return 0;
}
