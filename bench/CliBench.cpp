// The screen commands of the command line, each run as a separate process as scripts run them, against --info of the
// same file (which costs little more than starting the program and reading the file):
// - --import-screen-png of a 256 x 240 picture (drawn from the real tiles of tests/data/roms/vaus-test.nes, a
//   nametable using every tile and a background palette) into a new document, against --info of that document
//   (target: at most 2 times);
// - --render-frame with a full nametable and 64 sprites over the same tiles, against --info of the tile file
//   (target: at most 1.5 times);
// - --import-screen-png --lossy --dither diffusion of a generated 256 x 240 photograph (sky, hills, noise) into a new
//   document, against --info of the result (target: at most 100 times).
// Each command alternates with its --info run; the ratios are printed after the table.

#include "BenchSupport.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <string>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>

extern char **environ;

namespace {

namespace fs = std::filesystem;

const fs::path &folder()
{
    static const fs::path path = [] {
        fs::path made = fs::temp_directory_path() / ("kestova-cli-bench-" + std::to_string(std::random_device()()));
        fs::create_directories(made);
        return made;
    }();
    return path;
}

std::string file(const char *name)
{
    return (folder() / name).string();
}

// Runs the program with the arguments, output to /dev/null; its exit status.
int run(const std::vector<std::string> &arguments)
{
    std::vector<std::string> all = { KESTOVA_BINARY };
    all.insert(all.end(), arguments.begin(), arguments.end());
    std::vector<char *> argv;
    for (std::string &argument : all)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    if (spawned != 0 || waitpid(pid, &status, 0) != pid || !WIFEXITED(status))
        return -1;
    return WEXITSTATUS(status);
}

void mustRun(const std::vector<std::string> &arguments)
{
    if (run(arguments) != 0) {
        std::fprintf(stderr, "CliBench: kestova");
        for (const std::string &argument : arguments)
            std::fprintf(stderr, " %s", argument.c_str());
        std::fprintf(stderr, " failed\n");
        std::abort();
    }
}

void writeBytes(const std::string &path, const std::vector<unsigned char> &bytes)
{
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char *>(bytes.data()), std::streamsize(bytes.size()));
}

// A 24-bit BMP of a generated photograph: a sky gradient over hills with a grain of noise.
void writePhotographBmp(const std::string &path)
{
    constexpr int width = 256, height = 240, row = width * 3;
    std::vector<unsigned char> bytes(54 + size_t(row * height));
    const auto put32 = [&](size_t at, uint32_t value) {
        for (int i = 0; i < 4; ++i)
            bytes[at + size_t(i)] = (unsigned char)(value >> (8 * i));
    };
    bytes[0] = 'B';
    bytes[1] = 'M';
    put32(2, uint32_t(bytes.size()));
    put32(10, 54);
    put32(14, 40);
    put32(18, width);
    put32(22, height);
    bytes[26] = 1;
    bytes[28] = 24;
    std::mt19937 random(7);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const int grain = int(random() % 24);
            const bool sky = y < 130 + (x * 7) % 40;
            const int r = sky ? 90 + y / 2 + grain : 40 + grain * 2, g = sky ? 150 + y / 4 : 110 + grain,
                      b = sky ? 240 - grain : 40;
            // BMP rows run bottom to top, blue first.
            unsigned char *p = &bytes[54 + size_t((height - 1 - y) * row + x * 3)];
            p[0] = (unsigned char)std::min(b, 255);
            p[1] = (unsigned char)std::min(g, 255);
            p[2] = (unsigned char)std::min(r, 255);
        }
    writeBytes(path, bytes);
}

