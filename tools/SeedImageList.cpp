// Writes an image list (and optionally the update time and flags) into the saver's
// settings, the way the image list dialog stores them: the next run begins afresh.
// Usage: seed-images [--time MILLISECONDS] [--flags N] PATH...
#include "screensaver/shared.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv)
{
    OpenKeys();
    bool written = true;
    cArray paths;
    for (int i = 1; i < argc; ++i) {
        if (strcmp(argv[i], "--time") == 0 && i + 1 < argc) {
            written = WriteUpdateTime(argv[++i]) == ERROR_SUCCESS && written;
        } else if (strcmp(argv[i], "--flags") == 0 && i + 1 < argc) {
            written = WriteFlags(static_cast<DWORD>(strtoul(argv[++i], nullptr, 10))) == ERROR_SUCCESS && written;
        } else {
            paths.Add(argv[i]);
        }
    }
    written = WriteImageList(paths) == ERROR_SUCCESS && ClearResumePoint() == ERROR_SUCCESS && written;
    CloseKeys();
    printf("%d pictures in the image list\n", paths.Count());
    return written ? 0 : 1;
}
