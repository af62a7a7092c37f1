// The BMP path: the headers read and checked, the colour table and the pixels handed to the
// device bitmap as the file holds them (GDI knows every kind), and uncompressed pixels of
// 24 or 32 bits reduced from their own bytes when drawn smaller.
#include "AreaReduction.h"
#include "DecoderFormat.h"
#include "DecoderShared.h"

#include "../../shared/cgen.h"

#include <cstring>

static const char* const kSourceName = "BmpDecoder";
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

static bool RecogniseBmp(const uint8_t* bytes)
{
    return bytes[0] == 'B' && bytes[1] == 'M' && bytes[6] == 0 && bytes[7] == 0 && bytes[8] == 0 && bytes[9] == 0;
}

static void FreeBmpState(void* state)
{
    BmpState* bmp = static_cast<BmpState*>(state);
    if (bmp == nullptr) {
        return;
    }
    FreeZeroed(bmp->bitmapInfo);
    FreeZeroed(bmp->pixels);
    FreeZeroed(bmp);
}

static uint32_t Rows(const DecoderCore& core)
{
    return core.height < 0 ? 0u - static_cast<uint32_t>(core.height) : static_cast<uint32_t>(core.height);
}

// The header is not trusted: a BMP whose headers overlap its pixels, whose pixels start
// past the end of the file, or whose pixel data would be unusable or too large is refused.
static void ReadBmpHeader(DecoderCore& core)
{
    BmpState* bmp = static_cast<BmpState*>(AllocateZeroed(sizeof(BmpState)));
    core.state = bmp;

    uint8_t fileHeader[kBmpFileHeaderBytes];
    if (!ReadFully(core.file, fileHeader, sizeof fileHeader)) {
        core.error = DE_READ;
    }
    if (!ReadFully(core.file, &bmp->infoHeader, sizeof bmp->infoHeader)) {
        core.error = DE_READ;
    }
    core.width = bmp->infoHeader.biWidth;
    core.height = bmp->infoHeader.biHeight;
    if (core.error != DE_OK) {
        return;
    }

    uint32_t pixelOffset = LittleEndian32(fileHeader + 10);
    uint32_t headerSize = bmp->infoHeader.biSize;
    bool headersFit = headerSize >= sizeof(BmpInfoHeader) &&
                      pixelOffset >= kBmpFileHeaderBytes + static_cast<uint64_t>(headerSize) &&
                      pixelOffset - kBmpHeadersBytes <= kMaxPixelBytes && pixelOffset <= FileLength(core.file);
    if (!headersFit || !DescribedPixelBytes(bmp->infoHeader, &bmp->pixelBytes)) {
        core.error = DE_FORMAT;
        return;
    }
    bmp->colourTableBytes = pixelOffset - kBmpHeadersBytes;
    uint32_t asRead = sizeof(BmpInfoHeader) + bmp->colourTableBytes;
    uint32_t withRoom = headerSize + kMaxColourTableBytes;
    bmp->infoBytes = asRead > withRoom ? asRead : withRoom;
}

// The first call reads the colour table and the pixels; later calls reuse them.
static void LoadBmpPixels(DecoderCore& core)
{
    BmpState* bmp = static_cast<BmpState*>(core.state);
    if (bmp->bitmapInfo != nullptr) {
        return;
    }
    bmp->bitmapInfo = static_cast<uint8_t*>(AllocateZeroed(bmp->infoBytes));
    memcpy(bmp->bitmapInfo, &bmp->infoHeader, sizeof bmp->infoHeader);
    if (!ReadFully(core.file, bmp->bitmapInfo + sizeof bmp->infoHeader, bmp->colourTableBytes)) {
        core.error = DE_READ;
    }
    // Zero pages from the system where the file's pixels do not reach: nothing is written there.
    bmp->pixels = static_cast<uint8_t*>(AllocateZeroed(bmp->pixelBytes));
    if (fread(bmp->pixels, 1, bmp->pixelBytes, core.file) < bmp->pixelBytes) {
        core.error = DE_READ;
    }
}

static HBITMAP MakeBmpBitmap(DecoderCore& core, HDC dc)
{
    LoadBmpPixels(core);
    BmpState* bmp = static_cast<BmpState*>(core.state);
    return CreateDeviceBitmap(dc, bmp->bitmapInfo, bmp->infoBytes, bmp->pixels, bmp->pixelBytes);
}

// Uncompressed blue, green, red bytes: the one kind of BMP pixels read here. Other kinds
// are left to GDI, which knows them all.
static bool BmpTrueColour(const BmpInfoHeader& header)
{
    return header.biCompression == BMP_RGB && (header.biBitCount == 24 || header.biBitCount == 32);
}

static HBITMAP MakeReducedBmp(DecoderCore& core, HDC dc, uint32_t reducedWidth, uint32_t reducedRows)
{
    LoadBmpPixels(core);
    const BmpState* bmp = static_cast<const BmpState*>(core.state);
    uint32_t columns = static_cast<uint32_t>(core.width), rows = Rows(core);
    int bytesPerPixel = bmp->infoHeader.biBitCount / 8;
    size_t stride = static_cast<size_t>(RowStride(columns, bmp->infoHeader.biBitCount));
    cAreaReducer reducer(columns, rows, reducedWidth, reducedRows, 3);
    uint8_t* bgr = static_cast<uint8_t*>(RMalloc(kSourceName, __LINE__, 3 * static_cast<size_t>(columns)));
    for (uint32_t y = 0; y < rows; ++y) {
        const uint8_t* row = bmp->pixels + stride * (core.height > 0 ? rows - 1 - y : y);
        if (bytesPerPixel == 4) {
            for (uint32_t x = 0; x < columns; ++x) {
                memcpy(bgr + 3 * x, row + 4 * x, 3);
            }
            row = bgr;
        }
        reducer.AddRow(row);
    }
    RFree(kSourceName, __LINE__, bgr);
    return MakeSharedInfoBitmap(dc, reducedWidth, reducedRows, 24, reducer.Pixels(), reducer.PixelBytes());
}

static bool MakeBmpForView(DecoderCore& core, HDC dc, const PictureView& view, const PixelRect& visible,
                           ViewBitmap* made)
{
    const BmpState* bmp = static_cast<const BmpState*>(core.state);
    uint32_t columns = static_cast<uint32_t>(core.width), rows = Rows(core);
    if (!BmpTrueColour(bmp->infoHeader) || !DrawnSmaller(view, columns, rows) ||
        !CanReduce(columns, rows, view.width, view.height)) {
        return false;
    }
    *made = ShowingPart(MakeReducedBmp(core, dc, view.width, view.height), visible, 0, 0);
    return true;
}

extern const DecoderFormat kBmpFormat = {FORMAT_BMP,     RecogniseBmp,   ReadBmpHeader,
                                         MakeBmpBitmap, MakeBmpForView, FreeBmpState};
