#include "TiffWriter.h"

namespace {

const uint16_t kShort = 3, kLong = 4;

void Put(std::vector<uint8_t>& out, uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i) {
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
    }
}

void PutAt(std::vector<uint8_t>& out, size_t at, uint32_t value)
{
    for (int i = 0; i < 4; ++i) {
        out[at + i] = static_cast<uint8_t>(value >> (8 * i));
    }
}

struct Entry {
    uint16_t tag;
    uint16_t type;
    uint32_t count;
    uint32_t value; // the value itself, or the offset of the values
};

// Writes the page's strips and the values that do not fit an entry; returns its entries.
std::vector<Entry> PutPageData(std::vector<uint8_t>& out, const TiffPage& page)
{
    const Picture& picture = page.picture;
    std::vector<uint32_t> offsets, counts;
    for (int top = 0; top < picture.height; top += page.rowsPerStrip) {
        offsets.push_back(static_cast<uint32_t>(out.size()));
        int bottom = top + page.rowsPerStrip < picture.height ? top + page.rowsPerStrip : picture.height;
        for (int y = top; y < bottom; ++y) {
            for (int x = 0; x < picture.width; ++x) {
                uint32_t pixel = picture.At(x, y);
                out.insert(out.end(), {static_cast<uint8_t>(pixel >> 16), static_cast<uint8_t>(pixel >> 8),
                                       static_cast<uint8_t>(pixel)});
            }
        }
        counts.push_back(static_cast<uint32_t>(out.size()) - offsets.back());
    }
    uint32_t bitsAt = static_cast<uint32_t>(out.size());
    Put(out, 8, 2), Put(out, 8, 2), Put(out, 8, 2), Put(out, 0, 2);
    uint32_t offsetsAt = static_cast<uint32_t>(out.size());
    for (uint32_t offset : offsets) {
        Put(out, offset, 4);
    }
    uint32_t countsAt = static_cast<uint32_t>(out.size());
    for (uint32_t count : counts) {
        Put(out, count, 4);
    }
    uint32_t strips = static_cast<uint32_t>(offsets.size());
    std::vector<Entry> entries = {
        {256, kLong, 1, static_cast<uint32_t>(picture.width)},
        {257, kLong, 1, static_cast<uint32_t>(picture.height)},
        {258, kShort, 3, bitsAt},
        {259, kShort, 1, 1}, // no compression
        {262, kShort, 1, 2}, // RGB
        {273, kLong, strips, strips == 1 ? offsets[0] : offsetsAt},
    };
    if (page.orientation != 0) {
        entries.push_back({274, kShort, 1, static_cast<uint32_t>(page.orientation)});
    }
    entries.insert(entries.end(), {{277, kShort, 1, 3},
                                   {278, kLong, 1, static_cast<uint32_t>(page.rowsPerStrip)},
                                   {279, kLong, strips, strips == 1 ? counts[0] : countsAt},
                                   {284, kShort, 1, 1}}); // chunky
    return entries;
}

} // namespace

std::vector<uint8_t> WriteTiff(const std::vector<TiffPage>& pages)
{
    std::vector<uint8_t> out = {'I', 'I', 42, 0, 0, 0, 0, 0};
    size_t link = 4; // where the next directory's offset goes
    for (const TiffPage& page : pages) {
        std::vector<Entry> entries = PutPageData(out, page);
        if (out.size() % 2 != 0) {
            out.push_back(0);
        }
        PutAt(out, link, static_cast<uint32_t>(out.size()));
        Put(out, static_cast<uint32_t>(entries.size()), 2);
        for (const Entry& entry : entries) {
            Put(out, entry.tag, 2);
            Put(out, entry.type, 2);
            Put(out, entry.count, 4);
            Put(out, entry.value, 4); // a SHORT's value in the first two bytes, little-endian
        }
        link = out.size();
        Put(out, 0, 4);
    }
    return out;
}
