// The built saver as the desktop runs it: command lines, exit codes, the full-screen
// and preview windows, and closing on real input.
#include "Harness.h"
#include "RegistryFixture.h"
#include "SaverProcess.h"
#include "host/SaverStartup.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class SaverHost : public RegistryTest {
protected:
    void SetUp() override
    {
        RegistryTest::SetUp();
        WriteSaverSettings(0, "100000", {}); // no tick during the test
    }
};

TEST_F(SaverHost, BadCommandLinesEndWithMinusOne)
{
    std::string unknownWindow = "99999";
    ASSERT_FALSE(IsWindow(reinterpret_cast<HWND>(static_cast<uintptr_t>(99999))));
    const std::string tails[] = {"/x", "/?", "/\ts", "/p", "/p 0", "/p:1234", "/p " + unknownWindow,
                                 "/l 42949672961", "/a 12"};
    for (const std::string& tail : tails) {
        SaverProcess saver(tail);
        EXPECT_EQ(saver.WaitForExit(), kExitMinusOne) << tail;
    }
}

TEST_F(SaverHost, FullScreenWindowIsTopmostPopupCoveringTheVirtualScreen)
{
    SaverProcess saver("/s");
    HWND window = saver.WaitForSaverWindow("Screen Saver");
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(window, GWL_STYLE)), 0x96000000u);
    EXPECT_TRUE(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST);
    RECT rect;
    GetWindowRect(window, &rect);
    EXPECT_EQ(rect.left, GetSystemMetrics(SM_XVIRTUALSCREEN));
    EXPECT_EQ(rect.top, GetSystemMetrics(SM_YVIRTUALSCREEN));
    EXPECT_EQ(rect.right - rect.left, GetSystemMetrics(SM_CXVIRTUALSCREEN));
    EXPECT_EQ(rect.bottom - rect.top, GetSystemMetrics(SM_CYVIRTUALSCREEN));
    EXPECT_EQ(GetClassLongA(window, GCL_STYLE), 0x2B);

    EXPECT_EQ(SendMessageA(window, WM_APP, 0, 0), 0) << "the verify request is the default's outside the 95 family";
    SetWindowTextA(window, "Changed");
    char title[64] = {};
    GetWindowTextA(window, title, sizeof title);
    EXPECT_STREQ(title, "Screen Saver");

    SaverProcess second("-S");
    EXPECT_EQ(second.WaitForExit(), 0u);
    EXPECT_TRUE(Settle(window)) << "the first saver stays";
}

TEST_F(SaverHost, KeyPressClosesTheFullScreenSaver)
{
    SaverProcess saver("/s");
    HWND window = saver.WaitForSaverWindow("Screen Saver");
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() == window; })) << "real keys go to the foreground";
    PressKey(VK_SPACE);
    EXPECT_EQ(saver.WaitForExit(), 0u);
}

const char* const kDesktopKey = "Control Panel\\Desktop";

// Moves the cursor `threshold` pixels in small steps, which keeps the saver, then one more.
void ExpectClosesOnlyPast(int threshold)
{
    SetCursorPos(500, 400);
    SaverProcess saver("/s");
    HWND window = saver.WaitForSaverWindow("Screen Saver");
    ASSERT_NE(window, nullptr);
    MoveCursor(window, 501, 400);
    MoveCursor(window, 500 + threshold / 2, 400 + threshold - threshold / 2);
    EXPECT_TRUE(Settle(window));
    EXPECT_EQ(saver.WaitForExit(0), STILL_ACTIVE) << threshold;
    MoveCursor(window, 501 + threshold / 2, 400 + threshold - threshold / 2);
    EXPECT_EQ(saver.WaitForExit(), 0u) << threshold;
}

TEST_F(SaverHost, MouseMovementClosesOnlyPastFourPixelsScaledByTheDpi)
{
    ExpectClosesOnlyPast(4);
    // The desktop's DPI for the programs started from here on (the test prefix has none of its own).
    const DWORD doubled = 192;
    RegSetKeyValueA(HKEY_CURRENT_USER, kDesktopKey, "LogPixels", REG_DWORD, &doubled, sizeof doubled);
    ExpectClosesOnlyPast(8);
    RegDeleteKeyValueA(HKEY_CURRENT_USER, kDesktopKey, "LogPixels");
}

