// The GIF path of the decoder: the first image of a GIF87a or GIF89a file, LZW-decoded
// into 8-bit top-down rows and handed to the device bitmap with the file's colours. The
// extension blocks before it are read past (a graphic control block's transparent pixels
// show black); later images are ignored.
//
// Damaged image data never reaches outside the pixel buffer: a code that cannot be
// decoded (above the next free code, or new with no previous code), a minimum code size
// above 11, or a short read ends the decoding and keeps the rows written so far; the
// decoding ends with the last row, so data beyond it is neither decoded nor read. The
// buffer starts as colour index 0 throughout, as zero pages the system hands out: only the
// rows the data reaches are written.
#include "AreaReduction.h"
#include "DecoderFormat.h"
#include "DecoderShared.h"

#include "../../shared/cgen.h"

#include <cstring>

static const char* const kSourceName = "GifDecoder";
static const uint8_t kImageSeparator = 0x2C;
static const uint8_t kExtensionIntroducer = 0x21;
static const uint8_t kGraphicControlLabel = 0xF9;
static const uint8_t kTransparencyFlag = 0x01;
static const int kGraphicControlBytes = 4;
static const uint8_t kColourTableFlag = 0x80;
static const uint8_t kInterlacedFlag = 0x40;
static const size_t kScreenPackedOffset = 10;
static const size_t kDescriptorPackedOffset = 9;

static const int32_t kTableSize = 4096;
static const int32_t kMaxCodeWidth = 12;
static const int kMaxMinimumCodeSize = 11;
static const int32_t kNoCode = -1;
static const uint32_t kInitialStringBlockBytes = 64 * 1024;
static const int32_t kMaxSubBlockBytes = 255;
static const int32_t kMaxCarriedBytes = 3;
static const int32_t kCodeReadBytes = 4; // each code is read as one 32-bit word

// The GIF state of a decoder.
struct GifState {
    uint8_t screenHeader[13];
    uint8_t* colourTable; // red, green, blue per entry, as in the file; null when there is none
    int32_t colourCount;  // entries in colourTable; -1 when there is no table
    uint8_t imageDescriptor[10];
    int32_t transparentIndex; // from a graphic control block before the image; -1: none
    uint64_t pixelBytes;  // rows x stride, checked against the size policy
    uint8_t* pixelBuffer; // decoded colour indices; null until the first bitmap
};

// LZW string table, one entry per code. The strings of one decoding lie in one block,
// which a reset rewinds: first the 256 one-byte strings of the literal codes (a code
// above 255 stands for its low byte), then each added string, copied into it once.
struct GifString {
    int32_t length; // -1: none
    uint32_t offset; // of its bytes in the block
};
static GifString stringTable[kTableSize];
static int32_t firstFreeCode;
static int32_t tableEnd; // codes from firstFreeCode up to here have strings
static uint8_t* stringBlock = nullptr; // null while no decoding holds strings
static uint32_t stringBlockBytes;
static uint32_t stringBlockUsed;
static const uint32_t kLiteralBytes = 256;

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

// Copies exactly count bytes. Strings are mostly a few bytes long, where a call to memcpy
// costs more than the copy: fixed-size moves, overlapping where the count falls between.
static inline void CopyString(uint8_t* to, const uint8_t* from, int32_t count)
{
    if (count >= 8 && count <= 16) {
        memcpy(to, from, 8);
        memcpy(to + count - 8, from + count - 8, 8);
    } else if (count >= 4 && count < 8) {
        memcpy(to, from, 4);
        memcpy(to + count - 4, from + count - 4, 4);
    } else if (count > 0 && count < 4) {
        to[0] = from[0];
        to[count / 2] = from[count / 2];
        to[count - 1] = from[count - 1];
    } else if (count > 16) {
        memcpy(to, from, count);
    }
}

static void GifTableFree()
{
    RFree(kSourceName, __LINE__, stringBlock);
    stringBlock = nullptr;
}

