// JPEG files made by the library's compressor, decoded and compared with the library's
// own plain decompression of the same bytes.
#include "screensaver/decoder/ExifOrientation.h"
#include "screensaver/decoder/cImageDecoder.h"
#include "tests/common/Decoding.h"
#include "tests/common/GifWriter.h"
#include "tests/common/JpegWriter.h"

#include <gtest/gtest.h>

#include <cstring>

#include <string>
#include <vector>

namespace {

void ExpectAsLibrary(const std::vector<uint8_t>& bytes, const std::string& what)
{
    Decoded decoded = DecodeBytes(bytes);
    ASSERT_EQ(decoded.headerError, DE_OK) << what;
    ASSERT_TRUE(decoded.made) << what;
    EXPECT_EQ(decoded.error, DE_OK) << what;
    ExpectSamePicture(decoded.picture, LibraryDecode(bytes), what);
}

TEST(JpegDecoder, ColourAndGreyMatchTheLibrary)
{
    for (int width : {1, 3, 4, 5, 17, 64}) {
        Picture picture = ColourfulPicture(width, 11);
        ExpectAsLibrary(WriteJpeg(picture, JPEG_COLOUR), "colour, width " + std::to_string(width));
        ExpectAsLibrary(WriteJpeg(picture, JPEG_GREY), "grey, width " + std::to_string(width));
    }
    ExpectAsLibrary(WriteJpeg(ColourfulPicture(40, 30), JPEG_COLOUR, 75, true), "progressive colour");
}

TEST(JpegDecoder, CameraLayoutWithoutJfifMatchesTheLibrary)
{
    std::vector<uint8_t> bytes = WriteCameraJpeg(ColourfulPicture(23, 9), ExifWithOrientation(1, false));
    ASSERT_NE(bytes[3], 0xE0); // APP1 comes first
    ExpectAsLibrary(bytes, "Exif first, no JFIF");
}

TEST(JpegDecoder, RedStaysRed)
{
    Picture red{16, 16, std::vector<uint32_t>(256, 0xFF0000)};
    Decoded decoded = DecodeBytes(WriteJpeg(red, JPEG_COLOUR));
    ASSERT_TRUE(decoded.made);
    for (uint32_t pixel : decoded.picture.pixels) {
        ASSERT_GE(pixel >> 16, 0xF0u) << std::hex << pixel;
        ASSERT_LE(pixel & 0xFF, 0x10u) << std::hex << pixel;
    }
}

TEST(JpegDecoder, GreyRampStaysUnderAGifPalette)
{
    Picture grey = ColourfulPicture(8, 8);
    ExpectAsLibrary(WriteJpeg(grey, JPEG_GREY), "grey first");

    // A GIF with four colours and an 8-bit code size shows indices 4 and 200 from the ramp.
    std::vector<uint32_t> four = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};
    IndexedPicture picture{3, 2, {0, 1, 2, 3, 4, 200}};
    GifFile file = MakeGif(picture, four);
    file.minimumCodeSize = 8;
    file.imageData = LzwEncode(picture.indices, 8);
    Decoded decoded = DecodeBytes(WriteGif(file));
    ASSERT_TRUE(decoded.made);
    Picture expected = ColoursOf(picture, four);
    expected.pixels[4] = 0x040404;
    expected.pixels[5] = 0xC8C8C8;
    ExpectSamePicture(decoded.picture, expected, "GIF after a grey JPEG");
}

TEST(JpegDecoder, CutBeforeTheFrameHeaderFailsAndTheNextPictureDecodes)
{
    std::vector<uint8_t> bytes = WriteJpeg(ColourfulPicture(20, 10), JPEG_COLOUR);
    size_t frame = FindMarker(bytes, 0xC0);
    ASSERT_LT(frame, bytes.size());
    for (size_t cut : {size_t{20}, frame - 30, frame}) {
        Decoded failed = DecodeBytes(std::vector<uint8_t>(bytes.begin(), bytes.begin() + cut));
        EXPECT_EQ(failed.headerError, DE_JPEG) << cut;
        EXPECT_FALSE(failed.made) << cut;
        ExpectAsLibrary(bytes, "after a failed header");
    }
}