TEST_F(SaverHost, ReleasesAndActivationKeepItButDeactivationClosesIt)
{
    SaverProcess saver("/s");
    HWND window = saver.WaitForSaverWindow("Screen Saver");
    ASSERT_NE(window, nullptr);
    PostMessageA(window, WM_KEYUP, VK_SPACE, 0);
    PostMessageA(window, WM_LBUTTONUP, 0, 0);
    SendMessageA(window, WM_ACTIVATEAPP, TRUE, 0);
    EXPECT_EQ(SendMessageA(window, WM_SYSCOMMAND, SC_SCREENSAVE, 0), 0);
    EXPECT_TRUE(Settle(window));
    EXPECT_EQ(saver.WaitForExit(0), STILL_ACTIVE);
    SendMessageA(window, WM_ACTIVATEAPP, FALSE, 0);
    EXPECT_EQ(saver.WaitForExit(), 0u);
}

TEST_F(SaverHost, ButtonPressesClose)
{
    for (UINT press : {WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN, WM_XBUTTONDOWN, WM_MOUSEWHEEL, WM_MOUSEHWHEEL,
                       WM_SYSKEYDOWN}) {
        SaverProcess saver("/s");
        HWND window = saver.WaitForSaverWindow("Screen Saver");
        ASSERT_NE(window, nullptr);
        PostMessageA(window, press, 0, 0);
        EXPECT_EQ(saver.WaitForExit(), 0u) << press;
    }
}

// A parent window for previews that records what is posted to it.
struct PreviewParent {
    static UINT lastMessage;
    static WPARAM lastWParam;
    static LPARAM lastLParam;

    static LRESULT CALLBACK Procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
    {
        if (message == WM_CONTEXTMENU || message == WM_HELP) {
            lastMessage = message;
            lastWParam = wParam;
            lastLParam = lParam;
            return 0;
        }
        return DefWindowProcA(window, message, wParam, lParam);
    }

    HWND window = nullptr;

    PreviewParent()
    {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = Procedure;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = "PreviewParentForTests";
        RegisterClassA(&windowClass);
        window = CreateWindowExA(0, "PreviewParentForTests", "Preview parent", WS_OVERLAPPEDWINDOW | WS_VISIBLE,
                                 50, 50, 330, 250, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    }
    ~PreviewParent()
    {
        if (IsWindow(window)) {
            DestroyWindow(window);
        }
    }
};
UINT PreviewParent::lastMessage = 0;
WPARAM PreviewParent::lastWParam = 0;
LPARAM PreviewParent::lastLParam = 0;

TEST_F(SaverHost, PreviewFillsItsParentForwardsHelpAndEndsWithIt)
{
    PreviewParent parent;
    ASSERT_NE(parent.window, nullptr);
    SaverProcess saver("/p " + std::to_string(reinterpret_cast<uintptr_t>(parent.window)));
    HWND preview = saver.WaitForSaverWindow("Preview");
    ASSERT_NE(preview, nullptr);
    EXPECT_EQ(GetParent(preview), parent.window);
    EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(preview, GWL_STYLE)), 0x52000000u);
    RECT parentClient, previewClient;
    GetClientRect(parent.window, &parentClient);
    GetClientRect(preview, &previewClient);
    EXPECT_EQ(previewClient.right, parentClient.right);
    EXPECT_EQ(previewClient.bottom, parentClient.bottom);

    EXPECT_EQ(SendMessageA(preview, WM_CONTEXTMENU, 0, MAKELPARAM(16, 20)), 1);
    EXPECT_TRUE(WaitUntil([] { return PreviewParent::lastMessage == WM_CONTEXTMENU; }));
    EXPECT_EQ(PreviewParent::lastWParam, reinterpret_cast<WPARAM>(parent.window));
    EXPECT_EQ(PreviewParent::lastLParam, MAKELPARAM(16, 20));

    PostMessageA(preview, WM_KEYDOWN, VK_SPACE, 0);
    EXPECT_EQ(SendMessageA(preview, WM_SYSCOMMAND, SC_SCREENSAVE, 0), 0);
    EXPECT_TRUE(Settle(preview));
    EXPECT_EQ(saver.WaitForExit(0), STILL_ACTIVE) << "a preview ignores input";

    DestroyWindow(parent.window);
    EXPECT_EQ(saver.WaitForExit(), 0u);
}

