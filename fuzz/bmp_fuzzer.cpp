// Feeds arbitrary files to the decoder; the device-bitmap stand-in aborts on any
// hand-over shorter than its header describes.
#include "screensaver/cImageDecoder.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const std::string path = "/tmp/vl-fuzz-" + std::to_string(getpid());
    FILE* file = fopen(path.c_str(), "wb");
    fwrite(data, 1, size, file);
    fclose(file);
    cImageDecoder decoder(path.c_str());
    for (int call = 0; call < 2; ++call) {
        if (HBITMAP bitmap = decoder.MakeBitmap(nullptr)) {
            DeleteDeviceBitmap(bitmap);
        }
    }
    return 0;
}
