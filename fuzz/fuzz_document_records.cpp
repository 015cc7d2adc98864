// The document reader on records that are well-formed CBOR more often than not: the fuzzer's bytes choose keys, kinds
// and values of a settings record, so that wrong kinds under every key, missing keys, huge declared lengths, deep
// nesting, thousands of palettes and colour numbers of 0x40 and above are all reached quickly.
#include "DocumentProperties.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <algorithm>
#include <array>
#include <string_view>

namespace {

using mosavo::Bytes;

class CborWriter
{
public:
    Bytes out { 0xD9, 0xD9, 0xF7 };

    void head(uint8_t major, uint64_t value)
    {
        const uint8_t type = uint8_t(major << 5);
        if (value < 24) {
            out.push_back(type | uint8_t(value));
            return;
        }
        const int width = value <= 0xFF ? 1 : value <= 0xFFFF ? 2 : value <= 0xFFFFFFFF ? 4 : 8;
        out.push_back(type | uint8_t(width == 1 ? 24 : width == 2 ? 25 : width == 4 ? 26 : 27));
        for (int i = width - 1; i >= 0; --i)
            out.push_back(uint8_t(value >> (8 * i)));
    }
    void integer(int64_t value)
    {
        if (value >= 0)
            head(0, uint64_t(value));
        else
            head(1, uint64_t(-(value + 1)));
    }
    void text(std::string_view value)
    {
        head(3, value.size());
        out.insert(out.end(), value.begin(), value.end());
    }
    void bytes(const Bytes &value)
    {
        head(2, value.size());
        out.insert(out.end(), value.begin(), value.end());
    }
    void float64(double value)
    {
        uint64_t bits;
        std::memcpy(&bits, &value, sizeof bits);
        out.push_back(0xFB);
        for (int i = 7; i >= 0; --i)
            out.push_back(uint8_t(bits >> (8 * i)));
    }
};

constexpr std::array<std::string_view, 13> words = { "$class", "Version", "ZoomSize", "TileData", "Palettes",
    "SelectedPalette", "Palette", "Color", "Key", "NESPalette", "PaletteBox", "EditorViewControllerSettings", "" };

class RecordMaker
{
public:
    explicit RecordMaker(FuzzedDataProvider &in)
        : in_(in)
    { }

    Bytes make()
    {
        if (in_.ConsumeIntegralInRange(0, 15) == 0)
            anyItem(0);
        else
            settingsRecord();
        return std::move(w_.out);
    }

private:
    std::string_view word() { return words[in_.ConsumeIntegralInRange<size_t>(0, words.size() - 1)]; }
    bool odd() { return in_.ConsumeIntegralInRange(0, 7) == 0; } // now and then, the wrong thing

    int64_t someInteger()
    {
        static constexpr std::array<int64_t, 12> interesting
            = { 0, 1, 2, 4, 8, 16, 3, -1, 0x3F, 0x40, 0xFF, INT64_MIN };
        if (in_.ConsumeBool())
            return interesting[in_.ConsumeIntegralInRange<size_t>(0, interesting.size() - 1)];
        return in_.ConsumeIntegral<int64_t>();
    }

    // A byte string or text whose declared length may be far more than follows.
    void declaredHuge(uint8_t major)
    {
        static constexpr std::array<uint64_t, 5> lengths
            = { uint64_t(1) << 40, uint64_t(1) << 32, UINT64_MAX, (uint64_t(1) << 63) + 5, 1u << 24 };
        w_.head(major, lengths[in_.ConsumeIntegralInRange<size_t>(0, lengths.size() - 1)]);
        const auto tail = in_.ConsumeBytes<uint8_t>(in_.ConsumeIntegralInRange(0, 64));
        w_.out.insert(w_.out.end(), tail.begin(), tail.end());
    }

    void anyItem(int depth)
    {
        switch (in_.ConsumeIntegralInRange(0, 13)) {
        case 0:
            w_.integer(someInteger());
            break;
        case 1:
            w_.bytes(in_.ConsumeBytes<uint8_t>(in_.ConsumeIntegralInRange(0, 64)));
            break;
        case 2:
            w_.text(word());
            break;
        case 3:
        case 4: {
            const int count = depth < 40 ? in_.ConsumeIntegralInRange(0, 4) : 0;
            w_.head(4, count);
            for (int i = 0; i < count; ++i)
                anyItem(depth + 1);
            break;
        }
        case 5: {
            const int count = depth < 40 ? in_.ConsumeIntegralInRange(0, 4) : 0;
            w_.head(5, count);
            for (int i = 0; i < count; ++i) {
                w_.text(word());
                anyItem(depth + 1);
            }
            break;
        }
        case 6: // deep nesting: one array inside the next
            for (int n = in_.ConsumeIntegralInRange(0, 20000); n > 0; --n)
                w_.out.push_back(0x81);
            w_.out.push_back(0x00);
            break;
        case 7:
            declaredHuge(in_.ConsumeBool() ? 2 : 3);
            break;
        case 8: // a declared count far beyond the items that follow
            w_.head(in_.ConsumeBool() ? 4 : 5, uint64_t(1) << in_.ConsumeIntegralInRange(10, 63));
            anyItem(depth + 1);
            break;
        case 9:
            w_.out.push_back(in_.ConsumeIntegralInRange<uint8_t>(0xF4, 0xF7)); // false, true, null, undefined
            break;
        case 10:
            w_.float64(in_.ConsumeFloatingPoint<double>());
            break;
        case 11: // indefinite-length items, closed or not
            w_.out.push_back(in_.PickValueInArray<uint8_t>({ 0x5F, 0x7F, 0x9F, 0xBF }));
            if (depth < 40 && in_.ConsumeBool())
                anyItem(depth + 1);
            if (in_.ConsumeBool())
                w_.out.push_back(0xFF);
            break;
        case 12: // a tag
            w_.head(6, in_.ConsumeIntegral<uint16_t>());
            anyItem(depth + 1);
            break;
        default: { // raw bytes
            const auto raw = in_.ConsumeBytes<uint8_t>(in_.ConsumeIntegralInRange(1, 8));
            w_.out.insert(w_.out.end(), raw.begin(), raw.end());
        }
        }
    }

