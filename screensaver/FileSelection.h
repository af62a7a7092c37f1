// The paths the image list dialog is handed, as blocks of texts, and the filter it offers
// in the open-file dialog; plain code, without the system's dialogs.
#pragma once

#include "PictureExtensions.h"

#include <string>
#include <vector>

// The texts of a block of zero-terminated texts ended by an empty one, as selections and
// drops hold paths. `size` characters bound the scan: a block without its final zero ends
// at its last complete text.
template <typename Char> std::vector<std::basic_string<Char>> ZeroSeparatedTexts(const Char* block, size_t size)
{
    std::vector<std::basic_string<Char>> texts;
    size_t start = 0;
    while (start < size && block[start] != Char()) {
        const Char* end = std::char_traits<Char>::find(block + start, size - start, Char());
        if (end == nullptr) {
            break;
        }
        size_t length = static_cast<size_t>(end - (block + start));
        texts.emplace_back(block + start, length);
        start += length + 1;
    }
    return texts;
}

// The dialog's filter: "Pictures" with every extension the saver reads, then "All files";
// pairs of zero-terminated texts, ended by one more zero (kept in the string).
std::string OpenFileFilter(const cPictureExtensions& extensions);

// The full paths of a multiple selection as the dialog writes it: one full path, or the
// folder followed by the names chosen in it, each zero-terminated, ended by an empty text.
std::vector<std::string> SelectedPaths(const char* selection, size_t size);
