#include "TurnedPixels.h"

#include "BitmapLayout.h"
#include "DecoderShared.h"

#include <cstring>

bool SwapsSides(int orientation)
{
    return orientation >= 5;
}

static bool FlipsAcross(int orientation)
{
    return orientation == 2 || orientation == 3 || orientation == 7 || orientation == 8;
}

static bool FlipsDown(int orientation)
{
    return orientation == 3 || orientation == 4 || orientation == 6 || orientation == 7;
}

PixelRect StoredRect(const PixelRect& shown, int orientation, uint32_t storedWidth, uint32_t storedHeight)
{
    // x across the stored rows, y down them.
    bool swaps = SwapsSides(orientation);
    int32_t x0 = swaps ? shown.top : shown.left, x1 = swaps ? shown.bottom : shown.right;
    int32_t y0 = swaps ? shown.left : shown.top, y1 = swaps ? shown.right : shown.bottom;
    int32_t w = static_cast<int32_t>(storedWidth), h = static_cast<int32_t>(storedHeight);
    if (FlipsAcross(orientation)) {
        int32_t left = w - x1;
        x1 = w - x0;
        x0 = left;
    }
    if (FlipsDown(orientation)) {
        int32_t top = h - y1;
        y1 = h - y0;
        y0 = top;
    }
    return {x0, y0, x1, y1};
}

PixelRect ShownRect(const PixelRect& stored, int orientation, uint32_t storedWidth, uint32_t storedHeight)
{
    PixelRect r = stored;
    int32_t w = static_cast<int32_t>(storedWidth), h = static_cast<int32_t>(storedHeight);
    if (FlipsAcross(orientation)) {
        r = {w - stored.right, r.top, w - stored.left, r.bottom};
    }
    if (FlipsDown(orientation)) {
        r = {r.left, h - stored.bottom, r.right, h - stored.top};
    }
    return SwapsSides(orientation) ? PixelRect{r.top, r.left, r.bottom, r.right} : r;
}

// Where stored pixel (0, y) of a region of w x h stored pixels goes in a buffer of the
// region as shown, and the step to the next pixel of the row.
struct RowPlace {
    ptrdiff_t start;
    ptrdiff_t step;
};

static RowPlace PlaceRow(int orientation, uint32_t y, uint32_t w, uint32_t h, size_t stride, int components)
{
    ptrdiff_t down = static_cast<ptrdiff_t>(stride), across = components;
    ptrdiff_t row = y, flippedRow = static_cast<ptrdiff_t>(h) - 1 - y, last = static_cast<ptrdiff_t>(w) - 1;
    switch (orientation) {
    case 2:
        return {row * down + last * across, -across};
    case 3:
        return {flippedRow * down + last * across, -across};
    case 4:
        return {flippedRow * down, across};
    case 5:
        return {row * across, down};
    case 6:
        return {flippedRow * across, down};
    case 7:
        return {flippedRow * across + last * down, -down};
    case 8:
        return {row * across + last * down, -down};
    default:
        return {row * down, across};
    }
}

// Copies `count` pixels of `components` bytes, `step` bytes apart at the destination; four at a
// time, since this runs for every pixel of a turned picture.
template <int kComponents>
static void CopySpread(const uint8_t* from, uint32_t count, uint8_t* to, ptrdiff_t step)
{
    uint32_t x = 0;
    for (; x + 4 <= count; x += 4, from += 4 * kComponents) {
        for (int k = 0; k < 4; ++k, to += step) {
            memcpy(to, from + k * kComponents, kComponents);
        }
    }
    for (; x < count; ++x, from += kComponents, to += step) {
        memcpy(to, from, kComponents);
    }
}

void PutTurnedRow(const uint8_t* from, uint32_t y, uint32_t w, uint32_t h, int orientation, int components,
                  uint8_t* shown, size_t stride)
{
    RowPlace place = PlaceRow(orientation, y, w, h, stride, components);
    uint8_t* to = shown + place.start;
    if (place.step == components) {
        memcpy(to, from, static_cast<size_t>(w) * components);
    } else if (components == 3) {
        CopySpread<3>(from, w, to, place.step);
    } else {
        CopySpread<1>(from, w, to, place.step);
    }
}

uint8_t* TurnBgrPixels(const uint8_t* stored, size_t stride, uint32_t w, uint32_t h, int orientation, size_t* bytes)
{
    bool swaps = SwapsSides(orientation);
    uint32_t shownWidth = swaps ? h : w, shownRows = swaps ? w : h;
    size_t shownStride = static_cast<size_t>(RowStride(shownWidth, 24));
    *bytes = shownStride * shownRows;
    uint8_t* shown = static_cast<uint8_t*>(AllocateZeroed(*bytes));
    for (uint32_t y = 0; y < h; ++y) {
        PutTurnedRow(stored + y * stride, y, w, h, orientation, 3, shown, shownStride);
    }
    return shown;
}

HBITMAP MakeTurnedBitmap(HDC dc, const uint8_t* stored, uint32_t w, uint32_t h, int orientation, int32_t* error)
{
    size_t stride = static_cast<size_t>(RowStride(w, 24));
    const uint8_t* pixels = stored;
    size_t bytes = stride * h;
    uint8_t* turned = nullptr;
    if (orientation != 1) {
        turned = TurnBgrPixels(stored, stride, w, h, orientation, &bytes);
        pixels = turned;
    }
    bool swaps = SwapsSides(orientation);
    HBITMAP bitmap = MakeSharedInfoBitmap(dc, swaps ? h : w, swaps ? w : h, 24, pixels, bytes);
    FreeZeroed(turned);
    if (bitmap == nullptr) {
        *error = DE_BITMAP;
    }
    return bitmap;
}
