// Ticks of the built saver, read back from the screen.
#include "RegistryFixture.h"
#include "SaverProcess.h"
#include "tests/common/GifWriter.h"
#include "tests/common/JpegWriter.h"
#include "screensaver/SlideShowLogic.h"
#include "tests/common/TestFiles.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include <set>
#include <string>

namespace {

std::string WriteBmpFile(const Picture& picture, bool topDown = false)
{
    return WriteTempFile("show.bmp", WriteBmp(MakeBmp(picture, 24, topDown)));
}

using SlideShowOnScreen = SaverOnScreen;

Picture Tick(HWND window, WPARAM timerId = 1)
{
    SendMessageA(window, WM_TIMER, timerId, 0);
    return SettledScreen();
}

// Where a picture of that size goes on the screen in either mode.
Placement Placed(int width, int height, bool scaleToFit)
{
    RECT screen = PrimaryArea();
    return PlacePicture(width, height, screen.right, screen.bottom, scaleToFit);
}

// Checks the screen shows a width x height picture scaled to fit, black around it.
void ExpectFitted(const Picture& screen, int width, int height)
{
    Placement placed = Placed(width, height, true);
    ExpectArea(DrawnArea(screen), placed.x, placed.y, placed.width, placed.height);
}

void ExpectCentred(const Picture& screen, const Picture& picture)
{
    Placement placed = Placed(picture.width, picture.height, false);
    ExpectShownAt(screen, picture, placed.x, placed.y);
}

uint32_t CentrePixel(const Picture& screen)
{
    return screen.At(screen.width / 2, screen.height / 2);
}

TEST_F(SlideShowOnScreen, NaturalSizeIsCentredAndCutEquallyOnBothSides)
{
    Picture large = PositionPicture(1100, 900);
    Picture small = PositionPicture(10, 20);
    std::vector<uint8_t> jpeg = WriteJpeg(large, JPEG_COLOUR);
    HWND window = Start(0, {WriteBmpFile(large), WriteBmpFile(small), WriteTempFile("large.jpg", jpeg)});
    ASSERT_NE(window, nullptr);
    ExpectCentred(Tick(window), large);
    ExpectCentred(Tick(window), small);
    ExpectCentred(Tick(window), LibraryDecode(jpeg));
}

TEST_F(SlideShowOnScreen, ScaleToFitFillsTheScreenKeepingProportions)
{
    std::vector<std::string> paths = {WriteBmpFile(SolidPicture(800, 600, 0x3060C0)),
                                      WriteBmpFile(SolidPicture(1280, 1024, 0xC06030)),
                                      WriteBmpFile(SolidPicture(100, 50, 0x30C060))};
    HWND window = Start(2, paths);
    ASSERT_NE(window, nullptr);
    ExpectFitted(Tick(window), 800, 600);
    ExpectFitted(Tick(window), 1280, 1024);
    Picture screen = Tick(window);
    ExpectFitted(screen, 100, 50);
    EXPECT_EQ(CentrePixel(screen), 0x30C060u);
}

TEST_F(SlideShowOnScreen, TopDownPicturesShowTheRightWayUpInBothModes)
{
    Picture picture = PositionPicture(640, 480);
    std::string path = WriteBmpFile(picture, true);
    HWND window = Start(0, {path});
    ASSERT_NE(window, nullptr);
    ExpectCentred(Tick(window), picture);
    saver.reset();

    window = Start(2, {path});
    ASSERT_NE(window, nullptr);
    Picture screen = Tick(window);
    ExpectFitted(screen, 640, 480);
    Placement placed = Placed(640, 480, true);
    EXPECT_EQ(screen.At(placed.x, placed.y), picture.At(0, 0));
    EXPECT_EQ(screen.At(placed.x + placed.width - 1, placed.y + placed.height - 1), picture.At(639, 479));
}

TEST_F(SlideShowOnScreen, ListOrderSkipsMissingEntriesAndUnreadableFilesGiveABlackTick)
{
    std::string red = WriteBmpFile(SolidPicture(64, 64, 0xFF0000));
    std::string blue = WriteBmpFile(SolidPicture(64, 64, 0x0000FF));
    std::string text = WriteTempFile("not-a-picture.bmp", {'h', 'e', 'l', 'l', 'o', ' ', 't', 'e', 'x', 't'});
    WriteSaverSettings(0, "1000000", {red, "unused", blue, text});
    DeleteStoredValue("File_1");
    saver.reset(new SaverProcess("/s"));
    HWND window = saver->WaitForSaverWindow("Screen Saver");
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(CentrePixel(Tick(window)), 0xFF0000u);
    EXPECT_EQ(CentrePixel(Tick(window, 7)), 0x0000FFu) << "any timer id is a tick";
    EXPECT_EQ(DrawnArea(Tick(window)).right, 0) << "the unreadable file leaves the screen black";
    EXPECT_EQ(CentrePixel(Tick(window)), 0xFF0000u);
}

TEST_F(SlideShowOnScreen, GifAndJpegPicturesShowInBothModes)
{
    std::vector<uint32_t> colours = SpreadColours(16);
    IndexedPicture indexed = IndexPattern(300, 200, 16);
    std::string gif = WriteTempFile("show.gif", WriteGif(MakeGif(indexed, colours, true)));
    std::vector<uint8_t> jpegBytes = WriteJpeg(ColourfulPicture(400, 300), JPEG_COLOUR);
    std::string jpeg = WriteTempFile("show.jpg", jpegBytes);

    HWND window = Start(0, {gif, jpeg});
    ASSERT_NE(window, nullptr);
    ExpectCentred(Tick(window), ColoursOf(indexed, colours));
    ExpectCentred(Tick(window), LibraryDecode(jpegBytes));
    saver.reset();

    window = Start(2, {gif, jpeg});
    ASSERT_NE(window, nullptr);
    ExpectFitted(Tick(window), 300, 200);
    ExpectFitted(Tick(window), 400, 300);
}

TEST_F(SlideShowOnScreen, EmptyListTicksAreBlack)
{
    HWND window = Start(0, {});
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(DrawnArea(Tick(window)).right, 0);
    EXPECT_EQ(saver->WaitForExit(0), STILL_ACTIVE);
}

TEST_F(SlideShowOnScreen, RandomOrderShowsEveryPicture)
{
    const uint32_t colours[] = {0xFF0000, 0x00FF00};
    HWND window = Start(1, {WriteBmpFile(SolidPicture(32, 32, colours[0])),
                            WriteBmpFile(SolidPicture(32, 32, colours[1]))});
    ASSERT_NE(window, nullptr);
    std::set<uint32_t> seen;
    for (int tick = 0; tick < 40 && seen.size() < 2; ++tick) {
        seen.insert(CentrePixel(Tick(window)));
    }
    EXPECT_EQ(seen, std::set<uint32_t>(colours, colours + 2));
}

// Light colours only: every channel 128 ... 255.
std::vector<uint32_t> LightColours(int count)
{
    std::vector<uint32_t> colours;
    for (int i = 0; i < count; ++i) {
        colours.push_back(static_cast<uint32_t>(128 + i * 37 % 128) << 16 | (128 + i * 71 % 128) << 8 | (255 - i % 128));
    }
    return colours;
}

double MeanBrightness(const Picture& picture)
{
    double sum = 0;
    for (uint32_t pixel : picture.pixels) {
        sum += (pixel >> 16) + (pixel >> 8 & 0xFF) + (pixel & 0xFF);
    }
    return sum / (3.0 * picture.pixels.size());
}

// The largest difference of a channel from that of `colour`, over the whole screen.
int LargestDifference(const Picture& screen, uint32_t colour)
{
    int largest = 0;
    for (uint32_t pixel : screen.pixels) {
        for (int shift : {0, 8, 16}) {
            largest = std::max(largest, std::abs(static_cast<int>((pixel >> shift & 0xFF) - (colour >> shift & 0xFF))));
        }
    }
    return largest;
}

TEST_F(SlideShowOnScreen, PicturesShrunkByHalfKeepTheirLightAndDetail)
{
    // Twice the screen's size: each screen pixel stands for 2 x 2 of the picture.
    const int width = 2 * PrimaryArea().right, height = 2 * PrimaryArea().bottom;
    std::vector<uint32_t> light = LightColours(256);
    IndexedPicture noiseIndices = IndexNoise(width, height, 256);
    Picture noise = ColoursOf(noiseIndices, light);
    Picture noise16 = noise;
    for (uint32_t& pixel : noise16.pixels) {
        pixel = Quantise16(pixel, false);
    }
    // Columns of white and grey in turn, and their mean.
    const std::vector<uint32_t> whiteAndGrey = {0xFFFFFF, 0x808080};
    const uint32_t mean = 0xC0C0C0;
    IndexedPicture columnIndices{width, height, {}};
    for (int i = 0; i < width * height; ++i) {
        columnIndices.indices.push_back(static_cast<uint8_t>(i % 2));
    }
    Picture columns = ColoursOf(columnIndices, whiteAndGrey);

    struct Shown {
        const char* what;
        std::vector<uint8_t> noise;
        std::vector<uint8_t> columns;
        double noiseBrightness;
    } shown[] = {
        {"24-bit BMP", WriteBmp(MakeBmp(noise, 24, false)), WriteBmp(MakeBmp(columns, 24, false)), MeanBrightness(noise)},
        {"16-bit BMP", WriteBmp(MakeBmp(noise, 16, false)), WriteBmp(MakeBmp(columns, 16, false)),
         MeanBrightness(noise16)},
        {"GIF", WriteGif(MakeGif(noiseIndices, light)), WriteGif(MakeGif(columnIndices, whiteAndGrey)),
         MeanBrightness(noise)},
        {"JPEG", WriteJpeg(noise, JPEG_COLOUR, 95), WriteJpeg(columns, JPEG_COLOUR, 95), MeanBrightness(noise)},
    };
    std::vector<std::string> paths;
    for (const Shown& pictures : shown) {
        paths.push_back(WriteTempFile("noise", pictures.noise));
        paths.push_back(WriteTempFile("columns", pictures.columns));
    }
    HWND window = Start(2, paths);
    ASSERT_NE(window, nullptr);
    for (const Shown& pictures : shown) {
        Picture screen = Tick(window);
        EXPECT_NEAR(MeanBrightness(screen) / pictures.noiseBrightness, 1.0, 0.05) << pictures.what << " noise";
        EXPECT_LE(LargestDifference(Tick(window), mean), 16) << pictures.what << " columns";
    }
}

} // namespace
