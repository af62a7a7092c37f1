#include "SSaver.h"

#include "../host/SaverWindow.h"
#include "../shared/cgen.h"
#include "Fade.h"
#include "FadeBlend.h"
#include "GdiGuards.h"
#include "PictureWorker.h"
#include "Reports.h"
#include "SlideShowLogic.h"
#include "SystemFolders.h"
#include "WideText.h"
#include "shared.h"

#include <ctime>
#include <memory>
#include <new>
#include <string>
#include <utility>
#include <vector>

static const char* const kSourceName = "SSaver";
static const UINT_PTR kTimerId = 1;
// The fade's frames: about 30 a second.
static const UINT_PTR kFadeTimerId = 2;
static const UINT kFadeFrameInterval = 33;
// How long a closing saver waits for a picture being read or decoded; then the process
// ends without it.
static const DWORD kWorkerStopWait = 250;

static DWORD displayFlags = 0;
static UINT_PTR timerId = 0;
static int32_t interval = 0;
static cPictureWorker* worker = nullptr;
// With fading on: how long a fade lasts, each monitor's fade, and the timer of its frames.
static bool fadeOn = false;
static DWORD fadeDuration = 0;
static cFades fades;
static UINT_PTR fadeTimerId = 0;
// Where each monitor's pictures go in the window, in show order.
static RECT areas[kMostMonitors];
static int32_t areaCount = 0;
// Per monitor: whether its next picture is to be drawn the moment it is prepared: the first,
// and one a tick found not ready.
static bool late[kMostMonitors];
// The latest pick drawn: where the next run goes on (serial 0: nothing drawn yet).
static SequencePick lastShown;
// Without fading, the picture each monitor shows, drawn again when the window is repainted
// (with fading the fades keep it).
static TickPicture onScreen[kMostMonitors];

static void AddEntry(const char* path, void* entries)
{
    static_cast<std::vector<std::string>*>(entries)->push_back(Utf8FromCodePage(path));
}

// The image list's pictures, from where the last run stopped; random order is seeded with
// the time.
static std::unique_ptr<cPictureSequence> MakeSequence()
{
    std::vector<std::string> entries;
    ReadImageList(AddEntry, &entries, REPORT_CORRUPT_SHOW_ENTRY);
    ResumePoint resume;
    ReadResumePoint(&resume);
    bool randomOrder = (displayFlags & FLAG_RANDOM_ORDER) != 0;
    uint32_t seed = randomOrder ? static_cast<uint32_t>(time(nullptr)) : 0;
    cPictureSequence* sequence = new (std::nothrow)
        cPictureSequence(entries, randomOrder, seed, resume, SystemFolders(), cPictureExtensions());
    RNew(sequence, kSourceName, __LINE__);
    return std::unique_ptr<cPictureSequence>(sequence);
}

static void KeepWhereTheShowStopped()
{
    if (lastShown.serial != 0 && WriteResumePoint(lastShown.resume) != ERROR_SUCCESS) {
        Warning(kSourceName, __LINE__, "Could not keep where the show stopped");
    }
}

