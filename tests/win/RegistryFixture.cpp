#include "RegistryFixture.h"

const char* const kSettingsPath = "Software\\Velmarin\\SS\\0.90";

void DeleteSettingsKeys()
{
    RegDeleteTreeA(HKEY_LOCAL_MACHINE, kSettingsPath);
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kSettingsPath);
    RegDeleteTreeA(HKEY_CURRENT_USER, kSettingsPath);
    RegDeleteKeyA(HKEY_CURRENT_USER, kSettingsPath);
}

RegistryValue QueryValue(HKEY root, const char* name)
{
    RegistryValue value;
    HKEY key;
    if (RegOpenKeyExA(root, kSettingsPath, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return value;
    }
    BYTE data[1024];
    DWORD size = sizeof data;
    if (RegQueryValueExA(key, name, nullptr, &value.type, data, &size) == ERROR_SUCCESS) {
        value.present = true;
        value.data.assign(data, data + size);
    }
    RegCloseKey(key);
    return value;
}

std::vector<std::string> ValueNames(HKEY root)
{
    std::vector<std::string> names;
    HKEY key;
    if (RegOpenKeyExA(root, kSettingsPath, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return names;
    }
    char name[256];
    for (DWORD index = 0;; ++index) {
        DWORD length = sizeof name;
        if (RegEnumValueA(key, index, name, &length, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS) {
            break;
        }
        names.emplace_back(name, length);
    }
    RegCloseKey(key);
    return names;
}
