#include "DecoderShared.h"

#include "../../shared/cgen.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#ifdef _WIN32
#include <windows.h>
#else
#include <sys/mman.h>
#include <sys/types.h>
#endif

#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#include <sanitizer/asan_interface.h>
#endif
#endif
#ifndef ASAN_POISON_MEMORY_REGION
#define ASAN_POISON_MEMORY_REGION(start, size) ((void)(start), (void)(size))
#define ASAN_UNPOISON_MEMORY_REGION(start, size) ((void)(start), (void)(size))
#endif

static const char* const kSourceName = "DecoderShared";

SharedBitmapInfo sharedBitmapInfo;
static bool sharedBitmapInfoReady = false;

// Every block has a header in front: what it is and, for pages, the size of the mapping.
struct ZeroedHeader {
    uint64_t kind;
    uint64_t mappingBytes;
};
static const uint64_t kHeapBlock = 0x48656170426C6F63u;
static const uint64_t kSystemPages = 0x5379735061676573u;
static const size_t kSystemPagesFrom = 1u << 20;
static const size_t kPageBytes = 4096;

// Fresh zero pages, null when the system has none; the last page refuses every access.
static uint8_t* MapPages(size_t bytes)
{
#ifdef _WIN32
    uint8_t* pages = static_cast<uint8_t*>(VirtualAlloc(nullptr, bytes, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    DWORD previous;
    if (pages != nullptr) {
        VirtualProtect(pages + bytes - kPageBytes, kPageBytes, PAGE_NOACCESS, &previous);
    }
    return pages;
#else
    void* pages = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (pages == MAP_FAILED) {
        return nullptr;
    }
    mprotect(static_cast<uint8_t*>(pages) + bytes - kPageBytes, kPageBytes, PROT_NONE);
    return static_cast<uint8_t*>(pages);
#endif
}

static void UnmapPages(uint8_t* pages, size_t bytes)
{
#ifdef _WIN32
    (void)bytes;
    VirtualFree(pages, 0, MEM_RELEASE);
#else
    munmap(pages, bytes);
#endif
}

void* AllocateZeroed(size_t size)
{
    if (size >= kSystemPagesFrom && size <= SIZE_MAX - 3 * kPageBytes) {
        // A header page, the block in whole pages, a guard page.
        size_t blockPages = (size + kPageBytes - 1) / kPageBytes * kPageBytes;
        size_t mappingBytes = kPageBytes + blockPages + kPageBytes;
        uint8_t* pages = MapPages(mappingBytes);
        if (pages != nullptr) {
            uint8_t* block = pages + kPageBytes;
            ZeroedHeader header = {kSystemPages, mappingBytes};
            memcpy(block - sizeof header, &header, sizeof header);
            ASAN_POISON_MEMORY_REGION(block + size, blockPages - size);
            return block;
        }
    }
    // Smaller blocks, and larger ones when the system hands out no pages (RMalloc then ends
    // the process when memory is out).
    uint8_t* start = static_cast<uint8_t*>(RMalloc(kSourceName, __LINE__, sizeof(ZeroedHeader) + size));
    ZeroedHeader header = {kHeapBlock, 0};
    memcpy(start, &header, sizeof header);
    memset(start + sizeof header, 0, size);
    return start + sizeof header;
}

void FreeZeroed(void* block)
{
    if (block == nullptr) {
        return;
    }
    uint8_t* bytes = static_cast<uint8_t*>(block);
    ZeroedHeader header;
    memcpy(&header, bytes - sizeof header, sizeof header);
    if (header.kind == kSystemPages) {
        uint8_t* pages = bytes - kPageBytes;
        ASAN_UNPOISON_MEMORY_REGION(pages, header.mappingBytes - kPageBytes);
        UnmapPages(pages, header.mappingBytes);
    } else {
        RFree(kSourceName, __LINE__, bytes - sizeof header);
    }
}

bool ReadFully(FILE* file, void* buffer, size_t count)
{
    size_t got = fread(buffer, 1, count, file);
    if (got < count) {
        memset(static_cast<uint8_t*>(buffer) + got, 0, count - got);
        return false;
    }
    return true;
}

int64_t FileLength(FILE* file)
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
    PrepareSharedBitmapInfo();
    sharedBitmapInfo.header.biWidth = static_cast<int32_t>(bitmapWidth);
    sharedBitmapInfo.header.biHeight = -static_cast<int32_t>(rows);
    sharedBitmapInfo.header.biBitCount = static_cast<uint16_t>(bitCount);
    return CreateDeviceBitmap(dc, &sharedBitmapInfo, sizeof sharedBitmapInfo, pixels, pixelBytes);
}

void PremultipliedToBgr(uint8_t* pixels, uint32_t width, uint32_t rows, size_t stride)
{
    size_t bgrStride = static_cast<size_t>(RowStride(width, 24));
    // Every byte is written at or before the place it is read from.
    for (uint32_t y = 0; y < rows; ++y) {
        const uint8_t* from = pixels + y * stride;
        uint8_t* to = pixels + y * bgrStride;
        for (uint32_t x = 0; x < width; ++x, from += 4, to += 3) {
            uint8_t blue = from[0], green = from[1], red = from[2];
            to[0] = blue;
            to[1] = green;
            to[2] = red;
        }
    }
}

void SetGreyPalette()
{
    for (int i = 0; i < 256; ++i) {
        RgbQuad& entry = sharedBitmapInfo.palette[i];
        entry.blue = entry.green = entry.red = static_cast<uint8_t>(i);
    }
}

ViewBitmap ShowingPart(HBITMAP bitmap, const PixelRect& visible, int32_t left, int32_t top)
{
    PixelRect source = {visible.left - left, visible.top - top, visible.right - left, visible.bottom - top};
    return {bitmap, source, visible};
}

bool DrawnSmaller(const PictureView& view, uint32_t columns, uint32_t rows)
{
    uint32_t width = static_cast<uint32_t>(view.width), height = static_cast<uint32_t>(view.height);
    return width <= columns && height <= rows && (width != columns || height != rows);
}
