#include "shared.h"

#include "Reports.h"
#include "WideText.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <vector>

static HKEY userKey = nullptr;

static const char* const kKeyPath = "Software\\Velmarin\\SS\\" SETTINGS_VERSION;
static const char* const kFlagsValue = "Flags";
static const char* const kUpdateTimeValue = "UpdateTime";
static const char* const kNumFilesValue = "NumFiles";
static const char* const kImageValuePrefix = "File_";
static const char* const kInstallStampValue = "VLInstall";
static const char* const kResumeEntryValue = "ResumeEntry";
static const char* const kResumePathValue = "ResumePath";
static const char* const kResumeRoundValue = "ResumeRound";
static const char* const kResumeRoundShownValue = "ResumeRoundShown";
static const char* const kResumeCountValue = "ResumeCount";
static const char* const kResumeHashValue = "ResumeHash";
static const char* const kResumeValues[] = {kResumeEntryValue, kResumeRoundValue, kResumeRoundShownValue,
                                            kResumeCountValue, kResumeHashValue, kResumePathValue};
// A path found in a folder: the system's longest, in UTF-16 units.
static const DWORD kLongestPath = 32767;
static const WORD kStampVersion = 90;
// Room for "File_" and any 32-bit index in decimal.
static const DWORD kValueNameChars = 16;

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

// A machine key this user may not read counts as missing too.
static bool MachineKeyExists()
{
    HKEY key;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, kKeyPath, 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS) {
        return false;
    }
    RegCloseKey(key);
    return true;
}

// Where this user may not create the machine key or set its value, there is no stamp and no
// report: nothing reads the stamp, and a warning's console would open over the saver.
static void WriteInstallStamp()
{
    HKEY key;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kKeyPath, 0, nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS) {
        return;
    }
    BYTE stamp[12];
    FillInstallStamp(stamp);
    RegSetValueExA(key, kInstallStampValue, 0, REG_NONE, stamp, sizeof stamp);
    RegCloseKey(key);
}

static bool OpenOrCreateUserKey(REGSAM access)
{
    return RegCreateKeyExA(HKEY_CURRENT_USER, kKeyPath, 0, nullptr, 0, access, nullptr, &userKey, nullptr) ==
           ERROR_SUCCESS;
}

void OpenKeys()
{
    if (!MachineKeyExists()) {
        WriteInstallStamp();
    }
    // A user key that may only be read still gives the settings; writing them then fails.
    if (!OpenOrCreateUserKey(KEY_QUERY_VALUE | KEY_SET_VALUE) && !OpenOrCreateUserKey(KEY_QUERY_VALUE)) {
        FatalError(REPORT_REGISTRY_PROBLEM);
    }
}

bool KeysOpen()
{
    return userKey != nullptr;
}

void CloseKeys()
{
    if (userKey == nullptr) {
        return;
    }
    if (RegCloseKey(userKey) != ERROR_SUCCESS) {
        Warning(REPORT_CLOSE_USER_KEY);
    }
    userKey = nullptr;
}

// "File_%d": name has room for kValueNameChars characters.
static void ImageValueName(char* name, DWORD index)
{
    snprintf(name, kValueNameChars, "%s%d", kImageValuePrefix, static_cast<int>(index));
}

// A number only from a REG_DWORD of exactly 4 bytes; otherwise the default.
static DWORD ReadDwordValue(const char* name, DWORD missing)
{
    DWORD type = REG_NONE;
    DWORD stored = 0;
    DWORD size = sizeof stored;
    if (RegQueryValueExA(userKey, name, nullptr, &type, reinterpret_cast<BYTE*>(&stored), &size) != ERROR_SUCCESS ||
        type != REG_DWORD || size != sizeof stored) {
        return missing;
    }
    return stored;
}

// A text only from a REG_SZ of at most `chars` characters; text has room for chars + 1. The
// text ends at the returned size or at a zero byte, whichever comes first.
static bool ReadTextValue(const char* name, char* text, DWORD chars)
{
    DWORD type = REG_NONE;
    // One byte more than the text may take, for the terminator the platform may append.
    DWORD size = chars + 1;
    if (RegQueryValueExA(userKey, name, nullptr, &type, reinterpret_cast<BYTE*>(text), &size) != ERROR_SUCCESS ||
        type != REG_SZ) {
        return false;
    }
    size_t length = strnlen(text, size);
    if (length > chars) {
        return false;
    }
    text[length] = '\0';
    return true;
}

// Texts are stored as REG_SZ without a terminating zero.
static LONG WriteTextValue(const char* name, const char* text)
{
    return RegSetValueExA(userKey, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                          static_cast<DWORD>(strlen(text)));
}

static LONG WriteDwordValue(const char* name, DWORD value)
{
    return RegSetValueExA(userKey, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&value), sizeof value);
}

DWORD ReadFlags()
{
    return ReadDwordValue(kFlagsValue, 0);
}

void ReadUpdateTime(char text[UPDATE_TIME_CHARS + 1])
{
    if (!ReadTextValue(kUpdateTimeValue, text, UPDATE_TIME_CHARS)) {
        strcpy(text, DEFAULT_UPDATE_TIME);
    }
}

