#include "screensaver/SlideShowLogic.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace {

TEST(UpdateTime, ParsesLikeTheDecimalReaderOfTheRuntime)
{
    EXPECT_EQ(ParseUpdateTime("3000"), 3000);
    EXPECT_EQ(ParseUpdateTime(" \t\n\v\f\r1500ms"), 1500);
    EXPECT_EQ(ParseUpdateTime("+42"), 42);
    EXPECT_EQ(ParseUpdateTime("-42"), -42);
    EXPECT_EQ(ParseUpdateTime(""), 0);
    EXPECT_EQ(ParseUpdateTime("abc"), 0);
    EXPECT_EQ(ParseUpdateTime("+-5"), 0);
    EXPECT_EQ(ParseUpdateTime("4294967297"), 1); // wraps at 32 bits
    EXPECT_EQ(ParseUpdateTime("2147483648"), INT32_MIN);
}

TEST(ShowRandom, IsTheClassicGeneratorSeededAsGiven)
{
    ShowRandom random;
    random.Seed(1);
    EXPECT_EQ(random.Draw(), 41u);
    EXPECT_EQ(random.Draw(), 18467u);
    EXPECT_EQ(random.Draw(), 6334u);
}

void ExpectPlaced(const Placement& placement, int32_t x, int32_t y, int32_t width, int32_t height)
{
    EXPECT_EQ(placement.x, x);
    EXPECT_EQ(placement.y, y);
    EXPECT_EQ(placement.width, width);
    EXPECT_EQ(placement.height, height);
}

TEST(PlacePicture, ScaleToFitMixesDoubleAndSinglePrecisionAsShown)
{
    ExpectPlaced(PlacePicture(800, 600, 1024, 768, true), 0, 0, 1023, 767);
    ExpectPlaced(PlacePicture(640, 480, 1024, 768, true), 0, 0, 1024, 768);
    ExpectPlaced(PlacePicture(1280, 1024, 1024, 768, true), 32, 0, 960, 768);
    ExpectPlaced(PlacePicture(100, 50, 1024, 768, true), 0, 128, 1024, 512);
    EXPECT_TRUE(PlacePicture(100, 50, 1024, 768, true).stretch);
}

TEST(PlacePicture, NaturalSizeIsCentredWithTruncatingDivision)
{
    Placement large = PlacePicture(1100, 900, 1024, 768, false);
    ExpectPlaced(large, -38, -66, 1100, 900);
    EXPECT_FALSE(large.stretch);
    ExpectPlaced(PlacePicture(1025, 768, 1024, 768, false), 0, 0, 1025, 768);
    ExpectPlaced(PlacePicture(10, 20, 1024, 768, false), 507, 374, 10, 20);
}

TEST(PlacePicture, TopDownPicturesArePlacedByTheirSize)
{
    ExpectPlaced(PlacePicture(640, -480, 1024, 768, true), 0, 0, 1024, 768);
    ExpectPlaced(PlacePicture(640, -480, 1024, 768, false), 192, 144, 640, 480);
}

TEST(PlacePicture, DegenerateSizesStayDefined)
{
    Placement empty = PlacePicture(0, 0, 1024, 768, true);
    EXPECT_EQ(empty.width, INT32_MIN);
    ExpectPlaced(PlacePicture(0, 10, 1024, 768, true), 512, 0, 0, 768);
}

void ExpectRect(const PixelRect& rect, int32_t left, int32_t top, int32_t right, int32_t bottom)
{
    EXPECT_EQ(rect.left, left);
    EXPECT_EQ(rect.top, top);
    EXPECT_EQ(rect.right, right);
    EXPECT_EQ(rect.bottom, bottom);
}

TEST(ViewOf, ThePartOfThePictureInsideTheWindow)
{
    ExpectRect(ViewOf(PlacePicture(1100, 900, 1024, 768, false), 1024, 768).visible, 38, 66, 1062, 834);
    ExpectRect(ViewOf(PlacePicture(1025, 768, 1024, 768, false), 1024, 768).visible, 0, 0, 1024, 768);
    ExpectRect(ViewOf(PlacePicture(10, 20, 1024, 768, false), 1024, 768).visible, 0, 0, 10, 20);
    PictureView scaled = ViewOf(PlacePicture(1280, 1024, 1024, 768, true), 1024, 768);
    EXPECT_EQ(scaled.width, 960);
    ExpectRect(scaled.visible, 0, 0, 960, 768);
    ExpectRect(ViewOf(PlacePicture(INT32_MAX, 1, 1024, 768, false), 1024, 768).visible, 1073741311, 0, 1073742335, 1);
    PictureView empty = ViewOf(PlacePicture(0, 0, 1024, 768, true), 1024, 768);
    EXPECT_LE(empty.visible.right, empty.visible.left);
}

TEST(OrderMonitors, PrimaryFirstThenLeftToRightThenTopToBottom)
{
    Monitor desk[] = {{{1024, -200, 1824, 400}, false}, {{-800, 600, 0, 1200}, false}, {{0, 0, 1024, 768}, true},
                      {{-800, 0, 0, 600}, false}};
    OrderMonitors(desk, 4);
    std::vector<std::pair<int32_t, int32_t>> corners;
    for (const Monitor& monitor : desk) {
        corners.push_back({monitor.rect.left, monitor.rect.top});
    }
    EXPECT_EQ(corners, (std::vector<std::pair<int32_t, int32_t>>{{0, 0}, {-800, 0}, {-800, 600}, {1024, -200}}));
}

TEST(MonitorInWindow, MovesToTheWindowsCoordinatesAndCutsToItsClientArea)
{
    // A window over the virtual screen (-640, -200) ... (1824, 980).
    ExpectRect(MonitorInWindow({0, 0, 1024, 768}, -640, -200, 2464, 1180), 640, 200, 1664, 968);
    ExpectRect(MonitorInWindow({-640, 500, 0, 980}, -640, -200, 2464, 1180), 0, 700, 640, 1180);
    ExpectRect(MonitorInWindow({1024, -200, 1824, 400}, -640, -200, 2464, 1180), 1664, 0, 2464, 600);
    PixelRect outside = MonitorInWindow({1024, 0, 1824, 600}, 0, 0, 1024, 768);
    EXPECT_LE(outside.right, outside.left);
    ExpectRect(MonitorInWindow({0, 0, 1024, 768}, 100, 50, 200, 100), 0, 0, 200, 100);
    ExpectRect(MonitorInWindow({INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX}, INT32_MAX, INT32_MAX, 10, 10), 0, 0, 0, 0);
}

} // namespace
