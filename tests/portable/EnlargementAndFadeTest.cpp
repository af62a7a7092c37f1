// Enlarging with a linear filter, against a reference in double precision; the fade's blend
// and timing.
#include "screensaver/FadeBlend.h"
#include "screensaver/decoder/LinearEnlargement.h"
#include "tests/common/Decoding.h"
#include "tests/common/GifWriter.h"
#include "tests/common/JpegWriter.h"
#include "tests/common/PngWriter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// The picture enlarged by cLinearEnlarger, its rows handed over as three bytes a pixel.
Picture Enlarged(const Picture& picture, int width, int height, const PixelRect& visible)
{
    cLinearEnlarger enlarger(picture.width, picture.height, width, height, visible);
    std::vector<uint8_t> row(picture.width * 3);
    for (int y = 0; y < picture.height; ++y) {
        for (int x = 0; x < picture.width; ++x) {
            for (int c = 0; c < 3; ++c) {
                row[x * 3 + c] = static_cast<uint8_t>(picture.At(x, y) >> (8 * c));
            }
        }
        enlarger.AddRow(row.data());
    }
    Picture result{static_cast<int>(enlarger.Width()), static_cast<int>(enlarger.Height()), {}};
    size_t stride = enlarger.PixelBytes() / enlarger.Height();
    for (uint32_t y = 0; y < enlarger.Height(); ++y) {
        const uint8_t* pixel = enlarger.Pixels() + y * stride;
        for (uint32_t x = 0; x < enlarger.Width(); ++x, pixel += 3) {
            result.pixels.push_back(static_cast<uint32_t>(pixel[2]) << 16 | pixel[1] << 8 | pixel[0]);
        }
    }
    return result;
}

// Black and white halves: the edge a repeating stretch turns into steps.
Picture SharpEdge(int width, int height)
{
    Picture picture{width, height, {}};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            picture.pixels.push_back(x < width / 2 ? 0x000000 : 0xFFFFFF);
        }
    }
    return picture;
}

TEST(LinearEnlarger, MatchesTheLinearReferenceWholeAndInParts)
{
    struct Case {
        const char* what;
        Picture picture;
        int width, height;
        PixelRect visible;
        int tolerance;
    } cases[] = {
        {"same size: unchanged", ColourfulPicture(5, 4), 5, 4, {0, 0, 5, 4}, 0},
        {"2.5 times", ColourfulPicture(4, 3), 10, 7, {0, 0, 10, 7}, 1},
        {"sharp edge", SharpEdge(8, 2), 24, 6, {0, 0, 24, 6}, 1},
        {"a part inside", ColourfulPicture(37, 24), 100, 65, {13, 5, 71, 60}, 1},
        {"the bottom right corner", ColourfulPicture(37, 24), 100, 65, {90, 60, 100, 65}, 1},
        {"one pixel", ColourfulPicture(1, 1), 5, 3, {0, 0, 5, 3}, 0},
        {"other scales across and down", ColourfulPicture(3, 50), 7, 117, {0, 0, 7, 117}, 1},
        {"larger one way only", ColourfulPicture(6, 9), 6, 20, {0, 0, 6, 20}, 1},
    };
    for (const Case& c : cases) {
        ASSERT_TRUE(CanEnlarge(c.picture.width, c.picture.height, c.width, c.height, c.visible)) << c.what;
        ExpectSamePicture(Enlarged(c.picture, c.width, c.height, c.visible),
                          LinearReference(c.picture, c.width, c.height, c.visible), c.what, c.tolerance);
    }
}

TEST(LinearEnlarger, RefusesWhatIsNoEnlargement)
{
    struct Case {
        const char* what;
        uint32_t sourceWidth, sourceHeight, width, height;
        PixelRect visible;
    } cases[] = {
        {"smaller across", 10, 10, 9, 20, {0, 0, 9, 20}},
        {"no source", 0, 10, 20, 20, {0, 0, 20, 20}},
        {"nothing visible", 10, 10, 20, 20, {5, 5, 5, 9}},
        {"visible past the drawn picture", 10, 10, 20, 20, {0, 0, 21, 20}},
        {"visible before it", 10, 10, 20, 20, {-1, 0, 20, 20}},
        {"above the size policy", 10, 10, 100000, 100000, {0, 0, 100000, 100000}},
    };
    for (const Case& c : cases) {
        EXPECT_FALSE(CanEnlarge(c.sourceWidth, c.sourceHeight, c.width, c.height, c.visible)) << c.what;
    }
}

