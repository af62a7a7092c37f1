#include "PictureExtensions.h"

#include <cstring>
#include <cwchar>

// The saver's own decoders, and TIFF, which the system's imaging component reads wherever it
// is there (the extensions of its other decoders are added where it runs).
static const char* const kOwnExtensions[] = {".bmp", ".dib", ".gif",  ".jpg", ".jpeg", ".jpe",
                                             ".jfif", ".png", ".webp", ".tif", ".tiff"};

static char LowerAscii(unsigned ch)
{
    return static_cast<char>(ch >= 'A' && ch <= 'Z' ? ch - 'A' + 'a' : ch);
}

// Whether the name's last characters are the extension, ASCII letters in any case; a
// character outside ASCII never matches.
template <typename Char>
static bool EndsWith(const Char* name, size_t length, const std::string& extension)
{
    if (length < extension.size()) {
        return false;
    }
    const Char* tail = name + length - extension.size();
    for (size_t i = 0; i < extension.size(); ++i) {
        unsigned ch = static_cast<unsigned>(tail[i]);
        if (ch > 0x7F || LowerAscii(ch) != extension[i]) {
            return false;
        }
    }
    return true;
}

cPictureExtensions::cPictureExtensions()
{
    for (const char* extension : kOwnExtensions) {
        Add(extension);
    }
}

void cPictureExtensions::Add(const char* extension)
{
    size_t length = strlen(extension);
    if (length < 2 || extension[0] != '.') {
        return;
    }
    std::string lower;
    for (size_t i = 0; i < length; ++i) {
        unsigned ch = static_cast<unsigned char>(extension[i]);
        if (ch <= ' ' || ch > 0x7E || ch == '*' || ch == '?' || ch == ';' || (i > 0 && ch == '.')) {
            return;
        }
        lower += LowerAscii(ch);
    }
    for (const std::string& known : extensions) {
        if (known == lower) {
            return;
        }
    }
    extensions.push_back(lower);
}

template <typename Char>
static bool EndsWithAny(const Char* name, size_t length, const std::vector<std::string>& extensions)
{
    for (const std::string& extension : extensions) {
        if (EndsWith(name, length, extension)) {
            return true;
        }
    }
    return false;
}

bool cPictureExtensions::Matches(const char* name) const
{
    return EndsWithAny(name, strlen(name), extensions);
}

bool cPictureExtensions::Matches(const wchar_t* name) const
{
    return EndsWithAny(name, wcslen(name), extensions);
}

std::string cPictureExtensions::FilterPattern() const
{
    std::string pattern;
    for (const std::string& extension : extensions) {
        pattern += pattern.empty() ? "*" : ";*";
        pattern += extension;
    }
    return pattern;
}
