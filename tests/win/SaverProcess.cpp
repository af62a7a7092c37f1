#include "SaverProcess.h"

#include "RegistryFixture.h"
#include "tests/common/TestDevice.h"

#include <gtest/gtest.h>

#include <algorithm>

std::string SaverProgramPath()
{
    return VELMARIN_SCR_PATH;
}

RECT PrimaryArea()
{
    return {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
}

Picture CaptureScreen(const RECT& area)
{
    int width = area.right - area.left, height = area.bottom - area.top;
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, width, height, screen, area.left, area.top, SRCCOPY);
    SelectObject(memory, previous);
    Picture picture = ReadBackBitmap(memory, bitmap, width, height);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return picture;
}

Picture SettledScreen(const RECT& area)
{
    Picture previous = CaptureScreen(area);
    for (int attempt = 0; attempt < 20; ++attempt) {
        Sleep(50);
        Picture current = CaptureScreen(area);
        if (current.pixels == previous.pixels) {
            return current;
        }
        previous = current;
    }
    return previous;
}

Picture PositionPicture(int width, int height)
{
    Picture picture{width, height, {}};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            picture.pixels.push_back(static_cast<uint32_t>((x & 0xFF) << 16 | (y & 0xFF) << 8 | (x >> 8) << 4 | y >> 8));
        }
    }
    return picture;
}

Picture SolidPicture(int width, int height, uint32_t colour)
{
    return Picture{width, height, std::vector<uint32_t>(static_cast<size_t>(width) * height, colour)};
}

RECT DrawnArea(const Picture& screen)
{
    RECT area = {screen.width, screen.height, 0, 0};
    for (int y = 0; y < screen.height; ++y) {
        for (int x = 0; x < screen.width; ++x) {
            if (screen.At(x, y) != kBlack) {
                area.left = std::min<LONG>(area.left, x);
                area.top = std::min<LONG>(area.top, y);
                area.right = std::max<LONG>(area.right, x + 1);
                area.bottom = std::max<LONG>(area.bottom, y + 1);
            }
        }
    }
    return area;
}

void ExpectArea(const RECT& area, LONG x, LONG y, LONG width, LONG height)
{
    EXPECT_EQ(area.left, x);
    EXPECT_EQ(area.top, y);
    EXPECT_EQ(area.right - area.left, width);
    EXPECT_EQ(area.bottom - area.top, height);
}

void ExpectShownAt(const Picture& screen, const Picture& picture, int x, int y)
{
    int wrong = 0;
    for (int sy = 0; sy < screen.height; ++sy) {
        for (int sx = 0; sx < screen.width; ++sx) {
            int px = sx - x, py = sy - y;
            bool inside = px >= 0 && py >= 0 && px < picture.width && py < picture.height;
            uint32_t expected = inside ? picture.At(px, py) : kBlack;
            if (screen.At(sx, sy) != expected && ++wrong <= 3) {
                ADD_FAILURE() << "screen (" << sx << "," << sy << ") is " << std::hex << screen.At(sx, sy)
                              << " instead of " << expected;
            }
        }
    }
    EXPECT_EQ(wrong, 0);
}

void WriteSaverSettings(DWORD flags, const char* updateTime, const std::vector<std::string>& paths)
{
    DeleteSettingsKeys();
    StoreDword("Flags", flags);
    StoreText("UpdateTime", updateTime);
    StoreImageList(paths);
}

void MoveCursor(HWND window, int x, int y)
{
    SetCursorPos(x, y);
    PostMessageA(window, WM_MOUSEMOVE, 0, MAKELPARAM(x, y));
}

HWND SaverOnScreen::Start(DWORD flags, const std::vector<std::string>& paths)
{
    WriteSaverSettings(flags, "1000000", paths);
    saver.reset(new SaverProcess("/s"));
    return saver->WaitForSaverWindow("Screen Saver");
}

void SaverOnScreen::TearDown()
{
    saver.reset();
    RegistryTest::TearDown();
}
