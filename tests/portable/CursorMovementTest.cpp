#include "host/CursorMovement.h"

#include <gtest/gtest.h>

#include <climits>

namespace {

TEST(MovedPastThreshold, FourPixelsAt96DpiScaledByTheMonitorsDpi)
{
    struct {
        int32_t dx, dy;
        uint32_t dpi;
        bool closes;
    } cases[] = {
        {4, 0, 96, false},   {5, 0, 96, true},    {2, 2, 96, false},   {-3, 2, 96, true},  {0, -5, 96, true},
        {4, 0, 0, false},    {5, 0, 0, true},     // DPI not known
        {5, 0, 120, false},  {6, 0, 120, true},   // 125 %
        {6, 0, 144, false},  {-4, 3, 144, true},  // 150 %
        {8, 0, 192, false},  {5, 4, 192, true},   // 200 %
        {2, 0, 48, false},   {3, 0, 48, true},    {1, 0, 1, true},
        {INT32_MIN, INT32_MIN, 96, true}, // far away, without overflow
    };
    for (const auto& c : cases) {
        EXPECT_EQ(MovedPastThreshold(c.dx, c.dy, c.dpi), c.closes) << c.dx << "," << c.dy << " at " << c.dpi;
    }
}

} // namespace
