// Positions are fixed-point with 12 fraction bits in result pixels: every result pixel is
// 4096 units wide and high, and source pixel i spans units edge(i) ... edge(i + 1) - 1.
// Since the result is never larger than the source, a source pixel falls in at most two
// result pixels in each direction, and the weights of each result pixel add up to exactly
// 4096 x 4096: uniform areas come out unchanged. 255 x 4096 x 4096 fits in 32 bits, and
// result sides up to kMaxReducedSide keep every position within 32 bits.
#include "AreaReduction.h"

#include "BitmapLayout.h"
#include "DecoderShared.h"

#include "../../shared/cgen.h"

#include <cstring>
#include <utility>

#if defined(__i386__) || defined(__x86_64__)
#include <emmintrin.h>
#endif


static const int kFractionBits = 12;
static const uint32_t kMaxReducedSide = 65535;
// What the reducer keeps per source column: its place and weights, and two rows of sums
// of up to three channels.
static const uint32_t kBitsPerSourceColumn = 8 * (sizeof(uint32_t) + 2 * sizeof(uint16_t) + 6 * sizeof(uint32_t));

bool CanReduce(uint32_t sourceWidth, uint32_t sourceHeight, uint32_t width, uint32_t height)
{
    uint64_t bytes;
    return width >= 1 && height >= 1 && width <= sourceWidth && height <= sourceHeight &&
           width <= kMaxReducedSide && height <= kMaxReducedSide && PixelBufferBytes(width, height, 24, &bytes) &&
           PixelBufferBytes(sourceWidth, 1, kBitsPerSourceColumn, &bytes);
}

// The unit at which source pixel i starts.
static uint32_t Edge(uint32_t i, uint32_t resultSize, uint32_t sourceSize)
{
    return static_cast<uint32_t>((static_cast<uint64_t>(i) * resultSize << kFractionBits) / sourceSize);
}

template <typename T> static T* AllocateZeroedArray(size_t count)
{
    return static_cast<T*>(AllocateZeroed(count * sizeof(T)));
}

cAreaReducer::cAreaReducer(uint32_t sourceWidth_, uint32_t sourceHeight_, uint32_t width_, uint32_t height_,
                           int channels_)
    : sourceWidth(sourceWidth_), sourceHeight(sourceHeight_), width(width_), height(height_), channels(channels_),
      stride(static_cast<size_t>(RowStride(width_, 8 * channels_))),
      columns(AllocateZeroedArray<uint32_t>(sourceWidth_)),
      columnWeights(AllocateZeroedArray<uint16_t>(sourceWidth_)),
      nextColumnWeights(AllocateZeroedArray<uint16_t>(sourceWidth_)), sourceRow(0), resultRow(0),
      current(AllocateZeroedArray<uint32_t>(static_cast<size_t>(sourceWidth_) * channels_)),
      following(AllocateZeroedArray<uint32_t>(static_cast<size_t>(sourceWidth_) * channels_)),
      rowSums(AllocateZeroedArray<uint32_t>((width_ + 1) * static_cast<size_t>(channels_))),
      pixels(AllocateZeroedArray<uint8_t>(stride * height_))
{
    for (uint32_t i = 0; i < sourceWidth; ++i) {
        uint32_t start = Edge(i, width, sourceWidth), end = Edge(i + 1, width, sourceWidth);
        uint32_t columnEnd = ((start >> kFractionBits) + 1) << kFractionBits;
        columns[i] = start >> kFractionBits;
        columnWeights[i] = static_cast<uint16_t>((end < columnEnd ? end : columnEnd) - start);
        nextColumnWeights[i] = static_cast<uint16_t>(end - start - columnWeights[i]);
    }
}

cAreaReducer::~cAreaReducer()
{
    FreeZeroed(columns);
    FreeZeroed(columnWeights);
    FreeZeroed(nextColumnWeights);
    FreeZeroed(current);
    FreeZeroed(following);
    FreeZeroed(rowSums);
    FreeZeroed(pixels);
}

static void AddWeightedPlain(uint32_t* sums, const uint8_t* row, size_t count, uint32_t weight)
{
    for (size_t i = 0; i < count; ++i) {
        sums[i] += row[i] * weight;
    }
}

