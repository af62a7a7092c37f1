// Positions are fixed-point with 11 fraction bits in source pixels, rounded to nearest. The
// centre of drawn pixel i lies at (i + 1/2) x source / drawn - 1/2 source pixels; it is held
// to the source's first and last centres, so that the edges repeat their own colour rather
// than fading out. A drawn size equal to the source's gives whole positions: the pixels come
// out unchanged. A colour spread across (255 x 2048 at most) times a weight down fits in 32
// bits, and each result is within 0.63 of the exact interpolation.
#include "LinearEnlargement.h"

#include "BitmapLayout.h"
#include "DecoderShared.h"

#include <cstring>

static const int kFractionBits = 11;
static const uint32_t kOne = 1u << kFractionBits;
static const uint32_t kChannels = 3;
// What the enlarger keeps per result column: its source column and weight, and two rows of
// spread colours.
static const uint32_t kBitsPerColumn = 8 * (sizeof(uint32_t) + sizeof(uint16_t) + 2 * kChannels * sizeof(uint32_t));

// The centre of drawn pixel i in source pixels, kOne to a pixel, held within the source.
static uint32_t SourceCentre(uint32_t i, uint32_t drawnSize, uint32_t sourceSize)
{
    int64_t twiceDrawn = 2 * static_cast<int64_t>(drawnSize);
    int64_t centre = ((2 * static_cast<int64_t>(i) + 1) * sourceSize * kOne + drawnSize) / twiceDrawn - kOne / 2;
    int64_t last = static_cast<int64_t>(sourceSize - 1) * kOne;
    return static_cast<uint32_t>(centre < 0 ? 0 : centre > last ? last : centre);
}

bool CanEnlarge(uint32_t sourceWidth, uint32_t sourceHeight, uint32_t drawnWidth, uint32_t drawnHeight,
                const PixelRect& visible)
{
    uint64_t bytes;
    return sourceWidth >= 1 && sourceHeight >= 1 && drawnWidth >= sourceWidth && drawnHeight >= sourceHeight &&
           visible.left >= 0 && visible.top >= 0 && visible.right > visible.left && visible.bottom > visible.top &&
           static_cast<uint32_t>(visible.right) <= drawnWidth && static_cast<uint32_t>(visible.bottom) <= drawnHeight &&
           PixelBufferBytes(static_cast<uint32_t>(visible.right - visible.left),
                            static_cast<uint32_t>(visible.bottom - visible.top), 24, &bytes) &&
           PixelBufferBytes(static_cast<uint32_t>(visible.right - visible.left), 1, kBitsPerColumn, &bytes);
}

template <typename T> static T* AllocateZeroedArray(size_t count)
{
    return static_cast<T*>(AllocateZeroed(count * sizeof(T)));
}

cLinearEnlarger::cLinearEnlarger(uint32_t sourceWidth_, uint32_t sourceHeight_, uint32_t drawnWidth,
                                 uint32_t drawnHeight_, const PixelRect& visible)
    : sourceWidth(sourceWidth_), sourceHeight(sourceHeight_), drawnHeight(drawnHeight_),
      width(static_cast<uint32_t>(visible.right - visible.left)),
      height(static_cast<uint32_t>(visible.bottom - visible.top)), top(static_cast<uint32_t>(visible.top)),
      stride(static_cast<size_t>(RowStride(width, 24))), columns(AllocateZeroedArray<uint32_t>(width)),
      columnWeights(AllocateZeroedArray<uint16_t>(width)),
      spread{AllocateZeroedArray<uint32_t>(width * kChannels), AllocateZeroedArray<uint32_t>(width * kChannels)},
      sourceRow(0), resultRow(0), pixels(AllocateZeroedArray<uint8_t>(stride * height))
{
    for (uint32_t i = 0; i < width; ++i) {
        uint32_t centre = SourceCentre(static_cast<uint32_t>(visible.left) + i, drawnWidth, sourceWidth);
        columns[i] = centre >> kFractionBits;
        columnWeights[i] = static_cast<uint16_t>(centre & (kOne - 1));
    }
}

cLinearEnlarger::~cLinearEnlarger()
{
    FreeZeroed(columns);
    FreeZeroed(columnWeights);
    FreeZeroed(spread[0]);
    FreeZeroed(spread[1]);
    FreeZeroed(pixels);
}

// The row's colours at the result's columns, each between its two nearest source pixels.
void cLinearEnlarger::SpreadAcross(const uint8_t* row, uint32_t* to) const
{
    for (uint32_t i = 0; i < width; ++i) {
        uint32_t left = columns[i], weight = columnWeights[i];
        const uint8_t* a = row + left * kChannels;
        const uint8_t* b = weight != 0 ? a + kChannels : a;
        for (uint32_t c = 0; c < kChannels; ++c) {
            *to++ = a[c] * (kOne - weight) + b[c] * weight;
        }
    }
}

// Finishes every result row that lies between the source rows taken so far.
void cLinearEnlarger::FinishRows()
{
    uint32_t newest = sourceRow - 1;
    while (resultRow < height) {
        uint32_t centre = SourceCentre(top + resultRow, drawnHeight, sourceHeight);
        uint32_t above = centre >> kFractionBits, weight = centre & (kOne - 1);
        uint32_t below = weight != 0 ? above + 1 : above;
        if (below > newest) {
            return;
        }
        const uint32_t* upper = spread[above & 1];
        const uint32_t* lower = spread[below & 1];
        uint8_t* out = pixels + resultRow * stride;
        for (uint32_t i = 0; i < width * kChannels; ++i) {
            uint32_t value = upper[i] * (kOne - weight) + lower[i] * weight;
            out[i] = static_cast<uint8_t>((value + (1u << (2 * kFractionBits - 1))) >> (2 * kFractionBits));
        }
        ++resultRow;
    }
}

void cLinearEnlarger::AddRow(const uint8_t* row)
{
    if (sourceRow == sourceHeight || resultRow == height) {
        return;
    }
    SpreadAcross(row, spread[sourceRow & 1]);
    ++sourceRow;
    FinishRows();
}
