// The GIF path of cImageDecoder: the first image of a GIF87a or GIF89a file, LZW-decoded
// into 8-bit top-down rows and handed to the device bitmap with the file's colours.
//
// Damaged image data never reaches outside the pixel buffer: a code that cannot be
// decoded (above the next free code, or new with no previous code), a minimum code size
// above 11, or a short read ends the decoding and keeps the rows written so far; pixels
// beyond the last row are dropped. The buffer starts as colour index 0 throughout.
#include "GifDecoder.h"

#include "cImageDecoder.h"

#include "../shared/cgen.h"

#include <cstring>

static const uint8_t kImageSeparator = 0x2C;
static const uint8_t kColourTableFlag = 0x80;
static const uint8_t kInterlacedFlag = 0x40;
static const size_t kScreenPackedOffset = 10;
static const size_t kDescriptorPackedOffset = 9;

static const int32_t kTableSize = 4096;
static const int32_t kMaxCodeWidth = 12;
static const int kMaxMinimumCodeSize = 11;
static const int32_t kNoCode = -1;
static const int32_t kInitialStringCapacity = 50;
static const int32_t kMaxSubBlockBytes = 255;
static const int32_t kMaxCarriedBytes = 3;
static const int32_t kCodeReadBytes = 4; // each code is read as one 32-bit word

// LZW string table: the entry of code c is entry c - firstFreeCode.
struct GifString {
    int16_t length; // -1: empty
    uint8_t* bytes;
};
static GifString stringTable[kTableSize];
static int32_t firstFreeCode;
static bool stringsHeld = false;

// The strings of the codes below firstFreeCode: one byte, the code itself (its low byte
// when a code size above 8 makes literal codes pass 255).
struct LiteralBytes {
    uint8_t bytes[256];
    constexpr LiteralBytes() : bytes()
    {
        for (int i = 0; i < 256; ++i) {
            bytes[i] = static_cast<uint8_t>(i);
        }
    }
};
static constexpr LiteralBytes kLiterals;

// Pixel writer: where the next colour index goes.
static const int32_t kPasses = 4;
static const int32_t kPassFirstRows[kPasses] = {0, 4, 2, 1};
static const int32_t kPassRowSteps[kPasses] = {8, 8, 4, 2};

struct PixelWriter {
    uint8_t* origin;   // the first row
    uint8_t* position; // the next pixel
    size_t stride;
    int32_t rowWidth;
    int32_t rows;
    int32_t column;
    int32_t row;  // rows at or past `rows` take no more pixels
    int32_t pass; // interlaced images only
};
static PixelWriter pixelWriter;

static void GifTableFree()
{
    if (stringsHeld) {
        for (GifString& entry : stringTable) {
            if (entry.length != -1) {
                RFree(__FILE__, __LINE__, entry.bytes);
            }
        }
    }
    stringsHeld = false;
}

static void GifTableReset(int minimumCodeSize)
{
    GifTableFree();
    for (GifString& entry : stringTable) {
        entry.length = -1;
        entry.bytes = nullptr;
    }
    firstFreeCode = (1 << minimumCodeSize) + 2;
    stringsHeld = true;
}

// Stores the prefix followed by one byte as the string of code.
static void GifTableAdd(const uint8_t* prefix, int32_t prefixLength, uint8_t last, int32_t code)
{
    GifString& entry = stringTable[code - firstFreeCode];
    entry.bytes = static_cast<uint8_t*>(RMalloc(__FILE__, __LINE__, prefixLength + 1));
    memcpy(entry.bytes, prefix, prefixLength);
    entry.bytes[prefixLength] = last;
    entry.length = static_cast<int16_t>(prefixLength + 1);
}

// The length of the code's string, and its bytes; -1 for an empty entry.
static int32_t GifTableLookup(int32_t code, const uint8_t** bytes)
{
    if (code < firstFreeCode) {
        *bytes = &kLiterals.bytes[code & 0xFF];
        return 1;
    }
    const GifString& entry = stringTable[code - firstFreeCode];
    *bytes = entry.bytes;
    return entry.length;
}

static uint8_t* FirstRow(uint8_t* pixelBuffer)
{
    uintptr_t start = reinterpret_cast<uintptr_t>(pixelBuffer);
    return pixelBuffer + (4 - start % 4);
}

