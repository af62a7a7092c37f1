// The settings store: the machine key and the user key under
// "Software\Velmarin\SS\0.90", and the layout of every value in them.
#pragma once

#include <windows.h>

extern HKEY machineKey;
extern HKEY userKey;

#define SETTINGS_VERSION "0.90"

// Value names.
extern const char* const kFlagsValue;
extern const char* const kUpdateTimeValue;
extern const char* const kNumFilesValue;
extern const char* const kInstallStampValue;

// Flags bits.
const DWORD FLAG_RANDOM_ORDER = 1;
const DWORD FLAG_SCALE_TO_FIT = 2;

// Reader buffers, in characters.
const DWORD UPDATE_TIME_CHARS = 10;
const DWORD PATH_CHARS = 120;
#define DEFAULT_UPDATE_TIME "3000"

// Opens both keys; on the first run on a machine creates them and writes the install stamp.
void OpenKeys();
void CreateKeys();
void CloseKeys();

// "File_%d" into name (room for 16 characters).
void ImageValueName(char* name, DWORD index);

// Reads a 32-bit value; false when absent or longer than 4 bytes.
bool ReadDwordValue(HKEY key, const char* name, DWORD* value);
// Reads at most `chars` characters into text, which has room for chars + 1; the text ends
// at the returned size or at a zero byte. False when absent or longer than `chars`.
bool ReadTextValue(HKEY key, const char* name, char* text, DWORD chars);
// Values are written as REG_DWORD and as REG_SZ without a terminating zero.
LONG WriteDwordValue(HKEY key, const char* name, DWORD value);
LONG WriteTextValue(HKEY key, const char* name, const char* text);
