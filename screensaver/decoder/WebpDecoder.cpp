// The WebP path of the decoder: libwebp decodes lossy and lossless pictures and, of an
// animation, the first frame where it lies on the canvas; alpha is composed over black, and
// the Exif orientation of an EXIF chunk is applied. The header step reads the file whole (the
// EXIF chunk follows the pixels) and the demux library finds the first frame in it. Drawn
// smaller, a picture is decoded at the drawn size by the library's own scaling; drawn at its
// size, only the part seen is decoded. A file that ends early shows what was decoded of it.
#include "BitmapLayout.h"
#include "DecoderFormat.h"
#include "DecoderShared.h"
#include "ExifOrientation.h"
#include "TurnedPixels.h"

#include <webp/decode.h>
#include <webp/demux.h>

#include <cstring>

// The WebP state of a decoder.
struct WebpState {
    uint8_t* file;        // the file's bytes (AllocateZeroed)
    const uint8_t* frame; // the first frame's bitstream, within `file`
    size_t frameBytes;
    uint32_t canvasWidth; // as stored
    uint32_t canvasHeight;
    PixelRect frameRect; // where the first frame lies on the canvas
    bool alpha;
    bool lossless;
    int orientation; // Exif, 1 to 8
};

// Frames from this size on are decoded on two threads.
static const uint64_t kThreadedFromPixels = 1u << 20;

// What one decoding makes: the stored pixels `part` of the canvas at their size, or the
// whole canvas scaled to width x height.
struct WebpRequest {
    PixelRect part;
    uint32_t width;
    uint32_t height;
    bool scaled;
};

static bool RecogniseWebp(const uint8_t* bytes)
{
    return memcmp(bytes, "RIFF", 4) == 0 && memcmp(bytes + 8, "WEBP", 4) == 0;
}

static void FreeWebpState(void* state)
{
    WebpState* webp = static_cast<WebpState*>(state);
    if (webp != nullptr) {
        FreeZeroed(webp->file);
        FreeZeroed(webp);
    }
}

// The first frame's bitstream, place and kind; false when the file holds none the library
// can start on.
static bool FindFirstFrame(WebPDemuxer* demuxer, WebpState* webp)
{
    WebPIterator frame;
    if (!WebPDemuxGetFrame(demuxer, 1, &frame)) {
        return false;
    }
    webp->frame = frame.fragment.bytes;
    webp->frameBytes = frame.fragment.size;
    webp->frameRect = {frame.x_offset, frame.y_offset, frame.x_offset + frame.width, frame.y_offset + frame.height};
    WebPDemuxReleaseIterator(&frame);
    WebPBitstreamFeatures features;
    if (WebPGetFeatures(webp->frame, webp->frameBytes, &features) != VP8_STATUS_OK) {
        return false;
    }
    webp->alpha = features.has_alpha != 0;
    webp->lossless = features.format == 2;
    webp->canvasWidth = WebPDemuxGetI(demuxer, WEBP_FF_CANVAS_WIDTH);
    webp->canvasHeight = WebPDemuxGetI(demuxer, WEBP_FF_CANVAS_HEIGHT);
    return webp->canvasWidth > 0 && webp->canvasHeight > 0;
}

// The orientation in the first EXIF chunk (a TIFF block, some writers put "Exif\0\0" first);
// 1 without one.
static int ExifChunkOrientation(WebPDemuxer* demuxer)
{
    WebPChunkIterator chunk;
    if (!WebPDemuxGetChunk(demuxer, "EXIF", 1, &chunk)) {
        return 1;
    }
    const uint8_t* bytes = chunk.chunk.bytes;
    size_t length = chunk.chunk.size;
    int orientation = length >= 6 && memcmp(bytes, "Exif\0", 6) == 0 ? ExifOrientation(bytes, length)
                                                                      : TiffOrientation(bytes, length);
    WebPDemuxReleaseChunkIterator(&chunk);
    return orientation;
}

static uint64_t FramePixels(const WebpState* webp)
{
    return static_cast<uint64_t>(webp->frameRect.right - webp->frameRect.left) *
           static_cast<uint64_t>(webp->frameRect.bottom - webp->frameRect.top);
}

// What the library holds of a whole frame whatever size it is drawn at: a lossless frame's
// pixels, a lossy frame's alpha plane (and its lossless decoding).
static bool LibraryMemoryFits(const WebpState* webp)
{
    uint64_t bytesPerPixel = webp->lossless ? 4 : webp->alpha ? 2 : 0;
    return FramePixels(webp) * bytesPerPixel <= kMaxPixelBytes;
}

