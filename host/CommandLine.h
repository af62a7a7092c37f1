// Reading the command line the desktop gives a screen saver.
#pragma once

#include <cstdint>

// Steps one character forward (the platform's character stepping).
typedef const char* (*NextCharacter)(const char* text);

// The command tail: the line after the program name (quoted or not) and the white
// space (bytes 1 to 32) after it.
const char* CommandTail(const char* commandLine, NextCharacter next);

// Leading decimal digits as a 32-bit number that wraps; no digits give 0.
uint32_t ParseWindowNumber(const char* text);

enum SaverMode {
    MODE_CONFIGURE,            // no switch: configuration without an owner
    MODE_CONFIGURE_FOREGROUND, // C: configuration owned by the foreground window
    MODE_FULL_SCREEN,          // S
    MODE_PREVIEW,              // P or L, then a window number
    MODE_CHANGE_PASSWORD,      // A, then an optional window number
    MODE_INVALID,
};

// The mode of the first letter after any spaces, '-' and '/'. For P, L and A, argument
// is set to the text after the letter and the spaces following it.
SaverMode ParseCommandTail(const char* tail, const char** argument);
