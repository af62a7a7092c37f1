// Writes an image list (and optionally the update time and flags) into the saver's
// settings, the way the image list dialog stores them.
// Usage: seed-images [--time MILLISECONDS] [--flags N] PATH...
#include "screensaver/shared.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv)
{
    OpenKeys();
    DWORD count = 0;
    for (int i = 1; i < argc; ++i) {
        if (strcmp(argv[i], "--time") == 0 && i + 1 < argc) {
            WriteTextValue(userKey, kUpdateTimeValue, argv[++i]);
        } else if (strcmp(argv[i], "--flags") == 0 && i + 1 < argc) {
            WriteDwordValue(userKey, kFlagsValue, static_cast<DWORD>(strtoul(argv[++i], nullptr, 10)));
        } else {
            char name[16];
            ImageValueName(name, count++);
            WriteTextValue(userKey, name, argv[i]);
        }
    }
    LONG result = WriteDwordValue(userKey, kNumFilesValue, count);
    CloseKeys();
    printf("%lu pictures in the image list\n", static_cast<unsigned long>(count));
    return result == ERROR_SUCCESS ? 0 : 1;
}
