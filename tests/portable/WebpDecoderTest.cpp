// WebP files written by libwebp's encoder and mux library, decoded and compared with what
// they hold.
#include "screensaver/decoder/cImageDecoder.h"
#include "tests/common/Decoding.h"
#include "tests/common/JpegWriter.h"
#include "tests/common/WebpWriter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The TIFF block of an Exif body, as most writers store a WebP EXIF chunk.
std::vector<uint8_t> TiffBlock(std::vector<uint8_t> exif)
{
    exif.erase(exif.begin(), exif.begin() + 6);
    return exif;
}

// A still file with its frame size replaced: 14-bit fields of the lossy frame header
// (after RIFF, the chunk header, the frame tag and the start code) or the lossless one.
std::vector<uint8_t> ClaimingSize(std::vector<uint8_t> bytes, bool lossless, uint32_t width, uint32_t height)
{
    if (lossless) {
        uint32_t bits = (width - 1) | (height - 1) << 14 | (bytes[24] & 0xF0u) << 24;
        for (int i = 0; i < 4; ++i) {
            bytes[21 + i] = static_cast<uint8_t>(bits >> (8 * i));
        }
    } else {
        bytes[26] = static_cast<uint8_t>(width);
        bytes[27] = static_cast<uint8_t>(width >> 8);
        bytes[28] = static_cast<uint8_t>(height);
        bytes[29] = static_cast<uint8_t>(height >> 8);
    }
    return bytes;
}

Picture BlackCanvas(int width, int height)
{
    return Picture{width, height, std::vector<uint32_t>(static_cast<size_t>(width) * height, 0)};
}

TEST(WebpDecoder, EveryKindShowsItsFirstFrameOverBlack)
{
    WebpFrame opaque{ColourfulPicture(23, 14)};
    WebpFrame translucent = opaque;
    for (size_t i = 0; i < opaque.picture.pixels.size(); ++i) {
        translucent.alpha.push_back(static_cast<uint8_t>(i * 37));
    }
    std::vector<uint8_t> lossy = WriteWebp(opaque, false);
    std::vector<uint8_t> largeLossy = WriteWebp(WebpFrame(ColourfulPicture(1024, 1024)), false);
    WebpFrame tall{ColourfulPicture(40, 64)};
    std::vector<uint8_t> tallLossy = WriteWebp(tall, false);
    std::vector<uint8_t> cut(tallLossy.begin(), tallLossy.begin() + tallLossy.size() * 3 / 4);

    WebpFrame first{ColourfulPicture(21, 13)}, second{ColourfulPicture(30, 20)};
    first.left = 2;
    first.top = 4;
    first.alpha.assign(first.picture.pixels.size(), 200);
    Picture onCanvas = BlackCanvas(30, 20);
    Picture firstShown = OverBlack(first);
    for (int y = 0; y < 13; ++y) {
        for (int x = 0; x < 21; ++x) {
            onCanvas.pixels[(y + 4) * 30 + x + 2] = firstShown.At(x, y);
        }
    }

    struct Kind {
        std::string what;
        std::vector<uint8_t> bytes;
        int32_t headerError;
        int32_t error;
        Picture shown; // compared where not empty; the first rows only for a cut file
        int tolerance;
    };
    const Kind kinds[] = {
        {"lossy", lossy, DE_OK, DE_OK, LibraryDecodeWebp(lossy), 0},
        {"lossy, large enough for two threads", largeLossy, DE_OK, DE_OK, LibraryDecodeWebp(largeLossy), 0},
        {"lossless", WriteWebp(opaque, true), DE_OK, DE_OK, opaque.picture, 0},
        {"alpha", WriteWebp(translucent, true), DE_OK, DE_OK, OverBlack(translucent), 1},
        {"animated: the first frame on its canvas", WriteAnimatedWebp(30, 20, {first, second}), DE_OK, DE_OK,
         onCanvas, 1},
        {"EXIF chunk, orientation 6", WriteWebp(opaque, true, TiffBlock(ExifWithOrientation(6, true))), DE_OK, DE_OK,
         Oriented(opaque.picture, 6), 0},
        {"EXIF chunk with its Exif header, orientation 3 as a LONG", WriteWebp(opaque, true, ExifWithOrientation(3, false, 1, 4)),
         DE_OK, DE_OK, Oriented(opaque.picture, 3), 0},
        {"cut in its pixels", cut, DE_OK, DE_WEBP, Cut(LibraryDecodeWebp(tallLossy), {0, 0, 40, 16}), 0},
        {"lossy claiming 16383 x 16383", ClaimingSize(lossy, false, 16383, 16383), DE_OK, DE_FORMAT, {}, 0},
        {"lossless claiming 16384 x 16384", ClaimingSize(WriteWebp(opaque, true), true, 16384, 16384), DE_FORMAT,
         DE_FORMAT, {}, 0},
        {"cut in its header", std::vector<uint8_t>(lossy.begin(), lossy.begin() + 24), DE_WEBP, DE_WEBP, {}, 0},
    };
    for (const Kind& kind : kinds) {
        Decoded decoded = DecodeBytes(kind.bytes);
        EXPECT_EQ(decoded.headerError, kind.headerError) << kind.what;
        EXPECT_EQ(decoded.error, kind.error) << kind.what;
        EXPECT_EQ(decoded.made, kind.error == DE_OK || (kind.error == DE_WEBP && kind.headerError == DE_OK)) << kind.what;
        if (decoded.made && kind.shown.width > 0) {
            const Picture& compared =
                kind.error == DE_OK ? decoded.picture : Cut(decoded.picture, {0, 0, kind.shown.width, kind.shown.height});
            ExpectSamePicture(compared, kind.shown, kind.what, kind.tolerance);
        }
    }
}

