// The façade: detection, the choice of the format's table, and the one place that turns a
// view into "the drawn size, or whole".
#include "cImageDecoder.h"

#include "DecoderFormat.h"
#include "DecoderShared.h"

#include <cstring>

// In the order of the tests; the one without a test last.
static const DecoderFormat* const kFormats[] = {&kJpegFormat, &kBmpFormat, &kGifFormat, &kPngFormat, &kWebpFormat,
#ifdef _WIN32
                                                &kWicFormat,
#endif
};

// The format whose test the first bytes pass or, with `fallBack`, the one that takes the
// rest; null for a file shorter than the fewest bytes.
static const DecoderFormat* FindFormat(FILE* stream, bool fallBack)
{
    uint8_t bytes[kDetectedBytes] = {};
    if (fread(bytes, 1, sizeof bytes, stream) < kFewestDetectedBytes) {
        return nullptr;
    }
    for (const DecoderFormat* format : kFormats) {
        if (format->recognise != nullptr ? format->recognise(bytes) : fallBack) {
            return format;
        }
    }
    return nullptr;
}

ImageFormat DetectFormat(FILE* stream)
{
    const DecoderFormat* format = FindFormat(stream, false);
    return format != nullptr ? format->format : FORMAT_UNKNOWN;
}

cImageDecoder::cImageDecoder(const char* path) : cImageDecoder(fopen(path, "rb")) {}

cImageDecoder::cImageDecoder(FILE* opened)
    : width(0), height(0), error(DE_OK), format(FORMAT_UNKNOWN), file(opened), formatState(nullptr), table(nullptr)
{
    if (file == nullptr) {
        error = DE_OPEN;
        return;
    }
    table = FindFormat(file, true);
    if (table == nullptr) {
        error = DE_FORMAT;
        return;
    }
    format = table->format;
    fseek(file, 0, SEEK_SET);
    DecoderCore core = Core();
    table->readHeader(core);
    Keep(core);
}

cImageDecoder::~cImageDecoder()
{
    if (table != nullptr) {
        table->freeState(formatState);
    }
    if (file != nullptr) {
        fclose(file);
    }
}

DecoderCore cImageDecoder::Core() const
{
    return {file, formatState, width, height, error};
}

void cImageDecoder::Keep(const DecoderCore& core)
{
    formatState = core.state;
    width = core.width;
    height = core.height;
    error = core.error;
}

HBITMAP cImageDecoder::MakeBitmap(HDC dc)
{
    if (error != DE_OK) {
        return nullptr;
    }
    DecoderCore core = Core();
    HBITMAP bitmap = table->makeWhole(core, dc);
    Keep(core);
    return bitmap;
}

// The part of the view's visible rectangle that lies on the drawn picture.
static PixelRect VisiblePart(const PictureView& view)
{
    const PixelRect& visible = view.visible;
    return {visible.left > 0 ? visible.left : 0, visible.top > 0 ? visible.top : 0,
            visible.right < view.width ? visible.right : view.width,
            visible.bottom < view.height ? visible.bottom : view.height};
}

// Whether the bitmap's source goes to a larger destination (not smaller either way).
static bool StretchedLarger(const ViewBitmap& made)
{
    int32_t columns = made.source.right - made.source.left, rows = made.source.bottom - made.source.top;
    int32_t width = made.destination.right - made.destination.left;
    int32_t height = made.destination.bottom - made.destination.top;
    return width >= columns && height >= rows && (width != columns || height != rows);
}

// A whole picture made to be stretched larger comes enlarged to its visible part instead,
// where that can be made.
static ViewBitmap EnlargedForView(HDC dc, const ViewBitmap& made, const PictureView& view, const PixelRect& visible)
{
    if (made.bitmap == nullptr || !StretchedLarger(made)) {
        return made;
    }
    HBITMAP enlarged = EnlargeDeviceBitmap(dc, made.bitmap, static_cast<uint32_t>(view.width),
                                           static_cast<uint32_t>(view.height), visible);
    if (enlarged == nullptr) {
        return made;
    }
    DeleteDeviceBitmap(made.bitmap);
    return ShowingPart(enlarged, visible, visible.left, visible.top);
}

ViewBitmap cImageDecoder::MakeBitmap(HDC dc, const PictureView& view)
{
    PixelRect visible = VisiblePart(view);
    if (error != DE_OK || visible.right <= visible.left || visible.bottom <= visible.top) {
        return {nullptr, {}, {}};
    }
    ViewBitmap made = {nullptr, {}, {}};
    DecoderCore core = Core();
    bool handled = table->makeForView(core, dc, view, visible, &made);
    Keep(core);
    if (handled) {
        return EnlargedForView(dc, made, view, visible);
    }
    uint32_t columns = static_cast<uint32_t>(width);
    uint32_t rows = height < 0 ? 0u - static_cast<uint32_t>(height) : static_cast<uint32_t>(height);
    HBITMAP whole = MakeBitmap(dc);
    if (whole == nullptr) {
        return made;
    }
    if (static_cast<uint32_t>(view.width) == columns && static_cast<uint32_t>(view.height) == rows) {
        return ShowingPart(whole, visible, 0, 0);
    }
    if (DrawnSmaller(view, columns, rows)) {
        HBITMAP shrunk = ShrinkDeviceBitmap(dc, whole, static_cast<uint32_t>(view.width),
                                            static_cast<uint32_t>(view.height));
        if (shrunk != nullptr) {
            DeleteDeviceBitmap(whole);
            return ShowingPart(shrunk, visible, 0, 0);
        }
    }
    made = {whole, {0, 0, static_cast<int32_t>(columns), static_cast<int32_t>(rows)}, {0, 0, view.width, view.height}};
    return EnlargedForView(dc, made, view, visible);
}
