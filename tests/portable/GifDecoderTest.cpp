// GIF files made by the test writer, decoded and compared pixel for pixel.
#include "screensaver/decoder/cImageDecoder.h"
#include "tests/common/Decoding.h"
#include "tests/common/GifWriter.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

namespace {

void ExpectShown(const GifFile& file, const Picture& expected, const std::string& what)
{
    Decoded decoded = DecodeBytes(WriteGif(file));
    ASSERT_EQ(decoded.headerError, DE_OK) << what;
    ASSERT_TRUE(decoded.made) << what;
    EXPECT_EQ(decoded.error, DE_OK) << what;
    EXPECT_EQ(decoded.width, expected.width) << what;
    EXPECT_EQ(decoded.height, expected.height) << what;
    ExpectSamePicture(decoded.picture, expected, what);
}

void ExpectShown(const GifFile& file, const IndexedPicture& picture, const std::vector<uint32_t>& colours,
                 const std::string& what)
{
    ExpectShown(file, ColoursOf(picture, colours), what);
}

TEST(GifDecoder, VersionsColourCountsAndWidths)
{
    for (const char* signature : {"GIF87a", "GIF89a"}) {
        for (int colours : {2, 4, 16, 256}) {
            for (int width : {1, 3, 5, 8, 13}) {
                std::vector<uint32_t> palette = SpreadColours(colours);
                IndexedPicture picture = IndexPattern(width, 7, colours);
                GifFile file = MakeGif(picture, palette);
                file.signature = signature;
                std::string what = std::string(signature) + ", " + std::to_string(colours) + " colours, width " +
                                   std::to_string(width);
                ExpectShown(file, picture, palette, what);
            }
        }
    }
}

TEST(GifDecoder, LocalTableReplacesGlobalAndPositionIsIgnored)
{
    std::vector<uint32_t> local = SpreadColours(16);
    IndexedPicture picture = IndexPattern(9, 6, 16);
    GifFile file = MakeGif(picture, GreyPalette(16));
    file.localColours = local;
    file.left = 30;
    file.top = 12;
    ExpectShown(file, picture, local, "local and global table");

    GifFile localOnly = MakeGif(picture, local);
    localOnly.globalColours.clear();
    localOnly.localColours = local;
    ExpectShown(localOnly, picture, local, "local table only");
}

TEST(GifDecoder, PaletteEntriesPastTheTableKeepEarlierColours)
{
    std::vector<uint32_t> full = SpreadColours(256);
    IndexedPicture first = IndexPattern(4, 4, 256);
    ExpectShown(MakeGif(first, full), first, full, "256 colours first");

    // Four colours, but the code size lets the data name index 200 and up.
    std::vector<uint32_t> four = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};
    IndexedPicture picture{3, 2, {0, 1, 2, 3, 200, 255}};
    GifFile file = MakeGif(picture, four);
    file.minimumCodeSize = 8;
    file.imageData = LzwEncode(picture.indices, 8);
    Picture expected = ColoursOf(picture, four);
    expected.pixels[4] = full[200];
    expected.pixels[5] = full[255];
    ExpectShown(file, expected, "4-entry table over an earlier palette");

    GifFile noTable = MakeGif(picture, {});
    noTable.minimumCodeSize = 8;
    noTable.imageData = LzwEncode(picture.indices, 8);
    ExpectShown(noTable, expected, "no colour table: the palette as left");
}

TEST(GifDecoder, InterlacedRowsLandInPlace)
{
    std::vector<uint32_t> palette = SpreadColours(16);
    for (int height : {1, 2, 3, 4, 5, 8, 9, 17}) {
        IndexedPicture picture = IndexPattern(6, height, 16);
        ExpectShown(MakeGif(picture, palette, true), picture, palette, "interlaced, " + std::to_string(height) + " rows");
    }
}

TEST(GifDecoder, StringTableFullThenClearedOrKeptAtTwelveBits)
{
    std::vector<uint32_t> palette = SpreadColours(256);
    IndexedPicture picture = IndexNoise(130, 100, 256);

    LzwStats cleared;
    ExpectShown(MakeGif(picture, palette, false, {}, &cleared), picture, palette, "clear code when full");
    EXPECT_GT(cleared.clearsWhenFull, 0);

    LzwOptions noClear;
    noClear.clearWhenFull = false;
    LzwStats kept;
    ExpectShown(MakeGif(picture, palette, false, noClear, &kept), picture, palette, "12 bits without clear");
    EXPECT_GT(kept.codesWhileFull, 1000);

    IndexedPicture fewColours = IndexNoise(200, 150, 4, 7);
    std::vector<uint32_t> four = SpreadColours(4);
    LzwStats small;
    ExpectShown(MakeGif(fewColours, four, false, noClear, &small), fewColours, four, "2-bit codes grown to 12");
    EXPECT_GT(small.codesWhileFull, 100);
}

