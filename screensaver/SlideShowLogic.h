// The slide show's arithmetic: interval text, random choice, picture placement and the
// monitors a full-screen show draws on.
#pragma once

#include "decoder/PictureView.h"

#include <cstdint>

// Decimal text to a signed 32-bit interval: leading white space, one optional sign,
// digits up to the first other character, wrapping at 32 bits; no digits give 0.
int32_t ParseUpdateTime(const char* text);

// The show's own 32-bit linear congruential generator; draws are 0 ... 32767.
class ShowRandom {
public:
    void Seed(uint32_t seed) { state = seed; }
    uint32_t Draw();

private:
    uint32_t state = 0;
};

struct Placement {
    int32_t x;
    int32_t y;
    int32_t width;
    int32_t height;
    bool stretch;
};

// Where a width x height picture goes in a clientWidth x clientHeight window: centred at its
// natural size, or scaled to fit keeping its proportions. A negative height (top-down
// picture) is placed by its size.
Placement PlacePicture(int32_t width, int32_t height, int32_t clientWidth, int32_t clientHeight, bool scaleToFit);

// The part of the placed picture inside a clientWidth x clientHeight window.
PictureView ViewOf(const Placement& placement, int32_t clientWidth, int32_t clientHeight);

// A monitor's rectangle on the virtual screen.
struct Monitor {
    PixelRect rect;
    bool primary;
};

// Puts the monitors in show order: the primary first, then the others by their left edge,
// then by their top edge.
void OrderMonitors(Monitor* monitors, int32_t count);

// A monitor's rectangle in the coordinates of a window whose client area starts at
// (windowLeft, windowTop) of the virtual screen and is clientWidth x clientHeight, cut to
// that area; empty (right <= left or bottom <= top) when the window does not reach it.
PixelRect MonitorInWindow(const PixelRect& monitor, int32_t windowLeft, int32_t windowTop, int32_t clientWidth,
                          int32_t clientHeight);
