#include "PictureWorker.h"

#include "../host/EntryLookup.h"
#include "../shared/cgen.h"
#include "SlideShowLogic.h"
#include "SystemFolders.h"
#include "decoder/SystemPictureExtensions.h"
#include "decoder/cImageDecoder.h"

#include <objbase.h>
#include <process.h>

#include <utility>

static const char* const kSourceName = "PictureWorker";
// A picture found in a folder that cannot be shown gives way to the next, this many in all
// for one order: a folder of damaged files ends in a black picture, not in a spin.
static const int kMostTries = 8;
// Before its first pick, random order walks the library this long at most: a library walked
// by then begins its rounds at once, a larger one picks by random descent meanwhile.
static const DWORD kWalkAhead = 300;

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

// The picture at `path` decoded for its place in the window, as the screen's device draws it.
static TickPicture PreparePicture(const PictureOrder& order, const std::string& path)
{
    if (path.empty()) {
        return TickPicture();
    }
    cImageDecoder decoder(OpenPictureFile(path));
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
    return {cBitmap(shown.bitmap), shown.source, destination, SequencePick()};
}

static TickPicture PreparePick(const PictureOrder& order, const SequencePick& pick)
{
    TickPicture picture = PreparePicture(order, pick.path);
    picture.pick = pick;
    return picture;
}

cPictureWorker::cPictureWorker(HWND window_, UINT readyMessage_, std::unique_ptr<cPictureSequence> sequence_)
    : window(window_), readyMessage(readyMessage_), lock(), wake(CreateEventA(nullptr, FALSE, FALSE, nullptr)),
      thread(nullptr), stopping(false), slots(), sequence(std::move(sequence_)), upcoming(), walkedAhead(false)
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
    slot.shown = picture->pick;
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

// COM is initialised for the thread: the decoder reaches the system's imaging component
// through it.
unsigned __stdcall cPictureWorker::Run(void* worker)
{
    HRESULT com = CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    static_cast<cPictureWorker*>(worker)->Work();
    if (SUCCEEDED(com)) {
        CoUninitialize();
    }
    return 0;
}

// Folder entries show the pictures of the system's imaging component too; asking it which
// those are loads it, which the window's thread does not wait for. Orders are taken up
// monitor by monitor, the first monitors first, so that the monitors take their turns from
// the sequence in show order. Between orders the library is walked.
void cPictureWorker::Work()
{
    AddSystemPictureExtensions(sequence->Extensions());
    int32_t monitor = 0;
    PictureOrder order = {};
    uint32_t generation = 0;
    SequencePick shown;
    for (;;) {
        while (NextOrder(&monitor, &order, &generation, &shown)) {
            Deliver(monitor, generation, Fulfil(monitor, order, shown));
        }
        if (Stopping()) {
            return;
        }
        if (!sequence->WalkStep()) {
            WaitForSingleObject(wake, INFINITE);
        }
    }
}

// The picture the order asks for: `again` the one the monitor shows; otherwise its pick not
// taken yet, or the sequence's next. A picture found in a folder that cannot be shown gives
// way to the next one.
TickPicture cPictureWorker::Fulfil(int32_t monitor, const PictureOrder& order, const SequencePick& shown)
{
    if (order.again && shown.serial != 0) {
        return PreparePick(order, shown);
    }
    SequencePick& next = upcoming[monitor];
    if (next.serial == 0 || next.serial == shown.serial) {
        next = Pick(monitor, order.monitors);
    }
    for (int tries = 1;; ++tries) {
        TickPicture picture = PreparePick(order, next);
        if (picture.bitmap.Get() != nullptr || !next.inFolder || tries == kMostTries || Stopping()) {
            return picture;
        }
        next = sequence->Next();
    }
}

SequencePick cPictureWorker::Pick(int32_t monitor, int32_t monitors)
{
    DWORD start = GetTickCount();
    while (!walkedAhead && GetTickCount() - start < kWalkAhead && !Stopping() && sequence->WalkStep()) {
    }
    walkedAhead = true;
    return sequence->NextFor(static_cast<uint32_t>(monitor), static_cast<uint32_t>(monitors));
}

bool cPictureWorker::NextOrder(int32_t* monitor, PictureOrder* order, uint32_t* generation, SequencePick* shown)
{
    cLock held(lock);
    for (int32_t i = 0; i < kMostMonitors && !stopping; ++i) {
        MonitorSlot& slot = slots[i];
        if (slot.ordered) {
            slot.ordered = false;
            *monitor = i;
            *order = slot.order;
            *generation = slot.generation;
            *shown = slot.shown;
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