TEST(JpegDecoder, CutInTheCompressedDataShowsTheLibraryFiller)
{
    std::vector<uint8_t> bytes = WriteJpeg(ColourfulPicture(48, 40), JPEG_COLOUR);
    size_t scan = FindMarker(bytes, 0xDA);
    bytes.resize(scan + (bytes.size() - scan) / 2);
    ExpectAsLibrary(bytes, "cut in the data");
}

TEST(JpegDecoder, FourComponentsGiveNoBitmap)
{
    std::vector<uint8_t> bytes = WriteJpeg(ColourfulPicture(9, 7), JPEG_CMYK);
    Decoded decoded = DecodeBytes(bytes);
    EXPECT_EQ(decoded.headerError, DE_OK);
    EXPECT_FALSE(decoded.made);
    EXPECT_EQ(decoded.error, DE_BITMAP);
}

TEST(JpegDecoder, FailureDuringDecompressionThenASecondDecoderSucceeds)
{
    std::vector<uint8_t> bytes = WriteJpeg(ColourfulPicture(16, 16), JPEG_COLOUR);
    std::vector<uint8_t> broken = bytes;
    size_t frame = FindMarker(broken, 0xC0);
    broken[frame + 10 + 2] = 3; // the first component's quantisation table, never defined
    Decoded failed = DecodeBytes(broken);
    EXPECT_EQ(failed.headerError, DE_OK);
    EXPECT_FALSE(failed.made);
    EXPECT_EQ(failed.error, DE_JPEG);
    ExpectAsLibrary(bytes, "after a failed decompression");
}

TEST(JpegDecoder, FailureWhileFinishingKeepsTheCompletePicture)
{
    std::vector<uint8_t> bytes = WriteJpeg(ColourfulPicture(16, 16), JPEG_COLOUR);
    size_t frame = FindMarker(bytes, 0xC0);
    size_t frameLength = 2 + (bytes[frame + 2] << 8 | bytes[frame + 3]);
    std::vector<uint8_t> twoFrames = bytes;
    // A second frame header after the scan: the library fails once all rows are out.
    twoFrames.insert(twoFrames.end() - 2, bytes.begin() + frame, bytes.begin() + frame + frameLength);
    Decoded decoded = DecodeBytes(twoFrames);
    ASSERT_TRUE(decoded.made);
    EXPECT_EQ(decoded.error, DE_OK);
    ExpectSamePicture(decoded.picture, LibraryDecode(bytes), "second frame header after the scan");
}

// The cap counts what is allocated: the whole picture is refused, its drawn sizes are shown.
TEST(JpegDecoder, OverTheCapOnlyTheDrawnBufferIsMade)
{
    std::vector<uint8_t> bytes = WriteJpeg(ColourfulPicture(8, 8), JPEG_COLOUR);
    size_t frame = FindMarker(bytes, 0xC0);
    bytes[frame + 5] = 9000 >> 8; // height
    bytes[frame + 6] = 9000 & 0xFF;
    bytes[frame + 7] = 10000 >> 8; // width: 270 MB of pixels, over the cap
    bytes[frame + 8] = 10000 & 0xFF;
    Decoded whole = DecodeBytes(bytes);
    EXPECT_EQ(whole.headerError, DE_OK);
    EXPECT_EQ(whole.width, 10000);
    EXPECT_EQ(whole.error, DE_FORMAT);
    EXPECT_FALSE(whole.made);

    ViewShown fit = DecodeView(bytes, {1000, 900, {0, 0, 1000, 900}});
    EXPECT_TRUE(fit.made);
    EXPECT_EQ(fit.picture.width, 1000);
    ViewShown natural = DecodeView(bytes, {10000, 9000, {4000, 3000, 4800, 3600}});
    EXPECT_TRUE(natural.made);
    EXPECT_EQ(natural.picture.height, 600);
}

