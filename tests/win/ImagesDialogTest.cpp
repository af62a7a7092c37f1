// The image list dialog from the real template: loading, drops, the open-file dialog,
// the edit buttons, and what OK and Cancel leave in the registry.
#include "DialogDriver.h"
#include "Harness.h"
#include "RegistryFixture.h"
#include "resources/resource.h"
#include "screensaver/ImagesDialog.h"
#include "tests/common/TestFiles.h"

#include <dlgs.h>

#include <filesystem>
#include <fstream>
#include <future>
#include <thread>

namespace {

using Entries = std::vector<std::string>;

const Entries kFive = {"C:\\p\\0.bmp", "C:\\p\\1.bmp", "C:\\p\\2.bmp", "C:\\p\\3.bmp", "C:\\p\\4.bmp"};

// The keys are open as the configuration dialog leaves them for this dialog.
class ImagesDialog : public RegistryTest {
protected:
    void SetUp() override
    {
        RegistryTest::SetUp();
        OpenKeys();
    }
    void TearDown() override
    {
        CloseKeys();
        RegistryTest::TearDown();
    }
};

bool AcceptsFiles(HWND window)
{
    return (GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_ACCEPTFILES) != 0;
}

// A modeless image list dialog on the test thread, loaded from the registry.
class OpenImagesDialog : public ModelessDialog {
public:
    OpenImagesDialog() : ModelessDialog(DLG_IMAGES, ImagesDialogProc) {}
    HWND List() const { return Item(IDC_IMAGE_LIST); }
    Entries Shown() const { return ListEntries(List()); }
    // Whether the list box and the dialog take dropped files.
    std::vector<bool> DropTargets() const { return {AcceptsFiles(List()), AcceptsFiles(Window())}; }
    void Fill(const Entries& paths) const
    {
        for (const std::string& path : paths) {
            SendMessageA(List(), LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(path.c_str()));
        }
    }
    // Posts a drop to the window the way the shell does, then lets the dialog handle it.
    HGLOBAL Drop(HWND target, const Entries& paths, bool wide = false) const
    {
        HGLOBAL drop = MakeDrop(paths, wide);
        PostMessageA(target, WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0);
        Pump();
        return drop;
    }
};

TEST_F(ImagesDialog, EntriesEqualButForCaseAreTakenOnce)
{
    StoreImageList({"C:\\pics\\sea.bmp", "c:\\PICS\\SEA.BMP", "C:\\pics\\hill.gif", "C:\\pics\\sea.bmp"});
    StoreText("File_4", "C:\\beyond\\the\\count.bmp");
    OpenImagesDialog dialog;
    EXPECT_EQ(dialog.Shown(), (Entries{"C:\\pics\\sea.bmp", "C:\\pics\\hill.gif"}));
    EXPECT_EQ(AddUniqueToList(dialog.Window(), dialog.List(), "c:\\pics\\Hill.GIF"), -1);
    EXPECT_EQ(AddUniqueToList(dialog.Window(), dialog.List(), "C:\\pics\\hill.gif.bak"), 0);
    EXPECT_EQ(dialog.Shown().size(), 3u);
    EXPECT_TRUE(SelectedEntries(dialog.List()).empty());
}

// Paths are the same entry when they differ in letter case only, in any script; paths the
// system's collation merely ranks alike name other files and are kept.
TEST_F(ImagesDialog, OnlyLetterCaseMakesTwoPathsTheSameEntry)
{
    struct {
        const char* listed;
        const char* incoming;
        bool added;
    } cases[] = {
        {"C:\\\xC3\x89t\xC3\xA9\\a.bmp", "c:\\\xC3\xA9T\xC3\x89\\A.BMP", false},
        {"C:\\\xCE\xA3\xCE\x9F.jpg", "C:\\\xCF\x83\xCE\xBF.jpg", false},
        {"C:\\Stra\xC3\x9F" "e.bmp", "C:\\Strasse.bmp", true},
        {"C:\\a\xC2\xAD" "b.jpg", "C:\\ab.jpg", true},
        {"C:\\i.jpg", "C:\\\xC4\xB0.jpg", true},
    };
    OpenImagesDialog dialog;
    for (const auto& c : cases) {
        dialog.Click(IDC_CLEAR);
        dialog.Fill({c.listed});
        dialog.Drop(dialog.List(), {c.incoming}, true);
        EXPECT_EQ(dialog.Shown(), (c.added ? Entries{c.listed, c.incoming} : Entries{c.listed})) << c.incoming;
    }
}

TEST_F(ImagesDialog, HugeNumFilesLoadsTheStoredPathsAtOnce)
{
    const Entries stored = {"C:\\p\\0.bmp", "C:\\p\\1.bmp", "C:\\p\\2.bmp"};
    StoreImageList(stored);
    StoreDword("NumFiles", 0xFFFFFFFF);
    DWORD start = GetTickCount();
    OpenImagesDialog dialog;
    EXPECT_LT(GetTickCount() - start, 1000u);
    EXPECT_EQ(dialog.Shown(), stored);
}

// Answers the refusals of new paths with OK, one after the other, and gives their texts.
Entries AnswerRefusals(size_t count)
{
    Entries texts;
    while (texts.size() < count) {
        HWND box = WaitForDialog("Error adding...");
        if (box == nullptr) {
            break;
        }
        texts.push_back(WindowText(GetDlgItem(box, 0xFFFF)));
        PostClick(box, IDOK);
        WaitUntilClosed(box);
    }
    return texts;
}

std::string Refusal(const std::string& path)
{
    return path + "\nis too long: a path in the image list may have at most 119 characters.";
}

// Two paths of 120 characters that differ only in the last one, and one of 119.
const std::string kLongPath = "C:\\" + std::string(113, 'x') + ".bmp";
const std::string kOtherLongPath = "C:\\" + std::string(113, 'x') + ".gif";
const std::string kLongestNewPath = "C:\\" + std::string(112, 'x') + ".bmp";

TEST_F(ImagesDialog, DroppedFilesAreAppendedOnTheListAndOnTheDialogUpTo119Characters)
{
    ASSERT_EQ(kLongPath.size(), 120u);
    OpenImagesDialog dialog;
    dialog.Fill({"C:\\p\\b.bmp"});
    HGLOBAL onList = dialog.Drop(dialog.List(), {"C:\\p\\c.gif", "c:\\P\\B.BMP", "C:\\p\\a.jpg", "C:\\p\\d.png"});
    EXPECT_EQ(dialog.Shown(), (Entries{"C:\\p\\b.bmp", "C:\\p\\c.gif", "C:\\p\\a.jpg", "C:\\p\\d.png"}));

    auto refusals = std::async(std::launch::async, AnswerRefusals, 2);
    HGLOBAL onDialog = dialog.Drop(dialog.Window(), {kLongPath, "C:\\p\\folder", kOtherLongPath, kLongestNewPath});
    EXPECT_EQ(refusals.get(), (Entries{Refusal(kLongPath), Refusal(kOtherLongPath)}));
    EXPECT_EQ(dialog.Shown(), (Entries{"C:\\p\\b.bmp", "C:\\p\\c.gif", "C:\\p\\a.jpg", "C:\\p\\d.png", "C:\\p\\folder",
                                         kLongestNewPath}));
    EXPECT_EQ(GlobalFlags(onList), static_cast<UINT>(GMEM_INVALID_HANDLE)) << "the drop was not finished";
    EXPECT_EQ(GlobalFlags(onDialog), static_cast<UINT>(GMEM_INVALID_HANDLE)) << "the drop was not finished";
}

TEST_F(ImagesDialog, EveryFileOfADropOfMoreThan65535IsListed)
{
    Entries paths;
    for (int i = 0; i <= 0x10000; ++i) {
        paths.push_back("C:\\p\\" + std::to_string(i) + ".jpg");
    }
    OpenImagesDialog dialog;
    dialog.Drop(dialog.List(), paths, true);
    EXPECT_EQ(dialog.Shown(), paths);
}

std::string Utf8(const std::wstring& text)
{
    std::string bytes(text.size() * 3, '\0');
    bytes.resize(WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), &bytes[0],
                                     static_cast<int>(bytes.size()), nullptr, nullptr));
    return bytes;
}

