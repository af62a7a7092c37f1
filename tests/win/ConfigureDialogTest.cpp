// The configuration dialog and the About box, run from the real templates and worked from
// another thread like a user would; the settings checked byte for byte in the registry.
#include "DialogDriver.h"
#include "Harness.h"
#include "RegistryFixture.h"
#include "SaverProcess.h"
#include "resources/resource.h"
#include "screensaver/ConfigureDialog.h"
#include "screensaver/ImagesDialog.h"

#include <cstdio>
#include <cstring>

namespace {

const char* const kConfigureCaption = "Velmarin Screensaver";
const char* const kImagesCaption = "Velmarin Screensaver image list";
const char* const kAboutCaption = "Velmarin screensaver ";

// What the dialog shows when it opens, and the end value after the user presses `finish`.
struct Session {
    std::string updateTime;
    bool randomUpdate = false;
    bool fullScreen = false;
    bool fade = false;
    INT_PTR result = -2;
};

// Opens the configuration dialog, lets `edit` work on it, then presses `finish`.
Session Configure(int finish, const std::function<void(HWND)>& edit = [](HWND) {})
{
    Session session;
    session.result = RunModal(DLG_CONFIGURE, ScreenSaverConfigureDialog, [&] {
        HWND dialog = WaitForDialog(kConfigureCaption);
        if (dialog == nullptr) {
            return;
        }
        session.updateTime = WindowText(GetDlgItem(dialog, IDC_UPDATE_TIME));
        session.randomUpdate = IsChecked(GetDlgItem(dialog, IDC_RANDOM_UPDATE));
        session.fullScreen = IsChecked(GetDlgItem(dialog, IDC_FULL_SCREEN));
        session.fade = IsChecked(GetDlgItem(dialog, IDC_FADE));
        edit(dialog);
        PostClick(dialog, finish);
    });
    return session;
}

using ConfigureDialog = RegistryTest;

TEST_F(ConfigureDialog, FirstRunShowsDefaultsAndOkStoresThem)
{
    EXPECT_EQ(ScreenSaverPrepareDialogs(GetModuleHandleA(nullptr)), 1);
    Session session = Configure(IDOK);
    EXPECT_EQ(session.result, 1);
    EXPECT_EQ(session.updateTime, "3000");
    EXPECT_FALSE(session.randomUpdate);
    EXPECT_FALSE(session.fullScreen);
    EXPECT_FALSE(session.fade);
    ExpectStoredDword("Flags", 0);
    ExpectStoredText("UpdateTime", "3000");
    EXPECT_TRUE(KeysAreClosed());
    EXPECT_TRUE(QueryValue(HKEY_LOCAL_MACHINE, "VLInstall").present);
}

TEST_F(ConfigureDialog, FlagBitsShowInTheBoxesAndOnlyTheirBitsAreStored)
{
    StoreDword("Flags", 3);
    Session both = Configure(IDCANCEL);
    EXPECT_TRUE(both.randomUpdate);
    EXPECT_TRUE(both.fullScreen);

    EXPECT_FALSE(both.fade);

    StoreDword("Flags", 6);
    Session fullScreenAndFade = Configure(IDOK);
    EXPECT_FALSE(fullScreenAndFade.randomUpdate);
    EXPECT_TRUE(fullScreenAndFade.fullScreen);
    EXPECT_TRUE(fullScreenAndFade.fade);
    ExpectStoredDword("Flags", 6);

    Configure(IDOK, [](HWND dialog) {
        SendMessageA(GetDlgItem(dialog, IDC_RANDOM_UPDATE), BM_CLICK, 0, 0);
        SendMessageA(GetDlgItem(dialog, IDC_FULL_SCREEN), BM_CLICK, 0, 0);
        SendMessageA(GetDlgItem(dialog, IDC_FADE), BM_CLICK, 0, 0);
    });
    ExpectStoredDword("Flags", 1);

    StoreDword("Flags", 0xFFFFFFFF);
    Session every = Configure(IDOK);
    EXPECT_TRUE(every.randomUpdate && every.fullScreen && every.fade);
    ExpectStoredDword("Flags", 7);

    StoreText("Flags", "1");
    Session unreadable = Configure(IDCANCEL);
    EXPECT_FALSE(unreadable.randomUpdate || unreadable.fullScreen || unreadable.fade);
}

TEST_F(ConfigureDialog, StoredUpdateTimeIsShownUnlessTooLong)
{
    StoreText("UpdateTime", "1500");
    EXPECT_EQ(Configure(IDCANCEL).updateTime, "1500");
    StoreText("UpdateTime", "12345678901");
    EXPECT_EQ(Configure(IDCANCEL).updateTime, "3000");
}

TEST_F(ConfigureDialog, TenCharacterUpdateTimeSurvivesOkWhole)
{
    StoreText("UpdateTime", "1234567890");
    EXPECT_EQ(Configure(IDOK).updateTime, "1234567890");
    ExpectStoredText("UpdateTime", "1234567890");
}

TEST_F(ConfigureDialog, EditTakesNineDigitsAndAnEmptyEditStoresAnEmptyValue)
{
    Configure(IDOK, [](HWND dialog) {
        HWND edit = GetDlgItem(dialog, IDC_UPDATE_TIME);
        SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(""));
        Type(edit, "12x3-45678901");
    });
    ExpectStoredText("UpdateTime", "123456789");

