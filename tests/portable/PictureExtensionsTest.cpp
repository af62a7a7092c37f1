#include "screensaver/PictureExtensions.h"

#include <gtest/gtest.h>

namespace {

TEST(PictureExtensions, NamesMatchInAnyLetterCaseAtTheirEndOnly)
{
    cPictureExtensions extensions;
    struct {
        const char* name;
        bool matches;
    } cases[] = {{"a.jpg", true},  {"A.JPEG", true}, {"b.Jfif", true},     {"c.dib", true},  {"d.PnG", true},
                 {".gif", true},   {"e.jpg.txt", false}, {"fjpg", false},  {"g.jp", false},  {"", false},
                 {"h.webp", true}, {"i.jpe", true}, {"j.TIFF", true}, {"k.tif", true}, {"l.heic", false}};
    for (const auto& c : cases) {
        EXPECT_EQ(extensions.Matches(c.name), c.matches) << c.name;
    }
    EXPECT_TRUE(extensions.Matches(L"Foto \u00e9t\u00e9.JPG"));
    EXPECT_FALSE(extensions.Matches(L"x.jp\u0121")); // not ASCII: never a match
}

TEST(PictureExtensions, AddedOnesJoinOnceAndTheFilterListsEachInOrder)
{
    cPictureExtensions extensions;
    EXPECT_EQ(extensions.FilterPattern(), "*.bmp;*.dib;*.gif;*.jpg;*.jpeg;*.jpe;*.jfif;*.png;*.webp;*.tif;*.tiff");
    extensions.Add(".HEIC");
    extensions.Add(".heic");
    extensions.Add(".jpg");
    for (const char* refused : {"", ".", "tif", ".t*f", ".a;b", ".a.b", ".a b"}) {
        extensions.Add(refused);
    }
    EXPECT_EQ(extensions.List().size(), 12u);
    EXPECT_TRUE(extensions.Matches("x.heic"));
    EXPECT_EQ(extensions.FilterPattern(), "*.bmp;*.dib;*.gif;*.jpg;*.jpeg;*.jpe;*.jfif;*.png;*.webp;*.tif;*.tiff;*.heic");
}

} // namespace
