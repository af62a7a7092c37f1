#include "WebpWriter.h"

#include <webp/decode.h>
#include <webp/encode.h>
#include <webp/mux.h>

#include <cmath>
#include <cstdlib>

namespace {

void Fail(const char* what)
{
    fprintf(stderr, "WebpWriter: %s\n", what);
    abort();
}

std::vector<uint8_t> Rgba(const WebpFrame& frame)
{
    std::vector<uint8_t> rgba;
    for (size_t i = 0; i < frame.picture.pixels.size(); ++i) {
        uint32_t pixel = frame.picture.pixels[i];
        rgba.insert(rgba.end(), {static_cast<uint8_t>(pixel >> 16), static_cast<uint8_t>(pixel >> 8),
                                 static_cast<uint8_t>(pixel), frame.alpha.empty() ? uint8_t{255} : frame.alpha[i]});
    }
    return rgba;
}

std::vector<uint8_t> Encode(const WebpFrame& frame, bool lossless)
{
    WebPConfig config;
    WebPPicture picture;
    if (!WebPConfigInit(&config) || !WebPPictureInit(&picture)) {
        Fail("library version");
    }
    config.lossless = lossless ? 1 : 0;
    config.quality = 90;
    config.exact = 1; // colours under transparent pixels kept
    picture.use_argb = 1;
    picture.width = frame.picture.width;
    picture.height = frame.picture.height;
    std::vector<uint8_t> rgba = Rgba(frame);
    WebPMemoryWriter writer;
    WebPMemoryWriterInit(&writer);
    picture.writer = WebPMemoryWrite;
    picture.custom_ptr = &writer;
    if (!WebPPictureImportRGBA(&picture, rgba.data(), 4 * frame.picture.width) || !WebPEncode(&config, &picture)) {
        Fail("encoding");
    }
    std::vector<uint8_t> bytes(writer.mem, writer.mem + writer.size);
    WebPPictureFree(&picture);
    WebPMemoryWriterClear(&writer);
    return bytes;
}

std::vector<uint8_t> Assemble(WebPMux* mux)
{
    WebPData assembled;
    WebPDataInit(&assembled);
    if (WebPMuxAssemble(mux, &assembled) != WEBP_MUX_OK) {
        Fail("assembling");
    }
    std::vector<uint8_t> bytes(assembled.bytes, assembled.bytes + assembled.size);
    WebPDataClear(&assembled);
    WebPMuxDelete(mux);
    return bytes;
}

} // namespace

std::vector<uint8_t> WriteWebp(const WebpFrame& frame, bool lossless, const std::vector<uint8_t>& exif)
{
    std::vector<uint8_t> bytes = Encode(frame, lossless);
    if (exif.empty()) {
        return bytes;
    }
    WebPData image = {bytes.data(), bytes.size()}, chunk = {exif.data(), exif.size()};
    WebPMux* mux = WebPMuxCreate(&image, 1);
    if (mux == nullptr || WebPMuxSetChunk(mux, "EXIF", &chunk, 1) != WEBP_MUX_OK) {
        Fail("adding EXIF");
    }
    return Assemble(mux);
}

std::vector<uint8_t> WriteAnimatedWebp(int width, int height, const std::vector<WebpFrame>& frames)
{
    WebPMux* mux = WebPMuxNew();
    WebPMuxAnimParams animation = {0, 0};
    if (WebPMuxSetCanvasSize(mux, width, height) != WEBP_MUX_OK || WebPMuxSetAnimationParams(mux, &animation) != WEBP_MUX_OK) {
        Fail("canvas");
    }
    for (const WebpFrame& frame : frames) {
        std::vector<uint8_t> bytes = Encode(frame, true);
        WebPMuxFrameInfo info = {};
        info.bitstream = {bytes.data(), bytes.size()};
        info.x_offset = frame.left;
        info.y_offset = frame.top;
        info.duration = 100;
        info.id = WEBP_CHUNK_ANMF;
        info.dispose_method = WEBP_MUX_DISPOSE_NONE;
        info.blend_method = WEBP_MUX_NO_BLEND;
        if (WebPMuxPushFrame(mux, &info, 1) != WEBP_MUX_OK) {
            Fail("adding a frame");
        }
    }
    return Assemble(mux);
}

Picture OverBlack(const WebpFrame& frame)
{
    Picture shown = frame.picture;
    for (size_t i = 0; i < shown.pixels.size() && !frame.alpha.empty(); ++i) {
        uint32_t pixel = shown.pixels[i], composed = 0;
        for (int shift : {0, 8, 16}) {
            composed |= static_cast<uint32_t>(std::lround((pixel >> shift & 0xFF) * frame.alpha[i] / 255.0)) << shift;
        }
        shown.pixels[i] = composed;
    }
    return shown;
}

Picture LibraryDecodeWebp(const std::vector<uint8_t>& bytes)
{
    Picture picture;
    uint8_t* bgr = WebPDecodeBGR(bytes.data(), bytes.size(), &picture.width, &picture.height);
    if (bgr == nullptr) {
        Fail("decoding");
    }
    for (int i = 0; i < picture.width * picture.height; ++i) {
        picture.pixels.push_back(static_cast<uint32_t>(bgr[3 * i + 2]) << 16 | bgr[3 * i + 1] << 8 | bgr[3 * i]);
    }
    WebPFree(bgr);
    return picture;
}
