// The path of the files no other format recognises, on Windows: the system's imaging component
// (WIC), created through COM at run time on the calling thread, which must have initialised
// COM. Where the component is missing, or none of its decoders reads the file, the file is
// refused as unrecognised. The first frame (page) is shown, turned by the orientation in its
// metadata; its size passes the size cap before any pixel is decoded. Drawn smaller, the
// picture is reduced by the codec's own transform as far as it goes, then by the component's
// Fant scaler; drawn at its size, only the part seen is copied. Pixels come converted to
// premultiplied blue, green, red, alpha, which is alpha composed over black.
//
// The component reads through a stream over the decoder's open file, so every read is a read
// of that file on this thread.
#include "BitmapLayout.h"
#include "DecoderFormat.h"
#include "DecoderShared.h"
#include "TurnedPixels.h"

#include "../../shared/cgen.h"

#include <windows.h>

#include <initguid.h>
#include <wincodec.h>

#include <cstdint>
#include <cstring>
#include <new>

static const char* const kSourceName = "WicDecoder";

// Where the orientation may be found, the first found counts: the photo property the
// component's policy maps for every format, then the Exif tag of a JPEG and of a TIFF.
static const wchar_t* const kOrientationNames[] = {L"System.Photo.Orientation", L"/app1/ifd/{ushort=274}",
                                                   L"/ifd/{ushort=274}"};

namespace {

// The codec's own scaling, as the component declares it (the MinGW headers do not).
struct IWicSourceTransform : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE CopyPixels(const WICRect* rect, UINT width, UINT height, WICPixelFormatGUID* format,
                                                 WICBitmapTransformOptions transform, UINT stride, UINT bytes,
                                                 BYTE* pixels) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetClosestSize(UINT* width, UINT* height) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetClosestPixelFormat(WICPixelFormatGUID* format) = 0;
    virtual HRESULT STDMETHODCALLTYPE DoesSupportTransform(WICBitmapTransformOptions transform, BOOL* supported) = 0;
};
const IID kIidSourceTransform = {0x3B16811B, 0x6A43, 0x4EC9, {0xB7, 0x13, 0x3D, 0x5A, 0x0C, 0x13, 0xB9, 0x40}};

// A read-only stream over an open file, its position the file's own.
class cFileStream : public IStream {
public:
    explicit cFileStream(FILE* file_) : references(1), file(file_) {}
    virtual ~cFileStream() {}
    cFileStream(const cFileStream&) = delete;
    cFileStream& operator=(const cFileStream&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override
    {
        if (iid == __uuidof(IUnknown) || iid == __uuidof(ISequentialStream) || iid == __uuidof(IStream)) {
            *object = static_cast<IStream*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&references)); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        LONG left = InterlockedDecrement(&references);
        if (left == 0) {
            delete this;
        }
        return static_cast<ULONG>(left);
    }

