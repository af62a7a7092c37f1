// Ticks of the built saver, read back from the screen.
#include "RegistryFixture.h"
#include "SaverProcess.h"
#include "screensaver/SlideShowLogic.h"
#include "tests/common/Decoding.h"
#include "tests/common/GifWriter.h"
#include "tests/common/JpegWriter.h"
#include "tests/common/PngWriter.h"
#include "tests/common/TestFiles.h"
#include "tests/common/TiffWriter.h"
#include "tests/common/WebpWriter.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include <set>
#include <string>

namespace {

const uint32_t kBlack = 0x000000;

// Every pixel different: its colour tells where in the picture it lies.
Picture PositionPicture(int width, int height)
{
    Picture picture{width, height, {}};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            picture.pixels.push_back(static_cast<uint32_t>((x & 0xFF) << 16 | (y & 0xFF) << 8 | (x >> 8) << 4 | y >> 8));
        }
    }
    return picture;
}

Picture SolidPicture(int width, int height, uint32_t colour)
{
    return Picture{width, height, std::vector<uint32_t>(static_cast<size_t>(width) * height, colour)};
}

std::string WriteBmpFile(const Picture& picture, bool topDown = false)
{
    return WriteTempFile("show.bmp", WriteBmp(MakeBmp(picture, 24, topDown)));
}

class SlideShowOnScreen : public RegistryTest {
protected:
    // Starts the saver on these pictures; ticks come only from the test.
    HWND Start(DWORD flags, const std::vector<std::string>& paths)
    {
        WriteSaverSettings(flags, "1000000", paths);
        saver.reset(new SaverProcess("/s"));
        return saver->WaitForSaverWindow("Screen Saver");
    }
    void TearDown() override
    {
        saver.reset();
        RegistryTest::TearDown();
    }
    std::unique_ptr<SaverProcess> saver;
};

// A part of the screen once the drawing of a tick has reached it (two equal captures in a row).
Picture SettledScreen(const RECT& area = PrimaryArea())
{
    Picture previous = CaptureScreen(area);
    for (int attempt = 0; attempt < 20; ++attempt) {
        Sleep(50);
        Picture current = CaptureScreen(area);
        if (current.pixels == previous.pixels) {
            return current;
        }
        previous = current;
    }
    return previous;
}

// The screen once the saver has drawn its pictures (the first ones come without a tick).
Picture Drawn(HWND window)
{
    EXPECT_TRUE(WaitForPictures(window));
    return SettledScreen();
}

Picture Tick(HWND window, WPARAM timerId = 1)
{
    SendMessageA(window, WM_TIMER, timerId, 0);
    return Drawn(window);
}

// Checks the screen shows `picture` cut to the screen at (x, y), black elsewhere.
void ExpectShownAt(const Picture& screen, const Picture& picture, int x, int y)
{
    int wrong = 0;
    for (int sy = 0; sy < screen.height; ++sy) {
        for (int sx = 0; sx < screen.width; ++sx) {
            int px = sx - x, py = sy - y;
            bool inside = px >= 0 && py >= 0 && px < picture.width && py < picture.height;
            uint32_t expected = inside ? picture.At(px, py) : kBlack;
            if (screen.At(sx, sy) != expected && ++wrong <= 3) {
                ADD_FAILURE() << "screen (" << sx << "," << sy << ") is " << std::hex << screen.At(sx, sy)
                              << " instead of " << expected;
            }
        }
    }
    EXPECT_EQ(wrong, 0);
}

// Where a picture of that size goes on the screen in either mode.
Placement Placed(int width, int height, bool scaleToFit)
{
    RECT screen = PrimaryArea();
    return PlacePicture(width, height, screen.right, screen.bottom, scaleToFit);
}

void ExpectCentred(const Picture& screen, const Picture& picture)
{
    Placement placed = Placed(picture.width, picture.height, false);
    ExpectShownAt(screen, picture, placed.x, placed.y);
}

