// Builds BMP files for tests: pictures given as 0xRRGGBB pixels, top row first.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<uint32_t> pixels; // 0xRRGGBB, top row first

    uint32_t At(int x, int y) const { return pixels[y * width + x]; }
};

// A picture whose pixels are palette colours chosen by (x, y).
Picture PalettePicture(int width, int height, const std::vector<uint32_t>& palette);
// A picture with many colours, exact in 24 and 32 bits.
Picture ColourfulPicture(int width, int height);

struct BmpFile {
    int32_t width = 0;
    int32_t height = 0; // as stored: negative for top-down
    uint16_t bitCount = 24;
    uint32_t compression = 0;
    uint32_t headerSize = 40;
    uint32_t sizeImage = 0;
    uint32_t colourCount = 0; // biClrUsed
    std::vector<uint32_t> palette;  // 0xRRGGBB
    std::vector<uint32_t> masks;    // written after a 40-byte header, or into a longer one
    std::vector<uint8_t> pixelData; // as stored
};

// The complete file; bfSize and bfOffBits follow from the parts.
std::vector<uint8_t> WriteBmp(const BmpFile& file);

// Pixel data encoders. Rows are stored bottom-up unless topDown.
std::vector<uint8_t> EncodeIndexed(const Picture& picture, int bits, const std::vector<uint32_t>& palette, bool topDown);
std::vector<uint8_t> EncodeRgb(const Picture& picture, int bits, bool topDown);
// 16 bits with 5-5-5 or 5-6-5 fields; the picture's colours are quantised to them.
std::vector<uint8_t> Encode16(const Picture& picture, bool green6, bool topDown);
// The colour GDI shows for a 16-bit pixel built from colour.
uint32_t Quantise16(uint32_t colour, bool green6);
std::vector<uint8_t> EncodeRle8(const Picture& picture, const std::vector<uint32_t>& palette);
std::vector<uint8_t> EncodeRle4(const Picture& picture, const std::vector<uint32_t>& palette);

// A BMP of the given kind for `picture`, with its palette where it needs one.
BmpFile MakeBmp(const Picture& picture, int bits, bool topDown, const std::vector<uint32_t>& palette = {});

std::vector<uint32_t> GreyPalette(int colours);
