// The JPEG path of the decoder: the JPEG library decompresses the file into 4-byte
// aligned top-down rows (grey, or blue-green-red) that become the device bitmap: the whole
// picture, the part of it a window shows, or the picture reduced to the size it is drawn at.
// The Exif orientation is applied as the rows come: `width` and `height` are the picture as
// shown, and a view's part or drawn size is mapped back onto the stored picture, so that
// turning costs no buffer beyond the one the bitmap is made from (and, when reduced, the
// reducer's). The size cap counts what is allocated: the drawn buffer, not the whole
// picture, and the library's own memory is bounded too.
//
// A library error never returns into the library: the error exit destroys the
// decompressor and jumps back to the guarded call with __builtin_longjmp, which restores
// the stack without unwinding it (a C runtime longjmp may unwind through the library's
// frames on 64-bit Windows). The frames it leaves hold nothing to release.
#include "AreaReduction.h"
#include "DecoderFormat.h"
#include "DecoderShared.h"
#include "ExifOrientation.h"
#include "TurnedPixels.h"

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
    int orientation;       // Exif, 1 to 8
};

// The library's own memory (a progressive picture's coefficients) is held within this.
static const long kMaxLibraryMemory = static_cast<long>(kMaxPixelBytes / 2);
static const unsigned kMaxExifBytes = 0xFFFF;

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
    FreeZeroed(jpeg);
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
    decompressor->mem->max_memory_to_use = kMaxLibraryMemory;
    jpeg_stdio_src(decompressor, static_cast<FILE*>(file));
    jpeg_save_markers(decompressor, JPEG_APP0 + 1, kMaxExifBytes);
    jpeg_read_header(decompressor, TRUE);
}

// The orientation of the first APP1 segment that is Exif; 1 without one.
static int FileOrientation(j_decompress_ptr decompressor)
{
    for (jpeg_saved_marker_ptr marker = decompressor->marker_list; marker != nullptr; marker = marker->next) {
        if (marker->marker == JPEG_APP0 + 1 && marker->data_length >= 6 && memcmp(marker->data, "Exif\0", 6) == 0) {
            return ExifOrientation(marker->data, marker->data_length);
        }
    }
    return 1;
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
    jpeg->orientation = FileOrientation(&decompressor);
    bool swaps = SwapsSides(jpeg->orientation);
    core.width = static_cast<int32_t>(swaps ? decompressor.image_height : decompressor.image_width);
    core.height = static_cast<int32_t>(swaps ? decompressor.image_width : decompressor.image_height);
    // Colour comes out in the byte order of a 24-bit bitmap.
    if (decompressor.out_color_space == JCS_RGB) {
        decompressor.out_color_space = JCS_EXT_BGR;
    }
    if (decompressor.image_width == 0 || decompressor.image_height == 0) {
        core.error = DE_FORMAT;
    }
}

// What one decompression gives: the whole picture, the picture scaled down by the library
// to the smallest size not below a target, or rows cut to some columns with rows skipped
// before them. In stored pixels.
struct JpegPlan {
    JDIMENSION targetWidth; // 0: no scaling
    JDIMENSION targetHeight;
    JDIMENSION cropLeft; // the library moves it left to a block boundary
    JDIMENSION cropWidth; // 0: whole rows
    JDIMENSION skippedRows;
};

// The DCT scalings the library does with SIMD. Measured on a 12 MP photo in the Win32 build
// under Wine (ms per decode): 1/8 22, 2/8 25, 3/8 32, 4/8 29, 5/8 50, 6/8 71, 7/8 85, 8/8 36;
// the others cost more than a larger one and the reduction from there.
static const unsigned kScales[] = {1, 2, 4, 8};

static void ScaleToTarget(j_decompress_ptr decompressor, void* context)
{
    const JpegPlan* plan = static_cast<const JpegPlan*>(context);
    decompressor->scale_denom = DCTSIZE;
    for (unsigned scale : kScales) {
        decompressor->scale_num = scale;
        jpeg_calc_output_dimensions(decompressor);
        if (decompressor->output_width >= plan->targetWidth && decompressor->output_height >= plan->targetHeight) {
            return;
        }
    }
}

