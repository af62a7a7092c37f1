// Times the picture sequence on a large library under Wine. Prints, one "name value" a line:
//   walk-ms, pictures    the whole walk random order makes before its rounds
//   descent-ms           the first pick by random descent, before any walk
//   descent-folders      the folders (of the entry's subfolders at the first level) that
//                        the first 20 random picks come from
//   first-ms             the saver window's first picture prepared, from its creation, in
//                        the order the settings give
// Usage: library-bench walk FOLDER | library-bench first
#include "Stopwatch.h"
#include "host/SaverClass.h"
#include "screensaver/PictureSequence.h"
#include "screensaver/SSaver.h"
#include "screensaver/SystemFolders.h"

#include <cstdio>
#include <cstring>
#include <set>
#include <string>

static const int kSpreadPicks = 20;

static cPictureSequence RandomSequence(const std::string& folder)
{
    return cPictureSequence({folder}, true, GetTickCount(), ResumePoint(), SystemFolders(), cPictureExtensions());
}

// The first level's folder a path lies in below `folder`.
static std::string TopFolder(const std::string& folder, const std::string& path)
{
    size_t from = folder.size() + 1;
    return path.substr(from, path.find('\\', from) - from);
}

static int Walk(const std::string& folder)
{
    cPictureSequence walked = RandomSequence(folder);
    LARGE_INTEGER start = Now();
    while (walked.WalkStep()) {
    }
    printf("walk-ms %.0f\n", Milliseconds(start));
    printf("pictures %u\n", walked.Next().resume.libraryCount);

    cPictureSequence descending = RandomSequence(folder);
    start = Now();
    SequencePick first = descending.Next();
    printf("descent-ms %.1f\n", Milliseconds(start));
    std::set<std::string> folders = {TopFolder(folder, first.path)};
    for (int i = 1; i < kSpreadPicks; ++i) {
        folders.insert(TopFolder(folder, descending.Next().path));
    }
    printf("descent-folders %zu\n", folders.size());
    return 0;
}

static HWND CreateShowWindow()
{
    HINSTANCE instance = GetModuleHandleA(nullptr);
    return RegisterSaverClass(instance) ? CreateSaverWindow(instance, nullptr) : nullptr;
}

static int FirstPicture()
{
    LARGE_INTEGER start = Now();
    HWND window = CreateShowWindow();
    if (window == nullptr) {
        fprintf(stderr, "no saver window\n");
        return 1;
    }
    while (SendMessageA(window, SHOW_PICTURES_WAITING, 0, 0) != 0) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            DispatchMessageA(&message);
        }
        Sleep(1);
    }
    printf("first-ms %.0f\n", Milliseconds(start));
    DestroyWindow(window);
    return 0;
}

int main(int argc, char** argv)
{
    if (argc == 3 && strcmp(argv[1], "walk") == 0) {
        return Walk(argv[2]);
    }
    if (argc == 2 && strcmp(argv[1], "first") == 0) {
        return FirstPicture();
    }
    fprintf(stderr, "usage: library-bench walk FOLDER | library-bench first\n");
    return 2;
}
