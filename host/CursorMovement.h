// When a movement of the mouse closes the saver.
#pragma once

#include <cstdint>

// The movement threshold on a monitor of `dpi` dots per inch: 4 pixels at 96, in
// proportion elsewhere, rounded; 4 when the DPI is not known (0).
uint32_t MovementThreshold(uint32_t dpi);

// True when the cursor went further than the threshold, counted as the horizontal plus
// the vertical distance.
bool MovedPastThreshold(int32_t dx, int32_t dy, uint32_t dpi);