// The limit counts the bytes of the path in UTF-8, as the stored layout does.
TEST_F(ImagesDialog, PathsInAnyScriptAreListedAndKeptUpTo119Bytes)
{
    ASSERT_EQ(GetACP(), static_cast<UINT>(CP_UTF8));
    const std::wstring stored = std::wstring(L"C:\\") + kScriptsInAFolderName + L"\\one.bmp";
    StoreDword("NumFiles", 1);
    StoreWideText("File_0", stored);
    const std::string folder = "C:\\" + Utf8(kScriptsInAFolderName) + "\\";
    const std::string longest = folder + std::string(119 - folder.size() - 4, 'x') + ".bmp";
    const std::string tooLong = longest.substr(0, folder.size()) + "\xD0\xAF" + longest.substr(folder.size() + 1);
    ASSERT_EQ(tooLong.size(), 120u);

    OpenImagesDialog dialog;
    auto refusals = std::async(std::launch::async, AnswerRefusals, 1);
    dialog.Drop(dialog.List(), {tooLong, longest});
    EXPECT_EQ(refusals.get(), Entries{Refusal(tooLong)});
    EXPECT_EQ(dialog.Shown(), (Entries{Utf8(stored), longest}));
    dialog.Click(IDOK);
    EXPECT_EQ(StoredWideText("File_0"), stored);
    EXPECT_EQ(Utf8(StoredWideText("File_1")), longest);
}

