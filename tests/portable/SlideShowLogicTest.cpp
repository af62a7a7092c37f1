#include "screensaver/SlideShowLogic.h"

#include <gtest/gtest.h>

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

TEST(RandomIndex, EveryLoadedEntryIsChosenEvenlyAndNoneOutside)
{
    for (int32_t count : {1, 2, 3, 7, 1000}) {
        std::vector<int> chosen(count, 0);
        for (uint32_t draw = 0; draw < 32768; ++draw) {
            int32_t index = RandomIndex(draw, count);
            ASSERT_GE(index, 0);
            ASSERT_LT(index, count);
            ++chosen[index];
        }
        for (int times : chosen) {
            EXPECT_NEAR(times, 32768.0 / count, 1.0) << count;
        }
    }
    EXPECT_EQ(RandomIndex(16383, 2), 0);
    EXPECT_EQ(RandomIndex(16384, 2), 1);
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

void ExpectVisible(const PictureView& view, int32_t left, int32_t top, int32_t right, int32_t bottom)
{
    EXPECT_EQ(view.visible.left, left);
    EXPECT_EQ(view.visible.top, top);
    EXPECT_EQ(view.visible.right, right);
    EXPECT_EQ(view.visible.bottom, bottom);
}

TEST(ViewOf, ThePartOfThePictureInsideTheWindow)
{
    ExpectVisible(ViewOf(PlacePicture(1100, 900, 1024, 768, false), 1024, 768), 38, 66, 1062, 834);
    ExpectVisible(ViewOf(PlacePicture(1025, 768, 1024, 768, false), 1024, 768), 0, 0, 1024, 768);
    ExpectVisible(ViewOf(PlacePicture(10, 20, 1024, 768, false), 1024, 768), 0, 0, 10, 20);
    PictureView scaled = ViewOf(PlacePicture(1280, 1024, 1024, 768, true), 1024, 768);
    EXPECT_EQ(scaled.width, 960);
    ExpectVisible(scaled, 0, 0, 960, 768);
    ExpectVisible(ViewOf(PlacePicture(INT32_MAX, 1, 1024, 768, false), 1024, 768), 1073741311, 0, 1073742335, 1);
    PictureView empty = ViewOf(PlacePicture(0, 0, 1024, 768, true), 1024, 768);
    EXPECT_LE(empty.visible.right, empty.visible.left);
}

} // namespace
