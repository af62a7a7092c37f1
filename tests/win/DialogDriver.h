// Drives real dialogs from the saver's templates the way a user and the shell would.
#pragma once

#include "Harness.h"

#include <windows.h>

#include <functional>
#include <string>
#include <vector>

// A dialog created modeless and shown on the calling thread; destroyed at the end.
class ModelessDialog {
public:
    ModelessDialog(int templateId, DLGPROC procedure);
    ~ModelessDialog();
    ModelessDialog(const ModelessDialog&) = delete;
    ModelessDialog& operator=(const ModelessDialog&) = delete;

    HWND Window() const { return window; }
    HWND Item(int id) const { return GetDlgItem(window, id); }
    void Click(int id) const;
    // Dispatches what is queued for this thread, as the dialog's message loop would.
    void Pump() const;

private:
    HWND window;
};

// Runs the dialog modally on the calling thread while `user` works it from another thread;
// returns the dialog's end value.
INT_PTR RunModal(int templateId, DLGPROC procedure, const std::function<void()>& user);

// The visible top-level dialog of this process with that caption, waiting for it.
HWND WaitForDialog(const char* caption);
// Waits until the window is gone; false on timeout.
bool WaitUntilClosed(HWND window);
// Clicks a button of a dialog that runs on another thread without waiting for the result.
void PostClick(HWND dialog, int id);
void PostKey(HWND window, WPARAM key);

std::string WindowText(HWND window);
// Types characters one by one into a control.
void Type(HWND control, const std::string& text);
bool IsChecked(HWND box);

std::vector<std::string> ListEntries(HWND list);
std::vector<int> SelectedEntries(HWND list);
void SelectEntries(HWND list, const std::vector<int>& indices);

// An HDROP block as the shell builds it: a DROPFILES header, then the paths, in UTF-16 when
// wide (as the shell of NT gives them), else in the ANSI code page as they are.
HGLOBAL MakeDrop(const std::vector<std::string>& paths, bool wide = false);