// Answers the open-file dialog like a user: types the path and presses Open, or cancels;
// then answers the refusals that follow.
void AnswerOpenFileDialog(const std::string& path, size_t refusalCount, std::string* title, Entries* refusals)
{
    HWND chooser = WaitForDialog("Select a file");
    if (chooser == nullptr) {
        return;
    }
    *title = WindowText(chooser);
    if (path.empty()) {
        PostClick(chooser, IDCANCEL);
        return;
    }
    HWND name = GetDlgItem(chooser, edt1);
    if (name == nullptr) {
        name = GetDlgItem(chooser, cmb13);
    }
    SendMessageA(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(path.c_str()));
    PostClick(chooser, IDOK);
    *refusals = AnswerRefusals(refusalCount);
}

Entries AddThroughOpenFileDialog(const OpenImagesDialog& dialog, const std::string& path,
                                 const Entries& expectedRefusals = {})
{
    std::string title;
    Entries refusals;
    std::thread user(AnswerOpenFileDialog, path, expectedRefusals.size(), &title, &refusals);
    dialog.Click(IDC_ADD);
    user.join();
    EXPECT_EQ(title, "Select a file");
    EXPECT_EQ(refusals, expectedRefusals);
    return dialog.Shown();
}

TEST_F(ImagesDialog, AddTakesThePathChosenInTheOpenFileDialogUpTo119Characters)
{
    std::string picture = WriteTempFile("chosen.bmp", {'B', 'M'});
    OpenImagesDialog dialog;
    dialog.Fill({"C:\\p\\first.bmp"});
    EXPECT_EQ(AddThroughOpenFileDialog(dialog, picture), (Entries{"C:\\p\\first.bmp", picture}));
    std::string upperCase = picture;
    for (char& character : upperCase) {
        character = static_cast<char>(toupper(static_cast<unsigned char>(character)));
    }
    EXPECT_EQ(AddThroughOpenFileDialog(dialog, upperCase), (Entries{"C:\\p\\first.bmp", picture}));
    EXPECT_EQ(AddThroughOpenFileDialog(dialog, ""), (Entries{"C:\\p\\first.bmp", picture}));
    std::string missing = TempPath("not-there.gif");
    EXPECT_EQ(AddThroughOpenFileDialog(dialog, missing), (Entries{"C:\\p\\first.bmp", picture, missing}))
        << "the file need not exist";
    EXPECT_EQ(AddThroughOpenFileDialog(dialog, kLongPath, {Refusal(kLongPath)}).size(), 3u);
}

