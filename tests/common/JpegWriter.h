// JPEG files for tests, made by the JPEG library's compressor, and the library's own
// plain decompression of a file as the reference picture.
#pragma once

#include "tests/common/BmpWriter.h"

#include <cstdint>
#include <vector>

enum JpegKind { JPEG_GREY = 1, JPEG_COLOUR = 3, JPEG_CMYK = 4 };

// Every kind carries a JFIF header. Grey files take the green channel of the picture.
std::vector<uint8_t> WriteJpeg(const Picture& picture, JpegKind kind, int quality = 90, bool progressive = false);
// As a camera writes it: no JFIF header, an APP1 segment first holding `app1` (the bytes
// after the segment's length).
std::vector<uint8_t> WriteCameraJpeg(const Picture& picture, const std::vector<uint8_t>& app1,
                                     JpegKind kind = JPEG_COLOUR, int quality = 90, bool progressive = false);
// An APP1 body, "Exif\0\0" and a TIFF header in either byte order, whose IFD0 holds
// `before` other entries and then the orientation tag (count 1) of that TIFF type: 3 SHORT,
// 4 LONG, 9 SLONG.
std::vector<uint8_t> ExifWithOrientation(int orientation, bool bigEndian, int before = 2, int type = 3);
// The picture as a viewer shows a file of that Exif orientation (1 to 8).
Picture Oriented(const Picture& stored, int orientation);
// The library's decompression with its default output, as 0xRRGGBB (grey: r = g = b).
Picture LibraryDecode(const std::vector<uint8_t>& bytes);
// Offset of the first marker with that code (0xC0 for a baseline frame header, 0xDA
// for a scan), or the file's size when there is none.
size_t FindMarker(const std::vector<uint8_t>& bytes, uint8_t code);
