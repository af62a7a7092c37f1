// The PNG path of the decoder: libpng reads every colour type and bit depth, palette
// transparency and Adam7 interlacing into 8-bit rows of grey or blue-green-red; alpha is
// composed over black, and no gamma or colour correction is applied (samples as stored).
// The rows become the whole picture, the part of it a window shows at its own size, or the
// picture reduced to the size it is drawn at; only an interlaced picture needs all of its
// rows at once.
//
// A library error never returns into the library: the error function jumps back to the
// guarded call with __builtin_longjmp, as on the JPEG path. An error while the rows are read
// keeps the rows read so far; the rest stay black.
#include "AreaReduction.h"
#include "DecoderFormat.h"
#include "DecoderShared.h"

#include "../../shared/cgen.h"

#include <png.h>

#include <cstring>

static const char* const kSourceName = "PngDecoder";
static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
// What libpng may allocate for one chunk's data, and how many ancillary chunks of a kind it
// keeps. The chunks the picture does not need are discarded unread (libpng only warns about
// an oversized chunk and would then allocate it).
static const png_alloc_size_t kMaxChunkBytes = 8u << 20;
static const png_uint_32 kMaxCachedChunks = 128;

// The PNG state of a decoder.
struct PngState {
    png_structp reader; // null once destroyed
    png_infop info;
    void* resume[5];
    bool failed;       // the library reported an error
    int channels;      // of the rows libpng gives: 1 grey, 2 grey and alpha, 3 BGR, 4 BGRA
    int outChannels;   // of the bitmap: 1 or 3
    bool interlaced;
    uint32_t rowsRead; // rows libpng has handed out
};

static bool RecognisePng(const uint8_t* bytes)
{
    return memcmp(bytes, kSignature, sizeof kSignature) == 0;
}

static void DestroyReader(PngState* png)
{
    if (png->reader != nullptr) {
        png_destroy_read_struct(&png->reader, &png->info, nullptr);
        png->reader = nullptr;
        png->info = nullptr;
    }
}

static void FreePngState(void* state)
{
    PngState* png = static_cast<PngState*>(state);
    if (png == nullptr) {
        return;
    }
    DestroyReader(png);
    FreeZeroed(png);
}

static void PngError(png_structp reader, png_const_charp)
{
    PngState* png = static_cast<PngState*>(png_get_error_ptr(reader));
    png->failed = true;
    __builtin_longjmp(png->resume, 1);
}

static void PngWarning(png_structp, png_const_charp)
{
}

static png_voidp PngAllocate(png_structp, png_alloc_size_t size)
{
    return RMalloc(kSourceName, __LINE__, size);
}

static void PngFree(png_structp, png_voidp block)
{
    RFree(kSourceName, __LINE__, block);
}

typedef void (*PngStep)(PngState* png, void* context);

// Runs one step of library work; false when the library failed, which destroys the reader.
static bool RunGuarded(PngState* png, PngStep step, void* context)
{
    png->failed = false;
    if (__builtin_setjmp(png->resume) == 0) {
        step(png, context);
    }
    if (png->failed) {
        DestroyReader(png);
    }
    return !png->failed;
}

// Asks libpng for 8-bit samples, colour as blue, green, red, transparency as alpha.
static void ReadInfo(PngState* png, void* file)
{
    png_structp reader = png->reader;
    png_init_io(reader, static_cast<FILE*>(file));
    png_read_info(reader, png->info);
    int colourType = png_get_color_type(reader, png->info);
    png_set_scale_16(reader);
    png_set_packing(reader);
    if (colourType == PNG_COLOR_TYPE_PALETTE) {
        png_set_palette_to_rgb(reader);
    }
    if (colourType == PNG_COLOR_TYPE_GRAY) {
        png_set_expand_gray_1_2_4_to_8(reader);
    }
    if (png_get_valid(reader, png->info, PNG_INFO_tRNS)) {
        png_set_tRNS_to_alpha(reader);
    }
    png_set_bgr(reader);
    png->interlaced = png_set_interlace_handling(reader) > 1;
    png_read_update_info(reader, png->info);
    png->channels = png_get_channels(reader, png->info);
}