// Smooth colour fields, where the library's scaled decoding comes close to an area mean.
Picture Gradient(int width, int height)
{
    Picture picture{width, height, {}};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            picture.pixels.push_back(static_cast<uint32_t>(x * 255 / width) << 16 | (y * 255 / height) << 8 | 0x60);
        }
    }
    return picture;
}

TEST(JpegDecoder, PartsAtNaturalSizeMatchTheLibraryToTheirEdges)
{
    const PixelRect parts[] = {{37, 21, 150, 99}, {0, 0, 200, 50}, {181, 111, 200, 120}, {17, 3, 18, 4}};
    const struct {
        std::vector<uint8_t> bytes;
        const char* what;
    } files[] = {{WriteJpeg(ColourfulPicture(200, 120), JPEG_COLOUR), "colour"},
                 {WriteJpeg(ColourfulPicture(200, 120), JPEG_GREY), "grey"},
                 {WriteJpeg(ColourfulPicture(200, 120), JPEG_COLOUR, 75, true), "progressive"}};
    for (const auto& file : files) {
        Picture library = LibraryDecode(file.bytes);
        for (const PixelRect& part : parts) {
            std::string what = std::string(file.what) + ", columns " + std::to_string(part.left) + " to " +
                               std::to_string(part.right) + ", rows " + std::to_string(part.top) + " to " +
                               std::to_string(part.bottom);
            ViewShown shown = DecodeView(file.bytes, {200, 120, part});
            ASSERT_TRUE(shown.made) << what;
            EXPECT_EQ(shown.error, DE_OK) << what;
            ExpectSamePicture(shown.picture, Cut(library, part), what);
            EXPECT_EQ(memcmp(&shown.destination, &part, sizeof part), 0) << what;
        }
    }
}

TEST(JpegDecoder, ShrunkPicturesComeCloseToTheAreaMean)
{
    Picture picture = Gradient(200, 160);
    for (JpegKind kind : {JPEG_COLOUR, JPEG_GREY}) {
        std::vector<uint8_t> bytes = WriteJpeg(picture, kind, 95);
        Picture library = LibraryDecode(bytes);
        for (int width : {100, 77, 13}) {
            int height = width * 4 / 5;
            std::string what = std::string(kind == JPEG_GREY ? "grey" : "colour") + " to " + std::to_string(width);
            ViewShown shown = DecodeView(bytes, {width, height, {0, 0, width, height}});
            ASSERT_TRUE(shown.made) << what;
            ExpectSamePicture(shown.picture, AreaMean(library, width, height), what, 3);
        }
    }
}

} // namespace

