#include "cImageDecoder.h"

#include "AreaReduction.h"
#include "DecoderPrivate.h"

#include "../shared/cgen.h"

#include <cstring>
#ifndef _WIN32
#include <sys/types.h>
#endif

SharedBitmapInfo sharedBitmapInfo;
static bool sharedBitmapInfoReady = false;

static const size_t kBmpFileHeaderBytes = 14;
static const uint32_t kBmpHeadersBytes = kBmpFileHeaderBytes + sizeof(BmpInfoHeader);

// The BMP state of a decoder.
struct BmpState {
    BmpInfoHeader infoHeader;
    uint32_t colourTableBytes; // the bytes between the 54 bytes of headers and the pixels
    uint32_t pixelBytes;       // the pixel bytes the header describes
    uint32_t infoBytes;        // the size of bitmapInfo, room for masks and colours included
    uint8_t* bitmapInfo;       // the header as read, then the colour table, zero-padded
    uint8_t* pixels;           // pixelBytes, zero-padded after a short read
};

ImageFormat DetectFormat(FILE* stream)
{
    unsigned char bytes[10];
    if (fread(bytes, 1, sizeof bytes, stream) < sizeof bytes) {
        return FORMAT_UNKNOWN;
    }
    if (memcmp(bytes + 6, "JFIF", 4) == 0) {
        return FORMAT_JPEG;
    }
    if (bytes[0] == 'B' && bytes[1] == 'M' && bytes[6] == 0 && bytes[7] == 0 && bytes[8] == 0 && bytes[9] == 0) {
        return FORMAT_BMP;
    }
    if (memcmp(bytes, "GIF87a", 6) == 0 || memcmp(bytes, "GIF89a", 6) == 0) {
        return FORMAT_GIF;
    }
    return FORMAT_UNKNOWN;
}

// Reads count bytes; zero-fills whatever the file could not supply.
static bool ReadFully(FILE* file, void* buffer, size_t count)
{
    size_t got = fread(buffer, 1, count, file);
    if (got < count) {
        memset(static_cast<uint8_t*>(buffer) + got, 0, count - got);
        return false;
    }
    return true;
}

void* AllocateZeroed(size_t size)
{
    void* block = RMalloc(__FILE__, __LINE__, size);
    memset(block, 0, size);
    return block;
}

static int64_t FileLength(FILE* file)
{
#ifdef _WIN32
    int64_t here = _ftelli64(file);
    _fseeki64(file, 0, SEEK_END);
    int64_t length = _ftelli64(file);
    _fseeki64(file, here, SEEK_SET);
#else
    off_t here = ftello(file);
    fseeko(file, 0, SEEK_END);
    int64_t length = ftello(file);
    fseeko(file, here, SEEK_SET);
#endif
    return length;
}

static uint32_t LittleEndian32(const uint8_t* bytes)
{
    return bytes[0] | bytes[1] << 8 | bytes[2] << 16 | static_cast<uint32_t>(bytes[3]) << 24;
}

cImageDecoder::cImageDecoder(const char* path)
    : width(0), height(0), error(DE_OK), format(FORMAT_UNKNOWN), file(nullptr), formatState(nullptr)
{
    file = fopen(path, "rb");
    if (file == nullptr) {
        error = DE_OPEN;
        return;
    }
    format = DetectFormat(file);
    if (format == FORMAT_UNKNOWN) {
        error = DE_FORMAT;
        return;
    }
    fseek(file, 0, SEEK_SET);
    ReadHeader();
}

cImageDecoder::~cImageDecoder()
{
    if (formatState != nullptr) {
        switch (format) {
        case FORMAT_BMP:
            FreeBmpState(static_cast<BmpState*>(formatState));
            break;
        case FORMAT_GIF:
            FreeGifState(static_cast<GifState*>(formatState));
            break;
        case FORMAT_JPEG:
            FreeJpegState(static_cast<JpegState*>(formatState));
            break;
        default:
            break;
        }
    }
    if (file != nullptr) {
        fclose(file);
    }
}

void FreeBmpState(BmpState* bmp)
{
    RFree(__FILE__, __LINE__, bmp->bitmapInfo);
    RFree(__FILE__, __LINE__, bmp->pixels);
    RFree(__FILE__, __LINE__, bmp);
}

uint32_t cImageDecoder::Rows() const
{
    return height < 0 ? 0u - static_cast<uint32_t>(height) : static_cast<uint32_t>(height);
}

void cImageDecoder::ReadHeader()
{
    if (error != DE_OK) {
        return;
    }
    switch (format) {
    case FORMAT_BMP:
        ReadBmpHeader();
        break;
    case FORMAT_GIF:
        ReadGifHeader();
        break;
    case FORMAT_JPEG:
        ReadJpegHeader();
        break;
    default:
        break;
    }
}

