#include "ImagesDialog.h"

#include "../shared/cgen.h"
#include "ImageChoosers.h"
#include "Reports.h"
#include "UnsavedSettings.h"
#include "WideText.h"
#include "resources/resource.h"
#include "shared.h"

#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <unordered_set>
#include <vector>

static const char* const kSourceName = "ImagesDialog";
static const char* const kAddErrorCaption = "Error adding...";
// The longest path a drop or Add takes in: what a 120-byte buffer holds with its terminator.
// Paths read from the registry may have one character more.
static const size_t kNewPathChars = PATH_CHARS - 1;

static HWND imageList;

static std::string EntryText(HWND list, int index)
{
    LRESULT length = SendMessageA(list, LB_GETTEXTLEN, index, 0);
    if (length == LB_ERR) {
        FatalError(kSourceName, __LINE__, "Finding text length");
    }
    std::string text(static_cast<size_t>(length) + 1, '\0');
    if (SendMessageA(list, LB_GETTEXT, index, reinterpret_cast<LPARAM>(&text[0])) == LB_ERR) {
        FatalError(kSourceName, __LINE__, "Reading list items");
    }
    text.resize(strlen(text.c_str()));
    return text;
}

static int EntryCount(HWND list)
{
    return static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
}

// The path with each character in upper case, whatever the user's locale: two paths are
// the same entry when these forms are equal, as the file system compares names.
static std::wstring UpperCaseForm(const char* path)
{
    std::wstring wide = Utf16FromCodePage(path);
    int length = static_cast<int>(wide.size());
    if (length > 0) {
        LCMapStringW(LOCALE_INVARIANT, LCMAP_UPPERCASE, wide.c_str(), length, &wide[0], length);
    }
    return wide;
}

// Appends paths to a list box, each unless an entry equal to it but for letter case is
// there. It knows the entries' upper-case forms, so that an add costs no search of the
// list; the list box stays the only copy of the list, and this lives for one edit, with
// the list's redrawing off meanwhile.
class cUniqueAppender {
public:
    cUniqueAppender(HWND owner, HWND list);
    ~cUniqueAppender();
    cUniqueAppender(const cUniqueAppender&) = delete;
    cUniqueAppender& operator=(const cUniqueAppender&) = delete;

    // -1 when an equal entry is there; 0 otherwise (added, or refused by the list box, which
    // a box owned by the owner then says).
    int Add(const char* path);

private:
    HWND owner;
    HWND list;
    std::unordered_set<std::wstring> listed;
};

cUniqueAppender::cUniqueAppender(HWND ownerWindow, HWND listBox) : owner(ownerWindow), list(listBox)
{
    SendMessageA(list, WM_SETREDRAW, FALSE, 0);
    int count = EntryCount(list);
    listed.reserve(static_cast<size_t>(count));
    for (int i = 0; i < count; ++i) {
        listed.insert(UpperCaseForm(EntryText(list, i).c_str()));
    }
}

cUniqueAppender::~cUniqueAppender()
{
    SendMessageA(list, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(list, nullptr, TRUE);
}

int cUniqueAppender::Add(const char* path)
{
    std::wstring form = UpperCaseForm(path);
    if (listed.count(form) != 0) {
        return -1;
    }
    LRESULT added = SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(path));
    if (added == LB_ERR || added == LB_ERRSPACE) {
        MessageBoxA(owner, path, kAddErrorCaption, MB_OK);
    } else {
        listed.insert(form);
    }
    return 0;
}

int AddUniqueToList(HWND owner, HWND list, const char* path)
{
    cUniqueAppender appender(owner, list);
    return appender.Add(path);
}

int CompareStrings(const char* first, const char* second)
{
    size_t firstLength = strlen(first);
    size_t secondLength = strlen(second);
    size_t common = firstLength < secondLength ? firstLength : secondLength;
    for (size_t i = 0; i < common; ++i) {
        signed char a = static_cast<signed char>(first[i]);
        signed char b = static_cast<signed char>(second[i]);
        if (a != b) {
            return a < b ? -1 : 1;
        }
    }
    if (firstLength == secondLength) {
        return 0;
    }
    return firstLength < secondLength ? -1 : 1;
}

