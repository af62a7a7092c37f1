#include "SSaver.h"

#include "../host/SaverWindow.h"
#include "../shared/cgen.h"
#include "GdiGuards.h"
#include "SlideShowLogic.h"
#include "decoder/cImageDecoder.h"
#include "shared.h"

#include <cstring>
#include <ctime>
#include <new>

static const char* const kSourceName = "SSaver";
static const UINT_PTR kTimerId = 1;
// Lines of the reports about the image list: they are part of the message text.
static const int kCorruptEntryLine = 71;
static const int kPathCopyLine = 74;
static const int kPathFreeLine = 215;

static cArray* imageList = nullptr;
static DWORD displayFlags = 0;
static int32_t currentIndex = 0;
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
    ReadImageList(AddPathCopy, nullptr, kSourceName, kCorruptEntryLine);
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

// The next entry to show, or -1 when the list is empty.
static int32_t ChooseIndex()
{
    int32_t slots = imageList->Count() + imageList->Removed();
    if (slots == 0) {
        return -1;
    }
    int32_t index;
    if (displayFlags & FLAG_RANDOM_ORDER) {
        index = RandomIndex(randomState.Draw(), slots);
    } else {
        if (currentIndex >= slots) {
            currentIndex = 0;
        }
        index = currentIndex;
    }
    currentIndex = index + 1;
    return index;
}

// A decoded picture ready to draw: its bitmap's `source` rectangle goes to `destination`
// in the window.
struct TickPicture {
    cBitmap bitmap;
    PixelRect source;
    RECT destination;
};

static TickPicture DecodePicture(HDC dc, const RECT& client, const char* path)
{
    cImageDecoder decoder(path);
    if (decoder.error != DE_OK) {
        return {cBitmap(), {}, {}};
    }
    Placement placement =
        PlacePicture(decoder.width, decoder.height, client.right, client.bottom, displayFlags & FLAG_SCALE_TO_FIT);
    ViewBitmap shown = decoder.MakeBitmap(dc, ViewOf(placement, client.right, client.bottom));
    const PixelRect& to = shown.destination;
    RECT destination = {placement.x + to.left, placement.y + to.top, placement.x + to.right, placement.y + to.bottom};
    return {cBitmap(shown.bitmap), shown.source, destination};
}

// The client area black except where the picture goes.
static void FillBlackAround(HDC dc, const RECT& client, const RECT& picture)
{
    RECT inside;
    if (!IntersectRect(&inside, &client, &picture)) {
        FillBlack(dc, client);
        return;
    }
    const RECT around[] = {{client.left, client.top, client.right, inside.top},
                           {client.left, inside.bottom, client.right, client.bottom},
                           {client.left, inside.top, inside.left, inside.bottom},
                           {inside.right, inside.top, client.right, inside.bottom}};
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

// The next picture is decoded before the window changes; then the window turns black
// around it and shows it, so that it replaces the last one directly. An empty list or a
// picture that fails leaves a black window.
static void OnTimer(HWND window)
{
    cWindowDc dc(window);
    RECT client;
    GetClientRect(window, &client);
    int32_t index = ChooseIndex();
    TickPicture picture =
        index >= 0 ? DecodePicture(dc, client, static_cast<const char*>(imageList->Get(index))) : TickPicture();
    cMemoryDc memory(dc);
    cSelection selection(memory, picture.bitmap.Get());
    if (!selection.Selected()) {
        FillBlack(dc, client);
        return;
    }
    FillBlackAround(dc, client, picture.destination);
    DrawPicture(dc, memory, picture);
}

static void OnEraseBackground(HWND window)
{
    cWindowDc dc(window);
    RECT client;
    GetClientRect(window, &client);
    FillBlack(dc, client);
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
    case WM_DESTROY:
        OnDestroy(window);
        break;
    default:
        break;
    }
    return SaverDefaultProc(window, message, wParam, lParam);
}
