#include "SystemPictureExtensions.h"

#include <windows.h>

#include <initguid.h>
#include <wincodec.h>

#include <string>
#include <vector>

// Adds each of a decoder's comma-separated extensions; one that is not ASCII is left out.
static void AddDeclared(const std::vector<wchar_t>& declared, cPictureExtensions& extensions)
{
    std::string extension;
    bool ascii = true;
    for (wchar_t ch : declared) {
        if (ch == L',' || ch == L'\0') {
            if (ascii) {
                extensions.Add(extension.c_str());
            }
            extension.clear();
            ascii = true;
            if (ch == L'\0') {
                return;
            }
        } else if (ch > 0x7F) {
            ascii = false;
        } else if (ch != L' ') {
            extension += static_cast<char>(ch);
        }
    }
}

static void AddCodecExtensions(IUnknown* component, cPictureExtensions& extensions)
{
    IWICBitmapCodecInfo* codec = nullptr;
    if (FAILED(component->QueryInterface(IID_IWICBitmapCodecInfo, reinterpret_cast<void**>(&codec)))) {
        return;
    }
    UINT length = 0;
    if (SUCCEEDED(codec->GetFileExtensions(0, nullptr, &length)) && length > 0) {
        std::vector<wchar_t> declared(length + 1, L'\0');
        if (SUCCEEDED(codec->GetFileExtensions(length, declared.data(), &length))) {
            AddDeclared(declared, extensions);
        }
    }
    codec->Release();
}

static void AddEnumeratedExtensions(IWICImagingFactory* factory, cPictureExtensions& extensions)
{
    IEnumUnknown* components = nullptr;
    if (FAILED(factory->CreateComponentEnumerator(WICDecoder, WICComponentEnumerateDefault, &components))) {
        return;
    }
    IUnknown* component = nullptr;
    ULONG fetched = 0;
    while (components->Next(1, &component, &fetched) == S_OK && fetched == 1) {
        AddCodecExtensions(component, extensions);
        component->Release();
    }
    components->Release();
}

void AddSystemPictureExtensions(cPictureExtensions& extensions)
{
    // S_FALSE: already initialised alike; RPC_E_CHANGED_MODE: initialised otherwise, still usable.
    HRESULT initialised = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    IWICImagingFactory* factory = nullptr;
    if (SUCCEEDED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                   reinterpret_cast<void**>(&factory)))) {
        AddEnumeratedExtensions(factory, extensions);
        factory->Release();
    }
    if (SUCCEEDED(initialised)) {
        CoUninitialize();
    }
}
