#include "GifWriter.h"

#include <algorithm>
#include <stdexcept>
#include <unordered_map>

namespace {

const int kTableSize = 4096;
const int kMaxCodeWidth = 12;

class BitWriter {
public:
    void Put(int value, int width)
    {
        pending |= static_cast<uint32_t>(value) << pendingBits;
        pendingBits += width;
        while (pendingBits >= 8) {
            bytes.push_back(pending & 0xFF);
            pending >>= 8;
            pendingBits -= 8;
        }
    }
    std::vector<uint8_t> Finish()
    {
        if (pendingBits > 0) {
            bytes.push_back(pending & 0xFF);
        }
        return bytes;
    }

private:
    std::vector<uint8_t> bytes;
    uint32_t pending = 0;
    int pendingBits = 0;
};

// Writes codes at the width the decoder will read them with. The decoder adds each
// entry one code later than the encoder, so its table is tracked separately.
class LzwEncoder {
public:
    LzwEncoder(int minimumCodeSize, LzwStats* counts)
        : clearCode(1 << minimumCodeSize), firstFree(clearCode + 2), initialWidth(minimumCodeSize + 1),
          stats(counts)
    {
        Restart();
    }

    void Emit(int code)
    {
        if (decoderHasPrevious && code == decoderNext) {
            ++stats->notYetInTable;
        }
        if (decoderNext >= kTableSize) {
            ++stats->codesWhileFull;
        }
        bits.Put(code, width);
        if (code == clearCode) {
            Restart();
            return;
        }
        if (decoderHasPrevious && decoderNext < kTableSize) {
            if (decoderNext >= (1 << width) - 1 && width < kMaxCodeWidth) {
                ++width;
            }
            ++decoderNext;
        }
        decoderHasPrevious = true;
    }

    // The code of prefix + byte, or -1 when the string is new (it is then added if there is room).
    int Extend(int prefix, uint8_t byte, bool* full)
    {
        int key = prefix << 8 | byte;
        auto found = strings.find(key);
        if (found != strings.end()) {
            return found->second;
        }
        *full = encoderNext >= kTableSize;
        if (!*full) {
            strings[key] = encoderNext++;
        }
        return -1;
    }

    std::vector<uint8_t> Finish() { return bits.Finish(); }

    const int clearCode;

private:
    void Restart()
    {
        strings.clear();
        encoderNext = firstFree;
        decoderNext = firstFree;
        decoderHasPrevious = false;
        width = initialWidth;
    }

    const int firstFree;
    const int initialWidth;
    LzwStats* stats;
    BitWriter bits;
    std::unordered_map<int, int> strings;
    int encoderNext = 0;
    int decoderNext = 0;
    bool decoderHasPrevious = false;
    int width = 0;
};

void Put16(std::vector<uint8_t>& out, int value)
{
    out.push_back(value & 0xFF);
    out.push_back((value >> 8) & 0xFF);
}

// N of the packed fields: the table holds 2^(N+1) entries.
int TableSizeField(size_t colours)
{
    int field = 0;
    while ((2u << field) < colours) {
        ++field;
    }
    return field;
}

void PutColourTable(std::vector<uint8_t>& out, const std::vector<uint32_t>& colours)
{
    size_t entries = 2u << TableSizeField(colours.size());
    for (size_t i = 0; i < entries; ++i) {
        uint32_t colour = i < colours.size() ? colours[i] : 0;
        out.push_back((colour >> 16) & 0xFF);
        out.push_back((colour >> 8) & 0xFF);
        out.push_back(colour & 0xFF);
    }
}

uint8_t TablePackedBits(const std::vector<uint32_t>& colours)
{
    return colours.empty() ? 0 : static_cast<uint8_t>(0x80 | TableSizeField(colours.size()));
}

void PutSubBlocks(std::vector<uint8_t>& out, const GifFile& file)
{
    const std::vector<uint8_t>& data = file.imageData;
    size_t last = static_cast<size_t>(file.lastSubBlockBytes);
    if (last > data.size()) {
        throw std::invalid_argument("last sub-block longer than the data");
    }
    size_t body = data.size() - last;
    size_t at = 0;
    for (size_t block = 0; at < body; ++block) {
        size_t wanted = static_cast<size_t>(file.subBlockSizes[std::min(block, file.subBlockSizes.size() - 1)]);
        size_t size = std::min(wanted, body - at);
        out.push_back(static_cast<uint8_t>(size));
        out.insert(out.end(), data.begin() + at, data.begin() + at + size);
        at += size;
    }
    if (last > 0) {
        out.push_back(static_cast<uint8_t>(last));
        out.insert(out.end(), data.end() - last, data.end());
    }
    out.push_back(0);
}

} // namespace

