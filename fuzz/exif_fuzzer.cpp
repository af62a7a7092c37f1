// APP1 bodies straight into the Exif orientation reader: "Exif\0\0" is forced, so every input
// reaches the TIFF walk. Whatever it reads, the answer is an orientation from 1 to 8.
#include "screensaver/decoder/ExifOrientation.h"

#include <cstdlib>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<uint8_t> body(data, data + size);
    if (size >= 6) {
        memcpy(body.data(), "Exif\0", 6);
    }
    int orientation = ExifOrientation(body.data(), body.size());
    if (orientation < 1 || orientation > kExifOrientations) {
        abort();
    }
    return 0;
}
