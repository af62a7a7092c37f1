#include "InputMethod.h"

#include "EntryLookup.h"

typedef HANDLE(WINAPI* AssociateEntry)(HWND window, HANDLE context);

static HMODULE imeModule = nullptr;
static AssociateEntry imeAssociate = nullptr;
static HANDLE savedInputContext = nullptr;

// The library is used only when already mapped, so it is never freed here.
void SwitchInputMethodOff(HWND window)
{
    imeModule = GetModuleHandleA("IMM32.DLL");
    if (imeModule == nullptr) {
        return;
    }
    imeAssociate = LookUpEntry<AssociateEntry>(imeModule, "ImmAssociateContext");
    if (imeAssociate != nullptr) {
        savedInputContext = imeAssociate(window, nullptr);
    }
}

void GiveInputContextBack(HWND window)
{
    if (imeModule != nullptr && imeAssociate != nullptr && savedInputContext != nullptr) {
        imeAssociate(window, savedInputContext);
    }
}
