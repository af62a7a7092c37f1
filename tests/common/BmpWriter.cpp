#include "BmpWriter.h"

#include <algorithm>
#include <stdexcept>

static void Put16(std::vector<uint8_t>& out, uint32_t value)
{
    out.push_back(value & 0xFF);
    out.push_back((value >> 8) & 0xFF);
}

static void Put32(std::vector<uint8_t>& out, uint32_t value)
{
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

Picture PalettePicture(int width, int height, const std::vector<uint32_t>& palette)
{
    Picture picture{width, height, {}};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            picture.pixels.push_back(palette[(x * 7 + y * 3 + x * y) % palette.size()]);
        }
    }
    return picture;
}

Picture ColourfulPicture(int width, int height)
{
    Picture picture{width, height, {}};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            uint32_t r = (x * 37 + y * 11) & 0xFF, g = (y * 53 + 7) & 0xFF, b = (x * y * 5 + 90) & 0xFF;
            picture.pixels.push_back(r << 16 | g << 8 | b);
        }
    }
    return picture;
}

std::vector<uint32_t> GreyPalette(int colours)
{
    std::vector<uint32_t> palette;
    for (int i = 0; i < colours; ++i) {
        uint32_t level = colours == 1 ? 0 : i * 255 / (colours - 1);
        palette.push_back(level << 16 | level << 8 | level);
    }
    return palette;
}

static int IndexOf(const std::vector<uint32_t>& palette, uint32_t colour)
{
    auto found = std::find(palette.begin(), palette.end(), colour);
    if (found == palette.end()) {
        throw std::invalid_argument("colour not in palette");
    }
    return static_cast<int>(found - palette.begin());
}

static int StoredRow(int row, int height, bool topDown)
{
    return topDown ? row : height - 1 - row;
}

static size_t Stride(int width, int bits)
{
    return (static_cast<size_t>(width) * bits + 31) / 32 * 4;
}

std::vector<uint8_t> EncodeIndexed(const Picture& picture, int bits, const std::vector<uint32_t>& palette, bool topDown)
{
    size_t stride = Stride(picture.width, bits);
    std::vector<uint8_t> data(stride * picture.height, 0);
    for (int y = 0; y < picture.height; ++y) {
        uint8_t* row = &data[stride * StoredRow(y, picture.height, topDown)];
        for (int x = 0; x < picture.width; ++x) {
            int index = IndexOf(palette, picture.At(x, y));
            int bitOffset = x * bits;
            int shift = 8 - bits - bitOffset % 8;
            row[bitOffset / 8] |= static_cast<uint8_t>(index << shift);
        }
    }
    return data;
}

std::vector<uint8_t> EncodeRgb(const Picture& picture, int bits, bool topDown)
{
    size_t stride = Stride(picture.width, bits);
    std::vector<uint8_t> data(stride * picture.height, 0);
    for (int y = 0; y < picture.height; ++y) {
        uint8_t* row = &data[stride * StoredRow(y, picture.height, topDown)];
        for (int x = 0; x < picture.width; ++x) {
            uint32_t colour = picture.At(x, y);
            uint8_t* pixel = row + x * (bits / 8);
            pixel[0] = colour & 0xFF;
            pixel[1] = (colour >> 8) & 0xFF;
            pixel[2] = (colour >> 16) & 0xFF;
        }
    }
    return data;
}

static uint32_t Pack16(uint32_t colour, bool green6)
{
    uint32_t r = (colour >> 16) & 0xFF, g = (colour >> 8) & 0xFF, b = colour & 0xFF;
    return green6 ? (r >> 3) << 11 | (g >> 2) << 5 | b >> 3 : (r >> 3) << 10 | (g >> 3) << 5 | b >> 3;
}

static uint32_t Expand(uint32_t value, int bits)
{
    value <<= 8 - bits;
    return value | value >> bits;
}

uint32_t Quantise16(uint32_t colour, bool green6)
{
    uint32_t packed = Pack16(colour, green6);
    uint32_t r = green6 ? packed >> 11 : packed >> 10 & 0x1F;
    uint32_t g = green6 ? packed >> 5 & 0x3F : packed >> 5 & 0x1F;
    uint32_t b = packed & 0x1F;
    return Expand(r, 5) << 16 | Expand(g, green6 ? 6 : 5) << 8 | Expand(b, 5);
}