TEST(GifDecoder, CodeNotYetInTableAndStreamsWithoutClearOrEnd)
{
    std::vector<uint32_t> palette = SpreadColours(4);
    IndexedPicture runs{40, 3, std::vector<uint8_t>(120, 2)};
    LzwStats stats;
    ExpectShown(MakeGif(runs, palette, false, {}, &stats), runs, palette, "one long run");
    EXPECT_GT(stats.notYetInTable, 3);

    IndexedPicture picture = IndexPattern(11, 9, 4);
    LzwOptions bare;
    bare.leadingClear = false;
    bare.endCode = false;
    ExpectShown(MakeGif(picture, palette, false, bare), picture, palette, "no leading clear, no end code");
}

TEST(GifDecoder, CodesStraddleSubBlocksOfEverySize)
{
    std::vector<uint32_t> palette = SpreadColours(256);
    IndexedPicture picture = IndexNoise(37, 23, 256, 3);
    for (int size : {1, 2, 3, 4, 5, 7, 100, 254}) {
        GifFile file = MakeGif(picture, palette);
        file.subBlockSizes = {size};
        ExpectShown(file, picture, palette, "sub-blocks of " + std::to_string(size));
    }
    GifFile mixed = MakeGif(picture, palette);
    mixed.subBlockSizes = {1, 255, 2, 3, 250, 1, 1, 1, 6};
    ExpectShown(mixed, picture, palette, "mixed sub-block sizes");
}

TEST(GifDecoder, EndCodeInAShortFinalSubBlock)
{
    std::vector<uint32_t> palette = SpreadColours(16);
    IndexedPicture picture = IndexPattern(21, 13, 16);
    for (int last : {1, 2, 3, 4}) {
        for (bool endCode : {true, false}) {
            LzwOptions options;
            options.endCode = endCode;
            GifFile file = MakeGif(picture, palette, false, options);
            file.lastSubBlockBytes = last;
            std::string what = "final sub-block of " + std::to_string(last) + (endCode ? " with" : " without") +
                               " end code";
            ExpectShown(file, picture, palette, what);
        }
    }
}

typedef std::vector<uint8_t> Bytes;

// A graphic control block: flags (bit 0: transparency), delay, transparent index.
Bytes GraphicControl(bool transparent, uint8_t index)
{
    return {0x21, 0xF9, 0x04, static_cast<uint8_t>(transparent ? 0x09 : 0x08), 0x0A, 0x00, index, 0x00};
}

Bytes Joined(std::initializer_list<Bytes> parts)
{
    Bytes joined;
    for (const Bytes& part : parts) {
        joined.insert(joined.end(), part.begin(), part.end());
    }
    return joined;
}

