#include "WideText.h"

#include <windows.h>

static std::wstring Wide(UINT codePage, const std::string& text)
{
    int units = MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(units > 0 ? units : 0), L'\0');
    if (units > 0) {
        MultiByteToWideChar(codePage, 0, text.data(), static_cast<int>(text.size()), &wide[0], units);
    }
    return wide;
}

std::wstring Utf16(const std::string& utf8)
{
    return Wide(CP_UTF8, utf8);
}

static std::string Narrow(UINT codePage, const std::wstring& utf16)
{
    int size = static_cast<int>(utf16.size());
    int bytes = WideCharToMultiByte(codePage, 0, utf16.data(), size, nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<size_t>(bytes > 0 ? bytes : 0), '\0');
    if (bytes > 0) {
        WideCharToMultiByte(codePage, 0, utf16.data(), size, &text[0], bytes, nullptr, nullptr);
    }
    return text;
}

std::string Utf8(const std::wstring& utf16)
{
    return Narrow(CP_UTF8, utf16);
}

std::string Utf8FromCodePage(const char* text)
{
    return Utf8(Utf16FromCodePage(text));
}

std::wstring Utf16FromCodePage(const char* text)
{
    return Wide(CP_ACP, text);
}

std::string CodePageText(const std::wstring& utf16)
{
    return Narrow(CP_ACP, utf16);
}
