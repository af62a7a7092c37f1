#include "Fade.h"

#include "FadeBlend.h"
#include "GdiGuards.h"

#include <utility>

bool cAreaImage::Make(HDC compatible, int32_t width, int32_t height)
{
    Release();
    BITMAPINFO info = {};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    void* pixels = nullptr;
    bitmap = CreateDIBSection(compatible, &info, DIB_RGB_COLORS, &pixels, nullptr, 0);
    if (bitmap == nullptr) {
        return false;
    }
    bits = static_cast<uint8_t*>(pixels);
    bytes = static_cast<size_t>(width) * static_cast<size_t>(height) * 4;
    return true;
}

void cAreaImage::Release()
{
    if (bitmap != nullptr) {
        DeleteObject(bitmap);
    }
    bitmap = nullptr;
    bits = nullptr;
    bytes = 0;
}

void cAreaImage::Swap(cAreaImage& other)
{
    std::swap(bitmap, other.bitmap);
    std::swap(bits, other.bits);
    std::swap(bytes, other.bytes);
}

void DrawPicture(HDC dc, HDC memory, const TickPicture& picture)
{
    const RECT& to = picture.destination;
    const PixelRect& from = picture.source;
    int toWidth = to.right - to.left, toHeight = to.bottom - to.top;
    int fromWidth = from.right - from.left, fromHeight = from.bottom - from.top;
    if (fromWidth == toWidth && fromHeight == toHeight) {
        BitBlt(dc, to.left, to.top, toWidth, toHeight, memory, from.left, from.top, SRCCOPY);
    } else {
        StretchBlt(dc, to.left, to.top, toWidth, toHeight, memory, from.left, from.top, fromWidth, fromHeight, SRCCOPY);
    }
}

static int32_t Width(const RECT& area)
{
    return area.right - area.left;
}

static int32_t Height(const RECT& area)
{
    return area.bottom - area.top;
}

// An image of the area, black, unless it holds one already.
static bool MadeBlack(HDC window, cAreaImage& image, const RECT& area)
{
    return !image.Empty() || image.Make(window, Width(area), Height(area));
}

// `image` := the picture on black, as it shows in `area` of the window.
static bool Compose(HDC window, cAreaImage& image, const RECT& area, const TickPicture& picture)
{
    if (!image.Make(window, Width(area), Height(area))) {
        return false;
    }
    if (picture.bitmap.Get() == nullptr) {
        return true;
    }
    cMemoryDc target(window), source(window);
    cSelection targetSelection(target, image.Bitmap()), sourceSelection(source, picture.bitmap.Get());
    if (!targetSelection.Selected() || !sourceSelection.Selected()) {
        return false;
    }
    SetViewportOrgEx(target, -area.left, -area.top, nullptr);
    DrawPicture(target, source, picture);
    return true;
}

static void Copy(HDC window, const cAreaImage& image, const RECT& area)
{
    cMemoryDc memory(window);
    cSelection selection(memory, image.Bitmap());
    if (selection.Selected()) {
        BitBlt(window, area.left, area.top, Width(area), Height(area), memory, 0, 0, SRCCOPY);
    }
}

// What the monitor's area shows now.
static const cAreaImage& OnScreen(const MonitorFade& fade)
{
    if (!fade.fading) {
        return fade.shown;
    }
    return fade.frameDrawn ? fade.frame : fade.from;
}

bool cFades::Begin(HDC window, int32_t monitor, const RECT& area, const TickPicture& picture, DWORD duration,
                   DWORD now)
{
    MonitorFade& fade = monitors[monitor];
    if (!fade.fading) {
        fade.from.Swap(fade.shown);
    } else if (fade.frameDrawn) {
        fade.from.Swap(fade.frame);
    }
    fade.area = area;
    if (!Compose(window, fade.shown, area, picture) || !MadeBlack(window, fade.from, area) ||
        !MadeBlack(window, fade.frame, area)) {
        Reset(fade);
        return false;
    }
    fade.start = now;
    fade.duration = duration;
    fade.fading = true;
    fade.frameDrawn = false;
    return true;
}

void cFades::DrawFrame(HDC window, MonitorFade& fade, DWORD now)
{
    uint32_t weight = FadeWeight(now - fade.start, fade.duration);
    if (weight == kFadeWhole) {
        End(window, fade);
        return;
    }
    BlendPixels(fade.from.Bits(), fade.shown.Bits(), fade.frame.Bits(), fade.frame.Bytes(), weight);
    Copy(window, fade.frame, fade.area);
    fade.frameDrawn = true;
}

// The pictures GDI composed are complete in memory before the blend reads them.
bool cFades::DrawFrames(HDC window, DWORD now)
{
    GdiFlush();
    bool going = false;
    for (MonitorFade& fade : monitors) {
        if (fade.fading) {
            DrawFrame(window, fade, now);
            going = going || fade.fading;
        }
    }
    return going;
}

// The frame's memory stays for the next fade, whose first frame then does not wait for the
// system to hand out its pages.
void cFades::End(HDC window, MonitorFade& fade)
{
    Copy(window, fade.shown, fade.area);
    fade.from.Release();
    fade.fading = false;
}

void cFades::EndAll(HDC window)
{
    for (MonitorFade& fade : monitors) {
        if (fade.fading) {
            End(window, fade);
        }
    }
}

void cFades::Redraw(HDC window) const
{
    for (const MonitorFade& fade : monitors) {
        const cAreaImage& image = OnScreen(fade);
        if (!image.Empty()) {
            Copy(window, image, fade.area);
        }
    }
}

void cFades::Reset(MonitorFade& fade)
{
    fade.shown.Release();
    fade.from.Release();
    fade.frame.Release();
    fade.fading = false;
    fade.frameDrawn = false;
}

void cFades::Forget()
{
    for (MonitorFade& fade : monitors) {
        Reset(fade);
    }
}
