// The orientation a camera records for a photo: the Orientation tag (0x0112) of IFD0 in an
// APP1 "Exif\0\0" segment. Read with strict bounds and a limited walk.
#pragma once

#include <cstddef>
#include <cstdint>

// How the stored picture is shown, as Exif numbers it: 1 as stored, 2 mirrored left to right,
// 3 turned half round, 4 mirrored top to bottom, 5 mirrored along the main diagonal, 6 turned
// a quarter clockwise, 7 mirrored along the other diagonal, 8 turned a quarter anticlockwise.
// Orientations 5 to 8 swap width and height.
const int kExifOrientations = 8;

// The orientation in the body of an APP1 segment (the bytes after its length), either byte
// order; 1 for anything malformed, missing or out of range, never a failure. The tag may be
// stored as a SHORT, a LONG or an SLONG.
int ExifOrientation(const uint8_t* body, size_t length);
// The same for the TIFF block alone (from its byte-order mark on), as a WebP EXIF chunk holds it.
int TiffOrientation(const uint8_t* block, size_t length);