    Configure(IDOK, [](HWND dialog) {
        SendMessageA(GetDlgItem(dialog, IDC_UPDATE_TIME), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(""));
    });
    ExpectStoredText("UpdateTime", "");
}

TEST_F(ConfigureDialog, CancelAndEscapeWriteNothingAndCloseTheKeys)
{
    Session cancelled = Configure(IDCANCEL, [](HWND dialog) {
        SendMessageA(GetDlgItem(dialog, IDC_UPDATE_TIME), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("42"));
        SendMessageA(GetDlgItem(dialog, IDC_FULL_SCREEN), BM_CLICK, 0, 0);
    });
    EXPECT_EQ(cancelled.result, 0);
    EXPECT_TRUE(KeysAreClosed());
    EXPECT_TRUE(ValueNames(HKEY_CURRENT_USER).empty());

    INT_PTR escaped = RunModal(DLG_CONFIGURE, ScreenSaverConfigureDialog, [] {
        HWND dialog = WaitForDialog(kConfigureCaption);
        PostKey(GetDlgItem(dialog, IDOK), VK_ESCAPE);
    });
    EXPECT_EQ(escaped, 0);
    EXPECT_TRUE(ValueNames(HKEY_CURRENT_USER).empty());
}

TEST_F(ConfigureDialog, ImageListConfirmedThereSurvivesCancelHere)
{
    StoreImageList({"C:\\pictures\\one.bmp", "C:\\pictures\\two.gif"});
    std::vector<std::string> shown;
    Session session = Configure(IDCANCEL, [&](HWND dialog) {
        PostClick(dialog, IDC_EDIT_IMAGES);
        HWND images = WaitForDialog(kImagesCaption);
        ASSERT_NE(images, nullptr);
        EXPECT_EQ(GetWindow(images, GW_OWNER), dialog);
        HWND list = GetDlgItem(images, IDC_IMAGE_LIST);
        shown = ListEntries(list);
        SelectEntries(list, {0});
        SendMessageA(GetDlgItem(images, IDC_REMOVE), BM_CLICK, 0, 0);
        PostClick(images, IDOK);
        EXPECT_TRUE(WaitUntilClosed(images));
    });
    EXPECT_EQ(session.result, 0);
    EXPECT_EQ(shown, (std::vector<std::string>{"C:\\pictures\\one.bmp", "C:\\pictures\\two.gif"}));
    ExpectStoredDword("NumFiles", 1);
    ExpectStoredText("File_0", "C:\\pictures\\two.gif");
    EXPECT_FALSE(QueryValue(HKEY_CURRENT_USER, "Flags").present);
    EXPECT_TRUE(KeysAreClosed());
}

// Runs the saver with a command tail, presses a button of its configuration dialog and
// returns the exit code (STILL_ACTIVE when the dialog did not appear or end).
DWORD RunConfigurationMode(const std::string& tail, int button)
{
    SaverProcess saver(tail);
    HWND dialog = saver.WaitForWindow("#32770", kConfigureCaption);
    if (dialog != nullptr) {
        PostClick(dialog, button);
    }
    return saver.WaitForExit();
}

TEST_F(ConfigureDialog, SaverConfigurationModeEndsWithTheDialogResult)
{
    EXPECT_EQ(RunConfigurationMode("/c", IDOK), 1u);
    ExpectStoredText("UpdateTime", "3000");
    EXPECT_EQ(RunConfigurationMode("/c", IDCANCEL), 0u);
    EXPECT_EQ(RunConfigurationMode("", IDOK), 1u);
    EXPECT_EQ(RunConfigurationMode("", IDCANCEL), 0u);
}

// A standard user of a current Windows: the machine key is there and may only be read.
TEST_F(ConfigureDialog, SaverRunsAndConfiguresUnderAMachineKeyThisUserMayOnlyRead)
{
    CreateSettingsKey(HKEY_LOCAL_MACHINE);
    SetKeyAccess(HKEY_LOCAL_MACHINE, kSettingsPath, kReadOnlyForEveryone);
    {
        SaverProcess saver("/s");
        EXPECT_NE(saver.WaitForSaverWindow("Screen Saver"), nullptr);
    }
    EXPECT_EQ(RunConfigurationMode("/c", IDOK), 1u);
    ExpectStoredText("UpdateTime", "3000");
    EXPECT_TRUE(ValueNames(HKEY_LOCAL_MACHINE).empty());
}