// Gradients: what a lossy picture keeps when the library scales its colour planes.
Picture SmoothPicture(int width, int height)
{
    Picture picture{width, height, {}};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            picture.pixels.push_back(static_cast<uint32_t>(x * 4) << 16 | static_cast<uint32_t>(y * 5) << 8 |
                                     static_cast<uint32_t>(250 - 2 * (x + y)));
        }
    }
    return picture;
}

TEST(WebpDecoder, ViewsAreCutAtNaturalSizeAndScaledByTheLibrary)
{
    WebpFrame opaque{SmoothPicture(60, 45)};
    for (bool lossless : {false, true}) {
        for (int orientation : {1, 6}) {
            std::vector<uint8_t> exif = orientation == 1 ? std::vector<uint8_t>() : ExifWithOrientation(orientation, false);
            std::vector<uint8_t> bytes = WriteWebp(opaque, lossless, exif);
            Picture shown = Oriented(lossless ? opaque.picture : LibraryDecodeWebp(bytes), orientation);
            std::string what = std::string(lossless ? "lossless" : "lossy") + ", orientation " + std::to_string(orientation);
            PixelRect part = {13, 7, 41, 30};
            ViewShown cut = DecodeView(bytes, {shown.width, shown.height, part});
            ASSERT_TRUE(cut.made) << what;
            ExpectSamePicture(cut.picture, Cut(shown, part), what + ", cut");
            EXPECT_EQ(cut.destination.left, 13) << what;
            EXPECT_EQ(cut.destination.top, 7) << what;
            ViewShown shrunk = DecodeView(bytes, {shown.width / 3, shown.height / 3, {0, 0, shown.width / 3, shown.height / 3}});
            ASSERT_TRUE(shrunk.made) << what;
            // The library scales a lossy picture in its YUV planes, before the colours are made.
            ExpectSamePicture(shrunk.picture, AreaMean(shown, shown.width / 3, shown.height / 3), what + ", shrunk",
                              lossless ? 1 : 8);
        }
    }
}

} // namespace