static void GifTableReset(int minimumCodeSize)
{
    if (stringBlock == nullptr) {
        stringBlockBytes = kInitialStringBlockBytes;
        stringBlock = static_cast<uint8_t*>(RMalloc(kSourceName, __LINE__, stringBlockBytes));
        for (uint32_t i = 0; i < kLiteralBytes; ++i) {
            stringBlock[i] = static_cast<uint8_t>(i);
        }
    }
    stringBlockUsed = kLiteralBytes;
    int32_t clearCode = 1 << minimumCodeSize;
    for (int32_t code = 0; code < clearCode; ++code) {
        stringTable[code] = {1, static_cast<uint32_t>(code & 0xFF)};
    }
    stringTable[clearCode].length = -1;
    stringTable[clearCode + 1].length = -1;
    firstFreeCode = clearCode + 2;
    tableEnd = firstFreeCode;
}

// The length of the code's string, and its bytes; -1 for a code without one.
static int32_t GifTableLookup(int32_t code, const uint8_t** bytes)
{
    if (code >= tableEnd) {
        *bytes = nullptr;
        return -1;
    }
    *bytes = stringBlock + stringTable[code].offset;
    return stringTable[code].length;
}

// Stores the string of prefixCode followed by one byte as the string of code, the first
// code without one.
static void GifTableAdd(int32_t prefixCode, uint8_t last, int32_t code)
{
    const uint8_t* prefix;
    int32_t prefixLength = GifTableLookup(prefixCode, &prefix);
    if (stringBlockUsed + prefixLength + 1 > stringBlockBytes) {
        stringBlockBytes *= 2;
        stringBlock = static_cast<uint8_t*>(RRealloc(kSourceName, __LINE__, stringBlock, stringBlockBytes));
        GifTableLookup(prefixCode, &prefix); // the block may have moved
    }
    uint8_t* string = stringBlock + stringBlockUsed;
    CopyString(string, prefix, prefixLength);
    string[prefixLength] = last;
    stringTable[code] = {prefixLength + 1, stringBlockUsed};
    stringBlockUsed += prefixLength + 1;
    tableEnd = code + 1;
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
        CopyString(pixelWriter.position, bytes, run);
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

// The previous string followed by the first byte of the code's string becomes the next code.
static void AddNextCode(LzwDecoding& lzw, uint8_t first)
{
    if (lzw.nextCode >= kTableSize) {
        return;
    }
    GifTableAdd(lzw.previousCode, first, lzw.nextCode);
    if (lzw.nextCode >= (1 << lzw.codeWidth) - 1 && lzw.codeWidth < kMaxCodeWidth) {
        ++lzw.codeWidth;
    }
    ++lzw.nextCode;
}

// The first byte of the code's string; false when the code cannot be decoded. A code not
// yet in the table is the next code: the previous string followed by its own first byte.
static bool FirstByteOf(const LzwDecoding& lzw, int32_t code, uint8_t* first)
{
    const uint8_t* bytes;
    if (GifTableLookup(code, &bytes) < 0) {
        if (code != lzw.nextCode || lzw.previousCode == kNoCode) {
            return false;
        }
        GifTableLookup(lzw.previousCode, &bytes);
    }
    *first = bytes[0];
    return true;
}

// Hands a string to the pixel writer; one that ends before the row does goes straight in.
static inline void PutString(const LzwDecoding& lzw, const uint8_t* string, int32_t length)
{
    if (length < pixelWriter.rowWidth - pixelWriter.column && pixelWriter.row < pixelWriter.rows) {
        CopyString(pixelWriter.position, string, length);
        pixelWriter.position += length;
        pixelWriter.column += length;
    } else {
        lzw.putPixels(string, length);
    }
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
    uint8_t first;
    if (!FirstByteOf(lzw, code, &first)) {
        return LZW_DAMAGED;
    }
    if (lzw.previousCode != kNoCode) {
        AddNextCode(lzw, first);
    }
    const uint8_t* string;
    int32_t length = GifTableLookup(code, &string);
    PutString(lzw, string, length);
    lzw.previousCode = code;
    // Once the last row is full, the rest of the data would only be dropped.
    return pixelWriter.row < pixelWriter.rows ? LZW_GO_ON : LZW_END;
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
    lzw.putPixels = interlaced ? GifPutPixelsInterlaced : GifPutPixels;
    StartAfterClear(lzw);

    bool complete = DecodeSubBlocks(file, lzw);

    GifTableFree();
    return complete;
}

// Reads the table that the packed byte announces; false after a short read.
static bool ReadColourTable(FILE* file, GifState* gif, uint8_t packed)
{
    int32_t entries = 2 << (packed & 7);
    gif->colourTable = static_cast<uint8_t*>(RMalloc(kSourceName, __LINE__, 3 * entries));
    if (fread(gif->colourTable, 3, entries, file) < static_cast<size_t>(entries)) {
        return false;
    }
    gif->colourCount = entries;
    return true;
}

// Reads past one extension block, its label and sub-blocks up to the zero size byte; a
// graphic control block gives the transparent index. False when the file ends inside.
static bool SkipExtension(FILE* file, GifState* gif)
{
    int label = fgetc(file);
    bool first = true;
    for (;;) {
        int size = fgetc(file);
        if (label == EOF || size == EOF) {
            return false;
        }
        if (size == 0) {
            return true;
        }
        uint8_t block[kMaxSubBlockBytes];
        if (fread(block, 1, size, file) < static_cast<size_t>(size)) {
            return false;
        }
        if (first && label == kGraphicControlLabel && size >= kGraphicControlBytes) {
            gif->transparentIndex = (block[0] & kTransparencyFlag) != 0 ? block[3] : -1;
        }
        first = false;
    }
}

// Reads the blocks before the first image and its descriptor: DE_OK, DE_READ when the file
// ends first, DE_NO_IMAGE for a trailer or any other byte where an image should start.
static int32_t ReadUpToImage(FILE* file, GifState* gif)
{
    for (;;) {
        int introducer = fgetc(file);
        if (introducer == EOF) {
            return DE_READ;
        }
        if (introducer == kImageSeparator) {
            break;
        }
        if (introducer != kExtensionIntroducer) {
            return DE_NO_IMAGE;
        }
        if (!SkipExtension(file, gif)) {
            return DE_READ;
        }
    }
    gif->imageDescriptor[0] = kImageSeparator;
    size_t rest = sizeof gif->imageDescriptor - 1;
    return fread(gif->imageDescriptor + 1, 1, rest, file) < rest ? DE_READ : DE_OK;
}

static bool RecogniseGif(const uint8_t* bytes)
{
    return memcmp(bytes, "GIF87a", 6) == 0 || memcmp(bytes, "GIF89a", 6) == 0;
}

static void ReadGifHeader(DecoderCore& core)
{
    FILE* file = core.file;
    GifState* gif = static_cast<GifState*>(RMalloc(kSourceName, __LINE__, sizeof(GifState)));
    gif->colourTable = nullptr;
    gif->colourCount = -1;
    gif->transparentIndex = -1;
    gif->pixelBytes = 0;
    gif->pixelBuffer = nullptr;
    core.state = gif;

    if (fread(gif->screenHeader, 1, sizeof gif->screenHeader, file) < sizeof gif->screenHeader) {
        core.error = DE_READ;
        return;
    }
    uint8_t screenPacked = gif->screenHeader[kScreenPackedOffset];
    if ((screenPacked & kColourTableFlag) != 0 && !ReadColourTable(file, gif, screenPacked)) {
        core.error = DE_READ;
        return;
    }
    core.error = ReadUpToImage(file, gif);
    if (core.error != DE_OK) {
        return;
    }
    uint8_t imagePacked = gif->imageDescriptor[kDescriptorPackedOffset];
    if ((imagePacked & kColourTableFlag) != 0) {
        RFree(kSourceName, __LINE__, gif->colourTable);
        gif->colourTable = nullptr;
        gif->colourCount = -1;
        if (!ReadColourTable(file, gif, imagePacked)) {
            core.error = DE_READ;
            return;
        }
    }
    core.width = LittleEndian16(gif->imageDescriptor + 5);
    core.height = LittleEndian16(gif->imageDescriptor + 7);
    if (!PixelBufferBytes(core.width, core.height, 8, &gif->pixelBytes)) {
        core.error = DE_FORMAT;
    }
}

// The first call decodes the pixels; later calls reuse them.
static void DecodeGifPixels(DecoderCore& core)
{
    GifState* gif = static_cast<GifState*>(core.state);
    if (gif->pixelBuffer != nullptr) {
        return;
    }
    // Four spare bytes leave room to start the rows on a 4-byte boundary.
    size_t bufferBytes = static_cast<size_t>(gif->pixelBytes) + 4;
    gif->pixelBuffer = static_cast<uint8_t*>(AllocateZeroed(bufferBytes));
    GifRowsBegin(gif, core.width, core.height);
    bool interlaced = (gif->imageDescriptor[kDescriptorPackedOffset] & kInterlacedFlag) != 0;
    if (!DecodeImageData(core.file, interlaced)) {
        core.error = DE_READ;
    }
}

// The file's colours into the shared palette, reported when the file has none; the
// transparent index shows black, the background.
static void SetGifPalette(const GifState* gif)
{
    if (gif->colourCount == -1) {
        Warning(kSourceName, __LINE__, "There is no colour table!");
    }
    for (int32_t i = 0; i < gif->colourCount; ++i) {
        RgbQuad& entry = sharedBitmapInfo.palette[i];
        entry.red = gif->colourTable[3 * i];
        entry.green = gif->colourTable[3 * i + 1];
        entry.blue = gif->colourTable[3 * i + 2];
    }
    if (gif->transparentIndex >= 0) {
        sharedBitmapInfo.palette[gif->transparentIndex] = {0, 0, 0, 0};
    }
}

static HBITMAP MakeGifBitmap(DecoderCore& core, HDC dc)
{
    DecodeGifPixels(core);
    GifState* gif = static_cast<GifState*>(core.state);
    SetGifPalette(gif);
    return MakeSharedInfoBitmap(dc, core.width, core.height, 8, FirstRow(gif->pixelBuffer), gif->pixelBytes);
}

// Colour indices as blue, green, red.
static void ExpandIndices(const uint8_t* indices, uint32_t count, const RgbQuad* palette, uint8_t* bgr)
{
    for (uint32_t x = 0; x < count; ++x, bgr += 3) {
        bgr[0] = palette[indices[x]].blue;
        bgr[1] = palette[indices[x]].green;
        bgr[2] = palette[indices[x]].red;
    }
}

// The colours a bitmap of the whole picture would show, reduced.
static HBITMAP MakeReducedGif(DecoderCore& core, HDC dc, uint32_t reducedWidth, uint32_t reducedRows)
{
    DecodeGifPixels(core);
    GifState* gif = static_cast<GifState*>(core.state);
    SetGifPalette(gif);
    uint32_t columns = static_cast<uint32_t>(core.width), rows = static_cast<uint32_t>(core.height);
    size_t stride = static_cast<size_t>(RowStride(columns, 8));
    cAreaReducer reducer(columns, rows, reducedWidth, reducedRows, 3);
    uint8_t* bgr = static_cast<uint8_t*>(RMalloc(kSourceName, __LINE__, 3 * static_cast<size_t>(columns)));
    const uint8_t* row = FirstRow(gif->pixelBuffer);
    for (uint32_t y = 0; y < rows; ++y, row += stride) {
        ExpandIndices(row, columns, sharedBitmapInfo.palette, bgr);
        reducer.AddRow(bgr);
    }
    RFree(kSourceName, __LINE__, bgr);
    return MakeSharedInfoBitmap(dc, reducedWidth, reducedRows, 24, reducer.Pixels(), reducer.PixelBytes());
}

static bool MakeGifForView(DecoderCore& core, HDC dc, const PictureView& view, const PixelRect& visible,
                           ViewBitmap* made)
{
    uint32_t columns = static_cast<uint32_t>(core.width), rows = static_cast<uint32_t>(core.height);
    if (!DrawnSmaller(view, columns, rows) || !CanReduce(columns, rows, view.width, view.height)) {
        return false;
    }
    *made = ShowingPart(MakeReducedGif(core, dc, view.width, view.height), visible, 0, 0);
    return true;
}

static void FreeGifState(void* state)
{
    GifState* gif = static_cast<GifState*>(state);
    if (gif == nullptr) {
        return;
    }
    RFree(kSourceName, __LINE__, gif->colourTable);
    FreeZeroed(gif->pixelBuffer);
    RFree(kSourceName, __LINE__, gif);
}

extern const DecoderFormat kGifFormat = {FORMAT_GIF,     RecogniseGif,   ReadGifHeader,
                                         MakeGifBitmap, MakeGifForView, FreeGifState};
