#include "shared.h"

#include "../shared/cgen.h"

#include <cstdio>
#include <cstring>

HKEY machineKey = nullptr;
HKEY userKey = nullptr;

const char* const kFlagsValue = "Flags";
const char* const kUpdateTimeValue = "UpdateTime";
const char* const kNumFilesValue = "NumFiles";
const char* const kInstallStampValue = "VLInstall";

static const char* const kSourceName = "shared";
static const char* const kKeyPath = "Software\\Velmarin\\SS\\" SETTINGS_VERSION;
static const WORD kStampVersion = 90;

void OpenKeys()
{
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKeyPath, 0, KEY_ALL_ACCESS, &machineKey) != ERROR_SUCCESS) {
        CreateKeys();
        return;
    }
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kKeyPath, 0, KEY_ALL_ACCESS, &userKey) != ERROR_SUCCESS) {
        FatalError(kSourceName, 54, "This is not possible!");
    }
}

// The 12-byte stamp: version, UTC day, month and year (16 bits each), then FFFFFFFF.
static void FillInstallStamp(BYTE stamp[12])
{
    SYSTEMTIME now;
    GetSystemTime(&now);
    const WORD fields[4] = {kStampVersion, now.wDay, now.wMonth, now.wYear};
    for (int i = 0; i < 4; ++i) {
        stamp[2 * i] = LOBYTE(fields[i]);
        stamp[2 * i + 1] = HIBYTE(fields[i]);
    }
    memset(stamp + 8, 0xFF, 4);
}

void CreateKeys()
{
    DWORD disposition = 0;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kKeyPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &machineKey,
                        &disposition) != ERROR_SUCCESS) {
        FatalError(kSourceName, 23, "Registry problem");
    }
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kKeyPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &userKey,
                        &disposition) != ERROR_SUCCESS) {
        FatalError(kSourceName, 26, "Registry problem");
    }
    BYTE stamp[12];
    FillInstallStamp(stamp);
    if (RegSetValueExA(machineKey, kInstallStampValue, 0, REG_NONE, stamp, sizeof stamp) != ERROR_SUCCESS) {
        FatalError(kSourceName, 36, "Registry problem");
    }
}

void CloseKeys()
{
    if (RegCloseKey(machineKey) != ERROR_SUCCESS) {
        Warning(kSourceName, 61, "Could not close machine key");
    }
    if (RegCloseKey(userKey) != ERROR_SUCCESS) {
        Warning(kSourceName, 63, "Could not close user key");
    }
}

void ImageValueName(char* name, DWORD index)
{
    snprintf(name, 16, "File_%d", static_cast<int>(index));
}

bool ReadDwordValue(HKEY key, const char* name, DWORD* value)
{
    DWORD size = sizeof *value;
    return RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(value), &size) == ERROR_SUCCESS;
}

bool ReadTextValue(HKEY key, const char* name, char* text, DWORD chars)
{
    // One byte more than the text may take, for the terminator the platform may append.
    DWORD size = chars + 1;
    if (RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(text), &size) != ERROR_SUCCESS) {
        return false;
    }
    size_t length = strnlen(text, size);
    if (length > chars) {
        return false;
    }
    text[length] = '\0';
    return true;
}

LONG WriteDwordValue(HKEY key, const char* name, DWORD value)
{
    return RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
}

LONG WriteTextValue(HKEY key, const char* name, const char* text)
{
    return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), static_cast<DWORD>(strlen(text)));
}