    HRESULT STDMETHODCALLTYPE Read(void* buffer, ULONG count, ULONG* read) override
    {
        size_t got = fread(buffer, 1, count, file);
        if (read != nullptr) {
            *read = static_cast<ULONG>(got);
        }
        return got < count && ferror(file) ? STG_E_READFAULT : S_OK;
    }
    HRESULT STDMETHODCALLTYPE Write(const void*, ULONG, ULONG*) override { return STG_E_ACCESSDENIED; }
    HRESULT STDMETHODCALLTYPE Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* position) override
    {
        // STREAM_SEEK_SET, _CUR and _END are SEEK_SET, _CUR and _END.
        if (origin > STREAM_SEEK_END || _fseeki64(file, move.QuadPart, static_cast<int>(origin)) != 0) {
            return STG_E_INVALIDFUNCTION;
        }
        if (position != nullptr) {
            position->QuadPart = static_cast<ULONGLONG>(_ftelli64(file));
        }
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE SetSize(ULARGE_INTEGER) override { return STG_E_ACCESSDENIED; }
    HRESULT STDMETHODCALLTYPE CopyTo(IStream*, ULARGE_INTEGER, ULARGE_INTEGER*, ULARGE_INTEGER*) override
    {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE Commit(DWORD) override { return S_OK; }
    HRESULT STDMETHODCALLTYPE Revert() override { return S_OK; }
    HRESULT STDMETHODCALLTYPE LockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override
    {
        return STG_E_INVALIDFUNCTION;
    }
    HRESULT STDMETHODCALLTYPE UnlockRegion(ULARGE_INTEGER, ULARGE_INTEGER, DWORD) override
    {
        return STG_E_INVALIDFUNCTION;
    }
    HRESULT STDMETHODCALLTYPE Stat(STATSTG* stat, DWORD) override
    {
        memset(stat, 0, sizeof *stat);
        stat->type = STGTY_STREAM;
        stat->cbSize.QuadPart = static_cast<ULONGLONG>(FileLength(file));
        stat->grfMode = STGM_READ;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE Clone(IStream**) override { return E_NOTIMPL; }

private:
    LONG references;
    FILE* file;
};

// Releases the interface held in `held` and clears it; null is allowed.
template <typename Interface>
void ReleaseHeld(Interface*& held)
{
    if (held != nullptr) {
        held->Release();
        held = nullptr;
    }
}

} // namespace

// The component's state of a decoder.
struct WicState {
    IWICImagingFactory* factory;
    IWICBitmapDecoder* decoder;
    IWICBitmapFrameDecode* frame;
    uint32_t storedWidth;
    uint32_t storedHeight;
    int orientation; // Exif, 1 to 8
};

static void FreeWicState(void* state)
{
    WicState* wic = static_cast<WicState*>(state);
    if (wic == nullptr) {
        return;
    }
    ReleaseHeld(wic->frame);
    ReleaseHeld(wic->decoder);
    ReleaseHeld(wic->factory);
    FreeZeroed(wic);
}

// The factory, a decoder of the file and its first frame; false where the component is
// missing or none of its decoders reads the file.
static bool OpenFirstFrame(FILE* file, WicState* wic)
{
    if (FAILED(CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_IWICImagingFactory,
                                reinterpret_cast<void**>(&wic->factory)))) {
        return false;
    }
    cFileStream* stream = new (std::nothrow) cFileStream(file);
    RNew(stream, kSourceName, __LINE__);
    HRESULT result = wic->factory->CreateDecoderFromStream(stream, nullptr, WICDecodeMetadataCacheOnDemand,
                                                           &wic->decoder);
    stream->Release();
    return SUCCEEDED(result) && SUCCEEDED(wic->decoder->GetFrame(0, &wic->frame));
}

// An orientation held in a property value, 0 for none.
static int OrientationValue(const PROPVARIANT& value)
{
    uint32_t number;
    switch (value.vt) {
    case VT_UI2:
        number = value.uiVal;
        break;
    case VT_UI4:
        number = value.ulVal;
        break;
    case VT_I2:
        number = value.iVal > 0 ? static_cast<uint32_t>(value.iVal) : 0;
        break;
    case VT_I4:
        number = value.lVal > 0 ? static_cast<uint32_t>(value.lVal) : 0;
        break;
    default:
        return 0;
    }
    return number >= 1 && number <= 8 ? static_cast<int>(number) : 0;
}

// The frame's orientation from its metadata; 1 without one.
static int FrameOrientation(IWICBitmapFrameDecode* frame)
{
    IWICMetadataQueryReader* reader = nullptr;
    if (FAILED(frame->GetMetadataQueryReader(&reader))) {
        return 1;
    }
    int orientation = 0;
    for (const wchar_t* name : kOrientationNames) {
        PROPVARIANT value;
        PropVariantInit(&value);
        if (SUCCEEDED(reader->GetMetadataByName(name, &value))) {
            orientation = OrientationValue(value);
            PropVariantClear(&value);
        }
        if (orientation != 0) {
            break;
        }
    }
    reader->Release();
    return orientation != 0 ? orientation : 1;
}

static void ReadWicHeader(DecoderCore& core)
{
    WicState* wic = static_cast<WicState*>(AllocateZeroed(sizeof(WicState)));
    core.state = wic;
    if (!OpenFirstFrame(core.file, wic)) {
        core.error = DE_FORMAT;
        return;
    }
    UINT width = 0, height = 0;
    if (FAILED(wic->frame->GetSize(&width, &height))) {
        core.error = DE_WIC;
        return;
    }
    // A codec may hold the whole frame whatever it is drawn at: its premultiplied 32-bit
    // pixels must pass the cap.
    uint64_t wholeBytes;
    if (width > INT32_MAX || height > INT32_MAX || !PixelBufferBytes(width, height, 32, &wholeBytes)) {
        core.error = DE_FORMAT;
        return;
    }
    wic->storedWidth = width;
    wic->storedHeight = height;
    wic->orientation = FrameOrientation(wic->frame);
    bool swaps = SwapsSides(wic->orientation);
    core.width = static_cast<int32_t>(swaps ? height : width);
    core.height = static_cast<int32_t>(swaps ? width : height);
}

