#include "screensaver/FileSelection.h"

#include <gtest/gtest.h>

namespace {

using Paths = std::vector<std::string>;

TEST(FileSelection, OneFullPathOrAFolderAndItsNames)
{
    struct {
        std::string block;
        Paths paths;
    } cases[] = {
        {std::string("C:\\p\\a.jpg\0\0", 12), {"C:\\p\\a.jpg"}},
        {std::string("C:\\p\0a.jpg\0b c.png\0\0", 20), {"C:\\p\\a.jpg", "C:\\p\\b c.png"}},
        {std::string("C:\\\0a.jpg\0b.gif\0\0", 17), {"C:\\a.jpg", "C:\\b.gif"}},
        {std::string("\\\\host\\share\\\0x.bmp\0\0", 21), {"\\\\host\\share\\x.bmp"}},
        {std::string("\0\0", 2), {}},
        // No final zero, as from a block the dialog filled to its end: the cut text is left out.
        {std::string("C:\\p\0a.jpg\0b.j", 14), {"C:\\p\\a.jpg"}},
        {std::string("C:\\p\\a.j", 8), {}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SelectedPaths(c.block.data(), c.block.size()), c.paths) << c.block;
    }
}

TEST(FileSelection, DropsOfWideTextsEndAtTheEmptyTextOrTheBlock)
{
    using Texts = std::vector<std::wstring>;
    const wchar_t block[] = L"C:\\p\\\u00e9t\u00e9.jpg\0D:\\x\0\0ignored\0";
    EXPECT_EQ(ZeroSeparatedTexts(block, 20), (Texts{L"C:\\p\\\u00e9t\u00e9.jpg", L"D:\\x"}));
    EXPECT_EQ(ZeroSeparatedTexts(block, 17), (Texts{L"C:\\p\\\u00e9t\u00e9.jpg"}));
}

TEST(FileSelection, FilterOffersPicturesThenAllFiles)
{
    cPictureExtensions extensions;
    extensions.Add(".heic");
    using namespace std::string_literals;
    EXPECT_EQ(OpenFileFilter(extensions),
              "Pictures\0*.bmp;*.dib;*.gif;*.jpg;*.jpeg;*.jpe;*.jfif;*.png;*.webp;*.tif;*.tiff;*.heic\0"
              "All files\0*.*\0\0"s);
}

} // namespace
