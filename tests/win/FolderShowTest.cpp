// Folder entries of the built saver on a real folder tree, where a run goes on after a close,
// and OK in the image list dialog starting the show afresh.
#include "DialogDriver.h"
#include "RegistryFixture.h"
#include "SaverProcess.h"
#include "resources/resource.h"
#include "screensaver/ImagesDialog.h"
#include "screensaver/WideText.h"
#include "tests/common/TestFiles.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

namespace {

const uint32_t kRed = 0xFF0000, kGreen = 0x00FF00, kBlue = 0x0000FF, kWhite = 0xFFFFFF, kBlack = 0;

std::vector<uint8_t> SolidBmp(uint32_t colour)
{
    return WriteBmp(MakeBmp(Picture{48, 48, std::vector<uint32_t>(48 * 48, colour)}, 24, false));
}

std::wstring LongForm(const std::string& path)
{
    return L"\\\\?\\" + Utf16(path);
}

// Writes the file at `path` (ASCII, any length), making the folders on the way.
void WriteTreeFile(const std::string& path, const std::vector<uint8_t>& bytes)
{
    for (size_t cut = path.find('\\', 3); cut != std::string::npos; cut = path.find('\\', cut + 1)) {
        CreateDirectoryW(LongForm(path.substr(0, cut)).c_str(), nullptr);
    }
    HANDLE file = CreateFileW(LongForm(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE) << path;
    DWORD written = 0;
    WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
}

class FolderShow : public RegistryTest {
protected:
    HWND Start(DWORD flags, const std::vector<std::string>& entries)
    {
        WriteSaverSettings(flags, "1000000", entries);
        return Restart();
    }
    // Starts the saver again on the settings as they are.
    HWND Restart()
    {
        saver.reset(new SaverProcess("/s"));
        return saver->WaitForSaverWindow("Screen Saver");
    }
    void Close(HWND window)
    {
        PostMessageA(window, WM_CLOSE, 0, 0);
        EXPECT_EQ(saver->WaitForExit(), 0u);
        saver.reset();
    }
    void TearDown() override
    {
        saver.reset();
        RegistryTest::TearDown();
    }
    std::unique_ptr<SaverProcess> saver;
};

// The centre of the screen once the show has drawn there (two equal captures in a row).
uint32_t SettledCentre(HWND window)
{
    EXPECT_TRUE(WaitForPictures(window));
    RECT screen = PrimaryArea();
    LONG x = screen.right / 2, y = screen.bottom / 2;
    uint32_t previous = CaptureScreen({x, y, x + 1, y + 1}).At(0, 0);
    for (int attempt = 0; attempt < 20; ++attempt) {
        Sleep(50);
        uint32_t current = CaptureScreen({x, y, x + 1, y + 1}).At(0, 0);
        if (current == previous) {
            return current;
        }
        previous = current;
    }
    return previous;
}

// The first `count` pictures of a run: the first comes without a tick, then one a tick.
std::vector<uint32_t> Shown(HWND window, int count)
{
    std::vector<uint32_t> shown = {SettledCentre(window)};
    while (static_cast<int>(shown.size()) < count) {
        SendMessageA(window, WM_TIMER, 1, 0);
        shown.push_back(SettledCentre(window));
    }
    return shown;
}

TEST_F(FolderShow, AFolderShowsItsPicturesInOrderAndSkipsADamagedOneWithoutABlackTick)
{
    const std::string root = TempPath("folder");
    const std::string deep = root + "\\Sub\\" + std::string(150, 'd') + "\\" + std::string(120, 'e');
    const std::vector<uint8_t> damaged = {'B', 'M', 'n', 'o', 't', ' ', 'a', ' ', 'b', 'm', 'p'};
    WriteTreeFile(root + "\\1.bmp", damaged);
    WriteTreeFile(root + "\\2.bmp", SolidBmp(kRed));
    WriteTreeFile(root + "\\10.BMP", SolidBmp(kGreen));
    WriteTreeFile(root + "\\hidden.bmp", SolidBmp(kWhite));
    WriteTreeFile(root + "\\green.txt", SolidBmp(kWhite));
    WriteTreeFile(root + "\\Sub\\a.bmp", SolidBmp(kBlue));
    WriteTreeFile(deep + "\\white.bmp", SolidBmp(kWhite));
    ASSERT_TRUE(SetFileAttributesW(LongForm(root + "\\hidden.bmp").c_str(), FILE_ATTRIBUTE_HIDDEN));
    const std::string damagedEntry = WriteTempFile("damaged.bmp", damaged);

    HWND window = Start(0, {root, damagedEntry});
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(Shown(window, 6), (std::vector<uint32_t>{kRed, kGreen, kBlue, kWhite, kBlack, kRed}))
        << "names in the shell's order, the subfolder after them, a path past MAX_PATH; the damaged file entry black";
}

// The walk also takes the extensions the system's imaging component declares (".ico" for
// Wine's ICO decoder); what a file holds is still told by its content.
TEST_F(FolderShow, AFolderShowsFilesOfTheExtensionsTheImagingComponentDeclares)
{
    const std::string root = TempPath("component-folder");
    WriteTreeFile(root + "\\a.ico", SolidBmp(kRed));
    WriteTreeFile(root + "\\b.bmp", SolidBmp(kGreen));
    HWND window = Start(0, {root});
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(Shown(window, 3), (std::vector<uint32_t>{kRed, kGreen, kRed}));
}

TEST_F(FolderShow, ARunGoesOnWhereTheLastStoppedInBothOrders)
{
    const std::string root = TempPath("resume") + Utf8(kScriptsInAFolderName);
    const uint32_t colours[] = {kRed, kGreen, kBlue};
    for (int i = 0; i < 3; ++i) {
        WriteTreeFile(root + "\\" + std::to_string(i) + ".bmp", SolidBmp(colours[i]));
    }
    for (DWORD flags : {0u, 1u}) {
        SCOPED_TRACE(flags == 0 ? "list order" : "random order");
        HWND window = Start(flags, {root});
        ASSERT_NE(window, nullptr);
        std::vector<uint32_t> shown = Shown(window, 2);
        Close(window);
        window = Restart();
        ASSERT_NE(window, nullptr);
        shown.push_back(SettledCentre(window));
        Close(window);
        if (flags == 0) {
            EXPECT_EQ(shown, (std::vector<uint32_t>{kRed, kGreen, kBlue}));
            EXPECT_EQ(StoredWideText("ResumePath"), Utf16(root + "\\2.bmp"));
            ExpectStoredDword("ResumeEntry", 0);
        } else {
            EXPECT_EQ(std::set<uint32_t>(shown.begin(), shown.end()).size(), 3u) << "the rest of the round";
            ExpectStoredDword("ResumeRoundShown", 3);
            ExpectStoredDword("ResumeCount", 3);
        }
    }
}

TEST_F(FolderShow, OkInTheImageListStartsTheShowAfreshAndCancelDoesNot)
{
    const char* const resumeValues[] = {"ResumeEntry", "ResumePath", "ResumeRound",
                                        "ResumeRoundShown", "ResumeCount", "ResumeHash"};
    for (int button : {IDCANCEL, IDOK}) {
        StoreImageList({"C:\\p\\0.bmp"});
        for (const char* name : resumeValues) {
            StoreDword(name, 1);
        }
        StoreText("ResumePath", "C:\\p\\0.bmp");
        OpenKeys();
        {
            ModelessDialog dialog(DLG_IMAGES, ImagesDialogProc);
            dialog.Click(button);
        }
        CloseKeys();
        for (const char* name : resumeValues) {
            EXPECT_EQ(QueryValue(HKEY_CURRENT_USER, name).present, button == IDCANCEL) << name;
        }
    }
}

} // namespace