TEST(GifDecoder, ExtensionLayoutsBeforeTheFirstImage)
{
    const Bytes loop = {0x21, 0xFF, 0x0B, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0', 0x03, 0x01, 0x00, 0x00, 0x00};
    const Bytes comment = {0x21, 0xFE, 0x05, 'h', 'e', 'l', 'l', 'o', 0x02, 'a', 'b', 0x00};
    const Bytes empty = {0x21, 0x01, 0x00}; // a plain text label with no sub-blocks
    Bytes secondFrame = Joined({GraphicControl(true, 1), {0x2C, 0, 0, 0, 0, 2, 0, 2, 0, 0, 0x02, 0x02, 0x4C, 0x01, 0x00}});
    std::vector<uint32_t> palette = {0x112233, 0xFFFFFF, 0xFF00FF, 0x00FF00};
    IndexedPicture picture = IndexPattern(6, 5, 4);
    struct Case {
        const char* what;
        const char* signature;
        Bytes before;
        int32_t headerError;
        int transparent; // the index shown black, -1: none
    };
    const Case cases[] = {
        {"graphic control, transparent 2", "GIF89a", GraphicControl(true, 2), DE_OK, 2},
        {"graphic control without transparency", "GIF89a", GraphicControl(false, 2), DE_OK, -1},
        {"loop block, comment, graphic control", "GIF89a", Joined({loop, comment, GraphicControl(true, 0)}), DE_OK, 0},
        {"empty extension in a GIF87a", "GIF87a", Joined({empty, comment}), DE_OK, -1},
        {"transparent index past the table", "GIF89a", GraphicControl(true, 200), DE_OK, -1},
        {"trailer before any image", "GIF89a", {0x3B}, DE_NO_IMAGE, -1},
        {"other byte where an image should start", "GIF89a", Joined({comment, {0x00}}), DE_NO_IMAGE, -1},
    };
    for (const Case& c : cases) {
        GifFile file = MakeGif(picture, palette);
        file.signature = c.signature;
        file.beforeImage = c.before;
        file.afterImage = secondFrame; // later frames are ignored
        Decoded decoded = DecodeBytes(WriteGif(file));
        EXPECT_EQ(decoded.headerError, c.headerError) << c.what;
        if (c.headerError != DE_OK) {
            EXPECT_FALSE(decoded.made) << c.what;
            continue;
        }
        std::vector<uint32_t> shown = palette;
        if (c.transparent >= 0) {
            shown[c.transparent] = 0;
        }
        ExpectShown(file, picture, shown, c.what);
    }

    Bytes cut = WriteGif(MakeGif(picture, palette));
    cut.resize(13 + 12);
    Bytes cutShort = Joined({cut, {0x21, 0xFE, 0x05, 'h', 'e'}});
    for (const Bytes& bytes : {cutShort, Joined({cut, {0x21}}), Joined({cut, {0x21, 0xFE}})}) {
        Decoded decoded = DecodeBytes(bytes);
        EXPECT_EQ(decoded.headerError, DE_READ) << bytes.size();
        EXPECT_FALSE(decoded.made) << bytes.size();
    }
}

TEST(GifDecoder, HeaderCutShortIsAReadError)
{
    std::vector<uint8_t> bytes = WriteGif(MakeGif(IndexPattern(4, 4, 16), SpreadColours(16)));
    for (size_t cut : {10u, 12u, 13u, 40u, 13u + 48u + 5u, 13u + 48u + 9u}) {
        std::vector<uint8_t> shortened(bytes.begin(), bytes.begin() + cut);
        Decoded decoded = DecodeBytes(shortened);
        EXPECT_EQ(decoded.headerError, DE_READ) << cut;
        EXPECT_FALSE(decoded.made) << cut;
    }
}

// Pixels from `from` on (in the order the file stores them) are all colour index 0.
void ExpectDecodedPrefix(const Picture& shown, const Picture& expected, uint32_t colourZero, size_t atLeast,
                         const std::string& what)
{
    size_t first = 0;
    while (first < expected.pixels.size() && shown.pixels[first] == expected.pixels[first]) {
        ++first;
    }
    EXPECT_GE(first, atLeast) << what;
    for (size_t i = first; i < shown.pixels.size(); ++i) {
        ASSERT_EQ(shown.pixels[i], colourZero) << what << ": pixel " << i;
    }
}

TEST(GifDecoder, TruncatedDataShowsTheRowsDecodedOnIndexZero)
{
    std::vector<uint32_t> palette = SpreadColours(256);
    IndexedPicture picture = IndexNoise(50, 40, 256, 5);
    std::vector<uint8_t> bytes = WriteGif(MakeGif(picture, palette));
    size_t dataStart = 13 + 768 + 10 + 1;
    size_t cut = dataStart + 6 * 256 + 100; // six whole sub-blocks, then part of the seventh
    bytes.resize(cut);
    Decoded decoded = DecodeBytes(bytes, true);
    EXPECT_EQ(decoded.headerError, DE_OK);
    ASSERT_TRUE(decoded.made);
    EXPECT_EQ(decoded.error, DE_READ);
    EXPECT_FALSE(decoded.madeAgain);
    ExpectDecodedPrefix(decoded.picture, ColoursOf(picture, palette), palette[0], 400, "cut in the data");
}

TEST(GifDecoder, SecondBitmapReusesTheDecodedPixels)
{
    std::vector<uint32_t> palette = SpreadColours(16);
    Decoded decoded = DecodeBytes(WriteGif(MakeGif(IndexPattern(7, 5, 16), palette)), true);
    EXPECT_TRUE(decoded.made);
    EXPECT_TRUE(decoded.madeAgain);
}

// Damaged data stops the decoding; the rows written so far stay, the rest is index 0.
TEST(GifDecoder, UndecodableCodesStopTheDecoding)
{
    std::vector<uint32_t> palette = {0x0000FF, 0x00FF00, 0xFF0000, 0xFFFFFF};
    Picture blank{4, 2, std::vector<uint32_t>(8, palette[0])};
    auto decodeCodes = [&](const std::vector<LzwCode>& codes) {
        GifFile file = MakeGif(IndexedPicture{4, 2, std::vector<uint8_t>(8, 0)}, palette);
        file.imageData = PackCodes(codes);
        return DecodeBytes(WriteGif(file));
    };
    // m = 2: clear 4, end 5, first free code 6; codes are 3 bits wide at first.
    Decoded newCodeFirst = decodeCodes({{4, 3}, {6, 3}, {1, 3}, {5, 3}});
    ASSERT_TRUE(newCodeFirst.made);
    EXPECT_EQ(newCodeFirst.error, DE_OK);
    ExpectSamePicture(newCodeFirst.picture, blank, "new code with no previous code");

    Decoded aboveNext = decodeCodes({{4, 3}, {1, 3}, {7, 3}, {2, 3}, {5, 3}});
    ASSERT_TRUE(aboveNext.made);
    Picture expected = blank;
    expected.pixels[0] = palette[1];
    ExpectSamePicture(aboveNext.picture, expected, "code above the next free code");

    Decoded afterClear = decodeCodes({{4, 3}, {1, 3}, {2, 3}, {4, 3}, {6, 3}, {3, 3}, {5, 3}});
    ASSERT_TRUE(afterClear.made);
    expected.pixels[1] = palette[2];
    ExpectSamePicture(afterClear.picture, expected, "new code right after a clear code");
}

TEST(GifDecoder, CodeSizeAboveElevenIsIgnored)
{
    std::vector<uint32_t> palette = SpreadColours(4);
    IndexedPicture picture = IndexPattern(5, 3, 4);
    GifFile file = MakeGif(picture, palette);
    file.minimumCodeSize = 12;
    Decoded decoded = DecodeBytes(WriteGif(file));
    ASSERT_TRUE(decoded.made);
    EXPECT_EQ(decoded.error, DE_OK);
    ExpectSamePicture(decoded.picture, Picture{5, 3, std::vector<uint32_t>(15, palette[0])}, "code size 12");

    file.minimumCodeSize = 11;
    file.imageData = LzwEncode(picture.indices, 11);
    ExpectShown(file, picture, palette, "code size 11");
}

TEST(GifDecoder, PixelsPastTheLastRowAreDropped)
{
    std::vector<uint32_t> palette = SpreadColours(16);
    IndexedPicture picture = IndexNoise(9, 5, 16, 11);
    IndexedPicture longer = IndexNoise(9, 40, 16, 11); // the same first rows, then 35 more
    for (bool interlaced : {false, true}) {
        GifFile file = MakeGif(picture, palette, interlaced);
        std::vector<uint8_t> stored = interlaced ? InterlacedOrder(picture) : picture.indices;
        stored.insert(stored.end(), longer.indices.begin() + 45, longer.indices.end());
        file.imageData = LzwEncode(stored, file.minimumCodeSize);
        ExpectShown(file, picture, palette, interlaced ? "interlaced, data after pass 3" : "data after the last row");
    }
}

TEST(GifDecoder, EarlyEndLeavesLaterRowsAtIndexZero)
{
    std::vector<uint32_t> palette = SpreadColours(16);
    IndexedPicture picture = IndexPattern(10, 6, 16);
    GifFile file = MakeGif(picture, palette);
    std::vector<uint8_t> half(picture.indices.begin(), picture.indices.begin() + 25);
    file.imageData = LzwEncode(half, file.minimumCodeSize);
    Picture expected = ColoursOf(picture, palette);
    std::fill(expected.pixels.begin() + 25, expected.pixels.end(), palette[0]);
    ExpectShown(file, expected, "end code after 25 pixels");
}

TEST(GifDecoder, EmptyOrOversizedPicturesAreRefused)
{
    struct Case {
        int width;
        int height;
    };
    for (Case size : {Case{0, 5}, Case{5, 0}, Case{65535, 65535}, Case{65535, 4097}}) {
        GifFile file = MakeGif(IndexPattern(2, 2, 4), SpreadColours(4));
        file.width = size.width;
        file.height = size.height;
        Decoded decoded = DecodeBytes(WriteGif(file));
        std::string what = std::to_string(size.width) + "x" + std::to_string(size.height);
        EXPECT_EQ(decoded.headerError, DE_FORMAT) << what;
        EXPECT_FALSE(decoded.made) << what;
    }
}

TEST(GifDecoder, ShrunkPicturesAreAreaMeansOfTheirColours)
{
    std::vector<uint32_t> palette = SpreadColours(256);
    IndexedPicture picture = IndexNoise(37, 24, 256);
    Picture colours = ColoursOf(picture, palette);
    const int sizes[][2] = {{18, 12}, {10, 7}, {37, 5}, {1, 1}};
    for (const auto& size : sizes) {
        std::string what = std::to_string(size[0]) + "x" + std::to_string(size[1]);
        ViewShown shown = DecodeView(WriteGif(MakeGif(picture, palette)), {size[0], size[1], {0, 0, size[0], size[1]}});
        ASSERT_TRUE(shown.made) << what;
        ExpectSamePicture(shown.picture, AreaMean(colours, size[0], size[1]), what, 1);
    }
}

} // namespace
