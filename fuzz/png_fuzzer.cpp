// PNG files through the decoder: the signature is forced, so every input takes the PNG path.
#include "DecodeInput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    DecodeInput(data, size, 0, "\x89PNG\r\n\x1A\n");
    return 0;
}
