// JPEG files for tests, made by the JPEG library's compressor, and the library's own
// plain decompression of a file as the reference picture.
#pragma once

#include "tests/common/BmpWriter.h"

#include <cstdint>
#include <vector>

enum JpegKind { JPEG_GREY = 1, JPEG_COLOUR = 3, JPEG_CMYK = 4 };

// Every kind carries a JFIF header. Grey files take the green channel of the picture.
std::vector<uint8_t> WriteJpeg(const Picture& picture, JpegKind kind, int quality = 90, bool progressive = false);
// The library's decompression with its default output, as 0xRRGGBB (grey: r = g = b).
Picture LibraryDecode(const std::vector<uint8_t>& bytes);
// Offset of the first marker with that code (0xC0 for a baseline frame header, 0xDA
// for a scan), or the file's size when there is none.
size_t FindMarker(const std::vector<uint8_t>& bytes, uint8_t code);