// The index of a value named exactly as ImageValueName names it; false for any other name.
static bool ImageIndexOf(const char* name, DWORD* index)
{
    size_t prefixLength = strlen(kImageValuePrefix);
    if (strncmp(name, kImageValuePrefix, prefixLength) != 0 || name[prefixLength] < '0' ||
        name[prefixLength] > '9') {
        return false;
    }
    unsigned long parsed = strtoul(name + prefixLength, nullptr, 10);
    if (parsed > INT32_MAX) {
        return false;
    }
    char canonical[kValueNameChars];
    ImageValueName(canonical, static_cast<DWORD>(parsed));
    if (strcmp(canonical, name) != 0) {
        return false;
    }
    *index = static_cast<DWORD>(parsed);
    return true;
}

// One past the highest File_ index among the user key's values, which come in no particular
// order; names too long for any index are passed over.
static DWORD ImageListEnd()
{
    DWORD end = 0;
    for (DWORD position = 0;; ++position) {
        char name[kValueNameChars];
        DWORD length = kValueNameChars;
        LONG result = RegEnumValueA(userKey, position, name, &length, nullptr, nullptr, nullptr, nullptr);
        if (result == ERROR_MORE_DATA) {
            continue;
        }
        if (result != ERROR_SUCCESS) {
            return end;
        }
        DWORD index = 0;
        if (ImageIndexOf(name, &index) && index >= end) {
            end = index + 1;
        }
    }
}

void ReadImageList(ImagePathReader take, void* context, const FixedReport& corrupt)
{
    DWORD count = ReadDwordValue(kNumFilesValue, 0);
    DWORD end = ImageListEnd();
    if (count < end) {
        end = count;
    }
    for (DWORD i = 0; i < end; ++i) {
        char name[kValueNameChars];
        char path[PATH_CHARS + 1];
        ImageValueName(name, i);
        if (ReadTextValue(name, path, PATH_CHARS)) {
            take(path, context);
        } else {
            Warning(corrupt);
        }
    }
}

LONG WriteFlags(DWORD flags)
{
    return WriteDwordValue(kFlagsValue, flags);
}

LONG WriteUpdateTime(const char* text)
{
    return WriteTextValue(kUpdateTimeValue, text);
}

LONG WriteImageList(const cArray& paths)
{
    DWORD count = static_cast<DWORD>(paths.Count());
    LONG result = WriteDwordValue(kNumFilesValue, count);
    for (DWORD i = 0; i < count && result == ERROR_SUCCESS; ++i) {
        char name[kValueNameChars];
        ImageValueName(name, i);
        result = WriteTextValue(name, static_cast<const char*>(paths.Get(static_cast<int>(i))));
    }
    return result;
}

// The resume path is kept in UTF-16 whatever the process's code page: a path found in a
// folder may hold letters that code page lacks. Stored without a terminating zero.
static LONG WriteWideTextValue(const char* name, const std::string& utf8)
{
    std::wstring text = Utf16(utf8);
    return RegSetValueExW(userKey, Utf16(name).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>(text.size() * sizeof(wchar_t)));
}

// A text only from a REG_SZ of at most kLongestPath UTF-16 units, in UTF-8.
static bool ReadWideTextValue(const char* name, std::string* utf8)
{
    std::vector<wchar_t> text(kLongestPath + 1);
    DWORD type = REG_NONE;
    DWORD size = kLongestPath * sizeof(wchar_t);
    if (RegQueryValueExW(userKey, Utf16(name).c_str(), nullptr, &type, reinterpret_cast<BYTE*>(text.data()), &size) !=
            ERROR_SUCCESS ||
        type != REG_SZ) {
        return false;
    }
    size_t units = size / sizeof(wchar_t);
    *utf8 = Utf8(std::wstring(text.data(), wcsnlen(text.data(), units)));
    return true;
}

void ReadResumePoint(ResumePoint* resume)
{
    *resume = ResumePoint();
    if (!ReadWideTextValue(kResumePathValue, &resume->path)) {
        return;
    }
    resume->entry = ReadDwordValue(kResumeEntryValue, 0);
    resume->round = ReadDwordValue(kResumeRoundValue, 0);
    resume->roundShown = ReadDwordValue(kResumeRoundShownValue, 0);
    resume->libraryCount = ReadDwordValue(kResumeCountValue, 0);
    resume->libraryHash = ReadDwordValue(kResumeHashValue, 0);
}

LONG WriteResumePoint(const ResumePoint& resume)
{
    const DWORD numbers[] = {resume.entry, resume.round, resume.roundShown, resume.libraryCount, resume.libraryHash};
    LONG result = ERROR_SUCCESS;
    for (size_t i = 0; i < sizeof numbers / sizeof numbers[0] && result == ERROR_SUCCESS; ++i) {
        result = WriteDwordValue(kResumeValues[i], numbers[i]);
    }
    return result == ERROR_SUCCESS ? WriteWideTextValue(kResumePathValue, resume.path) : result;
}

LONG ClearResumePoint()
{
    for (const char* name : kResumeValues) {
        LONG result = RegDeleteValueA(userKey, name);
        if (result != ERROR_SUCCESS && result != ERROR_FILE_NOT_FOUND) {
            return result;
        }
    }
    return ERROR_SUCCESS;
}
