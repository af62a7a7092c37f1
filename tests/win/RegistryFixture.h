// Tests that own the settings keys: each starts and ends with neither key present.
#pragma once

#include "screensaver/shared.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

extern const char* const kSettingsPath;

void DeleteSettingsKeys();

struct RegistryValue {
    bool present = false;
    DWORD type = 0;
    std::vector<BYTE> data;
};
RegistryValue QueryValue(HKEY root, const char* name);
std::vector<std::string> ValueNames(HKEY root);

class RegistryTest : public ::testing::Test {
protected:
    void SetUp() override { DeleteSettingsKeys(); }
    void TearDown() override { DeleteSettingsKeys(); }
};

// Expects a user-key value with exactly these bytes: REG_DWORD, or REG_SZ with the text's
// characters. The platform stores a terminator after a text counted without one when the byte
// after it is zero (NT does the same), so one trailing zero byte is accepted.
void ExpectStoredDword(const char* name, DWORD value);
void ExpectStoredText(const char* name, const std::string& text);

// Values written into the user key (created when absent) as the saver or another program
// would: texts without a terminator, any type and size with StoreValue.
void StoreValue(const char* name, DWORD type, const void* data, DWORD size);
void StoreDword(const char* name, DWORD value);
void StoreText(const char* name, const std::string& text);
void StoreImageList(const std::vector<std::string>& paths);
// Cyrillic, Greek and Chinese letters, for names outside any one legacy code page.
const wchar_t* const kScriptsInAFolderName = L" \u0424\u043E\u0442\u043E \u03A6\u03C9\u03C4\u03CC \u7167\u7247";
// A text as the registry keeps it, in UTF-16, whatever this program's code page.
void StoreWideText(const char* name, const std::wstring& text);
std::wstring StoredWideText(const char* name);
void CreateSettingsKey(HKEY root);
void DeleteStoredValue(const char* name);

// True once CloseKeys has closed the user key.
bool KeysAreClosed();

// Gives the key at root\\path the DACL of `sddl`. DeleteSettingsKeys gives full access back
// first, so that the keys can be deleted.
void SetKeyAccess(HKEY root, const char* path, const char* sddl);
extern const char* const kFullAccessForEveryone;
extern const char* const kReadOnlyForEveryone;
// An empty DACL: only the owner may change it again.
extern const char* const kNoAccess;
