// Arbitrary files through the decoder, whatever format they announce.
#include "DecodeInput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    DecodeInput(data, size);
    return 0;
}
