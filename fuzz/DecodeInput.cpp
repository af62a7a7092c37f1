#include "DecodeInput.h"

#include "screensaver/cImageDecoder.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

void DecodeInput(const uint8_t* data, size_t size, size_t offset, const char* mark)
{
    static const std::string path = "/tmp/vl-fuzz-" + std::to_string(getpid());
    std::vector<uint8_t> bytes(data, data + size);
    size_t markLength = mark != nullptr ? strlen(mark) : 0;
    if (markLength > 0 && size >= offset + markLength) {
        memcpy(&bytes[offset], mark, markLength);
    }
    FILE* file = fopen(path.c_str(), "wb");
    fwrite(bytes.data(), 1, bytes.size(), file);
    fclose(file);
    cImageDecoder decoder(path.c_str());
    for (int call = 0; call < 2; ++call) {
        if (HBITMAP bitmap = decoder.MakeBitmap(nullptr)) {
            DeleteDeviceBitmap(bitmap);
        }
    }
}
