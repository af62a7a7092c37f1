#include "ShrunkBitmap.h"

#include "AreaReduction.h"
#include "BitmapLayout.h"

#include "../shared/cgen.h"

static const uint32_t kBandRows = 64;

static BITMAPINFOHEADER TrueColourHeader(uint32_t width, int32_t height)
{
    return {sizeof(BITMAPINFOHEADER), static_cast<LONG>(width), height, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
}

// Hands the bitmap's rows, read back in 24 bits, to the reducer, top row first; false
// when GDI refuses. GDI gives them bottom-up, a band at a time.
static bool ReadBackInto(HDC dc, HBITMAP bitmap, uint32_t width, uint32_t rows, cAreaReducer& reducer)
{
    BITMAPINFO info = {};
    info.bmiHeader = TrueColourHeader(width, static_cast<int32_t>(rows));
    size_t stride = static_cast<size_t>(RowStride(width, 24));
    uint32_t bandRows = rows < kBandRows ? rows : kBandRows;
    uint8_t* band = static_cast<uint8_t*>(RMalloc(__FILE__, __LINE__, stride * bandRows));
    bool complete = true;
    for (uint32_t top = 0; top < rows && complete; top += kBandRows) {
        uint32_t count = rows - top < kBandRows ? rows - top : kBandRows;
        int read = GetDIBits(dc, bitmap, rows - top - count, count, band, &info, DIB_RGB_COLORS);
        complete = read == static_cast<int>(count);
        for (uint32_t i = count; complete && i > 0; --i) {
            reducer.AddRow(band + stride * (i - 1));
        }
    }
    RFree(__FILE__, __LINE__, band);
    return complete;
}

HBITMAP ShrunkCopy(HDC dc, HBITMAP bitmap, uint32_t width, uint32_t height)
{
    BITMAP size = {};
    if (GetObject(bitmap, sizeof size, &size) == 0 || !CanReduce(size.bmWidth, size.bmHeight, width, height)) {
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