static void GifRowsBegin(GifState* gif, int32_t width, int32_t height)
{
    pixelWriter.origin = FirstRow(gif->pixelBuffer);
    pixelWriter.position = pixelWriter.origin;
    pixelWriter.stride = static_cast<size_t>(RowStride(width, 8));
    pixelWriter.rowWidth = width;
    pixelWriter.rows = height;
    pixelWriter.column = 0;
    pixelWriter.row = 0;
    pixelWriter.pass = 0;
}

static void NextRowInOrder()
{
    ++pixelWriter.row;
}

static void NextRowInterlaced()
{
    pixelWriter.row += kPassRowSteps[pixelWriter.pass];
    while (pixelWriter.row >= pixelWriter.rows && ++pixelWriter.pass < kPasses) {
        pixelWriter.row = kPassFirstRows[pixelWriter.pass];
    }
    if (pixelWriter.pass == kPasses) {
        pixelWriter.row = pixelWriter.rows;
    }
}

// Writes colour indices row by row; nextRow picks the row after a full one.
static void PutPixels(const uint8_t* bytes, int32_t count, void (*nextRow)())
{
    while (count > 0 && pixelWriter.row < pixelWriter.rows) {
        int32_t run = pixelWriter.rowWidth - pixelWriter.column;
        if (run > count) {
            run = count;
        }
        memcpy(pixelWriter.position, bytes, run);
        pixelWriter.position += run;
        pixelWriter.column += run;
        bytes += run;
        count -= run;
        if (pixelWriter.column == pixelWriter.rowWidth) {
            pixelWriter.column = 0;
            nextRow();
            pixelWriter.position = pixelWriter.origin + pixelWriter.row * pixelWriter.stride;
        }
    }
}

static void GifPutPixels(const uint8_t* bytes, int32_t count)
{
    PutPixels(bytes, count, NextRowInOrder);
}

static void GifPutPixelsInterlaced(const uint8_t* bytes, int32_t count)
{
    PutPixels(bytes, count, NextRowInterlaced);
}

// The state of one decoding. The window holds up to 3 bytes carried from the previous
// sub-block followed by the newest one; codes are read as 32-bit little-endian words.
struct LzwDecoding {
    int minimumCodeSize;
    int32_t clearCode;
    int32_t endCode;
    int32_t codeWidth;
    int32_t bitOffset; // bits of the byte at position already taken
    uint8_t window[kMaxCarriedBytes + kMaxSubBlockBytes];
    int32_t position;
    int32_t unread; // bytes from position to the end of the window's data
    int32_t previousCode;
    int32_t nextCode;
    uint8_t* string; // the string of the code in hand
    int32_t stringLength;
    int32_t stringCapacity;
    void (*putPixels)(const uint8_t* bytes, int32_t count);
};

enum LzwStep { LZW_GO_ON, LZW_END, LZW_DAMAGED };

static void StartAfterClear(LzwDecoding& lzw)
{
    GifTableReset(lzw.minimumCodeSize);
    lzw.previousCode = kNoCode;
    lzw.codeWidth = lzw.minimumCodeSize + 1;
    lzw.nextCode = firstFreeCode;
}

static void ReserveString(LzwDecoding& lzw, int32_t length)
{
    while (length > lzw.stringCapacity) {
        lzw.stringCapacity *= 2;
        lzw.string = static_cast<uint8_t*>(RRealloc(__FILE__, __LINE__, lzw.string, lzw.stringCapacity));
    }
}

// Puts the string of code in the string buffer; false when the code cannot be decoded.
static bool TakeString(LzwDecoding& lzw, int32_t code)
{
    const uint8_t* bytes;
    int32_t length = GifTableLookup(code, &bytes);
    if (length >= 0) {
        ReserveString(lzw, length);
        memcpy(lzw.string, bytes, length);
        lzw.stringLength = length;
        return true;
    }
    if (code != lzw.nextCode || lzw.previousCode == kNoCode) {
        return false;
    }
    // Not yet in the table: the previous string followed by its own first byte.
    length = GifTableLookup(lzw.previousCode, &bytes);
    ReserveString(lzw, length + 1);
    memcpy(lzw.string, bytes, length);
    lzw.string[length] = bytes[0];
    lzw.stringLength = length + 1;
    return true;
}

// The previous string followed by the first byte of the string in hand becomes the next code.
static void AddNextCode(LzwDecoding& lzw)
{
    if (lzw.nextCode >= kTableSize) {
        return;
    }
    const uint8_t* prefix;
    int32_t prefixLength = GifTableLookup(lzw.previousCode, &prefix);
    GifTableAdd(prefix, prefixLength, lzw.string[0], lzw.nextCode);
    if (lzw.nextCode >= (1 << lzw.codeWidth) - 1 && lzw.codeWidth < kMaxCodeWidth) {
        ++lzw.codeWidth;
    }
    ++lzw.nextCode;
}

