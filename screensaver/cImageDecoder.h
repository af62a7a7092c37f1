// One image file (JFIF JPEG, BMP or GIF) turned into a device bitmap, whole or as a window
// shows it. BMP is read in cImageDecoder.cpp, GIF in GifDecoder.cpp, JPEG in JpegDecoder.cpp;
// AreaReduction.cpp shrinks pixels.
#pragma once

#include "DeviceBitmap.h"
#include "PictureView.h"

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

// A device bitmap for a view, owned by the caller (null after any error or for a view that
// shows nothing): its `source` rectangle goes to `destination`, in the view's drawn pixels.
// Same sizes are exact; a source of another size is the whole bitmap, to be stretched.
struct ViewBitmap {
    HBITMAP bitmap;
    PixelRect source;
    PixelRect destination;
};

// Reads the first ten bytes of the stream and names the format they announce.
ImageFormat DetectFormat(FILE* stream);

class cImageDecoder {
public:
    explicit cImageDecoder(const char* path);
    ~cImageDecoder();
    cImageDecoder(const cImageDecoder&) = delete;
    cImageDecoder& operator=(const cImageDecoder&) = delete;

    // A new device bitmap of the whole picture owned by the caller, or null after any error.
    HBITMAP MakeBitmap(HDC dc);
    // The picture as the view shows it. Drawn at its size, only the visible part of a JPEG is
    // decoded; drawn smaller, a GIF, a JPEG or an uncompressed BMP of 24 or 32 bits comes out
    // reduced to the drawn size by area averaging; otherwise the picture comes out whole. A
    // JPEG decoder makes one bitmap in all, by either call.
    ViewBitmap MakeBitmap(HDC dc, const PictureView& view);

    int32_t width;
    int32_t height; // negative for a top-down BMP
    int32_t error;  // a DecoderError
    int32_t format; // an ImageFormat

private:
    uint32_t Rows() const;
    bool CanReduceTo(const PictureView& view) const;
    HBITMAP MakeReducedBitmap(HDC dc, uint32_t reducedWidth, uint32_t reducedRows);
    void ReadHeader();
    void ReadBmpHeader();
    void LoadBmpPixels();
    HBITMAP MakeBmpBitmap(HDC dc);
    HBITMAP MakeReducedBmp(HDC dc, uint32_t reducedWidth, uint32_t reducedRows);
    void ReadGifHeader();
    void DecodeGifPixels();
    HBITMAP MakeGifBitmap(HDC dc);
    HBITMAP MakeReducedGif(HDC dc, uint32_t reducedWidth, uint32_t reducedRows);
    void ReadJpegHeader();
    HBITMAP MakeJpegBitmap(HDC dc);
    ViewBitmap MakeJpegPart(HDC dc, const PixelRect& part);
    HBITMAP MakeReducedJpeg(HDC dc, uint32_t reducedWidth, uint32_t reducedRows);

    FILE* file;
    void* formatState; // a BmpState, GifState or JpegState by format
};
