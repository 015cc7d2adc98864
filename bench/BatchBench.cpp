// Batch conversion of large tile files, as whole processes, side by side with Python + Pillow and zlib alone.
//
// Two files of deterministic tile bytes: 1 MiB of CHR data (65,536 tiles) and 4 MiB (262,144 tiles). For each, every
// command runs as a child process (stdout and stderr to /dev/null) several times, alternating with the others so that
// all see the same state of a busy machine; a row's time is the least CPU time (user and system, from wait4's rusage)
// of its runs, which other processes on a shared machine disturb far less than wall time; its memory is the child's
// peak resident size (ru_maxrss):
// - floor: `kestova --version` (starting the program) plus zlib alone inflating (import) or deflating (export, at
//   level 6, Pillow's default) the scanlines of the very PNG the program writes for the file, timed in this process;
// - `kestova --export-png` of the file and `--import-png` of that picture (alone, and over the file with --at 0),
//   `--info` and `--export-chr` of the file (as bytes, and as ca65 source with --asm);
// - bench/pillow_chr_to_png.py and bench/pillow_png_to_chr.py on the same files (skipped with a message when no
//   python3 with PIL is found; /usr/bin/python3 first, where Debian's python3-pil puts it).
// Counters, all ratios or sizes:
// - import_per_floor, export_per_floor: the command's time over the floor (target: at most 3);
// - pillow_import_per_import, pillow_export_per_export: how many times faster than Pillow (targets: at least 30 and
//   20, on 1 MiB);
// - import_peak_per_pillow, export_peak_per_pillow: peak memory over the Pillow script's (target: at most 1);
// - *_bytes_per_tile: peak memory above `--version`'s, over the tiles (target: at most 100);
// - png_size_per_pillow: the size of the PNG written over Pillow's default for the same pixels (target: at most 1).
// The targets are printed after the table, each marked MISSED where it is not met. The Pillow script's CHR output is
// also compared with the program's: "pillow_bytes_agree" is 1 when they are the same.

#include <benchmark/benchmark.h>

#include <zlib.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <limits>
#include <map>
#include <random>
#include <string>
#include <vector>

#include <fcntl.h>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

extern char **environ;

namespace {

namespace fs = std::filesystem;
using Bytes = std::vector<unsigned char>;
using Clock = std::chrono::steady_clock;

const fs::path &folder()
{
    static const fs::path path = [] {
        fs::path made = fs::temp_directory_path() / ("kestova-batch-bench-" + std::to_string(std::random_device()()));
        fs::create_directories(made);
        return made;
    }();
    return path;
}

std::string file(const std::string &name)
{
    return (folder() / name).string();
}

Bytes readBytes(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return Bytes((std::istreambuf_iterator<char>(in)), {});
}

void writeBytes(const std::string &path, const Bytes &bytes)
{
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char *>(bytes.data()), std::streamsize(bytes.size()));
}

// One run of a child process: its CPU time (user and system) and wall time in seconds, and its peak resident size in
// bytes; ok when it exited with 0.
struct Run
{
    bool ok = false;
    double seconds = 0;
    double wallSeconds = 0;
    double peakBytes = 0;
};

// Runs a child (output to /dev/null) and waits for it: its status, CPU time and peak resident size.
Run spawnAndWait(std::vector<std::string> arguments)
{
    std::vector<char *> argv;
    for (std::string &argument : arguments)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    Run run;
    pid_t pid = 0;
    const auto start = Clock::now();
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    int status = 0;
    rusage usage {};
    if (spawned != 0 || wait4(pid, &status, 0, &usage) != pid)
        return run;
    run.wallSeconds = std::chrono::duration<double>(Clock::now() - start).count();
    run.seconds = double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec)
        + double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) * 1e-6;
    run.peakBytes = double(usage.ru_maxrss) * 1024.0;
    run.ok = WIFEXITED(status) && WEXITSTATUS(status) == 0;
    return run;
}

// A child's peak resident size counts the memory of the process it was started from (Linux records the size of the
// image it replaces), so the children are started by a small helper process forked before this one grows: it reads
// argument lists from one pipe and answers each with the run's figures on another.
struct Helper
{
    int requests = -1;
    int answers = -1;
};

Helper &helper()
{
    static Helper h;
    return h;
}

bool readAll(int fd, void *data, size_t size)
{
    auto *at = static_cast<char *>(data);
    while (size > 0) {
        const ssize_t got = read(fd, at, size);
        if (got <= 0)
            return false;
        at += got;
        size -= size_t(got);
    }
    return true;
}

