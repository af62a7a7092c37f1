// A made-up folder tree for the picture sequence, and a portable stand-in for the shell's
// logical order of names.
#pragma once

#include "screensaver/PictureSequence.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

// Whether `a` comes before `b` with runs of digits compared as numbers and letters in any
// case: "2.jpg" before "10.jpg".
bool LogicalNameBefore(const std::string& a, const std::string& b);

// The tree is made of lines: a file's path, or a folder's path ending in a backslash (an
// empty folder). Folders on the way to a line exist. A prefix marks the last part of the
// line: "h:" hidden or system, "l:" a link (a folder only), "u:" a folder that cannot be read.
struct FakeTree {
    explicit FakeTree(const std::vector<std::string>& lines);
    void Add(const std::string& line);
    void Remove(const std::string& path);

    struct Node {
        bool folder;
        bool hidden;
        bool link;
        bool unreadable;
    };
    std::map<std::string, Node> nodes;
    int listings = 0;
};

std::unique_ptr<cFolderSource> FakeFolders(FakeTree& tree);
