#include "ImagesDialog.h"

#include "../shared/cgen.h"
#include "Reports.h"
#include "UnsavedSettings.h"
#include "resources/resource.h"
#include "shared.h"

#include <cderr.h>
#include <commdlg.h>
#include <shellapi.h>

#include <cstddef>
#include <cstdio>
#include <cstring>

static const char* const kSourceName = "ImagesDialog";
static const char* const kAddErrorCaption = "Error adding...";
// The longest path a drop or Add takes in: what a 120-byte buffer holds with its terminator.
// Paths read from the registry may have one character more.
static const size_t kNewPathChars = PATH_CHARS - 1;
// Room for any path the open-file dialog of the ANSI interface gives.
static const DWORD kChosenPathChars = MAX_PATH;

static HWND imageList;

// The open-file structure as of version 4.0, without the fields added later: 76 bytes on i686.
static const DWORD kOpenFileNameSize = offsetof(OPENFILENAMEA, lpTemplateName) + sizeof(LPCSTR);
static_assert(sizeof(void*) != 4 || kOpenFileNameSize == 76, "version 4.0 open-file structure");

int AddUniqueToList(HWND owner, HWND list, const char* path)
{
    if (SendMessageA(list, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(path)) != LB_ERR) {
        return -1;
    }
    LRESULT added = SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(path));
    if (added == LB_ERR || added == LB_ERRSPACE) {
        MessageBoxA(owner, path, kAddErrorCaption, MB_OK);
    }
    return 0;
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

static int CompareItems(const void* placed, const void* incoming)
{
    return CompareStrings(static_cast<const char*>(placed), static_cast<const char*>(incoming));
}

static void AddStoredPath(const char* path, void* dialog)
{
    AddUniqueToList(static_cast<HWND>(dialog), imageList, path);
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
    ReadImageList(AddStoredPath, dialog, corrupt);
    return TRUE;
}

// Names the path (or, where it is unknown, says it is the chosen one) and the limit.
static void RefuseLongPath(HWND dialog, const char* path)
{
    static const char* const format = "%s\nis too long: a path in the image list may have at most %u characters.";
    size_t size = strlen(format) + strlen(path) + 16;
    char* text = static_cast<char*>(RMalloc(kSourceName, __LINE__, size));
    snprintf(text, size, format, path, static_cast<unsigned>(kNewPathChars));
    MessageBoxA(dialog, text, kAddErrorCaption, MB_OK | MB_ICONWARNING);
    RFree(kSourceName, __LINE__, text);
}

static void AddNewPath(HWND dialog, const char* path)
{
    if (strlen(path) > kNewPathChars) {
        RefuseLongPath(dialog, path);
        return;
    }
    AddUniqueToList(dialog, imageList, path);
}

static void AddDroppedFile(HWND dialog, HDROP drop, UINT index)
{
    UINT length = DragQueryFileA(drop, index, nullptr, 0);
    if (length == 0) {
        return;
    }
    char* path = static_cast<char*>(RMalloc(kSourceName, __LINE__, length + 1));
    DragQueryFileA(drop, index, path, length + 1);
    AddNewPath(dialog, path);
    RFree(kSourceName, __LINE__, path);
}

static void AddDroppedFiles(HWND dialog, HDROP drop)
{
    WORD count = static_cast<WORD>(DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0));
    for (WORD i = 0; i < count; ++i) {
        AddDroppedFile(dialog, drop, i);
    }
    DragFinish(drop);
}

// Entry buffers hold the longest entry the list takes in and a terminator.
static void ReadEntry(int index, char text[PATH_CHARS + 1])
{
    if (SendMessageA(imageList, LB_GETTEXT, index, reinterpret_cast<LPARAM>(text)) == LB_ERR) {
        FatalError(kSourceName, __LINE__, "Reading list items");
    }
}

static int EntryCount()
{
    return static_cast<int>(SendMessageA(imageList, LB_GETCOUNT, 0, 0));
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
    int target = place(index, EntryCount());
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

static void AddChosenFile(HWND dialog)
{
    char path[kChosenPathChars] = "";
    OPENFILENAMEA request = {};
    request.lStructSize = kOpenFileNameSize;
    request.hwndOwner = dialog;
    request.lpstrFile = path;
    request.nMaxFile = sizeof path;
    request.lpstrTitle = "Select a file";
    if (GetOpenFileNameA(&request)) {
        AddNewPath(dialog, path);
    } else if (CommDlgExtendedError() == FNERR_BUFFERTOOSMALL) {
        RefuseLongPath(dialog, "The path of the chosen file");
    }
}

static char* CopyOfEntry(int index)
{
    LRESULT length = SendMessageA(imageList, LB_GETTEXTLEN, index, 0);
    if (length == LB_ERR) {
        FatalError(kSourceName, __LINE__, "Finding text length");
    }
    char* text = static_cast<char*>(RMalloc(kSourceName, __LINE__, length + 1));
    if (SendMessageA(imageList, LB_GETTEXT, index, reinterpret_cast<LPARAM>(text)) == LB_ERR) {
        FatalError(kSourceName, __LINE__, "Reading list items");
    }
    return text;
}

static void CopyEntries(cArray* entries)
{
    int count = EntryCount();
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

static void SortEntries(HWND dialog)
{
    cArray entries;
    CopyEntries(&entries);
    SendMessageA(imageList, LB_RESETCONTENT, 0, 0);
    entries.Sort(CompareItems);
    for (int i = 0; i < entries.Count(); ++i) {
        AddUniqueToList(dialog, imageList, static_cast<const char*>(entries.Get(i)));
    }
    ReleaseEntries(&entries);
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
        AddChosenFile(dialog);
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
