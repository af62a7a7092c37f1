#include "SystemFolders.h"

#include "WideText.h"

#include <windows.h>

#include <shlwapi.h>

#include <algorithm>
#include <utility>
#include <vector>

// Past this many UTF-16 units a folder's path (room left for a file name of 8.3) needs the
// long form.
static const size_t kPlainFolderPath = MAX_PATH - 12;

// "C:\…" becomes "\\?\C:\…" and "\\server\share\…" becomes "\\?\UNC\server\share\…"; other
// paths stay as they are.
std::wstring WidePath(const std::string& path)
{
    std::wstring wide = Utf16(path);
    if (wide.size() < kPlainFolderPath) {
        return wide;
    }
    if (wide.size() > 2 && wide[1] == L':' && wide[2] == L'\\') {
        return L"\\\\?\\" + wide;
    }
    bool device = wide.compare(0, 4, L"\\\\?\\") == 0 || wide.compare(0, 4, L"\\\\.\\") == 0;
    if (wide.compare(0, 2, L"\\\\") == 0 && !device) {
        return L"\\\\?\\UNC" + wide.substr(1);
    }
    return wide;
}

FILE* OpenPictureFile(const std::string& path)
{
    return _wfopen(WidePath(path).c_str(), L"rb");
}

namespace {

class cSystemFolders : public cFolderSource {
public:
    bool List(const std::string& folder, std::vector<ListedItem>* items) override;
    PathKind KindOf(const std::string& path) override;
    bool NameBefore(const std::string& a, const std::string& b) const override;
    void SortByName(std::vector<ListedItem>* items) const override;
};

bool IsDotName(const wchar_t* name)
{
    return name[0] == L'.' && (name[1] == L'\0' || (name[1] == L'.' && name[2] == L'\0'));
}

ListedItem ItemOf(const WIN32_FIND_DATAW& found)
{
    DWORD attributes = found.dwFileAttributes;
    return {Utf8(found.cFileName), (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0,
            (attributes & (FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM)) != 0,
            (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0};
}

} // namespace

// A folder without entries lists as empty; one that cannot be opened or read is not listed.
bool cSystemFolders::List(const std::string& folder, std::vector<ListedItem>* items)
{
    std::string pattern = folder.empty() || folder.back() != '\\' ? folder + "\\*" : folder + "*";
    WIN32_FIND_DATAW found;
    HANDLE search = FindFirstFileExW(WidePath(pattern).c_str(), FindExInfoBasic, &found, FindExSearchNameMatch, nullptr,
                                     FIND_FIRST_EX_LARGE_FETCH);
    if (search == INVALID_HANDLE_VALUE) {
        return GetLastError() == ERROR_FILE_NOT_FOUND;
    }
    do {
        if (!IsDotName(found.cFileName)) {
            items->push_back(ItemOf(found));
        }
    } while (FindNextFileW(search, &found));
    bool complete = GetLastError() == ERROR_NO_MORE_FILES;
    FindClose(search);
    return complete;
}

PathKind cSystemFolders::KindOf(const std::string& path)
{
    DWORD attributes = GetFileAttributesW(WidePath(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        return PATH_MISSING;
    }
    return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? PATH_FOLDER : PATH_FILE;
}

bool cSystemFolders::NameBefore(const std::string& a, const std::string& b) const
{
    return StrCmpLogicalW(Utf16(a).c_str(), Utf16(b).c_str()) < 0;
}

// Each name turned to UTF-16 once, not at every comparison.
void cSystemFolders::SortByName(std::vector<ListedItem>* items) const
{
    std::vector<std::pair<std::wstring, size_t>> names;
    names.reserve(items->size());
    for (size_t i = 0; i < items->size(); ++i) {
        names.push_back({Utf16((*items)[i].name), i});
    }
    std::stable_sort(names.begin(), names.end(), [](const std::pair<std::wstring, size_t>& a,
                                                    const std::pair<std::wstring, size_t>& b) {
        return StrCmpLogicalW(a.first.c_str(), b.first.c_str()) < 0;
    });
    std::vector<ListedItem> sorted;
    sorted.reserve(items->size());
    for (const auto& name : names) {
        sorted.push_back(std::move((*items)[name.second]));
    }
    items->swap(sorted);
}

std::unique_ptr<cFolderSource> SystemFolders()
{
    return std::unique_ptr<cFolderSource>(new cSystemFolders());
}
