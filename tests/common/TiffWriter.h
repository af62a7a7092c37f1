// TIFF files for tests: uncompressed 8-bit RGB strips, little-endian, one page per picture.
#pragma once

#include "tests/common/BmpWriter.h"

#include <cstdint>
#include <vector>

struct TiffPage {
    explicit TiffPage(const Picture& picture_, int orientation_ = 0) : picture(picture_), orientation(orientation_) {}

    Picture picture;
    int orientation; // the Orientation tag's value; 0: no tag
    int rowsPerStrip = 4;
};

// The pages in order, their directories chained.
std::vector<uint8_t> WriteTiff(const std::vector<TiffPage>& pages);
