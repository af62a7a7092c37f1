// The saver on pictures whose reads the test holds: a folder mirrored by
// tests/slowfiles/slow_folder.py (scripts/test.sh mounts it) holds each read of a
// *.slow.* file while its .hold file exists. A slow file freezes neither the show nor closing.
#include "RegistryFixture.h"
#include "SaverProcess.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <memory>
#include <string>

namespace {

const uint32_t kColourA = 0xFF0000, kColourS = 0x00FF00, kColourB = 0x0000FF;
// A tick only draws what is ready: it never waits for a file.
const DWORD kTickLimit = 1000;

// A Unix folder named by the environment, as Wine sees it.
std::string WineFolder(const char* variable)
{
    const char* unixPath = getenv(variable);
    if (unixPath == nullptr || *unixPath == '\0') {
        return "";
    }
    std::string path = std::string("Z:") + unixPath;
    for (char& c : path) {
        c = c == '/' ? '\\' : c;
    }
    return path + "\\";
}

bool Exists(const std::string& path)
{
    return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// False when the saver window did not handle the tick within kTickLimit.
bool Tick(HWND window)
{
    DWORD_PTR ignored = 0;
    return SendMessageTimeoutA(window, WM_TIMER, 1, 0, SMTO_NORMAL, kTickLimit, &ignored) != 0;
}

uint32_t CentreColour()
{
    RECT screen = PrimaryArea();
    LONG x = screen.right / 2, y = screen.bottom / 2;
    return CaptureScreen({x, y, x + 1, y + 1}).pixels[0];
}

bool Shows(uint32_t colour)
{
    return WaitUntil([colour] { return CentreColour() == colour; }, 5000);
}

// Pictures A, S (slow) and B in the source folder, the image list naming them through the
// mount point; S's reads are held until Release.
class SlowFiles : public RegistryTest {
protected:
    void SetUp() override
    {
        RegistryTest::SetUp();
        source = WineFolder("VELMARIN_SLOW_SOURCE");
        mounted = WineFolder("VELMARIN_SLOW_FOLDER");
        ASSERT_FALSE(source.empty() || mounted.empty())
            << "VELMARIN_SLOW_SOURCE and VELMARIN_SLOW_FOLDER name the source folder and its mount point";
        // Short names: the image list keeps paths of up to 119 bytes.
        std::string stem = "vl-" + std::to_string(GetCurrentProcessId());
        slow = stem + "-s.slow.bmp";
        hold = source + slow + ".hold";
        Hold();
        ASSERT_TRUE(Exists(hold)) << hold;
        WriteSaverSettings(0, "1000000", {WritePicture(stem + "-a.bmp", kColourA), WritePicture(slow, kColourS),
                                          WritePicture(stem + "-b.bmp", kColourB)});
    }
    void TearDown() override
    {
        Release();
        saver.reset();
        RegistryTest::TearDown();
    }

    // Writes a solid square picture into the source folder; its path through the mount point.
    std::string WritePicture(const std::string& name, uint32_t colour, int32_t side = 64)
    {
        Picture solid{side, side, std::vector<uint32_t>(static_cast<size_t>(side) * side, colour)};
        std::vector<uint8_t> bytes = WriteBmp(MakeBmp(solid, 24, false));
        std::ofstream(source + name, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        return mounted + name;
    }

    // Starts the saver, which shows A at once, and ticks until the read of S is held.
    HWND StartAndHoldS()
    {
        saver.reset(new SaverProcess("/s"));
        HWND window = saver->WaitForSaverWindow("Screen Saver");
        if (window == nullptr) {
            ADD_FAILURE() << "no saver window";
            return nullptr;
        }
        EXPECT_TRUE(Shows(kColourA)) << "A was not shown";
        EXPECT_TRUE(Tick(window)) << "the tick did not return within a second: it waits for S's read";
        EXPECT_TRUE(WaitUntil([&] { return Exists(source + slow + ".reading"); }, 5000)) << "no read of S started";
        return window;
    }

    void Release() { DeleteFileA(hold.c_str()); }
    void Hold() { std::ofstream(hold).close(); }

    std::string source, mounted, slow, hold;
    std::unique_ptr<SaverProcess> saver;
};

TEST_F(SlowFiles, HeldReadKeepsTheShownPictureAndAKeyStillClosesAtOnce)
{
    HWND window = StartAndHoldS();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(PicturesWaiting(window, kTickLimit), 1) << "S is not ready: one monitor waits";
    EXPECT_TRUE(Tick(window)) << "a tick while S is held did not return within a second";
    EXPECT_FALSE(WaitUntil([] { return CentreColour() != kColourA; }, 300)) << "A did not stay on the screen";
    ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() == window; })) << "real keys go to the foreground";
    PressKey(VK_SPACE);
    EXPECT_EQ(saver->WaitForExit(1000), 0u) << "the saver did not close within a second of the key";
    EXPECT_TRUE(Exists(source + slow + ".reading")) << "the read of S was no longer held";
}

TEST_F(SlowFiles, ReleasedPictureShowsAtOnceAndTheNextTickShowsTheNext)
{
    HWND window = StartAndHoldS();
    ASSERT_NE(window, nullptr);
    Release();
    EXPECT_TRUE(Shows(kColourS)) << "S was not drawn once read";
    EXPECT_TRUE(WaitForPictures(window)) << "B was not prepared";
    EXPECT_TRUE(Tick(window)) << "the tick did not return within a second";
    EXPECT_TRUE(Shows(kColourB)) << "the tick after S did not show B";
}

TEST_F(SlowFiles, AKeyWhileTheWorkerGoesFromOneHeldReadToTheNextStillClosesWithinTheBound)
{
    WritePicture(slow, kColourS, 1500); // read in many parts
    HWND window = StartAndHoldS();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(WaitUntil([&] { return GetForegroundWindow() == window; })) << "real keys go to the foreground";
    PressKey(VK_SPACE);
    // The held read returns while the saver stops, and the next read of S is held again.
    const std::string pass = source + slow + ".pass";
    std::ofstream(pass).close();
    EXPECT_TRUE(WaitUntil([&] { return !Exists(pass); }, 1000)) << "the read was not let go";
    EXPECT_EQ(saver->WaitForExit(1000), 0u) << "the saver did not end within a second of the key";
    EXPECT_TRUE(Exists(source + slow + ".reading")) << "no later read of S was held";
}

} // namespace
