#include "formats/PalettePng.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <limits>

namespace mosavo {

namespace {

constexpr std::array<uint8_t, 8> signature = { 0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n' };
// Rows are judged in stretches of about this many bytes: one in which fewer than this share of its positions repeat
// the four bytes last seen with the same hash holds nothing deflate's matching would gain from.
constexpr size_t stretchBytes = 32 * 1024;
constexpr double repeatShare = 0.01;
constexpr int recentBits = 12;
// A side of a PNG picture is at most 2^31 - 1 pixels.
constexpr int64_t largestSide = std::numeric_limits<int32_t>::max();

void put32(Bytes &out, size_t at, uint32_t value)
{
    out[at] = uint8_t(value >> 24);
    out[at + 1] = uint8_t(value >> 16);
    out[at + 2] = uint8_t(value >> 8);
    out[at + 3] = uint8_t(value);
}

void append32(Bytes &out, uint32_t value)
{
    out.resize(out.size() + 4);
    put32(out, out.size() - 4, value);
}

// Closes the chunk whose length field starts at start: its length and the CRC of its type and data.
void closeChunk(Bytes &out, size_t start)
{
    const size_t length = out.size() - start - 8;
    put32(out, start, uint32_t(length));
    const uLong crc = crc32_z(crc32(0, nullptr, 0), out.data() + start + 4, length + 4);
    append32(out, uint32_t(crc));
}

size_t openChunk(Bytes &out, const char *type)
{
    const size_t start = out.size();
    out.resize(start + 4);
    out.insert(out.end(), type, type + 4);
    return start;
}

} // namespace

std::variant<Bytes, QString> encodePalettePng2(
    int64_t width, int64_t height, const std::vector<uint32_t> &colors, const PackedRowSource &rows)
{
    if (width < 1 || height < 1 || width > largestSide || height > largestSide)
        return QStringLiteral("a picture of %1 x %2 pixels cannot be made as PNG").arg(width).arg(height);
    if (colors.empty() || colors.size() > 4)
        return QStringLiteral("a picture of two bits a pixel has one to four colours, not %1").arg(colors.size());
    const size_t rowBytes = size_t((width + 3) / 4);

    Bytes out(signature.begin(), signature.end());
    size_t chunk = openChunk(out, "IHDR");
    append32(out, uint32_t(width));
    append32(out, uint32_t(height));
    out.insert(out.end(), { 2, 3, 0, 0, 0 }); // bit depth 2, palette, deflate, filters of method 0, not interlaced
    closeChunk(out, chunk);

    chunk = openChunk(out, "PLTE");
    for (uint32_t rgb : colors)
        out.insert(out.end(), { uint8_t(rgb >> 16), uint8_t(rgb >> 8), uint8_t(rgb) });
    closeChunk(out, chunk);

    chunk = openChunk(out, "IDAT");
    z_stream z {};
    if (deflateInit2(&z, palettePngLevel, Z_DEFLATED, 15, palettePngMemoryLevel, Z_DEFAULT_STRATEGY) != Z_OK)
        return QStringLiteral("cannot be made as PNG (the compressor cannot start)");
    // Room for the whole stream when the rows do not compress at all; grown if ever needed.
    const size_t rawSize = (rowBytes + 1) * size_t(height);
    const size_t idatStart = out.size();
    out.resize(idatStart + deflateBound(&z, uLong(std::min<size_t>(rawSize, std::numeric_limits<uLong>::max()))));
    size_t written = 0;
    // Gives deflate at least 64 KiB of room after what it has written; then takes account of what it wrote.
    const auto makeRoom = [&] {
        if (out.size() - idatStart - written < 65536)
            out.resize(out.size() + std::max<size_t>(65536, (out.size() - idatStart) / 2));
        const size_t room = std::min<size_t>(out.size() - idatStart - written, std::numeric_limits<uInt>::max());
        z.next_out = out.data() + idatStart + written;
        z.avail_out = uInt(room);
        return room;
    };
    const auto deflateSome = [&](int flush) {
        int status = Z_OK;
        do {
            const size_t room = makeRoom();
            status = deflate(&z, flush);
            written += room - z.avail_out;
        } while (status == Z_OK && (z.avail_in > 0 || flush == Z_FINISH));
        return status;
    };
    // The rows go in stretches. Where a stretch repeats hardly any four bytes (noise), deflate's matching finds nothing
    // to gain: it is coded with Huffman codes alone, which makes it no larger and takes a fraction of the time.
    std::vector<uint32_t> recent(size_t(1) << recentBits);
    const auto compressible = [&](const uint8_t *data, size_t size) {
        std::fill(recent.begin(), recent.end(), 0);
        size_t repeats = 0;
        for (size_t i = 0; i + 4 <= size; ++i) {
            uint32_t word = 0;
            std::memcpy(&word, data + i, 4);
            uint32_t &slot = recent[(word * 2654435761u) >> (32 - recentBits)];
            if (slot != 0 && std::memcmp(data + slot - 1, data + i, 4) == 0)
                ++repeats;
            slot = uint32_t(i + 1);
        }
        return double(repeats) >= repeatShare * double(size);
    };
    const size_t stretchRows = std::max<size_t>(1, stretchBytes / (rowBytes + 1));
    std::vector<uint8_t> stretch;
    stretch.reserve(stretchRows * (rowBytes + 1));
    bool matching = true;
    int status = Z_OK;
    for (int64_t y = 0; y < height && status == Z_OK;) {
        stretch.clear();
        for (size_t k = 0; k < stretchRows && y < height; ++k, ++y) {
            stretch.push_back(0); // filter type 0
            stretch.resize(stretch.size() + rowBytes);
            rows(y, stretch.data() + stretch.size() - rowBytes);
        }
        const bool wantMatching = compressible(stretch.data(), stretch.size());
        if (wantMatching != matching) {
            const size_t room = makeRoom();
            const int changed = deflateParams(&z, palettePngLevel, wantMatching ? Z_DEFAULT_STRATEGY : Z_HUFFMAN_ONLY);
            written += room - z.avail_out;
            // (Left as it was when its block could not be finished: the next stretch tries again.)
            if (changed == Z_OK)
                matching = wantMatching;
            else if (changed != Z_BUF_ERROR)
                status = changed;
        }
        z.next_in = stretch.data();
        z.avail_in = uInt(stretch.size());
        if (status == Z_OK)
            status = deflateSome(Z_NO_FLUSH);
    }
    if (status == Z_OK)
        status = deflateSome(Z_FINISH);
    deflateEnd(&z);
    if (status != Z_STREAM_END)
        return QStringLiteral("cannot be made as PNG (the compressor failed)");
    if (written > size_t(largestSide))
        return QStringLiteral("cannot be made as PNG (the picture's data is too large for one chunk)");
    out.resize(idatStart + written);
    closeChunk(out, chunk);

    chunk = openChunk(out, "IEND");
    closeChunk(out, chunk);
    return out;
}

} // namespace mosavo
