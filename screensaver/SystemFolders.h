// The file system of Windows for the picture sequence, and the opening of the paths it
// finds, which may be longer than MAX_PATH.
#pragma once

#include "PictureSequence.h"

#include <cstdio>
#include <memory>
#include <string>

// Lists folders with FindFirstFileExW and orders names with StrCmpLogicalW.
std::unique_ptr<cFolderSource> SystemFolders();

// The UTF-8 path in UTF-16, in the "\\?\" form where it is too long for the plain one.
std::wstring WidePath(const std::string& path);

// The file opened for reading, or null.
FILE* OpenPictureFile(const std::string& path);
