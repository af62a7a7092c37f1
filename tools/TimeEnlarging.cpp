// Times enlarging a 640 x 480 picture fitted to a 1920 x 1080 screen (drawn 1440 x 1080):
// the linear filter alone and, on Windows, the worker's whole step from a device bitmap
// (GDI's read-back, the filter, the new device bitmap). Prints the median of 15 runs of each
// in milliseconds.
// Usage: time-enlarging
#include "screensaver/SlideShowLogic.h"
#include "screensaver/decoder/DeviceBitmap.h"
#include "screensaver/decoder/LinearEnlargement.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

static const int kRuns = 15;
static const uint32_t kWidth = 640, kHeight = 480;

typedef std::chrono::steady_clock Clock;

static double MedianMilliseconds(const std::function<void()>& run)
{
    std::vector<double> times;
    for (int i = 0; i < kRuns; ++i) {
        Clock::time_point start = Clock::now();
        run();
        times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

// Rows of three bytes with detail everywhere, so that nothing is uniform.
static std::vector<uint8_t> Pixels()
{
    std::vector<uint8_t> pixels(static_cast<size_t>(kWidth) * kHeight * 3);
    for (size_t i = 0; i < pixels.size(); ++i) {
        pixels[i] = static_cast<uint8_t>(i * 2654435761u >> 13);
    }
    return pixels;
}

static void EnlargeRows(const std::vector<uint8_t>& pixels, const Placement& placed, const PixelRect& visible)
{
    cLinearEnlarger enlarger(kWidth, kHeight, placed.width, placed.height, visible);
    for (uint32_t y = 0; y < kHeight; ++y) {
        enlarger.AddRow(pixels.data() + static_cast<size_t>(y) * kWidth * 3);
    }
}

#ifdef _WIN32
static void TimeDeviceStep(const std::vector<uint8_t>& pixels, const Placement& placed, const PixelRect& visible)
{
    HDC screen = GetDC(nullptr);
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), static_cast<LONG>(kWidth), -static_cast<LONG>(kHeight), 1, 24, BI_RGB,
                      0, 0, 0, 0, 0};
    HBITMAP source = CreateDIBitmap(screen, &info.bmiHeader, CBM_INIT, pixels.data(), &info, DIB_RGB_COLORS);
    bool made = true;
    double milliseconds = MedianMilliseconds([&] {
        HBITMAP enlarged = EnlargeDeviceBitmap(screen, source, placed.width, placed.height, visible);
        made = made && enlarged != nullptr;
        DeleteObject(enlarged);
    });
    printf("from a device bitmap (read-back, filter, new bitmap): %.2f ms%s\n", milliseconds,
           made ? "" : " (NOT MADE)");
    DeleteObject(source);
    ReleaseDC(nullptr, screen);
}
#endif

int main()
{
    Placement placed = PlacePicture(kWidth, kHeight, 1920, 1080, true);
    PictureView view = ViewOf(placed, 1920, 1080);
    std::vector<uint8_t> pixels = Pixels();
    printf("640 x 480 drawn %d x %d\n", placed.width, placed.height);
    printf("linear filter: %.2f ms\n", MedianMilliseconds([&] { EnlargeRows(pixels, placed, view.visible); }));
#ifdef _WIN32
    TimeDeviceStep(pixels, placed, view.visible);
#endif
    return 0;
}
