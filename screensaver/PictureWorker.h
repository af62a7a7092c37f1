// The slide show's pictures prepared on a thread of their own: a file opened, read and
// decoded to the bitmap a tick draws, so that the window's thread never waits for a file.
// All decoding of the process happens on this thread, the decoder's shared state included.
#pragma once

#include "GdiGuards.h"
#include "PictureSequence.h"
#include "decoder/PictureView.h"

#include <windows.h>

#include <cstdint>
#include <memory>

// The monitors a show draws on at most; past these, monitors are left out.
const int32_t kMostMonitors = 16;

// A picture ready to draw: its bitmap's `source` rectangle goes to `destination` in the
// window. Without a bitmap (no picture, or a file that failed) its area is black.
struct TickPicture {
    cBitmap bitmap;
    PixelRect source;
    RECT destination;
    SequencePick pick; // what it shows, and where a run resumes once it is shown
};

// What to prepare for a monitor, placed within `area` of the window as in a window of that
// size: its next picture of the sequence, in its turn among the show's `monitors`, or
// `again` the one it shows.
struct PictureOrder {
    RECT area;
    bool scaleToFit;
    bool again;
    int32_t monitors;
};

// One monitor's orders and results, as the worker keeps them.
struct MonitorSlot {
    PictureOrder order;
    bool ordered;        // an order waits for the thread
    uint32_t generation; // counts the orders: a result of an older one is dropped
    bool ready;          // `picture` is prepared and not taken yet
    TickPicture picture;
    SequencePick shown; // the pick of the picture taken last
};

class cPictureWorker {
public:
    // Starts the thread, which owns the sequence the pictures come from; it posts
    // `readyMessage` to `window`, with the monitor's number in wParam, as each monitor's
    // picture is ready. Not starting it is fatal, like running out of memory.
    cPictureWorker(HWND window, UINT readyMessage, std::unique_ptr<cPictureSequence> sequence);
    ~cPictureWorker();
    cPictureWorker(const cPictureWorker&) = delete;
    cPictureWorker& operator=(const cPictureWorker&) = delete;

    // Prepares the monitor's next picture; one prepared or begun for it before and not taken
    // is dropped, and comes again at the monitor's next order.
    void Order(int32_t monitor, const PictureOrder& order);
    // Hands over the monitor's prepared picture; false while none is ready.
    bool Take(int32_t monitor, TickPicture* picture);
    bool Ready(int32_t monitor);
    // Asks the thread to end and waits at most `milliseconds` for a read or decode under way;
    // true when it ended, and only then may the worker be deleted. Otherwise the thread is
    // left to end with the process, which ExitProcess does without waiting for the read.
    bool Stop(DWORD milliseconds);

private:
    static unsigned __stdcall Run(void* worker);
    void Work();
    bool NextOrder(int32_t* monitor, PictureOrder* order, uint32_t* generation, SequencePick* shown);
    TickPicture Fulfil(int32_t monitor, const PictureOrder& order, const SequencePick& shown);
    SequencePick Pick(int32_t monitor, int32_t monitors);
    void Deliver(int32_t monitor, uint32_t generation, TickPicture&& picture);
    bool Stopping();

    HWND window;
    UINT readyMessage;
    CRITICAL_SECTION lock; // guards `slots` and `stopping`
    HANDLE wake;           // auto-reset: set for every order and for the stop
    HANDLE thread;
    bool stopping;
    MonitorSlot slots[kMostMonitors];
    // The thread's own: the sequence, and each monitor's pick not taken yet (serial 0: none).
    std::unique_ptr<cPictureSequence> sequence;
    SequencePick upcoming[kMostMonitors];
    bool walkedAhead;
};
