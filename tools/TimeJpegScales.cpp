// Times the JPEG library's own decode of a file at each DCT scale it does fastest (8/8,
// 4/8, 2/8, 1/8), into one buffer of the whole scaled picture: under Wine, what any decode
// of a picture drawn smaller than it can cost at least. Prints the median of 7 runs each.
// Usage: time-jpeg-scales FILE
#include <windows.h>

#include <cstdio> // before the library's header, which uses FILE

#include <jpeglib.h>

#include <algorithm>
#include <vector>

static double DecodeMilliseconds(const char* path, unsigned int eighths)
{
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    FILE* file = fopen(path, "rb");
    if (file == nullptr) {
        return -1;
    }
    jpeg_decompress_struct decompressor;
    jpeg_error_mgr errors;
    decompressor.err = jpeg_std_error(&errors);
    jpeg_create_decompress(&decompressor);
    jpeg_stdio_src(&decompressor, file);
    jpeg_read_header(&decompressor, TRUE);
    decompressor.scale_num = eighths;
    decompressor.scale_denom = 8;
    jpeg_start_decompress(&decompressor);
    size_t stride = static_cast<size_t>(decompressor.output_width) * decompressor.output_components;
    std::vector<JSAMPLE> image(stride * decompressor.output_height);
    while (decompressor.output_scanline < decompressor.output_height) {
        JSAMPROW row = image.data() + decompressor.output_scanline * stride;
        jpeg_read_scanlines(&decompressor, &row, 1);
    }
    jpeg_finish_decompress(&decompressor);
    jpeg_destroy_decompress(&decompressor);
    fclose(file);
    QueryPerformanceCounter(&end);
    return 1000.0 * static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
}

int main(int argc, char** argv)
{
    if (argc != 2) {
        fprintf(stderr, "usage: time-jpeg-scales FILE\n");
        return 1;
    }
    for (unsigned int eighths : {8u, 4u, 2u, 1u}) {
        std::vector<double> times;
        for (int run = 0; run < 7; ++run) {
            times.push_back(DecodeMilliseconds(argv[1], eighths));
        }
        std::sort(times.begin(), times.end());
        if (times.front() < 0) {
            fprintf(stderr, "cannot open %s\n", argv[1]);
            return 1;
        }
        printf("%u/8 %.2f ms\n", eighths, times[times.size() / 2]);
    }
    return 0;
}
