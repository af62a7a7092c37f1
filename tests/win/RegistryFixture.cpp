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

void ExpectStoredDword(const char* name, DWORD value)
{
    RegistryValue stored = QueryValue(HKEY_CURRENT_USER, name);
    EXPECT_TRUE(stored.present) << name;
    EXPECT_EQ(stored.type, static_cast<DWORD>(REG_DWORD)) << name;
    const BYTE* bytes = reinterpret_cast<const BYTE*>(&value);
    EXPECT_EQ(stored.data, std::vector<BYTE>(bytes, bytes + sizeof value)) << name;
}

void ExpectStoredText(const char* name, const std::string& text)
{
    RegistryValue stored = QueryValue(HKEY_CURRENT_USER, name);
    EXPECT_TRUE(stored.present) << name;
    EXPECT_EQ(stored.type, static_cast<DWORD>(REG_SZ)) << name;
    std::string bytes(stored.data.begin(), stored.data.end());
    if (!bytes.empty() && bytes.back() == '\0') {
        bytes.pop_back();
    }
    EXPECT_EQ(bytes, text) << name;
}
