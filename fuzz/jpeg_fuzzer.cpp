// JPEG files through the decoder: "JFIF" is forced at offset 6, so every input takes the JPEG path.
#include "DecodeInput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    DecodeInput(data, size, 6, "JFIF");
    return 0;
}
