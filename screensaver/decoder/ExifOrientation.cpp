#include "ExifOrientation.h"

#include <cstring>

static const uint8_t kExifHeader[6] = {'E', 'x', 'i', 'f', 0, 0};
static const uint16_t kOrientationTag = 0x0112;
// The integer types writers store it as: SHORT, and some LONG or SLONG (4 bytes, the value
// field's first bytes in the file's byte order).
static const uint16_t kShortType = 3;
static const uint16_t kLongType = 4;
static const uint16_t kSignedLongType = 9;
static const size_t kTiffHeaderBytes = 8;
static const size_t kEntryBytes = 12;
// IFD0 of a camera holds a few dozen entries; a longer walk is not a real file.
static const uint32_t kMaxEntries = 512;

namespace {

// The TIFF block of the segment, read in its byte order; every read is bounds-checked.
struct TiffReader {
    const uint8_t* bytes;
    size_t length;
    bool bigEndian;

    bool Has(size_t offset, size_t count) const { return offset <= length && count <= length - offset; }
    uint32_t Number(size_t offset, int count) const
    {
        uint32_t value = 0;
        for (int i = 0; i < count; ++i) {
            uint32_t byte = bytes[offset + (bigEndian ? i : count - 1 - i)];
            value = value << 8 | byte;
        }
        return value;
    }
};

} // namespace

// The bytes an entry's value takes, for the types the orientation comes in; 0 for others.
static int ValueBytes(uint32_t type)
{
    switch (type) {
    case kShortType:
        return 2;
    case kLongType:
    case kSignedLongType:
        return 4;
    default:
        return 0;
    }
}

int ExifOrientation(const uint8_t* body, size_t length)
{
    if (body == nullptr || length < sizeof kExifHeader + kTiffHeaderBytes ||
        memcmp(body, kExifHeader, sizeof kExifHeader) != 0) {
        return 1;
    }
    return TiffOrientation(body + sizeof kExifHeader, length - sizeof kExifHeader);
}

int TiffOrientation(const uint8_t* block, size_t length)
{
    if (block == nullptr || length < kTiffHeaderBytes) {
        return 1;
    }
    TiffReader tiff = {block, length, false};
    if (tiff.bytes[0] == 'M' && tiff.bytes[1] == 'M') {
        tiff.bigEndian = true;
    } else if (tiff.bytes[0] != 'I' || tiff.bytes[1] != 'I') {
        return 1;
    }
    uint32_t ifd = tiff.Number(4, 4);
    if (tiff.Number(2, 2) != 42 || ifd < kTiffHeaderBytes || !tiff.Has(ifd, 2)) {
        return 1;
    }
    uint32_t entries = tiff.Number(ifd, 2);
    if (entries > kMaxEntries || !tiff.Has(ifd + 2, entries * kEntryBytes)) {
        return 1;
    }
    for (uint32_t i = 0; i < entries; ++i) {
        size_t entry = ifd + 2 + static_cast<size_t>(i) * kEntryBytes;
        if (tiff.Number(entry, 2) != kOrientationTag) {
            continue;
        }
        int valueBytes = ValueBytes(tiff.Number(entry + 2, 2));
        if (valueBytes == 0 || tiff.Number(entry + 4, 4) != 1) {
            return 1;
        }
        uint32_t orientation = tiff.Number(entry + 8, valueBytes); // an SLONG below 0 is out of range too
        return orientation >= 1 && orientation <= kExifOrientations ? static_cast<int>(orientation) : 1;
    }
    return 1;
}