TEST_F(SaverHost, ExportsItsProceduresByPlainName)
{
    HMODULE program = LoadLibraryExA(SaverProgramPath().c_str(), nullptr, DONT_RESOLVE_DLL_REFERENCES);
    ASSERT_NE(program, nullptr);
    EXPECT_NE(GetProcAddress(program, "ScreenSaverProc"), nullptr);
    EXPECT_NE(GetProcAddress(program, "ScreenSaverConfigureDialog"), nullptr);
    FreeLibrary(program);
}

TEST_F(SaverHost, HugeNumFilesShowsTheWindowWithinASecond)
{
    WriteSaverSettings(0, "100000", {"C:\\p\\0.bmp", "C:\\p\\1.bmp", "C:\\p\\2.bmp"});
    StoreDword("NumFiles", 0xFFFFFFFF);
    SaverProcess saver("/s");
    EXPECT_NE(saver.WaitForSaverWindow("Screen Saver", 1000), nullptr);
}

std::wstring Setting(HANDLE manifest, const wchar_t* space, const wchar_t* name)
{
    wchar_t value[64] = {};
    QueryActCtxSettingsW(0, manifest, space, name, value, 64, nullptr);
    return value;
}

// The manifest as the system reads it when it starts the saver, then the running saver.
TEST_F(SaverHost, ManifestRunsTheSaverAsInvokerAndDpiAware)
{
    std::string program = SaverProgramPath();
    ACTCTXA request = {};
    request.cbSize = sizeof request;
    request.dwFlags = ACTCTX_FLAG_RESOURCE_NAME_VALID;
    request.lpSource = program.c_str();
    request.lpResourceName = MAKEINTRESOURCEA(1);
    HANDLE manifest = CreateActCtxA(&request);
    ASSERT_NE(manifest, INVALID_HANDLE_VALUE);
    ACTIVATION_CONTEXT_RUN_LEVEL_INFORMATION level = {};
    QueryActCtxW(0, manifest, nullptr, RunlevelInformationInActivationContext, &level, sizeof level, nullptr);
    EXPECT_EQ(level.RunLevel, ACTCTX_RUN_LEVEL_AS_INVOKER);
    EXPECT_EQ(Setting(manifest, L"http://schemas.microsoft.com/SMI/2016/WindowsSettings", L"dpiAwareness"),
              L"PerMonitorV2");
    EXPECT_EQ(Setting(manifest, L"http://schemas.microsoft.com/SMI/2005/WindowsSettings", L"dpiAware"), L"true");
    EXPECT_EQ(Setting(manifest, L"http://schemas.microsoft.com/SMI/2019/WindowsSettings", L"activeCodePage"), L"UTF-8");
    ReleaseActCtx(manifest);

    SaverProcess saver("/s");
    HWND window = saver.WaitForSaverWindow("Screen Saver");
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(GetAwarenessFromDpiAwarenessContext(GetWindowDpiAwarenessContext(window)),
              DPI_AWARENESS_PER_MONITOR_AWARE);
}

CHILD_SCENARIO(FaultUnderGuard)
{
    InstallExceptionGuard();
    *static_cast<volatile int*>(nullptr) = 1;
    return 0;
}

// With a debugger that cannot start, the system's verdict on an unhandled fault is to
// handle it: the guard then ends the process with -1 instead of the fault's code.
TEST(ExceptionGuard, AnUnhandledFaultEndsTheProcessThroughTheGuard)
{
    const char* const aeDebug = "Software\\Microsoft\\Windows NT\\CurrentVersion\\AeDebug";
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, aeDebug, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    char debugger[512] = {};
    DWORD size = sizeof debugger;
    bool hadDebugger = RegQueryValueExA(key, "Debugger", nullptr, nullptr, reinterpret_cast<BYTE*>(debugger),
                                        &size) == ERROR_SUCCESS;
    const char missing[] = "no-such-debugger.exe %ld %ld";
    RegSetValueExA(key, "Debugger", 0, REG_SZ, reinterpret_cast<const BYTE*>(missing), sizeof missing);

    ChildProcess child("FaultUnderGuard");
    EXPECT_EQ(child.WaitForExit(), kExitMinusOne) << "not the fault's own code";

    if (hadDebugger) {
        RegSetValueExA(key, "Debugger", 0, REG_SZ, reinterpret_cast<BYTE*>(debugger), size);
    } else {
        RegDeleteValueA(key, "Debugger");
    }
    RegCloseKey(key);
}

} // namespace