    void tileData()
    {
        switch (in_.ConsumeIntegralInRange(0, 5)) {
        case 0:
            anyItem(1);
            return;
        case 1:
            declaredHuge(2);
            return;
        default: {
            Bytes data;
            if (in_.ConsumeBool()) {
                data = { 'N', 'E', 'S', 0x1A };
                const auto header = in_.ConsumeBytes<uint8_t>(12);
                data.insert(data.end(), header.begin(), header.end());
            }
            const size_t tiles = in_.ConsumeIntegralInRange<size_t>(0, 64);
            const auto pixels = in_.ConsumeBytes<uint8_t>(tiles * 16 + (odd() ? 7 : 0));
            data.insert(data.end(), pixels.begin(), pixels.end());
            data.resize(std::max<size_t>(data.size(), tiles * 16), 0);
            w_.bytes(data);
        }
        }
    }

    void paletteBox()
    {
        if (odd())
            return anyItem(3);
        const bool withClass = !odd();
        const bool withColor = !odd();
        const bool withKey = !odd();
        w_.head(5, int(withClass) + int(withColor) + int(withKey));
        if (withClass) {
            w_.text("$class");
            w_.text(odd() ? word() : "PaletteBox");
        }
        if (withColor) {
            w_.text("Color");
            if (odd()) {
                anyItem(4);
            } else {
                const int count = odd() ? in_.ConsumeIntegralInRange(0, 6) : 4;
                w_.head(4, count);
                for (int i = 0; i < count; ++i) {
                    if (odd())
                        anyItem(5);
                    else
                        w_.float64(in_.ConsumeProbability<double>());
                }
            }
        }
        if (withKey) {
            w_.text("Key");
            if (odd())
                anyItem(4);
            else
                w_.integer(in_.ConsumeBool() ? in_.ConsumeIntegralInRange<int64_t>(0, 0x3F) : someInteger());
        }
    }

    void palette()
    {
        if (odd())
            return anyItem(2);
        w_.head(5, 2);
        w_.text("$class");
        w_.text(odd() ? word() : "NESPalette");
        w_.text("Palette");
        if (odd())
            return anyItem(3);
        const int count = odd() ? in_.ConsumeIntegralInRange(0, 12) : 4;
        w_.head(4, count);
        for (int i = 0; i < count; ++i)
            paletteBox();
    }

    void palettes()
    {
        // Now and then anything; more rarely thousands of palettes, the one slow input here (a document of them is
        // read, written and read again).
        const int choice = in_.ConsumeIntegralInRange(0, 31);
        switch (choice < 4 ? 0 : choice == 4 ? 1 : 2) {
        case 0:
            return anyItem(1);
        case 1: { // thousands of palettes: one drawn palette written over and over
            size_t count = in_.ConsumeIntegralInRange<size_t>(1000, 20000);
            const size_t start = w_.out.size();
            palette();
            const Bytes one(w_.out.begin() + std::ptrdiff_t(start), w_.out.end());
            w_.out.resize(start);
            // At most 2 KiB of copies: a large drawn item (a palette of four colours, say) is repeated fewer times.
            count = std::max<size_t>(1, std::min(count, (size_t(2) << 10) / std::max<size_t>(one.size(), 1)));
            w_.head(4, count);
            for (size_t i = 0; i < count; ++i)
                w_.out.insert(w_.out.end(), one.begin(), one.end());
            return;
        }
        default: {
            const int count = odd() ? in_.ConsumeIntegralInRange(0, 20) : 8;
            w_.head(4, count);
            for (int i = 0; i < count; ++i)
                palette();
        }
        }
    }

    void settingsRecord()
    {
        static constexpr std::array<std::string_view, 6> keys
            = { "$class", "Version", "ZoomSize", "TileData", "Palettes", "SelectedPalette" };
        // Every key now and then left out, repeated, or given a wrong kind of value.
        std::vector<std::string_view> present;
        for (std::string_view key : keys)
            if (!odd())
                present.push_back(key);
        if (odd())
            present.push_back(word());
        w_.head(5, present.size());
        for (std::string_view key : present) {
            w_.text(key);
            if (odd())
                anyItem(1);
            else if (key == "$class")
                w_.text("EditorViewControllerSettings");
            else if (key == "TileData")
                tileData();
            else if (key == "Palettes")
                palettes();
            else
                w_.integer(someInteger());
        }
    }

    FuzzedDataProvider &in_;
    CborWriter w_;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    fuzz::silenceSystemLog();
    FuzzedDataProvider in(data, size);
    fuzz::checkDocument(RecordMaker(in).make());
    return 0;
}