#if defined(__i386__) || defined(__x86_64__)
// Sixteen values a step: 16-bit products split into their low and high halves, joined into
// 32-bit sums (a value times a weight of at most 4096 needs 20 bits).
__attribute__((target("sse2"))) static void AddWeightedSse2(uint32_t* sums, const uint8_t* row, size_t count,
                                                            uint32_t weight)
{
    const __m128i zero = _mm_setzero_si128();
    const __m128i factor = _mm_set1_epi16(static_cast<short>(weight));
    size_t i = 0;
    for (; i + 16 <= count; i += 16) {
        __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + i));
        const __m128i halves[2] = {_mm_unpacklo_epi8(bytes, zero), _mm_unpackhi_epi8(bytes, zero)};
        for (int half = 0; half < 2; ++half) {
            __m128i low = _mm_mullo_epi16(halves[half], factor);
            __m128i high = _mm_mulhi_epu16(halves[half], factor);
            __m128i* to = reinterpret_cast<__m128i*>(sums + i + 8 * half);
            _mm_storeu_si128(to, _mm_add_epi32(_mm_loadu_si128(to), _mm_unpacklo_epi16(low, high)));
            _mm_storeu_si128(to + 1, _mm_add_epi32(_mm_loadu_si128(to + 1), _mm_unpackhi_epi16(low, high)));
        }
    }
    AddWeightedPlain(sums + i, row + i, count - i, weight);
}

static bool HasSse2()
{
    static const bool has = __builtin_cpu_supports("sse2");
    return has;
}
#endif

// sums[i] += row[i] x weight for `count` values, the weight at most 4096.
static void AddWeighted(uint32_t* sums, const uint8_t* row, size_t count, uint32_t weight)
{
#if defined(__i386__) || defined(__x86_64__)
    if (HasSse2()) {
        AddWeightedSse2(sums, row, count, weight);
        return;
    }
#endif
    AddWeightedPlain(sums, row, count, weight);
}

// Adds the row to the sums of the result row in progress and of the one after it.
void cAreaReducer::SumDown(const uint8_t* row, uint32_t weight, uint32_t followingWeight)
{
    size_t count = static_cast<size_t>(sourceWidth) * channels;
    AddWeighted(current, row, count, weight);
    if (followingWeight != 0) {
        AddWeighted(following, row, count, followingWeight);
    }
}

// rowSums := the result row in progress summed across, in units of 1/(4096 x 4096) of a value.
template <int kChannels> void cAreaReducer::SumAcross()
{
    memset(rowSums, 0, (width + 1) * kChannels * sizeof(uint32_t));
    const uint32_t* column = current;
    for (uint32_t i = 0; i < sourceWidth; ++i, column += kChannels) {
        uint32_t* sums = rowSums + columns[i] * kChannels;
        uint32_t weight = columnWeights[i], nextWeight = nextColumnWeights[i];
        for (int c = 0; c < kChannels; ++c) {
            sums[c] += column[c] * weight;
            sums[kChannels + c] += column[c] * nextWeight;
        }
    }
}

void cAreaReducer::FinishResultRow()
{
    if (channels == 1) {
        SumAcross<1>();
    } else {
        SumAcross<3>();
    }
    uint8_t* out = pixels + resultRow * stride;
    size_t count = static_cast<size_t>(width) * channels;
    for (size_t i = 0; i < count; ++i) {
        out[i] = static_cast<uint8_t>((rowSums[i] + (1u << (2 * kFractionBits - 1))) >> (2 * kFractionBits));
    }
    std::swap(current, following);
    memset(following, 0, static_cast<size_t>(sourceWidth) * channels * sizeof(uint32_t));
    ++resultRow;
}

void cAreaReducer::AddRow(const uint8_t* row)
{
    if (sourceRow == sourceHeight) {
        return;
    }
    uint32_t start = Edge(sourceRow, height, sourceHeight), end = Edge(sourceRow + 1, height, sourceHeight);
    uint32_t rowEnd = (resultRow + 1) << kFractionBits;
    uint32_t weight = (end < rowEnd ? end : rowEnd) - start;
    SumDown(row, weight, end - start - weight);
    ++sourceRow;
    if (end >= rowEnd) {
        FinishResultRow();
    }
}
