#include "RegistryFixture.h"

#include <sddl.h>

const char* const kSettingsPath = "Software\\Velmarin\\SS\\0.90";

void DeleteSettingsKeys()
{
    for (HKEY root : {HKEY_LOCAL_MACHINE, HKEY_CURRENT_USER}) {
        SetKeyAccess(root, kSettingsPath, kFullAccessForEveryone);
    }
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

void CreateSettingsKey(HKEY root)
{
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(root, kSettingsPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

void StoreValue(const char* name, DWORD type, const void* data, DWORD size)
{
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsPath, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size), ERROR_SUCCESS) << name;
    RegCloseKey(key);
}

void StoreDword(const char* name, DWORD value)
{
    StoreValue(name, REG_DWORD, &value, sizeof value);
}

void StoreText(const char* name, const std::string& text)
{
    StoreValue(name, REG_SZ, text.data(), static_cast<DWORD>(text.size()));
}

void StoreImageList(const std::vector<std::string>& paths)
{
    StoreDword("NumFiles", static_cast<DWORD>(paths.size()));
    for (size_t i = 0; i < paths.size(); ++i) {
        StoreText(("File_" + std::to_string(i)).c_str(), paths[i]);
    }
}

bool KeysAreClosed()
{
    return !KeysOpen();
}

void DeleteStoredValue(const char* name)
{
    EXPECT_EQ(RegDeleteKeyValueA(HKEY_CURRENT_USER, kSettingsPath, name), ERROR_SUCCESS) << name;
}

const char* const kFullAccessForEveryone = "D:(A;;KA;;;WD)";
const char* const kReadOnlyForEveryone = "D:P(A;;KR;;;WD)";
const char* const kNoAccess = "D:P";

void SetKeyAccess(HKEY root, const char* path, const char* sddl)
{
    HKEY key;
    if (RegOpenKeyExA(root, path, 0, WRITE_DAC, &key) != ERROR_SUCCESS) {
        return;
    }
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    EXPECT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA(sddl, SDDL_REVISION_1, &descriptor, nullptr));
    EXPECT_EQ(RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor), ERROR_SUCCESS);
    LocalFree(descriptor);
    RegCloseKey(key);
}

static std::wstring Widened(const char* ascii)
{
    return std::wstring(ascii, ascii + strlen(ascii));
}

void StoreWideText(const char* name, const std::wstring& text)
{
    EXPECT_EQ(RegSetKeyValueW(HKEY_CURRENT_USER, Widened(kSettingsPath).c_str(), Widened(name).c_str(), REG_SZ,
                              text.c_str(), static_cast<DWORD>(text.size() * sizeof(wchar_t))),
              ERROR_SUCCESS)
        << name;
}

std::wstring StoredWideText(const char* name)
{
    wchar_t text[512] = {};
    DWORD size = sizeof text;
    RegGetValueW(HKEY_CURRENT_USER, Widened(kSettingsPath).c_str(), Widened(name).c_str(), RRF_RT_REG_SZ, nullptr,
                 text, &size);
    return text;
}