static void AddStoredPath(const char* path, void* appender)
{
    static_cast<cUniqueAppender*>(appender)->Add(path);
}

static void AcceptDrops(HWND dialog, BOOL accept)
{
    DragAcceptFiles(imageList, accept);
    DragAcceptFiles(dialog, accept);
}

static BOOL InitImagesDialog(HWND dialog)
{
    imageList = GetDlgItem(dialog, IDC_IMAGE_LIST);
    AcceptDrops(dialog, TRUE);
    const FixedReport corrupt = {kSourceName, __LINE__, CORRUPT_REGISTRY_TEXT};
    cUniqueAppender appender(dialog, imageList);
    ReadImageList(AddStoredPath, &appender, corrupt);
    return TRUE;
}

// Names the path and the limit.
static void RefuseLongPath(HWND dialog, const char* path)
{
    static const char* const format = "%s\nis too long: a path in the image list may have at most %u characters.";
    size_t size = strlen(format) + strlen(path) + 16;
    char* text = static_cast<char*>(RMalloc(kSourceName, __LINE__, size));
    snprintf(text, size, format, path, static_cast<unsigned>(kNewPathChars));
    MessageBoxA(dialog, text, kAddErrorCaption, MB_OK | MB_ICONWARNING);
    RFree(kSourceName, __LINE__, text);
}

static void AddNewPath(HWND dialog, cUniqueAppender* appender, const char* path)
{
    if (strlen(path) > kNewPathChars) {
        RefuseLongPath(dialog, path);
        return;
    }
    appender->Add(path);
}

static void AddDroppedFiles(HWND dialog, HDROP drop)
{
    std::vector<std::string> paths = DroppedPaths(drop);
    DragFinish(drop);
    cUniqueAppender appender(dialog, imageList);
    for (const std::string& path : paths) {
        AddNewPath(dialog, &appender, path.c_str());
    }
}

// Entry buffers hold the longest entry the list takes in and a terminator.
static void ReadEntry(int index, char text[PATH_CHARS + 1])
{
    if (SendMessageA(imageList, LB_GETTEXT, index, reinterpret_cast<LPARAM>(text)) == LB_ERR) {
        FatalError(kSourceName, __LINE__, "Reading list items");
    }
}

static void CloseImagesDialog(HWND dialog, bool accepted)
{
    AcceptDrops(dialog, FALSE);
    EndDialog(dialog, accepted ? 1 : 0);
}

// The index of the one selected entry, or -1 when none or several are selected.
static int SingleSelection()
{
    if (SendMessageA(imageList, LB_GETSELCOUNT, 0, 0) != 1) {
        return -1;
    }
    int selected = -1;
    SendMessageA(imageList, LB_GETSELITEMS, 1, reinterpret_cast<LPARAM>(&selected));
    return selected;
}

// Takes the entry out of the list and puts it back at the index that place chooses.
static void MoveEntry(int index, int (*place)(int index, int remaining))
{
    char text[PATH_CHARS + 1];
    ReadEntry(index, text);
    SendMessageA(imageList, LB_DELETESTRING, index, 0);
    int target = place(index, EntryCount(imageList));
    SendMessageA(imageList, LB_INSERTSTRING, target, reinterpret_cast<LPARAM>(text));
    SendMessageA(imageList, LB_SETSEL, TRUE, target);
}

static int OnePlaceUp(int index, int)
{
    return index > 0 ? index - 1 : index;
}

static int OnePlaceDown(int index, int remaining)
{
    return index != remaining ? index + 1 : index;
}

static void MoveSelectedEntry(int (*place)(int index, int remaining))
{
    int selected = SingleSelection();
    if (selected >= 0) {
        MoveEntry(selected, place);
    }
}

