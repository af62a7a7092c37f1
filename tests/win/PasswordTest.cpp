// The Windows 95 family path: the saver asks the password verifier before it closes.
// Wine reports that family to one program name, so the saver runs as a copy under
// that name with the test verifier beside it.
#include "RegistryFixture.h"
#include "SaverProcess.h"
#include "host/PasswordLock.h"
#include "host/SaverHost.h"
#include "shared/cgen.h"
#include "tests/common/TestFiles.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>

namespace {

const char* const kTestKey = "Software\\VelmarinTest";
// Set by the test verifier after each call (see PasswordVerifier.cpp).
const char* const kVerifiedEvent = "VelmarinTestVerifierCalled";
// Closes within this time of a refusal are not asked about.
const DWORD kVerifySpacing = 200;

void SetDword(HKEY root, const char* path, const char* name, DWORD value)
{
    HKEY key;
    RegCreateKeyExA(root, path, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
    RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<BYTE*>(&value), sizeof value);
    RegCloseKey(key);
}

DWORD GetDword(const char* name)
{
    DWORD value = 0, size = sizeof value;
    RegGetValueA(HKEY_CURRENT_USER, kTestKey, name, RRF_RT_REG_DWORD, nullptr, &value, &size);
    return value;
}

// The system's "screen saver running" state, as this process sees it.
bool SaverRunningHere()
{
    BOOL running = FALSE;
    return SystemParametersInfoA(SPI_GETSCREENSAVERRUNNING, 0, &running, 0) && running;
}

CHILD_SCENARIO(ReadSaverRunning)
{
    Observe("running", SaverRunningHere());
    return 0;
}

// The state as a program started now reads it: Wine keeps what a process read first.
bool SystemSaverRunning()
{
    ChildProcess reader("ReadSaverRunning");
    reader.WaitForExit();
    return reader.Observed()["running"] == "1";
}

// A full-screen run of the Windows 95 family with a password wanted turns the state on
// (the verifier beside this program); then the process ends the way the argument names.
CHILD_SCENARIO(PasswordLockThenEnd)
{
    SetHostFlags(0, 1);
    LoadPasswordVerifier();
    Observe("runningBefore", SaverRunningHere());
    const std::string& end = arguments.at(0);
    if (end == "FatalError") {
        FatalError("shared", 74, "Registry problem");
    } else if (end == "OutOfMemory") {
        RMalloc(__FILE__, __LINE__, SIZE_MAX / 2);
    }
    return 0;
}

class Windows95Family : public RegistryTest {
protected:
    void SetUp() override
    {
        RegistryTest::SetUp();
        folder = TempPath("w95");
        std::filesystem::create_directories(folder);
        program = folder + "\\velmarin-w95.scr";
        std::filesystem::copy_file(SaverProgramPath(), program);
        HKEY key;
        RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults\\velmarin-w95.scr", 0, nullptr, 0,
                        KEY_ALL_ACCESS, nullptr, &key, nullptr);
        RegSetValueExA(key, "Version", 0, REG_SZ, reinterpret_cast<const BYTE*>("win98"), 6);
        RegCloseKey(key);
        RegDeleteTreeA(HKEY_CURRENT_USER, kTestKey);
        WriteSaverSettings(0, "1000000", {});
        verified = CreateEventA(nullptr, FALSE, FALSE, kVerifiedEvent);
    }
    void TearDown() override
    {
        RegDeleteTreeA(HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults\\velmarin-w95.scr");
        RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Wine\\AppDefaults\\velmarin-w95.scr");
        SetDword(HKEY_CURRENT_USER, "Control Panel\\Desktop", "ScreenSaveUsePassword", 0);
        RegDeleteTreeA(HKEY_CURRENT_USER, kTestKey);
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
        CloseHandle(verified);
        RegistryTest::TearDown();
    }
    void InstallVerifier()
    {
        std::filesystem::copy_file(PASSWORD_CPL_PATH, folder + "\\PASSWORD.CPL");
    }
    // Waits for the next call of the verifier; then until the spacing after it has passed.
    bool WaitForVerification()
    {
        return WaitForSingleObject(verified, kTimeout) == WAIT_OBJECT_0;
    }
    void WaitPastTheSpacing()
    {
        DWORD verifiedAt = GetTickCount();
        WaitUntil([&] { return GetTickCount() - verifiedAt > 2 * kVerifySpacing; });
    }
    std::string folder;
    std::string program;
    HANDLE verified = nullptr;
};

// Holds the thread of a window while messages queue up for it.
class HeldThread {
public:
    explicit HeldThread(HWND window)
        : thread(OpenThread(THREAD_SUSPEND_RESUME, FALSE, GetWindowThreadProcessId(window, nullptr)))
    {
        SuspendThread(thread);
    }
    ~HeldThread()
    {
        ResumeThread(thread);
        CloseHandle(thread);
    }
    HeldThread(const HeldThread&) = delete;
    HeldThread& operator=(const HeldThread&) = delete;

private:
    HANDLE thread;
};

TEST_F(Windows95Family, PasswordChangeModeIsAvailable)
{
    SaverProcess change("/a", program);
    EXPECT_EQ(change.WaitForExit(), 0u);
}

TEST_F(Windows95Family, WithoutPasswordTheFirstCloseCloses)
{
    InstallVerifier(); // present but not wanted
    SaverProcess saver("/s", program);
    HWND window = saver.WaitForSaverWindow("Screen Saver");
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(SendMessageA(window, WM_APP, 0, 0), 1) << "no verifier answers yes";
    PostMessageA(window, WM_KEYDOWN, VK_SPACE, 0);
    EXPECT_EQ(saver.WaitForExit(), 0u);
    EXPECT_EQ(GetDword("Calls"), 0u);
}

TEST_F(Windows95Family, RefusedPasswordKeepsTheSaverAndSpacesTheQuestions)
{
    InstallVerifier();
    SetDword(HKEY_CURRENT_USER, "Control Panel\\Desktop", "ScreenSaveUsePassword", 1);
    SetDword(HKEY_CURRENT_USER, kTestKey, "Answer", 0);
    SaverProcess saver("/s", program);
    HWND window = saver.WaitForSaverWindow("Screen Saver");
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(SystemSaverRunning()) << "the system knows a saver with a password runs";

    // The close request and three timer messages queue up while the saver is held: the
    // verifier finds one of the three left; the second close comes within the spacing after
    // the refusal and is not asked about.
    {
        HeldThread held(window);
        PostMessageA(window, WM_CLOSE, 0, 0);
        for (int i = 0; i < 3; ++i) {
            PostMessageA(window, WM_TIMER, 1, 0);
        }
        PostMessageA(window, WM_CLOSE, 0, 0);
    }
    ASSERT_TRUE(WaitForVerification());
    EXPECT_TRUE(Settle(window));
    EXPECT_EQ(GetDword("Calls"), 1u);
    EXPECT_EQ(GetDword("TimersPending"), 1u);

    WaitPastTheSpacing();
    PostMessageA(window, WM_KEYDOWN, VK_SPACE, 0);
    ASSERT_TRUE(WaitForVerification());
    EXPECT_TRUE(Settle(window)) << "a refused password keeps the saver";
    EXPECT_EQ(GetDword("Calls"), 2u);

    SetDword(HKEY_CURRENT_USER, kTestKey, "Answer", 1);
    WaitPastTheSpacing();
    PostMessageA(window, WM_LBUTTONDOWN, 0, 0);
    EXPECT_EQ(saver.WaitForExit(), 0u);
    EXPECT_EQ(GetDword("Calls"), 3u);
    EXPECT_FALSE(SystemSaverRunning());
}

TEST_F(Windows95Family, EveryEndOfTheProcessTurnsTheRunningStateOff)
{
    SetDword(HKEY_CURRENT_USER, "Control Panel\\Desktop", "ScreenSaveUsePassword", 1);
    const struct {
        const char* end;
        bool box;
        DWORD exitCode;
    } ends[] = {{"FatalError", true, kExitMinusOne}, {"OutOfMemory", false, kExitMinusOne}, {"return", false, 0}};
    for (const auto& end : ends) {
        ChildProcess child("PasswordLockThenEnd", {end.end});
        if (end.box) {
            HWND box = child.WaitForWindow("#32770", "Fatal Error");
            ASSERT_NE(box, nullptr) << end.end;
            PostMessageA(box, WM_COMMAND, IDOK, 0);
        }
        EXPECT_EQ(child.WaitForExit(), end.exitCode) << end.end;
        EXPECT_EQ(child.Observed()["runningBefore"], "1") << end.end;
        EXPECT_FALSE(SystemSaverRunning()) << end.end;
    }
}

} // namespace