std::vector<uint8_t> Encode16(const Picture& picture, bool green6, bool topDown)
{
    size_t stride = Stride(picture.width, 16);
    std::vector<uint8_t> data(stride * picture.height, 0);
    for (int y = 0; y < picture.height; ++y) {
        uint8_t* row = &data[stride * StoredRow(y, picture.height, topDown)];
        for (int x = 0; x < picture.width; ++x) {
            uint32_t packed = Pack16(picture.At(x, y), green6);
            row[x * 2] = packed & 0xFF;
            row[x * 2 + 1] = packed >> 8;
        }
    }
    return data;
}

// Run-length data, bottom-up: encoded runs of equal pixels, then end of line / bitmap.
static std::vector<uint8_t> EncodeRle(const Picture& picture, const std::vector<uint32_t>& palette, bool fourBits)
{
    std::vector<uint8_t> data;
    for (int y = picture.height - 1; y >= 0; --y) {
        int x = 0;
        while (x < picture.width) {
            int index = IndexOf(palette, picture.At(x, y));
            int run = 1;
            while (x + run < picture.width && run < 255 && IndexOf(palette, picture.At(x + run, y)) == index) {
                ++run;
            }
            if (fourBits) {
                int next = x + 1 < picture.width ? IndexOf(palette, picture.At(x + 1, y)) : index;
                // Alternating pairs: a run of two colours covers both pixels.
                if (run == 1 && x + 1 < picture.width) {
                    data.push_back(2);
                    data.push_back(static_cast<uint8_t>(index << 4 | next));
                    x += 2;
                    continue;
                }
                data.push_back(static_cast<uint8_t>(run));
                data.push_back(static_cast<uint8_t>(index << 4 | index));
            } else {
                data.push_back(static_cast<uint8_t>(run));
                data.push_back(static_cast<uint8_t>(index));
            }
            x += run;
        }
        data.push_back(0);
        data.push_back(y == 0 ? 1 : 0);
    }
    return data;
}

std::vector<uint8_t> EncodeRle8(const Picture& picture, const std::vector<uint32_t>& palette)
{
    return EncodeRle(picture, palette, false);
}

std::vector<uint8_t> EncodeRle4(const Picture& picture, const std::vector<uint32_t>& palette)
{
    return EncodeRle(picture, palette, true);
}

BmpFile MakeBmp(const Picture& picture, int bits, bool topDown, const std::vector<uint32_t>& palette)
{
    BmpFile file;
    file.width = picture.width;
    file.height = topDown ? -picture.height : picture.height;
    file.bitCount = static_cast<uint16_t>(bits);
    if (bits <= 8) {
        file.palette = palette;
        file.pixelData = EncodeIndexed(picture, bits, palette, topDown);
    } else if (bits == 16) {
        file.pixelData = Encode16(picture, false, topDown);
    } else {
        file.pixelData = EncodeRgb(picture, bits, topDown);
    }
    return file;
}

std::vector<uint8_t> WriteBmp(const BmpFile& file)
{
    uint32_t extraMasks = file.headerSize == 40 ? static_cast<uint32_t>(file.masks.size() * 4) : 0;
    uint32_t offBits = 14 + file.headerSize + extraMasks + static_cast<uint32_t>(file.palette.size() * 4);
    std::vector<uint8_t> out;
    out.push_back('B');
    out.push_back('M');
    Put32(out, offBits + static_cast<uint32_t>(file.pixelData.size()));
    Put32(out, 0);
    Put32(out, offBits);

    size_t headerStart = out.size();
    Put32(out, file.headerSize);
    Put32(out, static_cast<uint32_t>(file.width));
    Put32(out, static_cast<uint32_t>(file.height));
    Put16(out, 1);
    Put16(out, file.bitCount);
    Put32(out, file.compression);
    Put32(out, file.sizeImage);
    Put32(out, 2835);
    Put32(out, 2835);
    Put32(out, file.colourCount);
    Put32(out, 0);
    for (uint32_t mask : file.masks) {
        Put32(out, mask);
    }
    if (file.headerSize > 40) {
        out.resize(headerStart + file.headerSize, 0);
    }
    for (uint32_t colour : file.palette) {
        Put32(out, colour & 0xFFFFFF);
    }
    out.insert(out.end(), file.pixelData.begin(), file.pixelData.end());
    return out;
}
