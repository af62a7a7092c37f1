// The GIF state of a decoder; the GIF path itself is part of cImageDecoder.
#pragma once

#include <cstdint>

struct GifState {
    uint8_t screenHeader[13];
    uint8_t* colourTable; // red, green, blue per entry, as in the file; null when there is none
    int32_t colourCount;  // entries in colourTable; -1 when there is no table
    uint8_t imageDescriptor[10];
    uint8_t* pixelBuffer; // decoded colour indices; null until the first bitmap
};

void FreeGifState(GifState* gif);
