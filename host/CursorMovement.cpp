#include "CursorMovement.h"

static const uint32_t kThresholdAt96 = 4;
static const uint32_t kBaseDpi = 96;

uint32_t MovementThreshold(uint32_t dpi)
{
    if (dpi == 0) {
        return kThresholdAt96;
    }
    return static_cast<uint32_t>((static_cast<uint64_t>(kThresholdAt96) * dpi + kBaseDpi / 2) / kBaseDpi);
}

static uint64_t Distance(int32_t d)
{
    return d < 0 ? 0u - static_cast<uint64_t>(static_cast<int64_t>(d)) : static_cast<uint64_t>(d);
}

bool MovedPastThreshold(int32_t dx, int32_t dy, uint32_t dpi)
{
    return Distance(dx) + Distance(dy) > MovementThreshold(dpi);
}
