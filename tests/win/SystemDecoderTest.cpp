// Files no decoder of our own recognises, read by the system's imaging component: TIFF files
// from the tests' writer, read under Wine by Wine's own codec.
#include "screensaver/PictureExtensions.h"
#include "screensaver/decoder/SystemPictureExtensions.h"
#include "screensaver/decoder/cImageDecoder.h"
#include "tests/common/Decoding.h"
#include "tests/common/JpegWriter.h"
#include "tests/common/TiffWriter.h"

#include <gtest/gtest.h>

#include <string>
#include <thread>
#include <vector>

namespace {

// Four flat quarters: any scaling keeps the colours away from the borders between them.
Picture Quarters(int width, int height)
{
    const uint32_t colours[4] = {0xC03010, 0x20A040, 0x3040E0, 0xF0F0F0};
    Picture picture{width, height, {}};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            picture.pixels.push_back(colours[(y < height / 2 ? 0 : 2) + (x < width / 2 ? 0 : 1)]);
        }
    }
    return picture;
}

TEST(SystemDecoder, TiffShowsItsFirstPageAsItsMetadataTurnsIt)
{
    Picture picture = ColourfulPicture(23, 14), second = ColourfulPicture(9, 30);
    std::vector<uint8_t> plain = WriteTiff({TiffPage(picture)});
    std::vector<uint8_t> headerOnly(plain.begin(), plain.begin() + 8);
    headerOnly[4] = 0xF0; // the first directory past the end
    struct Case {
        std::string what;
        std::vector<uint8_t> bytes;
        bool comOnTheThread;
        int32_t headerError;
        Picture shown;
    };
    const Case cases[] = {
        {"plain", plain, true, DE_OK, picture},
        {"two pages", WriteTiff({TiffPage(picture), TiffPage(second)}), true, DE_OK, picture},
        {"orientation 6", WriteTiff({TiffPage(picture, 6)}), true, DE_OK, Oriented(picture, 6)},
        {"orientation 3, strips of one row", WriteTiff({[&] {
             TiffPage page(picture, 3);
             page.rowsPerStrip = 1;
             return page;
         }()}),
         true, DE_OK, Oriented(picture, 3)},
        {"a directory past the end", headerOnly, true, DE_FORMAT, {}},
        {"text", std::vector<uint8_t>(40, 'x'), true, DE_FORMAT, {}},
        {"no component: COM not initialised", plain, false, DE_FORMAT, {}},
    };
    for (const Case& c : cases) {
        Decoded decoded;
        if (c.comOnTheThread) {
            decoded = DecodeBytes(c.bytes);
        } else {
            std::thread([&] { decoded = DecodeBytes(c.bytes); }).join();
        }
        EXPECT_EQ(decoded.headerError, c.headerError) << c.what;
        EXPECT_EQ(decoded.made, c.headerError == DE_OK) << c.what;
        if (decoded.made) {
            EXPECT_EQ(decoded.error, DE_OK) << c.what;
            ExpectSamePicture(decoded.picture, c.shown, c.what);
        }
    }
}

TEST(SystemDecoder, TiffViewsAreCutAtNaturalSizeAndScaledWhenSmaller)
{
    for (int orientation : {0, 8}) {
        Picture picture = Quarters(60, 40);
        picture.pixels[5 * 60 + 7] = 0x123456; // one pixel that a wrong turn moves
        std::vector<uint8_t> bytes = WriteTiff({TiffPage(picture, orientation)});
        Picture shown = Oriented(picture, orientation == 0 ? 1 : orientation);
        std::string what = "orientation " + std::to_string(orientation);
        PixelRect part = {3, 13, 31, 36};
        ViewShown cut = DecodeView(bytes, {shown.width, shown.height, part});
        ASSERT_TRUE(cut.made) << what;
        ExpectSamePicture(cut.picture, Cut(shown, part), what + ", cut");
        EXPECT_EQ(cut.destination.left, 3) << what;

        int width = shown.width / 4, height = shown.height / 4;
        ViewShown shrunk = DecodeView(bytes, {width, height, {0, 0, width, height}});
        ASSERT_TRUE(shrunk.made) << what;
        ASSERT_EQ(shrunk.picture.width, width) << what;
        ASSERT_EQ(shrunk.picture.height, height) << what;
        for (int y : {1, height - 2}) {
            for (int x : {1, width - 2}) {
                EXPECT_EQ(shrunk.picture.At(x, y), shown.At(x * 4 + 2, y * 4 + 2)) << what << " at " << x << "," << y;
            }
        }
    }
}

TEST(SystemDecoder, InstalledDecodersAddTheirExtensionsOnAnyThread)
{
    for (bool comOnTheThread : {true, false}) {
        cPictureExtensions extensions;
        size_t own = extensions.List().size();
        if (comOnTheThread) {
            AddSystemPictureExtensions(extensions);
        } else {
            std::thread([&] { AddSystemPictureExtensions(extensions); }).join();
        }
        EXPECT_GT(extensions.List().size(), own) << comOnTheThread;
        EXPECT_TRUE(extensions.Matches("icon.ICO")) << comOnTheThread; // Wine's ICO decoder declares it
        EXPECT_TRUE(extensions.Matches("scan.tiff")) << comOnTheThread;
        EXPECT_FALSE(extensions.Matches("notes.txt")) << comOnTheThread;
    }
}

} // namespace