static void FillBlack(HDC dc, const RECT& rect)
{
    FillRect(dc, &rect, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
}

// The monitor's next picture of the sequence, or `again` the one it shows.
static void OrderPicture(int32_t monitor, bool again)
{
    worker->Order(monitor, {areas[monitor], (displayFlags & FLAG_SCALE_TO_FIT) != 0, again, areaCount});
}

// The area black except where the picture goes.
static void FillBlackAround(HDC dc, const RECT& area, const RECT& picture)
{
    RECT inside;
    if (!IntersectRect(&inside, &area, &picture)) {
        FillBlack(dc, area);
        return;
    }
    const RECT around[] = {{area.left, area.top, area.right, inside.top},
                           {area.left, inside.bottom, area.right, area.bottom},
                           {area.left, inside.top, inside.left, inside.bottom},
                           {inside.right, inside.top, area.right, inside.bottom}};
    for (const RECT& band : around) {
        FillBlack(dc, band);
    }
}

// The prepared picture in `area` of the window: the area turns black around it and shows it,
// so that it replaces the last one directly. A picture without a bitmap leaves it black.
static void ShowPicture(HDC dc, const RECT& area, const TickPicture& picture)
{
    cMemoryDc memory(dc);
    cSelection selection(memory, picture.bitmap.Get());
    if (!selection.Selected()) {
        FillBlack(dc, area);
        return;
    }
    FillBlackAround(dc, area, picture.destination);
    DrawPicture(dc, memory, picture);
}

static void StopFadeTimer(HWND window)
{
    if (fadeTimerId != 0) {
        KillTimer(window, fadeTimerId);
        fadeTimerId = 0;
    }
}

// The picture fades in over what the monitor shows, or without fading on (or where the fade's
// pictures cannot be made) replaces it directly. Without a timer for its frames the fade
// ends at once.
static void ShowArriving(HWND window, HDC dc, int32_t monitor, const TickPicture& picture)
{
    if (!fadeOn || !fades.Begin(dc, monitor, areas[monitor], picture, fadeDuration, GetTickCount())) {
        ShowPicture(dc, areas[monitor], picture);
        return;
    }
    if (fadeTimerId == 0) {
        fadeTimerId = SetTimer(window, kFadeTimerId, kFadeFrameInterval, nullptr);
    }
    if (fadeTimerId == 0) {
        fades.EndAll(dc);
    }
}

// The ticks begin one interval after the first picture is drawn.
static void StartTicks(HWND window)
{
    if (timerId == 0) {
        timerId = SetTimer(window, kTimerId, static_cast<UINT>(interval), nullptr);
    }
}

// Draws the monitor's prepared picture and orders its next; false while it is not ready.
static bool ShowPrepared(HWND window, HDC dc, int32_t monitor)
{
    TickPicture picture;
    if (!worker->Take(monitor, &picture)) {
        return false;
    }
    ShowArriving(window, dc, monitor, picture);
    StartTicks(window);
    late[monitor] = false;
    if (picture.pick.serial > lastShown.serial) {
        lastShown = std::move(picture.pick);
    }
    if (!fadeOn) {
        onScreen[monitor] = std::move(picture);
    }
    OrderPicture(monitor, false);
    return true;
}

// The monitors of the virtual screen, in show order; monitors past the first kMostMonitors
// are left out.
struct MonitorList {
    Monitor monitors[kMostMonitors];
    int32_t count;
};

static BOOL CALLBACK AddMonitor(HMONITOR monitor, HDC, RECT*, LPARAM context)
{
    MonitorList* list = reinterpret_cast<MonitorList*>(context);
    MONITORINFO info = {};
    info.cbSize = sizeof info;
    if (list->count < kMostMonitors && GetMonitorInfoA(monitor, &info)) {
        const RECT& r = info.rcMonitor;
        bool primary = (info.dwFlags & MONITORINFOF_PRIMARY) != 0;
        list->monitors[list->count++] = {{r.left, r.top, r.right, r.bottom}, primary};
    }
    return TRUE;
}

// Where the pictures go in the window, one area per monitor in show order: a preview has
// one, its client area; the full-screen window one for each monitor it covers.
static void MeasureAreas(HWND window)
{
    RECT client;
    GetClientRect(window, &client);
    MonitorList list = {};
    if (PreviewMode() || !EnumDisplayMonitors(nullptr, nullptr, AddMonitor, reinterpret_cast<LPARAM>(&list))) {
        areas[0] = client;
        areaCount = 1;
        return;
    }
    OrderMonitors(list.monitors, list.count);
    POINT origin = {0, 0};
    ClientToScreen(window, &origin);
    areaCount = 0;
    for (int32_t i = 0; i < list.count; ++i) {
        PixelRect inside = MonitorInWindow(list.monitors[i].rect, origin.x, origin.y, client.right, client.bottom);
        if (inside.right > inside.left && inside.bottom > inside.top) {
            areas[areaCount++] = {inside.left, inside.top, inside.right, inside.bottom};
        }
    }
}

// The worker starts on the first picture of each monitor at once, and each is drawn as soon
// as it is prepared; the ticks begin with the first.
static void OnCreate(HWND window)
{
    OpenKeys();
    displayFlags = ReadFlags();
    char updateTime[UPDATE_TIME_CHARS + 1];
    ReadUpdateTime(updateTime);
    interval = ParseUpdateTime(updateTime);
    fadeDuration = FadeDuration(static_cast<uint32_t>(interval));
    fadeOn = (displayFlags & FLAG_FADE) != 0 && fadeDuration > 0;
    timerId = 0;
    lastShown = SequencePick();
    for (int32_t monitor = 0; monitor < kMostMonitors; ++monitor) {
        late[monitor] = true;
    }
    MeasureAreas(window);
    worker = new (std::nothrow) cPictureWorker(window, SHOW_PICTURE_READY, MakeSequence());
    RNew(worker, kSourceName, __LINE__);
    for (int32_t monitor = 0; monitor < areaCount; ++monitor) {
        OrderPicture(monitor, false);
    }
}

// A tick only draws: each monitor its prepared picture, or, while that is not ready, the
// current one stays.
static void OnTick(HWND window)
{
    cWindowDc dc(window);
    for (int32_t monitor = 0; monitor < areaCount; ++monitor) {
        if (!ShowPrepared(window, dc, monitor)) {
            late[monitor] = true;
        }
    }
}

// A frame of each fade under way; the timer stops with the last fade.
static void OnFadeFrame(HWND window)
{
    cWindowDc dc(window);
    if (!fades.DrawFrames(dc, GetTickCount())) {
        StopFadeTimer(window);
    }
}

// The fade's timer gives frames; any other timer message is a tick.
static void OnTimer(HWND window, WPARAM id)
{
    if (fadeOn && id == kFadeTimerId) {
        OnFadeFrame(window);
    } else {
        OnTick(window);
    }
}

static void OnPictureReady(HWND window, WPARAM monitor)
{
    if (static_cast<int32_t>(monitor) < areaCount && late[monitor]) {
        cWindowDc dc(window);
        ShowPrepared(window, dc, static_cast<int32_t>(monitor));
    }
}

// The monitors whose picture is not drawn yet or still fading in, or whose next one is not
// ready.
static LRESULT PicturesWaiting()
{
    LRESULT waiting = 0;
    for (int32_t monitor = 0; monitor < areaCount; ++monitor) {
        waiting += late[monitor] || fades.Fading(monitor) || !worker->Ready(monitor);
    }
    return waiting;
}

// Lets go of what the monitors show: their areas have changed or the show ends.
static void ForgetShown()
{
    for (TickPicture& shown : onScreen) {
        shown = TickPicture();
    }
    fades.Forget();
}

static void OnEraseBackground(HWND window)
{
    cWindowDc dc(window);
    RECT client;
    GetClientRect(window, &client);
    FillBlack(dc, client);
}

// What each monitor shows, drawn again once the default painting has erased the window: a
// repaint never takes a picture away before the next one comes.
static void RedrawShown(HWND window)
{
    cWindowDc dc(window);
    for (int32_t monitor = 0; monitor < areaCount; ++monitor) {
        if (onScreen[monitor].bitmap.Get() != nullptr) {
            ShowPicture(dc, areas[monitor], onScreen[monitor]);
        }
    }
    fades.Redraw(dc);
}

// Fades end at once; the monitors' new layout goes black and shows each monitor's picture
// again as soon as it is prepared for it; the pictures that were to come next follow. The
// repaint the window's new size asks for would only black them out.
static void OnDisplayChange(HWND window)
{
    StopFadeTimer(window);
    ForgetShown();
    OnEraseBackground(window);
    MeasureAreas(window);
    for (int32_t monitor = 0; monitor < areaCount; ++monitor) {
        late[monitor] = true;
        OrderPicture(monitor, true);
    }
    ValidateRect(window, nullptr);
}

// A worker still reading or decoding is left to end with the process, with the sequence
// it owns.
static void OnDestroy(HWND window)
{
    KeepWhereTheShowStopped();
    CloseKeys();
    if (timerId != 0) {
        KillTimer(window, timerId);
    }
    StopFadeTimer(window);
    ForgetShown();
    if (worker->Stop(kWorkerStopWait)) {
        delete worker;
    }
    worker = nullptr;
}

LRESULT WINAPI ScreenSaverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        OnCreate(window);
        break;
    case WM_TIMER:
        OnTimer(window, wParam);
        break;
    case SHOW_PICTURE_READY:
        OnPictureReady(window, wParam);
        break;
    case SHOW_PICTURES_WAITING:
        return PicturesWaiting();
    case WM_ERASEBKGND:
        OnEraseBackground(window);
        break;
    case WM_PAINT: {
        LRESULT painted = SaverDefaultProc(window, message, wParam, lParam);
        RedrawShown(window);
        return painted;
    }
    case WM_DISPLAYCHANGE:
        OnDisplayChange(window);
        break;
    case WM_DESTROY:
        OnDestroy(window);
        break;
    default:
        break;
    }
    return SaverDefaultProc(window, message, wParam, lParam);
}
