#include "screensaver/decoder/BitmapLayout.h"
#include "screensaver/decoder/cImageDecoder.h"
#include "tests/common/BmpWriter.h"
#include "tests/common/Decoding.h"
#include "tests/common/TestFiles.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>
#include <vector>

namespace {

// The bytes of a literal, embedded zeros included.
template <size_t N>
std::vector<uint8_t> Bytes(const char (&text)[N])
{
    return std::vector<uint8_t>(text, text + N - 1);
}

ImageFormat Detect(const std::vector<uint8_t>& bytes)
{
    std::string path = WriteTempFile("detect", bytes);
    FILE* file = fopen(path.c_str(), "rb");
    ImageFormat format = DetectFormat(file);
    fclose(file);
    remove(path.c_str());
    return format;
}

TEST(DetectFormat, RecognisesByTheFirstTenBytesInOrder)
{
    EXPECT_EQ(Detect({}), FORMAT_UNKNOWN);
    EXPECT_EQ(Detect(Bytes("GIF89a123")), FORMAT_UNKNOWN); // nine bytes
    EXPECT_EQ(Detect(Bytes("Just some text in a file")), FORMAT_UNKNOWN);
    EXPECT_EQ(Detect(Bytes("\xFF\xD8\xFF\xE0\x00\x10JFIF\x00")), FORMAT_JPEG);
    EXPECT_EQ(Detect(Bytes("\xFF\xD8\xFF\xE1\x00\x10\x45xif\x00")), FORMAT_JPEG); // start of image
    EXPECT_EQ(Detect(Bytes("\xFF\xD8\xFE\xE1\x00\x10\x45xif\x00")), FORMAT_UNKNOWN);
    EXPECT_EQ(Detect(Bytes("\x89PNG\r\n\x1A\n\x00\x00")), FORMAT_PNG);
    EXPECT_EQ(Detect(Bytes("\x89PNG\r\n\x1A\x00\x00\x00")), FORMAT_UNKNOWN);
    EXPECT_EQ(Detect(Bytes("BM\x10\x00\x00\x00\x00\x00\x00\x00")), FORMAT_BMP);
    EXPECT_EQ(Detect(Bytes("BM\x10\x00\x00\x00\x00\x00\x01\x00")), FORMAT_UNKNOWN);
    EXPECT_EQ(Detect(Bytes("GIF87a\x01\x00\x01\x00")), FORMAT_GIF);
    EXPECT_EQ(Detect(Bytes("GIF89a\x01\x00\x01\x00")), FORMAT_GIF);
    EXPECT_EQ(Detect(Bytes("GIF88a\x01\x00\x01\x00")), FORMAT_UNKNOWN);
    EXPECT_EQ(Detect(Bytes("GIF87aJFIF")), FORMAT_JPEG); // JFIF is tested first
    EXPECT_EQ(Detect(Bytes("RIFF\x24\x00\x00\x00WEBP")), FORMAT_WEBP);
    EXPECT_EQ(Detect(Bytes("RIFF\x24\x00\x00\x00WAVE")), FORMAT_UNKNOWN);
    EXPECT_EQ(Detect(Bytes("RIFF\x24\x00\x00\x00WEB")), FORMAT_UNKNOWN);                     // eleven bytes
    EXPECT_EQ(Detect(Bytes("II*\x00\x08\x00\x00\x00\x0B\x00\x00\x01")), FORMAT_UNKNOWN); // no bytes name the rest
}

std::vector<uint8_t> SmallBmp(int width = 5, int height = 3, bool topDown = false)
{
    return WriteBmp(MakeBmp(ColourfulPicture(width, height), 24, topDown));
}

void Patch32(std::vector<uint8_t>& bytes, size_t offset, uint32_t value)
{
    memcpy(&bytes[offset], &value, 4);
}

TEST(BmpDecoder, MissingAndUnrecognisedFilesGiveNoBitmap)
{
    cImageDecoder missing("no-such-directory/no-such-file.bmp");
    EXPECT_EQ(missing.error, DE_OPEN);
    EXPECT_EQ(missing.MakeBitmap(nullptr), nullptr);

    Decoded text = DecodeBytes(Bytes("This is a text file, not a picture."), true);
    EXPECT_EQ(text.headerError, DE_FORMAT);
    EXPECT_FALSE(text.made);
}

TEST(BmpDecoder, GoodFileGivesItsSizeAndABitmapPerCall)
{
    Decoded bottomUp = DecodeBytes(SmallBmp(5, 3), true);
    EXPECT_EQ(bottomUp.headerError, DE_OK);
    EXPECT_EQ(bottomUp.width, 5);
    EXPECT_EQ(bottomUp.height, 3);
    EXPECT_TRUE(bottomUp.made);
    EXPECT_TRUE(bottomUp.madeAgain);
    EXPECT_EQ(bottomUp.error, DE_OK);

    Decoded topDown = DecodeBytes(SmallBmp(5, 3, true), true);
    EXPECT_EQ(topDown.height, -3);
    EXPECT_TRUE(topDown.made);
}

TEST(BmpDecoder, TruncatedPixelsGiveOneBitmapThenNone)
{
    std::vector<uint8_t> bytes = SmallBmp(40, 30);
    bytes.resize(bytes.size() - 100);
    Decoded outcome = DecodeBytes(bytes, true);
    EXPECT_EQ(outcome.headerError, DE_OK);
    EXPECT_TRUE(outcome.made);
    EXPECT_FALSE(outcome.madeAgain);
    EXPECT_EQ(outcome.error, DE_READ);
}

TEST(BmpDecoder, TruncatedHeaderGivesReadErrorAndNoBitmap)
{
    std::vector<uint8_t> bytes = SmallBmp();
    bytes.resize(30);
    Decoded outcome = DecodeBytes(bytes, true);
    EXPECT_EQ(outcome.headerError, DE_READ);
    EXPECT_FALSE(outcome.made);
}

TEST(BmpDecoder, FileSizeFieldIsNotTrusted)
{
    std::vector<uint8_t> tooSmall = SmallBmp();
    Patch32(tooSmall, 2, 10); // below the pixel offset
    EXPECT_TRUE(DecodeBytes(tooSmall).made);

    std::vector<uint8_t> tooLarge = SmallBmp();
    Patch32(tooLarge, 2, 0xFFFFFFF0); // far beyond the file
    Decoded outcome = DecodeBytes(tooLarge, true);
    EXPECT_EQ(outcome.headerError, DE_OK);
    EXPECT_TRUE(outcome.made);
    EXPECT_EQ(outcome.error, DE_OK);
}

TEST(BmpDecoder, InconsistentHeadersAreRefused)
{
    struct Case {
        const char* what;
        size_t offset;
        uint32_t value;
    };
    const Case cases[] = {
        {"pixel offset inside the headers", 10, 20},
        {"pixel offset just below 54", 10, 53},
        {"pixel offset past the end of the file", 10, 100000},
        {"pixel offset near 4 GiB", 10, 0xFFFFFFFF},
        {"header shorter than 40 bytes", 14, 12},
        {"header longer than the gap before the pixels", 14, 124},
        {"zero width", 18, 0},
        {"negative width", 18, static_cast<uint32_t>(-5)},
        {"zero height", 22, 0},
        {"most negative height", 22, static_cast<uint32_t>(INT_MIN)},
        {"width overflowing 32-bit strides", 18, 0x7FFFFFFF},
        {"more than 256 MiB of pixels", 22, 0x7FFFFFFF},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> bytes = SmallBmp();
        Patch32(bytes, c.offset, c.value);
        Decoded outcome = DecodeBytes(bytes, true);
        EXPECT_EQ(outcome.headerError, DE_FORMAT) << c.what;
        EXPECT_FALSE(outcome.made) << c.what;
        EXPECT_FALSE(DecodeView(bytes, {1, 1, {0, 0, 1, 1}}).made) << c.what;
    }
}

TEST(BmpDecoder, CompressedDataIsBoundedByItsImageSize)
{
    std::vector<uint32_t> palette = GreyPalette(4);
    Picture picture = PalettePicture(8, 4, palette);
    BmpFile file = MakeBmp(picture, 8, false, palette);
    file.compression = BMP_RLE8;
    file.pixelData = EncodeRle8(picture, palette);
    file.sizeImage = 0x7FFFFFFF; // more than the cap
    EXPECT_EQ(DecodeBytes(WriteBmp(file)).headerError, DE_FORMAT);

    file.sizeImage = static_cast<uint32_t>(file.pixelData.size() + 64); // longer than the file
    Decoded outcome = DecodeBytes(WriteBmp(file), true);
    EXPECT_EQ(outcome.headerError, DE_OK);
    EXPECT_TRUE(outcome.made);
    EXPECT_EQ(outcome.error, DE_READ);
}

// A view drawn smaller comes at its drawn size: true colour reduced from the file's pixels,
// other kinds (on Windows) from the device bitmap; the native stand-in leaves them whole.
TEST(BmpDecoder, ShrunkViewsAreTheAreaMeanOfEveryKind)
{
    Picture picture = ColourfulPicture(37, 24);
    const PictureView view = {10, 7, {0, 0, 10, 7}};
    ViewShown bottomUp = DecodeView(WriteBmp(MakeBmp(picture, 24, false)), view);
    ExpectSamePicture(bottomUp.picture, AreaMean(picture, 10, 7), "24 bits", 1);
    ViewShown topDown = DecodeView(WriteBmp(MakeBmp(picture, 32, true)), view);
    ExpectSamePicture(topDown.picture, AreaMean(picture, 10, 7), "32 bits, top-down", 1);

    std::vector<uint32_t> palette = GreyPalette(256);
    Picture indexed = PalettePicture(37, 24, palette);
    ViewShown shrunk = DecodeView(WriteBmp(MakeBmp(indexed, 8, false, palette)), view);
#ifdef _WIN32
    ExpectSamePicture(shrunk.picture, AreaMean(indexed, 10, 7), "8 bits, through the device bitmap", 1);
    EXPECT_EQ(shrunk.destination.right, 10);
#else
    ExpectSamePicture(shrunk.picture, indexed, "8 bits, whole from the native stand-in");
#endif
}

} // namespace
