// Runs files through cImageDecoder and reads the resulting bitmap back as colours.
#pragma once

#include "screensaver/decoder/PictureView.h"
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

// What a view of a file shows: the source part of its bitmap, and where that goes.
struct ViewShown {
    int32_t error = 0;
    bool made = false;
    Picture picture;
    PixelRect destination = {};
};
ViewShown DecodeView(const std::vector<uint8_t>& bytes, const PictureView& view);

// The part of a picture within rect.
Picture Cut(const Picture& picture, const PixelRect& rect);
// The picture reduced to width x height by exact area averaging.
Picture AreaMean(const Picture& picture, int width, int height);

// The `visible` part of the picture drawn at width x height (not smaller) by linear
// interpolation between the centres of its pixels, in double precision.
Picture LinearReference(const Picture& picture, int width, int height, const PixelRect& visible);

// A failure naming the first few pixels with a channel more than `tolerance` off.
void ExpectSamePicture(const Picture& actual, const Picture& expected, const std::string& what, int tolerance = 0);
