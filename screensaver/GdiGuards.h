// Scoped GDI resources: each guard releases what it holds when it goes, so that a block's
// declarations show the release order (the reverse) and every path releases.
#pragma once

#include <windows.h>

#include <utility>

// A window's device context from GetDC.
class cWindowDc {
public:
    explicit cWindowDc(HWND window_) : window(window_), dc(GetDC(window_)) {}
    ~cWindowDc() { ReleaseDC(window, dc); }
    cWindowDc(const cWindowDc&) = delete;
    cWindowDc& operator=(const cWindowDc&) = delete;
    operator HDC() const { return dc; }

private:
    HWND window;
    HDC dc;
};

// A memory device context compatible with another.
class cMemoryDc {
public:
    explicit cMemoryDc(HDC compatible) : dc(CreateCompatibleDC(compatible)) {}
    ~cMemoryDc()
    {
        if (dc != nullptr) {
            DeleteDC(dc);
        }
    }
    cMemoryDc(const cMemoryDc&) = delete;
    cMemoryDc& operator=(const cMemoryDc&) = delete;
    operator HDC() const { return dc; }

private:
    HDC dc;
};

// An object selected into a device context; the one it replaced goes back.
class cSelection {
public:
    cSelection(HDC dc_, HGDIOBJ object) : dc(dc_), previous(SelectObject(dc_, object)) {}
    ~cSelection()
    {
        if (previous != nullptr) {
            SelectObject(dc, previous);
        }
    }
    cSelection(const cSelection&) = delete;
    cSelection& operator=(const cSelection&) = delete;
    bool Selected() const { return previous != nullptr; }

private:
    HDC dc;
    HGDIOBJ previous;
};

// A bitmap owned until the guard goes; it can be handed on.
class cBitmap {
public:
    explicit cBitmap(HBITMAP bitmap_ = nullptr) : bitmap(bitmap_) {}
    ~cBitmap()
    {
        if (bitmap != nullptr) {
            DeleteObject(bitmap);
        }
    }
    cBitmap(cBitmap&& other) : bitmap(other.bitmap) { other.bitmap = nullptr; }
    cBitmap& operator=(cBitmap&& other)
    {
        std::swap(bitmap, other.bitmap);
        return *this;
    }
    cBitmap(const cBitmap&) = delete;
    cBitmap& operator=(const cBitmap&) = delete;
    HBITMAP Get() const { return bitmap; }

private:
    HBITMAP bitmap;
};

// The halftone stretching mode, which averages the pixels a shrinking stretch drops, with
// the brush origin it needs; the device context's mode and origin come back.
class cHalftoneStretch {
public:
    explicit cHalftoneStretch(HDC dc_) : dc(dc_), previousMode(SetStretchBltMode(dc_, HALFTONE)), previousOrigin()
    {
        SetBrushOrgEx(dc, 0, 0, &previousOrigin);
    }
    ~cHalftoneStretch()
    {
        SetBrushOrgEx(dc, previousOrigin.x, previousOrigin.y, nullptr);
        SetStretchBltMode(dc, previousMode);
    }
    cHalftoneStretch(const cHalftoneStretch&) = delete;
    cHalftoneStretch& operator=(const cHalftoneStretch&) = delete;

private:
    HDC dc;
    int previousMode;
    POINT previousOrigin;
};
