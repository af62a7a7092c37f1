// BMP files through the decoder and GDI, read back pixel for pixel.
#include "screensaver/decoder/cImageDecoder.h"
#include "tests/common/BmpWriter.h"
#include "tests/common/Decoding.h"

#include <windows.h>

#include <gtest/gtest.h>

namespace {

void ExpectShownExactly(const BmpFile& file, const Picture& expected, const char* what)
{
    Decoded shown = DecodeBytes(WriteBmp(file));
    ASSERT_TRUE(shown.made) << what;
    EXPECT_EQ(shown.error, DE_OK) << what;
    ExpectSamePicture(shown.picture, expected, what);
}

const std::vector<uint32_t> kTwoColours = {0x102030, 0xF0E0D0};
const std::vector<uint32_t> kSixteenColours = {0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080,
                                               0x008080, 0xC0C0C0, 0x808080, 0xFF0000, 0x00FF00, 0xFFFF00,
                                               0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};

std::vector<uint32_t> Colours256()
{
    std::vector<uint32_t> palette;
    for (uint32_t i = 0; i < 256; ++i) {
        palette.push_back((i * 97 & 0xFF) << 16 | (255 - i) << 8 | (i * 13 & 0xFF));
    }
    return palette;
}

TEST(BmpOnScreen, PaletteBitmapsOfEveryDepthAndAwkwardWidths)
{
    const std::vector<uint32_t> palettes[] = {kTwoColours, kSixteenColours, Colours256()};
    const int depths[] = {1, 4, 8};
    for (int i = 0; i < 3; ++i) {
        for (int width : {1, 5, 7, 13, 33}) {
            Picture picture = PalettePicture(width, 6, palettes[i]);
            std::string what = std::to_string(depths[i]) + " bits, width " + std::to_string(width);
            ExpectShownExactly(MakeBmp(picture, depths[i], false, palettes[i]), picture, what.c_str());
        }
    }
}

TEST(BmpOnScreen, TrueColourBitmaps)
{
    for (int width : {1, 3, 6, 17}) {
        Picture picture = ColourfulPicture(width, 5);
        ExpectShownExactly(MakeBmp(picture, 24, false), picture, "24 bits");
        ExpectShownExactly(MakeBmp(picture, 32, false), picture, "32 bits");
    }
}

TEST(BmpOnScreen, SixteenBitFields)
{
    Picture picture = ColourfulPicture(7, 4);
    Picture expected555 = picture, expected565 = picture;
    for (size_t i = 0; i < picture.pixels.size(); ++i) {
        expected555.pixels[i] = Quantise16(picture.pixels[i], false);
        expected565.pixels[i] = Quantise16(picture.pixels[i], true);
    }
    ExpectShownExactly(MakeBmp(picture, 16, false), expected555, "16 bits 5-5-5");

    BmpFile fields = MakeBmp(picture, 16, false);
    fields.compression = BI_BITFIELDS;
    fields.masks = {0xF800, 0x07E0, 0x001F};
    fields.pixelData = Encode16(picture, true, false);
    ExpectShownExactly(fields, expected565, "16 bits 5-6-5");
}

TEST(BmpOnScreen, RunLengthEncodedBitmaps)
{
    std::vector<uint32_t> palette(kSixteenColours.begin(), kSixteenColours.begin() + 4);
    Picture picture = PalettePicture(11, 5, palette);
    for (int x = 2; x < 9; ++x) {
        picture.pixels[x] = palette[3]; // a long run in the top row
    }

    BmpFile rle8 = MakeBmp(picture, 8, false, palette);
    rle8.compression = BI_RLE8;
    rle8.pixelData = EncodeRle8(picture, palette);
    rle8.sizeImage = static_cast<uint32_t>(rle8.pixelData.size());
    ExpectShownExactly(rle8, picture, "RLE8");

    BmpFile rle4 = MakeBmp(picture, 4, false, palette);
    rle4.compression = BI_RLE4;
    rle4.pixelData = EncodeRle4(picture, palette);
    rle4.sizeImage = static_cast<uint32_t>(rle4.pixelData.size());
    ExpectShownExactly(rle4, picture, "RLE4");
}

TEST(BmpOnScreen, TopDownBitmapsShowTheRightWayUp)
{
    Picture picture = ColourfulPicture(9, 7);
    ExpectShownExactly(MakeBmp(picture, 24, true), picture, "24 bits top-down");
    std::vector<uint32_t> palette = Colours256();
    Picture indexed = PalettePicture(9, 7, palette);
    ExpectShownExactly(MakeBmp(indexed, 8, true, palette), indexed, "8 bits top-down");
}

TEST(BmpOnScreen, LongerHeadersAreHandedOverWhole)
{
    Picture picture = ColourfulPicture(6, 4);
    BmpFile v4 = MakeBmp(picture, 24, false);
    v4.headerSize = 108;
    ExpectShownExactly(v4, picture, "108-byte header");

    BmpFile v5 = MakeBmp(picture, 32, false);
    v5.headerSize = 124;
    v5.compression = BI_BITFIELDS;
    v5.masks = {0x00FF0000, 0x0000FF00, 0x000000FF, 0};
    ExpectShownExactly(v5, picture, "124-byte header with bit fields");

    std::vector<uint32_t> palette = kSixteenColours;
    Picture indexed = PalettePicture(6, 4, palette);
    BmpFile v5Palette = MakeBmp(indexed, 4, false, palette);
    v5Palette.headerSize = 124;
    ExpectShownExactly(v5Palette, indexed, "124-byte header with a colour table");
}

TEST(BmpOnScreen, TruncatedPixelsShowWhatWasReadOnBlack)
{
    Picture picture = ColourfulPicture(8, 6);
    std::vector<uint8_t> bytes = WriteBmp(MakeBmp(picture, 24, false));
    bytes.resize(bytes.size() - 2 * 24); // the two top rows are missing
    Decoded shown = DecodeBytes(bytes);
    ASSERT_TRUE(shown.made);
    EXPECT_EQ(shown.error, DE_READ);
    Picture expected = picture;
    std::fill(expected.pixels.begin(), expected.pixels.begin() + 2 * 8, 0u);
    ExpectSamePicture(shown.picture, expected, "truncated");
}

} // namespace
