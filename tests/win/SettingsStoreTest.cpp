// The settings keys and value layout in the real registry, with the access a current
// Windows gives: a machine key that users may only read, and a user key of their own.
#include "Harness.h"
#include "RegistryFixture.h"

#include <string>

namespace {

std::vector<BYTE> StampFor(const SYSTEMTIME& day)
{
    return {90, 0, static_cast<BYTE>(day.wDay), 0, static_cast<BYTE>(day.wMonth), 0, LOBYTE(day.wYear),
            HIBYTE(day.wYear), 0xFF, 0xFF, 0xFF, 0xFF};
}

const std::vector<BYTE> kOldStamp = {90, 0, 6, 0, 4, 0, 0xCE, 0x07, 0xFF, 0xFF, 0xFF, 0xFF}; // 6 April 1998

void StoreOldStamp()
{
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kSettingsPath, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegSetValueExA(key, "VLInstall", 0, REG_NONE, kOldStamp.data(), static_cast<DWORD>(kOldStamp.size()));
    RegCloseKey(key);
}

bool KeyExists(HKEY root)
{
    HKEY key;
    if (RegOpenKeyExA(root, kSettingsPath, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(key);
    return true;
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
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER));
    EXPECT_TRUE(ValueNames(HKEY_CURRENT_USER).empty());
}

TEST_F(SettingsStore, LaterRunsWriteNothing)
{
    StoreOldStamp();
    OpenKeys();
    CloseKeys();
    OpenKeys();
    CloseKeys();
    EXPECT_EQ(QueryValue(HKEY_LOCAL_MACHINE, "VLInstall").data, kOldStamp);
}

TEST_F(SettingsStore, MissingMachineKeyIsCreatedAgainAndUserValuesStay)
{
    StoreText("UpdateTime", "1500");
    OpenKeys();
    char text[UPDATE_TIME_CHARS + 1];
    ReadUpdateTime(text);
    CloseKeys();
    EXPECT_STREQ(text, "1500");
    EXPECT_TRUE(QueryValue(HKEY_LOCAL_MACHINE, "VLInstall").present);
}

TEST_F(SettingsStore, WritersStoreDwordsAndTextsWithoutTerminator)
{
    std::vector<std::string> paths(10, "C:\\p\\any.bmp");
    paths.push_back("C:\\p\\10.bmp");
    cArray list;
    for (std::string& path : paths) {
        list.Add(&path[0]);
    }
    OpenKeys();
    EXPECT_EQ(WriteUpdateTime("1500"), ERROR_SUCCESS);
    EXPECT_EQ(WriteFlags(3), ERROR_SUCCESS);
    EXPECT_EQ(WriteImageList(list), ERROR_SUCCESS);
    CloseKeys();
    ExpectStoredText("UpdateTime", "1500");
    ExpectStoredDword("Flags", 3);
    ExpectStoredDword("NumFiles", 11);
    ExpectStoredText("File_10", "C:\\p\\10.bmp");
}

std::string StoredUpdateTime(DWORD type, const std::string& bytes)
{
    StoreValue("UpdateTime", type, bytes.data(), static_cast<DWORD>(bytes.size()));
    char text[UPDATE_TIME_CHARS + 1];
    OpenKeys();
    ReadUpdateTime(text);
    CloseKeys();
    return text;
}

DWORD StoredFlags(DWORD type, const std::vector<BYTE>& bytes)
{
    StoreValue("Flags", type, bytes.data(), static_cast<DWORD>(bytes.size()));
    OpenKeys();
    DWORD flags = ReadFlags();
    CloseKeys();
    return flags;
}

TEST_F(SettingsStore, NumbersComeOnlyFromFourByteDwordsAndTextsOnlyFromFittingStrings)
{
    EXPECT_EQ(StoredFlags(REG_DWORD, {3, 0, 0, 0}), 3u);
    EXPECT_EQ(StoredFlags(REG_DWORD, {1}), 0u) << "one byte over a stale buffer";
    EXPECT_EQ(StoredFlags(REG_BINARY, {3, 0, 0, 0}), 0u);
    EXPECT_EQ(StoredFlags(REG_SZ, {'1'}), 0u);
    EXPECT_EQ(StoredFlags(REG_QWORD, {3, 0, 0, 0, 0, 0, 0, 0}), 0u);

    EXPECT_EQ(StoredUpdateTime(REG_SZ, "1234567890"), "1234567890");
    EXPECT_EQ(StoredUpdateTime(REG_SZ, "12345678901"), "3000");
    EXPECT_EQ(StoredUpdateTime(REG_SZ, std::string("15\0" "99", 5)), "15");
    EXPECT_EQ(StoredUpdateTime(REG_DWORD, std::string("\xDC\x05\0\0", 4)), "3000");
    EXPECT_EQ(StoredUpdateTime(REG_EXPAND_SZ, "1500"), "3000");
}

CHILD_SCENARIO(ReadImageList)
{
    std::string result;
    OpenKeys();
    ReadImageList([](const char* path, void* text) { *static_cast<std::string*>(text) += std::string(path) + "|"; },
                  &result, {"Test", 7, "Corrupt registry"});
    CloseKeys();
    Observe("paths", result);
    Observe("console", ConsoleScreen().Rows(16));
    return 0;
}

// The paths ReadImageList hands over, and how many warnings it wrote.
struct ListRead {
    std::string paths;
    size_t warnings = 0;
};

ListRead ReadListInChild()
{
    ChildProcess child("ReadImageList");
    EXPECT_EQ(child.WaitForExit(), 0u);
    Observations seen = child.Observed();
    ListRead read;
    read.paths = seen["paths"];
    std::string result = "|" + seen["console"];
    for (size_t at = result.find("|Corrupt registry|"); at != std::string::npos;
         at = result.find("|Corrupt registry|", at + 1)) {
        ++read.warnings;
    }
    return read;
}

TEST_F(SettingsStore, ImageListEndsAtNumFilesOrAfterTheLastPathValue)
{
    std::string longest = "C:\\" + std::string(117, 'x');
    StoreImageList({"C:\\0.bmp", "", "C:\\2.bmp", "", "C:\\4.bmp", longest, longest + "y"});
    DWORD path1 = 1;
    StoreValue("File_1", REG_DWORD, &path1, sizeof path1);
    StoreValue("File_3", REG_EXPAND_SZ, "C:\\3.bmp", 8);
    StoreDword("NumFiles", 0xFFFFFFFF);
    for (const char* other : {"File_07", "File_x", "File_-8", "File_99999999999", "NotFile_9"}) {
        StoreText(other, "C:\\other.bmp");
    }
    StoreText(std::string(300, 'F').c_str(), "a name longer than any index");
    ListRead huge = ReadListInChild();
    EXPECT_EQ(huge.paths, "C:\\0.bmp|C:\\2.bmp|C:\\4.bmp|" + longest + "|");
    EXPECT_EQ(huge.warnings, 3u) << "File_1 and File_3 of another type, File_6 too long";

    StoreDword("NumFiles", 2);
    ListRead shorter = ReadListInChild();
    EXPECT_EQ(shorter.paths, "C:\\0.bmp|");
    EXPECT_EQ(shorter.warnings, 1u);

    StoreText("NumFiles", "3");
    ListRead text = ReadListInChild();
    EXPECT_EQ(text.paths, "");
    EXPECT_EQ(text.warnings, 0u);
}

// Opens the keys in a child; writes the update time it reads and the first console row,
// which stays empty unless something was reported.
CHILD_SCENARIO(OpenKeys)
{
    OpenKeys();
    char updateTime[UPDATE_TIME_CHARS + 1];
    ReadUpdateTime(updateTime);
    CloseKeys();
    Observe("updateTime", updateTime);
    Observe("console", ConsoleScreen().Row(0));
    return 0;
}

std::string OpenKeysInChild()
{
    ChildProcess child("OpenKeys");
    EXPECT_EQ(child.WaitForExit(), 0u);
    Observations seen = child.Observed();
    return seen["updateTime"] + "|" + seen["console"];
}

TEST_F(SettingsStore, MachineKeyThisUserMayNotWriteIsLeftAloneSilently)
{
    StoreOldStamp();
    SetKeyAccess(HKEY_LOCAL_MACHINE, kSettingsPath, kReadOnlyForEveryone);
    EXPECT_EQ(OpenKeysInChild(), "3000|") << "a second account: no user key yet";
    EXPECT_TRUE(KeyExists(HKEY_CURRENT_USER));
    EXPECT_EQ(QueryValue(HKEY_LOCAL_MACHINE, "VLInstall").data, kOldStamp);

    DeleteSettingsKeys();
    StoreText("UpdateTime", "1500");
    CreateSettingsKey(HKEY_LOCAL_MACHINE);
    SetKeyAccess(HKEY_LOCAL_MACHINE, kSettingsPath, kNoAccess);
    EXPECT_EQ(OpenKeysInChild(), "1500|") << "a first run where the machine key cannot be written";
    EXPECT_EQ(OpenKeysInChild(), "1500|");
    SetKeyAccess(HKEY_LOCAL_MACHINE, kSettingsPath, kFullAccessForEveryone);
    EXPECT_TRUE(ValueNames(HKEY_LOCAL_MACHINE).empty());
}

TEST_F(SettingsStore, UserKeyIsOpenedEvenReadOnlyAndOnlyOneNeitherOpenedNorCreatedIsFatal)
{
    StoreText("UpdateTime", "1500");
    SetKeyAccess(HKEY_CURRENT_USER, kSettingsPath, kReadOnlyForEveryone);
    EXPECT_EQ(OpenKeysInChild(), "1500|");

    SetKeyAccess(HKEY_CURRENT_USER, kSettingsPath, kNoAccess);
    ChildProcess child("OpenKeys");
    HWND box = child.WaitForWindow("#32770", "Fatal Error");
    ASSERT_NE(box, nullptr);
    char text[256] = {};
    GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
    EXPECT_STREQ(text, "shared:26 Registry problem");
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    EXPECT_EQ(child.WaitForExit(), kExitMinusOne);
}

} // namespace
