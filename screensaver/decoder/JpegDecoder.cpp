// The JPEG path of the decoder: the JPEG library decompresses the file into 4-byte
// aligned top-down rows (grey, or blue-green-red) that become the device bitmap: the whole
// picture, the part of it a window shows, or the picture reduced to the size it is drawn at.
//
// A library error never returns into the library: the error exit destroys the
// decompressor and jumps back to the guarded call with __builtin_longjmp, which restores
// the stack without unwinding it (a C runtime longjmp may unwind through the library's
// frames on 64-bit Windows). The frames it leaves hold nothing to release.
#include "AreaReduction.h"
#include "DecoderFormat.h"
#include "DecoderShared.h"

#include "../../shared/cgen.h"

// The library's header needs FILE and size_t declared first.
#include <cstddef>
#include <cstdio>

#include <jpeglib.h>

#include <cstring>

static const char* const kSourceName = "JpegDecoder";

// The library's standard error manager, and the way back to the guarded call.
struct JpegErrorManager {
    jpeg_error_mgr standard;
    void* resume[5];
    bool failed; // the library reported an error, and the decompressor is destroyed
};

// The JPEG state of a decoder.
struct JpegState {
    jpeg_decompress_struct decompressor;
    JpegErrorManager errors;
    bool decompressorHeld; // created by the header, not yet destroyed
    size_t stride;         // of the whole picture's rows, checked against the size policy
};

// The start-of-image marker and the next marker's first byte, or a JFIF header.
static bool RecogniseJpeg(const uint8_t* bytes)
{
    return (bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[2] == 0xFF) || memcmp(bytes + 6, "JFIF", 4) == 0;
}

static void FreeJpegState(void* state)
{
    JpegState* jpeg = static_cast<JpegState*>(state);
    if (jpeg == nullptr) {
        return;
    }
    if (jpeg->decompressorHeld) {
        jpeg_destroy_decompress(&jpeg->decompressor);
    }
    RFree(kSourceName, __LINE__, jpeg);
}

static void JpegSilentOutput(j_common_ptr)
{
}

static void JpegErrorExit(j_common_ptr decompressor)
{
    JpegErrorManager* errors = reinterpret_cast<JpegErrorManager*>(decompressor->err);
    (*decompressor->err->output_message)(decompressor);
    jpeg_destroy(decompressor);
    errors->failed = true;
    __builtin_longjmp(errors->resume, 1);
}

static jpeg_error_mgr* SetupJpegErrors(JpegErrorManager* manager)
{
    jpeg_std_error(&manager->standard);
    manager->standard.error_exit = JpegErrorExit;
    manager->standard.output_message = JpegSilentOutput;
    return &manager->standard;
}

typedef void (*JpegStep)(j_decompress_ptr decompressor, void* context);

// Runs one step of library work; false when the library failed, which destroyed the
// decompressor.
static bool RunGuarded(JpegState* jpeg, JpegStep step, void* context)
{
    jpeg->errors.failed = false;
    if (__builtin_setjmp(jpeg->errors.resume) == 0) {
        step(&jpeg->decompressor, context);
    }
    if (jpeg->errors.failed) {
        jpeg->decompressorHeld = false;
    }
    return !jpeg->errors.failed;
}

static void CreateAndReadHeader(j_decompress_ptr decompressor, void* file)
{
    jpeg_create_decompress(decompressor);
    jpeg_stdio_src(decompressor, static_cast<FILE*>(file));
    jpeg_read_header(decompressor, TRUE);
}

static void ReadJpegHeader(DecoderCore& core)
{
    JpegState* jpeg = static_cast<JpegState*>(AllocateZeroed(sizeof(JpegState)));
    core.state = jpeg;
    jpeg->decompressor.err = SetupJpegErrors(&jpeg->errors);
    if (!RunGuarded(jpeg, CreateAndReadHeader, core.file)) {
        core.error = DE_JPEG;
        return;
    }
    jpeg_decompress_struct& decompressor = jpeg->decompressor;
    jpeg->decompressorHeld = true;
    core.width = static_cast<int32_t>(decompressor.image_width);
    core.height = static_cast<int32_t>(decompressor.image_height);
    // Colour comes out in the byte order of a 24-bit bitmap.
    if (decompressor.out_color_space == JCS_RGB) {
        decompressor.out_color_space = JCS_EXT_BGR;
    }
    uint32_t bitsPerPixel = 8 * decompressor.num_components;
    uint64_t pixelBytes;
    if (!PixelBufferBytes(decompressor.image_width, decompressor.image_height, bitsPerPixel, &pixelBytes)) {
        core.error = DE_FORMAT;
        return;
    }
    jpeg->stride = static_cast<size_t>(RowStride(decompressor.image_width, bitsPerPixel));
}