TEST_F(SlideShowOnScreen, NaturalSizeIsCentredAndCutEquallyOnBothSides)
{
    Picture large = PositionPicture(1100, 900);
    Picture small = PositionPicture(10, 20);
    std::vector<uint8_t> jpeg = WriteJpeg(large, JPEG_COLOUR);
    HWND window = Start(0, {WriteBmpFile(large), WriteBmpFile(small), WriteTempFile("large.jpg", jpeg)});
    ASSERT_NE(window, nullptr);
    ExpectCentred(Drawn(window), large);
    ExpectCentred(Tick(window), small);
    ExpectCentred(Tick(window), LibraryDecode(jpeg));
}

// The bounding box of the pixels that are not black.
RECT DrawnArea(const Picture& screen)
{
    RECT area = {screen.width, screen.height, 0, 0};
    for (int y = 0; y < screen.height; ++y) {
        for (int x = 0; x < screen.width; ++x) {
            if (screen.At(x, y) != kBlack) {
                area.left = std::min<LONG>(area.left, x);
                area.top = std::min<LONG>(area.top, y);
                area.right = std::max<LONG>(area.right, x + 1);
                area.bottom = std::max<LONG>(area.bottom, y + 1);
            }
        }
    }
    return area;
}

void ExpectArea(const RECT& area, LONG x, LONG y, LONG width, LONG height)
{
    EXPECT_EQ(area.left, x);
    EXPECT_EQ(area.top, y);
    EXPECT_EQ(area.right - area.left, width);
    EXPECT_EQ(area.bottom - area.top, height);
}

// Checks the screen shows a width x height picture scaled to fit, black around it.
void ExpectFitted(const Picture& screen, int width, int height)
{
    Placement placed = Placed(width, height, true);
    ExpectArea(DrawnArea(screen), placed.x, placed.y, placed.width, placed.height);
}

uint32_t CentrePixel(const Picture& screen)
{
    return screen.At(screen.width / 2, screen.height / 2);
}

TEST_F(SlideShowOnScreen, ScaleToFitFillsTheScreenKeepingProportions)
{
    std::vector<std::string> paths = {WriteBmpFile(SolidPicture(800, 600, 0x3060C0)),
                                      WriteBmpFile(SolidPicture(1280, 1024, 0xC06030)),
                                      WriteBmpFile(SolidPicture(100, 50, 0x30C060))};
    HWND window = Start(2, paths);
    ASSERT_NE(window, nullptr);
    ExpectFitted(Drawn(window), 800, 600);
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
    ExpectCentred(Drawn(window), picture);
    saver.reset();

    window = Start(2, {path});
    ASSERT_NE(window, nullptr);
    Picture screen = Drawn(window);
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
    DebuggerOutput debugger;
    saver.reset(new SaverProcess("/s"));
    HWND window = saver->WaitForSaverWindow("Screen Saver");
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(CentrePixel(Drawn(window)), 0xFF0000u);
    EXPECT_EQ(CentrePixel(Tick(window, 7)), 0x0000FFu) << "any timer id is a tick";
    EXPECT_EQ(DrawnArea(Tick(window)).right, 0) << "the unreadable file leaves the screen black";
    EXPECT_EQ(CentrePixel(Tick(window)), 0xFF0000u);
    EXPECT_EQ(debugger.Of(saver->Id(), "registry\n"), "Warning at SSaver:71\nCorrupt registry\n")
        << "the missing entry is reported without a console";
}

// Cyrillic, Greek and Chinese letters in a folder name, stored as the registry keeps them.
TEST_F(SlideShowOnScreen, PicturesInFoldersNamedInAnyScriptShow)
{
    std::string base = TempPath("folder");
    std::wstring folder = std::wstring(base.begin(), base.end()) + kScriptsInAFolderName;
    ASSERT_TRUE(CreateDirectoryW(folder.c_str(), nullptr));
    std::wstring path = folder + L"\\red.bmp";
    std::vector<uint8_t> bytes = WriteBmp(MakeBmp(SolidPicture(64, 64, 0xFF0000), 24, false));
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    WriteSaverSettings(0, "1000000", {"placeholder"});
    StoreWideText("File_0", path);
    saver.reset(new SaverProcess("/s"));
    HWND window = saver->WaitForSaverWindow("Screen Saver");
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(CentrePixel(Drawn(window)), 0xFF0000u);
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
    ExpectCentred(Drawn(window), ColoursOf(indexed, colours));
    ExpectCentred(Tick(window), LibraryDecode(jpegBytes));
    saver.reset();

    window = Start(2, {gif, jpeg});
    ASSERT_NE(window, nullptr);
    ExpectFitted(Drawn(window), 300, 200);
    ExpectFitted(Tick(window), 400, 300);
}

