#include "CommandLine.h"

static bool IsWhiteSpace(char c)
{
    unsigned char byte = static_cast<unsigned char>(c);
    return byte >= 1 && byte <= 32;
}

const char* CommandTail(const char* commandLine, NextCharacter next)
{
    const char* p = commandLine;
    if (*p == '"') {
        p = next(p);
        while (*p != '\0' && *p != '"') {
            p = next(p);
        }
        if (*p == '"') {
            p = next(p);
        }
    } else {
        while (*p != '\0' && !IsWhiteSpace(*p)) {
            p = next(p);
        }
    }
    while (IsWhiteSpace(*p)) {
        ++p;
    }
    return p;
}

uint32_t ParseWindowNumber(const char* text)
{
    uint32_t value = 0;
    for (; *text >= '0' && *text <= '9'; ++text) {
        value = value * 10 + static_cast<uint32_t>(*text - '0');
    }
    return value;
}

static const char* AfterLetterAndSpaces(const char* letter)
{
    const char* p = letter + 1;
    while (*p == ' ') {
        ++p;
    }
    return p;
}

SaverMode ParseCommandTail(const char* tail, const char** argument)
{
    for (const char* p = tail;; ++p) {
        switch (*p) {
        case '\0':
            return MODE_CONFIGURE;
        case ' ':
        case '-':
        case '/':
            continue;
        case 'A':
        case 'a':
            *argument = AfterLetterAndSpaces(p);
            return MODE_CHANGE_PASSWORD;
        case 'C':
        case 'c':
            return MODE_CONFIGURE_FOREGROUND;
        case 'P':
        case 'p':
        case 'L':
        case 'l':
            *argument = AfterLetterAndSpaces(p);
            return MODE_PREVIEW;
        case 'S':
        case 's':
            return MODE_FULL_SCREEN;
        default:
            return MODE_INVALID;
        }
    }
}