// Looks for the visible window owned by search->first.
BOOL CALLBACK FindOwnedWindow(HWND window, LPARAM found)
{
    auto* search = reinterpret_cast<std::pair<HWND, HWND>*>(found);
    if (GetWindow(window, GW_OWNER) != search->first || !IsWindowVisible(window)) {
        return TRUE;
    }
    search->second = window;
    return FALSE;
}

// The visible window owned by `owner`, which runs on another thread; null when there is none.
HWND OwnedWindow(HWND owner)
{
    std::pair<HWND, HWND> search(owner, nullptr);
    EnumThreadWindows(GetWindowThreadProcessId(owner, nullptr), FindOwnedWindow, reinterpret_cast<LPARAM>(&search));
    return search.second;
}

// The box a dialog shows when OK could not save: its caption and text; then it is answered and
// the dialog has handled what followed.
std::string AnswerUnsavedBox(HWND dialog)
{
    HWND box = nullptr;
    if (!WaitUntil([&] { return (box = OwnedWindow(dialog)) != nullptr; })) {
        return "no box";
    }
    std::string seen = WindowText(box) + "|" + WindowText(GetDlgItem(box, 0xFFFF));
    PostClick(box, IDOK);
    WaitUntilClosed(box);
    Settle(dialog);
    return seen;
}

// A locked profile: the user key may only be read.
TEST_F(ConfigureDialog, OkThatCannotSaveSaysWhyAndBothDialogsStayOpen)
{
    StoreImageList({"C:\\pictures\\one.bmp"});
    SetKeyAccess(HKEY_CURRENT_USER, kSettingsPath, kReadOnlyForEveryone);
    char reason[256] = {};
    FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, ERROR_ACCESS_DENIED, 0,
                   reason, sizeof reason, nullptr);
    const std::string expected =
        "Velmarin Screensaver|The settings could not be saved:\n" + std::string(reason).substr(0, strcspn(reason, "\r\n"));
    std::vector<std::string> boxes;
    std::vector<bool> open;
    Session session = Configure(IDCANCEL, [&](HWND dialog) {
        PostClick(dialog, IDC_EDIT_IMAGES);
        HWND images = WaitForDialog(kImagesCaption);
        PostClick(images, IDC_CLEAR);
        PostClick(images, IDOK);
        boxes.push_back(AnswerUnsavedBox(images));
        open.push_back(IsWindowVisible(images) != FALSE);
        PostClick(images, IDCANCEL);
        WaitUntilClosed(images);
        PostClick(dialog, IDOK);
        boxes.push_back(AnswerUnsavedBox(dialog));
        open.push_back(IsWindowVisible(dialog) != FALSE);
    });
    EXPECT_EQ(boxes, (std::vector<std::string>{expected, expected}));
    EXPECT_EQ(open, (std::vector<bool>{true, true}));
    EXPECT_EQ(session.result, 0);
    EXPECT_TRUE(KeysAreClosed());
    ExpectStoredText("File_0", "C:\\pictures\\one.bmp");
}

// "Mmm dd yyyy hh:mm:ss", the day padded with a blank.
bool IsBuildStamp(const std::string& text)
{
    static const char* const months = "JanFebMarAprMayJunJulAugSepOctNovDec";
    char month[4] = {};
    int day = 0, year = 0, hours = 0, minutes = 0, seconds = 0;
    return text.size() == 20 &&
           sscanf(text.c_str(), "%3s %2d %4d %2d:%2d:%2d", month, &day, &year, &hours, &minutes, &seconds) == 6 &&
           strstr(months, month) != nullptr && text[3] == ' ' && text[6] == ' ' && text[11] == ' ' &&
           (day >= 10 || text[4] == ' ') && text[14] == ':' && text[17] == ':';
}

using AboutBox = RegistryTest;

TEST_F(AboutBox, ShowsVersionAndBuildAndOnlyOkClosesIt)
{
    std::string version, build;
    bool openAfterEscapeAndClose = false;
    Session session = Configure(IDCANCEL, [&](HWND dialog) {
        PostClick(dialog, IDC_ABOUT);
        HWND about = WaitForDialog(kAboutCaption);
        ASSERT_NE(about, nullptr);
        EXPECT_EQ(GetWindow(about, GW_OWNER), dialog);
        EXPECT_EQ(GetWindowLongA(about, GWL_STYLE) & WS_SYSMENU, 0);
        version = WindowText(GetDlgItem(about, IDC_VERSION_TEXT));
        build = WindowText(GetDlgItem(about, IDC_BUILD_TEXT));
        PostKey(GetDlgItem(about, IDOK), VK_ESCAPE);
        PostMessageA(about, WM_CLOSE, 0, 0);
        Settle(about);
        openAfterEscapeAndClose = IsWindowVisible(about) != FALSE;
        PostClick(about, IDOK);
        EXPECT_TRUE(WaitUntilClosed(about));
    });
    EXPECT_EQ(session.result, 0);
    EXPECT_EQ(version, "Version " SETTINGS_VERSION);
    EXPECT_TRUE(IsBuildStamp(build)) << build;
    EXPECT_TRUE(openAfterEscapeAndClose);
}

} // namespace