// The header is not trusted: a BMP whose headers overlap its pixels, whose pixels start
// past the end of the file, or whose pixel data would be unusable or too large is refused.
void cImageDecoder::ReadBmpHeader()
{
    BmpState* bmp = static_cast<BmpState*>(AllocateZeroed(sizeof(BmpState)));
    formatState = bmp;

    uint8_t fileHeader[kBmpFileHeaderBytes];
    if (!ReadFully(file, fileHeader, sizeof fileHeader)) {
        error = DE_READ;
    }
    if (!ReadFully(file, &bmp->infoHeader, sizeof bmp->infoHeader)) {
        error = DE_READ;
    }
    width = bmp->infoHeader.biWidth;
    height = bmp->infoHeader.biHeight;
    if (error != DE_OK) {
        return;
    }

    uint32_t pixelOffset = LittleEndian32(fileHeader + 10);
    uint32_t headerSize = bmp->infoHeader.biSize;
    bool headersFit = headerSize >= sizeof(BmpInfoHeader) &&
                      pixelOffset >= kBmpFileHeaderBytes + static_cast<uint64_t>(headerSize) &&
                      pixelOffset - kBmpHeadersBytes <= kMaxPixelBytes && pixelOffset <= FileLength(file);
    if (!headersFit || !DescribedPixelBytes(bmp->infoHeader, &bmp->pixelBytes)) {
        error = DE_FORMAT;
        return;
    }
    bmp->colourTableBytes = pixelOffset - kBmpHeadersBytes;
    uint32_t asRead = sizeof(BmpInfoHeader) + bmp->colourTableBytes;
    uint32_t withRoom = headerSize + kMaxColourTableBytes;
    bmp->infoBytes = asRead > withRoom ? asRead : withRoom;
}

static void PrepareSharedBitmapInfo()
{
    if (sharedBitmapInfoReady) {
        return;
    }
    sharedBitmapInfo.header.biSize = sizeof(BmpInfoHeader);
    sharedBitmapInfo.header.biPlanes = 1;
    sharedBitmapInfo.header.biCompression = BMP_RGB;
    sharedBitmapInfo.header.biSizeImage = 0;
    sharedBitmapInfo.header.biXPelsPerMeter = 0;
    sharedBitmapInfo.header.biYPelsPerMeter = 0;
    sharedBitmapInfo.header.biClrUsed = 0;
    sharedBitmapInfo.header.biClrImportant = 0;
    sharedBitmapInfoReady = true;
}

HBITMAP MakeSharedInfoBitmap(HDC dc, uint32_t bitmapWidth, uint32_t rows, int bitCount, const uint8_t* pixels,
                             size_t pixelBytes)
{
    sharedBitmapInfo.header.biWidth = static_cast<int32_t>(bitmapWidth);
    sharedBitmapInfo.header.biHeight = -static_cast<int32_t>(rows);
    sharedBitmapInfo.header.biBitCount = static_cast<uint16_t>(bitCount);
    return CreateDeviceBitmap(dc, &sharedBitmapInfo, sizeof sharedBitmapInfo, pixels, pixelBytes);
}

HBITMAP cImageDecoder::MakeBitmap(HDC dc)
{
    PrepareSharedBitmapInfo();
    if (error != DE_OK) {
        return nullptr;
    }
    switch (format) {
    case FORMAT_BMP:
        return MakeBmpBitmap(dc);
    case FORMAT_GIF:
        return MakeGifBitmap(dc);
    case FORMAT_JPEG:
        return MakeJpegBitmap(dc);
    default:
        return nullptr;
    }
}

// The part of the view's visible rectangle that lies on the drawn picture.
static PixelRect VisiblePart(const PictureView& view)
{
    const PixelRect& visible = view.visible;
    return {visible.left > 0 ? visible.left : 0, visible.top > 0 ? visible.top : 0,
            visible.right < view.width ? visible.right : view.width,
            visible.bottom < view.height ? visible.bottom : view.height};
}

ViewBitmap ShowingPart(HBITMAP bitmap, const PixelRect& visible, int32_t left, int32_t top)
{
    PixelRect source = {visible.left - left, visible.top - top, visible.right - left, visible.bottom - top};
    return {bitmap, source, visible};
}

// Uncompressed blue, green, red bytes: the one kind of BMP pixels read here. Other kinds
// are left to GDI, which knows them all.
static bool BmpTrueColour(const BmpInfoHeader& header)
{
    return header.biCompression == BMP_RGB && (header.biBitCount == 24 || header.biBitCount == 32);
}

