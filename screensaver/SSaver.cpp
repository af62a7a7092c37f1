#include "SSaver.h"

#include "../host/SaverWindow.h"
#include "../shared/cgen.h"
#include "SlideShowLogic.h"
#include "cImageDecoder.h"
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

static void DrawPicture(HDC dc, const RECT& client, const char* path)
{
    cImageDecoder* decoder = new (std::nothrow) cImageDecoder(path);
    RNew(decoder, kSourceName, 131);
    Placement placement =
        PlacePicture(decoder->width, decoder->height, client.right, client.bottom, displayFlags & FLAG_SCALE_TO_FIT);
    int32_t sourceHeight = decoder->height < 0 ? -decoder->height : decoder->height;
    HBITMAP bitmap = decoder->MakeBitmap(dc);
    HDC memory = CreateCompatibleDC(dc);
    if (SelectObject(memory, bitmap) != nullptr) {
        if (placement.stretch) {
            StretchBlt(dc, placement.x, placement.y, placement.width, placement.height, memory, 0, 0,
                       decoder->width, sourceHeight, SRCCOPY);
        } else {
            BitBlt(dc, placement.x, placement.y, placement.width, placement.height, memory, 0, 0, SRCCOPY);
        }
    }
    delete decoder;
    DeleteDC(memory);
    DeleteObject(bitmap);
}

static void OnTimer(HWND window)
{
    HDC dc = GetDC(window);
    RECT client;
    GetClientRect(window, &client);
    FillBlack(dc, client);
    int32_t index = ChooseIndex();
    if (index >= 0) {
        DrawPicture(dc, client, static_cast<const char*>(imageList->Get(index)));
    }
    ReleaseDC(window, dc);
}

static void OnEraseBackground(HWND window)
{
    HDC dc = GetDC(window);
    RECT client;
    GetClientRect(window, &client);
    FillBlack(dc, client);
    ReleaseDC(window, dc);
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
