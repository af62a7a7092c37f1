// Writes starting inputs for the fuzz targets: files from the tests' own writers.
#include "tests/common/BmpWriter.h"
#include "tests/common/GifWriter.h"
#include "tests/common/JpegWriter.h"
#include "tests/common/PngWriter.h"
#include "tests/common/WebpWriter.h"

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

void Save(const std::filesystem::path& folder, const std::string& name, const std::vector<uint8_t>& bytes)
{
    std::filesystem::create_directories(folder);
    std::ofstream(folder / name, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                          static_cast<std::streamsize>(bytes.size()));
}

void WriteBmpSeeds(const std::filesystem::path& folder)
{
    std::vector<uint32_t> grey = GreyPalette(16);
    Save(folder, "indexed4.bmp", WriteBmp(MakeBmp(PalettePicture(9, 5, grey), 4, false, grey)));
    Save(folder, "rgb24-top-down.bmp", WriteBmp(MakeBmp(ColourfulPicture(7, 3), 24, true)));
    Picture picture = PalettePicture(11, 4, grey);
    BmpFile rle = MakeBmp(picture, 8, false, grey);
    rle.compression = 1;
    rle.pixelData = EncodeRle8(picture, grey);
    rle.sizeImage = static_cast<uint32_t>(rle.pixelData.size());
    Save(folder, "rle8.bmp", WriteBmp(rle));
    BmpFile v5 = MakeBmp(ColourfulPicture(5, 2), 32, false);
    v5.headerSize = 124;
    v5.compression = 3;
    v5.masks = {0xFF0000, 0xFF00, 0xFF, 0};
    Save(folder, "v5-bitfields.bmp", WriteBmp(v5));
}

void WriteGifSeeds(const std::filesystem::path& folder)
{
    std::vector<uint32_t> sixteen = SpreadColours(16);
    Save(folder, "plain.gif", WriteGif(MakeGif(IndexPattern(13, 9, 16), sixteen)));
    Save(folder, "interlaced.gif", WriteGif(MakeGif(IndexPattern(7, 11, 16), sixteen, true)));
    GifFile local = MakeGif(IndexPattern(6, 5, 4), SpreadColours(4));
    local.localColours = local.globalColours;
    local.globalColours.clear();
    local.subBlockSizes = {3};
    Save(folder, "local-small-blocks.gif", WriteGif(local));
    LzwOptions noClear;
    noClear.clearWhenFull = false;
    Save(folder, "full-table.gif", WriteGif(MakeGif(IndexNoise(80, 70, 256), SpreadColours(256), false, noClear)));
    Save(folder, "two-colours.gif", WriteGif(MakeGif(IndexPattern(20, 3, 2), SpreadColours(2))));
    GifFile animated = MakeGif(IndexPattern(8, 6, 4), SpreadColours(4));
    animated.beforeImage = {0x21, 0xFF, 0x0B, 'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0', 0x03, 0x01, 0x00,
                            0x00, 0x00, 0x21, 0xFE, 0x02, 'h', 'i', 0x00, 0x21, 0xF9, 0x04, 0x09, 0x0A, 0x00, 0x02, 0x00};
    Save(folder, "extensions-transparent.gif", WriteGif(animated));
}

void WriteJpegSeeds(const std::filesystem::path& folder)
{
    Save(folder, "colour.jpg", WriteJpeg(ColourfulPicture(17, 11), JPEG_COLOUR));
    Save(folder, "grey.jpg", WriteJpeg(ColourfulPicture(9, 8), JPEG_GREY));
    Save(folder, "progressive.jpg", WriteJpeg(ColourfulPicture(24, 16), JPEG_COLOUR, 60, true));
    Save(folder, "cmyk.jpg", WriteJpeg(ColourfulPicture(5, 5), JPEG_CMYK));
    Save(folder, "camera-exif.jpg", WriteCameraJpeg(ColourfulPicture(13, 7), ExifWithOrientation(1, false)));
    Save(folder, "camera-turned.jpg", WriteCameraJpeg(ColourfulPicture(16, 9), ExifWithOrientation(6, true)));
}

void WritePngSeeds(const std::filesystem::path& folder)
{
    Save(folder, "rgb8.png", WritePng(MakePng(9, 7, PNG_RGB, 8)));
    Save(folder, "grey1-interlaced.png", WritePng(MakePng(11, 9, PNG_GREY, 1, true)));
    Save(folder, "rgba16.png", WritePng(MakePng(5, 4, PNG_RGBA, 16)));
    Save(folder, "grey-alpha8-interlaced.png", WritePng(MakePng(6, 10, PNG_GREY_ALPHA, 8, true)));
    PngFile palette = MakePng(8, 6, PNG_PALETTE, 4);
    palette.paletteAlpha = {0, 128, 255, 7};
    Save(folder, "palette4-trns.png", WritePng(palette));
    PngFile grey = MakePng(7, 3, PNG_GREY, 16);
    grey.transparent = 0;
    Save(folder, "grey16-trns.png", WritePng(grey));
}

void WriteWebpSeeds(const std::filesystem::path& folder)
{
    WebpFrame opaque(ColourfulPicture(13, 9));
    WebpFrame translucent(ColourfulPicture(10, 7));
    for (size_t i = 0; i < translucent.picture.pixels.size(); ++i) {
        translucent.alpha.push_back(static_cast<uint8_t>(i * 29));
    }
    Save(folder, "lossy.webp", WriteWebp(opaque, false));
    Save(folder, "lossless.webp", WriteWebp(opaque, true));
    Save(folder, "lossy-alpha.webp", WriteWebp(translucent, false));
    Save(folder, "lossless-alpha-exif.webp", WriteWebp(translucent, true, ExifWithOrientation(6, true)));
    WebpFrame offset(ColourfulPicture(6, 4));
    offset.left = 2;
    offset.top = 4;
    Save(folder, "animated.webp", WriteAnimatedWebp(14, 10, {offset, opaque}));
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        return 2;
    }
    std::filesystem::path root = argv[1];
    WriteBmpSeeds(root / "bmp");
    WriteGifSeeds(root / "gif");
    WriteJpegSeeds(root / "jpeg");
    WritePngSeeds(root / "png");
    WriteWebpSeeds(root / "webp");
    Save(root / "exif", "orientation3-long-mm", ExifWithOrientation(3, true, 1, 4));
    for (int orientation : {1, 6, 8}) {
        Save(root / "exif", "orientation" + std::to_string(orientation) + (orientation == 6 ? "-mm" : "-ii"),
             ExifWithOrientation(orientation, orientation == 6, orientation / 3));
    }
    return 0;
}
