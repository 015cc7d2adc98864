#include "core/Rle.h"

#include <array>

namespace mosavo {

namespace {
constexpr size_t maxRepeat = 255;

RleResult refused(std::string reason)
{
    return { std::nullopt, std::move(reason) };
}
} // namespace

std::optional<uint8_t> rleTag(const Bytes &data)
{
    std::array<bool, 256> used {};
    for (uint8_t b : data)
        used[b] = true;
    for (size_t value = 0; value < used.size(); ++value)
        if (!used[value])
            return uint8_t(value);
    return std::nullopt;
}

RleResult rlePack(const Bytes &data, std::string_view what)
{
    const auto tag = rleTag(data);
    if (!tag)
        return refused(std::string(what) + " uses all 256 byte values, so no RLE tag is free");

    Bytes out;
    out.reserve(data.size() + 3);
    out.push_back(*tag);
    for (size_t i = 0; i < data.size();) {
        const uint8_t value = data[i];
        size_t run = 1;
        while (i + run < data.size() && data[i + run] == value)
            ++run;
        i += run;

        // The first copy is a literal; the rest are repeats of it while two or more remain (a repeat costs two bytes,
        // so a single remaining copy is cheaper as a literal, and two cost the same either way).
        out.push_back(value);
        size_t remaining = run - 1;
        while (remaining >= 2) {
            const size_t count = remaining < maxRepeat ? remaining : maxRepeat;
            out.push_back(*tag);
            out.push_back(uint8_t(count));
            remaining -= count;
        }
        if (remaining == 1)
            out.push_back(value);
    }
    out.push_back(*tag);
    out.push_back(0);
    return { std::move(out), {} };
}

RleResult rleUnpack(const Bytes &packed, size_t outputLimit, size_t *consumed)
{
    if (packed.empty())
        return refused("the RLE data is empty: it has no tag byte");

    const uint8_t tag = packed[0];
    const std::string tooLong = "the RLE data unpacks to more than " + std::to_string(outputLimit) + " bytes";
    Bytes out;
    std::optional<uint8_t> previous;
    size_t at = 1;
    while (true) {
        if (at >= packed.size())
            return refused("the RLE data ends after " + std::to_string(packed.size()) + " bytes without its end mark");
        const uint8_t b = packed[at++];
        if (b != tag) {
            if (out.size() >= outputLimit)
                return refused(tooLong);
            out.push_back(b);
            previous = b;
            continue;
        }
        if (at >= packed.size())
            return refused(
                "the RLE data ends after its tag at byte " + std::to_string(at - 1) + ", without a count or end mark");
        const uint8_t count = packed[at++];
        if (count == 0)
            break;
        if (!previous)
            return refused("the RLE data repeats at byte " + std::to_string(at - 2) + " before any byte was written");
        if (outputLimit - out.size() < count)
            return refused(tooLong);
        out.insert(out.end(), count, *previous);
    }
    if (consumed)
        *consumed = at;
    return { std::move(out), {} };
}

} // namespace mosavo
