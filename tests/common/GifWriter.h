// Builds GIF files for tests: an LZW encoder with switches for the decoder's edge cases,
// raw code packing for damaged streams, and the file layout around them.
#pragma once

#include "BmpWriter.h"

#include <cstdint>
#include <string>
#include <vector>

struct LzwOptions {
    bool leadingClear = true;
    bool clearWhenFull = true; // false: go on at 12 bits without new entries
    bool endCode = true;
};

// What an encoding went through, so that a test can make sure it reaches its case.
struct LzwStats {
    int clearsWhenFull = 0;
    int codesWhileFull = 0; // written while the decoder's table is full
    int notYetInTable = 0;  // written before the decoder has the code's entry
};

std::vector<uint8_t> LzwEncode(const std::vector<uint8_t>& indices, int minimumCodeSize,
                               const LzwOptions& options = {}, LzwStats* stats = nullptr);

struct LzwCode {
    int value;
    int width;
};
// Codes packed least significant bit first, as GIF stores them.
std::vector<uint8_t> PackCodes(const std::vector<LzwCode>& codes);

struct GifFile {
    std::string signature = "GIF89a";
    int width = 0;
    int height = 0;
    int left = 0;
    int top = 0;
    std::vector<uint32_t> globalColours; // 0xRRGGBB; padded with black to a power of two
    std::vector<uint32_t> localColours;
    bool interlaced = false;
    std::vector<uint8_t> beforeImage; // blocks between the colour table and the descriptor
    int minimumCodeSize = 8;
    std::vector<uint8_t> imageData;         // the LZW stream, cut into sub-blocks
    std::vector<int> subBlockSizes = {255}; // taken in turn, the last one repeated
    int lastSubBlockBytes = 0;              // when set, the final bytes form a sub-block of their own
    std::vector<uint8_t> afterImage;        // blocks between the image data and the trailer
};

std::vector<uint8_t> WriteGif(const GifFile& file);

// A picture as colour indices, top row first.
struct IndexedPicture {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> indices;
};

// Regular stripes and runs, which compress well.
IndexedPicture IndexPattern(int width, int height, int colours);
// Pseudo-random indices, which fill the string table quickly.
IndexedPicture IndexNoise(int width, int height, int colours, uint32_t seed = 1);
// Rows in the order an interlaced file stores them.
std::vector<uint8_t> InterlacedOrder(const IndexedPicture& picture);
Picture ColoursOf(const IndexedPicture& picture, const std::vector<uint32_t>& colours);
// Smallest code size GIF allows for that many colours.
int MinimumCodeSize(size_t colours);

// A GIF of the picture with a global colour table.
GifFile MakeGif(const IndexedPicture& picture, const std::vector<uint32_t>& colours, bool interlaced = false,
                const LzwOptions& options = {}, LzwStats* stats = nullptr);

std::vector<uint32_t> SpreadColours(int count);
