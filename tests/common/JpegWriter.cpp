#include "JpegWriter.h"

#include <cstddef>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>

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

static std::vector<uint8_t> Compress(const Picture& picture, JpegKind kind, int quality, bool progressive,
                                     const std::vector<uint8_t>* app1)
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
    compressor.write_JFIF_header = app1 == nullptr;
    jpeg_start_compress(&compressor, TRUE);
    if (app1 != nullptr) {
        jpeg_write_marker(&compressor, JPEG_APP0 + 1, app1->data(), static_cast<unsigned>(app1->size()));
    }
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

std::vector<uint8_t> WriteJpeg(const Picture& picture, JpegKind kind, int quality, bool progressive)
{
    return Compress(picture, kind, quality, progressive, nullptr);
}

std::vector<uint8_t> WriteCameraJpeg(const Picture& picture, const std::vector<uint8_t>& app1, JpegKind kind,
                                     int quality, bool progressive)
{
    return Compress(picture, kind, quality, progressive, &app1);
}

static void PutNumber(std::vector<uint8_t>& out, uint32_t value, int bytes, bool bigEndian)
{
    for (int i = 0; i < bytes; ++i) {
        int shift = bigEndian ? 8 * (bytes - 1 - i) : 8 * i;
        out.push_back(static_cast<uint8_t>(value >> shift));
    }
}

std::vector<uint8_t> ExifWithOrientation(int orientation, bool bigEndian, int before, int type)
{
    std::vector<uint8_t> out = {'E', 'x', 'i', 'f', 0, 0};
    out.insert(out.end(), bigEndian ? std::initializer_list<uint8_t>{'M', 'M'} : std::initializer_list<uint8_t>{'I', 'I'});
    PutNumber(out, 42, 2, bigEndian);
    PutNumber(out, 8, 4, bigEndian); // IFD0 right after the header
    PutNumber(out, before + 1, 2, bigEndian);
    for (int i = 0; i < before; ++i) { // ImageWidth and ImageLength, type LONG
        PutNumber(out, 0x0100 + i, 2, bigEndian);
        PutNumber(out, 4, 2, bigEndian);
        PutNumber(out, 1, 4, bigEndian);
        PutNumber(out, 640, 4, bigEndian);
    }
    PutNumber(out, 0x0112, 2, bigEndian);
    PutNumber(out, type, 2, bigEndian);
    PutNumber(out, 1, 4, bigEndian);
    if (type == 3) {
        PutNumber(out, orientation, 2, bigEndian);
        PutNumber(out, 0, 2, bigEndian);
    } else {
        PutNumber(out, static_cast<uint32_t>(orientation), 4, bigEndian);
    }
    PutNumber(out, 0, 4, bigEndian); // no next IFD
    return out;
}

Picture Oriented(const Picture& stored, int orientation)
{
    bool swapped = orientation >= 5;
    int w = stored.width, h = stored.height;
    Picture shown{swapped ? h : w, swapped ? w : h, {}};
    for (int y = 0; y < shown.height; ++y) {
        for (int x = 0; x < shown.width; ++x) {
            int sx = x, sy = y;
            switch (orientation) {
            case 2: sx = w - 1 - x; break;
            case 3: sx = w - 1 - x; sy = h - 1 - y; break;
            case 4: sy = h - 1 - y; break;
            case 5: sx = y; sy = x; break;
            case 6: sx = y; sy = h - 1 - x; break;
            case 7: sx = w - 1 - y; sy = h - 1 - x; break;
            case 8: sx = w - 1 - y; sy = x; break;
            default: break;
            }
            shown.pixels.push_back(stored.At(sx, sy));
        }
    }
    return shown;
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
