// One image file (JFIF JPEG, BMP or GIF) turned into a device bitmap.
#pragma once

#include "BitmapLayout.h"
#include "DeviceBitmap.h"
#include "JpegDecoder.h"

#include <cstdint>
#include <cstdio>

enum ImageFormat {
    FORMAT_UNKNOWN = 0,
    FORMAT_JPEG = 1,
    FORMAT_BMP = 2,
    FORMAT_GIF = 3,
};

enum DecoderError {
    DE_OK = 0,
    DE_OPEN = -1,
    DE_READ = -2,
    DE_FORMAT = -3,
    DE_NO_IMAGE = -4,
    DE_BITMAP = -5,
    DE_JPEG = -10,
};

// The description of every bitmap the GIF and JPEG paths build.
struct SharedBitmapInfo {
    BmpInfoHeader header;
    RgbQuad palette[256];
};
extern SharedBitmapInfo sharedBitmapInfo;

// Reads the first ten bytes of the stream and names the format they announce.
ImageFormat DetectFormat(FILE* stream);

class cImageDecoder {
public:
    explicit cImageDecoder(const char* path);
    ~cImageDecoder();
    cImageDecoder(const cImageDecoder&) = delete;
    cImageDecoder& operator=(const cImageDecoder&) = delete;

    // A new device bitmap owned by the caller, or null after any error.
    HBITMAP MakeBitmap(HDC dc);

    int32_t width;
    int32_t height; // negative for a top-down BMP
    int32_t error;  // a DecoderError
    int32_t format; // an ImageFormat

private:
    void ReadHeader();
    void ReadBmpHeader();
    HBITMAP MakeBmpBitmap(HDC dc);
    void ReadGifHeader();
    HBITMAP MakeGifBitmap(HDC dc);
    void ReadJpegHeader();
    HBITMAP MakeJpegBitmap(HDC dc);
    HBITMAP MakeJpegDeviceBitmap(HDC dc, const uint8_t* pixels, size_t pixelBytes);

    FILE* file;
    void* formatState;
    jpeg_decompress_struct decompressor;
    bool decompressorHeld; // created by the header, not yet destroyed
};
