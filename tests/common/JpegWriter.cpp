#include "JpegWriter.h"

#include <cstddef>
#include <cstdio>
#include <cstdlib>

#include <jpeglib.h>

static void SilentOutput(j_common_ptr)
{
}

static std::vector<uint8_t> Samples(const Picture& picture, JpegKind kind)
{
    std::vector<uint8_t> samples;
    for (uint32_t colour : picture.pixels) {
        uint8_t r = (colour >> 16) & 0xFF, g = (colour >> 8) & 0xFF, b = colour & 0xFF;
        switch (kind) {
        case JPEG_GREY:
            samples.push_back(g);
            break;
        case JPEG_COLOUR:
            samples.insert(samples.end(), {r, g, b});
            break;
        case JPEG_CMYK:
            samples.insert(samples.end(), {static_cast<uint8_t>(255 - r), static_cast<uint8_t>(255 - g),
                                           static_cast<uint8_t>(255 - b), 0});
            break;
        }
    }
    return samples;
}

std::vector<uint8_t> WriteJpeg(const Picture& picture, JpegKind kind, int quality, bool progressive)
{
    jpeg_compress_struct compressor;
    jpeg_error_mgr errors;
    compressor.err = jpeg_std_error(&errors);
    jpeg_create_compress(&compressor);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&compressor, &buffer, &size);
    compressor.image_width = picture.width;
    compressor.image_height = picture.height;
    compressor.input_components = kind;
    compressor.in_color_space = kind == JPEG_GREY ? JCS_GRAYSCALE : kind == JPEG_COLOUR ? JCS_RGB : JCS_CMYK;
    jpeg_set_defaults(&compressor);
    jpeg_set_quality(&compressor, quality, TRUE);
    if (progressive) {
        jpeg_simple_progression(&compressor);
    }
    compressor.write_JFIF_header = TRUE;
    jpeg_start_compress(&compressor, TRUE);
    std::vector<uint8_t> samples = Samples(picture, kind);
    size_t stride = static_cast<size_t>(picture.width) * kind;
    while (compressor.next_scanline < compressor.image_height) {
        JSAMPROW row = &samples[compressor.next_scanline * stride];
        jpeg_write_scanlines(&compressor, &row, 1);
    }
    jpeg_finish_compress(&compressor);
    jpeg_destroy_compress(&compressor);
    std::vector<uint8_t> bytes(buffer, buffer + size);
    free(buffer);
    return bytes;
}

Picture LibraryDecode(const std::vector<uint8_t>& bytes)
{
    jpeg_decompress_struct decompressor;
    jpeg_error_mgr errors;
    decompressor.err = jpeg_std_error(&errors);
    errors.output_message = SilentOutput;
    jpeg_create_decompress(&decompressor);
    jpeg_mem_src(&decompressor, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&decompressor, TRUE);
    jpeg_start_decompress(&decompressor);
    int components = decompressor.output_components;
    Picture picture{static_cast<int>(decompressor.output_width), static_cast<int>(decompressor.output_height), {}};
    std::vector<uint8_t> row(static_cast<size_t>(picture.width) * components);
    while (decompressor.output_scanline < decompressor.output_height) {
        JSAMPROW rowPointer = row.data();
        jpeg_read_scanlines(&decompressor, &rowPointer, 1);
        for (int x = 0; x < picture.width; ++x) {
            const uint8_t* pixel = &row[static_cast<size_t>(x) * components];
            uint32_t r = pixel[0], g = components == 3 ? pixel[1] : r, b = components == 3 ? pixel[2] : r;
            picture.pixels.push_back(r << 16 | g << 8 | b);
        }
    }
    jpeg_finish_decompress(&decompressor);
    jpeg_destroy_decompress(&decompressor);
    return picture;
}

size_t FindMarker(const std::vector<uint8_t>& bytes, uint8_t code)
{
    for (size_t i = 0; i + 1 < bytes.size(); ++i) {
        if (bytes[i] == 0xFF && bytes[i + 1] == code) {
            return i;
        }
    }
    return bytes.size();
}