static void ReadPngHeader(DecoderCore& core)
{
    PngState* png = static_cast<PngState*>(AllocateZeroed(sizeof(PngState)));
    core.state = png;
    png->reader = png_create_read_struct_2(PNG_LIBPNG_VER_STRING, png, PngError, PngWarning, nullptr, PngAllocate,
                                           PngFree);
    png->info = png->reader != nullptr ? png_create_info_struct(png->reader) : nullptr;
    if (png->info != nullptr) {
        png_set_chunk_malloc_max(png->reader, kMaxChunkBytes);
        png_set_chunk_cache_max(png->reader, kMaxCachedChunks);
        // Every chunk but IHDR, PLTE, tRNS, IDAT and IEND.
        png_set_keep_unknown_chunks(png->reader, PNG_HANDLE_CHUNK_NEVER, nullptr, -1);
    }
    if (png->info == nullptr || !RunGuarded(png, ReadInfo, core.file)) {
        DestroyReader(png);
        core.error = DE_PNG;
        return;
    }
    uint32_t columns = png_get_image_width(png->reader, png->info);
    uint32_t rows = png_get_image_height(png->reader, png->info);
    png->outChannels = png->channels <= 2 ? 1 : 3;
    uint64_t rowBytes;
    if (columns > INT32_MAX || rows > INT32_MAX || png->channels < 1 || png->channels > 4 ||
        !PixelBufferBytes(columns, 1, 8 * png->channels, &rowBytes)) {
        core.error = DE_FORMAT;
        return;
    }
    core.width = static_cast<int32_t>(columns);
    core.height = static_cast<int32_t>(rows);
}

// Where the converted rows go: rows first ... end - 1 into an image (columns left on, as
// many as it is wide), or every row into a reducer.
struct PngRows {
    uint8_t* image;
    size_t stride;
    uint32_t left;
    uint32_t columns;
    uint32_t first;
    uint32_t end;
    cAreaReducer* reducer;
    uint8_t* row;       // one row as libpng gives it
    uint8_t* converted; // one row of the bitmap's channels, for the reducer
    uint8_t* all;       // an interlaced picture's rows, as libpng gives them
};

// Samples composed over black: value x alpha / 255, rounded.
static inline uint8_t OverBlack(uint32_t value, uint32_t alpha)
{
    uint32_t product = value * alpha + 128;
    return static_cast<uint8_t>((product + (product >> 8)) >> 8);
}

// Columns left ... left + count - 1 of a row as libpng gives it, in the bitmap's channels.
static void ConvertRow(const PngState* png, const uint8_t* from, uint32_t left, uint32_t count, uint8_t* to)
{
    from += static_cast<size_t>(left) * png->channels;
    switch (png->channels) {
    case 2:
        for (uint32_t x = 0; x < count; ++x, from += 2) {
            to[x] = OverBlack(from[0], from[1]);
        }
        break;
    case 4:
        for (uint32_t x = 0; x < count; ++x, from += 4, to += 3) {
            to[0] = OverBlack(from[0], from[3]);
            to[1] = OverBlack(from[1], from[3]);
            to[2] = OverBlack(from[2], from[3]);
        }
        break;
    default:
        memcpy(to, from, static_cast<size_t>(count) * png->channels);
        break;
    }
}

static void TakeRow(const PngState* png, PngRows* rows, const uint8_t* row, uint32_t y)
{
    if (rows->reducer != nullptr) {
        ConvertRow(png, row, 0, rows->columns, rows->converted);
        rows->reducer->AddRow(rows->converted);
    } else if (y >= rows->first) {
        ConvertRow(png, row, rows->left, rows->columns, rows->image + (y - rows->first) * rows->stride);
    }
}

static void ReadRows(PngState* png, void* context)
{
    PngRows* rows = static_cast<PngRows*>(context);
    png_structp reader = png->reader;
    size_t rowBytes = png_get_rowbytes(reader, png->info);
    if (rows->all != nullptr) {
        uint32_t height = png_get_image_height(reader, png->info);
        for (int pass = png_set_interlace_handling(reader); pass > 0; --pass) {
            for (uint32_t y = 0; y < height; ++y) {
                png_read_row(reader, rows->all + y * rowBytes, nullptr);
            }
        }
        for (uint32_t y = 0; y < rows->end; ++y) {
            TakeRow(png, rows, rows->all + y * rowBytes, y);
        }
        png->rowsRead = rows->end;
        return;
    }
    while (png->rowsRead < rows->end) {
        png_read_row(reader, rows->row, nullptr);
        TakeRow(png, rows, rows->row, png->rowsRead);
        ++png->rowsRead;
    }
}

