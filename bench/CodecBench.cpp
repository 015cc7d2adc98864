// Speed and memory of the NES tile codec on 1 MiB of tile data (65,536 tiles).
//
// Decode and encode are reported as a ratio to copying the decoded cells with memcpy (65,536 tiles x 64 cells x
// sizeof(int64_t) = 32 MiB), measured in the same run: the counter "ratioToMemcpy" (target: at most 3). Both sides
// are timed in thread CPU time (user and system, so page faults count), which other processes on a busy machine
// disturb far less than wall time. The memcpy goes into a buffer that is already in memory; "ratioToNewCopy" compares
// with copying the cells into newly allocated memory instead, which pays for first touching the pages as a decode
// does.
//
// Decoding 65,536 tiles makes about 37 MiB of small blocks; when a collection is freed, glibc hands that memory back to
// the kernel and the next decode pays a page fault for every page again (on a virtual machine several microseconds a
// page, more than the decoding itself). BM_Decode therefore keeps freed memory in the allocator (M_TRIM_THRESHOLD), so
// that, like the memcpy it is compared with, it writes into memory the process already has. BM_DecodeFreshMemory runs
// with glibc's default trimming and is compared with copying into new memory ("ratioToNewCopy").
//
// The memory a decoded collection holds is the counter "bytesPerTile" (target: at most 768), measured with
// glibc's mallinfo2().

#include "core/ConsoleDataFactory.h"
#include "core/NESTileDataCollection.h"
#include "core/SystemLog.h"

#include <benchmark/benchmark.h>
#include <malloc.h>

#include <algorithm>
#include <cstring>
#include <limits>
#include <memory>
#include <time.h>

