// Text between the encodings the saver meets: UTF-8 inside the picture sequence, UTF-16 at
// the system's wide functions, and the process's code page at its ANSI ones (UTF-8 where
// the manifest's code page applies, a legacy one before Windows 10 1903).
#pragma once

#include <string>

std::wstring Utf16(const std::string& utf8);
std::string Utf8(const std::wstring& utf16);
// Text of the ANSI functions, such as the image list's paths, in UTF-8 or UTF-16; and text
// for them.
std::string Utf8FromCodePage(const char* text);
std::wstring Utf16FromCodePage(const char* text);
std::string CodePageText(const std::wstring& utf16);
