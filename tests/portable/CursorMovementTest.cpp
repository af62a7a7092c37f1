#include "host/CursorMovement.h"

#include <gtest/gtest.h>

namespace {

TEST(MovedPastThreshold, FourPixelsAt96DpiScaledByTheMonitorsDpi)
{
    struct {
        int32_t dx, dy;
        uint32_t dpi;
        bool closes;
    } cases[] = {{4, 0, 96, false}, {5, 0, 96, true}, {2, 2, 96, false}, {-3, 2, 96, true}, {4, 0, 0, false},
                 {5, 0, 0, true}, {5, 0, 120, false}, {6, 0, 120, true}, {6, 0, 144, false}, {-4, 3, 144, true},
                 {8, 0, 192, false}, {5, 4, 192, true}, {2, 0, 48, false}, {3, 0, 48, true},
                 {INT32_MIN, INT32_MIN, 96, true}}; // DPI 0: not known; 120, 144, 192: 125, 150, 200 %
    for (const auto& c : cases) {
        EXPECT_EQ(MovedPastThreshold(c.dx, c.dy, c.dpi), c.closes) << c.dx << "," << c.dy << " at " << c.dpi;
    }
}

} // namespace