void writeAll(int fd, const void *data, size_t size)
{
    const auto *at = static_cast<const char *>(data);
    while (size > 0) {
        const ssize_t put = write(fd, at, size);
        if (put <= 0)
            return;
        at += put;
        size -= size_t(put);
    }
}

void startHelper()
{
    int toHelper[2], fromHelper[2];
    if (pipe(toHelper) != 0 || pipe(fromHelper) != 0)
        return;
    const pid_t pid = fork();
    if (pid == 0) {
        close(toHelper[1]);
        close(fromHelper[0]);
        for (uint32_t count = 0; readAll(toHelper[0], &count, sizeof count);) {
            std::vector<std::string> arguments(count);
            for (std::string &argument : arguments) {
                uint32_t length = 0;
                if (!readAll(toHelper[0], &length, sizeof length))
                    _exit(0);
                argument.resize(length);
                if (!readAll(toHelper[0], argument.data(), length))
                    _exit(0);
            }
            const Run run = spawnAndWait(std::move(arguments));
            writeAll(fromHelper[1], &run, sizeof run);
        }
        _exit(0);
    }
    close(toHelper[0]);
    close(fromHelper[1]);
    if (pid > 0)
        helper() = { toHelper[1], fromHelper[0] };
}

Run runProcess(const std::vector<std::string> &arguments)
{
    if (helper().requests < 0)
        return spawnAndWait(arguments);
    const uint32_t count = uint32_t(arguments.size());
    writeAll(helper().requests, &count, sizeof count);
    for (const std::string &argument : arguments) {
        const uint32_t length = uint32_t(argument.size());
        writeAll(helper().requests, &length, sizeof length);
        writeAll(helper().requests, argument.data(), length);
    }
    Run run;
    if (!readAll(helper().answers, &run, sizeof run))
        return {};
    return run;
}

std::vector<std::string> kestova(std::vector<std::string> arguments)
{
    arguments.insert(arguments.begin(), KESTOVA_BINARY);
    return arguments;
}

// A python3 that has PIL, or nothing.
const std::string &pillowPython()
{
    static const std::string found = [] {
        for (const char *candidate : { "/usr/bin/python3", "/usr/local/bin/python3" })
            if (fs::exists(candidate) && runProcess({ candidate, "-c", "import PIL" }).ok)
                return std::string(candidate);
        const Run inPath = runProcess({ "/usr/bin/env", "python3", "-c", "import PIL" });
        return inPath.ok ? std::string("/usr/bin/env") : std::string();
    }();
    return found;
}

std::vector<std::string> pillow(const char *script, std::vector<std::string> arguments)
{
    std::vector<std::string> all;
    all.push_back(pillowPython());
    if (pillowPython() == "/usr/bin/env")
        all.push_back("python3");
    all.push_back(std::string(KESTOVA_SOURCE_DIR) + "/bench/" + script);
    all.insert(all.end(), arguments.begin(), arguments.end());
    return all;
}

// Deterministic tile bytes (a linear congruential sequence, a different one per size); never "NES" first.
Bytes tileBytes(size_t size)
{
    Bytes data(size);
    uint32_t state = 0x2545F491u ^ uint32_t(size);
    for (unsigned char &byte : data) {
        state = state * 1664525u + 1013904223u;
        byte = (unsigned char)(state >> 24);
    }
    data[0] = 0;
    return data;
}

uint32_t read32(const Bytes &bytes, size_t at)
{
    return uint32_t(bytes[at]) << 24 | uint32_t(bytes[at + 1]) << 16 | uint32_t(bytes[at + 2]) << 8 | bytes[at + 3];
}

// The PNG's width and its IDAT chunks' data, one zlib stream.
struct PngParts
{
    uint32_t width = 0;
    Bytes idat;
};

PngParts pngParts(const Bytes &png)
{
    PngParts parts;
    for (size_t at = 8; at + 12 <= png.size();) {
        const size_t length = read32(png, at);
        const std::string type(png.begin() + long(at) + 4, png.begin() + long(at) + 8);
        if (at + 12 + length > png.size())
            break;
        if (type == "IHDR")
            parts.width = read32(png, at + 8);
        if (type == "IDAT")
            parts.idat.insert(parts.idat.end(), png.begin() + long(at) + 8, png.begin() + long(at + 8 + length));
        at += 12 + length;
    }
    return parts;
}