// What one decompression gives: the whole picture, the picture scaled down by the library
// to the smallest size not below a target, or rows cut to some columns with rows skipped
// before them.
struct JpegPlan {
    JDIMENSION targetWidth; // 0: no scaling
    JDIMENSION targetHeight;
    JDIMENSION cropLeft; // the library moves it left to a block boundary
    JDIMENSION cropWidth; // 0: whole rows
    JDIMENSION skippedRows;
};

static void ScaleToTarget(j_decompress_ptr decompressor, JDIMENSION targetWidth, JDIMENSION targetHeight)
{
    decompressor->scale_denom = DCTSIZE;
    for (decompressor->scale_num = 1; decompressor->scale_num < DCTSIZE; ++decompressor->scale_num) {
        jpeg_calc_output_dimensions(decompressor);
        if (decompressor->output_width >= targetWidth && decompressor->output_height >= targetHeight) {
            return;
        }
    }
}

static void StartDecompress(j_decompress_ptr decompressor, void* context)
{
    JpegPlan* plan = static_cast<JpegPlan*>(context);
    if (plan->targetWidth != 0) {
        ScaleToTarget(decompressor, plan->targetWidth, plan->targetHeight);
    }
    jpeg_start_decompress(decompressor);
    if (plan->cropWidth != 0) {
        jpeg_crop_scanline(decompressor, &plan->cropLeft, &plan->cropWidth);
    }
    if (plan->skippedRows != 0) {
        jpeg_skip_scanlines(decompressor, plan->skippedRows);
    }
}

// Starts a decompression by the plan: DE_OK, or the error with the decompressor gone.
static int32_t StartJpeg(JpegState* jpeg, JpegPlan* plan)
{
    if (!jpeg->decompressorHeld || !RunGuarded(jpeg, StartDecompress, plan)) {
        return DE_JPEG;
    }
    int components = jpeg->decompressor.output_components;
    if (components != 1 && components != 3) {
        jpeg_destroy_decompress(&jpeg->decompressor);
        jpeg->decompressorHeld = false;
        return DE_BITMAP;
    }
    return DE_OK;
}

// Where the rows of a decompression go, up to output row `end`: into an image through
// the row pointer, rows `stride` apart, or through one row into a reducer.
struct JpegRows {
    JSAMPROW row;
    size_t stride;
    cAreaReducer* reducer;
    JDIMENSION end;
};

static void ReadScanlines(j_decompress_ptr decompressor, void* context)
{
    JpegRows* rows = static_cast<JpegRows*>(context);
    while (decompressor->output_scanline < rows->end) {
        JDIMENSION read = jpeg_read_scanlines(decompressor, &rows->row, 1);
        if (rows->reducer == nullptr) {
            rows->row += read * rows->stride;
        } else if (read != 0) {
            rows->reducer->AddRow(rows->row);
        }
    }
}

static void FinishDecompress(j_decompress_ptr decompressor, void*)
{
    jpeg_finish_decompress(decompressor);
}

// Ends the decompression: finished when every row has been read (a failure then still
// leaves the picture complete), and destroyed.
static void EndJpeg(JpegState* jpeg)
{
    if (jpeg->decompressor.output_scanline == jpeg->decompressor.output_height) {
        RunGuarded(jpeg, FinishDecompress, nullptr);
    }
    if (jpeg->decompressorHeld) {
        jpeg_destroy_decompress(&jpeg->decompressor);
        jpeg->decompressorHeld = false;
    }
}

// Grey output shows through a grey ramp in the shared palette.
static HBITMAP MakeOutputBitmap(HDC dc, int components, uint32_t columns, uint32_t rows, const uint8_t* pixels,
                                size_t pixelBytes)
{
    if (components == 1) {
        SetGreyPalette();
    }
    return MakeSharedInfoBitmap(dc, columns, rows, 8 * components, pixels, pixelBytes);
}

// Reads the rows into a new image of `stride` x the rows read and makes its bitmap; the
// decompressor is gone afterwards.
static HBITMAP ReadImage(JpegState* jpeg, HDC dc, size_t stride, JDIMENSION end, int32_t* error)
{
    jpeg_decompress_struct& decompressor = jpeg->decompressor;
    uint32_t imageRows = end - decompressor.output_scanline;
    size_t pixelBytes = stride * imageRows;
    uint8_t* image = static_cast<uint8_t*>(RMalloc(kSourceName, __LINE__, pixelBytes));
    JpegRows rows = {image, stride, nullptr, end};
    HBITMAP bitmap = nullptr;
    if (!RunGuarded(jpeg, ReadScanlines, &rows)) {
        *error = DE_JPEG;
    } else {
        bitmap = MakeOutputBitmap(dc, decompressor.output_components, decompressor.output_width, imageRows, image,
                                  pixelBytes);
        if (bitmap == nullptr) {
            *error = DE_BITMAP;
        }
        EndJpeg(jpeg);
    }
    RFree(kSourceName, __LINE__, image);
    return bitmap;
}

