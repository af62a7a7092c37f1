#include "PngWriter.h"

#include <png.h>

#include <cstdlib>
#include <stdexcept>

static int Channels(PngColourType type)
{
    switch (type) {
    case PNG_GREY:
    case PNG_PALETTE:
        return 1;
    case PNG_GREY_ALPHA:
        return 2;
    case PNG_RGB:
        return 3;
    default:
        return 4;
    }
}

PngFile MakePng(int width, int height, PngColourType colourType, int bitDepth, bool interlaced)
{
    PngFile file;
    file.width = width;
    file.height = height;
    file.colourType = colourType;
    file.bitDepth = bitDepth;
    file.interlaced = interlaced;
    uint32_t top = (1u << bitDepth) - 1;
    int channels = Channels(colourType);
    if (colourType == PNG_PALETTE) {
        for (uint32_t i = 0; i <= top; ++i) {
            file.palette.push_back((i * 97 % 256) << 16 | (255 - i * 13 % 256) << 8 | (i * 41 + 7) % 256);
        }
    }
    uint32_t state = 12345;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            for (int c = 0; c < channels; ++c) {
                state = state * 1103515245u + 12345u;
                uint32_t smooth = static_cast<uint32_t>((x * 7 + y * 5 + c * 50) % 256) * top / 255;
                uint32_t value = (x + y + c) % 5 == 0 ? (state >> 8) % (top + 1) : smooth;
                file.samples.push_back(static_cast<uint16_t>(value));
            }
        }
    }
    return file;
}

static void AppendBytes(png_structp writer, png_bytep data, png_size_t length)
{
    auto* out = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(writer));
    out->insert(out->end(), data, data + length);
}

static void Flush(png_structp)
{
}

static void ThrowError(png_structp, png_const_charp message)
{
    throw std::runtime_error(message);
}

std::vector<uint8_t> WritePng(const PngFile& file)
{
    std::vector<uint8_t> out;
    png_structp writer = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, ThrowError, nullptr);
    png_infop info = png_create_info_struct(writer);
    png_set_write_fn(writer, &out, AppendBytes, Flush);
    png_set_IHDR(writer, info, file.width, file.height, file.bitDepth, file.colourType,
                 file.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    std::vector<png_color> palette;
    for (uint32_t colour : file.palette) {
        palette.push_back({static_cast<png_byte>(colour >> 16), static_cast<png_byte>(colour >> 8),
                           static_cast<png_byte>(colour)});
    }
    if (!palette.empty()) {
        png_set_PLTE(writer, info, palette.data(), static_cast<int>(palette.size()));
    }
    png_color_16 transparent = {};
    if (file.transparent >= 0) {
        transparent.gray = static_cast<png_uint_16>(file.transparent);
        transparent.red = static_cast<png_uint_16>(file.transparent >> 16 & 0xFF);
        transparent.green = static_cast<png_uint_16>(file.transparent >> 8 & 0xFF);
        transparent.blue = static_cast<png_uint_16>(file.transparent & 0xFF);
        png_set_tRNS(writer, info, nullptr, 0, &transparent);
    } else if (!file.paletteAlpha.empty()) {
        png_set_tRNS(writer, info, file.paletteAlpha.data(), static_cast<int>(file.paletteAlpha.size()), nullptr);
    }
    png_write_info(writer, info);
    if (file.bitDepth < 8) {
        png_set_packing(writer);
    }
    int channels = Channels(file.colourType);
    size_t perRow = static_cast<size_t>(file.width) * channels;
    int bytes = file.bitDepth == 16 ? 2 : 1;
    std::vector<uint8_t> image(perRow * bytes * file.height);
    for (size_t i = 0; i < file.samples.size(); ++i) {
        if (bytes == 2) {
            image[2 * i] = static_cast<uint8_t>(file.samples[i] >> 8);
            image[2 * i + 1] = static_cast<uint8_t>(file.samples[i]);
        } else {
            image[i] = static_cast<uint8_t>(file.samples[i]);
        }
    }
    std::vector<png_bytep> rows;
    for (int y = 0; y < file.height; ++y) {
        rows.push_back(&image[y * perRow * bytes]);
    }
    png_write_image(writer, rows.data());
    png_write_end(writer, info);
    png_destroy_write_struct(&writer, &info);
    return out;
}

// A sample of the file's depth as 8 bits, as libpng scales it.
static uint32_t Scaled(uint32_t value, int bitDepth)
{
    if (bitDepth == 16) {
        return (value * 255 + 32767) / 65535;
    }
    return value * 255 / ((1u << bitDepth) - 1);
}

static uint32_t OverBlack(uint32_t value, uint32_t alpha)
{
    return (value * alpha + 127) / 255;
}

Picture ShownPng(const PngFile& file)
{
    Picture picture{file.width, file.height, {}};
    int channels = Channels(file.colourType);
    for (size_t at = 0; at < file.samples.size(); at += channels) {
        const uint16_t* s = &file.samples[at];
        uint32_t r, g, b, alpha = 255;
        if (file.colourType == PNG_PALETTE) {
            uint32_t colour = file.palette[s[0]];
            r = colour >> 16 & 0xFF, g = colour >> 8 & 0xFF, b = colour & 0xFF;
            alpha = s[0] < file.paletteAlpha.size() ? file.paletteAlpha[s[0]] : 255;
        } else if (channels <= 2) {
            r = g = b = Scaled(s[0], file.bitDepth);
            if (channels == 2) {
                alpha = Scaled(s[1], file.bitDepth);
            } else if (file.transparent >= 0 && s[0] == file.transparent) {
                alpha = 0;
            }
        } else {
            r = Scaled(s[0], file.bitDepth), g = Scaled(s[1], file.bitDepth), b = Scaled(s[2], file.bitDepth);
            if (channels == 4) {
                alpha = Scaled(s[3], file.bitDepth);
            } else if (file.transparent >= 0 &&
                       (static_cast<uint32_t>(s[0]) << 16 | s[1] << 8 | s[2]) == static_cast<uint32_t>(file.transparent)) {
                alpha = 0;
            }
        }
        picture.pixels.push_back(OverBlack(r, alpha) << 16 | OverBlack(g, alpha) << 8 | OverBlack(b, alpha));
    }
    return picture;
}