Bytes inflated(const Bytes &stream, size_t expected)
{
    Bytes out(expected);
    z_stream z {};
    inflateInit(&z);
    z.next_in = const_cast<Bytef *>(stream.data());
    z.avail_in = uInt(stream.size());
    z.next_out = out.data();
    z.avail_out = uInt(out.size());
    const int result = inflate(&z, Z_FINISH);
    out.resize(z.total_out);
    inflateEnd(&z);
    if (result != Z_STREAM_END)
        out.clear();
    return out;
}

Bytes deflated(const Bytes &raw, int level)
{
    uLongf size = compressBound(uLong(raw.size()));
    Bytes out(size);
    compress2(out.data(), &size, raw.data(), uLong(raw.size()), level);
    out.resize(size);
    return out;
}

// CPU seconds this thread has used so far.
double cpuSeconds()
{
    timespec now {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

// The least CPU time of the runs of work.
template<typename Work>
double fastestSeconds(int runs, Work work)
{
    double best = std::numeric_limits<double>::max();
    for (int i = 0; i < runs; ++i) {
        const double start = cpuSeconds();
        work();
        best = std::min(best, cpuSeconds() - start);
    }
    return best;
}

// The fastest run and the highest peak of each row.
struct Row
{
    double seconds = std::numeric_limits<double>::max();
    double peakBytes = 0;
    bool failed = false;

    void add(const Run &run)
    {
        failed = failed || !run.ok;
        seconds = std::min(seconds, run.seconds);
        peakBytes = std::max(peakBytes, run.peakBytes);
    }
};

std::map<std::string, double> &targetsMet()
{
    static std::map<std::string, double> values;
    return values;
}

void BM_BatchPng(benchmark::State &state)
{
    const size_t size = size_t(state.range(0)) << 20;
    const double tiles = double(size / 16);
    const std::string tag = std::to_string(state.range(0)) + "MiB";
    const std::string chr = file(tag + ".chr"), png = file(tag + ".png"), back = file(tag + "-back.chr");
    const std::string pillowPng = file(tag + "-pillow.png"), pillowChr = file(tag + "-pillow.chr");
    writeBytes(chr, tileBytes(size));
    if (!runProcess(kestova({ "--export-png", png, chr })).ok) {
        state.SkipWithError("kestova --export-png failed");
        return;
    }
    const Bytes written = readBytes(png);
    const PngParts parts = pngParts(written);
    // Columns of the sheet the program wrote, for the Pillow script to lay out the same picture.
    const std::string columns = std::to_string(parts.width / 8);
    // Rows of one filter byte and the packed pixels (the program writes 2 bits a pixel; 8 is the most it could).
    const size_t height = size_t(tiles * 64) / std::max<size_t>(parts.width, 1);
    const Bytes raw = inflated(parts.idat, height * (1 + parts.width));
    if (raw.empty()) {
        state.SkipWithError("the PNG written cannot be inflated");
        return;
    }
    const Bytes level6 = deflated(raw, 6);
    const bool withPillow = !pillowPython().empty();
    if (!withPillow)
        std::fprintf(stderr, "BatchBench: no python3 with PIL (Debian package python3-pil); Pillow rows skipped\n");

    const int runs = size <= (1u << 20) ? 5 : 3;
    const int pillowRuns = size <= (1u << 20) ? 2 : 1;
    Row version, exportPng, importPng, info, exportChr, importAt, exportAsm, pillowExport, pillowImport;
    double inflateSeconds = 0, deflateSeconds = 0;
    for (auto _ : state) {
        for (int i = 0; i < runs; ++i) {
            version.add(runProcess(kestova({ "--version" })));
            exportPng.add(runProcess(kestova({ "--export-png", png, chr })));
            importPng.add(runProcess(kestova({ "--import-png", png, "--output", back })));
            info.add(runProcess(kestova({ "--info", chr })));
            exportChr.add(runProcess(kestova({ "--export-chr", file(tag + "-copy.chr"), chr })));
            importAt.add(runProcess(kestova({ "--import-png", png, "--at", "0", "--output", back, chr })));
            exportAsm.add(runProcess(kestova({ "--export-chr", file(tag + ".s"), "--asm", "tiles", chr })));
            if (withPillow && i < pillowRuns) {
                pillowExport.add(runProcess(pillow("pillow_chr_to_png.py", { chr, pillowPng, columns })));
                pillowImport.add(runProcess(pillow("pillow_png_to_chr.py", { png, pillowChr })));
            }
        }
        inflateSeconds = fastestSeconds(runs, [&] { benchmark::DoNotOptimize(inflated(level6, raw.size())); });
        deflateSeconds = fastestSeconds(runs, [&] { benchmark::DoNotOptimize(deflated(raw, 6)); });
    }
    if (version.failed || exportPng.failed || importPng.failed || info.failed || exportChr.failed || importAt.failed
        || exportAsm.failed) {
        state.SkipWithError("a kestova command failed");
        return;
    }
    auto &c = state.counters;
    c["version_ms"] = version.seconds * 1e3;
    c["export_ms"] = exportPng.seconds * 1e3;
    c["import_ms"] = importPng.seconds * 1e3;
    c["inflate_ms"] = inflateSeconds * 1e3;
    c["deflate_ms"] = deflateSeconds * 1e3;
    c["import_per_floor"] = importPng.seconds / (version.seconds + inflateSeconds);
    c["export_per_floor"] = exportPng.seconds / (version.seconds + deflateSeconds);
    const auto perTile = [&](const Row &row) { return (row.peakBytes - version.peakBytes) / tiles; };
    c["start_MiB"] = version.peakBytes / 1048576.0;
    c["import_MiB"] = importPng.peakBytes / 1048576.0;
    c["export_MiB"] = exportPng.peakBytes / 1048576.0;
    c["import_bytes_per_tile"] = perTile(importPng);
    c["export_bytes_per_tile"] = perTile(exportPng);
    c["info_bytes_per_tile"] = perTile(info);
    c["export_chr_bytes_per_tile"] = perTile(exportChr);
    c["import_at_bytes_per_tile"] = perTile(importAt);
    c["export_asm_bytes_per_tile"] = perTile(exportAsm);
    auto &met = targetsMet();
    const std::string prefix = tag + " ";
    met[prefix + "import_per_floor <= 3"] = c["import_per_floor"] <= 3;
    met[prefix + "export_per_floor <= 3"] = c["export_per_floor"] <= 3;
    for (const char *name : { "import_bytes_per_tile", "export_bytes_per_tile", "info_bytes_per_tile",
             "export_chr_bytes_per_tile", "import_at_bytes_per_tile", "export_asm_bytes_per_tile" })
        met[prefix + name + " <= 100"] = c[name] <= 100;
    if (withPillow && !pillowExport.failed && !pillowImport.failed) {
        c["pillow_export_ms"] = pillowExport.seconds * 1e3;
        c["pillow_import_ms"] = pillowImport.seconds * 1e3;
        c["pillow_export_per_export"] = pillowExport.seconds / exportPng.seconds;
        c["pillow_import_per_import"] = pillowImport.seconds / importPng.seconds;
        c["import_peak_per_pillow"] = importPng.peakBytes / pillowImport.peakBytes;
        c["export_peak_per_pillow"] = exportPng.peakBytes / pillowExport.peakBytes;
        c["png_size_per_pillow"] = double(written.size()) / double(readBytes(pillowPng).size());
        c["pillow_bytes_agree"] = readBytes(pillowChr) == readBytes(back) ? 1 : 0;
        if (size <= (1u << 20)) {
            met[prefix + "pillow_import_per_import >= 30"] = c["pillow_import_per_import"] >= 30;
            met[prefix + "pillow_export_per_export >= 20"] = c["pillow_export_per_export"] >= 20;
        }
        met[prefix + "import_peak_per_pillow <= 1"] = c["import_peak_per_pillow"] <= 1;
        met[prefix + "export_peak_per_pillow <= 1"] = c["export_peak_per_pillow"] <= 1;
        met[prefix + "png_size_per_pillow <= 1"] = c["png_size_per_pillow"] <= 1;
        met[prefix + "pillow_bytes_agree"] = c["pillow_bytes_agree"] == 1;
    } else if (withPillow) {
        std::fprintf(stderr, "BatchBench: a Pillow script failed; Pillow rows skipped\n");
    }
}

BENCHMARK(BM_BatchPng)->Arg(1)->Arg(4)->Iterations(1)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char **argv)
{
    startHelper();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    for (const auto &[name, met] : targetsMet())
        std::printf("%s%s\n", name.c_str(), met ? "" : "  MISSED");
    benchmark::Shutdown();
    std::error_code ignored;
    fs::remove_all(folder(), ignored);
    return 0;
}
