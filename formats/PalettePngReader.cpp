#include "formats/PalettePngReader.h"

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <limits>
#include <string_view>

namespace mosavo {

namespace {

constexpr std::array<uint8_t, 8> signature = { 0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n' };
constexpr int64_t largestSide = std::numeric_limits<int32_t>::max();

uint32_t read32(const uint8_t *p)
{
    return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
}

uint8_t paeth(int a, int b, int c)
{
    const int p = a + b - c;
    const int pa = std::abs(p - a), pb = std::abs(p - b), pc = std::abs(p - c);
    return uint8_t(pa <= pb && pa <= pc ? a : pb <= pc ? b : c);
}

// Undoes a row's filter in place (one byte a pixel step: palette pictures of at most 8 bits); false for an unknown
// filter type.
bool unfilter(uint8_t type, uint8_t *row, const uint8_t *previous, size_t size)
{
    switch (type) {
    case 0:
        return true;
    case 1:
        for (size_t i = 1; i < size; ++i)
            row[i] = uint8_t(row[i] + row[i - 1]);
        return true;
    case 2:
        for (size_t i = 0; i < size; ++i)
            row[i] = uint8_t(row[i] + previous[i]);
        return true;
    case 3:
        for (size_t i = 0; i < size; ++i)
            row[i] = uint8_t(row[i] + ((i > 0 ? row[i - 1] : 0) + previous[i]) / 2);
        return true;
    case 4:
        for (size_t i = 0; i < size; ++i)
            row[i] = uint8_t(row[i] + paeth(i > 0 ? row[i - 1] : 0, previous[i], i > 0 ? previous[i - 1] : 0));
        return true;
    default:
        return false;
    }
}

} // namespace

std::optional<PalettePngReader> PalettePngReader::open(std::span<const uint8_t> png)
{
    if (png.size() < signature.size() || !std::equal(signature.begin(), signature.end(), png.begin()))
        return std::nullopt;
    PalettePngReader reader;
    bool header = false, ended = false;
    std::string_view previousType;
    for (size_t at = signature.size(); !ended;) {
        if (png.size() - at < 12)
            return std::nullopt;
        const uint32_t length = read32(png.data() + at);
        if (length > png.size() - at - 12)
            return std::nullopt;
        const uint8_t *type = png.data() + at + 4;
        const uint8_t *data = type + 4;
        if (read32(data + length) != uint32_t(crc32_z(crc32(0, nullptr, 0), type, size_t(length) + 4)))
            return std::nullopt;
        const std::string_view name(reinterpret_cast<const char *>(type), 4);
        if (!header && name != "IHDR")
            return std::nullopt;
        if (name == "IHDR") {
            if (header || length != 13)
                return std::nullopt;
            reader.width_ = read32(data);
            reader.height_ = read32(data + 4);
            reader.bitDepth_ = data[8];
            const bool plain = data[9] == 3 && data[10] == 0 && data[11] == 0 && data[12] == 0;
            if (!plain || (reader.bitDepth_ != 2 && reader.bitDepth_ != 4 && reader.bitDepth_ != 8) || reader.width_ < 1
                || reader.height_ < 1 || reader.width_ > largestSide || reader.height_ > largestSide)
                return std::nullopt;
            header = true;
        } else if (name == "PLTE") {
            // One palette before the data, of at most as many colours as the depth gives indices.
            if (!reader.palette_.empty() || !reader.data_.empty() || length == 0 || length % 3 != 0
                || length / 3 > (1u << reader.bitDepth_))
                return std::nullopt;
            for (uint32_t i = 0; i < length; i += 3)
                reader.palette_.push_back(
                    0xFF000000u | uint32_t(data[i]) << 16 | uint32_t(data[i + 1]) << 8 | uint32_t(data[i + 2]));
        } else if (name == "IDAT") {
            // The data chunks follow one another.
            if (reader.palette_.empty() || (!reader.data_.empty() && previousType != "IDAT"))
                return std::nullopt;
            reader.data_.emplace_back(data, length);
        } else if (name == "IEND") {
            ended = true;
        } else if (name == "tRNS" || (type[0] & 0x20) == 0) {
            // Transparency, or a critical chunk this reader does not know.
            return std::nullopt;
        }
        previousType = name;
        at += 12 + size_t(length);
    }
    if (reader.data_.empty())
        return std::nullopt;
    return reader;
}

bool PalettePngReader::readRows(const std::function<bool(int64_t y, const uint8_t *packed)> &row) const
{
    const size_t rowBytes = (size_t(width_) * size_t(bitDepth_) + 7) / 8;
    std::vector<uint8_t> current(rowBytes + 1), previous(rowBytes + 1, 0);
    z_stream z {};
    if (inflateInit(&z) != Z_OK)
        return false;
    size_t chunk = 0;
    int status = Z_OK;
    bool good = true;
    for (int64_t y = 0; y < height_ && good; ++y) {
        z.next_out = current.data();
        z.avail_out = uInt(current.size());
        while (z.avail_out > 0 && status == Z_OK) {
            if (z.avail_in == 0) {
                if (chunk == data_.size())
                    break;
                z.next_in = const_cast<Bytef *>(data_[chunk].data());
                z.avail_in = uInt(data_[chunk].size());
                ++chunk;
            }
            status = inflate(&z, Z_NO_FLUSH);
            if (status == Z_BUF_ERROR && z.avail_in == 0)
                status = Z_OK; // needs the next chunk
        }
        if (z.avail_out > 0 || !unfilter(current[0], current.data() + 1, previous.data() + 1, rowBytes)) {
            good = false;
            break;
        }
        good = row(y, current.data() + 1);
        std::swap(current, previous);
    }
    // The stream ends with the last row, and nothing is left after it.
    if (good && status == Z_OK) {
        uint8_t extra = 0;
        z.next_out = &extra;
        z.avail_out = 1;
        while (status == Z_OK) {
            if (z.avail_in == 0 && chunk < data_.size()) {
                z.next_in = const_cast<Bytef *>(data_[chunk].data());
                z.avail_in = uInt(data_[chunk].size());
                ++chunk;
            }
            status = inflate(&z, Z_NO_FLUSH);
            if (z.avail_out == 0 || (status == Z_BUF_ERROR && chunk == data_.size()))
                break;
            if (status == Z_BUF_ERROR)
                status = Z_OK;
        }
    }
    const bool complete = status == Z_STREAM_END && z.avail_in == 0 && chunk == data_.size();
    inflateEnd(&z);
    return good && complete;
}

} // namespace mosavo
