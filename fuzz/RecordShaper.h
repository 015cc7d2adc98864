#pragma once

#include "core/Archive.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <utility>

namespace fuzz {

// Archive records shaped by the fuzzer's bytes: mostly well formed, now and then (one time in sixteen) a field left
// out, of the wrong kind or just out of range. The record makers of the document targets build on it.
class RecordShaper
{
public:
    // binaryMost: the longest binary value anything() makes.
    RecordShaper(FuzzedDataProvider &in, size_t binaryMost)
        : in_(in)
        , binaryMost_(binaryMost)
    { }

    bool odd() { return in_.ConsumeIntegralInRange(0, 15) == 0; }

    // A value of any kind.
    mosavo::ArchiveRecord anything()
    {
        using mosavo::ArchiveRecord;
        switch (in_.ConsumeIntegralInRange(0, 6)) {
        case 0:
            return in_.ConsumeIntegral<int64_t>();
        case 1:
            return in_.ConsumeRandomLengthString(8);
        case 2:
            return ArchiveRecord::binary(in_.ConsumeBytes<uint8_t>(in_.ConsumeIntegralInRange<size_t>(0, binaryMost_)));
        case 3:
            return ArchiveRecord::array();
        case 4:
            return ArchiveRecord::object();
        case 5:
            return in_.ConsumeProbability<double>();
        default:
            return nullptr;
        }
    }

    // An integer in range mostly, now and then just past either end or anything at all.
    mosavo::ArchiveRecord integer(int64_t low, int64_t high)
    {
        if (odd())
            return anything();
        switch (in_.ConsumeIntegralInRange(0, 9)) {
        case 0:
            return low - 1;
        case 1:
            return high + 1;
        default:
            return in_.ConsumeIntegralInRange(low, high);
        }
    }

    // The field, now and then left out.
    void put(mosavo::ArchiveRecord &record, const char *key, mosavo::ArchiveRecord value)
    {
        if (!odd())
            record[key] = std::move(value);
    }

    // A list of up to `most` records that make() gives, now and then one of them (or the list) of any kind.
    template<typename Make>
    mosavo::ArchiveRecord list(int most, Make make)
    {
        if (odd())
            return anything();
        mosavo::ArchiveRecord records = mosavo::ArchiveRecord::array();
        const int count = in_.ConsumeIntegralInRange(0, most);
        for (int i = 0; i < count; ++i)
            records.push_back(odd() ? anything() : make());
        return records;
    }

protected:
    FuzzedDataProvider &in_;

private:
    size_t binaryMost_;
};

} // namespace fuzz
