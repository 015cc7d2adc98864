// The screen commands of the command line, each run as a separate process as scripts run them, against --info of the
// same file (which costs little more than starting the program and reading the file):
// - --import-screen-png of a 256 x 240 picture (drawn from the real tiles of tests/data/roms/vaus-test.nes, a
//   nametable using every tile and a background palette) into a new document, against --info of that document
//   (target: at most 2 times);
// - --render-frame with a full nametable and 64 sprites over the same tiles, against --info of the tile file
//   (target: at most 1.5 times).
// The ratios are printed after the table.

#include <benchmark/benchmark.h>

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
        return true;
    }();
    (void)made;
}

void timedRuns(benchmark::State &state, const std::vector<std::string> &arguments)
{
    prepare();
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const int status = run(arguments);
        state.SetIterationTime(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
        if (status != 0)
            state.SkipWithError("the command failed");
    }
}

void BM_ImportScreenPng(benchmark::State &state)
{
    timedRuns(state, { "--import-screen-png", file("picture.png"), "--output", file("again.kestova") });
}

void BM_InfoOfImportedDocument(benchmark::State &state)
{
    timedRuns(state, { "--info", file("imported.kestova") });
}

void BM_RenderFrameFullNametable64Sprites(benchmark::State &state)
{
    timedRuns(state,
        { "--render-frame", file("frame.png"), "--nametable", file("screen.nam"), "--oam", file("sprites.oam"),
            "--palette", file("frame.pal"), file("bank.chr") });
}

void BM_InfoOfTiles(benchmark::State &state)
{
    timedRuns(state, { "--info", file("bank.chr") });
}

BENCHMARK(BM_ImportScreenPng)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_InfoOfImportedDocument)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_RenderFrameFullNametable64Sprites)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(1.0);
BENCHMARK(BM_InfoOfTiles)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(1.0);

// Keeps each benchmark's time a run, for the ratios.
class RatioReporter : public benchmark::ConsoleReporter
{
public:
    std::map<std::string, double> seconds;

    void ReportRuns(const std::vector<Run> &runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run &run : runs)
            if (run.iterations > 0)
                seconds[run.benchmark_name()] = run.GetAdjustedRealTime();
    }
};

} // namespace

int main(int argc, char **argv)
{
    benchmark::Initialize(&argc, argv);
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const auto ratio = [&](const char *name, const char *against, double target) {
        // Benchmark names carry their settings after a slash.
        const auto find = [&](const std::string &prefix) {
            for (const auto &[key, value] : reporter.seconds)
                if (key == prefix || key.rfind(prefix + "/", 0) == 0)
                    return value;
            return 0.0;
        };
        const double a = find(name);
        const double b = find(against);
        if (a <= 0 || b <= 0)
            return;
        const double value = a / b;
        std::printf(
            "%s / %s: %.2f (target <= %.1f)%s\n", name, against, value, target, value <= target ? "" : "  MISSED");
    };
    ratio("BM_ImportScreenPng", "BM_InfoOfImportedDocument", 2.0);
    ratio("BM_RenderFrameFullNametable64Sprites", "BM_InfoOfTiles", 1.5);
    std::error_code ignored;
    fs::remove_all(folder(), ignored);
    return 0;
}
