// Decodes generated files with our decoders and with reference decoders in the same run,
// and prints the median times and the ratio ours / reference. Ours is the whole path of
// cImageDecoder up to the hand-over of the pixels to the device-bitmap step; output
// buffers come from plain malloc on both sides.
//   JPEG against the JPEG library's plain decompression loop,
//   GIF against giflib's DGifSlurp,
//   BMP against reading the file into memory.
#include "screensaver/cImageDecoder.h"
#include "tests/common/BmpWriter.h"
#include "tests/common/GifWriter.h"
#include "tests/common/JpegWriter.h"

#include <gif_lib.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>
#include <vector>

namespace {

uint32_t Noise(uint32_t& state)
{
    state = state * 1664525u + 1013904223u;
    return state >> 16;
}

// Smooth colour fields with fine grain, something like a photograph.
Picture PhotoPicture(int width, int height)
{
    Picture picture{width, height, {}};
    picture.pixels.reserve(static_cast<size_t>(width) * height);
    uint32_t state = 1;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            double u = static_cast<double>(x) / width, v = static_cast<double>(y) / height;
            int grain = static_cast<int>(Noise(state) % 9) - 4;
            int r = static_cast<int>(128 + 100 * std::sin(6 * u + 2 * v)) + grain;
            int g = static_cast<int>(128 + 90 * std::cos(4 * v - 3 * u * v)) + grain;
            int b = static_cast<int>(110 + 80 * std::sin(9 * u * v + 1)) + grain;
            picture.pixels.push_back(std::clamp(r, 0, 255) << 16 | std::clamp(g, 0, 255) << 8 | std::clamp(b, 0, 255));
        }
    }
    return picture;
}

// A 256-colour picture: a smooth index field with occasional dither noise.
IndexedPicture TwoFiftySixColours(int width, int height)
{
    IndexedPicture picture{width, height, {}};
    uint32_t state = 3;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            int base = (x / 8 + y / 8 + (x * y) / 9000) & 0xFF;
            picture.indices.push_back(static_cast<uint8_t>(base + (Noise(state) % 8 == 0 ? 1 : 0)));
        }
    }
    return picture;
}

// A two-colour picture: an ordered dither of a radial gradient.
IndexedPicture TwoColours(int width, int height)
{
    static const int bayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};
    IndexedPicture picture{width, height, {}};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            double dx = x - width / 2.0, dy = y - height / 2.0;
            int level = static_cast<int>(std::sqrt(dx * dx + dy * dy) * 16 / (width / 2.0)) % 17;
            picture.indices.push_back(level > bayer[y & 3][x & 3] ? 1 : 0);
        }
    }
    return picture;
}

std::string Save(const std::filesystem::path& folder, const std::string& name, const std::vector<uint8_t>& bytes)
{
    std::filesystem::path path = folder / name;
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()),
                                                static_cast<std::streamsize>(bytes.size()));
    return path.string();
}

double MedianMilliseconds(int runs, const std::function<void()>& work)
{
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        auto start = std::chrono::steady_clock::now();
        work();
        times.push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    return times[times.size() / 2];
}

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

void DecodeWithGiflib(const std::string& path)
{
    int error = 0;
    GifFileType* gif = DGifOpenFileName(path.c_str(), &error);
    if (gif == nullptr || DGifSlurp(gif) != GIF_OK) {
        fprintf(stderr, "giflib failed on %s\n", path.c_str());
        exit(1);
    }
    DGifCloseFile(gif, &error);
}

void DecodeWithJpegLibrary(const std::string& path)
{
    FILE* file = fopen(path.c_str(), "rb");
    jpeg_decompress_struct decompressor;
    jpeg_error_mgr errors;
    decompressor.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&decompressor);
    jpeg_stdio_src(&decompressor, file);
    jpeg_read_header(&decompressor, TRUE);
    jpeg_start_decompress(&decompressor);
    size_t stride = static_cast<size_t>(decompressor.output_width) * decompressor.output_components;
    uint8_t* image = static_cast<uint8_t*>(malloc(stride * decompressor.output_height));
    while (decompressor.output_scanline < decompressor.output_height) {
        JSAMPROW row = image + decompressor.output_scanline * stride;
        jpeg_read_scanlines(&decompressor, &row, 1);
    }
    jpeg_finish_decompress(&decompressor);
    jpeg_destroy_decompress(&decompressor);
    free(image);
    fclose(file);
}

void ReadIntoMemory(const std::string& path)
{
    FILE* file = fopen(path.c_str(), "rb");
    fseek(file, 0, SEEK_END);
    size_t size = static_cast<size_t>(ftell(file));
    fseek(file, 0, SEEK_SET);
    void* bytes = malloc(size);
    if (fread(bytes, 1, size, file) != size) {
        fprintf(stderr, "short read of %s\n", path.c_str());
        exit(1);
    }
    free(bytes);
    fclose(file);
}

void Compare(const char* what, const std::string& path, const char* reference,
             const std::function<void(const std::string&)>& decodeReference, int runs)
{
    DecodeOurs(path); // warm the file cache and the allocator
    double ours = MedianMilliseconds(runs, [&] { DecodeOurs(path); });
    double theirs = MedianMilliseconds(runs, [&] { decodeReference(path); });
    printf("%-28s ours %9.2f ms   %-16s %9.2f ms   ratio %5.2f\n", what, ours, reference, theirs, ours / theirs);
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

    std::filesystem::remove_all(folder);
    return 0;
}
