// PNG files for tests, written by libpng: every colour type and bit depth, palette and
// single-colour transparency, Adam7 interlacing; and the picture the decoder should show.
#pragma once

#include "tests/common/BmpWriter.h"

#include <cstdint>
#include <vector>

enum PngColourType { PNG_GREY = 0, PNG_RGB = 2, PNG_PALETTE = 3, PNG_GREY_ALPHA = 4, PNG_RGBA = 6 };

struct PngFile {
    int width = 0;
    int height = 0;
    PngColourType colourType = PNG_RGB;
    int bitDepth = 8;
    bool interlaced = false;
    std::vector<uint16_t> samples;     // channel values of each pixel, top row first (palette: indices)
    std::vector<uint32_t> palette;     // 0xRRGGBB
    std::vector<uint8_t> paletteAlpha; // tRNS of a palette picture
    int transparent = -1;              // tRNS of a grey or RGB picture: the grey value, or 0xRRGGBB
};

// A picture of the kind with samples spread over the bit depth's whole range.
PngFile MakePng(int width, int height, PngColourType colourType, int bitDepth, bool interlaced = false);
std::vector<uint8_t> WritePng(const PngFile& file);
// What the decoder shows: samples scaled to 8 bits, alpha composed over black.
Picture ShownPng(const PngFile& file);
