// The fade's arithmetic: how long it lasts, how far it has come, and the blend of two
// pictures' pixels.
#pragma once

#include <cstddef>
#include <cstdint>

// The weight of the new picture when it is all there is.
const uint32_t kFadeWhole = 256;

// A fade lasts a second, or half the update interval when that is shorter.
uint32_t FadeDuration(uint32_t interval);

// The new picture's weight, 0 ... kFadeWhole, `elapsed` milliseconds into a fade of
// `duration`; kFadeWhole from the end on, and at once for a fade of no duration.
uint32_t FadeWeight(uint32_t elapsed, uint32_t duration);

// out := from and to mixed byte by byte, to weighing weight / kFadeWhole (at most
// kFadeWhole), rounded to nearest: weight 0 gives `from` exactly, kFadeWhole gives `to`.
void BlendPixels(const uint8_t* from, const uint8_t* to, uint8_t* out, size_t count, uint32_t weight);