// A fresh folder of small files with these names; removed with its files at the end, after
// the current folder, which the open-file dialog moves to the folder it opened, is restored.
class ScratchFolder {
public:
    explicit ScratchFolder(const Entries& names)
        : path((std::filesystem::temp_directory_path() / ("vl-chosen-" + std::to_string(GetCurrentProcessId()) + "-" +
                                                        std::to_string(++created)))
                   .string())
    {
        std::filesystem::remove_all(path);
        std::filesystem::create_directory(path);
        for (const std::string& name : names) {
            std::ofstream(path + "\\" + name).put('x');
        }
    }
    ~ScratchFolder()
    {
        std::filesystem::current_path(current);
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    const std::string path;

private:
    static inline int created = 0;
    const std::filesystem::path current = std::filesystem::current_path();
};

Entries ComboItems(HWND combo)
{
    Entries items;
    for (LRESULT i = 0; i < SendMessageA(combo, CB_GETCOUNT, 0, 0); ++i) {
        char text[256] = {};
        SendMessageA(combo, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(text));
        items.push_back(text);
    }
    return items;
}

// Chooses several files like a user: goes to their folder in the open-file dialog, then
// types their names in quotes and presses Open. Hands back the types it offered.
void ChooseFilesInFolder(const std::string& folder, const Entries& names, Entries* types)
{
    HWND chooser = WaitForDialog("Select a file");
    if (chooser == nullptr) {
        return;
    }
    *types = ComboItems(GetDlgItem(chooser, cmb1));
    HWND name = GetDlgItem(chooser, cmb13);
    SendMessageA(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(folder.c_str()));
    PostClick(chooser, IDOK);
    Settle(chooser);
    std::string quoted;
    for (const std::string& chosen : names) {
        quoted += "\"" + chosen + "\" ";
    }
    SendMessageA(name, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(quoted.c_str()));
    PostClick(chooser, IDOK);
}

TEST_F(ImagesDialog, AddTakesEveryFileChosenAtOnceAndOffersPicturesFirst)
{
    const ScratchFolder scratch({"a.bmp", "b.GIF", "c d.jpeg", "e.png"});
    const std::string& folder = scratch.path;
    OpenImagesDialog dialog;
    dialog.Fill({folder + "\\B.gif"});
    Entries types;
    std::thread user(ChooseFilesInFolder, folder, Entries{"e.png", "b.GIF", "c d.jpeg", "a.bmp"}, &types);
    dialog.Click(IDC_ADD);
    user.join();
    EXPECT_EQ(types, (Entries{"Pictures", "All files"}));
    EXPECT_EQ(dialog.Shown(), (Entries{folder + "\\B.gif", folder + "\\e.png", folder + "\\c d.jpeg",
                                       folder + "\\a.bmp"}));
}

// The folder picker's name box, as Wine draws the picker.
const int kPickerNameBox = 1152;

// Answers the folder picker like a user: types the folder's path and presses its button,
// or cancels.
void PickFolder(const std::string& folder)
{
    HWND picker = WaitForDialog("Select a folder");
    if (picker == nullptr) {
        return;
    }
    if (folder.empty()) {
        PostClick(picker, IDCANCEL);
        return;
    }
    SendMessageA(GetDlgItem(picker, kPickerNameBox), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(folder.c_str()));
    PostClick(picker, IDOK);
}

TEST_F(ImagesDialog, AddFolderAddsTheChosenFolderAsOneEntry)
{
    const ScratchFolder scratch({"a.bmp", "b.gif"});
    const std::string& folder = scratch.path;
    std::string upperCase = folder;
    CharUpperA(&upperCase[0]);
    OpenImagesDialog dialog;
    dialog.Fill({"C:\\p\\first.bmp"});
    for (const std::string& picked : {folder, upperCase, std::string()}) {
        std::thread user(PickFolder, picked);
        dialog.Click(IDC_ADD_FOLDER);
        user.join();
        EXPECT_EQ(dialog.Shown(), (Entries{"C:\\p\\first.bmp", folder})) << picked;
    }
}

TEST_F(ImagesDialog, UpAndDownMoveTheOneSelectedEntry)
{
    OpenImagesDialog dialog;
    dialog.Fill(kFive);
    HWND list = dialog.List();

    SelectEntries(list, {2});
    dialog.Click(IDC_UP);
    EXPECT_EQ(dialog.Shown(), (Entries{kFive[0], kFive[2], kFive[1], kFive[3], kFive[4]}));
    EXPECT_EQ(SelectedEntries(list), std::vector<int>{1});
    dialog.Click(IDC_DOWN);
    dialog.Click(IDC_DOWN);
    EXPECT_EQ(dialog.Shown(), (Entries{kFive[0], kFive[1], kFive[3], kFive[2], kFive[4]}));
    EXPECT_EQ(SelectedEntries(list), std::vector<int>{3});

    SelectEntries(list, {0});
    dialog.Click(IDC_UP);
    EXPECT_EQ(dialog.Shown()[0], kFive[0]);
    EXPECT_EQ(SelectedEntries(list), std::vector<int>{0});
    SelectEntries(list, {4});
    dialog.Click(IDC_DOWN);
    EXPECT_EQ(dialog.Shown()[4], kFive[4]);
    EXPECT_EQ(SelectedEntries(list), std::vector<int>{4});

    Entries before = dialog.Shown();
    SelectEntries(list, {1, 2});
    dialog.Click(IDC_UP);
    dialog.Click(IDC_DOWN);
    SelectEntries(list, {});
    dialog.Click(IDC_UP);
    dialog.Click(IDC_DOWN);
    EXPECT_EQ(dialog.Shown(), before);
}

TEST_F(ImagesDialog, RemoveDeletesEverySelectedEntryAndClearEmptiesTheList)
{
    OpenImagesDialog dialog;
    dialog.Fill(kFive);
    dialog.Click(IDC_REMOVE);
    EXPECT_EQ(dialog.Shown(), kFive);
    SelectEntries(dialog.List(), {1, 3});
    dialog.Click(IDC_REMOVE);
    EXPECT_EQ(dialog.Shown(), (Entries{kFive[0], kFive[2], kFive[4]}));
    dialog.Click(IDC_CLEAR);
    EXPECT_TRUE(dialog.Shown().empty());
}

TEST_F(ImagesDialog, SortOrdersBytesAsSignedCaseSensitiveAndPrefixesFirst)
{
    OpenImagesDialog dialog;
    dialog.Fill({"c:\\img\\sun.bmp", "c:\\img\\moon2.bmp", "C:\\img\\Moon.bmp", "c:\\img\\sun", "\xC3\x89t\xC3\xA9.bmp",
                 "c:\\img\\Zebra.gif"});
    SelectEntries(dialog.List(), {0, 2});
    dialog.Click(IDC_SORT);
    EXPECT_EQ(dialog.Shown(), (Entries{"\xC3\x89t\xC3\xA9.bmp", "C:\\img\\Moon.bmp", "c:\\img\\Zebra.gif",
                                       "c:\\img\\moon2.bmp", "c:\\img\\sun", "c:\\img\\sun.bmp"}));
    EXPECT_TRUE(SelectedEntries(dialog.List()).empty());

    EXPECT_EQ(CompareStrings("same", "same"), 0);
    EXPECT_EQ(CompareStrings("B", "a"), -1);
    EXPECT_EQ(CompareStrings("\x80", "\x7F"), -1);
    EXPECT_EQ(CompareStrings("abc", "ab"), 1);
}

TEST_F(ImagesDialog, OkRewritesTheListAndLeavesHigherOldValues)
{
    StoreImageList({"C:\\old\\0.bmp", "C:\\old\\1.bmp", "C:\\old\\2.bmp", "C:\\old\\3.bmp"});
    {
        OpenImagesDialog dialog;
        dialog.Click(IDC_CLEAR);
        dialog.Drop(dialog.List(), {"C:\\new\\b.gif", "C:\\new\\a.jpg"});
        EXPECT_EQ(dialog.DropTargets(), (std::vector<bool>{true, true}));
        dialog.Click(IDOK);
        EXPECT_EQ(dialog.DropTargets(), (std::vector<bool>{false, false}));
    }
    ExpectStoredDword("NumFiles", 2);
    ExpectStoredText("File_0", "C:\\new\\b.gif");
    ExpectStoredText("File_1", "C:\\new\\a.jpg");
    ExpectStoredText("File_2", "C:\\old\\2.bmp");
    ExpectStoredText("File_3", "C:\\old\\3.bmp");

    {
        OpenImagesDialog dialog;
        dialog.Click(IDC_CLEAR);
        dialog.Click(IDOK);
    }
    ExpectStoredDword("NumFiles", 0);
    ExpectStoredText("File_0", "C:\\new\\b.gif");
}

TEST_F(ImagesDialog, CancelWritesNothing)
{
    StoreImageList({"C:\\old\\0.bmp"});
    OpenImagesDialog dialog;
    dialog.Drop(dialog.Window(), {"C:\\new\\a.jpg", "C:\\new\\b.jpg"});
    SelectEntries(dialog.List(), {0});
    dialog.Click(IDC_REMOVE);
    dialog.Click(IDCANCEL);
    EXPECT_EQ(dialog.DropTargets(), (std::vector<bool>{false, false}));
    ExpectStoredDword("NumFiles", 1);
    ExpectStoredText("File_0", "C:\\old\\0.bmp");
    EXPECT_FALSE(QueryValue(HKEY_CURRENT_USER, "File_1").present);
}

CHILD_SCENARIO(LoadImageList)
{
    OpenKeys();
    std::string shown;
    {
        OpenImagesDialog dialog;
        for (const std::string& entry : dialog.Shown()) {
            shown += entry + "|";
        }
    }
    CloseKeys();
    Observe("shown", shown);
    Observe("console", ConsoleScreen().Rows(5));
    return 0;
}

TEST_F(ImagesDialog, UnreadableEntriesAreSkippedWithAWarningEach)
{
    std::string longest = "C:\\" + std::string(117, 'x');
    std::string tooLong = longest + "y";
    StoreImageList({"C:\\p\\0.bmp", "C:\\p\\1.bmp", tooLong, longest});
    DeleteStoredValue("File_1");
    ChildProcess child("LoadImageList");
    ASSERT_EQ(child.WaitForExit(), 0u);
    Observations seen = child.Observed();
    EXPECT_EQ(seen["shown"], "C:\\p\\0.bmp|" + longest + "|");
    std::string console = seen["console"];
    EXPECT_EQ(console.substr(0, 24), "Warning at ImagesDialog:") << console;
    EXPECT_EQ(console.substr(console.find('|')), "|Corrupt registry|" + console.substr(0, console.find('|')) +
                                                     "|Corrupt registry||");
}

} // namespace
