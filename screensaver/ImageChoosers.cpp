#include "ImageChoosers.h"

#include "FileSelection.h"
#include "PictureExtensions.h"
#include "WideText.h"
#include "decoder/SystemPictureExtensions.h"

#include <cderr.h>
#include <commdlg.h>
#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <cstddef>
#include <cstring>

static const char* const kFilesTitle = "Select a file";
static const wchar_t* const kFolderTitle = L"Select a folder";
// Room for the names of thousands of files chosen at once.
static const DWORD kSelectionChars = 1 << 20;

// The open-file structure as of version 4.0, without the fields added later: 76 bytes on i686.
static const DWORD kOpenFileNameSize = offsetof(OPENFILENAMEA, lpTemplateName) + sizeof(LPCSTR);
static_assert(sizeof(void*) != 4 || kOpenFileNameSize == 76, "version 4.0 open-file structure");

static void RefuseLargeSelection(HWND owner)
{
    MessageBoxA(owner, "Too many files were chosen at once: choose fewer, or add their folder with Add Folder...",
                "Error adding...", MB_OK | MB_ICONWARNING);
}

std::vector<std::string> ChooseFiles(HWND owner)
{
    std::vector<char> selection(kSelectionChars, '\0');
    cPictureExtensions extensions;
    AddSystemPictureExtensions(extensions);
    const std::string filter = OpenFileFilter(extensions);
    OPENFILENAMEA request = {};
    request.lStructSize = kOpenFileNameSize;
    request.hwndOwner = owner;
    request.lpstrFilter = filter.c_str();
    request.nFilterIndex = 1;
    request.lpstrFile = selection.data();
    request.nMaxFile = kSelectionChars;
    request.lpstrTitle = kFilesTitle;
    request.Flags = OFN_ALLOWMULTISELECT | OFN_EXPLORER | OFN_HIDEREADONLY;
    if (GetOpenFileNameA(&request)) {
        return SelectedPaths(selection.data(), selection.size());
    }
    if (CommDlgExtendedError() == FNERR_BUFFERTOOSMALL) {
        RefuseLargeSelection(owner);
    }
    return {};
}

// COM on this thread for the pickers, in a single-threaded apartment, for as long as it lives.
class cComApartment {
public:
    cComApartment() : result(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE)) {}
    ~cComApartment()
    {
        if (SUCCEEDED(result)) {
            CoUninitialize();
        }
    }
    cComApartment(const cComApartment&) = delete;
    cComApartment& operator=(const cComApartment&) = delete;

private:
    HRESULT result;
};

// One reference to a COM object, released when it goes.
template <typename Interface> class cComReference {
public:
    cComReference() = default;
    ~cComReference()
    {
        if (object != nullptr) {
            object->Release();
        }
    }
    cComReference(const cComReference&) = delete;
    cComReference& operator=(const cComReference&) = delete;

    Interface** Receive() { return &object; }
    void** ReceiveUntyped() { return reinterpret_cast<void**>(&object); }
    Interface* Get() const { return object; }
    Interface* operator->() const { return object; }

private:
    Interface* object = nullptr;
};

static std::wstring TakeTaskText(wchar_t* text)
{
    std::wstring copy = text;
    CoTaskMemFree(text);
    return copy;
}

static std::wstring ChosenItemPath(IFileOpenDialog* picker)
{
    cComReference<IShellItem> item;
    wchar_t* path = nullptr;
    if (FAILED(picker->GetResult(item.Receive())) || FAILED(item->GetDisplayName(SIGDN_FILESYSPATH, &path))) {
        return L"";
    }
    return TakeTaskText(path);
}

// False when the system has no such picker or it cannot pick folders; otherwise the chosen
// folder, or "" when none was chosen, goes to `folder`.
static bool PickWithFileDialog(HWND owner, std::wstring* folder)
{
    cComReference<IFileOpenDialog> picker;
    if (FAILED(CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER, IID_IFileOpenDialog,
                                picker.ReceiveUntyped()))) {
        return false;
    }
    FILEOPENDIALOGOPTIONS options = 0;
    if (FAILED(picker->GetOptions(&options)) ||
        FAILED(picker->SetOptions(options | FOS_PICKFOLDERS | FOS_FORCEFILESYSTEM))) {
        return false;
    }
    picker->SetTitle(kFolderTitle);
    folder->clear();
    if (SUCCEEDED(picker->Show(owner))) {
        *folder = ChosenItemPath(picker.Get());
    }
    return true;
}

static std::wstring PickWithFolderBrowser(HWND owner)
{
    BROWSEINFOW browse = {};
    browse.hwndOwner = owner;
    browse.lpszTitle = kFolderTitle;
    browse.ulFlags = BIF_RETURNONLYFSDIRS | BIF_NEWDIALOGSTYLE;
    LPITEMIDLIST chosen = SHBrowseForFolderW(&browse);
    if (chosen == nullptr) {
        return L"";
    }
    wchar_t path[MAX_PATH] = L"";
    BOOL found = SHGetPathFromIDListW(chosen, path);
    CoTaskMemFree(chosen);
    return found ? path : L"";
}


std::string ChooseFolder(HWND owner)
{
    cComApartment apartment;
    std::wstring folder;
    if (!PickWithFileDialog(owner, &folder)) {
        folder = PickWithFolderBrowser(owner);
    }
    return CodePageText(folder);
}

// The block's wide texts, copied out first: the shell need not align them.
static std::vector<std::string> WideTextsOf(const BYTE* block, size_t bytes)
{
    std::wstring texts(bytes / sizeof(wchar_t), L'\0');
    memcpy(&texts[0], block, texts.size() * sizeof(wchar_t));
    std::vector<std::string> paths;
    for (const std::wstring& text : ZeroSeparatedTexts(texts.c_str(), texts.size())) {
        paths.push_back(CodePageText(text));
    }
    return paths;
}

// Asking the drop for its paths one index at a time walks the block from its start for
// each, which thousands of files make slow.
std::vector<std::string> DroppedPaths(HDROP drop)
{
    std::vector<std::string> paths;
    const BYTE* block = static_cast<const BYTE*>(GlobalLock(drop));
    if (block == nullptr) {
        return paths;
    }
    size_t size = GlobalSize(drop);
    DROPFILES header = {};
    if (size >= sizeof header) {
        memcpy(&header, block, sizeof header);
    }
    if (header.pFiles >= sizeof header && header.pFiles < size) {
        const BYTE* files = block + header.pFiles;
        size_t bytes = size - header.pFiles;
        paths = header.fWide ? WideTextsOf(files, bytes)
                             : ZeroSeparatedTexts(reinterpret_cast<const char*>(files), bytes);
    }
    GlobalUnlock(drop);
    return paths;
}
