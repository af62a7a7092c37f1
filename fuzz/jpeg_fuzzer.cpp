// JPEG files through the decoder: the start-of-image marker is forced, so every input takes the
// JPEG path, and a camera's APP1 segment after it (the Exif orientation) stays as it is.
#include "DecodeInput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    DecodeInput(data, size, 0, "\xFF\xD8\xFF");
    return 0;
}