static LzwStep HandleCode(LzwDecoding& lzw, int32_t code)
{
    if (code == lzw.clearCode) {
        StartAfterClear(lzw);
        return LZW_GO_ON;
    }
    if (code == lzw.endCode) {
        return LZW_END;
    }
    if (!TakeString(lzw, code)) {
        return LZW_DAMAGED;
    }
    lzw.putPixels(lzw.string, lzw.stringLength);
    if (lzw.previousCode != kNoCode) {
        AddNextCode(lzw);
    }
    lzw.previousCode = code;
    return LZW_GO_ON;
}

static int32_t ReadCode(LzwDecoding& lzw)
{
    const uint8_t* at = lzw.window + lzw.position;
    uint32_t word = at[0] | at[1] << 8 | at[2] << 16 | static_cast<uint32_t>(at[3]) << 24;
    int32_t code = (word >> lzw.bitOffset) & ((1u << lzw.codeWidth) - 1);
    lzw.bitOffset += lzw.codeWidth;
    if (lzw.bitOffset >= 16) {
        lzw.bitOffset -= 16;
        lzw.position += 2;
        lzw.unread -= 2;
    }
    return code;
}

// Takes codes while a whole 32-bit word of file data lies at the read position.
static LzwStep TakeCodes(LzwDecoding& lzw)
{
    while (lzw.unread >= kCodeReadBytes) {
        LzwStep step = HandleCode(lzw, ReadCode(lzw));
        if (step != LZW_GO_ON) {
            return step;
        }
    }
    return LZW_GO_ON;
}

// After the last sub-block: the codes whose bits all lie in the carried bytes.
static void TakeLastCodes(LzwDecoding& lzw)
{
    while (lzw.unread * 8 - lzw.bitOffset >= lzw.codeWidth) {
        if (HandleCode(lzw, ReadCode(lzw)) != LZW_GO_ON) {
            return;
        }
    }
}

static void CarryUnread(LzwDecoding& lzw)
{
    memmove(lzw.window, lzw.window + lzw.position, lzw.unread);
    lzw.position = 0;
}

enum SubBlock { SUB_BLOCK_DATA, SUB_BLOCK_TERMINATOR, SUB_BLOCK_SHORT };

// Reads the next sub-block into the window behind the carried bytes.
static SubBlock ReadSubBlock(FILE* file, LzwDecoding& lzw)
{
    int size = fgetc(file);
    if (size == EOF) {
        return SUB_BLOCK_SHORT;
    }
    if (size == 0) {
        return SUB_BLOCK_TERMINATOR;
    }
    if (fread(lzw.window + lzw.unread, size, 1, file) != 1) {
        return SUB_BLOCK_SHORT;
    }
    lzw.unread += size;
    return SUB_BLOCK_DATA;
}

// Decodes the sub-blocks; false after a short read.
static bool DecodeSubBlocks(FILE* file, LzwDecoding& lzw)
{
    for (;;) {
        switch (ReadSubBlock(file, lzw)) {
        case SUB_BLOCK_SHORT:
            return false;
        case SUB_BLOCK_TERMINATOR:
            TakeLastCodes(lzw);
            return true;
        case SUB_BLOCK_DATA:
            break;
        }
        if (TakeCodes(lzw) != LZW_GO_ON) {
            return true;
        }
        CarryUnread(lzw);
    }
}

// Runs the LZW decoding of the image data into the pixel writer; false after a short read.
static bool DecodeImageData(FILE* file, bool interlaced)
{
    int minimumCodeSize = fgetc(file);
    if (minimumCodeSize == EOF) {
        return false;
    }
    if (minimumCodeSize > kMaxMinimumCodeSize) {
        return true;
    }
    LzwDecoding lzw = {};
    lzw.minimumCodeSize = minimumCodeSize;
    lzw.clearCode = 1 << minimumCodeSize;
    lzw.endCode = lzw.clearCode + 1;
    lzw.stringCapacity = kInitialStringCapacity;
    lzw.string = static_cast<uint8_t*>(RMalloc(__FILE__, __LINE__, lzw.stringCapacity));
    lzw.putPixels = interlaced ? GifPutPixelsInterlaced : GifPutPixels;
    StartAfterClear(lzw);

    bool complete = DecodeSubBlocks(file, lzw);

    GifTableFree();
    RFree(__FILE__, __LINE__, lzw.string);
    return complete;
}