// Pictures as people have them: a phone's portrait photo (Exif first, stored sideways), a
// PNG with alpha, a GIF89a with a graphic control block before its image.
TEST_F(SlideShowOnScreen, CameraPhotosPngsAndGif89aShowAsViewersShowThem)
{
    std::vector<uint8_t> camera = WriteCameraJpeg(ColourfulPicture(300, 200), ExifWithOrientation(6, false));
    PngFile png = MakePng(200, 100, PNG_RGBA, 8);
    std::vector<uint32_t> colours = SpreadColours(16);
    IndexedPicture indexed = IndexPattern(120, 80, 16);
    GifFile gif = MakeGif(indexed, colours);
    gif.beforeImage = {0x21, 0xF9, 0x04, 0x09, 0x00, 0x00, 0x03, 0x00}; // transparent index 3
    HWND window = Start(0, {WriteTempFile("camera.jpg", camera), WriteTempFile("show.png", WritePng(png)),
                            WriteTempFile("show.gif", WriteGif(gif))});
    ASSERT_NE(window, nullptr);
    ExpectShownAt(Drawn(window), Oriented(LibraryDecode(camera), 6), 412, 234);
    ExpectShownAt(Tick(window), ShownPng(png), 412, 334);
    colours[3] = kBlack;
    ExpectShownAt(Tick(window), ColoursOf(indexed, colours), 452, 344);
}

// A WebP, and a TIFF that the picture thread reads through the system's imaging component.
TEST_F(SlideShowOnScreen, WebpAndTiffPicturesShowInBothModes)
{
    Picture webp = ColourfulPicture(300, 200), tiff = ColourfulPicture(240, 180);
    std::vector<std::string> paths = {WriteTempFile("show.webp", WriteWebp(WebpFrame(webp), true)),
                                      WriteTempFile("show.tif", WriteTiff({TiffPage(tiff, 8)}))};
    HWND window = Start(0, paths);
    ASSERT_NE(window, nullptr);
    ExpectCentred(Drawn(window), webp);
    ExpectCentred(Tick(window), Oriented(tiff, 8));
    saver.reset();

    window = Start(2, paths);
    ASSERT_NE(window, nullptr);
    ExpectFitted(Drawn(window), 300, 200);
    ExpectFitted(Tick(window), 180, 240);
}

// Tick waits until the next picture is prepared: a tick draws it without opening the file
// again, and the missing file is black at its next turn.
TEST_F(SlideShowOnScreen, ATickDrawsThePreparedPictureWithoutReadingItsFile)
{
    std::string red = WriteBmpFile(SolidPicture(64, 64, 0xFF0000));
    std::string blue = WriteBmpFile(SolidPicture(64, 64, 0x0000FF));
    HWND window = Start(0, {red, blue});
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(CentrePixel(Drawn(window)), 0xFF0000u);
    ASSERT_TRUE(DeleteFileA(blue.c_str()));
    EXPECT_EQ(CentrePixel(Tick(window)), 0x0000FFu);
    EXPECT_EQ(CentrePixel(Tick(window)), 0xFF0000u);
    EXPECT_EQ(DrawnArea(Tick(window)).right, 0);
}

TEST_F(SlideShowOnScreen, EmptyListTicksAreBlack)
{
    HWND window = Start(0, {});
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(DrawnArea(Drawn(window)).right, 0);
    EXPECT_EQ(DrawnArea(Tick(window)).right, 0);
    EXPECT_EQ(saver->WaitForExit(0), STILL_ACTIVE);
}

