// Shrinking pictures by area averaging: each pixel of the result is the mean of the source
// area it covers, the source pixels on its edges weighted by the share of them it covers.
#pragma once

#include <cstddef>
#include <cstdint>

// Whether a reduction from sourceWidth x sourceHeight to width x height can be made: the
// result is not empty, nowhere larger than the source, and within the size policy, and its
// sides are at most 65535 pixels.
bool CanReduce(uint32_t sourceWidth, uint32_t sourceHeight, uint32_t width, uint32_t height);

class cAreaReducer {
public:
    // From sourceWidth x sourceHeight pixels of `channels` bytes (1 or 3) to width x height,
    // a reduction that CanReduce allows.
    cAreaReducer(uint32_t sourceWidth, uint32_t sourceHeight, uint32_t width, uint32_t height, int channels);
    ~cAreaReducer();
    cAreaReducer(const cAreaReducer&) = delete;
    cAreaReducer& operator=(const cAreaReducer&) = delete;

    // Takes the next source row, top row first.
    void AddRow(const uint8_t* row);

    // The result, complete once every source row is in: top row first, rows padded to
    // whole 32-bit words.
    const uint8_t* Pixels() const { return pixels; }
    size_t PixelBytes() const { return stride * height; }

private:
    void SumDown(const uint8_t* row, uint32_t weight, uint32_t followingWeight);
    template <int kChannels> void SumAcross();
    void FinishResultRow();

    uint32_t sourceWidth;
    uint32_t sourceHeight;
    uint32_t width;
    uint32_t height;
    int channels;
    size_t stride;
    // Per source column: the first result column it falls in, and its weight there and in
    // the next column.
    uint32_t* columns;
    uint16_t* columnWeights;
    uint16_t* nextColumnWeights;
    uint32_t sourceRow; // rows taken so far
    uint32_t resultRow; // the result row the next source row falls in first
    uint32_t* current;  // source rows summed down into the result row in progress
    uint32_t* following; // and into the row after it
    uint32_t* rowSums;  // the result row in progress summed across, width + 1 columns
    uint8_t* pixels;
};
