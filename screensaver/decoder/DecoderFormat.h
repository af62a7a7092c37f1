// A picture format as the façade sees it: a table of plain functions, one table per format
// file, chosen once by the decoder's constructor. Not for the decoder's users.
#pragma once

#include "DeviceBitmap.h"
#include "PictureView.h"
#include "cImageDecoder.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>

// The bytes DetectFormat reads and hands to each format's recognise function, and the fewest
// a file may have: a shorter one's missing bytes are handed over as zeros.
const size_t kDetectedBytes = 12;
const size_t kFewestDetectedBytes = 10;

// What the façade hands to a format's functions: the open file, the format's own record
// (made by its readHeader, released by its freeState) and the decoder's public fields.
struct DecoderCore {
    FILE* file;
    void* state;
    int32_t width;  // as the picture is shown
    int32_t height; // as the picture is shown; negative for a top-down BMP
    int32_t error;
};

struct DecoderFormat {
    ImageFormat format;
    // Whether the first kDetectedBytes bytes of a file announce this format; null for the
    // format that takes the files no other recognises.
    bool (*recognise)(const uint8_t* first);
    // Reads the header from the start of the file: sets width and height, or error. Makes
    // the state it needs even when it fails.
    void (*readHeader)(DecoderCore& core);
    // A new bitmap of the whole picture, or null with or without an error.
    HBITMAP (*makeWhole)(DecoderCore& core, HDC dc);
    // The view's bitmap where the format makes it itself: the visible part (never empty) of
    // the picture reduced to the drawn size, or cut at its own size. False leaves the view
    // to the façade, which then makes the picture whole.
    bool (*makeForView)(DecoderCore& core, HDC dc, const PictureView& view, const PixelRect& visible,
                        ViewBitmap* made);
    // Releases the state; null is allowed.
    void (*freeState)(void* state);
};

extern const DecoderFormat kJpegFormat;
extern const DecoderFormat kBmpFormat;
extern const DecoderFormat kGifFormat;
extern const DecoderFormat kPngFormat;
extern const DecoderFormat kWebpFormat;
#ifdef _WIN32
extern const DecoderFormat kWicFormat;
#endif