static void ReadWebpHeader(DecoderCore& core)
{
    WebpState* webp = static_cast<WebpState*>(AllocateZeroed(sizeof(WebpState)));
    core.state = webp;
    webp->orientation = 1;
    // A WebP file is compressed: one longer than the pixels it may hold is not a real one.
    int64_t length = FileLength(core.file);
    if (length < static_cast<int64_t>(kDetectedBytes) || static_cast<uint64_t>(length) > kMaxPixelBytes) {
        core.error = DE_FORMAT;
        return;
    }
    webp->file = static_cast<uint8_t*>(AllocateZeroed(static_cast<size_t>(length)));
    WebPData data = {webp->file, fread(webp->file, 1, static_cast<size_t>(length), core.file)};
    WebPDemuxState parsed;
    WebPDemuxer* demuxer = WebPDemuxPartial(&data, &parsed);
    bool found = demuxer != nullptr && parsed >= WEBP_DEMUX_PARSED_HEADER && FindFirstFrame(demuxer, webp);
    if (found) {
        webp->orientation = ExifChunkOrientation(demuxer);
    }
    WebPDemuxDelete(demuxer);
    if (!found) {
        core.error = DE_WEBP;
        return;
    }
    if (!LibraryMemoryFits(webp)) {
        core.error = DE_FORMAT;
        return;
    }
    bool swaps = SwapsSides(webp->orientation);
    core.width = static_cast<int32_t>(swaps ? webp->canvasHeight : webp->canvasWidth);
    core.height = static_cast<int32_t>(swaps ? webp->canvasWidth : webp->canvasHeight);
}

static PixelRect Intersection(const PixelRect& a, const PixelRect& b)
{
    PixelRect both = {a.left > b.left ? a.left : b.left, a.top > b.top ? a.top : b.top,
                      a.right < b.right ? a.right : b.right, a.bottom < b.bottom ? a.bottom : b.bottom};
    return both.right > both.left && both.bottom > both.top ? both : PixelRect{0, 0, 0, 0};
}

// Runs the library on the frame with the configuration; all of the data is there at once, and
// the incremental decoder keeps the rows of a frame that ends early.
static VP8StatusCode DecodeFrame(const WebpState* webp, WebPDecoderConfig* config)
{
    WebPIDecoder* decoder = WebPIDecode(nullptr, 0, config);
    if (decoder == nullptr) {
        return VP8_STATUS_OUT_OF_MEMORY;
    }
    VP8StatusCode status = WebPIUpdate(decoder, webp->frame, webp->frameBytes);
    WebPIDelete(decoder);
    return status;
}

// Points the library's output at `pixels` (rows `stride` bytes apart) and sets the cut or the
// scaling; false when the frame adds nothing to the request (its pixels stay black).
static bool Configure(const WebpState* webp, const WebpRequest& request, uint8_t* pixels, size_t stride,
                      size_t bytes, WebPDecoderConfig* config)
{
    WebPInitDecoderConfig(config);
    // A large lossy picture is filtered and put out on a second thread while the first
    // decodes; for a small one, starting the thread costs more than it saves.
    config->options.use_threads = FramePixels(webp) >= kThreadedFromPixels;
    config->output.colorspace = webp->alpha ? MODE_bgrA : MODE_BGR;
    config->output.is_external_memory = 1;
    WebPRGBABuffer& output = config->output.u.RGBA;
    output.rgba = pixels;
    output.stride = static_cast<int>(stride);
    output.size = bytes;
    if (request.scaled) {
        config->options.use_scaling = 1;
        config->options.scaled_width = static_cast<int>(request.width);
        config->options.scaled_height = static_cast<int>(request.height);
        return true;
    }
    PixelRect overlap = Intersection(request.part, webp->frameRect);
    if (overlap.right == 0) {
        return false;
    }
    config->options.use_cropping = 1;
    config->options.crop_left = overlap.left - webp->frameRect.left;
    config->options.crop_top = overlap.top - webp->frameRect.top;
    config->options.crop_width = overlap.right - overlap.left;
    config->options.crop_height = overlap.bottom - overlap.top;
    size_t skipped = static_cast<size_t>(overlap.top - request.part.top) * stride +
                     static_cast<size_t>(overlap.left - request.part.left) * (webp->alpha ? 4 : 3);
    output.rgba = pixels + skipped;
    output.size = bytes - skipped;
    return true;
}