static void RemoveSelectedEntries()
{
    int count = static_cast<int>(SendMessageA(imageList, LB_GETSELCOUNT, 0, 0));
    if (count < 1) {
        return;
    }
    int* selected = static_cast<int*>(RMalloc(kSourceName, __LINE__, count * sizeof(int)));
    SendMessageA(imageList, LB_GETSELITEMS, count, reinterpret_cast<LPARAM>(selected));
    for (int i = count - 1; i >= 0; --i) {
        SendMessageA(imageList, LB_DELETESTRING, selected[i], 0);
    }
    RFree(kSourceName, __LINE__, selected);
}

static void AddChosenFiles(HWND dialog)
{
    std::vector<std::string> paths = ChooseFiles(dialog);
    if (paths.empty()) {
        return;
    }
    cUniqueAppender appender(dialog, imageList);
    for (const std::string& path : paths) {
        AddNewPath(dialog, &appender, path.c_str());
    }
}

static void AddChosenFolder(HWND dialog)
{
    std::string folder = ChooseFolder(dialog);
    if (!folder.empty()) {
        cUniqueAppender appender(dialog, imageList);
        AddNewPath(dialog, &appender, folder.c_str());
    }
}

static char* CopyOfEntry(int index)
{
    std::string text = EntryText(imageList, index);
    char* copy = static_cast<char*>(RMalloc(kSourceName, __LINE__, text.size() + 1));
    memcpy(copy, text.c_str(), text.size() + 1);
    return copy;
}

static void CopyEntries(cArray* entries)
{
    int count = EntryCount(imageList);
    for (int i = 0; i < count; ++i) {
        entries->Add(CopyOfEntry(i));
    }
}

static void ReleaseEntries(cArray* entries)
{
    for (int i = 0; i < entries->Count(); ++i) {
        RFree(kSourceName, __LINE__, entries->Get(i));
    }
}

static LONG SaveImageList()
{
    cArray entries;
    CopyEntries(&entries);
    LONG result = WriteImageList(entries);
    ReleaseEntries(&entries);
    return result;
}

static bool ComesBefore(const std::string& first, const std::string& second)
{
    return CompareStrings(first.c_str(), second.c_str()) < 0;
}

// Stable: entries that compare equal keep their order.
static void SortEntries(HWND dialog)
{
    std::vector<std::string> entries;
    int count = EntryCount(imageList);
    for (int i = 0; i < count; ++i) {
        entries.push_back(EntryText(imageList, i));
    }
    std::stable_sort(entries.begin(), entries.end(), ComesBefore);
    SendMessageA(imageList, LB_RESETCONTENT, 0, 0);
    cUniqueAppender appender(dialog, imageList);
    for (const std::string& entry : entries) {
        appender.Add(entry.c_str());
    }
}

static BOOL ImagesCommand(HWND dialog, WORD command)
{
    switch (command) {
    case IDOK:
        if (SettingsSaved(dialog, SaveImageList()) && SettingsSaved(dialog, ClearResumePoint())) {
            CloseImagesDialog(dialog, true);
        }
        break;
    case IDCANCEL:
        CloseImagesDialog(dialog, false);
        break;
    case IDC_UP:
        MoveSelectedEntry(OnePlaceUp);
        break;
    case IDC_DOWN:
        MoveSelectedEntry(OnePlaceDown);
        break;
    case IDC_REMOVE:
        RemoveSelectedEntries();
        break;
    case IDC_ADD:
        AddChosenFiles(dialog);
        break;
    case IDC_ADD_FOLDER:
        AddChosenFolder(dialog);
        break;
    case IDC_CLEAR:
        SendMessageA(imageList, LB_RESETCONTENT, 0, 0);
        break;
    case IDC_SORT:
        SortEntries(dialog);
        break;
    default:
        return FALSE;
    }
    return TRUE;
}

INT_PTR CALLBACK ImagesDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM)
{
    switch (message) {
    case WM_INITDIALOG:
        return InitImagesDialog(dialog);
    case WM_DROPFILES:
        AddDroppedFiles(dialog, reinterpret_cast<HDROP>(wParam));
        return FALSE;
    case WM_COMMAND:
        return ImagesCommand(dialog, LOWORD(wParam));
    default:
        return FALSE;
    }
}