TEST_F(SlideShowOnScreen, RandomOrderShowsEveryPicture)
{
    const uint32_t colours[] = {0xFF0000, 0x00FF00};
    HWND window = Start(1, {WriteBmpFile(SolidPicture(32, 32, colours[0])),
                            WriteBmpFile(SolidPicture(32, 32, colours[1]))});
    ASSERT_NE(window, nullptr);
    std::set<uint32_t> seen = {CentrePixel(Drawn(window))};
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
        Picture screen = &pictures == shown ? Drawn(window) : Tick(window);
        EXPECT_NEAR(MeanBrightness(screen) / pictures.noiseBrightness, 1.0, 0.05) << pictures.what << " noise";
        EXPECT_LE(LargestDifference(Tick(window), mean), 16) << pictures.what << " columns";
    }
}

uint32_t CentreColour()
{
    RECT screen = PrimaryArea();
    LONG x = screen.right / 2, y = screen.bottom / 2;
    return CaptureScreen({x, y, x + 1, y + 1}).pixels[0];
}

// The first picture is drawn as soon as it is prepared, also when it fades in, and the next
// one an interval after it.
TEST_F(SlideShowOnScreen, TheFirstPictureShowsAtOnceAndTheNextOneAnIntervalLater)
{
    const DWORD interval = 4000, longestFade = 1000;
    std::vector<std::string> paths = {WriteBmpFile(SolidPicture(64, 64, 0xFF0000)),
                                      WriteBmpFile(SolidPicture(64, 64, 0x0000FF))};
    for (DWORD flags : {0u, 4u}) {
        SCOPED_TRACE("flags " + std::to_string(flags));
        WriteSaverSettings(flags, std::to_string(interval).c_str(), paths);
        saver.reset(new SaverProcess("/s"));
        HWND window = saver->WaitForSaverWindow("Screen Saver");
        ASSERT_NE(window, nullptr);
        DWORD start = GetTickCount();
        ASSERT_TRUE(WaitForPictures(window));
        DWORD first = GetTickCount() - start;
        EXPECT_LT(first, interval / 2) << "the first picture waited for a tick";
        EXPECT_EQ(CentreColour(), 0xFF0000u);
        InvalidateRect(window, nullptr, TRUE);
        UpdateWindow(window);
        EXPECT_EQ(CentreColour(), 0xFF0000u) << "a repaint took the picture away";
        ASSERT_TRUE(WaitUntil([] { return CentreColour() == 0x0000FF; }));
        DWORD second = GetTickCount() - start;
        EXPECT_GE(second, interval - 300);
        EXPECT_LE(second, first + interval + longestFade + 500);
        saver.reset();
    }
}

// Black and white halves: the edge a stretch that repeats pixels turns into steps.
Picture SharpEdge(int width, int height)
{
    Picture picture{width, height, {}};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            picture.pixels.push_back(x < width / 2 ? kBlack : 0xFFFFFF);
        }
    }
    return picture;
}

// What the screen shows is the linear interpolation of the picture's pixels.
TEST_F(SlideShowOnScreen, SmallPicturesScaledToFitAreEnlargedSmoothly)
{
    struct Case {
        const char* what;
        Picture picture;
    } cases[] = {{"sharp edge", SharpEdge(64, 48)}, {"many colours", ColourfulPicture(40, 30)}};
    std::vector<std::string> paths;
    for (const Case& c : cases) {
        paths.push_back(WriteBmpFile(c.picture));
    }
    HWND window = Start(2, paths);
    ASSERT_NE(window, nullptr);
    for (const Case& c : cases) {
        Picture screen = &c == cases ? Drawn(window) : Tick(window);
        Placement placed = Placed(c.picture.width, c.picture.height, true);
        PixelRect drawn = {placed.x, placed.y, placed.x + placed.width, placed.y + placed.height};
        ExpectSamePicture(Cut(screen, drawn),
                          LinearReference(c.picture, placed.width, placed.height, {0, 0, placed.width, placed.height}),
                          c.what, 1);
    }
}

// The weight of `to` over `from` that `pixel` shows, read from the channel that changes most.
double WeightOf(uint32_t pixel, uint32_t from, uint32_t to)
{
    int shift = 0, largest = 0;
    for (int s : {0, 8, 16}) {
        int change = std::abs(static_cast<int>((to >> s & 0xFF) - (from >> s & 0xFF)));
        if (change > largest) {
            largest = change;
            shift = s;
        }
    }
    double f = from >> shift & 0xFF, t = to >> shift & 0xFF, p = pixel >> shift & 0xFF;
    return (p - f) / (t - f);
}