static void StartDecompress(j_decompress_ptr decompressor, void* context)
{
    JpegPlan* plan = static_cast<JpegPlan*>(context);
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

// Where the rows of a decompression go, up to output row `end`: stored columns
// firstColumn ... firstColumn + columns - 1 of output rows firstRow ... end - 1, turned into
// the shown buffer (straight into it when nothing turns or cuts), or every row into a reducer.
struct JpegRows {
    uint8_t* row; // one output row
    uint32_t firstColumn;
    uint32_t columns;
    JDIMENSION firstRow;
    JDIMENSION end;
    int orientation;
    uint8_t* shown;
    size_t stride;
    bool straight;
    cAreaReducer* reducer;
};

static void ReadScanlines(j_decompress_ptr decompressor, void* context)
{
    JpegRows* rows = static_cast<JpegRows*>(context);
    int components = decompressor->output_components;
    uint32_t regionRows = rows->end - rows->firstRow;
    while (decompressor->output_scanline < rows->end) {
        JDIMENSION y = decompressor->output_scanline - rows->firstRow;
        JSAMPROW row = rows->straight ? rows->shown + y * rows->stride : rows->row;
        if (jpeg_read_scanlines(decompressor, &row, 1) == 0) {
            continue;
        }
        if (rows->reducer != nullptr) {
            rows->reducer->AddRow(row);
        } else if (!rows->straight) {
            PutTurnedRow(row + static_cast<size_t>(rows->firstColumn) * components, y, rows->columns, regionRows,
                         rows->orientation, components, rows->shown, rows->stride);
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
    if (jpeg->decompressorHeld && jpeg->decompressor.output_scanline == jpeg->decompressor.output_height) {
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

// Reads the rows into a new shown buffer and makes its bitmap; the decompressor is gone
// afterwards.
static HBITMAP ReadImage(JpegState* jpeg, HDC dc, JpegRows* rows, uint32_t shownWidth, uint32_t shownRows,
                         int32_t* error)
{
    jpeg_decompress_struct& decompressor = jpeg->decompressor;
    int components = decompressor.output_components;
    uint64_t pixelBytes;
    if (!PixelBufferBytes(shownWidth, shownRows, 8 * components, &pixelBytes)) {
        *error = DE_FORMAT;
        EndJpeg(jpeg);
        return nullptr;
    }
    rows->stride = static_cast<size_t>(RowStride(shownWidth, 8 * components));
    rows->shown = static_cast<uint8_t*>(RMalloc(kSourceName, __LINE__, static_cast<size_t>(pixelBytes)));
    rows->row = static_cast<uint8_t*>(
        RMalloc(kSourceName, __LINE__, static_cast<size_t>(decompressor.output_width) * components));
    HBITMAP bitmap = nullptr;
    if (!RunGuarded(jpeg, ReadScanlines, rows)) {
        *error = DE_JPEG;
    } else {
        bitmap = MakeOutputBitmap(dc, components, shownWidth, shownRows, rows->shown, static_cast<size_t>(pixelBytes));
        if (bitmap == nullptr) {
            *error = DE_BITMAP;
        }
        EndJpeg(jpeg);
    }
    RFree(kSourceName, __LINE__, rows->row);
    RFree(kSourceName, __LINE__, rows->shown);
    return bitmap;
}

// The part of the picture within `part` (in shown pixels, the whole picture included) as a
// bitmap of its own. Only the stored rows it needs become pixels (the rows above are skipped,
// which still reads their data), and of them the columns it needs and one more on each side:
// the library takes the edges of a cut for picture edges, which changes their colours.
static HBITMAP MakeJpegPart(DecoderCore& core, HDC dc, const PixelRect& part)
{
    JpegState* jpeg = static_cast<JpegState*>(core.state);
    int orientation = jpeg->orientation;
    uint32_t storedWidth = jpeg->decompressor.image_width, storedHeight = jpeg->decompressor.image_height;
    PixelRect stored = StoredRect(part, jpeg->orientation, storedWidth, storedHeight);
    uint32_t x0 = stored.left, x1 = stored.right, y0 = stored.top, y1 = stored.bottom;
    uint64_t pixelBytes;
    int bitsPerPixel = jpeg->decompressor.out_color_space == JCS_GRAYSCALE ? 8 : 24;
    if (!PixelBufferBytes(part.right - part.left, part.bottom - part.top, bitsPerPixel, &pixelBytes)) {
        core.error = DE_FORMAT;
        return nullptr;
    }
    JpegPlan plan = {};
    JDIMENSION left = x0 > 0 ? x0 - 1 : 0;
    JDIMENSION right = x1 < storedWidth ? x1 + 1 : storedWidth;
    if (right - left < storedWidth) {
        plan.cropLeft = left;
        plan.cropWidth = right - left;
    }
    plan.skippedRows = y0;
    core.error = StartJpeg(jpeg, &plan);
    if (core.error != DE_OK) {
        return nullptr;
    }
    JpegRows rows = {};
    rows.firstColumn = x0 - plan.cropLeft;
    rows.columns = x1 - x0;
    rows.firstRow = y0;
    rows.end = y1;
    rows.orientation = orientation;
    rows.straight = orientation == 1 && x0 == 0 && x1 == storedWidth;
    return ReadImage(jpeg, dc, &rows, part.right - part.left, part.bottom - part.top, &core.error);
}

static HBITMAP MakeJpegBitmap(DecoderCore& core, HDC dc)
{
    return MakeJpegPart(core, dc, {0, 0, core.width, core.height});
}

// Scales the decompression down by the DCT to the smallest size not below the drawn one and
// says whether the reduction from there can be made.
static bool PlanReduction(JpegState* jpeg, JpegPlan* plan)
{
    if (!jpeg->decompressorHeld || !RunGuarded(jpeg, ScaleToTarget, plan)) {
        return false;
    }
    const jpeg_decompress_struct& decompressor = jpeg->decompressor;
    return CanReduce(decompressor.output_width, decompressor.output_height, plan->targetWidth, plan->targetHeight);
}

// The picture reduced in stored orientation, then turned: the reduced buffer is the only
// one of the drawn size that turning adds.
static HBITMAP MakeReducedJpeg(DecoderCore& core, HDC dc, JpegPlan* plan, uint32_t shownWidth, uint32_t shownRows)
{
    JpegState* jpeg = static_cast<JpegState*>(core.state);
    core.error = StartJpeg(jpeg, plan);
    if (core.error != DE_OK) {
        return nullptr;
    }
    jpeg_decompress_struct& decompressor = jpeg->decompressor;
    int components = decompressor.output_components;
    uint32_t reducedWidth = plan->targetWidth, reducedRows = plan->targetHeight;
    cAreaReducer reducer(decompressor.output_width, decompressor.output_height, reducedWidth, reducedRows, components);
    JpegRows rows = {};
    rows.row = static_cast<uint8_t*>(
        RMalloc(kSourceName, __LINE__, static_cast<size_t>(decompressor.output_width) * components));
    rows.end = decompressor.output_height;
    rows.reducer = &reducer;
    HBITMAP bitmap = nullptr;
    if (!RunGuarded(jpeg, ReadScanlines, &rows)) {
        core.error = DE_JPEG;
    } else {
        EndJpeg(jpeg);
        const uint8_t* pixels = reducer.Pixels();
        size_t pixelBytes = reducer.PixelBytes();
        uint8_t* turned = nullptr;
        if (jpeg->orientation != 1) {
            size_t stride = static_cast<size_t>(RowStride(shownWidth, 8 * components));
            size_t reducedStride = pixelBytes / reducedRows;
            pixelBytes = stride * shownRows;
            turned = static_cast<uint8_t*>(AllocateZeroed(pixelBytes));
            for (uint32_t y = 0; y < reducedRows; ++y) {
                PutTurnedRow(pixels + y * reducedStride, y, reducedWidth, reducedRows, jpeg->orientation, components,
                             turned, stride);
            }
            pixels = turned;
        }
        bitmap = MakeOutputBitmap(dc, components, shownWidth, shownRows, pixels, pixelBytes);
        if (bitmap == nullptr) {
            core.error = DE_BITMAP;
        }
        FreeZeroed(turned);
    }
    RFree(kSourceName, __LINE__, rows.row);
    return bitmap;
}

// Drawn at its size, only the visible part is decoded; drawn smaller, the picture is
// reduced where the reduction can be made; otherwise it comes whole. The decompressor
// serves one bitmap in all.
static bool MakeJpegForView(DecoderCore& core, HDC dc, const PictureView& view, const PixelRect& visible,
                            ViewBitmap* made)
{
    JpegState* jpeg = static_cast<JpegState*>(core.state);
    uint32_t columns = static_cast<uint32_t>(core.width), rows = static_cast<uint32_t>(core.height);
    PixelRect whole = {0, 0, core.width, core.height};
    bool swaps = SwapsSides(jpeg->orientation);
    JpegPlan plan = {};
    plan.targetWidth = static_cast<JDIMENSION>(swaps ? view.height : view.width);
    plan.targetHeight = static_cast<JDIMENSION>(swaps ? view.width : view.height);
    if (static_cast<uint32_t>(view.width) == columns && static_cast<uint32_t>(view.height) == rows) {
        *made = ShowingPart(MakeJpegPart(core, dc, visible), visible, visible.left, visible.top);
    } else if (DrawnSmaller(view, columns, rows) && PlanReduction(jpeg, &plan)) {
        *made = ShowingPart(MakeReducedJpeg(core, dc, &plan, view.width, view.height), visible, 0, 0);
    } else if (!jpeg->decompressorHeld) {
        core.error = DE_JPEG;
    } else {
        jpeg->decompressor.scale_num = jpeg->decompressor.scale_denom = 1;
        *made = {MakeJpegBitmap(core, dc), whole, {0, 0, view.width, view.height}};
    }
    if (made->bitmap == nullptr) {
        *made = {nullptr, {}, {}};
    }
    return true;
}

extern const DecoderFormat kJpegFormat = {FORMAT_JPEG,     RecogniseJpeg,   ReadJpegHeader,
                                          MakeJpegBitmap, MakeJpegForView, FreeJpegState};