// The request's pixels in a new buffer (AllocateZeroed) of 24-bit top-down rows aligned to 4
// bytes; null with DE_FORMAT above the size cap. A library failure sets DE_WEBP and keeps the
// rows decoded before it.
static uint8_t* DecodeRequest(const WebpState* webp, const WebpRequest& request, int32_t* error)
{
    int bitsPerPixel = webp->alpha ? 32 : 24;
    uint64_t bytes;
    if (!PixelBufferBytes(request.width, request.height, bitsPerPixel, &bytes)) {
        *error = DE_FORMAT;
        return nullptr;
    }
    uint8_t* pixels = static_cast<uint8_t*>(AllocateZeroed(static_cast<size_t>(bytes)));
    size_t stride = static_cast<size_t>(RowStride(request.width, bitsPerPixel));
    WebPDecoderConfig config;
    if (Configure(webp, request, pixels, stride, static_cast<size_t>(bytes), &config) &&
        DecodeFrame(webp, &config) != VP8_STATUS_OK) {
        *error = DE_WEBP;
    }
    if (webp->alpha) {
        PremultipliedToBgr(pixels, request.width, request.height, stride);
    }
    return pixels;
}

// The request's pixels turned as shown, as a bitmap.
static HBITMAP MakeRequestBitmap(DecoderCore& core, HDC dc, const WebpRequest& request)
{
    const WebpState* webp = static_cast<const WebpState*>(core.state);
    uint8_t* stored = DecodeRequest(webp, request, &core.error);
    if (stored == nullptr) {
        return nullptr;
    }
    HBITMAP bitmap = MakeTurnedBitmap(dc, stored, request.width, request.height, webp->orientation, &core.error);
    FreeZeroed(stored);
    return bitmap;
}

static WebpRequest PartRequest(const PixelRect& part)
{
    return {part, static_cast<uint32_t>(part.right - part.left), static_cast<uint32_t>(part.bottom - part.top), false};
}

static HBITMAP MakeWebpBitmap(DecoderCore& core, HDC dc)
{
    const WebpState* webp = static_cast<const WebpState*>(core.state);
    PixelRect canvas = {0, 0, static_cast<int32_t>(webp->canvasWidth), static_cast<int32_t>(webp->canvasHeight)};
    return MakeRequestBitmap(core, dc, PartRequest(canvas));
}

// A cut of stored pixels widened by two on each side within the picture, its left and top
// even: the library's cut of a lossy picture starts at even columns and rows, and takes the
// edges of a cut for picture edges, which changes the colours there.
static PixelRect WithMargin(const PixelRect& stored, uint32_t width, uint32_t height)
{
    const int32_t margin = 2;
    int32_t right = stored.right + margin, bottom = stored.bottom + margin;
    return {(stored.left > margin ? stored.left - margin : 0) & ~1, (stored.top > margin ? stored.top - margin : 0) & ~1,
            right < static_cast<int32_t>(width) ? right : static_cast<int32_t>(width),
            bottom < static_cast<int32_t>(height) ? bottom : static_cast<int32_t>(height)};
}

// Drawn at its size, only the stored part behind the visible one is decoded, with a margin;
// drawn smaller, a
// picture whose first frame fills the canvas is scaled by the library; otherwise it comes
// whole.
static bool MakeWebpForView(DecoderCore& core, HDC dc, const PictureView& view, const PixelRect& visible,
                            ViewBitmap* made)
{
    const WebpState* webp = static_cast<const WebpState*>(core.state);
    uint32_t columns = static_cast<uint32_t>(core.width), rows = static_cast<uint32_t>(core.height);
    bool swaps = SwapsSides(webp->orientation);
    PixelRect canvas = {0, 0, static_cast<int32_t>(webp->canvasWidth), static_cast<int32_t>(webp->canvasHeight)};
    bool frameFillsCanvas = memcmp(&webp->frameRect, &canvas, sizeof canvas) == 0;
    if (static_cast<uint32_t>(view.width) == columns && static_cast<uint32_t>(view.height) == rows) {
        PixelRect stored = WithMargin(StoredRect(visible, webp->orientation, webp->canvasWidth, webp->canvasHeight),
                                      webp->canvasWidth, webp->canvasHeight);
        PixelRect shown = ShownRect(stored, webp->orientation, webp->canvasWidth, webp->canvasHeight);
        *made = ShowingPart(MakeRequestBitmap(core, dc, PartRequest(stored)), visible, shown.left, shown.top);
    } else if (DrawnSmaller(view, columns, rows) && frameFillsCanvas) {
        WebpRequest scaled = {canvas, static_cast<uint32_t>(swaps ? view.height : view.width),
                              static_cast<uint32_t>(swaps ? view.width : view.height), true};
        *made = ShowingPart(MakeRequestBitmap(core, dc, scaled), visible, 0, 0);
    } else {
        return false;
    }
    if (made->bitmap == nullptr) {
        *made = {nullptr, {}, {}};
    }
    return true;
}

extern const DecoderFormat kWebpFormat = {FORMAT_WEBP,     RecogniseWebp,   ReadWebpHeader,
                                          MakeWebpBitmap, MakeWebpForView, FreeWebpState};
