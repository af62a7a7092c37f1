#include "DecodeInput.h"

#include "screensaver/decoder/cImageDecoder.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <unistd.h>
#include <vector>

// Pictures up to this many pixels are also shown in views: larger ones take the same paths
// and only cost time (a reduction visits every source pixel, under coverage instrumentation).
static const int64_t kMaxViewPixels = 1 << 14;

// The picture drawn at a third of its size, or a part of it at its own size, as a window
// would show them; the input's length picks one, so both are taken across the corpus.
static void ShowView(const char* path, int32_t width, int32_t height, size_t which)
{
    int64_t rows = height < 0 ? -static_cast<int64_t>(height) : height;
    if (width <= 0 || rows * width > kMaxViewPixels) {
        return;
    }
    int32_t h = static_cast<int32_t>(rows);
    const PictureView views[] = {{width / 3, h / 3, {0, 0, width / 3, h / 3}},
                                 {width, h, {width / 4, h / 3, width - width / 5, h - h / 4}}};
    cImageDecoder decoder(path);
    if (HBITMAP bitmap = decoder.MakeBitmap(nullptr, views[which % 2]).bitmap) {
        DeleteDeviceBitmap(bitmap);
    }
}

void DecodeInput(const uint8_t* data, size_t size, size_t offset, const char* mark, int64_t maxWholePixels)
{
    // In memory where the system has it: a file rewritten per input on a disk costs writeback.
    static const std::string path =
        std::string(access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") + "/vl-fuzz-" + std::to_string(getpid());
    std::vector<uint8_t> bytes(data, data + size);
    size_t markLength = mark != nullptr ? strlen(mark) : 0;
    if (markLength > 0 && size >= offset + markLength) {
        memcpy(&bytes[offset], mark, markLength);
    }
    FILE* file = fopen(path.c_str(), "wb");
    fwrite(bytes.data(), 1, bytes.size(), file);
    fclose(file);
    cImageDecoder decoder(path.c_str());
    int64_t pixels = static_cast<int64_t>(decoder.width) * (decoder.height < 0 ? -int64_t{decoder.height} : decoder.height);
    for (int call = 0; call < 2 && pixels <= maxWholePixels; ++call) {
        if (HBITMAP bitmap = decoder.MakeBitmap(nullptr)) {
            DeleteDeviceBitmap(bitmap);
        }
    }
    ShowView(path.c_str(), decoder.width, decoder.height, size);
}
