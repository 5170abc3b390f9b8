// Log calls per second: a level the settings disable, and an enabled level that finds no
// configuration client and goes to the file. Baselines in the same run: formatting the same
// message alone, and appending the finished line with open/write/close.

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "logging/Logger.h"

namespace {

// A private registry, pipe namespace and log folder, so the run never meets a real client or
// real settings.
struct BenchPlace {
    BenchPlace() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "vorn-bench-XXXXXX").string();
        if (mkdtemp(pattern.data()) == nullptr) {
            std::perror("mkdtemp");
            std::exit(1);
        }
        folder = pattern;
        setenv("VORN_REGISTRY_DIR", (folder / "registry").c_str(), 1);
        setenv("VORN_PIPE_NS", ("vorn-bench-" + std::to_string(getpid()) + "-").c_str(), 1);
        Kavro::Greywick::LoggerEnvironment environment;
        environment.programFolder = folder;
        logger = std::make_unique<Kavro::Greywick::Logger>(std::filesystem::path("/opt/bench.bin"),
                                                           true, environment);
        logger->SetFolder(folder / "logs");
    }
    ~BenchPlace() {
        logger.reset();
        std::error_code ignored;
        std::filesystem::remove_all(folder, ignored);
    }

    std::filesystem::path folder;
    std::unique_ptr<Kavro::Greywick::Logger> logger;
};

BenchPlace& Place() {
    static BenchPlace place;
    return place;
}

void BM_LogDisabledLevel(benchmark::State& state) {
    auto& logger = *Place().logger;
    for (auto _ : state) {
        benchmark::DoNotOptimize(logger.Log(150, "device %u answered %s", 42u, "ok"));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_LogDisabledLevel)->Threads(1)->Threads(4);

void BM_BaselineFormatOnly(benchmark::State& state) {
    char buffer[1024];
    for (auto _ : state) {
        benchmark::DoNotOptimize(
            std::snprintf(buffer, sizeof buffer, "device %u answered %s", 42u, "ok"));
        benchmark::ClobberMemory();
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_BaselineFormatOnly);

void BM_LogEnabledToFile(benchmark::State& state) {
    auto& logger = *Place().logger;
    for (auto _ : state) {
        benchmark::DoNotOptimize(logger.Log(50, "device %u answered %s", 42u, "ok"));
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_LogEnabledToFile);

void BM_BaselineOpenAppendClose(benchmark::State& state) {
    const std::string path = (Place().folder / "baseline.log").string();
    const std::string line =
        "2026.03.07 09:05:01.042\x9B W; L=50; [tid=1234; pid=5678]; device 42 answered ok\r\n";
    for (auto _ : state) {
        const int fd = ::open(path.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
        benchmark::DoNotOptimize(::write(fd, line.data(), line.size()));
        ::close(fd);
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_BaselineOpenAppendClose);

}  // namespace

BENCHMARK_MAIN();
