// PNG files written by libpng, decoded and compared with the samples they hold.
#include "screensaver/decoder/cImageDecoder.h"
#include "tests/common/Decoding.h"
#include "tests/common/PngWriter.h"

#include <gtest/gtest.h>

#include <zlib.h>

#include <string>
#include <vector>

namespace {

TEST(PngDecoder, EveryKindShowsItsSamplesOverBlack)
{
    struct Kind {
        PngColourType type;
        int depth;
        bool interlaced;
        int transparent; // grey value or 0xRRGGBB; palette: alpha for every other entry
    };
    const Kind kinds[] = {
        {PNG_GREY, 1, false, -1},     {PNG_GREY, 2, true, -1},        {PNG_GREY, 4, false, -1},
        {PNG_GREY, 8, false, 100},    {PNG_GREY, 16, true, -1},       {PNG_RGB, 8, false, -1},
        {PNG_RGB, 8, true, 0x3C2D1E}, {PNG_RGB, 16, false, -1},       {PNG_PALETTE, 1, false, -1},
        {PNG_PALETTE, 2, false, 1},   {PNG_PALETTE, 4, true, 1},      {PNG_PALETTE, 8, false, 1},
        {PNG_GREY_ALPHA, 8, false, -1}, {PNG_GREY_ALPHA, 16, true, -1}, {PNG_RGBA, 8, true, -1},
        {PNG_RGBA, 16, false, -1},
    };
    for (const Kind& kind : kinds) {
        for (int width : {1, 5, 33}) {
            PngFile file = MakePng(width, 11, kind.type, kind.depth, kind.interlaced);
            if (kind.type == PNG_PALETTE && kind.transparent >= 0) {
                for (size_t i = 0; i < file.palette.size(); ++i) {
                    file.paletteAlpha.push_back(static_cast<uint8_t>(i % 2 == 0 ? 0 : 255 - 40 * (i % 5)));
                }
            } else if (kind.transparent >= 0) {
                file.transparent = kind.transparent;
                file.samples[0] = static_cast<uint16_t>(kind.type == PNG_GREY ? kind.transparent : 0x3C);
                if (kind.type == PNG_RGB) {
                    file.samples[1] = 0x2D;
                    file.samples[2] = 0x1E;
                }
            }
            std::string what = "type " + std::to_string(kind.type) + ", " + std::to_string(kind.depth) + " bits" +
                               (kind.interlaced ? ", interlaced" : "") + (kind.transparent >= 0 ? ", tRNS" : "") +
                               ", width " + std::to_string(width);
            Decoded decoded = DecodeBytes(WritePng(file));
            ASSERT_EQ(decoded.headerError, DE_OK) << what;
            ASSERT_TRUE(decoded.made) << what;
            EXPECT_EQ(decoded.error, DE_OK) << what;
            ExpectSamePicture(decoded.picture, ShownPng(file), what, kind.depth == 16 ? 1 : 0);
        }
    }
}

TEST(PngDecoder, ViewsAreCutAtNaturalSizeAndShrunkToTheAreaMean)
{
    for (bool interlaced : {false, true}) {
        for (PngColourType type : {PNG_RGBA, PNG_GREY}) {
            PngFile file = MakePng(60, 45, type, 8, interlaced);
            std::vector<uint8_t> bytes = WritePng(file);
            Picture shown = ShownPng(file);
            std::string what = std::string(interlaced ? "interlaced " : "") + (type == PNG_GREY ? "grey" : "RGBA");
            PixelRect part = {13, 7, 41, 30};
            ViewShown cut = DecodeView(bytes, {60, 45, part});
            ASSERT_TRUE(cut.made) << what;
            ExpectSamePicture(cut.picture, Cut(shown, part), what + ", cut");
            EXPECT_EQ(cut.destination.left, 13) << what;
            ViewShown shrunk = DecodeView(bytes, {23, 17, {0, 0, 23, 17}});
            ASSERT_TRUE(shrunk.made) << what;
            ExpectSamePicture(shrunk.picture, AreaMean(shown, 23, 17), what + ", shrunk", 1);
        }
    }
}

// Replaces the width and height in the header chunk and mends its checksum.
std::vector<uint8_t> WithSize(std::vector<uint8_t> bytes, uint32_t width, uint32_t height)
{
    for (int i = 0; i < 4; ++i) {
        bytes[16 + i] = static_cast<uint8_t>(width >> (24 - 8 * i));
        bytes[20 + i] = static_cast<uint8_t>(height >> (24 - 8 * i));
    }
    uint32_t crc = static_cast<uint32_t>(crc32(0, &bytes[12], 17));
    for (int i = 0; i < 4; ++i) {
        bytes[29 + i] = static_cast<uint8_t>(crc >> (24 - 8 * i));
    }
    return bytes;
}

TEST(PngDecoder, DamagedFilesAndTheSizeCap)
{
    std::vector<uint8_t> bytes = WritePng(MakePng(40, 30, PNG_RGB, 8));
    std::vector<uint8_t> badChecksum = bytes;
    badChecksum[29] ^= 1;
    Decoded refused = DecodeBytes(badChecksum);
    EXPECT_EQ(refused.headerError, DE_PNG);
    EXPECT_FALSE(refused.made);

    std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + bytes.size() / 2);
    Decoded partial = DecodeBytes(cut, true);
    EXPECT_EQ(partial.headerError, DE_OK);
    EXPECT_TRUE(partial.made);
    EXPECT_EQ(partial.error, DE_PNG);
    EXPECT_FALSE(partial.madeAgain);

    Decoded huge = DecodeBytes(WithSize(bytes, 30000, 30000));
    EXPECT_EQ(huge.headerError, DE_OK);
    EXPECT_EQ(huge.width, 30000);
    EXPECT_EQ(huge.error, DE_FORMAT); // the whole picture would pass the cap: nothing is allocated
    EXPECT_FALSE(huge.made);
}

} // namespace
