#include "Decoding.h"

#include "screensaver/cImageDecoder.h"
#include "tests/common/TestDevice.h"
#include "tests/common/TestFiles.h"

#include <gtest/gtest.h>

#include <cstdio>

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

void ExpectSamePicture(const Picture& actual, const Picture& expected, const std::string& what)
{
    ASSERT_EQ(actual.width, expected.width) << what;
    ASSERT_EQ(actual.height, expected.height) << what;
    ASSERT_EQ(actual.pixels.size(), expected.pixels.size()) << what;
    int wrong = 0;
    for (int y = 0; y < expected.height; ++y) {
        for (int x = 0; x < expected.width; ++x) {
            if (actual.At(x, y) != expected.At(x, y) && ++wrong <= 3) {
                ADD_FAILURE() << what << ": pixel (" << x << "," << y << ") is " << std::hex << actual.At(x, y)
                              << " instead of " << expected.At(x, y);
            }
        }
    }
    EXPECT_EQ(wrong, 0) << what;
}