std::vector<uint8_t> LzwEncode(const std::vector<uint8_t>& indices, int minimumCodeSize, const LzwOptions& options,
                               LzwStats* stats)
{
    LzwStats ignored;
    LzwStats* counts = stats != nullptr ? stats : &ignored;
    LzwEncoder encoder(minimumCodeSize, counts);
    if (options.leadingClear) {
        encoder.Emit(encoder.clearCode);
    }
    if (!indices.empty()) {
        int prefix = indices[0];
        for (size_t i = 1; i < indices.size(); ++i) {
            bool full = false;
            int extended = encoder.Extend(prefix, indices[i], &full);
            if (extended >= 0) {
                prefix = extended;
                continue;
            }
            encoder.Emit(prefix);
            if (full && options.clearWhenFull) {
                encoder.Emit(encoder.clearCode);
                ++counts->clearsWhenFull;
            }
            prefix = indices[i];
        }
        encoder.Emit(prefix);
    }
    if (options.endCode) {
        encoder.Emit(encoder.clearCode + 1);
    }
    return encoder.Finish();
}

std::vector<uint8_t> PackCodes(const std::vector<LzwCode>& codes)
{
    BitWriter bits;
    for (const LzwCode& code : codes) {
        bits.Put(code.value, code.width);
    }
    return bits.Finish();
}

std::vector<uint8_t> WriteGif(const GifFile& file)
{
    std::vector<uint8_t> out(file.signature.begin(), file.signature.end());
    Put16(out, file.left + file.width);
    Put16(out, file.top + file.height);
    uint8_t global = TablePackedBits(file.globalColours);
    out.push_back(static_cast<uint8_t>(global | (global & 7) << 4));
    out.push_back(0); // background colour
    out.push_back(0); // aspect ratio
    if (!file.globalColours.empty()) {
        PutColourTable(out, file.globalColours);
    }
    out.insert(out.end(), file.beforeImage.begin(), file.beforeImage.end());

    out.push_back(0x2C);
    Put16(out, file.left);
    Put16(out, file.top);
    Put16(out, file.width);
    Put16(out, file.height);
    out.push_back(static_cast<uint8_t>(TablePackedBits(file.localColours) | (file.interlaced ? 0x40 : 0)));
    if (!file.localColours.empty()) {
        PutColourTable(out, file.localColours);
    }
    out.push_back(static_cast<uint8_t>(file.minimumCodeSize));
    PutSubBlocks(out, file);
    out.insert(out.end(), file.afterImage.begin(), file.afterImage.end());
    out.push_back(0x3B);
    return out;
}

IndexedPicture IndexPattern(int width, int height, int colours)
{
    IndexedPicture picture{width, height, {}};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            picture.indices.push_back(static_cast<uint8_t>((x / 3 + y * 5 + (x * y) / 7) % colours));
        }
    }
    return picture;
}

IndexedPicture IndexNoise(int width, int height, int colours, uint32_t seed)
{
    IndexedPicture picture{width, height, {}};
    uint32_t state = seed;
    for (int i = 0; i < width * height; ++i) {
        state = state * 1664525u + 1013904223u;
        picture.indices.push_back(static_cast<uint8_t>((state >> 16) % colours));
    }
    return picture;
}

std::vector<uint8_t> InterlacedOrder(const IndexedPicture& picture)
{
    static const int firstRows[] = {0, 4, 2, 1};
    static const int steps[] = {8, 8, 4, 2};
    std::vector<uint8_t> ordered;
    for (int pass = 0; pass < 4; ++pass) {
        for (int y = firstRows[pass]; y < picture.height; y += steps[pass]) {
            auto row = picture.indices.begin() + static_cast<ptrdiff_t>(y) * picture.width;
            ordered.insert(ordered.end(), row, row + picture.width);
        }
    }
    return ordered;
}

Picture ColoursOf(const IndexedPicture& picture, const std::vector<uint32_t>& colours)
{
    Picture result{picture.width, picture.height, {}};
    for (uint8_t index : picture.indices) {
        result.pixels.push_back(index < colours.size() ? colours[index] : 0);
    }
    return result;
}

int MinimumCodeSize(size_t colours)
{
    return std::max(2, TableSizeField(colours) + 1);
}

GifFile MakeGif(const IndexedPicture& picture, const std::vector<uint32_t>& colours, bool interlaced,
                const LzwOptions& options, LzwStats* stats)
{
    GifFile file;
    file.width = picture.width;
    file.height = picture.height;
    file.globalColours = colours;
    file.interlaced = interlaced;
    file.minimumCodeSize = MinimumCodeSize(colours.size());
    file.imageData = LzwEncode(interlaced ? InterlacedOrder(picture) : picture.indices, file.minimumCodeSize,
                               options, stats);
    return file;
}

std::vector<uint32_t> SpreadColours(int count)
{
    std::vector<uint32_t> colours;
    for (int i = 0; i < count; ++i) {
        uint32_t r = (i * 97 + 13) & 0xFF, g = (255 - i * 31) & 0xFF, b = (i * 57 + 200) & 0xFF;
        colours.push_back(r << 16 | g << 8 | b);
    }
    return colours;
}
