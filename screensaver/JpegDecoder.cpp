// The JPEG path of cImageDecoder: the JPEG library decompresses the file into 4-byte
// aligned top-down rows (grey, or blue-green-red) that become the device bitmap.
//
// A library error never returns into the library: the error exit destroys the
// decompressor and jumps back to the guarded call with __builtin_longjmp, which restores
// the stack without unwinding it (a C runtime longjmp may unwind through the library's
// frames on 64-bit Windows).
#include "JpegDecoder.h"

#include "cImageDecoder.h"

#include "../shared/cgen.h"

#include <cstring>

struct JpegErrorManager {
    jpeg_error_mgr standard;
    void* resume[5]; // where a failed library call comes back to
};
static JpegErrorManager jpegErrorManager;
static int jpegFailed = 0;

static void JpegSilentOutput(j_common_ptr)
{
}

static void JpegErrorExit(j_common_ptr decompressor)
{
    (*decompressor->err->output_message)(decompressor);
    jpeg_destroy(decompressor);
    jpegFailed = 1;
    __builtin_longjmp(jpegErrorManager.resume, 1);
}

static jpeg_error_mgr* SetupJpegErrors(JpegErrorManager* manager)
{
    jpeg_std_error(&manager->standard);
    manager->standard.error_exit = JpegErrorExit;
    manager->standard.output_message = JpegSilentOutput;
    return &manager->standard;
}

typedef void (*JpegStep)(j_decompress_ptr decompressor, void* context);

// Runs one step of library work. When the library fails, jpegFailed is 1 afterwards and
// the decompressor has been destroyed.
static void RunGuarded(JpegStep step, j_decompress_ptr decompressor, void* context)
{
    if (__builtin_setjmp(jpegErrorManager.resume) == 0) {
        step(decompressor, context);
    }
}

static void CreateAndReadHeader(j_decompress_ptr decompressor, void* file)
{
    jpeg_create_decompress(decompressor);
    jpeg_stdio_src(decompressor, static_cast<FILE*>(file));
    jpeg_read_header(decompressor, TRUE);
}

void cImageDecoder::ReadJpegHeader()
{
    jpegFailed = 0;
    decompressor.err = SetupJpegErrors(&jpegErrorManager);
    RunGuarded(CreateAndReadHeader, &decompressor, file);
    if (jpegFailed == 1) {
        error = DE_JPEG;
        return;
    }
    decompressorHeld = true;
    width = static_cast<int32_t>(decompressor.image_width);
    height = static_cast<int32_t>(decompressor.image_height);
    // Colour comes out in the byte order of a 24-bit bitmap.
    if (decompressor.out_color_space == JCS_RGB) {
        decompressor.out_color_space = JCS_EXT_BGR;
    }
    uint64_t pixelBytes;
    if (!PixelBufferBytes(decompressor.image_width, decompressor.image_height, 8 * decompressor.num_components,
                          &pixelBytes)) {
        error = DE_FORMAT;
    }
}

// The rows the library writes: one row pointer walking down the image buffer.
struct JpegRows {
    JSAMPARRAY rowPointer;
    size_t stride;
};

static void StartDecompress(j_decompress_ptr decompressor, void*)
{
    jpeg_start_decompress(decompressor);
}

static void ReadScanlines(j_decompress_ptr decompressor, void* context)
{
    JpegRows* rows = static_cast<JpegRows*>(context);
    while (decompressor->output_scanline < decompressor->output_height) {
        JDIMENSION read = jpeg_read_scanlines(decompressor, rows->rowPointer, 1);
        rows->rowPointer[0] += read * rows->stride;
    }
}

static void FinishDecompress(j_decompress_ptr decompressor, void*)
{
    jpeg_finish_decompress(decompressor);
    jpeg_destroy_decompress(decompressor);
}

static void SetGreyPalette()
{
    for (int i = 0; i < 256; ++i) {
        RgbQuad& entry = sharedBitmapInfo.palette[i];
        entry.blue = entry.green = entry.red = static_cast<uint8_t>(i);
    }
}

HBITMAP cImageDecoder::MakeJpegDeviceBitmap(HDC dc, const uint8_t* pixels, size_t pixelBytes)
{
    switch (decompressor.output_components) {
    case 1:
        SetGreyPalette();
        sharedBitmapInfo.header.biBitCount = 8;
        break;
    case 3:
        sharedBitmapInfo.header.biBitCount = 24;
        break;
    default:
        return nullptr;
    }
    return CreateDeviceBitmap(dc, &sharedBitmapInfo, sizeof sharedBitmapInfo, pixels, pixelBytes);
}

// Runs the whole decompression; the decompressor is gone afterwards on every path.
HBITMAP cImageDecoder::MakeJpegBitmap(HDC dc)
{
    sharedBitmapInfo.header.biWidth = width;
    sharedBitmapInfo.header.biHeight = -height;
    jpegFailed = 0;
    decompressorHeld = false;

    RunGuarded(StartDecompress, &decompressor, nullptr);
    if (jpegFailed == 1) {
        error = DE_JPEG;
        return nullptr;
    }
    size_t stride = static_cast<size_t>(RowStride(decompressor.output_width, 8 * decompressor.output_components));
    size_t pixelBytes = stride * decompressor.output_height;
    uint8_t* image = static_cast<uint8_t*>(RMalloc(__FILE__, __LINE__, pixelBytes));
    JpegRows rows = {static_cast<JSAMPARRAY>(RMalloc(__FILE__, __LINE__, sizeof(JSAMPROW))), stride};
    rows.rowPointer[0] = image;

    RunGuarded(ReadScanlines, &decompressor, &rows);
    HBITMAP bitmap = nullptr;
    if (jpegFailed == 1) {
        error = DE_JPEG;
    } else {
        bitmap = MakeJpegDeviceBitmap(dc, image, pixelBytes);
        if (bitmap == nullptr) {
            error = DE_BITMAP;
        }
        // A failure here leaves the picture complete and the decompressor destroyed.
        RunGuarded(FinishDecompress, &decompressor, nullptr);
    }
    RFree(__FILE__, __LINE__, rows.rowPointer);
    RFree(__FILE__, __LINE__, image);
    return bitmap;
}
