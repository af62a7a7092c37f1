// Entries of libraries found by name at run time.
#pragma once

#include <windows.h>

// The entry as a function of type Entry, or null when the module lacks it.
template <typename Entry>
Entry LookUpEntry(HMODULE module, const char* name)
{
    return reinterpret_cast<Entry>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}