// The files the benchmarks read, made once.
void prepare()
{
    static const bool made = [] {
        const std::string source = KESTOVA_SOURCE_DIR;
        std::vector<unsigned char> nametable(1024);
        std::mt19937 random(2026);
        for (size_t i = 0; i < 960; ++i)
            nametable[i] = (unsigned char)((i * 5) % 256);
        for (size_t i = 960; i < 1024; ++i)
            nametable[i] = (unsigned char)(random());
        writeBytes(file("screen.nam"), nametable);
        std::vector<unsigned char> oam(256);
        for (size_t i = 0; i < 64; ++i) {
            oam[i * 4] = (unsigned char)(random() % 232);
            oam[i * 4 + 1] = (unsigned char)(random());
            oam[i * 4 + 2] = (unsigned char)(random() & 0xE3);
            oam[i * 4 + 3] = (unsigned char)(random());
        }
        writeBytes(file("sprites.oam"), oam);
        const std::string rom = source + "/tests/data/roms/vaus-test.nes";
        mustRun({ "--export-chr", file("rom.nes"), rom });
        // The CHR-ROM bank alone: 8 KiB of tiles.
        std::ifstream in(file("rom.nes"), std::ios::binary);
        std::vector<unsigned char> bytes((std::istreambuf_iterator<char>(in)), {});
        if (bytes.size() < 16 + 8192)
            std::abort();
        writeBytes(file("bank.chr"), std::vector<unsigned char>(bytes.end() - 8192, bytes.end()));
        std::vector<unsigned char> palette(32);
        for (size_t i = 0; i < palette.size(); ++i)
            palette[i] = (unsigned char)(i % 4 == 0 ? 0x0F : 0x01 + (i * 7) % 0x2C);
        writeBytes(file("frame.pal"), palette);
        mustRun({ "--render-frame", file("picture.png"), "--nametable", file("screen.nam"), "--palette",
            file("frame.pal"), file("bank.chr") });
        mustRun({ "--import-screen-png", file("picture.png"), "--output", file("imported.kestova") });
        writePhotographBmp(file("photo.bmp"));
        mustRun({ "--import-screen-png", file("photo.bmp"), "--lossy", "--output", file("photo.kestova") });
        return true;
    }();
    (void)made;
}

// Runs the command and --info alternately, so that both see the same state of the machine, and reports how much
// longer the command took as "ratio" (and each one's time a run).
void againstInfo(benchmark::State &state, const std::vector<std::string> &command, const std::vector<std::string> &info)
{
    prepare();
    using Clock = std::chrono::steady_clock;
    Clock::duration commandTime {}, infoTime {};
    for (auto _ : state) {
        const auto start = Clock::now();
        const int commandStatus = run(command);
        const auto middle = Clock::now();
        const int infoStatus = run(info);
        commandTime += middle - start;
        infoTime += Clock::now() - middle;
        if (commandStatus != 0 || infoStatus != 0)
            state.SkipWithError("a command failed");
    }
    const double runs = double(state.iterations());
    state.counters["command_ms"] = std::chrono::duration<double, std::milli>(commandTime).count() / runs;
    state.counters["info_ms"] = std::chrono::duration<double, std::milli>(infoTime).count() / runs;
    state.counters["ratio"] = double(commandTime.count()) / double(infoTime.count());
}

void BM_ImportScreenPngAgainstInfo(benchmark::State &state)
{
    againstInfo(state, { "--import-screen-png", file("picture.png"), "--output", file("again.kestova") },
        { "--info", file("imported.kestova") });
}

void BM_RenderFrameFullNametable64SpritesAgainstInfo(benchmark::State &state)
{
    againstInfo(state,
        { "--render-frame", file("frame.png"), "--nametable", file("screen.nam"), "--oam", file("sprites.oam"),
            "--palette", file("frame.pal"), file("bank.chr") },
        { "--info", file("bank.chr") });
}

void BM_LossyScreenImportAgainstInfo(benchmark::State &state)
{
    againstInfo(state,
        { "--import-screen-png", file("photo.bmp"), "--lossy", "--dither", "diffusion", "--output",
            file("photo-again.kestova") },
        { "--info", file("photo.kestova") });
}

BENCHMARK(BM_ImportScreenPngAgainstInfo)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_LossyScreenImportAgainstInfo)->Unit(benchmark::kMillisecond)->MinTime(2.0);
BENCHMARK(BM_RenderFrameFullNametable64SpritesAgainstInfo)->Unit(benchmark::kMillisecond)->MinTime(2.0);

} // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    bench_support::RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    reporter.printRatio("BM_ImportScreenPngAgainstInfo", 2.0);
    reporter.printRatio("BM_RenderFrameFullNametable64SpritesAgainstInfo", 1.5);
    reporter.printRatio("BM_LossyScreenImportAgainstInfo", 100.0);
    std::error_code ignored;
    fs::remove_all(folder(), ignored);
    return 0;
}
