// Enlarging pictures with a linear filter: each pixel of the result lies between the four
// source pixels nearest to its centre and takes their colours in proportion to how near it
// lies to each, so that edges stay smooth instead of turning into blocks of repeated pixels.
#pragma once

#include "PictureView.h"

#include <cstddef>
#include <cstdint>

// Whether an enlargement of sourceWidth x sourceHeight to drawnWidth x drawnHeight, of
// which `visible` is made, can be made: the drawn picture is nowhere smaller than the
// source, `visible` is a non-empty part of it, and the part is within the size policy.
bool CanEnlarge(uint32_t sourceWidth, uint32_t sourceHeight, uint32_t drawnWidth, uint32_t drawnHeight,
                const PixelRect& visible);

class cLinearEnlarger {
public:
    // From sourceWidth x sourceHeight pixels of three bytes to the `visible` part of the
    // picture drawn drawnWidth x drawnHeight, an enlargement that CanEnlarge allows.
    cLinearEnlarger(uint32_t sourceWidth, uint32_t sourceHeight, uint32_t drawnWidth, uint32_t drawnHeight,
                    const PixelRect& visible);
    ~cLinearEnlarger();
    cLinearEnlarger(const cLinearEnlarger&) = delete;
    cLinearEnlarger& operator=(const cLinearEnlarger&) = delete;

    // Takes the next source row, top row first; rows past the last one needed are ignored.
    void AddRow(const uint8_t* row);

    // The visible part, complete once every source row is in: top row first, three bytes a
    // pixel, rows padded to whole 32-bit words.
    const uint8_t* Pixels() const { return pixels; }
    size_t PixelBytes() const { return stride * height; }
    uint32_t Width() const { return width; }
    uint32_t Height() const { return height; }

private:
    void SpreadAcross(const uint8_t* row, uint32_t* spread) const;
    void FinishRows();

    uint32_t sourceWidth;
    uint32_t sourceHeight;
    uint32_t drawnHeight;
    uint32_t width;  // of the visible part
    uint32_t height; // of the visible part
    uint32_t top;    // the visible part's first row in the drawn picture
    size_t stride;
    // Per result column: the source column on its left and the weight of the one after it.
    uint32_t* columns;
    uint16_t* columnWeights;
    // The last two source rows spread across the result's columns, in 1/2048 of a colour.
    uint32_t* spread[2];
    uint32_t sourceRow; // rows taken so far
    uint32_t resultRow; // result rows finished so far
    uint8_t* pixels;
};
