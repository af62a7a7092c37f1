// The compiled dialog templates, icon and strings, read back from the test program's resources.
#include "resources/resource.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

namespace {

struct Item {
    DWORD style;
    short x, y, cx, cy;
    WORD id;
    WORD classAtom;
    std::string text;
};

struct Template {
    DWORD style = 0;
    short x = 0, y = 0, cx = 0, cy = 0;
    std::string caption;
    WORD pointSize = 0;
    std::string font;
    std::vector<Item> items;
};

bool operator==(const Item& a, const Item& b)
{
    return a.style == b.style && a.x == b.x && a.y == b.y && a.cx == b.cx && a.cy == b.cy && a.id == b.id &&
           a.classAtom == b.classAtom && a.text == b.text;
}

void PrintTo(const Item& item, std::ostream* out)
{
    *out << std::hex << "{style " << item.style << std::dec << ", " << item.x << "," << item.y << " " << item.cx
         << "x" << item.cy << ", id " << item.id << ", class " << item.classAtom << ", \"" << item.text << "\"}";
}

// Reads the fields of a DLGTEMPLATE (not the extended form) in order.
class TemplateReader {
public:
    explicit TemplateReader(const BYTE* start) : next(start) {}

    template <typename T> T Read()
    {
        T value;
        memcpy(&value, next, sizeof value);
        next += sizeof value;
        return value;
    }
    // A text in UTF-16 (ASCII here) or an ordinal after 0xFFFF; returns the ordinal or 0.
    WORD ReadNameOrOrdinal(std::string* text)
    {
        WORD first = Read<WORD>();
        if (first == 0xFFFF) {
            return Read<WORD>();
        }
        for (WORD character = first; character != 0; character = Read<WORD>()) {
            text->push_back(static_cast<char>(character));
        }
        return 0;
    }
    void AlignToDword(const BYTE* start) { next += (4 - (next - start) % 4) % 4; }

private:
    const BYTE* next;
};

Template LoadTemplate(int id)
{
    HMODULE module = GetModuleHandleA(nullptr);
    HRSRC resource = FindResourceA(module, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(5)); // RT_DIALOG
    const BYTE* start = resource ? static_cast<const BYTE*>(LockResource(LoadResource(module, resource))) : nullptr;
    Template dialog;
    if (start == nullptr) {
        return dialog;
    }
    TemplateReader reader(start);
    dialog.style = reader.Read<DWORD>();
    reader.Read<DWORD>(); // extended style
    WORD count = reader.Read<WORD>();
    dialog.x = reader.Read<short>();
    dialog.y = reader.Read<short>();
    dialog.cx = reader.Read<short>();
    dialog.cy = reader.Read<short>();
    std::string menu, windowClass;
    reader.ReadNameOrOrdinal(&menu);
    reader.ReadNameOrOrdinal(&windowClass);
    reader.ReadNameOrOrdinal(&dialog.caption);
    if (dialog.style & DS_SETFONT) {
        dialog.pointSize = reader.Read<WORD>();
        reader.ReadNameOrOrdinal(&dialog.font);
    }
    for (WORD i = 0; i < count; ++i) {
        reader.AlignToDword(start);
        Item item;
        item.style = reader.Read<DWORD>();
        reader.Read<DWORD>();
        item.x = reader.Read<short>();
        item.y = reader.Read<short>();
        item.cx = reader.Read<short>();
        item.cy = reader.Read<short>();
        item.id = reader.Read<WORD>();
        item.classAtom = reader.ReadNameOrOrdinal(&windowClass);
        reader.ReadNameOrOrdinal(&item.text);
        WORD extra = reader.Read<WORD>();
        for (WORD skip = 0; skip < extra; ++skip) {
            reader.Read<BYTE>();
        }
        dialog.items.push_back(item);
    }
    return dialog;
}

const WORD kButton = 0x80, kEdit = 0x81, kStatic = 0x82, kListBox = 0x83;
const DWORD kChild = WS_CHILD | WS_VISIBLE;
const DWORD kDefaultButton = kChild | WS_TABSTOP | BS_DEFPUSHBUTTON;
const DWORD kButtonStyle = kChild | WS_TABSTOP | BS_PUSHBUTTON;
const DWORD kCheckBox = kChild | WS_TABSTOP | BS_AUTOCHECKBOX;
const DWORD kLabel = kChild | WS_GROUP | SS_LEFT;
const WORD kNoId = 0xFFFF;

void ExpectFrame(const Template& dialog, DWORD style, const char* caption, short x, short y, short cx, short cy)
{
    EXPECT_EQ(dialog.style, style | DS_SETFONT);
    EXPECT_EQ(dialog.caption, caption);
    EXPECT_EQ(dialog.x, x);
    EXPECT_EQ(dialog.y, y);
    EXPECT_EQ(dialog.cx, cx);
    EXPECT_EQ(dialog.cy, cy);
    EXPECT_EQ(dialog.pointSize, 8);
    EXPECT_EQ(dialog.font, "MS Sans Serif");
}

// No two controls overlap, and each lies within the dialog.
void ExpectApartAndInside(const Template& dialog)
{
    for (size_t i = 0; i < dialog.items.size(); ++i) {
        const Item& a = dialog.items[i];
        EXPECT_TRUE(a.x >= 0 && a.y >= 0 && a.x + a.cx <= dialog.cx && a.y + a.cy <= dialog.cy) << a.text;
        for (size_t j = i + 1; j < dialog.items.size(); ++j) {
            const Item& b = dialog.items[j];
            bool apart = a.x + a.cx <= b.x || b.x + b.cx <= a.x || a.y + a.cy <= b.y || b.y + b.cy <= a.y;
            EXPECT_TRUE(apart) << a.text << " and " << b.text;
        }
    }
}

TEST(DialogTemplates, ConfigurationDialog)
{
    Template dialog = LoadTemplate(DLG_CONFIGURE);
    ExpectFrame(dialog, WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, "Velmarin Screensaver", 50, 50, 216, 100);
    const std::vector<Item> items = {
        {kDefaultButton, 159, 44, 50, 14, IDOK, kButton, "OK"},
        {kButtonStyle, 159, 64, 50, 14, IDCANCEL, kButton, "Cancel"},
        {kButtonStyle, 159, 7, 50, 14, IDC_EDIT_IMAGES, kButton, "Edit Images"},
        {kChild | WS_BORDER | WS_TABSTOP | ES_NUMBER | ES_RIGHT | ES_AUTOHSCROLL, 58, 14, 29, 13, IDC_UPDATE_TIME,
         kEdit, ""},
        {kLabel, 15, 16, 41, 10, kNoId, kStatic, "Update time"},
        {kLabel, 90, 16, 38, 8, kNoId, kStatic, "milliseconds"},
        {kCheckBox, 15, 52, 67, 10, IDC_RANDOM_UPDATE, kButton, "Random update"},
        {kCheckBox, 15, 68, 49, 10, IDC_FULL_SCREEN, kButton, "FullScreen"},
        {kButtonStyle, 159, 26, 50, 14, IDC_ABOUT, kButton, "About"},
        {kCheckBox, 15, 84, 90, 10, IDC_FADE, kButton, "Fade between pictures"},
    };
    EXPECT_EQ(dialog.items, items);
}

TEST(DialogTemplates, AboutBox)
{
    Template dialog = LoadTemplate(DLG_ABOUT);
    ExpectFrame(dialog, WS_POPUP | WS_CAPTION | DS_MODALFRAME, "Velmarin screensaver ", 20, 20, 202, 101);
    ASSERT_EQ(dialog.items.size(), 6u);
    const std::vector<Item> fixed = {
        {kDefaultButton, 75, 80, 50, 14, IDOK, kButton, "OK"},
        {kLabel, 7, 7, 188, 8, IDC_VERSION_TEXT, kStatic, "Version "},
        {kLabel, 7, 20, 188, 8, IDC_BUILD_TEXT, kStatic, "Date"},
    };
    EXPECT_EQ(std::vector<Item>(dialog.items.begin(), dialog.items.begin() + 3), fixed);
    const short places[3][4] = {{7, 35, 188, 8}, {7, 47, 106, 8}, {51, 66, 93, 8}};
    const WORD ids[3] = {IDC_WEB_ADDRESS, kNoId, kNoId};
    for (int i = 0; i < 3; ++i) {
        const Item& line = dialog.items[3 + i];
        EXPECT_EQ(line.style, kLabel);
        EXPECT_EQ(line.id, ids[i]);
        EXPECT_EQ((std::vector<short>{line.x, line.y, line.cx, line.cy}),
                  std::vector<short>(places[i], places[i] + 4));
        EXPECT_TRUE(line.text.find("example.") != std::string::npos || i == 2) << line.text;
    }
}

TEST(DialogTemplates, ImageListDialog)
{
    Template dialog = LoadTemplate(DLG_IMAGES);
    ExpectFrame(dialog, WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME, "Velmarin Screensaver image list", 100,
                100, 293, 197);
    const std::vector<Item> items = {
        {kDefaultButton, 236, 156, 50, 14, IDOK, kButton, "OK"},
        {kButtonStyle, 236, 176, 50, 14, IDCANCEL, kButton, "Cancel"},
        {kChild | WS_BORDER | WS_VSCROLL | WS_HSCROLL | WS_TABSTOP | LBS_NOTIFY | LBS_MULTIPLESEL, 7, 25, 214, 165,
         IDC_IMAGE_LIST, kListBox, ""},
        {kLabel, 7, 15, 26, 8, kNoId, kStatic, "Images:"},
        {kButtonStyle, 236, 71, 50, 14, IDC_UP, kButton, "Up"},
        {kButtonStyle, 236, 89, 50, 14, IDC_DOWN, kButton, "Down"},
        {kButtonStyle, 236, 127, 50, 14, IDC_REMOVE, kButton, "Remove"},
        {kButtonStyle, 236, 108, 50, 14, IDC_ADD, kButton, "Add"},
        {kButtonStyle, 236, 36, 50, 14, IDC_CLEAR, kButton, "Clear"},
        {kButtonStyle, 236, 15, 50, 14, IDC_SORT, kButton, "Sort"},
        {kButtonStyle, 236, 53, 50, 14, IDC_ADD_FOLDER, kButton, "Add Folder..."},
    };
    EXPECT_EQ(dialog.items, items);
    ExpectApartAndInside(dialog);
}

TEST(DialogTemplates, IconAndStrings)
{
    HMODULE module = GetModuleHandleA(nullptr);
    HICON icon = LoadIconA(module, MAKEINTRESOURCEA(ICON_SAVER));
    EXPECT_NE(icon, nullptr);
    ICONINFO info = {};
    ASSERT_TRUE(GetIconInfo(icon, &info));
    BITMAP colours = {};
    GetObjectA(info.hbmColor, sizeof colours, &colours);
    EXPECT_EQ(colours.bmWidth, GetSystemMetrics(SM_CXICON));
    DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
    const std::pair<int, const char*> strings[] = {
        {STR_NAME, "Velmarin"}, {STR_SAVER_NAME, "Velmarin ScreenSaver"}, {STR_SAVER_TITLE, "Velmarin Screen Saver"}};
    for (const auto& string : strings) {
        char text[64] = {};
        LoadStringA(module, string.first, text, sizeof text);
        EXPECT_STREQ(text, string.second);
    }
}

} // namespace
