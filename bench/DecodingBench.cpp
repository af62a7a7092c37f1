// Decodes generated files with our decoders and with reference decoders in the same run,
// and prints the median times and the ratio ours / reference. Ours is the whole path of
// cImageDecoder up to the hand-over of the pixels to the device-bitmap step; output
// buffers come from plain malloc on both sides.
//   JPEG against the JPEG library's plain decompression loop,
//   GIF against giflib's DGifSlurp,
//   BMP against reading the file into memory.
// Then the JPEG library's own scaled decodes against its full decode: the least any decode
// of a picture drawn smaller can cost.
#include "BenchPictures.h"
#include "screensaver/decoder/cImageDecoder.h"
#include "tests/common/JpegWriter.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace {

// Our whole path: header, pixels and the hand-over to the device bitmap.
void DecodeOurs(const std::string& path)
{
    cImageDecoder decoder(path.c_str());
    HBITMAP bitmap = decoder.MakeBitmap(nullptr);
    if (bitmap == nullptr) {
        fprintf(stderr, "our decoder failed on %s: %d\n", path.c_str(), decoder.error);
        exit(1);
    }
    DeleteDeviceBitmap(bitmap);
}

// Our path for a picture drawn at 1024 x 768, all of it visible.
void DecodeOursDrawnAt1024(const std::string& path)
{
    cImageDecoder decoder(path.c_str());
    ViewBitmap shown = decoder.MakeBitmap(nullptr, PictureView{1024, 768, {0, 0, 1024, 768}});
    if (shown.bitmap == nullptr) {
        fprintf(stderr, "our decoder failed on %s: %d\n", path.c_str(), decoder.error);
        exit(1);
    }
    DeleteDeviceBitmap(shown.bitmap);
}

void Compare(const char* what, const std::string& path, const char* reference,
             const std::function<void(const std::string&)>& decodeReference, int runs)
{
    DecodeOurs(path); // warm the file cache and the allocator
    double ours = MedianMilliseconds(runs, [&] { DecodeOurs(path); });
    double theirs = MedianMilliseconds(runs, [&] { decodeReference(path); });
    printf("%-28s ours %9.2f ms   %-16s %9.2f ms   ratio %5.2f\n", what, ours, reference, theirs, ours / theirs);
}

void CompareScales(const char* what, const std::string& path)
{
    double full = MedianMilliseconds(5, [&] { DecodeWithJpegLibrary(path); });
    for (int eighths : {4, 2, 1}) {
        double scaled = MedianMilliseconds(5, [&] { DecodeWithJpegLibraryScaled(path, eighths); });
        printf("%-28s at %d/8 %9.2f ms   full decode %9.2f ms   ratio %5.2f\n", what, eighths, scaled, full,
               scaled / full);
    }
}

} // namespace

int main()
{
    std::filesystem::path folder = std::filesystem::temp_directory_path() / "velmarin-bench";
    std::filesystem::create_directories(folder);
    printf("generating files in %s\n", folder.string().c_str());

    std::string photo = Save(folder, "photo-4000x3000.jpg", WriteJpeg(PhotoPicture(4000, 3000), JPEG_COLOUR, 90));
    std::string grey = Save(folder, "grey-2000x1500.jpg", WriteJpeg(PhotoPicture(2000, 1500), JPEG_GREY, 90));
    std::string many =
        Save(folder, "256-colours-2000x2000.gif", WriteGif(MakeGif(TwoFiftySixColours(2000, 2000), SpreadColours(256))));
    std::string two = Save(folder, "2-colours-1000x1000.gif", WriteGif(MakeGif(TwoColours(1000, 1000), {0, 0xFFFFFF})));
    Picture bmpPicture = PhotoPicture(2000, 1500);
    std::string bmp = Save(folder, "photo-2000x1500.bmp", WriteBmp(MakeBmp(bmpPicture, 24, false)));

    Compare("JPEG 4000x3000 colour", photo, "libjpeg loop", DecodeWithJpegLibrary, 5);
    Compare("JPEG 2000x1500 grey", grey, "libjpeg loop", DecodeWithJpegLibrary, 7);
    Compare("GIF 2000x2000 256 colours", many, "giflib", DecodeWithGiflib, 7);
    Compare("GIF 1000x1000 2 colours", two, "giflib", DecodeWithGiflib, 9);
    Compare("BMP 2000x1500 24 bits", bmp, "file read", ReadIntoMemory, 9);
    CompareScales("JPEG 4000x3000 library", photo);
    double full = MedianMilliseconds(5, [&] { DecodeWithJpegLibrary(photo); });
    double fitted = MedianMilliseconds(5, [&] { DecodeOursDrawnAt1024(photo); });
    printf("%-28s ours %9.2f ms   full decode %9.2f ms   ratio %5.2f\n", "JPEG 4000x3000 at 1024x768", fitted, full,
           fitted / full);

    std::filesystem::remove_all(folder);
    return 0;
}
