#include "PictureWorker.h"

#include "../shared/cgen.h"
#include "SlideShowLogic.h"
#include "decoder/cImageDecoder.h"

#include <process.h>

#include <utility>

static const char* const kSourceName = "PictureWorker";

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

bool cPictureWorker::Stop(DWORD milliseconds)
{
    {
        cLock held(lock);
        stopping = true;
    }
    SetEvent(wake);
    return WaitForSingleObject(thread, milliseconds) == WAIT_OBJECT_0;
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