// On Windows every format's view drawn larger comes at its drawn size, enlarged from the
// decoded pixels; the native stand-in cannot read back and leaves it whole.
TEST(DecoderViews, DrawnLargerComeEnlargedToTheVisiblePart)
{
    Picture picture = ColourfulPicture(20, 15);
    std::vector<uint32_t> colours = SpreadColours(16);
    IndexedPicture indexed = IndexPattern(20, 15, 16);
    PngFile png = MakePng(20, 15, PNG_RGB, 8);
    struct Case {
        const char* what;
        std::vector<uint8_t> bytes;
        Picture decoded;
    } cases[] = {
        {"24-bit BMP", WriteBmp(MakeBmp(picture, 24, false)), picture},
        {"GIF", WriteGif(MakeGif(indexed, colours)), ColoursOf(indexed, colours)},
        {"PNG", WritePng(png), ShownPng(png)},
        {"JPEG", WriteJpeg(picture, JPEG_COLOUR), LibraryDecode(WriteJpeg(picture, JPEG_COLOUR))},
    };
    const PictureView view = {50, 37, {10, 0, 50, 30}};
    for (const Case& c : cases) {
        ViewShown shown = DecodeView(c.bytes, view);
        ASSERT_TRUE(shown.made) << c.what;
#ifdef _WIN32
        EXPECT_EQ(shown.destination.left, 10) << c.what;
        EXPECT_EQ(shown.destination.bottom, 30) << c.what;
        ExpectSamePicture(shown.picture, LinearReference(c.decoded, 50, 37, view.visible), c.what, 1);
#else
        EXPECT_EQ(shown.picture.width, 20) << c.what << ": whole from the native stand-in";
#endif
    }
}

TEST(Fade, LastsASecondOrHalfTheIntervalAndWeighsTheNewPictureByTheTimeGone)
{
    const uint32_t durations[][2] = {{3000, 1000}, {2000, 1000}, {1500, 750}, {1, 0}, {0xFFFFFFFF, 1000}};
    for (const auto& d : durations) {
        EXPECT_EQ(FadeDuration(d[0]), d[1]) << d[0];
    }
    const uint32_t weights[][3] = {{0, 1000, 0}, {500, 1000, 128}, {999, 1000, 255}, {1000, 1000, kFadeWhole},
                                   {4000000000u, 1000, kFadeWhole}, {0, 0, kFadeWhole}};
    for (const auto& w : weights) {
        EXPECT_EQ(FadeWeight(w[0], w[1]), w[2]) << w[0] << " of " << w[1];
    }
}

TEST(Fade, BlendsEveryByteRoundedAndEndsExactly)
{
    for (size_t count : {1u, 15u, 16u, 17u, 40u}) {
        std::vector<uint8_t> from(count), to(count), out(count);
        for (size_t i = 0; i < count; ++i) {
            from[i] = static_cast<uint8_t>(i * 97 + 3);
            to[i] = static_cast<uint8_t>(255 - i * 31);
        }
        for (uint32_t weight : {0u, 1u, 100u, 128u, 255u, kFadeWhole}) {
            BlendPixels(from.data(), to.data(), out.data(), count, weight);
            for (size_t i = 0; i < count; ++i) {
                double exact = from[i] + (to[i] - from[i]) * (weight / 256.0);
                ASSERT_LE(std::abs(out[i] - exact), 0.5 + 1e-9) << count << " bytes, weight " << weight << ", byte " << i;
            }
        }
        BlendPixels(from.data(), to.data(), out.data(), count, kFadeWhole);
        EXPECT_EQ(out, to);
        BlendPixels(from.data(), to.data(), out.data(), count, 0);
        EXPECT_EQ(out, from);
    }
}

} // namespace
