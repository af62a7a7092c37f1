// A stand-in for the system's password verifier (built as PASSWORD.CPL). Its answer comes
// from HKCU\Software\VelmarinTest "Answer"; each call is counted in "Calls", and the
// timer messages still queued for the saver window are counted in "TimersPending"; then the
// event "VelmarinTestVerifierCalled" is set, when the test made it.
#include <windows.h>

static const char* const kTestKey = "Software\\VelmarinTest";

static DWORD CountPendingTimers(HWND window)
{
    DWORD count = 0;
    MSG message;
    // Take them out to count them, then put them back in order.
    UINT_PTR ids[16];
    while (count < 16 && PeekMessageA(&message, window, WM_TIMER, WM_TIMER, PM_REMOVE)) {
        ids[count++] = message.wParam;
    }
    for (DWORD i = 0; i < count; ++i) {
        PostMessageA(window, WM_TIMER, ids[i], 0);
    }
    return count;
}

extern "C" __declspec(dllexport) BOOL WINAPI VerifyScreenSavePwd(HWND window)
{
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kTestKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
        ERROR_SUCCESS) {
        return TRUE;
    }
    DWORD answer = 0, calls = 0, size = sizeof(DWORD);
    RegQueryValueExA(key, "Answer", nullptr, nullptr, reinterpret_cast<BYTE*>(&answer), &size);
    size = sizeof(DWORD);
    RegQueryValueExA(key, "Calls", nullptr, nullptr, reinterpret_cast<BYTE*>(&calls), &size);
    ++calls;
    DWORD pending = CountPendingTimers(window);
    RegSetValueExA(key, "Calls", 0, REG_DWORD, reinterpret_cast<BYTE*>(&calls), sizeof calls);
    RegSetValueExA(key, "TimersPending", 0, REG_DWORD, reinterpret_cast<BYTE*>(&pending), sizeof pending);
    RegCloseKey(key);
    HANDLE called = OpenEventA(EVENT_MODIFY_STATE, FALSE, "VelmarinTestVerifierCalled");
    if (called != nullptr) {
        SetEvent(called);
        CloseHandle(called);
    }
    return answer != 0;
}
