// The fade between pictures, on the window's thread: per monitor, what its area of the
// window shows, and the blend that brings the next picture in over it. Each frame only
// blends pictures already composed and copies the blend to the window.
#pragma once

#include "PictureWorker.h"

#include <windows.h>

#include <cstdint>

// A picture of one area in memory, 32 bits a pixel, that GDI draws into and the blend
// reads and writes; black when made.
class cAreaImage {
public:
    cAreaImage() : bitmap(nullptr), bits(nullptr), bytes(0) {}
    ~cAreaImage() { Release(); }
    cAreaImage(const cAreaImage&) = delete;
    cAreaImage& operator=(const cAreaImage&) = delete;

    // False when the system refuses; the image is then empty.
    bool Make(HDC compatible, int32_t width, int32_t height);
    void Release();
    void Swap(cAreaImage& other);
    bool Empty() const { return bitmap == nullptr; }
    HBITMAP Bitmap() const { return bitmap; }
    uint8_t* Bits() const { return bits; }
    size_t Bytes() const { return bytes; }

private:
    HBITMAP bitmap;
    uint8_t* bits;
    size_t bytes;
};

// One monitor: `shown` is the picture its area shows, or while `fading`, the one coming in
// over `from`, the area as it was; `frame` is the blend last drawn, once `frameDrawn`, and
// its memory is kept between fades.
struct MonitorFade {
    RECT area;
    cAreaImage shown;
    cAreaImage from;
    cAreaImage frame;
    DWORD start;
    DWORD duration;
    bool fading;
    bool frameDrawn;
};

// Draws the prepared picture's bitmap, selected into `memory`, at its destination in `dc`:
// copied when the sizes match, stretched where the worker could not make its drawn size.
void DrawPicture(HDC dc, HDC memory, const TickPicture& picture);

class cFades {
public:
    cFades() : monitors() {}
    cFades(const cFades&) = delete;
    cFades& operator=(const cFades&) = delete;

    // Starts the monitor's fade to `picture` composed on black in `area`, from what the area
    // shows now (black when nothing was shown yet); its frames come with DrawFrames. False,
    // with nothing drawn and the monitor's images let go, where they cannot be made.
    bool Begin(HDC window, int32_t monitor, const RECT& area, const TickPicture& picture, DWORD duration, DWORD now);
    // Draws every fade's frame for `now`, and the new picture exactly for each that has
    // come to its end; true while a fade goes on.
    bool DrawFrames(HDC window, DWORD now);
    // Ends every fade with its new picture drawn.
    void EndAll(HDC window);
    bool Fading(int32_t monitor) const { return monitors[monitor].fading; }
    // Draws again what each area shows.
    void Redraw(HDC window) const;
    // Lets go of everything: the areas have changed or the show ends.
    void Forget();

private:
    static void DrawFrame(HDC window, MonitorFade& fade, DWORD now);
    static void End(HDC window, MonitorFade& fade);
    static void Reset(MonitorFade& fade);

    MonitorFade monitors[kMostMonitors];
};
