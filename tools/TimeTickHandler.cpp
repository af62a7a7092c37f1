// Times the saver window's tick handler in this process: the window in the host's shape,
// showing the stored settings; each tick comes once the show's pictures are prepared (a
// show that does not answer the question gets its ticks at once). Prints the median and
// the longest tick in milliseconds.
// Usage: time-tick-handler [TICKS]
#include "host/SaverClass.h"
#include "screensaver/SSaver.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

static HWND CreateShowWindow()
{
    HINSTANCE instance = GetModuleHandleA(nullptr);
    return RegisterSaverClass(instance) ? CreateSaverWindow(instance, nullptr) : nullptr;
}

static void WaitForPrepared(HWND window)
{
    while (SendMessageA(window, SHOW_PICTURES_WAITING, 0, 0) != 0) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            DispatchMessageA(&message);
        }
        Sleep(1);
    }
}

static double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    return 1000.0 * static_cast<double>(to.QuadPart - from.QuadPart) / static_cast<double>(frequency.QuadPart);
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
    for (int tick = 0; tick < ticks; ++tick) {
        WaitForPrepared(window);
        LARGE_INTEGER start, end;
        QueryPerformanceCounter(&start);
        SendMessageA(window, WM_TIMER, 1, 0);
        QueryPerformanceCounter(&end);
        times.push_back(Milliseconds(start, end));
    }
    DestroyWindow(window);
    std::sort(times.begin(), times.end());
    printf("%.2f %.2f\n", times[times.size() / 2], times.back());
    return 0;
}
