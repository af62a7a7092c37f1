#include "BenchPictures.h"

// The JPEG library's header needs FILE and size_t declared first.
#include <cstddef>
#include <cstdio>

#include <gif_lib.h>
#include <jpeglib.h>
#include <png.h>
#include <webp/decode.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

static uint32_t Noise(uint32_t& state)
{
    state = state * 1664525u + 1013904223u;
    return state >> 16;
}

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

std::string Save(const std::string& folder, const std::string& name, const std::vector<uint8_t>& bytes)
{
    std::filesystem::path path = std::filesystem::path(folder) / name;
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
    DecodeWithJpegLibraryScaled(path, 8);
}

void DecodeWithJpegLibraryScaled(const std::string& path, int eighths)
{
    FILE* file = fopen(path.c_str(), "rb");
    jpeg_decompress_struct decompressor;
    jpeg_error_mgr errors;
    decompressor.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&decompressor);
    jpeg_stdio_src(&decompressor, file);
    jpeg_read_header(&decompressor, TRUE);
    decompressor.scale_num = static_cast<unsigned int>(eighths);
    decompressor.scale_denom = 8;
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

void DecodeWithLibpng(const std::string& path)
{
    png_image image = {};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) {
        fprintf(stderr, "libpng failed on %s\n", path.c_str());
        exit(1);
    }
    image.format = PNG_FORMAT_BGR;
    void* pixels = malloc(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, pixels, 0, nullptr)) {
        fprintf(stderr, "libpng failed on %s\n", path.c_str());
        exit(1);
    }
    free(pixels);
}

// The file's bytes; ends the program on a short read.
static std::vector<uint8_t> FileBytes(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (!file.good() && !file.eof()) {
        fprintf(stderr, "short read of %s\n", path.c_str());
        exit(1);
    }
    return bytes;
}

void DecodeWithLibwebp(const std::string& path)
{
    std::vector<uint8_t> bytes = FileBytes(path);
    int width = 0, height = 0;
    uint8_t* pixels = WebPDecodeBGR(bytes.data(), bytes.size(), &width, &height);
    if (pixels == nullptr) {
        fprintf(stderr, "libwebp failed on %s\n", path.c_str());
        exit(1);
    }
    WebPFree(pixels);
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
