// Pictures stored in one orientation and shown in another (an Exif orientation, 1 to 8):
// the mapping of rectangles between the two, and rows and buffers turned into the shown
// orientation. Shared by the formats that carry an orientation.
#pragma once

#include "DeviceBitmap.h"
#include "PictureView.h"

#include <cstddef>
#include <cstdint>

// Whether the orientation swaps width and height (5 to 8).
bool SwapsSides(int orientation);

// The stored pixels that a rectangle of the shown picture covers; storedWidth x storedHeight
// is the stored picture's size.
PixelRect StoredRect(const PixelRect& shown, int orientation, uint32_t storedWidth, uint32_t storedHeight);
// The inverse: the shown pixels that a rectangle of stored pixels becomes.
PixelRect ShownRect(const PixelRect& stored, int orientation, uint32_t storedWidth, uint32_t storedHeight);

// Puts stored row y of a w x h region (pixels of `components` bytes) into a buffer of the
// region as shown, rows `stride` bytes apart.
void PutTurnedRow(const uint8_t* from, uint32_t y, uint32_t w, uint32_t h, int orientation, int components,
                  uint8_t* shown, size_t stride);

// A new buffer (AllocateZeroed) of a top-down 24-bit w x h stored region turned as shown,
// rows 4-byte aligned; its size in *bytes. The region's rows are `stride` bytes apart.
uint8_t* TurnBgrPixels(const uint8_t* stored, size_t stride, uint32_t w, uint32_t h, int orientation, size_t* bytes);

// A 24-bit bitmap of a top-down stored region (w x h, rows 4-byte aligned) turned as shown;
// null, with DE_BITMAP in *error, where the platform refuses it.
HBITMAP MakeTurnedBitmap(HDC dc, const uint8_t* stored, uint32_t w, uint32_t h, int orientation, int32_t* error);
