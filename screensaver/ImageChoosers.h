// Where the image list dialog's new paths come from: the system's pickers behind Add and
// Add Folder..., and drops from the shell. Paths are in the code page of the ANSI interface.
#pragma once

#include <windows.h>
#include <shellapi.h>

#include <string>
#include <vector>

// The paths chosen in the open-file dialog, many at once, in the order it gives them;
// none when it was cancelled. A choice too large to be handed back is said in a box.
std::vector<std::string> ChooseFiles(HWND owner);

// The folder chosen in the system's folder picker (the Vista one, the shell's folder
// browser where that is missing), or "" when none was chosen.
std::string ChooseFolder(HWND owner);

// The paths of a drop, in its order, read in one pass over its block; the drop stays the
// caller's to finish.
std::vector<std::string> DroppedPaths(HDROP drop);
