// What the decoder hands to the device-bitmap step, checked byte by byte.
#include "screensaver/decoder/BitmapLayout.h"
#include "screensaver/decoder/cImageDecoder.h"
#include "tests/common/BmpWriter.h"
#include "tests/common/GifWriter.h"
#include "tests/common/JpegWriter.h"
#include "tests/common/TestFiles.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

struct Handover {
    std::vector<uint8_t> info;
    std::vector<uint8_t> bits;
    int32_t error;
};

Handover HandOver(const std::vector<uint8_t>& bytes)
{
    std::string path = WriteTempFile("handover", bytes);
    cImageDecoder decoder(path.c_str());
    HBITMAP bitmap = decoder.MakeBitmap(nullptr);
    Handover handover{{}, {}, decoder.error};
    if (bitmap != nullptr) {
        handover.info = AsNativeBitmap(bitmap)->info;
        handover.bits = AsNativeBitmap(bitmap)->bits;
        DeleteDeviceBitmap(bitmap);
    }
    remove(path.c_str());
    return handover;
}

TEST(BmpHandover, PaletteFileHandsOverHeaderColoursAndPixelsAsRead)
{
    std::vector<uint32_t> palette = GreyPalette(256);
    std::vector<uint8_t> bytes = WriteBmp(MakeBmp(PalettePicture(7, 5, palette), 8, false, palette));
    Handover handover = HandOver(bytes);
    ASSERT_EQ(handover.error, DE_OK);
    ASSERT_GE(handover.info.size(), 40u + 1024u);
    EXPECT_TRUE(std::equal(handover.info.begin(), handover.info.begin() + 1064, bytes.begin() + 14));
    ASSERT_EQ(handover.bits.size(), 8u * 5u);
    EXPECT_TRUE(std::equal(handover.bits.begin(), handover.bits.end(), bytes.begin() + 1078));
}

TEST(BmpHandover, LongHeaderTravelsWhole)
{
    BmpFile file = MakeBmp(ColourfulPicture(3, 2), 32, false);
    file.headerSize = 124;
    file.compression = BMP_BITFIELDS;
    file.masks = {0xFF0000, 0x00FF00, 0x0000FF, 0xFF000000};
    std::vector<uint8_t> bytes = WriteBmp(file);
    Handover handover = HandOver(bytes);
    ASSERT_EQ(handover.error, DE_OK);
    ASSERT_GE(handover.info.size(), 124u);
    EXPECT_TRUE(std::equal(handover.info.begin(), handover.info.begin() + 124, bytes.begin() + 14));
}

TEST(BmpHandover, ShortColourTableAndShortPixelsArePaddedWithZeros)
{
    std::vector<uint32_t> palette = GreyPalette(16);
    BmpFile file = MakeBmp(PalettePicture(9, 6, palette), 4, false, palette);
    file.palette.resize(2); // the header still implies 16 colours
    std::vector<uint8_t> bytes = WriteBmp(file);
    size_t pixelStart = bytes.size() - file.pixelData.size();
    bytes.resize(bytes.size() - 10);
    Handover handover = HandOver(bytes);
    EXPECT_EQ(handover.error, DE_READ);
    ASSERT_GE(handover.info.size(), 40u + 64u);
    for (size_t i = 40 + 8; i < 40 + 64; ++i) {
        EXPECT_EQ(handover.info[i], 0) << i;
    }
    ASSERT_EQ(handover.bits.size(), file.pixelData.size());
    EXPECT_TRUE(std::equal(handover.bits.begin(), handover.bits.end() - 10, bytes.begin() + pixelStart));
    for (size_t i = handover.bits.size() - 10; i < handover.bits.size(); ++i) {
        EXPECT_EQ(handover.bits[i], 0) << i;
    }
}

TEST(GifHandover, RowsAreFourByteAlignedIndicesPaddedWithZeros)
{
    IndexedPicture picture = IndexPattern(5, 3, 16);
    Handover handover = HandOver(WriteGif(MakeGif(picture, SpreadColours(16))));
    ASSERT_EQ(handover.error, DE_OK);
    ASSERT_EQ(handover.bits.size(), 8u * 3u);
    for (int y = 0; y < 3; ++y) {
        for (int x = 0; x < 8; ++x) {
            uint8_t expected = x < 5 ? picture.indices[y * 5 + x] : 0;
            EXPECT_EQ(handover.bits[y * 8 + x], expected) << x << "," << y;
        }
    }
    BmpInfoHeader header;
    memcpy(&header, handover.info.data(), sizeof header);
    EXPECT_EQ(header.biWidth, 5);
    EXPECT_EQ(header.biHeight, -3);
    EXPECT_EQ(header.biBitCount, 8);
}

TEST(GifHandover, MissingColourTableIsReportedForEveryBitmap)
{
    GifFile file = MakeGif(IndexPattern(4, 4, 4), SpreadColours(4));
    file.globalColours.clear();
    std::string path = WriteTempFile("no-table", WriteGif(file));
    testing::internal::CaptureStderr();
    {
        cImageDecoder decoder(path.c_str());
        for (int call = 0; call < 2; ++call) {
            HBITMAP bitmap = decoder.MakeBitmap(nullptr);
            EXPECT_NE(bitmap, nullptr);
            DeleteDeviceBitmap(bitmap);
        }
    }
    std::string reported = testing::internal::GetCapturedStderr();
    remove(path.c_str());
    size_t first = reported.find("There is no colour table!\n");
    ASSERT_NE(first, std::string::npos) << reported;
    EXPECT_NE(reported.find("There is no colour table!\n", first + 1), std::string::npos) << reported;
}

TEST(JpegHandover, ThreePixelColourRowsAreTwelveBytesApartInBlueGreenRed)
{
    std::vector<uint8_t> bytes = WriteJpeg(ColourfulPicture(3, 5), JPEG_COLOUR);
    Picture reference = LibraryDecode(bytes);
    Handover handover = HandOver(bytes);
    ASSERT_EQ(handover.error, DE_OK);
    ASSERT_EQ(handover.bits.size(), 12u * 5u);
    for (int y = 0; y < 5; ++y) {
        for (int x = 0; x < 3; ++x) {
            const uint8_t* pixel = &handover.bits[y * 12 + x * 3];
            uint32_t colour = pixel[2] << 16 | pixel[1] << 8 | pixel[0];
            EXPECT_EQ(colour, reference.At(x, y)) << x << "," << y;
        }
    }
    BmpInfoHeader header;
    memcpy(&header, handover.info.data(), sizeof header);
    EXPECT_EQ(header.biBitCount, 24);
    EXPECT_EQ(header.biHeight, -5);
}

} // namespace
