#include "SSaver.h"

#include "../host/SaverWindow.h"
#include "../shared/cgen.h"
#include "Fade.h"
#include "FadeBlend.h"
#include "GdiGuards.h"
#include "PictureWorker.h"
#include "Reports.h"
#include "SlideShowLogic.h"
#include "shared.h"

#include <cstring>
#include <ctime>
#include <new>

static const char* const kSourceName = "SSaver";
static const UINT_PTR kTimerId = 1;
// The fade's frames: about 30 a second.
static const UINT_PTR kFadeTimerId = 2;
static const UINT kFadeFrameInterval = 33;
// How long a closing saver waits for a picture being read or decoded; then the process
// ends without it.
static const DWORD kWorkerStopWait = 250;
// Where the image list's paths are allocated and released.
static const int kPathCopyLine = 74;
static const int kPathFreeLine = 215;

static cArray* imageList = nullptr;
static DWORD displayFlags = 0;
static UINT_PTR timerId = 0;
static int32_t interval = 0;
static ShowRandom randomState;
static cPictureWorker* worker = nullptr;
// With fading on: how long a fade lasts, each monitor's fade, and the timer of its frames.
static bool fadeOn = false;
static DWORD fadeDuration = 0;
static cFades fades;
static UINT_PTR fadeTimerId = 0;
// Where each monitor's pictures go in the window, in show order.
static RECT areas[kMostMonitors];
static int32_t areaCount = 0;
// Per monitor: the pictures drawn so far, and whether a tick found its next one not ready,
// which is then drawn the moment it is (the first one is drawn so).
static uint32_t picturesDrawn[kMostMonitors];
static bool late[kMostMonitors];

static void AddPathCopy(const char* path, void*)
{
    size_t size = strlen(path) + 1;
    char* copy = static_cast<char*>(RMalloc(kSourceName, kPathCopyLine, size));
    memcpy(copy, path, size);
    imageList->Add(copy);
}

static void LoadImageList()
{
    imageList = new (std::nothrow) cArray;
    RNew(imageList, kSourceName, __LINE__);
    ReadImageList(AddPathCopy, nullptr, REPORT_CORRUPT_SHOW_ENTRY);
}

static void ReleaseImageList()
{
    if (imageList == nullptr) {
        return;
    }
    cArrayIter* iterator = imageList->NewIterator();
    while (iterator->More()) {
        RFree(kSourceName, kPathFreeLine, iterator->Next());
    }
    delete iterator;
    delete imageList;
    imageList = nullptr;
}

static void FillBlack(HDC dc, const RECT& rect)
{
    FillRect(dc, &rect, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
}

static int32_t ListSlots()
{
    return imageList->Count() + imageList->Removed();
}

// The entry the monitor shows next, or -1 when the list is empty: in list order, at a
// monitor's picture number t, entry t shifted by the monitor's place; in random order each
// monitor draws its own.
static int32_t NextIndex(int32_t monitor)
{
    int32_t slots = ListSlots();
    if (slots == 0) {
        return -1;
    }
    if (displayFlags & FLAG_RANDOM_ORDER) {
        return RandomIndex(randomState.Draw(), slots);
    }
    return ListIndex(static_cast<int32_t>(picturesDrawn[monitor] % static_cast<uint32_t>(slots)), monitor, slots);
}

static void OrderNextPicture(int32_t monitor)
{
    int32_t index = NextIndex(monitor);
    const char* path = index >= 0 ? static_cast<const char*>(imageList->Get(index)) : nullptr;
    worker->Order(monitor, {path, areas[monitor], (displayFlags & FLAG_SCALE_TO_FIT) != 0});
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
    ++picturesDrawn[monitor];
    OrderNextPicture(monitor);
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
    if (displayFlags & FLAG_RANDOM_ORDER) {
        randomState.Seed(static_cast<uint32_t>(time(nullptr)));
    }
    timerId = 0;
    for (int32_t monitor = 0; monitor < kMostMonitors; ++monitor) {
        picturesDrawn[monitor] = 0;
        late[monitor] = true;
    }
    LoadImageList();
    MeasureAreas(window);
    worker = new (std::nothrow) cPictureWorker(window, SHOW_PICTURE_READY);
    RNew(worker, kSourceName, __LINE__);
    for (int32_t monitor = 0; monitor < areaCount; ++monitor) {
        OrderNextPicture(monitor);
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

// Black, and with fading on what each monitor shows drawn again.
static void OnEraseBackground(HWND window)
{
    cWindowDc dc(window);
    RECT client;
    GetClientRect(window, &client);
    FillBlack(dc, client);
    fades.Redraw(dc);
}

// Fades end at once; the monitors' new layout goes black and shows pictures as soon as they
// are prepared for it: in list order the entries shown last again, in random order new
// draws. The repaint the window's new size asks for would only black them out.
static void OnDisplayChange(HWND window)
{
    StopFadeTimer(window);
    fades.Forget();
    OnEraseBackground(window);
    MeasureAreas(window);
    for (int32_t monitor = 0; monitor < areaCount; ++monitor) {
        picturesDrawn[monitor] -= picturesDrawn[monitor] > 0;
        late[monitor] = true;
        OrderNextPicture(monitor);
    }
    ValidateRect(window, nullptr);
}

// A worker still reading or decoding is left to end with the process, and with it the
// image list it reads the paths from.
static void OnDestroy(HWND window)
{
    CloseKeys();
    if (timerId != 0) {
        KillTimer(window, timerId);
    }
    StopFadeTimer(window);
    fades.Forget();
    if (worker->Stop(kWorkerStopWait)) {
        delete worker;
        ReleaseImageList();
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
