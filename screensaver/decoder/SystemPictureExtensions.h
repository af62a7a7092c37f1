// The file name extensions the system's imaging component reads, on Windows: those its
// installed decoders declare (".tif", ".heic", ".dng" and so on).
#pragma once

#include "../PictureExtensions.h"

// Adds them to `extensions`; nothing where the component is missing. Callable on any thread:
// COM is initialised for the call where the thread has not done so.
void AddSystemPictureExtensions(cPictureExtensions& extensions);
