// Writes starting inputs for the fuzz targets: files from the tests' own writers.
#include "tests/common/BmpWriter.h"
#include "tests/common/GifWriter.h"
#include "tests/common/JpegWriter.h"

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
}

void WriteJpegSeeds(const std::filesystem::path& folder)
{
    Save(folder, "colour.jpg", WriteJpeg(ColourfulPicture(17, 11), JPEG_COLOUR));
    Save(folder, "grey.jpg", WriteJpeg(ColourfulPicture(9, 8), JPEG_GREY));
    Save(folder, "progressive.jpg", WriteJpeg(ColourfulPicture(24, 16), JPEG_COLOUR, 60, true));
    Save(folder, "cmyk.jpg", WriteJpeg(ColourfulPicture(5, 5), JPEG_CMYK));
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        return 2;
    }
    std::filesystem::path root = argv[1];
    WriteGifSeeds(root / "gif");
    WriteJpegSeeds(root / "jpeg");
    return 0;
}
