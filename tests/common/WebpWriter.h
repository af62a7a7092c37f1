// WebP files for tests, made by libwebp's encoder and its mux library, and libwebp's own
// decoding of a file as the reference picture.
#pragma once

#include "tests/common/BmpWriter.h"

#include <cstdint>
#include <vector>

struct WebpFrame {
    explicit WebpFrame(const Picture& picture_) : picture(picture_) {}

    Picture picture;
    std::vector<uint8_t> alpha; // one per pixel; empty: opaque
    int left = 0;               // where an animation's frame lies on the canvas (even)
    int top = 0;
};

// A still picture, lossy (quality 90) or lossless; with an EXIF chunk holding `exif` when
// that is not empty.
std::vector<uint8_t> WriteWebp(const WebpFrame& frame, bool lossless, const std::vector<uint8_t>& exif = {});
// An animation on a canvas of width x height, lossless frames in order.
std::vector<uint8_t> WriteAnimatedWebp(int width, int height, const std::vector<WebpFrame>& frames);
// The picture over black: each colour times its alpha / 255.
Picture OverBlack(const WebpFrame& frame);
// The library's full decoding of a still file (WebPDecodeBGR), as 0xRRGGBB.
Picture LibraryDecodeWebp(const std::vector<uint8_t>& bytes);
