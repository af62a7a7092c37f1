#include "DialogDriver.h"

#include <shlobj.h>

#include <cstring>
#include <thread>

ModelessDialog::ModelessDialog(int templateId, DLGPROC procedure)
    : window(CreateDialogParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(templateId), nullptr, procedure, 0))
{
}

ModelessDialog::~ModelessDialog()
{
    if (IsWindow(window)) {
        DestroyWindow(window);
    }
}

void ModelessDialog::Click(int id) const
{
    SendMessageA(Item(id), BM_CLICK, 0, 0);
}

void ModelessDialog::Pump() const
{
    PumpMessages(window);
}

INT_PTR RunModal(int templateId, DLGPROC procedure, const std::function<void()>& user)
{
    std::thread userThread(user);
    INT_PTR result = DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(templateId), nullptr, procedure, 0);
    userThread.join();
    return result;
}

HWND WaitForDialog(const char* caption)
{
    return WaitForOwnWindow("#32770", caption);
}

bool WaitUntilClosed(HWND window)
{
    return WaitUntil([&] { return !IsWindow(window) || !IsWindowVisible(window); });
}

void PostClick(HWND dialog, int id)
{
    PostMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0);
}

void PostKey(HWND window, WPARAM key)
{
    PostMessageA(window, WM_KEYDOWN, key, 1);
    PostMessageA(window, WM_KEYUP, key, 0xC0000001);
}

std::string WindowText(HWND window)
{
    char text[512] = {};
    SendMessageA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text));
    return text;
}

void Type(HWND control, const std::string& text)
{
    for (char character : text) {
        SendMessageA(control, WM_CHAR, static_cast<BYTE>(character), 1);
    }
}

bool IsChecked(HWND box)
{
    return SendMessageA(box, BM_GETCHECK, 0, 0) == BST_CHECKED;
}

std::vector<std::string> ListEntries(HWND list)
{
    std::vector<std::string> entries;
    int count = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
    for (int i = 0; i < count; ++i) {
        std::string text(SendMessageA(list, LB_GETTEXTLEN, i, 0) + 1, '\0');
        SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(&text[0]));
        text.resize(strlen(text.c_str()));
        entries.push_back(text);
    }
    return entries;
}

std::vector<int> SelectedEntries(HWND list)
{
    std::vector<int> selected(SendMessageA(list, LB_GETSELCOUNT, 0, 0));
    SendMessageA(list, LB_GETSELITEMS, selected.size(), reinterpret_cast<LPARAM>(selected.data()));
    return selected;
}

void SelectEntries(HWND list, const std::vector<int>& indices)
{
    SendMessageA(list, LB_SETSEL, FALSE, -1);
    for (int index : indices) {
        SendMessageA(list, LB_SETSEL, TRUE, index);
    }
}

// The paths one after the other, each with its terminator, and the block's final zero.
static std::wstring WideBlock(const std::vector<std::string>& paths)
{
    std::wstring block;
    for (const std::string& path : paths) {
        std::wstring wide(path.size() + 1, L'\0');
        int length = MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, &wide[0], static_cast<int>(wide.size()));
        block.append(wide.c_str(), length > 0 ? length : 1);
    }
    return block + L'\0';
}

static std::string AnsiBlock(const std::vector<std::string>& paths)
{
    std::string block;
    for (const std::string& path : paths) {
        block.append(path.c_str(), path.size() + 1);
    }
    return block + '\0';
}

HGLOBAL MakeDrop(const std::vector<std::string>& paths, bool wide)
{
    std::wstring wideBlock = WideBlock(paths);
    std::string ansiBlock = AnsiBlock(paths);
    const void* files = wide ? static_cast<const void*>(wideBlock.data()) : ansiBlock.data();
    size_t bytes = wide ? wideBlock.size() * sizeof(wchar_t) : ansiBlock.size();
    HGLOBAL drop = GlobalAlloc(GHND | GMEM_SHARE, sizeof(DROPFILES) + bytes);
    DROPFILES* header = static_cast<DROPFILES*>(GlobalLock(drop));
    header->pFiles = sizeof(DROPFILES);
    header->pt = POINT{20, 20};
    header->fNC = FALSE;
    header->fWide = wide;
    memcpy(header + 1, files, bytes);
    GlobalUnlock(drop);
    return drop;
}
