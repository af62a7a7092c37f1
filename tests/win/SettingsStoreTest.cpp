// The settings keys and value layout in the real registry.
#include "Harness.h"
#include "RegistryFixture.h"
#include "tests/common/TestFiles.h"

#include <string>

namespace {

void CreateKey(HKEY root)
{
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(root, kSettingsPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr), 0);
    RegCloseKey(key);
}

std::vector<BYTE> StampFor(const SYSTEMTIME& day)
{
    return {90, 0, static_cast<BYTE>(day.wDay), 0, static_cast<BYTE>(day.wMonth), 0, LOBYTE(day.wYear),
            HIBYTE(day.wYear), 0xFF, 0xFF, 0xFF, 0xFF};
}

using SettingsStore = RegistryTest;

TEST_F(SettingsStore, FirstRunCreatesBothKeysAndOnlyTheStamp)
{
    SYSTEMTIME today;
    GetSystemTime(&today);
    OpenKeys();
    CloseKeys();
    EXPECT_EQ(ValueNames(HKEY_LOCAL_MACHINE), std::vector<std::string>{"VLInstall"});
    RegistryValue stamp = QueryValue(HKEY_LOCAL_MACHINE, "VLInstall");
    EXPECT_EQ(stamp.type, static_cast<DWORD>(REG_NONE));
    EXPECT_EQ(stamp.data, StampFor(today));
    EXPECT_TRUE(ValueNames(HKEY_CURRENT_USER).empty());
    EXPECT_FALSE(QueryValue(HKEY_CURRENT_USER, "Flags").present);
}

TEST_F(SettingsStore, LaterRunsWriteNothing)
{
    OpenKeys();
    BYTE oldStamp[12] = {90, 0, 6, 0, 4, 0, 0xCE, 0x07, 0xFF, 0xFF, 0xFF, 0xFF}; // 6 April 1998
    RegSetValueExA(machineKey, "VLInstall", 0, REG_NONE, oldStamp, sizeof oldStamp);
    CloseKeys();
    OpenKeys();
    CloseKeys();
    EXPECT_EQ(QueryValue(HKEY_LOCAL_MACHINE, "VLInstall").data, std::vector<BYTE>(oldStamp, oldStamp + 12));
}

TEST_F(SettingsStore, MissingMachineKeyIsCreatedAgainAndUserValuesStay)
{
    CreateKey(HKEY_CURRENT_USER);
    OpenKeys();
    WriteTextValue(userKey, "UpdateTime", "1500");
    CloseKeys();
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kSettingsPath);
    OpenKeys();
    char text[UPDATE_TIME_CHARS + 1];
    EXPECT_TRUE(ReadTextValue(userKey, "UpdateTime", text, UPDATE_TIME_CHARS));
    CloseKeys();
    EXPECT_STREQ(text, "1500");
    EXPECT_TRUE(QueryValue(HKEY_LOCAL_MACHINE, "VLInstall").present);
}

TEST_F(SettingsStore, TextValuesAreStoredWithoutTerminator)
{
    OpenKeys();
    EXPECT_EQ(WriteTextValue(userKey, "UpdateTime", "1500"), ERROR_SUCCESS);
    EXPECT_EQ(WriteDwordValue(userKey, "NumFiles", 3), ERROR_SUCCESS);
    char name[16];
    ImageValueName(name, 10);
    EXPECT_STREQ(name, "File_10");
    CloseKeys();
    RegistryValue time = QueryValue(HKEY_CURRENT_USER, "UpdateTime");
    EXPECT_EQ(time.type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(std::string(time.data.begin(), time.data.end()).substr(0, 4), "1500");
    RegistryValue count = QueryValue(HKEY_CURRENT_USER, "NumFiles");
    EXPECT_EQ(count.type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(count.data, (std::vector<BYTE>{3, 0, 0, 0}));
}

TEST_F(SettingsStore, TextsFillingTheReaderBufferAreReadWholeAndLongerOnesAreMissing)
{
    OpenKeys();
    std::string path120(116, 'p');
    path120 = "C:\\" + path120 + "x";
    ASSERT_EQ(path120.size(), 120u);
    WriteTextValue(userKey, "File_0", path120.c_str());
    WriteTextValue(userKey, "File_1", (path120 + "y").c_str());
    WriteTextValue(userKey, "UpdateTime", "1234567890");
    WriteTextValue(userKey, "Flags", "1");
    char path[PATH_CHARS + 1];
    char time[UPDATE_TIME_CHARS + 1];
    EXPECT_TRUE(ReadTextValue(userKey, "File_0", path, PATH_CHARS));
    EXPECT_EQ(std::string(path), path120);
    EXPECT_FALSE(ReadTextValue(userKey, "File_1", path, PATH_CHARS));
    EXPECT_TRUE(ReadTextValue(userKey, "UpdateTime", time, UPDATE_TIME_CHARS));
    EXPECT_STREQ(time, "1234567890");
    WriteTextValue(userKey, "UpdateTime", "12345678901");
    EXPECT_FALSE(ReadTextValue(userKey, "UpdateTime", time, UPDATE_TIME_CHARS));
    DWORD flags = 7;
    WriteTextValue(userKey, "Flags", "12345");
    EXPECT_FALSE(ReadDwordValue(userKey, "Flags", &flags));
    EXPECT_FALSE(ReadDwordValue(userKey, "Missing", &flags));
    CloseKeys();
}

CHILD_SCENARIO(OpenKeys)
{
    OpenKeys();
    return 0;
}

TEST_F(SettingsStore, MachineKeyWithoutUserKeyIsFatal)
{
    CreateKey(HKEY_LOCAL_MACHINE);
    ChildProcess child("OpenKeys");
    HWND box = child.WaitForWindow("#32770", "Fatal Error");
    ASSERT_NE(box, nullptr);
    char text[256] = {};
    GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
    EXPECT_STREQ(text, "shared:54 This is not possible!");
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(child.WaitForExit(), kExitMinusOne);
}

} // namespace
