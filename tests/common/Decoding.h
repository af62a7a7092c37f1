// Runs files through cImageDecoder and reads the resulting bitmap back as colours.
#pragma once

#include "tests/common/BmpWriter.h"

#include <cstdint>
#include <string>
#include <vector>

struct Decoded {
    int32_t headerError = 0; // error after construction
    int32_t error = 0;       // error after the first MakeBitmap
    int32_t width = 0;
    int32_t height = 0;
    bool made = false;
    bool madeAgain = false; // by a second MakeBitmap, when asked for
    Picture picture;
};

Decoded DecodeBytes(const std::vector<uint8_t>& bytes, bool secondBitmap = false);
// A failure naming the first few pixels that differ.
void ExpectSamePicture(const Picture& actual, const Picture& expected, const std::string& what);
