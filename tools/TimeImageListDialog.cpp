// Times the image list dialog with a large list, in this process and the settings of its
// prefix: opening it on a stored list, a drop of many files at once as the shell sends it
// (wide paths, in no particular order), Sort, OK, and opening it again on what OK wrote.
// Prints each in milliseconds; the exit code is 1 when a step left the wrong list.
// Usage: time-image-list-dialog [FILES]   (10000 by default)
#include "Stopwatch.h"
#include "resources/resource.h"
#include "screensaver/ImagesDialog.h"
#include "screensaver/shared.h"

#include <shlobj.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>
#include <vector>

// Paths as a photo library has them: a few hundred folders of numbered pictures.
static std::vector<std::wstring> LibraryPaths(int count)
{
    std::vector<std::wstring> paths;
    unsigned state = 12345;
    for (int i = 0; i < count; ++i) {
        state = state * 1103515245u + 12345u;
        unsigned number = (state >> 8) % 1000000;
        wchar_t path[100];
        swprintf(path, 100, L"C:\\Users\\someone\\Pictures\\Album %03u\\IMG_%06u_%d.jpg", number % 300, number, i);
        paths.push_back(path);
    }
    return paths;
}

static HGLOBAL MakeWideDrop(const std::vector<std::wstring>& paths)
{
    size_t characters = 1;
    for (const std::wstring& path : paths) {
        characters += path.size() + 1;
    }
    HGLOBAL drop = GlobalAlloc(GHND | GMEM_SHARE, sizeof(DROPFILES) + characters * sizeof(wchar_t));
    DROPFILES* header = static_cast<DROPFILES*>(GlobalLock(drop));
    header->pFiles = sizeof(DROPFILES);
    header->fWide = TRUE;
    wchar_t* next = reinterpret_cast<wchar_t*>(header + 1);
    for (const std::wstring& path : paths) {
        wmemcpy(next, path.c_str(), path.size() + 1);
        next += path.size() + 1;
    }
    GlobalUnlock(drop);
    return drop;
}

static HWND OpenDialog(double* elapsed)
{
    LARGE_INTEGER start = Now();
    HWND dialog = CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(DLG_IMAGES), nullptr,
                                     ImagesDialogProc, 0);
    ShowWindow(dialog, SW_SHOW);
    UpdateWindow(dialog);
    *elapsed = Milliseconds(start);
    return dialog;
}

static int EntryCount(HWND dialog)
{
    return static_cast<int>(SendDlgItemMessageA(dialog, IDC_IMAGE_LIST, LB_GETCOUNT, 0, 0));
}

static double TimeCommand(HWND dialog, int command)
{
    LARGE_INTEGER start = Now();
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(command, BN_CLICKED), 0);
    UpdateWindow(dialog);
    return Milliseconds(start);
}

static bool Sorted(HWND dialog)
{
    std::string previous;
    for (int i = 0; i < EntryCount(dialog); ++i) {
        char text[PATH_CHARS + 1];
        SendDlgItemMessageA(dialog, IDC_IMAGE_LIST, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
        if (i > 0 && CompareStrings(previous.c_str(), text) > 0) {
            return false;
        }
        previous = text;
    }
    return true;
}

int main(int argc, char** argv)
{
    int count = argc > 1 ? atoi(argv[1]) : 10000;
    OpenKeys();
    double opened = 0;
    HWND dialog = OpenDialog(&opened);
    SendMessageA(dialog, WM_COMMAND, IDC_CLEAR, 0);

    LARGE_INTEGER start = Now();
    SendMessageA(dialog, WM_DROPFILES, reinterpret_cast<WPARAM>(MakeWideDrop(LibraryPaths(count))), 0);
    UpdateWindow(dialog);
    double dropped = Milliseconds(start);
    int listed = EntryCount(dialog);
    double sorted = TimeCommand(dialog, IDC_SORT);
    bool inOrder = Sorted(dialog) && EntryCount(dialog) == count;
    double written = TimeCommand(dialog, IDOK);
    DestroyWindow(dialog);

    double reopened = 0;
    dialog = OpenDialog(&reopened);
    int loaded = EntryCount(dialog);
    DestroyWindow(dialog);
    CloseKeys();

    printf("files                 %d\n", count);
    printf("drop, listed          %8.1f ms  (%d entries)\n", dropped, listed);
    printf("sort                  %8.1f ms  (%s)\n", sorted, inOrder ? "in order" : "NOT IN ORDER");
    printf("ok, written           %8.1f ms\n", written);
    printf("open on written list  %8.1f ms  (%d entries)\n", reopened, loaded);
    return listed == count && inOrder && loaded == count ? 0 : 1;
}