bool cImageDecoder::CanReduceTo(const PictureView& view) const
{
    bool readable = format != FORMAT_BMP || BmpTrueColour(static_cast<const BmpState*>(formatState)->infoHeader);
    return readable && CanReduce(width, Rows(), view.width, view.height);
}

HBITMAP cImageDecoder::MakeReducedBitmap(HDC dc, uint32_t reducedWidth, uint32_t reducedRows)
{
    switch (format) {
    case FORMAT_BMP:
        return MakeReducedBmp(dc, reducedWidth, reducedRows);
    case FORMAT_GIF:
        return MakeReducedGif(dc, reducedWidth, reducedRows);
    case FORMAT_JPEG:
        return MakeReducedJpeg(dc, reducedWidth, reducedRows);
    default:
        return nullptr;
    }
}

ViewBitmap cImageDecoder::MakeBitmap(HDC dc, const PictureView& view)
{
    PrepareSharedBitmapInfo();
    PixelRect visible = VisiblePart(view);
    if (error != DE_OK || visible.right <= visible.left || visible.bottom <= visible.top) {
        return {nullptr, {}, {}};
    }
    PixelRect whole = {0, 0, width, static_cast<int32_t>(Rows())};
    if (view.width == width && static_cast<uint32_t>(view.height) == Rows()) {
        bool cut = memcmp(&visible, &whole, sizeof whole) != 0;
        if (format == FORMAT_JPEG && cut) {
            return MakeJpegPart(dc, visible);
        }
        return ShowingPart(MakeBitmap(dc), visible, 0, 0);
    }
    if (CanReduceTo(view)) {
        HBITMAP reduced = MakeReducedBitmap(dc, static_cast<uint32_t>(view.width), static_cast<uint32_t>(view.height));
        return ShowingPart(reduced, visible, 0, 0);
    }
    return {MakeBitmap(dc), whole, {0, 0, view.width, view.height}};
}

// The first call reads the colour table and the pixels; later calls reuse them.
void cImageDecoder::LoadBmpPixels()
{
    BmpState* bmp = static_cast<BmpState*>(formatState);
    if (bmp->bitmapInfo != nullptr) {
        return;
    }
    bmp->bitmapInfo = static_cast<uint8_t*>(AllocateZeroed(bmp->infoBytes));
    memcpy(bmp->bitmapInfo, &bmp->infoHeader, sizeof bmp->infoHeader);
    if (!ReadFully(file, bmp->bitmapInfo + sizeof bmp->infoHeader, bmp->colourTableBytes)) {
        error = DE_READ;
    }
    bmp->pixels = static_cast<uint8_t*>(RMalloc(__FILE__, __LINE__, bmp->pixelBytes));
    if (!ReadFully(file, bmp->pixels, bmp->pixelBytes)) {
        error = DE_READ;
    }
}

HBITMAP cImageDecoder::MakeBmpBitmap(HDC dc)
{
    LoadBmpPixels();
    BmpState* bmp = static_cast<BmpState*>(formatState);
    return CreateDeviceBitmap(dc, bmp->bitmapInfo, bmp->infoBytes, bmp->pixels, bmp->pixelBytes);
}

HBITMAP cImageDecoder::MakeReducedBmp(HDC dc, uint32_t reducedWidth, uint32_t reducedRows)
{
    LoadBmpPixels();
    const BmpState* bmp = static_cast<const BmpState*>(formatState);
    uint32_t columns = static_cast<uint32_t>(width), rows = Rows();
    int bytesPerPixel = bmp->infoHeader.biBitCount / 8;
    size_t stride = static_cast<size_t>(RowStride(columns, bmp->infoHeader.biBitCount));
    cAreaReducer reducer(columns, rows, reducedWidth, reducedRows, 3);
    uint8_t* bgr = static_cast<uint8_t*>(RMalloc(__FILE__, __LINE__, 3 * static_cast<size_t>(columns)));
    for (uint32_t y = 0; y < rows; ++y) {
        const uint8_t* row = bmp->pixels + stride * (height > 0 ? rows - 1 - y : y);
        if (bytesPerPixel == 4) {
            for (uint32_t x = 0; x < columns; ++x) {
                memcpy(bgr + 3 * x, row + 4 * x, 3);
            }
            row = bgr;
        }
        reducer.AddRow(row);
    }
    RFree(__FILE__, __LINE__, bgr);
    return MakeSharedInfoBitmap(dc, reducedWidth, reducedRows, 24, reducer.Pixels(), reducer.PixelBytes());
}
