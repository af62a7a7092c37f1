#include "PictureWorker.h"

#include "../host/EntryLookup.h"
#include "../shared/cgen.h"
#include "SlideShowLogic.h"
#include "decoder/cImageDecoder.h"

#include <process.h>

#include <utility>

static const char* const kSourceName = "PictureWorker";

typedef BOOL(WINAPI* CancelIoEntry)(HANDLE thread);

// The critical section held while the guard lives.
class cLock {
public:
    explicit cLock(CRITICAL_SECTION& section_) : section(section_) { EnterCriticalSection(&section); }
    ~cLock() { LeaveCriticalSection(&section); }
    cLock(const cLock&) = delete;
    cLock& operator=(const cLock&) = delete;

private:
    CRITICAL_SECTION& section;
};

static bool CopyPart(HDC screen, HBITMAP from, const PixelRect& part, HBITMAP to)
{
    cMemoryDc source(screen), target(screen);
    cSelection sourceSelection(source, from), targetSelection(target, to);
    return sourceSelection.Selected() && targetSelection.Selected() &&
           BitBlt(target, 0, 0, part.right - part.left, part.bottom - part.top, source, part.left, part.top, SRCCOPY);
}

// A picture drawn at its size keeps only the part drawn: cut here, the rest of a large
// bitmap costs neither memory while it waits nor time when the window's thread deletes it.
// Where the cut cannot be made, the whole stays.
static void KeepDrawnPart(HDC screen, ViewBitmap* shown)
{
    const PixelRect &part = shown->source, &to = shown->destination;
    int width = part.right - part.left, height = part.bottom - part.top;
    BITMAP size = {};
    if (width != to.right - to.left || height != to.bottom - to.top ||
        GetObjectA(shown->bitmap, sizeof size, &size) == 0 || (size.bmWidth == width && size.bmHeight == height)) {
        return;
    }
    HBITMAP cut = CreateCompatibleBitmap(screen, width, height);
    if (cut == nullptr) {
        return;
    }
    if (!CopyPart(screen, shown->bitmap, part, cut)) {
        DeleteObject(cut);
        return;
    }
    DeleteObject(shown->bitmap);
    shown->bitmap = cut;
    shown->source = {0, 0, width, height};
}

// The ordered picture decoded for its place in the window, as the screen's device draws it.
static TickPicture PreparePicture(const PictureOrder& order)
{
    if (order.path == nullptr) {
        return TickPicture();
    }
    cImageDecoder decoder(order.path);
    if (decoder.error != DE_OK) {
        return TickPicture();
    }
    const RECT& area = order.area;
    int32_t width = area.right - area.left, height = area.bottom - area.top;
    Placement placement = PlacePicture(decoder.width, decoder.height, width, height, order.scaleToFit);
    cWindowDc screen(nullptr);
    ViewBitmap shown = decoder.MakeBitmap(screen, ViewOf(placement, width, height));
    KeepDrawnPart(screen, &shown);
    const PixelRect& to = shown.destination;
    LONG x = area.left + placement.x, y = area.top + placement.y;
    RECT destination = {x + to.left, y + to.top, x + to.right, y + to.bottom};
    return {cBitmap(shown.bitmap), shown.source, destination};
}

cPictureWorker::cPictureWorker(HWND window_, UINT readyMessage_)
    : window(window_), readyMessage(readyMessage_), lock(), wake(CreateEventA(nullptr, FALSE, FALSE, nullptr)),
      thread(nullptr), stopping(false), slots()
{
    InitializeCriticalSection(&lock);
    if (wake != nullptr) {
        thread = reinterpret_cast<HANDLE>(_beginthreadex(nullptr, 0, Run, this, 0, nullptr));
    }
    if (thread == nullptr) {
        FatalError(kSourceName, __LINE__, "Could not start the picture thread");
    }
}

cPictureWorker::~cPictureWorker()
{
    CloseHandle(thread);
    CloseHandle(wake);
    DeleteCriticalSection(&lock);
}

void cPictureWorker::Order(int32_t monitor, const PictureOrder& order)
{
    TickPicture dropped;
    {
        cLock held(lock);
        MonitorSlot& slot = slots[monitor];
        slot.order = order;
        slot.ordered = true;
        ++slot.generation;
        if (slot.ready) {
            dropped = std::move(slot.picture);
            slot.ready = false;
        }
    }
    SetEvent(wake);
}

bool cPictureWorker::Take(int32_t monitor, TickPicture* picture)
{
    cLock held(lock);
    MonitorSlot& slot = slots[monitor];
    if (!slot.ready) {
        return false;
    }
    *picture = std::move(slot.picture);
    slot.ready = false;
    return true;
}

bool cPictureWorker::Ready(int32_t monitor)
{
    cLock held(lock);
    return slots[monitor].ready;
}

// Between two cancellations of the thread's read while it has not ended.
static const DWORD kCancelInterval = 10;

// A read the thread is blocked in is cancelled where the system can (from Windows Vista on):
// a thread in synchronous I/O on a share that is gone would otherwise keep the ended process
// from going away until the network gives up. The thread may start its next read just after
// a cancellation, so its reads are cancelled again and again until it has ended or the time
// is up.
bool cPictureWorker::Stop(DWORD milliseconds)
{
    {
        cLock held(lock);
        stopping = true;
    }
    SetEvent(wake);
    CancelIoEntry cancelIo = LookUpEntry<CancelIoEntry>(GetModuleHandleA("KERNEL32.DLL"), "CancelSynchronousIo");
    DWORD start = GetTickCount();
    for (;;) {
        if (cancelIo != nullptr) {
            cancelIo(thread);
        }
        DWORD waited = GetTickCount() - start;
        DWORD left = waited < milliseconds ? milliseconds - waited : 0;
        if (WaitForSingleObject(thread, left < kCancelInterval ? left : kCancelInterval) == WAIT_OBJECT_0) {
            return true;
        }
        if (left <= kCancelInterval) {
            return false;
        }
    }
}

unsigned __stdcall cPictureWorker::Run(void* worker)
{
    static_cast<cPictureWorker*>(worker)->Work();
    return 0;
}

// Orders are taken up monitor by monitor, the first monitors first.
void cPictureWorker::Work()
{
    int32_t monitor = 0;
    PictureOrder order = {};
    uint32_t generation = 0;
    for (;;) {
        while (NextOrder(&monitor, &order, &generation)) {
            Deliver(monitor, generation, PreparePicture(order));
        }
        if (Stopping()) {
            return;
        }
        WaitForSingleObject(wake, INFINITE);
    }
}

bool cPictureWorker::NextOrder(int32_t* monitor, PictureOrder* order, uint32_t* generation)
{
    cLock held(lock);
    for (int32_t i = 0; i < kMostMonitors && !stopping; ++i) {
        MonitorSlot& slot = slots[i];
        if (slot.ordered) {
            slot.ordered = false;
            *monitor = i;
            *order = slot.order;
            *generation = slot.generation;
            return true;
        }
    }
    return false;
}

// A picture of the monitor's latest order is kept and announced; one of an older order, or
// any once stopping, is dropped (on leaving, outside the lock).
void cPictureWorker::Deliver(int32_t monitor, uint32_t generation, TickPicture&& picture)
{
    cLock held(lock);
    MonitorSlot& slot = slots[monitor];
    if (stopping || slot.generation != generation) {
        return;
    }
    slot.picture = std::move(picture);
    slot.ready = true;
    PostMessageA(window, readyMessage, static_cast<WPARAM>(monitor), 0);
}

bool cPictureWorker::Stopping()
{
    cLock held(lock);
    return stopping;
}
