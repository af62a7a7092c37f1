// Times the saver window's tick handler in this process: the window in the host's shape,
// showing the stored settings; each tick comes once the show's pictures are prepared and
// faded in (a show that does not answer the question gets its ticks at once). Prints the
// median and the longest tick in milliseconds; with fading on, then each fade's frames (the
// handling of each message of the fade's timer, as the message loop dispatches them) and
// the median and longest frame.
// Usage: time-tick-handler [TICKS]
#include "host/SaverClass.h"
#include "screensaver/SSaver.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

static const WPARAM kFadeTimerId = 2;

static HWND CreateShowWindow()
{
    HINSTANCE instance = GetModuleHandleA(nullptr);
    return RegisterSaverClass(instance) ? CreateSaverWindow(instance, nullptr) : nullptr;
}

static double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
}

// Dispatches the message; its handling time goes to `frames` when it is a fade's frame.
static void Dispatch(HWND window, const MSG& message, std::vector<double>* frames)
{
    bool frame = message.hwnd == window && message.message == WM_TIMER && message.wParam == kFadeTimerId;
    LARGE_INTEGER start, end;
    QueryPerformanceCounter(&start);
    DispatchMessageA(&message);
    QueryPerformanceCounter(&end);
    if (frame) {
        frames->push_back(Milliseconds(start, end));
    }
}

static void WaitForPrepared(HWND window, std::vector<double>* frames)
{
    while (SendMessageA(window, SHOW_PICTURES_WAITING, 0, 0) != 0) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            Dispatch(window, message, frames);
        }
        Sleep(1);
    }
}

static void PrintFades(const std::vector<std::vector<double>>& fades)
{
    std::vector<double> all;
    for (size_t i = 0; i < fades.size(); ++i) {
        printf("fade %u: %u frames, ms each:", static_cast<unsigned>(i + 1), static_cast<unsigned>(fades[i].size()));
        for (double frame : fades[i]) {
            printf(" %.2f", frame);
            all.push_back(frame);
        }
        printf("\n");
    }
    if (!all.empty()) {
        std::sort(all.begin(), all.end());
        printf("fade frames: median %.2f, longest %.2f ms\n", all[all.size() / 2], all.back());
    }
}

int main(int argc, char** argv)
{
    int ticks = argc > 1 ? atoi(argv[1]) : 10;
    HWND window = CreateShowWindow();
    if (window == nullptr || ticks <= 0) {
        fprintf(stderr, "no saver window\n");
        return 1;
    }
    std::vector<double> times;
    std::vector<std::vector<double>> fades(ticks + 1);
    for (int tick = 0; tick < ticks; ++tick) {
        WaitForPrepared(window, &fades[tick]);
        LARGE_INTEGER start, end;
        QueryPerformanceCounter(&start);
        SendMessageA(window, WM_TIMER, 1, 0);
        QueryPerformanceCounter(&end);
        times.push_back(Milliseconds(start, end));
    }
    WaitForPrepared(window, &fades[ticks]);
    DestroyWindow(window);
    std::sort(times.begin(), times.end());
    printf("%.2f %.2f\n", times[times.size() / 2], times.back());
    if (!fades[1].empty()) {
        PrintFades(fades);
    }
    return 0;
}
