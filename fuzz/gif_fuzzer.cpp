// GIF files through the decoder: the signature is forced, so every input takes the GIF path.
#include "DecodeInput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    DecodeInput(data, size, 0, size > 4 && data[4] == '7' ? "GIF87a" : "GIF89a");
    return 0;
}
