// Unpacking a firmware package of 500 entries and 50 MB: our unpacker (from memory, with the
// free-space check and the SHA-256 manifest, and without the manifest) next to the `unzip`
// command on the same archive in the same run. Wall-clock time, since unzip works in a child
// process whose CPU time the benchmark does not see.

#include <benchmark/benchmark.h>
#include <stdlib.h>
#include <sys/resource.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "offline/PackageUnpacker.h"

namespace {

namespace fs = std::filesystem;

constexpr int kEntries = 500;
constexpr std::size_t kEntryBytes = 100 * 1024;  // 500 x 100 KiB = 50 MiB

struct Package {
    Package() {
        std::string pattern = (fs::temp_directory_path() / "vorn-bench-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            std::perror("mkdtemp");
            std::exit(1);
        }
        folder = pattern;
        const fs::path source = folder / "source";
        // Firmware-like contents: partly repetitive, so that deflate has work on both sides.
        std::uint32_t seed = 12345;
        for (int i = 0; i < kEntries; ++i) {
            const fs::path file =
                source / ("part" + std::to_string(i % 10)) / ("block" + std::to_string(i) + ".bin");
            fs::create_directories(file.parent_path());
            std::string content(kEntryBytes, '\0');
            for (std::size_t j = 0; j < content.size(); ++j) {
                seed = seed * 1103515245u + 12345u;
                content[j] = static_cast<char>((seed >> 16) % 24 + (j % 64 < 32 ? 'A' : 'a'));
            }
            std::ofstream(file, std::ios::binary)
                .write(content.data(), static_cast<std::streamsize>(content.size()));
        }
        archive = folder / "package.zip";
        const std::string command =
            "cd '" + source.string() + "' && zip -qr '" + archive.string() + "' .";
        if (std::system(command.c_str()) != 0) {
            std::fprintf(stderr, "cannot run: %s\n", command.c_str());
            std::exit(1);
        }
        std::ifstream in(archive, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        fs::remove_all(source);
    }
    ~Package() {
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    }

    fs::path folder;
    fs::path archive;
    std::string bytes;
};

Package& ThePackage() {
    static Package package;
    return package;
}

// CPU seconds (user and system) of this process or of its finished children: on a loaded
// machine wall-clock time mostly measures the wait for a core.
double CpuSeconds(int who) {
    rusage usage{};
    getrusage(who, &usage);
    const auto seconds = [](const timeval& t) {
        return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6;
    };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

void CountCpu(benchmark::State& state, double cpuSeconds) {
    state.counters["cpu_ms"] = benchmark::Counter(
        cpuSeconds * 1000.0 /
        static_cast<double>(std::max<benchmark::IterationCount>(state.iterations(), 1)));
}

void Count(benchmark::State& state) {
    state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(kEntries * kEntryBytes));
    state.SetItemsProcessed(state.iterations() * kEntries);
}

void BM_UnpackUpdateArchive(benchmark::State& state) {
    Package& package = ThePackage();
    const fs::path target = package.folder / "ours";
    vorn::UnpackOptions options;
    options.writeManifest = state.range(0) != 0;
    const double start = CpuSeconds(RUSAGE_SELF);
    for (auto _ : state) {
        const vorn::UnpackReport report = vorn::UnpackUpdateArchive(package.bytes, target, options);
        if (report.written.size() != kEntries) {
            state.SkipWithError("unpacking failed");
            break;
        }
    }
    CountCpu(state, CpuSeconds(RUSAGE_SELF) - start);
    Count(state);
}
BENCHMARK(BM_UnpackUpdateArchive)
    ->ArgName("manifest")
    ->Arg(1)
    ->Arg(0)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MinTime(3);

// Baseline: the unzip command, overwriting the same files, reading the archive from the page
// cache.
void BM_UnzipCommand(benchmark::State& state) {
    Package& package = ThePackage();
    const fs::path target = package.folder / "unzip";
    const std::string command =
        "unzip -qo '" + package.archive.string() + "' -d '" + target.string() + "'";
    const double start = CpuSeconds(RUSAGE_CHILDREN);
    for (auto _ : state) {
        if (std::system(command.c_str()) != 0) {
            state.SkipWithError("unzip failed");
            break;
        }
    }
    CountCpu(state, CpuSeconds(RUSAGE_CHILDREN) - start);
    Count(state);
}
BENCHMARK(BM_UnzipCommand)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3);

}  // namespace

BENCHMARK_MAIN();