// Runs the rows into their sink; an interlaced picture is read whole first. False when the
// picture is too large for the buffers it needs; a library error sets DE_PNG and keeps the
// rows read so far. The reader is gone afterwards: a decoder reads its rows once.
static bool RunRows(DecoderCore& core, PngRows* rows)
{
    PngState* png = static_cast<PngState*>(core.state);
    if (png->reader == nullptr || png->rowsRead != 0) {
        core.error = DE_PNG;
        return false;
    }
    size_t rowBytes = png_get_rowbytes(png->reader, png->info);
    uint64_t allBytes = 0;
    if (png->interlaced && !PixelBufferBytes(static_cast<uint32_t>(rowBytes), core.height, 8, &allBytes)) {
        core.error = DE_FORMAT;
        DestroyReader(png);
        return false;
    }
    rows->row = static_cast<uint8_t*>(RMalloc(kSourceName, __LINE__, rowBytes));
    rows->converted = static_cast<uint8_t*>(RMalloc(kSourceName, __LINE__, 3 * static_cast<size_t>(core.width)));
    rows->all = png->interlaced ? static_cast<uint8_t*>(AllocateZeroed(static_cast<size_t>(allBytes))) : nullptr;
    if (!RunGuarded(png, ReadRows, rows)) {
        core.error = DE_PNG;
    }
    DestroyReader(png);
    RFree(kSourceName, __LINE__, rows->row);
    RFree(kSourceName, __LINE__, rows->converted);
    FreeZeroed(rows->all);
    return true;
}

static HBITMAP OutputBitmap(HDC dc, int channels, uint32_t columns, uint32_t rows, const uint8_t* pixels,
                            size_t pixelBytes)
{
    if (channels == 1) {
        SetGreyPalette();
    }
    return MakeSharedInfoBitmap(dc, columns, rows, 8 * channels, pixels, pixelBytes);
}

// Rows top ... bottom - 1 and columns left ... right - 1 as a bitmap of their own.
static HBITMAP MakePngPart(DecoderCore& core, HDC dc, const PixelRect& part)
{
    const PngState* png = static_cast<const PngState*>(core.state);
    uint32_t columns = part.right - part.left, rows = part.bottom - part.top;
    uint64_t pixelBytes;
    if (!PixelBufferBytes(columns, rows, 8 * png->outChannels, &pixelBytes)) {
        core.error = DE_FORMAT;
        return nullptr;
    }
    size_t stride = static_cast<size_t>(RowStride(columns, 8 * png->outChannels));
    uint8_t* image = static_cast<uint8_t*>(AllocateZeroed(static_cast<size_t>(pixelBytes)));
    PngRows sink = {image, stride, static_cast<uint32_t>(part.left), columns, static_cast<uint32_t>(part.top),
                    static_cast<uint32_t>(part.bottom), nullptr, nullptr, nullptr, nullptr};
    HBITMAP bitmap = nullptr;
    if (RunRows(core, &sink)) {
        bitmap = OutputBitmap(dc, png->outChannels, columns, rows, image, static_cast<size_t>(pixelBytes));
    }
    FreeZeroed(image);
    return bitmap;
}

static HBITMAP MakePngBitmap(DecoderCore& core, HDC dc)
{
    return MakePngPart(core, dc, {0, 0, core.width, core.height});
}

static HBITMAP MakeReducedPng(DecoderCore& core, HDC dc, uint32_t reducedWidth, uint32_t reducedRows)
{
    const PngState* png = static_cast<const PngState*>(core.state);
    uint32_t columns = static_cast<uint32_t>(core.width), rows = static_cast<uint32_t>(core.height);
    cAreaReducer reducer(columns, rows, reducedWidth, reducedRows, png->outChannels);
    PngRows sink = {nullptr, 0, 0, columns, 0, rows, &reducer, nullptr, nullptr, nullptr};
    if (!RunRows(core, &sink)) {
        return nullptr;
    }
    return OutputBitmap(dc, png->outChannels, reducedWidth, reducedRows, reducer.Pixels(), reducer.PixelBytes());
}

// Drawn at its size, only the rows down to the visible part's bottom are read and only the
// part becomes pixels; drawn smaller, the picture is reduced; otherwise it comes whole.
static bool MakePngForView(DecoderCore& core, HDC dc, const PictureView& view, const PixelRect& visible,
                           ViewBitmap* made)
{
    uint32_t columns = static_cast<uint32_t>(core.width), rows = static_cast<uint32_t>(core.height);
    if (static_cast<uint32_t>(view.width) == columns && static_cast<uint32_t>(view.height) == rows) {
        *made = ShowingPart(MakePngPart(core, dc, visible), visible, visible.left, visible.top);
    } else if (DrawnSmaller(view, columns, rows) && CanReduce(columns, rows, view.width, view.height)) {
        *made = ShowingPart(MakeReducedPng(core, dc, view.width, view.height), visible, 0, 0);
    } else {
        return false;
    }
    if (made->bitmap == nullptr) {
        *made = {nullptr, {}, {}};
    }
    return true;
}

extern const DecoderFormat kPngFormat = {FORMAT_PNG,     RecognisePng,   ReadPngHeader,
                                         MakePngBitmap, MakePngForView, FreePngState};