namespace {

using mosavo::Bytes;

constexpr size_t tileCount = 65536;
constexpr size_t dataSize = tileCount * 16; // 1 MiB
constexpr size_t cellBytes = tileCount * 64 * sizeof(int64_t); // 32 MiB

// Deterministic tile bytes (a linear congruential sequence); never starts with "NES", so it is bare CHR data.
const Bytes &tileBytes()
{
    static const Bytes bytes = [] {
        Bytes data(dataSize);
        uint32_t state = 0x2545F491u;
        for (uint8_t &byte : data) {
            state = state * 1664525u + 1013904223u;
            byte = uint8_t(state >> 24);
        }
        data[0] = 0;
        return data;
    }();
    return bytes;
}

// CPU seconds this thread has used so far.
double cpuSeconds()
{
    timespec now {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

struct Baseline
{
    double warm = 0; // memcpy into a buffer already in memory
    double fresh = 0; // memcpy into newly allocated memory
};

// Seconds for one memcpy of the decoded cells, the average of several copies.
const Baseline &memcpySeconds()
{
    static const Baseline baseline = [] {
        constexpr int rounds = 20;
        const size_t cells = cellBytes / sizeof(int64_t);
        std::vector<int64_t> source(cells, 3);
        std::vector<int64_t> target(cells, 0);
        Baseline result;
        double start = cpuSeconds();
        for (int round = 0; round < rounds; ++round) {
            std::memcpy(target.data(), source.data(), cellBytes);
            benchmark::ClobberMemory();
        }
        result.warm = (cpuSeconds() - start) / rounds;
        start = cpuSeconds();
        for (int round = 0; round < rounds; ++round) {
            auto copy = std::make_unique_for_overwrite<int64_t[]>(cells);
            std::memcpy(copy.get(), source.data(), cellBytes);
            benchmark::DoNotOptimize(copy.get());
            benchmark::ClobberMemory();
        }
        result.fresh = (cpuSeconds() - start) / rounds;
        return result;
    }();
    return baseline;
}

// The library writes a line for every collection it makes; a benchmark has no use for them.
void silenceSystemLog()
{
    mosavo::setSystemLogSink([](std::string_view) {});
}

// Tiles are decoded when first used; the benchmarks decode every one of them.
mosavo::TileDataPtr decodeEveryTile(const Bytes &bytes)
{
    auto tiles = mosavo::ConsoleDataFactory::generate(bytes);
    if (tiles)
        for (const mosavo::MatrixPtr &tile : tiles->matrices())
            benchmark::DoNotOptimize(tile.get());
    return tiles;
}

void reportRatio(benchmark::State &state, double seconds)
{
    const double perIteration = seconds / double(state.iterations());
    state.counters["cpuMs"] = perIteration * 1000.0;
    state.counters["memcpyMs"] = memcpySeconds().warm * 1000.0;
    state.counters["ratioToMemcpy"] = perIteration / memcpySeconds().warm;
    state.counters["ratioToNewCopy"] = perIteration / memcpySeconds().fresh;
}

void BM_MemcpyDecodedCells(benchmark::State &state)
{
    std::vector<int64_t> source(cellBytes / sizeof(int64_t), 3);
    std::vector<int64_t> target(cellBytes / sizeof(int64_t), 0);
    for (auto _ : state) {
        std::memcpy(target.data(), source.data(), cellBytes);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(cellBytes));
}
BENCHMARK(BM_MemcpyDecodedCells)->Unit(benchmark::kMillisecond);

constexpr int defaultTrimThreshold = 128 * 1024;

void BM_Decode(benchmark::State &state)
{
    silenceSystemLog();
    mallopt(M_TRIM_THRESHOLD, std::numeric_limits<int>::max());
    const Bytes &bytes = tileBytes();
    memcpySeconds();
    const double start = cpuSeconds();
    for (auto _ : state) {
        auto tiles = decodeEveryTile(bytes);
        benchmark::DoNotOptimize(tiles.get());
    }
    reportRatio(state, cpuSeconds() - start);
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(dataSize));
}
BENCHMARK(BM_Decode)->Unit(benchmark::kMillisecond);

void BM_DecodeFreshMemory(benchmark::State &state)
{
    silenceSystemLog();
    mallopt(M_TRIM_THRESHOLD, defaultTrimThreshold);
    malloc_trim(0);
    const Bytes &bytes = tileBytes();
    memcpySeconds();
    const double start = cpuSeconds();
    for (auto _ : state) {
        auto tiles = decodeEveryTile(bytes);
        benchmark::DoNotOptimize(tiles.get());
    }
    reportRatio(state, cpuSeconds() - start);
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(dataSize));
}
BENCHMARK(BM_DecodeFreshMemory)->Unit(benchmark::kMillisecond);

void BM_Encode(benchmark::State &state)
{
    silenceSystemLog();
    mallopt(M_TRIM_THRESHOLD, std::numeric_limits<int>::max());
    const auto tiles = decodeEveryTile(tileBytes());
    if (!tiles || tiles->totalNumberTiles() != int64_t(tileCount)) {
        state.SkipWithError("the tile bytes did not decode");
        return;
    }
    memcpySeconds();
    const double start = cpuSeconds();
    for (auto _ : state) {
        auto bytes = tiles->consoleFormattedPixelData();
        benchmark::DoNotOptimize(bytes->data());
    }
    reportRatio(state, cpuSeconds() - start);
    state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(dataSize));
    if (tiles->consoleFormattedPixelData() != tileBytes())
        state.SkipWithError("encoding did not give back the decoded bytes");
}
BENCHMARK(BM_Encode)->Unit(benchmark::kMillisecond);

// Heap bytes in use (small blocks and mapped blocks).
size_t heapInUse()
{
    const struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}

void BM_DecodedTileMemory(benchmark::State &state)
{
    silenceSystemLog();
    mallopt(M_TRIM_THRESHOLD, defaultTrimThreshold);
    const Bytes &bytes = tileBytes();
    double perTile = 0;
    for (auto _ : state) {
        const size_t before = heapInUse();
        auto tiles = decodeEveryTile(bytes);
        const size_t after = heapInUse();
        benchmark::DoNotOptimize(tiles.get());
        perTile = double(after - before) / double(tileCount);
    }
    state.counters["bytesPerTile"] = perTile;
}
BENCHMARK(BM_DecodedTileMemory)->Unit(benchmark::kMillisecond)->Iterations(3);

} // namespace

BENCHMARK_MAIN();