// Whether every channel of `pixel` is that of from and to mixed at `weight`, within 2.
bool IsBlend(uint32_t pixel, uint32_t from, uint32_t to, double weight)
{
    for (int s : {0, 8, 16}) {
        double f = from >> s & 0xFF, t = to >> s & 0xFF, p = pixel >> s & 0xFF;
        if (std::abs(p - (f + (t - f) * weight)) > 2) {
            return false;
        }
    }
    return true;
}

// A small picture fades in over a large one: inside it and around it (where black comes in)
// the frames show both areas at the same step, and the fade ends on the new picture exactly.
TEST_F(SlideShowOnScreen, AFadeBlendsWholeAreasAndEndsOnTheNewPictureExactly)
{
    const uint32_t large = 0xC08040, small = 0x2060E0;
    Picture smallPicture = SolidPicture(200, 100, small);
    HWND window = Start(4, {WriteBmpFile(SolidPicture(800, 600, large)), WriteBmpFile(smallPicture)});
    ASSERT_NE(window, nullptr);
    ExpectCentred(Drawn(window), SolidPicture(800, 600, large));
    RECT screen = PrimaryArea();
    LONG y = screen.bottom / 2, inside = screen.right / 2, beside = inside - 150;
    SendMessageA(window, WM_TIMER, 1, 0);
    int frames = 0;
    DWORD start = GetTickCount();
    while (PicturesWaiting(window) != 0 && GetTickCount() - start < kTimeout) {
        Picture row = CaptureScreen({beside, y, inside + 1, y + 1});
        uint32_t in = row.pixels.back(), around = row.pixels.front();
        if ((in == large && around == large) || (in == small && around == kBlack)) {
            continue;
        }
        double weight = WeightOf(in, large, small);
        EXPECT_TRUE(IsBlend(in, large, small, weight)) << std::hex << in;
        EXPECT_TRUE(IsBlend(around, large, kBlack, weight)) << std::hex << around << " at the weight of " << in;
        ++frames;
    }
    EXPECT_GE(frames, 3) << "frames seen between the pictures";
    ExpectCentred(SettledScreen(), smallPicture);
}

// A picture that comes while a fade goes on fades in from what the screen shows then: with
// pure red, blue and green pictures, the channels of every frame add up to 255, and the blue
// coming in stops growing when green comes.
TEST_F(SlideShowOnScreen, APictureArrivingDuringAFadeFadesInFromWhatIsShown)
{
    const uint32_t red = 0xFF0000, blue = 0x0000FF, green = 0x00FF00;
    HWND window = Start(4, {WriteBmpFile(SolidPicture(64, 64, red)), WriteBmpFile(SolidPicture(64, 64, blue)),
                            WriteBmpFile(SolidPicture(64, 64, green))});
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(WaitForPictures(window));
    SendMessageA(window, WM_TIMER, 1, 0);
    ASSERT_TRUE(WaitUntil([=] {
        uint32_t colour = CentreColour();
        return colour != red && colour != blue;
    })) << "no frame between red and blue";
    SendMessageA(window, WM_TIMER, 1, 0);
    uint32_t last = CentreColour();
    DWORD start = GetTickCount();
    while (PicturesWaiting(window) != 0 && GetTickCount() - start < kTimeout) {
        uint32_t colour = CentreColour();
        EXPECT_NEAR((colour >> 16) + (colour >> 8 & 0xFF) + (colour & 0xFF), 255, 6) << std::hex << colour;
        EXPECT_LE(colour & 0xFF, (last & 0xFF) + 2) << std::hex << colour << " after " << last;
        last = colour;
    }
    EXPECT_EQ(CentrePixel(SettledScreen()), green);
}

