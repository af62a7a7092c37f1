#include "Decoding.h"

#include "screensaver/decoder/cImageDecoder.h"
#include "tests/common/TestDevice.h"
#include "tests/common/TestFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

Decoded DecodeBytes(const std::vector<uint8_t>& bytes, bool secondBitmap)
{
    std::string path = WriteTempFile("decode", bytes);
    Decoded decoded;
    {
        cImageDecoder decoder(path.c_str());
        decoded.headerError = decoder.error;
        decoded.width = decoder.width;
        decoded.height = decoder.height;
        HDC dc = AcquireTestDevice();
        HBITMAP bitmap = decoder.MakeBitmap(dc);
        decoded.error = decoder.error;
        decoded.made = bitmap != nullptr;
        if (bitmap != nullptr) {
            int rows = decoder.height < 0 ? -decoder.height : decoder.height;
            decoded.picture = ReadBackBitmap(dc, bitmap, decoder.width, rows);
            DeleteDeviceBitmap(bitmap);
        }
        if (secondBitmap) {
            HBITMAP again = decoder.MakeBitmap(dc);
            decoded.madeAgain = again != nullptr;
            DeleteDeviceBitmap(again);
        }
        ReleaseTestDevice(dc);
    }
    remove(path.c_str());
    return decoded;
}

ViewShown DecodeView(const std::vector<uint8_t>& bytes, const PictureView& view)
{
    std::string path = WriteTempFile("view", bytes);
    ViewShown shown;
    {
        cImageDecoder decoder(path.c_str());
        HDC dc = AcquireTestDevice();
        ViewBitmap made = decoder.MakeBitmap(dc, view);
        shown.error = decoder.error;
        shown.made = made.bitmap != nullptr;
        if (shown.made) {
            shown.picture = Cut(ReadBackBitmap(dc, made.bitmap), made.source);
            shown.destination = made.destination;
            DeleteDeviceBitmap(made.bitmap);
        }
        ReleaseTestDevice(dc);
    }
    remove(path.c_str());
    return shown;
}

Picture Cut(const Picture& picture, const PixelRect& rect)
{
    Picture part{rect.right - rect.left, rect.bottom - rect.top, {}};
    for (int y = rect.top; y < rect.bottom; ++y) {
        for (int x = rect.left; x < rect.right; ++x) {
            part.pixels.push_back(picture.At(x, y));
        }
    }
    return part;
}

// The share of result pixel `at` that source pixel i covers, source pixels being
// `resultSize / sourceSize` result pixels wide.
static double Overlap(int i, int at, int sourceSize, int resultSize)
{
    double start = static_cast<double>(i) * resultSize / sourceSize;
    double end = static_cast<double>(i + 1) * resultSize / sourceSize;
    return std::max(0.0, std::min<double>(end, at + 1) - std::max<double>(start, at));
}

Picture AreaMean(const Picture& picture, int width, int height)
{
    Picture mean{width, height, {}};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            double sums[3] = {};
            for (int j = 0; j < picture.height; ++j) {
                double down = Overlap(j, y, picture.height, height);
                for (int i = 0; i < picture.width && down > 0; ++i) {
                    double share = down * Overlap(i, x, picture.width, width);
                    for (int c = 0; c < 3; ++c) {
                        sums[c] += share * (picture.At(i, j) >> (8 * c) & 0xFF);
                    }
                }
            }
            mean.pixels.push_back(static_cast<uint32_t>(std::lround(sums[2])) << 16 |
                                  static_cast<uint32_t>(std::lround(sums[1])) << 8 |
                                  static_cast<uint32_t>(std::lround(sums[0])));
        }
    }
    return mean;
}

// Where the centre of drawn pixel i lies in a source of `size` pixels, kept within its centres.
static double LinearCentre(int i, int size, int drawnSize)
{
    double centre = (i + 0.5) * size / drawnSize - 0.5;
    return std::min(std::max(centre, 0.0), size - 1.0);
}

Picture LinearReference(const Picture& picture, int width, int height, const PixelRect& visible)
{
    Picture result{visible.right - visible.left, visible.bottom - visible.top, {}};
    for (int y = visible.top; y < visible.bottom; ++y) {
        double down = LinearCentre(y, picture.height, height);
        int above = static_cast<int>(down), below = std::min(above + 1, picture.height - 1);
        for (int x = visible.left; x < visible.right; ++x) {
            double across = LinearCentre(x, picture.width, width);
            int left = static_cast<int>(across), right = std::min(left + 1, picture.width - 1);
            uint32_t pixel = 0;
            for (int shift : {0, 8, 16}) {
                auto channel = [&](int i, int j) { return static_cast<double>(picture.At(i, j) >> shift & 0xFF); };
                double top = channel(left, above) + (across - left) * (channel(right, above) - channel(left, above));
                double bottom = channel(left, below) + (across - left) * (channel(right, below) - channel(left, below));
                pixel |= static_cast<uint32_t>(std::lround(top + (down - above) * (bottom - top))) << shift;
            }
            result.pixels.push_back(pixel);
        }
    }
    return result;
}

static bool Near(uint32_t a, uint32_t b, int tolerance)
{
    for (int shift : {0, 8, 16}) {
        if (std::abs(static_cast<int>(a >> shift & 0xFF) - static_cast<int>(b >> shift & 0xFF)) > tolerance) {
            return false;
        }
    }
    return true;
}

void ExpectSamePicture(const Picture& actual, const Picture& expected, const std::string& what, int tolerance)
{
    ASSERT_EQ(actual.width, expected.width) << what;
    ASSERT_EQ(actual.height, expected.height) << what;
    ASSERT_EQ(actual.pixels.size(), expected.pixels.size()) << what;
    int wrong = 0;
    for (int y = 0; y < expected.height; ++y) {
        for (int x = 0; x < expected.width; ++x) {
            if (!Near(actual.At(x, y), expected.At(x, y), tolerance) && ++wrong <= 3) {
                ADD_FAILURE() << what << ": pixel (" << x << "," << y << ") is " << std::hex << actual.At(x, y)
                              << " instead of " << expected.At(x, y);
            }
        }
    }
    EXPECT_EQ(wrong, 0) << what;
}