static HBITMAP MakeJpegBitmap(DecoderCore& core, HDC dc)
{
    JpegState* jpeg = static_cast<JpegState*>(core.state);
    JpegPlan plan = {};
    core.error = StartJpeg(jpeg, &plan);
    if (core.error != DE_OK) {
        return nullptr;
    }
    return ReadImage(jpeg, dc, jpeg->stride, jpeg->decompressor.output_height, &core.error);
}

// Only the rows shown become pixels (the rows above are skipped, which still reads their
// data), and of them the columns shown and one more on each side: the library takes the
// edges of a cut for picture edges, which changes their colours.
static ViewBitmap MakeJpegPart(DecoderCore& core, HDC dc, const PixelRect& part)
{
    JpegState* jpeg = static_cast<JpegState*>(core.state);
    int32_t width = core.width;
    JDIMENSION left = part.left > 0 ? part.left - 1 : 0;
    JDIMENSION right = part.right < width ? part.right + 1 : width;
    JpegPlan plan = {};
    if (right - left < static_cast<JDIMENSION>(width)) {
        plan.cropLeft = left;
        plan.cropWidth = right - left;
    }
    plan.skippedRows = part.top;
    core.error = StartJpeg(jpeg, &plan);
    if (core.error != DE_OK) {
        return {nullptr, {}, {}};
    }
    jpeg_decompress_struct& decompressor = jpeg->decompressor;
    size_t stride = static_cast<size_t>(RowStride(decompressor.output_width, 8 * decompressor.output_components));
    HBITMAP bitmap = ReadImage(jpeg, dc, stride, part.bottom, &core.error);
    return ShowingPart(bitmap, part, plan.cropLeft, part.top);
}

static HBITMAP MakeReducedJpeg(DecoderCore& core, HDC dc, uint32_t reducedWidth, uint32_t reducedRows)
{
    JpegState* jpeg = static_cast<JpegState*>(core.state);
    JpegPlan plan = {reducedWidth, reducedRows, 0, 0, 0};
    core.error = StartJpeg(jpeg, &plan);
    if (core.error != DE_OK) {
        return nullptr;
    }
    jpeg_decompress_struct& decompressor = jpeg->decompressor;
    int components = decompressor.output_components;
    cAreaReducer reducer(decompressor.output_width, decompressor.output_height, reducedWidth, reducedRows, components);
    uint8_t* row = static_cast<uint8_t*>(RMalloc(kSourceName, __LINE__, decompressor.output_width * components));
    JpegRows rows = {row, 0, &reducer, decompressor.output_height};
    HBITMAP bitmap = nullptr;
    if (!RunGuarded(jpeg, ReadScanlines, &rows)) {
        core.error = DE_JPEG;
    } else {
        bitmap = MakeOutputBitmap(dc, components, reducedWidth, reducedRows, reducer.Pixels(), reducer.PixelBytes());
        if (bitmap == nullptr) {
            core.error = DE_BITMAP;
        }
        EndJpeg(jpeg);
    }
    RFree(kSourceName, __LINE__, row);
    return bitmap;
}

// Drawn at its size, only the visible part is decoded; drawn smaller, the picture is
// reduced; otherwise it comes whole. The decompressor serves one bitmap in all.
static bool MakeJpegForView(DecoderCore& core, HDC dc, const PictureView& view, const PixelRect& visible,
                            ViewBitmap* made)
{
    uint32_t columns = static_cast<uint32_t>(core.width), rows = static_cast<uint32_t>(core.height);
    PixelRect whole = {0, 0, core.width, core.height};
    if (static_cast<uint32_t>(view.width) == columns && static_cast<uint32_t>(view.height) == rows) {
        if (memcmp(&visible, &whole, sizeof whole) != 0) {
            *made = MakeJpegPart(core, dc, visible);
        } else {
            *made = ShowingPart(MakeJpegBitmap(core, dc), visible, 0, 0);
        }
    } else if (DrawnSmaller(view, columns, rows) && CanReduce(columns, rows, view.width, view.height)) {
        *made = ShowingPart(MakeReducedJpeg(core, dc, view.width, view.height), visible, 0, 0);
    } else {
        *made = {MakeJpegBitmap(core, dc), whole, {0, 0, view.width, view.height}};
    }
    if (made->bitmap == nullptr) {
        *made = {nullptr, {}, {}};
    }
    return true;
}

extern const DecoderFormat kJpegFormat = {FORMAT_JPEG,     RecogniseJpeg,   ReadJpegHeader,
                                          MakeJpegBitmap, MakeJpegForView, FreeJpegState};