// The fade goes on while the window's thread answers at once, and a key closes the saver.
TEST_F(SlideShowOnScreen, AKeyDuringAFadeClosesAtOnce)
{
    HWND window = Start(4, {WriteBmpFile(SolidPicture(64, 64, 0xFF0000)), WriteBmpFile(SolidPicture(64, 64, 0x0000FF))});
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(WaitForPictures(window));
    SendMessageA(window, WM_TIMER, 1, 0);
    EXPECT_GT(PicturesWaiting(window, 100), 0) << "the fade is under way";
    PostMessageA(window, WM_KEYDOWN, VK_SPACE, 0);
    EXPECT_EQ(saver->WaitForExit(1000), 0u) << "the saver did not close within a second of the key";
}

// Several monitors: the tests of the suite MonitorsOnScreen run on their own, on a display
// with several monitors (scripts/wine-session.sh with heads).

BOOL CALLBACK AddMonitor(HMONITOR, HDC, RECT* rect, LPARAM list)
{
    reinterpret_cast<std::vector<RECT>*>(list)->push_back(*rect);
    return TRUE;
}

// The system's monitors in show order: the primary, at (0, 0), first, then by left edge, then by top.
std::vector<RECT> Monitors()
{
    std::vector<RECT> monitors;
    EnumDisplayMonitors(nullptr, nullptr, AddMonitor, reinterpret_cast<LPARAM>(&monitors));
    std::stable_sort(monitors.begin(), monitors.end(), [](const RECT& a, const RECT& b) {
        bool primaryA = a.left == 0 && a.top == 0, primaryB = b.left == 0 && b.top == 0;
        return primaryA != primaryB ? primaryA : a.left != b.left ? a.left < b.left : a.top < b.top;
    });
    EXPECT_GE(monitors.size(), 2u) << "a display with several monitors";
    return monitors;
}

using MonitorsOnScreen = SlideShowOnScreen;

TEST_F(MonitorsOnScreen, TheWindowCoversEveryMonitorAndMovementOnAnyOfThemCloses)
{
    std::vector<RECT> monitors = Monitors();
    POINT last = {monitors.back().left + 10, monitors.back().top + 10};
    SetCursorPos(last.x, last.y);
    HWND window = Start(0, {});
    ASSERT_NE(window, nullptr);
    for (const RECT& monitor : monitors) {
        EXPECT_EQ(WindowFromPoint({monitor.right - 1, monitor.bottom - 1}), window) << "the saver's window is there";
    }
    MoveCursor(window, last.x + 2, last.y + 2);
    EXPECT_TRUE(Settle(window));
    EXPECT_EQ(saver->WaitForExit(0), STILL_ACTIVE);
    MoveCursor(window, last.x + 3, last.y + 2);
    EXPECT_EQ(saver->WaitForExit(), 0u);
}

// The monitors take turns from one sequence: at tick t (the first pictures come without one)
// monitor i of m shows entry (t * m + i) mod 3, centred in it; the large one is cut to each
// monitor's edges.
TEST_F(MonitorsOnScreen, EachMonitorShowsTheNextPictureOfTheSequenceAtEveryTick)
{
    const Picture pictures[] = {PositionPicture(1100, 900), SolidPicture(64, 48, 0xFF0000),
                                SolidPicture(64, 48, 0x0000FF)};
    std::vector<std::string> paths;
    for (const Picture& picture : pictures) {
        paths.push_back(WriteBmpFile(picture));
    }
    HWND window = Start(0, paths);
    ASSERT_NE(window, nullptr);
    std::vector<RECT> monitors = Monitors();
    for (size_t tick = 0; tick < 2; ++tick) {
        if (tick > 0) {
            SendMessageA(window, WM_TIMER, 1, 0);
        }
        ASSERT_TRUE(WaitForPictures(window));
        for (size_t i = 0; i < monitors.size(); ++i) {
            SCOPED_TRACE("tick " + std::to_string(tick) + ", monitor " + std::to_string(i));
            const Picture& shown = pictures[(tick * monitors.size() + i) % 3];
            const RECT& m = monitors[i];
            ExpectShownAt(SettledScreen(m), shown, (m.right - m.left - shown.width) / 2,
                          (m.bottom - m.top - shown.height) / 2);
        }
    }
}

} // namespace
