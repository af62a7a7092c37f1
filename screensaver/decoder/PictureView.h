// How a window shows a picture, in the picture's drawn pixels.
#pragma once

#include <cstdint>

// Columns left ... right - 1 and rows top ... bottom - 1.
struct PixelRect {
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
};

// The picture drawn `width` x `height` pixels, of which `visible` lies inside the window;
// `visible` is empty (right <= left) when nothing of it does.
struct PictureView {
    int32_t width;
    int32_t height;
    PixelRect visible;
};
