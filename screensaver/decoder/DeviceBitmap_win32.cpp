#include "DeviceBitmap.h"

#include "../GdiGuards.h"
#include "AreaReduction.h"
#include "BitmapLayout.h"
#include "LinearEnlargement.h"

#include "../../shared/cgen.h"

#include <windows.h>

static const char* const kSourceName = "DeviceBitmap";
static const uint32_t kBandRows = 64;

HBITMAP CreateDeviceBitmap(HDC dc, const void* info, size_t, const void* bits, size_t)
{
    const BITMAPINFO* description = static_cast<const BITMAPINFO*>(info);
    return CreateDIBitmap(dc, &description->bmiHeader, CBM_INIT, bits, description, DIB_RGB_COLORS);
}

void DeleteDeviceBitmap(HBITMAP bitmap)
{
    DeleteObject(bitmap);
}

static BITMAPINFOHEADER TrueColourHeader(uint32_t width, int32_t height)
{
    return {sizeof(BITMAPINFOHEADER), static_cast<LONG>(width), height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
}

// Hands the bitmap's rows, read back in 24 bits, to a reducer or an enlarger, top row
// first; false when GDI refuses. GDI gives them bottom-up, a band at a time.
template <typename RowTaker>
static bool ReadBackInto(HDC dc, HBITMAP bitmap, uint32_t width, uint32_t rows, RowTaker& taker)
{
    BITMAPINFO info = {};
    info.bmiHeader = TrueColourHeader(width, static_cast<int32_t>(rows));
    size_t stride = static_cast<size_t>(RowStride(width, 24));
    uint32_t bandRows = rows < kBandRows ? rows : kBandRows;
    uint8_t* band = static_cast<uint8_t*>(RMalloc(kSourceName, __LINE__, stride * bandRows));
    bool complete = true;
    for (uint32_t top = 0; top < rows && complete; top += kBandRows) {
        uint32_t count = rows - top < kBandRows ? rows - top : kBandRows;
        int read = GetDIBits(dc, bitmap, rows - top - count, count, band, &info, DIB_RGB_COLORS);
        complete = read == static_cast<int>(count);
        for (uint32_t i = count; complete && i > 0; --i) {
            taker.AddRow(band + stride * (i - 1));
        }
    }
    RFree(kSourceName, __LINE__, band);
    return complete;
}

static HBITMAP ReducedCopy(HDC dc, HBITMAP bitmap, const BITMAP& size, uint32_t width, uint32_t height)
{
    if (!CanReduce(size.bmWidth, size.bmHeight, width, height)) {
        return nullptr;
    }
    cAreaReducer reducer(size.bmWidth, size.bmHeight, width, height, 3);
    if (!ReadBackInto(dc, bitmap, size.bmWidth, size.bmHeight, reducer)) {
        return nullptr;
    }
    BITMAPINFO info = {};
    info.bmiHeader = TrueColourHeader(width, -static_cast<int32_t>(height));
    return CreateDIBitmap(dc, &info.bmiHeader, CBM_INIT, reducer.Pixels(), &info, DIB_RGB_COLORS);
}

// The halftone mode averages the pixels a shrinking stretch drops.
static HBITMAP HalftoneCopy(HDC dc, HBITMAP bitmap, const BITMAP& size, uint32_t width, uint32_t height)
{
    HBITMAP copy = CreateCompatibleBitmap(dc, static_cast<int>(width), static_cast<int>(height));
    if (copy == nullptr) {
        return nullptr;
    }
    bool drawn;
    {
        cMemoryDc from(dc);
        cMemoryDc to(dc);
        cSelection source(from, bitmap);
        cSelection target(to, copy);
        cHalftoneStretch halftone(to);
        drawn = source.Selected() && target.Selected() &&
                StretchBlt(to, 0, 0, static_cast<int>(width), static_cast<int>(height), from, 0, 0, size.bmWidth,
                           size.bmHeight, SRCCOPY);
    }
    if (!drawn) {
        DeleteObject(copy);
        return nullptr;
    }
    return copy;
}

HBITMAP ShrinkDeviceBitmap(HDC dc, HBITMAP bitmap, uint32_t width, uint32_t height)
{
    BITMAP size = {};
    if (GetObject(bitmap, sizeof size, &size) == 0) {
        return nullptr;
    }
    HBITMAP reduced = ReducedCopy(dc, bitmap, size, width, height);
    return reduced != nullptr ? reduced : HalftoneCopy(dc, bitmap, size, width, height);
}

HBITMAP EnlargeDeviceBitmap(HDC dc, HBITMAP bitmap, uint32_t drawnWidth, uint32_t drawnHeight, const PixelRect& visible)
{
    BITMAP size = {};
    if (GetObject(bitmap, sizeof size, &size) == 0 ||
        !CanEnlarge(size.bmWidth, size.bmHeight, drawnWidth, drawnHeight, visible)) {
        return nullptr;
    }
    cLinearEnlarger enlarger(size.bmWidth, size.bmHeight, drawnWidth, drawnHeight, visible);
    if (!ReadBackInto(dc, bitmap, size.bmWidth, size.bmHeight, enlarger)) {
        return nullptr;
    }
    BITMAPINFO info = {};
    info.bmiHeader = TrueColourHeader(enlarger.Width(), -static_cast<int32_t>(enlarger.Height()));
    return CreateDIBitmap(dc, &info.bmiHeader, CBM_INIT, enlarger.Pixels(), &info, DIB_RGB_COLORS);
}
