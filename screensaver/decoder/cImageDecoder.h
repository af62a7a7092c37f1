// One image file (JPEG, BMP, GIF, PNG, WebP, and on Windows whatever the system's imaging
// component reads) turned into a device bitmap, whole or as a window shows it. This is the
// façade: each format lives in its own file (BmpDecoder, GifDecoder, JpegDecoder, PngDecoder,
// WebpDecoder, WicDecoder) behind a table of functions (DecoderFormat.h); AreaReduction
// shrinks pixels, LinearEnlargement enlarges them.
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
    FORMAT_PNG = 4,
    FORMAT_WEBP = 5,
    FORMAT_WIC = 6, // a file none of the others recognises, read by the system's imaging component
};

enum DecoderError {
    DE_OK = 0,
    DE_OPEN = -1,
    DE_READ = -2,
    DE_FORMAT = -3,
    DE_NO_IMAGE = -4,
    DE_BITMAP = -5,
    DE_JPEG = -10,
    DE_PNG = -11,
    DE_WEBP = -12,
    DE_WIC = -13,
};

// A device bitmap for a view, owned by the caller (null after any error or for a view that
// shows nothing): its `source` rectangle goes to `destination`, in the view's drawn pixels.
// Same sizes are exact; a source of another size is the whole bitmap, to be stretched.
struct ViewBitmap {
    HBITMAP bitmap;
    PixelRect source;
    PixelRect destination;
};

// Reads the first bytes of the stream and names the format they announce (never FORMAT_WIC,
// which no bytes announce).
ImageFormat DetectFormat(FILE* stream);

struct DecoderCore;
struct DecoderFormat;

class cImageDecoder {
public:
    explicit cImageDecoder(const char* path);
    // Takes over a stream opened for reading and closes it; a null stream is an open error.
    explicit cImageDecoder(FILE* opened);
    ~cImageDecoder();
    cImageDecoder(const cImageDecoder&) = delete;
    cImageDecoder& operator=(const cImageDecoder&) = delete;

    // A new device bitmap of the whole picture owned by the caller, or null after any error.
    HBITMAP MakeBitmap(HDC dc);
    // The picture as the view shows it: the drawn size, or whole. Drawn at its size, the
    // visible part (only that part of a JPEG is decoded); drawn smaller, the picture
    // reduced to the drawn size by area averaging (from its own pixels where the format
    // can, otherwise from the device bitmap), and whole only where neither can be made;
    // drawn larger, the visible part enlarged to the drawn size with a linear filter from
    // the device bitmap's pixels, and whole where that cannot be made. A JPEG decoder makes
    // one bitmap in all, by either call.
    ViewBitmap MakeBitmap(HDC dc, const PictureView& view);

    int32_t width;  // as shown: a JPEG's Exif orientation is applied
    int32_t height; // negative for a top-down BMP
    int32_t error;  // a DecoderError
    int32_t format; // an ImageFormat

private:
    DecoderCore Core() const;
    void Keep(const DecoderCore& core);

    FILE* file;
    void* formatState;           // the format's own record
    const DecoderFormat* table;  // the format's functions; null for FORMAT_UNKNOWN
};