static uint16_t LittleEndian16(const uint8_t* bytes)
{
    return static_cast<uint16_t>(bytes[0] | bytes[1] << 8);
}

// Reads the table that the packed byte announces; false after a short read.
static bool ReadColourTable(FILE* file, GifState* gif, uint8_t packed)
{
    int32_t entries = 2 << (packed & 7);
    gif->colourTable = static_cast<uint8_t*>(RMalloc(__FILE__, __LINE__, 3 * entries));
    if (fread(gif->colourTable, 3, entries, file) < static_cast<size_t>(entries)) {
        return false;
    }
    gif->colourCount = entries;
    return true;
}

void cImageDecoder::ReadGifHeader()
{
    GifState* gif = static_cast<GifState*>(RMalloc(__FILE__, __LINE__, sizeof(GifState)));
    gif->colourTable = nullptr;
    gif->colourCount = -1;
    gif->pixelBuffer = nullptr;
    formatState = gif;

    if (fread(gif->screenHeader, 1, sizeof gif->screenHeader, file) < sizeof gif->screenHeader) {
        error = DE_READ;
        return;
    }
    uint8_t screenPacked = gif->screenHeader[kScreenPackedOffset];
    if ((screenPacked & kColourTableFlag) != 0 && !ReadColourTable(file, gif, screenPacked)) {
        error = DE_READ;
        return;
    }
    if (fread(gif->imageDescriptor, 1, sizeof gif->imageDescriptor, file) < sizeof gif->imageDescriptor) {
        error = DE_READ;
        return;
    }
    if (gif->imageDescriptor[0] != kImageSeparator) {
        error = DE_NO_IMAGE;
        return;
    }
    uint8_t imagePacked = gif->imageDescriptor[kDescriptorPackedOffset];
    if ((imagePacked & kColourTableFlag) != 0) {
        RFree(__FILE__, __LINE__, gif->colourTable);
        gif->colourTable = nullptr;
        gif->colourCount = -1;
        if (!ReadColourTable(file, gif, imagePacked)) {
            error = DE_READ;
            return;
        }
    }
    width = LittleEndian16(gif->imageDescriptor + 5);
    height = LittleEndian16(gif->imageDescriptor + 7);
    uint64_t pixelBytes;
    if (!PixelBufferBytes(width, height, 8, &pixelBytes)) {
        error = DE_FORMAT;
    }
}

static void SetGifPalette(const GifState* gif)
{
    for (int32_t i = 0; i < gif->colourCount; ++i) {
        RgbQuad& entry = sharedBitmapInfo.palette[i];
        entry.red = gif->colourTable[3 * i];
        entry.green = gif->colourTable[3 * i + 1];
        entry.blue = gif->colourTable[3 * i + 2];
    }
}

HBITMAP cImageDecoder::MakeGifBitmap(HDC dc)
{
    GifState* gif = static_cast<GifState*>(formatState);
    size_t pixelBytes = static_cast<size_t>(RowStride(width, 8)) * height;
    if (gif->pixelBuffer == nullptr) {
        // Four spare bytes leave room to start the rows on a 4-byte boundary.
        gif->pixelBuffer = static_cast<uint8_t*>(RMalloc(__FILE__, __LINE__, pixelBytes + 4));
        memset(gif->pixelBuffer, 0, pixelBytes + 4);
        GifRowsBegin(gif, width, height);
        bool interlaced = (gif->imageDescriptor[kDescriptorPackedOffset] & kInterlacedFlag) != 0;
        if (!DecodeImageData(file, interlaced)) {
            error = DE_READ;
        }
    }
    if (gif->colourCount == -1) {
        Warning(__FILE__, __LINE__, "There is no colour table!");
    }
    SetGifPalette(gif);
    sharedBitmapInfo.header.biWidth = width;
    sharedBitmapInfo.header.biHeight = -height;
    sharedBitmapInfo.header.biBitCount = 8;
    return CreateDeviceBitmap(dc, &sharedBitmapInfo, sizeof sharedBitmapInfo, FirstRow(gif->pixelBuffer),
                              pixelBytes);
}

void FreeGifState(GifState* gif)
{
    RFree(__FILE__, __LINE__, gif->colourTable);
    RFree(__FILE__, __LINE__, gif->pixelBuffer);
    RFree(__FILE__, __LINE__, gif);
}