// The codec's own reduction of the frame towards width x height, as far as it goes without
// going below: a memory bitmap of that size, or the frame itself where the codec has no
// transform or none that reduces.
static IWICBitmapSource* CodecReduced(WicState* wic, UINT width, UINT height)
{
    IWicSourceTransform* transform = nullptr;
    IWICBitmapSource* source = wic->frame;
    source->AddRef();
    if (FAILED(wic->frame->QueryInterface(kIidSourceTransform, reinterpret_cast<void**>(&transform)))) {
        return source;
    }
    UINT closeWidth = width, closeHeight = height;
    WICPixelFormatGUID format = GUID_WICPixelFormat32bppPBGRA;
    BOOL supported = FALSE;
    IWICBitmap* reduced = nullptr;
    IWICBitmapLock* lock = nullptr;
    UINT stride = 0, bytes = 0;
    BYTE* pixels = nullptr;
    WICRect all = {0, 0, 0, 0};
    if (SUCCEEDED(transform->GetClosestSize(&closeWidth, &closeHeight)) && closeWidth >= width &&
        closeHeight >= height && (closeWidth < wic->storedWidth || closeHeight < wic->storedHeight) &&
        SUCCEEDED(transform->DoesSupportTransform(WICBitmapTransformRotate0, &supported)) && supported &&
        SUCCEEDED(transform->GetClosestPixelFormat(&format)) &&
        SUCCEEDED(wic->factory->CreateBitmap(closeWidth, closeHeight, format, WICBitmapCacheOnLoad, &reduced))) {
        all = {0, 0, static_cast<INT>(closeWidth), static_cast<INT>(closeHeight)};
        if (SUCCEEDED(reduced->Lock(&all, WICBitmapLockWrite, &lock)) && SUCCEEDED(lock->GetStride(&stride)) &&
            SUCCEEDED(lock->GetDataPointer(&bytes, &pixels)) &&
            SUCCEEDED(transform->CopyPixels(nullptr, closeWidth, closeHeight, &format, WICBitmapTransformRotate0,
                                            stride, bytes, pixels))) {
            source->Release();
            source = reduced;
            reduced = nullptr;
        }
        ReleaseHeld(lock);
        ReleaseHeld(reduced);
    }
    transform->Release();
    return source;
}

// The frame scaled to width x height: from the codec's own reduction where it has one, by the
// Fant scaler; null where the component refuses.
static IWICBitmapSource* Scaled(WicState* wic, UINT width, UINT height)
{
    IWICBitmapSource* reduced = CodecReduced(wic, width, height);
    UINT reducedWidth = 0, reducedHeight = 0;
    reduced->GetSize(&reducedWidth, &reducedHeight);
    if (reducedWidth == width && reducedHeight == height) {
        return reduced;
    }
    IWICBitmapScaler* scaler = nullptr;
    if (FAILED(wic->factory->CreateBitmapScaler(&scaler)) ||
        FAILED(scaler->Initialize(reduced, width, height, WICBitmapInterpolationModeFant))) {
        ReleaseHeld(scaler);
    }
    reduced->Release();
    return scaler;
}

