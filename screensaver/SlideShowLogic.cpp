#include "SlideShowLogic.h"

#include <algorithm>
#include <climits>

static bool IsWhiteSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

int32_t ParseUpdateTime(const char* text)
{
    while (IsWhiteSpace(*text)) {
        ++text;
    }
    bool negative = *text == '-';
    if (*text == '-' || *text == '+') {
        ++text;
    }
    uint32_t value = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        value = value * 10 + static_cast<uint32_t>(*text - '0');
    }
    return static_cast<int32_t>(negative ? 0u - value : value);
}

uint32_t ShowRandom::Draw()
{
    state = state * 214013u + 2531011u;
    return (state >> 16) & 0x7FFF;
}

// Truncation toward zero; values out of range (and NaN) give INT32_MIN, as the x86 conversion does.
static int32_t TruncateToInt32(double value)
{
    if (!(value > -2147483649.0 && value < 2147483648.0)) {
        return INT32_MIN;
    }
    return static_cast<int32_t>(value);
}

Placement PlacePicture(int32_t width, int32_t height, int32_t clientWidth, int32_t clientHeight, bool scaleToFit)
{
    uint32_t w = static_cast<uint32_t>(width);
    uint32_t h = height < 0 ? 0u - static_cast<uint32_t>(height) : static_cast<uint32_t>(height);
    Placement placement = {0, 0, static_cast<int32_t>(w), static_cast<int32_t>(h), scaleToFit};
    if (scaleToFit) {
        double xs = static_cast<double>(clientWidth) / w;
        double ys = static_cast<float>(static_cast<double>(clientHeight) / h);
        double scale = xs > ys ? ys : xs;
        placement.width = TruncateToInt32(scale * w);
        placement.height = TruncateToInt32(scale * h);
    }
    placement.x = static_cast<int32_t>((static_cast<int64_t>(clientWidth) - placement.width) / 2);
    placement.y = static_cast<int32_t>((static_cast<int64_t>(clientHeight) - placement.height) / 2);
    return placement;
}

static int32_t Clamp(int64_t value, int32_t size)
{
    return static_cast<int32_t>(value < 0 ? 0 : value > size ? size : value);
}

// The part of a picture span [at, at + size) inside the window's span [0, client), in the
// picture's coordinates.
static void VisibleSpan(int32_t at, int32_t size, int32_t client, int32_t* first, int32_t* end)
{
    *first = Clamp(-static_cast<int64_t>(at), size);
    *end = Clamp(static_cast<int64_t>(client) - at, size);
}

PictureView ViewOf(const Placement& placement, int32_t clientWidth, int32_t clientHeight)
{
    PictureView view = {placement.width, placement.height, {0, 0, 0, 0}};
    if (placement.width > 0 && placement.height > 0) {
        VisibleSpan(placement.x, placement.width, clientWidth, &view.visible.left, &view.visible.right);
        VisibleSpan(placement.y, placement.height, clientHeight, &view.visible.top, &view.visible.bottom);
    }
    return view;
}

static bool ShownBefore(const Monitor& a, const Monitor& b)
{
    if (a.primary != b.primary) {
        return a.primary;
    }
    if (a.rect.left != b.rect.left) {
        return a.rect.left < b.rect.left;
    }
    return a.rect.top < b.rect.top;
}

void OrderMonitors(Monitor* monitors, int32_t count)
{
    std::stable_sort(monitors, monitors + count, ShownBefore);
}

PixelRect MonitorInWindow(const PixelRect& monitor, int32_t windowLeft, int32_t windowTop, int32_t clientWidth,
                          int32_t clientHeight)
{
    int64_t left = static_cast<int64_t>(monitor.left) - windowLeft;
    int64_t top = static_cast<int64_t>(monitor.top) - windowTop;
    int64_t right = static_cast<int64_t>(monitor.right) - windowLeft;
    int64_t bottom = static_cast<int64_t>(monitor.bottom) - windowTop;
    return {Clamp(left, clientWidth), Clamp(top, clientHeight), Clamp(right, clientWidth), Clamp(bottom, clientHeight)};
}