namespace {

// Every orientation in either byte order: the picture as shown whole, a part of it at its
// own size (to its edges), and shrunk: reduced as stored, then turned.
TEST(JpegDecoder, ExifOrientationsTurnEveryView)
{
    Picture stored = Gradient(64, 40);
    for (int i = 0; i < 64 * 40; i += 7) {
        stored.pixels[i] ^= 0x3F3F3F; // detail, so that a wrong turn shows
    }
    const int storedWidth = 40, storedHeight = 25; // shrunk, before turning
    std::vector<uint8_t> upright = WriteCameraJpeg(stored, ExifWithOrientation(1, false));
    Picture shrunkUpright = DecodeView(upright, {storedWidth, storedHeight, {0, 0, storedWidth, storedHeight}}).picture;
    for (int orientation = 1; orientation <= 8; ++orientation) {
        bool bigEndian = orientation % 2 == 0;
        std::vector<uint8_t> bytes = WriteCameraJpeg(stored, ExifWithOrientation(orientation, bigEndian, orientation % 3));
        Picture shown = Oriented(LibraryDecode(bytes), orientation);
        std::string what = "orientation " + std::to_string(orientation);
        Decoded whole = DecodeBytes(bytes);
        ASSERT_TRUE(whole.made) << what;
        EXPECT_EQ(whole.width, shown.width) << what;
        EXPECT_EQ(whole.height, shown.height) << what;
        ExpectSamePicture(whole.picture, shown, what + ", whole");

        for (const PixelRect& part : {PixelRect{5, 9, 23, 31}, PixelRect{0, 0, shown.width, 3}}) {
            ViewShown cut = DecodeView(bytes, {shown.width, shown.height, part});
            ASSERT_TRUE(cut.made) << what;
            ExpectSamePicture(cut.picture, Cut(shown, part), what + ", part");
            EXPECT_EQ(memcmp(&cut.destination, &part, sizeof part), 0) << what;
        }

        bool swaps = orientation >= 5;
        int width = swaps ? storedHeight : storedWidth, height = swaps ? storedWidth : storedHeight;
        ViewShown shrunk = DecodeView(bytes, {width, height, {0, 0, width, height}});
        ASSERT_TRUE(shrunk.made) << what;
        ExpectSamePicture(shrunk.picture, Oriented(shrunkUpright, orientation), what + ", shrunk");
    }
}

// Some writers store the tag as a LONG or an SLONG: its value is then 4 bytes.
TEST(JpegDecoder, ExifOrientationStoredAsAnyIntegerType)
{
    struct Case {
        int type;
        int orientation;
        bool bigEndian;
        int expected;
    };
    const Case cases[] = {{3, 6, true, 6},  {4, 6, true, 6},   {4, 8, false, 8}, {9, 5, true, 5},
                          {9, 3, false, 3}, {9, -6, true, 1}, {4, 9, false, 1}, {4, 0x10006, true, 1}};
    for (const Case& c : cases) {
        std::string what = "type " + std::to_string(c.type) + ", value " + std::to_string(c.orientation) +
                           (c.bigEndian ? ", big-endian" : ", little-endian");
        std::vector<uint8_t> exif = ExifWithOrientation(c.orientation, c.bigEndian, 1, c.type);
        EXPECT_EQ(ExifOrientation(exif.data(), exif.size()), c.expected) << what;
        EXPECT_EQ(DecodeBytes(WriteCameraJpeg(ColourfulPicture(9, 5), exif)).width, c.expected >= 5 ? 5 : 9) << what;
    }
}

TEST(JpegDecoder, MalformedExifMeansOrientationOne)
{
    std::vector<uint8_t> good = ExifWithOrientation(6, true);
    ASSERT_EQ(ExifOrientation(good.data(), good.size()), 6);
    ASSERT_EQ(ExifOrientation(ExifWithOrientation(8, false, 0).data(), good.size() - 24), 8);
    struct Case {
        const char* what;
        size_t offset; // patched byte, or past the end to cut the body there
        int value;     // -1: cut
    };
    const size_t entries = 6 + 8, tag = entries + 2 + 2 * 12;
    const Case cases[] = {
        {"not Exif", 1, 'X'},
        {"unknown byte order", 6, 'Q'},
        {"not 42", 9, 43},
        {"IFD0 inside the header", 13, 4},
        {"IFD0 past the end", 12, 0x7F},
        {"entry count past the end", entries + 1, 200},
        {"type RATIONAL", tag + 3, 5},
        {"two values", tag + 7, 2},
        {"value 9", tag + 9, 9},
        {"value 0", tag + 9, 0},
        {"cut inside the tag", tag + 6, -1},
        {"cut in the header", 10, -1},
        {"empty", 0, -1},
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> bytes = good;
        if (c.value < 0) {
            bytes.resize(c.offset);
        } else {
            bytes[c.offset] = static_cast<uint8_t>(c.value);
        }
        EXPECT_EQ(ExifOrientation(bytes.data(), bytes.size()), 1) << c.what;
        Decoded decoded = DecodeBytes(WriteCameraJpeg(ColourfulPicture(9, 5), bytes));
        EXPECT_TRUE(decoded.made) << c.what;
        EXPECT_EQ(decoded.width, 9) << c.what;
    }
}

} // namespace