// Copies `part` of the source, converted, into a new buffer (AllocateZeroed) of 24-bit
// top-down rows aligned to 4 bytes; null with the error where it cannot be made.
static uint8_t* CopyConverted(WicState* wic, IWICBitmapSource* source, const PixelRect& part, int32_t* error)
{
    uint32_t width = static_cast<uint32_t>(part.right - part.left), rows = static_cast<uint32_t>(part.bottom - part.top);
    uint64_t bytes;
    if (!PixelBufferBytes(width, rows, 32, &bytes)) {
        *error = DE_FORMAT;
        return nullptr;
    }
    IWICFormatConverter* converter = nullptr;
    if (FAILED(wic->factory->CreateFormatConverter(&converter)) ||
        FAILED(converter->Initialize(source, GUID_WICPixelFormat32bppPBGRA, WICBitmapDitherTypeNone, nullptr, 0.0,
                                     WICBitmapPaletteTypeCustom))) {
        ReleaseHeld(converter);
        *error = DE_WIC;
        return nullptr;
    }
    uint8_t* pixels = static_cast<uint8_t*>(AllocateZeroed(static_cast<size_t>(bytes)));
    UINT stride = 4 * width;
    WICRect rect = {part.left, part.top, static_cast<INT>(width), static_cast<INT>(rows)};
    // A frame that fails part way keeps the rows copied before.
    if (FAILED(converter->CopyPixels(&rect, stride, static_cast<UINT>(bytes), pixels))) {
        *error = DE_WIC;
    }
    converter->Release();
    PremultipliedToBgr(pixels, width, rows, stride);
    return pixels;
}

// `part` of the source (stored pixels) turned as shown, as a bitmap.
static HBITMAP MakeSourceBitmap(DecoderCore& core, HDC dc, IWICBitmapSource* source, const PixelRect& part)
{
    WicState* wic = static_cast<WicState*>(core.state);
    uint8_t* stored = CopyConverted(wic, source, part, &core.error);
    if (stored == nullptr) {
        return nullptr;
    }
    HBITMAP bitmap = MakeTurnedBitmap(dc, stored, static_cast<uint32_t>(part.right - part.left),
                                      static_cast<uint32_t>(part.bottom - part.top), wic->orientation, &core.error);
    FreeZeroed(stored);
    return bitmap;
}

static HBITMAP MakeWicPart(DecoderCore& core, HDC dc, const PixelRect& storedPart)
{
    WicState* wic = static_cast<WicState*>(core.state);
    return MakeSourceBitmap(core, dc, wic->frame, storedPart);
}

static HBITMAP MakeWicBitmap(DecoderCore& core, HDC dc)
{
    WicState* wic = static_cast<WicState*>(core.state);
    return MakeWicPart(core, dc, {0, 0, static_cast<int32_t>(wic->storedWidth), static_cast<int32_t>(wic->storedHeight)});
}

static HBITMAP MakeScaledWic(DecoderCore& core, HDC dc, uint32_t width, uint32_t height)
{
    WicState* wic = static_cast<WicState*>(core.state);
    IWICBitmapSource* scaled = Scaled(wic, width, height);
    if (scaled == nullptr) {
        core.error = DE_WIC;
        return nullptr;
    }
    HBITMAP bitmap = MakeSourceBitmap(core, dc, scaled, {0, 0, static_cast<int32_t>(width), static_cast<int32_t>(height)});
    scaled->Release();
    return bitmap;
}

// Drawn at its size, only the stored part behind the visible one is copied; drawn smaller,
// the picture is scaled to the drawn size; otherwise it comes whole.
static bool MakeWicForView(DecoderCore& core, HDC dc, const PictureView& view, const PixelRect& visible,
                           ViewBitmap* made)
{
    WicState* wic = static_cast<WicState*>(core.state);
    uint32_t columns = static_cast<uint32_t>(core.width), rows = static_cast<uint32_t>(core.height);
    bool swaps = SwapsSides(wic->orientation);
    if (static_cast<uint32_t>(view.width) == columns && static_cast<uint32_t>(view.height) == rows) {
        PixelRect stored = StoredRect(visible, wic->orientation, wic->storedWidth, wic->storedHeight);
        *made = ShowingPart(MakeWicPart(core, dc, stored), visible, visible.left, visible.top);
    } else if (DrawnSmaller(view, columns, rows)) {
        uint32_t width = static_cast<uint32_t>(swaps ? view.height : view.width);
        uint32_t height = static_cast<uint32_t>(swaps ? view.width : view.height);
        *made = ShowingPart(MakeScaledWic(core, dc, width, height), visible, 0, 0);
    } else {
        return false;
    }
    if (made->bitmap == nullptr) {
        *made = {nullptr, {}, {}};
    }
    return true;
}

extern const DecoderFormat kWicFormat = {FORMAT_WIC,     nullptr,        ReadWicHeader,
                                         MakeWicBitmap, MakeWicForView, FreeWicState};
