// The settings store: the machine key and the user key under "Software\Velmarin\SS\0.90",
// and every read and write of the values in them. A value that is missing, of another type
// or too long for its reader counts as missing and gives its default.
#pragma once

#include "../shared/cgen.h"
#include "PictureSequence.h"

#include <windows.h>

#define SETTINGS_VERSION "0.90"

// True between OpenKeys and CloseKeys.
bool KeysOpen();

// Flags bits.
const DWORD FLAG_RANDOM_ORDER = 1;
const DWORD FLAG_SCALE_TO_FIT = 2;
const DWORD FLAG_FADE = 4;

// Reader buffers, in characters.
const DWORD UPDATE_TIME_CHARS = 10;
const DWORD PATH_CHARS = 120;
#define DEFAULT_UPDATE_TIME "3000"

// Opens the user key, creating it when absent; only a user key that can be neither opened
// nor created ends the process. A missing machine key marks the first run on a machine:
// the install stamp is then written where this user may create the key.
void OpenKeys();
void CloseKeys();

// Flags; 0 when missing.
DWORD ReadFlags();
// UpdateTime; DEFAULT_UPDATE_TIME when missing.
void ReadUpdateTime(char text[UPDATE_TIME_CHARS + 1]);

// Takes one path of the image list; the text lasts only for the call.
typedef void (*ImagePathReader)(const char* path, void* context);
// Hands over File_0, File_1 ... in order, ending at NumFiles or after the last File_ value
// of the key, whichever comes first. A path missing before that end is left out with the
// caller's report `corrupt`.
void ReadImageList(ImagePathReader take, void* context, const FixedReport& corrupt);

// Writers: ERROR_SUCCESS, or the platform's error for the first value it refused.
LONG WriteFlags(DWORD flags);
LONG WriteUpdateTime(const char* text);
// NumFiles, then File_0 ... in the list's order. Values of an earlier, longer list stay.
LONG WriteImageList(const cArray& paths);

// Where the show goes on at its next run; a value missing or of another type gives the
// fresh start's.
void ReadResumePoint(ResumePoint* resume);
LONG WriteResumePoint(const ResumePoint& resume);
// The next run begins afresh: list order at the first picture, random order a new round.
LONG ClearResumePoint();
