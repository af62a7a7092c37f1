#include "SSaver.h"

#include "../host/SaverWindow.h"
#include "../shared/cgen.h"
#include "GdiGuards.h"
#include "Reports.h"
#include "SlideShowLogic.h"
#include "decoder/cImageDecoder.h"
#include "shared.h"

#include <cstring>
#include <ctime>
#include <new>

static const char* const kSourceName = "SSaver";
static const UINT_PTR kTimerId = 1;
static const int32_t kMostMonitors = 16;
// Where the image list's paths are allocated and released.
static const int kPathCopyLine = 74;
static const int kPathFreeLine = 215;

static cArray* imageList = nullptr;
static DWORD displayFlags = 0;
static int32_t currentIndex = 0;
// The entry the first monitor showed at the last tick; -1 before the first tick.
static int32_t shownFirst = -1;
static UINT_PTR timerId = 0;
static ShowRandom randomState;

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

static void OnCreate(HWND window)
{
    OpenKeys();
    displayFlags = ReadFlags();
    char updateTime[UPDATE_TIME_CHARS + 1];
    ReadUpdateTime(updateTime);
    int32_t interval = ParseUpdateTime(updateTime);
    if (displayFlags & FLAG_RANDOM_ORDER) {
        randomState.Seed(static_cast<uint32_t>(time(nullptr)));
    } else {
        currentIndex = 0;
    }
    LoadImageList();
    timerId = SetTimer(window, kTimerId, static_cast<UINT>(interval), nullptr);
}

static void FillBlack(HDC dc, const RECT& rect)
{
    FillRect(dc, &rect, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
}

static int32_t ListSlots()
{
    return imageList->Count() + imageList->Removed();
}

// The entry the first monitor shows at this tick in list order; the next tick's goes one on.
static int32_t TakeFirstIndex()
{
    if (currentIndex >= ListSlots()) {
        currentIndex = 0;
    }
    return currentIndex++;
}

// The entry monitor number `monitor` shows at this tick, or -1 when the list is empty. In
// random order each monitor draws its own.
static int32_t ChooseIndex(int32_t first, int32_t monitor)
{
    int32_t slots = ListSlots();
    if (slots == 0) {
        return -1;
    }
    if (displayFlags & FLAG_RANDOM_ORDER) {
        return RandomIndex(randomState.Draw(), slots);
    }
    return ListIndex(first, monitor, slots);
}

// A decoded picture ready to draw: its bitmap's `source` rectangle goes to `destination`
// in the window.
struct TickPicture {
    cBitmap bitmap;
    PixelRect source;
    RECT destination;
};

// The picture placed within `area` of the window as in a window of that size.
static TickPicture DecodePicture(HDC dc, const RECT& area, const char* path)
{
    cImageDecoder decoder(path);
    if (decoder.error != DE_OK) {
        return {cBitmap(), {}, {}};
    }
    int32_t width = area.right - area.left, height = area.bottom - area.top;
    Placement placement = PlacePicture(decoder.width, decoder.height, width, height, displayFlags & FLAG_SCALE_TO_FIT);
    ViewBitmap shown = decoder.MakeBitmap(dc, ViewOf(placement, width, height));
    const PixelRect& to = shown.destination;
    LONG x = area.left + placement.x, y = area.top + placement.y;
    RECT destination = {x + to.left, y + to.top, x + to.right, y + to.bottom};
    return {cBitmap(shown.bitmap), shown.source, destination};
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

// Copied when the sizes match, stretched otherwise: the decoder has made a picture drawn
// smaller at its drawn size wherever that can be made.
static void DrawPicture(HDC dc, HDC memory, const TickPicture& picture)
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

// Entry `index` shown in `area` of the window: decoded before the area changes, then the
// area turns black around it and shows it, so that it replaces the last one directly. No
// entry (-1) or a picture that fails leaves the area black.
static void ShowPicture(HDC dc, const RECT& area, int32_t index)
{
    TickPicture picture =
        index >= 0 ? DecodePicture(dc, area, static_cast<const char*>(imageList->Get(index))) : TickPicture();
    cMemoryDc memory(dc);
    cSelection selection(memory, picture.bitmap.Get());
    if (!selection.Selected()) {
        FillBlack(dc, area);
        return;
    }
    FillBlackAround(dc, area, picture.destination);
    DrawPicture(dc, memory, picture);
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
// one, its client area; the full-screen window one for each monitor it covers. The count.
static int32_t ShowAreas(HWND window, RECT* areas)
{
    RECT client;
    GetClientRect(window, &client);
    MonitorList list = {};
    if (PreviewMode() || !EnumDisplayMonitors(nullptr, nullptr, AddMonitor, reinterpret_cast<LPARAM>(&list))) {
        areas[0] = client;
        return 1;
    }
    OrderMonitors(list.monitors, list.count);
    POINT origin = {0, 0};
    ClientToScreen(window, &origin);
    int32_t count = 0;
    for (int32_t i = 0; i < list.count; ++i) {
        PixelRect inside = MonitorInWindow(list.monitors[i].rect, origin.x, origin.y, client.right, client.bottom);
        if (inside.right > inside.left && inside.bottom > inside.top) {
            areas[count++] = {inside.left, inside.top, inside.right, inside.bottom};
        }
    }
    return count;
}

// Each monitor in turn shows its picture of a tick whose first monitor shows entry `first`.
static void ShowTick(HWND window, int32_t first)
{
    cWindowDc dc(window);
    RECT areas[kMostMonitors];
    int32_t count = ShowAreas(window, areas);
    for (int32_t monitor = 0; monitor < count; ++monitor) {
        ShowPicture(dc, areas[monitor], ChooseIndex(first, monitor));
    }
}

static void OnTimer(HWND window)
{
    shownFirst = TakeFirstIndex();
    ShowTick(window, shownFirst);
}

static void OnEraseBackground(HWND window)
{
    cWindowDc dc(window);
    RECT client;
    GetClientRect(window, &client);
    FillBlack(dc, client);
}

// The monitors' new layout shows pictures at once: in list order the entries of the last
// tick, in random order new draws. The repaint the window's new size asks for would only
// black them out.
static void OnDisplayChange(HWND window)
{
    if (shownFirst < 0) {
        OnEraseBackground(window);
        return;
    }
    ShowTick(window, shownFirst);
    ValidateRect(window, nullptr);
}

static void OnDestroy(HWND window)
{
    CloseKeys();
    if (timerId != 0) {
        KillTimer(window, timerId);
    }
    ReleaseImageList();
}

LRESULT WINAPI ScreenSaverProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        OnCreate(window);
        break;
    case WM_TIMER:
        OnTimer(window);
        break;
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
